// The LandXML and GIS import windows (sources, destination systems, preview, log) and the CAD / GIS / SWMM export window.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exchange/gis_import.h"
#include "exchange/landxml_import.h"
#include "exchange/landxml_reader.h"
#include "gui/common/compute_context.h"

class QComboBox;
class QLineEdit;
class QTableWidget;

namespace kolv::gui::compute {
class ListingView;
}

namespace kolv::gui::exchange {

/// File › Import › LandXML: pick a file, see its networks with the systems they will go into
/// (editable), preview what will be created, import, read the log.
class LandXmlImportWindow : public QDialog {
public:
    LandXmlImportWindow(compute::ComputeContext ctx, QWidget* parent = nullptr);

    /// Reads a file and lists its networks; false (the reason listed) when it cannot be read.
    bool setPath(const std::string& path);
    /// The destination system of the network in row `row`.
    void setSystem(int row, const std::string& system);
    /// Lists what the import would do; true when it would run.
    bool preview();
    /// Imports the listed networks; true when the project was changed.
    bool runImport();
    void setOnImported(std::function<void()> f) { m_onImported = std::move(f); }

    QTableWidget* networks() const { return m_networks; }
    compute::ListingView* list() const { return m_list; }

private:
    void browse();
    std::vector<::kolv::exchange::LandXmlChoice> choices() const;

    compute::ComputeContext m_ctx;
    QLineEdit* m_path = nullptr;
    QComboBox* m_setup = nullptr;
    QTableWidget* m_networks = nullptr;
    compute::ListingView* m_list = nullptr;
    ::kolv::exchange::LandXmlDocument m_doc;
    bool m_read = false;
    std::function<void()> m_onImported;
};

/// File › Import › GIS layers: a point layer (and a line layer) of a GeoPackage, Shapefile,
/// GeoJSON or other GDAL source into an existing system through an import setup; the preview
/// lists the layers' attributes and feature counts, the import one undo step, then the log.
class GisImportWindow : public QDialog {
public:
    GisImportWindow(compute::ComputeContext ctx, QWidget* parent = nullptr);

    void setNodeSource(const std::string& path, const std::string& layer = {});
    void setReachSource(const std::string& path, const std::string& layer = {});
    void setSetups(const std::string& setup, const std::string& reachSetup = {});
    void setSystem(const std::string& system);
    void setTolerance(const QString& text);
    /// Reads the layers and lists their attributes and feature counts; true when they can be read.
    bool preview();
    /// Imports the layers; true when the project was changed.
    bool runImport();
    void setOnImported(std::function<void()> f) { m_onImported = std::move(f); }

    QLineEdit* tolerance() const { return m_tolerance; }
    compute::ListingView* list() const { return m_list; }

private:
    void browse(QLineEdit* edit);
    /// The request from the fields; nothing (the field marked, the message shown) when refused.
    std::optional<::kolv::exchange::GisImportRequest> request();

    compute::ComputeContext m_ctx;
    QLineEdit* m_nodeSource = nullptr;
    QLineEdit* m_nodeLayer = nullptr;
    QLineEdit* m_reachSource = nullptr;
    QLineEdit* m_reachLayer = nullptr;
    QComboBox* m_setup = nullptr;
    QComboBox* m_reachSetup = nullptr;
    QComboBox* m_system = nullptr;
    QLineEdit* m_defaultStructure = nullptr;
    QLineEdit* m_defaultPipe = nullptr;
    QLineEdit* m_tolerance = nullptr;
    compute::ListingView* m_list = nullptr;
    std::function<void()> m_onImported;
};

/// File › Export: one system (or all) as LandXML, a SWMM 5 input file, GIS layers, a DXF plan or
/// the DXF profile of a run.
class CadGisExportWindow : public QDialog {
public:
    enum Kind { LandXml, Swmm, GeoPackage, Shapefile, GeoJson, DxfPlan, DxfProfile };

    CadGisExportWindow(compute::ComputeContext ctx, QWidget* parent = nullptr);

    void reload();
    void setKind(Kind k);
    void setSystem(const std::string& system);
    void setStartNode(const std::string& node);
    void setPath(const std::string& path);
    /// Writes the file(s); returns the lines listed (empty when nothing was written).
    std::vector<std::string> runExport();

    compute::ListingView* list() const { return m_list; }

private:
    void browse();

    compute::ComputeContext m_ctx;
    QComboBox* m_kind = nullptr;
    QComboBox* m_system = nullptr;
    QLineEdit* m_node = nullptr;
    QLineEdit* m_path = nullptr;
    compute::ListingView* m_list = nullptr;
};

}  // namespace kolv::gui::exchange
