// The Set Flow Lines window: minimum slope or velocity, matching, large pipes, rounding; the listing of elevations.
#include "gui/compute/flow_lines_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/text.h"
#include "common/vb_format.h"
#include "gui/common/listing_view.h"
#include "gui/common/report_preview.h"
#include "gui/compute/stale_bar.h"
#include "gui/compute/verification_window.h"
#include "gui/common/number_field.h"
#include "hydraulics/design_ranges.h"
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

FlowLinesWindow::FlowLinesWindow(ComputeContext ctx, VerificationWindow* verification, QWidget* parent)
    : QDialog(parent), m_ctx(std::move(ctx)), m_verification(verification) {
    setWindowTitle("Set Flow Lines");
    setObjectName("FlowLinesWindow");
    db::Project* p = m_ctx.currentProject();
    m_metric = p && p->metric;
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(q("System: " + m_ctx.currentSystem() + (p ? p->unitName() : std::string()))));

    auto* slope = new QGroupBox("Minimum Pipe Slope");
    auto* sg = new QGridLayout(slope);
    m_fixed = new QRadioButton("Fixed slope for all pipes. Minimum pipe slope =");
    m_vary = new QRadioButton("Varies based on pipe size. Minimum velocity =");
    m_vary->setObjectName("varyMode");
    m_valueLabel = new QLabel;
    m_valueLabel->setObjectName("valueLabel");
    m_value = new QLineEdit;
    m_value->setMaximumWidth(90);
    m_valueUnit = new QLabel;
    m_slopeInVary = new QLineEdit;
    m_slopeInVary->setMaximumWidth(90);
    m_slopeInVary->setToolTip("Every pipe keeps at least this slope (%); it must be greater than zero");
    sg->addWidget(m_fixed, 0, 0, 1, 3);
    sg->addWidget(m_vary, 1, 0, 1, 3);
    sg->addWidget(m_valueLabel, 2, 0, Qt::AlignRight);
    sg->addWidget(m_value, 2, 1);
    sg->addWidget(m_valueUnit, 2, 2);
    m_slopeInVaryLabel = new QLabel("Minimum pipe slope (%):");
    sg->addWidget(m_slopeInVaryLabel, 3, 0, Qt::AlignRight);
    sg->addWidget(m_slopeInVary, 3, 1);
    sg->setColumnStretch(3, 1);

    auto* match = new QGroupBox("Match");
    auto* mg = new QGridLayout(match);
    m_matchFlow = new QRadioButton("Flow Lines");
    m_matchCrown = new QRadioButton("Crown Lines");
    m_except = new QCheckBox("Except for pipes with a diameter less than");
    m_sizeLimit = new QLineEdit;
    m_sizeLimit->setMaximumWidth(70);
    mg->addWidget(m_matchFlow, 0, 0);
    mg->addWidget(m_matchCrown, 0, 1);
    mg->addWidget(m_except, 1, 0, 1, 2);
    mg->addWidget(m_sizeLimit, 1, 2);
    mg->addWidget(new QLabel(m_metric ? "mm" : "in"), 1, 3);
    mg->setColumnStretch(4, 1);

    auto* other = new QHBoxLayout;
    other->addWidget(new QLabel("Round flow line elevations to"));
    m_decimals = new QSpinBox;
    m_decimals->setObjectName("decimals");
    m_decimals->setRange(0, 6);
    m_decimals->setSingleStep(1);
    other->addWidget(m_decimals);
    other->addWidget(new QLabel("decimal places"));
    other->addSpacing(20);
    m_verifyFirst = new QCheckBox("Verify Node && Reach Data first");
    other->addWidget(m_verifyFirst);
    other->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(slope, 1);
    top->addWidget(match, 1);
    v->addLayout(top);
    v->addLayout(other);

    m_list = new ListingView;
    m_list->setObjectName("flowLineList");
    if (p) applyResultsColors(m_list, *p->db);
    m_staleBar = new StaleBar(m_ctx, network::DesignStep::FlowLines, m_list, [this] { this->compute(); });
    v->addWidget(m_staleBar);
    v->addWidget(m_list, 1);
    addListingButtons(this, v, [this] { this->compute(); }, [this] { printList(); });

    connect(m_vary, &QRadioButton::toggled, this, [this] { modeChanged(); });
    const auto status = [this](const QString& text) {
        if (m_ctx.ui) m_ctx.ui->status(text.toStdString());
    };
    using hydraulics::DesignValue;
    watchNumberField(
        m_value,
        [this](std::string_view t) {
            return hydraulics::checkDesignValue(
                m_vary->isChecked() ? DesignValue::FlowLineVelocity : DesignValue::MinPipeSlope, t, m_metric);
        },
        status);
    watchNumberField(
        m_slopeInVary,
        [this](std::string_view t) { return hydraulics::checkDesignValue(DesignValue::MinPipeSlope, t, m_metric); },
        status);
    watchNumberField(
        m_sizeLimit,
        [this](std::string_view t) { return hydraulics::checkDesignValue(DesignValue::PipeSizeLimit, t, m_metric); },
        status);

    flowline::FlowLineOptions d = flowline::FlowLineOptions::defaults(m_metric);
    d.minSlopePercent = 0.1;  // a common design minimum; the engineer types the agency's value
    setOptions(d);
    resize(900, 640);
    m_staleBar->refresh();  // the last flow lines set on the system, if any
}

void FlowLinesWindow::modeChanged() {
    // the value field shows the slope in fixed mode and the velocity in varying mode
    if (m_vary->isChecked()) {
        m_slopePercent = typed(m_value, m_slopePercent);
        m_valueLabel->setText("Minimum velocity =");
        m_valueUnit->setText(m_metric ? "m/s" : "ft/s");
        m_value->setText(q(vbFormat(m_velocity, "0.000")));
        m_slopeInVary->setText(q(shortestText(m_slopePercent)));
        m_slopeInVary->setEnabled(true);
        m_slopeInVary->setVisible(true);
        m_slopeInVaryLabel->setVisible(true);
    } else {
        m_velocity = typed(m_value, m_velocity);
        if (m_slopeInVary->isEnabled()) m_slopePercent = typed(m_slopeInVary, m_slopePercent);
        m_valueLabel->setText("Minimum pipe slope =");
        m_valueUnit->setText("%");
        m_value->setText(q(shortestText(m_slopePercent)));
        m_slopeInVary->setText(q(shortestText(m_slopePercent)));
        m_slopeInVary->setEnabled(false);
        m_slopeInVary->setVisible(false);
        m_slopeInVaryLabel->setVisible(false);
    }
}

void FlowLinesWindow::setOptions(const flowline::FlowLineOptions& o) {
    m_slopePercent = o.minSlopePercent;
    m_velocity = flowline::velocityInProjectUnits(o.minVelocityFps, m_metric);
    m_vary->blockSignals(true);
    (o.varyByVelocity ? m_vary : m_fixed)->setChecked(true);
    m_vary->blockSignals(false);
    m_slopeInVary->setEnabled(false);
    if (o.varyByVelocity) {
        m_valueLabel->setText("Minimum velocity =");
        m_valueUnit->setText(m_metric ? "m/s" : "ft/s");
        m_value->setText(q(vbFormat(m_velocity, "0.000")));
        m_slopeInVary->setEnabled(true);
    } else {
        m_valueLabel->setText("Minimum pipe slope =");
        m_valueUnit->setText("%");
        m_value->setText(q(shortestText(m_slopePercent)));
    }
    m_slopeInVary->setText(q(shortestText(m_slopePercent)));
    m_slopeInVary->setVisible(o.varyByVelocity);
    m_slopeInVaryLabel->setVisible(o.varyByVelocity);
    (o.match == flowline::MatchMode::CrownLines ? m_matchCrown : m_matchFlow)->setChecked(true);
    m_except->setChecked(o.exceptSmallPipes);
    m_sizeLimit->setText(q(shortestText(o.sizeLimit)));
    m_decimals->setValue(o.decimals);
    m_verifyFirst->setChecked(o.verifyFirst);
}

flowline::FlowLineOptions FlowLinesWindow::options() const {
    flowline::FlowLineOptions o = flowline::FlowLineOptions::defaults(m_metric);
    o.varyByVelocity = m_vary->isChecked();
    if (o.varyByVelocity) {
        o.minVelocityFps = flowline::velocityFps(typed(m_value, m_velocity), m_metric);
        o.minSlopePercent = typed(m_slopeInVary, m_slopePercent);
    } else {
        o.minSlopePercent = typed(m_value, m_slopePercent);
        o.minVelocityFps = flowline::velocityFps(m_velocity, m_metric);
    }
    o.match = m_matchCrown->isChecked() ? flowline::MatchMode::CrownLines : flowline::MatchMode::FlowLines;
    o.exceptSmallPipes = m_except->isChecked();
    o.sizeLimit = typed(m_sizeLimit, o.sizeLimit);
    o.decimals = m_decimals->value();
    o.verifyFirst = m_verifyFirst->isChecked();
    return o;
}

bool FlowLinesWindow::compute() {
    db::Project* p = m_ctx.currentProject();
    if (!p || !m_ctx.ui) return false;
    for (QLineEdit* e : {m_value, m_slopeInVary, m_sizeLimit}) {
        if (e == m_slopeInVary && !m_vary->isChecked()) continue;
        if (e == m_sizeLimit && !m_except->isChecked()) continue;
        if (!readNumberField(e, m_ctx.ui)) return false;
    }
    m_list->clearLines();
    try {
        flowline::FlowLineOptions o = options();
        o.verifyFirst = o.verifyFirst && m_verification;
        if (o.verifyFirst) {
            m_verification->beginRun();  // shown before the flow lines are set
            o.onVerificationLine = m_verification->lineSink();
        }
        m_ctx.ui->busy(true);
        auto result = flowline::setFlowLines(*p, m_ctx.currentSystem(), o, *m_ctx.ui);
        m_ctx.ui->busy(false);
        if (o.verifyFirst) m_verification->finishRun(result.verificationLines);
        m_list->addLines(result.ditchLines);
        m_list->addLines(result.lines);
        m_list->showTop();
        m_staleBar->noteRun();
        if (result.ran) m_ctx.notifyChanged();
        return result.ran;
    } catch (const std::exception& e) {
        m_ctx.ui->busy(false);
        ui::reportException(*m_ctx.ui, e);
        return false;
    }
}

QDialog* FlowLinesWindow::printList() {
    return showTextReport(m_ctx, "FLOW LINE ELEVATIONS - " + m_ctx.currentSystem(), m_list->lines(), this);
}

}  // namespace kolv::gui::compute
