// Check storms on the sample project: the design's results untouched, the scenario's grade line kept and undone.
#include <gtest/gtest.h>

#include "db/undo_history.h"
#include "hydraulics/hydraulics_options.h"
#include "hydraulics/profile_model.h"
#include "hydraulics/run.h"
#include "hydraulics/run_options.h"
#include "review/check_storms.h"
#include "session/session.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;

namespace {

struct CheckStormFixture : ::testing::Test {
    test::TempDir dir;
    ui::RecordingUi ui;
    Session session;
    std::unique_ptr<db::Project> project;
    hydraulics::RunOptions options;

    void SetUp() override {
        project = db::openProject(test::makeSample(dir), ui);
        options = hydraulics::runOptionsFrom(hydraulics::loadHydraulicsOptions(*project->db, project->metric));
        ASSERT_EQ(hydraulics::runStormTabs(*project, session, ui, options, "MAINST").status, 0);
    }
    /// Every stored value of a table's rows of the system, in storage order, as text.
    std::string dump(const std::string& table) {
        std::string out;
        db::Statement q = project->db->prepare("SELECT * FROM " + table + " WHERE SYSTEM = 'MAINST' ORDER BY rowid");
        while (q.step())
            for (int c = 0; c < q.columnCount(); ++c) out += q.column(c).toText() + (q.column(c).isNull() ? "~|" : "|");
        return out;
    }
};

}  // namespace

TEST_F(CheckStormFixture, ScenarioIsOneUndoStepAndRefusalsKeepNothing) {
    db::UndoHistory& history = project->db->attachHistory();
    ASSERT_EQ(review::runScenario(*project, session, ui, "MAINST", options, {"25-year", "25", 1.0}), 0);
    EXPECT_EQ(history.undoName(), "Check Storm: 25-year");
    ASSERT_TRUE(history.undo());
    EXPECT_TRUE(review::loadScenarios(*project->db, "MAINST").empty());

    struct Refused {
        review::ScenarioSpec storm;
        const char* why;
    };
    for (const Refused& r : {Refused{{"", "", 1.0}, "no name"}, Refused{{"x", "", 0.0}, "factor 0"},
                             Refused{{"design", "", 1.1}, "the design's own name"},
                             Refused{{"x", "7", 1.0}, "a frequency the zone does not have"}}) {
        SCOPED_TRACE(r.why);
        ui.clear();
        EXPECT_EQ(review::runScenario(*project, session, ui, "MAINST", options, r.storm), -1);
        EXPECT_FALSE(ui.texts().empty());
        EXPECT_TRUE(review::loadScenarios(*project->db, "MAINST").empty());
    }

    // The design storm again gives the design's grade line exactly and leaves the design's own
    // results alone; the comparison lists the least clearance first.
    const std::string t60 = dump("T60"), t16 = dump("T16");
    ASSERT_EQ(review::runScenario(*project, session, ui, "MAINST", options, {"same", "", 1.0}), 0);
    EXPECT_EQ(dump("T60"), t60);
    EXPECT_EQ(dump("T16"), t16);
    const auto compared = review::compareScenarios(*project->db, "MAINST");
    ASSERT_FALSE(compared.rows.empty());
    for (std::size_t i = 0; i < compared.rows.size(); ++i) {
        const auto& row = compared.rows[i];
        ASSERT_TRUE(row.designHglFt && row.hglFt[0]) << row.node;
        EXPECT_EQ(*row.hglFt[0], *row.designHglFt) << row.node;
        if (i) EXPECT_LE(compared.rows[i - 1].worstClearanceFt, row.worstClearanceFt);
    }
}

TEST_F(CheckStormFixture, ProfileDrawsEachScenarioAlongTheDesignPath) {
    ASSERT_EQ(review::runScenario(*project, session, ui, "MAINST", options, {"same", "", 1.0}), 0);
    ASSERT_EQ(review::runScenario(*project, session, ui, "MAINST", options, {"wetter", "", 1.3}), 0);
    const hydraulics::ProfileModel model(hydraulics::readProfileRows(*project->db, "MAINST"),
                                         hydraulics::readProfileOutfall(*project->db, "MAINST"));
    for (const bool metric : {false, true}) {
        SCOPED_TRACE(metric ? "metric" : "english");
        auto g = model.build(model.longestPathStart(), metric);
        ASSERT_FALSE(g.hgl.empty());
        review::addScenarioGradeLines(g, review::loadScenarios(*project->db, "MAINST"));
        ASSERT_EQ(g.scenarioHgl.size(), 2u);
        // The design storm again lies on the design's grade line, point for point.
        const auto& same = g.scenarioHgl[0].points;
        ASSERT_EQ(same.size(), g.hgl.size());
        for (std::size_t i = 0; i < same.size(); ++i) {
            EXPECT_DOUBLE_EQ(same[i].x, g.hgl[i].x);
            EXPECT_NEAR(same[i].y, g.hgl[i].y, 1e-9);
        }
        for (const auto& pt : g.scenarioHgl[1].points) EXPECT_LE(pt.y, g.yMax);
    }
}
