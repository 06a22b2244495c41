// Adding, deleting and renaming systems across T16, NODE and REACH.
#include <gtest/gtest.h>

#include "common/error.h"
#include "editing/systems.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::editing;

namespace {

struct Project {
    test::TempDir dir;
    std::unique_ptr<db::Database> db = db::Database::open(test::makeEmptyProject(dir));
    Project() {
        for (const char* s : {"S1", "O'HARA"}) {
            db->execute("INSERT INTO T16 (SYSTEM) VALUES (?)", {s});
        }
        db->execute("INSERT INTO NODE (NAME, SYSTEM) VALUES ('A', 'O''HARA'), ('B', 'O''HARA'), ('C', 'S1')");
        db->execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('A', 'O''HARA', 'A', 'B')");
        // a reach of the system whose nodes lie in another system still moves with it
        db->execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('C', 'O''HARA', 'C', 'X')");
        db->execute("INSERT INTO T60 (SYSTEM, \"FROM\") VALUES ('O''HARA', 'A')");
    }
    long count(const std::string& table, const std::string& system) {
        return static_cast<long>(db->scalar("SELECT COUNT(*) FROM " + table + " WHERE SYSTEM = ?", {system}).toInt());
    }
};

TEST(AddSystem, DuplicateIsRefusedStaleRowsGoAndTheStormIsOneTheIdfTableHolds) {
    Project p;
    ui::RecordingUi ui;
    EXPECT_FALSE(addSystem(*p.db, "s1", ui));  // names compare without regard to case
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "DUPLICATE RECORD");
    EXPECT_EQ(ui.messages[0].text, "System already exist.");

    p.db->execute("INSERT INTO NODE (NAME, SYSTEM) VALUES ('Z', 'NEW')");
    p.db->execute("INSERT INTO REACH (NAME, SYSTEM) VALUES ('Z', 'NEW')");
    EXPECT_TRUE(addSystem(*p.db, " NEW ", ui));
    EXPECT_EQ(p.count("T16", "NEW"), 1);
    EXPECT_EQ(p.count("NODE", "NEW"), 0);
    EXPECT_EQ(p.count("REACH", "NEW"), 0);

    // a new system's design storm: the first zone's 10-year row, or that zone's first
    struct Case {
        const char* rows;  // T2 (Zone, Freq)
        const char* zone;
        double years;
    };
    const Case cases[] = {{"('4', '2'), ('4', '10'), ('5', '10')", "4", 10}, {"('7', '25'), ('7', '50')", "7", 25}};
    int n = 0;
    for (const Case& c : cases) {
        p.db->execute("DELETE FROM T2");
        p.db->execute(std::string("INSERT INTO T2 (Zone, Freq) VALUES ") + c.rows);
        const std::string name = "N" + std::to_string(++n);
        ASSERT_TRUE(addSystem(*p.db, name, ui));
        EXPECT_EQ(p.db->scalar("SELECT ZONE FROM T16 WHERE SYSTEM = ?", {name}).toText(), c.zone) << c.rows;
        EXPECT_DOUBLE_EQ(p.db->scalar("SELECT FREQ FROM T16 WHERE SYSTEM = ?", {name}).toDouble(), c.years) << c.rows;
        EXPECT_EQ(p.db->scalar("SELECT INTENSITY_METHOD FROM T16 WHERE SYSTEM = ?", {name}).toInt(), 0);
    }
}

TEST(DeleteSystem, AsksThenRemovesHeaderNodesAndReachesButKeepsResults) {
    Project p;
    ui::RecordingUi ui;
    ui.answers.push_back(ui::Answer::No);
    EXPECT_FALSE(deleteSystem(*p.db, "O'HARA", ui));
    EXPECT_EQ(p.count("NODE", "O'HARA"), 2);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "DELETE SYSTEM");
    EXPECT_EQ(ui.messages[0].text,
              "Delete entire system 'O'HARA' and all of the pipes in this system.\rContinue with delete?");
    EXPECT_EQ(ui.messages[0].defaultAnswer, ui::Answer::No);

    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(deleteSystem(*p.db, "O'HARA", ui));
    EXPECT_EQ(p.count("T16", "O'HARA"), 0);
    EXPECT_EQ(p.count("NODE", "O'HARA"), 0);
    EXPECT_EQ(p.count("REACH", "O'HARA"), 0);
    EXPECT_EQ(p.count("T60", "O'HARA"), 1);
    EXPECT_EQ(p.count("NODE", "S1"), 1);

    EXPECT_FALSE(deleteSystem(*p.db, "GONE", ui));
    EXPECT_EQ(ui.messages.back().title, "MISSING DATA");
    EXPECT_EQ(ui.messages.back().text, "System 'GONE' not found.");
}

TEST(RenameSystem, ChecksComeBeforeAnyChange) {
    Project p;
    ui::RecordingUi ui;
    std::vector<std::string> systems{"S1", "O'HARA"};
    EXPECT_FALSE(renameSystem(*p.db, {}, "S1", "X", ui));
    EXPECT_FALSE(renameSystem(*p.db, systems, "", "X", ui));
    EXPECT_FALSE(renameSystem(*p.db, systems, "S1", "  ", ui));
    EXPECT_FALSE(renameSystem(*p.db, systems, "S1", "NINECHARS", ui));
    EXPECT_FALSE(renameSystem(*p.db, systems, "S1", "o'hara", ui));
    EXPECT_FALSE(renameSystem(*p.db, systems, "GONE", "X", ui));
    std::vector<std::pair<std::string, std::string>> expected = {
        {"MISSING DATA", "There are no systems to rename."},
        {"MISSING DATA", "Select a system from the list."},
        {"MISSING DATA", "Enter the new system name."},
        {"INVALID DATA", "New system name limited to 8 characters."},
        {"DUPLICATE DATA", "System 'o'hara' already exist."},
        {"MISSING DATA", "System 'GONE' not found."}};
    ASSERT_EQ(ui.messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ui.messages[i].title, expected[i].first);
        EXPECT_EQ(ui.messages[i].text, expected[i].second);
    }
    EXPECT_EQ(p.count("T16", "S1"), 1);
}

// The reaches are written last: a fault there must take back the header and the nodes too.
TEST(SystemsChange, AFailureHalfWayThroughADeleteOrARenameLeavesEveryTableAsItWas) {
    Project p;
    p.db->exec("CREATE TRIGGER NO_REACH_DELETE BEFORE DELETE ON REACH BEGIN SELECT RAISE(ABORT, 'locked'); END");
    p.db->exec("CREATE TRIGGER NO_REACH_UPDATE BEFORE UPDATE ON REACH BEGIN SELECT RAISE(ABORT, 'locked'); END");
    ui::RecordingUi ui;
    ui.answers = {ui::Answer::Yes, ui::Answer::Yes};
    EXPECT_THROW(deleteSystem(*p.db, "O'HARA", ui), Error);
    EXPECT_EQ(p.count("T16", "O'HARA"), 1);
    EXPECT_EQ(p.count("NODE", "O'HARA"), 2);
    EXPECT_THROW(renameSystem(*p.db, {"S1", "O'HARA"}, "O'HARA", "NEW", ui), Error);
    EXPECT_EQ(p.count("T16", "O'HARA"), 1);
    EXPECT_EQ(p.count("NODE", "O'HARA"), 2);
    EXPECT_EQ(p.count("T16", "NEW"), 0);

    // without the fault the header, the nodes and every reach of the old name move, a reach
    // whose nodes lie in another system too
    p.db->exec("DROP TRIGGER NO_REACH_UPDATE");
    ui.clear();
    ui.answers = {ui::Answer::Yes};
    EXPECT_TRUE(renameSystem(*p.db, {"S1", "O'HARA"}, "O'HARA", "D'ARCY", ui));
    EXPECT_EQ(ui.messages[0].text,
              "Change the system name from 'O'HARA' to 'D'ARCY' for all nodes and reaches in this system.\r"
              "Continue with delete?");
    EXPECT_EQ(ui.statuses, (std::vector<std::string>{"Updating system header and outfall record", "Updating nodes",
                                                     "Updating reaches", "System name change complete"}));
    EXPECT_EQ(p.count("T16", "D'ARCY") + p.count("NODE", "D'ARCY") + p.count("REACH", "D'ARCY"), 5);
    EXPECT_EQ(p.count("NODE", "O'HARA") + p.count("REACH", "O'HARA") + p.count("T16", "O'HARA"), 0);
    EXPECT_EQ(p.count("NODE", "S1"), 1);
}

}  // namespace
