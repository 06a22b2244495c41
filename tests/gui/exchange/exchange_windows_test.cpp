// The import window's pages and the export window on the sample project, offscreen; message
// boxes answered through the port. With KOLV_SHOTS=DIR set, each page is saved as a PNG there.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <fstream>

#include "db/record_set.h"
#include "exchange/structure_export.h"
#include "gui/common/listing_view.h"
#include "gui/exchange/export_window.h"
#include "gui/exchange/import_window.h"
#include "gui/exchange/install_exchange_windows.h"
#include "gui/app/main_window.h"
#include "db/undo_history.h"
#include "support/gui_fixture.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
namespace gx = kolv::gui::exchange;
namespace compute = kolv::gui::compute;
namespace ex = kolv::exchange;

namespace {

using test::shot;

/// The sample project with a system NEWSYS (outfall OUT-9) added and current.
struct Fixture : test::SampleProjectFixture {
    Fixture() : SampleProjectFixture("NEWSYS") {
        project->db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES ('NEWSYS', 'OUT-9')");
        db::refreshSystems(*project);
        ui.clear();
    }
};

}  // namespace

class ExchangeWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void importMainPath();
    void exportWindow();
    void commandsOfTheMainWindow();
};

void ExchangeWindowsTest::importMainPath() {
    Fixture f;
    const std::string file = f.dir.file("survey.csv");
    std::ofstream(file) << "\xEF\xBB\xBFStructure,Station,Rim,Downstream,Type,Pipe,Length\r\n"
                           "N-1,10+00,40.5,N-2,Curb inlet,\"15\"\" RCP\",120\r\n"
                           "N-2,11+20R1,39.8,N-3,Manhole,18 RCP,95.5\r\n"
                           "N-3,12+15,39.1,OUT-9,Manhole,18 RCP,60\r\n";
    gx::ImportWindow w(f.ctx());
    QCOMPARE(w.windowTitle(), QString("Import Storm Sewer System - Page 0"));
    w.setFilePath(file);
    w.setSeparator(ex::Separator::Comma);
    shot(&w, "import_page0");
    QVERIFY(w.readFile());
    QVERIFY(f.said("Quote marks, single(') or double (\") cannot be imported.\n"
                   "These characters will be removed from the imported text.\nThe import file will not be effected."));
    w.showPage(1);
    QCOMPARE(w.windowTitle(), QString("Import Storm Sewer System - Page 1"));
    QCOMPARE(w.file().rows.size(), std::size_t(3));
    auto* grid = w.findChild<QTableView*>("rowGrid");
    QVERIFY(grid);
    QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QString("Row"));
    QCOMPARE(grid->model()->data(grid->model()->index(2, 0)).toInt(), 3);

    const ex::Destination d[] = {ex::Destination::NodeName,      ex::Destination::NodeStation,
                                 ex::Destination::NodeInletElev, ex::Destination::ReachToNode,
                                 ex::Destination::NodeStructure, ex::Destination::ReachPipe,
                                 ex::Destination::ReachLength};
    for (int c = 0; c < 7; ++c) w.setDestination(c, d[c]);
    QCOMPARE(w.destinations()[5], ex::Destination::ReachPipe);
    QVERIFY(w.newSetup("Survey CSV"));
    QCOMPARE(w.currentSetup(), std::string("Survey CSV"));
    shot(&w, "import_page1");

    w.showPage(2);
    QCOMPARE(w.structureLinks()->rowCount(), 2);  // Curb inlet, Manhole
    QCOMPARE(w.pipeLinks()->rowCount(), 2);       // 15 RCP, 18 RCP
    QCOMPARE(w.structureLinks()->item(0, 1)->text(), QString("< dbl click to select >"));
    w.setLink(true, "Manhole", "MH4");
    w.setLink(false, "18 RCP", "RCP18");
    QVERIFY(w.saveLinks());
    QVERIFY(f.said("Setup 'Survey CSV' updated"));
    shot(&w, "import_page2");

    w.showPage(3);
    QCOMPARE(w.windowTitle(), QString("Import Storm Sewer System - Page 3"));
    QCOMPARE(w.systemBox()->currentText(), QString("NEWSYS"));
    QCOMPARE(w.rowListingField()->text(), QString("1-3"));
    w.defaultStructureBox()->setCurrentText("MH5");
    w.defaultPipeBox()->setCurrentText("RCP24");
    ex::ImportResult r = w.runImport();
    QVERIFY(r.ran);
    QCOMPARE(r.nodesCreated, 3);
    db::Database& db = *f.project->db;
    QCOMPARE(db.scalar("SELECT STRUCT_NAME FROM NODE WHERE NAME = 'N-1'").toText(), std::string("MH5"));
    QCOMPARE(db.scalar("SELECT STRUCT_NAME FROM NODE WHERE NAME = 'N-2'").toText(), std::string("MH4"));
    QCOMPARE(db.scalar("SELECT PIPE_NAME FROM REACH WHERE NAME = 'N-1'").toText(), std::string("RCP24"));
    QCOMPARE(db.scalar("SELECT STATION FROM NODE WHERE NAME = 'N-2'").toText(), std::string("11+20"));
    QVERIFY(!w.log()->lines().empty());
    QCOMPARE(w.log()->lines().back().rfind("Import Complete.", 0), std::size_t(0));
    shot(&w, "import_page3");

    QDialog* print = w.printLog();
    QVERIFY(print);
    shot(print, "import_results_print");
    delete print;

    // The setup is offered again for the next file: its assignments come back by heading.
    gx::ImportWindow again(f.ctx());
    again.setFilePath(file);
    QVERIFY(again.readFile());
    QCOMPARE(again.currentSetup(), std::string("Survey CSV"));
    QCOMPARE(again.destinations()[6], ex::Destination::ReachLength);
}

void ExchangeWindowsTest::exportWindow() {
    Fixture f;
    f.system = "MAINST";
    gx::ExportWindow w(f.ctx());
    QCOMPARE(w.windowTitle(), QString("Export Drainage Structure Data"));
    QCOMPARE(w.systemBox()->itemText(0), QString("<ALL>"));
    QCOMPARE(w.systemBox()->currentText(), QString("MAINST"));
    w.runExport();
    QVERIFY(f.said("No Export filename and path has been entered."));
    const std::string path = f.dir.file("out.txt");
    w.setPath(path);
    std::vector<std::string> lines = w.runExport();
    QVERIFY(!lines.empty());
    QCOMPARE(lines.back(), std::string("End of Export"));
    QCOMPARE(f.ui.messages.back().title, std::string("Export Complete"));
    QCOMPARE(test::readAll(path).rfind("SYS NAME,STR NUM", 0), std::size_t(0));
    shot(&w, "export_window");
}

void ExchangeWindowsTest::commandsOfTheMainWindow() {
    test::TempDir dir;
    ui::RecordingUi recorder;
    kolv::gui::MainWindow main(test::mainWindowOptions(recorder, dir));
    gx::installExchangeWindows(main);
    QVERIFY(main.openProjectFile(test::makeSample(dir)));
    main.runCommand(kolv::gui::Command::ExportStructures);
    QVERIFY(main.findChild<gx::ExportWindow*>());
    main.runCommand(kolv::gui::Command::ImportStormSewer);
    auto* w = main.findChild<gx::ImportWindow*>();
    QVERIFY(w);
    QVERIFY(w->isVisible());

    // An import from the window is one step of the project's undo history.
    const std::string file = dir.file("one.txt");
    std::ofstream(file) << "NAME\tTOP\nNEW-1\t41.5\n";
    w->setFilePath(file);
    w->setSeparator(ex::Separator::Tab);
    QVERIFY(w->readFile());
    w->setDestination(0, ex::Destination::NodeName);
    w->setDestination(1, ex::Destination::NodeInletElev);
    w->showPage(3);
    w->systemBox()->setCurrentText("MAINST");
    QCOMPARE(w->runImport().nodesCreated, 1);
    db::UndoHistory* h = main.project()->db->history();
    QVERIFY(h);
    QCOMPARE(h->undoName(), std::string("Import Storm Sewer"));
    QVERIFY(h->undo());
    QCOMPARE(main.project()->db->scalar("SELECT COUNT(*) FROM NODE WHERE NAME = 'NEW-1'").toInt(), std::int64_t(0));
}

QTEST_MAIN(ExchangeWindowsTest)
#include "exchange_windows_test.moc"
