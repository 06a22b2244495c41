// Scripted record editing: a system built without windows, refusals that write nothing, switches and undo.
#include <gtest/gtest.h>

#include <tuple>

#include "common/text.h"
#include "db/undo_history.h"
#include "editing/survey_lengths.h"
#include "scripting/project_editor.h"
#include "support/test_support.h"

using namespace kolv;
using namespace kolv::scripting;

namespace {

struct Built {
    test::TempDir dir;
    std::unique_ptr<db::Database> db = db::Database::open(test::makeEmptyProject(dir));
    ProjectEditor editor{*db, false};

    // A -> B -> OUT, with C joining B
    Built() {
        EXPECT_TRUE(editor.addSystem({"S1", "OUT", "", 95.5, std::nullopt, std::nullopt}));
        for (const char* n : {"C", "B", "A"}) EXPECT_TRUE(editor.addNode("S1", {n, "MH4", std::nullopt, std::nullopt}));
        EXPECT_TRUE(editor.addReach("S1", {"B", "OUT", ReachKind::Pipe, ""}));
        EXPECT_TRUE(editor.addReach("S1", {"A", "B", ReachKind::Pipe, ""}));
        EXPECT_TRUE(editor.addReach("S1", {"C", "B", ReachKind::Ditch, ""}));
    }
    std::vector<std::string> names(const std::vector<Record>& rs) {
        std::vector<std::string> out;
        for (const auto& r : rs) out.push_back(r.name);
        return out;
    }
};

struct Refusal {
    const char* what;
    std::function<EditResult(ProjectEditor&)> edit;
    const char* message;  // part of the message the engineer reads
};

TEST(ProjectEditor, BuildsASystemReadInFlowOrderAndRefusalsSayWhyAndWriteNothing) {
    const std::vector<Refusal> cases = {
        {"C above 1", [](auto& e) { return e.setField(RecordKind::Node, "S1", "A", "RUNOFF_C1", "1.5"); }, "Area 1-C"},
        {"decimal comma", [](auto& e) { return e.setField(RecordKind::Node, "S1", "A", "TC", "0,3"); }, "period"},
        {"unknown field", [](auto& e) { return e.setField(RecordKind::Node, "S1", "A", "COLOUR", "red"); }, "COLOUR"},
        {"rename by field", [](auto& e) { return e.setField(RecordKind::Node, "S1", "A", "name", "Z"); }, "renumber"},
        {"negative length", [](auto& e) { return e.setField(RecordKind::Reach, "S1", "A", "LENGTH", "-3"); }, "Length"},
        {"unknown pipe", [](auto& e) { return e.setField(RecordKind::Reach, "S1", "A", "PIPE_NAME", "NOPE"); }, "NOPE"},
        {"long text", [](auto& e) { return e.setField(RecordKind::Node, "S1", "A", "STATION", "1234567890123"); }, "12"},
        {"switch word", [](auto& e) { return e.setField(RecordKind::Reach, "S1", "A", "CALC_PIPEL", "maybe"); }, "Yes or No"},
        {"tailwater", [](auto& e) { return e.setField(RecordKind::Outfall, "S1", "", "OUT_TW", "99999"); }, "Tailwater"},
        {"outfall named as node", [](auto& e) { return e.setField(RecordKind::Outfall, "S1", "", "OUT_NODE", "a"); }, "has that name"},
        {"no such system", [](auto& e) { return e.setField(RecordKind::Node, "S9", "A", "TC", "5"); }, "S9"},
        {"duplicate node", [](auto& e) { return e.addNode("S1", {"b", "", std::nullopt, std::nullopt}); }, "already exist"},
        {"unknown structure", [](auto& e) { return e.addNode("S1", {"D", "XX", std::nullopt, std::nullopt}); }, "XX"},
        {"second reach", [](auto& e) { return e.addReach("S1", {"A", "OUT", ReachKind::Pipe, ""}); }, "Only one(1)"},
        {"reach from outfall", [](auto& e) { return e.addReach("S1", {"OUT", "A", ReachKind::Pipe, ""}); }, "outfall"},
        {"reach to nowhere", [](auto& e) { return e.addReach("S1", {"A", "Q", ReachKind::Pipe, ""}); }, "'Q'"},
        {"reach to itself", [](auto& e) { return e.setField(RecordKind::Reach, "S1", "A", "NODE2", "A"); }, "own node"},
        {"duplicate system", [](auto& e) { return e.addSystem({"S1", "", "", std::nullopt, std::nullopt, std::nullopt}); }, "already exist"},
        {"outfall name taken", [](auto& e) { return e.addSystem({"S2", "A", "", std::nullopt, std::nullopt, std::nullopt}); }, "has that name"},
        {"delete missing reach", [](auto& e) { return e.deleteReach("S1", "OUT"); }, "no outgoing reach"},
    };
    Built p;
    auto out = p.editor.outfall("S1");
    ASSERT_TRUE(out);
    EXPECT_EQ(trim((*out)["OUT_NODE"].toText()), "OUT");
    EXPECT_DOUBLE_EQ((*out)["out_tw"].toDouble(), 95.5);
    // each reach after every reach draining into its node; ties in the order they were added
    EXPECT_EQ(p.names(p.editor.reaches("S1")), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(p.names(p.editor.nodes("S1")), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(p.editor.reach("S1", "C")->operator[]("REACH_TYPE").toInt(), 2);
    EXPECT_EQ(p.editor.systems(), std::vector<std::string>{"S1"});

    for (const auto& c : cases) {
        const long long before = p.db->totalChanges();
        const EditResult r = c.edit(p.editor);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_NE(r.message.find(c.message), std::string::npos) << c.what << ": " << r.message;
        EXPECT_EQ(p.db->totalChanges(), before) << c.what << " wrote something";
    }
    EXPECT_EQ(p.editor.systems(), std::vector<std::string>{"S1"});  // the refused S2 left nothing
}

// A value typed where a calculation switch governs is the engineer's: the switch goes off.
TEST(ProjectEditor, TypedComputedValuesTurnTheirSwitchOff) {
    struct Case {
        RecordKind kind;
        const char* field;
        db::Value value;
        const char* switchField;
    };
    const std::vector<Case> cases = {{RecordKind::Node, "RUNOFF_C2", 0.45, "CALC_RUNOFF_C2"},
                                     {RecordKind::Reach, "ELEV1", 101.2, "CALC_FROM_ELEV"},
                                     {RecordKind::Reach, "elev2", "100.9", "CALC_TO_ELEV"},
                                     {RecordKind::Reach, "PIPE_NAME", "RCP18", "CALC_PIPESIZE"},
                                     {RecordKind::Reach, "LENGTH", 250, "CALC_PIPEL"}};
    Built p;
    ASSERT_TRUE(p.editor.setField(RecordKind::Reach, "S1", "A", "CALC_PIPEL", "yes"));
    for (const auto& c : cases) {
        auto read = [&] { return c.kind == RecordKind::Node ? *p.editor.node("S1", "A") : *p.editor.reach("S1", "A"); };
        EXPECT_TRUE(read()[c.switchField].toBool()) << c.field;
        const EditResult r = p.editor.setValue(c.kind, "S1", "A", c.field, c.value);
        EXPECT_TRUE(r.ok) << c.field << ": " << r.message;
        EXPECT_FALSE(read()[c.switchField].toBool()) << c.field;
        // runoff coefficients are stored single precision
        EXPECT_NEAR(read()[c.field].toDouble(), c.value.toDouble(), 1e-6) << c.field;
    }
    // a field outside the panel's switches leaves them alone
    ASSERT_TRUE(p.editor.setField(RecordKind::Node, "S1", "B", "TC", "12"));
    EXPECT_TRUE((*p.editor.node("S1", "B"))["CALC_RUNOFF_C1"].toBool());
}

TEST(ProjectEditor, ChangeScopeIsOneUndoStepAndDeletesFollowTheNetwork) {
    Built p;
    db::UndoHistory& history = p.db->attachHistory();
    history.clear();
    {
        ProjectEditor::Change step(*p.db, "Areas");
        ASSERT_TRUE(p.editor.setField(RecordKind::Node, "S1", "A", "P_C1DA", "1.25"));
        ASSERT_TRUE(p.editor.setField(RecordKind::Node, "S1", "B", "P_C1DA", "2"));
    }
    EXPECT_EQ(history.undoNames(), std::vector<std::string>{"Areas"});
    ASSERT_TRUE(p.editor.deleteNode("S1", "B"));  // with the reaches into and out of it
    EXPECT_EQ(p.names(p.editor.reaches("S1")), std::vector<std::string>{});
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(p.names(p.editor.reaches("S1")), (std::vector<std::string>{"A", "C", "B"}));
    ASSERT_TRUE(history.undo());
    EXPECT_EQ((*p.editor.node("S1", "A"))["P_C1DA"].toDouble(), 0.0);

    // the outfall renamed carries its reaches along
    ASSERT_TRUE(p.editor.setField(RecordKind::Outfall, "S1", "", "OUT_NODE", "OUTLET"));
    EXPECT_EQ(trim((*p.editor.reach("S1", "B"))["NODE2"].toText()), "OUTLET");
    ASSERT_TRUE(p.editor.deleteSystem("S1"));
    EXPECT_TRUE(p.editor.systems().empty());
    EXPECT_TRUE(p.editor.nodes("S1").empty());
}

}  // namespace

TEST(ProjectEditor, PositionsSetOnSurveyCoordinatesMeasureTheComputedLengths) {
    Built p;
    editing::setSurveyCoordinates(*p.db, true);
    p.db->execute("UPDATE REACH SET CALC_PIPEL = -1, LENGTH = 1");
    for (const auto& [node, x, y] : std::vector<std::tuple<std::string, double, double>>{
             {"A", 100, 100}, {"B", 100, 400}})
        for (const auto& [field, v] : {std::pair{"XD", x}, std::pair{"YD", y}})
            ASSERT_TRUE(p.editor.setValue(RecordKind::Node, "S1", node, field, v));
    EXPECT_DOUBLE_EQ((*p.editor.reach("S1", "A"))["LENGTH"].toDouble(), 300);  // 400 - 100 north
    ASSERT_TRUE(p.editor.setValue(RecordKind::Outfall, "S1", "", "XD", 500.0));
    ASSERT_TRUE(p.editor.setValue(RecordKind::Outfall, "S1", "", "YD", 100.0));
    EXPECT_DOUBLE_EQ((*p.editor.reach("S1", "B"))["LENGTH"].toDouble(), 500);  // 400 east, 300 south
}
