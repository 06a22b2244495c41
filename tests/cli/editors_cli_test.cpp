// kolv-cli structures / pipes / idf / time-intensity: catalogues and rainfall tables changed from a script.
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

TEST(CliDefinitions, AddChangeRefuseAndDeletePipes) {
    test::TempDir dir;
    const std::string path = test::makeSample(dir);
    const std::string p = "'" + path + "'";

    CliRun list = cli(dir, "pipes " + p);
    ASSERT_EQ(list.code, 0) << list.out;
    EXPECT_TRUE(has(list.out, "Lengths in Feet"));
    EXPECT_TRUE(has(list.out, "RCP18"));

    // a bad number refuses the whole command: nothing is added
    EXPECT_TRUE(refused(cli(dir, "pipes " + p + " --add RCP21 --height 1,75"), "INVALID DATA"));

    CliRun add = cli(dir, "--yes pipes " + p + " --add RCP21TESTPIPE --height 1.75 --width 1.75 --area 1.75 --n 0.012");
    ASSERT_EQ(add.code, 0) << add.out;
    EXPECT_TRUE(has(add.out, "Added RCP21TES"));
    EXPECT_TRUE(has(add.out, "CHECK PIPE AREA")) << add.out;  // the diameter typed as the area, answered Yes
    {
        auto db = db::Database::open(path);
        EXPECT_NEAR(db->scalar("SELECT AREA FROM T7 WHERE NAME = 'RCP21TES'").toDouble(), 2.4053, 1e-4);
        EXPECT_EQ(db->scalar("SELECT ENG_MET FROM T7 WHERE NAME = 'RCP21TES'").toInt(), 0);
    }

    EXPECT_TRUE(refused(cli(dir, "pipes " + p + " --add rcp18"),
                        "DUPLICATE RECORD: Pipe record 'rcp18' already exist."));

    // without --yes the delete question is answered No and nothing goes
    EXPECT_TRUE(refused(cli(dir, "pipes " + p + " --delete RCP21TES"),
                        "'missing pipe error' in later calculations.  Continue with delete?"));
    CliRun del = cli(dir, "--yes pipes " + p + " --delete RCP21TES");
    EXPECT_EQ(del.code, 0) << del.out;
    EXPECT_FALSE(has(cli(dir, "pipes " + p).out, "RCP21TES"));

    CliRun group = cli(dir, "structures " + p + " --edit MH4 --group \"Curb Inlet\" --hgl-clear 0.75");
    EXPECT_EQ(group.code, 0) << group.out;
    EXPECT_TRUE(has(group.out, "Curb Inlet"));
    CliRun badGroup = cli(dir, "structures " + p + " --edit MH4 --group 9");
    EXPECT_NE(badGroup.code, 0);
}

TEST(CliRainfallTables, EditIdfRowsAndTimeIntensityTables) {
    test::TempDir dir;
    const std::string path = test::makeEmptyProject(dir);
    const std::string p = "'" + path + "'";

    {
        std::ofstream block(dir.file("bad.txt"));
        block << "6\t5\t11.2\t-2.4\t0.05\t0.02\n6\t10\t12.9\t-2,6\t0.07\t0.02\n";
    }
    const auto before = db::Database::open(path)->scalar("SELECT COUNT(*) FROM T2").toInt();
    EXPECT_TRUE(refused(cli(dir, "idf " + p + " --paste '" + dir.file("bad.txt") + "'"), "Pasted row 2, column 'B'"));
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT COUNT(*) FROM T2").toInt(), before);

    EXPECT_TRUE(refused(cli(dir, "idf " + p + " --set 1 A abc"), "INVALID DATA"));

    // adding a row asks, as every other edit: without --yes nothing is added
    EXPECT_TRUE(refused(cli(dir, "idf " + p + " --add"), "Add new record?"));
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT COUNT(*) FROM T2").toInt(), before);
    CliRun yes = cli(dir, "--yes idf " + p + " --add");
    EXPECT_EQ(yes.code, 0) << yes.out;
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT COUNT(*) FROM T2").toInt(), before + 1);

    CliRun empty = cli(dir, "time-intensity " + p + " --add-table --location RIVERTON");
    EXPECT_NE(empty.code, 0);
    EXPECT_TRUE(has(empty.out, "MISSING DATA: Frequency field is empty"));
    CliRun added = cli(dir, "time-intensity " + p + " --add-table --location RIVERTON --frequency 3");
    EXPECT_EQ(added.code, 0) << added.out;
    EXPECT_TRUE(refused(cli(dir, "time-intensity " + p + " --add-table --location RIVERTON --frequency 3"),
                        "Duplicate Entry: Record already exist."));

    {
        std::ofstream block(dir.file("table.txt"));
        block << "10\t6.5\n20\t4.9\n";
    }
    // the added table's empty row takes the first line, the second is added
    CliRun paste = cli(dir, "time-intensity " + p + " --location RIVERTON --frequency 3 --row 1 --column 3 --paste '" +
                             dir.file("table.txt") + "'");
    EXPECT_EQ(paste.code, 0) << paste.out;
    EXPECT_TRUE(has(paste.out, "RIVERTON"));
    CliRun preview = cli(dir, "time-intensity " + p + " --location RIVERTON --frequency 3 --preview");
    EXPECT_EQ(preview.code, 0) << preview.out;
    EXPECT_TRUE(has(preview.out, "            15      5.700"));  // halfway from 6.5 to 4.9

    CliRun del = cli(dir, "--yes time-intensity " + p + " --location RIVERTON --frequency 3 --delete-table");
    EXPECT_EQ(del.code, 0) << del.out;
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT COUNT(*) FROM T85").toInt(), 0);
}

}  // namespace
