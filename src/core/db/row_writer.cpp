// Rows written one at a time through kept statements.
#include "db/row_writer.h"

#include "common/error.h"
#include "db/record_set.h"

namespace kolv::db {

RowWriter::RowWriter(Database& db, std::string table)
    : m_db(db), m_table(std::move(table)), m_layout(&db.layout(m_table)) {}

RowWriter& RowWriter::set(const std::string& field, const Value& value) {
    const long p = m_layout->position(field);
    if (p < 0) throw DatabaseError(3265, "Field '" + field + "' is not in the table " + m_table + ".");
    const auto pos = static_cast<std::size_t>(p);
    Value v = RecordSet::coerce(m_table, m_layout->fields[pos], value);
    for (std::size_t k = 0; k < m_fields.size(); ++k)
        if (m_fields[k] == pos) {
            m_values[k] = std::move(v);
            return *this;
        }
    m_fields.push_back(pos);
    m_values.push_back(std::move(v));
    return *this;
}

const std::string& RowWriter::statementFor(const char* verb) {
    if (m_lastVerb == verb && m_lastFields == m_fields) return m_lastSql;
    std::string sql;
    if (std::string(verb) == "INSERT") {
        std::string cols, marks;
        for (std::size_t pos : m_fields) {
            if (!cols.empty()) cols += ", ", marks += ", ";
            cols += quoteIdent(m_layout->fields[pos].name);
            marks += "?";
        }
        sql = cols.empty() ? "INSERT INTO " + quoteIdent(m_table) + " DEFAULT VALUES"
                           : "INSERT INTO " + quoteIdent(m_table) + " (" + cols + ") VALUES (" + marks + ")";
    } else {
        std::string sets;
        for (std::size_t pos : m_fields) sets += (sets.empty() ? "" : ", ") + quoteIdent(m_layout->fields[pos].name) + " = ?";
        sql = "UPDATE " + quoteIdent(m_table) + " SET " + sets + " WHERE rowid = ?";
    }
    m_lastVerb = verb;
    m_lastFields = m_fields;
    m_lastSql = std::move(sql);
    return m_lastSql;
}

void RowWriter::insert() {
    // A key left Null in a new row is the classic "Null value in index" fault.
    for (std::size_t i = 0; i < m_layout->fields.size(); ++i) {
        if (!m_layout->fields[i].key) continue;
        bool set = false;
        for (std::size_t k = 0; k < m_fields.size(); ++k) set = set || (m_fields[k] == i && !m_values[k].isNull());
        if (!set)
            throw DatabaseError(kErrNullInIndex,
                                "The key field " + m_table + "." + m_layout->fields[i].name + " can not be empty.");
    }
    m_db.execute(statementFor("INSERT"), m_values);
    m_fields.clear();
    m_values.clear();
}

void RowWriter::update(std::int64_t rowid) {
    if (!m_fields.empty()) {
        m_values.push_back(Value(static_cast<long long>(rowid)));
        m_db.execute(statementFor("UPDATE"), m_values);
    }
    m_fields.clear();
    m_values.clear();
}

}  // namespace kolv::db
