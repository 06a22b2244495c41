// The import window's pages and the export window on the sample project, offscreen; message
// boxes answered through the port. With KOLV_SHOTS=DIR set, each page is saved as a PNG there.
#include <QComboBox>
#include <QTableView>
#include <QTableWidget>
#include <fstream>

#include "gui/common/listing_view.h"
#include "gui/exchange/export_window.h"
#include "gui/exchange/import_window.h"
#include "gui/exchange/install_exchange_windows.h"
#include "db/undo_history.h"
#include "support/gui_fixture.h"

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
    void importMainPathThenExport();
    void commandsOfTheMainWindow();
};

void ExchangeWindowsTest::importMainPathThenExport() {
    Fixture f;
    const std::string file = f.dir.file("survey.csv");
    std::ofstream(file) << "\xEF\xBB\xBFStructure,Station,Rim,Downstream,Type,Pipe,Length\r\n"
                           "N-1,10+00,40.5,N-2,Curb inlet,\"15\"\" RCP\",120\r\n"
                           "N-2,11+20R1,39.8,N-3,Manhole,18 RCP,95.5\r\n"
                           "N-3,12+15,39.1,OUT-9,Manhole,18 RCP,60\r\n";
    gx::ImportWindow w(f.ctx());
    w.setFilePath(file);
    w.setSeparator(ex::Separator::Comma);
    shot(&w, "import_page0");
    QVERIFY(w.readFile());
    QVERIFY(!f.ui.messages.empty());  // the quote marks are taken out, with a word why
    w.showPage(1);
    auto* grid = w.findChild<QTableView*>("rowGrid");
    QVERIFY(grid);
    QCOMPARE(grid->model()->data(grid->model()->index(2, 0)).toInt(), 3);

    const ex::Destination d[] = {ex::Destination::NodeName,      ex::Destination::NodeStation,
                                 ex::Destination::NodeInletElev, ex::Destination::ReachToNode,
                                 ex::Destination::NodeStructure, ex::Destination::ReachPipe,
                                 ex::Destination::ReachLength};
    for (int c = 0; c < 7; ++c) w.setDestination(c, d[c]);
    QVERIFY(w.newSetup("Survey CSV"));
    shot(&w, "import_page1");

    w.showPage(2);
    QCOMPARE(w.structureLinks()->rowCount(), 2);  // Curb inlet, Manhole
    QCOMPARE(w.pipeLinks()->rowCount(), 2);       // 15 RCP, 18 RCP
    w.setLink(true, "Manhole", "MH4");
    w.setLink(false, "18 RCP", "RCP18");
    QVERIFY(w.saveLinks());
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
    QVERIFY(!w.log()->lines().empty());
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

    // the export window offers the current system and writes its file
    f.system = "MAINST";
    gx::ExportWindow out(f.ctx());
    QCOMPARE(out.systemBox()->currentText(), QString("MAINST"));
    out.runExport();
    QVERIFY(f.said("No Export filename and path has been entered."));
    const std::string path = f.dir.file("out.txt");
    out.setPath(path);
    QVERIFY(!out.runExport().empty());
    QCOMPARE(f.ui.messages.back().title, std::string("Export Complete"));
    QCOMPARE(test::readAll(path).rfind("SYS NAME,STR NUM", 0), std::size_t(0));
    shot(&out, "export_window");
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
    QVERIFY(w && w->isVisible());

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
