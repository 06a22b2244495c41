// The command line never hides why it failed, never replaces a project unasked, refuses files that
// are not projects, and says when a storm tab did not settle or when it waits for a locked file.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>

#include "cli_runner.h"
#include "db/database.h"

namespace kolv::test {

TEST(CommandLineChecks, NewRefusesAnExistingFileUnlessToldAndPipesOrDevicesAreNoProjects) {
    test::TempDir dir;
    const std::string path = test::makeSample(dir);
    const std::string before = test::readAll(path);

    CliRun r = cli(dir, "new '" + path + "'");
    EXPECT_TRUE(refused(r, "already exists; it was left as it is"));
    EXPECT_EQ(test::readAll(path), before);

    ran(dir, "new '" + path + "' --force");
    EXPECT_NE(test::readAll(path), before);

    // A new name needs no permission.
    ran(dir, "new '" + dir.file("fresh.mdb") + "'");

    // pipes, devices and folders are not project files
    const std::string fifo = dir.file("pipe.mdb");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(refused(cli(dir, "info '" + fifo + "'"), "is not a project file"));
    const std::string link = dir.file("zero.mdb");
    std::filesystem::create_symlink("/dev/zero", link);
    r = cli(dir, "verify '" + link + "' --system MAINST");
    EXPECT_TRUE(refused(r, "is not a project file"));
    EXPECT_FALSE(has(r.out, "can not be found")) << r.out;
}

TEST(CommandLineChecks, QuietModeStillSaysWhyACommandFailed) {
    test::TempDir dir;
    const std::string path = test::makeSample(dir);
    const std::string p = "'" + path + "'";

    // A pipe definition without an area stops the storm tab under its own title.
    db::Database::open(path)->exec("UPDATE T7 SET AREA = 0 WHERE NAME IN (SELECT PIPE_NAME FROM REACH WHERE SYSTEM = 'MAINST')");
    CliRun r = cli(dir, "-q storm-tabs " + p + " --system MAINST --format csv");
    EXPECT_EQ(r.code, 3);  // the run refused the data
    EXPECT_TRUE(has(r.out, "cross sectional 'Area' of 0")) << r.out;

    // A system that makes no flow stops with its condition, also when quiet.
    const std::string fresh = test::makeSample(dir, "dry.mdb");
    db::Database::open(fresh)->exec("UPDATE NODE SET P_C1DA = 0, P_C2DA = 0, P_C3DA = 0, BASE_FLOW = 0 WHERE SYSTEM = 'MAINST'");
    r = cli(dir, "-q storm-tabs '" + fresh + "' --system MAINST --format csv");
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(has(r.out, "has zero flow moving through it")) << r.out;
}

TEST(CommandLineChecks, AStormTabThatDidNotSettleSaysSoInTextAndJson) {
    test::TempDir dir;
    const std::string p = "'" + test::makeSample(dir) + "'";
    // With the junction loss of the incoming pipe of greatest energy and no jump to the crown,
    // one reach of this system swings between two grade lines from pass to pass.
    const std::string swinging = " --system OAKAVE --junction-loss --junction-method 2 --no-jump-to-crown";
    // The numbers and the wording are the run's (pinned by its golden); here they reach both formats.
    CliRun r = ran(dir, "storm-tabs " + p + swinging + " --iterations 4 --hgl-diff 0.0001 --format json");
    EXPECT_TRUE(has(r.out, "\"converged\": false,\n  \"max_passes\": 4,")) << r.out;
    EXPECT_TRUE(has(r.out, "\"cycling\": true")) << r.out;
    EXPECT_TRUE(has(r.out, "NOT SETTLED: the grade line alternates")) << r.out;

    r = cli(dir, "storm-tabs " + p + swinging + " --iterations 4 --hgl-diff 0.0001");
    const auto tab = r.out.find("STORM TABULATION - OAKAVE");
    ASSERT_NE(tab, std::string::npos) << r.out;
    // In the message list and again under the heading of the tabulation itself.
    EXPECT_NE(r.out.find("NOT SETTLED"), r.out.find("NOT SETTLED", tab));
    EXPECT_NE(r.out.find("NOT SETTLED", tab), std::string::npos) << r.out;

    // The printed storm tabulation carries it under its table.
    const std::string txt = dir.file("tab.txt");
    ran(dir, "report T60v11 " + p + " --system OAKAVE --out '" + txt + "'");
    EXPECT_TRUE(has(test::readAll(txt), "NOT SETTLED: the grade line alternates")) << test::readAll(txt);

    // Without the junction losses the system settles: no such line, and the report loses it too.
    r = cli(dir, "storm-tabs " + p + " --system OAKAVE --no-junction-loss --jump-to-crown --iterations 50 --format json");
    EXPECT_TRUE(has(r.out, "\"converged\": true")) << r.out;
    EXPECT_FALSE(has(r.out, "NOT SETTLED"));
    EXPECT_FALSE(has(r.out, "max_passes"));
    r = cli(dir, "report T60v11 " + p + " --system OAKAVE --out '" + txt + "'");
    EXPECT_FALSE(has(test::readAll(txt), "NOT SETTLED"));
}

TEST(CommandLineChecks, ReadingCommandsWriteNothingAndSayWhenTheyWait) {
    test::TempDir dir;
    const std::string path = test::makeSample(dir);
    // The first opening brings a new file up to date (indexes, missing fields); after that a
    // verification of another system than the current one writes nothing.
    ASSERT_EQ(cli(dir, "info '" + path + "'").code, 0);
    const std::string before = test::readAll(path);
    ran(dir, "verify '" + path + "' --system OAKAVE");
    EXPECT_EQ(test::readAll(path), before) << "verify changed the file";

    // Another program holds the file exclusively for a second: verify waits, says so, and runs.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    const CliRun r = cli(dir, "verify '" + path + "' --system OAKAVE");
    release.join();
    sqlite3_close(other);
    EXPECT_TRUE(succeeded(r, "is locked by another program; waiting"));
    EXPECT_TRUE(has(r.out, "Verification Complete.")) << r.out;
}

}  // namespace kolv::test
