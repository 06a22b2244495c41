// kolv-cli as a script uses it: the design sequence on the sample, exit codes and fault messages.
#include <fstream>

#include "cli_runner.h"
#include "db/database.h"

namespace kolv::test {

TEST(CommandLine, DesignSequenceOnTheSampleProject) {
    test::TempDir dir;
    const std::string p = "'" + test::makeSample(dir) + "'";

    CliRun info = cli(dir, "info " + p);
    EXPECT_TRUE(succeeded(info, "Units: (English)"));
    EXPECT_TRUE(has(info.out, "MAINST"));

    EXPECT_TRUE(succeeded(cli(dir, "verify " + p + " --system MAINST"), "Verification Complete."));

    EXPECT_TRUE(succeeded(cli(dir, "size-pipes " + p + " --system MAINST --group 1 --max-hgl-slope 0.3"),
                          "PIPE SELECTION LIST"));

    EXPECT_TRUE(succeeded(cli(dir, "set-flowlines " + p + " --system MAINST --min-slope 0.1"), "Complete."));

    EXPECT_TRUE(succeeded(cli(dir, "storm-tabs " + p + " --system MAINST --format csv"),
                          "Writing results to database"));

    EXPECT_TRUE(succeeded(cli(dir, "cost " + p + " --system MAINST"), "GRAND TOTAL FOR SYSTEM:"));

    // the review's notes (laid out by the report, checked there) go to the printed table, not to the CSV
    const std::string txt = dir.file("tab.txt"), csv = dir.file("tab.csv");
    EXPECT_EQ(cli(dir, "report T60v11 " + p + " --system MAINST --out '" + txt + "'").code, 0);
    EXPECT_EQ(test::readAll(txt).rfind("STORM SEWER TABULATION\n", 0), 0u);
    EXPECT_TRUE(has(test::readAll(txt), "Design review notes:\n[1] ")) << test::readAll(txt);
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

}  // namespace kolv::test
