// Reach lengths measured on survey coordinates: the switch, node moves, typed lengths, imports, undo.
#include <gtest/gtest.h>

#include <cmath>

#include "db/record_set.h"
#include "db/schema.h"
#include "db/undo_history.h"
#include "diagram/diagram_editor.h"
#include "editing/edit_panel.h"
#include "editing/survey_lengths.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::editing;

namespace {

/// System S1: A (0,0 unplaced) and B, C placed; A -> B -> C -> OUT; D -> C with a typed length.
///   B (1000, 5000), C (1030, 5040): 50.00 apart; OUT at (1030, 5160): 120.00 below C.
struct SurveyProject {
    test::SystemBuilder b;
    Session session;
    ui::RecordingUi ui;
    db::UndoHistory* history = nullptr;

    /// `madeBeforeTheSwitch`: the file lacks the field, as one made by an earlier version.
    explicit SurveyProject(bool madeBeforeTheSwitch = false) {
        if (madeBeforeTheSwitch) {
            b.db.exec(std::string("ALTER TABLE T0 DROP COLUMN ") + db::quoteIdent(db::kSurveyCoordinatesField));
            b.db.invalidateLayouts();
        }
        history = &b.db.attachHistory();
        b.add("T16", {{"SYSTEM", "S1"}, {"OUT_NODE", "OUT"}, {"XD", 1030.0}, {"YD", 5160.0}});
        b.nodeRow("S1", "A", {{"XD", 0.0}, {"YD", 0.0}});
        b.nodeRow("S1", "B", {{"XD", 1000.0}, {"YD", 5000.0}});
        b.nodeRow("S1", "C", {{"XD", 1030.0}, {"YD", 5040.0}});
        b.nodeRow("S1", "D", {{"XD", 1060.0}, {"YD", 5000.0}});
        b.reachRow("S1", "A", "B", {{"LENGTH", 75.0}, {"CALC_PIPEL", -1}});
        b.reachRow("S1", "B", "C", {{"LENGTH", 10.0}, {"CALC_PIPEL", -1}});
        b.reachRow("S1", "C", "OUT", {{"LENGTH", 10.0}, {"CALC_PIPEL", -1}});
        b.reachRow("S1", "D", "C", {{"LENGTH", 33.0}, {"CALC_PIPEL", 0}});
        history->clear();
    }
    double length(const std::string& reach) {
        return b.db.scalar("SELECT LENGTH FROM REACH WHERE NAME = ?", {reach}).toDouble();
    }
    bool calcLength(const std::string& reach) {
        return b.db.scalar("SELECT CALC_PIPEL FROM REACH WHERE NAME = ?", {reach}).toDouble() != 0;
    }
};

TEST(SurveyCoordinates, SchematicProjectNeverComputesLengths) {
    SurveyProject p;
    diagram::DiagramEditor editor(p.b.db, p.session, p.ui, "S1");
    editor.entityMoved("B", 0, 0);
    editor.entityMoved("C", 5000, 9000);
    EXPECT_EQ(updateAllReachLengths(p.b.db), 0);
    EXPECT_NEAR(p.length("B"), 10.0, 1e-9);
    EXPECT_NEAR(p.length("C"), 10.0, 1e-9);
}

TEST(SurveyCoordinates, LengthsAreMeasuredOnTurningOnDrawingStretchingAndMovingButATypedLengthIsKept) {
    SurveyProject p;
    EXPECT_FALSE(surveyCoordinates(p.b.db));  // a new project is schematic
    // only computed lengths between placed nodes: A has no position, D's length was typed
    EXPECT_EQ(setSurveyCoordinates(p.b.db, true), 2);
    EXPECT_NEAR(p.length("B"), 50.0, 1e-9);   // 30-40-50 triangle
    EXPECT_NEAR(p.length("C"), 120.0, 1e-9);  // to the outfall's position
    EXPECT_TRUE(p.length("A") == 75.0 && p.length("D") == 33.0);
    // one undo step takes back the switch and the lengths together
    EXPECT_EQ(p.history->undoName(), "Survey Coordinates");
    ASSERT_TRUE(p.history->undo());
    EXPECT_FALSE(surveyCoordinates(p.b.db));
    EXPECT_TRUE(p.length("B") == 10.0 && p.length("C") == 10.0);
    setSurveyCoordinates(p.b.db, true);
    diagram::DiagramEditor editor(p.b.db, p.session, p.ui, "S1");
    p.b.nodeRow("S1", "E", {{"XD", 1030.0}, {"YD", 5000.0}});
    ASSERT_TRUE(editor.relationAddRequest("", "E", "C", 0));
    EXPECT_TRUE(p.calcLength("E"));
    EXPECT_NEAR(p.length("E"), 40.0, 1e-9);
    ASSERT_TRUE(editor.beforeStretchRelation("E", diagram::ReachEnd::Downstream, "B"));
    EXPECT_NEAR(p.length("E"), 30.0, 1e-9);

    SCOPED_TRACE("a length typed in the panel is kept from then on");
    EditPanel panel(p.b.db, p.session, "S1");
    panel.selectNode("B");
    ASSERT_TRUE(panel.reach.calcLength);
    EXPECT_EQ(panel.reach.length, "50");
    panel.enterReachField();
    panel.reach.length = "48.5";
    EXPECT_EQ(panel.valueTyped(14), 0);  // no button to clear
    ASSERT_TRUE(panel.updateReachRecord());
    EXPECT_FALSE(p.calcLength("B"));
    EXPECT_NEAR(p.length("B"), 48.5, 1e-9);
    editor.entityMoved("C", 1000, 5100);
    EXPECT_NEAR(p.length("B"), 48.5, 1e-9);
    EXPECT_NEAR(p.length("C"), 67.08, 1e-9);  // to the outfall: sqrt(30^2 + 60^2) = 67.082 to the hundredth
    EXPECT_EQ(p.history->undoName(), "Move Node");
    ASSERT_TRUE(p.history->undo());
    EXPECT_NEAR(p.length("C"), 120.0, 1e-9);
    editor.entityMoved("OUT", 1030, 5240);
    EXPECT_NEAR(p.length("C"), 200.0, 1e-9);
}

TEST(SurveyCoordinates, ProjectMadeBeforeTheSwitchOpensSchematicAndTakesItOnFirstUse) {
    SurveyProject p(true);
    ASSERT_LT(p.b.db.layout("T0").position(db::kSurveyCoordinatesField), 0);
    EXPECT_FALSE(surveyCoordinates(p.b.db));
    EXPECT_EQ(setSurveyCoordinates(p.b.db, true), 2);
    EXPECT_TRUE(surveyCoordinates(p.b.db));
    ASSERT_TRUE(p.history->undo());
    EXPECT_FALSE(surveyCoordinates(p.b.db));
    EXPECT_NEAR(p.length("B"), 10.0, 1e-9);
}

}  // namespace
