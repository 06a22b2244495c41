// Ditch flow lines taken from the ground at the end nodes, and the uphill-ditch lines.
#include <gtest/gtest.h>

#include "hydraulics/ditch_check.h"
#include "run_fixture.h"

namespace kolv::hydraulics::test {
namespace {

class DitchCheck : public ::testing::Test {
protected:
    void SetUp() override {
        p.system("S1", 90.0);
        p.node("S1", "A", 1.0, 0.5, 100.0);
        p.node("S1", "B", 1.0, 0.5, 100.0);
        p.node("S1", "C", 1.0, 0.5, 98.0);
        const Fields ditch{{"REACH_TYPE", 2}, {"FROM_FL_CL", 0}, {"TO_FL_CL", 0}};
        p.reach("S1", "A", "B", "", 0, 0, 100, ditch);   // level: 100.00 to 100.00
        p.reach("S1", "B", "C", "", 0, 0, 100, ditch);   // falls 2 ft
        p.reach("S1", "C", "OUT", "", 0, 95.0, 100, ditch);  // into the outfall
    }
    double field(const std::string& reach, const std::string& f) {
        return p.db.scalar("SELECT " + f + " FROM REACH WHERE NAME = ?", {reach}).toDouble();
    }
    RunProject p;
};

TEST_F(DitchCheck, DrainsSystemAndEmptyNameAreLeftAloneAndAQuietCheckWritesButSaysNothing) {
    EXPECT_TRUE(checkDitchFlowLines(p.db, "<drains>", false).empty());
    EXPECT_TRUE(checkDitchFlowLines(p.db, "  ", false).empty());
    EXPECT_DOUBLE_EQ(field("A", "ELEV1"), 0.0);
    EXPECT_TRUE(checkDitchFlowLines(p.db, "S1", true).empty());
    EXPECT_DOUBLE_EQ(field("A", "ELEV2"), 100.0);
    // A level ditch counts as uphill; the outfall end has no node and keeps its elevation and flag.
    EXPECT_EQ(checkDitchFlowLines(p.db, "S1", false),
              std::vector<std::string>{"Ditch Reach: A has a Downstream Flow Line HIGHER than the Upstream"});
    EXPECT_DOUBLE_EQ(field("C", "ELEV2"), 95.0);
    EXPECT_DOUBLE_EQ(field("C", "TO_FL_CL"), 0.0);
}

}  // namespace
}  // namespace kolv::hydraulics::test
