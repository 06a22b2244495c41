// Template reports over a project: selections, order, totals, metric conversions, pages, text and CSV.
#include "reports/report_layout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "report_project.h"
#include "reports/report_commands.h"
#include "reports/report_engine.h"

using namespace kolv;
using namespace kolv::reports;

namespace {

std::string shipped(const std::string& name) { return std::string(KOLV_TEST_SOURCE_DATA) + "/reports/" + name; }

ReportInputs inputs(const std::string& system, bool metric = false) {
    ReportInputs in;
    in.system = system;
    in.metric = metric;
    in.dateText = "12/06/2026";
    in.timeText = "9:05 AM";
    in.projectName = "reports.mdb";
    return in;
}

/// First-line cells of the records, in order.
std::vector<std::vector<std::string>> records(const ReportRunner& r) {
    std::vector<std::vector<std::string>> out;
    for (const auto& it : r.content().items)
        if (it.kind == ReportContent::Kind::Record) out.push_back(it.cells());
    return out;
}

struct ReportProject : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<db::Database> db;
    void open(bool metric = false) { db = db::Database::open(test::makeReportProject(dir, metric)); }

    std::unique_ptr<ReportRunner> run(const ReportTemplate& t, ReportCommand c, const std::string& sys,
                                      bool metric = false) {
        auto req = reportRequest(c, sys, metric);
        auto in = inputs(sys, metric);
        in.selection = req.selection;
        in.sortField = req.sortField;
        return std::make_unique<ReportRunner>(*db, t, in);
    }
};

}  // namespace

TEST_F(ReportProject, MetricStormTabConvertsFeetAcresAndCfs) {
    open(true);
    ReportTemplate t = loadTemplate(shipped("T60v11m.RPT"));
    auto r = run(t, ReportCommand::StormTabs, "S1", true);
    const auto& items = r->content().items;
    const auto& first = items.front();
    ASSERT_EQ(first.kind, ReportContent::Kind::Record);
    auto col = [&](const std::string& head) {
        for (std::size_t c = 0; c < t.columns.size(); ++c)
            if (!t.columns[c].heading.empty() && t.columns[c].heading[0] == head) return c;
        ADD_FAILURE() << head;
        return std::size_t(0);
    };
    // S1-1: 250 ft, 0.50 ac, Q = 0.425 x 7.2 = 3.06 cfs, 18 in pipe, upstream invert 102.80 ft.
    EXPECT_EQ(first.cells()[col("Length")], "76.20");     // 250 / 3.28083339792 = 76.2002 m
    EXPECT_EQ(first.cells()[col("Area")], "0.202");       // 0.50 / 2.471 = 0.20235 ha
    EXPECT_EQ(first.cells()[col("Q")], "0.087");          // 3.06 x 0.028317 = 0.08665 m3/s
    EXPECT_EQ(first.cells2()[col("Pipe")], "457");        // 1.5 / 3.28083339792 x 1000 = 457.2 mm
    EXPECT_EQ(first.cells()[col("Invert")], "31.334");    // 102.80 / 3.28083339792 = 31.3335 m
    EXPECT_EQ(first.cells()[col("Int.")], "7.20");        // intensities are never converted
    // The total length: 12 reaches of 250 ft = 3000 ft = 914.40 m.
    const auto& total = items.back();
    ASSERT_EQ(total.kind, ReportContent::Kind::ReportTotal);
    EXPECT_EQ(total.cells()[col("Length")], "914.40");
    EXPECT_EQ(total.text, "SYSTEM TOTALS");

    // The English layout shows the same row in the stored units; rows follow the print position
    // (S1-3 put first), then flow order, and O'HARA's rows are left out.
    db->execute("UPDATE T60 SET SEQUENCER = 1 WHERE \"FROM\" <> 'S1-3'");
    ReportTemplate e = loadTemplate(shipped("T60v11.RPT"));
    auto re = run(e, ReportCommand::StormTabs, "S1");
    const auto order = records(*re);
    ASSERT_EQ(order.size(), 12u);
    EXPECT_EQ(order[0][0] + " " + order[1][0] + " " + order[2][0] + " " + order[3][0], "S1-3 S1-1 S1-2 S1-4");
    EXPECT_EQ(re->content().items[1].cells()[2], "250.00");
    EXPECT_EQ(re->content().items[1].cells2()[9], "18");  // 1.5 ft = 18 in

    // The times of concentration list only the nodes with a travel time; the ditch report only ditches.
    const ReportTemplate tcTemplate = loadTemplate(shipped("TC.RPT")), ditchTemplate = loadTemplate(shipped("DITCH.RPT"));
    const auto tc = records(*run(tcTemplate, ReportCommand::TimesOfConcentration, "S1"));
    ASSERT_EQ(tc.size(), 3u);  // nodes 1, 5 and 9 (node 9 only its ninth segment)
    EXPECT_EQ(tc[2][0], "S1-9");
    EXPECT_EQ(tc[2].back(), "10.00");
    const auto ditches = records(*run(ditchTemplate, ReportCommand::Ditches, "S1"));
    ASSERT_EQ(ditches.size(), 1u);
    EXPECT_EQ(ditches[0][1], "Trapezoid");
}

TEST_F(ReportProject, PipesGroupedAndSortedForTheUnitSystemAndNodesAsTextAndCsv) {
    open();
    ReportTemplate t = parseTemplate("source T7\ngroup value=\"{T7.GROUPP}\" head=\"Group {T7.GROUPP}\"\n"
                                     "column value=\"{T7.NAME}\" width=10\ncolumn value=\"{T7.COST}\" width=8 "
                                     "picture=\"0.00\" total=sum\n",
                                     "P.RPT");
    db->execute("DELETE FROM T7 WHERE NAME NOT IN ('18RCP','24RCP','30RCP','15CMP','18CMP','450RCP','600RCP')");
    auto r = run(t, ReportCommand::Pipes, "");
    std::vector<std::string> seq;
    for (const auto& it : r->content().items) {
        if (it.kind == ReportContent::Kind::GroupHeading) seq.push_back("[" + it.text + "]");
        else if (it.kind == ReportContent::Kind::Record) seq.push_back(it.cells()[0]);
        else if (it.kind == ReportContent::Kind::GroupTotal) seq.push_back("=" + it.cells()[1]);
        else seq.push_back("==" + it.cells()[1]);
    }
    // English rows only (ENG_MET 0), group 1 before group 3; costs 40, 50, 60 | 70, 80.
    EXPECT_EQ(seq, (std::vector<std::string>{"[Group 1]", "18RCP", "24RCP", "30RCP", "=150.00", "[Group 3]", "15CMP",
                                             "18CMP", "=150.00", "==300.00"}));

    SCOPED_TRACE("plain text and CSV carry the same records");
    ReportTemplate nodes = loadTemplate(shipped("NODES.RPT"));
    auto n = run(nodes, ReportCommand::Nodes, "O'HARA");
    std::string txt = n->plainText();
    EXPECT_NE(txt.find("NODE DATA"), std::string::npos);
    EXPECT_NE(txt.find("System: O'HARA"), std::string::npos);
    EXPECT_NE(txt.find("OH-3"), std::string::npos);
    EXPECT_EQ(txt.find("S1-1 "), std::string::npos);
    std::string csv = n->csv();
    EXPECT_EQ(csv.rfind("Node,To node,Baseline,Station,Offset,Structure,Inlet elev.,", 0), 0u);
    int rows = 0;
    for (char c : csv) rows += c == '\n';
    EXPECT_EQ(rows, 4);  // heading + 3 nodes
}

TEST_F(ReportProject, PagesRepeatHeadingsNumberThemselvesAndStreamAsLaidOutWhole) {
    open();
    // 60 more T60 rows: two-line records fill more than one letter page.
    for (int i = 0; i < 60; ++i)
        test::insertRow(*db, "T60", {"SYSTEM", "FROM", "TO", "LENGTH"}, {"S1", "X" + std::to_string(i), "OUT", 10.0});
    ReportTemplate t = loadTemplate(shipped("T60v11.RPT"));
    auto r = run(t, ReportCommand::StormTabs, "S1");
    LayoutResult lr = r->layout();
    EXPECT_TRUE(lr.overflows.empty());
    ASSERT_GE(lr.document.pages.size(), 3u);
    auto lines = pageLines(lr.document);
    for (std::size_t p = 0; p < lines.size(); ++p) {
        std::string all;
        for (const auto& l : lines[p]) all += l + "\n";
        char want[32];
        std::snprintf(want, sizeof want, "Page: %02zu", p + 1);
        EXPECT_NE(all.find(want), std::string::npos) << p;
        EXPECT_NE(all.find("STORM SEWER TABULATION"), std::string::npos);
        EXPECT_NE(all.find("Tailwater: 92.50 ft"), std::string::npos);
        EXPECT_NE(all.find("Design storm: IDF zone 6, 3-year storm"), std::string::npos);
        EXPECT_NE(all.find("Page " + std::to_string(p + 1) + " of " + std::to_string(lines.size())), std::string::npos);
    }
    // Every record line lies between the column headings and the closing line.
    for (const auto& page : lr.document.pages)
        for (const auto& run : page.texts) EXPECT_LT(run.baseline, t.paperHeightPt - t.marginBottom + 10);
    // a time-intensity table says which part is the location and which the frequency
    db->execute("UPDATE T16 SET INTENSITY_METHOD = 1, LOCATION = 'RIVERTON', FREQUENCY = '3' WHERE SYSTEM = 'S1'");
    const auto timeIntensity = pageLines(run(t, ReportCommand::StormTabs, "S1")->layout().document);
    std::string first;
    for (const auto& l : timeIntensity.front()) first += l + "\n";
    EXPECT_NE(first.find("Design storm: Time-intensity table, location RIVERTON, frequency 3"), std::string::npos);

    SCOPED_TRACE("streamed pages equal the pages laid out whole");
    auto req = reportRequest(ReportCommand::StormTabs, "S1", false);
    auto in = inputs("S1");
    in.selection = req.selection;
    in.closingLine = false;  // a bound report: the sheets are framed and numbered by the caller
    in.notes = {"Design review notes:", "[1] Warning at node X7: a note long enough to stay"};
    ReportRunner runner(*db, t, in);
    const Document whole = runner.layout().document;
    Document streamed;
    std::size_t handedOver = 0;
    const LayoutResult left = runner.layout([&](Page&& p) {
        ++handedOver;
        streamed.pages.push_back(std::move(p));
    });
    EXPECT_TRUE(left.document.pages.empty());  // nothing kept behind
    ASSERT_GE(whole.pages.size(), 3u);
    EXPECT_EQ(handedOver, whole.pages.size());
    EXPECT_EQ(pageLines(streamed), pageLines(whole));
}

TEST_F(ReportProject, TooNarrowColumnsAreCutAndReportedAndFarTooWideOnesRefused) {
    open();
    ReportTemplate t = parseTemplate("source NODE\ncolumn value=\"{NODE.NAME}\" width=2\n"
                                     "column value=\"{NODE.INLET_ELEV}\" width=2 picture=\"0.00\"\n",
                                     "N.RPT");
    auto r = run(t, ReportCommand::Nodes, "S1");
    LayoutResult lr = r->layout();
    EXPECT_FALSE(lr.overflows.empty());
    bool hashes = false;
    for (const auto& run : lr.document.pages[0].texts) {
        EXPECT_LE(textWidthPt(run.text, run.font), run.width + 1e-9) << run.text;
        hashes = hashes || (!run.text.empty() && run.text.find_first_not_of('#') == std::string::npos);
    }
    EXPECT_TRUE(hashes);  // a number that does not fit is never shown cut

    // columns far wider than the paper are refused
    std::string text = "source NODE\n";
    for (int i = 0; i < 30; ++i) text += "column value=\"{NODE.NAME}\" width=40\n";  // 1,229 digits
    const ReportTemplate wideTemplate = parseTemplate(text, "WIDE.RPT");  // the runner keeps a reference
    auto wide = run(wideTemplate, ReportCommand::Nodes, "S1");
    try {
        wide->layout();
        FAIL();
    } catch (const TemplateError& e) {
        EXPECT_NE(std::string(e.what()).find("WIDE.RPT: the columns need 1229 digits"), std::string::npos) << e.what();
    }
}

TEST(ReportCommands, TemplatesOfTheCommandsAndTheirReportData) {
    EXPECT_EQ(reportRequest(ReportCommand::Pipes, "S1", true).selection, "{T7.ENG_MET} = 1");
    EXPECT_EQ(reportRequest(ReportCommand::Pipes, "S1", false).sortField, "+{T7.GROUPP}");
    EXPECT_EQ(reportRequest(ReportCommand::Structures, "S1", false).selection, "{T6.ENG_MET} = 0");
    EXPECT_EQ(reportRequest(ReportCommand::Reaches, "O'HARA", false).selection, "{REACH.SYSTEM} = 'O''HARA'");
    EXPECT_EQ(reportRequest(ReportCommand::StormTabs, "S1", true).templateName, "T60v11m.RPT");
    EXPECT_EQ(reportRequest(ReportCommand::ZeriTabs, "S1", false).templateName, "T60v3ZERI.RPT");
    LayoutOptions units;
    units.variant = LayoutOptions::Variant::Units;
    units.ditchPage = 2;
    EXPECT_EQ(reportRequest(ReportCommand::Ditches, "S1", false, units).templateName, "DITCHu2.RPT");
    EXPECT_EQ(reportRequest(ReportCommand::Ditches, "S1", true, units).templateName, "DITCHM.RPT");
    EXPECT_EQ(reportRequest(ReportCommand::Ditches, "S1", false).selection,
              "{T60.SYSTEM} = 'S1' and {T60.TYPE} = 'DITCH'");
    ReportCommand c;
    EXPECT_TRUE(commandOfTemplate("t60v11u", c));
    EXPECT_EQ(c, ReportCommand::StormTabs);
    EXPECT_FALSE(commandOfTemplate("MYOWN.RPT", c));
    for (const auto& name : commandTemplates())
        EXPECT_TRUE(std::filesystem::exists(shipped(name))) << name;

    // the report data of a request shows n/a where the command has no selection or order
    auto idf = reportData(reportRequest(ReportCommand::IdfData, "S1", false), "/opt/kolv/reports/IDF.RPT");
    ASSERT_EQ(idf.size(), 4u);
    EXPECT_EQ(idf[0], (std::pair<std::string, std::string>{"Report name", "IDF.RPT"}));
    EXPECT_EQ(idf[1].second, "/opt/kolv/reports/");
    EXPECT_EQ(idf[2].second, "n/a");
    EXPECT_EQ(idf[3].second, "n/a");
    auto pipes = reportData(reportRequest(ReportCommand::Pipes, "S1", false), "");
    EXPECT_EQ(pipes[1].second, "n/a");
    EXPECT_EQ(pipes[3].second, "+{T7.GROUPP}");
    auto nodes = reportDataForCommand(ReportCommand::Nodes, "O'HARA", false, "/no/such/folder/");
    EXPECT_EQ(nodes[0].second, "NODES.RPT");
    EXPECT_NE(nodes[1].second.find("reports/"), std::string::npos);  // the installation's folder
    EXPECT_EQ(nodes[2].second, "{NODE.SYSTEM} = 'O''HARA'");
    EXPECT_EQ(nodes[3].second, "n/a");
}

TEST(TemplateSearch, ReportFolderFirstWithoutRegardToCaseThenInstallationAndTheListingShowsFaults) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.file("My Reports"));
    std::ofstream(dir.file("My Reports/nodes.rpt")) << "source NODE\ncolumn value=\"{NODE.NAME}\"\n";
    // The settings file holds the folder in capitals.
    std::string upper = dir.path() + "/MY REPORTS/";
    EXPECT_EQ(locateTemplate("NODES.RPT", upper), dir.file("My Reports/nodes.rpt"));
    // Not in the report folder: the installation's copy.
    EXPECT_EQ(std::filesystem::path(locateTemplate("TC.RPT", upper)).filename(), "TC.RPT");
    EXPECT_NE(locateTemplate("TC.RPT", "").find("reports/TC.RPT"), std::string::npos);
    try {
        locateTemplate("NOPE.RPT", upper);
        FAIL();
    } catch (const TemplateError& e) {
        std::string m = e.what();
        EXPECT_NE(m.find("MY REPORTS"), std::string::npos) << m;
        EXPECT_NE(m.find("reports/"), std::string::npos) << m;
    }

    // the listing prefers the report folder and shows faults
    std::ofstream(dir.file("NODES.RPT")) << "describe \"my nodes\"\nsource NODE\ncolumn value=\"{NODE.NAME}\"\n";
    std::ofstream(dir.file("BROKEN.rpt")) << "source NODE\ncolumn value=\"{NODE.NAME\"\n";
    auto list = availableTemplates(dir.path());
    auto find = [&](const std::string& n) {
        for (const auto& t : list)
            if (t.name == n) return t;
        return TemplateInfo{};
    };
    EXPECT_EQ(find("NODES.RPT").description, "my nodes");
    EXPECT_EQ(find("NODES.RPT").path, dir.file("NODES.RPT"));
    EXPECT_NE(find("BROKEN.rpt").fault.find("BROKEN.rpt:2:"), std::string::npos);
    EXPECT_EQ(find("T60v11m.RPT").description.rfind("Storm tab in metric units", 0), 0u);
    std::size_t shipped = 0;
    for (const auto& t : list) shipped += t.path.find(dir.path()) == std::string::npos;
    EXPECT_EQ(shipped + 2, list.size());
}

TEST(ReportEngineRun, TextAndCsvNeedNoPainterButPdfDoes) {
    test::TempDir dir;
    auto db = db::Database::open(test::makeReportProject(dir));
    ReportEngine e(*db);
    e.setTemplate(std::string(KOLV_TEST_SOURCE_DATA) + "/reports", "STRUCTS.RPT");
    e.setInputs(inputs("S1"));
    e.setSelectionFormula("{T6.ENG_MET} = 1");
    e.setDestination(Destination::Csv, dir.file("s.csv"));
    e.run();
    std::ifstream in(dir.file("s.csv"));
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("CI-M"), std::string::npos);
    EXPECT_EQ(all.find("CI-P5"), std::string::npos);  // an English definition
    e.setDestination(Destination::Pdf, dir.file("s.pdf"));
    try {
        e.run();
        FAIL();
    } catch (const Error& err) {
        EXPECT_NE(std::string(err.what()).find("text (.txt) or CSV"), std::string::npos);
    }
    e.setSelectionFormula("{T6.ENG_MET} = ");
    e.setDestination(Destination::Text, dir.file("s.txt"));
    EXPECT_THROW(e.run(), FormulaError);
}

// The records are read with only the fields the template reads. A field read nowhere but in the
// title, a heading, a group or a footer (of the source or of a joined table) must still be read:
// the same report with those fields also shown as columns gives the same texts.
TEST_F(ReportProject, FieldsReadOutsideTheColumnsAreRead) {
    open();
    const std::string top = "describe \"fields outside the columns\"\n"
                            "title \"First station {NODE.STATION}\"\n"
                            "heading left=\"Pipe {REACH.PIPE_NAME}\" right=\"Node {NODE.NAME}\"\n"
                            "source NODE\n"
                            "join REACH NODE1=\"{NODE.NAME}\"\n"
                            "group value=\"{NODE.STRUCT_NAME}\" head=\"Structure {NODE.STRUCT_NAME}\" totals=no\n"
                            "column value=\"{NODE.NAME}\" width=10 head=\"Node\"\n";
    const std::string shown = "column value=\"{NODE.STATION}\" width=10 head=\"Station\"\n"
                              "column value=\"{REACH.PIPE_NAME}\" width=10 head=\"Pipe\"\n"
                              "column value=\"{NODE.STRUCT_NAME}\" width=10 head=\"Structure\"\n"
                              "column value=\"{NODE.INLET_ELEV}\" width=10 head=\"Inlet\"\n";
    const std::string footer = "footer \"Last inlet {NODE.INLET_ELEV:0.00}\"\n";
    const ReportTemplate narrow = parseTemplate(top + footer, "narrow.rpt");
    const ReportTemplate wide = parseTemplate(top + shown + footer, "wide.rpt");
    auto a = run(narrow, ReportCommand::Nodes, "S1");
    auto b = run(wide, ReportCommand::Nodes, "S1");
    const auto texts = [](const ReportRunner& r) {
        std::vector<std::string> out;
        for (const auto& it : r.content().items)
            if (it.kind != ReportContent::Kind::Record) out.push_back(it.text);
        return out;
    };
    const auto lines = [](const std::string& text, std::size_t n) {
        std::vector<std::string> out;
        std::size_t at = 0;
        for (std::size_t i = 0; i < n && at < text.size(); ++i) {
            const std::size_t end = text.find('\n', at);
            out.push_back(text.substr(at, end - at));
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return out;
    };
    ASSERT_GT(a->content().recordCount, 0u);
    EXPECT_EQ(texts(*a), texts(*b));
    EXPECT_EQ(lines(a->plainText(), 2), lines(b->plainText(), 2));  // title and heading
    EXPECT_NE(texts(*a).back(), "Last inlet 0.00");
    EXPECT_NE(lines(a->plainText(), 2)[1].rfind("Pipe  ", 0), 0u);  // the joined pipe is named
}

TEST(TextLines, ManyBlocksReadBackInOrderWhateverTheLinesHold) {
    // Enough lines to deflate several blocks and leave a tail; lines empty, long, with breaks.
    std::vector<std::string> lines;
    for (int i = 0; i < 20000; ++i)
        lines.push_back(i % 997 == 0 ? std::string() : i % 499 == 0 ? std::string(300, 'x') + "\nsecond part"
                                                                     : "[" + std::to_string(i) + "] warning at node N");
    TextLines kept;
    for (const auto& l : lines) kept.push_back(l);
    const TextLines copy = kept;
    ASSERT_EQ(kept.size(), lines.size());
    EXPECT_EQ(std::vector<std::string>(kept.begin(), kept.end()), lines);
    EXPECT_EQ(std::vector<std::string>(copy.begin(), copy.end()), lines);
    TextLines::Reader r(kept);
    std::string line;
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(r.next(line));
    EXPECT_EQ(line, lines[2]);
}
