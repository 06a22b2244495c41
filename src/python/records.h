// A table of records for a script: field layout and typed values in flow order, each field read when first asked for.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/schema.h"
#include "db/value.h"
#include "python/bindings.h"

namespace kolv::python {

/// The records of one table of a system, held in C++ by field. A script that reads one field of
/// ten thousand records reads that field only: each field is read from the project, for every
/// record at once, the first time it is asked for.
class Table {
public:
    /// A table whose fields are read on demand from `table` of `system` of the project, for the
    /// records of the given rowids (in that order).
    Table(Handle source, std::string table, std::string system, std::vector<std::int64_t> rowids);
    /// A table with every value given (rows of values in field order).
    Table(std::vector<db::FieldDef> fields, const std::vector<std::vector<db::Value>>& rows);

    std::size_t size() const { return m_size; }
    const std::vector<db::FieldDef>& fields() const { return m_fields; }
    /// Column of a field named in any case, or -1.
    long position(const std::string& name) const;
    /// The value of a record's field (reading the field when it was not read yet).
    const db::Value& value(std::size_t row, std::size_t column);

private:
    void setFields(std::vector<db::FieldDef> fields);
    void load(std::size_t column);

    std::vector<db::FieldDef> m_fields;
    std::unordered_map<std::string, std::size_t> m_index;  ///< upper-cased name -> column
    std::size_t m_size = 0;
    std::vector<std::vector<db::Value>> m_columns;  ///< by field; empty until read
    std::vector<bool> m_loaded;
    Handle m_source;
    std::string m_table, m_system;
    std::vector<std::int64_t> m_rowids;
    std::unordered_map<std::int64_t, std::size_t> m_rowAt;
};

/// The NODE or REACH records of a system in flow order, or its T16 record ("NODE", "REACH", "T16").
Table readSystemTable(const Handle& h, const std::string& kind, const std::string& system);

void bindRecords(py::module_& m);

}  // namespace kolv::python
