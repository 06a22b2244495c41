// Puts the definition and rainfall table windows on the main window's commands.
#pragma once

class QString;

namespace kolv::gui {
class MainWindow;
}

namespace kolv::gui::editor_windows {

/// Registers "Structure Definitions", "Pipe Definitions", "IDF Coefficients" and
/// "Storm Time-Intensity Tables (user defined)" (menu and toolbar) on the main window. Each
/// opens its window modally; closing a definition window reloads the main window's name lists.
void installEditorWindows(MainWindow& window);

/// Opens each window through its command (the main window runs scripted, with a project) and
/// saves a PNG of it into `dir`: dialog_structure_definitions, dialog_pipe_definitions,
/// dialog_idf_coefficients, dialog_time_intensity.
void screenshotEditorWindows(MainWindow& window, const QString& dir);

}  // namespace kolv::gui::editor_windows
