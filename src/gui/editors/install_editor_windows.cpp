// Puts the definition and rainfall table windows on the main window's commands.
#include "gui/editors/install_editor_windows.h"

#include "gui/editors/definitions_window.h"
#include "gui/editors/rainfall_windows.h"
#include "gui/app/main_window.h"

#include <QApplication>
#include <QString>

namespace kolv::gui::editor_windows {

namespace {

EditorContext contextOf(MainWindow& window) {
    EditorContext ctx;
    MainWindow* w = &window;
    ctx.base.project = [w] { return w->project(); };
    ctx.base.system = [w] { return w->project() ? w->project()->currentSystem : std::string(); };
    ctx.base.session = &window.session();
    ctx.base.ui = &window.ui();
    ctx.base.reportFolder = [w] { return w->settingsState().reportFolder; };
    ctx.base.scripted = window.ui().recorder() != nullptr;
    ctx.base.parent = &window;
    // structure and pipe names and sizes show in the panel, the diagram's labels and the results
    ctx.definitionsChanged = [w] { w->refreshAfterChange(); };
    return ctx;
}

/// Shows a window modally; a scripted run (tests, screenshots) gets it modeless, to drive it.
template <class W, class... Args>
void present(MainWindow& main, Args&&... args) {
    if (!main.project()) return;
    auto* dialog = new W(contextOf(main), std::forward<Args>(args)..., &main);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (main.ui().recorder()) dialog->show();
    else dialog->exec();
}

}  // namespace

void installEditorWindows(MainWindow& window) {
    MainWindow* w = &window;
    const auto definitions = [w](editing::DefinitionKind kind) {
        // the editing panel's pending records name structures and pipes: write them first
        w->flushPendingEdits();
        present<DefinitionsWindow>(*w, kind);
    };
    window.setCommandHandler(Command::StructureDefinitions,
                             [definitions] { definitions(editing::DefinitionKind::Structure); });
    window.setCommandHandler(Command::PipeDefinitions, [definitions] { definitions(editing::DefinitionKind::Pipe); });
    window.setCommandHandler(Command::IdfCoefficients, [w] { present<IdfWindow>(*w); });
    window.setCommandHandler(Command::TimeIntensityTables, [w] { present<TimeIntensityWindow>(*w); });
}

namespace {

template <class W>
void grabOpened(MainWindow& window, Command command, const QString& dir, const QString& name) {
    window.runCommand(command);
    W* w = window.findChild<W*>();
    if (!w) return;
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    w->grab().save(dir + "/" + name + ".png");
    w->close();
    delete w;  // a closed window deletes itself later; the next command looks for its own
}

}  // namespace

void screenshotEditorWindows(MainWindow& window, const QString& dir) {
    if (!window.project() || !window.ui().recorder()) return;
    grabOpened<DefinitionsWindow>(window, Command::StructureDefinitions, dir, "dialog_structure_definitions");
    grabOpened<DefinitionsWindow>(window, Command::PipeDefinitions, dir, "dialog_pipe_definitions");
    grabOpened<IdfWindow>(window, Command::IdfCoefficients, dir, "dialog_idf_coefficients");
    grabOpened<TimeIntensityWindow>(window, Command::TimeIntensityTables, dir, "dialog_time_intensity");
}

}  // namespace kolv::gui::editor_windows
