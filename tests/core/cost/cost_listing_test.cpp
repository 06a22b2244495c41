// The cost run's listing, kept with the project: shown again later, old after an edit, restored by undo.
#include <gtest/gtest.h>

#include "cost/system_cost.h"
#include "db/undo_history.h"
#include "network/step_runs.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;
using network::DesignStep;

namespace {

struct CostListingTest : ::testing::Test, test::SystemBuilder {
    void SetUp() override { smallLine(); }
};

}  // namespace

TEST_F(CostListingTest, UndoingARunBringsBackTheListingBeforeItAndAnEditAfterItShowsAsStale) {
    db::UndoHistory& history = db.attachHistory();
    clearDefinitions();
    add("T7", {{"NAME", "P18"}, {"COST", 20.0}});
    db.execute("UPDATE REACH SET PIPE_NAME = 'P18'");
    ui::RecordingUi ui;

    const auto first = cost::computeSystemCost(db, "S1", {false}, ui);
    ASSERT_FALSE(first.stopped);
    auto run = network::lastStepRun(db, DesignStep::Cost, "S1");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->lines, first.lines);
    EXPECT_EQ(run->stamp, network::designDataStamp(db, "S1"));  // the run's own tallies are not a change

    {
        db::UndoAction edit(db, "Edit Reach A");
        db.execute("UPDATE REACH SET LENGTH = 200 WHERE NAME = 'A'");
    }
    EXPECT_NE(run->stamp, network::designDataStamp(db, "S1"));
    const auto second = cost::computeSystemCost(db, "S1", {true}, ui);
    EXPECT_EQ(network::lastStepRun(db, DesignStep::Cost, "S1")->lines, second.lines);

    ASSERT_TRUE(history.undo());  // the second run
    run = network::lastStepRun(db, DesignStep::Cost, "S1");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->lines, first.lines);
    EXPECT_NE(run->stamp, network::designDataStamp(db, "S1"));  // the edit is still there
    ASSERT_TRUE(history.undo());  // the edit
    EXPECT_EQ(run->stamp, network::designDataStamp(db, "S1"));
}

