// The structure, pipe, IDF and time-intensity windows driven on the sample project, offscreen.
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "db/undo_history.h"
#include "gui/editors/definitions_window.h"
#include "gui/editors/install_editor_windows.h"
#include "gui/editors/rainfall_windows.h"
#include "gui/editors/table_grid_view.h"
#include "support/gui_fixture.h"

using namespace kolv;
using namespace kolv::gui;
using namespace kolv::gui::editor_windows;

namespace {

/// The sample project opened with a recording port; counts the main window's list reloads.
struct Fixture : test::SampleProjectFixture {
    int reloads = 0;

    EditorContext ctx() {
        EditorContext c;
        c.base = SampleProjectFixture::ctx();
        c.definitionsChanged = [this] { ++reloads; };
        return c;
    }
    double number(const std::string& sql) { return db().scalar(sql).toDouble(); }
};

QStringList listTexts(QListWidget* l) {
    QStringList t;
    for (int i = 0; i < l->count(); ++i) t << l->item(i)->text();
    return t;
}

QStringList comboTexts(QComboBox* c) {
    QStringList t;
    for (int i = 0; i < c->count(); ++i) t << c->itemText(i);
    return t;
}


void press(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &e);
}

}  // namespace

class EditorWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void definitionWindowsShowSaveAddDeleteAndCheckThePipeArea() {
        Fixture f;
        DefinitionsWindow w(f.ctx(), editing::DefinitionKind::Structure);
        QVERIFY(listTexts(w.list()).contains("MH4"));
        QCOMPARE(w.groupList()->itemText(6), QString("Outfall"));
        w.list()->setCurrentRow(listTexts(w.list()).indexOf("MH5"));
        QCOMPARE(w.field("COST_LT")->text(), QString("4800"));

        // a refused number keeps the definition on display; nothing is stored
        w.field("COST_LT")->setText("4,900");
        w.list()->setCurrentRow(listTexts(w.list()).indexOf("MH4"));
        QCOMPARE(w.current(), std::string("MH5"));
        QCOMPARE(f.number("SELECT COST_LT FROM T6 WHERE NAME = 'MH5'"), 4800.0);
        // corrected, it is saved on the switch
        w.field("COST_LT")->setText("4900");
        w.groupList()->setCurrentIndex(5);
        w.list()->setCurrentRow(listTexts(w.list()).indexOf("MH4"));
        QCOMPARE(w.current(), std::string("MH4"));
        QCOMPARE(f.number("SELECT COST_LT FROM T6 WHERE NAME = 'MH5'"), 4900.0);
        QCOMPARE(f.number("SELECT GROUPP FROM T6 WHERE NAME = 'MH5'"), 5.0);

        QVERIFY(w.addNamed("INLET TYPE 9 MODIFIED"));
        QVERIFY(listTexts(w.list()).contains("INLET TY"));
        QVERIFY(!w.addNamed("mh4"));

        f.ui.answers.push_back(ui::Answer::Yes);
        QVERIFY(w.removeCurrent());
        QVERIFY(!listTexts(w.list()).contains("INLET TY"));

        auto* preview = w.print();
        QVERIFY2(preview && preview->pageCount() >= 1, f.ui.messages.empty() ? "" : f.ui.messages.back().text.c_str());
        preview->close();
        w.accept();
        QCOMPARE(f.reloads, 1);

        // the pipe window offers the round area and keeps what the engineer chose
        DefinitionsWindow pipes(f.ctx(), editing::DefinitionKind::Pipe);
        QCOMPARE(pipes.unitLabel()->text(), QString("Feet"));
        QVERIFY(!listTexts(pipes.list()).contains("RCP450M"));  // metric pipes stay out of an English project
        for (auto* b : pipes.findChildren<QPushButton*>())
            if (b->text() == "18CMP") b->click();
        QCOMPARE(pipes.nameField()->text(), QString("18CMP"));

        pipes.list()->setCurrentRow(listTexts(pipes.list()).indexOf("RCP18"));
        QCOMPARE(pipes.field("AREA")->text(), QString("1.7671"));
        pipes.field("AREA")->setText("1.5");  // the diameter typed into the area
        f.ui.answers.push_back(ui::Answer::No);
        pipes.list()->setCurrentRow(listTexts(pipes.list()).indexOf("RCP24"));
        QCOMPARE(f.ui.messages.back().title, std::string("CHECK PIPE AREA"));
        QCOMPARE(f.number("SELECT AREA FROM T7 WHERE NAME = 'RCP18'"), 1.5);

        pipes.list()->setCurrentRow(listTexts(pipes.list()).indexOf("RCP18"));
        pipes.field("N")->setText("0.13");  // a slipped decimal point
        f.ui.answers.push_back(ui::Answer::Yes);
        pipes.accept();
        QCOMPARE(f.reloads, 2);
        QCOMPARE(f.number("SELECT N FROM T7 WHERE NAME = 'RCP18'"), 0.13);  // warned, never changed
        QCOMPARE(f.number("SELECT AREA FROM T7 WHERE NAME = 'RCP18'"), 1.7671);  // the Yes took the round area
    }

    void idfWindowEditsPastesSortsDeletesAndCharts() {
        Fixture f;
        IdfWindow w(f.ctx());
        const int rows = static_cast<int>(f.db().scalar("SELECT COUNT(*) FROM T2").toInt());
        QCOMPARE(w.grid()->rowCount(), rows);
        QCOMPARE(w.chart().pointCount(), 116);

        // a typed cell that is no number is put back as stored
        w.grid()->item(0, 2)->setText("eleven");
        QCOMPARE(w.grid()->item(0, 2)->text(), QString::fromStdString(w.table().cell(0, 2)));

        // a block with one bad number changes nothing, a good one goes in whole
        w.grid()->setCurrentCell(rows - 1, 0);
        QCOMPARE(w.grid()->pasteText("99\t2\t1\t2\t3\t4\n99\t3\t1\tx\t3\t4\n"), std::size_t(0));
        QCOMPARE(w.grid()->pasteText("99\t2\t1\t2\t3\t4\n99\t3\t1\t2\t3\t4\n"), std::size_t(12));
        QCOMPARE(w.grid()->rowCount(), rows + 1);
        QCOMPARE(f.db().scalar("SELECT COUNT(*) FROM T2 WHERE Zone = '99'").toInt(), 2);

        f.ui.answers.push_back(ui::Answer::No);
        QVERIFY(!w.addRow());

        // sort by zone, then the Delete key removes the selected rows after the question
        w.grid()->horizontalHeader()->sectionClicked(0);
        w.grid()->horizontalHeader()->sectionClicked(0);  // descending: zone 99 first
        QCOMPARE(w.grid()->item(0, 0)->text(), QString("99"));
        w.grid()->setCurrentCell(0, 0);
        w.grid()->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 5), true);
        f.ui.answers.push_back(ui::Answer::Yes);
        press(w.grid(), Qt::Key_Delete);
        QCOMPARE(f.db().scalar("SELECT COUNT(*) FROM T2 WHERE Zone = '99'").toInt(), 0);
        QCOMPARE(w.grid()->rowCount(), rows - 1);

        for (auto* b : w.findChildren<QPushButton*>())
            if (b->text().startsWith("&Fit")) b->click();
        QCOMPARE(f.ui.messages.back().text, std::string("Currently not available"));
        auto* preview = w.print();
        QVERIFY2(preview, f.ui.messages.back().text.c_str());
        preview->close();
    }

    void timeIntensityWindowSelectsAddsPreviewsAndDeletesTables() {
        Fixture f;
        TimeIntensityWindow w(f.ctx());
        QVERIFY(comboTexts(w.locations()).contains("RIVERTON"));
        const int all = static_cast<int>(f.db().scalar("SELECT COUNT(*) FROM T85").toInt());
        QCOMPARE(w.grid()->rowCount(), all);
        // both lists are filled on opening: every frequency of the project is offered
        const int freqs = static_cast<int>(f.db().scalar("SELECT COUNT(DISTINCT TRIM(FREQUENCY)) FROM T85").toInt());
        QCOMPARE(w.frequencies()->count(), freqs + 1);  // and the empty choice: all tables
        w.select("RIVERTON", "3");
        QCOMPARE(w.chart().pointCount(), 19);
        const int rows = w.grid()->rowCount();
        QVERIFY(rows > 1 && rows < all);

        // the add-table window: a refusal (the core's) keeps it open with its inputs
        AddTableDialog add(w);
        add.frequency()->setText("3");
        add.location()->setText("riverton");
        add.commit();
        QCOMPARE(add.location()->text(), QString("riverton"));
        add.location()->setText("HILLS");
        add.commit();
        QCOMPARE(w.locations()->currentText(), QString("HILLS"));
        QCOMPARE(w.grid()->rowCount(), 1);

        // a pasted table takes the selected location and frequency
        w.grid()->setCurrentCell(0, 2);
        QCOMPARE(w.grid()->pasteText("10\t6.0\r\n30\t4.0\r\n"), std::size_t(4));
        QCOMPARE(f.db().scalar("SELECT COUNT(*) FROM T85 WHERE LOCATION = 'HILLS' AND FREQUENCY = '3'").toInt(), 2);
        w.select("HILLS", "3");
        QCOMPARE(w.chart().pointCount(), 19);

        f.ui.answers.push_back(ui::Answer::Yes);
        QVERIFY(w.deleteTable());
        QVERIFY(!comboTexts(w.locations()).contains("HILLS"));
        auto* preview = w.print();
        QVERIFY2(preview, f.ui.messages.back().text.c_str());
        preview->close();
    }

    void mainWindowCommandsOpenTheWindowsAndReloadTheNameLists() {
        test::TempDir dir;
        ui::RecordingUi rec;
        MainWindow main(test::mainWindowOptions(rec, dir));
        installEditorWindows(main);
        QVERIFY(main.openProjectFile(test::makeSample(dir)));
        main.runCommand(Command::PipeDefinitions);
        auto* w = main.findChild<DefinitionsWindow*>();
        QVERIFY(w);
        QVERIFY(w->addNamed("RCP99"));
        QVERIFY(std::find(main.pipeNames().begin(), main.pipeNames().end(), "RCP99") == main.pipeNames().end());
        w->accept();
        QVERIFY(std::find(main.pipeNames().begin(), main.pipeNames().end(), "RCP99") != main.pipeNames().end());
        QCOMPARE(main.project()->db->history()->undoName(), std::string("Add Pipe Definition"));
        for (Command c : {Command::StructureDefinitions, Command::IdfCoefficients, Command::TimeIntensityTables}) {
            rec.clear();
            main.runCommand(c);
            for (const auto& m : rec.messages) QVERIFY2(m.text.find("not available") == std::string::npos, m.text.c_str());
        }
        QVERIFY(main.findChild<IdfWindow*>());
        QVERIFY(main.findChild<TimeIntensityWindow*>());
    }
};

QTEST_MAIN(EditorWindowsTest)
#include "editor_windows_test.moc"
