// Edit > Undo / Redo and the undo history of the open project, on the main window.
#pragma once

#include <QObject>

class QAction;
class QDockWidget;
class QListWidget;

namespace kolv::gui {

class MainWindow;

/// Binds the main window's Undo and Redo commands (Ctrl+Z, Ctrl+Shift+Z / Ctrl+Y) and the
/// "Undo History" list to the history of the open project. Every command that writes names its
/// step in the core, so this window code only shows and replays the steps.
class UndoController : public QObject {
public:
    explicit UndoController(MainWindow& window);

    QAction* undoAction() const { return m_undo; }
    QAction* redoAction() const { return m_redo; }
    QAction* historyAction() const { return m_historyToggle; }
    QListWidget* historyList() const { return m_list; }

    /// Takes back the last step (pending panel edits are written first); false when nothing was done.
    bool undo();
    bool redo();
    /// Undoes or redoes until the history stands after `row` steps (0 = as opened).
    void jumpTo(int row);
    /// Shows the history's state in the actions and the list.
    void refresh();

private:
    void attach();
    bool replay(bool forward);

    MainWindow& m_window;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_historyToggle = nullptr;
    QDockWidget* m_dock = nullptr;
    QListWidget* m_list = nullptr;
    bool m_refreshing = false;
};

/// Creates the controller as a child of the main window and puts its commands on the Edit menu.
UndoController* installUndo(MainWindow& window);

}  // namespace kolv::gui
