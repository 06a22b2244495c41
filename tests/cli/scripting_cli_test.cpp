// A project built and designed with the command line alone, the one JSON shape of every command, and the exit codes.
#include <cmath>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/cli_runner.h"
#include "common/text.h"
#include "db/database.h"

namespace kolv::test {
namespace {

using nlohmann::json;

/// A checked-in table of the sample: its header in order, and its data lines of one system as field -> text.
struct Table {
    std::vector<std::string> header;
    std::vector<std::map<std::string, std::string>> rows;
};
Table table(const std::string& file, const std::string& system) {
    std::ifstream in(sourceDataDir() + "/sample/" + file);
    Table t;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const auto cells = split(line, ',');
        if (t.header.empty()) {
            t.header = cells;
            continue;
        }
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < t.header.size() && i < cells.size(); ++i) row[t.header[i]] = cells[i];
        if (row["SYSTEM"] == system) t.rows.push_back(row);
    }
    return t;
}

/// ' FIELD=VALUE' for every given field of a row but the skipped ones, each quoted for the shell.
std::string assignments(const std::map<std::string, std::string>& row, const std::vector<std::string>& header,
                        const std::vector<std::string>& skip) {
    std::string out;
    for (const auto& field : header) {
        const auto it = row.find(field);
        if (it != row.end() && !it->second.empty() && std::find(skip.begin(), skip.end(), field) == skip.end())
            out += " '" + field + "=" + it->second + "'";
    }
    return out;
}

json parsed(const CliRun& r) {
    const auto start = r.out.find('{');  // stderr lines may come first
    return json::parse(r.out.substr(start == std::string::npos ? 0 : start));
}

// The Main Street system of the sample, typed in through the commands from the sample's own
// tables, computes the sample's reviewed storm tab; designed, it gets the reviewed pipes and inverts.
TEST(CliScripting, ASystemBuiltFromNothingGivesTheSampleResults) {
    TempDir dir;
    const std::string path = dir.file("built.mdb"), p = "'" + path + "'";
    ran(dir, "new " + p);

    const Table systems = table("T16.csv", "MAINST"), nodes = table("NODE.csv", "MAINST"),
                reaches = table("REACH.csv", "MAINST");
    const auto& header = systems.rows.front();
    ran(dir, "systems " + p + " --add MAINST --outfall OUT-1 --tailwater " + header.at("OUT_TW"));
    ran(dir, "systems " + p + " --set MAINST" +
                 assignments(header, systems.header, {"SYSTEM", "DRAIN_TYPE", "OUT_NODE", "OUT_TW"}));
    std::string added;
    for (const auto& n : nodes.rows)
        added += " '" + n.at("NAME") + "'" + assignments(n, nodes.header, {"NAME", "SYSTEM", "SEQUENCER"});
    ran(dir, "nodes " + p + " --system MAINST --add" + added);
    added.clear();
    for (const auto& x : reaches.rows)
        added += " '" + x.at("NODE1") + "' 'TO=" + x.at("NODE2") + "'" +
                 assignments(x, reaches.header, {"NAME", "SYSTEM", "NODE1", "NODE2"});
    ran(dir, "reaches " + p + " --system MAINST --add" + added);
    // the golden was computed with both exfiltration kinds on
    ran(dir, "options " + p + " --set deep-well=on french-drain=on");

    const json tab = parsed(ran(dir, "-q storm-tabs " + p + " --system MAINST --format json"));
    EXPECT_TRUE(tab["converged"].get<bool>());
    std::ifstream goldenFile(std::string(KOLV_TEST_DATA_DIR) + "/sample_storm_tabs.csv");
    std::string line;
    std::getline(goldenFile, line);
    const auto goldenHeader = split(line, ',');
    std::size_t n = 0;
    while (std::getline(goldenFile, line)) {
        const auto cells = split(line, ',');
        if (cells[0] != "MAINST") continue;
        ASSERT_LT(n, tab["rows"].size());
        const json& row = tab["rows"][n++];
        auto golden = [&](const char* field) {
            const auto i = std::find(goldenHeader.begin(), goldenHeader.end(), field) - goldenHeader.begin();
            return cells[static_cast<std::size_t>(i)];
        };
        EXPECT_EQ(row["from"], golden("FROM"));
        EXPECT_EQ(row["to"], golden("TO"));
        // the listing rounds to two decimals
        for (const auto& [key, field] : std::vector<std::pair<const char*, const char*>>{
                 {"q", "Q"}, {"hgl_up", "HGL_UP"}, {"hgl_dn", "HGL_DN"}, {"velocity", "VELOCITY"}, {"tc", "TC"}})
            EXPECT_NEAR(row[key].get<double>(), std::stod(golden(field)), 0.0051) << golden("FROM") << " " << key;
    }
    EXPECT_EQ(n, 22u);

    // the design sequence, as the reviewed design steps ran it
    const CliRun sized = ran(dir, "-q size-pipes " + p + " --system MAINST --group 1 --max-velocity 8 --format json");
    EXPECT_EQ(parsed(sized)["rows"].size(), 22u);
    ran(dir, "-q set-flowlines " + p + " --system MAINST --min-slope 0.3 --large-from 20 --decimals 2 --format json");
    std::map<std::string, json> designed;
    const json listed = parsed(ran(dir, "reaches " + p + " --system MAINST --format json"));
    for (const auto& row : listed["rows"]) designed[row["NAME"].get<std::string>()] = row;
    std::ifstream steps(std::string(KOLV_TEST_DATA_DIR) + "/sample_design_steps.txt");
    bool inReaches = false;
    std::size_t compared = 0;
    while (std::getline(steps, line)) {
        if (line.rfind("## ", 0) == 0) inReaches = line == "## reaches";
        const auto cells = split(line, ',');  // SYSTEM, NAME, PIPE_NAME, ELEV1, ELEV2
        if (!inReaches || cells.size() != 5 || cells[0] != "MAINST") continue;
        ASSERT_TRUE(designed.count(cells[1])) << cells[1];
        const json& row = designed[cells[1]];
        EXPECT_EQ(row["PIPE_NAME"], cells[2]) << cells[1];
        EXPECT_NEAR(row["ELEV1"].get<double>(), std::stod(cells[3]), 1e-6) << cells[1];
        EXPECT_NEAR(row["ELEV2"].get<double>(), std::stod(cells[4]), 1e-6) << cells[1];
        ++compared;
    }
    EXPECT_EQ(compared, 22u);

    const CliRun review = cli(dir, "review " + p + " --system MAINST --format json");
    EXPECT_EQ(parsed(review)["exit_code"], review.code) << review.out;
    EXPECT_EQ(parsed(ran(dir, "-q storm-tabs " + p + " --system MAINST --format json"))["rows"].size(), 22u);
}

struct JsonCase {
    const char* command;
    const char* args;  // after the project
};

class CliJsonShape : public testing::TestWithParam<JsonCase> {};

// Every command that prints results or lists prints the same document shape, and its CSV
// header is the same list of columns.
TEST_P(CliJsonShape, ParsesWithTheVersionedShape) {
    const JsonCase c = GetParam();
    TempDir dir;
    const auto args = [&](const std::string& project) {
        return std::string(c.command) + (std::string(c.command) == "reports" ? "" : " '" + project + "'") + " " + c.args;
    };
    const CliRun r = cli(dir, "-q " + args(makeSample(dir)) + " --format json");
    ASSERT_LE(r.code, 1) << r.out;
    json j;
    ASSERT_NO_THROW(j = parsed(r)) << r.out;
    EXPECT_EQ(j["format"], 1);
    EXPECT_EQ(j["command"], c.command);
    EXPECT_EQ(j["exit_code"], r.code);
    ASSERT_TRUE(j["rows"].is_array());
    ASSERT_TRUE(j["columns"].is_array());
    EXPECT_TRUE(j["messages"].is_array());
    for (const auto& row : j["rows"])
        for (const auto& column : j["columns"]) EXPECT_TRUE(row.contains(column.get<std::string>())) << column;

    const CliRun csv = cli(dir, "-q " + args(makeSample(dir, "again.mdb")) + " --format csv");
    std::string head;
    for (const auto& column : j["columns"]) head += (head.empty() ? "" : ",") + column.get<std::string>();
    if (!j["columns"].empty()) {
        EXPECT_TRUE(has(csv.out, head + "\n")) << csv.out.substr(0, 300);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, CliJsonShape,
    testing::Values(JsonCase{"verify", "--system MAINST"}, JsonCase{"cost", ""}, JsonCase{"review", ""},
                    JsonCase{"scenarios", ""}, JsonCase{"reports", ""}, JsonCase{"structures", ""}, JsonCase{"pipes", ""},
                    JsonCase{"idf", ""}, JsonCase{"time-intensity", ""}, JsonCase{"systems", ""},
                    JsonCase{"nodes", "--system OAKAVE"}, JsonCase{"options", ""},
                    JsonCase{"import-setup", "--create Survey --column 'ID=Node: Name' --list"}),
    [](const testing::TestParamInfo<JsonCase>& info) {
        std::string name = info.param.command;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// One code per kind of ending, whatever the command.
TEST(CliScripting, ExitCodesSayHowTheCommandEnded) {
    TempDir dir;
    const std::string path = makeSample(dir);
    const std::string p = "'" + path + "'";
    std::ofstream(dir.file("notes.txt")) << "not a project\n";
    ran(dir, "-q storm-tabs " + p + " --system MAINST");  // results for the review
    ran(dir, "criteria " + p + " --set max-velocity=4");
    const std::vector<std::tuple<const char*, std::string, int>> cases = {  // what, arguments, exit code
        {"listing", "nodes " + p + " --system MAINST", 0},
        {"review errors", "review " + p + " --system MAINST", 1},
        {"unknown option", "nodes " + p + " --bogus", 2},
        {"field before its node", "nodes " + p + " --set TC=5", 2},
        {"reach without its end", "reaches " + p + " --add S-1", 2},
        {"C above 1", "nodes " + p + " --system MAINST --set S-1 RUNOFF_C1=1.5", 3},
        {"duplicate system", "systems " + p + " --add MAINST", 3},
        {"unknown option key", "options " + p + " --set passes=3", 2},
        {"passes below the run's limit", "options " + p + " --set max-passes=2", 3},
        {"unknown destination", "import-setup " + p + " --create S --column 'A=Node: Colour'", 3},
        {"missing file", "verify '" + dir.file("nothing.mdb") + "'", 5},
        {"a text file", "info '" + dir.file("notes.txt") + "'", 5},
    };
    for (const auto& [what, args, code] : cases) {
        const CliRun r = cli(dir, args);
        EXPECT_EQ(r.code, code) << what << "\n" << r.out;
    }
    // a refused value in a list of changes keeps none of them
    const CliRun partial = cli(dir, "nodes " + p + " --system MAINST --set S-1 TC=12 S-2 TC=-1");
    EXPECT_EQ(partial.code, 3) << partial.out;
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT TC FROM NODE WHERE NAME = 'S-1'").toDouble(), 10.0);

    // another program holding the file for writing: the change waits, then gives up with 4
    auto holder = db::Database::open(path);
    holder->begin();
    holder->execute("UPDATE T0 SET PRJ_DESC = 'held'");
    const CliRun locked = cli(dir, "-q nodes " + p + " --system MAINST --set S-1 TC=12");
    EXPECT_EQ(locked.code, 4) << locked.out;
    holder->rollback();

    EXPECT_TRUE(has(ran(dir, "--help").out, "Exit codes"));
}

}  // namespace
}  // namespace kolv::test
