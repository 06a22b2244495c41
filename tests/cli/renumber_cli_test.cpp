// kolv-cli renumber, divide and combine on the sample project: results, refusals and exit codes.
#include <fstream>

#include "cli_runner.h"
#include "db/database.h"

namespace kolv::test {
namespace {

/// Node names of a system in record order, joined.
std::string names(const std::string& path, const std::string& system) {
    return db::Database::open(path)
        ->scalar("SELECT group_concat(NAME, ' ') || ' ' FROM (SELECT NAME FROM NODE WHERE SYSTEM = ? ORDER BY rowid)", {system})
        .toText();
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
    EXPECT_TRUE(refused(cli(dir, "renumber " + p + " --system MAINST --prefix M --start 1"), "M1 to M22", 3));
    EXPECT_TRUE(has(names(path, "MAINST"), "S-1 "));

    EXPECT_TRUE(succeeded(cli(dir, "--yes renumber " + p + " --system MAINST --prefix M --start 1"),
                          "Renumbering complete."));
    EXPECT_EQ(names(path, "MAINST").substr(0, 9), "M1 M2 M3 ");
    EXPECT_EQ(names(path, "OAKAVE"), oak);

    EXPECT_EQ(cli(dir, "--yes renumber " + p + " --system MAINST --prefix P --start 100 --by-position").code, 0);
    EXPECT_TRUE(succeeded(cli(dir, "storm-tabs " + p + " --system MAINST --format csv"), "P100"));
}

// Refusals exit with 3 and leave the names as they were.
TEST_F(RenumberCli, ClashesBadOrdersAndMapEntriesOfAnotherSystemAreRefused) {
    const std::string map = dir.file("map.csv");
    std::ofstream(map) << "S-31,X\n";
    EXPECT_TRUE(refused(cli(dir, "--yes renumber " + p + " --system MAINST --map '" + map + "'"), "'S-31'", 3));
    EXPECT_TRUE(refused(cli(dir, "--yes renumber " + p + " --system MAINST --prefix S- --start 31"),
                        "DUPLICATE NODE NAME", 3));
    const std::string order = dir.file("order.txt");
    std::ofstream(order) << "S-1\nS-2\n";
    EXPECT_TRUE(refused(cli(dir, "--yes renumber " + p + " --system MAINST --prefix X --start 1 --order '" + order + "'"),
                        "INCOMPLETE LIST", 3));
    EXPECT_EQ(cli(dir, "--yes renumber " + p + " --system MAINST --prefix X --start 1,5").code, 3);
    EXPECT_NE(cli(dir, "renumber " + p + " --system MAINST").code, 0);
    EXPECT_TRUE(has(names(path, "MAINST"), "S-1 S-2 S-3 "));
}

TEST_F(RenumberCli, MapFile) {
    const std::string map = dir.file("map.csv");
    std::ofstream(map) << "Node,New Node,New Reach\nS-1,A-1,R-1\nOUT-1,EW-1\n";
    ran(dir, "--yes renumber " + p + " --system MAINST --map '" + map + "'");
    auto db = db::Database::open(path);
    EXPECT_EQ(db->scalar("SELECT NAME FROM REACH WHERE NODE1 = 'A-1'").toText(), "R-1");
    EXPECT_EQ(db->scalar("SELECT OUT_NODE FROM T16 WHERE SYSTEM = 'MAINST'").toText(), "EW-1");
}

TEST_F(RenumberCli, DivideAndCombine) {
    db::Database::open(path)->execute("INSERT INTO T16 (SYSTEM) VALUES ('ELM')");
    EXPECT_TRUE(refused(cli(dir, "divide " + p + " --system MAINST --to ELM S-9 S-11"), "minimum of 3 nodes", 3));
    EXPECT_TRUE(refused(cli(dir, "divide " + p + " --system MAINST --to NOSUCH S-9 S-11 S-10"), "'NOSUCH'", 3));
    ASSERT_EQ(cli(dir, "divide " + p + " --system MAINST --to ELM S-9 S-11 S-10").code, 0);
    EXPECT_EQ(names(path, "ELM"), "S-9 S-10 S-11 ");  // what moves with them is the core's to check

    EXPECT_TRUE(refused(cli(dir, "combine " + p + " --from OAKAVE --to oakave"), "cannot be the same system", 3));
    EXPECT_EQ(cli(dir, "combine " + p + " --from NOSUCH --to MAINST").code, 3);
    EXPECT_TRUE(succeeded(cli(dir, "--yes combine " + p + " --from ELM --to MAINST"), "System merging complete."));
    EXPECT_FALSE(has(cli(dir, "info " + p).out, "ELM"));
    EXPECT_TRUE(has(names(path, "MAINST"), "S-9 S-10 S-11"));
}

}  // namespace
}  // namespace kolv::test
