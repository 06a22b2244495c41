// kolv-cli as a script uses it: the design sequence on the sample, exit codes and fault messages.
#include <fstream>
#include <gtest/gtest.h>

#include "db/database.h"
#include "cli_runner.h"
#include "support/test_support.h"

using namespace kolv;
using test::cli;
using test::CliRun;
using test::has;

namespace {

TEST(CommandLine, DesignSequenceOnTheSampleProject) {
    test::TempDir dir;
    const std::string p = "'" + test::makeSample(dir) + "'";

    CliRun info = cli(dir, "info " + p);
    ASSERT_EQ(info.code, 0) << info.out;
    EXPECT_TRUE(has(info.out, "Units: (English)"));
    EXPECT_TRUE(has(info.out, "MAINST"));

    EXPECT_TRUE(succeeded(cli(dir, "verify " + p + " --system MAINST"), "Verification Complete."));

    EXPECT_TRUE(succeeded(cli(dir, "size-pipes " + p + " --system MAINST --group 1 --max-hgl-slope 0.3"),
                          "PIPE SELECTION LIST"));

    EXPECT_TRUE(succeeded(cli(dir, "set-flowlines " + p + " --system MAINST --min-slope 0.1"), "Complete."));

    EXPECT_TRUE(succeeded(cli(dir, "storm-tabs " + p + " --system MAINST --format csv"),
                          "Writing results to database"));

    // The run replaced T60 of MAINST only: one row per reach of the system.
    auto db = db::Database::open(dir.file("sample.mdb"));
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM T60 WHERE SYSTEM = ?", {"MAINST"}).toInt(),
              db->scalar("SELECT COUNT(*) FROM REACH WHERE SYSTEM = ?", {"MAINST"}).toInt());

    EXPECT_TRUE(succeeded(cli(dir, "cost " + p + " --system MAINST"), "GRAND TOTAL FOR SYSTEM:"));

    std::string txt = dir.file("tab.txt");
    CliRun report = cli(dir, "report T60v11 " + p + " --system MAINST --out '" + txt + "'");
    EXPECT_EQ(report.code, 0) << report.out;
    std::ifstream f(txt);
    std::string first;
    std::getline(f, first);
    EXPECT_EQ(first, "STORM SEWER TABULATION");
    // the review's findings (S-14 runs slow): marked at the row and explained under the table, not in the CSV
    const std::string printed = test::readAll(txt);
    const std::size_t at = printed.find("S-14 [");
    ASSERT_NE(at, std::string::npos) << printed;
    const std::string mark = printed.substr(at + 5, printed.find(']', at) - at - 4);
    EXPECT_TRUE(has(printed, "Design review notes:\n[1] ")) << printed;
    EXPECT_TRUE(has(printed, mark + " warning at reach S-14: velocity")) << printed;
    const std::string csv = dir.file("tab.csv");
    EXPECT_EQ(cli(dir, "report T60v11 " + p + " --system MAINST --out '" + csv + "'").code, 0);
    EXPECT_FALSE(has(test::readAll(csv), "[1]"));
}

// Refusals come from the core's checks; here only that they reach the script as a message and an error code.
TEST(CommandLine, FaultsGiveAMessageAndANonZeroExitCode) {
    test::TempDir dir;
    std::string notProject = dir.file("notes.mdb");
    std::ofstream(notProject) << "meeting notes\n";
    EXPECT_TRUE(refused(cli(dir, "info '" + notProject + "'"), "is not a project database"));

    const std::string path = test::makeSample(dir), p = "'" + path + "'";
    const std::pair<std::string, std::string> cases[] = {
        {"verify " + p + " --system NOSUCH", "NOSUCH"},
        {"storm-tabs " + p + " --system MAINST --iterations 3", "Iterations must be between 4 and 32000"},
        {"size-pipes " + p + " --system MAINST --group 1 --max-velocity 0,3", "Use a period as the decimal point"},
        // group 11 holds the metric pipes: an English project does not size from it, as the window offers it not
        {"size-pipes " + p + " --system MAINST --group 11 --max-velocity 10",
         "Pipe group 11 has no English pipe definitions. Groups: 1, 2, 3"},
        {"intensity " + p + " --system MAINST --duration -5", "Duration must be greater than 0."},
        {"set-flowlines " + p + " --system MAINST --min-slope abc", "'abc' is not a number"},
    };
    for (const auto& [args, reason] : cases) EXPECT_TRUE(refused(cli(dir, args), reason)) << args;
    // nothing was computed
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT COUNT(*) FROM T60").toInt(), 0);

    // a reach pointing at a node that does not exist fails the verification
    db::Database::open(path)->execute("UPDATE REACH SET NODE2 = ? WHERE SYSTEM = ? AND NAME = ?",
                                      {"NOWHERE", "MAINST", "S-1"});
    EXPECT_TRUE(refused(cli(dir, "verify " + p + " --system MAINST"), "NOWHERE"));
}

}  // namespace

TEST(CommandLine, TheStormTabOfACrashReportRunsInEveryFormatWithoutANan) {
    // The project of a crash report: its grade line once turned into NaN and the listing crashed.
    test::TempDir dir;
    const std::string path = dir.file("nan.mdb");
    std::ifstream in(std::string(KOLV_TEST_DATA_DIR) + "/regressions/storm-tabs-nan-crash.mdb", std::ios::binary);
    std::ofstream(path, std::ios::binary) << in.rdbuf();
    for (const char* format : {"text", "csv", "json"}) {
        CliRun r = cli(dir, "--yes storm-tabs '" + path + "' --system G974 --format " + format);
        EXPECT_EQ(r.code, 0) << format << "\n" << r.out;  // finished, not crashed
        EXPECT_TRUE(has(r.out, "Writing results to database")) << format;
        for (const char* bad : {"nan", "NaN", "inf"})
            EXPECT_FALSE(has(r.out, std::string(" ") + bad)) << format << ": " << bad;
    }
}
