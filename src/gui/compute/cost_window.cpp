// The COMPUTE SYSTEM COST window: prices the current system and lists the cost by node, pipe and structure.
#include "gui/compute/cost_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "cost/system_cost.h"
#include "gui/common/listing_view.h"
#include "gui/common/report_preview.h"
#include "gui/compute/stale_bar.h"
#include "ui/error_trap.h"

namespace kolv::gui::compute {

CostWindow::CostWindow(ComputeContext ctx, QWidget* parent) : QDialog(parent), m_ctx(std::move(ctx)) {
    setWindowTitle("COMPUTE SYSTEM COST");
    setObjectName("CostWindow");
    auto* v = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_detail = new QCheckBox("List every node (detail)");
    m_detail->setObjectName("detailBox");
    m_detail->setChecked(true);
    m_detail->setToolTip("Without it only the subtotals and totals are listed");
    top->addWidget(new QLabel(QString::fromStdString("System: " + m_ctx.currentSystem())));
    top->addSpacing(20);
    top->addWidget(m_detail);
    top->addStretch(1);
    v->addLayout(top);
    m_list = new ListingView;
    m_list->setObjectName("costList");
    if (db::Project* p = m_ctx.currentProject()) applyResultsColors(m_list, *p->db);
    m_staleBar = new StaleBar(m_ctx, network::DesignStep::Cost, m_list, [this] { this->compute(); });
    v->addWidget(m_staleBar);
    v->addWidget(m_list, 1);
    addListingButtons(this, v, [this] { this->compute(); }, [this] { printList(); });
    resize(820, 600);
    m_staleBar->refresh();  // the last cost of the system, if any
}

void CostWindow::compute() {
    db::Project* p = m_ctx.currentProject();
    if (!p || !m_ctx.ui) return;
    m_list->clearLines();
    try {
        cost::CostOptions options;
        options.detail = m_detail->isChecked();
        m_ctx.ui->busy(true);
        auto result = cost::computeSystemCost(*p->db, m_ctx.currentSystem(), options, *m_ctx.ui);
        m_ctx.ui->busy(false);
        m_list->addLines(result.lines);
        m_list->showTop();
        m_staleBar->noteRun();
        m_ctx.notifyChanged();
    } catch (const std::exception& e) {
        m_ctx.ui->busy(false);
        ui::reportException(*m_ctx.ui, e);
    }
}

QDialog* CostWindow::printList() {
    return showTextReport(m_ctx, cost::costReportTitle(m_ctx.currentSystem()), m_list->lines(), this);
}

}  // namespace kolv::gui::compute
