// A table of records read at once for a script: field layout and typed values, read in flow order.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/schema.h"
#include "db/value.h"
#include "python/bindings.h"

namespace kolv::python {

/// The rows of one table of a system as they were when read, held in C++ so that a script
/// reading ten thousand records converts only the fields it looks at.
struct Table {
    std::vector<db::FieldDef> fields;
    std::unordered_map<std::string, std::size_t> index;  ///< upper-cased field name -> column
    std::vector<std::vector<db::Value>> rows;

    /// Column of a field named in any case, or -1.
    long position(const std::string& name) const;
};

/// The NODE or REACH rows of a system in flow order, or its T16 row ("NODE", "REACH", "T16").
Table readSystemTable(ProjectHandle& h, const std::string& kind, const std::string& system);

void bindRecords(py::module_& m);

}  // namespace kolv::python
