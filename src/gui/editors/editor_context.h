// What the definition and rainfall windows need from the program: the project, the port, the report folder.
#pragma once

#include <functional>

#include "gui/common/compute_context.h"

namespace kolv::gui::editor_windows {

/// The computation windows' context (project, port, report folder, scripted runs) and what
/// the main window does when a definition window closes.
struct EditorContext {
    compute::ComputeContext base;
    /// Reloads the main window's structure and pipe lists (and what shows them).
    std::function<void()> definitionsChanged;

    db::Project* project() const { return base.currentProject(); }
    ui::UiPort& ui() const { return *base.ui; }
};

}  // namespace kolv::gui::editor_windows
