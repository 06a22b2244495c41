// Puts the renumbering and divide / combine windows on the main window's Edit commands.
#pragma once

namespace kolv::gui {

class MainWindow;

/// Registers the handlers of "Renumber Nodes && Reaches" and "Divide/Combine System(s)".
void installRenumberWindows(MainWindow& window);

}  // namespace kolv::gui
