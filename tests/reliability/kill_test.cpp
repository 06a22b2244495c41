// Commands that write, killed at random moments: the project they leave is always sound and
// holds either everything it held before the command or everything a full run writes.
#include <cstdlib>
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

/// Kills per command: five commands give 105 kills in a run.
constexpr int kKills = 21;

/// A generated system big enough that a storm tabulation runs for a good part of a second,
/// so the random kills fall in every phase: opening, loading, computing, writing.
class KillDuringWrite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        s_base = makeEmptyProject(*s_dir, "base.mdb");
        auto db = db::Database::open(s_base);
        RandomSystemOptions shape;
        shape.reaches = 1500;
        addRandomSystem(*db, shape);
        // Already the current system: choosing it again on the command line changes nothing, so
        // the states compared are those of the command's own work.
        db->execute("UPDATE T0 SET CURRENT_SYSTEM = ?", {std::string("RANDOM")});
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    /// Runs the command once to its end for the state after, then again and again, each run
    /// killed after a random delay within that run's duration, until `wanted` kills have landed.
    void killAtRandomPoints(const std::vector<std::string>& command, std::uint32_t seed,
                            const std::vector<std::string>& options = {}, const std::string& base = s_base) {
        std::vector<std::string> args = command;
        const std::string name = command.back();
        args.push_back("{P}");
        if (name == "rebuild") args.insert(args.begin(), "-y");
        else args.insert(args.end(), {"--system", "RANDOM"});
        args.insert(args.end(), options.begin(), options.end());
        killRuns(name, args, seed, base, kKills);
    }

    /// The same with the whole command line given, "{P}" standing for the project.
    void killRuns(const std::string& name, std::vector<std::string> args, std::uint32_t seed, const std::string& base,
                  int wanted) {
        TempDir work;
        ::setenv("KOLV_CONFIG_DIR", work.path().c_str(), 1);
        const std::string project = work.file("project.mdb"), err = work.file("stderr.txt");
        for (auto& a : args)
            if (a == "{P}") a = project;

        std::string problem;
        copyFile(base, project);
        const std::string before = projectState(project, problem);
        ASSERT_FALSE(before.empty()) << problem;
        const auto t0 = std::chrono::steady_clock::now();
        Finished full = runCli(args, err);
        const auto fullRun = std::chrono::steady_clock::now() - t0;
        ASSERT_EQ(full.code, 0) << full.err;
        const std::string after = projectState(project, problem);
        ASSERT_FALSE(after.empty()) << problem;
        if (name == "rebuild") {
            EXPECT_TRUE(after == before) << firstDifference(before, after);  // compacted, same rows
        } else {
            ASSERT_TRUE(after != before) << "the command wrote nothing";
        }

        std::mt19937 rnd(seed);
        long long maxDelayUs = std::chrono::duration_cast<std::chrono::microseconds>(fullRun).count();
        int kills = 0, midWrite = 0, asBefore = 0, asAfter = 0;
        for (int attempt = 0; kills < wanted && attempt < 3 * wanted; ++attempt) {
            copyFile(base, project);
            fs::remove(project + "-journal");
            fs::remove(work.file("TEMP0000.MDA"));
            const auto delay = std::chrono::microseconds(std::uniform_int_distribution<long long>(0, maxDelayUs)(rnd));
            CliProcess p(args, err);
            ASSERT_TRUE(p.started());
            std::this_thread::sleep_for(delay);
            const int st = p.kill();
            if (WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL) {
                ++kills;
                // a journal left behind (or the rebuild's copy) shows the kill fell inside a write
                std::error_code ec;
                const auto journal = fs::file_size(project + "-journal", ec);
                if ((!ec && journal > 0) || fs::exists(work.file("TEMP0000.MDA"))) ++midWrite;
            } else {
                maxDelayUs = maxDelayUs * 9 / 10;  // this run was quicker than the first: aim earlier
                EXPECT_FALSE(crashed(st, p.stderrText())) << p.stderrText();
                EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << p.stderrText();
            }
            const std::string state = projectState(project, problem);
            ASSERT_FALSE(state.empty()) << "killed after " << delay.count() << " us: " << problem;
            if (state == before) ++asBefore;
            else if (state == after) ++asAfter;
            else ADD_FAILURE() << "killed after " << delay.count() << " us: the project is neither before nor after\n"
                               << "before: " << firstDifference(before, state) << "\nafter: " << firstDifference(after, state);
        }
        std::printf("%s: %d kills (%d inside a write), %d left as before, %d as after, full run %lld ms\n",
                    name.c_str(), kills, midWrite, asBefore, asAfter,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(fullRun).count()));
        RecordProperty("kills", kills);
        EXPECT_EQ(kills, wanted) << "the runs ended before the kills: use a bigger system";
    }

    static TempDir* s_dir;
    static std::string s_base;
};

TempDir* KillDuringWrite::s_dir = nullptr;
std::string KillDuringWrite::s_base;

TEST_F(KillDuringWrite, StormTabs) { killAtRandomPoints({"-q", "storm-tabs"}, 1); }
TEST_F(KillDuringWrite, SizePipes) { killAtRandomPoints({"-q", "size-pipes"}, 2, {"--group", "90", "--max-velocity", "10"}); }
TEST_F(KillDuringWrite, SetFlowLines) { killAtRandomPoints({"-q", "set-flowlines"}, 3, {"--min-slope", "0.1"}); }
TEST_F(KillDuringWrite, CostWithTallies) { killAtRandomPoints({"-q", "cost"}, 4); }
TEST_F(KillDuringWrite, Rebuild) {
    // Rows written and deleted again leave free pages for the compaction to drop, and make the
    // file big enough that the kills fall into the backup and the compaction.
    TempDir dir;
    const std::string base = dir.file("padded.mdb");
    copyFile(s_base, base);
    {
        auto db = db::Database::open(base);
        db->exec("CREATE TABLE PADDING(X BLOB)");
        db::Transaction tx(*db);
        for (int i = 0; i < 3000; ++i) db->execute("INSERT INTO PADDING VALUES (zeroblob(4000))");
        tx.commit();
        db->exec("DELETE FROM PADDING WHERE rowid % 2 = 0");
    }
    killAtRandomPoints({"-q", "rebuild"}, 5, {}, base);
}

/// Kills per command of the commands below: enough to land in opening, reading and writing
/// without making the suite long.
constexpr int kShortKills = 6;

/// The project above with a second system to divide into or combine with, a saved import setup,
/// and the files the import and the rainfall paste read.
class KillOtherCommands : public KillDuringWrite {
protected:
    static void SetUpTestSuite() {
        KillDuringWrite::SetUpTestSuite();
        s_extended = s_dir->file("extended.mdb");
        copyFile(s_base, s_extended);
        auto db = db::Database::open(s_extended);
        db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES ('OTHER', 'OUT2')");
        ui::SilentUi silent;
        exchange::createSetup(*db, silent, "Survey",
                              {{"Structure", "Node: Name"}, {"Rim", "Node: Inlet Elevation"},
                               {"Downstream", "Reach: To Node"}});
        std::ofstream csv(s_dir->file("survey.csv"));
        csv << "Structure,Rim,Downstream\n";
        for (int k = 1; k <= 1500; ++k)
            csv << "I" << k << "," << 100 + k * 0.01 << "," << (k == 1 ? std::string("OUT2") : "I" + std::to_string(k / 2))
                << "\n";
        std::ofstream(s_dir->file("idf.txt")) << "77\t5\t1.5\t2.5\t3.5\t4.5\n78\t10\t1.5\t2.5\t3.5\t4.5\n";
    }

    void kill(const std::string& name, const std::vector<std::string>& args, std::uint32_t seed) {
        killRuns(name, args, seed, s_extended, kShortKills);
    }

    static std::string s_extended;
};

std::string KillOtherCommands::s_extended;

TEST_F(KillOtherCommands, Import) {
    kill("import", {"-q", "import", "{P}", s_dir->file("survey.csv"), "--setup", "Survey", "--system", "OTHER"}, 11);
}
TEST_F(KillOtherCommands, Renumber) {
    kill("renumber", {"-q", "-y", "renumber", "{P}", "--system", "RANDOM", "--prefix", "Z", "--start", "1"}, 12);
}
TEST_F(KillOtherCommands, Divide) {
    kill("divide", {"-q", "-y", "divide", "{P}", "--system", "RANDOM", "--to", "OTHER", "R1500", "R1499", "R1498"}, 13);
}
TEST_F(KillOtherCommands, Combine) {
    kill("combine", {"-q", "-y", "combine", "{P}", "--from", "RANDOM", "--to", "OTHER"}, 14);
}
TEST_F(KillOtherCommands, PipeAndStructureDefinitions) {
    kill("pipes --add", {"-q", "pipes", "{P}", "--add", "KILLP"}, 15);
    kill("structures --add", {"-q", "structures", "{P}", "--add", "KILLS"}, 16);
}
TEST_F(KillOtherCommands, RainfallTables) {
    kill("idf --paste", {"-q", "idf", "{P}", "--paste", s_dir->file("idf.txt")}, 17);
    kill("time-intensity --add-table",
         {"-q", "time-intensity", "{P}", "--location", "KILL", "--frequency", "5", "--add-table"}, 18);
}
TEST_F(KillOtherCommands, StormTabThatChoosesAnotherSystemAndChangesItsOptions) {
    // the system chosen, the options and the results are stored together, or none of them
    TempDir dir;
    const std::string base = dir.file("other_current.mdb");
    copyFile(s_extended, base);
    db::Database::open(base)->execute("UPDATE T0 SET CURRENT_SYSTEM = 'OTHER'");
    killRuns("storm-tabs --system", {"-q", "storm-tabs", "{P}", "--system", "RANDOM", "--min-velocity", "2.5"}, 20,
             base, 12);
}
TEST_F(KillOtherCommands, NewProjectOverAnExistingOne) {
    // the project is either the one before or a new empty one, never a damaged file
    const std::string seed = makeSeed(*s_dir);
    kill("new --force", {"-q", "new", "{P}", "--force", "--seed", seed}, 19);
}

}  // namespace
