// Writing commands under a file-size limit (ulimit -f): each ends with the usual write error and
// its reason, never killed by the limit's signal, and the project holds what it held before.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "exchange/import_setup.h"
#include "reliability_support.h"
#include "support/random_system.h"
#include "ui/ui_port.h"

using namespace kolv;
using namespace kolv::test;
namespace fs = std::filesystem;

namespace {

/// Starts a run of kolv-cli that may write no file beyond `bytes` (the limit is the child's
/// alone: it is lowered only while the process is started).
Finished runLimited(const std::vector<std::string>& args, const std::string& errFile, rlim_t bytes) {
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit limit = before;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    CliProcess p(args, errFile);
    ::setrlimit(RLIMIT_FSIZE, &before);
    const int st = p.wait();
    Finished f{WIFEXITED(st) ? WEXITSTATUS(st) : -1, p.stderrText()};
    if (crashed(st, f.err)) f.code = -1;
    return f;
}

TEST(ResourceLimits, WritingCommandsUnderAFileSizeLimitSayWhyAndChangeNothing) {
    TempDir work;
    ::setenv("KOLV_CONFIG_DIR", work.path().c_str(), 1);
    const std::string base = makeEmptyProject(work, "base.mdb");
    {
        auto db = db::Database::open(base);
        RandomSystemOptions shape;
        shape.reaches = 600;
        addRandomSystem(*db, shape);
        db->execute("UPDATE T0 SET CURRENT_SYSTEM = 'RANDOM'");
        db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES ('OTHER', 'OUT2')");
        ui::SilentUi silent;
        exchange::createSetup(*db, silent, "Survey", {{"Structure", "Node: Name"}, {"Downstream", "Reach: To Node"}});
    }
    ASSERT_EQ(runCli({"-q", "info", base}, work.file("err.txt")).code, 0);  // brought up to date once
    {
        std::ofstream csv(work.file("survey.csv"));
        csv << "Structure,Downstream\n";
        for (int k = 1; k <= 300; ++k) csv << "I" << k << "," << (k == 1 ? std::string("OUT2") : "I" + std::to_string(k - 1)) << "\n";
    }
    std::ofstream(work.file("idf.txt")) << "77\t5\t1.5\t2.5\t3.5\t4.5\n";
    std::ofstream(work.file("ti.txt")) << "5\t6.5\n10\t5.5\n";
    const std::string project = work.file("project.mdb");
    const std::vector<std::vector<std::string>> commands = {
        {"-q", "storm-tabs", project, "--system", "RANDOM"},
        {"-q", "size-pipes", project, "--system", "RANDOM", "--group", "90", "--max-velocity", "10"},
        {"-q", "import", project, work.file("survey.csv"), "--setup", "Survey", "--system", "OTHER"},
        {"-q", "-y", "renumber", project, "--system", "RANDOM", "--prefix", "Z", "--start", "1"},
        {"-q", "idf", project, "--paste", work.file("idf.txt")},
        {"-q", "time-intensity", project, "--location", "LIMIT", "--frequency", "5", "--add-table", "--paste",
         work.file("ti.txt")},
    };
    std::string problem;
    const std::string before = projectState(base, problem);
    ASSERT_FALSE(before.empty()) << problem;
    for (const auto& command : commands) {
        const std::string name = command[command[1] == "-y" ? 2 : 1];
        copyFile(base, project);
        // no file may pass 4 KiB: the journal of the first page changed already does
        const Finished f = runLimited(command, work.file("err.txt"), 4096);
        ASSERT_NE(f.code, -1) << name << " was ended by the limit:\n" << f.err;
        EXPECT_NE(f.code, 0) << name << " reported success";
        EXPECT_NE(f.err.find("file-size limit"), std::string::npos) << name << ": " << f.err;
        const std::string after = projectState(project, problem);
        EXPECT_TRUE(after == before) << name << ": " << problem << firstDifference(before, after);
    }
}

}  // namespace
