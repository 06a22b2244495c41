// One row of a table read straight from a statement, with the field accessors of a record set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::db {

/// The rows of a table streamed one at a time, for a reader that visits each row once and keeps
/// nothing of it: no row set is held in memory, however large the table.
///
///     TableRows nodes(db, "NODE", "SYSTEM = ?", {system});
///     while (nodes.next()) use(nodes.text("NAME"), nodes.number("TC"));
///
/// Rows come in storage order (rowid), as a record set without an order clause gives them;
/// Null reads as empty text, 0 or false, as everywhere.
class TableRows {
public:
    /// `fields` names the fields to read (all of them when empty); reading another one throws.
    TableRows(Database& db, const std::string& table, const std::string& where = {},
              const std::vector<Value>& params = {}, const std::vector<std::string>& fields = {});

    /// Steps to the next row; false after the last.
    bool next();

    /// A field looked up once, for reading it from many rows without finding its name each time.
    struct Field {
        std::size_t at;
    };
    Field field(const std::string& name) const { return {fieldIndex(name)}; }
    const Value& value(Field f) const { return m_values[f.at]; }
    std::string text(Field f) const { return value(f).toText(); }
    double number(Field f) const { return value(f).toDouble(); }
    long integer(Field f) const { return static_cast<long>(value(f).toInt()); }
    bool flag(Field f) const { return value(f).toBool(); }

    const Value& value(const std::string& field) const { return m_values[fieldIndex(field)]; }
    std::string text(const std::string& field) const { return value(field).toText(); }
    double number(const std::string& field) const { return value(field).toDouble(); }
    long integer(const std::string& field) const { return static_cast<long>(value(field).toInt()); }
    bool flag(const std::string& field) const { return value(field).toBool(); }
    bool isNull(const std::string& field) const { return value(field).isNull(); }
    std::int64_t rowid() const { return m_rowid; }

private:
    std::size_t fieldIndex(const std::string& name) const;

    std::string m_table;
    const TableLayout* m_layout;
    std::vector<long> m_columnOf;  ///< layout position -> place in m_values, -1 when not read
    Statement m_statement;
    std::vector<Value> m_values;
    std::int64_t m_rowid = 0;
};

}  // namespace kolv::db
