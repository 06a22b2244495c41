// Editing for scripts: node, reach and outfall fields set by name, records and systems added and
// deleted, all through the core's project editor (the editing panel's checks and switches).
#include <pybind11/stl.h>

#include "common/error.h"
#include "common/text.h"
#include "python/bindings.h"
#include "scripting/project_editor.h"

namespace kolv::python {
namespace {

using scripting::RecordKind;

RecordKind kindOf(const std::string& table) {
    if (table == "NODE") return RecordKind::Node;
    if (table == "REACH") return RecordKind::Reach;
    if (table == "T16") return RecordKind::Outfall;
    throw InputError("Unknown table '" + table + "'.");
}

/// A Python value as a typed value of the project: bool, int, float or text.
db::Value valueOf(const py::handle& v) {
    if (v.is_none()) return db::Value();
    if (py::isinstance<py::bool_>(v)) return db::Value(v.cast<bool>());
    if (py::isinstance<py::int_>(v)) return db::Value(v.cast<long long>());
    if (py::isinstance<py::float_>(v)) return db::Value(v.cast<double>());
    return db::Value(py::str(v).cast<std::string>());
}

void check(const scripting::EditResult& r) {
    if (!r.ok) throw InputError(r.message);
}

void setField(ProjectHandle& h, const std::string& table, const std::string& system, const std::string& name,
              const std::string& field, const py::handle& value) {
    const std::string sys = h.systemNamed(system);
    check(h.editor().setValue(kindOf(table), sys, name, field, valueOf(value)));
}

/// Takes a field given by one of its names out of the keywords (None when not given).
py::object take(py::dict& fields, std::initializer_list<const char*> names) {
    py::object found = py::none();
    for (const char* n : names)
        if (fields.contains(n)) {
            found = fields[n];
            PyDict_DelItemString(fields.ptr(), n);
        }
    return found;
}

std::optional<double> number(const py::object& v, const char* what) {
    if (v.is_none()) return std::nullopt;
    try {
        return v.cast<double>();
    } catch (const py::cast_error&) {
        throw InputError(std::string(what) + " must be a number, not '" + typedText(v) + "'.");
    }
}

std::string text(const py::object& v) { return v.is_none() ? std::string() : typedText(v); }

void addRecord(ProjectHandle& h, const std::string& table, const std::string& system, const std::string& name,
               py::dict fields) {
    const std::string sys = h.systemNamed(system);
    auto& editor = h.editor();
    std::string key = trim(name);
    if (table == "NODE") {
        scripting::NewNode node;
        node.name = key;
        node.structure = text(take(fields, {"structure", "STRUCT_NAME"}));
        node.x = number(take(fields, {"x", "XD"}), "x");
        node.y = number(take(fields, {"y", "YD"}), "y");
        check(editor.addNode(sys, node, &key));
    } else if (table == "REACH") {
        scripting::NewReach reach;
        reach.from = key;
        reach.to = text(take(fields, {"to", "NODE2"}));
        reach.pipe = text(take(fields, {"pipe", "PIPE_NAME"}));
        const py::object ditch = take(fields, {"ditch"});
        reach.kind = !ditch.is_none() && ditch.cast<bool>() ? scripting::ReachKind::Ditch : scripting::ReachKind::Pipe;
        if (trim(reach.to).empty()) throw InputError("A reach needs the node or outfall it drains to (to=...).");
        check(editor.addReach(sys, reach));
    } else {
        throw InputError("Add a system with Project.add_system.");
    }
    for (const auto& [field, value] : fields)
        check(editor.setValue(kindOf(table), sys, key, py::str(field).cast<std::string>(), valueOf(value)));
}

void deleteRecord(ProjectHandle& h, const std::string& table, const std::string& system, const std::string& name) {
    const std::string sys = h.systemNamed(system);
    if (table == "NODE") check(h.editor().deleteNode(sys, name));
    else if (table == "REACH") check(h.editor().deleteReach(sys, name));
    else throw InputError("Delete a system with Project.delete_system.");
}

void addSystem(ProjectHandle& h, const std::string& name, const std::string& outfall, const py::object& tailwater,
               const py::object& elevation, const py::object& x, const py::object& y) {
    db::Project& p = h.get();
    scripting::NewSystem s;
    s.name = trim(name);
    s.outfall = trim(outfall);
    s.tailwaterElevation = number(tailwater, "tailwater");
    s.x = number(x, "x");
    s.y = number(y, "y");
    check(h.editor().addSystem(s));
    db::refreshSystems(p);
    if (!elevation.is_none()) check(h.editor().setValue(RecordKind::Outfall, s.name, "", "OUT_EL", valueOf(elevation)));
}

void deleteSystem(ProjectHandle& h, const std::string& name) {
    db::Project& p = h.get();
    const std::string sys = h.systemNamed(name);
    check(h.editor().deleteSystem(sys));
    if (equalsIgnoreCase(p.currentSystem, sys)) {
        db::UndoPause pause(*p.db);
        db::setCurrentSystem(p, "");
    }
    db::refreshSystems(p);
}

}  // namespace

void bindEditing(py::module_& m) {
    m.def("set_field", &setField, py::arg("handle"), py::arg("table"), py::arg("system"), py::arg("name"),
          py::arg("field"), py::arg("value"));
    m.def("add_record", &addRecord, py::arg("handle"), py::arg("table"), py::arg("system"), py::arg("name"),
          py::arg("fields"));
    m.def("delete_record", &deleteRecord, py::arg("handle"), py::arg("table"), py::arg("system"), py::arg("name"));
    m.def("add_system", &addSystem, py::arg("handle"), py::arg("name"), py::arg("outfall"), py::arg("tailwater"),
          py::arg("elevation"), py::arg("x"), py::arg("y"));
    m.def("delete_system", &deleteSystem, py::arg("handle"), py::arg("name"));
}

}  // namespace kolv::python
