// The whole desktop program on one main window, as kolv's main() assembles it, for tests that
// drive it end to end offscreen. Header-only; only the program-level GUI tests include it.
#pragma once

#include <QApplication>
#include <memory>

#include "gui/compute/install_compute_windows.h"
#include "gui/diagram/diagram_pane.h"
#include "gui/diagram/install_diagram.h"
#include "gui/editors/install_editor_windows.h"
#include "gui/exchange/install_exchange_windows.h"
#include "gui/app/main_window.h"
#include "gui/renumber/install_renumber_windows.h"
#include "gui/shell/install_shell_commands.h"
#include "gui/submittal/install_submittal.h"

namespace kolv::test {

struct Program {
    std::unique_ptr<gui::MainWindow> window;
    gui::compute::ComputeWindows* compute = nullptr;
    gui::diagram::DiagramPane* diagram = nullptr;

    explicit Program(gui::MainWindowOptions options) {
        window = std::make_unique<gui::MainWindow>(std::move(options));
        compute = gui::compute::installComputeWindows(*window);
        gui::shell::installShellCommands(*window, *compute);
        gui::installRenumberWindows(*window);
        gui::editor_windows::installEditorWindows(*window);
        gui::exchange::installExchangeWindows(*window);
        diagram = gui::diagram::installDiagram(*window);
        gui::submittal_window::installSubmittal(*window);
    }
    gui::MainWindow& w() { return *window; }
    gui::diagram::DiagramView* view() const { return diagram->view(); }
};

/// The window of type W among the main window's children (some windows have no meta-object of
/// their own, so Qt's findChild would take any dialog for them).
template <class W>
W* windowOf(QObject& parent) {
    for (QObject* o : parent.findChildren<QObject*>())
        if (auto* w = dynamic_cast<W*>(o)) return w;
    return nullptr;
}

/// Lets queued work (deferred binds, label completion) run as the event loop would.
inline void settle(int rounds = 4) {
    for (int i = 0; i < rounds; ++i) QApplication::processEvents();
}

}  // namespace kolv::test
