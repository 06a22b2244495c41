// Writing one row at a time with statements the connection keeps: values checked as a record set checks them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::db {

/// The values of one INSERT or UPDATE, for a writer that produces many rows and keeps none of
/// them in memory. Each value is checked and converted against its field exactly as
/// RecordSet::set() does it (text length, 16-bit integers, single precision, Null keys), and rows
/// with the same fields reuse one compiled statement.
///
///     RowWriter t60(db, "T60");
///     for (...) t60.set("SYSTEM", system).set("Q", q).insert();
class RowWriter {
public:
    RowWriter(Database& db, std::string table);

    /// Sets a field of the row being built; throws when the table has no such field or the value
    /// does not fit it.
    RowWriter& set(const std::string& field, const Value& value);
    /// Adds the row (every key field must be set) and starts the next one.
    void insert();
    /// Writes the fields set into the row with this rowid and starts the next one.
    void update(std::int64_t rowid);

private:
    const std::string& statementFor(const char* verb);

    Database& m_db;
    std::string m_table;
    const TableLayout* m_layout;
    std::vector<std::size_t> m_fields;  ///< positions of the fields set, in the order set
    std::vector<Value> m_values;
    // The text of the last statement, reused while the same fields are set.
    std::vector<std::size_t> m_lastFields;
    std::string m_lastVerb;
    std::string m_lastSql;
};

}  // namespace kolv::db
