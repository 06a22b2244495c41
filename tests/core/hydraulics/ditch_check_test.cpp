// Ditch flow lines taken from the ground at the end nodes, and the uphill-ditch lines.
#include <gtest/gtest.h>

#include "hydraulics/ditch_check.h"
#include "run_fixture.h"

namespace kolv::hydraulics::test {
namespace {

class DitchCheck : public ::testing::Test {
protected:
    void SetUp() override {
        p.system("S1", 90.0);
        p.node("S1", "A", 1.0, 0.5, 100.0);
        p.node("S1", "B", 1.0, 0.5, 100.0);
        p.node("S1", "C", 1.0, 0.5, 98.0);
        const Fields ditch{{"REACH_TYPE", 2}, {"FROM_FL_CL", 0}, {"TO_FL_CL", 0}};
        p.reach("S1", "A", "B", "", 0, 0, 100, ditch);   // level: 100.00 to 100.00
        p.reach("S1", "B", "C", "", 0, 0, 100, ditch);   // falls 2 ft
        p.reach("S1", "C", "OUT", "", 0, 95.0, 100, ditch);  // into the outfall
    }
    double field(const std::string& reach, const std::string& f) {
        return p.db.scalar("SELECT " + f + " FROM REACH WHERE NAME = ?", {reach}).toDouble();
    }
    RunProject p;
};

TEST_F(DitchCheck, CopiesInletElevationsAndFlagsUphillDitches) {
    const auto lines = checkDitchFlowLines(p.db, "S1", false);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Ditch Reach: A has a Downstream Flow Line HIGHER than the Upstream");  // equal counts
    EXPECT_TRUE(ditchCheckFailed(lines));
    EXPECT_DOUBLE_EQ(field("B", "ELEV1"), 100.0);
    EXPECT_DOUBLE_EQ(field("B", "ELEV2"), 98.0);
    EXPECT_DOUBLE_EQ(field("B", "FROM_FL_CL"), -1.0);  // now flow lines
    EXPECT_DOUBLE_EQ(field("B", "TO_FL_CL"), -1.0);
    // The outfall has no node: that end keeps its elevation and flag.
    EXPECT_DOUBLE_EQ(field("C", "ELEV1"), 98.0);
    EXPECT_DOUBLE_EQ(field("C", "ELEV2"), 95.0);
    EXPECT_DOUBLE_EQ(field("C", "TO_FL_CL"), 0.0);
}

TEST_F(DitchCheck, DrainsSystemAndEmptyNameAreLeftAloneAndAQuietCheckWritesButSaysNothing) {
    EXPECT_TRUE(checkDitchFlowLines(p.db, "<drains>", false).empty());
    EXPECT_TRUE(checkDitchFlowLines(p.db, "  ", false).empty());
    EXPECT_DOUBLE_EQ(field("A", "ELEV1"), 0.0);
    EXPECT_TRUE(checkDitchFlowLines(p.db, "S1", true).empty());
    EXPECT_DOUBLE_EQ(field("A", "ELEV2"), 100.0);
}

TEST_F(DitchCheck, DitchesFlowAtNormalDepthInTheRunOrInTheWaterBelowThem) {
    // After the check, lower A so every ditch falls; the run takes the partial branch for ditches.
    p.db.execute("UPDATE NODE SET INLET_ELEV = 101 WHERE NAME = 'A'");
    ASSERT_FALSE(ditchCheckFailed(checkDitchFlowLines(p.db, "S1", false)));
    p.db.execute("UPDATE REACH SET DITCH_TYPE = 0, DITCH_MANNINGS = 0.03, DITCH_DIM_0 = 4, DITCH_DIM_1 = 2, "
                   "DITCH_DIM_2 = 4");
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(p.t60("S1", "A", "TYPE").toText(), "DITCH");
    EXPECT_EQ(p.t60("S1", "A", "DITCH_TYPE_RPT").toText(), "TRAPEZOID:");
    const double yn = p.t60n("S1", "A", "P_NORMAL_DEPTH");
    EXPECT_GT(yn, 0.0);
    // Manning by hand at the solver's depth: Q = (1.49/n) A R^(2/3) S^(1/2), A = 2y + 4y^2, P = 2 + 2y sqrt(17).
    const double a = 2 * yn + 4 * yn * yn, per = 2 + 2 * yn * std::sqrt(17.0);
    const double q = 1.49 / 0.03 * a * std::pow(a / per, 2.0 / 3.0) * std::sqrt(0.01);
    EXPECT_NEAR(q, p.t60n("S1", "A", "Q"), 0.02 * q);  // 1 ac x 0.5 x 4 = 2 cfs
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_UP"), 101.0 + yn, 1e-9);
    EXPECT_NE(p.t60("S1", "A", "FLOW_COND").toText(), "FULL");
    // A's own surface at its lower end (100.00 + yn = 100.33) lies below the water of B it runs into
    // (100.39): the ditch ends in that water, its upper end still at normal depth.
    EXPECT_GT(p.t60n("S1", "B", "HGL_AT_NODE"), 100.0 + yn);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_DN"), p.t60n("S1", "B", "HGL_AT_NODE"), 1e-9);
}

}  // namespace
}  // namespace kolv::hydraulics::test
