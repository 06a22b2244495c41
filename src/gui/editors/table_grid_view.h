// A grid bound to a table grid of the core: typed cells, spreadsheet paste and copy, sort, Delete key.
#pragma once

#include <QTableWidget>

#include "editing/table_grid.h"
#include "ui/ui_port.h"

namespace kolv::gui::editor_windows {

/// Shows the rows of an editing::TableGrid. A typed cell goes to the core (a refused value
/// is put back as stored); Ctrl+V pastes a block copied from a spreadsheet at the current cell,
/// Ctrl+C copies the selection, Delete removes the selected rows after a question, a click on
/// a column heading sorts by it (again: the other way).
class TableGridView : public QTableWidget {
    Q_OBJECT
public:
    TableGridView(editing::TableGrid& grid, ui::UiPort& ui, QWidget* parent = nullptr);

    /// Fills the grid from the core's rows (after a load, a sort or a change made elsewhere).
    void refill();
    /// Pastes a block at the current cell (the first cell when none); cells written.
    std::size_t pasteText(const QString& text);
    /// Deletes the selected rows after the question; true when deleted.
    bool deleteSelectedRows();
    /// Sorts by a column; a second call on the same column reverses the order.
    void sortByColumn(int column);
    /// Text of the selected cells, tab-separated.
    QString selectionText() const;

    /// Row of the core grid shown at the current cell, -1 for none.
    int currentGridRow() const { return currentRow(); }

signals:
    /// The rows shown changed (a cell written, a paste, a delete, a sort).
    void rowsChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onItemChanged(QTableWidgetItem* item);

    editing::TableGrid& m_grid;
    ui::UiPort& m_ui;
    bool m_filling = false;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
};

}  // namespace kolv::gui::editor_windows
