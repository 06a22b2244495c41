// Dividing a system and combining two: the checks in order, the moves by SYSTEM, the header row.
#include "renumber/divide_combine.h"

#include <gtest/gtest.h>

#include "db/project.h"
#include "db/undo_history.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

namespace kolv::renumber {
namespace {

using ui::Answer;

/// MAIN: a trunk 1 -> 2 -> 3 -> 4 -> OUT with a branch 5 -> 6 -> 3; EAST: E1 -> OUTE.
class Systems : public ::testing::Test {
protected:
    void SetUp() override {
        b.header("MAIN", "OUT", {{"INTENSITY_METHOD", 1}, {"LOCATION", "TEST"}, {"FREQUENCY", "3"}, {"AREA1", 0.7}});
        for (auto [from, to] : {std::pair{"1", "2"}, {"2", "3"}, {"3", "4"}, {"4", "OUT"}, {"5", "6"}, {"6", "3"}})
            b.link("MAIN", from, to);
        b.db.execute("UPDATE NODE SET STATION = '20+00', BASELINE = 'CL', OFFSET = -12 WHERE NAME = '3'");
        b.header("EAST", "OUTE", {{"OUT_TW", 95.0}});
        b.link("EAST", "E1", "OUTE");
        b.header("NEW", "");
    }
    std::string systemOf(const char* table, const char* name) {
        return b.db.scalar(std::string("SELECT SYSTEM FROM ") + table + " WHERE NAME = ?", {name}).toText();
    }
    std::string header(const char* system, const char* field) {
        return b.db.scalar(std::string("SELECT \"") + field + "\" FROM T16 WHERE SYSTEM = ?", {system}).toText();
    }

    test::SystemBuilder b;
    ui::RecordingUi ui;
};

TEST_F(Systems, DivideRefusesBeforeAnyChangeThenMovesTheNodesWithTheReachesLeavingThem) {
    EXPECT_FALSE(divideSystem(b.db, "MAIN", "", {"5", "6", "1"}, ui));
    EXPECT_EQ(ui.messages.back().title, "MISSING DATA");
    EXPECT_EQ(ui.messages.back().text, "New System name missing.\rProcess incomplete.");
    EXPECT_FALSE(divideSystem(b.db, "MAIN", "NEW", {"5", "6"}, ui));
    EXPECT_EQ(ui.messages.back().title, "MISSING DATA");
    EXPECT_EQ(ui.messages.back().text, "A minimum of 3 nodes must be moved.\rProcess incomplete.");
    EXPECT_FALSE(divideSystem(b.db, "MAIN", "NOSUCH", {"5", "6", "1"}, ui));
    EXPECT_EQ(ui.messages.back().text, "System 'NOSUCH' not found.");
    EXPECT_FALSE(divideSystem(b.db, "MAIN", "main", {"5", "6", "1"}, ui));
    EXPECT_EQ(ui.messages.back().title, "INVALID DATA");
    EXPECT_FALSE(divideSystem(b.db, "MAIN", "NEW", {"5", "6", "E1"}, ui));
    EXPECT_EQ(ui.messages.back().text, "Node 'E1' is not in system 'MAIN'.");
    EXPECT_EQ(b.db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'MAIN'").toInt(), 6);
    EXPECT_EQ(b.db.scalar("SELECT COUNT(*) FROM REACH WHERE SYSTEM = 'MAIN'").toInt(), 6);

    SCOPED_TRACE("the nodes move with the reaches leaving them");
    b.db.exec("CREATE TEMP TABLE HEADERS AS SELECT * FROM T16");
    // 2 stays; its reach 1 -> 2 arrives from a moved node, 2's own reach leaves to 3
    ASSERT_TRUE(divideSystem(b.db, "MAIN", "NEW", {"1", "5", "6"}, ui));
    // no header, neither the new system's nor the divided one's, gains or loses a value
    EXPECT_EQ(b.db.scalar("SELECT (SELECT COUNT(*) FROM (SELECT * FROM T16 EXCEPT SELECT * FROM HEADERS)) + "
                          "(SELECT COUNT(*) FROM (SELECT * FROM HEADERS EXCEPT SELECT * FROM T16))")
                  .toInt(),
              0);
    EXPECT_EQ(ui.messages.back().text, "Process Complete.");
    for (const char* n : {"1", "5", "6"}) {
        EXPECT_EQ(systemOf("NODE", n), "NEW") << n;
        EXPECT_EQ(systemOf("REACH", n), "NEW") << n;
    }
    for (const char* n : {"2", "3", "4"}) {
        EXPECT_EQ(systemOf("NODE", n), "MAIN") << n;
        EXPECT_EQ(systemOf("REACH", n), "MAIN") << n;
    }
    EXPECT_EQ(header("MAIN", "OUT_NODE"), "OUT");
}

TEST_F(Systems, CombineChecksInOrderThenMovesEverythingInOneStep) {
    auto all = allSystems(b.db);
    ASSERT_EQ(all, (std::vector<std::string>{"MAIN", "EAST", "NEW"}));
    struct Case {
        CombineChoice choice;
        const char* text;
    };
    const Case cases[] = {
        {{{}, all, "MAIN", "EAST"}, "The 'From System' or 'Combine to System' contains no systems."},
        {{all, all, std::nullopt, "EAST"}, "A system in the 'From System' list must be selected."},
        {{all, all, "MAIN", std::nullopt}, "A system in the 'Combine to System' list must be selected."},
        {{all, all, " ", "EAST"}, "Invalid 'From System' name selected. Selection has no length."},
        {{all, all, "MAIN", ""}, "Invalid 'Combine to System' name selected. Selection has no length."},
        {{all, all, "EAST", "EAST"}, "The 'From System' and 'Combine to System' cannot be the same system."},
    };
    for (const Case& c : cases) {
        ui.clear();
        EXPECT_FALSE(combineSystems(b.db, c.choice, ui));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].title, "INVALID DATA");
        EXPECT_EQ(ui.messages[0].text, c.text);
    }
    // No to the question
    ui.clear();
    EXPECT_FALSE(combineSystems(b.db, {all, all, "EAST", "MAIN"}, ui));
    EXPECT_EQ(ui.messages[0].title, "COMBINE SYSTEMS");
    EXPECT_EQ(ui.messages[0].text, "Combine system 'EAST' into system 'MAIN'\rContinue with combine?");
    EXPECT_EQ(allSystems(b.db).size(), 3u);
    EXPECT_EQ(systemOf("NODE", "E1"), "EAST");

    SCOPED_TRACE("Yes: everything moves and the old system is gone, in one undo step");
    b.add("T30", {{"SYSTEM", "EAST"}, {"NAME", "BYE"}, {"NODE1", "E1"}, {"NODE2", "OUTE"}});
    db::UndoHistory& history = b.db.attachHistory();
    ui.answers = {Answer::Yes};
    ASSERT_TRUE(combineSystems(b.db, {all, all, "EAST", "MAIN"}, ui));
    EXPECT_EQ(ui.statuses.back(), "System name change complete");
    EXPECT_EQ(ui.messages.back().title, "COMBINE SYSTEMS");
    EXPECT_EQ(ui.messages.back().text, "System merging complete.");
    EXPECT_EQ(systemOf("NODE", "E1"), "MAIN");
    EXPECT_EQ(systemOf("REACH", "E1"), "MAIN");
    EXPECT_EQ(systemOf("T30", "BYE"), "MAIN");
    EXPECT_EQ(allSystems(b.db), (std::vector<std::string>{"MAIN", "NEW"}));
    EXPECT_EQ(db::readSystemList(b.db), (std::vector<std::string>{"MAIN", "NEW"}));
    EXPECT_EQ(header("MAIN", "OUT_NODE"), "OUT");  // the receiving outfall is unchanged
    EXPECT_EQ(b.db.scalar("SELECT COUNT(*) FROM T16 WHERE SYSTEM = 'EAST'").toInt(), 0);
    // one step takes it all back
    EXPECT_EQ(history.undoName(), "Combine Systems");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(systemOf("NODE", "E1"), "EAST");
    EXPECT_EQ(header("EAST", "OUT_TW"), "95");
}

}  // namespace
}  // namespace kolv::renumber
