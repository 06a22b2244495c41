// Strict input in the editing panel and Edit > Undo / Redo on the main window, offscreen.
#include <QAction>
#include <QListWidget>
#include <QStatusBar>
#include <QPushButton>
#include <chrono>
#include <thread>

#include "db/database.h"
#include "db/undo_history.h"
#include "gui/common/run_input.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/node_list_view.h"
#include "gui/app/undo_controller.h"
#include "sizing/pipe_sizing.h"
#include "support/table_snapshot.h"
#include "support/gui_fixture.h"

using namespace kolv;
using namespace kolv::gui;

using test::type;

class UndoInputTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> m_dir;
    ui::RecordingUi m_ui;
    std::unique_ptr<MainWindow> m_window;

    std::string snapshot() { return test::snapshotTables(*m_window->project()->db); }

private slots:
    void init() {
        m_dir = std::make_unique<test::TempDir>();
        m_window = std::make_unique<MainWindow>(test::mainWindowOptions(m_ui, *m_dir));
        QVERIFY(m_window->openProjectFile(test::makeSample(*m_dir)));
    }
    void cleanup() {
        m_window.reset();
        m_dir.reset();
    }

    // Refused numbers are marked in the panel with the rule on the status line, nothing is written,
    // and the status line clears once the value is corrected (the rules and their texts are the
    // core's: one text and one out-of-range value show the wiring); moving to another node with a
    // refused value asks, and the list and panel stay on one record.
    void refusedValuesAreMarkedAndMovingOnAsksToCorrectOrDiscard() {
        EditPanelWidget* panel = m_window->panel();
        const std::string before = snapshot();
        const std::string shown = panel->model()->node.name();
        for (const auto& [field, text] : {std::pair{6, "0,3"}, {14, "1e12"}}) {
            QLineEdit* e = panel->field(field);
            const QString good = e->text();
            type(e, text);
            QVERIFY2(panel->invalidFields().size() == 1, text);
            QVERIFY(!m_window->statusBar()->currentMessage().isEmpty());
            QVERIFY(!m_window->flushPendingEdits());
            QCOMPARE(QString::fromStdString(snapshot()), QString::fromStdString(before));
            QCOMPARE(e->text(), QString(text));  // kept for correction
            type(e, good);
            QVERIFY(panel->invalidFields().empty());
            QCOMPARE(m_window->statusBar()->currentMessage(), QString());  // the old message goes
        }
        // a refused value, then another node: "No" stays on the record
        QLineEdit* area = panel->field(editing::panel_field::kArea1);
        type(area, "5e8");
        const std::string other = m_window->nodeList()->text(2, 0).toStdString();
        QVERIFY(other != shown);
        m_ui.clear();
        m_ui.answers.push_back(ui::Answer::No);
        QVERIFY(!m_window->showNode(other));
        QCOMPARE(m_ui.messages.size(), std::size_t(1));
        QCOMPARE(m_ui.messages[0].defaultAnswer, ui::Answer::No);
        QCOMPARE(panel->model()->node.name(), shown);
        QCOMPARE(area->text(), QString("5e8"));
        // "Yes" discards the change and goes on; nothing was written
        m_ui.answers.push_back(ui::Answer::Yes);
        QVERIFY(m_window->showNode(other));
        QCOMPARE(panel->model()->node.name(), other);
        QVERIFY(panel->invalidFields().empty());
        QCOMPARE(QString::fromStdString(snapshot()), QString::fromStdString(before));
    }

    void nothingCanBeEditedWhileAComputationRuns() {
        // A run holds the project's write transaction and lets the windows repaint: typed
        // values, clicks on the panel and closing the window wait for its end.
        EditPanelWidget* panel = m_window->panel();
        QLineEdit* area = panel->field(editing::panel_field::kArea1);
        QToolButton* calc = test::calcSwitch(panel, 4);
        QVERIFY(calc);
        const QString was = area->text();
        m_window->show();
        const std::string before = snapshot();
        struct RunEnds {
            GuiUi& ui;
            ~RunEnds() { ui.busy(false); }
        };
        {
            m_window->ui().busy(true);
            RunEnds end{m_window->ui()};
            QTest::keyClicks(area, "77");
            QCOMPARE(area->text(), was);
            QTest::mouseClick(calc, Qt::LeftButton);
            QVERIFY(snapshot() == before);
            QVERIFY(!m_window->close());
            QVERIFY(m_window->isVisible());
            // the run's own stop button keeps its input
            QPushButton stop("Cancel");
            stop.setProperty(kInputDuringRun, true);
            bool stopped = false;
            connect(&stop, &QPushButton::clicked, [&] { stopped = true; });
            stop.show();
            QTest::mouseClick(&stop, Qt::LeftButton);
            QVERIFY(stopped);
        }
        QTest::mouseClick(calc, Qt::LeftButton);
        QVERIFY(snapshot() != before);  // after the run the same click edits
        type(area, "77");
        QCOMPARE(area->text(), QString("77"));
    }

    void aLockedFileIsWaitedForWithTheNoticeOnTheStatusLine() {
        // another program holds the project; the window's next write waits and says so
        auto other = db::Database::open(m_window->project()->path);
        other->exec("BEGIN IMMEDIATE");
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other->exec("ROLLBACK");
        });
        m_ui.statuses.clear();
        db::Transaction tx(*m_window->project()->db);
        tx.commit();
        release.join();
        bool shown = false;
        for (const auto& s : m_ui.statuses) shown = shown || s.find("is locked by another program") != std::string::npos;
        QVERIFY(shown);
    }

    void panelEditSwitchClickAndStep2UndoAndRedoExactly() {
        UndoController* undo = m_window->undoController();
        EditPanelWidget* panel = m_window->panel();
        const std::string s0 = snapshot();
        const QString tcBefore = panel->field(editing::panel_field::kInitialTc)->text();

        type(panel->field(editing::panel_field::kInitialTc), "17.5");  // Initial Tc
        QVERIFY(m_window->flushPendingEdits());
        const std::string s1 = snapshot();
        QVERIFY(undo->undoAction()->text().startsWith("&Undo Edit Node "));

        QToolButton* calc = test::calcSwitch(panel, 4);
        QVERIFY(calc);
        calc->click();
        const std::string s2 = snapshot();
        QVERIFY(s2 != s1);

        ui::RecordingUi silent;
        auto options = sizing::SizingOptions::defaults();
        options.group = 1;
        options.criterion = sizing::Criterion::HglSlope;
        options.maxHglSlopePercent = 0.3;
        auto* project = m_window->project();
        QCOMPARE(sizing::computePipeSizes(*project, silent, project->currentSystem, options).status, 0);
        const std::string s3 = snapshot();
        QCOMPARE(undo->undoAction()->text(), QString("&Undo Step 2: Compute Pipe Sizes"));

        QVERIFY(undo->undo());
        QVERIFY(snapshot() == s2);
        QVERIFY(undo->undo());
        QVERIFY(snapshot() == s1);
        QVERIFY(undo->undo());
        QVERIFY(snapshot() == s0);
        QVERIFY(!undo->undoAction()->isEnabled());
        // the panel shows the restored value at once
        QCOMPARE(panel->field(editing::panel_field::kInitialTc)->text(), tcBefore);

        QVERIFY(undo->redo());
        QVERIFY(snapshot() == s1);
        undo->jumpTo(3);  // the history list: after Step 2
        QVERIFY(snapshot() == s3);
        QCOMPARE(undo->historyList()->count(), 4);  // as opened + three steps
    }
};

QTEST_MAIN(UndoInputTest)
#include "undo_input_test.moc"
