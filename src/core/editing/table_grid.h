// Rows of a table shown in an editable grid: typed cells, pasted blocks, added and deleted rows, sorting.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"
#include "db/value.h"
#include "ui/ui_port.h"

namespace kolv::editing {

/// One column of the grid: the field it shows, its caption and whether it holds a number.
struct GridColumn {
    std::string field;
    std::string caption;
    bool numeric = false;
};

/// The data side of a grid bound to a table (the IDF coefficients, the time-intensity rows).
/// Each row is remembered by its rowid, so sorting the grid never changes what a cell writes.
/// Every number typed or pasted is read strictly (a text that is not a number is refused with a
/// message and nothing is stored); every change is one undo step named after `itemName`.
class TableGrid {
public:
    struct Row {
        std::int64_t rowid = 0;
        std::vector<std::string> cells;  ///< as shown; "" for Null
    };

    TableGrid(db::Database& db, std::string table, std::vector<GridColumn> columns, std::string itemName);

    /// Reads the rows the selection gives ("" = all), in the order given.
    void load(std::string where, std::vector<db::Value> params, std::string orderBy);
    /// Reads the same selection again (after changes made elsewhere).
    void reload();

    const std::vector<GridColumn>& columns() const { return m_columns; }
    const std::vector<Row>& rows() const { return m_rows; }
    std::size_t rowCount() const { return m_rows.size(); }
    const std::string& cell(std::size_t row, std::size_t col) const { return m_rows.at(row).cells.at(col); }

    /// Field values written into every row added or changed through the grid (the selected
    /// location and frequency of a time-intensity table). Empty: nothing extra is written.
    void setFixedValues(std::vector<std::pair<std::string, db::Value>> values) { m_fixed = std::move(values); }
    const std::vector<std::pair<std::string, db::Value>>& fixedValues() const { return m_fixed; }
    /// Refuses to add rows while a fixed value is empty (the selection is not yet one table),
    /// with `message` ("MISSING DATA").
    void requireFixedValuesForNewRows(std::string message) {
        m_needsFixedForNew = true;
        m_missingFixedMessage = std::move(message);
    }

    /// Writes one typed cell. A refused value shows its message and changes nothing. True when written.
    bool setCell(std::size_t row, std::size_t col, const std::string& text, ui::UiPort& ui);

    /// Adds an empty row (with the fixed values) at the end of the grid; true when added.
    /// `question` (title, text) is asked first when given; No adds nothing.
    bool addRow(ui::UiPort& ui, const std::string& questionTitle = {}, const std::string& questionText = {});

    /// Deletes the rows (grid indexes) after asking "Delete the selected row?" / "Delete the n
    /// selected rows?" (title "DELETE RECORD", default No). True when deleted.
    bool deleteRows(std::vector<std::size_t> rows, ui::UiPort& ui);

    /// Pastes a block copied from a spreadsheet (rows by line breaks, cells by tabs) with its
    /// top left cell at (row, col); rows past the end are added. The block is checked whole
    /// first: one cell that does not fit its column refuses all of it with a message naming the
    /// row and column, and nothing is stored. Returns the number of cells written.
    std::size_t paste(std::size_t row, std::size_t col, const std::string& block, ui::UiPort& ui);

    /// Orders the rows by a column: numbers by value, text without regard to case, blanks last.
    void sortBy(std::size_t col, bool ascending);

    /// Blocks as a spreadsheet takes them: cells of the given rows and columns, tabs and line breaks.
    std::string copyText(std::size_t firstRow, std::size_t lastRow, std::size_t firstCol, std::size_t lastCol) const;

    /// The cell text of a stored value: shortest text of a number ("" for Null).
    static std::string displayText(const db::Value& v, bool single);

private:
    /// Checks a typed text for a column; the value to store, or the message in `error`.
    bool checkCell(std::size_t col, const std::string& text, db::Value& out, std::string& error) const;
    bool requireFixedForNewRows(ui::UiPort& ui) const;
    Row readRow(std::int64_t rowid);

    db::Database& m_db;
    std::string m_table;
    std::vector<GridColumn> m_columns;
    std::string m_itemName;
    std::string m_where;
    std::vector<db::Value> m_params;
    std::string m_orderBy;
    std::vector<Row> m_rows;
    std::vector<std::pair<std::string, db::Value>> m_fixed;
    /// Rows added must carry the fixed values (a time-intensity row without its table is lost).
    bool m_needsFixedForNew = false;
    std::string m_missingFixedMessage;
};

/// Splits a block copied from a spreadsheet into rows of cells: lines end with "\n" or "\r\n",
/// cells are separated by tabs; a final empty line is dropped.
std::vector<std::vector<std::string>> splitBlock(const std::string& block);

}  // namespace kolv::editing
