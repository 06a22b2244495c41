// Storm tabulations after a divide and a combine: the moved part keeps its flows and still computes.
#include <gtest/gtest.h>

#include <map>

#include "core/hydraulics/run_fixture.h"
#include "renumber/divide_combine.h"

namespace kolv::renumber {
namespace {

using hydraulics::test::RunProject;

/// Design flow of every record of a run, by node (cfs).
std::map<std::string, double> flows(const hydraulics::RunResult& r) {
    std::map<std::string, double> q;
    for (const auto& rec : r.records) q[rec.name] = rec.q;
    return q;
}

/// MAIN: A -> B -> OUT with a branch E -> C -> D -> B; 24 in pipes on 0.5 %.
class DivideCombineRuns : public ::testing::Test {
protected:
    void SetUp() override {
        p.roundPipe("24RCP", 2.0);
        p.system("MAIN", 99.0);
        p.node("MAIN", "A", 1.0, 0.9, 112.0);
        p.node("MAIN", "B", 0.5, 0.9, 110.0);
        p.node("MAIN", "E", 0.8, 0.6, 114.0);
        p.node("MAIN", "C", 1.2, 0.7, 113.0);
        p.node("MAIN", "D", 0.4, 0.9, 112.0);
        p.reach("MAIN", "A", "B", "24RCP", 102.0, 101.0, 200.0);
        p.reach("MAIN", "B", "OUT", "24RCP", 100.5, 99.5, 200.0);
        p.reach("MAIN", "E", "C", "24RCP", 104.0, 103.0, 200.0);
        p.reach("MAIN", "C", "D", "24RCP", 103.0, 102.0, 200.0);
        p.reach("MAIN", "D", "B", "24RCP", 102.0, 101.0, 200.0);
    }
    RunProject p;
};

TEST_F(DivideCombineRuns, DividedBranchComputesAsItsOwnSystemAndCombinedBackGivesTheSameFlows) {
    auto before = p.run("MAIN");
    ASSERT_EQ(before.status, 0);
    const auto q0 = flows(before);
    p.add("T16", {{"SYSTEM", "BRANCH"}});  // made empty, as the system add window makes it
    ASSERT_TRUE(divideSystem(p.db, "MAIN", "BRANCH", {"E", "C", "D"}, p.ui));
    // the branch drains to B: the engineer makes it the outfall and gives the design storm of MAIN
    p.db.execute("UPDATE T16 SET OUT_NODE = 'B', INTENSITY_METHOD = 1, LOCATION = 'TEST', FREQUENCY = '3' "
                 "WHERE SYSTEM = 'BRANCH'");
    auto branch = p.run("BRANCH");
    ASSERT_EQ(branch.status, 0) << ::testing::PrintToString(p.ui.texts());
    auto q1 = flows(branch);
    ASSERT_EQ(q1.size(), 3u);
    for (const char* n : {"E", "C", "D"}) EXPECT_NEAR(q1[n], q0.at(n), 1e-9) << n;  // upstream of the cut
    auto rest = p.run("MAIN");
    ASSERT_EQ(rest.status, 0);
    auto q2 = flows(rest);
    EXPECT_NEAR(q2["A"], q0.at("A"), 1e-9);
    EXPECT_LT(q2["B"], q0.at("B"));  // B no longer carries the branch

    // combined back, the branch's flow is carried down B again
    const auto all = allSystems(p.db);
    p.ui.answers = {ui::Answer::Yes};
    ASSERT_TRUE(combineSystems(p.db, {all, all, "BRANCH", "MAIN"}, p.ui));
    auto combined = p.run("MAIN");
    ASSERT_EQ(combined.status, 0) << ::testing::PrintToString(p.ui.texts());
    auto q3 = flows(combined);
    ASSERT_EQ(q3.size(), q0.size());
    for (const auto& [n, q] : q0) EXPECT_NEAR(q3[n], q, 1e-9) << n;
}

}  // namespace
}  // namespace kolv::renumber
