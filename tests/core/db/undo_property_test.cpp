// Undo and redo against random sequences of edits and design steps on the sample project:
// undoing everything gives back the tables byte for byte, redoing everything the state after.
#include <gtest/gtest.h>

#include <random>

#include "cost/system_cost.h"
#include "db/project.h"
#include "db/record_set.h"
#include "db/undo_history.h"
#include "flowline/flow_lines.h"
#include "hydraulics/run_command.h"
#include "session/session.h"
#include "sizing/pipe_sizing.h"
#include "support/table_snapshot.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;

namespace {

struct Sequence {
    std::unique_ptr<db::Project> project;
    Session session;
    ui::RecordingUi ui;
    std::mt19937 rng;

    std::string pick(const std::string& sql) {
        std::vector<std::string> names;
        db::Statement st = project->db->prepare(sql);
        while (st.step()) names.push_back(st.column(0).toText());
        if (names.empty()) return {};
        return names[std::uniform_int_distribution<std::size_t>(0, names.size() - 1)(rng)];
    }
    std::string system() { return rng() % 2 ? "MAINST" : "OAKAVE"; }

    void act(int kind) {
        db::Database& db = *project->db;
        switch (kind) {
            case 0: {  // a panel edit of one node field
                std::string node = pick("SELECT NAME FROM NODE");
                db::UndoAction step(db, "Edit Node " + node);
                db::RecordSet nodes(db, "NODE", "NAME = ?", {db::Value(node)});
                nodes.edit();
                nodes.set("TC", 5.0 + rng() % 20);
                nodes.set("RUNOFF_C1", 0.1 * (rng() % 10));
                nodes.update();
                break;
            }
            case 1: {  // a reach edit with its switch
                std::string reach = pick("SELECT NAME FROM REACH");
                db::UndoAction step(db, "Edit Reach " + reach);
                db.execute("UPDATE REACH SET LENGTH = LENGTH + 10, CALC_PIPESIZE = 0 WHERE NAME = ?",
                           {db::Value(reach)});
                break;
            }
            case 2: {
                sizing::SizingOptions o = sizing::SizingOptions::defaults();
                o.group = 1;
                o.criterion = sizing::Criterion::HglSlope;
                o.maxHglSlopePercent = 0.3;
                sizing::computePipeSizes(*project, ui, system(), o);
                break;
            }
            case 3: flowline::setFlowLines(*project, system(), flowline::FlowLineOptions::defaults(false), ui); break;
            case 4: {
                auto options = hydraulics::loadHydraulicsOptions(db, project->metric);
                hydraulics::computeHydraulics(*project, session, ui, options, system());
                break;
            }
            case 5: cost::computeSystemCost(db, system(), cost::CostOptions{}, ui); break;
            case 6: {  // a node deleted with its outgoing reach
                std::string node = pick("SELECT NAME FROM NODE WHERE NAME NOT IN (SELECT NODE2 FROM REACH)");
                if (node.empty()) break;
                db::UndoAction step(db, "Delete Node " + node);
                db.execute("DELETE FROM REACH WHERE NODE1 = ?", {db::Value(node)});
                db.execute("DELETE FROM NODE WHERE NAME = ?", {db::Value(node)});
                break;
            }
            default: {  // a node added
                db::UndoAction step(db, "Add Node");
                db.execute("INSERT INTO NODE(NAME, SYSTEM, TC, P_C1DA, RUNOFF_C1) VALUES(?, 'MAINST', 10, 0.5, 0.8)",
                           {db::Value("N" + std::to_string(rng() % 100000))});
            }
        }
    }
};

}  // namespace

TEST(UndoProperty, RandomEditsAndDesignStepsUndoToTheStartAndRedoToTheEnd) {
    for (unsigned seed : {1u, 7u, 42u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        test::TempDir dir;
        Sequence s;
        ui::SilentUi silent;
        s.project = db::openProject(test::makeSample(dir), silent);
        s.rng.seed(seed);
        db::UndoHistory& history = s.project->db->attachHistory();

        std::vector<std::string> states{test::snapshotTables(*s.project->db)};
        for (int i = 0; i < 12; ++i) {
            const std::size_t stepsBefore = history.undoNames().size();
            s.act(static_cast<int>(s.rng() % 8));
            // an action that changed nothing leaves no step
            if (history.undoNames().size() > stepsBefore) states.push_back(test::snapshotTables(*s.project->db));
        }
        ASSERT_GE(states.size(), 6u);
        ASSERT_EQ(history.undoNames().size(), states.size() - 1);

        for (std::size_t k = states.size() - 1; k > 0; --k) {
            ASSERT_TRUE(history.undo());
            ASSERT_EQ(test::snapshotTables(*s.project->db), states[k - 1]) << "after undoing step " << k;
        }
        EXPECT_FALSE(history.undo());
        for (std::size_t k = 1; k < states.size(); ++k) {
            ASSERT_TRUE(history.redo());
            ASSERT_EQ(test::snapshotTables(*s.project->db), states[k]) << "after redoing step " << k;
        }
        EXPECT_FALSE(history.redo());
    }
}
