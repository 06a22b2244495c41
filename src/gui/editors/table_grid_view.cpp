// A grid bound to a table grid of the core: typed cells, spreadsheet paste and copy, sort, Delete key.
#include "gui/editors/table_grid_view.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <vector>
#include <set>

#include "ui/error_trap.h"

namespace kolv::gui::editor_windows {

TableGridView::TableGridView(editing::TableGrid& grid, ui::UiPort& ui, QWidget* parent)
    : QTableWidget(parent), m_grid(grid), m_ui(ui) {
    setColumnCount(static_cast<int>(grid.columns().size()));
    QStringList headers;
    for (const auto& c : grid.columns()) headers << QString::fromStdString(c.caption);
    setHorizontalHeaderLabels(headers);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAlternatingRowColors(true);
    verticalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TableGridView::sortByColumn);
    connect(this, &QTableWidget::itemChanged, this, &TableGridView::onItemChanged);
    refill();
}

void TableGridView::refill() {
    m_filling = true;
    const int keepRow = currentRow(), keepCol = currentColumn();
    // a column the selection fixes (the location and frequency of the table on display) is
    // written by the grid itself: typing into it would be overwritten
    std::vector<bool> fixed(m_grid.columns().size(), false);
    for (std::size_t j = 0; j < fixed.size(); ++j)
        for (const auto& [field, value] : m_grid.fixedValues())
            if (field == m_grid.columns()[j].field && !value.toText().empty()) fixed[j] = true;
    setRowCount(static_cast<int>(m_grid.rowCount()));
    for (std::size_t i = 0; i < m_grid.rowCount(); ++i) {
        for (std::size_t j = 0; j < m_grid.columns().size(); ++j) {
            auto* item = new QTableWidgetItem(QString::fromStdString(m_grid.cell(i, j)));
            if (m_grid.columns()[j].numeric) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (fixed[j]) {
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                item->setForeground(QColor(0x5f, 0x63, 0x68));
            }
            setItem(static_cast<int>(i), static_cast<int>(j), item);
        }
    }
    if (keepRow >= 0 && keepRow < rowCount()) setCurrentCell(keepRow, std::max(keepCol, 0));
    m_filling = false;
}

void TableGridView::onItemChanged(QTableWidgetItem* item) {
    if (m_filling || !item) return;
    const auto row = static_cast<std::size_t>(item->row());
    const auto col = static_cast<std::size_t>(item->column());
    if (row >= m_grid.rowCount()) return;
    const std::string text = item->text().toStdString();
    if (text == m_grid.cell(row, col)) return;
    try {
        m_grid.setCell(row, col, text, m_ui);
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
    // the cell shows what is stored: the value written, or the old one after a refusal
    m_filling = true;
    for (std::size_t j = 0; j < m_grid.columns().size(); ++j)
        if (auto* it = this->item(static_cast<int>(row), static_cast<int>(j)))
            it->setText(QString::fromStdString(m_grid.cell(row, j)));
    m_filling = false;
    emit rowsChanged();
}

std::size_t TableGridView::pasteText(const QString& text) {
    const std::size_t row = currentRow() < 0 ? 0 : static_cast<std::size_t>(currentRow());
    const std::size_t col = currentColumn() < 0 ? 0 : static_cast<std::size_t>(currentColumn());
    std::size_t written = 0;
    try {
        written = m_grid.paste(row, col, text.toStdString(), m_ui);
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
    if (written > 0) {
        refill();
        emit rowsChanged();
    }
    return written;
}

bool TableGridView::deleteSelectedRows() {
    std::set<std::size_t> rows;
    for (const auto& range : selectedRanges())
        for (int r = range.topRow(); r <= range.bottomRow(); ++r) rows.insert(static_cast<std::size_t>(r));
    if (rows.empty() && currentRow() >= 0) rows.insert(static_cast<std::size_t>(currentRow()));
    if (rows.empty()) return false;
    bool deleted = false;
    try {
        deleted = m_grid.deleteRows({rows.begin(), rows.end()}, m_ui);
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
    if (deleted) {
        refill();
        emit rowsChanged();
    }
    return deleted;
}

void TableGridView::sortByColumn(int column) {
    if (column < 0 || column >= columnCount()) return;
    m_sortAscending = column == m_sortColumn ? !m_sortAscending : true;
    m_sortColumn = column;
    m_grid.sortBy(static_cast<std::size_t>(column), m_sortAscending);
    horizontalHeader()->setSortIndicator(column, m_sortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    refill();
    emit rowsChanged();
}

QString TableGridView::selectionText() const {
    const auto ranges = selectedRanges();
    if (ranges.isEmpty()) return {};
    const auto& r = ranges.front();
    return QString::fromStdString(m_grid.copyText(static_cast<std::size_t>(r.topRow()),
                                                  static_cast<std::size_t>(r.bottomRow()),
                                                  static_cast<std::size_t>(r.leftColumn()),
                                                  static_cast<std::size_t>(r.rightColumn())));
}

void TableGridView::keyPressEvent(QKeyEvent* event) {
    if (state() != QAbstractItemView::EditingState) {
        if (event->matches(QKeySequence::Paste)) {
            pasteText(QApplication::clipboard()->text());
            return;
        }
        if (event->matches(QKeySequence::Copy)) {
            QApplication::clipboard()->setText(selectionText());
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            deleteSelectedRows();
            return;
        }
    }
    QTableWidget::keyPressEvent(event);
}

}  // namespace kolv::gui::editor_windows
