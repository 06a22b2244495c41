// Shared pieces of the Python module: the script's user-interaction port and the open-project handle.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <vector>

#include "db/project.h"
#include "session/session.h"
#include "ui/ui_port.h"

namespace kolv::scripting {
class ProjectEditor;
}

namespace kolv::python {

namespace py = pybind11;

/// The port a script talks through: nothing is shown, every message is kept for the result
/// object, and a question gets its default button unless the script's own call is the
/// engineer's answer (deleting what the script named), when it gets Yes.
class ScriptUi : public ui::UiPort {
public:
    void beep() override {}
    ui::Answer message(const std::string& title, const std::string& text, ui::Icon icon, ui::Buttons buttons,
                       ui::Answer defaultAnswer) override;
    void status(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    void processEvents() override {}

    /// Messages since the last take(), as "TITLE: text" (or the text alone without a title).
    std::vector<std::string> take();
    /// The text of the last message that refused something ("INVALID DATA", critical or
    /// exclamation boxes), "" when none since the last take().
    const std::string& lastRefusal() const { return m_refusal; }
    /// Answers questions Yes while set.
    bool answerYes = false;

private:
    std::vector<std::string> m_messages;
    std::string m_refusal;
};

/// Answers Yes to the questions of one call of the script, then goes back to defaults.
class YesScope {
public:
    explicit YesScope(ScriptUi& ui) : m_ui(ui), m_was(ui.answerYes) { m_ui.answerYes = true; }
    ~YesScope() { m_ui.answerYes = m_was; }
    YesScope(const YesScope&) = delete;
    YesScope& operator=(const YesScope&) = delete;

private:
    ScriptUi& m_ui;
    bool m_was;
};

/// An open project as the script holds it: the project, its port and its session state.
struct ProjectHandle {
    std::unique_ptr<db::Project> project;
    ScriptUi ui;
    Session session;

    /// The open project; InputError once it was closed.
    db::Project& get();
    db::Database& db() { return *get().db; }
    /// The editor of node, reach and outfall records (made when the project was opened).
    scripting::ProjectEditor& editor();
    std::unique_ptr<scripting::ProjectEditor> recordEditor;
    ~ProjectHandle();
    /// The system named (trimmed, any case) as the project spells it; InputError listing the
    /// systems when there is none of that name.
    std::string systemNamed(const std::string& name);
    /// Throws InputError with the refusal the port received, or with `fallback` when none did.
    [[noreturn]] void refuse(const std::string& fallback);
};

using Handle = std::shared_ptr<ProjectHandle>;

/// A value read from the project as Python sees it: text, int, float or bool by the field's type.
py::object toPython(const db::Value& v, db::FieldType type);
/// A Python value as a typed text, the way the engineer would type it into the field.
std::string typedText(const py::handle& value);

void bindProject(py::module_& m);
void bindComputations(py::module_& m);
void bindDefinitions(py::module_& m);
void bindEditing(py::module_& m);

}  // namespace kolv::python
