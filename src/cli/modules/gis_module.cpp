// kolv-cli-gis: the GIS and CAD file exchange of kolv-cli, loaded by the commands that read or write
// those files.
#include "cli/modules/module_api.h"

namespace {

const kolv::cli::GisModule kTable{&kolv::exchange::gisFormatOf, &kolv::exchange::exportGis,
                                  &kolv::exchange::exportProfileDxf, &kolv::exchange::importGis};

}  // namespace

extern "C" __attribute__((visibility("default"))) const void* kolv_cli_module(int abi) {
    return abi == kolv::cli::kModuleAbi ? &kTable : nullptr;
}
