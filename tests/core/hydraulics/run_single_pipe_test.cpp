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

TEST_F(SinglePipe, PartialFlowFollowsNormalDepthAndThePhasesAreListedInOrder) {
    build(1.0, 90.0);  // Q = 0.9 x 1.0 x 4 = 3.6 cfs < Qc
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "Q"), 3.6, 1e-5);             // C i A
    EXPECT_NEAR(p.t60n("S1", "A", "INTENSITY"), 4.0, 1e-6);     // the T85 row
    EXPECT_NEAR(p.t60n("S1", "A", "TC"), 10.0, 1e-9);
    EXPECT_NEAR(p.t60n("S1", "A", "CAPACITY"), 7.4277, 1e-3);   // hand, above
    EXPECT_NEAR(p.t60n("S1", "A", "VELOCITY_PHYS"), 4.2032, 1e-3);
    // Normal depth by an independent bisection on Manning with 1.49: yn = 0.7353 ft; the solver's
    // section-factor tolerance (0.001 of F = 0.444) allows a few thousandths of a foot.
    const double yn = manningDepth(1.5, 3.6, 0.013, 0.005);
    EXPECT_NEAR(yn, 0.7353, 1e-3);
    EXPECT_NEAR(p.t60n("S1", "A", "P_NORMAL_DEPTH"), yn, 3e-3);
    EXPECT_NEAR(p.t60n("S1", "A", "VELOCITY"), 3.6 / segmentArea(1.5, yn), 0.02);  // Vp = Q / A(yn) = 4.18
    // Partial flow: the surface lies at normal depth at both ends, well above the tailwater.
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_DN"), 99.0 + yn, 3e-3);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_UP"), 100.0 + yn, 3e-3);
    EXPECT_NEAR(p.t60n("S1", "A", "CLEARENCE"), 106.0 - 100.0 - yn, 3e-3);
    // Critical depth by a fine specific-energy scan: 0.7245 ft, within 5 % of yn -> CRITICAL.
    EXPECT_NEAR(p.t60n("S1", "A", "P_CRIT_DEPTH"), 0.7245, 2e-3);
    EXPECT_EQ(p.t60("S1", "A", "FLOW_COND").toText(), "CRITICAL");
    // Minimum physical slope for 2.5 ft/s full: 100 (2.5 / ((1.49/0.013) 0.375^(2/3)))^2 = 0.1759 %.
    EXPECT_NEAR(p.t60n("S1", "A", "MIN_PHYSICAL_VELOCITY"), 0.1759, 1e-3);
    // Travel time at the partial velocity: 200 / (4.179 x 60) = 0.798 min.
    EXPECT_NEAR(p.t60n("S1", "A", "TF"), 200.0 / (3.6 / segmentArea(1.5, yn) * 60), 0.01);
    EXPECT_EQ(p.t60("S1", "A", "TYPE").toText(), "18RCP");
    EXPECT_EQ(p.t60("S1", "A", "TO").toText(), "OUT");
    // The message list names the phases in order.
    const std::vector<std::string> phases = {"Loading pipe nodal array",
                                             "Sorting pipe nodal array in flow direction order",
                                             "Checking for circular references",
                                             "Sorting master node array",
                                             "Determining 'IN' field inter-connections",
                                             "Loading system header",
                                             "Validate Tc min's and drainage areas",
                                             "Verify that all 'TO' inlets exist",
                                             "Calculate hydraulics",
                                             " ",
                                             "PASS = 1"};
    ASSERT_GE(r.messages.size(), phases.size());
    EXPECT_EQ(std::vector<std::string>(r.messages.begin(), r.messages.begin() + phases.size()), phases);
    EXPECT_EQ(r.messages.back(), "Cleaning up temporary data arrays");
    EXPECT_NE(std::find(r.messages.begin(), r.messages.end(), "Writing results to database"), r.messages.end());
}

TEST_F(SinglePipe, TravelTimeFollowsTheFlowAgainstCapacityNotTheBackwater) {
    // The tailwater at 103.00 drowns the pipe (crown 100.50 at the outfall end): the grade line
    // runs full, but 3.6 cfs is below the 7.43 cfs capacity, so the water still travels at the
    // partial-flow velocity of normal depth, 4.18 ft/s: 200 / (4.179 x 60) = 0.798 min.
    build(1.0, 103.0);
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(p.t60("S1", "A", "FLOW_COND").toText(), "FULL");
    EXPECT_GT(p.t60n("S1", "A", "HGL_DN"), 100.5);
    const double yn = manningDepth(1.5, 3.6, 0.013, 0.005);
    EXPECT_NEAR(p.t60n("S1", "A", "TF"), 200.0 / (3.6 / segmentArea(1.5, yn) * 60), 0.01);
    // not the design velocity Q / A = 2.037 ft/s, which would give 1.636 min
    EXPECT_LT(p.t60n("S1", "A", "TF"), 1.0);
}

TEST_F(SinglePipe, FullFlowStartsAtTheCrownWhenTheTailwaterIsLowAndAMinimumHglRaisesTheNode) {
    build(3.0, 90.0);  // Q = 10.8 cfs > Qc
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(p.t60("S1", "A", "FLOW_COND").toText(), "FULL");
    // V = 10.8 / 1.76715 = 6.1115 ft/s; Sf = (0.013 x 6.1115 / (1.486 x 0.375^(2/3)))^2 = 0.010571
    EXPECT_NEAR(p.t60n("S1", "A", "VELOCITY"), 6.1115, 1e-3);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_DN"), 100.5, 1e-9);             // crown 99.00 + 1.50
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_UP"), 100.5 + 2.11417, 1e-3);   // + Sf L
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_AT_NODE"), 102.61417, 1e-3);    // no junction loss
    // The run values of the header: tailwater, no exit loss, the crown controls.
    EXPECT_NEAR(p.db.scalar("SELECT TAILWATER_IN_FEET FROM T16").toDouble(), 90.0, 1e-9);
    EXPECT_NEAR(p.db.scalar("SELECT CONTROL_EL_16 FROM T16").toDouble(), 100.5, 1e-9);
    EXPECT_EQ(p.db.scalar("SELECT JUMP_TO_CROWN FROM T16").toInt(), -1);

    // A minimum HGL raises the node's grade line; the pipe itself is unchanged.
    p.db.execute("UPDATE NODE SET MIN_HGL = 104.0 WHERE NAME = 'A'");
    ASSERT_EQ(p.run("S1").status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_AT_NODE"), 104.0, 1e-9);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_UP"), 102.61417, 1e-3);
    EXPECT_NEAR(p.t60n("S1", "A", "MIN_HGL"), 104.0, 1e-9);
}

TEST_F(SinglePipe, HighTailwaterPlusExitLossControlsAFullOutfallPipe) {
    build(3.0, 101.0);
    RunOptions o = RunProject::defaults();
    o.exitLoss = true;  // K = 1.0 in the header
    RunResult r = p.run("S1", o);
    ASSERT_EQ(r.status, 0);
    // He = 1.0 x 6.1115^2 / (2 x 32.16) = 0.58071 ft; HGL_DN = 101.00 + 0.58071
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_DN"), 101.58071, 1e-4);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_UP"), 101.58071 + 2.11417, 1e-3);
    EXPECT_NEAR(p.db.scalar("SELECT EXIT_LOSS_16 FROM T16").toDouble(), 0.58071, 1e-4);
    // Clearance 106.00 - 103.695 = 2.305 ft.
    EXPECT_NEAR(p.t60n("S1", "A", "CLEARENCE"), 106.0 - 103.69488, 1e-3);
}

TEST_F(SinglePipe, AdverseSlopeIsAlwaysFull) {
    build(0.1, 90.0, 99.0, 100.0);  // 0.36 cfs, far below the capacity magnitude
    ASSERT_EQ(p.run("S1").status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "CAPACITY"), -7.4277, 1e-3);  // negative on an adverse slope
    EXPECT_NEAR(p.t60n("S1", "A", "VELOCITY_PHYS"), -4.2032, 1e-3);
    EXPECT_EQ(p.t60("S1", "A", "FLOW_COND").toText(), "FULL");
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_DN"), 101.5, 1e-9);  // downstream crown 100.00 + 1.50
}

TEST_F(SinglePipe, CrownFlagMeansTheStoredElevationIsTheCrown) {
    // Both ends stored as crowns: inverts 100.00 and 99.00 as in the other cases.
    build(3.0, 90.0, 101.5, 100.5, {{"FROM_FL_CL", 0}, {"TO_FL_CL", 0}});
    ASSERT_EQ(p.run("S1").status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "FL_UP"), 100.0, 1e-9);
    EXPECT_NEAR(p.t60n("S1", "A", "CL_DN"), 100.5, 1e-9);
    EXPECT_NEAR(p.t60n("S1", "A", "HGL_UP"), 102.61417, 1e-3);
}

}  // namespace
}  // namespace kolv::hydraulics::test
