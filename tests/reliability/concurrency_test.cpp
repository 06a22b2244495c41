// Rebuilds run at the same time as another rebuild in the same folder, or as a command writing
// to the same project: no project is lost, mixed up or damaged, and a command that reports
// success has its results in the project.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

#include "reliability_support.h"
#include "exchange/import_setup.h"
#include "support/random_system.h"
#include "ui/ui_port.h"

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

TEST(Concurrency, EveryWritingCommandBesideAStormTabEndsAsOneRanAfterTheOther) {
    // Each writing command started beside a storm tab on the same project: when both report
    // success the project holds what running them one after the other gives (in either order),
    // when one is refused it holds what the other alone gives. Nothing is lost or mixed.
    TempDir work;
    ::setenv("KOLV_CONFIG_DIR", work.path().c_str(), 1);
    const std::string base = makeRandomProject(work, "base.mdb", 400, 77);
    {
        auto db = db::Database::open(base);
        db->execute("UPDATE T0 SET CURRENT_SYSTEM = 'RANDOM'");
        db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES ('OTHER', 'OUT2')");
        ui::SilentUi silent;
        exchange::createSetup(*db, silent, "Survey",
                              {{"Structure", "Node: Name"}, {"Rim", "Node: Inlet Elevation"},
                               {"Downstream", "Reach: To Node"}});
    }
    std::ofstream(work.file("survey.csv")) << "Structure,Rim,Downstream\nI1,101,OUT2\nI2,102,I1\nI3,103,I2\n";
    std::ofstream(work.file("idf.txt")) << "77\t5\t1.5\t2.5\t3.5\t4.5\n";
    const std::string project = work.file("project.mdb");
    const std::vector<std::string> storm = {"-q", "storm-tabs", project, "--system", "RANDOM"};
    const std::vector<std::vector<std::string>> commands = {
        {"-q", "import", project, work.file("survey.csv"), "--setup", "Survey", "--system", "OTHER"},
        {"-q", "-y", "renumber", project, "--system", "RANDOM", "--prefix", "Z", "--start", "1"},
        {"-q", "-y", "divide", project, "--system", "RANDOM", "--to", "OTHER", "R400", "R399", "R398"},
        {"-q", "-y", "combine", project, "--from", "RANDOM", "--to", "OTHER"},
        {"-q", "pipes", project, "--add", "CONCP"},
        {"-q", "structures", project, "--add", "CONCS"},
        {"-q", "idf", project, "--paste", work.file("idf.txt")},
        {"-q", "time-intensity", project, "--location", "CONC", "--frequency", "5", "--add-table"},
        {"-q", "new", project, "--force", "--seed", makeSeed(work)},
    };
    std::string problem;
    auto stateAfter = [&](const std::vector<std::vector<std::string>>& runs) {
        copyFile(base, project);
        for (const auto& r : runs) runCli(r, work.file("seq.err"));
        const std::string state = projectState(project, problem);
        EXPECT_FALSE(state.empty()) << problem;
        return state;
    };
    std::mt19937 rnd(29);
    int rounds = 0, bothDone = 0;
    for (const auto& command : commands) {
        const std::string name = command[command[1] == "-y" ? 2 : 1];
        const std::string before = stateAfter({}), alone = stateAfter({command}), stormAlone = stateAfter({storm});
        const std::string commandFirst = stateAfter({command, storm}), stormFirst = stateAfter({storm, command});
        for (int round = 0; round < 2; ++round, ++rounds) {
            copyFile(base, project);
            CliProcess s(storm, work.file("s.err"));
            std::this_thread::sleep_for(std::chrono::microseconds(rnd() % 200000));
            CliProcess c(command, work.file("c.err"));
            const int sc = c.wait(), ss = s.wait();
            ASSERT_FALSE(crashed(sc, c.stderrText())) << name << ": " << c.stderrText();
            ASSERT_FALSE(crashed(ss, s.stderrText())) << s.stderrText();
            const bool cOk = WEXITSTATUS(sc) == 0, sOk = WEXITSTATUS(ss) == 0;
            const std::string state = projectState(project, problem);
            ASSERT_FALSE(state.empty()) << name << ", round " << round << ": " << problem;
            if (cOk && sOk) {
                ++bothDone;
                EXPECT_TRUE(state == commandFirst || state == stormFirst)
                    << name << ", round " << round << ": both succeeded, but the project is neither order\n"
                    << firstDifference(commandFirst, state);
            } else if (cOk) {
                EXPECT_TRUE(state == alone || state == commandFirst) << name << ", round " << round;
            } else if (sOk) {
                EXPECT_FALSE(c.stderrText().empty()) << name << ": refused without a reason";
                EXPECT_TRUE(state == stormAlone || state == stormFirst) << name << ", round " << round;
            } else {
                EXPECT_TRUE(state == before) << name << ", round " << round;
            }
        }
    }
    std::printf("writers beside a storm tab: %zu commands, %d rounds, %d with both succeeding\n", commands.size(),
                rounds, bothDone);
}

}  // namespace
