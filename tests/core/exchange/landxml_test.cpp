// LandXML import and export: the conventions of other programs' files, refusals, schema validity, round trips.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fmt/format.h>
#include <fstream>

#include "common/error.h"
#include "common/text.h"
#include "db/project.h"
#include "db/undo_history.h"
#include "editing/survey_lengths.h"
#include "exchange/landxml_export.h"
#include "exchange/landxml_import.h"
#include "exchange/landxml_reader.h"
#include "exchange/system_rows.h"
#include "hydraulics/run.h"
#include "session/session.h"
#include "support/random_system.h"
#include "support/table_snapshot.h"
#include "support/test_support.h"
#include "exchange_fixture.h"
#include "ui/recording_ui.h"

namespace kolv::exchange {
namespace {

using kolv::test::TempDir;

/// A small network written the way CAD programs write one: `ns` picks the namespace version,
/// `units` the Units element, `body` the Struct and Pipe elements of one PipeNetwork.
std::string landXml(const std::string& ns, const std::string& units, const std::string& structs,
                    const std::string& pipes, const std::string& extra = "") {
    return "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-" + ns +
           "\" xmlns:ext=\"http://example.org/ext\" date=\"2026-01-01\" time=\"00:00:00\" version=\"" + ns + "\">" +
           units + extra + "<PipeNetworks><PipeNetwork name=\"STORM 1\" pipeNetType=\"storm\"><Structs>" + structs +
           "</Structs><Pipes>" + pipes + "</Pipes></PipeNetwork></PipeNetworks></LandXML>";
}

const char* kImperial =
    "<Units><Imperial areaUnit=\"acre\" linearUnit=\"foot\" volumeUnit=\"cubicFeet\" temperatureUnit=\"fahrenheit\" "
    "pressureUnit=\"inHG\" diameterUnit=\"inch\"/></Units>";
const char* kMetricNoDiameter =
    "<Units><Metric areaUnit=\"squareMeter\" linearUnit=\"meter\" volumeUnit=\"cubicMeter\" temperatureUnit=\"celsius\" "
    "pressureUnit=\"milliBars\"/></Units>";

/// Three structures in a line, A -> B -> OUT; `pipeB` is the second pipe's section element.
std::string threeStructs(const std::string& rimA = "105", const std::string& kindOut = "<OutletStruct/>") {
    return "<Struct name=\"A\" elevRim=\"" + rimA + "\"><Center>5000 2000</Center><CircStruct diameter=\"48\" desc=\"MH\"/>"
           "<Invert elev=\"100\" flowDir=\"out\" refPipe=\"P1\"/><ext:Note text=\"x\"/></Struct>"
           "<Struct name=\"B-LONGNAME-1\" elevRim=\"104\"><Center>5000 2100</Center><InletStruct/>"
           "<Invert elev=\"99.5\" flowDir=\"in\" refPipe=\"P1\"/><Invert elev=\"99.4\" flowDir=\"out\" refPipe=\"P2\"/></Struct>"
           "<Struct name=\"OUT\" elevRim=\"102\"><Center>5000 2300</Center>" + kindOut +
           "<Invert elev=\"98.4\" flowDir=\"in\" refPipe=\"P2\"/></Struct>";
}
std::string twoPipes(const std::string& slope1 = "0.005", const std::string& section2 = "<CircPipe diameter=\"24\"/>") {
    return "<Pipe name=\"P1\" refStart=\"A\" refEnd=\"B-LONGNAME-1\" length=\"100\" slope=\"" + slope1 +
           "\"><CircPipe diameter=\"18\" material=\"RCP\" mannings=\"0.013\"/>"
           "<PipeFlow flowIn=\"0\" areaCatchment=\"0.5\" runoffCoeff=\"0.8\" timeInlet=\"12\"/></Pipe>"
           "<Pipe name=\"P2\" refStart=\"B-LONGNAME-1\" refEnd=\"OUT\">" + section2 + "</Pipe>";
}

struct Imported {
    TempDir dir;
    std::string path = kolv::test::makeEmptyProject(dir);
    ui::RecordingUi ui;
    std::unique_ptr<db::Project> project = db::openProject(path, ui);
    db::Database& db = *project->db;

    LandXmlImportResult run(const std::string& xml, const std::string& system = "") {
        LandXmlDocument doc = parseLandXml(xml);
        LandXmlImportRequest req;
        if (!system.empty()) req.networks = {{doc.networks.at(0).name, system}};
        return importLandXml(db, ui, doc, req);
    }
    double num(const std::string& sql, const std::vector<db::Value>& p = {}) { return db.scalar(sql, p).toDouble(); }
    std::string text(const std::string& sql, const std::vector<db::Value>& p = {}) { return db.scalar(sql, p).toText(); }
};

bool logHas(const std::vector<std::string>& log, const std::string& part) {
    for (const auto& l : log)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

// The same network in other dialects gives the same project values (feet), whatever the file's
// namespace version, units, slope convention or diameter unit.
struct Dialect {
    const char* name;
    std::string ns, units, scale;  // scale: "1" feet, "0.3048" metres
    std::string slope;
};

class LandXmlDialects : public testing::TestWithParam<Dialect> {};

TEST_P(LandXmlDialects, GiveTheSameNetwork) {
    const Dialect& d = GetParam();
    const double s = std::stod(d.scale);
    auto v = [&](double ft) { return exactNumber(ft * s); };
    const std::string structs =
        "<Struct name=\"A\" elevRim=\"" + v(105) + "\"><Center>" + v(5000) + " " + v(2000) +
        "</Center><Connection/><Invert elev=\"" + v(100) + "\" flowDir=\"out\" refPipe=\"P1\"/></Struct>"
        "<Struct name=\"OUT\" elevRim=\"" + v(102) + "\"><Center>" + v(5000) + " " + v(2100) +
        "</Center><OutletStruct/><Invert elev=\"" + v(99.5) + "\" flowDir=\"in\" refPipe=\"P1\"/></Struct>";
    const std::string diameter = s == 1 ? "24" : "609.6";  // inches without a unit, or millimetres
    const std::string pipes = "<Pipe name=\"P1\" refStart=\"A\" refEnd=\"OUT\" length=\"" + v(100) + "\" slope=\"" +
                              d.slope + "\"><CircPipe diameter=\"" + diameter + "\"/></Pipe>";
    Imported p;
    p.db.execute("INSERT INTO T7 (NAME, ENG_MET, HEIGHT, WIDTH, AREA, N) VALUES ('T24', 0, 2, 2, 3.14159, 0.013)");
    LandXmlImportResult r = p.run(landXml(d.ns, d.units, structs, pipes), "S");
    ASSERT_TRUE(r.ran) << d.name;
    EXPECT_NEAR(p.num("SELECT YD FROM NODE WHERE NAME='A'"), 5000, 1e-6) << d.name;
    EXPECT_NEAR(p.num("SELECT ELEV2 FROM REACH WHERE NAME='A'"), 99.5, 1e-6) << d.name;
    EXPECT_NEAR(p.num("SELECT LENGTH FROM REACH WHERE NAME='A'"), 100, 1e-6) << d.name;
    EXPECT_EQ(p.text("SELECT PIPE_NAME FROM REACH WHERE NAME='A'"), "T24") << d.name;
    EXPECT_TRUE(logHas(r.log, "no diameter unit")) << d.name;
    EXPECT_TRUE(logHas(r.log, std::string("slopes are read as ") + (std::stod(d.slope) > 0.1 ? "percent" : "fractions")))
        << d.name;
}

const std::string kFootNoDiameter =
    "<Units><Imperial areaUnit=\"acre\" linearUnit=\"foot\" volumeUnit=\"cubicFeet\" temperatureUnit=\"fahrenheit\" "
    "pressureUnit=\"inHG\"/></Units>";

INSTANTIATE_TEST_SUITE_P(Files, LandXmlDialects,
                         testing::Values(Dialect{"imperial 1.0", "1.0", kFootNoDiameter, "1", "0.005"},
                                         Dialect{"metric 1.2 percent", "1.2", kMetricNoDiameter, "0.3048", "0.5"}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

TEST(LandXmlImport, ChannelBecomesADitchAndZeroRimsAreLeftEmpty) {
    Imported p;
    LandXmlImportResult r = p.run(
        landXml("1.2", kImperial, threeStructs("0"),
                twoPipes("0.5", "<Channel height=\"2\" widthTop=\"20\" widthBottom=\"4\" mannings=\"0.04\"/>")),
        "S1");
    ASSERT_TRUE(r.ran);
    EXPECT_EQ(p.num("SELECT REACH_TYPE FROM REACH WHERE NAME='B-LONGNA'"), 2);
    EXPECT_DOUBLE_EQ(p.num("SELECT DITCH_DIM_1 FROM REACH WHERE NAME='B-LONGNA'"), 4);
    EXPECT_DOUBLE_EQ(p.num("SELECT DITCH_DIM_0 FROM REACH WHERE NAME='B-LONGNA'"), 4);  // (20-4)/2/2 = 4:1
    EXPECT_NEAR(p.num("SELECT DITCH_MANNINGS FROM REACH WHERE NAME='B-LONGNA'"), 0.04, 1e-9);
    EXPECT_TRUE(p.db.scalar("SELECT INLET_ELEV FROM NODE WHERE NAME='A'").isNull());
    EXPECT_TRUE(logHas(r.log, "Structure 'A': rim elevation 0; left empty."));
}

TEST(LandXmlImport, NamesTakenByAnotherSystemGetASuffixAndTheLogSaysSo) {
    Imported p;
    db::UndoHistory& history = p.db.attachHistory();
    const std::string before = kolv::test::snapshotTables(p.db);
    const std::string xml = landXml("1.2", kImperial, threeStructs(), twoPipes());
    const LandXmlImportResult first = p.run(xml, "S1");
    ASSERT_TRUE(first.ran);
    // Center is "northing easting": YD, XD, then the rim; the pipe's flow data go to its upstream node
    EXPECT_EQ(p.text("SELECT YD || ' ' || XD || ' ' || INLET_ELEV || ' ' || P_C1DA || ' ' || TC FROM NODE WHERE NAME='A'"),
              "5000.0 2000.0 105.0 0.5 12.0");
    EXPECT_NEAR(p.num("SELECT RUNOFF_C1 FROM NODE WHERE NAME='A'"), 0.8, 1e-6);
    EXPECT_EQ(p.text("SELECT OUT_NODE || ' ' || OUT_EL FROM T16 WHERE SYSTEM='S1'"), "OUT 102.0");
    // the long name is cut to 8 characters and the pipes follow it; P1's length is the file's, P2
    // without one gets the plan distance between its structures, which then follows them
    EXPECT_EQ(p.text("SELECT NODE2 || ' ' || ELEV1 || ' ' || ELEV2 || ' ' || LENGTH FROM REACH WHERE NAME='A'"),
              "B-LONGNA 100.0 99.5 100.0");
    EXPECT_EQ(p.num("SELECT CALC_PIPEL FROM REACH WHERE NAME='A'"), 0);
    EXPECT_EQ(p.text("SELECT LENGTH || ' ' || (CALC_PIPEL <> 0) FROM REACH WHERE NAME='B-LONGNA'"), "200.0 1");
    EXPECT_TRUE(editing::surveyCoordinates(p.db));  // structures placed by northing and easting
    EXPECT_TRUE(logHas(first.log, "'B-LONGNAME-1' is longer than 8 characters"));
    EXPECT_TRUE(logHas(first.log, "slopes are read as fractions"));
    LandXmlImportResult r = p.run(xml, "S2");
    ASSERT_TRUE(r.ran);
    EXPECT_EQ(p.text("SELECT SYSTEM FROM NODE WHERE NAME='A_2'"), "S2");
    EXPECT_EQ(p.text("SELECT NODE2 FROM REACH WHERE NAME='A_2'"), "B-LONG_2");
    EXPECT_EQ(p.text("SELECT OUT_NODE FROM T16 WHERE SYSTEM='S2'"), "OUT_2");
    EXPECT_TRUE(logHas(r.log, "Structure 'A': the name 'A' is already used; it is stored as 'A_2'."));
    // Into the same system again: the nodes are updated, not copied.
    ASSERT_TRUE(p.run(xml, "S1").ran);
    EXPECT_EQ(p.num("SELECT COUNT(*) FROM NODE"), 4);
    // each import is one undo step, and taking them back leaves every table as it was
    EXPECT_EQ(history.undoNames(), std::vector<std::string>(3, kLandXmlImportTitle));
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(history.undo());
    EXPECT_EQ(kolv::test::snapshotTables(p.db), before);
}

TEST(LandXmlImport, InvertFlowDirectionsOutrankTheOrderOfRefStartAndRefEnd) {
    Imported p;
    // P1 is written from B to A, but its inverts say it leaves A.
    std::string pipes = twoPipes();
    pipes.replace(pipes.find("refStart=\"A\" refEnd=\"B-LONGNAME-1\""), 34, "refStart=\"B-LONGNAME-1\" refEnd=\"A\"");
    LandXmlImportResult r = p.run(landXml("1.2", kImperial, threeStructs(), pipes), "S1");
    ASSERT_TRUE(r.ran);
    EXPECT_EQ(p.text("SELECT NODE1 FROM REACH WHERE NODE2='B-LONGNA'"), "A");
    EXPECT_TRUE(logHas(r.log, "the pipe is imported in that direction"));
}

// Refusals name the element and leave the project exactly as it was.
struct Refusal {
    const char* name;
    std::string xml;
    std::string message;
};

class LandXmlRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(LandXmlRefusals, LeaveTheProjectByteIdentical) {
    const Refusal& c = GetParam();
    Imported p;
    p.project.reset();
    const std::string before = kolv::test::readAll(p.path);
    p.project = db::openProject(p.path, p.ui);
    db::Database& db = *p.project->db;
    LandXmlImportResult r;
    try {
        LandXmlDocument doc = parseLandXml(c.xml);
        LandXmlImportRequest req;
        r = importLandXml(db, p.ui, doc, req);
        EXPECT_FALSE(r.ran);
        ASSERT_FALSE(p.ui.messages.empty());
        EXPECT_NE(p.ui.messages.back().text.find(c.message), std::string::npos) << p.ui.messages.back().text;
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    p.project.reset();
    EXPECT_EQ(kolv::test::readAll(p.path), before) << c.name;
}

std::string loop() {
    return landXml("1.2", kImperial,
                   "<Struct name=\"A\"><Center>0 0</Center><Connection/><Invert elev=\"1\" flowDir=\"out\" refPipe=\"P1\"/></Struct>"
                   "<Struct name=\"B\"><Center>0 9</Center><Connection/><Invert elev=\"1\" flowDir=\"out\" refPipe=\"P2\"/></Struct>",
                   "<Pipe name=\"P1\" refStart=\"A\" refEnd=\"B\"><CircPipe diameter=\"12\"/></Pipe>"
                   "<Pipe name=\"P2\" refStart=\"B\" refEnd=\"A\"><CircPipe diameter=\"12\"/></Pipe>");
}

INSTANTIATE_TEST_SUITE_P(
    Files, LandXmlRefusals,
    testing::Values(
        Refusal{"missing_structure",
                landXml("1.2", kImperial, threeStructs(),
                        twoPipes() + "<Pipe name=\"P9\" refStart=\"Q\" refEnd=\"A\"><CircPipe diameter=\"1\"/></Pipe>"),
                "Pipe 'P9' starts at structure 'Q', which is not in Network 'STORM 1'"},
        Refusal{"loop", loop(), "has no outfall"},
        Refusal{"not_xml", "this is, not, xml", "is not a LandXML document"}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ export and round trips

bool xmllintAvailable() { return std::system("xmllint --version >/dev/null 2>&1") == 0; }

/// Every field of a system's nodes and reaches by name (doubles exact), and its header's
/// outfall and storm, for comparison whatever order the rows are stored in.
std::string networkOf(db::Database& db, const std::string& system) {
    std::string out;
    for (const char* t : {"NODE", "REACH"}) {
        db::Statement st = db.prepare(std::string("SELECT * FROM ") + t + " WHERE SYSTEM = ? ORDER BY NAME");
        st.bind(1, db::Value(system));
        const db::TableLayout& layout = db.layout(t);
        while (st.step()) {
            for (int i = 0; i < st.columnCount(); ++i) {
                db::Value v = st.column(i);
                const db::FieldDef* f = layout.field(st.columnName(i));
                const db::FieldType type = f ? f->type : db::FieldType::Text;
                // A flag or code left empty reads as 0; a Single field holds single precision.
                if (v.isNull() && (type == db::FieldType::Integer || type == db::FieldType::YesNo)) v = db::Value(0);
                std::string text = v.toText();
                if (v.isReal())
                    text = type == db::FieldType::Single ? fmt::format("{}", static_cast<float>(v.toDouble()))
                                                         : fmt::format("{}", v.toDouble());
                out += st.columnName(i) + "=" + text + "|";
            }
            out += "\n";
        }
    }
    return out +
           db.scalar("SELECT OUT_NODE || '|' || IFNULL(OUT_TW,'') || '|' || IFNULL(ZONE,'') || '|' || IFNULL(FREQ,'') || "
                     "'|' || IFNULL(LOCATION,'') FROM T16 WHERE SYSTEM = ?",
                     {system})
               .toText();
}

void roundTrip(db::Project& source, const std::vector<std::string>& systems, const TempDir& dir) {
    for (const auto& s : systems) stormTab(source, s);  // the storm tab the file carries
    const std::string file = dir.file("out.xml");
    ExportResult er = exportLandXml(*source.db, systems, file);
    if (xmllintAvailable()) {
        const std::string cmd = "xmllint --noout --schema " + std::string(KOLV_TEST_DATA_DIR) +
                                "/LandXML-1.2.xsd " + file + " 2>" + dir.file("lint.txt");
        EXPECT_EQ(std::system(cmd.c_str()), 0) << kolv::test::readAll(dir.file("lint.txt"));
    }
    ui::RecordingUi ui;
    const std::string target = kolv::test::makeEmptyProject(dir, "target.mdb");
    auto project = db::openProject(target, ui);
    copyDefinitions(*source.db, *project->db);
    LandXmlDocument doc = parseLandXml(kolv::test::readAll(file));
    LandXmlImportRequest req;
    LandXmlImportResult r = importLandXml(*project->db, ui, doc, req);
    ASSERT_TRUE(r.ran) << (ui.messages.empty() ? "" : ui.messages.back().text);
    for (const auto& s : systems) {
        EXPECT_EQ(networkOf(*project->db, s), networkOf(*source.db, s)) << s;
        EXPECT_EQ(stormTab(*project, s), stormTab(source, s)) << s;
    }
}

TEST(LandXmlRoundTrip, SampleProjectComesBackWithTheSameNetworkAndStormTabs) {
    TempDir dir;
    ui::RecordingUi ui;
    auto project = db::openProject(kolv::test::makeSample(dir), ui);
    roundTrip(*project, systemList(*project->db), dir);
}

TEST(LandXmlRoundTrip, GeneratedThousandReachSystemComesBackTheSame) {
    TempDir dir;
    ui::RecordingUi ui;
    auto project = db::openProject(kolv::test::makeEmptyProject(dir), ui);
    kolv::test::addRandomSystem(*project->db, {});
    roundSingles(*project->db);
    roundTrip(*project, {"RANDOM"}, dir);
}

}  // namespace
}  // namespace kolv::exchange
