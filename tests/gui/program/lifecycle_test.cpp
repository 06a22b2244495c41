// The project lifecycle of the whole program offscreen: opening over an open project, closing,
// reopening, quitting with a pending edit, and the window layout kept between runs.
#include <QDockWidget>
#include <QFile>
#include <QPushButton>
#include <cmath>
#include <QSettings>
#include <filesystem>

#include "db/database.h"
#include "gui/app/commands.h"
#include "gui/compute/cost_window.h"
#include "gui/compute/flow_lines_window.h"
#include "gui/compute/hydraulics_window.h"
#include "gui/common/listing_view.h"
#include "gui/compute/pipe_sizes_window.h"
#include "gui/compute/stale_bar.h"
#include "gui/compute/profile_view.h"
#include "gui/app/undo_controller.h"
#include "support/gui_fixture.h"
#include "view_check.h"

using namespace kolv;
using namespace kolv::gui;

namespace {

using test::type;

bool errorTrapped(const ui::RecordingUi& ui) {
    for (const auto& m : ui.messages)
        if (m.title.find("ERROR") != std::string::npos || m.text.find("ERROR") != std::string::npos) return true;
    return false;
}

/// A step's window: how to find it, its stale bar, what it lists and how it computes.
struct Step {
    const char* name;
    Command command;
    std::function<QDialog*(MainWindow&)> window;
    std::function<compute::StaleBar*(QDialog*)> bar;
    std::function<std::vector<std::string>(QDialog*)> lines;
    std::function<bool(QDialog*)> compute;
};

template <class W>
Step stepOf(const char* name, Command command) {
    return {name, command, [](MainWindow& w) -> QDialog* { return test::windowOf<W>(w); },
            [](QDialog* d) { return static_cast<W*>(d)->staleBar(); },
            [](QDialog* d) {
                if constexpr (std::is_same_v<W, compute::HydraulicsWindow>) return static_cast<W*>(d)->messages()->lines();
                else return static_cast<W*>(d)->listing()->lines();
            },
            [](QDialog* d) {
                if constexpr (std::is_void_v<decltype(static_cast<W*>(d)->compute())>) return static_cast<W*>(d)->compute(), true;
                else return static_cast<W*>(d)->compute();
            }};
}

}  // namespace

class LifecycleTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> m_dir;
    ui::RecordingUi m_ui;
    QByteArray m_xdg;

    MainWindowOptions options(bool layout = false) {
        auto o = test::mainWindowOptions(m_ui, *m_dir);
        o.rememberGeometry = layout;
        return o;
    }

private slots:
    void init() {
        m_dir = std::make_unique<test::TempDir>();
        m_ui = ui::RecordingUi{};
        // anything written to the user's own configuration folder would land here
        m_xdg = m_dir->file("xdg").c_str();
        qputenv("XDG_CONFIG_HOME", m_xdg);
        qputenv("HOME", m_dir->file("home").c_str());
    }

    void openingAndClosingKeepEveryViewOnTheOpenProject_data() {
        QTest::addColumn<QString>("steps");
        // a = sample, b = a second sample, e = an empty project, c = close
        QTest::newRow("open another over a pending edit") << "a*b";
        QTest::newRow("close then open another") << "a*cb";
        QTest::newRow("reopen the same file") << "a*a";
        QTest::newRow("new empty project over one") << "a*e";
        QTest::newRow("close with the hydraulics window open") << "ahcb";
        QTest::newRow("back and forth") << "ab*a*cc b";
    }
    void openingAndClosingKeepEveryViewOnTheOpenProject() {
        QFETCH(QString, steps);
        const std::string a = test::makeSample(*m_dir, "a.mdb"), b = test::makeSample(*m_dir, "b.mdb");
        const std::string e = test::makeEmptyProject(*m_dir, "e.mdb");
        test::Program p(options());
        p.w().show();
        for (QChar step : steps) {
            switch (step.toLatin1()) {
                case 'a': QVERIFY(p.w().openProjectFile(a)); break;
                case 'b': QVERIFY(p.w().openProjectFile(b)); break;
                case 'e': QVERIFY(p.w().openProjectFile(e)); break;
                case 'c': p.w().closeProject(); break;
                case 'h': p.w().runCommand(Command::ComputeStormTabs); break;
                case '*': {
                    // a valid value typed and not yet written, then a click on the diagram's labels
                    type(p.w().panel()->field(editing::panel_field::kInitialTc), "17.5");
                    p.view()->refreshLabels();
                    break;
                }
                default: break;
            }
            test::settle();
            const std::string mismatch = test::viewMismatch(p);
            QVERIFY2(mismatch.empty(), qPrintable(QString(step) + ": " + QString::fromStdString(mismatch)));
            QVERIFY2(!errorTrapped(m_ui), m_ui.messages.empty() ? "" : m_ui.messages.back().text.c_str());
        }
    }

    void commandsOfAProjectDoNothingWithoutOne() {
        test::Program p(options());
        p.w().show();
        for (int round = 0; round < 2; ++round) {
            // at the start, and after a project was closed: an empty window with the project's commands off
            // (the empty list, panel and diagram are checked by viewMismatch after each command below)
            QCOMPARE(p.w().windowTitle(), QString("KOLV Lt"));
            for (Command c : {Command::ComputePipeSizes, Command::SetFlowLines, Command::ComputeStormTabs,
                              Command::CostAnalysis, Command::CloseProject, Command::Systems, Command::ZoomFit})
                QVERIFY(!p.w().action(c)->isEnabled());
            QVERIFY(p.w().action(Command::OpenProject)->isEnabled());
            for (const CommandInfo& c : commandTable()) {
                if (!c.needsProject) continue;
                const bool step = c.id == Command::ComputePipeSizes || c.id == Command::SetFlowLines ||
                                  c.id == Command::ComputeStormTabs;
                m_ui.clear();
                p.w().runCommand(c.id);  // a shortcut or another window may still reach it
                test::settle();
                QVERIFY2(step ? m_ui.messages.size() == 1 : m_ui.messages.empty(), c.caption.c_str());
                QVERIFY2(test::viewMismatch(p).empty(), c.caption.c_str());
            }
            // the same after a project was open and closed again
            QVERIFY(p.w().openProjectFile(test::makeSample(*m_dir)));
            test::settle();
            QVERIFY(p.view()->entityCount() > 0);
            m_ui.clear();
            p.w().runCommand(Command::CloseProject);
            test::settle();
            QVERIFY2(m_ui.messages.empty(), m_ui.messages.empty() ? "" : m_ui.messages.front().text.c_str());
        }
    }

    void computeWindowFollowsRunsUndoAndReopening() {
        test::Program p(options());
        p.w().show();
        QVERIFY(p.w().openProjectFile(test::makeSample(*m_dir)));
        p.w().changeCurrentSystem("MAINST");
        test::settle();
        p.w().runCommand(Command::ComputeStormTabs);
        // (the window has no meta-object of its own: found by its type, not through Qt's cast)
        compute::HydraulicsWindow* hyd = test::windowOf<compute::HydraulicsWindow>(p.w());
        QVERIFY2(hyd && hyd->isVisible(), m_ui.messages.empty() ? "" : m_ui.messages.back().text.c_str());
        QVERIFY(hyd->compute());
        hyd->refreshProfile();
        QVERIFY(hyd->profileView()->hasProfile());
        const double tailwater = hyd->profileView()->profile().tailwater;
        QVERIFY(hyd->staleBar()->isHidden());

        // a change of the data, then Compute: the profile on display is the new run's, no Refresh needed
        p.w().project()->db->execute("UPDATE T16 SET OUT_TW = OUT_TW + 3 WHERE SYSTEM = 'MAINST'");
        p.w().refreshAfterChange();
        QVERIFY(hyd->compute());
        QVERIFY(std::fabs(hyd->profileView()->profile().tailwater - (tailwater + 3)) < 1e-6);

        // undoing the run: its messages are marked, in the open window and once reopened
        QVERIFY(p.w().undoController()->undo());
        test::settle();
        QVERIFY(!hyd->staleBar()->isHidden());
        hyd->close();
        p.w().runCommand(Command::ComputeStormTabs);
        QVERIFY(!hyd->staleBar()->isHidden());

        // an edit in the panel marks the run too; one click computes again
        QVERIFY(hyd->compute());
        QVERIFY(hyd->staleBar()->isHidden());
        type(p.w().panel()->field(editing::panel_field::kInitialTc), "19");
        QVERIFY(p.w().flushPendingEdits());
        QVERIFY(!hyd->staleBar()->isHidden());
        hyd->staleBar()->findChild<QPushButton*>("computeAgainButton")->click();
        QVERIFY(hyd->staleBar()->isHidden());
    }

    void stepWindowsShowTheirLastRunAfterReopeningMarkedWhenTheDataChanged() {
        // each step's window, in design order, so each run is the newest thing the project holds
        // when its window is checked
        const Step steps[] = {stepOf<compute::PipeSizesWindow>("pipe sizes", Command::ComputePipeSizes),
                              stepOf<compute::FlowLinesWindow>("flow lines", Command::SetFlowLines),
                              stepOf<compute::HydraulicsWindow>("hydraulics", Command::ComputeStormTabs),
                              stepOf<compute::CostWindow>("cost", Command::CostAnalysis)};
        const std::string file = test::makeSample(*m_dir);
        std::vector<std::vector<std::string>> runs;
        {
            test::Program p(options());
            QVERIFY(p.w().openProjectFile(file));
            p.w().changeCurrentSystem("MAINST");
            for (const Step& s : steps) {
                p.w().runCommand(s.command);
                QDialog* w = s.window(p.w());
                QVERIFY2(w, s.name);
                QVERIFY2(s.compute(w), s.name);
                QVERIFY2(!s.lines(w).empty(), s.name);
                QVERIFY2(!s.bar(w)->stale(), s.name);
                runs.push_back(s.lines(w));
                w->close();
            }
        }
        {
            // reopened as it was left: the last step's run is as current as the data
            test::Program p(options());
            QVERIFY(p.w().openProjectFile(file));
            p.w().changeCurrentSystem("MAINST");
            p.w().runCommand(Command::CostAnalysis);
            QDialog* cost = steps[3].window(p.w());
            QVERIFY(cost && cost->isVisible());
            QVERIFY(steps[3].lines(cost) == runs[3]);
            QVERIFY(!steps[3].bar(cost)->stale());
            // an edit with the window open marks it at once
            type(p.w().panel()->field(12), "19");
            QVERIFY(p.w().flushPendingEdits());
            QVERIFY(steps[3].bar(cost)->stale());
        }
        test::Program p(options());
        QVERIFY(p.w().openProjectFile(file));
        p.w().changeCurrentSystem("MAINST");
        for (std::size_t i = 0; i < std::size(steps); ++i) {
            const Step& s = steps[i];
            p.w().runCommand(s.command);
            QDialog* w = s.window(p.w());
            QVERIFY2(w && w->isVisible(), s.name);
            QVERIFY2(s.lines(w) == runs[i], s.name);
            QVERIFY2(s.bar(w)->stale(), s.name);
        }
        // one click computes the cost again, and the project's undo takes the new run back out
        QDialog* cost = steps[3].window(p.w());
        steps[3].bar(cost)->findChild<QPushButton*>("computeAgainButton")->click();
        QVERIFY(!steps[3].bar(cost)->stale());
        QVERIFY(p.w().undoController()->undo());
        test::settle();
        QVERIFY(steps[3].lines(cost) == runs[3]);
        QVERIFY(steps[3].bar(cost)->stale());
    }

    void aLayoutIsKeptInTheSettingsFolderAndOneThatDoesNotFitIsIgnored_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("kept as left") << QString() << QVariant();
        QTest::newRow("older layout") << "layout/version" << QVariant(1);
        QTest::newRow("other program version") << "layout/program" << QVariant("0.9");
        QTest::newRow("a dock missing") << "layout/docks" << QVariant(QStringList{"EditPanelDock"});
        QTest::newRow("damaged state") << "main/state" << QVariant(QByteArray("\x00\xff garbage", 10));
        QTest::newRow("damaged geometry") << "main/geometry" << QVariant(QByteArray("nonsense"));
    }
    void aLayoutIsKeptInTheSettingsFolderAndOneThatDoesNotFitIsIgnored() {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        {
            test::Program p(options(true));
            QVERIFY(!p.w().restoreLayout());  // nothing kept yet
            p.w().showMaximized();
            test::settle();
            p.w().findChild<QDockWidget*>("NodeListDock")->close();  // its title bar's x
            test::settle();
            QVERIFY(p.w().close());
        }
        // kept in the settings folder, never in the user's own configuration folders
        QVERIFY(QFile::exists(QString::fromStdString(m_dir->file("KOLVLtV3-layout.ini"))));
        QVERIFY(!std::filesystem::exists(std::string(m_xdg.constData()) + "/KOLV"));
        QVERIFY(!std::filesystem::exists(m_dir->file("home") + "/.config"));
        if (!key.isEmpty()) {
            QSettings stored(QString::fromStdString(m_dir->file("KOLVLtV3-layout.ini")), QSettings::IniFormat);
            stored.setValue(key, value);
        }
        test::Program p(options(true));
        QCOMPARE(p.w().restoreLayout(), key.isEmpty());
        p.w().show();
        const std::string sample = test::makeSample(*m_dir);
        QVERIFY(p.w().openProjectFile(sample));
        test::settle();
        QVERIFY(p.w().findChild<QDockWidget*>("EditPanelDock")->isVisible());
        if (key.isEmpty()) QVERIFY(p.w().isMaximized() && p.w().findChild<QDockWidget*>("NodeListDock")->isHidden());
        QVERIFY(test::viewMismatch(p).empty());
        // quitting writes a pending edit
        const std::string node = p.w().panel()->field(editing::panel_field::kNodeName)->text().toStdString();
        type(p.w().panel()->field(editing::panel_field::kInitialTc), "21");
        QVERIFY(p.w().close());
        QCOMPARE(db::Database::open(sample)->scalar("SELECT TC FROM NODE WHERE NAME = ?", {db::Value(node)}).toText(),
                 std::string("21"));
    }

    void aLayoutKeptOffEveryScreenComesBackOnTheScreen() {
        {
            test::Program p(options(true));
            p.w().show();
            p.w().move(40000, 40000);
            test::settle();
            QVERIFY(p.w().close());
        }
        test::Program p(options(true));
        p.w().restoreLayout();
        p.w().show();
        test::settle();
        bool onScreen = false;
        for (const QScreen* s : QGuiApplication::screens()) onScreen = onScreen || s->availableGeometry().intersects(p.w().frameGeometry());
        QVERIFY(onScreen);
    }
};

QTEST_MAIN(LifecycleTest)
#include "lifecycle_test.moc"
