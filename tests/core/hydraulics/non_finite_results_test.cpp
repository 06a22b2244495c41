// A run whose grade line comes out as NaN stops before writing: nothing reaches T60, the
// message names the reach and the quantity, and the previous results stay whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/project.h"
#include "hydraulics/run_command.h"
#include "session/session.h"
#include "support/table_snapshot.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;

TEST(NonFiniteResults, TheNanProjectStopsWithAMessageAndKeepsItsTables) {
    // A project an engineer sent in: 10 passes without a stable grade line, wells and trenches on.
    test::TempDir dir;
    const std::string path = dir.file("nan.mdb");
    std::filesystem::copy_file(std::string(KOLV_TEST_DATA_DIR) + "/regressions/storm-tabs-nan-crash.mdb", path);
    ui::SilentUi silent;
    auto project = db::openProject(path, silent);
    // the results, the run values of the header and the network (the options in T27 are stored
    // by the compute command before it runs, as always)
    const std::vector<std::string> tables{"T60", "T16", "NODE", "REACH"};
    const std::string before = test::snapshotTables(*project->db, tables);

    Session session;
    ui::RecordingUi ui;
    auto options = hydraulics::loadHydraulicsOptions(*project->db);
    const auto out = hydraulics::computeHydraulics(*project, session, ui, options, "G974");
    EXPECT_NE(out.run.status, 0);
    ASSERT_FALSE(ui.messages.empty());
    const auto& box = ui.messages.back();
    EXPECT_EQ(box.title, "INVALID DATA");
    EXPECT_NE(box.text.find("Reach "), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("not a number"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("wrote nothing"), std::string::npos) << box.text;
    EXPECT_EQ(test::snapshotTables(*project->db, tables), before);
}
