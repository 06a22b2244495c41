// kolv-cli import and export as a script uses them: results log, files, refusals and exit codes.
#include <fstream>

#include "cli_runner.h"
#include "db/database.h"
#include "exchange/import_setup.h"
#include "ui/ui_port.h"

namespace kolv::test {

TEST(CommandLineExchange, ExportOneSystemOrAll) {
    test::TempDir dir;
    const std::string p = "'" + test::makeSample(dir) + "'";
    // the layout of the file is the core's; here: one system or all of them, and the refusals
    EXPECT_TRUE(succeeded(cli(dir, "export " + p + " --system MAINST --out '" + dir.file("m.txt") + "'"),
                          "End of Export"));
    EXPECT_FALSE(has(test::readAll(dir.file("m.txt")), "OAKAVE"));
    EXPECT_EQ(cli(dir, "export " + p + " --all --out '" + dir.file("a.txt") + "'").code, 0);
    EXPECT_TRUE(has(test::readAll(dir.file("a.txt")), "\nOAKAVE,"));

    EXPECT_NE(cli(dir, "export " + p + " --out '" + dir.file("x.txt") + "'").code, 0);
    EXPECT_TRUE(refused(cli(dir, "export " + p + " --system NOPE --out '" + dir.file("x.txt") + "'"), "'NOPE'"));
    EXPECT_TRUE(refused(cli(dir, "export " + p + " --system MAINST --out ''"), "No Export filename"));
}

TEST(CommandLineExchange, ImportThroughASavedSetupPrintsTheResultsLog) {
    test::TempDir dir;
    const std::string path = test::makeEmptyProject(dir);
    {
        auto db = db::Database::open(path);
        db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES ('NEW', 'OUT')");
        ui::SilentUi silent;
        ASSERT_TRUE(exchange::createSetup(*db, silent, "Survey",
                                          {{"Structure", "Node: Name"}, {"Rim", "Node: Inlet Elevation"},
                                           {"Downstream", "Reach: To Node"}, {"Type", "Node: Structure"}}));
    }
    std::ofstream(dir.file("survey.txt")) << "Structure;Rim;Downstream;Type\nA-1;40.5;A-2;Inlet\nA-2;39.0;OUT;Inlet\n";
    const std::string p = "'" + path + "' '" + dir.file("survey.txt") + "'";

    CliRun r = cli(dir, "import " + p + " --setup Survey --system NEW --rows 1-200 --separator semicolon "
                                     "--default-structure MH4 --default-pipe RCP18");
    // the log's lines are the import's own; the command prints them and applies the defaults it was given
    EXPECT_TRUE(succeeded(r, "IMPORT RESULTS\n"));
    EXPECT_TRUE(has(r.out, "Structure will be set to default 'MH4'\n")) << r.out;
    auto db = db::Database::open(path);
    EXPECT_DOUBLE_EQ(db->scalar("SELECT INLET_ELEV FROM NODE WHERE NAME = 'A-1'").toDouble(), 40.5);

    EXPECT_TRUE(refused(cli(dir, "import " + p + " --setup Survey --system NEW --separator ';' --rows 1,1,1,1,1,1,1,1,1,1,1,1"),
                        "Number of commas"));
    EXPECT_TRUE(refused(cli(dir, "import " + p + " --setup Other --system NEW"),
                        "Import setup 'Other' does not exist. Setups: Survey."));
    EXPECT_NE(cli(dir, "import " + p + " --setup Survey --system NEW --separator pipe").code, 0);
    EXPECT_TRUE(refused(cli(dir, "import " + p + " --setup Survey --system GONE --separator semicolon"), "'GONE'"));
    EXPECT_NE(cli(dir, "import " + p.substr(0, p.find(' ')) + " '" + dir.file("missing.csv") +
                       "' --setup Survey --system NEW").code,
              0);

    // A file none of whose headings the setup knows (here read with the wrong separator, as a
    // damaged encoding reads too) imports nothing, and says so.
    const std::string before = std::to_string(db->scalar("SELECT COUNT(*) FROM NODE").toInt());
    EXPECT_TRUE(refused(cli(dir, "import " + p + " --setup Survey --system NEW --separator comma"),
                        "No column heading of the file matches a column of setup 'Survey'"));
    EXPECT_EQ(std::to_string(db->scalar("SELECT COUNT(*) FROM NODE").toInt()), before);
}
}  // namespace kolv::test
