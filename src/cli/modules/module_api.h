// The entry tables of kolv-cli's loadable modules. The printing and the GIS / CAD exchange bring Qt
// and GDAL with them (well over a hundred shared libraries, some 40 MB resident before any
// work); kolv-cli opens their module only when a command that needs one runs.
//
// A module exports one C function, kolv_cli_module(abi), returning its table, or nullptr when it was
// built for another version of this header. Both sides are built together from one tree, so the
// C++ types in the tables are the same on either side.
#pragma once

#include <string>
#include <vector>

#include "exchange/gis_export.h"
#include "exchange/gis_import.h"

namespace kolv::reports {
class DocumentPrinter;
}
namespace kolv::submittal {
class SubmittalComposer;
}

namespace kolv::cli {

/// Raised whenever a table below changes.
inline constexpr int kModuleAbi = 1;

/// kolv-cli-print: PDF reports and the submittal package (Qt).
struct PrintModule {
    /// The printer of template and message reports; lives as long as the program.
    reports::DocumentPrinter* (*printer)();
    /// Writes the prepared package to a PDF file with its bookmarks.
    void (*writeSubmittal)(submittal::SubmittalComposer& composer, const std::string& path);
};

/// kolv-cli-gis: GeoPackage, Shapefile, GeoJSON and DXF files (GDAL).
struct GisModule {
    exchange::GisFormat (*formatOf)(const std::string& name);
    exchange::ExportResult (*exportGis)(db::Database& db, const std::vector<std::string>& systems,
                                        const std::string& path, exchange::GisFormat format);
    exchange::ExportResult (*exportProfileDxf)(db::Database& db, const std::string& system,
                                               const std::string& startNode, const std::string& path,
                                               double verticalScale);
    exchange::ImportResult (*importGis)(db::Database& db, ui::UiPort& ui, const exchange::GisImportRequest& request);
};

/// The module's table, loaded on first use; throws kolv::Error (kErrLoadingLibrary) naming the
/// file and the folders searched when the module is missing or does not load.
const PrintModule& printModule();
const GisModule& gisModule();

}  // namespace kolv::cli

extern "C" {
using KolvCliModuleEntry = const void* (*)(int abi);
}
