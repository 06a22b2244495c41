// Puts the renumbering and divide / combine windows on the main window's Edit commands.
#include "gui/renumber/install_renumber_windows.h"

#include "gui/app/main_window.h"
#include "gui/renumber/divide_combine_window.h"
#include "gui/renumber/renumber_window.h"

namespace kolv::gui {

void installRenumberWindows(MainWindow& window) {
    window.setCommandHandler(Command::Renumber, [&window] {
        if (!window.project()) return;
        if (window.project()->currentSystem.empty()) {
            window.ui().message("MISSING DATA", "Select a system from the list.", ui::Icon::Exclamation,
                                ui::Buttons::Ok, ui::Answer::Ok);
            return;
        }
        if (!window.flushPendingEdits()) return;  // a refused value is still on the panel
        RenumberWindow w(window);
        w.exec();
    });
    window.setCommandHandler(Command::DivideCombine, [&window] {
        if (!window.project()) return;
        if (!window.flushPendingEdits()) return;  // a refused value is still on the panel
        DivideCombineWindow w(window);
        w.exec();
    });
}

}  // namespace kolv::gui
