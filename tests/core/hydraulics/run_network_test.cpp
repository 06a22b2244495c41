// Storm tabulation of small networks: accumulation, runoff coefficients, validation stops, header warnings.
#include <gtest/gtest.h>

#include "run_fixture.h"

namespace kolv::hydraulics::test {
namespace {

TEST(InletTc, ZeroBecomesTenAndShortTimesBecomeThree) {
    EXPECT_DOUBLE_EQ(validatedInletTc(0), 10.0);
    EXPECT_DOUBLE_EQ(validatedInletTc(2.5), 3.0);
    EXPECT_DOUBLE_EQ(validatedInletTc(3), 3.0);
    EXPECT_DOUBLE_EQ(validatedInletTc(-1), 3.0);
    EXPECT_DOUBLE_EQ(validatedInletTc(12.5), 12.5);
}

TEST(FrenchDrainLength, OptionsOfTheTrench) {
    EXPECT_DOUBLE_EQ(frenchDrainLength(1, 300, 20, 150, 80), 280.0);  // LENGTH less 20 ft
    EXPECT_DOUBLE_EQ(frenchDrainLength(2, 300, 20, 150, 80), 150.0);  // fixed
    EXPECT_DOUBLE_EQ(frenchDrainLength(3, 300, 20, 150, 80), 240.0);  // 80 % of LENGTH
    EXPECT_DOUBLE_EQ(frenchDrainLength(0, 300, 20, 150, 80), 300.0);
    EXPECT_DOUBLE_EQ(frenchDrainLength(7, 300, 20, 150, 80), 300.0);
}

TEST(Accumulation, AreasBaseFlowsAndWeightedCAddUpDownstream) {
    // A (1.0 ac C 0.9 + 0.5 ac C 0) and B (2.0 ac C 0.3, 0.2 cfs) join at C (0.5 ac C 0.5, 0.1 cfs).
    std::vector<HydraulicRecord> recs(3);
    recs[0].area = {1.0, 0.5, 0};
    recs[0].coeff = {0.9, 0.0, 0};
    recs[1].area = {0, 2.0, 0};
    recs[1].coeff = {0, 0.3, 0};
    recs[1].baseFlow = 0.2;
    recs[2].area = {0, 0, 0.5};
    recs[2].coeff = {0, 0, 0.5};
    recs[2].baseFlow = 0.1;
    recs[2].in = {0, 1, -1, -1};
    accumulateDrainage(recs);
    // A category whose C x A is 0 does not count in the local area: A's area is 1.0 ac, C 0.9.
    EXPECT_DOUBLE_EQ(recs[0].localArea, 1.0);
    EXPECT_DOUBLE_EQ(recs[0].weightedC, 0.9);
    EXPECT_DOUBLE_EQ(recs[0].areaAcc[1], 0.5);  // but the category's area is still carried
    EXPECT_DOUBLE_EQ(recs[0].tcInlet, 10.0);    // Tc 0 read as 10
    // C: area 0.5 + 1.0 + 2.0 = 3.5 ac; CA 0.25 + 0.9 + 0.6 = 1.75; C = 0.5; local CA 0.25, upstream 1.5;
    // base flow 0.3 cfs; areas by category 1.0, 2.5 and 0.5 ac.
    const HydraulicRecord& c = recs[2];
    const double got[] = {c.totalArea,   c.totalCa,    c.weightedC,  c.localCa,  c.upstreamCa,
                          c.baseFlowAcc, c.areaAcc[0], c.areaAcc[1], c.areaAcc[2]};
    const double expected[] = {3.5, 1.75, 0.5, 0.25, 1.5, 0.3, 1.0, 2.5, 0.5};
    for (std::size_t i = 0; i < std::size(got); ++i) EXPECT_NEAR(got[i], expected[i], 1e-12) << i;
    // A node without any area has no C and no division fault.
    std::vector<HydraulicRecord> empty(1);
    accumulateDrainage(empty);
    EXPECT_DOUBLE_EQ(empty[0].weightedC, 0.0);
    EXPECT_DOUBLE_EQ(empty[0].totalCa, 0.0);
}

/// A trunk A -> B -> OUT with a lateral L -> B; 24 in pipes on 0.5 % so everything flows partly full.
class Network : public ::testing::Test {
protected:
    void SetUp() override {
        p.roundPipe("24RCP", 2.0);
        p.system("S1", 80.0, {{"AREA1", 0.75}});
        p.node("S1", "A", 1.0, 0.9, 110.0, {{"TC", 0.0}});
        p.node("S1", "L", 2.0, 0.5, 110.0, {{"TC", 2.5}, {"CALC_RUNOFF_C1", -1}});  // system default C 0.75
        p.node("S1", "B", 0.5, 0.9, 108.0, {{"TC", 3.0}, {"BASE_FLOW", 0.5}});
        p.reach("S1", "A", "B", "24RCP", 101.0, 100.0, 200.0);
        p.reach("S1", "L", "B", "24RCP", 101.0, 100.0, 200.0);
        p.reach("S1", "B", "OUT", "24RCP", 99.5, 98.5, 200.0);
    }
    RunProject p;
};

TEST_F(Network, RunoffCoefficientsTimesAndFlows) {
    // The outfall has no NODE record; "out" matches "OUT" as names are compared.
    p.db.execute("UPDATE REACH SET NODE2 = 'out' WHERE NAME = 'B'");
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(p.ui.messages.empty());
    // L takes the system's default coefficient 0.75 for category 1.
    EXPECT_NEAR(p.t60n("S1", "L", "RUNOFF_C1"), 0.75, 1e-6);
    EXPECT_NEAR(p.t60n("S1", "L", "Q"), 2.0 * 0.75 * 4, 1e-5);
    EXPECT_NEAR(p.t60n("S1", "L", "TC"), 3.0, 1e-9);   // 2.5 raised to 3
    EXPECT_NEAR(p.t60n("S1", "A", "TC"), 10.0, 1e-9);  // 0 read as 10
    // B: CA = 0.9 + 1.5 + 0.45 = 2.85 ac; Q = 2.85 x 4 + 0.5 = 11.9 cfs (constant storm).
    EXPECT_NEAR(p.t60n("S1", "B", "TOTALCA"), 2.85, 1e-6);
    EXPECT_NEAR(p.t60n("S1", "B", "P_UPSTREAM_CA"), 2.4, 1e-6);
    EXPECT_NEAR(p.t60n("S1", "B", "Q"), 11.9, 1e-5);
    EXPECT_NEAR(p.t60n("S1", "B", "Qbasetot"), 0.5, 1e-9);
    EXPECT_NEAR(p.t60n("S1", "B", "Qro"), 11.4, 1e-5);
    // B's Tc: the longer of its own 3 min and A's 10 min plus A's travel time.
    const double tcB = 10.0 + p.t60n("S1", "A", "TF");
    EXPECT_NEAR(p.t60n("S1", "B", "TC"), tcB, 1e-6);
    EXPECT_GT(p.t60n("S1", "A", "TF"), 0.4);
    // Rows come in flow order: A, L, B.
    auto st = p.db.prepare("SELECT \"FROM\" FROM T60 WHERE SYSTEM = 'S1' ORDER BY rowid");
    std::vector<std::string> order;
    while (st.step()) order.push_back(st.column(0).toText());
    EXPECT_EQ(order, (std::vector<std::string>{"A", "L", "B"}));
}

TEST_F(Network, RerunReplacesOnlyItsOwnSystemAndAMissingToNodeStopsBeforeAnythingIsWritten) {
    p.system("S2", 80.0);
    p.node("S2", "X", 1.0, 0.9, 110.0);
    p.reach("S2", "X", "OUT", "24RCP", 101.0, 100.0, 200.0);
    ASSERT_EQ(p.run("S2").status, 0);
    ASSERT_EQ(p.run("S1").status, 0);
    ASSERT_EQ(p.run("S1").status, 0);
    EXPECT_EQ(p.db.scalar("SELECT COUNT(*) FROM T60 WHERE SYSTEM = 'S1'").toInt(), 3);
    EXPECT_EQ(p.db.scalar("SELECT COUNT(*) FROM T60 WHERE SYSTEM = 'S2'").toInt(), 1);

    p.db.execute("UPDATE REACH SET NODE2 = 'NOWHERE' WHERE NAME = 'L'");
    p.ui.clear();
    RunResult r = p.run("S1");
    EXPECT_EQ(r.status, -1);
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].title, "INVALID DATA");
    EXPECT_EQ(p.ui.messages[0].text, "Missing or invalid 'TO' inlet. Correct inlet 'L' data.\nProcess terminated.");
    EXPECT_EQ(r.messages.back(), "Verify that all 'TO' inlets exist");
    // The rows of the last good run stay.
    EXPECT_EQ(p.db.scalar("SELECT COUNT(*) FROM T60 WHERE SYSTEM = 'S1'").toInt(), 3);
}

TEST_F(Network, MissingTailwaterWarnsAndUsesZero) {
    p.db.execute("UPDATE T16 SET OUT_TW = NULL");
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].title, "WARNING");
    EXPECT_EQ(p.ui.messages[0].text, "Missing TAILWATER elevation in system header.\nTAILWATER elevation set to 0.00");
    EXPECT_NEAR(p.db.scalar("SELECT TAILWATER_IN_FEET FROM T16").toDouble(), 0.0, 1e-12);
}

TEST_F(Network, IdfCoefficientsAreLookedUpForTheZoneMethod) {
    // Zone 1, 3-year storm of the seed: i(10 min) = A + B ln 10 + C ln^2 10 + D ln^3 10.
    p.db.execute("UPDATE T16 SET INTENSITY_METHOD = 0, ZONE = '1', FREQ = 3");
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    const double L = std::log(10.0);
    const double i10 = 11.97845 - 2.6793 * L + 0.02444 * L * L + 0.01812 * L * L * L;  // 6.0748 in/hr
    EXPECT_NEAR(p.t60n("S1", "A", "INTENSITY"), i10, 1e-4);
    EXPECT_NE(std::find(r.messages.begin(), r.messages.end(), "Load IDF coefficients from IDF table"),
              r.messages.end());
    // An unknown zone stops the run with the lookup's message.
    p.db.execute("UPDATE T16 SET ZONE = '99'");
    p.ui.clear();
    EXPECT_EQ(p.run("S1").status, -1);
    ASSERT_FALSE(p.ui.messages.empty());
    EXPECT_EQ(p.ui.messages.back().title, "INVALID DATA");
}

TEST_F(Network, LoopStopsTheRun) {
    p.db.execute("UPDATE REACH SET NODE2 = 'A' WHERE NAME = 'B'");
    EXPECT_EQ(p.run("S1").status, -1);
    ASSERT_FALSE(p.ui.messages.empty());
    EXPECT_EQ(p.ui.messages.back().text.rfind("The following pipes are in a loop.", 0), 0u);
    EXPECT_EQ(p.db.scalar("SELECT COUNT(*) FROM T60").toInt(), 0);
}

TEST_F(Network, HydraulicLengthSwitchUsesCenterToCenterLength) {
    p.db.execute("UPDATE REACH SET HYD_LENGTH = 250 WHERE NAME = 'A'");
    RunOptions o = RunProject::defaults();
    o.useHydLength = true;
    ASSERT_EQ(p.run("S1", o).status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "LENGTH"), 250.0, 1e-9);
    ASSERT_EQ(p.run("S1").status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "LENGTH"), 200.0, 1e-9);
}

TEST_F(Network, PassLimitIsClampedTo50WhenUnsetAnd32000AtMost) {
    const auto limitSeen = [&](int maxPasses) {
        RunOptions o = RunProject::defaults();
        o.maxPasses = maxPasses;
        int limit = -1;
        RunHooks hooks;
        hooks.progress = [&](const PassProgress& pp) { limit = pp.maxPasses; };
        EXPECT_EQ(runStormTabs(*p.project, p.session, p.ui, o, "S1", hooks).status, 0);
        return limit;
    };
    EXPECT_EQ(limitSeen(0), 50);
    EXPECT_EQ(limitSeen(-3), 50);
    EXPECT_EQ(limitSeen(40000), 32000);
    EXPECT_EQ(limitSeen(250), 250);
}

TEST(DegenerateData, FaultyReachesGiveFiniteResultsOrAClearStop) {
    RunProject p;
    p.roundPipe("18RCP", 1.5);
    p.roundPipe("NONE", 1.5, 0.0);  // a definition without Manning n
    p.system("S'1", 90.0);
    p.node("S'1", "O'NEIL", 1.0, 0.9, 106.0);
    p.node("S'1", "Z", 1.0, 0.9, 105.0);
    p.reach("S'1", "O'NEIL", "Z", "NONE", 100.0, 99.0, 0.0, {{"BARRELS", 0}});  // no length, no n, no barrel
    p.reach("S'1", "Z", "OUT", "18RCP", 99.0, 98.0, 100.0);
    // A pipe without n and a reach without length are refused before anything is computed.
    EXPECT_EQ(p.run("S'1").status, -1);
    ASSERT_FALSE(p.ui.messages.empty());
    EXPECT_EQ(p.ui.messages.back().title, "INVALID DATA");
    EXPECT_NE(p.ui.messages.back().text.find("Reach 'O'NEIL', LENGTH = 0"), std::string::npos);
    EXPECT_NE(p.ui.messages.back().text.find("Pipe 'NONE', N = 0"), std::string::npos);
    EXPECT_NE(p.ui.messages.back().text.find("Reach 'O'NEIL', BARRELS = 0"), std::string::npos);
    EXPECT_EQ(p.db.scalar("SELECT COUNT(*) FROM T60").toInt(), 0);
    p.db.execute("UPDATE T7 SET N = 0.013 WHERE NAME = 'NONE'");
    p.db.execute("UPDATE REACH SET LENGTH = 50, BARRELS = NULL WHERE NAME = 'O''NEIL'");
    ASSERT_EQ(p.run("S'1").status, 0);
    for (const char* f : {"Q", "VELOCITY", "HGL_UP", "HGL_DN", "TF", "CAPACITY", "P_NORMAL_DEPTH"}) {
        const db::Value v = p.t60("S'1", "O'NEIL", f);
        EXPECT_TRUE(std::isfinite(v.toDouble())) << f;
    }
    EXPECT_NEAR(p.t60n("S'1", "O'NEIL", "BARRELS"), 1.0, 1e-12);  // no barrels stored: one
    // A pipe name without a definition: the reach has no area, and the run says so.
    p.db.execute("UPDATE REACH SET PIPE_NAME = 'GONE' WHERE NAME = 'Z'");
    EXPECT_EQ(p.run("S'1").status, -1);
    ASSERT_FALSE(p.ui.messages.empty());
    EXPECT_EQ(p.ui.messages.back().title, "Invalid Data in Pipe Definition");
}

}  // namespace
}  // namespace kolv::hydraulics::test
