// The Storm Tab Print Order window: the system's results in a grid, two sorts, typed print positions.
#include "gui/compute/print_order_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "editing/print_order.h"
#include "ui/error_trap.h"

namespace kolv::gui::compute {

PrintOrderWindow::PrintOrderWindow(ComputeContext ctx, QWidget* parent)
    : QDialog(parent), m_ctx(std::move(ctx)), m_system(m_ctx.currentSystem()) {
    setWindowTitle("Storm Tab Print Order");
    setObjectName("PrintOrderWindow");
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QString::fromStdString(
        "System: " + m_system + "    Type the print position of each row in the Print Position column.")));
    m_grid = new QTableView;
    m_grid->setObjectName("printOrderGrid");
    m_model = new T60ResultsModel(
        [ctx = m_ctx]() -> db::Database* {
            db::Project* p = ctx.currentProject();
            return p ? p->db.get() : nullptr;
        },
        m_grid);
    m_model->setEditableField("SEQUENCER", [this](int row, const std::string& text) { positionTyped(row, text); });
    m_grid->setModel(m_model);
    m_grid->setAlternatingRowColors(true);
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    m_grid->horizontalHeader()->setResizeContentsPrecision(100);  // widths fitted to the first rows
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
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
    connect(bySeq, &QPushButton::clicked, this, [this] { sortBy(editing::kOrderBySequencer); });
    connect(byFrom, &QPushButton::clicked, this, [this] { sortBy(editing::kOrderByFrom); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(1000, 600);
    sortBy(editing::kOrderBySequencer);
}

void PrintOrderWindow::sortBy(const std::string& orderBy) {
    if (!m_ctx.currentProject()) return;
    m_order = orderBy;
    try {
        m_model->load(m_system, orderBy);
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
    }
    const int sequencer = m_model->column("SEQUENCER"), from = m_model->column("FROM");
    QHeaderView* header = m_grid->horizontalHeader();
    if (sequencer >= 0 && from >= 0) {
        // the two columns that matter come first
        header->moveSection(header->visualIndex(from), 0);
        header->moveSection(header->visualIndex(sequencer), 1);
    }
    m_grid->resizeColumnsToContents();
}

void PrintOrderWindow::positionTyped(int row, const std::string& typed) {
    db::Project* p = m_ctx.currentProject();
    const int fromColumn = m_model->column("FROM");
    if (!p || !m_ctx.ui || fromColumn < 0) return;
    const std::string from = m_model->index(row, fromColumn).data().toString().toStdString();
    try {
        editing::setPrintPosition(*p->db, m_system, from, db::Value(typed));
    } catch (const std::exception& e) {
        // a refused position leaves the row without one
        m_ctx.ui->invalidData(e.what());
        try {
            editing::setPrintPosition(*p->db, m_system, from, db::Value());
        } catch (const std::exception& e2) {
            ui::reportException(*m_ctx.ui, e2);
        }
    }
}

int PrintOrderWindow::writeNodes() {
    db::Project* p = m_ctx.currentProject();
    if (!p) return 0;
    try {
        return editing::writePrintOrder(*p->db, m_system);
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
