// Rows of a table shown in an editable grid: typed cells, pasted blocks, added and deleted rows, sorting.
#include "editing/table_grid.h"

#include <algorithm>
#include <fmt/format.h>

#include "common/number_input.h"
#include "common/text.h"
#include "common/utf8_text.h"
#include "db/record_set.h"
#include "db/undo_history.h"

namespace kolv::editing {

using db::RecordSet;

std::vector<std::vector<std::string>> splitBlock(const std::string& block) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> lines = split(block, '\n');
    if (!lines.empty() && (lines.back().empty() || lines.back() == "\r")) lines.pop_back();
    for (auto& line : lines) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        rows.push_back(split(line, '\t'));
    }
    return rows;
}

TableGrid::TableGrid(db::Database& db, std::string table, std::vector<GridColumn> columns, std::string itemName)
    : m_db(db), m_table(std::move(table)), m_columns(std::move(columns)), m_itemName(std::move(itemName)) {}

std::string TableGrid::displayText(const db::Value& v, bool single) {
    if (v.isNull()) return {};
    if (v.isText()) return trim(v.toText());
    // a Single field holds a float: show the shortest text that reads back as that float
    if (single) return fmt::format("{}", static_cast<float>(v.toDouble()));
    return v.toText();
}

TableGrid::Row TableGrid::readRow(std::int64_t rowid) {
    RecordSet rs(m_db, m_table, "rowid = ?", {static_cast<long long>(rowid)});
    Row r;
    r.rowid = rowid;
    if (rs.empty()) return r;
    rs.moveFirst();
    for (const auto& c : m_columns) {
        const db::FieldDef* f = rs.layout().field(c.field);
        r.cells.push_back(displayText(rs.value(c.field), f && f->type == db::FieldType::Single));
    }
    return r;
}

void TableGrid::load(std::string where, std::vector<db::Value> params, std::string orderBy) {
    m_where = std::move(where);
    m_params = std::move(params);
    m_orderBy = std::move(orderBy);
    reload();
}

void TableGrid::reload() {
    m_rows.clear();
    RecordSet rs(m_db, m_table, m_where, m_params, m_orderBy);
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        Row r;
        r.rowid = rs.rowid();
        for (const auto& c : m_columns) {
            const db::FieldDef* f = rs.layout().field(c.field);
            r.cells.push_back(displayText(rs.value(c.field), f && f->type == db::FieldType::Single));
        }
        m_rows.push_back(std::move(r));
    }
}

bool TableGrid::checkCell(std::size_t col, const std::string& text, db::Value& out, std::string& error) const {
    const GridColumn& c = m_columns.at(col);
    // a column the selection fixes takes only its own value: anything else would be overwritten
    for (const auto& [field, value] : m_fixed) {
        const std::string fixed = trim(value.toText());
        if (field == c.field && !fixed.empty() && !equalsIgnoreCase(trim(text), fixed)) {
            error = c.caption + " '" + trim(text) + "' is not the one on display ('" + fixed + "').";
            return false;
        }
    }
    if (c.numeric) {
        const input::NumberCheck check = input::checkField(m_table, c.field, text, c.caption);
        if (!check.ok()) {
            error = check.error;
            return false;
        }
        out = *check.value;
        return true;
    }
    const std::string t = trim(text);
    const db::FieldDef* f = m_db.layout(m_table).field(c.field);
    if (f && f->type == db::FieldType::Text && f->size > 0 && charCount(t) > static_cast<std::size_t>(f->size)) {
        error = fmt::format("{} is limited to {} characters.", c.caption, f->size);
        return false;
    }
    out = t;
    return true;
}

bool TableGrid::requireFixedForNewRows(ui::UiPort& ui) const {
    if (!m_needsFixedForNew) return true;
    for (const auto& [field, value] : m_fixed) {
        if (trim(value.toText()).empty()) {
            ui.message("MISSING DATA", m_missingFixedMessage, ui::Icon::Exclamation);
            return false;
        }
    }
    return true;
}

bool TableGrid::setCell(std::size_t row, std::size_t col, const std::string& text, ui::UiPort& ui) {
    if (row >= m_rows.size() || col >= m_columns.size()) return false;
    db::Value v;
    std::string error;
    if (!checkCell(col, text, v, error)) {
        ui.invalidData(error);
        return false;
    }
    db::UndoAction step(m_db, "Edit " + m_itemName);
    RecordSet rs(m_db, m_table, "rowid = ?", {static_cast<long long>(m_rows[row].rowid)});
    if (rs.empty()) return false;  // deleted meanwhile
    rs.moveFirst();
    rs.edit();
    rs.set(m_columns[col].field, v);
    for (const auto& [field, value] : m_fixed)
        if (!trim(value.toText()).empty()) rs.set(field, value);
    rs.update();
    m_rows[row] = readRow(m_rows[row].rowid);
    return true;
}

bool TableGrid::addRow(ui::UiPort& ui, const std::string& questionTitle, const std::string& questionText) {
    if (!requireFixedForNewRows(ui)) return false;
    if (!questionText.empty() &&
        ui.message(questionTitle, questionText, ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::Yes) !=
            ui::Answer::Yes)
        return false;
    db::UndoAction step(m_db, "Add " + m_itemName);
    RecordSet rs(m_db, m_table, "0 = 1", {});
    rs.addNew();
    for (const auto& [field, value] : m_fixed) rs.set(field, value);
    rs.update();
    m_rows.push_back(readRow(rs.rowid()));
    return true;
}

bool TableGrid::deleteRows(std::vector<std::size_t> rows, ui::UiPort& ui) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](std::size_t r) { return r >= m_rows.size(); }),
               rows.end());
    if (rows.empty()) return false;
    const std::string text = rows.size() == 1 ? std::string("Delete the selected row?")
                                              : fmt::format("Delete the {} selected rows?", rows.size());
    if (ui.message("DELETE RECORD", text, ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return false;
    db::UndoAction step(m_db, "Delete " + m_itemName);
    db::Transaction tx(m_db);
    for (std::size_t r : rows)
        m_db.execute("DELETE FROM " + db::quoteIdent(m_table) + " WHERE rowid = ?",
                     {static_cast<long long>(m_rows[r].rowid)});
    tx.commit();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) m_rows.erase(m_rows.begin() + static_cast<long>(*it));
    return true;
}

std::size_t TableGrid::paste(std::size_t row, std::size_t col, const std::string& block, ui::UiPort& ui) {
    const auto cells = splitBlock(block);
    if (cells.empty()) return 0;
    std::size_t width = 0;
    for (const auto& r : cells) width = std::max(width, r.size());
    if (col >= m_columns.size() || col + width > m_columns.size()) {
        ui.invalidData(fmt::format("The pasted block is {} column(s) wide; from column '{}' only {} fit. "
                                   "Nothing was pasted.",
                                   width, col < m_columns.size() ? m_columns[col].caption : std::string("?"),
                                   col < m_columns.size() ? m_columns.size() - col : 0));
        return 0;
    }
    row = std::min(row, m_rows.size());
    // every cell is checked before anything is written: a block goes in whole or not at all
    std::vector<std::vector<db::Value>> values(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        for (std::size_t j = 0; j < cells[i].size(); ++j) {
            db::Value v;
            std::string error;
            if (!checkCell(col + j, cells[i][j], v, error)) {
                ui.invalidData(fmt::format("Pasted row {}, column '{}': {}\rNothing was pasted.", i + 1,
                                           m_columns[col + j].caption, error));
                return 0;
            }
            values[i].push_back(v);
        }
    }
    if (row + cells.size() > m_rows.size() && !requireFixedForNewRows(ui)) return 0;

    db::UndoAction step(m_db, "Paste " + m_itemName);
    db::Transaction tx(m_db);
    std::size_t written = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t target = row + i;
        const bool adding = target >= m_rows.size();
        RecordSet rs(m_db, m_table, adding ? "0 = 1" : "rowid = ?",
                     adding ? std::vector<db::Value>{} : std::vector<db::Value>{static_cast<long long>(m_rows[target].rowid)});
        if (adding) {
            rs.addNew();
        } else {
            rs.moveFirst();
            rs.edit();
        }
        for (std::size_t j = 0; j < values[i].size(); ++j, ++written) rs.set(m_columns[col + j].field, values[i][j]);
        for (const auto& [field, value] : m_fixed)
            if (!trim(value.toText()).empty()) rs.set(field, value);
        rs.update();
        if (adding) m_rows.push_back(Row{rs.rowid(), {}});
    }
    tx.commit();
    for (std::size_t i = 0; i < values.size(); ++i) m_rows[row + i] = readRow(m_rows[row + i].rowid);
    return written;
}

void TableGrid::sortBy(std::size_t col, bool ascending) {
    if (col >= m_columns.size()) return;
    const bool numeric = m_columns[col].numeric;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row& a, const Row& b) {
        const std::string& x = a.cells[col];
        const std::string& y = b.cells[col];
        // blanks go last whichever way the column is ordered
        if (x.empty() != y.empty()) return y.empty();
        if (x.empty()) return false;
        if (numeric) {
            const double dx = input::numberOr(x, 0.0), dy = input::numberOr(y, 0.0);
            return ascending ? dx < dy : dy < dx;
        }
        const std::string ux = toUpper(x), uy = toUpper(y);
        return ascending ? ux < uy : uy < ux;
    });
}

std::string TableGrid::copyText(std::size_t firstRow, std::size_t lastRow, std::size_t firstCol,
                                std::size_t lastCol) const {
    std::string out;
    for (std::size_t r = firstRow; r <= lastRow && r < m_rows.size(); ++r) {
        for (std::size_t c = firstCol; c <= lastCol && c < m_columns.size(); ++c) {
            if (c > firstCol) out += '\t';
            out += m_rows[r].cells[c];
        }
        out += '\n';
    }
    return out;
}

}  // namespace kolv::editing
