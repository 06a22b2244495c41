// No value that is not a number reaches T60: the project of a crash report runs clean, and a
// result that does come out as NaN or infinite stops the run before anything is written.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "db/project.h"
#include "hydraulics/results.h"
#include "hydraulics/run_command.h"
#include "session/session.h"
#include "support/table_snapshot.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;

namespace {

struct ReportedProject {
    test::TempDir dir;
    std::unique_ptr<db::Project> project;
    ReportedProject() {
        // 10 passes, deep wells and French drains on, no junction loss (its stored options)
        const std::string path = dir.file("nan.mdb");
        std::filesystem::copy_file(std::string(KOLV_TEST_DATA_DIR) + "/regressions/storm-tabs-nan-crash.mdb", path);
        ui::SilentUi silent;
        project = db::openProject(path, silent);
    }
};

}  // namespace

TEST(NonFiniteResults, TheReportedProjectRunsToTheEndWithEveryResultANumber) {
    // Its grade line used to turn into NaN once travel times followed the backwater state of the
    // pass before; with the flow against the capacity deciding the velocity it stays finite.
    ReportedProject p;
    Session session;
    ui::RecordingUi ui;
    const auto out = hydraulics::computeHydraulics(*p.project, session, ui,
                                                   hydraulics::loadHydraulicsOptions(*p.project->db, p.project->metric), "G974");
    ASSERT_TRUE(out.started);
    EXPECT_EQ(out.run.status, 0);
    EXPECT_FALSE(hydraulics::firstNonFiniteResult("G974", out.run.records, false).has_value());
    EXPECT_EQ(p.project->db->scalar("SELECT COUNT(*) FROM T60 WHERE SYSTEM = 'G974'").toInt(),
              static_cast<long long>(out.run.records.size()));
}

TEST(NonFiniteResults, ANanOrInfiniteResultIsNamedWithItsReachAndQuantity) {
    ReportedProject p;
    Session session;
    ui::RecordingUi ui;
    auto out = hydraulics::computeHydraulics(*p.project, session, ui,
                                             hydraulics::loadHydraulicsOptions(*p.project->db, p.project->metric), "G974");
    ASSERT_GE(out.run.records.size(), 3u);
    auto records = out.run.records;
    records[2].hglUp = std::numeric_limits<double>::quiet_NaN();
    auto fault = hydraulics::firstNonFiniteResult("G974", records, false);
    ASSERT_TRUE(fault.has_value());
    EXPECT_NE(fault->find("of node " + records[2].name), std::string::npos) << *fault;
    EXPECT_NE(fault->find("upstream grade line (HGL_UP) came out as not a number"), std::string::npos) << *fault;
    EXPECT_NE(fault->find("wrote nothing"), std::string::npos);

    records[2].hglUp = 0;
    records[1].q = std::numeric_limits<double>::infinity();
    fault = hydraulics::firstNonFiniteResult("G974", records, false);
    ASSERT_TRUE(fault.has_value());
    EXPECT_NE(fault->find("design flow (Q) came out as infinite"), std::string::npos) << *fault;
}
