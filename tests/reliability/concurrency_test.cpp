// Rebuilds run at the same time as another rebuild in the same folder, or as a command writing
// to the same project: no project is lost, mixed up or damaged, and a command that reports
// success has its results in the project.
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

#include "reliability_support.h"
#include "support/random_system.h"

using namespace kolv;
using namespace kolv::test;
namespace fs = std::filesystem;

namespace {

std::string makeRandomProject(const TempDir& dir, const std::string& name, std::size_t reaches, std::uint32_t seed) {
    const std::string path = makeEmptyProject(dir, name);
    auto db = db::Database::open(path);
    RandomSystemOptions shape;
    shape.reaches = reaches;
    shape.seed = seed;
    addRandomSystem(*db, shape);
    return path;
}

TEST(Concurrency, TwoRebuildsInOneFolderKeepEachProjectsOwnData) {
    TempDir work;
    ::setenv("KOLV_CONFIG_DIR", work.path().c_str(), 1);
    const std::string a = makeRandomProject(work, "a.mdb", 400, 11), b = makeRandomProject(work, "b.mdb", 600, 12);
    std::string problem;
    const std::string stateA = projectState(a, problem), stateB = projectState(b, problem);
    ASSERT_TRUE(stateA != stateB);
    for (int round = 0; round < 6; ++round) {
        const std::string bytesA = readAll(a), bytesB = readAll(b);
        CliProcess ra({"-y", "rebuild", a}, work.file("a.err")), rb({"-y", "rebuild", b}, work.file("b.err"));
        const int sa = ra.wait(), sb = rb.wait();
        // they take turns: both finish, each with its own project
        EXPECT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0) << ra.stderrText();
        EXPECT_TRUE(WIFEXITED(sb) && WEXITSTATUS(sb) == 0) << rb.stderrText();
        const std::string nowA = projectState(a, problem), nowB = projectState(b, problem);
        EXPECT_TRUE(nowA == stateA) << "round " << round << ": " << problem << firstDifference(stateA, nowA);
        EXPECT_TRUE(nowB == stateB) << "round " << round << ": " << problem << firstDifference(stateB, nowB);
        const std::string bak = readAll(work.file("Rebuild.BAK"));
        EXPECT_TRUE(bak == bytesA || bak == bytesB) << "round " << round << ": the backup is neither file before";
        EXPECT_FALSE(fs::exists(work.file("TEMP0000.MDA")));
    }
}

TEST(Concurrency, RebuildWhileAnotherCommandWritesLosesNothing) {
    TempDir work;
    ::setenv("KOLV_CONFIG_DIR", work.path().c_str(), 1);
    const std::string base = makeRandomProject(work, "base.mdb", 1500, 20261206);
    const std::string project = work.file("project.mdb");
    const std::vector<std::string> writer = {"-q", "storm-tabs", project, "--system", "RANDOM"};
    // The storm tab stores its options first, on their own, then its results in one transaction:
    // the results (T60 and the header's run values in T16) are what must be whole.
    auto results = [](const std::string& path) {
        std::string problem;
        if (projectState(path, problem).empty()) return "unsound: " + problem;
        return snapshotTables(*db::Database::open(path), {"T60", "T16"});
    };
    const std::string before = results(base);
    copyFile(base, project);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(runCli(writer, work.file("w.err")).code, 0);
    const long long fullUs =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();
    const std::string after = results(project);

    std::mt19937 rnd(38);
    int refused = 0, writerFailed = 0;
    for (int round = 0; round < 8; ++round) {
        copyFile(base, project);
        CliProcess w(writer, work.file("w.err"));
        std::this_thread::sleep_for(std::chrono::microseconds(rnd() % fullUs));
        CliProcess r({"-y", "rebuild", project}, work.file("r.err"));
        const int sr = r.wait(), sw = w.wait();
        const std::string rebuildErr = r.stderrText(), writerErr = w.stderrText();
        ASSERT_FALSE(crashed(sr, rebuildErr)) << rebuildErr;
        ASSERT_FALSE(crashed(sw, writerErr)) << writerErr;
        const std::string state = results(project);
        ASSERT_EQ(state.rfind("unsound", 0), std::string::npos) << "round " << round << ": " << state;
        if (WEXITSTATUS(sw) == 0) {
            EXPECT_TRUE(state == after) << "round " << round << ": the storm tab reported success but its results "
                                        << "are not in the project\n" << firstDifference(after, state);
        } else {
            ++writerFailed;
            EXPECT_FALSE(writerErr.empty());
            EXPECT_TRUE(state == before || state == after) << "round " << round;
        }
        if (WEXITSTATUS(sr) != 0) {
            ++refused;
            EXPECT_NE(rebuildErr.find("Nothing was changed"), std::string::npos) << rebuildErr;
        }
    }
    std::printf("rebuild against a writer: 8 rounds, %d rebuilds refused, %d writers stopped\n", refused, writerFailed);
}

}  // namespace
