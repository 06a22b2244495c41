// Puts File > Print Submittal... on the main window.
#pragma once

class QAction;

namespace kolv::gui {
class MainWindow;
}

namespace kolv::gui::submittal_window {

/// Adds the command to the File menu, above the print command; returns its action.
QAction* installSubmittal(MainWindow& window);

}  // namespace kolv::gui::submittal_window
