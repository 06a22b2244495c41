// Wiring of the network diagram into the main window.
#include "gui/diagram/install_diagram.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QAction>
#include <QDockWidget>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "editing/next_node_name.h"
#include "gui/app/add_node_dialog.h"
#include "gui/common/report_preview.h"
#include "gui/diagram/design_review_dock.h"
#include "gui/diagram/diagnosis_log_dock.h"
#include "gui/diagram/diagram_classes_dialog.h"
#include "gui/diagram/diagram_pane.h"
#include "gui/diagram/display_options_dialog.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/main_window.h"
#include "gui/app/node_list_view.h"
#include "reports/text_report.h"
#include "settings/settings_file.h"

namespace kolv::gui::diagram {

namespace kd = kolv::diagram;

namespace {

/// Follows the main window: rebinding the view when the project or system changes, refreshing
/// the labels when the engineer comes back from a computation window.
class DiagramBinder : public QObject {
public:
    DiagramBinder(MainWindow& w, DiagramPane* pane, DiagnosisLogDock* log)
        : QObject(&w), m_w(w), m_pane(pane), m_log(log) {}

    void scheduleBind(bool force = false) {
        m_force = m_force || force;
        if (m_bindPending) return;
        m_bindPending = true;
        QTimer::singleShot(0, this, [this] {
            m_bindPending = false;
            bind();
        });
    }

    void bind() {
        db::Project* p = m_w.project();
        const std::string system = p ? p->currentSystem : std::string();
        if (p == m_project && system == m_system && m_pane->view()->editor() && !m_force) return;
        m_force = false;
        m_project = p;
        m_system = system;
        DiagramContext ctx;
        if (p) {
            ctx.db = p->db.get();
            ctx.session = &m_w.session();
            ctx.ui = &m_w.ui();
            ctx.system = system;
            ctx.engMet = p->engMet();
        }
        MainWindow* w = &m_w;
        ctx.palettePath = [w] { return w->settingsState().palettePath; };
        ctx.choosePalette = [w]() -> std::string {
            if (w->ui().recorder()) return {};  // a scripted run answers no file dialogs
            QString path = QFileDialog::getOpenFileName(
                w, "Diagram Palette", QString::fromStdString(settings::paletteFolder() + "*.plt"),
                "KOLV Palette File (*.plt);;All files (*.*)");
            if (path.isEmpty()) return {};
            settings::SettingsFile().write(path.toStdString(), settings::kModePalette, w->settingsState());
            return path.toStdString();
        };
        ctx.chooseNode = [w](const std::string& cls) -> kd::NewNodeChoice {
            db::Project* proj = w->project();
            if (!proj) return {};
            w->flushPendingEdits();
            AddNodeDialog dialog(*proj->db, proj->currentSystem,
                                 editing::structuresForClass(*proj->db, proj->engMet(), cls), w->ui(), w);
            if (dialog.exec() != QDialog::Accepted) return {};
            return {dialog.nodeName(), dialog.structure()};
        };
        ctx.offerSystem = [w] { return w->offerNewSystem(); };
        m_pane->view()->setContext(ctx);
        m_pane->toolBar()->setEnabled(p != nullptr);
        if (m_pane->view()->editor() && m_w.panel()->model())
            m_pane->view()->editor()->attachPanel(m_w.panel()->model());
        // a system newly shown is fitted with room for its labels
        if (p && m_pane->view()->redraw(false)) {
            m_pane->view()->zoomFit();
            // the node on display in the list and panel is the one marked on the new drawing
            const auto rows = m_w.nodeList()->selectionModel()->selectedRows();
            if (!rows.isEmpty()) m_pane->view()->selectEntity(m_w.nodeList()->text(rows.front().row(), 0), false);
        }
        m_pane->refreshToolIcons();
        m_log->refresh();
    }

    /// The project is closing: the drawing and the editor let go of its connection at once.
    void release() {
        m_project = nullptr;
        m_system.clear();
        m_pane->view()->setContext(DiagramContext{});
        m_pane->toolBar()->setEnabled(false);  // no tools, label sets or export without a project
        m_log->refresh();
    }

    /// The panel's model was replaced: the editor tells the new one about deletions and clicks.
    void attachPanel() {
        if (m_pane->view()->editor()) m_pane->view()->editor()->attachPanel(m_w.panel()->model());
    }

    /// The node list changed size (a node added from the panel): the diagram catches up.
    void scheduleCatchUp() {
        if (m_catchUpPending) return;
        m_catchUpPending = true;
        QTimer::singleShot(0, this, [this] {
            m_catchUpPending = false;
            if (!m_pane->view()->editor()) return;
            if (m_w.nodeList()->rowCount() != m_pane->view()->entityCount()) m_pane->view()->redraw(false);
        });
    }

private:
    MainWindow& m_w;
    DiagramPane* m_pane;
    DiagnosisLogDock* m_log;
    db::Project* m_project = nullptr;
    std::string m_system;
    bool m_bindPending = false;
    bool m_force = false;
    bool m_catchUpPending = false;
};

void selectOutfallRow(NodeListView* list) {
    for (int r = 0; r < list->rowCount(); ++r)
        if (list->isOutfallRow(r)) {
            list->selectRow(r);
            return;
        }
}

}  // namespace

/// The Design Review dock beside the node list: reviewed again after every change of the
/// project (a design step, an edit, undo) and on demand; a finding clicked selects its node on
/// the diagram and in the panel; the diagram rings each node in the colour of its worst finding.
static void installDesignReview(MainWindow& w, DiagramView* view, QDockWidget* besides) {
    auto* dock = new DesignReviewDock(&w);
    w.addDockWidget(Qt::BottomDockWidgetArea, dock);
    w.tabifyDockWidget(besides, dock);
    dock->hide();
    const auto review = [&w, view, dock] {
        db::Project* project = w.project();
        if (!project || project->currentSystem.empty()) {
            dock->showReview(kolv::review::ReviewResult{});
            view->setReviewMarks({});
            return;
        }
        try {
            dock->showReview(kolv::review::reviewSystem(*project, project->currentSystem,
                                                         kolv::review::loadCriteria(*project)));
            view->setReviewMarks(dock->worstByNode());
        } catch (const std::exception& e) {
            w.ui().inform("Design Review", e.what(), ui::Icon::Exclamation);
        }
    };
    dock->reviewRequested = review;
    QObject::connect(&w, &MainWindow::projectDataChanged, dock, review);
    QObject::connect(&w, &MainWindow::projectOpened, dock, review);
    QObject::connect(w.systemSelector(), &QComboBox::currentIndexChanged, dock, [dock, review] {
        QTimer::singleShot(0, dock, review);  // after the system is made current
    });
    QObject::connect(dock, &DesignReviewDock::findingChosen, &w, [&w, view](const QString& node, const QString&) {
        if (node.isEmpty()) return;
        w.showNode(node.toStdString());
        view->selectEntity(node, true);
    });
    // Shown from the Compute/Reports menu, as an on/off switch.
    for (QAction* a : w.menuBar()->actions())
        if (a->menu() && a->text().remove('&') == "Compute/Reports") {
            QAction* onOff = dock->toggleViewAction();
            onOff->setText("Design Review");
            a->menu()->addSeparator();
            a->menu()->addAction(onOff);
        }
}

DiagnosisLogDock* diagnosisDock(MainWindow& window) { return window.findChild<DiagnosisLogDock*>(); }

DiagramPane* installDiagram(MainWindow& w) {
    // the node list goes into a dock; the diagram takes the centre
    QWidget* list = w.takeCentralWidget();
    auto* listDock = new QDockWidget("Nodes", &w);
    listDock->setObjectName("NodeListDock");
    listDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                          QDockWidget::DockWidgetClosable);
    if (list) listDock->setWidget(list);
    w.addDockWidget(Qt::BottomDockWidgetArea, listDock);
    auto* pane = new DiagramPane;
    w.setCentralWidget(pane);
    auto* log = new DiagnosisLogDock(w.session(), &w);
    w.addDockWidget(Qt::BottomDockWidgetArea, log);
    w.tabifyDockWidget(listDock, log);
    log->hide();
    listDock->raise();
    w.resizeDocks({listDock}, {190}, Qt::Vertical);

    DiagramView* view = pane->view();
    installDesignReview(w, view, listDock);
    auto* binder = new DiagramBinder(w, pane, log);
    QObject::connect(w.systemSelector(), &QComboBox::currentIndexChanged, binder, [binder] { binder->scheduleBind(); });
    QObject::connect(w.nodeList()->model(), &QAbstractItemModel::rowsInserted, binder,
                     [binder] { binder->scheduleCatchUp(); });
    QObject::connect(w.nodeList()->model(), &QAbstractItemModel::rowsRemoved, binder,
                     [binder] { binder->scheduleCatchUp(); });
    QObject::connect(w.nodeList()->model(), &QAbstractItemModel::modelReset, binder,
                     [binder] { binder->scheduleCatchUp(); });
    QObject::connect(&w, &MainWindow::projectOpened, binder, [binder] { binder->scheduleBind(true); });
    QObject::connect(&w, &MainWindow::projectClosing, binder, [binder] { binder->release(); });
    QObject::connect(w.panel(), &EditPanelWidget::modelAttached, binder, [binder] { binder->attachPanel(); });
    binder->scheduleBind();

    // diagram -> panel and node list
    // a panel that keeps its record (a refused value to correct) keeps it marked on the diagram too
    QObject::connect(view, &DiagramView::nodeClicked, &w, [&w, view](const QString& name) {
        if (!w.showNode(name.toStdString())) view->selectEntity(QString::fromStdString(w.shownRecordName()), false);
    });
    QObject::connect(view, &DiagramView::outfallClicked, &w, [&w, view] {
        if (!w.panel()->selectOutfall()) {
            view->selectEntity(QString::fromStdString(w.shownRecordName()), false);
            return;
        }
        selectOutfallRow(w.nodeList());
    });
    QObject::connect(view, &DiagramView::pointerText, &w, [&w](const QString& t) { w.statusBar()->showMessage(t); });
    QObject::connect(view, &DiagramView::dataChanged, &w, [&w] {
        w.panel()->showModel();
        w.refreshNodeList();
        emit w.projectEdited();
    });
    QObject::connect(view, &DiagramView::logChanged, log, &DiagnosisLogDock::refresh);
    // node list -> diagram
    QObject::connect(w.nodeList(), &NodeListView::rowSelectionChanged, view, [&w, view] {
        const auto rows = w.nodeList()->selectionModel()->selectedRows();
        if (rows.isEmpty()) return;
        view->selectEntity(w.nodeList()->text(rows.front().row(), 0), true);
    });
    // panel -> diagram
    QObject::connect(w.panel(), &EditPanelWidget::recordWritten, view, [view, log] {
        view->refreshLabels();
        log->refresh();
    });
    // a computation, undo or redo wrote records: the diagram and its labels show them as they are
    QObject::connect(&w, &MainWindow::projectDataChanged, view, [view] {
        if (view->editor()) view->redraw(false);
    });
    QObject::connect(w.panel(), &EditPanelWidget::backgroundPictureChosen, view, [view] { view->redraw(false); });

    log->listEntities = [view] { view->listEntities(); };
    log->print = [&w](const std::vector<std::string>& lines) {
        compute::ComputeContext ctx;
        ctx.project = [&w] { return w.project(); };
        ctx.session = &w.session();
        ctx.ui = &w.ui();
        ctx.parent = &w;
        reports::Document doc =
            reports::layoutTextReport(reports::kDiagnosisReportTitle, lines, reports::diagnosisLogOptions());
        auto* dlg = new compute::ReportPreviewDialog(std::move(doc), ctx, &w);
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        dlg->show();
    };

    auto showDisplayOptions = [&w, pane] {
        if (!w.project()) return;
        DisplayOptionsDialog dialog(*w.project()->db, pane->view()->labelSet(), w.ui(), &w);
        if (dialog.exec() != QDialog::Accepted) return;
        pane->labelSetBox()->setCurrentIndex(dialog.chosenSet() - 1);
        pane->view()->setLabelSet(dialog.chosenSet());
        pane->view()->refreshLabels();
    };
    QObject::connect(pane, &DiagramPane::displayOptionsRequested, &w, showDisplayOptions);

    w.setCommandHandler(Command::Diagram, [view] {
        view->setFocus();
        view->redraw(true);
    });
    w.setCommandHandler(Command::RefreshDiagram, [view] { view->redraw(false); });
    w.setCommandHandler(Command::RefreshDiagramFit, [view] { view->redraw(true); });
    w.setCommandHandler(Command::ZoomIn, [view] { view->zoomIn(); });
    w.setCommandHandler(Command::ZoomOut, [view] { view->zoomOut(); });
    w.setCommandHandler(Command::ZoomFit, [view] { view->zoomFit(); });
    w.setCommandHandler(Command::PrintDiagramDialog, [pane] { pane->print(true); });
    w.setCommandHandler(Command::PrintDiagramDirect, [pane] { pane->print(false); });
    w.setCommandHandler(Command::ChangeLabels, showDisplayOptions);
    w.setCommandHandler(Command::DiagramClasses, [&w, view] {
        if (!w.project()) return;
        w.flushPendingEdits();
        DiagramClassesDialog dialog(*w.project()->db, w.project()->engMet(), w.ui(), &w);
        if (dialog.exec() == QDialog::Accepted) view->redraw(false);
    });
    w.setCommandHandler(Command::DiagnosisWindow, [log] {
        log->setVisible(!log->isVisible());
        if (log->isVisible()) log->raise();
    });
    // the menu entry is an on/off switch: it shows whether the log is on screen
    if (QAction* onOff = w.action(Command::DiagnosisWindow))
        QObject::connect(log, &QDockWidget::visibilityChanged, onOff, [onOff, log] { onOff->setChecked(log->isVisible()); });
    return pane;
}

}  // namespace kolv::gui::diagram
