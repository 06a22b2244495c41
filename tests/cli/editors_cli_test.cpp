// kolv-cli structures / pipes / idf / time-intensity: catalogues and rainfall tables changed from a script.
#include <fstream>

#include "cli_runner.h"
#include "db/database.h"

namespace kolv::test {

TEST(CliDefinitions, AddChangeRefuseAndDeletePipes) {
    test::TempDir dir;
    const std::string path = test::makeSample(dir);
    const std::string p = "'" + path + "'";

    EXPECT_TRUE(succeeded(cli(dir, "pipes " + p), "RCP18"));

    // a bad number refuses the whole command: nothing is added
    EXPECT_TRUE(refused(cli(dir, "pipes " + p + " --add RCP21 --height 1,75"), "INVALID DATA"));

    // the diameter typed as the area: the core's question is answered Yes and the round area stored
    const std::string add = " --add RCP21TESTPIPE --height 1.75 --width 1.75 --area 1.75 --n 0.012";
    EXPECT_TRUE(succeeded(cli(dir, "--yes pipes " + p + add), "Added RCP21TES"));
    EXPECT_NEAR(db::Database::open(path)->scalar("SELECT AREA FROM T7 WHERE NAME = 'RCP21TES'").toDouble(), 2.4053, 1e-4);
    EXPECT_TRUE(refused(cli(dir, "pipes " + p + " --add rcp18"), "DUPLICATE RECORD"));

    // without --yes the delete question is answered No and nothing goes
    EXPECT_TRUE(refused(cli(dir, "pipes " + p + " --delete RCP21TES"),
                        "'missing pipe error' in later calculations.  Continue with delete?"));
    EXPECT_EQ(cli(dir, "--yes pipes " + p + " --delete RCP21TES").code, 0);
    EXPECT_FALSE(has(cli(dir, "pipes " + p).out, "RCP21TES"));

    EXPECT_TRUE(succeeded(cli(dir, "structures " + p + " --edit MH4 --group \"Curb Inlet\" --hgl-clear 0.75"),
                          "Curb Inlet"));
    EXPECT_NE(cli(dir, "structures " + p + " --edit MH4 --group 9").code, 0);
}

TEST(CliRainfallTables, EditIdfRowsAndTimeIntensityTables) {
    test::TempDir dir;
    const std::string path = test::makeEmptyProject(dir);
    const std::string p = "'" + path + "'";

    std::ofstream(dir.file("bad.txt")) << "6\t5\t11.2\t-2.4\t0.05\t0.02\n6\t10\t12.9\t-2,6\t0.07\t0.02\n";
    const auto before = db::Database::open(path)->scalar("SELECT COUNT(*) FROM T2").toInt();
    EXPECT_TRUE(refused(cli(dir, "idf " + p + " --paste '" + dir.file("bad.txt") + "'"), "Pasted row 2, column 'B'"));
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT COUNT(*) FROM T2").toInt(), before);

    EXPECT_TRUE(refused(cli(dir, "idf " + p + " --set 1 A abc"), "INVALID DATA"));

    // adding a row asks, as every other edit: without --yes nothing is added
    EXPECT_TRUE(refused(cli(dir, "idf " + p + " --add"), "Add new record?"));
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT COUNT(*) FROM T2").toInt(), before);
    EXPECT_EQ(cli(dir, "--yes idf " + p + " --add").code, 0);
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT COUNT(*) FROM T2").toInt(), before + 1);

    EXPECT_TRUE(refused(cli(dir, "time-intensity " + p + " --add-table --location RIVERTON"), "MISSING DATA"));
    EXPECT_EQ(cli(dir, "time-intensity " + p + " --add-table --location RIVERTON --frequency 3").code, 0);
    EXPECT_TRUE(refused(cli(dir, "time-intensity " + p + " --add-table --location RIVERTON --frequency 3"), "Duplicate"));

    std::ofstream(dir.file("table.txt")) << "10\t6.5\n20\t4.9\n";
    // the added table's empty row takes the first line, the second is added
    const std::string table = "time-intensity " + p + " --location RIVERTON --frequency 3";
    EXPECT_TRUE(succeeded(cli(dir, table + " --row 1 --column 3 --paste '" + dir.file("table.txt") + "'"), "RIVERTON"));
    // the preview prints the pasted table: 15 min halfway from 6.5 to 4.9
    EXPECT_TRUE(succeeded(cli(dir, table + " --preview"), "            15      5.700"));
    EXPECT_EQ(cli(dir, "--yes " + table + " --delete-table").code, 0);
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT COUNT(*) FROM T85").toInt(), 0);
}

}  // namespace kolv::test
