// Next node name, the add-node dialog's refusals and the new node's defaults.
#include <gtest/gtest.h>

#include "db/record_set.h"
#include "db/undo_history.h"
#include "editing/next_node_name.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::editing;

namespace {

struct Project {
    test::TempDir dir;
    std::unique_ptr<db::Database> db = db::Database::open(test::makeEmptyProject(dir));
    void t0(const std::string& set, const std::vector<db::Value>& v) { db->execute("UPDATE T0 SET " + set, v); }
    db::Value t0Value(const std::string& f) { return db->scalar("SELECT " + f + " FROM T0"); }
};

// The number is taken by the node added under the proposed name, in the add's own undo step:
// opening the dialog writes nothing, so no undo step is left that undoes nothing.
TEST(NextNodeName, TheAddedNodeTakesTheNumberInItsOwnStep) {
    Project p;
    p.t0("NEXT_NODE_USE_PREFIX = -1, NEXT_NODE_PREFIX = 'S-', NEXT_NODE_NUMBER = 12", {});
    db::UndoHistory& history = p.db->attachHistory();
    EXPECT_EQ(nextNodeName(*p.db), "S-12");
    EXPECT_EQ(nextNodeName(*p.db), "S-12");  // a cancelled dialog takes no number
    EXPECT_EQ(p.t0Value("NEXT_NODE_NUMBER").toInt(), 12);
    p.db->execute("INSERT INTO T16 (SYSTEM) VALUES ('S1')");
    history.clear();
    ui::RecordingUi ui;
    ASSERT_TRUE(addNodeRecord(*p.db, "S1", nextNodeName(*p.db), "", 10, 10, ui));
    EXPECT_EQ(p.t0Value("NEXT_NODE_NUMBER").toInt(), 13);
    EXPECT_EQ(history.undoNames(), std::vector<std::string>{"Add Node S-12"});
    ASSERT_TRUE(addNodeRecord(*p.db, "S1", "OTHER", "", 20, 10, ui));  // a name of the engineer's own
    EXPECT_EQ(p.t0Value("NEXT_NODE_NUMBER").toInt(), 13);
    EXPECT_EQ(history.undoNames(), (std::vector<std::string>{"Add Node S-12", "Add Node OTHER"}));
    ASSERT_TRUE(history.undo());
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(p.t0Value("NEXT_NODE_NUMBER").toInt(), 12);  // the undone add gives its number back

    p.t0("NEXT_NODE_USE_PREFIX = 0", {});
    EXPECT_EQ(nextNodeName(*p.db), "12");
    p.t0("NEXT_NODE_USE_PREFIX = -1, NEXT_NODE_PREFIX = 'INLET-', NEXT_NODE_NUMBER = 1234", {});
    EXPECT_EQ(nextNodeName(*p.db), "INLET-12");  // "INLET-1234" cut to 8
    // a null number starts at one, a null prefix is empty
    p.t0("NEXT_NODE_USE_PREFIX = -1, NEXT_NODE_PREFIX = NULL, NEXT_NODE_NUMBER = NULL", {});
    EXPECT_EQ(nextNodeName(*p.db), "1");
}

TEST(AddNodeDialog, RefusesEmptyTakenAndOutfallNamesAndGivesANewNodeItsDefaults) {
    Project p;
    p.db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES ('S1', 'OUT1')");
    p.db->execute("INSERT INTO T16 (SYSTEM) VALUES ('S2')");
    p.db->execute("INSERT INTO NODE (NAME, SYSTEM) VALUES ('N''1', 'S2')");
    ui::RecordingUi ui;
    EXPECT_FALSE(checkNewNodeName(*p.db, "S1", "   ", ui));
    EXPECT_FALSE(checkNewNodeName(*p.db, "S1", " N'1 ", ui));  // taken in another system
    EXPECT_FALSE(checkNewNodeName(*p.db, "S1", "OUT1", ui));
    EXPECT_TRUE(checkNewNodeName(*p.db, "S1", "N2", ui));
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].text, "Invalid node name.");
    EXPECT_EQ(ui.messages[1].text, "Node already exist in system 'S2'.\rRe-enter a unique node name.");
    EXPECT_EQ(ui.messages[2].text, "Node already exist as the Outfall node in system 'S1'.\rRe-enter a unique node name.");
    EXPECT_EQ(ui.beeps, 3);

    SCOPED_TRACE("the new node's placement defaults; a duplicate is refused");
    ASSERT_TRUE(addNodeRecord(*p.db, "S1", " S-5 ", "CI-1", 250, 400, ui));
    // system, Tc of 10 minutes, position, structure, runoff C computed
    EXPECT_EQ(p.db->scalar("SELECT SYSTEM || ' ' || TC || ' ' || XD || ' ' || STRUCT_NAME || ' ' || "
                           "(CALC_RUNOFF_C2 <> 0) FROM NODE WHERE NAME = 'S-5'")
                  .toText(),
              "S1 10.0 250.0 CI-1 1");
    EXPECT_FALSE(addNodeRecord(*p.db, "S1", "S-5", "", 1, 1, ui));
    EXPECT_EQ(ui.messages.back().text, "Node 'S-5' already exist.");

    // the structures offered: those of the symbol's class, or all of the unit system when it has none
    p.db->execute("DELETE FROM T6");
    p.db->execute("INSERT INTO T6 (NAME, ENG_MET, DIAGRAM_CLASS_NAME) VALUES ('MH', 0, 'Manhole'), "
                  "('CI', 0, 'Curb Inlet'), ('MH-M', 1, 'Manhole')");
    EXPECT_EQ(structuresForClass(*p.db, 0, "Manhole"), (std::vector<std::string>{"MH"}));
    EXPECT_EQ(structuresForClass(*p.db, 0, "Gutter Inlet"), (std::vector<std::string>{"MH", "CI"}));
    EXPECT_EQ(structuresForClass(*p.db, 1, ""), (std::vector<std::string>{"MH-M"}));
}

}  // namespace
