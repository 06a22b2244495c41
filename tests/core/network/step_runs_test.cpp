// Stored design-step listings: what makes them old, what survives reopening and undo.
#include <gtest/gtest.h>

#include "network/step_runs.h"
#include "support/system_builder.h"

using namespace kolv;
using network::DesignStep;

namespace {

struct StepRunsTest : ::testing::Test, test::SystemBuilder {
    void SetUp() override {
        smallLine();
        link("S2", "X", "OUT2", 50.0);
        header("S2", "OUT2");
    }
};

struct Change {
    const char* what;
    const char* sql;
    bool makesStale;
};

}  // namespace

TEST_F(StepRunsTest, OnlyDesignDataOfTheSystemMakesTheStampChange) {
    const Change changes[] = {
        {"reach length", "UPDATE REACH SET LENGTH = 121 WHERE NAME = 'A'", true},
        {"typed drainage area", "UPDATE NODE SET P_C1DA = 3.5 WHERE NAME = 'A'", true},
        {"pipe of a reach", "UPDATE REACH SET PIPE_NAME = 'X24' WHERE NAME = 'B'", true},
        {"outfall elevation", "UPDATE T16 SET OUT_EL = 91 WHERE SYSTEM = 'S1'", true},
        {"pipe definition", "UPDATE T7 SET HEIGHT = HEIGHT + 1", true},
        {"new node", "INSERT INTO NODE (NAME, SYSTEM) VALUES ('C', 'S1')", true},
        {"flow written by the sizing", "UPDATE NODE SET P_Q = 12.5, P_TF = 0.4 WHERE NAME = 'A'", false},
        {"cost tallies", "UPDATE T7 SET COST_QTY = 4, COST_DOLLARS = 800", false},
        {"grade-line note of a run", "UPDATE T16 SET HGL_NOTE = 'did not settle' WHERE SYSTEM = 'S1'", false},
        {"junction loss coefficient", "UPDATE T0 SET JC3 = 0.75", true},
        {"another system", "UPDATE REACH SET LENGTH = 51 WHERE NAME = 'X'", false},
        {"current system chosen", "UPDATE T0 SET CURRENT_SYSTEM = 'S2'", false},
    };
    for (const Change& c : changes) {
        db.begin();
        const std::string before = network::designDataStamp(db, "S1");
        db.execute(c.sql);
        EXPECT_EQ(network::designDataStamp(db, "S1") != before, c.makesStale) << c.what;
        db.rollback();
    }
}

TEST_F(StepRunsTest, TheCacheReadsAgainAfterAWriteOrForAnotherSystem) {
    network::DesignStampCache cache;
    const std::string s1 = cache.stamp(db, "S1");
    EXPECT_EQ(cache.stamp(db, "S2"), network::designDataStamp(db, "S2"));
    EXPECT_EQ(cache.stamp(db, "S1"), s1);
    db.execute("UPDATE REACH SET LENGTH = 99 WHERE NAME = 'B'");
    EXPECT_NE(cache.stamp(db, "S1"), s1);

    // the last listing of each step and system is kept with the stamp of its data
    network::recordStepRun(db, DesignStep::PipeSizes, "S1", {"heading", "", "A  18 in", ""});
    network::recordStepRun(db, DesignStep::PipeSizes, "S1", {"second run"});
    network::recordStepRun(db, DesignStep::PipeSizes, "S2", {"other system"});
    const auto sizes = network::lastStepRun(db, DesignStep::PipeSizes, "S1");
    ASSERT_TRUE(sizes);
    EXPECT_EQ(sizes->lines, std::vector<std::string>{"second run"});
    EXPECT_EQ(sizes->stamp, network::designDataStamp(db, "S1"));
    EXPECT_EQ(network::lastStepRun(db, DesignStep::PipeSizes, "S2")->lines, std::vector<std::string>{"other system"});
    EXPECT_FALSE(network::lastStepRun(db, DesignStep::Cost, "S1"));
}
