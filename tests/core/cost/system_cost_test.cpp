// System cost: depth classes, accumulated quantities, the data-fault messages and the list layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "cost/system_cost.h"
#include "db/project.h"
#include "db/schema.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;

namespace {

double field(db::Database& db, const std::string& table, const std::string& name, const std::string& f) {
    return db.scalar("SELECT " + db::quoteIdent(f) + " FROM " + table + " WHERE NAME = ?", {name}).toDouble();
}

struct CostFixture : ::testing::Test, test::SystemBuilder {
    ui::RecordingUi ui;

    void node(const std::string& name, db::Value inlet, db::Value structure) {
        nodeRow("S1", name, {{"INLET_ELEV", inlet}, {"STRUCT_NAME", structure}});
    }
    void reach(const std::string& from, const std::string& to, db::Value pipe, double length, db::Value elev1) {
        reachRow("S1", from, to, {{"PIPE_NAME", pipe}, {"LENGTH", length}, {"ELEV1", elev1}});
    }
    void SetUp() override {
        // Only the definitions of the test: the seed's own are removed.
        clearDefinitions();
        add("T6", {{"NAME", "INLET"}, {"COST_LT", 1000.0}, {"COST_GT", 1500.0}, {"COST_QTY", 7.0},
                   {"COST_DOLLARS", 99.0}});
        add("T6", {{"NAME", "UNUSED"}, {"COST_LT", 1.0}, {"COST_GT", 2.0}, {"COST_QTY", 3.0}});
        add("T7", {{"NAME", "P18"}, {"COST", 20.0}});
        add("T7", {{"NAME", "P99"}, {"COST", 50.0}, {"COST_QTY", 12.0}, {"COST_DOLLARS", 600.0}});
    }
};

}  // namespace

TEST_F(CostFixture, DataFaultsAreReportedAndTheRunGoesOn) {
    add("T7", {{"NAME", "FREE"}, {"COST", 0.0}});
    add("T6", {{"NAME", "NOCOST"}});
    node("A", 120.0, "NOCOST");  // 20 deep: deeper class, no cost
    reach("A", "B", "FREE", 10.0, 100.0);
    // 105.3 − 95.3 is 10.000000000000014 in binary arithmetic, yet exactly 10 as typed: the shallow class
    node("B", 105.3, "NOCOST");
    reach("B", "C", "FREE", 15.0, 95.3);
    node("C", 110.0, "GHOST");
    reach("C", "D", "NOPIPE", 5.0, 100.0);
    node("D", 110.0, nullptr);
    reach("D", "E", nullptr, 5.0, 100.0);
    node("E", 110.0, "INLET");  // no outgoing reach

    auto r = cost::computeSystemCost(db, "S1", {true}, ui);
    const std::vector<std::string> expected = {
        "Pipe 'FREE' has an invalid cost.",
        "Inlet 'NOCOST' has an invalid >10' cost.",
        "Pipe 'FREE' has an invalid cost.",
        "Inlet 'NOCOST' has an invalid <10' cost.",
        "Pipe 'NOPIPE' can not be found in the pipe table.",
        "Inlet 'GHOST' can not be found in the inlet table.",
        "Node 'D' is missing the pipe name.",
        "Node 'D' is missing the inlet name.",
        "Node 'E' outgoing reach not found.",
    };
    EXPECT_EQ(ui.texts(), expected);
    EXPECT_EQ(ui.beeps, 9);
    for (const auto& m : ui.messages) EXPECT_EQ(m.title, "INVALID DATA");
    // A zero unit cost still counts the length: 10 + 15 = 25 at 0.
    EXPECT_NEAR(field(db, "T7", "FREE", "COST_QTY"), 25.0, 1e-9);
    EXPECT_EQ(field(db, "T7", "FREE", "COST_DOLLARS"), 0.0);
    EXPECT_NEAR(field(db, "T6", "NOCOST", "COST_QTY"), 2.0, 1e-9);
    // D has no line; E (no reach: invert 0, depth 110 − 0 > 10) is priced at the deeper class, 1,500.00
    long nodeLines = std::count_if(r.lines.begin(), r.lines.end(),
                                   [](const std::string& l) { return l.find("||") != std::string::npos; });
    EXPECT_EQ(nodeLines, 4);
    EXPECT_NEAR(r.structuresTotal, 1500.0, 1e-9);
    // a second run starts the tallies again from 0 rather than adding to the first
    cost::computeSystemCost(db, "S1", {false}, ui);
    EXPECT_NEAR(field(db, "T7", "FREE", "COST_QTY"), 25.0, 1e-9);
}
