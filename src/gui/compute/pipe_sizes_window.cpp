// The Compute Pipe Sizes window: pipe group, velocity or grade-line limit, minimum velocity, the selection list.
#include "gui/compute/pipe_sizes_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "gui/common/listing_view.h"
#include "gui/common/report_preview.h"
#include "gui/compute/stale_bar.h"
#include "gui/compute/verification_window.h"
#include "gui/common/number_field.h"
#include "hydraulics/design_ranges.h"
#include "hydraulics/hydraulics_options.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui::compute {

namespace {
/// The field's value when it is accepted, otherwise `fallback`.
double typed(const QLineEdit* e, double fallback) {
    const input::NumberCheck c = checkNumberField(e);
    return c.ok() ? *c.value : fallback;
}
}  // namespace

PipeSizesWindow::PipeSizesWindow(ComputeContext ctx, VerificationWindow* verification, QWidget* parent)
    : QDialog(parent), m_ctx(std::move(ctx)), m_verification(verification) {
    setWindowTitle("Compute Pipe Sizes");
    setObjectName("PipeSizesWindow");
    db::Project* p = m_ctx.currentProject();
    m_metric = p && p->metric;
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(q("System: " + m_ctx.currentSystem() + (p ? p->unitName() : std::string()))));

    auto* box = new QGroupBox("Pipe Selection");
    auto* g = new QGridLayout(box);
    m_group = new QComboBox;
    m_group->setObjectName("groupList");
    if (p)
        for (int grp : sizing::pipeGroups(*p->db, p->engMet())) m_group->addItem(QString::number(grp), grp);
    g->addWidget(new QLabel("Pipe group:"), 0, 0);
    g->addWidget(m_group, 0, 1);
    m_byVelocity = new QRadioButton("Velocity");
    m_byHgl = new QRadioButton("Hydraulic Grade Line (friction slope)");
    m_byHgl->setObjectName("hglCriterion");
    g->addWidget(new QLabel("Criterion:"), 1, 0);
    g->addWidget(m_byVelocity, 1, 1);
    g->addWidget(m_byHgl, 1, 2);
    m_limitLabel = new QLabel;
    m_limit = new QLineEdit;
    m_limit->setMaximumWidth(90);
    g->addWidget(m_limitLabel, 2, 0);
    g->addWidget(m_limit, 2, 1);
    m_useMin = new QCheckBox("Use a minimum velocity for computing travel time");
    m_useMin->setChecked(true);
    m_minLabel = new QLabel(m_metric ? "Min. Velocity (m/s)" : "Min. Velocity (ft/s)");
    m_minVelocity = new QLineEdit;
    m_minVelocity->setMaximumWidth(90);
    g->addWidget(m_useMin, 3, 0, 1, 3);
    g->addWidget(m_minLabel, 4, 0);
    g->addWidget(m_minVelocity, 4, 1);
    m_notSmaller = new QCheckBox("Never choose a pipe smaller than the largest pipe coming in");
    m_verifyFirst = new QCheckBox("Verify Node && Reach Data first");
    g->addWidget(m_notSmaller, 5, 0, 1, 3);
    g->addWidget(m_verifyFirst, 6, 0, 1, 3);
    g->setColumnStretch(3, 1);
    v->addWidget(box);

    m_list = new ListingView;
    m_list->setObjectName("sizingList");
    if (p) applyResultsColors(m_list, *p->db);
    m_staleBar = new StaleBar(m_ctx, network::DesignStep::PipeSizes, m_list, [this] { this->compute(); });
    v->addWidget(m_staleBar);
    v->addWidget(m_list, 1);
    addListingButtons(this, v, [this] { this->compute(); }, [this] { printList(); });

    // window defaults: 10 ft/s (3.048 m/s) or a 1 % friction slope; 2.0 ft/s for travel time
    const sizing::SizingOptions d = sizing::SizingOptions::defaults();
    m_maxVelocity = hydraulics::velocityInProjectUnits(d.maxVelocityFps, m_metric);
    m_maxSlope = d.maxHglSlopePercent;
    m_minVelocity->setText(q(vbFormat(hydraulics::velocityInProjectUnits(d.minVelocityFps, m_metric), "0.000")));
    const auto status = [this](const QString& text) {
        if (m_ctx.ui) m_ctx.ui->status(text.toStdString());
    };
    watchNumberField(
        m_limit,
        [this](std::string_view t) {
            return hydraulics::checkDesignValue(m_byHgl->isChecked() ? hydraulics::DesignValue::MaxHglSlope
                                                                     : hydraulics::DesignValue::MaxVelocity,
                                                t, m_metric);
        },
        status);
    watchNumberField(
        m_minVelocity,
        [this](std::string_view t) { return hydraulics::checkDesignValue(hydraulics::DesignValue::MinVelocity, t, m_metric); },
        status);
    m_byVelocity->setChecked(true);
    criterionChanged();
    connect(m_byHgl, &QRadioButton::toggled, this, [this] {
        // keep the value of the criterion that was shown (a refused text keeps the last good one)
        if (m_byHgl->isChecked()) m_maxVelocity = typed(m_limit, m_maxVelocity);
        else m_maxSlope = typed(m_limit, m_maxSlope);
        criterionChanged();
    });
    connect(m_useMin, &QCheckBox::toggled, this, [this](bool on) {
        m_minVelocity->setEnabled(on);
        m_minLabel->setEnabled(on);
    });
    resize(940, 640);
    m_staleBar->refresh();  // the last sizing of the system, if any
}

void PipeSizesWindow::criterionChanged() {
    if (m_byHgl->isChecked()) {
        m_limitLabel->setText("Max. HGL Slope (%)");
        m_limit->setText(q(vbFormat(m_maxSlope, "0.000")));
    } else {
        m_limitLabel->setText(m_metric ? "Max. Velocity (m/s)" : "Max. Velocity (ft/s)");
        m_limit->setText(q(vbFormat(m_maxVelocity, "0.000")));
    }
}

sizing::SizingOptions PipeSizesWindow::options() const {
    // the fields show velocities in the project's units; the options hold ft/s
    sizing::SizingOptions o = sizing::SizingOptions::defaults();
    o.group = m_group->currentData().toInt();
    o.criterion = m_byHgl->isChecked() ? sizing::Criterion::HglSlope : sizing::Criterion::Velocity;
    if (o.criterion == sizing::Criterion::Velocity)
        o.maxVelocityFps = hydraulics::velocityFps(typed(m_limit, m_maxVelocity), m_metric);
    else o.maxHglSlopePercent = typed(m_limit, m_maxSlope);
    o.useMinVelocity = m_useMin->isChecked();
    const double minVelocityShown = hydraulics::velocityInProjectUnits(o.minVelocityFps, m_metric);
    o.minVelocityFps = hydraulics::velocityFps(typed(m_minVelocity, minVelocityShown), m_metric);
    o.notSmallerThanUpstream = m_notSmaller->isChecked();
    o.verifyFirst = m_verifyFirst->isChecked();
    return o;
}

bool PipeSizesWindow::compute() {
    db::Project* p = m_ctx.currentProject();
    if (!p || !m_ctx.ui) return false;
    if (m_group->count() == 0) {
        m_ctx.ui->invalidData("No pipe group is defined for the project's unit system (EDIT | Pipe Definitions).");
        return false;
    }
    if (!readNumberField(m_limit, m_ctx.ui)) return false;
    if (m_useMin->isChecked() && !readNumberField(m_minVelocity, m_ctx.ui)) return false;
    m_list->clearLines();
    try {
        sizing::SizingOptions o = options();
        o.verifyFirst = o.verifyFirst && m_verification;
        if (o.verifyFirst) {
            m_verification->beginRun();  // shown before the sizing, filled while it goes on
            o.onVerificationLine = m_verification->lineSink();
        }
        m_ctx.ui->busy(true);
        auto result = sizing::computePipeSizes(*p, *m_ctx.ui, m_ctx.currentSystem(), o);
        m_ctx.ui->busy(false);
        if (o.verifyFirst) m_verification->finishRun(result.verificationLines);
        m_list->addLines(result.lines);
        m_list->showTop();
        m_staleBar->noteRun();
        if (result.status == 0) m_ctx.notifyChanged();
        return result.status == 0;
    } catch (const std::exception& e) {
        m_ctx.ui->busy(false);
        ui::reportException(*m_ctx.ui, e);
        return false;
    }
}

QDialog* PipeSizesWindow::printList() {
    return showTextReport(m_ctx, "PIPE SIZE SELECTION - " + m_ctx.currentSystem(), m_list->lines(), this);
}

}  // namespace kolv::gui::compute
