// The editing panel's records: pending-edit flush, stored-name check, reach creation, displays.
#include <gtest/gtest.h>

#include "db/record_set.h"
#include "editing/edit_panel.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::editing;

namespace {

/// A project with system S1 (nodes A -> B, B without reach, outfall OUT) and a pipe 18RCP.
struct PanelProject {
    test::TempDir dir;
    std::unique_ptr<db::Database> db;
    Session session;

    PanelProject() {
        db = db::Database::open(test::makeEmptyProject(dir));
        db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE, AREA1, AREA2, AREA3, OUT_TW) VALUES ('S1', 'OUT', 0.9, 0.5, 0.3, 12.5)");
        db->execute("INSERT INTO NODE (NAME, SYSTEM, STATION, INLET_ELEV, TC, CALC_RUNOFF_C1) VALUES ('A', 'S1', '10+00', 105, 10, -1)");
        db->execute("INSERT INTO NODE (NAME, SYSTEM, INLET_ELEV) VALUES ('B', 'S1', 103)");
        db->execute("INSERT INTO NODE (NAME, SYSTEM) VALUES ('O''NEIL', 'S1')");
        db->execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, PIPE_NAME, LENGTH, ELEV1, ELEV2, BARRELS) "
                    "VALUES ('A', 'S1', 'A', 'B', '18RCP', 200, 100, 99, 1)");
        db->execute("INSERT INTO T7 (NAME, ENG_MET, HEIGHT) VALUES ('18RCP', 0, 1.5)");
        // an independent count of the writes the panel makes
        db->exec("CREATE TABLE WRITES (TBL TEXT, NAME TEXT)");
        db->exec("CREATE TRIGGER NODE_W AFTER UPDATE ON NODE BEGIN INSERT INTO WRITES VALUES ('NODE', NEW.NAME); END");
        db->exec("CREATE TRIGGER REACH_W AFTER UPDATE ON REACH BEGIN INSERT INTO WRITES VALUES ('REACH', NEW.NAME); END");
    }
    long writes(const std::string& table) {
        return static_cast<long>(db->scalar("SELECT COUNT(*) FROM WRITES WHERE TBL = ?", {table}).toInt());
    }
    double number(const std::string& sql, const std::vector<db::Value>& p = {}) { return db->scalar(sql, p).toDouble(); }
};

TEST(EditPanelFlush, PendingRecordsAreWrittenNodeReachOutfallWithTraceLines) {
    PanelProject p;
    EditPanel panel(*p.db, p.session, "S1");
    panel.showSystemStart();
    ASSERT_TRUE(panel.outfall.exists);
    p.session.diagnosisLog.clear();
    panel.enterOutfallField();
    panel.enterReachField();
    panel.enterNodeField();
    panel.outfall.tailwater = "13.75";
    panel.flushPendingEdits();
    const auto& log = p.session.diagnosisLog;
    auto at = [&](const std::string& line) {
        return std::find(log.begin(), log.end(), line) - log.begin();
    };
    auto nodeOn = at("ClickEntityEx: NODE_RECORD_NEEDS_TO_BE_UPDATED-switch = TRUE");
    auto nodeOff = at("ClickEntityEx: NODE_RECORD_NEEDS_TO_BE_UPDATED-switch = FALSE");
    auto reachOn = at("ClickEntityEx: REACH_RECORD_NEEDS_TO_BE_UPDATED-switch = TRUE");
    auto outOff = at("ClickEntityEx: OUTFALL_RECORD_NEEDS_TO_BE_UPDATED-switch = FALSE");
    ASSERT_LT(outOff, static_cast<long>(log.size()));
    EXPECT_LT(nodeOn, nodeOff);
    EXPECT_LT(nodeOff, reachOn);
    EXPECT_LT(reachOn, outOff);
    EXPECT_NE(at("EDIT_NR_UPDATE_NODE_RECORD: At the exit line Node Name = 'A'"), static_cast<long>(log.size()));
    EXPECT_NE(at("Update Trigger: Node changed to '*'"), static_cast<long>(log.size()));
    EXPECT_DOUBLE_EQ(p.number("SELECT OUT_TW FROM T16 WHERE SYSTEM = 'S1'"), 13.75);
    EXPECT_FALSE(p.session.nodeEditPending || p.session.reachEditPending || p.session.outfallEditPending);
}

TEST(EditPanelFlush, RecordRenamedElsewhereIsNotOverwrittenAndADeletedOneIsReported) {
    PanelProject p;
    EditPanel panel(*p.db, p.session, "S1");
    panel.selectNode("A");
    p.db->execute("UPDATE NODE SET NAME = 'A9' WHERE NAME = 'A'");
    p.db->execute("DELETE FROM WRITES");
    panel.enterNodeField();
    panel.node.text[3] = "999";
    panel.flushPendingEdits();
    EXPECT_EQ(p.writes("NODE"), 0);
    EXPECT_DOUBLE_EQ(p.number("SELECT INLET_ELEV FROM NODE WHERE NAME = 'A9'"), 105.0);
    EXPECT_FALSE(p.session.nodeEditPending);

    // a record deleted elsewhere: no current record
    panel.selectNode("B");
    p.db->execute("DELETE FROM NODE WHERE NAME = 'B'");
    panel.enterNodeField();
    panel.updateNodeRecord();
    EXPECT_EQ(panel.lastStatus, "3021 - No current record");
}

TEST(EditPanelDisplay, SystemStartShowsFirstNodeItsReachAndTheOutfall) {
    PanelProject p;
    EditPanel panel(*p.db, p.session, "S1");
    panel.showSystemStart();
    EXPECT_TRUE(panel.reach.exists);
    EXPECT_EQ(panel.node.name() + ">" + panel.reach.node2 + " " + panel.outfall.outNode + " " + panel.outfall.tailwater,
              "A>B OUT 12.5");
    // S = (100 - 99) / 200 x 100 = 0.5 %; crowns = inverts + 1.5 ft pipe height
    EXPECT_EQ(panel.pipeSlopeText(), "Pipe Slope = 0.5000%");
    EXPECT_EQ(panel.crownFromText() + " " + panel.crownToText(), "101.50 100.50");
    // a length that is not (yet) a whole number gives no slope, never one read from its leading digits
    for (const char* length : {"0", "200 ft", "2OO", "200,5"}) {
        panel.reach.length = length;
        EXPECT_EQ(panel.pipeSlopeText(), "Pipe Slope = 0.0000%") << length;
    }
    panel.reach.pipe = "NOPIPE";  // a missing definition counts as height 0
    EXPECT_EQ(panel.crownFromText(), "100.00");

    // a system without nodes and with an empty outfall clears everything; Area C comes from T16
    p.db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE, AREA1, AREA2, AREA3) VALUES ('S2', '', 0.95, 0.2, 0.35)");
    panel.setSystem("S2");
    panel.showSystemStart();
    EXPECT_EQ(panel.state, PanelState::Cleared);
    EXPECT_EQ(panel.node.name() + "|" + panel.node.text[3] + "|" + panel.node.text[9] + "|" + panel.node.text[11], "|0|0.95|0.35");
    EXPECT_FALSE(panel.reach.exists || panel.outfall.exists);

    SCOPED_TRACE("a name with a quote mark is shown and written");
    panel.setSystem("S1");
    panel.selectNode("O'NEIL");
    ASSERT_EQ(panel.node.name(), "O'NEIL");
    panel.enterNodeField();
    panel.node.text[2] = "-20";
    panel.enterReachField();
    panel.flushPendingEdits();
    EXPECT_DOUBLE_EQ(p.number("SELECT OFFSET FROM NODE WHERE NAME = ?", {"O'NEIL"}), -20.0);
    EXPECT_EQ(p.db->scalar("SELECT COUNT(*) FROM REACH WHERE NAME = ?", {"O'NEIL"}).toInt(), 1);
    // a second update edits the reach it made
    panel.enterReachField();
    panel.reach.length = "151";
    panel.flushPendingEdits();
    EXPECT_EQ(p.db->scalar("SELECT COUNT(*) || ' ' || LENGTH FROM REACH WHERE NODE1 = ?", {"O'NEIL"}).toText(), "1 151.0");
}

TEST(EditPanelSwitches, CalculationSwitchIsWrittenAtOnceAndTypingAGovernedValueTurnsItOff) {
    PanelProject p;
    p.db->execute("UPDATE REACH SET CALC_PIPESIZE = -1, CALC_TO_ELEV = -1");
    EditPanel panel(*p.db, p.session, "S1");
    panel.selectNode("A");
    EXPECT_TRUE(panel.node.calc[0]);
    EXPECT_FALSE(panel.toggleCalcSwitch(1));
    EXPECT_EQ(p.db->scalar("SELECT CALC_RUNOFF_C1 FROM NODE WHERE NAME = 'A'").toInt(), 0);
    EXPECT_TRUE(panel.toggleCalcSwitch(5));
    EXPECT_EQ(p.db->scalar("SELECT CALC_FROM_ELEV FROM REACH WHERE NAME = 'A'").toInt(), -1);

    EXPECT_EQ(panel.valueTyped(9), 1);   // Area 1-C
    EXPECT_EQ(panel.valueTyped(17), 6);  // Invert-To
    EXPECT_EQ(panel.valueTyped(6), 0);   // an area has no switch
    EXPECT_EQ(panel.pipeChosen(), 4);
    panel.node.text[9] = "0.45";
    panel.reach.elev2 = "98.5";
    ASSERT_TRUE(panel.flushPendingEdits());
    EXPECT_EQ(p.number("SELECT CALC_PIPESIZE FROM REACH WHERE NAME = 'A'"), 0);
    EXPECT_EQ(p.number("SELECT CALC_FROM_ELEV FROM REACH WHERE NAME = 'A'"), -1);  // not typed: stays on
    EXPECT_EQ(p.number("SELECT CALC_TO_ELEV FROM REACH WHERE NAME = 'A'"), 0);
    EXPECT_DOUBLE_EQ(p.number("SELECT RUNOFF_C1 FROM NODE WHERE NAME = 'A'"), 0.45f);
}

TEST(EditPanelLog, FieldChangeLinesCarryTheLabel) {
    PanelProject p;
    EditPanel panel(*p.db, p.session, "S1");
    panel.selectNode("A");
    panel.logFieldChange(3, "106");
    panel.logFieldChange(16, "99");
    panel.logFieldChange(15, "x");
    const auto& log = p.session.diagnosisLog;
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "Form: EDIT_NR,  Node Name: A,  Change made to Field: Inlet/Top Elev '106'");
    EXPECT_EQ(log[log.size() - 2], "Form: EDIT_NR,  Node Name: A,  Change made to Field: Invert-From '99'");
    EXPECT_EQ(log[log.size() - 1], "Form: EDIT_NR,  Node Name: A,  Change made to Field: ? 'x'");
}

TEST(ComputeGuard, RefusesNoSystemAndDrainsAndNumbersShowWithoutFloatNoise) {
    ui::RecordingUi ui;
    EXPECT_FALSE(computeGuard("", ui));
    EXPECT_FALSE(computeGuard(" <drains> ", ui));
    EXPECT_TRUE(computeGuard("S1", ui));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text,
              "Select the active system or add a new system.\rUse EDIT | STORM SEWER SYSTEM ADD/DELETE to add system.");
    EXPECT_EQ(ui.messages[1].text, "This routine can not be performed for systems '<drains>'.");
    EXPECT_EQ(ui.beeps, 2);
    // single fields show without float noise
    EXPECT_EQ(displayNumber(db::Value(static_cast<double>(0.9f)), db::FieldType::Single), "0.9");
    EXPECT_EQ(displayNumber(db::Value(101.25), db::FieldType::Double), "101.25");
    EXPECT_EQ(displayNumber(db::Value(), db::FieldType::Double), "0");
}

}  // namespace

TEST(EditPanelStrictInput, RefusedValuesWriteNothingAndKeepThePanelOnTheRecord) {
    PanelProject p;
    EditPanel panel(*p.db, p.session, "S1");
    struct Case {
        int index;
        const char* text;
        const char* message;
    };
    for (const Case& c : {Case{6, "abc", "Area 1-Area: 'abc' is not a number."},
                          Case{6, "0,3", "Area 1-Area: '0,3' is not a number. Use a period as the decimal point (0.3, not 0,3)."},
                          Case{6, "-5", "Area 1-Area must be between 0 and 1,000,000 acres."},
                          Case{3, "99999999", "Inlet/Top Elev must be between -30,000 and 30,000 ft."},
                          Case{4, "-40000", "Min. HGL Elev must be between -30,000 and 30,000 ft."},
                          Case{12, "5000", "Initial Tc must be between 0 and 1,440 min."},
                          Case{9, "1.5", "Area 1-C must be between 0 and 1."},
                          Case{12, "", "Initial Tc needs a number."}}) {
        SCOPED_TRACE(c.text);
        panel.selectNode("A");
        const double tc = p.number("SELECT TC FROM NODE WHERE NAME = 'A'");
        panel.enterNodeField();
        panel.node.text[static_cast<std::size_t>(c.index)] = c.text;
        panel.node.text[12] = c.index == 12 ? c.text : "33";  // a valid change beside it is held back too
        EXPECT_FALSE(panel.selectNode("B"));
        EXPECT_EQ(panel.node.name(), "A");  // still on A, the text kept for correction
        EXPECT_EQ(panel.lastStatus, c.message);
        EXPECT_TRUE(p.session.nodeEditPending);
        EXPECT_EQ(p.writes("NODE"), 0);
        EXPECT_DOUBLE_EQ(p.number("SELECT TC FROM NODE WHERE NAME = 'A'"), tc);
        EXPECT_EQ(panel.nodeFault().index, c.index);
        // corrected, it is written on the way out
        panel.node.text[static_cast<std::size_t>(c.index)] = c.index == 9 ? "0.9" : "0.3";
        if (c.index != 12) panel.node.text[12] = "0.3";
        EXPECT_TRUE(panel.selectNode("B"));
        EXPECT_EQ(p.writes("NODE"), 1);
        p.db->exec("DELETE FROM WRITES");
    }
    // reach and outfall numbers are held to the same rules
    panel.selectNode("A");
    panel.enterReachField();
    panel.reach.length = "-200";
    EXPECT_FALSE(panel.flushPendingEdits());
    EXPECT_EQ(panel.lastStatus, "Length must be between 0 and 100,000 ft.");
    EXPECT_EQ(p.writes("REACH"), 0);
    panel.reach.elev1 = "99999999";
    panel.reach.length = "200";
    EXPECT_FALSE(panel.flushPendingEdits());
    EXPECT_EQ(panel.lastStatus, "Invert-From must be between -30,000 and 30,000 ft.");
    panel.reach.elev1 = "100";
    panel.reach.length = "200";
    panel.selectOutfall();
    panel.enterOutfallField();
    panel.outfall.areaC[1] = "2";
    EXPECT_FALSE(panel.flushPendingEdits());
    EXPECT_EQ(panel.outfallFault().field, "AREA2");
    panel.outfall.areaC[1] = "0.5";
    panel.outfall.elevation = "99999999";
    EXPECT_FALSE(panel.flushPendingEdits());
    EXPECT_EQ(panel.lastStatus, "Outfall Elevation must be between -30,000 and 30,000 ft.");
}

TEST(EditPanelStrictInput, MovingOnFromARefusedValueAsksToCorrectOrDiscard) {
    PanelProject p;
    EditPanel panel(*p.db, p.session, "S1");
    ASSERT_TRUE(panel.selectNode("A"));
    const double area = p.number("SELECT P_C1DA FROM NODE WHERE NAME = 'A'");
    panel.enterNodeField();
    panel.node.text[6] = "5e8";
    ASSERT_FALSE(panel.selectNode("B"));
    // "No" (the default): the panel stays on A with the text to correct
    kolv::ui::RecordingUi stay;
    stay.answers.push_back(kolv::ui::Answer::No);
    EXPECT_FALSE(panel.resolveRefusedEdit(stay));
    ASSERT_EQ(stay.messages.size(), 1u);
    EXPECT_EQ(stay.messages[0].title, "INVALID DATA");
    EXPECT_NE(stay.messages[0].text.find("Area 1-Area must be between 0 and 1,000,000 acres."), std::string::npos);
    EXPECT_TRUE(p.session.nodeEditPending);
    // "Yes": the changes go, the next node is shown and the stored value stands
    kolv::ui::RecordingUi discard;
    discard.answers.push_back(kolv::ui::Answer::Yes);
    EXPECT_TRUE(panel.resolveRefusedEdit(discard));
    EXPECT_TRUE(panel.selectNode("B"));
    EXPECT_EQ(panel.node.name(), "B");
    EXPECT_TRUE(panel.lastStatus.empty());
    EXPECT_EQ(p.writes("NODE"), 0);
    EXPECT_DOUBLE_EQ(p.number("SELECT P_C1DA FROM NODE WHERE NAME = 'A'"), area);
    // nothing refused, nothing asked
    kolv::ui::RecordingUi none;
    EXPECT_FALSE(panel.resolveRefusedEdit(none));
    EXPECT_TRUE(none.messages.empty());
}
