// Storm tabulation of one pipe into the outfall, checked against Manning's equation by hand.
#include <gtest/gtest.h>

#include "run_fixture.h"

namespace kolv::hydraulics::test {
namespace {

// One 18 in RCP (n 0.013, A = 1.76715 sq ft, R = D/4 = 0.375 ft) 200 ft long from invert 100.00
// to 99.00 (S = 0.5 %), draining node A (inlet 106.00) into the outfall; i = 4 in/hr.
// Full-flow capacity by hand: Vc = (1.486/0.013) 0.375^(2/3) 0.005^(1/2) = 4.2032 ft/s,
// Qc = 4.2032 x 1.76715 = 7.4277 cfs.
class SinglePipe : public ::testing::Test {
protected:
    void build(double areaAc, double tailwater, double elev1 = 100.0, double elev2 = 99.0, Fields reach = {}) {
        p.roundPipe("18RCP", 1.5);
        p.system("S1", tailwater);
        p.node("S1", "A", areaAc, 0.9, 106.0);
        p.reach("S1", "A", "OUT", "18RCP", elev1, elev2, 200.0, reach);
    }
    RunProject p;
};

TEST_F(SinglePipe, AdverseSlopeIsAlwaysFullAndTheSamePipeFallingFlowsAtNormalDepth) {
    build(1.0, 90.0, 99.0, 100.0);  // 3.6 cfs, below the capacity magnitude
    ASSERT_EQ(p.run("S1").status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "CAPACITY"), -7.4277, 1e-3);  // negative on an adverse slope
    EXPECT_NEAR(p.t60n("S1", "A", "VELOCITY_PHYS"), -4.2032, 1e-3);
    EXPECT_EQ(p.t60("S1", "A", "FLOW_COND").toText(), "FULL");
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_DN"), 101.5, 1e-9);  // downstream crown 100.00 + 1.50

    // Turned to fall 1 ft the pipe flows partly full. Normal depth by an independent bisection on
    // Manning with 1.49: yn = 0.7353 ft, within the solver's section-factor tolerance; critical depth by
    // a fine specific-energy scan 0.7245 ft, within 5 % of yn; travel at Q / A(yn) = 4.18 ft/s.
    p.db.execute("UPDATE REACH SET ELEV1 = 100, ELEV2 = 99");
    ASSERT_EQ(p.run("S1").status, 0);
    const double yn = manningDepth(1.5, 3.6, 0.013, 0.005);
    EXPECT_NEAR(yn, 0.7353, 1e-3);
    EXPECT_NEAR(p.t60n("S1", "A", "P_NORMAL_DEPTH"), yn, 3e-3);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_DN"), 99.0 + yn, 3e-3);
    EXPECT_NEAR(p.t60n("S1", "A", "P_CRIT_DEPTH"), 0.7245, 2e-3);
    EXPECT_EQ(p.t60("S1", "A", "FLOW_COND").toText(), "CRITICAL");
    EXPECT_NEAR(p.t60n("S1", "A", "TF"), 200.0 / (3.6 / segmentArea(1.5, yn) * 60), 0.01);
    // Minimum physical slope for 2.5 ft/s full: 100 (2.5 / ((1.49/0.013) 0.375^(2/3)))^2 = 0.1759 %.
    EXPECT_NEAR(p.t60n("S1", "A", "MIN_PHYSICAL_VELOCITY"), 0.1759, 1e-3);

    // Drowned by a 103.00 tailwater the grade line runs full, but 3.6 cfs is below the 7.43 cfs
    // capacity: the water still travels at the normal-depth velocity, not at Q / A (1.636 min).
    p.db.execute("UPDATE T16 SET OUT_TW = 103");
    ASSERT_EQ(p.run("S1").status, 0);
    EXPECT_EQ(p.t60("S1", "A", "FLOW_COND").toText(), "FULL");
    EXPECT_NEAR(p.t60n("S1", "A", "TF"), 200.0 / (3.6 / segmentArea(1.5, yn) * 60), 0.01);
}

TEST_F(SinglePipe, FullFlowFromTheCrownOrTheTailwaterPlusExitLossWithElevationsStoredAsCrowns) {
    // Both ends stored as crowns: inverts 100.00 and 99.00 as in the other cases.
    build(3.0, 90.0, 101.5, 100.5, {{"FROM_FL_CL", 0}, {"TO_FL_CL", 0}});
    ASSERT_EQ(p.run("S1").status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "FL_UP"), 100.0, 1e-9);
    EXPECT_NEAR(p.t60n("S1", "A", "CL_DN"), 100.5, 1e-9);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_UP"), 102.61417, 1e-3);
    // Over the low tailwater full flow starts at the crown.
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_DN"), 100.5, 1e-9);
    EXPECT_NEAR(p.db.scalar("SELECT CONTROL_EL_16 FROM T16").toDouble(), 100.5, 1e-9);

    // A tailwater of 101.00 plus the exit loss He = 1.0 x 6.1115^2 / (2 x 32.16) = 0.58071 ft controls instead.
    p.db.execute("UPDATE T16 SET OUT_TW = 101");
    RunOptions o = RunProject::defaults();
    o.exitLoss = true;
    ASSERT_EQ(p.run("S1", o).status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_DN"), 101.58071, 1e-4);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_UP"), 101.58071 + 2.11417, 1e-3);
    EXPECT_NEAR(p.db.scalar("SELECT EXIT_LOSS_16 FROM T16").toDouble(), 0.58071, 1e-4);
    // A minimum HGL raises the node's grade line, not the pipe's.
    p.db.execute("UPDATE NODE SET MIN_HGL = 104.0 WHERE NAME = 'A'");
    ASSERT_EQ(p.run("S1", o).status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_AT_NODE"), 104.0, 1e-9);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_UP"), 101.58071 + 2.11417, 1e-3);
}

}  // namespace
}  // namespace kolv::hydraulics::test
