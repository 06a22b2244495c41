// The network diagram driven offscreen through its own operations and the mouse: records and log lines.
#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <cmath>
#include <QListWidget>
#include <QDockWidget>
#include <QStatusBar>
#include <fstream>

#include "db/database.h"
#include "diagram/palette.h"
#include "gui/diagram/diagnosis_log_dock.h"
#include "gui/diagram/diagram_items.h"
#include "gui/diagram/diagram_pane.h"
#include "gui/diagram/diagram_view.h"
#include "gui/diagram/install_diagram.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/node_list_view.h"
#include "gui/app/undo_controller.h"
#include "db/undo_history.h"
#include "support/gui_fixture.h"

using namespace kolv;
using namespace kolv::gui;
using namespace kolv::gui::diagram;

class DiagramViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> m_dir;
    std::unique_ptr<db::Database> m_db;
    Session m_session;
    ui::RecordingUi m_ui;
    QStringList m_names;  // answers of the add-node dialog, in order

    DiagramContext context() {
        DiagramContext c;
        c.db = m_db.get();
        c.session = &m_session;
        c.ui = &m_ui;
        c.system = "S1";
        c.palettePath = [] { return kolv::diagram::installedPalettePath(); };
        c.chooseNode = [this](const std::string&) -> kolv::diagram::NewNodeChoice {
            if (m_names.isEmpty()) return {};
            return {m_names.takeFirst().toStdString(), "MH5"};
        };
        return c;
    }
    std::string text(const std::string& sql) { return m_db->scalar(sql).toText(); }
    double number(const std::string& sql) { return m_db->scalar(sql).toDouble(); }

private slots:
    void init() {
        m_dir = std::make_unique<test::TempDir>();
        m_db = db::Database::open(test::makeEmptyProject(*m_dir));
        m_db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES ('S1', '')");
        m_db->execute("UPDATE T0 SET PIPE_CLASS_2 = '18RCP'");
        m_session = Session{};
        m_ui = ui::RecordingUi{};
    }

    void placesLinksDragsDeletesAndRedraws() {
        DiagramView view;
        view.resize(900, 600);
        view.show();
        view.setContext(context());
        view.redraw(true);

        m_names = {"N1", "N2"};
        QVERIFY(view.placeEntity("Manhole", QPointF(1000.4, 2000)));
        QVERIFY(view.placeEntity("Curb Inlet", QPointF(3000, 2000)));
        QVERIFY(!view.placeEntity("Curb Inlet", QPointF(5000, 5000)));  // the dialog is cancelled
        QCOMPARE(view.entityCount(), 2);
        QCOMPARE(number("SELECT XD FROM NODE WHERE NAME = 'N1'"), 1000.0);  // whole diagram units
        QCOMPARE(m_session.diagnosisLog.back(), std::string(" - - cancelled - -"));

        QVERIFY(view.linkEntities("N1", "N2", 2));
        QCOMPARE(view.relationCount(), 1);
        QCOMPARE(text("SELECT NODE1 || '>' || NODE2 || ':' || PIPE_NAME FROM REACH"), std::string("N1>N2:18RCP"));
        QVERIFY(!view.linkEntities("N1", "N2", 2));  // one outgoing reach only

        // drag N2 with the mouse: press on its symbol, move, release
        view.zoomFit();
        QApplication::processEvents();
        const QPoint from = view.mapFromScene(view.entity("N2")->pos());
        const QPoint to = from + QPoint(0, 60);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), view.viewport()->mapToGlobal(QPointF(to)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
        const double y = number("SELECT YD FROM NODE WHERE NAME = 'N2'");
        const double expected = 2000 + 60 / view.transform().m11();  // the mouse moved 60 px down
        QVERIFY2(std::abs(y - expected) <= 1 + 1 / view.transform().m11(), qPrintable(QString::number(y)));
        // the reach follows its end
        QCOMPARE(view.relation("N1")->to()->pos().y(), y);

        // the upstream end of a reach stays where it is
        QVERIFY(!view.stretchRelation("N1", kolv::diagram::ReachEnd::Upstream, "N2"));
        // and a reach's lower end dragged onto its own start is refused, the reach left as it was
        QVERIFY(!view.stretchRelation("N1", kolv::diagram::ReachEnd::Downstream, "N1"));
        QCOMPARE(text("SELECT NODE2 FROM REACH WHERE NAME = 'N1'"), std::string("N2"));

        // Delete key on the selected node: the node and its reach go
        view.selectEntity("N2", false);
        QTest::keyClick(view.viewport(), Qt::Key_Delete);
        QApplication::processEvents();
        QCOMPARE(view.entityCount(), 1);
        QCOMPARE(view.relationCount(), 0);
        QCOMPARE(text("SELECT group_concat(NAME) FROM NODE"), std::string("N1"));

        // one outfall a system, redrawn with the classes of the symbols
        m_names = {"OUT-1", "OUT-2", "A"};
        QVERIFY(view.placeEntity("Outfall", QPointF(5000, 5000)));
        QVERIFY(!view.placeEntity("Outfall", QPointF(6000, 5000)));
        QVERIFY(view.placeEntity("Manhole", QPointF(4000, 5000)));
        QVERIFY(view.linkEntities("A", "OUT-1", 2));
        QVERIFY(view.redraw(false));
        QCOMPARE(view.entityCount(), 3);
        QVERIFY(view.entity("OUT-1")->isOutfall());
        QCOMPARE(view.entity("A")->className(), QString("Manhole"));  // MH5 of the seed
        QCOMPARE(view.relation("A")->to(), view.entity("OUT-1"));
    }

    void surveyCoordinatesAreDrawnAndPlacedInTheirOwnSpace() {
        // state-plane northings and eastings from a survey: drawn as they are, no refusal
        m_db->execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD) VALUES ('A', 'S1', 'MH5', 2481210.4, 712305.2)");
        m_db->execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD) VALUES ('B', 'S1', 'MH5', 2481560.9, 712120.7)");
        m_db->execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('A', 'S1', 'A', 'B')");
        DiagramView view;
        view.resize(900, 600);
        view.show();
        view.setContext(context());
        QVERIFY(view.redraw(true));
        QVERIFY(m_ui.messages.empty());
        QVERIFY(!view.automaticLayout());
        QCOMPARE(view.entity("A")->pos(), QPointF(2481210.4, 712305.2));
        view.zoomFit();
        QVERIFY(view.viewport()->rect().contains(view.mapFromScene(view.entity("A")->pos())));
        QVERIFY(view.viewport()->rect().contains(view.mapFromScene(view.entity("B")->pos())));
        // a symbol placed between them gets a coordinate of the same survey
        m_names = {"C"};
        QVERIFY(view.placeEntity("Manhole", QPointF(2481400.2, 712200.6)));
        QCOMPARE(number("SELECT YD FROM NODE WHERE NAME = 'C'"), 712201.0);
    }

    void systemWithoutCoordinatesIsLaidOutAndKeptAsOneStep() {
        for (const char* n : {"A", "B", "C"})
            m_db->execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME) VALUES (?, 'S1', 'MH5')", {std::string(n)});
        m_db->execute("UPDATE T16 SET OUT_NODE = 'OUT', STRUCT_NAME = 'OUTFALL' WHERE SYSTEM = 'S1'");
        for (auto [a, b] : {std::pair{"A", "B"}, std::pair{"B", "OUT"}, std::pair{"C", "OUT"}})
            m_db->execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES (?, 'S1', ?, ?)",
                          {std::string(a), std::string(a), std::string(b)});
        db::UndoHistory& history = m_db->attachHistory();
        DiagramPane pane;
        pane.resize(900, 600);
        pane.show();
        DiagramView& view = *pane.view();
        view.setContext(context());
        QVERIFY(view.redraw(true));
        QVERIFY(m_ui.messages.empty());
        QVERIFY(view.automaticLayout());
        QVERIFY(pane.automaticLayoutBar()->isVisible());
        QVERIFY(view.entity("OUT")->pos().x() > view.entity("A")->pos().x());
        QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM NODE WHERE XD <> 0 OR YD <> 0").toInt(), 0);  // not stored yet

        const QPointF b = view.entity("B")->pos();
        pane.keepLayoutButton()->click();
        QVERIFY(!view.automaticLayout());
        QVERIFY(!pane.automaticLayoutBar()->isVisible());
        QCOMPARE(number("SELECT YD FROM NODE WHERE NAME = 'B'"), b.y());
        QCOMPARE(history.undoNames(), std::vector<std::string>{"Keep Automatic Layout"});
        QVERIFY(history.undo());
        QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM NODE WHERE XD <> 0 OR YD <> 0").toInt(), 0);
        QVERIFY(view.redraw(false));
        QVERIFY(view.automaticLayout());

        // moving a symbol of the automatic layout keeps the layout first, then moves it: two steps
        view.moveEntity("C", view.entity("C")->pos() + QPointF(0, 300));
        QCOMPARE(history.undoNames(), (std::vector<std::string>{"Keep Automatic Layout", "Move Node"}));
        QCOMPARE(number("SELECT XD FROM NODE WHERE NAME = 'B'"), b.x());
        QVERIFY(!view.automaticLayout());
    }

    void everyNodeNameIsShownWhenASmallSystemIsFitted_data() {
        QTest::addColumn<bool>("placed");
        QTest::addColumn<int>("nodes");
        QTest::addColumn<double>("spacing");
        // seven symbols placed one by one on an empty system, far apart, as an engineer draws them
        QTest::newRow("seven placed") << true << 7 << 1400.0;
        // two hundred stored close together: not every name has a free place
        QTest::newRow("two hundred crowded") << false << 200 << 40.0;
    }
    void everyNodeNameIsShownWhenASmallSystemIsFitted() {
        QFETCH(bool, placed);
        QFETCH(int, nodes);
        QFETCH(double, spacing);
        m_db->execute("UPDATE T27 SET LVSINT3 = -1, LVSINT4 = -1 WHERE RECNUM = 1");  // three-line labels
        DiagramView view;
        view.resize(1500, 800);
        view.show();
        view.setContext(context());
        QVERIFY(view.redraw(true));
        QStringList names;
        for (int k = 0; k < nodes; ++k) names << QString("I%1").arg(k + 1);
        const int side = static_cast<int>(std::ceil(std::sqrt(nodes)));
        auto at = [&](int k) { return QPointF(500 + (k % side) * spacing, 500 + (k / side) * spacing * 0.6); };
        if (placed) {
            m_names = names;
            for (int k = 0; k < nodes; ++k) QVERIFY(view.placeEntity(k + 1 == nodes ? "Outfall" : "Curb Inlet", at(k)));
            for (int k = 0; k + 1 < nodes; ++k) QVERIFY(view.linkEntities(names[k], names[k + 1], 2));
        } else {
            for (int k = 0; k < nodes; ++k)
                m_db->execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD) VALUES (?, 'S1', 'MH5', ?, ?)",
                              {names[k].toStdString(), at(k).x(), at(k).y()});
            for (int k = 0; k + 1 < nodes; ++k)
                m_db->execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES (?, 'S1', ?, ?)",
                              {names[k].toStdString(), names[k].toStdString(), names[k + 1].toStdString()});
            QVERIFY(view.redraw(false));
        }
        view.zoomFit();  // Ctrl+0
        QApplication::processEvents();
        for (const QString& n : names) {
            LabelItem* label = view.entity(n)->label();
            QVERIFY2(label && label->scene() && label->shown() != LabelItem::Shown::Nothing, qPrintable(n));
            // inside the window
            QVERIFY2(view.viewport()->rect().contains(view.mapFromScene(label->sceneBoundingRect().center())), qPrintable(n));
        }
    }

    void switchingTheLabelSetRepaintsWhatTheOldLabelsCovered() {
        // what the window holds after the switch is what a fresh picture of it shows: no text of
        // the old set left beside or under the new labels
        m_db->execute("UPDATE T27 SET LVSINT3 = -1, LVSINT4 = -1, LVSINT7 = -1 WHERE RECNUM = 1");
        m_db->execute("UPDATE T27 SET LVSINT2 = 0, LVSINT3 = 0, LVSINT4 = 0 WHERE RECNUM = 2");
        for (int k = 0; k < 12; ++k)
            m_db->execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD, INLET_ELEV) VALUES (?, 'S1', 'MH5', ?, ?, 101.25)",
                          {"NODE-" + std::to_string(k), 1000.0 + (k % 4) * 700, 1000.0 + (k / 4) * 500});
        DiagramPane pane;
        pane.resize(1200, 800);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        DiagramView* view = pane.view();
        view->setContext(context());
        QVERIFY(view->redraw(false));
        view->zoomFit();
        for (int i = 0; i < 4; ++i) QApplication::processEvents();
        pane.labelSetBox()->setCurrentIndex(1);  // set 2: the names alone
        for (int i = 0; i < 4; ++i) QApplication::processEvents();
        QCOMPARE(view->visibleLabelCount(), 12);
        QScreen* screen = pane.screen();
        const QPoint origin = view->viewport()->mapToGlobal(QPoint(0, 0)) - pane.mapToGlobal(QPoint(0, 0));
        const QImage shown = screen->grabWindow(pane.winId(), origin.x(), origin.y(), view->viewport()->width(),
                                                view->viewport()->height()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage fresh = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), fresh.size());
        int differing = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) differing += shown.pixel(x, y) != fresh.pixel(x, y) ? 1 : 0;
        QVERIFY2(differing == 0, qPrintable(QString("%1 pixels left from the old labels").arg(differing)));
    }

    void mainWindowShowsTheDiagramInTheCentreAndFollowsClicks() {
        MainWindowOptions o = test::mainWindowOptions(m_ui, *m_dir);
        std::ofstream(o.settingsPath) << "[KOLV]\r\nDIAGRAMPALETTE=" << kolv::diagram::installedPalettePath()
                                      << "\r\nREPORTFILEPATH=\r\n";
        MainWindow w(o);
        DiagramPane* pane = installDiagram(w);
        QCOMPARE(w.centralWidget(), static_cast<QWidget*>(pane));
        w.resize(1400, 900);
        w.show();
        QVERIFY(w.openProjectFile(test::makeSample(*m_dir)));
        QApplication::processEvents();
        QApplication::processEvents();
        DiagramView* view = pane->view();
        QCOMPARE(view->entityCount(), w.nodeList()->rowCount());  // nodes and the outfall
        // the node the list and panel show at opening is marked on the drawing too
        const auto listed = w.nodeList()->selectionModel()->selectedRows();
        QCOMPARE(listed.size(), 1);
        QVERIFY(view->entity(w.nodeList()->text(listed.front().row(), 0))->isSelected());

        view->clickEntity("S-7");
        QCOMPARE(w.panel()->field(editing::panel_field::kNodeName)->text(), QString("S-7"));
        QCOMPARE(w.nodeList()->text(w.nodeList()->selectionModel()->selectedRows().front().row(), 0), QString("S-7"));

        // choosing in the list selects on the diagram
        w.nodeList()->selectRow(w.nodeList()->listModel()->rowOf("S-12"));
        QVERIFY(view->entity("S-12")->isSelected());

        QMouseEvent move(QEvent::MouseMove, QPointF(100, 100), view->viewport()->mapToGlobal(QPointF(100, 100)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        QVERIFY(w.statusBar()->currentMessage().startsWith("xy: "));

        // a move is one undo step; undo puts the symbol back where it was
        const QPointF before = view->entity("S-7")->pos();
        view->moveEntity("S-7", before + QPointF(300, 200));
        QCOMPARE(w.project()->db->scalar("SELECT XD FROM NODE WHERE NAME = 'S-7'").toDouble(), before.x() + 300);
        QVERIFY(w.undoController()->undo());
        QApplication::processEvents();
        QCOMPARE(view->entity("S-7")->pos(), before);

        w.runCommand(Command::DiagnosisWindow);
        DiagnosisLogDock* log = diagnosisDock(w);
        QVERIFY(log && log->isVisible());
        view->listEntities();
        QVERIFY(log->list()->count() > view->entityCount());
        for (const auto& m : m_ui.messages) QVERIFY2(m.title != "Missing File", m.text.c_str());

        // A redraw shows its first picture before the items and labels exist; a node chosen in
        // between is marked once they do, and asking for an item makes them at once.
        QVERIFY(view->redraw(false));
        QVERIFY(view->drawingPending());
        QCOMPARE(view->entityCount(), w.nodeList()->rowCount());
        view->selectEntity("S-9", false);
        const long frames = view->framesPainted();
        view->viewport()->repaint();
        QVERIFY(view->framesPainted() > frames);
        for (int i = 0; i < 5 && view->drawingPending(); ++i) QApplication::processEvents();
        QVERIFY(!view->drawingPending());
        QVERIFY(view->entity("S-9")->isSelected());
        QVERIFY(view->visibleLabelCount() > 0);
        QVERIFY(view->redraw(false));
        QVERIFY(view->drawingPending());
        QVERIFY(view->relation("S-9") != nullptr);  // made on demand, no paint needed
        QVERIFY(!view->drawingPending());
        QCOMPARE(view->relation("S-9")->from(), view->entity("S-9"));
    }
};

QTEST_MAIN(DiagramViewTest)
#include "diagram_view_test.moc"
