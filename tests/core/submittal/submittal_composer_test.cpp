// The package of the sample project laid out without painting: numbering, bookmarks and schedule rows.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "db/project.h"
#include "reports/document.h"
#include "session/session.h"
#include "review/design_criteria.h"
#include "review/design_review.h"
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
        auto it = firstLine.find(e.title);
        if (it != firstLine.end())
            EXPECT_TRUE(sink.pageHas(static_cast<std::size_t>(e.page - 1), it->second)) << e.title << " p." << e.page;
        // and the contents list it with the same sheet number
        if (e.level == 1) continue;
        bool listed = false;
        for (const auto& l : sink.pages.front()) listed = listed || l.find(e.title) != std::string::npos;
        EXPECT_TRUE(listed) << e.title;
    }
    EXPECT_EQ(systems, opt.systems.size());
}

INSTANTIATE_TEST_SUITE_P(Systems, PackageOfSample,
                         ::testing::Values(std::vector<std::string>{"MAINST"},
                                           std::vector<std::string>{"OAKAVE", "MAINST"}));

TEST(StructureSchedule, JunctionListsEveryIncomingInvertAndItsDepth) {
    test::TempDir dir;
    ui::SilentUi silent;
    auto project = db::openProject(test::makeSample(dir), silent);
    Session session;
    submittal::SubmittalOptions opt;
    opt.systems = {"MAINST"};
    submittal::SubmittalComposer composer(*project, session, silent, opt);
    composer.prepare();
    TextSink sink;
    composer.write(sink);
    // S-7 takes the trunk, the Elm Street branch and a lateral; depth from its rim to the lowest invert
    auto invert = [&](const char* node, const char* field) {
        return project->db->scalar(std::string("SELECT ") + field + " FROM T60 WHERE SYSTEM = 'MAINST' AND \"FROM\" = ?",
                                   {db::Value(node)})
            .toDouble();
    };
    const double rim = invert("S-7", "INLET_EL"), out = invert("S-7", "FL_UP");
    std::string row;
    for (const auto& page : sink.pages)
        for (const auto& l : page)
            if (l.rfind("S-7  ", 0) == 0 && l.find("MH") != std::string::npos) row = l;
    ASSERT_FALSE(row.empty());
    auto count = project->db->scalar("SELECT COUNT(*) FROM T60 WHERE SYSTEM = 'MAINST' AND \"TO\" = 'S-7'").toInt();
    EXPECT_EQ(count, 3);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(row, m, std::regex("(\\d+\\.\\d\\d), (\\d+\\.\\d\\d), (\\d+\\.\\d\\d)"))) << row;
    double lowest = out;
    for (int i = 1; i <= 3; ++i) lowest = std::min(lowest, std::stod(m[i]));
    char depth[32];
    std::snprintf(depth, sizeof depth, "%.2f", rim - lowest);
    EXPECT_NE(row.find(depth), std::string::npos) << row << " / " << depth;
}

}  // namespace

TEST(StormTabSheets, CarryTheDesignReviewFootnotesOfThePrintedTab) {
    test::TempDir dir;
    ui::SilentUi silent;
    auto project = db::openProject(test::makeSample(dir), silent);
    Session session;
    submittal::SubmittalOptions opt;
    opt.systems = {"MAINST"};
    submittal::SubmittalComposer composer(*project, session, silent, opt);
    composer.prepare();
    TextSink sink;
    composer.write(sink);
    int first = 0, next = 0;
    for (std::size_t i = 0; i < composer.outline().size(); ++i)
        if (composer.outline()[i].title == "Storm tabulation") {
            first = composer.outline()[i].page;
            next = composer.outline().at(i + 1).page;
        }
    ASSERT_GT(first, 0);
    std::string tab;
    for (int p = first; p < next; ++p)
        for (const auto& l : sink.pages.at(static_cast<std::size_t>(p - 1))) tab += l + "\n";

    // the same marks and notes the storm tab printed on its own gets from the same review
    std::map<std::string, std::string> marks;
    std::vector<std::string> notes;
    review::addStormTabFootnotes(review::reviewSystem(*project, "MAINST", review::loadCriteria(*project)), marks,
                                 notes);
    ASSERT_FALSE(marks.empty()) << "the sample's MAINST is expected to have review warnings";
    for (const auto& [node, mark] : marks) EXPECT_NE(tab.find(node + " " + mark), std::string::npos) << node;
    for (const auto& n : notes) EXPECT_NE(tab.find(n.substr(0, 40)), std::string::npos) << n;
}
