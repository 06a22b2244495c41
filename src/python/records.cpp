// The record table of the Python module: typed values by row and field, converted when asked for.
#include "python/records.h"

#include <pybind11/stl.h>

#include "common/error.h"
#include "common/text.h"

namespace kolv::python {

long Table::position(const std::string& name) const {
    auto it = index.find(toUpper(name));
    return it == index.end() ? -1 : static_cast<long>(it->second);
}

namespace {

const std::vector<db::Value>& rowAt(const Table& t, long row) {
    if (row < 0 || row >= static_cast<long>(t.rows.size())) throw py::index_error("record index out of range");
    return t.rows[static_cast<std::size_t>(row)];
}

}  // namespace

void bindRecords(py::module_& m) {
    py::class_<Table>(m, "Table", "Rows of one table of a system as read, in flow order.")
        .def("__len__", [](const Table& t) { return t.rows.size(); })
        .def_property_readonly("fields",
                               [](const Table& t) {
                                   std::vector<std::string> names;
                                   for (const auto& f : t.fields) names.push_back(f.name);
                                   return names;
                               })
        .def("position", &Table::position, py::arg("field"))
        .def("value",
             [](const Table& t, long row, long column) {
                 const auto& r = rowAt(t, row);
                 if (column < 0 || column >= static_cast<long>(r.size()))
                     throw py::index_error("field index out of range");
                 const auto c = static_cast<std::size_t>(column);
                 return toPython(r[c], t.fields[c].type);
             })
        .def("row",
             [](const Table& t, long row) {
                 const auto& r = rowAt(t, row);
                 py::tuple out(r.size());
                 for (std::size_t c = 0; c < r.size(); ++c) out[c] = toPython(r[c], t.fields[c].type);
                 return out;
             })
        .def("column",
             [](const Table& t, long column) {
                 if (column < 0 || column >= static_cast<long>(t.fields.size()))
                     throw py::index_error("field index out of range");
                 const auto c = static_cast<std::size_t>(column);
                 py::list out(t.rows.size());
                 for (std::size_t i = 0; i < t.rows.size(); ++i) out[i] = toPython(t.rows[i][c], t.fields[c].type);
                 return out;
             })
        .def("field_type", [](const Table& t, long column) {
            static const char* names[] = {"int", "int", "float", "float", "str", "bool", "str"};
            return std::string(names[static_cast<int>(t.fields.at(static_cast<std::size_t>(column)).type)]);
        });
}

}  // namespace kolv::python
