// The node list of the main window: every node with its outgoing reach, the outfall last.
#include <gtest/gtest.h>

#include "editing/node_list.h"
#include "support/system_builder.h"

namespace kolv::editing {
namespace {

struct NodeListTest : ::testing::Test {
    test::SystemBuilder b;
    void SetUp() override {
        b.header("S1", "OUT", {{"OUT_STA", "12+00"}, {"OUT_EL", 90.0}, {"STRUCT_NAME", "EWS24"}});
        b.nodeRow("S1", "A", {{"STRUCT_NAME", "CI5"}, {"STATION", "10+00"}, {"INLET_ELEV", 104.5}});
        b.nodeRow("S1", "B", {{"INLET_ELEV", 103.0}});
        b.nodeRow("S1", "C", {});
        b.nodeRow("S2", "X", {});
        // B's reach is stored first; the name of A's is typed in lower case.
        b.reachRow("S1", "B", "OUT", {{"PIPE_NAME", "RCP18"}, {"LENGTH", 150.0}, {"ELEV1", 98.5}, {"ELEV2", 97.0}});
        b.reachRow("S1", "a", "B", {{"PIPE_NAME", "RCP15"}, {"LENGTH", 1234.5}, {"ELEV1", 100.0}, {"ELEV2", 99.0}});
        // a second reach out of B is not listed
        b.add("REACH", {{"NAME", "B2"}, {"SYSTEM", "S1"}, {"NODE1", "B"}, {"NODE2", "C"}, {"PIPE_NAME", "RCP99"}});
    }
};

TEST_F(NodeListTest, ListsNodesWithTheirFirstReachTheOutfallLastAndOneLineReadAgainMatches) {
    const auto rows = nodeListRows(b.db, " S1 ");
    ASSERT_EQ(rows.size(), 4u);
    // storage order, the outfall last; A's reach is found under its lower-case name, B's first reach only
    EXPECT_EQ(rows[0].name + rows[1].name + rows[2].name + rows[3].name, "ABCOUT");
    EXPECT_EQ(rows[0].structure + " " + rows[0].station + " " + rows[0].inletElevText() + " " + rows[0].toNode + " " +
                  rows[0].pipe + " " + rows[0].lengthText(),
              "CI5 10+00 104.50 B RCP15 1,234.50");
    EXPECT_EQ(rows[0].slopeText(), "0.0810");                             // (100 - 99) / 1234.5 x 100
    EXPECT_EQ(rows[1].pipe + " " + rows[1].slopeText(), "RCP18 1.0000");  // (98.5 - 97) / 150 x 100
    EXPECT_FALSE(rows[2].hasReach);
    EXPECT_TRUE(rows[3].outfall && rows[3].toNode == "(outfall)" && rows[3].inletElevText() == "90.00");
    for (const auto& want : rows) {
        const auto got = nodeListRow(b.db, "S1", want.name);
        ASSERT_TRUE(got.has_value()) << want.name;
        EXPECT_EQ(got->pipe, want.pipe) << want.name;
        EXPECT_EQ(got->slope, want.slope) << want.name;
        EXPECT_EQ(got->outfall, want.outfall) << want.name;
    }
    EXPECT_FALSE(nodeListRow(b.db, "S1", "X").has_value());  // another system's node
    EXPECT_FALSE(nodeListRow(b.db, "S1", "NONE").has_value());
}

}  // namespace
}  // namespace kolv::editing
