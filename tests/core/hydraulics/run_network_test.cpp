// Storm tabulation of small networks: accumulation, runoff coefficients, validation stops, header warnings.
#include <gtest/gtest.h>

#include "run_fixture.h"

namespace kolv::hydraulics::test {
namespace {

TEST(LoaderRules, InletTcZeroBecomesTenShortTimesThreeAndTheTrenchLengthOptions) {
    const std::pair<double, double> tc[] = {{0, 10}, {2.5, 3}, {3, 3}, {-1, 3}, {12.5, 12.5}};
    for (const auto& [typed, used] : tc) EXPECT_DOUBLE_EQ(validatedInletTc(typed), used) << typed;
    // Trench of a 300 ft reach: 1 its LENGTH less 20 ft, 2 fixed 150 ft, 3 80 % of LENGTH, others LENGTH.
    const std::pair<int, double> trench[] = {{1, 280}, {2, 150}, {3, 240}, {0, 300}, {7, 300}};
    for (const auto& [option, length] : trench)
        EXPECT_DOUBLE_EQ(frenchDrainLength(option, 300, 20, 150, 80), length) << option;
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

TEST_F(Network, MissingTailwaterWarnsAndUsesZeroAndAMissingToNodeStopsBeforeAnythingIsWritten) {
    p.db.execute("UPDATE T16 SET OUT_TW = NULL");
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].title, "WARNING");
    EXPECT_EQ(p.ui.messages[0].text, "Missing TAILWATER elevation in system header.\nTAILWATER elevation set to 0.00");
    EXPECT_NEAR(p.db.scalar("SELECT TAILWATER_IN_FEET FROM T16").toDouble(), 0.0, 1e-12);
    // The flows do not depend on the tailwater. L takes the system's C 0.75 for category 1: 2 ac x 0.75 x 4 in/hr.
    // B: CA = 0.9 + 1.5 + 0.45 = 2.85 ac, Q = 2.85 x 4 + 0.5 base flow = 11.9 cfs; Tc = A's 10 min + A's travel.
    EXPECT_NEAR(p.t60n("S1", "L", "Q"), 6.0, 1e-5);
    EXPECT_NEAR(p.t60n("S1", "L", "TC"), 3.0, 1e-9);  // 2.5 raised to 3
    EXPECT_NEAR(p.t60n("S1", "B", "TOTALCA"), 2.85, 1e-6);
    EXPECT_NEAR(p.t60n("S1", "B", "Q"), 11.9, 1e-5);
    EXPECT_NEAR(p.t60n("S1", "B", "TC"), 10.0 + p.t60n("S1", "A", "TF"), 1e-6);

    p.db.execute("UPDATE T16 SET OUT_TW = 80");
    p.db.execute("UPDATE REACH SET NODE2 = 'NOWHERE' WHERE NAME = 'L'");
    p.ui.clear();
    EXPECT_EQ(p.run("S1").status, -1);
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].text, "Missing or invalid 'TO' inlet. Correct inlet 'L' data.\nProcess terminated.");
    EXPECT_EQ(p.db.scalar("SELECT COUNT(*) FROM T60 WHERE SYSTEM = 'S1'").toInt(), 3);  // the last good run stays
}

TEST_F(Network, PassLimitIsClampedTo50WhenUnsetAnd32000AtMostAndTheHydraulicLengthCanBeChosen) {
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
    // The hydraulic-length switch takes the center-to-center length of the reach.
    p.db.execute("UPDATE REACH SET HYD_LENGTH = 250 WHERE NAME = 'A'");
    RunOptions o = RunProject::defaults();
    o.useHydLength = true;
    ASSERT_EQ(p.run("S1", o).status, 0);
    EXPECT_NEAR(p.t60n("S1", "A", "LENGTH"), 250.0, 1e-9);
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
