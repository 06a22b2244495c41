// kolv-cli renumber, divide and combine on the sample project: results, refusals and exit codes.
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

/// Node names of a system in record order, joined.
std::string names(const std::string& path, const std::string& system) {
    auto db = db::Database::open(path);
    std::string s;
    db::Statement st = db->prepare("SELECT NAME FROM NODE WHERE SYSTEM = ? ORDER BY rowid");
    st.bind(1, system);
    while (st.step()) s += st.column(0).toText() + " ";
    return s;
}

class RenumberCli : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = test::makeSample(dir);
    std::string p = "'" + path + "'";
};

TEST_F(RenumberCli, PrefixAndStartInRecordOrderAndByPosition) {
    const std::string oak = names(path, "OAKAVE");
    // the question is answered No without --yes: nothing changes
    EXPECT_TRUE(refused(cli(dir, "renumber " + p + " --system MAINST --prefix M --start 1"),
                        "New node range will be M1 to M22. Proceed with node and reach renumbering.", 3));
    EXPECT_TRUE(has(names(path, "MAINST"), "S-1 "));

    CliRun yes = cli(dir, "--yes renumber " + p + " --system MAINST --prefix M --start 1");
    ASSERT_EQ(yes.code, 0) << yes.out;
    EXPECT_TRUE(has(yes.out, "Section 2: Pass 2: Reach Name Change: M22"));
    EXPECT_TRUE(has(yes.out, "Renumbering complete."));
    EXPECT_EQ(names(path, "MAINST").substr(0, 9), "M1 M2 M3 ");
    EXPECT_EQ(names(path, "OAKAVE"), oak);

    CliRun pos = cli(dir, "--yes renumber " + p + " --system MAINST --prefix P --start 100 --by-position");
    ASSERT_EQ(pos.code, 0) << pos.out;
    EXPECT_TRUE(succeeded(cli(dir, "storm-tabs " + p + " --system MAINST --format csv"), "P100"));
}

TEST_F(RenumberCli, ClashesAndBadOrdersAreRefused) {
    EXPECT_TRUE(refused(cli(dir, "--yes renumber " + p + " --system MAINST --prefix S- --start 31"),
                        "DUPLICATE NODE NAME: Node 'S-31' is assigned to system 'OAKAVE'.", 3));
    const std::string order = dir.file("order.txt");
    std::ofstream(order) << "S-1\nS-2\n";
    EXPECT_TRUE(refused(cli(dir, "--yes renumber " + p + " --system MAINST --prefix X --start 1 --order '" + order + "'"),
                        "INCOMPLETE LIST", 3));
    CliRun badStart = cli(dir, "--yes renumber " + p + " --system MAINST --prefix X --start 1,5");
    EXPECT_EQ(badStart.code, 3) << badStart.out;
    CliRun neither = cli(dir, "renumber " + p + " --system MAINST");
    EXPECT_NE(neither.code, 0);
    EXPECT_TRUE(has(names(path, "MAINST"), "S-1 S-2 S-3 "));
}

TEST_F(RenumberCli, MapFile) {
    const std::string map = dir.file("map.csv");
    std::ofstream(map) << "Node,New Node,New Reach\nS-1,A-1,R-1\nOUT-1,EW-1\n";
    CliRun r = cli(dir, "--yes renumber " + p + " --system MAINST --map '" + map + "'");
    ASSERT_EQ(r.code, 0) << r.out;
    auto db = db::Database::open(path);
    EXPECT_EQ(db->scalar("SELECT NAME FROM REACH WHERE NODE1 = 'A-1'").toText(), "R-1");
    EXPECT_EQ(db->scalar("SELECT OUT_NODE FROM T16 WHERE SYSTEM = 'MAINST'").toText(), "EW-1");
    EXPECT_EQ(db->scalar("SELECT NODE2 FROM REACH WHERE NODE1 = 'S-21'").toText(), "EW-1");
    std::ofstream(map) << "S-31,X\n";
    EXPECT_TRUE(refused(cli(dir, "--yes renumber " + p + " --system MAINST --map '" + map + "'"),
                        "Node 'S-31' is not in system 'MAINST'.", 3));
}

TEST_F(RenumberCli, DivideAndCombine) {
    {
        auto db = db::Database::open(path);
        db->execute("INSERT INTO T16 (SYSTEM) VALUES ('ELM')");
    }
    EXPECT_TRUE(refused(cli(dir, "divide " + p + " --system MAINST --to ELM S-9 S-11"),
                        "A minimum of 3 nodes must be moved.", 3));
    EXPECT_TRUE(refused(cli(dir, "divide " + p + " --system MAINST --to NOSUCH S-9 S-11 S-10"),
                        "System 'NOSUCH' not found.", 3));
    CliRun three = cli(dir, "divide " + p + " --system MAINST --to ELM S-9 S-11 S-10");
    ASSERT_EQ(three.code, 0) << three.out;
    EXPECT_EQ(names(path, "ELM"), "S-9 S-10 S-11 ");
    {
        auto db = db::Database::open(path);
        EXPECT_TRUE(db->scalar("SELECT OUT_NODE FROM T16 WHERE SYSTEM = 'ELM'").isNull());  // no header written
        EXPECT_EQ(db->scalar("SELECT SYSTEM FROM REACH WHERE NAME = 'S-10'").toText(), "ELM");
    }

    EXPECT_TRUE(refused(cli(dir, "combine " + p + " --from OAKAVE --to oakave"),
                        "The 'From System' and 'Combine to System' cannot be the same system.", 3));
    CliRun unknown = cli(dir, "combine " + p + " --from NOSUCH --to MAINST");
    EXPECT_EQ(unknown.code, 3);
    CliRun merged = cli(dir, "--yes combine " + p + " --from ELM --to MAINST");
    ASSERT_EQ(merged.code, 0) << merged.out;
    EXPECT_TRUE(has(merged.out, "System merging complete.")) << merged.out;
    CliRun info = cli(dir, "info " + p);
    EXPECT_FALSE(has(info.out, "ELM")) << info.out;
    EXPECT_TRUE(has(names(path, "MAINST"), "S-9 S-10 S-11"));
}

}  // namespace
