// Structure data export: line layout, directions, incoming pipes, spreadsheet safety, and a round
// trip of the sample system through the export file and the import.
#include <cmath>
#include <fstream>
#include <map>
#include <gtest/gtest.h>

#include "common/error.h"
#include "common/text.h"
#include "common/vb_format.h"
#include "exchange/import_setup.h"
#include "exchange/structure_export.h"
#include "exchange/system_import.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::exchange;

namespace {

std::vector<std::string> fields(const std::string& line) { return split(line, ','); }

}  // namespace

TEST(ExportDirection, AnglesAndCompassWordsWithNorthUp) {
    struct Case {
        double x1, y1, x2, y2, angle;
        const char *word, *letter;
    };
    for (const Case& c : {Case{0, 0, 10, 0, 0, "?", "?"},  // due east: same YD, larger XD
                          Case{5, 50, 5, 20, 90, "NORTH", "N"},  // due north on the screen: smaller YD
                          Case{5, 20, 5, 50, 270, "SOUTH", "S"}, Case{10, 0, 0, 0, 180, "WEST", "W"},
                          Case{0, 0, 10, -10, 45, "EAST", "E"},  // north-east, exactly 45: still EAST
                          Case{0, 0, 10, -10.01, 45.0286, "NORTH", "N"},  // just past it
                          Case{0, 0, std::sqrt(3.0), 1, 330, "EAST", "E"}}) {  // south-east: 360 - 30
        const PipeDirection d = pipeDirection(c.x1, c.y1, c.x2, c.y2);
        EXPECT_NEAR(d.angleDeg, c.angle, 1e-4) << c.angle;
        EXPECT_EQ(d.word + d.letter, std::string(c.word) + c.letter) << c.angle;
    }
    EXPECT_EQ(pipeDirection(3, 3, 3, 3).word, "?");
}

TEST(ExportText, ValuesAsStoredWithTheTextMarkAndQuotingOnlyWhereNeededReadBackByTheImport) {
    const std::pair<std::string, std::string> cases[] = {
        {"=SUM(A1)", "'=SUM(A1)"},    {"@cmd", "'@cmd"},           {"\tTAB", "'\tTAB"},
        {"\rCR", "\"'\rCR\""},         // marked, and quoted for its line break
        {"+1+00", "+1+00"},           {"-1+20", "-1+20"},          {"-A", "-A"},
        {"-12.5", "-12.5"},           {"10+00", "10+00"},          {"A,B", "\"A,B\""},
        {"18\" RCP", "\"18\"\" RCP\""}, {"two\nlines", "\"two\nlines\""}, {"", ""},
    };
    for (const auto& [stored, written] : cases) EXPECT_EQ(spreadsheetText(stored), written) << stored;

    // Each value written as one field of a comma-separated line, read back as the import reads it.
    for (const std::string stored : {"=SUM(A1)", "@cmd", "\tTAB", "+1+00", "-1+20", "-12.5", "A,B", "x y"}) {
        const std::string line = "A," + spreadsheetText(stored) + ",Z\n";
        TextTable t = parseText(line, ',');
        ASSERT_EQ(t.lines.size(), 1u) << stored;
        ASSERT_EQ(t.lines[0].size(), 3u) << stored;
        EXPECT_EQ(importValue(t.lines[0][1]), stored) << line;
    }
}

namespace {

struct ExportTest : ::testing::Test {
    test::SystemBuilder b;
    ui::RecordingUi ui;
};

}  // namespace

TEST_F(ExportTest, SixIncomingPipesGiveOneWarningAndFourGroups) {
    b.header("SYS1", "OUT1", {{"OUT_STA", "0+00"}, {"OUT_OFF", 0.0}, {"OUT_EL", 30.0}, {"XD", 100.0}, {"YD", 100.0}});
    b.nodeRow("SYS1", "MH", {{"XD", 100.0}, {"YD", 50.0}, {"STATION", "1+00"}, {"OFFSET", 12.345}, {"STRUCT_NAME", "MH4"},
                             {"INLET_ELEV", 40.0}});
    b.reachRow("SYS1", "MH", "OUT1", {{"PIPE_NAME", "RCP24"}, {"LENGTH", 50.0}, {"ELEV1", 32.0}});
    for (int i = 1; i <= 6; ++i) {
        const std::string n = "I" + std::to_string(i);
        b.nodeRow("SYS1", n, {{"XD", 100.0 + i}, {"YD", 50.0}});
        b.reachRow("SYS1", n, "MH", {{"PIPE_NAME", "RCP15"}, {"LENGTH", 10.0 * i}, {"ELEV2", 33.0 + i / 10.0}});
    }
    std::vector<std::string> lines = exportLines(b.db, ui, "SYS1");
    ASSERT_EQ(ui.texts(), (std::vector<std::string>{
                              "Node 'MH' has more than 4 incoming pipes. Only 4 will be reported in this listing."}));
    EXPECT_EQ(lines[0], exportHeading());
    EXPECT_EQ(fields(lines[0]).size(), 46u);
    ASSERT_EQ(lines.size(), 1u + 7u + 1u);  // heading, seven structures, the outfall
    std::vector<std::string> mh = fields(lines[1]);
    ASSERT_EQ(mh.size(), 46u);
    EXPECT_EQ((std::vector<std::string>(mh.begin(), mh.begin() + 14)),
              (std::vector<std::string>{"SYS1", "MH", "1+00", "12.35", "MH4", "40.00", "OUT", "OUT1", "RCP24", "50.00",
                                        "32.00", "SOUTH", "S", "270"}));
    // Four IN groups: I1..I4 in record order, each pointing east of MH.
    for (int g = 0; g < 4; ++g) {
        auto at = mh.begin() + 14 + 8 * g;
        EXPECT_EQ((std::vector<std::string>(at, at + 8)),
                  (std::vector<std::string>{"IN", "I" + std::to_string(g + 1), "RCP15", vbFormat(10.0 * (g + 1), "0.00"),
                                            vbFormat(33.0 + (g + 1) / 10.0, "0.00"), "?", "?", "0"}));
    }
    // A structure without incoming pipes leaves four empty groups; the outfall line has a blank OUT group.
    EXPECT_EQ(fields(lines[2])[14], "");
    std::vector<std::string> out = fields(lines[8]);
    EXPECT_EQ((std::vector<std::string>(out.begin(), out.begin() + 6)),
              (std::vector<std::string>{"SYS1", "OUT1", "0+00", "0.00", "", "30.00"}));
    for (int i = 6; i < 14; ++i) EXPECT_EQ(out[static_cast<std::size_t>(i)], " ");
    EXPECT_EQ(out[14], "IN");
    EXPECT_EQ(out[15], "MH");
    EXPECT_EQ(out[19], "NORTH");  // MH lies above the outfall on the diagram
}

TEST_F(ExportTest, ASystemWithoutOutfallAndAReachWithoutToNodeAreLeftOutWithAWarning) {
    b.header("A", "");  // no outfall node
    b.nodeRow("A", "A1", {{"XD", 10.0}, {"YD", 10.0}});
    b.reachRow("A", "A1", "", {{"PIPE_NAME", "RCP18"}, {"LENGTH", 50.0}});  // leads nowhere
    b.nodeRow("A", "A2", {{"XD", 20.0}, {"YD", 10.0}});
    b.reachRow("A", "A2", "A1", {{"PIPE_NAME", "RCP18"}, {"LENGTH", 40.0}});
    std::vector<std::string> leftOut;
    std::vector<std::string> lines = exportLines(b.db, ui, "A", &leftOut);
    ASSERT_EQ(lines.size(), 3u);  // heading, A1, A2: no outfall line
    std::vector<std::string> a1 = fields(lines[1]);
    ASSERT_EQ(a1.size(), 46u);
    for (int i = 6; i < 14; ++i) EXPECT_EQ(a1[static_cast<std::size_t>(i)], "") << i;  // no OUT group
    EXPECT_EQ(a1[14], "IN");  // A2 still comes in
    EXPECT_EQ(fields(lines[2])[7], "A1");
    EXPECT_EQ(leftOut, (std::vector<std::string>{
                           "Reach 'A1' has no To Node: its pipe is left out of the line of node 'A1'.",
                           "System 'A' has no outfall node: its outfall line is left out."}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, kExportTitle);
    EXPECT_EQ(ui.messages[0].text, leftOut[0] + "\n" + leftOut[1]);
}

TEST_F(ExportTest, AllSystemsLeadEachLineWithItsOwnSystemAndTheFileIsWritten) {
    b.header("A", "OA");
    b.header("B", "OB");
    b.nodeRow("A", "A1", {{"STATION", "=1+2"}});
    b.nodeRow("B", "B1", {});
    b.nodeRow("A", "A2", {});
    EXPECT_EQ(exportSystemChoices(b.db), (std::vector<std::string>{"<ALL>", "A", "B"}));
    std::vector<std::string> lines = exportLines(b.db, ui, kAllSystems);
    ASSERT_EQ(lines.size(), 6u);
    std::vector<std::string> lead;
    for (std::size_t i = 1; i < lines.size(); ++i) lead.push_back(fields(lines[i])[0] + ":" + fields(lines[i])[1]);
    EXPECT_EQ(lead, (std::vector<std::string>{"A:A1", "B:B1", "A:A2", "A:OA", "B:OB"}));
    EXPECT_EQ(fields(lines[1])[2], "'=1+2");
    EXPECT_EQ(exportLines(b.db, ui, "B").size(), 3u);  // heading, B1, the outfall OB

    const std::string path = b.dir.file("structures.txt");
    std::vector<std::string> listing = exportStructures(b.db, ui, kAllSystems, path);
    EXPECT_EQ(listing.back(), "End of Export");
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().title, "Export Complete");
    EXPECT_EQ(ui.messages.back().text, "KOLV has written the data to file:\n" + path +
                                           "\nTo manipulate the data, open the file with EXCEL and import it as a "
                                           "'Comma Delimited' text file.");
    std::string expected;
    for (const auto& l : lines) expected += l + "\n";
    EXPECT_EQ(test::readAll(path), expected);

    ui.clear();
    EXPECT_TRUE(exportStructures(b.db, ui, "A", " ").empty());
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"No Export filename and path has been entered."}));
    EXPECT_THROW(exportStructures(b.db, ui, "A", b.dir.file("no/such/folder/x.txt")), Error);
}

namespace {

/// A setup that reads a column of the export file (by its k-th heading) into a destination.
struct Assign {
    std::string heading;
    int occurrence;  // 1 = first column with that heading
    Destination destination;
};

std::vector<ColumnAssignment> setupFor(const std::vector<std::string>& headings, const std::vector<Assign>& assigns) {
    std::vector<Destination> d(headings.size(), Destination::None);
    for (const auto& a : assigns) {
        int seen = 0;
        for (std::size_t c = 0; c < headings.size(); ++c)
            if (headings[c] == a.heading && ++seen == a.occurrence) d[c] = a.destination;
    }
    return assignmentsOf(headings, d);
}

}  // namespace

TEST(ExportRoundTrip, TheSampleSystemComesBackThroughTheExportFile) {
    test::TempDir dir;
    ui::SilentUi silent;
    ui::RecordingUi ui;
    auto sample = db::openProject(test::makeSample(dir), silent);
    db::Database& src = *sample->db;
    const std::string file = dir.file("mainst.txt");
    exportStructures(src, ui, "MAINST", file);
    const int nodeCount = static_cast<int>(src.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'MAINST'").toInt());
    ASSERT_GT(nodeCount, 10);

    // A fresh project with the system's header, and setups made against the file's headings.
    auto target = db::openProject(test::makeEmptyProject(dir), silent);
    db::Database& dst = *target->db;
    dst.execute("INSERT INTO T16 (SYSTEM) VALUES ('MAINST')");
    ImportFile f = readImportFile(file, ',');
    ASSERT_EQ(f.columnCount(), 32);  // the export has 46 columns; the import reads 32 (the OUT group and two IN groups)
    ASSERT_EQ(static_cast<int>(f.rows.size()), nodeCount + 1);  // the structures and the outfall line

    ASSERT_TRUE(createSetup(dst, ui, "EXPORT",
                            setupFor(f.headings, {{"STR NUM", 1, Destination::NodeName},
                                                  {"STATION", 1, Destination::NodeStation},
                                                  {"OFFSET", 1, Destination::NodeOffset},
                                                  {"TYPE", 1, Destination::NodeStructure},
                                                  {"TOP ELEV", 1, Destination::NodeInletElev},
                                                  {"TO STR", 1, Destination::ReachToNode},
                                                  {"PIPE", 1, Destination::ReachPipe},
                                                  {"LENGTH", 1, Destination::ReachLength},
                                                  {"INVERT", 1, Destination::ReachFromInvert}})));
    // Identity links for every structure and pipe the file names.
    ImportSetup setup = loadSetup(dst, "EXPORT");
    std::vector<Destination> dest = applySetup(setup, f.headings);
    std::vector<DescriptionLink> structures, pipes;
    for (const auto& s : distinctValues(f, dest, Destination::NodeStructure)) structures.push_back({s, s});
    for (const auto& p : distinctValues(f, dest, Destination::ReachPipe)) pipes.push_back({p, p});
    ASSERT_TRUE(saveSetupLinks(dst, ui, "EXPORT", structures, pipes));

    ImportRequest req;
    req.setupName = "EXPORT";
    req.system = "MAINST";
    req.rowListing = "1-" + std::to_string(nodeCount);  // the structures, not the outfall line
    req.destinations = dest;
    ImportResult r = runImport(dst, ui, f, req);
    ASSERT_TRUE(r.ran);
    EXPECT_EQ(r.nodesCreated, nodeCount);

    // The downstream inverts are in the IN groups of the structure downstream: one pass per group,
    // the reach named by FROM STR (reaches bear the names of their upstream nodes).
    for (int g = 1; g <= 2; ++g) {
        const std::string name = "IN" + std::to_string(g);
        ASSERT_TRUE(createSetup(dst, ui, name,
                                setupFor(f.headings, {{"FROM STR", g, Destination::ReachName},
                                                      {"INVERT", g + 1, Destination::ReachToInvert}})));
        req.setupName = name;
        req.rowListing = "1-";  // the outfall line too: it holds the inverts of the reaches into the outfall
        req.destinations = applySetup(loadSetup(dst, name), f.headings);
        ImportResult in = runImport(dst, ui, f, req);
        EXPECT_EQ(in.reachesCreated, 0) << "IN group " << g;
    }

    auto rows = [](db::Database& db, const std::string& sql) {
        std::vector<std::string> out;
        db::Statement st = db.prepare(sql);
        while (st.step()) {
            std::string line;
            for (int i = 0; i < st.columnCount(); ++i) {
                db::Value v = st.column(i);
                line += (v.isNumber() ? vbFormat(v.toDouble(), "0.00") : trim(v.toText())) + "|";
            }
            out.push_back(line);
        }
        return out;
    };
    const std::string nodeSql =
        "SELECT NAME, STATION, OFFSET, STRUCT_NAME, INLET_ELEV FROM NODE WHERE SYSTEM = 'MAINST' ORDER BY NAME";
    const std::string reachSql =
        "SELECT NAME, NODE1, NODE2, PIPE_NAME, LENGTH, ELEV1 FROM REACH WHERE SYSTEM = 'MAINST' ORDER BY NAME";
    const std::string invertSql = "SELECT NAME, ELEV2 FROM REACH WHERE SYSTEM = 'MAINST' ORDER BY NAME";
    EXPECT_EQ(rows(dst, nodeSql), rows(src, nodeSql));
    EXPECT_EQ(rows(dst, reachSql), rows(src, reachSql));
    // The first two IN groups lie within the 32 columns the import reads; a downstream invert in a
    // third group (the sample's S-7 and S-21 have three incoming pipes each) is not in the file as
    // read, so that reach keeps the 0 of a new reach.
    std::map<std::string, int> incoming;
    std::map<std::string, std::string> expected;
    db::Statement st = src.prepare("SELECT NAME, NODE2, ELEV2 FROM REACH WHERE SYSTEM = 'MAINST' ORDER BY rowid");
    while (st.step()) {
        const bool third = ++incoming[st.column(1).toText()] > 2;
        expected[st.column(0).toText()] = vbFormat(third ? 0.0 : st.column(2).toDouble(), "0.00");
    }
    db::Statement got = dst.prepare(invertSql);
    int checked = 0;
    while (got.step()) {
        EXPECT_EQ(vbFormat(got.column(1).toDouble(), "0.00"), expected[got.column(0).toText()]) << got.column(0).toText();
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(expected.size()));
}
