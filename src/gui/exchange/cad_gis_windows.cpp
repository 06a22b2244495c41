// The LandXML and GIS import windows (sources, destination systems, preview, log) and the CAD / GIS / SWMM export window.
#include "gui/exchange/cad_gis_windows.h"

#include <functional>

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/error.h"
#include "common/number_input.h"
#include "common/text.h"
#include "exchange/gis_export.h"
#include "exchange/gis_import.h"
#include "exchange/import_setup.h"
#include "exchange/landxml_export.h"
#include "exchange/landxml_import.h"
#include "exchange/swmm_export.h"
#include "exchange/system_rows.h"
#include "exchange/text_reader.h"
#include "gui/common/listing_view.h"
#include "gui/common/number_field.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui::exchange {

namespace ex = ::kolv::exchange;

namespace {

/// The log of an import window and its row of buttons (Preview, Import, Close), wired to the
/// window's own preview and import.
compute::ListingView* addLogAndButtons(QDialog* window, QVBoxLayout* v, const std::function<void()>& preview,
                                       const std::function<void()>& import) {
    auto* list = new compute::ListingView(window);
    list->setMinimumHeight(160);
    v->addWidget(list, 1);
    auto* buttons = new QHBoxLayout;
    auto* prev = new QPushButton("Preview", window);
    prev->setObjectName("previewButton");
    auto* run = new QPushButton("Import", window);
    run->setObjectName("importButton");
    auto* close = new QPushButton("Close", window);
    buttons->addWidget(prev);
    buttons->addWidget(run);
    buttons->addStretch(1);
    buttons->addWidget(close);
    v->addLayout(buttons);
    QObject::connect(prev, &QPushButton::clicked, window, preview);
    QObject::connect(run, &QPushButton::clicked, window, import);
    QObject::connect(close, &QPushButton::clicked, window, &QDialog::close);
    return list;
}

/// A file row: a line edit and its Browse button.
QHBoxLayout* fileRow(QWidget* parent, QLineEdit*& edit, const char* name, QPushButton*& browse) {
    auto* row = new QHBoxLayout;
    edit = new QLineEdit(parent);
    edit->setObjectName(name);
    browse = new QPushButton("Browse...", parent);
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return row;
}

}  // namespace

// ------------------------------------------------------------------ import

LandXmlImportWindow::LandXmlImportWindow(compute::ComputeContext ctx, QWidget* parent)
    : QDialog(parent), m_ctx(std::move(ctx)) {
    setObjectName("landXmlImportWindow");
    setWindowTitle(ex::kLandXmlImportTitle);
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    QPushButton* browse = nullptr;
    form->addRow("LandXML file:", fileRow(this, m_path, "landXmlPath", browse));
    m_setup = new QComboBox(this);
    m_setup->setObjectName("setupBox");
    if (db::Project* p = m_ctx.currentProject())
        for (const auto& s : ex::setupNames(*p->db)) m_setup->addItem(q(s));
    form->addRow("Description links of setup:", m_setup);
    v->addLayout(form);
    m_networks = new QTableWidget(0, 3, this);
    m_networks->setObjectName("networkTable");
    m_networks->setHorizontalHeaderLabels({"Pipe network", "Structures / pipes", "Into system"});
    m_networks->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_networks->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_networks->horizontalHeader()->setStretchLastSection(true);
    m_networks->verticalHeader()->hide();
    m_networks->setMinimumHeight(90);
    v->addWidget(m_networks);
    m_list = addLogAndButtons(this, v, [this] { preview(); }, [this] { runImport(); });
    connect(browse, &QPushButton::clicked, this, [this] { this->browse(); });
    // Return reads the typed file (not editingFinished: focus also leaves while the window closes).
    connect(m_path, &QLineEdit::returnPressed, this, [this] { setPath(m_path->text().toStdString()); });
    resize(680, 460);
}

void LandXmlImportWindow::browse() {
    if (m_ctx.scripted) return;
    QString f = QFileDialog::getOpenFileName(this, ex::kLandXmlImportTitle, m_path->text(),
                                             "LandXML Files (*.xml *.landxml);;All Files (*.*)");
    if (!f.isEmpty()) setPath(f.toStdString());
}

bool LandXmlImportWindow::setPath(const std::string& path) {
    m_path->setText(q(path));
    m_networks->setRowCount(0);
    m_list->clearLines();
    m_read = false;
    try {
        m_doc = ex::parseLandXml(ex::readFileBytes(trim(path)));
    } catch (const std::exception& e) {
        m_list->addLine(e.what());
        return false;
    }
    m_read = true;
    for (const auto& n : m_doc.networks) {
        const int row = m_networks->rowCount();
        m_networks->insertRow(row);
        auto* name = new QTableWidgetItem(q(n.name));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        auto* count = new QTableWidgetItem(QString("%1 / %2").arg(n.structs.size()).arg(n.pipes.size()));
        count->setFlags(count->flags() & ~Qt::ItemIsEditable);
        m_networks->setItem(row, 0, name);
        m_networks->setItem(row, 1, count);
        m_networks->setItem(row, 2, new QTableWidgetItem(q(ex::utf8Left(trim(n.name), 8))));
    }
    m_list->addLine("LandXML " + m_doc.version + (m_doc.application.empty() ? "" : ", written by " + m_doc.application) +
                    ": " + std::to_string(m_doc.networks.size()) + " pipe networks.");
    return true;
}

void LandXmlImportWindow::setSystem(int row, const std::string& system) {
    if (auto* item = m_networks->item(row, 2)) item->setText(q(system));
}

std::vector<ex::LandXmlChoice> LandXmlImportWindow::choices() const {
    std::vector<ex::LandXmlChoice> out;
    for (int r = 0; r < m_networks->rowCount(); ++r) {
        const std::string system = trim(m_networks->item(r, 2)->text().toStdString());
        if (!system.empty()) out.push_back({m_networks->item(r, 0)->text().toStdString(), system});
    }
    return out;
}

bool LandXmlImportWindow::preview() {
    db::Project* p = m_ctx.currentProject();
    if (!p || !m_read) return false;
    ex::LandXmlImportRequest req;
    req.path = trim(m_path->text().toStdString());
    req.networks = choices();
    req.setupName = m_setup->currentText().toStdString();
    m_list->clearLines();
    if (req.networks.empty()) {
        m_list->addLine("No network has a destination system: nothing would be imported.");
        return false;
    }
    const ex::LandXmlPlan plan = ex::planLandXml(*p->db, m_doc, req);
    if (!plan.ok()) {
        m_list->addLine("The import would be refused: " + plan.refusal);
        return false;
    }
    m_list->addLine("PREVIEW - nothing has been imported yet.");
    for (const auto& s : plan.systems)
        m_list->addLine("System: " + s.system + (s.createSystem ? " (new)" : " (existing)") + " - " +
                        std::to_string(s.nodes.size()) + " nodes and reaches, outfall " + s.outfall);
    m_list->addLines(plan.log);
    m_list->showTop();
    return true;
}

bool LandXmlImportWindow::runImport() {
    db::Project* p = m_ctx.currentProject();
    if (!p || !m_read) return false;
    ex::LandXmlImportRequest req;
    req.path = trim(m_path->text().toStdString());
    req.networks = choices();
    req.setupName = m_setup->currentText().toStdString();
    if (req.networks.empty()) return false;
    m_list->clearLines();
    ex::LandXmlImportResult r;
    try {
        r = ex::importLandXml(*p->db, *m_ctx.ui, m_doc, req);
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
        return false;
    }
    m_list->addLine("IMPORT RESULTS");
    m_list->addLines(r.log);
    m_list->showTop();
    if (!r.ran || r.cancelled) return false;
    if (m_onImported) m_onImported();
    return true;
}

// ------------------------------------------------------------------ GIS import

namespace {

constexpr const char* kGisImportTitle = "Import GIS Layers";
constexpr const char* kSameSetup = "(the same setup)";

/// "Point layer 'nodes': 24 features", then the file and the attributes on lines of their own.
std::vector<std::string> layerSummary(const char* kind, const std::string& source, const std::string& layer,
                                      bool points) {
    const ex::ImportFile f = ex::readGisLayer(source, layer, points);
    std::string names;
    for (const auto& h : f.headings) names += (names.empty() ? "" : ", ") + h;
    return {std::string(kind) + (layer.empty() ? std::string(" (the first of the file)") : " '" + layer + "'") + ": " +
                std::to_string(f.rows.size()) + " features",
            "  in " + source, "  attributes: " + names};
}

}  // namespace

GisImportWindow::GisImportWindow(compute::ComputeContext ctx, QWidget* parent) : QDialog(parent), m_ctx(std::move(ctx)) {
    setObjectName("gisImportWindow");
    setWindowTitle(kGisImportTitle);
    db::Project* p = m_ctx.currentProject();
    const bool metric = p && p->metric;
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    QPushButton* nodeBrowse = nullptr;
    QPushButton* reachBrowse = nullptr;
    form->addRow("Points (nodes) from:", fileRow(this, m_nodeSource, "nodeSource", nodeBrowse));
    m_nodeLayer = new QLineEdit(this);
    m_nodeLayer->setObjectName("nodeLayer");
    m_nodeLayer->setPlaceholderText("the first point layer");
    form->addRow("Point layer:", m_nodeLayer);
    form->addRow("Lines (reaches) from:", fileRow(this, m_reachSource, "reachSource", reachBrowse));
    m_reachSource->setPlaceholderText("none: nodes only (may be the same file)");
    m_reachLayer = new QLineEdit(this);
    m_reachLayer->setObjectName("reachLayer");
    m_reachLayer->setPlaceholderText("the first line layer");
    form->addRow("Line layer:", m_reachLayer);
    m_setup = new QComboBox(this);
    m_setup->setObjectName("setupBox");
    m_reachSetup = new QComboBox(this);
    m_reachSetup->setObjectName("reachSetupBox");
    m_reachSetup->addItem(kSameSetup);
    m_system = new QComboBox(this);
    m_system->setObjectName("systemBox");
    if (p) {
        // a setup is required: "<new>" holds no destinations
        for (const auto& s : ex::setupNames(*p->db))
            if (s != "<new>") {
                m_setup->addItem(q(s));
                m_reachSetup->addItem(q(s));
            }
        for (const auto& s : ex::systemList(*p->db)) m_system->addItem(q(s));
        const int at = m_system->findText(q(m_ctx.currentSystem()));
        if (at >= 0) m_system->setCurrentIndex(at);
    }
    form->addRow("Import setup:", m_setup);
    form->addRow("Setup of the lines:", m_reachSetup);
    form->addRow("Into system (existing):", m_system);
    m_defaultStructure = new QLineEdit(this);
    m_defaultStructure->setObjectName("defaultStructure");
    m_defaultPipe = new QLineEdit(this);
    m_defaultPipe->setObjectName("defaultPipe");
    form->addRow("Default structure:", m_defaultStructure);
    form->addRow("Default pipe:", m_defaultPipe);
    m_tolerance = new QLineEdit("0.5", this);
    m_tolerance->setObjectName("tolerance");
    m_tolerance->setToolTip("Largest distance from a line's end to its node, when the lines name no nodes");
    form->addRow(metric ? "End-point tolerance (m):" : "End-point tolerance (ft):", m_tolerance);
    v->addLayout(form);
    watchNumberField(m_tolerance, [metric](std::string_view t) {
        // a length of the project: above 0, up to the longest reach
        input::NumberRule rule = input::fieldRule("REACH", "LENGTH", metric).value_or(input::NumberRule{});
        rule.min = 0;
        rule.minExclusive = true;
        return input::checkNumber(t, "End-point tolerance", rule);
    });
    m_list = addLogAndButtons(this, v, [this] { preview(); }, [this] { runImport(); });
    connect(nodeBrowse, &QPushButton::clicked, this, [this] { browse(m_nodeSource); });
    connect(reachBrowse, &QPushButton::clicked, this, [this] { browse(m_reachSource); });
    resize(680, 560);
}

void GisImportWindow::browse(QLineEdit* edit) {
    if (m_ctx.scripted) return;
    QString f = QFileDialog::getOpenFileName(
        this, kGisImportTitle, edit->text(),
        "GIS Layers (*.gpkg *.shp *.geojson *.json);;GeoPackage (*.gpkg);;Shapefile (*.shp);;GeoJSON (*.geojson "
        "*.json);;All Files (*.*)");
    if (f.isEmpty()) return;
    edit->setText(f);
    // points and lines usually share a GeoPackage
    if (edit == m_nodeSource && m_reachSource->text().isEmpty() && f.endsWith(".gpkg", Qt::CaseInsensitive))
        m_reachSource->setText(f);
}

void GisImportWindow::setNodeSource(const std::string& path, const std::string& layer) {
    m_nodeSource->setText(q(path));
    m_nodeLayer->setText(q(layer));
}
void GisImportWindow::setReachSource(const std::string& path, const std::string& layer) {
    m_reachSource->setText(q(path));
    m_reachLayer->setText(q(layer));
}
void GisImportWindow::setSetups(const std::string& setup, const std::string& reachSetup) {
    m_setup->setCurrentIndex(m_setup->findText(q(setup)));
    m_reachSetup->setCurrentIndex(reachSetup.empty() ? 0 : m_reachSetup->findText(q(reachSetup)));
}
void GisImportWindow::setSystem(const std::string& system) { m_system->setCurrentIndex(m_system->findText(q(system))); }
void GisImportWindow::setTolerance(const QString& text) {
    m_tolerance->setText(text);
    recheckNumberField(m_tolerance);
}

std::optional<ex::GisImportRequest> GisImportWindow::request() {
    const std::optional<double> tolerance = readNumberField(m_tolerance, m_ctx.ui);
    if (!tolerance) return std::nullopt;
    ex::GisImportRequest req;
    req.nodeSource = trim(m_nodeSource->text().toStdString());
    req.nodeLayer = trim(m_nodeLayer->text().toStdString());
    req.reachSource = trim(m_reachSource->text().toStdString());
    req.reachLayer = trim(m_reachLayer->text().toStdString());
    req.setupName = m_setup->currentText().toStdString();
    req.reachSetupName = m_reachSetup->currentIndex() <= 0 ? std::string() : m_reachSetup->currentText().toStdString();
    req.system = m_system->currentText().toStdString();
    req.defaultStructure = trim(m_defaultStructure->text().toStdString());
    req.defaultPipe = trim(m_defaultPipe->text().toStdString());
    req.tolerance = *tolerance;
    return req;
}

bool GisImportWindow::preview() {
    if (!m_ctx.currentProject()) return false;
    const auto req = request();
    if (!req) return false;
    m_list->clearLines();
    if (req->nodeSource.empty()) {
        m_list->addLine("Give the file of the points.");
        return false;
    }
    bool ok = true;
    const auto summary = [&](const char* kind, const std::string& source, const std::string& layer, bool points) {
        try {
            m_list->addLines(layerSummary(kind, source, layer, points));
        } catch (const std::exception& e) {
            m_list->addLine(e.what());
            ok = false;
        }
    };
    m_list->addLine("PREVIEW - nothing has been imported yet.");
    summary("Point layer", req->nodeSource, req->nodeLayer, true);
    if (!req->reachSource.empty()) summary("Line layer", req->reachSource, req->reachLayer, false);
    else m_list->addLine("No line source: nodes only.");
    m_list->addLine("Into system: " + (req->system.empty() ? std::string("(none chosen)") : req->system));
    m_list->addLine("Setup: " + req->setupName +
                    (req->reachSetupName.empty() ? std::string() : ", lines through " + req->reachSetupName));
    m_list->addLine("Line ends join the nearest node within " + input::groupedNumber(req->tolerance) + ".");
    m_list->showTop();
    return ok && !req->system.empty();
}

bool GisImportWindow::runImport() {
    db::Project* p = m_ctx.currentProject();
    if (!p) return false;
    const auto req = request();
    if (!req) return false;
    m_list->clearLines();
    ex::ImportResult r;
    try {
        if (req->nodeSource.empty()) throw InputError("Give the file of the points.");
        r = ex::importGis(*p->db, *m_ctx.ui, *req);
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
        return false;
    }
    m_list->addLine("IMPORT RESULTS");
    m_list->addLines(r.log);
    m_list->showTop();
    if (!r.ran || r.cancelled) return false;
    if (m_onImported) m_onImported();
    return true;
}

// ------------------------------------------------------------------ export

CadGisExportWindow::CadGisExportWindow(compute::ComputeContext ctx, QWidget* parent)
    : QDialog(parent), m_ctx(std::move(ctx)) {
    setObjectName("cadGisExportWindow");
    setWindowTitle("Export to CAD, GIS or SWMM");
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_kind = new QComboBox(this);
    m_kind->setObjectName("kindBox");
    m_kind->addItems({"LandXML 1.2 pipe networks (*.xml)", "SWMM 5 input file (*.inp)", "GeoPackage (*.gpkg)",
                      "Shapefiles (a folder)", "GeoJSON (two files)", "DXF plan (*.dxf)", "DXF profile of a run (*.dxf)"});
    m_system = new QComboBox(this);
    m_system->setObjectName("systemBox");
    m_node = new QLineEdit(this);
    m_node->setObjectName("startNode");
    m_node->setPlaceholderText("upstream node of the run (profile only)");
    QPushButton* browse = nullptr;
    form->addRow("Export as:", m_kind);
    form->addRow("Storm Sewer System:", m_system);
    form->addRow("Profile from node:", m_node);
    form->addRow("File:", fileRow(this, m_path, "exportPath", browse));
    v->addLayout(form);
    m_list = new compute::ListingView(this);
    m_list->setMinimumHeight(120);
    v->addWidget(m_list, 1);
    auto* buttons = new QHBoxLayout;
    auto* run = new QPushButton("Export", this);
    run->setObjectName("exportButton");
    run->setDefault(true);
    auto* close = new QPushButton("Close", this);
    buttons->addWidget(run);
    buttons->addStretch(1);
    buttons->addWidget(close);
    v->addLayout(buttons);
    connect(browse, &QPushButton::clicked, this, [this] { this->browse(); });
    connect(run, &QPushButton::clicked, this, [this] { runExport(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(620, 360);
    reload();
}

void CadGisExportWindow::reload() {
    const QString keep = m_system->currentText();
    m_system->clear();
    db::Project* p = m_ctx.currentProject();
    if (!p) return;
    m_system->addItem("<ALL>");
    for (const auto& s : ex::systemList(*p->db)) m_system->addItem(q(s));
    const int at = m_system->findText(keep.isEmpty() ? q(m_ctx.currentSystem()) : keep);
    m_system->setCurrentIndex(at < 0 ? 0 : at);
}

void CadGisExportWindow::setKind(Kind k) { m_kind->setCurrentIndex(static_cast<int>(k)); }
void CadGisExportWindow::setSystem(const std::string& system) {
    const int at = m_system->findText(q(system));
    if (at >= 0) m_system->setCurrentIndex(at);
}
void CadGisExportWindow::setStartNode(const std::string& node) { m_node->setText(q(node)); }
void CadGisExportWindow::setPath(const std::string& path) { m_path->setText(q(path)); }

void CadGisExportWindow::browse() {
    if (m_ctx.scripted) return;
    static const char* filters[] = {"LandXML (*.xml)", "SWMM input (*.inp)", "GeoPackage (*.gpkg)", "Shapefile (*.shp)",
                                    "GeoJSON (*.geojson)", "DXF (*.dxf)", "DXF (*.dxf)"};
    QString f = QFileDialog::getSaveFileName(this, windowTitle(), m_path->text(), filters[m_kind->currentIndex()]);
    if (!f.isEmpty()) m_path->setText(f);
}

std::vector<std::string> CadGisExportWindow::runExport() {
    db::Project* p = m_ctx.currentProject();
    if (!p) return {};
    db::Database& db = *p->db;
    const std::string path = trim(m_path->text().toStdString());
    const std::string choice = m_system->currentText().toStdString();
    std::vector<std::string> systems;
    if (choice != "<ALL>") systems.push_back(choice);
    ex::ExportResult r;
    try {
        if (path.empty()) throw InputError("Give the file to write.");
        const auto one = [&] {
            if (systems.empty()) throw InputError("Choose one system for this export.");
            return systems.front();
        };
        switch (static_cast<Kind>(m_kind->currentIndex())) {
        case LandXml: r = ex::exportLandXml(db, systems, path); break;
        case Swmm: r = ex::exportSwmm(db, one(), path); break;
        case GeoPackage: r = ex::exportGis(db, systems, path, ex::GisFormat::GeoPackage); break;
        case Shapefile: r = ex::exportGis(db, systems, path, ex::GisFormat::Shapefile); break;
        case GeoJson: r = ex::exportGis(db, systems, path, ex::GisFormat::GeoJson); break;
        case DxfPlan: r = ex::exportGis(db, systems, path, ex::GisFormat::Dxf); break;
        case DxfProfile: r = ex::exportProfileDxf(db, one(), trim(m_node->text().toStdString()), path); break;
        }
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
        return {};
    }
    m_list->addLines(r.log);
    return r.log;
}

}  // namespace kolv::gui::exchange
