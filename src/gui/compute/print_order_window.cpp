// The Storm Tab Print Order window: the system's results in a grid, two sorts, typed print positions.
#include "gui/compute/print_order_window.h"

#include <QBrush>
#include <QCloseEvent>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/compute/hydraulics_window.h"
#include "editors/print_order.h"
#include "ui/error_trap.h"

namespace kolv::gui::compute {

PrintOrderWindow::PrintOrderWindow(ComputeContext ctx, QWidget* parent)
    : QDialog(parent), m_ctx(std::move(ctx)), m_system(m_ctx.currentSystem()) {
    setWindowTitle("Storm Tab Print Order");
    setObjectName("PrintOrderWindow");
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QString::fromStdString(
        "System: " + m_system + "    Type the print position of each row in the SEQUENCER column.")));
    m_grid = new QTableWidget;
    m_grid->setObjectName("printOrderGrid");
    m_grid->setAlternatingRowColors(true);
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    v->addWidget(m_grid, 1);
    auto* buttons = new QHBoxLayout;
    auto* bySeq = new QPushButton("Sort by Sequencer");
    bySeq->setObjectName("sortSequencer");
    auto* byFrom = new QPushButton("Sort by From");
    byFrom->setObjectName("sortFrom");
    auto* close = new QPushButton("Close");
    buttons->addWidget(bySeq);
    buttons->addWidget(byFrom);
    buttons->addStretch(1);
    buttons->addWidget(close);
    v->addLayout(buttons);
    connect(bySeq, &QPushButton::clicked, this, [this] { sortBy(editors::kOrderBySequencer); });
    connect(byFrom, &QPushButton::clicked, this, [this] { sortBy(editors::kOrderByFrom); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_grid, &QTableWidget::cellChanged, this, [this](int r, int c) { cellEdited(r, c); });
    resize(1000, 600);
    sortBy(editors::kOrderBySequencer);
}

void PrintOrderWindow::sortBy(const std::string& orderBy) {
    db::Project* p = m_ctx.currentProject();
    if (!p) return;
    m_order = orderBy;
    m_filling = true;
    try {
        fillT60Grid(m_grid, *p->db, m_system, orderBy);
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
    }
    m_sequencerColumn = m_fromColumn = -1;
    for (int c = 0; c < m_grid->columnCount(); ++c) {
        QString h = m_grid->horizontalHeaderItem(c)->data(Qt::UserRole).toString();
        if (h == "SEQUENCER") m_sequencerColumn = c;
        if (h == "FROM") m_fromColumn = c;
    }
    // only the print position is typed; the results stay as the run wrote them
    for (int r = 0; r < m_grid->rowCount(); ++r)
        for (int c = 0; c < m_grid->columnCount(); ++c)
            if (auto* item = m_grid->item(r, c); item && c != m_sequencerColumn)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            else if (item)
                item->setBackground(QColor(255, 249, 214));  // the column that takes typing
    if (m_sequencerColumn >= 0 && m_fromColumn >= 0) {
        // the two columns that matter come first
        m_grid->horizontalHeader()->moveSection(m_grid->horizontalHeader()->visualIndex(m_fromColumn), 0);
        m_grid->horizontalHeader()->moveSection(m_grid->horizontalHeader()->visualIndex(m_sequencerColumn), 1);
    }
    m_filling = false;
}

void PrintOrderWindow::cellEdited(int row, int column) {
    if (m_filling || column != m_sequencerColumn || m_fromColumn < 0) return;
    db::Project* p = m_ctx.currentProject();
    if (!p || !m_ctx.ui) return;
    std::string from = m_grid->item(row, m_fromColumn)->text().toStdString();
    std::string typed = m_grid->item(row, column)->text().toStdString();
    try {
        editors::setPrintPosition(*p->db, m_system, from, db::Value(typed));
    } catch (const std::exception& e) {
        m_ctx.ui->invalidData(e.what());
        m_filling = true;
        m_grid->item(row, column)->setText("");
        m_filling = false;
        try {
            editors::setPrintPosition(*p->db, m_system, from, db::Value());
        } catch (const std::exception& e2) {
            ui::reportException(*m_ctx.ui, e2);
        }
    }
}

int PrintOrderWindow::writeNodes() {
    db::Project* p = m_ctx.currentProject();
    if (!p) return 0;
    try {
        return editors::writePrintOrder(*p->db, m_system);
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
        return 0;
    }
}

void PrintOrderWindow::closeEvent(QCloseEvent* event) {
    writeNodes();
    QDialog::closeEvent(event);
}

}  // namespace kolv::gui::compute
