// Undo / Redo commands and the undo history list of the main window.
#include "gui/app/undo_controller.h"

#include <QAction>
#include <QDockWidget>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "db/undo_history.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/main_window.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui {

namespace {

db::UndoHistory* historyOf(MainWindow& w) {
    db::Project* p = w.project();
    return p && p->db ? p->db->history() : nullptr;
}

QMenu* editMenu(MainWindow& w) {
    for (QAction* a : w.menuBar()->actions())
        if (a->menu() && a->text().remove('&') == "Edit") return a->menu();
    return nullptr;
}

}  // namespace

UndoController::UndoController(MainWindow& window) : QObject(&window), m_window(window) {
    m_undo = new QAction("&Undo", &window);
    m_undo->setShortcuts({QKeySequence::Undo});
    m_undo->setShortcutContext(Qt::WindowShortcut);
    m_redo = new QAction("&Redo", &window);
    m_redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_undo->setObjectName("actionUndo");
    m_redo->setObjectName("actionRedo");
    connect(m_undo, &QAction::triggered, this, [this] { undo(); });
    connect(m_redo, &QAction::triggered, this, [this] { redo(); });

    m_list = new QListWidget;
    m_list->setObjectName("undoHistoryList");
    m_list->setToolTip("Click a line to take the project back to the state after that step.");
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (!m_refreshing) jumpTo(m_list->row(item));
    });
    m_dock = new QDockWidget("Undo History", &window);
    m_dock->setObjectName("undoHistoryDock");
    m_dock->setWidget(m_list);
    window.addDockWidget(Qt::LeftDockWidgetArea, m_dock);
    m_dock->hide();
    m_historyToggle = m_dock->toggleViewAction();
    m_historyToggle->setText("Undo &History");

    if (QMenu* edit = editMenu(window)) {
        QAction* first = edit->actions().isEmpty() ? nullptr : edit->actions().first();
        edit->insertAction(first, m_undo);
        edit->insertAction(first, m_redo);
        edit->insertAction(first, m_historyToggle);
        edit->insertSeparator(first);
    } else {
        window.addAction(m_undo);
        window.addAction(m_redo);
    }
    connect(&window, &MainWindow::projectOpened, this, [this] { attach(); });
    connect(&window, &MainWindow::projectDataChanged, this, [this] { refresh(); });  // also on closing
    attach();
}

void UndoController::attach() {
    if (db::UndoHistory* h = historyOf(m_window)) h->setListener([this] { refresh(); });
    refresh();
}

void UndoController::refresh() {
    db::UndoHistory* h = historyOf(m_window);
    m_refreshing = true;
    m_list->clear();
    if (!h) {
        m_undo->setEnabled(false);
        m_redo->setEnabled(false);
        m_undo->setText("&Undo");
        m_redo->setText("&Redo");
        m_refreshing = false;
        return;
    }
    try {
        const auto done = h->undoNames();
        const auto ahead = h->redoNames();
        m_undo->setEnabled(!done.empty());
        m_redo->setEnabled(!ahead.empty());
        m_undo->setText(done.empty() ? QString("&Undo") : "&Undo " + q(done.back()));
        m_redo->setText(ahead.empty() ? QString("&Redo") : "&Redo " + q(ahead.front()));
        m_list->addItem("(as opened)");
        for (const auto& n : done) m_list->addItem(q(n));
        for (const auto& n : ahead) {
            auto* item = new QListWidgetItem(q(n));
            item->setForeground(Qt::gray);
            QFont f = item->font();
            f.setItalic(true);
            item->setFont(f);
            m_list->addItem(item);
        }
        m_list->setCurrentRow(static_cast<int>(done.size()));
    } catch (const std::exception& e) {
        ui::reportException(m_window.ui(), e);
    }
    m_refreshing = false;
}

bool UndoController::replay(bool forward) {
    db::UndoHistory* h = historyOf(m_window);
    if (!h) return false;
    // what is typed in the panel is written first, as its own step
    if (!m_window.flushPendingEdits()) {
        m_window.statusBar()->showMessage("Correct the marked value before undoing or redoing.");
        return false;
    }
    bool done = false;
    std::string name;
    try {
        name = forward ? h->redoName() : h->undoName();
        done = forward ? h->redo() : h->undo();
    } catch (const std::exception& e) {
        ui::reportException(m_window.ui(), e);
    }
    if (!done) return false;
    try {
        m_window.refreshAfterChange();
    } catch (const std::exception& e) {
        ui::reportException(m_window.ui(), e);
    }
    m_window.statusBar()->showMessage(q((forward ? "Redone: " : "Undone: ") + name));
    refresh();
    return true;
}

bool UndoController::undo() { return replay(false); }
bool UndoController::redo() { return replay(true); }

void UndoController::jumpTo(int row) {
    db::UndoHistory* h = historyOf(m_window);
    if (!h || row < 0) return;
    int at = static_cast<int>(h->undoNames().size());
    while (at > row && replay(false)) --at;
    while (at < row && replay(true)) ++at;
    refresh();
}

UndoController* installUndo(MainWindow& window) { return new UndoController(window); }

}  // namespace kolv::gui
