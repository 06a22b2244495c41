// Result grids: engineering columns first, values rounded as printed, copy / CSV text, run messages grouped.
#include <gtest/gtest.h>

#include "hydraulics/result_grid.h"

using namespace kolv;
using namespace kolv::hydraulics;

TEST(ResultGrid, EngineeringColumnsComeFirstAndTheRestKeepTheirStoredOrder) {
    // stored order of a few T60 fields, French-drain ones before Q as in the table
    const std::vector<std::string> stored = {"STATION", "FROM", "FD_EXFIL_CFS", "TO", "C1DA", "Q",
                                             "HGL_DN",  "TYPE", "HGL_UP",       "FLOW_COND"};
    EXPECT_EQ(t60GridOrder(stored), (std::vector<std::string>{"FROM", "TO", "TYPE", "Q", "HGL_UP", "HGL_DN", "FLOW_COND",
                                                              "STATION", "FD_EXFIL_CFS", "C1DA"}));
    EXPECT_TRUE(t60ShownByDefault("Q"));
    EXPECT_TRUE(t60ShownByDefault("CLEARENCE"));
    EXPECT_FALSE(t60ShownByDefault("FD_EXFIL_CFS"));
    EXPECT_EQ(t60EngineeringFields().front(), "FROM");
    EXPECT_EQ(t60EngineeringFields()[1], "TO");  // the frozen pair
}

TEST(ResultGrid, ValuesAreRoundedAsThePrintedStormTab) {
    struct Case {
        const char* field;
        db::Value value;
        const char* shown;
    };
    const Case cases[] = {
        {"HGL_UP", db::Value(106.8125), "106.81"},  // picture 0.00
        {"Q", db::Value(3.125), "3.13"},            // half away from zero
        {"N", db::Value(0.0125), "0.013"},          // picture 0.000
        {"BARRELS", db::Value(2.0), "2"},           // picture 0
        {"CLEARENCE", db::Value(-0.001), "0.00"},   // no minus sign on a zero
        {"CLEARENCE", db::Value(-1.876), "-1.88"},
        {"FLOW_COND", db::Value(std::string("FULL  ")), "FULL"},
        {"TYPE", db::Value(), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(t60CellText(c.field, c.value), c.shown) << c.field;
}

TEST(ResultGrid, CopiedAndExportedTextKeepsEveryCellWhole) {
    const std::vector<std::vector<std::string>> rows = {{"From", "Note"}, {"S-1", "a, \"b\""}, {"S-2", "tab\there"}};
    EXPECT_EQ(delimitedText(rows, ','), "From,Note\nS-1,\"a, \"\"b\"\"\"\nS-2,tab\there\n");
    EXPECT_EQ(delimitedText(rows, '\t'), "From\tNote\nS-1\ta, \"b\"\nS-2\ttab here\n");
}

TEST(ResultGrid, RunMessagesPutStopsAndWarningsBeforeTheProgress) {
    const std::vector<std::string> run = {
        "Loading pipe nodal array",
        "Calculate hydraulics",
        " ",
        "PASS = 1",
        "Node: S-4  Min HGL clearance exceeded by 0.20 feet.",
        "PASS = 2",
        "NOT SETTLED: the pass limit of 50 passes was reached; in the last pass a grade line still changed by up to "
        "0.0300 ft (node 'S-9'). The results are those of the last pass.",
        "Pipe: RCP99 missing",
        "Node 'S-2' has a computed Junction Loss greater than 3",
        "Cleaning up temporary data arrays",
    };
    const RunMessageGroups g = groupRunMessages(run);
    ASSERT_EQ(g.stops.size(), 2u);
    EXPECT_EQ(g.stops[0].rfind("NOT SETTLED", 0), 0u);
    EXPECT_EQ(g.stops[1], "Pipe: RCP99 missing");
    EXPECT_EQ(g.warnings, (std::vector<std::string>{"Node: S-4  Min HGL clearance exceeded by 0.20 feet.",
                                                    "Node 'S-2' has a computed Junction Loss greater than 3"}));
    // the progress is folded away, not lost: every other line, in order
    EXPECT_EQ(g.progress, (std::vector<std::string>{"Loading pipe nodal array", "Calculate hydraulics", " ", "PASS = 1",
                                                    "PASS = 2", "Cleaning up temporary data arrays"}));
    EXPECT_EQ(g.stops.size() + g.warnings.size() + g.progress.size(), run.size());
}
