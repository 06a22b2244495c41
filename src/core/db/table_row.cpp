// Streaming the rows of a table.
#include "db/table_row.h"

#include "common/error.h"
#include "common/text.h"

namespace kolv::db {

namespace {

std::string selectAll(const TableLayout& layout, const std::string& table, const std::string& where) {
    std::string sql = "SELECT rowid";
    for (const auto& f : layout.fields) sql += ", " + quoteIdent(f.name);
    sql += " FROM " + quoteIdent(table);
    if (!where.empty()) sql += " WHERE " + where;
    return sql + " ORDER BY rowid";
}

}  // namespace

TableRows::TableRows(Database& db, const std::string& table, const std::string& where,
                     const std::vector<Value>& params)
    : m_table(table), m_layout(&db.layout(table)), m_statement(db.prepare(selectAll(*m_layout, table, where))) {
    m_statement.bindAll(params);
    m_values.resize(m_layout->fields.size());
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
    return static_cast<std::size_t>(p);
}

}  // namespace kolv::db
