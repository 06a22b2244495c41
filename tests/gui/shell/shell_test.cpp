// The main window as the engineer meets it: titles, saving, reopening, refresh after a run, the
// verification window, printing the window in front, and the program's command line. Offscreen.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextBrowser>

#include "common/text.h"
#include "db/database.h"
#include "gui/app/command_icons.h"
#include "gui/compute/install_compute_windows.h"
#include "gui/common/listing_view.h"
#include "gui/compute/pipe_sizes_window.h"
#include "gui/common/report_preview.h"
#include "gui/compute/verification_window.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/common/qt_text.h"
#include "gui/app/node_list_view.h"
#include "gui/shell/install_shell_commands.h"
#include "gui/shell/user_guide_window.h"
#include "support/gui_fixture.h"

using namespace kolv;
using namespace kolv::gui;

namespace {

QString cellOf(NodeListView* t, const QString& node, const QString& heading) {
    const int r = t->listModel()->rowOf(node.toStdString());
    return r < 0 ? QString("(no row)") : t->text(r, t->column(heading));
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> m_dir;
    ui::RecordingUi m_ui;

    MainWindowOptions options() { return test::mainWindowOptions(m_ui, *m_dir); }

private slots:
    void init() {
        m_dir = std::make_unique<test::TempDir>();
        m_ui = ui::RecordingUi{};
    }

    void titleNamesTheFileAndSaveAsGoesOnInTheCopy() {
        MainWindow w(options());
        std::string path = test::makeEmptyProject(*m_dir, "Road 12.mdb");
        QVERIFY(w.openProjectFile(path));
        QVERIFY(w.saveProjectAs(m_dir->file("Road 12 rev")));
        QCOMPARE(w.project()->path, m_dir->file("Road 12 rev.mdb"));
        QCOMPARE(w.windowTitle(), QString::fromUtf8("Road 12 rev.mdb \u2014 KOLV Lt"));
        QCOMPARE(w.statusBar()->currentMessage(), QString("Saved"));
        QCOMPARE(w.settingsState().recentFiles[0], m_dir->file("Road 12 rev.mdb"));
        // the open file itself is refused, and the project stays open
        QVERIFY(!w.saveProjectAs(w.project()->path));
        QCOMPARE(m_ui.messages.back().title, std::string("INVALID DATA"));
        QVERIFY(w.project());
    }

    // Step 2 with Verify first: the node list shows the new pipes without another click, and the
    // verification window holds only this run's findings.
    void step2RefreshesTheNodeListAndTheVerificationWindow() {
        std::string path = test::makeSample(*m_dir);
        {
            // pipes the sizing will change (the smallest, switch on), and faults in another system
            auto db = db::Database::open(path);
            db->execute("UPDATE REACH SET PIPE_NAME = '15RCP', CALC_PIPESIZE = -1 WHERE SYSTEM = 'MAINST'");
            db->execute("UPDATE REACH SET LENGTH = 0 WHERE SYSTEM = 'OAKAVE'");
        }
        MainWindow w(options());
        auto* windows = compute::installComputeWindows(w);
        QVERIFY(w.openProjectFile(path));
        w.changeCurrentSystem("OAKAVE");
        compute::VerificationWindow* v = windows->openVerification();
        QVERIFY(!v->runVerification());  // faults of OAKAVE listed
        w.changeCurrentSystem("MAINST");
        QVERIFY(w.statusBar()->currentMessage() != "Saved");  // opening and choosing write no edit
        v->close();
        compute::PipeSizesWindow* sizes = windows->openPipeSizes();
        for (auto* box : sizes->findChildren<QCheckBox*>())
            if (box->text().startsWith("Verify")) box->setChecked(true);
        sizes->hglCriterion()->setChecked(true);
        sizes->limitEdit()->setText("0.3");
        QVERIFY(sizes->compute());
        QVERIFY(v->isVisible());
        // none for MAINST, nothing left of OAKAVE
        QCOMPARE(v->listing()->lines(), (std::vector<std::string>{"Verification Complete.", "No faults found."}));
        int changed = 0;
        auto db = db::Database::open(path);
        for (int r = 0; r < w.nodeList()->rowCount(); ++r) {
            QString node = w.nodeList()->text(r, 0);
            auto stored = db->scalar("SELECT PIPE_NAME FROM REACH WHERE NODE1 = ?", {node.toStdString()});
            if (stored.isNull()) continue;
            QCOMPARE(cellOf(w.nodeList(), node, "Pipe"), q(trim(stored.toText())));
            changed += trim(stored.toText()) != "15RCP";
        }
        QVERIFY(changed > 0);
        QCOMPARE(w.statusBar()->currentMessage(), QString("Saved"));
        delete sizes;
    }

    void printTheGuideAndClosingWithARefusedValue() {
        std::string path = test::makeSample(*m_dir);
        MainWindow w(options());
        auto* windows = compute::installComputeWindows(w);
        auto* shell = shell::installShellCommands(w, *windows);
        QVERIFY(!shell->printActive(&w));  // no project: told so
        QCOMPARE(m_ui.messages.back().title, std::string("Print"));
        QVERIFY(w.openProjectFile(path));
        w.changeCurrentSystem("MAINST");
        QWidget* preview = shell->printActive(&w);
        auto* dlg = dynamic_cast<compute::ReportPreviewDialog*>(preview);
        QVERIFY(dlg);
        QVERIFY(dlg->pageCount() >= 1);
        const auto lines = shell::tableLines(*w.nodeList()->model());
        QCOMPARE(static_cast<int>(lines.size()), w.nodeList()->rowCount() + 1);
        QVERIFY(lines[0].rfind("Node", 0) == 0);
        dlg->close();

        shell::UserGuideWindow* guide = shell->showUserGuide();
        QVERIFY(guide->browser()->toPlainText().contains("MAINST"));
        // the toolbar's drawings load (the SVG support is installed)
        QVERIFY(!themedIcon(nullptr, "pipe-sizes").pixmap(24, 24).isNull());

        // closing with a refused value in the panel asks; the default answer keeps the window
        w.show();
        QLineEdit* area = w.panel()->field(editing::panel_field::kArea1);
        test::type(area, "0,3");
        m_ui.clear();
        QVERIFY(!w.close());  // the default answer goes back to the panel
        QCOMPARE(m_ui.messages.back().defaultAnswer, ui::Answer::No);
        QCOMPARE(area->text(), QString("0,3"));
        // Close Project asks the same
        w.closeProject();
        QVERIFY(w.project());
        m_ui.answers.push_back(ui::Answer::Yes);
        QVERIFY(w.close());
    }

    void commandLinePrintsUsageAndVersion() {
        QProcess p;
        p.start(KOLV_GUI_EXE, {"--help"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        QVERIFY2(out.contains("Usage:"), qPrintable(out));

        QProcess v;
        v.start(KOLV_GUI_EXE, {"--version"});
        QVERIFY(v.waitForFinished(20000));
        QCOMPARE(v.exitCode(), 0);
        QVERIFY(QString::fromLocal8Bit(v.readAllStandardOutput()).contains("KOLV Lt"));

        // a project named on the command line is opened (the picture run ends once it is drawn)
        std::string project = test::makeSample(*m_dir);
        QProcess open;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KOLV_CONFIG_DIR", q(m_dir->path()));
        open.setProcessEnvironment(env);
        open.start(KOLV_GUI_EXE, {"--screenshot", q(m_dir->file("shots")), q(project)});
        QVERIFY(open.waitForFinished(60000));
        QCOMPARE(open.exitCode(), 0);
        QVERIFY(QFile::exists(q(m_dir->file("shots/main_project.png"))));
        open.start(KOLV_GUI_EXE, {"--screenshot", q(m_dir->file("shots")), q(m_dir->file("missing.mdb"))});
        QVERIFY(open.waitForFinished(60000));
        QCOMPARE(open.exitCode(), 2);  // no project to show

        QProcess bad;
        bad.start(KOLV_GUI_EXE, {"--no-such-option"});
        QVERIFY(bad.waitForFinished(20000));
        QVERIFY(bad.exitCode() != 0);
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
