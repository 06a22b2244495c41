// The main window: menus, toolbar, system selector, editing panel, status line and command routing.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/project.h"
#include "gui/app/commands.h"
#include "gui/app/gui_ui.h"
#include "session/session.h"
#include "settings/settings_file.h"

class QAction;
class QComboBox;
class QLabel;
class QProgressBar;
class QDockWidget;
class QDragEnterEvent;
class QDropEvent;

namespace kolv::gui {

class NodeListView;

class EditPanelWidget;
class UndoController;

/// How the window is run: by the engineer, by a test or by the screenshot run.
struct MainWindowOptions {
    std::string settingsPath;                  ///< "" = the user's settings file
    ui::RecordingUi* recorder = nullptr;       ///< answers message boxes (tests, screenshots)
    bool rememberGeometry = true;              ///< restore and keep the window layout
    /// Help > Support Tools (special table editing, diagnosis, class loading) is shown only on
    /// request (--support-tools): an engineer's menu holds no commands meant for technical support.
    bool supportTools = false;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Runs a command as its menu entry or toolbar button does; exceptions end in the error trap.
    void runCommand(Command id);
    /// Installs the action of a command (windows built elsewhere register here).
    void setCommandHandler(Command id, std::function<void()> handler);

    /// Opens a project file (the project open before, if any, is replaced). True on success.
    bool openProjectFile(const std::string& path);
    /// Opens the project of recent-file entry n (1..4) by its caption.
    void openRecent(int n);
    /// Makes a system current (the selector's algorithm); "" clears the selection.
    void changeCurrentSystem(const std::string& name);
    /// Re-reads the systems into the selector and selects `select` when listed
    /// ("????????" selects nothing).
    void rebuildSystemLists(const std::string& select);
    /// Adds a storm sewer system for the first node of a project: the engineer names it (a free
    /// "SYSTEM<n>" is proposed; a scripted run takes it) and it becomes the current system.
    /// Returns its name, or "" when none was added.
    std::string offerNewSystem();
    /// Writes the editing panel's pending records (node, reach, outfall). False when a typed
    /// value is refused (it stays in the panel, marked, and nothing of it is written).
    bool flushPendingEdits();
    /// After a computation, an edit, undo or redo wrote to the project: the system list, the
    /// definition lists, the node list and the panel (same object) show the stored values
    /// again, then projectDataChanged() tells the other open windows.
    void refreshAfterChange();
    /// Reloads the structure and pipe lists of the unit system and the unit name.
    void reloadDefinitionLists();
    /// Shows the nodes of the current system in the node list.
    void refreshNodeList();
    /// Lists again only the lines of the record shown before and the one shown now.
    void refreshWrittenRows();
    /// Shows a node (flushing first) in the panel and selects it in the node list; false when the
    /// panel kept its record (a refused value the engineer stays to correct).
    bool showNode(const std::string& name);
    /// Name of the record the panel shows (node or outfall).
    std::string shownRecordName() const;
    /// "Saved" in the status line for a few seconds.
    void notifySaved();
    /// "Saved" when the project was written since the last look (an edit of the panel).
    void noteWrites();
    /// Writes the pending edits; when a typed value could not be stored, asks whether to leave
    /// it (No, the default, keeps the window open). True when the window may close.
    bool confirmLeavingPendingEdits();
    /// Writes the pending edits and closes the project; the window shows no project.
    void closeProject();
    /// Writes a compacted copy of the open project to `path` and opens the copy. True on success.
    bool saveProjectAs(const std::string& path);

    /// The file holding the window layout: beside the settings file, in the program's settings folder.
    std::string layoutPath() const;
    /// Restores the layout kept at the last quit, once every dock of the program has been added.
    /// A layout of another version, with other docks or off every screen is ignored. True when restored.
    bool restoreLayout();
    /// Keeps the window's size, place and docks for the next start.
    void saveLayout();

    db::Project* project() const { return m_project.get(); }
    Session& session() { return m_session; }
    GuiUi& ui() { return m_ui; }
    QComboBox* systemSelector() const { return m_systemSelector; }
    EditPanelWidget* panel() const { return m_panel; }
    UndoController* undoController() const { return m_undo; }
    NodeListView* nodeList() const { return m_nodeList; }
    QAction* action(Command id) const;
    QLabel* unitLabel() const { return m_unitLabel; }
    QProgressBar* progressBar() const { return m_progress; }
    settings::Settings& settingsState() { return m_settings; }
    const std::vector<std::string>& structureNames() const { return m_structures; }
    const std::vector<std::string>& pipeNames() const { return m_pipes; }

signals:
    /// The open project is about to be closed or replaced: every window lets go of what it read
    /// through its connection (statements, models, drawings) before the connection closes.
    void projectClosing();
    /// A project was opened (or replaced by another).
    void projectOpened();
    /// The project's data changed under the open windows (undo, redo, a command).
    void projectDataChanged();
    /// An edit of the panel or the diagram wrote records: the lists and the drawing already
    /// follow it; windows showing computed results mark them as older than the project.
    void projectEdited();

protected:
    void closeEvent(QCloseEvent* event) override;
    /// A project file dropped on the window opens (one .mdb file; anything else is refused).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    /// Selects the line of a node (or the outfall) without choosing it again.
    void selectListedRow(const std::string& name);
    void buildMenus();
    void buildToolBar();
    void buildPanels();
    void installCommandHandlers();
    /// Tells the windows, then closes the project; the window shows no project afterwards.
    void releaseProject();
    void updateEnabledCommands();
    void reloadSettings();
    void notAvailable(Command id);
    void guardedCompute(Command id);
    void onSystemChosen(int index);
    void addNode();
    void showSystemsWindow();
    void showOutfallHeaderWindow();
    void showProjectSetupWindow();
    void showNewProjectWindow();
    void showRebuildWindow();
    void showSetupFilesWindow();
    void showSpecialTableEdit();
    void showAbout();
    void showVersionHistory();
    void showDiagnosisLog();
    void chooseAndOpenProject();
    void chooseAndSaveProjectAs();

    MainWindowOptions m_options;
    GuiUi m_ui;
    Session m_session;
    settings::SettingsFile m_settingsFile;
    settings::Settings m_settings;
    std::unique_ptr<db::Project> m_project;
    std::vector<std::string> m_structures, m_pipes;

    std::map<Command, QAction*> m_actions;
    std::vector<std::pair<Command, QAction*>> m_toolActions;
    std::map<Command, std::function<void()>> m_handlers;
    QComboBox* m_systemSelector = nullptr;
    QLabel* m_unitLabel = nullptr;
    QLabel* m_systemCaption = nullptr;
    QProgressBar* m_progress = nullptr;
    NodeListView* m_nodeList = nullptr;
    QDockWidget* m_panelDock = nullptr;
    EditPanelWidget* m_panel = nullptr;
    long long m_changesSeen = 0;  ///< the connection's row changes when last shown as saved
    UndoController* m_undo = nullptr;
    bool m_fillingSelector = false;
    bool m_fillingNodes = false;
    std::string m_listedShown;               ///< the record whose line was last selected
};

}  // namespace kolv::gui
