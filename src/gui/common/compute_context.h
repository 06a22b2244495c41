// What the computation windows need from the program: the open project, the current system, the session and the port.
#pragma once

#include <functional>
#include <string>

#include "db/project.h"
#include "session/session.h"
#include "ui/ui_port.h"

class QWidget;

namespace kolv::gui::compute {

/// Handed to every computation and result window. The main window fills it from its own state;
/// a test fills it with a project of its own and a recording port.
struct ComputeContext {
    /// The open project (nullptr when none is open). Asked each time: another project may open.
    std::function<db::Project*()> project;
    /// The system selected in the main window, trimmed.
    std::function<std::string()> system;
    Session* session = nullptr;
    ui::UiPort* ui = nullptr;
    /// Report folder of the settings file ("" = the installation's report folder).
    std::function<std::string()> reportFolder;
    /// No modal dialogs of the windows' own (file and printer choosers, the pass-limit warning
    /// window): tests and the screenshot run answer through the port instead.
    bool scripted = false;
    /// Answer of the "do not show again" box when scripted.
    bool scriptedDoNotShowAgain = false;
    /// Parent of the windows (the main window).
    QWidget* parent = nullptr;
    /// A run wrote to the project: the main window refreshes its node list, panel and the
    /// other open result windows.
    std::function<void()> changed;

    db::Project* currentProject() const { return project ? project() : nullptr; }
    std::string currentSystem() const { return system ? system() : std::string(); }
    std::string currentReportFolder() const { return reportFolder ? reportFolder() : std::string(); }
    void notifyChanged() const {
        if (changed) changed();
    }
};

}  // namespace kolv::gui::compute
