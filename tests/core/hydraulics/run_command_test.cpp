// The compute command: options checked and stored, ditches checked, then the run; and the storm tab listing.
#include <gtest/gtest.h>

#include "hydraulics/results_table.h"
#include "hydraulics/run_command.h"
#include "run_fixture.h"

namespace kolv::hydraulics::test {
namespace {

class ComputeCommand : public ::testing::Test {
protected:
    void SetUp() override {
        p.roundPipe("18RCP", 1.5);
        p.system("S1", 90.0);
        p.node("S1", "A", 1.0, 0.9, 106.0);
        p.node("S1", "D", 1.0, 0.5, 104.0);
        p.reach("S1", "A", "D", "18RCP", 100.0, 99.0, 200.0);
        p.reach("S1", "D", "OUT", "", 0, 96.0, 100.0,
                {{"REACH_TYPE", 2}, {"DITCH_TYPE", 2}, {"DITCH_MANNINGS", 0.03}, {"DITCH_DIM_0", 3.0}});
        options = loadHydraulicsOptions(p.db, false);
    }
    ComputeOutcome compute() { return computeHydraulics(*p.project, p.session, p.ui, options, "S1"); }
    RunProject p;
    HydraulicsOptions options;
};

TEST_F(ComputeCommand, UphillDitchStopsTheRun) {
    p.db.execute("UPDATE NODE SET INLET_ELEV = 90 WHERE NAME = 'D'");
    p.db.execute("UPDATE T16 SET OUT_NODE = 'E'");
    p.node("S1", "E", 0.0, 0.0, 95.0);
    p.db.execute("UPDATE REACH SET NODE2 = 'E' WHERE NAME = 'D'");  // ditch 90.00 -> 95.00
    const ComputeOutcome out = compute();
    EXPECT_FALSE(out.started);
    ASSERT_EQ(out.run.messages.size(), 1u);
    EXPECT_EQ(out.run.messages[0], "Ditch Reach: D has a Downstream Flow Line HIGHER than the Upstream");
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].title, "INVALID DATA");
    EXPECT_EQ(p.ui.messages[0].text, "Invalid ditch slopes. Ditches must slope downstream.");
}

TEST_F(ComputeCommand, RefusedOptionIsStoredResetAndNothingRunsThenTheRunUsesTheStoredOptions) {
    options.maxPasses = 3;
    EXPECT_FALSE(compute().started);
    EXPECT_EQ(loadHydraulicsOptions(p.db, false).maxPasses, 4);
    EXPECT_EQ(p.db.scalar("SELECT COUNT(*) FROM T60").toInt(), 0);
    options.maxPasses = 50;
    options.junctionLosses = true;
    options.exitLoss = true;
    const ComputeOutcome out = compute();
    ASSERT_TRUE(out.started);
    EXPECT_EQ(out.run.status, 0);
    EXPECT_TRUE(loadHydraulicsOptions(p.db, false).junctionLosses);
    // The ditch was checked first: it took the inlet elevation of D as its upstream flow line.
    EXPECT_NEAR(p.t60n("S1", "D", "FL_UP"), 104.0, 1e-9);
}

TEST(InletCapacityWarning, ListedOnlyWhileTheSwitchIsOn) {
    // A: 1 ac at C 0.9 and 4 in/hr = 3.6 cfs of own runoff into an inlet that takes 0.5 cfs.
    RunProject p;
    p.roundPipe("18RCP", 1.5);
    p.structure("CI", 0.0, 0.5);
    p.system("S1", 90.0);
    p.node("S1", "A", 1.0, 0.9, 106.0, {{"NODE_TYPE", 0}, {"STRUCT_NAME", "CI"}});
    p.reach("S1", "A", "OUT", "18RCP", 100.0, 99.0, 200.0);
    auto inletLines = [](const ComputeOutcome& out) {
        int n = 0;
        for (const auto& l : out.run.messages) n += l.find("Inlet capacity exceeded") != std::string::npos;
        return n;
    };
    // never stored (an older project): on, as the run always listed them
    loadHydraulicsOptions(p.db, false);  // the options record exists
    p.db.execute("UPDATE T27 SET LVSINT12 = NULL WHERE RECNUM = 7");
    HydraulicsOptions options = loadHydraulicsOptions(p.db, false);
    EXPECT_TRUE(options.inletCapacityWarning);
    ComputeOutcome on = computeHydraulics(*p.project, p.session, p.ui, options, "S1");
    ASSERT_EQ(on.run.status, 0);
    EXPECT_EQ(inletLines(on), 1);

    options.inletCapacityWarning = false;
    saveHydraulicsOption(p.db, options, HydraulicsOption::InletCapacityWarning, false);
    EXPECT_EQ(p.db.scalar("SELECT LVSINT12 FROM T27 WHERE RECNUM = 7").toInt(), 0);
    options = loadHydraulicsOptions(p.db, false);
    EXPECT_FALSE(options.inletCapacityWarning);
    ComputeOutcome off = computeHydraulics(*p.project, p.session, p.ui, options, "S1");
    ASSERT_EQ(off.run.status, 0);
    EXPECT_EQ(inletLines(off), 0);
    // only the warning goes: the results are the same
    EXPECT_EQ(off.run.messages.size() + 1, on.run.messages.size());
}

// The listing written line by line measures its columns over every record first: a wide cell
// in the last record widens the lines of the first, exactly as the table held whole does.
TEST(StormTabListing, LinesWrittenOneAtATimeMatchTheWholeTable) {
    std::vector<HydraulicRecord> records(3);
    records[0].name = "A";
    records[0].toName = "B";
    records[0].pipeName = "15RCP";
    records[1].name = "B";
    records[1].toName = "C";
    records[1].reachType = 2;  // a ditch: no pipe, no capacity
    records[2].name = "LONGNAME";
    records[2].toName = "OUT";
    records[2].pipeName = "60RCP";
    records[2].q = 12345.678;
    records[2].hglUp = -4.25;
    for (const bool metric : {false, true}) {
        std::vector<std::string> streamed;
        writeStormTabText(records, metric, true, [&](const std::string& l) { streamed.push_back(l); });
        EXPECT_EQ(streamed, stormTabText(stormTabTable(records, metric, true))) << (metric ? "metric" : "english");
    }
    // A metric project lists meters, cms and m/s.
    records[2].length = 100.0;
    records[2].q = 10.0;
    records[2].state = FlowState::Full;
    records[2].velocity = 5.0;
    const StormTabTable met = stormTabTable(records, true, false);
    std::map<std::string, std::string> cells;
    for (std::size_t c = 0; c < met.columns.size(); ++c) cells[met.columns[c].key] = met.rows[2][c];
    EXPECT_EQ(cells["length"], "30.480");   // 100 x 0.3048
    EXPECT_EQ(cells["q"], "0.283");         // 10 x 0.028317
    EXPECT_EQ(cells["velocity"], "1.524");  // 5 x 0.3048
    EXPECT_EQ(cells["flow_cond"], "FULL");
}

}  // namespace
}  // namespace kolv::hydraulics::test
