// The diagram's events against the project records: adds, refusals, deletes, moves, stretches.
#include <gtest/gtest.h>

#include "db/record_set.h"
#include "db/undo_history.h"
#include "diagram/diagram_editor.h"
#include "diagram/diagram_model.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::diagram;

namespace {

/// System S1 with an empty outfall, no nodes; T0 assigns pipe "18RCP" to class 2.
struct DiagramProject {
    test::SystemBuilder b;
    Session session;
    ui::RecordingUi ui;
    DiagramEditor editor{b.db, session, ui, "S1"};

    DiagramProject() {
        b.db.execute("INSERT INTO T16 (SYSTEM, OUT_NODE, ZONE, FREQ) VALUES ('S1', '', '6', 3)");
        b.db.execute("UPDATE T0 SET PIPE_CLASS_2 = '18RCP', PIPE_CLASS_0 = '12RCP'");
    }
    /// Places a node (or the outfall) as the add-node dialog would name it.
    bool place(const std::string& name, const std::string& cls = "Curb Inlet", double x = 100, double y = 200,
               const std::string& structure = "CI5") {
        std::string added;
        return editor.entityAddRequest("", cls, x, y, [&] { return NewNodeChoice{name, structure}; }, added);
    }
    long count(const std::string& sql, const std::vector<db::Value>& p = {}) {
        return static_cast<long>(b.db.scalar(sql, p).toInt());
    }
    std::string text(const std::string& sql, const std::vector<db::Value>& p = {}) {
        return b.db.scalar(sql, p).toText();
    }
    /// Log lines from `from` on.
    std::vector<std::string> logSince(std::size_t from) const {
        return {session.diagnosisLog.begin() + static_cast<long>(from), session.diagnosisLog.end()};
    }
};

}  // namespace

// The new node's defaults are the add-node dialog's (tested there); here the diagram's position,
// its trace lines and its refusals.
TEST(DiagramAddEntity, NodeIsWrittenAndTracedCancelledMissingSystemAndDuplicatesAddNothing) {
    DiagramProject p;
    ASSERT_TRUE(p.place("A-1", "Manhole", 1250, 4800, "MH5"));
    EXPECT_EQ(p.text("SELECT SYSTEM || ' ' || XD || ' ' || YD || ' ' || STRUCT_NAME FROM NODE WHERE NAME = 'A-1'"),
              "S1 1250.0 4800.0 MH5");
    EXPECT_EQ(p.session.diagnosisLog, (std::vector<std::string>{"EntityAddRequest: Name ''",
                                                                " - DATA51: A-1 x:1250 y:4800"}));
    EXPECT_FALSE(p.place(""));
    EXPECT_EQ(p.session.diagnosisLog.back(), " - - cancelled - -");

    p.b.db.execute("INSERT INTO NODE (NAME, SYSTEM) VALUES ('B-7', 'OTHER')");
    EXPECT_FALSE(p.place("B-7"));
    EXPECT_EQ(p.ui.texts(), std::vector<std::string>{"Node 'B-7' already exist."});
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'S1'"), 1);

    p.ui.clear();
    p.editor.setSystem("NOSUCH");
    bool asked = false;
    std::string added;
    EXPECT_FALSE(p.editor.entityAddRequest("", "Curb Inlet", 1, 1, [&] { asked = true; return NewNodeChoice{"X", ""}; },
                                           added));
    EXPECT_FALSE(asked);  // refused before the dialog
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].text,
              "A System must be added before a node can be created.\r"
              "Use: Edit|Storm Sewer System Add/Delete/Rename pulldown to add a new system.");
    EXPECT_EQ(p.ui.beeps, 1);
}

// The first node of a project: the editor offers to add its system, and the caller places the
// node again once that system is current.
TEST(DiagramAddEntity, PlacingWithoutASystemOffersToAddOne) {
    DiagramProject p;
    p.editor.setSystem("");
    int offered = 0;
    p.editor.offerSystem = [&] {
        ++offered;
        p.b.db.execute("INSERT INTO T16 (SYSTEM) VALUES ('SYSTEM1')");
        return std::string("SYSTEM1");
    };
    std::string added;
    p.ui.answers.push_back(ui::Answer::No);
    EXPECT_FALSE(p.editor.entityAddRequest("", "Curb Inlet", 1, 1, [] { return NewNodeChoice{"X", ""}; }, added));
    EXPECT_EQ(offered, 0);  // declined: nothing added
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].text, kNoSystemQuestion);
    EXPECT_EQ(p.ui.messages[0].defaultAnswer, ui::Answer::Yes);
    EXPECT_FALSE(p.editor.entityAddRequest("", "Curb Inlet", 1, 1, [] { return NewNodeChoice{"X", ""}; }, added));
    EXPECT_EQ(offered, 1);
    EXPECT_EQ(p.editor.system(), "SYSTEM1");
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM NODE"), 0);
    // placed again, the node goes into the new system
    EXPECT_TRUE(p.editor.entityAddRequest("", "Curb Inlet", 1, 1, [] { return NewNodeChoice{"X", ""}; }, added));
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'SYSTEM1' AND NAME = 'X'"), 1);
}

TEST(DiagramOutfall, SecondOutfallRefusedUntilTheFirstIsDeleted) {
    DiagramProject p;
    // the system's storm (zone 6, 3 years) is not in the IDF table: the outfall brings one that is,
    // the first zone's 10-year storm
    p.b.db.execute("DELETE FROM T2");
    p.b.db.execute("INSERT INTO T2 (Zone, Freq, A, B, C, D) VALUES ('2', '5', 9, -2, 0, 0), ('2', '10', 10, -2, 0, 0), "
                   "('3', '10', 11, -2, 0, 0)");
    ASSERT_TRUE(p.place("OUT-1", "Outfall", 8000, 3500, "OUTFALL"));
    EXPECT_EQ(p.text("SELECT OUT_NODE FROM T16 WHERE SYSTEM = 'S1'"), "OUT-1");
    EXPECT_EQ(p.text("SELECT ZONE FROM T16"), "2");
    EXPECT_DOUBLE_EQ(p.b.db.scalar("SELECT FREQ FROM T16").toDouble(), 10);
    EXPECT_EQ(p.session.diagnosisLog.back(), " - DATA16: OUT-1 x:8000 y:3500");

    EXPECT_FALSE(p.place("OUT-2", "Outfall"));
    EXPECT_EQ(p.ui.texts(), std::vector<std::string>{"An outfall node 'OUT-1' already exist for this system 'S1'."});
    EXPECT_EQ(p.text("SELECT OUT_NODE FROM T16"), "OUT-1");

    // a reach into the outfall goes with it
    ASSERT_TRUE(p.place("N1"));
    ASSERT_TRUE(p.editor.relationAddRequest("", "N1", "OUT-1", 2));
    const std::size_t mark = p.session.diagnosisLog.size();
    p.editor.entityDeleted("OUT-1\rTop El: (22.36)");
    EXPECT_EQ(p.logSince(mark), (std::vector<std::string>{"EntityDeleted", " - Out_Node: OUT-1"}));
    EXPECT_EQ(p.text("SELECT OUT_NODE FROM T16"), "");
    // a storm the table holds is kept
    EXPECT_EQ(p.text("SELECT ZONE FROM T16"), "2");
    EXPECT_DOUBLE_EQ(p.b.db.scalar("SELECT FREQ FROM T16").toDouble(), 10);
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM REACH"), 0);
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM NODE"), 1);

    EXPECT_TRUE(p.place("OUT-2", "Outfall", 7000, 3000, "OUTFALL"));
    EXPECT_EQ(p.text("SELECT OUT_NODE FROM T16"), "OUT-2");
}

TEST(DiagramReach, AddedWithClassPipeOnlyOneOutgoingStretchedDownstreamAndMoved) {
    DiagramProject p;
    for (const char* n : {"N1", "N2", "N3"}) ASSERT_TRUE(p.place(n));
    ASSERT_TRUE(p.editor.relationAddRequest("", "N1\rInEl: 0.00", "N2", 2));
    // ends, the pipe of the class, a pipe of one barrel; size and inverts computed, the length typed
    EXPECT_EQ(p.text("SELECT NODE1 || '>' || NODE2 || ' ' || PIPE_NAME || ' ' || REACH_TYPE || ' ' || BARRELS || "
                     "' ' || (CALC_PIPESIZE <> 0) || (CALC_FROM_ELEV <> 0) || (CALC_PIPEL <> 0) "
                     "FROM REACH WHERE NAME = 'N1'"),
              "N1>N2 18RCP 0 1.0 110");

    EXPECT_FALSE(p.editor.relationAddRequest("N1", "N1", "N3", 0));
    EXPECT_EQ(p.ui.texts(), std::vector<std::string>{
                                "Node 'N1' already has an outgoing Reach.\rOnly one(1) outgoing reach is allowed."});
    EXPECT_EQ(p.text("SELECT NODE2 FROM REACH WHERE NODE1 = 'N1'"), "N2");
    EXPECT_EQ(p.session.diagnosisLog.back(), "RelationAddRequest: Name 'N1'");

    ASSERT_TRUE(p.place("OUT", "Outfall", 10, 10, "OUTFALL"));
    EXPECT_FALSE(p.editor.relationAddRequest("", "OUT", "N3", 2));
    EXPECT_EQ(p.ui.texts().back(), "The outfall 'OUT' cannot have an outgoing Reach.");
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM REACH"), 1);

    SCOPED_TRACE("stretched: only the downstream end moves, onto a named entity");
    EXPECT_FALSE(p.editor.beforeStretchRelation("N1", ReachEnd::Upstream, "N3"));
    EXPECT_EQ(p.ui.texts().back(), "The upstream end of a reach cannot be relocated.");
    EXPECT_FALSE(p.editor.beforeStretchRelation("N1", ReachEnd::Downstream, "\rlabel only"));
    EXPECT_EQ(p.ui.texts().back(), "Missing downstream node name");
    EXPECT_EQ(p.text("SELECT NODE1 || '>' || NODE2 FROM REACH"), "N1>N2");
    std::size_t mark = p.session.diagnosisLog.size();
    EXPECT_TRUE(p.editor.beforeStretchRelation("N1", ReachEnd::Downstream, "N3\rInEl: 0.00"));
    p.editor.afterStretchRelation("N1", "N3");
    EXPECT_EQ(p.logSince(mark),
              (std::vector<std::string>{"BeforeStretchRelation: StretchedRelation N1",
                                        "        - NewTargetEntity.Text: 'N3\rInEl: 0.00'",
                                        " - Updated Data52:Node2= N3",
                                        "AfterStretchRelation: StretchedRelation 'N1'  NewEntity 'N3'"}));
    EXPECT_EQ(p.text("SELECT NODE2 FROM REACH"), "N3");

    SCOPED_TRACE("moved: node and outfall positions stored");
    mark = p.session.diagnosisLog.size();
    p.editor.entityMoved("N1\rInEl: 1.00", 1234.5, 678);
    p.editor.entityMoved("OUT", 9000, 10000);
    EXPECT_EQ(p.logSince(mark), (std::vector<std::string>{"EntityMoved", " - DATA51: Updated  x:1234.5 y:678",
                                                          "EntityMoved", " - DATA16: Updated  x:9000 y:10000"}));
    EXPECT_DOUBLE_EQ(p.b.db.scalar("SELECT XD FROM NODE WHERE NAME = 'N1'").toDouble(), 1234.5);
    EXPECT_DOUBLE_EQ(p.b.db.scalar("SELECT YD FROM T16").toDouble(), 10000);
}

TEST(DiagramDelete, NodeTakesItsReachesInAndOutButNotOthers) {
    DiagramProject p;
    db::UndoHistory& history = p.b.db.attachHistory();
    for (const char* n : {"A", "B", "C", "D", "E"}) ASSERT_TRUE(p.place(n));
    ASSERT_TRUE(p.editor.relationAddRequest("", "A", "C", 2));
    ASSERT_TRUE(p.editor.relationAddRequest("", "B", "C", 2));
    ASSERT_TRUE(p.editor.relationAddRequest("", "C", "D", 2));
    ASSERT_TRUE(p.editor.relationAddRequest("", "D", "E", 2));
    const std::size_t mark = p.session.diagnosisLog.size();
    p.editor.entityDeleted("C\rMH5");
    EXPECT_EQ(p.logSince(mark), (std::vector<std::string>{"EntityDeleted", " - Reg. Node: C", " - Reach: A",
                                                          " - Reach: B", " - Reach: C"}));
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM NODE WHERE NAME = 'C'"), 0);
    EXPECT_EQ(p.text("SELECT group_concat(NAME) FROM REACH"), "D");
    // one undo step brings the node and its reaches back
    EXPECT_EQ(history.undoName(), "Delete Node");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM REACH"), 4);
    EXPECT_EQ(history.undoName(), "Add Reach");
    // listing the entities writes their names into the log
    const std::size_t listed = p.session.diagnosisLog.size();
    p.editor.listEntities({" A\rx", "OUT"});
    EXPECT_EQ(p.logSince(listed), (std::vector<std::string>{"Total Entities = 2", "1: A", "2: OUT"}));
}

TEST(DiagramDelete, NameWithAQuoteMarkIsHandledExactly) {
    DiagramProject p;
    ASSERT_TRUE(p.place("O'NEIL"));
    ASSERT_TRUE(p.place("O'NEI"));
    ASSERT_TRUE(p.editor.relationAddRequest("", "O'NEIL", "O'NEI", 2));
    p.editor.entityMoved("O'NEIL", 300, 400);
    EXPECT_DOUBLE_EQ(p.b.db.scalar("SELECT XD FROM NODE WHERE NAME = 'O''NEIL'").toDouble(), 300);
    EXPECT_EQ(p.editor.clickRelation("O'NEIL"), "O'NEIL");
    EXPECT_EQ(p.editor.clickEntity("O'NEIL\rx").kind, ClickedEntity::Kind::Node);
    EXPECT_EQ(pointerText(1234.5, 99.4), "xy: 1235,99");  // rounded half away from zero
    p.editor.entityDeleted("O'NEIL");
    EXPECT_EQ(p.text("SELECT group_concat(NAME) FROM NODE"), "O'NEI");
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM REACH"), 0);
}
