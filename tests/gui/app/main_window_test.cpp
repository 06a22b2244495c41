// The main window driven offscreen: guards, opening, recent files, systems, the editing panel.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <algorithm>
#include <fstream>

#include "db/database.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/node_list_view.h"
#include "gui/app/add_node_dialog.h"
#include "gui/app/project_file_dialogs.h"
#include "db/undo_history.h"
#include "gui/app/project_setup_dialog.h"
#include "gui/app/systems_dialog.h"
#include "support/gui_fixture.h"

using namespace kolv;
using namespace kolv::gui;

namespace {

/// A project with systems S1 (A -> B -> outfall OUT) and O'HARA (no nodes, no outfall),
/// and a WRITES table that counts every NODE update.
std::string makeProject(const test::TempDir& dir) {
    std::string path = test::makeEmptyProject(dir, "gui.mdb");
    auto db = db::Database::open(path);
    db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE, OUT_EL, OUT_TW) VALUES ('S1', 'OUT', 90, 91.5)");
    db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES ('O''HARA', '')");
    db->execute("INSERT INTO NODE (NAME, SYSTEM, INLET_ELEV, TC) VALUES ('A', 'S1', 105, 10), ('B', 'S1', 103, 10)");
    db->execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, LENGTH, ELEV1, ELEV2, BARRELS) VALUES "
                "('A', 'S1', 'A', 'B', 200, 100, 99, 1), ('B', 'S1', 'B', 'OUT', 150, 98.5, 97, 1)");
    db->execute("UPDATE T0 SET CURRENT_SYSTEM = NULL");
    db->exec("CREATE TABLE WRITES (NAME TEXT)");
    db->exec("CREATE TRIGGER NODE_W AFTER UPDATE ON NODE BEGIN INSERT INTO WRITES VALUES (NEW.NAME); END");
    return path;
}

db::Value scalar(const std::string& path, const std::string& sql, const std::vector<db::Value>& p = {}) {
    auto db = db::Database::open(path);
    return db->scalar(sql, p);
}

void selectNodeRow(MainWindow& w, const QString& name) {
    const int row = w.nodeList()->listModel()->rowOf(name.toStdString());
    if (row < 0) QFAIL(qPrintable("no row for " + name));
    w.nodeList()->selectRow(row);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> m_dir;
    ui::RecordingUi m_ui;

    MainWindowOptions options() { return test::mainWindowOptions(m_ui, *m_dir); }

private slots:
    void init() {
        m_dir = std::make_unique<test::TempDir>();
        m_ui = ui::RecordingUi{};
    }

    void openingShowsTitleSystemsFirstNodeAndProgress() {
        std::string path = makeProject(*m_dir);
        MainWindow w(options());
        QVERIFY(w.openProjectFile(path));
        QCOMPARE(w.windowTitle(), QString::fromUtf8("gui.mdb \u2014 KOLV Lt"));
        QCOMPARE(w.systemSelector()->count(), 2);
        QCOMPARE(w.panel()->field(editing::panel_field::kInletElev)->text(), QString("105"));
        QVERIFY(std::find(m_ui.progressValues.begin(), m_ui.progressValues.end(), 100) != m_ui.progressValues.end());
        // the first system was chosen for a project without a remembered one
        QCOMPARE(scalar(path, "SELECT CURRENT_SYSTEM FROM T0").toText(), std::string("S1"));
        QCOMPARE(w.action(Command::Recent1)->text(), QString::fromStdString("1 " + path));  // as typed

        // another system chosen clears the displays and is the one shown when the project opens again
        w.systemSelector()->setCurrentIndex(1);
        QVERIFY(!w.panel()->model()->outfall.exists);
        QCOMPARE(w.nodeList()->rowCount(), 0);
        QVERIFY(w.openProjectFile(path));
        QCOMPARE(w.systemSelector()->currentText(), QString("O'HARA"));

        // the special table edit goes through the core's question first (its texts are pinned there)
        m_ui.answers.push_back(ui::Answer::No);
        w.runCommand(Command::SpecialTableEdit);
        QCOMPARE(m_ui.messages.back().title, std::string("Special Table Edit"));
    }

    // A pending edit of the panel is written once, when the engineer moves on: to another node,
    // from the outfall to a node, or to a computation.
    void pendingEditsAreWrittenOnceWhenTheEngineerMovesOn() {
        std::string path = makeProject(*m_dir);
        MainWindow w(options());
        QVERIFY(w.openProjectFile(path));
        QLineEdit* inlet = w.panel()->field(editing::panel_field::kInletElev);
        test::type(inlet, "106.5");
        selectNodeRow(w, "B");
        QCOMPARE(scalar(path, "SELECT INLET_ELEV FROM NODE WHERE NAME = 'A'").toDouble(), 106.5);
        selectNodeRow(w, "A");
        QCOMPARE(scalar(path, "SELECT COUNT(*) FROM WRITES").toInt(), 1);

        w.panel()->selectOutfall();
        QCOMPARE(w.panel()->outfallTailwater()->text(), QString("91.5"));
        test::type(w.panel()->outfallTailwater(), "92.25");
        selectNodeRow(w, "B");
        QCOMPARE(scalar(path, "SELECT OUT_TW FROM T16 WHERE SYSTEM = 'S1'").toDouble(), 92.25);

        selectNodeRow(w, "A");
        QLineEdit* tc = w.panel()->field(editing::panel_field::kInitialTc);
        test::type(tc, "14");
        m_ui.clear();
        w.action(Command::ComputePipeSizes)->trigger();
        QCOMPARE(scalar(path, "SELECT TC FROM NODE WHERE NAME = 'A'").toDouble(), 14.0);
        QCOMPARE(m_ui.messages.size(), std::size_t(1));  // the step's window is not installed here

        // opening another project writes a pending edit first and shows the other's units
        test::type(tc, "15");
        const std::string second = test::makeEmptyProject(*m_dir, "metric.mdb");
        db::Database::open(second)->execute("UPDATE T0 SET ENGLISH_METRIC = -1");
        QVERIFY(w.openProjectFile(second));
        QCOMPARE(scalar(path, "SELECT TC FROM NODE WHERE NAME = 'A'").toDouble(), 15.0);
        QCOMPARE(w.unitLabel()->text(), QString(" (Metric)"));
        // a file that is not a project is refused with the error trap and the open one stays
        { std::ofstream(m_dir->file("junk.mdb")) << "not a database"; }
        m_ui.clear();
        QVERIFY(!w.openProjectFile(m_dir->file("junk.mdb")));
        QCOMPARE(m_ui.messages.at(0).title, std::string("ERROR TRAP"));
        QCOMPARE(w.project()->path, second);
    }

    void recentFileEntries() {
        std::string path = makeProject(*m_dir);
        {
            settings::SettingsFile file(m_dir->file("KOLVLtV3.INI"));
            settings::Settings s = file.read();
            file.write(path, settings::kModeProject, s);
            file.write(m_dir->file("gone.mdb"), settings::kModeProject, s);
        }
        MainWindow w(options());
        QVERIFY(w.action(Command::Recent1)->isVisible());
        // an entry written empty is not offered (no "3" alone in the menu)
        QVERIFY(!w.action(Command::Recent3)->isVisible());
        w.openRecent(1);
        QCOMPARE(m_ui.messages.size(), std::size_t(1));
        QVERIFY(m_ui.messages[0].text.find(m_dir->file("gone.mdb")) != std::string::npos);
        QVERIFY(!w.project());
        // the second entry names the project as it was opened
        w.openRecent(2);
        QVERIFY(w.project());
        // opening the first entry again leaves the list and the settings file as they were
        const std::string before = test::readAll(m_dir->file("KOLVLtV3.INI"));
        const QString captions = w.action(Command::Recent1)->text() + w.action(Command::Recent2)->text();
        w.openRecent(1);
        QCOMPARE(test::readAll(m_dir->file("KOLVLtV3.INI")), before);
        QCOMPARE(w.action(Command::Recent1)->text() + w.action(Command::Recent2)->text(), captions);
        // an entry whose caption is shorter than 3 characters does nothing
        // (opening moved the list down: entry 4 now holds the empty value)
        m_ui.clear();
        QCOMPARE(w.action(Command::Recent4)->text(), QString("4 "));
        w.openRecent(4);
        QVERIFY(m_ui.messages.empty() && m_ui.statuses.empty());  // no opening started
    }

    // The panel's switches and the dialogs of one open project write at once and show in the window.
    void switchesAndDialogsWriteAtOnce() {
        std::string path = makeProject(*m_dir);
        MainWindow w(options());
        QVERIFY(w.openProjectFile(path));
        // a calculation switch is written at once and colours its value
        QToolButton* fromSwitch = test::calcSwitch(w.panel(), 5);
        QVERIFY(fromSwitch);
        fromSwitch->click();
        QCOMPARE(scalar(path, "SELECT CALC_FROM_ELEV FROM REACH WHERE NAME = 'A'").toInt(), -1);
        QVERIFY(w.panel()->field(editing::panel_field::kInvertFrom)->styleSheet().contains("color"));  // Invert-From drawn in blue
        fromSwitch->click();
        QCOMPARE(scalar(path, "SELECT CALC_FROM_ELEV FROM REACH WHERE NAME = 'A'").toInt(), 0);
        QVERIFY(w.panel()->field(editing::panel_field::kInvertFrom)->styleSheet().isEmpty());

        // the add-node dialog proposes the next name and refuses a taken one
        w.project()->db->execute("UPDATE T0 SET NEXT_NODE_USE_PREFIX = -1, NEXT_NODE_PREFIX = 'S-', NEXT_NODE_NUMBER = 12");
        AddNodeDialog add(*w.project()->db, "S1", {}, w.ui(), &w);
        QCOMPARE(add.nameField()->text(), QString("S-12"));
        add.nameField()->setText("B");
        m_ui.clear();
        add.accept();
        QCOMPARE(add.result(), int(QDialog::Rejected));  // still open, with the core's refusal shown
        QCOMPARE(m_ui.messages.size(), std::size_t(1));
        add.nameField()->setText(" C ");
        add.accept();
        QCOMPARE(add.result(), int(QDialog::Accepted));
        QCOMPARE(add.nodeName(), std::string("C"));

        // project setup writes the unit system at once, after asking
        ProjectSetupDialog setup(*w.project()->db, w.ui(), &w);
        setup.showJunction(13);
        QCOMPARE(setup.junctionCurrent()->text(), QString("Current: 13 of 14"));
        QRadioButton* metric = nullptr;
        for (auto* r : setup.findChildren<QRadioButton*>())
            if (r->text().startsWith("Metric")) metric = r;
        QVERIFY(metric);
        // the default answer keeps the units and the choice shown
        metric->setChecked(true);
        QVERIFY(!metric->isChecked());
        QCOMPARE(scalar(path, "SELECT ENGLISH_METRIC FROM T0").toInt(), 0);
        m_ui.answers.push_back(ui::Answer::Yes);
        metric->setChecked(true);
        QCOMPARE(scalar(path, "SELECT ENGLISH_METRIC FROM T0").toInt(), -1);  // without OK

        // systems are added, renamed and deleted, and the selector follows
        SystemsDialog d(w);
        d.nameField()->setText("NEW");
        d.add();
        QCOMPARE(w.systemSelector()->count(), 3);
        QCOMPARE(w.systemSelector()->currentText(), QString("NEW"));
        m_ui.answers.push_back(ui::Answer::Yes);
        d.nameField()->setText("N'EW");
        d.rename();
        QCOMPARE(w.systemSelector()->itemText(2), QString("N'EW"));
        m_ui.answers.push_back(ui::Answer::Yes);
        d.list()->setCurrentRow(0);  // S1 with its nodes and reaches
        d.remove();
        QCOMPARE(w.systemSelector()->count(), 2);
        QCOMPARE(w.systemSelector()->currentIndex(), -1);
        QVERIFY(w.project()->currentSystem.empty());
    }

    // One dialog (file, units) and the project is open: nothing else is asked or announced.
    void newProjectIsOneDialogAndItsFirstNodeBringsASystem() {
        MainWindow w(options());
        const std::string seed = test::makeSeed(*m_dir);
        const std::string target = m_dir->file("Road 7");
        int dialogs = 0;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<NewProjectDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            ++dialogs;
            d->newPath()->setText(QString::fromStdString(target));
            d->seedPath()->setText(QString::fromStdString(seed));
            d->metricUnits()->setChecked(true);
            d->create();
        });
        w.runCommand(Command::NewProject);
        QCOMPARE(dialogs, 1);
        QVERIFY(w.project());
        QVERIFY(w.project()->metric);
        QVERIFY2(m_ui.messages.empty(), m_ui.messages.empty() ? "" : m_ui.messages.front().text.c_str());

        // the first node of the new project brings its system; no undo step is left that undoes nothing
        const std::string path = w.project()->path;
        QVERIFY(w.project()->systems.empty());
        m_ui.answers.push_back(ui::Answer::Yes);
        QTimer::singleShot(0, [] {
            if (auto* d = qobject_cast<AddNodeDialog*>(QApplication::activeModalWidget())) d->accept();
        });
        emit w.panel()->addNodeRequested();
        QCOMPARE(m_ui.messages.size(), std::size_t(1));  // the question, answered Yes
        QCOMPARE(scalar(path, "SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'SYSTEM1'").toInt(), 1);
        const auto steps = w.project()->db->history()->undoNames();
        QVERIFY(!steps.empty() && std::find(steps.begin(), steps.end(), "Edit") == steps.end());
    }

    void desktopConventions() {
        MainWindow w(options());
        // the first window fits the screen
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        QVERIFY2(w.width() <= screen.width() && w.height() <= screen.height(),
                 qPrintable(QString("%1 x %2 on %3 x %4").arg(w.width()).arg(w.height()).arg(screen.width()).arg(screen.height())));
        // support tools only on request
        QVERIFY(!w.action(Command::SpecialTableEdit)->isVisible() ||
                !qobject_cast<QMenu*>(w.action(Command::SpecialTableEdit)->parent())->menuAction()->isVisible());
        MainWindowOptions support = options();
        support.supportTools = true;
        MainWindow tech(support);
        QVERIFY(qobject_cast<QMenu*>(tech.action(Command::SpecialTableEdit)->parent())->menuAction()->isVisible());
        // a project file dropped on the window opens; another file is refused
        const std::string path = makeProject(*m_dir);
        QVERIFY(w.acceptDrops());
        for (const auto& [file, opens] : {std::pair{m_dir->file("notes.txt"), false}, {path, true}}) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &enter);
            QCOMPARE(enter.isAccepted(), opens);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &drop);
            QCoreApplication::processEvents();
            QCOMPARE(w.project() != nullptr, opens);
        }

        // a dark palette that keeps the light stripe colour: the stripes follow the dark base
        const QPalette before = QApplication::palette();
        QPalette dark = before;
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(220, 220, 220));
        dark.setColor(QPalette::AlternateBase, QColor(247, 247, 247));
        QApplication::setPalette(dark);
        QCoreApplication::processEvents();
        const QPalette shown = w.findChild<NodeListView*>()->palette();
        const double stripe = shown.color(QPalette::AlternateBase).lightnessF();
        QApplication::setPalette(before);
        QVERIFY2(stripe < 0.25, qPrintable(QString("stripe lightness %1").arg(stripe)));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
