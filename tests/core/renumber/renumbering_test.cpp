// Renumbering the nodes and reaches of a system: the list, the checks, the two passes, all or nothing.
#include "renumber/renumbering.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "db/record_set.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

namespace kolv::renumber {
namespace {

using ui::Answer;

/// S1: 1 -> 2 -> 3 -> OUT, with a lateral L -> 2. S2 shares no names: A -> B -> OUT2, and a
/// bypass segment BY1. The names of every record are dumped to tell what changed.
class Renumber : public ::testing::Test {
protected:
    void SetUp() override {
        b.header("S1", "OUT", {{"OUT_BL", "BL"}, {"OUT_STA", "12+50"}, {"OUT_OFF", 20.0}});
        b.link("S1", "1", "2");
        b.link("S1", "2", "3");
        b.link("S1", "3", "OUT");
        b.link("S1", "L", "2");
        b.header("S2", "OUT2");
        b.link("S2", "A", "B");
        b.link("S2", "B", "OUT2");
        b.add("T30", {{"SYSTEM", "S2"}, {"NAME", "BY1"}, {"NODE1", "A"}, {"NODE2", "B"}});
        before = dump();
    }

    /// Every name-bearing field of NODE, REACH, T16 and T30, row by row.
    std::string dump() {
        std::string s;
        auto rows = [&](const std::string& sql) {
            db::Statement st = b.db.prepare(sql);
            while (st.step()) {
                for (int i = 0; i < st.columnCount(); ++i) s += st.column(i).toText() + ",";
                s += "\n";
            }
        };
        rows("SELECT rowid, SYSTEM, NAME FROM NODE ORDER BY rowid");
        rows("SELECT rowid, SYSTEM, NAME, NODE1, NODE2 FROM REACH ORDER BY rowid");
        rows("SELECT rowid, SYSTEM, OUT_NODE FROM T16 ORDER BY rowid");
        rows("SELECT rowid, SYSTEM, NAME, NODE1, NODE2 FROM T30 ORDER BY rowid");
        return s;
    }
    std::vector<RenumberRow> list() { return loadRenumberList(b.db, "S1", ui); }
    RenumberRow& row(std::vector<RenumberRow>& rows, const std::string& node) {
        for (auto& r : rows)
            if (r.node == node) return r;
        throw std::runtime_error("no row " + node);
    }
    std::string reachOf(const std::string& node) {
        return b.db.scalar("SELECT NAME FROM REACH WHERE NODE1 = ?", {node}).toText();
    }
    std::string toOf(const std::string& node) {
        return b.db.scalar("SELECT NODE2 FROM REACH WHERE NODE1 = ?", {node}).toText();
    }

    test::SystemBuilder b;
    ui::RecordingUi ui;
    std::string before;
};

TEST_F(Renumber, ListHasTheOutfallFirstThenTheNodesWithTheirReachesOrSaysAReachIsMissing) {
    auto rows = list();
    ASSERT_EQ(rows.size(), 5u);
    const auto line = [](const RenumberRow& r) {
        return r.kind + "|" + r.node + "|" + cellText(r, Column::Station) + "|" + cellText(r, Column::Offset) + "|" +
               r.reach;
    };
    EXPECT_EQ(line(rows[0]), "SS Outfall|OUT|12+50|20.00|");
    EXPECT_EQ(line(rows[1]).substr(0, 10), "SS Node|1|");
    EXPECT_EQ(rows[1].reach, "1");
    EXPECT_EQ(rows[4].line, 5);
    EXPECT_TRUE(ui.messages.empty());
    b.db.execute("UPDATE NODE SET NODE_TYPE = 1 WHERE NAME = 'L'");
    EXPECT_EQ(row(rows = list(), "L").kind, "Ditch Node");
    b.db.execute("UPDATE T16 SET DRAIN_TYPE = 2 WHERE SYSTEM = 'S1'");
    EXPECT_EQ(row(rows = list(), "L").kind, "Side Drain");

    // a node without its reach is reported
    b.db.execute("DELETE FROM REACH WHERE NAME = 'L'");
    rows = list();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "MISSING REACH");
    EXPECT_EQ(ui.messages[0].text, "Reach from node 'L' cannot be found.");
    EXPECT_EQ(row(rows, "L").reach, "");
}

TEST_F(Renumber, SortingByColumnsNamesByTheirNumbersStationsByValueAndByDiagramPosition) {
    b.db.execute("UPDATE NODE SET STATION = '10+00', XD = 5, YD = 1 WHERE NAME = '1'");
    b.db.execute("UPDATE NODE SET STATION = '9+50', XD = 1, YD = 2 WHERE NAME = '2'");
    b.db.execute("UPDATE NODE SET STATION = '11+00', XD = 1, YD = 1 WHERE NAME = '3'");
    b.db.execute("UPDATE NODE SET STATION = '9+50', XD = 3, YD = 0 WHERE NAME = 'L'");
    auto rows = list();
    EXPECT_EQ(nodesByPosition(rows), (std::vector<std::string>{"3", "2", "L", "1"}));
    // stations by their value (9+50 before 10+00), ties by node; the outfall's 12+50 last
    sortRows(rows, {Column::Station, Column::Node});
    std::vector<std::string> order;
    for (const auto& r : rows) order.push_back(r.node);
    EXPECT_EQ(order, (std::vector<std::string>{"2", "L", "1", "3", "OUT"}));
    EXPECT_EQ(rows[0].line, 1);
    EXPECT_EQ(nodeNames(rows), (std::vector<std::string>{"2", "L", "1", "3"}));

    SCOPED_TRACE("names by their numbers; a blank station is not a number and goes last");
    rows.assign(5, RenumberRow{});
    const char* nodes[] = {"S-10", "s-9", "OUT", "S-31", "S-09A"};
    const char* stations[] = {"10+00", "9+50", "", "100+00", "9+50"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].node = nodes[i];
        rows[i].station = stations[i];
    }
    auto sequence = [&] {
        std::string s;
        for (const auto& r : rows) s += r.node + " ";
        return s;
    };
    sortRows(rows, {Column::Node});
    EXPECT_EQ(sequence(), "OUT s-9 S-09A S-10 S-31 ");
    sortRows(rows, {Column::Station, Column::Node});
    EXPECT_EQ(sequence(), "s-9 S-09A S-10 S-31 OUT ");  // a blank station is not a number: last
    EXPECT_EQ(rows[4].line, 5);
}

TEST_F(Renumber, TemporaryNamesNeverMeetExistingNames) {
    // "1" raised by 17 is "B": a node B of another system, and a node R in S1 whose own temporary
    // name would be "c"; both must come through untouched or renamed as asked.
    b.link("S2", "C", "B");
    b.db.execute("UPDATE REACH SET NODE2 = 'R' WHERE NAME = '2'");  // 2 -> R -> 3
    b.link("S1", "R", "3");
    auto rows = list();
    row(rows, "1").newNode = "R";
    row(rows, "R").newNode = "1";
    ui.answers = {Answer::Yes};
    const RenumberResult r = renumberFromGrid(b.db, "S1", rows, ui);
    ASSERT_TRUE(r.done) << ::testing::PrintToString(ui.texts());
    EXPECT_EQ(ui.messages.front().text, "This will changes Node names and Reach names.\rProceed with node and reach renumbering.");
    EXPECT_EQ(ui.messages.back().text, "Renumbering complete.");
    // the progress: the four changes of each renamed node under its old name, then under its new one
    ASSERT_EQ(r.lines.size(), 16u);
    EXPECT_EQ(r.lines[3], "Section 1: Pass 1: Outfall Node Name Change: 1");
    EXPECT_EQ(r.lines[8], "Section 1: Pass 2: Node Name Change: R");
    EXPECT_EQ(r.lines.back(), "Section 1: Pass 2: Outfall Node Name Change: 1");
    EXPECT_EQ(toOf("R"), "2");  // the former node 1
    EXPECT_EQ(toOf("2"), "1");  // the former node R
    EXPECT_EQ(toOf("1"), "3");
    EXPECT_EQ(toOf("C"), "B");
    EXPECT_EQ(b.db.scalar("SELECT SYSTEM FROM NODE WHERE NAME = 'B'").toText(), "S2");
}

TEST_F(Renumber, ClashesWithAnotherSystemAreRefusedBeforeAnyChange) {
    struct Case {
        const char* node;
        const char* newNode;
        const char* newReach;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {"1", "A", "", "DUPLICATE NODE NAME", "Node 'A' is assigned to system 'S2'."},
        {"1", "", "B", "DUPLICATE REACH NAME", "Reach 'B' is assigned to system 'S2'."},
        {"1", "", "BY1", "DUPLICATE BYPASS NAME", "Bypass segment 'BY1' is assigned to system 'S2'."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        auto rows = list();
        row(rows, "2").newNode = "20";  // a good change beside the bad one
        row(rows, c.node).newNode = c.newNode;
        row(rows, c.node).newReach = c.newReach;
        ui.clear();
        ui.answers = {Answer::Yes};
        EXPECT_FALSE(renumberFromGrid(b.db, "S1", rows, ui).done);
        ASSERT_EQ(ui.messages.size(), 2u);
        EXPECT_EQ(ui.messages[1].title, c.title);
        EXPECT_EQ(ui.messages[1].text, c.text);
        EXPECT_EQ(dump(), before);
    }
}

TEST_F(Renumber, NamesGivenTwiceAreRefusedReportedByTheCheckAndMapEntriesApplied) {
    auto rows = list();
    row(rows, "1").newNode = "L";  // L keeps its name
    ui.answers = {Answer::Yes};
    EXPECT_FALSE(renumberFromGrid(b.db, "S1", rows, ui).done);
    EXPECT_EQ(ui.messages.back().title, "DUPLICATE NODE NAME");
    EXPECT_EQ(ui.messages.back().text, "ERROR: The following node names must be changed.\rDuplicate Node: L");

    rows = list();
    row(rows, "1").newReach = "2";
    ui.answers = {Answer::Yes};
    EXPECT_FALSE(renumberFromGrid(b.db, "S1", rows, ui).done);
    EXPECT_EQ(ui.messages.back().title, "DUPLICATE REACH NAME");

    rows = list();
    row(rows, "1").newNode = "NINECHARS";
    ui.answers = {Answer::Yes};
    EXPECT_FALSE(renumberFromGrid(b.db, "S1", rows, ui).done);
    EXPECT_EQ(ui.messages.back().text, "New node name 'NINECHARS' is longer than 8 characters.");

    // No at the confirmation
    rows = list();
    row(rows, "1").newNode = "9";
    ui.clear();
    EXPECT_FALSE(renumberFromGrid(b.db, "S1", rows, ui).done);  // default answer No
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(dump(), before);

    SCOPED_TRACE("the duplicate check's report");
    rows = list();
    ui.clear();
    DuplicateReport ok = checkDuplicates(b.db, "S1", rows, ui);
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ui.texts().back(), "No duplicate nodes detected. Continue with renumbering.");
    // 1 -> 2 while 2 -> 3 is fine; 3 -> L repeats L; L -> A is held in S2
    row(rows, "1").newNode = "2";
    row(rows, "2").newNode = "3";
    row(rows, "3").newNode = "L";
    ui.clear();
    DuplicateReport bad = checkDuplicates(b.db, "S1", rows, ui);
    EXPECT_FALSE(bad.ok);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(bad.lines, (std::vector<std::string>{"ERROR: The following node names must be changed.",
                                                   "------------------------------------------------",
                                                   "Duplicate Node: L", "Check Complete."}));
    row(rows, "L").newNode = "A";
    EXPECT_EQ(duplicateNodeNames(b.db, "S1", rows), (std::vector<std::string>{"A"}));

    SCOPED_TRACE("map file entries");
    auto map = parseMap("Old,New Node,New Reach\n1,X1,RX1\n\n# comment\n2,X2\n");
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map[0].newReach, "RX1");
    EXPECT_EQ(map[1].newReach, "");
    EXPECT_THROW(parseMap("1\n"), InputError);
    rows = list();
    ASSERT_TRUE(applyMap(rows, map, ui));
    EXPECT_EQ(row(rows, "1").newReach, "RX1");
    EXPECT_EQ(row(rows, "2").newReach, "2");
    EXPECT_FALSE(applyMap(rows, {{"A", "Z", ""}}, ui));
    EXPECT_EQ(ui.messages.back().text, "Node 'A' is not in system 'S1'.");
}

/// A port that fails when the rename reaches a given progress line, as a full disk or a
/// lost connection would part-way.
class FailingUi : public ui::RecordingUi {
public:
    std::string failAt;
    void status(const std::string& text) override {
        RecordingUi::status(text);
        if (text.rfind(failAt, 0) == 0) throw DatabaseError(kErrDiskFull, "disk full");
    }
};

TEST_F(Renumber, FaultPartWayLeavesEveryNameAsItWas) {
    for (const char* at : {"Section 2: Pass 2", "Section 1: Pass 2: Reach (Node2)", "Section 2: Pass 1"}) {
        SCOPED_TRACE(at);
        auto rows = list();
        for (auto& r : rows) {
            r.newNode = "N" + r.node;
            if (!r.reach.empty()) r.newReach = "N" + r.reach;
        }
        FailingUi failing;
        failing.failAt = at;
        failing.answers = {Answer::Yes};
        EXPECT_THROW(renumberFromGrid(b.db, "S1", rows, failing), DatabaseError);
        EXPECT_EQ(dump(), before);
        EXPECT_FALSE(b.db.inTransaction());
    }
}

TEST_F(Renumber, OrderListPath) {
    auto rows = list();
    // names left in 'Current Order'
    EXPECT_FALSE(renumberFromOrder(b.db, "S1", rows, {"3", "2"}, "P", "1", ui).done);
    EXPECT_EQ(ui.messages.back().title, "INCOMPLETE LIST");
    EXPECT_EQ(ui.messages.back().text, "All 'Current Order' names must be moved to the 'New Order' list.");
    // a start number that is not a number is refused before the question
    ui.clear();
    EXPECT_FALSE(renumberFromOrder(b.db, "S1", rows, {"3", "2", "1", "L"}, "P", "1,5", ui).done);
    EXPECT_EQ(ui.messages.back().title, "INVALID DATA");
    EXPECT_EQ(dump(), before);

    ui.clear();
    ui.answers = {Answer::Yes};
    RenumberResult r = renumberFromOrder(b.db, "S1", rows, {"3", "2", "1", "L"}, "P", "101", ui);
    ASSERT_TRUE(r.done) << ::testing::PrintToString(ui.texts());
    EXPECT_EQ(ui.messages.front().title, "NODE AND REACH RENUMBERING");
    EXPECT_EQ(ui.messages.front().text, "New node range will be P101 to P104. Proceed with node and reach renumbering.");
    EXPECT_EQ(toOf("P103"), "P102");  // former 1 -> 2
    EXPECT_EQ(toOf("P102"), "P101");
    EXPECT_EQ(toOf("P101"), "OUT");   // the outfall keeps its name
    EXPECT_EQ(toOf("P104"), "P102");
    for (const char* n : {"P101", "P102", "P103", "P104"}) EXPECT_EQ(reachOf(n), n);

    // a range that would not fit in 8 characters
    rows = list();
    ui.clear();
    EXPECT_FALSE(renumberFromOrder(b.db, "S1", rows, nodeNames(rows), "NODE", "99998", ui).done);
    EXPECT_EQ(ui.messages.back().text, "New node name 'NODE100001' is longer than 8 characters.");
}

}  // namespace
}  // namespace kolv::renumber
