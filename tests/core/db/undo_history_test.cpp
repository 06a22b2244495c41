// Undo history: steps, undo and redo of row changes, and what is (not) recorded.
#include <gtest/gtest.h>

#include "db/project.h"
#include "db/record_set.h"
#include "db/undo_history.h"
#include "support/test_support.h"
#include "ui/ui_port.h"

using namespace kolv;

namespace {

class UndoHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::SilentUi silent;
        project = db::openProject(test::makeSample(dir), silent);
        history = &project->db->attachHistory();
    }
    db::Database& db() { return *project->db; }
    double tc(const std::string& node) {
        return db().scalar("SELECT TC FROM NODE WHERE NAME = ?", {db::Value(node)}).toDouble();
    }
    void setTc(const std::string& node, double value) {
        db::RecordSet nodes(db(), "NODE");
        ASSERT_TRUE(nodes.findFirst("NAME = ?", {db::Value(node)}));
        nodes.edit();
        nodes.set("TC", value);
        nodes.update();
    }
    std::string firstNode() { return db().scalar("SELECT NAME FROM NODE ORDER BY rowid LIMIT 1").toText(); }

    test::TempDir dir;
    std::unique_ptr<db::Project> project;
    db::UndoHistory* history = nullptr;
};

}  // namespace

// Random edits, additions, deletions and design steps undo and redo byte for byte in
// undo_property_test; here what makes a step, the names it shows, and what is not recorded.
TEST_F(UndoHistoryTest, StepsNestUnderTheOuterNameAndPausedOrRolledBackChangesAreNoSteps) {
    const std::string node = firstNode();
    const double tc0 = tc(node);
    const std::string outNode = db().scalar("SELECT OUT_NODE FROM T16 ORDER BY rowid LIMIT 1").toText();
    {
        db::UndoAction outer(db(), "Project Setup");
        db().execute("UPDATE T0 SET PRJ_DESC = 'BRIDGE ST'");
        db::UndoAction inner(db(), "Edit Node");
        setTc(node, 20.0);
        // a change of letter case alone is a change, though names compare without case
        db().execute("UPDATE T16 SET OUT_NODE = lower(OUT_NODE) WHERE rowid = (SELECT min(rowid) FROM T16)");
    }
    { db::UndoAction nothing(db(), "Nothing"); }
    {
        // T0 holds both the setup and the current system; choosing a system is not an edit
        db::UndoPause pause(db());
        db().execute("UPDATE T0 SET CURRENT_SYSTEM = 'OAKAVE'");
    }
    setTc(node, 25.0);  // written without a step
    EXPECT_EQ(history->undoNames(), (std::vector<std::string>{"Project Setup", "Edit"}));
    history->undo();
    EXPECT_DOUBLE_EQ(tc(node), 20.0);
    history->undo();
    EXPECT_DOUBLE_EQ(tc(node), tc0);
    EXPECT_EQ(db().scalar("SELECT OUT_NODE FROM T16 ORDER BY rowid LIMIT 1").toText(), outNode);
    EXPECT_NE(db().scalar("SELECT PRJ_DESC FROM T0").toText(), "BRIDGE ST");
    EXPECT_EQ(db().scalar("SELECT CURRENT_SYSTEM FROM T0").toText(), "OAKAVE");
    EXPECT_EQ(history->redoName(), "Project Setup");
    try {
        db::UndoAction step(db(), "Renumber Nodes");
        db::Transaction tx(db());
        setTc(node, 99.0);
        throw std::runtime_error("fault part-way");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(history->canUndo());
    // a table made after the history began is recorded once tracked; a new step drops the redo steps
    db().exec("CREATE TABLE SCRATCH(SETUP VARCHAR(20), COL INTEGER)");
    history->trackTables();
    {
        db::UndoAction step(db(), "Save Setup");
        db().execute("INSERT INTO SCRATCH VALUES('DEFAULT', 3)");
    }
    EXPECT_FALSE(history->canRedo());
    history->undo();
    EXPECT_EQ(db().scalar("SELECT count(*) FROM SCRATCH").toInt(), 0);
}

TEST_F(UndoHistoryTest, TheOldestStepsAreForgottenBeyondTheLimit) {
    history->setLimit(3);
    const std::string node = firstNode();
    for (int i = 0; i < 5; ++i) {
        db::UndoAction step(db(), "Edit " + std::to_string(i));
        setTc(node, 10.0 + i);
    }
    EXPECT_EQ(history->undoNames(), (std::vector<std::string>{"Edit 2", "Edit 3", "Edit 4"}));
    while (history->undo()) {
    }
    EXPECT_DOUBLE_EQ(tc(node), 11.0);
}
