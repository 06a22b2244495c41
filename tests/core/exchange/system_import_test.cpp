// Importing nodes and reaches: destinations and their switches, links, truncations, refusals,
// and the whole import as one change that a fault or a cancel leaves undone.
#include <gtest/gtest.h>

#include "common/error.h"
#include "db/undo_history.h"
#include "exchange/import_setup.h"
#include "exchange/system_import.h"
#include "support/system_builder.h"
#include "support/table_snapshot.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::exchange;
using D = Destination;
using namespace std::string_literals;

namespace {

ImportFile csv(const std::string& text) { return makeImportFile(parseText(text, ','), true, "test.csv"); }

bool hasLine(const ImportResult& r, const std::string& line) {
    return std::find(r.log.begin(), r.log.end(), line) != r.log.end();
}

std::string logText(const ImportResult& r) {
    std::string s;
    for (const auto& l : r.log) s += l + "\n";
    return s;
}

struct ImportTest : ::testing::Test {
    test::SystemBuilder b;
    ui::RecordingUi ui;

    void SetUp() override {
        b.header("SYS1", "OUT1");
        b.header("OTHER", "OUT2");
    }
    ImportRequest request(std::vector<D> dests, std::string rows = "1-100") {
        ImportRequest r;
        r.setupName = "S";
        r.system = "SYS1";
        r.rowListing = std::move(rows);
        r.defaultStructure = "MH4";
        r.defaultPipe = "RCP18";
        r.destinations = std::move(dests);
        return r;
    }
    db::Value nodeField(const std::string& node, const std::string& field) {
        return b.db.scalar("SELECT \"" + field + "\" FROM NODE WHERE NAME = ?", {node});
    }
    db::Value reachField(const std::string& reach, const std::string& field) {
        return b.db.scalar("SELECT \"" + field + "\" FROM REACH WHERE NAME = ?", {reach});
    }
};

}  // namespace

TEST_F(ImportTest, EveryNodeAndReachDestinationWritesItsFieldAndTurnsItsSwitchOff) {
    b.addRecord("NODE", {{"NAME", "S-1"}, {"SYSTEM", "SYS1"}, {"CALC_RUNOFF_C1", -1}, {"CALC_DA1", -1},
                         {"AUTO_ROTATE", -1}, {"XD", 5.0}});
    ImportFile f = csv(
        "STR,BL,STA,OFF,N,E,PRO,XS,ROT,TOP,HGL,JL,TC,QB,A1,C1,A2,C2,A3,C3\n"
        "S-1,CL,12+50,-20.5,100,200,P1,TS1,45,40.2,38,0.5,10,0.3,0.25,0.9,0.5,0.3,0.1,0.2\n");
    std::vector<D> d = {D::NodeName,      D::NodeBaseline, D::NodeStation, D::NodeOffset,  D::NodeNorth,
                        D::NodeEast,      D::NodeProfile,  D::NodeCrossSlope, D::NodeRotation, D::NodeInletElev,
                        D::NodeMinHgl,    D::NodeJunctionLoss, D::NodeTc,  D::NodeBaseFlow, D::NodeArea1,
                        D::NodeC1,        D::NodeArea2,    D::NodeC2,      D::NodeArea3,    D::NodeC3};
    ImportResult r = runImport(b.db, ui, f, request(d));
    ASSERT_TRUE(r.ran);
    EXPECT_TRUE(hasLine(r, "Node: S-1 - Node data updated.")) << logText(r);
    EXPECT_EQ(r.nodesUpdated, 1);
    EXPECT_EQ(nodeField("S-1", "BASELINE").toText(), "CL");
    EXPECT_EQ(nodeField("S-1", "STATION").toText(), "12+50");
    EXPECT_EQ(nodeField("S-1", "PROFILE_NAME").toText(), "P1");
    EXPECT_EQ(nodeField("S-1", "TYP_SECT_NAME").toText(), "TS1");
    // North(Y) goes to YD and East(X) to XD; the runoff coefficients are stored in single precision.
    for (const auto& [field, value] : std::vector<std::pair<const char*, double>>{
             {"OFFSET", -20.5}, {"YD", 100}, {"XD", 200}, {"ANGLE", 45}, {"INLET_ELEV", 40.2}, {"MIN_HGL", 38},
             {"JUNC_LOSS_COEFF", 0.5}, {"TC", 10}, {"BASE_FLOW", 0.3}, {"P_C1DA", 0.25}, {"RUNOFF_C1", 0.9},
             {"P_C3DA", 0.1}, {"RUNOFF_C3", 0.2}})
        EXPECT_NEAR(nodeField("S-1", field).toDouble(), value, 1e-6) << field;
    for (const char* sw : {"AUTO_ROTATE", "CALC_RUNOFF_C1", "CALC_RUNOFF_C2", "CALC_RUNOFF_C3", "CALC_DA1", "CALC_DA2",
                           "CALC_DA3"})
        EXPECT_EQ(nodeField("S-1", sw).toInt(), 0) << sw;

    SCOPED_TRACE("reach destinations; empty cells leave a new reach's defaults: computed values, one barrel");
    r = runImport(b.db, ui, csv("R,FROM,TO,INV1,INV2,BBL,HL,QL\nR-1,S-1,S-2,35.5,34.25,2,101,99\nR-2,S-2,OUT1,,,,,\n"),
                  request({D::ReachName, D::ReachFromNode, D::ReachToNode, D::ReachFromInvert, D::ReachToInvert,
                           D::ReachBarrels, D::ReachHydLength, D::ReachLength}));
    EXPECT_TRUE(hasLine(r, "Reach: R-1 - New reach created in System: SYS1")) << logText(r);
    EXPECT_EQ(reachField("R-1", "NODE1").toText() + ">" + reachField("R-1", "NODE2").toText(), "S-1>S-2");
    for (const auto& [field, value] : std::vector<std::pair<const char*, double>>{
             {"ELEV1", 35.5}, {"ELEV2", 34.25}, {"BARRELS", 2}, {"HYD_LENGTH", 101}, {"LENGTH", 99}})
        EXPECT_DOUBLE_EQ(reachField("R-1", field).toDouble(), value) << field;
    for (const char* sw : {"CALC_FROM_ELEV", "CALC_TO_ELEV", "CALC_PIPEL"}) EXPECT_EQ(reachField("R-1", sw).toInt(), 0) << sw;
    EXPECT_TRUE(reachField("R-1", "FROM_FL_CL").toBool() && reachField("R-1", "TO_FL_CL").toBool());
    EXPECT_EQ(reachField("R-2", "NODE2").toText(), "OUT1");
    EXPECT_TRUE(reachField("R-2", "ELEV1").toDouble() == 0 && reachField("R-2", "BARRELS").toDouble() == 1);
    for (const char* sw : {"CALC_PIPEL", "CALC_FROM_ELEV", "CALC_TO_ELEV", "CALC_PIPESIZE", "FROM_FL_CL", "TO_FL_CL"})
        EXPECT_EQ(reachField("R-2", sw).toInt(), -1) << sw;
}

TEST_F(ImportTest, TruncationsAndRecordsOfAnotherSystemAreLogged) {
    ImportFile f = csv("STR,STA,BL,PRO,XS,R,FROM,TO\n"
                       "S-1,12+50R2,BASELINE99,PROFILE99,SLOPE1234,R-1,FROMNODE9,TONODE123\n"
                       "S-2,1234567+890.123,,,,,,\n"
                       "S-3,3+00rt,,,,,,\n");
    ImportResult r = runImport(b.db, ui, f,
                               request({D::NodeName, D::NodeStation, D::NodeBaseline, D::NodeProfile, D::NodeCrossSlope,
                                        D::ReachName, D::ReachFromNode, D::ReachToNode}));
    EXPECT_EQ(nodeField("S-1", "STATION").toText(), "12+50");
    EXPECT_TRUE(hasLine(r, "Node: S-1 - Station '12+50R2' contains a reference to a baseline region 'R'. "
                           "Station will been truncated at the 'R'."))
        << logText(r);
    EXPECT_EQ(nodeField("S-2", "STATION").toText(), "1234567+890.");
    EXPECT_EQ(nodeField("S-3", "STATION").toText(), "3+00rt");  // only a capital R marks a baseline region
    EXPECT_TRUE(hasLine(r, "Node: S-2 - Station '1234567+890.123' exceeds 12 characters. Name will be truncated."));
    EXPECT_EQ(nodeField("S-1", "BASELINE").toText(), "BASELINE");
    for (const char* what : {"Node: S-1 - Baseline name 'BASELINE99'", "Node: S-1 - Profile Name 'PROFILE99'",
                             "Node: S-1 - Cross Slope Name 'SLOPE1234'", "Reach: R-1 - From Node 'FROMNODE9'",
                             "Reach: R-1 - To Node 'TONODE123'"})
        EXPECT_TRUE(hasLine(r, what + " exceeds 8 characters. Name will be truncated."s)) << what;
    EXPECT_EQ(reachField("R-1", "NODE2").toText(), "TONODE12");
    // The truncation line comes before the line that says the data was written.
    auto at = [&](const std::string& l) { return std::find(r.log.begin(), r.log.end(), l) - r.log.begin(); };
    EXPECT_LT(at("Node: S-1 - Baseline name 'BASELINE99' exceeds 8 characters. Name will be truncated."),
              at("Node: S-1 - Node data updated."));

    SCOPED_TRACE("records of another system are left alone and logged");
    b.addRecord("NODE", {{"NAME", "S-9"}, {"SYSTEM", "OTHER"}, {"INLET_ELEV", 50.0}});
    b.addRecord("REACH", {{"NAME", "S-9"}, {"SYSTEM", "OTHER"}, {"NODE2", "OUT2"}});
    const std::string before = test::snapshotTables(b.db, {"NODE", "REACH"});
    f = csv("STR,TOP,TO\ns-9,40,S-1\n");  // names compare without regard to case
    r = runImport(b.db, ui, f, request({D::NodeName, D::NodeInletElev, D::ReachToNode}));
    EXPECT_TRUE(hasLine(r, "Node: s-9 is currently in System:OTHER. Record will NOT be updated.")) << logText(r);
    EXPECT_TRUE(hasLine(r, "Reach: s-9 is currently in System:OTHER. Record will NOT be updated."));
    EXPECT_FALSE(hasLine(r, "Node: s-9 - Node data updated."));
    EXPECT_EQ(test::snapshotTables(b.db, {"NODE", "REACH"}), before);
    EXPECT_EQ(r.nodesRefused, 1);
}

TEST_F(ImportTest, StructureAndPipeLinksWithTheirThreeFallbacks) {
    ASSERT_TRUE(createSetup(b.db, ui, "S", {}));
    ASSERT_TRUE(saveSetupLinks(b.db, ui, "S", {{"Type P Inlet", "MH5"}, {"Unlinked", ""}, {"Ghost", "NOSUCH"}},
                               {{"18 RCP", "RCP24"}, {"Unlinked pipe", ""}, {"Ghost pipe", "NOPIPE"}}));
    ImportFile f = csv("STR,TYPE,PIPE,TO\n"
                       "S-1,Type P Inlet,\"18\"\" RCP\",S-2\n"
                       "S-2,Missing,Missing pipe,S-3\n"
                       "S-3,Unlinked,Unlinked pipe,S-4\n"
                       "S-4,Ghost,Ghost pipe,OUT1\n");
    ImportResult r = runImport(b.db, ui, f, request({D::NodeName, D::NodeStructure, D::ReachPipe, D::ReachToNode}));
    EXPECT_EQ(nodeField("S-1", "STRUCT_NAME").toText(), "MH5");
    // The quote marks are removed from the description before it is looked up: 18" RCP -> 18 RCP.
    EXPECT_EQ(reachField("S-1", "PIPE_NAME").toText(), "RCP24") << logText(r);
    EXPECT_EQ(reachField("S-1", "CALC_PIPESIZE").toInt(), 0);
    EXPECT_TRUE(hasLine(r, "Node: S-2 - Import Structure link 'Missing' could not be found. "
                           "Structure will be set to default 'MH4'"));
    EXPECT_EQ(nodeField("S-2", "STRUCT_NAME").toText(), "MH4");
    EXPECT_TRUE(hasLine(r, "Reach: S-2 - Import Pipe link 'Missing pipe' could not be found. "
                           "Pipe will be set to default 'RCP18'"));
    EXPECT_TRUE(hasLine(r, "Node: S-3 - Import Structure description 'Unlinked' is not linked to an KOLV structure. "
                           "Structure will be set to default 'MH4'"));
    EXPECT_TRUE(hasLine(r, "Reach: S-3 - Import Pipe description 'Unlinked pipe' is not linked to an KOLV pipe. "
                           "Pipe will be set to default 'RCP18'"));
    EXPECT_TRUE(hasLine(r, "Node: S-4 - Import Structure description 'Ghost' is linked to an KOLV structure 'NOSUCH' "
                           "that does not exist. Structure will be set to default 'MH4'"));
    EXPECT_TRUE(hasLine(r, "Reach: S-4 - Import Pipe description 'Ghost pipe' is linked to an KOLV pipe 'NOPIPE' "
                           "that does not exist. Pipe will be set to default 'RCP18'"));
    EXPECT_EQ(reachField("S-4", "PIPE_NAME").toText(), "RCP18");
    // The row's node is the reach's upstream end and its name (no "Reach: Name" column).
    EXPECT_EQ(reachField("S-3", "NODE1").toText(), "S-3");
    EXPECT_EQ(reachField("S-3", "NODE2").toText(), "S-4");
}

// A value the project refuses skips its row whole; the log names row, column and reason; the
// other rows import, in one undo step, and the log ends with the counts.
TEST_F(ImportTest, ARefusedValueSkipsItsRowAndTheRestImports) {
    struct Case {
        const char* what;
        std::string row2;     // the second of three rows (columns STR, TOP, C1, BRL, TO)
        const char* column;   // as the log names it
        const char* reason;   // a part of the reason
    };
    const Case cases[] = {
        {"name too long", "TOOLONG99,39,0.5,1,S-3", "column 1 ('STR')", "too long"},
        {"text in a number field", "S-2,abc,0.5,1,S-3", "column 2 ('TOP')", "abc"},
        {"number out of range", "S-2,39,1.5,1,S-3", "column 3 ('C1')", "'1.5'"},
        {"fraction of a barrel", "S-2,39,0.5,1.5,S-3", "column 4 ('BRL')", "whole number"},
        {"NUL in the To Node", "S-2,39,0.5,1,S\0-3"s, "column 5 ('TO')", "NUL"},
        {"NUL in the node name", "S\0-2,39,0.5,1,S-3"s, "column 1 ('STR')", "NUL"},
    };
    for (const Case& c : cases) {
        test::SystemBuilder fresh;
        fresh.header("SYS1", "OUT1");
        fresh.addRecord("NODE", {{"NAME", "S-2"}, {"SYSTEM", "SYS1"}, {"INLET_ELEV", 41.0}, {"RUNOFF_C1", 0.25}});
        db::UndoHistory& history = fresh.db.attachHistory();
        const std::string before = test::snapshotTables(fresh.db, {"NODE", "REACH"});
        ImportFile f = csv("STR,TOP,C1,BRL,TO\nS-1,40,0.5,1,S-2\n" + c.row2 + "\nS-3,38,0.5,1,OUT1\n");
        ImportResult r = runImport(fresh.db, ui, f, request({D::NodeName, D::NodeInletElev, D::NodeC1,
                                                              D::ReachBarrels, D::ReachToNode}));
        ASSERT_TRUE(r.ran) << c.what;
        const std::string log = logText(r);
        const std::string refusal = "Row 2, " + std::string(c.column) + ": ";
        bool named = false;
        for (const auto& l : r.log)
            named = named || (l.rfind(refusal, 0) == 0 && l.find(c.reason) != std::string::npos &&
                              l.find("The row was skipped.") != std::string::npos);
        EXPECT_TRUE(named) << c.what << "\n" << log;
        // nothing of row 2 was written, rows 1 and 3 were
        EXPECT_DOUBLE_EQ(fresh.db.scalar("SELECT INLET_ELEV FROM NODE WHERE NAME = 'S-2'").toDouble(), 41.0) << c.what;
        EXPECT_NEAR(fresh.db.scalar("SELECT RUNOFF_C1 FROM NODE WHERE NAME = 'S-2'").toDouble(), 0.25, 1e-9) << c.what;
        EXPECT_EQ(fresh.db.scalar("SELECT COUNT(*) FROM REACH WHERE NAME = 'S-2'").toInt(), 0) << c.what;
        EXPECT_EQ(log.find("Node: S-2 - Node data updated."), std::string::npos) << c.what;
        EXPECT_DOUBLE_EQ(fresh.db.scalar("SELECT INLET_ELEV FROM NODE WHERE NAME = 'S-1'").toDouble(), 40.0) << c.what;
        EXPECT_DOUBLE_EQ(fresh.db.scalar("SELECT INLET_ELEV FROM NODE WHERE NAME = 'S-3'").toDouble(), 38.0) << c.what;
        EXPECT_EQ((std::vector<int>{r.nodesCreated, r.rows, r.rowsWritten, r.rowsSkipped}), (std::vector<int>{2, 3, 2, 1}))
            << c.what;
        EXPECT_EQ(r.log.back().rfind("Import Complete. Rows read: 3, written: 2, skipped: 1.", 0), 0u) << r.log.back();
        // one undo step takes the whole import back
        EXPECT_EQ(history.undoName(), "Import Storm Sewer");
        EXPECT_TRUE(history.undo());
        EXPECT_EQ(test::snapshotTables(fresh.db, {"NODE", "REACH"}), before) << c.what;
    }
}

TEST_F(ImportTest, LongRowsQuoteMarksAndColumnsPastTheLimitAreAnnouncedOrLogged) {
    // An unquoted decimal comma (1,5) shifts every later value of the row one column on.
    ImportFile f = csv("STR,OFF,TOP\nS-1,1,5,40\nS-2,2.5,41\n");
    ImportResult r = runImport(b.db, ui, f, request({D::NodeName, D::NodeOffset, D::NodeInletElev}));
    EXPECT_TRUE(hasLine(r, "Row 1 has 4 values but the heading names 3 columns: a value holding the separator (such "
                           "as 1,5) moves every later value one column on. Check the row."))
        << logText(r);
    EXPECT_EQ(logText(r).find("Row 2 has"), std::string::npos);

    SCOPED_TRACE("quote marks announced and removed from the values");
    ui.clear();
    f = csv("STR,BL\n\"S-1\",\"O'Hara, \"\"East\"\"\"\n");
    EXPECT_EQ(f.rows[0][1], "O'Hara, \"East\"");
    announceFile(f, ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Quote marks, single(') or double (\") cannot be imported.\n"
              "These characters will be removed from the imported text.\nThe import file will not be effected.");
    EXPECT_EQ(importValue(f.rows[0][1]), "OHara, East");
    runImport(b.db, ui, f, request({D::NodeName, D::NodeBaseline}));
    EXPECT_EQ(nodeField("S-1", "BASELINE").toText(), "OHara, E");

    SCOPED_TRACE("forty columns warn once and the first thirty-two import");
    std::string head, row;
    for (int c = 1; c <= 40; ++c) {
        head += (c > 1 ? "," : "") + std::string("C") + std::to_string(c);
        row += (c > 1 ? "," : "") + std::to_string(c);
    }
    f = csv(head + "\nS-1," + row.substr(row.find(',') + 1) + "\n");
    ui.clear();
    announceFile(f, ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "The import data has 40 columns.\nThis import routine has a limit of 32 columns.\n"
              "All columns past the 32nd will be ignored.");
    ASSERT_EQ(f.columnCount(), 32);
    std::vector<D> d(32, D::None);
    d[0] = D::NodeName;
    d[31] = D::NodeInletElev;  // the 32nd column holds 32
    runImport(b.db, ui, f, request(d));
    EXPECT_DOUBLE_EQ(nodeField("S-1", "INLET_ELEV").toDouble(), 32);
}

// Beyond any 16-bit count: every row of a large file is imported, with progress along the way.
TEST_F(ImportTest, HundredThousandRowsImportWholeWithProgress) {
    std::string text = "STR,STA,TOP,TO,PIPE,LEN,INV\n";
    text.reserve(5'000'000);
    for (int i = 1; i <= 100000; ++i) {
        std::string n = "N" + std::to_string(i);
        text += n + "," + std::to_string(i) + "+00,40.5," + (i < 100000 ? "N" + std::to_string(i + 1) : "OUT1") +
                ",RCP18,100,35.25\n";
    }
    ImportFile f = csv(text);
    ImportResult r = runImport(b.db, ui, f,
                               request({D::NodeName, D::NodeStation, D::NodeInletElev, D::ReachToNode, D::ReachPipe,
                                        D::ReachLength, D::ReachFromInvert},
                                       "1-"));
    EXPECT_EQ(r.nodesCreated, 100000);
    EXPECT_EQ(r.reachesCreated, 100000);
    EXPECT_EQ(b.db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'SYS1'").toInt(), 100000);
    EXPECT_GE(ui.progressValues.size(), 100u);
}

TEST_F(ImportTest, RefusalsBeforeAnyChange) {
    const std::string before = test::snapshotTables(b.db, {"NODE"});
    ImportFile f = csv("STR\nS-1\n");
    ImportRequest req = request({D::NodeName});
    req.system = " ";
    EXPECT_FALSE(runImport(b.db, ui, f, req).ran);
    req.system = "NOPE";
    EXPECT_FALSE(runImport(b.db, ui, f, req).ran);
    req = request({D::NodeName}, "1,1,1,1,1,1,1,1,1,1,1,1");  // eleven commas
    EXPECT_FALSE(runImport(b.db, ui, f, req).ran);
    req = request({D::NodeName}, "5-9");
    EXPECT_FALSE(runImport(b.db, ui, f, req).ran);
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{
                              "Destination System contains no system name.\nExit import routine and create a new system "
                              "using pulldown:\nEdit | Storm Sewer System Add/Delete/Rename",
                              "Destination System 'NOPE' could not be found.\nExit import routine and create a new "
                              "system using pulldown:\nEdit | Storm Sewer System Add/Delete/Rename",
                              "Number of commas in the row listing has exceeded 10.\nChange the row listing and try again.",
                              "No rows have been selected. Import aborted."}));
    EXPECT_EQ(ui.messages[0].title, "INVALID DATA");
    EXPECT_EQ(test::snapshotTables(b.db, {"NODE"}), before);
}

TEST_F(ImportTest, AStorageFaultInTheMiddleLeavesTheProjectAsItWasAndNamesRowAndColumn) {
    b.addRecord("NODE", {{"NAME", "S-1"}, {"SYSTEM", "SYS1"}, {"INLET_ELEV", 41.0}});
    // The database refuses the fourth node as a full disk or a damaged file would.
    b.db.execute("CREATE TEMP TRIGGER refuse_s4 BEFORE INSERT ON NODE WHEN NEW.NAME = 'S-4' "
                 "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
    const std::string before = test::snapshotTables(b.db, {"NODE", "REACH"});
    ImportFile f = csv("TOP,STR,TO\n40,S-1,S-2\n39,S-2,S-3\n38,S-3,S-4\n37,S-4,S-5\n36,S-5,OUT1\n");
    try {
        runImport(b.db, ui, f, request({D::NodeInletElev, D::NodeName, D::ReachToNode}));
        FAIL() << "the import should have stopped";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("row 4, column 2 ('STR')"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("the project has not been changed"), std::string::npos);
    }
    EXPECT_EQ(test::snapshotTables(b.db, {"NODE", "REACH"}), before);
    EXPECT_FALSE(b.db.inTransaction());
}

namespace {

/// A progress display whose Cancel button is pressed once the run has reported `after` times.
class CancellingUi : public ui::RecordingUi {
public:
    int after = 3;
    bool cancelRequested() override { return static_cast<int>(progressValues.size()) > after; }
};

}  // namespace

TEST_F(ImportTest, CancelLeavesTheProjectUnchanged) {
    std::string text = "STR,TO\n";
    for (int i = 1; i <= 500; ++i) text += "N" + std::to_string(i) + ",N" + std::to_string(i + 1) + "\n";
    const std::string before = test::snapshotTables(b.db, {"NODE", "REACH"});
    CancellingUi cui;
    ImportResult r = runImport(b.db, cui, csv(text), request({D::NodeName, D::ReachToNode}, "1-"));
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(test::snapshotTables(b.db, {"NODE", "REACH"}), before);
    ASSERT_FALSE(cui.messages.empty());
    EXPECT_EQ(cui.messages.back().text, "Import cancelled. Nothing was imported; the project has not been changed.");
}
