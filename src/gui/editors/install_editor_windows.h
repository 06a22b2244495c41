// Puts the definition and rainfall table windows on the main window's commands.
#pragma once

namespace kolv::gui {
class MainWindow;
}

namespace kolv::gui::editor_windows {

/// Registers "Structure Definitions", "Pipe Definitions", "IDF Coefficients" and
/// "Storm Time-Intensity Tables (user defined)" (menu and toolbar) on the main window. Each
/// opens its window modally; closing a definition window reloads the main window's name lists.
void installEditorWindows(MainWindow& window);

}  // namespace kolv::gui::editor_windows
