// The LandXML and GIS import windows and the CAD / GIS / SWMM export window on the sample project, offscreen.
// With KOLV_SHOTS=DIR set, each window is saved as a PNG there.
#include <QTableWidget>
#include <algorithm>

#include "db/undo_history.h"
#include "editing/systems.h"
#include "exchange/gis_export.h"
#include "exchange/import_setup.h"
#include "gui/common/listing_view.h"
#include "gui/exchange/cad_gis_windows.h"
#include "support/gui_fixture.h"

using namespace kolv;
namespace gx = kolv::gui::exchange;

namespace {

using test::shot;

bool listed(gui::compute::ListingView* list, const QString& text) { return list->toPlainText().contains(text); }

}  // namespace

class CadGisWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void exportThenPreviewAndImportAsANewSystem();
    void gisLayersPreviewThenImportIntoANewSystemAsOneUndoStep();
};

void CadGisWindowsTest::exportThenPreviewAndImportAsANewSystem() {
    test::SampleProjectFixture f;
    gx::CadGisExportWindow out(f.ctx());
    out.setKind(gx::CadGisExportWindow::LandXml);
    out.setSystem("MAINST");
    out.setPath(f.dir.file("mainst.xml"));
    QVERIFY(!out.runExport().empty());
    QVERIFY(listed(out.list(), "LandXML written to"));
    shot(&out, "cad_gis_export");

    db::UndoHistory& history = f.db().attachHistory();
    gx::LandXmlImportWindow in(f.ctx());
    bool imported = false;
    in.setOnImported([&] { imported = true; });
    QVERIFY(in.setPath(f.dir.file("mainst.xml")));
    QCOMPARE(in.networks()->item(0, 2)->text(), QString("MAINST"));
    in.setSystem(0, "COPY");
    QVERIFY(in.preview());
    QVERIFY(listed(in.list(), "System: COPY (new)"));
    QCOMPARE(f.db().scalar("SELECT COUNT(*) FROM T16 WHERE SYSTEM = 'COPY'").toInt(), 0LL);
    shot(&in, "landxml_preview");
    QVERIFY(in.runImport());
    QVERIFY(imported);
    QVERIFY(listed(in.list(), "Import Complete."));
    // The sample's names are taken by MAINST: the copy's nodes are stored under other names.
    QCOMPARE(f.db().scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'COPY'").toInt(),
             f.db().scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'MAINST'").toInt());
    shot(&in, "landxml_imported");
    QCOMPARE(QString::fromStdString(history.undoName()), QString("Import LandXML"));

    // a missing file is refused, and an export that takes one system says so for all of them
    gx::LandXmlImportWindow missing(f.ctx());
    QVERIFY(!missing.setPath(f.dir.file("missing.xml")));
    QVERIFY(!missing.runImport());
    out.setKind(gx::CadGisExportWindow::Swmm);
    out.setSystem("<ALL>");
    out.setPath(f.dir.file("x.inp"));
    QVERIFY(out.runExport().empty());
    QVERIFY(std::any_of(f.ui.messages.begin(), f.ui.messages.end(),
                        [](const auto& m) { return m.text.find("Choose one system for this export.") != std::string::npos; }));
}

void CadGisWindowsTest::gisLayersPreviewThenImportIntoANewSystemAsOneUndoStep() {
    test::SampleProjectFixture f;
    db::Database& db = f.db();
    const std::string gpkg = f.dir.file("mainst.gpkg");
    ::kolv::exchange::exportGis(db, {"MAINST"}, gpkg, ::kolv::exchange::GisFormat::GeoPackage);
    const long long nodes = db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'MAINST'").toInt();
    const long long reaches = db.scalar("SELECT COUNT(*) FROM REACH WHERE SYSTEM = 'MAINST'").toInt();
    // node names are the project's: free them so the layers come back under their own names
    db.execute("DELETE FROM REACH WHERE SYSTEM = 'MAINST'");
    db.execute("DELETE FROM NODE WHERE SYSTEM = 'MAINST'");
    QVERIFY(editing::addSystem(db, "COPY", f.ui));
    // the outfall point gives the new system's outfall its place and is no node
    db.execute("UPDATE T16 SET OUT_NODE = (SELECT OUT_NODE FROM T16 WHERE SYSTEM = 'MAINST') WHERE SYSTEM = 'COPY'");
    QVERIFY(::kolv::exchange::createSetup(db, f.ui, "GIS nodes",
                                          {{"NAME", "Node: Name"}, {"X", "Node: East(X) Coord."}, {"Y", "Node: North(Y) Coord."}}));
    QVERIFY(::kolv::exchange::createSetup(db, f.ui, "GIS reaches", {{"NAME", "Reach: Name"}}));

    db::UndoHistory& history = db.attachHistory();
    gx::GisImportWindow in(f.ctx());
    bool imported = false;
    in.setOnImported([&] { imported = true; });
    in.setNodeSource(gpkg, "nodes");
    in.setReachSource(gpkg);
    in.setSetups("GIS nodes", "GIS reaches");
    in.setSystem("COPY");
    // a comma is no decimal point: refused in the field, nothing read or imported
    in.setTolerance("0,5");
    QVERIFY(!in.preview());
    QVERIFY(!in.runImport());
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'COPY'").toInt(), 0LL);
    in.setTolerance("0.5");
    QVERIFY(in.preview());
    QVERIFY(listed(in.list(), QString("%1 features").arg(reaches)));
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'COPY'").toInt(), 0LL);
    shot(&in, "gis_preview");

    QVERIFY(in.runImport());
    QVERIFY(imported);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'COPY'").toInt(), nodes);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM REACH WHERE SYSTEM = 'COPY' AND NODE1 <> '' AND NODE2 <> ''").toInt(),
             reaches);
    shot(&in, "gis_imported");
    QCOMPARE(QString::fromStdString(history.undoName()), QString("Import GIS"));
    history.undo();
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM REACH WHERE SYSTEM = 'COPY'").toInt(), 0LL);
}

QTEST_MAIN(CadGisWindowsTest)
#include "cad_gis_windows_test.moc"
