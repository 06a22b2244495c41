// The LandXML import window and the CAD / GIS / SWMM export window on the sample project, offscreen.
// With KOLV_SHOTS=DIR set, each window is saved as a PNG there.
#include <QApplication>
#include <QTableWidget>
#include <QTest>

#include "db/undo_history.h"
#include "gui/compute/listing_view.h"
#include "gui/exchange/cad_gis_windows.h"
#include "support/gui_fixture.h"
#include "support/test_support.h"

using namespace kolv;
namespace gx = kolv::gui::exchange;

namespace {

void shot(QWidget* w, const char* name) {
    const QByteArray dir = qgetenv("KOLV_SHOTS");
    w->show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    if (!dir.isEmpty()) w->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

bool listed(gui::compute::ListingView* list, const QString& text) { return list->toPlainText().contains(text); }

}  // namespace

class CadGisWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void exportThenPreviewAndImportAsANewSystem();
    void refusedFileAndMissingSystemSayWhy();
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
    QCOMPARE(in.networks()->rowCount(), 1);
    QCOMPARE(in.networks()->item(0, 2)->text(), QString("MAINST"));
    in.setSystem(0, "COPY");
    QVERIFY(in.preview());
    QVERIFY(listed(in.list(), "PREVIEW - nothing has been imported yet."));
    QVERIFY(listed(in.list(), "System: COPY (new)"));
    QCOMPARE(f.db().scalar("SELECT COUNT(*) FROM T16 WHERE SYSTEM = 'COPY'").toInt(), 0LL);
    shot(&in, "landxml_preview");
    QVERIFY(in.runImport());
    QVERIFY(imported);
    QVERIFY(listed(in.list(), "Import Complete."));
    // The sample's names are taken by MAINST: the copy's nodes get suffixes, as the log says.
    QVERIFY(listed(in.list(), "is already used; it is stored as"));
    QCOMPARE(f.db().scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'COPY'").toInt(),
             f.db().scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'MAINST'").toInt());
    shot(&in, "landxml_imported");
    QCOMPARE(QString::fromStdString(history.undoName()), QString("Import LandXML"));
}

void CadGisWindowsTest::refusedFileAndMissingSystemSayWhy() {
    test::SampleProjectFixture f;
    gx::LandXmlImportWindow in(f.ctx());
    QVERIFY(!in.setPath(f.dir.file("missing.xml")));
    QVERIFY(!in.runImport());
    gx::CadGisExportWindow out(f.ctx());
    out.setKind(gx::CadGisExportWindow::Swmm);
    out.setSystem("<ALL>");
    out.setPath(f.dir.file("x.inp"));
    QVERIFY(out.runExport().empty());
    bool told = false;
    for (const auto& m : f.ui.messages) told = told || m.text.find("Choose one system for this export.") != std::string::npos;
    QVERIFY(told);
}

QTEST_MAIN(CadGisWindowsTest)
#include "cad_gis_windows_test.moc"
