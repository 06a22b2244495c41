// Flow lines: cover, minimum slope, rounding, match level, locked ends, ditches and the run's messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "db/project.h"
#include "db/schema.h"
#include "flowline/flow_lines.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;

namespace {

/// Ends computed, both elevations inverts, unless the row overrides them.
struct ReachRow {
    std::string from, to, pipe;
    double length = 100.0;
    double elev1 = 0.0, elev2 = 0.0;
    bool computeUp = true, computeDown = true;
    db::Value fromKind = true, toKind = true;  // -1 invert, 0 crown
    int type = 0;
};

struct FlowLineFixture : ::testing::Test, test::SystemBuilder {
    ui::RecordingUi ui;

    void SetUp() override {
        // Only the definitions of the test: the seed's own are removed.
        clearDefinitions();
        header("S1", "OUT");
        // cover 3.25 + wall 0.25 + 18 in pipe = 5.00 ft below the inlet
        add("T6", {{"NAME", "INLET"}, {"MIN_PIPE_COVER", 3.25}});
        add("T7", {{"NAME", "P18"}, {"HEIGHT", 1.5}, {"THICKNESS", 0.25}, {"N", 0.013}});
        add("T7", {{"NAME", "P12"}, {"HEIGHT", 1.0}, {"THICKNESS", 0.25}, {"N", 0.013}});
        add("T7", {{"NAME", "P24"}, {"HEIGHT", 2.0}, {"THICKNESS", 0.25}, {"N", 0.013}});
        add("T7", {{"NAME", "THIN"}, {"HEIGHT", 1.5}, {"THICKNESS", 0.0}, {"N", 0.013}});
    }
    void node(const std::string& name, double inlet, const std::string& structure = "INLET") {
        nodeRow("S1", name, {{"INLET_ELEV", inlet}, {"STRUCT_NAME", structure}});
    }
    void reach(const ReachRow& r) {
        reachRow("S1", r.from, r.to,
                 {{"PIPE_NAME", r.pipe}, {"LENGTH", r.length}, {"ELEV1", r.elev1}, {"ELEV2", r.elev2},
                  {"CALC_FROM_ELEV", r.computeUp}, {"CALC_TO_ELEV", r.computeDown}, {"FROM_FL_CL", r.fromKind},
                  {"TO_FL_CL", r.toKind}, {"REACH_TYPE", r.type}});
    }
    double elev(const std::string& reachName, const char* field) {
        return db.scalar(std::string("SELECT ") + field + " FROM REACH WHERE NAME = ?", {reachName}).toDouble();
    }
    flowline::FlowLineResult run(flowline::FlowLineOptions o) {
        return flowline::setFlowLines(*project, "S1", o, ui);
    }
    static flowline::FlowLineOptions fixed(double slope) {
        flowline::FlowLineOptions o = flowline::FlowLineOptions::defaults(false);
        o.minSlopePercent = slope;
        o.exceptSmallPipes = false;
        return o;
    }
    std::vector<std::string> texts() const { return ui.texts(); }
};

}  // namespace

TEST_F(FlowLineFixture, FixedSlopeFallsHalfAPercentUnlessCoverIsLower) {
    node("A", 100.0);
    reach({"A", "B", "P18"});
    node("B", 105.0);
    reach({"B", "OUT", "P18"});
    auto r = run(fixed(0.5));
    ASSERT_TRUE(r.ran);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_NEAR(elev("A", "ELEV1"), 95.0, 1e-9);  // 100 − 5.00 of cover, wall and pipe
    EXPECT_NEAR(elev("A", "ELEV2"), 94.5, 1e-9);  // 95 − 0.5 % × 100 ft
    // B's outgoing pipe starts at the match level, below its own cover limit of 100.
    EXPECT_NEAR(elev("B", "ELEV1"), 94.5, 1e-9);

    // B's inlet at 99 puts its cover limit at 94, below the slope fall.
    db.execute("UPDATE NODE SET INLET_ELEV = 99 WHERE NAME = 'B'");
    run(fixed(0.5));
    EXPECT_NEAR(elev("A", "ELEV2"), 94.0, 1e-9);
    EXPECT_NEAR(elev("B", "ELEV1"), 94.0, 1e-9);
}

TEST_F(FlowLineFixture, CrownEndsAndVaryingSlope) {
    // Upstream end stored as a crown: inlet − (cover + wall) = 100 − 3.5.
    node("A", 100.0);
    reach({"A", "B", "P18", 100.0, 0, 0, true, true, 0, true});
    node("B", 200.0);
    reach({"B", "OUT", "P18"});
    auto o = fixed(1.0);
    o.varyByVelocity = true;
    o.minVelocityFps = 2.5;
    o.decimals = 3;
    run(o);
    EXPECT_NEAR(elev("A", "ELEV1"), 96.5, 1e-9);
    // Varying slope of an 18 in pipe, n 0.013, 2.5 ft/s: 100 (2.5 × 0.013 / (1.49 × 0.375^(2/3)))² = 0.17593 %
    // (hand: 0.375^(2/3) = 0.52002, 1.49 × 0.52002 = 0.77483, 0.0325 / 0.77483 = 0.041944).
    EXPECT_NEAR(flowline::velocitySlopePercent(1.5, 0.013, 2.5), 0.17593, 0.0002);
    // crown 96.5 → invert 95.0, less 0.17593 ft over 100 ft = 94.82407 → 94.824 at 3 decimals
    EXPECT_NEAR(elev("A", "ELEV2"), 94.824, 1e-9);
    // no size or no n: no velocity slope
    EXPECT_EQ(flowline::velocitySlopePercent(0.0, 0.013, 2.5), 0.0);
    EXPECT_EQ(flowline::velocitySlopePercent(1.5, 0.0, 2.5), 0.0);
}

TEST_F(FlowLineFixture, LockedOutgoingEndAboveMatchLevelIsReportedAndKept) {
    node("A", 100.0);
    reach({"A", "C", "P18"});
    node("C", 120.0);
    reach({"C", "OUT", "P18", 100.0, 99.0, 0, false});  // locked at 99, A arrives at 94.5
    auto r = run(fixed(0.5));
    EXPECT_EQ(texts(), std::vector<std::string>{"Outgoing pipe flowline at C is locked too high"});
    EXPECT_EQ(ui.messages[0].title, "INVALID ELEVATION");
    EXPECT_DOUBLE_EQ(elev("C", "ELEV1"), 99.0);
    EXPECT_NE(std::find(r.lines.begin(), r.lines.end(),
                        "Out-going Reach: C         YES           99.000      99.000"),
              r.lines.end());

    // the same end stored as a crown (invert 97.5) and matched by crowns (crown 96.0 arrives)
    db.execute("UPDATE REACH SET FROM_FL_CL = 0 WHERE NAME = 'C'");
    ui.clear();
    run(fixed(0.5));
    EXPECT_EQ(texts(), std::vector<std::string>{"Outgoing pipe flowline(CL) at C is locked too high"});
    ui.clear();
    auto o = fixed(0.5);
    o.match = flowline::MatchMode::CrownLines;
    run(o);
    EXPECT_EQ(texts(), std::vector<std::string>{"Outgoing pipe crownline at C is locked too high"});
}

TEST_F(FlowLineFixture, SmallPipesKeepTheirLevelAndDitchesStayOut) {
    // A (24 in) and B (12 in) meet at C; C's outgoing pipe is 18 in.
    node("A", 100.0);
    reach({"A", "C", "P24"});  // up 100 − 5.5 = 94.5, down 94.0
    node("B", 100.0);
    reach({"B", "C", "P12"});  // up 100 − 4.5 = 95.5, down 95.0
    node("D", 101.0);
    reach({"D", "C", "", 50.0, 0, 0, true, true, true, true, 2});  // ditch into C
    node("C", 110.0);
    reach({"C", "OUT", "P18"});
    auto o = fixed(0.5);
    o.exceptSmallPipes = true;  // 20 in: the 24 in pipe is large, the 12 in is not
    run(o);
    EXPECT_NEAR(elev("A", "ELEV2"), 94.0, 1e-9);
    EXPECT_NEAR(elev("B", "ELEV2"), 95.0, 1e-9);  // drops in, not lowered
    EXPECT_NEAR(elev("C", "ELEV1"), 94.0, 1e-9);  // lowest invert
    // The ditch took the ground at its nodes and was never changed here; no pipe lookup for it.
    EXPECT_NEAR(elev("D", "ELEV1"), 101.0, 1e-9);
    EXPECT_NEAR(elev("D", "ELEV2"), 110.0, 1e-9);
    EXPECT_TRUE(ui.messages.empty());

    // With the exception off every pipe is matched: B comes down to 94.0 as well.
    o.exceptSmallPipes = false;
    auto r = run(o);
    EXPECT_NEAR(elev("B", "ELEV2"), 94.0, 1e-9);
    // the uphill ditch is reported first
    EXPECT_EQ(r.ditchLines, std::vector<std::string>{"Ditch Reach: D has a Downstream Flow Line HIGHER than the Upstream"});
}

TEST_F(FlowLineFixture, LockedIncomingCrownBelowOutgoingInvertUnderCrownMatch) {
    // A 24 in pipe locked with its invert at 93.0 (crown 95.0) comes into C, whose 12 in
    // outgoing pipe gets its crown at the match level 95.0 → invert 94.0, above the incoming invert.
    node("A", 100.0);
    reach({"A", "C", "P24", 100.0, 0, 93.0, true, false});
    node("C", 110.0);
    reach({"C", "OUT", "P12"});
    auto o = fixed(0.5);
    o.match = flowline::MatchMode::CrownLines;
    run(o);
    EXPECT_NEAR(elev("C", "ELEV1"), 94.0, 1e-9);
    EXPECT_EQ(texts(), std::vector<std::string>{"Incoming pipe flowline at C is locked too low"});

    // The same end stored as its crown (95.0) is named the same way.
    db.execute("UPDATE REACH SET ELEV2 = 95.0, TO_FL_CL = 0 WHERE NAME = 'A'");
    ui.clear();
    run(o);
    EXPECT_EQ(texts(), std::vector<std::string>{"Incoming pipe flowline(CL) at C is locked too high"});
}

TEST_F(FlowLineFixture, MessagesListingAndRefusal) {
    node("A", 100.0, "GHOST");
    reach({"A", "B", "NOPIPE"});
    node("B", 100.0);
    reach({"B", "OUT", "P18"});
    auto r = run(fixed(0.5));
    // The missing pipe is reported at each node its reach touches; without a definition its wall
    // thickness is 0, which warns once.
    const std::vector<std::string> expected = {
        "Pipe 'NOPIPE' cannot be found in pipe table.",
        "WARNING: Pipe thickness defined as zero (or negative) value.\nEDIT|Pipe Definitions to correct the pipe "
        "thickness field",
        "Structure 'GHOST' cannot be found in inlet table.", "Pipe 'NOPIPE' cannot be found in pipe table."};
    EXPECT_EQ(texts(), expected);
    EXPECT_EQ(ui.messages[0].title, "MISSING RECORD");
    ASSERT_GE(r.lines.size(), 4u);
    // prev 0.000 → 100 − (0 cover + 0 wall + 0 height) = 100.000
    EXPECT_EQ(r.lines[3], "Out-going Reach: A         no             0.000     100.000");
    ui.clear();
    run(fixed(0.5));  // a new run warns again
    EXPECT_EQ(texts(), expected);

    ui.clear();
    auto bad = run(fixed(0.0));
    EXPECT_FALSE(bad.ran);
    EXPECT_EQ(texts(), std::vector<std::string>{"Minimum pipe slope must be greater than zero"});
    EXPECT_EQ(ui.messages[0].title, "INVALID DATA");
}

// The pipe into the outfall: its lower end lies at the outfall's invert when the outfall has one,
// else it falls at the minimum slope; a crown end sits one pipe height higher; ditches and locked
// ends keep what they hold.
TEST_F(FlowLineFixture, PipeIntoTheOutfallEndsAtTheOutfallInvertOrFallsAtTheMinimumSlope) {
    struct Case {
        const char* name;
        db::Value outEl;
        ReachRow row;
        double expected;
    };
    // Node B: inlet 105, cover limit 105 − 5.00 = 100 for the 18 in pipe (upstream invert 100).
    const Case cases[] = {
        {"outfall invert", 97.0, {"B", "OUT", "P18"}, 97.0},
        {"outfall invert, crown end", 97.0, {"B", "OUT", "P18", 200.0, 0, 0, true, true, true, false}, 98.5},
        {"no outfall elevation: 100 − 0.5 % × 200 ft", db::Value(), {"B", "OUT", "P18", 200.0}, 99.0},
        {"outfall elevation 0 counts as none", 0.0, {"B", "OUT", "P18", 200.0}, 99.0},
        {"locked end kept", 97.0, {"B", "OUT", "P18", 100.0, 0, 12.5, true, false}, 12.5},
        {"ditch keeps its ELEV2", 97.0, {"B", "OUT", "P18", 100.0, 0, 12.5, true, true, true, true, 2}, 12.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db.execute("DELETE FROM NODE");
        db.execute("DELETE FROM REACH");
        db.execute("UPDATE T16 SET OUT_EL = ?", {c.outEl});
        node("B", 105.0);
        reach(c.row);
        auto r = run(fixed(0.5));
        ASSERT_TRUE(r.ran);
        EXPECT_NEAR(elev("B", "ELEV2"), c.expected, 1e-9);
    }
}
