// The package of the sample project laid out without painting: numbering, bookmarks and schedule rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <regex>

#include "db/project.h"
#include "editing/project_setup.h"
#include "reports/document.h"
#include "session/session.h"
#include "review/design_criteria.h"
#include "review/design_review.h"
#include "review/check_storms.h"
#include "hydraulics/hydraulics_options.h"
#include "hydraulics/run_options.h"
#include "reports/font_metrics.h"
#include "submittal/profile_sheets.h"
#include "submittal/submittal.h"
#include "support/test_support.h"
#include "ui/ui_port.h"

using namespace kolv;

namespace {

/// Keeps the text lines of every sheet.
struct TextSink : submittal::PageSink {
    std::vector<std::vector<std::string>> pages;
    void page(const reports::Page& p) override {
        reports::Document d;
        d.pages.push_back(p);
        pages.push_back(reports::pageLines(d).front());
    }
    bool pageHas(std::size_t i, const std::string& text) const {
        for (const auto& l : pages.at(i))
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
};

class PackageOfSample : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(PackageOfSample, SheetsMatchTheCountTheContentsAndTheBookmarks) {
    test::TempDir dir;
    ui::SilentUi silent;
    auto project = db::openProject(test::makeSample(dir), silent);
    // systems the sample lacks are added without nodes: each still gets its cover and the
    // reason it could not be computed, and the contents grow by their lines
    for (const auto& system : GetParam())
        if (system.rfind("X", 0) == 0) project->db->execute("INSERT INTO T16 (SYSTEM) VALUES (?)", {db::Value(system)});
    Session session;
    submittal::SubmittalOptions opt;
    opt.systems = GetParam();
    opt.programVersion = "test";
    opt.dateText = "12/07/2026";
    submittal::SubmittalComposer composer(*project, session, silent, opt);
    composer.prepare();
    TextSink sink;
    composer.write(sink);

    // the count promised on every title block is the count written
    const int n = composer.pageCount();
    ASSERT_EQ(static_cast<int>(sink.pages.size()), n);
    for (int i = 0; i < n; ++i)
        EXPECT_TRUE(sink.pageHas(static_cast<std::size_t>(i), submittal::pageText(i + 1, n))) << "sheet " << i + 1;

    // every bookmark leads to the sheet of its section, in order
    const auto& outline = composer.outline();
    ASSERT_FALSE(outline.empty());
    const std::map<std::string, std::string> firstLine = {
        {"Basis of design", "BASIS OF DESIGN - SYSTEM "}, {"Storm tabulation", "STORM SEWER TABULATION"},
        {"Plan", "DRAINAGE PLAN - SYSTEM "},           {"Pipe schedule", "PIPE SCHEDULE - SYSTEM "},
        {"Structure schedule", "STRUCTURE SCHEDULE"},   {"Design review findings", "DESIGN REVIEW FINDINGS"},
        {"Hydraulic profiles", "HGL PROFILE"},          {"Cost summary", "SYSTEM COST REPORT - "}};
    int last = 0;
    std::size_t systems = 0;
    for (const auto& e : outline) {
        EXPECT_GE(e.page, last) << e.title;
        EXPECT_LE(e.page, n) << e.title;
        last = e.page;
        if (e.level == 0) ++systems;
        EXPECT_LT(e.level, 2) << e.title << ": the sample's plan is one sheet";
        auto it = firstLine.find(e.title);
        if (it != firstLine.end()) {
            EXPECT_TRUE(sink.pageHas(static_cast<std::size_t>(e.page - 1), it->second)) << e.title << " p." << e.page;
        }
    }
    EXPECT_EQ(systems, opt.systems.size());

    // the contents list every bookmark, in order, with its sheet number, on sheets that each
    // list something (the sheets before the first system's)
    const std::size_t contentsSheets = static_cast<std::size_t>(outline.front().page - 1);
    ASSERT_GE(contentsSheets, 1u);
    const std::regex row("^\\s*(\\S.*\\S)\\s+(\\d+)\\s*$");
    std::size_t next = 0;
    for (std::size_t sheet = 0; sheet < contentsSheets; ++sheet) {
        const std::size_t before = next;
        for (const auto& l : sink.pages[sheet]) {
            std::smatch m;
            if (next < outline.size() && std::regex_match(l, m, row) && m[1] == outline[next].title &&
                std::stoi(m[2]) == outline[next].page)
                ++next;
        }
        EXPECT_GT(next, before) << "contents sheet " << sheet + 1 << " lists nothing";
    }
    EXPECT_EQ(next, outline.size()) << "first bookmark not listed as such: "
                                    << (next < outline.size() ? outline[next].title : std::string());
}

/// MAINST and 60 systems without nodes: contents over several sheets.
std::vector<std::string> manySystems() {
    std::vector<std::string> v = {"MAINST"};
    for (int i = 1; i <= 60; ++i) v.push_back("X" + std::to_string(100 + i));
    return v;
}

INSTANTIATE_TEST_SUITE_P(Systems, PackageOfSample,
                         ::testing::Values(manySystems()));

/// The package of MAINST alone, as text lines per sheet.
TextSink composeMainStreet(db::Project& project, ui::SilentUi& silent) {
    Session session;
    submittal::SubmittalOptions opt;
    opt.systems = {"MAINST"};
    submittal::SubmittalComposer composer(project, session, silent, opt);
    composer.prepare();
    TextSink sink;
    composer.write(sink);
    return sink;
}

/// The outfall's tailwater is kept in the project's units, unlike the storm tab's results in feet:
/// the schedule must print what the basis of design prints, in either unit system.
TEST(StructureSchedule, OutfallTailwaterReadsAsInTheBasisOfDesign) {
    for (bool metric : {false, true}) {
        SCOPED_TRACE(metric ? "metric" : "English");
        test::TempDir dir;
        ui::SilentUi silent;
        const std::string path = test::makeSample(dir);
        if (metric) editing::setUnitSystem(*db::openProject(path, silent)->db, true);
        auto project = db::openProject(path, silent);
        ASSERT_EQ(project->metric, metric);
        const TextSink sink = composeMainStreet(*project, silent);
        std::smatch m;
        std::string basis, schedule, junction;
        for (const auto& page : sink.pages)
            for (const auto& l : page) {
                if (std::regex_search(l, m, std::regex("Tailwater at outfall OUT-1\\s+(\\d+\\.\\d+) (m|ft)"))) basis = m[1];
                if (std::regex_search(l, m, std::regex("^OUT-1 .*TW (\\d+\\.\\d+)"))) schedule = m[1];
                if (l.rfind("S-7  ", 0) == 0 && l.find("MH") != std::string::npos) junction = l;
            }
        ASSERT_FALSE(basis.empty());
        EXPECT_EQ(schedule, basis);
        if (metric) continue;
        // S-7 takes the trunk, the Elm Street branch and a lateral: its row lists the three incoming
        // inverts and the depth from its rim to the lowest invert, its own outgoing one included.
        ASSERT_TRUE(std::regex_search(junction, m, std::regex("(\\d+\\.\\d\\d), (\\d+\\.\\d\\d), (\\d+\\.\\d\\d)")))
            << junction;
        auto t60 = [&](const std::string& field) {
            return project->db->scalar("SELECT " + field + " FROM T60 WHERE SYSTEM = 'MAINST' AND \"FROM\" = 'S-7'").toDouble();
        };
        const double lowest = std::min({t60("FL_UP"), std::stod(m[1]), std::stod(m[2]), std::stod(m[3])});
        char depth[32];
        std::snprintf(depth, sizeof depth, "%.2f", t60("INLET_EL") - lowest);
        EXPECT_NE(junction.find(depth), std::string::npos) << junction << " / " << depth;
    }
}

}  // namespace

/// The sample project with the package of some of its systems laid out (their storm
/// tabulations stored), after an optional change to its data.
struct PreparedSample {
    test::TempDir dir;
    ui::SilentUi silent;
    std::unique_ptr<db::Project> project;
    Session session;
    std::unique_ptr<submittal::SubmittalComposer> composer;
    TextSink sink;
    explicit PreparedSample(std::vector<std::string> systems, const std::string& change = "") {
        project = db::openProject(test::makeSample(dir), silent);
        if (!change.empty()) project->db->execute(change);
        submittal::SubmittalOptions opt;
        opt.systems = std::move(systems);
        composer = std::make_unique<submittal::SubmittalComposer>(*project, session, silent, opt);
        composer->prepare();
        composer->write(sink);
    }
};

/// The first two texts of a page printed one over the other ("" if none): a label, a station or
/// an elevation over another is unreadable.
std::string textOver(const reports::Page& page) {
    struct Box {
        double l, t, r, b;
        const std::string* text;
    };
    std::vector<Box> boxes;
    for (const auto& t : page.texts) {
        const double w = reports::textWidthPt(t.text, t.font);
        double l = t.x;
        if (t.align == reports::Align::Right) l = t.x + t.width - w;
        if (t.align == reports::Align::Center) l = t.x + (t.width - w) / 2;
        const double top = t.baseline - reports::ascentPt(t.font);
        boxes.push_back({l, top, l + w, top + reports::lineHeightPt(t.font) * 0.9, &t.text});
    }
    for (std::size_t a = 0; a < boxes.size(); ++a)
        for (std::size_t b = a + 1; b < boxes.size(); ++b) {
            const Box &p = boxes[a], &q = boxes[b];
            if (p.l < q.r - 0.5 && q.l < p.r - 0.5 && p.t < q.b - 0.5 && q.t < p.b - 0.5)
                return "\"" + *p.text + "\" and \"" + *q.text + "\"";
        }
    return "";
}

TEST(StormTabSheets, CarryTheDesignReviewFootnotesAndTheProfileLegendNamesEveryCheckStorm) {
    PreparedSample sample({"MAINST"});
    const auto& outline = sample.composer->outline();
    int first = 0, next = 0;
    for (std::size_t i = 0; i < outline.size(); ++i)
        if (outline[i].title == "Storm tabulation") {
            first = outline[i].page;
            next = outline.at(i + 1).page;
        }
    ASSERT_GT(first, 0);
    std::string tab;
    for (int p = first; p < next; ++p)
        for (const auto& l : sample.sink.pages.at(static_cast<std::size_t>(p - 1))) tab += l + "\n";

    // the same marks and notes the storm tab printed on its own gets from the same review
    std::map<std::string, std::string> marks;
    std::vector<std::string> notes;
    auto& project = *sample.project;
    review::addStormTabFootnotes(review::reviewSystem(project, "MAINST", review::loadCriteria(project)), marks, notes);
    ASSERT_FALSE(marks.empty()) << "the sample's MAINST is expected to have review warnings";
    for (const auto& [node, mark] : marks) EXPECT_NE(tab.find(node + " " + mark), std::string::npos) << node;
    for (const auto& n : notes) EXPECT_NE(tab.find(n.substr(0, 40)), std::string::npos) << n;

    SCOPED_TRACE("the profile legend names every check storm drawn");
    auto& session = sample.session;
    auto& silent = sample.silent;
    // more check storms than one row of the letter sheet's legend holds
    const auto options = hydraulics::runOptionsFrom(hydraulics::loadHydraulicsOptions(*project.db, project.metric));
    const std::vector<std::string> names = {"PLUS-10-PERCENT", "PLUS-20-PERCENT", "PLUS-30-PERCENT", "PLUS-40-PERCENT"};
    for (std::size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(review::runScenario(project, session, silent, "MAINST", options,
                                      {names[i], "", 1.1 + 0.1 * static_cast<double>(i)}),
                  0);
    const auto frame = submittal::sheetFrame(submittal::Paper::Letter);
    std::vector<reports::Page> sheets;
    submittal::layoutProfiles(*project.db, "MAINST", false, frame,
                              [&](reports::Page&& p) { sheets.push_back(std::move(p)); });
    ASSERT_FALSE(sheets.empty());
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        for (const auto& name : names) {
            bool listed = false;
            for (const auto& t : sheets[i].texts) listed = listed || t.text == "HGL, check storm " + name;
            EXPECT_TRUE(listed) << name << " on sheet " << i + 1;
        }
        EXPECT_EQ(textOver(sheets[i]), "") << "sheet " << i + 1;
        for (const auto& t : sheets[i].texts) EXPECT_LE(t.baseline, frame.bottom + 0.01) << t.text;
    }
}

TEST(ProfileSheets, TypicalPipeHasRoomForItsLabelsAndNoTextCoversAnother) {
    const std::vector<std::string> systems = {"MAINST", "OAKAVE"};  // 300 ft trunk pipes, 26 to 56 ft laterals, a ditch
    PreparedSample sample(systems);
    auto& project = sample.project;
    for (const auto paper : {submittal::Paper::Letter, submittal::Paper::Tabloid})
        for (const auto& system : systems) {
            const auto frame = submittal::sheetFrame(paper);
            std::vector<reports::Page> sheets;
            submittal::layoutProfiles(*project->db, system, false, frame,
                                      [&](reports::Page&& p) { sheets.push_back(std::move(p)); });
            ASSERT_FALSE(sheets.empty());
            for (std::size_t i = 0; i < sheets.size(); ++i) {
                const std::string where = system + " " + submittal::paperName(paper) + " sheet " + std::to_string(i + 1);
                // pipes are the grey fills between invert and crown; the label block under a pipe
                // ("L = 296.0 ft  S = 0.51%") is about 60 pt wide, and a run's typical pipe gets
                // that room, so no sheet shows only pipes too short for their labels
                int pipes = 0, roomy = 0;
                for (const auto& s : sheets[i].shapes) {
                    if (!s.closed || !s.filled || s.fill != 0xD7DBE0 || s.widthPt > 0) continue;
                    double lo = 1e300, hi = -1e300;
                    for (const auto& [x, y] : s.points) lo = std::min(lo, x), hi = std::max(hi, x);
                    ++pipes;
                    roomy += hi - lo >= 60 ? 1 : 0;
                }
                if (pipes > 0) {
                    EXPECT_GT(roomy, 0) << where << ": none of " << pipes << " pipes has room";
                }
                EXPECT_EQ(textOver(sheets[i]), "") << where;
            }
        }
}

TEST(CostSheet, CostThatCannotBeComputedSaysWhyInsteadOfShowingNoTotals) {
    // a unit price so large that the pipes' total overflows: the cost step stops on it
    PreparedSample sample({"MAINST"}, "UPDATE T7 SET COST = 1e308 WHERE TRIM(NAME) = 'RCP24'");
    const auto& outline = sample.composer->outline();
    ASSERT_EQ(outline.back().title, "Cost summary");  // the cost summary comes last
    const auto page = static_cast<std::size_t>(outline.back().page - 1);
    EXPECT_TRUE(sample.sink.pageHas(page, "THE COST COULD NOT BE COMPUTED"));
    EXPECT_TRUE(sample.sink.pageHas(page, "infinite"));
}

