// The special table edit window.
#include "gui/app/special_table_dialog.h"

#include <QColor>
#include <QSignalBlocker>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/text.h"
#include "ui/error_trap.h"

namespace kolv::gui {

SpecialTableDialog::SpecialTableDialog(db::Database& db, std::string system, ui::UiPort& ui, QWidget* parent)
    : QDialog(parent), m_db(db), m_system(std::move(system)), m_ui(ui) {
    setWindowTitle(QString::fromStdString("Special Table Edit - " + m_system));
    resize(1000, 560);
    auto* v = new QVBoxLayout(this);
    auto* warn = new QLabel("Changes are written to the project as soon as a cell is left. "
                            "An empty cell stores no value.");
    warn->setStyleSheet("color: #a33;");
    v->addWidget(warn);
    auto* tabs = new QTabWidget;
    tabs->addTab(grid("NODE"), "NODE");
    tabs->addTab(grid("REACH"), "REACH");
    v->addWidget(tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    v->addWidget(buttons);
}

QTableWidget* SpecialTableDialog::grid(const std::string& table) {
    auto* t = new QTableWidget;
    editing::SpecialTableRows g;
    try {
        g = editing::loadSystemRows(m_db, table, m_system);
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
    t->setColumnCount(static_cast<int>(g.fields.size()));
    t->setRowCount(static_cast<int>(g.cells.size()));
    QStringList headers;
    for (const auto& f : g.fields) headers << QString::fromStdString(f);
    t->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < t->rowCount(); ++r)
        for (int c = 0; c < t->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(g.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
            item->setData(Qt::UserRole, static_cast<qlonglong>(g.rowids[static_cast<std::size_t>(r)]));
            if (kolv::isNumeric(item->text().toStdString()))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            t->setItem(r, c, item);
        }
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->setAlternatingRowColors(true);
    auto fields = g.fields;
    connect(t, &QTableWidget::itemChanged, this, [this, t, fields, table](QTableWidgetItem* item) {
        try {
            std::string refusal;
            if (!editing::writeCell(m_db, table, item->data(Qt::UserRole).toLongLong(),
                                    fields[static_cast<std::size_t>(item->column())], item->text().toStdString(),
                                    &refusal) &&
                !refusal.empty()) {
                // the cell is marked and keeps the text so it can be corrected; nothing was written
                const QSignalBlocker block(t);
                item->setBackground(QColor(255, 215, 215));
                item->setToolTip(QString::fromStdString(refusal));
                m_ui.beep();
                m_ui.message("INVALID DATA", refusal, ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
            } else {
                const QSignalBlocker block(t);
                item->setBackground(QBrush());
                item->setToolTip(QString());
            }
        } catch (const std::exception& e) {
            ui::reportException(m_ui, e);
        }
        (void)t;
    });
    return t;
}

}  // namespace kolv::gui
