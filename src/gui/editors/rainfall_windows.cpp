// The rainfall table windows: IDF coefficients with their curve, time-intensity tables with their preview, add table.
#include "gui/editors/rainfall_windows.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "common/text.h"
#include "editing/rainfall_lists.h"
#include "gui/common/report_preview.h"
#include "gui/editors/table_grid_view.h"
#include "reports/report_commands.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui::editor_windows {

namespace {

/// A step of round numbers that puts about `ticks` intervals on an axis of length `span`.
double niceStep(double span, int ticks) {
    if (span <= 0) return 1;
    const double raw = span / ticks;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (raw <= m * mag) return m * mag;
    return 10 * mag;
}

}  // namespace

// ---- chart ------------------------------------------------------------------------------------

CurveChart::CurveChart(const QString& title, const QString& intensityCaption) : m_intensityCaption(intensityCaption) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    m_view = new QChartView(chart);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(380, 300);
}

void CurveChart::show(const std::vector<editing::CurvePoint>& points, const QString& caption, double lastMin) {
    QChart* chart = m_view->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* a : chart->axes()) {
        chart->removeAxis(a);
        delete a;
    }
    m_points = static_cast<int>(points.size());
    auto* line = new QLineSeries;
    line->setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 2));
    double top = 0;
    for (const auto& p : points) {
        line->append(p.durationMin, p.intensity);
        if (std::isfinite(p.intensity)) top = std::max(top, p.intensity);
    }
    chart->addSeries(line);
    auto* marks = new QScatterSeries;
    marks->setMarkerSize(6);
    marks->setColor(QColor(0x1f, 0x5f, 0xa8));
    marks->setBorderColor(Qt::white);
    // markers where the curve is sampled coarsely (the 19-point preview), not on a dense curve
    if (points.size() <= 30)
        for (const auto& p : points) marks->append(p.durationMin, p.intensity);
    chart->addSeries(marks);

    auto* x = new QValueAxis;
    x->setTitleText("Duration (min)");
    x->setRange(0, lastMin);
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(lastMin > 100 ? 20 : 10);
    x->setLabelFormat("%.0f");
    auto* y = new QValueAxis;
    y->setTitleText(m_intensityCaption);
    const double step = niceStep(top > 0 ? top : 1, 6);
    // a little headroom, so the highest point does not sit on the frame
    y->setRange(0, std::ceil((top > 0 ? top * 1.04 : 1) / step) * step);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(step);
    y->setLabelFormat(step < 1 ? "%.1f" : "%.0f");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(marks)}) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    const QString base = chart->title().section(" \u2014 ", 0, 0);
    chart->setTitle(caption.isEmpty() ? base : base + " \u2014 " + caption);
}

// ---- IDF coefficients -------------------------------------------------------------------------

IdfWindow::IdfWindow(EditorContext ctx, QWidget* parent) : QDialog(parent), m_ctx(std::move(ctx)) {
    setWindowTitle("IDF Coefficients");
    db::Project* p = m_ctx.project();
    m_grid = editing::makeIdfGrid(*p->db);
    auto* top = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Horizontal);
    auto* gridBox = new QGroupBox("IDF Curve Data:  i = A + B ln t + C ln\u00b2 t + D ln\u00b3 t");
    auto* gv = new QVBoxLayout(gridBox);
    m_view = new TableGridView(*m_grid, m_ctx.ui());
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    gv->addWidget(m_view);
    auto* hint = new QLabel("Ctrl+V pastes rows copied from a spreadsheet; Delete removes the selected rows; "
                            "click a heading to sort.");
    hint->setStyleSheet("color: #5f6368;");
    hint->setWordWrap(true);
    gv->addWidget(hint);
    split->addWidget(gridBox);
    m_chart = std::make_unique<CurveChart>("IDF curve", "Intensity (in/hr)");
    split->addWidget(m_chart->view());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    top->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    auto* addButton = new QPushButton("&Add Record");
    auto* printButton = new QPushButton("&Print");
    auto* fitButton = new QPushButton("&Fit Coefficients...");
    auto* importButton = new QPushButton("&Import...");
    auto* closeButton = new QPushButton("Close");
    for (auto* b : {addButton, printButton, fitButton, importButton}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    top->addLayout(buttons);
    connect(addButton, &QPushButton::clicked, this, [this] { addRow(); });
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
    for (auto* b : {fitButton, importButton})
        connect(b, &QPushButton::clicked, this, [this] { editing::currentlyNotAvailable(m_ctx.ui()); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_view, &QTableWidget::currentCellChanged, this, [this] { showCurve(); });
    connect(m_view, &TableGridView::rowsChanged, this, [this] { showCurve(); });
    if (m_view->rowCount() > 0) m_view->setCurrentCell(0, 0);
    showCurve();
    resize(980, 520);
}

IdfWindow::~IdfWindow() = default;

bool IdfWindow::addRow() {
    bool added = false;
    try {
        added = editing::addIdfRow(*m_grid, m_ctx.ui());
    } catch (const std::exception& e) {
        ui::reportException(m_ctx.ui(), e);
    }
    if (added) {
        m_view->refill();
        m_view->setCurrentCell(m_view->rowCount() - 1, 0);
    }
    return added;
}

compute::ReportPreviewDialog* IdfWindow::print() {
    db::Project* p = m_ctx.project();
    if (!p) return nullptr;
    return compute::showTemplateReport(m_ctx.base, reports::reportRequest(reports::ReportCommand::IdfData, "", p->metric),
                                    this);
}

void IdfWindow::showCurve() {
    const int row = m_view->currentGridRow();
    if (row < 0 || static_cast<std::size_t>(row) >= m_grid->rowCount()) {
        m_chart->show({}, {}, editing::kIdfCurveLastMin);
        return;
    }
    const auto r = static_cast<std::size_t>(row);
    const QString caption = "Zone " + q(m_grid->cell(r, 0)) + ", Freq " + q(m_grid->cell(r, 1));
    m_chart->show(editing::idfCurve(editing::idfCoefficientsOfRow(*m_grid, r)), caption, editing::kIdfCurveLastMin);
}

// ---- time-intensity tables --------------------------------------------------------------------

TimeIntensityWindow::TimeIntensityWindow(EditorContext ctx, QWidget* parent) : QDialog(parent), m_ctx(std::move(ctx)) {
    setWindowTitle("Storm Time-Intensity Tables (user defined)");
    db::Project* p = m_ctx.project();
    m_grid = editing::makeTimeIntensityGrid(*p->db);
    auto* top = new QVBoxLayout(this);

    auto* pick = new QHBoxLayout;
    m_location = new QComboBox;
    m_frequency = new QComboBox;
    m_location->setMinimumWidth(160);
    m_frequency->setMinimumWidth(100);
    pick->addWidget(new QLabel("Location"));
    pick->addWidget(m_location);
    pick->addSpacing(12);
    pick->addWidget(new QLabel("Frequency"));
    pick->addWidget(m_frequency);
    pick->addStretch();
    top->addLayout(pick);

    auto* split = new QSplitter(Qt::Horizontal);
    auto* gridBox = new QGroupBox("User Defined Storm Event Data");
    auto* gv = new QVBoxLayout(gridBox);
    m_view = new TableGridView(*m_grid, m_ctx.ui());
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    gv->addWidget(m_view);
    auto* hint = new QLabel("Rows added or changed take the selected location and frequency. Ctrl+V pastes "
                            "time / intensity rows copied from a spreadsheet.");
    hint->setStyleSheet("color: #5f6368;");
    hint->setWordWrap(true);
    gv->addWidget(hint);
    split->addWidget(gridBox);
    m_chart = std::make_unique<CurveChart>("Curve preview", "Intensity (as tabulated)");
    split->addWidget(m_chart->view());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    top->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    auto* addTableButton = new QPushButton("Add &Table...");
    auto* deleteTableButton = new QPushButton("&Delete Table");
    auto* addRowButton = new QPushButton("Add &Row");
    auto* printButton = new QPushButton("&Print");
    auto* closeButton = new QPushButton("Close");
    for (auto* b : {addTableButton, deleteTableButton, addRowButton, printButton}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    top->addLayout(buttons);
    connect(addTableButton, &QPushButton::clicked, this, &TimeIntensityWindow::openAddTable);
    connect(deleteTableButton, &QPushButton::clicked, this, [this] { deleteTable(); });
    connect(addRowButton, &QPushButton::clicked, this, [this] { addRow(); });
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_location, &QComboBox::currentIndexChanged, this, [this] { onLocation(); });
    connect(m_frequency, &QComboBox::currentIndexChanged, this, [this] { onFrequency(); });
    connect(m_view, &TableGridView::rowsChanged, this, [this] { showPreview(false); });
    refreshLists({}, {});
    resize(900, 520);
}

TimeIntensityWindow::~TimeIntensityWindow() = default;

void TimeIntensityWindow::refreshLists(const QString& location, const QString& frequency) {
    db::Project* p = m_ctx.project();
    if (!p) return;
    m_filling = true;
    m_location->clear();
    m_location->addItem(QString());  // all tables
    for (const auto& l : editing::timeIntensityLocations(*p->db)) m_location->addItem(q(l));
    m_location->setCurrentIndex(std::max(0, m_location->findText(location, Qt::MatchFixedString)));
    m_filling = false;
    onLocation();
    if (!frequency.isEmpty()) {
        const int f = m_frequency->findText(frequency, Qt::MatchFixedString);
        if (f >= 0) m_frequency->setCurrentIndex(f);
    }
}

void TimeIntensityWindow::onLocation() {
    if (m_filling) return;
    db::Project* p = m_ctx.project();
    const std::string location = m_location->currentText().toStdString();
    m_filling = true;
    m_frequency->clear();
    m_frequency->addItem(QString());
    // No location chosen (as on opening): the frequencies of every table.
    if (p)
        for (const auto& f : trim(location).empty() ? editing::allTimeIntensityFrequencies(*p->db)
                                                    : editing::timeIntensityFrequencies(*p->db, location))
            m_frequency->addItem(q(f));
    m_frequency->setCurrentIndex(0);
    m_filling = false;
    onFrequency();
}

void TimeIntensityWindow::onFrequency() {
    if (m_filling) return;
    try {
        editing::selectTimeIntensityTable(*m_grid, m_location->currentText().toStdString(),
                                          m_frequency->currentText().toStdString());
    } catch (const std::exception& e) {
        ui::reportException(m_ctx.ui(), e);
    }
    m_view->refill();
    showPreview(true);
}

void TimeIntensityWindow::select(const QString& location, const QString& frequency) {
    const int l = m_location->findText(location, Qt::MatchFixedString);
    m_location->setCurrentIndex(std::max(0, l));
    const int f = m_frequency->findText(frequency, Qt::MatchFixedString);
    m_frequency->setCurrentIndex(std::max(0, f));
}

bool TimeIntensityWindow::addRow() {
    bool added = false;
    try {
        added = m_grid->addRow(m_ctx.ui());
    } catch (const std::exception& e) {
        ui::reportException(m_ctx.ui(), e);
    }
    if (added) {
        m_view->refill();
        m_view->setCurrentCell(m_view->rowCount() - 1, 2);
    }
    return added;
}

bool TimeIntensityWindow::deleteTable() {
    db::Project* p = m_ctx.project();
    const QString location = m_location->currentText(), frequency = m_frequency->currentText();
    if (!p) return false;
    if (location.trimmed().isEmpty() || frequency.trimmed().isEmpty()) {
        m_ctx.ui().message("MISSING DATA", "Select a location and a frequency first.", ui::Icon::Exclamation);
        return false;
    }
    bool deleted = false;
    try {
        deleted = editing::deleteTimeIntensityTable(*p->db, location.toStdString(), frequency.toStdString(), m_ctx.ui());
    } catch (const std::exception& e) {
        ui::reportException(m_ctx.ui(), e);
    }
    if (deleted) refreshLists(location, {});
    return deleted;
}

void TimeIntensityWindow::openAddTable() {
    if (m_ctx.base.scripted) return;
    AddTableDialog dialog(*this, this);
    dialog.exec();
}

bool TimeIntensityWindow::addTable(const QString& location, const QString& frequency) {
    db::Project* p = m_ctx.project();
    if (!p) return false;
    bool added = false;
    try {
        added = editing::addTimeIntensityTable(*p->db, location.toStdString(), frequency.toStdString(), m_ctx.ui());
    } catch (const std::exception& e) {
        ui::reportException(m_ctx.ui(), e);
    }
    if (added) refreshLists(location.trimmed(), frequency.trimmed());
    return added;
}

compute::ReportPreviewDialog* TimeIntensityWindow::print() {
    db::Project* p = m_ctx.project();
    if (!p) return nullptr;
    return compute::showTemplateReport(m_ctx.base,
                                    reports::reportRequest(reports::ReportCommand::TimeIntensity, "", p->metric), this);
}

void TimeIntensityWindow::showPreview(bool tellFaults) {
    db::Project* p = m_ctx.project();
    const std::string location = trim(m_location->currentText().toStdString());
    const std::string frequency = trim(m_frequency->currentText().toStdString());
    if (!p || location.empty() || frequency.empty()) {
        m_chart->show({}, "choose a location and a frequency", 90);
        return;
    }
    std::vector<editing::CurvePoint> points;
    try {
        // While rows are typed the table is often half filled: its messages wait for the next choice.
        ui::SilentUi quiet;
        points = editing::timeIntensityPreview(*p->db, tellFaults ? m_ctx.ui() : quiet, location, frequency);
    } catch (const std::exception& e) {
        ui::reportException(m_ctx.ui(), e);
    }
    m_chart->show(points, q(location + ", " + frequency), 90);
}

// ---- add table --------------------------------------------------------------------------------

AddTableDialog::AddTableDialog(TimeIntensityWindow& owner, QWidget* parent) : QDialog(parent), m_owner(owner) {
    setWindowTitle("Add Time-Intensity Table");
    setMinimumWidth(300);
    auto* form = new QFormLayout(this);
    m_location = new QLineEdit;
    m_frequency = new QLineEdit;
    m_location->setMaxLength(20);
    m_frequency->setMaxLength(20);
    form->addRow("Location", m_location);
    form->addRow("Frequency", m_frequency);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(box);
    connect(box, &QDialogButtonBox::accepted, this, &AddTableDialog::commit);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void AddTableDialog::commit() {
    if (m_owner.addTable(m_location->text(), m_frequency->text())) accept();
}

}  // namespace kolv::gui::editor_windows
