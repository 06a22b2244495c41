// Streaming the rows of a table.
#include "db/table_row.h"

#include <algorithm>

#include "common/error.h"
#include "common/text.h"

namespace kolv::db {

namespace {

/// Place of each field of the layout among the columns read (-1: not read); all fields when none are named.
std::vector<long> columnsRead(const TableLayout& layout, const std::string& table, const std::vector<std::string>& fields) {
    std::vector<long> columnOf(layout.fields.size(), -1);
    long read = 0;
    if (fields.empty()) {
        for (auto& c : columnOf) c = read++;
        return columnOf;
    }
    for (const auto& f : fields) {
        const long pos = layout.position(f);
        if (pos < 0) throw DatabaseError(3265, "Field '" + f + "' is not in the table " + table + ".");
        if (columnOf[static_cast<std::size_t>(pos)] < 0) columnOf[static_cast<std::size_t>(pos)] = read++;
    }
    return columnOf;
}

std::string selectSql(const TableLayout& layout, const std::vector<long>& columnOf, const std::string& table,
                      const std::string& where) {
    std::vector<std::string> names;
    for (std::size_t pos = 0; pos < columnOf.size(); ++pos) {
        if (columnOf[pos] < 0) continue;
        if (names.size() <= static_cast<std::size_t>(columnOf[pos])) names.resize(static_cast<std::size_t>(columnOf[pos]) + 1);
        names[static_cast<std::size_t>(columnOf[pos])] = quoteIdent(layout.fields[pos].name);
    }
    std::string sql = "SELECT rowid";
    for (const auto& n : names) sql += ", " + n;
    sql += " FROM " + quoteIdent(table);
    if (!where.empty()) sql += " WHERE " + where;
    return sql + " ORDER BY rowid";
}

}  // namespace

TableRows::TableRows(Database& db, const std::string& table, const std::string& where,
                     const std::vector<Value>& params, const std::vector<std::string>& fields)
    : m_table(table),
      m_layout(&db.layout(table)),
      m_columnOf(columnsRead(*m_layout, table, fields)),
      m_statement(db.prepare(selectSql(*m_layout, m_columnOf, table, where))) {
    m_statement.bindAll(params);
    long read = 0;
    for (long c : m_columnOf) read = std::max(read, c + 1);
    m_values.resize(static_cast<std::size_t>(read));
}

bool TableRows::next() {
    if (!m_statement.step()) return false;
    m_rowid = m_statement.column(0).toInt();
    for (std::size_t i = 0; i < m_values.size(); ++i) m_values[i] = m_statement.column(static_cast<int>(i + 1));
    return true;
}

std::size_t TableRows::fieldIndex(const std::string& name) const {
    const long p = m_layout->position(name);
    if (p < 0) throw DatabaseError(3265, "Field '" + name + "' is not in the table " + m_table + ".");
    const long at = m_columnOf[static_cast<std::size_t>(p)];
    if (at < 0) throw DatabaseError(3265, "Field '" + name + "' of " + m_table + " was not read.");
    return static_cast<std::size_t>(at);
}

}  // namespace kolv::db
