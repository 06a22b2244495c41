// Profile runs of a network, paged schedules and the paper names of a submittal package.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <regex>
#include <set>
#include <tuple>

#include "diagram/diagram_model.h"
#include "editing/survey_lengths.h"
#include "reports/document.h"
#include "submittal/plan_sheet.h"
#include "support/random_system.h"
#include "support/system_builder.h"
#include "submittal/profile_sheets.h"
#include "submittal/sheet.h"

using namespace kolv;

namespace {

hydraulics::ProfileRow row(const std::string& from, const std::string& to, double lengthFt) {
    hydraulics::ProfileRow r;
    r.from = from;
    r.to = to;
    r.lengthFt = lengthFt;
    return r;
}

struct RunCase {
    const char* name;
    std::vector<hydraulics::ProfileRow> rows;
    /// expected runs: start, end, node names upstream first
    std::vector<std::tuple<std::string, std::string, std::vector<std::string>>> runs;
};

class ProfileRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(ProfileRuns, TrunkFirstThenEachBranchDownToItsJunction) {
    const RunCase& c = GetParam();
    hydraulics::ProfileModel model(c.rows, {"OUT", 10.0});
    auto runs = submittal::profileRuns(model);
    ASSERT_EQ(runs.size(), c.runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].trunk, i == 0);
        EXPECT_EQ(runs[i].start, std::get<0>(c.runs[i])) << i;
        EXPECT_EQ(runs[i].end, std::get<1>(c.runs[i])) << i;
        std::vector<std::string> names;
        for (int r : runs[i].rows) names.push_back(model.rows()[static_cast<std::size_t>(r)].from);
        EXPECT_EQ(names, std::get<2>(c.runs[i])) << i;
    }
    // every reach is drawn once as its own (the junction a branch ends at belongs to another run)
    std::map<std::string, int> drawn;
    for (const auto& r : runs)
        for (std::size_t k = 0; k < r.rows.size(); ++k)
            if (k + 1 < r.rows.size() || model.rows()[static_cast<std::size_t>(r.rows[k])].from != r.end)
                ++drawn[model.rows()[static_cast<std::size_t>(r.rows[k])].from];
    EXPECT_EQ(drawn.size(), c.rows.size());
    for (const auto& [n, count] : drawn) EXPECT_EQ(count, 1) << n;
}

INSTANTIATE_TEST_SUITE_P(
    Networks, ProfileRuns,
    ::testing::Values(
        // the trunk follows the longest line upstream at each junction, not the first row
        RunCase{"tree",
                {row("A", "OUT", 100), row("E", "A", 150), row("F", "E", 10), row("B", "A", 100), row("C", "B", 100),
                 row("D", "B", 50)},
                {{"C", "OUT", {"C", "B", "A"}}, {"F", "A", {"F", "E", "A"}}, {"D", "B", {"D", "B"}}}},
        // two lines into the outfall: the longer is the trunk, the other ends at the outfall
        RunCase{"two outlets",
                {row("P", "OUT", 50), row("A", "OUT", 100), row("B", "A", 100)},
                {{"B", "OUT", {"B", "A"}}, {"P", "OUT", {"P"}}}}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == ' ') ch = '_';
        return n;
    });

TEST(ScheduleTable, LongScheduleRepeatsItsHeadingsAndListsEveryRowOnce) {
    const auto frame = submittal::sheetFrame(submittal::Paper::Letter);
    std::vector<submittal::TableColumn> cols = {{"Reach", 8, reports::Align::Left}, {"Length|(ft)", 8}};
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 150; ++i) rows.push_back({"R" + std::to_string(i), std::to_string(i * 10)});
    std::vector<reports::Page> pages;
    submittal::layoutTable(frame, "PIPE SCHEDULE", cols, rows, {"a note"},
                           [&](reports::Page&& p) { pages.push_back(std::move(p)); });
    ASSERT_GT(pages.size(), 1u);
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        bool heading = false, title = false;
        for (const auto& t : pages[i].texts) {
            heading = heading || t.text == "Reach";
            title = title || t.text == (i == 0 ? "PIPE SCHEDULE" : "PIPE SCHEDULE (continued)");
            if (t.text.size() > 1 && t.text[0] == 'R' && std::isdigit(static_cast<unsigned char>(t.text[1])))
                ++seen[t.text];
            EXPECT_LE(t.baseline, frame.bottom + 0.01) << "page " << i << ": " << t.text;
        }
        EXPECT_TRUE(heading) << i;
        EXPECT_TRUE(title) << i;
    }
    EXPECT_EQ(seen.size(), rows.size());
    for (const auto& [n, count] : seen) EXPECT_EQ(count, 1) << n;
}

TEST(Paper, NamesAndSheetSizes) {
    struct Case {
        const char* name;
        bool ok;
        double widthPt;
    } cases[] = {{"letter", true, 792}, {"A4", true, 841.89}, {"Tabloid", true, 1224}, {"a3", true, 1190.55},
                 {"legal", false, 0}, {"", false, 0}};
    for (const auto& c : cases) {
        submittal::Paper p = submittal::Paper::Letter;
        EXPECT_EQ(submittal::parsePaper(c.name, p), c.ok) << c.name;
        if (!c.ok) continue;
        const auto f = submittal::sheetFrame(p);
        EXPECT_NEAR(f.widthPt, c.widthPt, 0.01) << c.name;
        EXPECT_GT(f.widthPt, f.heightPt) << c.name;  // landscape sheets
        EXPECT_GT(f.bodyHeight(), 0.6 * f.heightPt) << c.name;
    }
}

submittal::PlanSink collect(std::vector<reports::Page>& pages, std::vector<std::string>* titles = nullptr,
                           std::vector<std::string>* bookmarks = nullptr) {
    return {[&pages, titles](reports::Page&& p, const std::string& title) {
                pages.push_back(std::move(p));
                if (titles) titles->push_back(title);
            },
            [bookmarks](const std::string& b) {
                if (bookmarks) bookmarks->push_back(b);
            }};
}

}  // namespace

TEST(PlanSheet, SurveyPlanIsDrawnNorthUpWithItsArrowAndSchematicKeepsTheDiagramsWay) {
    // N1 south of N2 by 400, the outfall east of N1
    test::SystemBuilder b;
    b.add("T16", {{"SYSTEM", "S1"}, {"OUT_NODE", "OUT"}, {"XD", 1300.0}, {"YD", 5000.0}});
    b.nodeRow("S1", "N1", {{"XD", 1000.0}, {"YD", 5000.0}});
    b.nodeRow("S1", "N2", {{"XD", 1000.0}, {"YD", 5400.0}});
    b.reachRow("S1", "N2", "N1", {});
    b.reachRow("S1", "N1", "OUT", {});
    const submittal::SheetFrame frame = submittal::sheetFrame(submittal::Paper::Letter);
    for (const bool survey : {false, true}) {
        editing::setSurveyCoordinates(b.db, survey);
        Session session;
        std::vector<reports::Page> pages;
        submittal::layoutPlan(b.db, session, "S1", 0, 1, frame, collect(pages));
        ASSERT_EQ(pages.size(), 1u);
        // where the nodes' names are printed: beside their symbols, a few points off at most,
        // while the two nodes are some hundreds of points apart on the sheet
        auto nameY = [&](const std::string& name) {
            for (const auto& t : pages[0].texts)
                if (t.text == name) return t.baseline;
            ADD_FAILURE() << name << " is not labelled";
            return 0.0;
        };
        const double n1 = nameY("N1"), n2 = nameY("N2");
        EXPECT_GT(std::abs(n2 - n1), 100.0);
        if (survey) EXPECT_LT(n2, n1) << "north up: the node 400 north is higher on the sheet";
        else EXPECT_GT(n2, n1) << "schematic: the diagram's y grows down the sheet";
        bool arrow = false, scaleText = false;
        for (const auto& t : pages[0].texts) {
            arrow = arrow || t.text == "N";
            std::smatch m;
            if (!std::regex_search(t.text, m, std::regex("north up; scale 1 in = ([0-9,]+) ft;"))) continue;
            scaleText = true;
            // one of the engineer's scales: 10, 20, 30, 40, 50 or 60 ft to the inch times a power of ten
            const std::string digits = std::regex_replace(m[1].str(), std::regex(","), "");
            EXPECT_TRUE(std::regex_match(digits, std::regex("[1-6]0+"))) << t.text;
        }
        EXPECT_EQ(arrow, survey);
        EXPECT_EQ(scaleText, survey);
    }
    // the same coordinates read as metres: a metric ratio of the usual series
    std::vector<reports::Page> metric;
    Session session;
    submittal::layoutPlan(b.db, session, "S1", 1, 1, frame, collect(metric));
    ASSERT_EQ(metric.size(), 1u);
    bool ratio = false;
    for (const auto& t : metric[0].texts) {
        std::smatch m;
        if (!std::regex_search(t.text, m, std::regex("north up; scale 1:([0-9,]+);"))) continue;
        ratio = true;
        const std::string digits = std::regex_replace(m[1].str(), std::regex(","), "");
        EXPECT_TRUE(std::regex_match(digits, std::regex("[125]00+|250+"))) << t.text;
    }
    EXPECT_TRUE(ratio);
}

TEST(PlanSheet, CrowdedSystemIsAKeyPlanAndSheetsThatLabelEveryNodeAndMatchEachOther) {
    test::SystemBuilder b;
    test::RandomSystemOptions shape;
    shape.system = "BIG";
    shape.reaches = 400;
    test::addRandomSystem(b.db, shape);
    const submittal::SheetFrame frame = submittal::sheetFrame(submittal::Paper::Letter);
    for (const bool survey : {false, true}) {
        Session session;
        ui::SilentUi silent;
        if (survey) {  // the schematic layout's places stored as survey coordinates
            const auto laid = diagram::loadDiagram(b.db, "BIG", 0, session, silent);
            db::Transaction tx(b.db);
            for (const auto& e : laid->entities)
                b.db.execute(std::string("UPDATE ") + (e.outfall ? "T16" : "NODE") + " SET XD = ?, YD = ? WHERE " +
                                 (e.outfall ? "OUT_NODE" : "NAME") + " = ?",
                             {db::Value(e.x), db::Value(-e.y), db::Value(e.name)});
            tx.commit();
            editing::setSurveyCoordinates(b.db, true);
        }
        const auto data = diagram::loadDiagram(b.db, "BIG", 0, session, silent);
        const submittal::PlanGrid grid = submittal::planGrid(*data, frame, false);
        ASSERT_GT(grid.cells.size(), 2u) << survey;
        // every node lies in exactly one printed cell
        for (const auto& e : data->entities) {
            int in = 0;
            for (const auto& c : grid.cells) in += e.x >= c.left && e.x < c.right && e.y >= c.top && e.y < c.bottom;
            EXPECT_EQ(in, 1) << e.name;
        }

        std::vector<reports::Page> pages;
        std::vector<std::string> titles, bookmarks;
        submittal::layoutPlan(b.db, session, "BIG", 0, 1, frame, collect(pages, &titles, &bookmarks));
        ASSERT_EQ(pages.size(), grid.cells.size() + 1);
        EXPECT_EQ(titles.front(), "Key plan");
        ASSERT_EQ(bookmarks.size(), pages.size());
        std::map<std::string, std::set<std::string>> sees;  // sheet -> the sheets its match lines name
        std::set<std::string> labelled;
        for (std::size_t i = 1; i < pages.size(); ++i) {
            const std::string& sheet = grid.cells[i - 1].name;
            EXPECT_EQ(bookmarks[i], "Sheet " + sheet);
            EXPECT_EQ(titles[i].rfind("Plan sheet " + sheet, 0), 0u) << titles[i];
            bool arrow = false;
            for (const auto& t : pages[i].texts) {
                labelled.insert(t.text);
                arrow = arrow || t.text == "N";
                if (t.text.rfind("SEE SHEET ", 0) == 0) sees[sheet].insert(t.text.substr(10));
            }
            EXPECT_EQ(arrow, survey) << sheet;
        }
        for (const auto& e : data->entities) EXPECT_TRUE(labelled.count(e.name)) << e.name << " is named on no sheet";
        // match lines come in pairs: a sheet that sends the reader to another is named back by it
        std::size_t lines = 0;
        for (const auto& [sheet, others] : sees)
            for (const auto& other : others) {
                ++lines;
                EXPECT_NE(other, sheet);
                EXPECT_TRUE(sees.count(other) && sees.at(other).count(sheet)) << sheet << " -> " << other;
            }
        EXPECT_GT(lines, 0u);
    }
}
