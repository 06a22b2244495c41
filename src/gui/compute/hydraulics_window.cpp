// The Compute Hydraulics window: run options, the storm tabulation run with its gauges, messages, results, reports and profile.
#include "gui/compute/hydraulics_window.h"

#include "gui/compute/t60_results_model.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <type_traits>

#include "common/text.h"
#include "review/check_storms.h"
#include "review/design_review.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "gui/common/listing_view.h"
#include "gui/compute/profile_view.h"
#include "gui/common/report_preview.h"
#include "gui/compute/results_grid.h"
#include "gui/compute/stale_bar.h"
#include "gui/compute/verification_window.h"
#include "gui/common/number_field.h"
#include "hydraulics/design_ranges.h"
#include "hydraulics/result_grid.h"
#include "hydraulics/result_headings.h"
#include "hydraulics/run_command.h"
#include "reports/text_report.h"
#include "sizing/pipe_sizing.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui::compute {

using hydraulics::HydraulicsOption;

namespace {

QString numberText(double v) { return q(shortestText(v)); }

QGroupBox* group(const char* caption) {
    auto* g = new QGroupBox(caption);
    return g;
}

}  // namespace

HydraulicsWindow::HydraulicsWindow(ComputeContext ctx, VerificationWindow* verification, QWidget* parent)
    : QDialog(parent), m_ctx(std::move(ctx)), m_verification(verification) {
    setWindowTitle("Compute Hydraulics");
    setObjectName("HydraulicsWindow");
    auto* v = new QVBoxLayout(this);
    m_systemLabel = new QLabel;
    QFont bold = m_systemLabel->font();
    bold.setBold(true);
    m_systemLabel->setFont(bold);
    v->addWidget(m_systemLabel);

    m_tabs = new QTabWidget;
    m_tabs->addTab(buildOptionsTab(), "Options");
    m_tabs->addTab(buildMessagesTab(), "Messages");
    m_tabs->addTab(buildProfileTab(), "Profile");
    // the last run's messages, marked when the data changed after it: one click computes again
    m_staleBar = new StaleBar(m_ctx, network::DesignStep::Hydraulics, m_messages, [this] { compute(); });
    v->addWidget(m_staleBar);
    v->addWidget(m_tabs, 1);

    // gauges of the pass loop and the commands
    auto* bottom = new QHBoxLayout;
    m_passText = new QLabel("Pass");
    m_passGauge = new QProgressBar;
    m_passGauge->setObjectName("passGauge");
    m_passGauge->setRange(0, 50);
    m_passGauge->setValue(0);
    m_passGauge->setFormat("%v");
    m_passGauge->setMaximumWidth(160);
    m_hglText = new QLabel("HGL dif");
    m_hglGauge = new QProgressBar;
    m_hglGauge->setObjectName("hglGauge");
    m_hglGauge->setRange(0, 100);
    m_hglGauge->setValue(0);
    m_hglGauge->setTextVisible(false);
    m_hglGauge->setMaximumWidth(160);
    m_hglGauge->setToolTip("Reaches the right end when the change of the grade line is within the Max. HGL Difference");
    bottom->addWidget(m_passText);
    bottom->addWidget(m_passGauge);
    bottom->addSpacing(10);
    bottom->addWidget(m_hglText);
    bottom->addWidget(m_hglGauge);
    bottom->addStretch(1);
    m_fullButton = new QPushButton("FULL");
    m_fullButton->setObjectName("computeButton0");
    m_fullButton->setToolTip("Every pipe flowing full: one backwater pass from the tailwater, without losses");
    m_computeButton = new QPushButton("Compute");
    m_computeButton->setObjectName("computeButton1");
    m_computeButton->setDefault(true);
    m_computeButton->setToolTip("Compute the storm tabulation of the current system");
    auto* verify = new QPushButton("Verify Data");
    verify->setObjectName("verifyButton");
    auto* close = new QPushButton("Close");
    bottom->addWidget(verify);
    bottom->addWidget(m_fullButton);
    bottom->addWidget(m_computeButton);
    bottom->addWidget(close);
    v->addLayout(bottom);

    connect(m_computeButton, &QPushButton::clicked, this, [this] { compute(); });
    connect(m_fullButton, &QPushButton::clicked, this, [this] { computeFull(); });
    connect(verify, &QPushButton::clicked, this, [this] { verifyData(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(1120, 760);
    loadOptions();
}

bool HydraulicsWindow::metric() const {
    db::Project* p = m_ctx.currentProject();
    return p && p->metric;
}

QWidget* HydraulicsWindow::buildOptionsTab() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    // Pipe Lengths
    auto* lengths = group("Pipe Lengths");
    auto* lv = new QVBoxLayout(lengths);
    m_lengthQuantity = new QRadioButton("Use quantity lengths for hydraulics");
    m_lengthHyd = new QRadioButton("Use center-to-center length for hydraulics");
    lv->addWidget(m_lengthQuantity);
    lv->addWidget(m_lengthHyd);
    m_controls["LVSINT1"] = m_lengthHyd;

    // Time of Concentration
    auto* tc = group("Time of Concentration");
    auto* tg = new QGridLayout(tc);
    m_tcComputed = new QRadioButton("Computed Time of Concentration (Tc)");
    m_tcFixed = new QRadioButton("Fixed Time of Concentration (Tc)");
    m_fixedTc = new QLineEdit;
    m_fixedTc->setMaximumWidth(80);
    m_minVelocityOn = new QCheckBox("Min. Velocity for Computing Travel Time (downstream Tc's)");
    m_minVelocityLabel = new QLabel("Min. Velocity (ft/s)");
    m_minVelocity = new QLineEdit;
    m_minVelocity->setMaximumWidth(80);
    tg->addWidget(m_tcComputed, 0, 0, 1, 3);
    tg->addWidget(m_tcFixed, 1, 0);
    tg->addWidget(m_fixedTc, 1, 1);
    tg->addWidget(new QLabel("(minutes)"), 1, 2);
    tg->addWidget(m_minVelocityOn, 2, 0, 1, 3);
    tg->addWidget(m_minVelocityLabel, 3, 0, Qt::AlignRight);
    tg->addWidget(m_minVelocity, 3, 1);
    m_controls["LVSINT3"] = m_tcFixed;
    m_controls["LVSSGL1"] = m_fixedTc;
    m_controls["LVSINT6"] = m_minVelocityOn;
    m_controls["LVSSGL2"] = m_minVelocity;

    // Tolerances of the pass loop
    auto* tol = group("Tolerances");
    auto* og = new QGridLayout(tol);
    m_maxPasses = new QLineEdit;
    m_maxPasses->setMaximumWidth(80);
    m_hglDif = new QLineEdit;
    m_hglDif->setMaximumWidth(80);
    og->addWidget(new QLabel("Max. Number of Iterations"), 0, 0);
    og->addWidget(m_maxPasses, 0, 1);
    auto* passPicks = new QHBoxLayout;
    for (const char* n : {"50", "250", "1000", "5000", "32000"}) {
        auto* b = new QPushButton(n);
        b->setObjectName(QString("passPick") + n);
        b->setMaximumWidth(56);
        connect(b, &QPushButton::clicked, this, [this, n] { m_maxPasses->setText(n); });
        passPicks->addWidget(b);
    }
    og->addLayout(passPicks, 1, 0, 1, 2);
    og->addWidget(new QLabel("Max. HGL Difference"), 2, 0);
    og->addWidget(m_hglDif, 2, 1);
    auto* hglPicks = new QHBoxLayout;
    for (const char* n : {".25", ".1", ".01", ".001", ".0001"}) {
        auto* b = new QPushButton(n);
        b->setObjectName(QString("hglPick") + n);
        b->setMaximumWidth(56);
        connect(b, &QPushButton::clicked, this, [this, n] { m_hglDif->setText(n); });
        hglPicks->addWidget(b);
    }
    og->addLayout(hglPicks, 3, 0, 1, 2);
    m_controls["LVSINT9"] = m_maxPasses;
    m_controls["LVSSGL3"] = m_hglDif;

    // Minor Losses
    auto* losses = group("Minor Losses");
    auto* mv = new QVBoxLayout(losses);
    m_methodDown = new QRadioButton("Use Velocity of Downstream Pipe (ZERI preferred)");
    m_methodUp = new QRadioButton("Use Velocity of Upstream Pipe with Highest Energy");
    m_exitLoss = new QCheckBox("Include Exit Loss (at Outfall)");
    m_junctionLoss = new QCheckBox("Include Junction Losses");
    mv->addWidget(m_methodDown);
    mv->addWidget(m_methodUp);
    mv->addWidget(m_exitLoss);
    mv->addWidget(m_junctionLoss);
    auto* presets = new QHBoxLayout;
    auto* withLosses = new QPushButton("Setup: Include Minor Losses");
    withLosses->setObjectName("presetMinorLosses");
    auto* zeri = new QPushButton("ZERI Setup: No minor losses");
    zeri->setObjectName("presetZeri");
    presets->addWidget(withLosses);
    presets->addWidget(zeri);
    mv->addLayout(presets);
    connect(withLosses, &QPushButton::clicked, this, [this] { applyPreset(true); });
    connect(zeri, &QPushButton::clicked, this, [this] { applyPreset(false); });
    m_controls["LVSINT2"] = m_methodUp;
    m_controls["LVSINT4"] = m_exitLoss;
    m_controls["LVSINT5"] = m_junctionLoss;

    // Backwater
    auto* backwater = group("Backwater (HGL) Computation");
    auto* bv = new QVBoxLayout(backwater);
    m_jumpToCrown = new QRadioButton("For Non-Partial Flow, Adjust HGL Up to Pipe Crown (ZERI required)");
    m_downstreamHgl = new QRadioButton("HGL Elevation Totally Dependent on Downstream HGL");
    bv->addWidget(m_jumpToCrown);
    bv->addWidget(m_downstreamHgl);
    m_controls["LVSINT11"] = m_jumpToCrown;

    // Exfiltration
    auto* exfil = group("Exfiltration");
    auto* ev = new QVBoxLayout(exfil);
    m_deepWell = new QCheckBox("Deep Well");
    m_frenchDrain = new QCheckBox("French Drain");
    m_noNegative = new QCheckBox("Do NOT Allow Total Flow (Q) to be Negative");
    ev->addWidget(m_deepWell);
    ev->addWidget(m_frenchDrain);
    ev->addWidget(m_noNegative);
    m_controls["LVSINT7"] = m_deepWell;
    m_controls["LVSINT8"] = m_frenchDrain;
    m_controls["LVSINT10"] = m_noNegative;

    // Other options and the reports
    auto* other = group("Other");
    auto* xg = new QGridLayout(other);
    m_minPhysVelocity = new QLineEdit;
    m_minPhysVelocity->setMaximumWidth(80);
    m_minPhysVelocity->setToolTip("Velocity (ft/s) at which the minimum physical slope of each pipe is listed");
    xg->addWidget(new QLabel("Min. Physical Velocity"), 0, 0);
    xg->addWidget(m_minPhysVelocity, 0, 1);
    m_inletWarning = new QCheckBox("Show Warning if Surface Runoff Exceeds Inlet Capacity");
    m_inletWarning->setObjectName("inletWarning");
    m_inletWarning->setToolTip("List the inlets whose own runoff is more than the structure's inlet capacity");
    m_controls["LVSINT12"] = m_inletWarning;
    xg->addWidget(m_inletWarning, 1, 0, 1, 2);
    m_verifyFirst = new QCheckBox("Verify Node && Reach Data first");
    m_verifyFirst->setObjectName("verifyFirst");
    xg->addWidget(m_verifyFirst, 2, 0, 1, 2);
    m_controls["LVSSGL4"] = m_minPhysVelocity;

    auto* reportsBox = group("Reports");
    auto* rg = new QGridLayout(reportsBox);
    m_layout = new QComboBox;
    m_layout->addItem("Standard layout");
    m_layout->addItem("Units in the headings");
    m_layout->addItem("Wide (one line per reach)");
    m_ditchPage = new QComboBox;
    m_ditchPage->addItem("Ditch summary");
    m_ditchPage->addItem("Ditch geometry");
    m_ditchPage->addItem("Ditch depths");
    m_ditchPage->addItem("Ditch limits");
    rg->addWidget(new QLabel("Layout:"), 0, 0);
    rg->addWidget(m_layout, 0, 1, 1, 2);
    rg->addWidget(new QLabel("Ditch page:"), 1, 0);
    rg->addWidget(m_ditchPage, 1, 1, 1, 2);
    auto* tabsButton = new QPushButton("Storm Tabs");
    tabsButton->setObjectName("stormTabsButton");
    auto* zeriButton = new QPushButton("ZERI Tabs");
    zeriButton->setObjectName("zeriTabsButton");
    auto* ditchButton = new QPushButton("Ditches");
    ditchButton->setObjectName("ditchesButton");
    rg->addWidget(tabsButton, 2, 0);
    rg->addWidget(zeriButton, 2, 1);
    rg->addWidget(ditchButton, 2, 2);
    connect(tabsButton, &QPushButton::clicked, this, [this] { printStormTabs(); });
    connect(zeriButton, &QPushButton::clicked, this, [this] { printZeriTabs(); });
    connect(ditchButton, &QPushButton::clicked, this, [this] { printDitches(); });

    grid->addWidget(lengths, 0, 0);
    grid->addWidget(tc, 1, 0);
    grid->addWidget(tol, 2, 0);
    grid->addWidget(losses, 0, 1, 2, 1);
    grid->addWidget(backwater, 2, 1);
    grid->addWidget(exfil, 3, 0);
    grid->addWidget(other, 3, 1);
    grid->addWidget(reportsBox, 4, 0, 1, 2);
    grid->setRowStretch(5, 1);

    // every change is stored at once
    connect(m_lengthHyd, &QRadioButton::toggled, this, [this] { storeOption(HydraulicsOption::UseHydLength); });
    connect(m_methodUp, &QRadioButton::toggled, this, [this] { storeOption(HydraulicsOption::JunctionMethod); });
    connect(m_tcFixed, &QRadioButton::toggled, this, [this] { storeOption(HydraulicsOption::FixedTc); });
    connect(m_jumpToCrown, &QRadioButton::toggled, this, [this] { storeOption(HydraulicsOption::JumpToCrown); });
    connectOption(m_exitLoss, HydraulicsOption::ExitLoss);
    connectOption(m_junctionLoss, HydraulicsOption::JunctionLosses);
    connectOption(m_minVelocityOn, HydraulicsOption::MinVelocityInForce);
    connectOption(m_deepWell, HydraulicsOption::DeepWell);
    connectOption(m_frenchDrain, HydraulicsOption::FrenchDrain);
    connectOption(m_noNegative, HydraulicsOption::NoNegativeFlow);
    connectOption(m_inletWarning, HydraulicsOption::InletCapacityWarning);
    connectText(m_maxPasses, HydraulicsOption::MaxPasses);
    connectText(m_hglDif, HydraulicsOption::MaxHglDifference);
    connectText(m_fixedTc, HydraulicsOption::FixedTcValue);
    connectText(m_minVelocity, HydraulicsOption::MinVelocity);
    connectText(m_minPhysVelocity, HydraulicsOption::MinPhysicalVelocity);
    // every typed option is read strictly, in the range the run accepts
    const auto watch = [this](QLineEdit* e, hydraulics::DesignValue value) {
        watchNumberField(
            e, [this, value](std::string_view t) { return hydraulics::checkDesignValue(value, t, metric()); },
            [this](const QString& text) {
                if (m_ctx.ui) m_ctx.ui->status(text.toStdString());
            });
    };
    watch(m_maxPasses, hydraulics::DesignValue::MaxPasses);
    watch(m_hglDif, hydraulics::DesignValue::MaxHglDifference);
    watch(m_minVelocity, hydraulics::DesignValue::MinVelocity);
    watch(m_minPhysVelocity, hydraulics::DesignValue::MinPhysicalVelocity);
    // a fixed Tc counts only while the fixed-Tc switch is on (0 stands for "none" otherwise)
    watchNumberField(
        m_fixedTc,
        [this](std::string_view t) {
            if (m_tcFixed->isChecked()) return hydraulics::checkDesignValue(hydraulics::DesignValue::FixedTc, t, metric());
            input::NumberRule r = hydraulics::designRule(hydraulics::DesignValue::FixedTc, metric());
            r.min = 0;
            return input::checkNumber(t, hydraulics::designCaption(hydraulics::DesignValue::FixedTc, metric()), r);
        },
        [this](const QString& text) {
            if (m_ctx.ui) m_ctx.ui->status(text.toStdString());
        });
    connect(m_tcFixed, &QRadioButton::toggled, this, [this] { recheckNumberField(m_fixedTc); });
    return page;
}

QWidget* HydraulicsWindow::buildMessagesTab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* split = new QSplitter(Qt::Vertical);
    auto* top = new QWidget;
    auto* tv = new QVBoxLayout(top);
    tv->setContentsMargins(0, 0, 0, 0);
    m_messages = new ListingView;
    m_messages->setObjectName("messageList");
    if (db::Project* p = m_ctx.currentProject()) applyResultsColors(m_messages, *p->db);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Messages of the last run"));
    row->addStretch(1);
    auto* print = new QPushButton("Print Messages");
    print->setObjectName("printMessagesButton");
    row->addWidget(print);
    tv->addLayout(row);
    // stops and warnings first; the pass-by-pass progress folded away, the whole listing kept in order
    m_messageGroups = new QTreeWidget;
    m_messageGroups->setObjectName("messageGroups");
    m_messageGroups->setHeaderHidden(true);
    m_messageGroups->setUniformRowHeights(true);
    tv->addWidget(m_messageGroups, 1);
    m_messages->hide();
    tv->addWidget(m_messages, 1);
    split->addWidget(top);

    auto* bottom = new QWidget;
    auto* bv = new QVBoxLayout(bottom);
    bv->setContentsMargins(0, 0, 0, 0);
    bv->addWidget(new QLabel("Results of the system (T60)"));
    m_resultsModel = new T60ResultsModel(
        [ctx = m_ctx]() -> db::Database* {
            db::Project* p = ctx.currentProject();
            return p ? p->db.get() : nullptr;
        },
        bottom);
    m_resultsModel->setEngineeringView(true);
    m_resultsGrid = new ResultsGrid(m_resultsModel, "hydraulics");
    m_results = m_resultsGrid->view();
    bv->addWidget(m_resultsGrid, 1);
    split->addWidget(bottom);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    v->addWidget(split);
    connect(print, &QPushButton::clicked, this, [this] { printMessages(); });
    return page;
}

QWidget* HydraulicsWindow::buildProfileTab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("From node:"));
    m_profileStart = new QComboBox;
    m_profileStart->setObjectName("profileStart");
    m_profileStart->setMinimumContentsLength(10);
    m_profileStart->setToolTip("The profile runs from this node down to the outfall");
    row->addWidget(m_profileStart);
    auto* longest = new QPushButton("Longest Path");
    longest->setToolTip("Start at the node farthest from the outfall");
    row->addWidget(longest);
    row->addSpacing(12);
    m_profileMetric = new QRadioButton("Metric Units");
    m_profileEnglish = new QRadioButton("English Units");
    row->addWidget(m_profileMetric);
    row->addWidget(m_profileEnglish);
    row->addSpacing(12);
    row->addWidget(new QLabel("Vertical exaggeration:"));
    m_exaggeration = new QComboBox;
    m_exaggeration->addItem("Auto", 0.0);
    for (double e : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0}) m_exaggeration->addItem(numberText(e) + " : 1", e);
    row->addWidget(m_exaggeration);
    row->addSpacing(12);
    auto* scenarios = new QToolButton;
    scenarios->setObjectName("profileScenarios");
    scenarios->setText("Check Storms");
    scenarios->setToolTip("The check storms whose grade lines the profile draws");
    scenarios->setPopupMode(QToolButton::InstantPopup);
    m_scenarioMenu = new QMenu(scenarios);
    scenarios->setMenu(m_scenarioMenu);
    row->addWidget(scenarios);
    row->addStretch(1);
    auto* refresh = new QPushButton("Refresh");
    refresh->setObjectName("profileRefresh");
    auto* png = new QPushButton("Export PNG...");
    auto* pdf = new QPushButton("Export PDF...");
    row->addWidget(refresh);
    row->addWidget(png);
    row->addWidget(pdf);
    v->addLayout(row);

    auto* statusBox = new QGroupBox("Node && Reach Status");
    auto* sh = new QHBoxLayout(statusBox);
    const char* names[6] = {"Existing", "Proposed", "Future1", "Future2", "Future3", "Future4"};
    for (int i = 0; i < 6; ++i) {
        m_status[i] = new QCheckBox(names[i]);
        m_status[i]->setChecked(true);
        sh->addWidget(m_status[i]);
        connect(m_status[i], &QCheckBox::toggled, this, [this] { refreshProfile(); });
    }
    sh->addStretch(1);
    v->addWidget(statusBox);

    m_profile = new ProfileView;
    m_profile->setObjectName("profileView");
    v->addWidget(m_profile, 1);

    connect(refresh, &QPushButton::clicked, this, [this] { refreshProfile(); });
    connect(longest, &QPushButton::clicked, this, [this] {
        setProfileStart(m_profileModel.longestPathStart());
        refreshProfile();
    });
    connect(m_exaggeration, &QComboBox::currentIndexChanged, this,
            [this] { m_profile->setExaggeration(m_exaggeration->currentData().toDouble()); });
    connect(png, &QPushButton::clicked, this, [this] {
        if (m_ctx.scripted || !m_profile->hasProfile()) return;
        QString path = QFileDialog::getSaveFileName(this, "Export Profile", "profile.png", "PNG images (*.png)");
        if (!path.isEmpty() && !m_profile->exportPng(path, QSize(2200, 1250)))
            m_ctx.ui->message("Export Profile", "The image " + path.toStdString() + " could not be written.",
                              ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
    });
    connect(pdf, &QPushButton::clicked, this, [this] {
        if (m_ctx.scripted || !m_profile->hasProfile()) return;
        QString path = QFileDialog::getSaveFileName(this, "Export Profile", "profile.pdf", "PDF files (*.pdf)");
        if (!path.isEmpty() && !m_profile->exportPdf(path))
            m_ctx.ui->message("Export Profile", "The file " + path.toStdString() + " could not be written.",
                              ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
    });
    return page;
}

void HydraulicsWindow::connectOption(QAbstractButton* button, HydraulicsOption which) {
    connect(button, &QAbstractButton::toggled, this, [this, which] { storeOption(which); });
}

void HydraulicsWindow::connectText(QLineEdit* edit, HydraulicsOption which) {
    connect(edit, &QLineEdit::textChanged, this, [this, which] { storeOption(which); });
}

QWidget* HydraulicsWindow::control(const std::string& field) const {
    auto it = m_controls.find(field);
    return it == m_controls.end() ? nullptr : it->second;
}

void HydraulicsWindow::readControls() {
    m_opts.useHydLength = m_lengthHyd->isChecked();
    m_opts.junctionMethod = m_methodUp->isChecked() ? hydraulics::kJunctionMethodUpstream
                                                    : hydraulics::kJunctionMethodDownstream;
    m_opts.fixedTc = m_tcFixed->isChecked();
    m_opts.exitLoss = m_exitLoss->isChecked();
    m_opts.junctionLosses = m_junctionLoss->isChecked();
    m_opts.minVelocityInForce = m_minVelocityOn->isChecked();
    m_opts.deepWell = m_deepWell->isChecked();
    m_opts.frenchDrain = m_frenchDrain->isChecked();
    m_opts.noNegativeFlow = m_noNegative->isChecked();
    m_opts.jumpToCrown = m_jumpToCrown->isChecked();
    m_opts.inletCapacityWarning = m_inletWarning->isChecked();
    // a typed number counts once it is whole and within its range; a refused one keeps the last good value
    const auto take = [](const QLineEdit* e, auto& target) {
        const input::NumberCheck c = checkNumberField(e);
        if (c.ok()) target = static_cast<std::remove_reference_t<decltype(target)>>(*c.value);
    };
    take(m_maxPasses, m_opts.maxPasses);
    take(m_hglDif, m_opts.maxHglDifferenceFt);
    take(m_fixedTc, m_opts.fixedTcMin);
    // typed in the project's units, held in ft/s
    if (const input::NumberCheck v = checkNumberField(m_minVelocity); v.ok())
        m_opts.minVelocityFps = hydraulics::velocityFps(*v.value, metric());
    take(m_minPhysVelocity, m_opts.minPhysicalVelocityFps);
}

bool HydraulicsWindow::typedValuesAccepted() {
    for (QLineEdit* e : {m_maxPasses, m_hglDif, m_fixedTc, m_minVelocity, m_minPhysVelocity})
        if (!readNumberField(e, m_ctx.ui)) return false;
    return true;
}

void HydraulicsWindow::storeOption(HydraulicsOption which) {
    if (m_loading) return;
    readControls();
    db::Project* p = m_ctx.currentProject();
    if (!p) return;
    try {
        hydraulics::saveHydraulicsOption(*p->db, m_opts, which, p->metric);
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
    }
}

void HydraulicsWindow::showOptions(const hydraulics::HydraulicsOptions& o) {
    m_loading = true;
    const bool met = metric();
    m_opts = o;
    (o.useHydLength ? m_lengthHyd : m_lengthQuantity)->setChecked(true);
    (o.junctionMethod == hydraulics::kJunctionMethodUpstream ? m_methodUp : m_methodDown)->setChecked(true);
    (o.fixedTc ? m_tcFixed : m_tcComputed)->setChecked(true);
    (o.jumpToCrown ? m_jumpToCrown : m_downstreamHgl)->setChecked(true);
    m_exitLoss->setChecked(o.exitLoss);
    m_junctionLoss->setChecked(o.junctionLosses);
    m_minVelocityOn->setChecked(o.minVelocityInForce);
    m_deepWell->setChecked(o.deepWell);
    m_frenchDrain->setChecked(o.frenchDrain);
    m_noNegative->setChecked(o.noNegativeFlow);
    m_inletWarning->setChecked(o.inletCapacityWarning);
    m_maxPasses->setText(QString::number(o.maxPasses));
    m_hglDif->setText(numberText(o.maxHglDifferenceFt));
    m_fixedTc->setText(numberText(o.fixedTcMin));
    m_minVelocity->setText(q(hydraulics::formatMinVelocity(o.minVelocityFps, met)));
    m_minVelocityLabel->setText(q(hydraulics::minVelocityCaption(met)));
    m_minPhysVelocity->setText(q(vbFormat(o.minPhysicalVelocityFps, "0.00")));
    m_loading = false;
}

void HydraulicsWindow::refreshResults() {
    fillResults();
    fillProfileNodes();
    if (m_profile->hasProfile()) refreshProfile(true);  // the drawing follows the stored results
    updateStale();
}

void HydraulicsWindow::updateStale() {
    if (m_staleBar->refresh()) showMessageGroups();
}

void HydraulicsWindow::loadOptions() {
    db::Project* p = m_ctx.currentProject();
    if (!p) return;
    std::string system = m_ctx.currentSystem();
    m_systemLabel->setText(q("Storm sewer system: " + system + p->unitName()));
    try {
        showOptions(hydraulics::loadHydraulicsOptions(*p->db, p->metric));
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
    }
    (p->metric ? m_profileMetric : m_profileEnglish)->setChecked(true);
    refreshResults();
}

void HydraulicsWindow::applyPreset(bool minorLosses) {
    // each control writes its own field as it changes, as when the engineer types
    readControls();
    const hydraulics::HydraulicsOptions o = hydraulics::withSetup(m_opts, minorLosses, metric());
    m_hglDif->setText(numberText(o.maxHglDifferenceFt));
    m_maxPasses->setText(QString::number(o.maxPasses));
    m_minVelocity->setText(q(hydraulics::formatMinVelocity(o.minVelocityFps, metric())));
    m_exitLoss->setChecked(o.exitLoss);
    m_junctionLoss->setChecked(o.junctionLosses);
}

hydraulics::RunHooks HydraulicsWindow::hooks() {
    hydraulics::RunHooks h;
    h.progress = [this](const hydraulics::PassProgress& p) {
        m_passGauge->setMaximum(std::max(1, p.maxPasses));
        m_passGauge->setValue(std::min(p.pass, m_passGauge->maximum()));
        m_passText->setText(QString("Pass %1").arg(p.pass));
        // the gauge fills as the change of the grade line comes down to the tolerance
        double tol = m_opts.maxHglDifferenceFt > 0 ? m_opts.maxHglDifferenceFt : hydraulics::kDefaultMaxHglDifferenceFt;
        double dif = std::fabs(p.hglDifference);
        int value = dif <= tol ? 100 : static_cast<int>(std::lround(100.0 * tol / dif));
        m_hglGauge->setValue(std::clamp(value, 0, 100));
        m_hglText->setText(q("HGL dif " + vbFormat(dif, "0.0000")));
        if (m_ctx.ui) m_ctx.ui->processEvents();
    };
    h.maxPassesPrompt = [this](const std::string& text) -> bool {
        if (m_ctx.scripted) {
            m_ctx.ui->message("WARNING", text, ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
            return m_ctx.scriptedDoNotShowAgain;
        }
        QMessageBox box(QMessageBox::Warning, "WARNING", QString::fromStdString(text), QMessageBox::Ok, this);
        auto* again = new QCheckBox("Do not show this message again");
        box.setCheckBox(again);
        box.exec();
        return again->isChecked();
    };
    return h;
}

void HydraulicsWindow::setRunning(bool running) {
    m_computeButton->setEnabled(!running);
    m_fullButton->setEnabled(!running);
    if (m_ctx.ui) m_ctx.ui->busy(running);
    if (running) {
        m_passGauge->setValue(0);
        m_hglGauge->setValue(0);
        m_passText->setText("Pass");
        m_hglText->setText("HGL dif");
    }
}

void HydraulicsWindow::showMessageGroups() {
    m_messageGroups->clear();
    const hydraulics::RunMessageGroups g = hydraulics::groupRunMessages(m_messages->lines());
    const auto group = [this](const QString& title, const std::vector<std::string>& lines, bool open) {
        if (lines.empty()) return;
        auto* top = new QTreeWidgetItem(m_messageGroups, {title.arg(lines.size())});
        QFont bold = top->font(0);
        bold.setBold(true);
        top->setFont(0, bold);
        for (const auto& l : lines) new QTreeWidgetItem(top, {q(l)});
        top->setExpanded(open);
    };
    group("Stops and results to look at (%1)", g.stops, true);
    group("Warnings (%1)", g.warnings, true);
    group("Progress of the run (%1 lines)", g.progress, false);
}

void HydraulicsWindow::afterRun(int status, const std::vector<std::string>& lines) {
    m_messages->addLines(lines);
    showMessageGroups();
    if (status == 0) {
        fillResults();
        fillProfileNodes();
        if (m_profile->hasProfile()) refreshProfile(true);
    }
    m_tabs->setCurrentIndex(1);
}

void HydraulicsWindow::noteRun() { m_staleBar->noteRun(); }

bool HydraulicsWindow::compute() {
    db::Project* p = m_ctx.currentProject();
    if (!p || !m_ctx.ui || !m_ctx.session) return false;
    if (!typedValuesAccepted()) return false;
    readControls();
    m_messages->clearLines();
    m_messageGroups->clear();
    setRunning(true);
    bool ok = false;
    try {
        const bool verifyFirst = m_verifyFirst->isChecked() && m_verification;
        hydraulics::RunHooks h = hooks();
        if (verifyFirst) {
            m_verification->beginRun();  // the findings appear while the run goes on
            h.verificationLine = m_verification->lineSink();
        }
        auto outcome = hydraulics::computeHydraulics(*p, *m_ctx.session, *m_ctx.ui, m_opts, m_ctx.currentSystem(),
                                                     verifyFirst, h);
        showOptions(outcome.options);
        if (verifyFirst) m_verification->finishRun(outcome.run.verificationLines);
        if (outcome.started || !outcome.run.messages.empty()) afterRun(outcome.run.status, outcome.run.messages);
        ok = outcome.started && outcome.run.status == 0;
        noteRun();
        if (ok) m_ctx.notifyChanged();
        noteRun();
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
    }
    setRunning(false);
    return ok;
}

bool HydraulicsWindow::computeFull() {
    db::Project* p = m_ctx.currentProject();
    if (!p || !m_ctx.ui || !m_ctx.session) return false;
    if (!typedValuesAccepted()) return false;
    readControls();
    bool ok = false;
    try {
        auto check = hydraulics::validateComputeOptions(m_opts, p->metric, *m_ctx.ui);
        hydraulics::saveHydraulicsOptions(*p->db, check.options, p->metric);
        showOptions(check.options);
        if (!check.valid) return false;
        m_messages->clearLines();
        m_messageGroups->clear();
        setRunning(true);
        sizing::FullFlowOptions full;
        full.useMinVelocity = m_opts.minVelocityInForce;
        full.minVelocityFps = m_opts.minVelocityFps;
        full.verifyFirst = m_verifyFirst->isChecked() && m_verification;
        if (full.verifyFirst) {
            m_verification->beginRun();
            full.onVerificationLine = m_verification->lineSink();
        }
        auto result = sizing::computeFullFlow(*p, *m_ctx.ui, m_ctx.currentSystem(), full);
        if (full.verifyFirst) m_verification->finishRun(result.verificationLines);
        std::vector<std::string> lines = result.messages;
        lines.insert(lines.end(), result.lines.begin(), result.lines.end());
        afterRun(result.status, lines);
        noteRun();
        if (result.status == 0) m_ctx.notifyChanged();
        noteRun();
        ok = result.status == 0;
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
    }
    setRunning(false);
    return ok;
}

void HydraulicsWindow::verifyData() {
    if (m_verification) m_verification->runVerification();
}

reports::LayoutOptions HydraulicsWindow::layoutOptions() const {
    reports::LayoutOptions o;
    switch (m_layout->currentIndex()) {
        case 1: o.variant = reports::LayoutOptions::Variant::Units; break;
        case 2: o.variant = reports::LayoutOptions::Variant::Wide; break;
        default: o.variant = reports::LayoutOptions::Variant::Standard; break;
    }
    o.ditchPage = m_ditchPage->currentIndex();
    return o;
}

ReportPreviewDialog* HydraulicsWindow::printReport(reports::ReportCommand command) {
    db::Project* p = m_ctx.currentProject();
    if (!p) return nullptr;
    return showTemplateReport(m_ctx, reports::reportRequest(command, m_ctx.currentSystem(), p->metric, layoutOptions()),
                              this);
}

ReportPreviewDialog* HydraulicsWindow::printStormTabs() { return printReport(reports::ReportCommand::StormTabs); }
ReportPreviewDialog* HydraulicsWindow::printZeriTabs() { return printReport(reports::ReportCommand::ZeriTabs); }
ReportPreviewDialog* HydraulicsWindow::printDitches() { return printReport(reports::ReportCommand::Ditches); }

ReportPreviewDialog* HydraulicsWindow::printMessages() {
    return showTextReport(m_ctx, std::string(reports::kHydraulicsReportTitle) + m_ctx.currentSystem(),
                          m_messages->lines(), this);
}

void HydraulicsWindow::fillResults() {
    db::Project* p = m_ctx.currentProject();
    if (!p) return;
    try {
        m_resultsModel->load(m_ctx.currentSystem());
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
    }
}

void HydraulicsWindow::fillProfileNodes() {
    db::Project* p = m_ctx.currentProject();
    if (!p) return;
    std::string system = m_ctx.currentSystem();
    m_profileModel = hydraulics::ProfileModel(hydraulics::readProfileRows(*p->db, system), hydraulics::readProfileOutfall(*p->db, system));
    QString previous = m_profileStart->currentText();
    m_profileStart->clear();
    for (const auto& r : m_profileModel.rows()) m_profileStart->addItem(q(r.from));
    int keep = m_profileStart->findText(previous);
    if (keep >= 0) m_profileStart->setCurrentIndex(keep);
    else setProfileStart(m_profileModel.longestPathStart());
}

void HydraulicsWindow::fillScenarioMenu(const std::vector<std::string>& names) {
    if (names == m_scenarioNames) return;  // the entries (and a toggle in progress) stay as they are
    m_scenarioNames = names;
    m_scenarioMenu->clear();
    for (const auto& name : names) {
        QAction* a = m_scenarioMenu->addAction(q(name));
        a->setCheckable(true);
        a->setChecked(std::find(m_hiddenScenarios.begin(), m_hiddenScenarios.end(), name) == m_hiddenScenarios.end());
        connect(a, &QAction::toggled, this, [this, name](bool shown) {
            auto at = std::find(m_hiddenScenarios.begin(), m_hiddenScenarios.end(), name);
            if (shown && at != m_hiddenScenarios.end()) m_hiddenScenarios.erase(at);
            if (!shown && at == m_hiddenScenarios.end()) m_hiddenScenarios.push_back(name);
            refreshProfile();
        });
    }
}

void HydraulicsWindow::setProfileStart(const std::string& node) {
    int i = m_profileStart->findText(q(node), Qt::MatchFixedString);
    if (i >= 0) m_profileStart->setCurrentIndex(i);
}

void HydraulicsWindow::refreshProfile(bool quiet) {
    db::Project* p = m_ctx.currentProject();
    if (!p || !m_ctx.ui) return;
    try {
        std::string system = m_ctx.currentSystem();
        // the profile always shows what the last run wrote
        m_profileModel = hydraulics::ProfileModel(hydraulics::readProfileRows(*p->db, system), hydraulics::readProfileOutfall(*p->db, system));
        std::string start = m_profileStart->currentText().toStdString();
        if (m_profileModel.pathFrom(start).empty()) {
            m_profile->clearProfile();
            return;
        }
        auto zeros = m_profileModel.zeroFieldMessages(start);
        if (!zeros.empty()) {
            if (!quiet)
                for (const auto& text : zeros)
                    m_ctx.ui->message("", text, ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
            m_profile->clearProfile();
            return;
        }
        hydraulics::StatusFilter filter;
        for (int i = 0; i < 6; ++i) filter[i] = m_status[i]->isChecked();
        hydraulics::ProfileGeometry g = m_profileModel.build(start, m_profileMetric->isChecked(), filter);
        // the check storms kept for the system, beside the design's grade line
        auto scenarios = review::loadScenarios(*p->db, system);
        std::vector<std::string> names;
        for (const auto& s : scenarios) names.push_back(s.storm.name);
        fillScenarioMenu(names);
        review::addScenarioGradeLines(g, scenarios, m_hiddenScenarios);
        review::addReviewMarks(g, review::reviewSystem(*p, system, review::loadCriteria(*p)));
        std::string heading = "HYDRAULIC PROFILE - " + system + ": " + g.title;
        m_profile->setProfile(std::move(g), heading);
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
    }
}

}  // namespace kolv::gui::compute
