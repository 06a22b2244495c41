// The SWMM 5 input file read back: sections, column counts, names, and the design flows it routes.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "common/error.h"
#include "common/text.h"
#include "db/project.h"
#include "exchange/swmm_export.h"
#include "exchange/system_rows.h"
#include "hydraulics/run.h"
#include "session/session.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

namespace kolv::exchange {
namespace {

/// Section name -> data lines split into tokens (comments and blank lines left out).
using Inp = std::map<std::string, std::vector<std::vector<std::string>>>;

Inp parseInp(const std::string& text) {
    Inp inp;
    std::string section;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::string t = trim(line);
        if (t.empty() || t.rfind(";", 0) == 0) continue;
        if (t.front() == '[') {
            section = t;
            inp[section];
            continue;
        }
        std::vector<std::string> tokens;
        std::istringstream words(t);
        for (std::string w; words >> w;) tokens.push_back(w);
        inp[section].push_back(tokens);
    }
    return inp;
}

struct Sample {
    kolv::test::TempDir dir;
    ui::RecordingUi ui;
    std::unique_ptr<db::Project> project = db::openProject(kolv::test::makeSample(dir), ui);
    db::Database& db = *project->db;
    void stormTab(const std::string& system) {
        Session session;
        ASSERT_EQ(hydraulics::runStormTabs(*project, session, ui, hydraulics::RunOptions{}, system).status, 0);
    }
};

TEST(SwmmExport, SampleSystemReadsBackWithEveryNodeConduitAndTheDesignFlow) {
    Sample s;
    for (const std::string& system : systemList(s.db)) {
        s.stormTab(system);
        ExportResult r;
        const Inp inp = parseInp(swmmText(s.db, system, {}, r));
        const SystemRows rows = readSystemRows(s.db, system);
        for (const char* section : {"[TITLE]", "[OPTIONS]", "[JUNCTIONS]", "[OUTFALLS]", "[CONDUITS]", "[XSECTIONS]",
                                    "[INFLOWS]", "[COORDINATES]", "[MAP]"})
            EXPECT_TRUE(inp.count(section)) << system << " " << section;
        std::map<std::string, std::string> options;
        for (const auto& t : inp.at("[OPTIONS]")) options[t.at(0)] = t.size() > 1 ? t[1] : "";
        EXPECT_EQ(options["FLOW_UNITS"] + " " + options["FLOW_ROUTING"] + " " + options["LINK_OFFSETS"],
                  "CFS DYNWAVE ELEVATION");
        EXPECT_EQ(inp.at("[JUNCTIONS]").size(), rows.nodes.size());
        ASSERT_EQ(inp.at("[OUTFALLS]").size(), 1u);
        EXPECT_EQ(inp.at("[OUTFALLS]")[0][0], rows.header.text("OUT_NODE"));
        EXPECT_EQ(inp.at("[OUTFALLS]")[0][2], rows.header.number("OUT_TW") > 0 ? "FIXED" : "FREE");
        ASSERT_EQ(inp.at("[CONDUITS]").size(), rows.reaches.size());
        ASSERT_EQ(inp.at("[XSECTIONS]").size(), rows.reaches.size());
        std::map<std::string, std::vector<std::string>> conduit;
        for (const auto& t : inp.at("[CONDUITS]")) {
            ASSERT_EQ(t.size(), 9u) << t.at(0);  // Name From To Length n InOffset OutOffset InitFlow MaxFlow
            conduit[t[0]] = t;
        }
        for (const auto& reach : rows.reaches) {
            const auto& c = conduit.at(reach.text("NAME"));
            EXPECT_EQ(c[1], reach.text("NODE1"));
            EXPECT_EQ(c[2], reach.text("NODE2"));
            EXPECT_NEAR(std::stod(c[5]), reach.number("ELEV1"), 1e-4);  // offsets are elevations
        }
        for (const auto& t : inp.at("[XSECTIONS]")) {
            ASSERT_GE(t.size(), 7u) << t.at(0);
            EXPECT_TRUE(t[1] == "CIRCULAR" || t[1] == "TRAPEZOIDAL" || t[1] == "HORIZ_ELLIPSE" || t[1] == "VERT_ELLIPSE" ||
                        t[1] == "TRIANGULAR" || t[1] == "RECT_OPEN")
                << t[1];
        }
        // The local inflows add up to the design flow of the pipe into the outfall.
        double inflow = 0;
        for (const auto& t : inp.at("[INFLOWS]")) {
            ASSERT_EQ(t.size(), 7u) << t.at(0);  // Node FLOW "" FLOW Mfactor Sfactor Baseline
            inflow += std::stod(t[6]);
        }
        double last = 0;
        for (const auto& [k, res] : rows.results)
            if (equalsIgnoreCase(res.text("TO"), rows.header.text("OUT_NODE"))) last += res.number("Q");
        EXPECT_NEAR(inflow, last, 1e-4 * inp.at("[INFLOWS]").size()) << system;
        EXPECT_EQ(inp.at("[COORDINATES]").size(), rows.nodes.size() + 1);
    }
}

TEST(SwmmExport, NamesSwmmCannotReadAreRenamedAndListedAndAnUnknownSystemIsRefused) {
    Sample s;
    s.db.execute("UPDATE NODE SET NAME = 'S 1' WHERE NAME = 'S-1'");
    s.db.execute("UPDATE REACH SET NAME = 'S 1', NODE1 = 'S 1' WHERE NAME = 'S-1'");
    ExportResult r;
    const std::string text = swmmText(s.db, "MAINST", {}, r);
    EXPECT_NE(text.find(";;   node J1 <- S 1"), std::string::npos);
    EXPECT_NE(text.find(";;   link C1 <- S 1"), std::string::npos);
    const Inp inp = parseInp(text);
    for (const auto& t : inp.at("[CONDUITS]")) EXPECT_EQ(t.size(), 9u);
    EXPECT_THROW(swmmText(s.db, "NOSUCH", {}, r), InputError);
}

}  // namespace
}  // namespace kolv::exchange
