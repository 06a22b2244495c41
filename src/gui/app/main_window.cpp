// The main window: menus, toolbar, system selector, editing panel, status line and command routing.
#include "gui/app/main_window.h"

#include "gui/app/node_list_view.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <algorithm>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <filesystem>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "diagram/diagram_editor.h"
#include "editing/edit_panel.h"
#include "editing/definitions.h"
#include "editing/node_list.h"
#include "editing/next_node_name.h"
#include "editing/special_table_edit.h"
#include "editing/systems.h"
#include "db/busy_notice.h"
#include "db/database.h"
#include "db/project_file.h"
#include "gui/app/add_node_dialog.h"
#include "gui/app/command_icons.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/node_list_view.h"
#include "gui/app/info_dialogs.h"
#include "gui/app/outfall_header_dialog.h"
#include "gui/app/project_file_dialogs.h"
#include "gui/app/readable_palette.h"
#include "gui/app/project_setup_dialog.h"
#include "gui/app/special_table_dialog.h"
#include "gui/app/systems_dialog.h"
#include "gui/app/undo_controller.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui {

namespace {

/// A menu or button caption: "&&" shows a single "&".
QString caption(const std::string& stored) { return q(stored); }

/// A status-line hint: the stored "&&" shows as "&".
QString hintText(const std::string& stored) { return q(ampersands(stored)); }

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent),
      m_options(std::move(options)),
      m_ui(this),
      m_settingsFile(m_options.settingsPath.empty() ? settings::SettingsFile() : settings::SettingsFile(m_options.settingsPath)) {
    m_ui.setRecorder(m_options.recorder);
    setWindowTitle(q(db::kProgramTitle));
    setObjectName("MainWindow");
    buildMenus();
    buildToolBar();
    buildPanels();

    m_progress = new QProgressBar;
    m_progress->setRange(0, 100);
    m_progress->setMaximumWidth(180);
    m_progress->setTextVisible(false);
    m_progress->setVisible(false);
    statusBar()->addPermanentWidget(m_progress);
    m_ui.setStatusWidgets(statusBar(), m_progress);

    installCommandHandlers();
    m_undo = installUndo(*this);
    // A file another program holds is waited for with a notice on the status line, as on the command line.
    db::Database::setDefaultBusyNotice([this](const std::string& path) { m_ui.status(db::busyNoticeText(path)); });
    reloadSettings();
    updateEnabledCommands();
    // the first window fits the screen whatever its size and scale factor
    QSize start(1280, 820);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        start = start.boundedTo(screen->availableGeometry().size() * 0.92);
    resize(start);
    setAcceptDrops(true);
    keepAlternateRowsReadable(this);
}

MainWindow::~MainWindow() { db::Database::setDefaultBusyNotice({}); }

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!confirmLeavingPendingEdits()) {
        event->ignore();
        return;
    }
    saveLayout();
    event->accept();
}

namespace {

/// Bumped whenever the docks of the main window change in a way an old layout can not describe.
constexpr int kLayoutVersion = 2;

/// The object names of the main window's docks, sorted: a layout is restored only onto the same docks.
QStringList dockNames(const QMainWindow& w) {
    QStringList names;
    for (const QDockWidget* d : w.findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly)) names << d->objectName();
    names.sort();
    return names;
}

/// The project file of a drop: one local file with the project extension, else "".
QString droppedProject(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().front();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    return path.endsWith(".mdb", Qt::CaseInsensitive) ? path : QString();
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedProject(event->mimeData()).isEmpty()) event->acceptProposedAction();
    else event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedProject(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // opened after the drop has finished, so the source program is not held while it loads
    QTimer::singleShot(0, this, [this, path] { openProjectFile(path.toStdString()); });
}

std::string MainWindow::layoutPath() const {
    const std::filesystem::path settings(m_settingsFile.path());
    return (settings.parent_path() / "KOLVLtV3-layout.ini").string();
}

bool MainWindow::restoreLayout() {
    if (!m_options.rememberGeometry) return false;
    QSettings stored(q(layoutPath()), QSettings::IniFormat);
    // Another version, other docks or a damaged value: the layout describes another window.
    if (stored.value("layout/version").toInt() != kLayoutVersion ||
        stored.value("layout/program").toString() != QCoreApplication::applicationVersion() ||
        stored.value("layout/docks").toStringList() != dockNames(*this))
        return false;
    const QByteArray geometry = stored.value("main/geometry").toByteArray();
    const QByteArray state = stored.value("main/state").toByteArray();
    if (geometry.isEmpty() || state.isEmpty()) return false;
    const QSize defaultSize = size();
    if (!restoreGeometry(geometry)) return false;
    // a window kept on a screen that is gone comes back with the default size on the first screen
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(frameGeometry());
    if (!onScreen) {
        setWindowState(Qt::WindowNoState);
        resize(defaultSize);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().topLeft());
    }
    return restoreState(state, kLayoutVersion);
}

void MainWindow::saveLayout() {
    if (!m_options.rememberGeometry) return;
    QSettings stored(q(layoutPath()), QSettings::IniFormat);
    stored.setValue("layout/version", kLayoutVersion);
    stored.setValue("layout/program", QCoreApplication::applicationVersion());
    stored.setValue("layout/docks", dockNames(*this));
    stored.setValue("main/geometry", saveGeometry());
    stored.setValue("main/state", saveState(kLayoutVersion));
    stored.sync();
}

void MainWindow::buildMenus() {
    std::map<std::string, QMenu*> menus;
    std::function<QMenu*(const std::string&)> menuFor = [&](const std::string& path) -> QMenu* {
        auto it = menus.find(path);
        if (it != menus.end()) return it->second;
        auto slash = path.rfind('/');
        QMenu* m;
        if (slash == std::string::npos) {
            m = menuBar()->addMenu(q(path == "Compute/Reports" ? "&Compute/Reports" : "&" + path));
        } else {
            m = menuFor(path.substr(0, slash))->addMenu(q(path.substr(slash + 1)));
        }
        menus[path] = m;
        return m;
    };
    // "Compute/Reports" is one top-level menu, not a sub-menu
    for (const auto& top : {"File", "Project", "Edit", "Compute/Reports", "Diagram", "Help"}) {
        std::string t = top;
        if (t == "Project" || t == "Diagram") continue;  // single commands on the menu bar
        menus[t] = menuBar()->addMenu(q("&" + t));
    }
    auto insertTopAction = [&](Command id, const std::string& text, const char* before) {
        auto* a = new QAction(q("&" + text), this);
        menuBar()->insertAction(menus[before]->menuAction(), a);
        m_actions[id] = a;
        a->setStatusTip(q(text));
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    };
    insertTopAction(Command::ProjectSetup, "Project", "Edit");
    insertTopAction(Command::Diagram, "Diagram", "Help");

    for (const auto& c : commandTable()) {
        if (c.menu.empty() || m_actions.count(c.id)) continue;
        QMenu* m = menuFor(c.menu);
        if (c.separatorBefore) m->addSeparator();
        auto* a = m->addAction(commandIcon(c.id), caption(c.caption));
        a->setStatusTip(hintText(c.caption));
        m_actions[c.id] = a;
        const Command id = c.id;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    }
    m_actions[Command::OpenProject]->setShortcut(QKeySequence::Open);
    m_actions[Command::Exit]->setShortcut(QKeySequence::Quit);
    m_actions[Command::NewProject]->setShortcut(QKeySequence::New);
    m_actions[Command::SaveProjectAs]->setShortcut(QKeySequence::SaveAs);
    // printing and the guide work from whichever window is in front
    m_actions[Command::PrintActive]->setShortcut(QKeySequence::Print);
    m_actions[Command::PrintActive]->setShortcutContext(Qt::ApplicationShortcut);
    m_actions[Command::UserGuide]->setShortcut(QKeySequence::HelpContents);
    m_actions[Command::UserGuide]->setShortcutContext(Qt::ApplicationShortcut);
    m_actions[Command::DiagnosisWindow]->setCheckable(true);
    // commands for technical support only when asked for
    if (auto it = menus.find("Help/Support Tools"); it != menus.end())
        it->second->menuAction()->setVisible(m_options.supportTools);
}

void MainWindow::buildToolBar() {
    auto* bar = addToolBar("Commands");
    bar->setObjectName("CommandsToolBar");
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    for (const auto& b : toolButtonTable()) {
        if (b.separatorBefore) bar->addSeparator();
        auto* a = bar->addAction(commandIcon(b.id), hintText(b.hint));
        a->setToolTip(hintText(b.hint));
        a->setStatusTip(hintText(b.hint));  // moving the mouse over the button writes its hint
        const Command id = b.id;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_toolActions.emplace_back(id, a);
    }
    bar->addSeparator();
    auto* box = new QWidget;
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(8, 0, 8, 0);
    m_systemCaption = new QLabel("S&ystem:");
    m_systemSelector = new QComboBox;
    m_systemSelector->setMinimumContentsLength(10);
    m_systemSelector->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_systemSelector->setToolTip("Current storm sewer system");
    m_systemCaption->setBuddy(m_systemSelector);
    m_unitLabel = new QLabel;
    m_unitLabel->setStyleSheet("color: #5f6368; padding-left: 6px;");
    h->addWidget(m_systemCaption);
    h->addWidget(m_systemSelector);
    h->addWidget(m_unitLabel);
    bar->addWidget(box);
    connect(m_systemSelector, &QComboBox::currentIndexChanged, this, &MainWindow::onSystemChosen);
}

void MainWindow::buildPanels() {
    auto* central = new QWidget;
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(6, 6, 6, 6);
    auto* title = new QLabel("Nodes of the current system");
    title->setStyleSheet("font-weight: 600;");
    v->addWidget(title);
    m_nodeList = new NodeListView;
    v->addWidget(m_nodeList, 1);
    setCentralWidget(central);
    connect(m_nodeList, &NodeListView::rowSelectionChanged, this, [this] {
        if (m_fillingNodes) return;
        auto rows = m_nodeList->selectionModel()->selectedRows();
        if (rows.isEmpty()) return;
        const int row = rows.front().row();
        std::string name = m_nodeList->text(row, 0).toStdString();
        const bool moved = m_nodeList->isOutfallRow(row) ? m_panel->selectOutfall() : m_panel->selectNode(name);
        // the panel kept its record to be corrected: the list marks that record again
        if (!moved) QTimer::singleShot(0, this, [this] { selectListedRow(shownRecordName()); });
    });

    m_panel = new EditPanelWidget;
    m_panelDock = new QDockWidget("Node / Reach / Outfall", this);
    m_panelDock->setObjectName("EditPanelDock");
    m_panelDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_panelDock->setWidget(m_panel);
    m_panelDock->setMinimumWidth(440);
    addDockWidget(Qt::RightDockWidgetArea, m_panelDock);
    connect(m_panel, &EditPanelWidget::addNodeRequested, this, &MainWindow::addNode);
    // the list shows the values just written; rebuilt after the selection event has finished
    connect(m_panel, &EditPanelWidget::recordWritten, this, [this] {
        noteWrites();
        emit projectEdited();
        QTimer::singleShot(0, this, [this] {
            try {
                refreshWrittenRows();
            } catch (const std::exception& e) {
                ui::reportException(m_ui, e);
            }
        });
    });
    connect(m_panel, &EditPanelWidget::statusText, this, [this](const QString& t) { statusBar()->showMessage(t); });
}

QAction* MainWindow::action(Command id) const {
    auto it = m_actions.find(id);
    if (it != m_actions.end()) return it->second;
    for (const auto& [c, a] : m_toolActions)
        if (c == id) return a;
    return nullptr;
}

void MainWindow::setCommandHandler(Command id, std::function<void()> handler) { m_handlers[id] = std::move(handler); }

void MainWindow::installCommandHandlers() {
    // The one place where each command maps to its action. A command without a handler
    // tells the engineer that its window is not available yet.
    m_handlers[Command::NewProject] = [this] { showNewProjectWindow(); };
    m_handlers[Command::OpenProject] = [this] { chooseAndOpenProject(); };
    m_handlers[Command::SaveProjectAs] = [this] { chooseAndSaveProjectAs(); };
    m_handlers[Command::CloseProject] = [this] { closeProject(); };
    m_handlers[Command::RebuildProject] = [this] { showRebuildWindow(); };
    m_handlers[Command::SetupFiles] = [this] { showSetupFilesWindow(); };
    m_handlers[Command::Recent1] = [this] { openRecent(1); };
    m_handlers[Command::Recent2] = [this] { openRecent(2); };
    m_handlers[Command::Recent3] = [this] { openRecent(3); };
    m_handlers[Command::Recent4] = [this] { openRecent(4); };
    m_handlers[Command::Exit] = [this] {
        // nothing typed is lost on the way out: the close writes it, or asks about a refused value
        if (close()) QApplication::exit(0);
    };
    m_handlers[Command::ProjectSetup] = [this] { showProjectSetupWindow(); };
    m_handlers[Command::EditNodes] = [this] { m_nodeList->setFocus(); };
    m_handlers[Command::EditReaches] = [this] { m_nodeList->setFocus(); };
    m_handlers[Command::Systems] = [this] { showSystemsWindow(); };
    m_handlers[Command::OutfallHeader] = [this] { showOutfallHeaderWindow(); };
    m_handlers[Command::SpecialTableEdit] = [this] { showSpecialTableEdit(); };
    m_handlers[Command::DiagnosisWindow] = [this] { showDiagnosisLog(); };
    m_handlers[Command::About] = [this] { showAbout(); };
    m_handlers[Command::VersionHistory] = [this] { showVersionHistory(); };
    // No defined action.
    m_handlers[Command::LoadClasses] = [] {};
    m_handlers[Command::PrinterDeviceName] = [] {};
}

void MainWindow::runCommand(Command id) {
    try {
        switch (id) {
            case Command::ComputePipeSizes:
            case Command::SetFlowLines:
            case Command::ComputeStormTabs: guardedCompute(id); return;  // the guard tells why not
            case Command::CostAnalysis:
            case Command::RefreshDiagram:
            case Command::RefreshDiagramFit:
                // the computation and the drawing read the records: write what is pending first
                flushPendingEdits();
                break;
            default: break;
        }
        // a command of the open project does nothing without one, however it was reached
        if (const CommandInfo* c = commandInfo(id); c && c->needsProject && !m_project) return;
        auto it = m_handlers.find(id);
        if (it == m_handlers.end() || !it->second) {
            notAvailable(id);
            return;
        }
        it->second();
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
}

void MainWindow::guardedCompute(Command id) {
    if (!editing::computeGuard(m_project ? m_project->currentSystem : std::string(), m_ui)) return;
    if (!flushPendingEdits()) return;  // the refused value is marked in the panel and named in the status line
    auto it = m_handlers.find(id);
    if (it == m_handlers.end() || !it->second) {
        notAvailable(id);
        return;
    }
    it->second();
}

void MainWindow::notAvailable(Command id) {
    const CommandInfo* c = commandInfo(id);
    std::string what = c ? ampersands(c->caption) : "This command";
    m_ui.message(kAppTitle, "'" + what + "' is not available yet in this version.", ui::Icon::Information,
                 ui::Buttons::Ok, ui::Answer::Ok);
}

void MainWindow::updateEnabledCommands() {
    const bool open = m_project != nullptr;
    for (const auto& c : commandTable()) {
        if (QAction* a = action(c.id); a && c.needsProject) a->setEnabled(open);
    }
    for (const auto& [id, a] : m_toolActions) {
        const CommandInfo* c = commandInfo(id);
        a->setEnabled(!c || !c->needsProject || open);
    }
    m_systemSelector->setEnabled(open);
    m_systemCaption->setEnabled(open);
    m_panel->setEnabled(open);
    m_nodeList->setEnabled(open);
}

void MainWindow::reloadSettings() {
    m_settings = m_settingsFile.read();
    for (int n = 1; n <= 4; ++n) {
        QAction* a = m_actions[static_cast<Command>(static_cast<int>(Command::Recent1) + n - 1)];
        std::string cap = m_settings.recentCaption(n);
        QString shown = q(cap);
        shown.replace("&", "&&");
        a->setText(shown);
        a->setStatusTip(q(cap));
        a->setVisible(m_settings.recentVisible[static_cast<std::size_t>(n - 1)]);
    }
}

void MainWindow::chooseAndOpenProject() {
    QString path = QFileDialog::getOpenFileName(this, "Open Project", "*.mdb",
                                                "KOLV Database (*.mdb);;All files (*.*)");
    if (path.isEmpty()) return;  // cancelled: nothing changes
    openProjectFile(path.toStdString());
}

void MainWindow::openRecent(int n) {
    QAction* a = m_actions[static_cast<Command>(static_cast<int>(Command::Recent1) + n - 1)];
    std::string cap = m_settings.recentCaption(n);
    if (a && cap.empty()) cap = a->text().toStdString();
    std::string path = settings::pathFromRecentCaption(cap);
    if (path.empty()) return;  // a caption shorter than 3 characters names no file
    std::string found = settings::resolvePathCase(path);
    std::error_code ec;
    bool exists = std::filesystem::exists(found, ec);
    if (ec) {
        m_ui.beep();
        m_ui.message("Missing Project File", "An error has occurred during the file open routine.",
                     ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
        return;
    }
    if (!exists) {
        m_ui.beep();
        m_ui.message("Missing Project File",
                     "File '" + path + "' can not be found.\r\rUse File|Open Project pulldown and Browse to find the file.",
                     ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
        return;
    }
    openProjectFile(found);
}

bool MainWindow::openProjectFile(const std::string& path) {
    // the pending edits of the project open now are written before anything else happens
    flushPendingEdits();
    std::unique_ptr<db::Project> opened;
    try {
        opened = db::openProject(path, m_ui);
    } catch (const std::exception& e) {
        m_ui.busy(false);
        m_ui.progress(0);
        ui::reportException(m_ui, e);
        return false;  // the project open before stays open
    }
    // the project open before is replaced completely: its windows let it go first
    releaseProject();
    m_project = std::move(opened);
    m_project->db->attachHistory();  // every change from now on can be undone
    m_changesSeen = m_project->db->totalChanges();  // setting up the history is no edit
    m_session.nodeEditPending = m_session.reachEditPending = m_session.outfallEditPending = false;
    setWindowTitle(q(m_project->title()));
    setWindowFilePath(q(m_project->path));
    m_ui.status("");

    std::error_code ec;
    std::string absolute = std::filesystem::absolute(m_project->path, ec).string();
    m_settingsFile.write(ec ? m_project->path : absolute, settings::kModeProject, m_settings);
    reloadSettings();

    m_panel->attach(m_project->db.get(), &m_session, &m_ui, m_project->currentSystem, m_project->metric);
    reloadDefinitionLists();
    updateEnabledCommands();
    rebuildSystemLists(m_project->currentSystem.empty() ? editing::kNoSystem : m_project->currentSystem);
    if (!m_project->currentSystem.empty()) changeCurrentSystem(m_project->currentSystem);
    else refreshNodeList();
    m_changesSeen = m_project->db->totalChanges();  // opening is no edit to report
    emit projectOpened();
    return true;
}

void MainWindow::reloadDefinitionLists() {
    m_structures.clear();
    m_pipes.clear();
    if (!m_project) return;
    m_unitLabel->setText(q(m_project->unitName()));
    m_structures = editing::definitionNames(*m_project->db, editing::DefinitionKind::Structure, m_project->engMet());
    m_pipes = editing::definitionNames(*m_project->db, editing::DefinitionKind::Pipe, m_project->engMet());
    m_panel->setLists(m_structures, m_pipes);
}

void MainWindow::rebuildSystemLists(const std::string& select) {
    if (!m_project) return;
    m_project->systems = db::readSystemList(*m_project->db);
    m_fillingSelector = true;
    m_systemSelector->clear();
    for (const auto& s : m_project->systems) m_systemSelector->addItem(q(s));
    int index = m_systemSelector->findText(q(select), Qt::MatchFixedString);
    m_systemSelector->setCurrentIndex(index);
    m_fillingSelector = false;
    if (index < 0) {
        m_project->currentSystem.clear();
        m_panel->showSystem("");
        refreshNodeList();
    }
}

void MainWindow::onSystemChosen(int index) {
    if (m_fillingSelector || index < 0) return;
    try {
        changeCurrentSystem(m_systemSelector->itemText(index).toStdString());
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
}

void MainWindow::changeCurrentSystem(const std::string& name) {
    if (!m_project) return;
    if (!flushPendingEdits()) {
        // a refused value in the panel: stay on its system until it is corrected
        m_fillingSelector = true;
        m_systemSelector->setCurrentIndex(m_systemSelector->findText(q(m_project->currentSystem), Qt::MatchFixedString));
        m_fillingSelector = false;
        return;
    }
    noteWrites();
    db::setCurrentSystem(*m_project, trim(name));  // remembered in T0 for the next opening
    int index = m_systemSelector->findText(q(m_project->currentSystem), Qt::MatchFixedString);
    if (index != m_systemSelector->currentIndex()) {
        m_fillingSelector = true;
        m_systemSelector->setCurrentIndex(index);
        m_fillingSelector = false;
    }
    m_panel->showSystem(m_project->currentSystem);
    refreshNodeList();
    m_changesSeen = m_project->db->totalChanges();  // remembering the system is no edit to report
}

bool MainWindow::flushPendingEdits() {
    if (!m_project || !m_panel->model()) return true;
    return m_panel->flush();
}

std::string MainWindow::shownRecordName() const {
    const auto* model = m_panel->model();
    if (!model) return {};
    return model->state == editing::PanelState::Outfall ? model->outfall.outNode : model->node.name();
}

void MainWindow::refreshAfterChange() {
    if (!m_project) return;
    try {
        // systems and definitions may have come or gone (undo of an add, a divide, an import)
        const std::string current = m_project->currentSystem;
        db::refreshSystems(*m_project);
        reloadDefinitionLists();
        rebuildSystemLists(m_project->currentSystem.empty() ? editing::kNoSystem : m_project->currentSystem);
        // the panel shows the same object again, read from the project
        if (m_project->currentSystem != current) m_panel->showSystem(m_project->currentSystem);
        else m_panel->reshow();
        refreshNodeList();
        emit projectDataChanged();
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
}

void MainWindow::refreshNodeList() {
    m_fillingNodes = true;
    std::vector<editing::NodeListRow> rows;
    if (m_project && !m_project->currentSystem.empty())
        rows = editing::nodeListRows(*m_project->db, m_project->currentSystem);
    // the view keeps the lines and paints only those in sight: no item per cell
    m_nodeList->setRows(std::move(rows));
    if (m_nodeList->rowCount() > 0) selectListedRow(shownRecordName());  // keep the row of the record on display selected
    m_fillingNodes = false;
}

void MainWindow::selectListedRow(const std::string& name) {
    m_listedShown = name;
    const int row = m_nodeList->listModel()->rowOf(name);
    if (row < 0) return;
    const bool filling = m_fillingNodes;
    m_fillingNodes = true;
    m_nodeList->selectRow(row);
    m_fillingNodes = filling;
}

void MainWindow::refreshWrittenRows() {
    if (!m_project || m_project->currentSystem.empty()) return refreshNodeList();
    // The record shown before (its pending edits were just written) and the one shown now.
    for (const std::string& name : {m_listedShown, shownRecordName()}) {
        if (trim(name).empty()) continue;
        const int at = m_nodeList->listModel()->rowOf(name);
        const auto row = editing::nodeListRow(*m_project->db, m_project->currentSystem, name);
        if (at < 0 || !row) return refreshNodeList();  // added or gone: list again
        m_fillingNodes = true;
        m_nodeList->listModel()->setRow(at, *row);
        m_fillingNodes = false;
    }
    selectListedRow(shownRecordName());
}

bool MainWindow::showNode(const std::string& name) {
    const bool shown = m_panel->selectNode(name);
    // only the line just written and the line chosen change (a new or removed node lists all again)
    refreshWrittenRows();
    return shown;
}

void MainWindow::addNode() {
    if (!m_project) return;
    try {
        if (m_project->currentSystem.empty()) {
            // the first node of a project: its system is made on the way
            if (m_ui.message("NO SYSTEM", diagram::kNoSystemQuestion, ui::Icon::Question, ui::Buttons::YesNo,
                             ui::Answer::Yes) != ui::Answer::Yes ||
                offerNewSystem().empty())
                return;
        }
        flushPendingEdits();
        AddNodeDialog dialog(*m_project->db, m_project->currentSystem,
                             editing::structuresForClass(*m_project->db, m_project->engMet(), ""), m_ui, this);
        if (dialog.exec() != QDialog::Accepted || dialog.nodeName().empty()) {
            m_session.log(" - - cancelled - -");
            return;
        }
        double xd = 0, yd = 0;
        editing::freeDiagramPosition(*m_project->db, m_project->currentSystem, xd, yd);
        if (!editing::addNodeRecord(*m_project->db, m_project->currentSystem, dialog.nodeName(), dialog.structure(),
                                    xd, yd, m_ui))
            return;
        m_session.log(" - DATA51: " + dialog.nodeName() + " x:" + shortestText(xd) + " y:" + shortestText(yd));
        showNode(dialog.nodeName());
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
}

std::string MainWindow::offerNewSystem() {
    if (!m_project) return {};
    std::string proposal;
    for (int n = 1; proposal.empty(); ++n) {
        const std::string name = "SYSTEM" + std::to_string(n);
        if (std::none_of(m_project->systems.begin(), m_project->systems.end(),
                         [&](const std::string& s) { return equalsIgnoreCase(trim(s), name); }))
            proposal = name;
    }
    std::string name = proposal;
    if (!m_ui.recorder()) {
        bool ok = false;
        const QString typed = QInputDialog::getText(this, "Storm Sewer System Add", "Name of the new storm sewer system:",
                                                    QLineEdit::Normal, q(proposal), &ok);
        if (!ok) return {};
        name = trim(typed.toStdString());
    }
    try {
        if (!editing::addSystem(*m_project->db, name, m_ui)) return {};
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
        return {};
    }
    rebuildSystemLists(name);
    changeCurrentSystem(name);
    return name;
}

void MainWindow::showSystemsWindow() {
    flushPendingEdits();
    SystemsDialog dialog(*this);
    dialog.exec();
}

void MainWindow::showOutfallHeaderWindow() {
    if (m_project->currentSystem.empty()) {
        m_ui.message("MISSING DATA", "Select a system from the list.", ui::Icon::Exclamation, ui::Buttons::Ok,
                     ui::Answer::Ok);
        return;
    }
    flushPendingEdits();
    OutfallHeaderDialog dialog(*m_project->db, m_project->currentSystem, m_structures, m_project->metric, m_ui, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_panel->showSystem(m_project->currentSystem);
        refreshNodeList();
        notifySaved();
    }
}

void MainWindow::showProjectSetupWindow() {
    flushPendingEdits();
    ProjectSetupDialog dialog(*m_project->db, m_ui, this);
    connect(&dialog, &ProjectSetupDialog::unitSystemChanged, this, [this](bool metric) {
        m_project->metric = metric;
        reloadDefinitionLists();
        m_panel->attach(m_project->db.get(), &m_session, &m_ui, m_project->currentSystem, metric);
        reloadDefinitionLists();
        m_panel->showSystem(m_project->currentSystem);
    });
    // measured lengths change the reach the panel shows
    connect(&dialog, &ProjectSetupDialog::coordinatesChanged, this,
            [this] { m_panel->showSystem(m_project->currentSystem); });
    dialog.exec();
}

void MainWindow::showNewProjectWindow() {
    NewProjectDialog dialog(m_ui, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // the engineer made the project to work in it
    openProjectFile(db::withProjectExtension(dialog.newPath()->text().toStdString()));
}

void MainWindow::chooseAndSaveProjectAs() {
    if (!m_project) return;
    QString start = q(std::filesystem::path(m_project->path).parent_path().string());
    QString path = QFileDialog::getSaveFileName(this, "Save Project As", start,
                                                "KOLV Database (*.mdb);;All files (*.*)");
    if (path.isEmpty()) return;
    saveProjectAs(path.toStdString());
}

bool MainWindow::saveProjectAs(const std::string& path) {
    if (!m_project) return false;
    if (!flushPendingEdits()) return false;  // the refused value is marked in the panel
    std::string written;
    try {
        written = db::saveProjectCopy(*m_project->db, m_project->path, path, m_ui);
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
        return false;
    }
    if (written.empty()) return false;
    // the copy becomes the project the engineer goes on working in
    if (!openProjectFile(written)) return false;
    notifySaved();
    return true;
}

void MainWindow::closeProject() {
    if (!m_project) return;
    if (!confirmLeavingPendingEdits()) return;
    releaseProject();
    emit projectDataChanged();
    m_ui.status("");
}

void MainWindow::releaseProject() {
    if (!m_project) return;
    // Windows, drawings and models read through the connection: they let go of it first.
    emit projectClosing();
    for (QDialog* d : findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        if (d->isVisible()) d->close();
    m_panel->attach(nullptr, nullptr, nullptr, "", false);
    m_project.reset();
    m_session.nodeEditPending = m_session.reachEditPending = m_session.outfallEditPending = false;
    m_fillingSelector = true;
    m_systemSelector->clear();
    m_fillingSelector = false;
    m_unitLabel->clear();
    m_structures.clear();
    m_pipes.clear();
    m_panel->setLists(m_structures, m_pipes);
    m_listedShown.clear();
    refreshNodeList();
    setWindowTitle(q(db::kProgramTitle));
    setWindowFilePath(QString());
    updateEnabledCommands();
}

bool MainWindow::confirmLeavingPendingEdits() {
    bool stored = true;
    try {
        stored = flushPendingEdits();
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
        stored = false;
    }
    if (!m_project || stored) return true;
    return m_ui.message("Close KOLV Lt",
                        "A value typed in the editing panel is not valid and has not been stored.\r\r"
                        "Yes: close, and the value is lost.\rNo: go back to the panel and correct it.",
                        ui::Icon::Exclamation, ui::Buttons::YesNo, ui::Answer::No) == ui::Answer::Yes;
}

void MainWindow::notifySaved() {
    if (m_project) m_changesSeen = m_project->db->totalChanges();
    statusBar()->showMessage("Saved", 4000);
}

void MainWindow::noteWrites() {
    if (m_project && m_project->db->totalChanges() != m_changesSeen) notifySaved();
}

void MainWindow::showRebuildWindow() {
    RebuildDialog dialog(m_project ? m_project->path : std::string(), m_ui, this);
    dialog.exec();
}

void MainWindow::showSetupFilesWindow() {
    SetupFilesDialog dialog(m_settingsFile, m_settings, this);
    if (dialog.exec() == QDialog::Accepted) reloadSettings();
}

void MainWindow::showSpecialTableEdit() {
    if (!editing::confirmSpecialTableEdit(m_ui)) return;
    flushPendingEdits();
    SpecialTableDialog dialog(*m_project->db, m_project->currentSystem, m_ui, this);
    dialog.exec();
    m_panel->showSystem(m_project->currentSystem);
    refreshNodeList();
}

void MainWindow::showAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::showVersionHistory() {
    VersionHistoryDialog dialog(this);
    dialog.exec();
}

void MainWindow::showDiagnosisLog() {
    DiagnosisLogDialog dialog(m_session, this);
    dialog.exec();
}

}  // namespace kolv::gui
