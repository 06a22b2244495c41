// GIS and CAD files through GDAL: every format written and read back, and a GeoPackage round trip joined by position.
#include <gtest/gtest.h>

#include "common/error.h"
#include "common/text.h"
#include "db/project.h"
#include "db/undo_history.h"
#include "exchange_fixture.h"
#include "exchange/gis_export.h"
#include "exchange/gis_import.h"
#include "exchange/import_setup.h"
#include "exchange/system_rows.h"
#include "support/random_system.h"
#include "support/table_snapshot.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

namespace kolv::exchange {
namespace {

using kolv::test::TempDir;

struct Sample {
    TempDir dir;
    ui::RecordingUi ui;
    std::unique_ptr<db::Project> project = db::openProject(kolv::test::makeSample(dir), ui);
    db::Database& db = *project->db;
};

TEST(GisExport, EveryFormatReadsBackWithEveryNodeAndReachAndAnUnreadableSourceIsRefused) {
    Sample s;
    const std::size_t nodes = static_cast<std::size_t>(s.db.scalar("SELECT COUNT(*) FROM NODE").toInt()) + 2;  // + outfalls
    const std::size_t reaches = static_cast<std::size_t>(s.db.scalar("SELECT COUNT(*) FROM REACH").toInt());
    struct Case {
        GisFormat format;
        std::string path, nodeSource, reachSource;
    };
    const std::vector<Case> cases = {
        {GisFormat::GeoPackage, s.dir.file("a.gpkg"), s.dir.file("a.gpkg"), s.dir.file("a.gpkg")},
        {GisFormat::Shapefile, s.dir.file("b.shp"), s.dir.file("b/nodes.shp"), s.dir.file("b/reaches.shp")},
        {GisFormat::GeoJson, s.dir.file("c"), s.dir.file("c_nodes.geojson"), s.dir.file("c_reaches.geojson")}};
    for (const auto& c : cases) {
        exportGis(s.db, {}, c.path, c.format);
        ImportFile n = readGisLayer(c.nodeSource, "", true);
        ImportFile r = readGisLayer(c.reachSource, "", false);
        EXPECT_EQ(n.rows.size(), nodes) << c.path;
        EXPECT_EQ(r.rows.size(), reaches) << c.path;
        EXPECT_EQ(n.headings.back(), kGisY) << c.path;
    }
    exportGis(s.db, {"MAINST"}, s.dir.file("plan.dxf"), GisFormat::Dxf);
    const std::string dxf = kolv::test::readAll(s.dir.file("plan.dxf"));
    EXPECT_NE(dxf.find("Curb Inlet"), std::string::npos);
    EXPECT_NE(dxf.find("PIPE RCP24"), std::string::npos);
    EXPECT_NE(dxf.find("S-7"), std::string::npos);  // a name as text
    EXPECT_THROW(gisFormatOf("kml"), InputError);

    // an unreadable import source is refused and changes nothing
    const std::string before = kolv::test::snapshotTables(s.db);
    GisImportRequest req;
    req.nodeSource = s.dir.file("missing.gpkg");
    req.system = "MAINST";
    EXPECT_THROW(importGis(s.db, s.ui, req), Error);
    EXPECT_EQ(kolv::test::snapshotTables(s.db), before);
}

TEST(GisExport, ProfileOfARunFollowsItDownToTheOutfall) {
    Sample s;
    stormTab(*s.project, "MAINST");
    ExportResult r = exportProfileDxf(s.db, "MAINST", "S-12", s.dir.file("p.dxf"));
    // S-12 -> S-7 -> S-13 -> S-15 -> S-16 -> S-18 -> S-20 -> S-21 -> OUT-1
    EXPECT_EQ(r.pipes, 8);
    const std::string dxf = kolv::test::readAll(s.dir.file("p.dxf"));
    for (const char* text : {"HGL", "GROUND", "S-12\\~RIM\\~", "OUT-1", "RCP48"}) EXPECT_NE(dxf.find(text), std::string::npos) << text;
    EXPECT_THROW(exportProfileDxf(s.db, "MAINST", "S-99", s.dir.file("q.dxf")), InputError);
}

TEST(GisImport, GeoPackageRoundTripJoinedByPositionGivesTheSameStormTab) {
    TempDir dir;
    ui::RecordingUi ui;
    auto source = db::openProject(kolv::test::makeEmptyProject(dir), ui);
    kolv::test::addRandomSystem(*source->db, {});
    roundSingles(*source->db);
    source->db->execute("UPDATE NODE SET XD = rowid * 10.0, YD = (rowid % 37) * 7.0");
    source->db->execute("UPDATE T16 SET XD = -50, YD = -50");
    stormTab(*source, "RANDOM");
    exportGis(*source->db, {"RANDOM"}, dir.file("r.gpkg"), GisFormat::GeoPackage);

    auto target = db::openProject(kolv::test::makeEmptyProject(dir, "target.mdb"), ui);
    db::Database& db = *target->db;
    copyDefinitions(*source->db, db);
    // The system's header as the generator makes it: the GIS layers carry nodes and reaches only.
    db.execute("INSERT INTO T16 (SYSTEM, DRAIN_TYPE, OUT_NODE, OUT_TW, EXIT_LOSS_COEFF, AREA1, AREA2, AREA3, "
               "INTENSITY_METHOD, ZONE, FREQ) VALUES ('RANDOM', 0, 'ROUT', 99.5, 1.0, 0.9, 0.3, 0.5, 0, '6', '3')");
    ASSERT_TRUE(createSetup(db, ui, "GIS nodes",
                            {{"NAME", "Node: Name"}, {"X", "Node: East(X) Coord."}, {"Y", "Node: North(Y) Coord."},
                             {"STATION", "Node: Station"}, {"OFFSET", "Node: Offset"}, {"STRUCT_NAME", "Node: Structure"},
                             {"INLET_ELEV", "Node: Inlet Elevation"}, {"MIN_HGL", "Node: Min. HGL Elevation"},
                             {"JUNC_LOSS_COEFF", "Node: Junct. Loss Coef."}, {"TC", "Node: Initial Tc"},
                             {"BASE_FLOW", "Node: Base Flow"}, {"P_C1DA", "Node: Area 1"}, {"RUNOFF_C1", "Node: Area 1 C value"}}));
    // No From / To node columns: the reaches join the nodes by their end points.
    ASSERT_TRUE(createSetup(db, ui, "GIS reaches",
                            {{"NAME", "Reach: Name"}, {"ELEV1", "Reach: From Invert Elev."}, {"ELEV2", "Reach: To Invert Elev."},
                             {"PIPE_NAME", "Reach: Pipe"}, {"BARRELS", "Reach: Number of Barrels"},
                             {"LENGTH", "Reach: Length (quantity)"}, {"HYD_LENGTH", "Reach: Length (hydraulic)"}}));
    db::UndoHistory& history = db.attachHistory();
    GisImportRequest req;
    req.nodeSource = req.reachSource = dir.file("r.gpkg");
    req.setupName = "GIS nodes";
    req.reachSetupName = "GIS reaches";
    req.system = "RANDOM";
    ImportResult r = importGis(db, ui, req);
    ASSERT_TRUE(r.ran);
    EXPECT_EQ(r.nodesCreated, 1000);
    EXPECT_EQ(r.reachesCreated, 1000);
    EXPECT_EQ(history.undoName(), "Import GIS");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM NODE").toInt(), 1000);  // the outfall point is no node
    EXPECT_DOUBLE_EQ(db.scalar("SELECT XD FROM T16").toDouble(), -50);
    auto links = [](db::Database& d) {
        std::vector<std::string> out;
        db::Statement st = d.prepare("SELECT NAME, NODE1, NODE2 FROM REACH ORDER BY NAME");
        while (st.step()) out.push_back(st.column(0).toText() + ">" + st.column(1).toText() + ">" + st.column(2).toText());
        return out;
    };
    EXPECT_EQ(links(db), links(*source->db));
    EXPECT_EQ(stormTab(*target, "RANDOM"), stormTab(*source, "RANDOM"));
}

}  // namespace
TEST(GisImport, LayerUnitIsASurveyOnlyInTheProjectsUnit) {
    struct Case {
        double metresPerUnit;
        bool metric, survey;
    } cases[] = {{0.3048, false, true},       {1200.0 / 3937.0, false, true}, {1.0, true, true},
                 {1.0, false, false},         {0.3048, true, false},          {0.0, false, false},
                 {0.0, true, false},          {1000.0, true, false}};
    for (const Case& c : cases)
        EXPECT_EQ(surveyUnitMatches(c.metresPerUnit, c.metric), c.survey)
            << c.metresPerUnit << " m, metric " << c.metric;
}

}  // namespace kolv::exchange
