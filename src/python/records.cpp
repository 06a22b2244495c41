// The record table of the Python module: typed values by record and field, read and converted when asked for.
#include "python/records.h"

#include <pybind11/stl.h>

#include "common/error.h"
#include "common/text.h"

namespace kolv::python {

Table::Table(Handle source, std::string table, std::string system, std::vector<std::int64_t> rowids)
    : m_size(rowids.size()), m_source(std::move(source)), m_table(std::move(table)), m_system(std::move(system)),
      m_rowids(std::move(rowids)) {
    setFields(m_source->db().layout(m_table).fields);
}

Table::Table(std::vector<db::FieldDef> fields, const std::vector<std::vector<db::Value>>& rows) : m_size(rows.size()) {
    setFields(std::move(fields));
    for (std::size_t c = 0; c < m_fields.size(); ++c) {
        m_columns[c].reserve(rows.size());
        for (const auto& r : rows) m_columns[c].push_back(c < r.size() ? r[c] : db::Value());
        m_loaded[c] = true;
    }
}

void Table::setFields(std::vector<db::FieldDef> fields) {
    m_fields = std::move(fields);
    for (std::size_t i = 0; i < m_fields.size(); ++i) m_index[toUpper(m_fields[i].name)] = i;
    m_columns.assign(m_fields.size(), {});
    m_loaded.assign(m_fields.size(), false);
}

long Table::position(const std::string& name) const {
    auto it = m_index.find(toUpper(name));
    return it == m_index.end() ? -1 : static_cast<long>(it->second);
}

const db::Value& Table::value(std::size_t row, std::size_t column) {
    if (!m_loaded.at(column)) load(column);
    return m_columns[column].at(row);
}

void Table::load(std::size_t column) {
    db::Database& db = m_source->db();  // InputError once the project is closed
    if (m_rowAt.empty())
        for (std::size_t i = 0; i < m_rowids.size(); ++i) m_rowAt.emplace(m_rowids[i], i);
    auto& values = m_columns[column];
    values.assign(m_size, db::Value());
    db::Statement st = db.prepare("SELECT rowid, " + db::quoteIdent(m_fields[column].name) + " FROM " +
                                  db::quoteIdent(m_table) + " WHERE " + db::quoteIdent("SYSTEM") + " = ?");
    st.bind(1, db::Value(m_system));
    while (st.step())
        if (auto it = m_rowAt.find(st.column(0).toInt()); it != m_rowAt.end()) values[it->second] = st.column(1);
    m_loaded[column] = true;
}

namespace {

std::size_t rowIndex(const Table& t, long row) {
    if (row < 0 || row >= static_cast<long>(t.size())) throw py::index_error("record index out of range");
    return static_cast<std::size_t>(row);
}

std::size_t columnIndex(const Table& t, long column) {
    if (column < 0 || column >= static_cast<long>(t.fields().size())) throw py::index_error("field index out of range");
    return static_cast<std::size_t>(column);
}

}  // namespace

void bindRecords(py::module_& m) {
    py::class_<Table>(m, "Table", "Records of one table of a system, in flow order; fields read when first asked for.")
        .def("__len__", &Table::size)
        .def_property_readonly("fields",
                               [](const Table& t) {
                                   std::vector<std::string> names;
                                   for (const auto& f : t.fields()) names.push_back(f.name);
                                   return names;
                               })
        .def("position", &Table::position, py::arg("field"))
        .def("value",
             [](Table& t, long row, long column) {
                 const std::size_t c = columnIndex(t, column);
                 return toPython(t.value(rowIndex(t, row), c), t.fields()[c].type);
             })
        .def("row",
             [](Table& t, long row) {
                 const std::size_t r = rowIndex(t, row);
                 py::tuple out(t.fields().size());
                 for (std::size_t c = 0; c < t.fields().size(); ++c) out[c] = toPython(t.value(r, c), t.fields()[c].type);
                 return out;
             })
        .def("column", [](Table& t, long column) {
            const std::size_t c = columnIndex(t, column);
            py::list out(t.size());
            for (std::size_t i = 0; i < t.size(); ++i) out[i] = toPython(t.value(i, c), t.fields()[c].type);
            return out;
        });
}

}  // namespace kolv::python
