// Python module kolv._core: opening and creating projects, systems, record tables and undo, over kolv_core.
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "common/error.h"
#include "common/text.h"
#include "db/project_file.h"
#include "db/undo_history.h"
#include "settings/data_folder.h"
#include "python/bindings.h"
#include "python/records.h"
#include "scripting/project_editor.h"

namespace kolv::python {

ui::Answer ScriptUi::message(const std::string& title, const std::string& text, ui::Icon icon, ui::Buttons buttons,
                             ui::Answer defaultAnswer) {
    m_messages.push_back(title.empty() ? text : title + ": " + text);
    if (title == "INVALID DATA" || title == "ERROR TRAP" || icon == ui::Icon::Critical ||
        icon == ui::Icon::Exclamation)
        m_refusal = text;
    if (answerYes && (buttons == ui::Buttons::YesNo || buttons == ui::Buttons::YesNoCancel)) return ui::Answer::Yes;
    if (answerYes && buttons == ui::Buttons::OkCancel) return ui::Answer::Ok;
    return defaultAnswer;
}

std::vector<std::string> ScriptUi::take() {
    std::vector<std::string> out;
    out.swap(m_messages);
    m_refusal.clear();
    return out;
}

db::Project& ProjectHandle::get() {
    if (!project) throw InputError("The project is closed.");
    return *project;
}

ProjectHandle::~ProjectHandle() = default;

scripting::ProjectEditor& ProjectHandle::editor() {
    db::Project& p = get();
    if (!recordEditor) recordEditor = std::make_unique<scripting::ProjectEditor>(*p.db, p.metric);
    return *recordEditor;
}

std::string ProjectHandle::systemNamed(const std::string& name) {
    db::Project& p = get();
    const std::string want = trim(name);
    for (const auto& s : p.systems)
        if (equalsIgnoreCase(s, want)) return s;
    std::string list;
    for (const auto& s : p.systems) list += (list.empty() ? "" : ", ") + s;
    throw InputError("The system '" + want + "' is not in " + p.path + ". Systems: " + (list.empty() ? "(none)" : list));
}

void ProjectHandle::refuse(const std::string& fallback) {
    const std::string reason = ui.lastRefusal().empty() ? fallback : ui.lastRefusal();
    ui.take();
    throw InputError(reason);
}

py::object toPython(const db::Value& v, db::FieldType type) {
    using FT = db::FieldType;
    switch (type) {
    case FT::Text:
    case FT::Memo: return py::str(v.toText());
    case FT::YesNo: return py::bool_(v.toBool());
    case FT::Integer:
    case FT::Long: return py::int_(v.toInt());
    case FT::Single:
    case FT::Double: return py::float_(v.toDouble());
    }
    return py::none();
}

std::string typedText(const py::handle& value) {
    if (value.is_none()) return "";
    if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? "-1" : "0";
    if (py::isinstance<py::float_>(value)) {
        const double d = value.cast<double>();
        // A value that is not finite is never stored; its text is refused like a typed one.
        if (!std::isfinite(d)) return std::isnan(d) ? "NaN" : "Infinity";
        return py::str(py::repr(value)).cast<std::string>();
    }
    return py::str(value).cast<std::string>();
}

namespace {

/// Reads a table's rows of one system in storage order.
Table readRows(db::Database& db, const std::string& table, const std::string& system) {
    Table t;
    t.fields = db.layout(table).fields;
    for (std::size_t i = 0; i < t.fields.size(); ++i) t.index[toUpper(t.fields[i].name)] = i;
    db::Statement st = db.prepare("SELECT * FROM " + db::quoteIdent(table) + " WHERE " +
                                  db::quoteIdent("SYSTEM") + " = ? ORDER BY rowid");
    st.bind(1, db::Value(trim(system)));
    const int columns = st.columnCount();
    while (st.step()) {
        std::vector<db::Value> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) row.push_back(st.column(c));
        t.rows.push_back(std::move(row));
    }
    return t;
}

/// The editor's records as a table: the field layout of the first, the values of each.
Table tableOf(std::vector<scripting::Record> records, db::Database& db, const std::string& table) {
    Table t;
    for (const auto& f : db.layout(table).fields) t.fields.push_back(f);
    for (std::size_t i = 0; i < t.fields.size(); ++i) t.index[toUpper(t.fields[i].name)] = i;
    t.rows.reserve(records.size());
    for (auto& r : records) {
        std::vector<db::Value> row;
        row.reserve(r.fields.size());
        for (auto& f : r.fields) row.push_back(std::move(f.value));
        t.rows.push_back(std::move(row));
    }
    return t;
}

}  // namespace

Table readSystemTable(ProjectHandle& h, const std::string& kind, const std::string& system) {
    db::Database& db = h.db();
    const std::string sys = h.systemNamed(system);
    // Flow order, as the computations list the records: each reach after every reach that
    // drains into its upstream node; a node where its outgoing reach comes, the others last.
    if (kind == "NODE") return tableOf(h.editor().nodes(sys), db, "NODE");
    if (kind == "REACH") return tableOf(h.editor().reaches(sys), db, "REACH");
    if (kind == "T16") return readRows(db, "T16", sys);
    throw InputError("Unknown table '" + kind + "'.");
}

namespace {

Handle openHandle(const std::string& path) {
    auto h = std::make_shared<ProjectHandle>();
    {
        py::gil_scoped_release release;
        h->project = db::openProject(path, h->ui);
    }
    h->ui.take();  // the upgrade notices of an older file are not the script's business
    h->project->db->attachHistory();
    return h;
}

Handle newHandle(const std::string& path, const std::string& seed, bool metric, bool replace) {
    ScriptUi ui;
    ui.answerYes = replace;
    const std::string target = db::withProjectExtension(path);
    if (!db::createProjectInUnits(path, seed, metric, ui)) {
        const std::string why = ui.lastRefusal();
        throw InputError(why.empty() ? "'" + target + "' already exists; it was left as it is. Pass replace=True "
                                                      "to replace it with a new empty project."
                                     : why);
    }
    return openHandle(target);
}

db::UndoHistory& historyOf(ProjectHandle& h) {
    db::UndoHistory* history = h.db().history();
    if (!history) throw InputError("The project keeps no undo history.");
    return *history;
}

}  // namespace

void bindProject(py::module_& m) {
    bindRecords(m);

    py::class_<ProjectHandle, Handle>(m, "ProjectHandle", "An open project file (use kolv.open or kolv.new).")
        .def_property_readonly("path", [](ProjectHandle& h) { return h.get().path; })
        .def_property_readonly("metric", [](ProjectHandle& h) { return h.get().metric; })
        .def_property_readonly("closed", [](ProjectHandle& h) { return !h.project; })
        .def("systems",
             [](ProjectHandle& h) {
                 db::refreshSystems(h.get());
                 return h.get().systems;
             })
        .def_property(
            "current_system", [](ProjectHandle& h) { return h.get().currentSystem; },
            [](ProjectHandle& h, const std::string& name) {
                db::Project& p = h.get();
                const std::string s = trim(name).empty() ? std::string() : h.systemNamed(name);
                db::UndoPause pause(*p.db);
                db::setCurrentSystem(p, s);
            })
        .def("messages", [](ProjectHandle& h) { return h.ui.take(); })
        .def("close",
             [](ProjectHandle& h) {
                 h.recordEditor.reset();
                 h.project.reset();
             })
        .def("table", &readSystemTable, py::arg("kind"), py::arg("system"))
        .def(
            "record",
            [](ProjectHandle& h, const std::string& kind, const std::string& system, const std::string& name) {
                const std::string sys = h.systemNamed(system);
                std::optional<scripting::Record> r;
                if (kind == "NODE") r = h.editor().node(sys, name);
                else if (kind == "REACH") r = h.editor().reach(sys, name);
                else if (kind == "T16") r = h.editor().outfall(sys);
                else throw InputError("Unknown table '" + kind + "'.");
                if (!r) throw InputError("'" + trim(name) + "' is no longer in system " + sys + ".");
                std::vector<scripting::Record> one;
                one.push_back(std::move(*r));
                return tableOf(std::move(one), h.db(), kind);
            },
            py::arg("kind"), py::arg("system"), py::arg("name"))
        .def("begin_change", [](ProjectHandle& h, const std::string& caption) { historyOf(h).beginStep(caption); })
        .def("end_change", [](ProjectHandle& h) { historyOf(h).endStep(); })
        .def("undo_names", [](ProjectHandle& h) { return historyOf(h).undoNames(); })
        .def("redo_names", [](ProjectHandle& h) { return historyOf(h).redoNames(); })
        .def("undo",
             [](ProjectHandle& h) {
                 const bool done = historyOf(h).undo();
                 db::refreshSystems(h.get());
                 return done;
             })
        .def("redo", [](ProjectHandle& h) {
            const bool done = historyOf(h).redo();
            db::refreshSystems(h.get());
            return done;
        });

    m.def("open_project", &openHandle, py::arg("path"));
    m.def("new_project", &newHandle, py::arg("path"), py::arg("seed"), py::arg("metric"), py::arg("replace"));
    m.def("default_seed", [] { return settings::seedDatabasePath(); });
}


namespace {

/// Raises the Python exception of the module's errors module named `name` with the message and code.
void raise(const char* name, const Error& e) {
    py::object cls = py::module_::import("kolv.errors").attr(name);
    py::object instance = cls(py::str(e.what()), e.code());
    PyErr_SetObject(cls.ptr(), instance.ptr());
}

/// A project file another program holds: the engine's busy or locked answer.
bool isLocked(const Error& e) {
    return std::string(e.what()).find("(locked)") != std::string::npos;
}

void translate(std::exception_ptr p) {
    try {
        if (p) std::rethrow_exception(p);
    } catch (const InputError& e) {
        raise("InputError", e);
    } catch (const DatabaseError& e) {
        if (e.code() == kErrNotAProject) raise("NotAProject", e);
        else if (e.code() == kErrFileNotFound) raise("ProjectNotFound", e);
        else if (isLocked(e)) raise("ProjectLocked", e);
        else raise("DatabaseError", e);
    } catch (const Error& e) {
        raise("Error", e);
    }
}

}  // namespace

}  // namespace kolv::python

PYBIND11_MODULE(_core, m) {
    m.doc() = "The computing core of the kolv package (use the kolv package, not this module).";
    kolv::python::py::register_exception_translator(&kolv::python::translate);
    kolv::python::bindProject(m);
    kolv::python::bindEditing(m);
    kolv::python::bindComputations(m);
    kolv::python::bindDefinitions(m);
}
