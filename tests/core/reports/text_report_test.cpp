// Plain-text reports: page header, page numbers, page capacity, wrapping, closing line.
#include "reports/text_report.h"

#include <gtest/gtest.h>

#include "common/text.h"

using namespace kolv::reports;

namespace {

TextReportOptions fixedClock(TextReportOptions o = {}) {
    o.dateText = "12/06/2026";
    o.timeText = "9:05:00 AM";
    return o;
}

std::vector<std::string> numbered(int n) {
    std::vector<std::string> v;
    for (int i = 1; i <= n; ++i) v.push_back("line " + std::to_string(i));
    return v;
}

/// The run on a page whose text is `text` (nullptr when none).
const TextRun* find(const Page& p, const std::string& text) {
    for (const auto& r : p.texts)
        if (r.text == text) return &r;
    return nullptr;
}

}  // namespace

TEST(TextReport, HeaderOnEveryPageWithTheTitleAtTwelvePoints) {
    // 60 lines a page: 7 * 60 - 59 lines end on page 7.
    auto o = fixedClock();
    Document d = layoutTextReport("HYDRAULIC CALCULATIONS MESSAGES - S1", numbered(6 * 60 + 1), o);
    ASSERT_EQ(d.pages.size(), 7u);
    const Page& p7 = d.pages[6];
    const TextRun* pn = find(p7, "Page: 07");  // two digits at least, three past 99
    ASSERT_NE(pn, nullptr);
    EXPECT_EQ(pageNumberText(123), "Page: 123");
    EXPECT_EQ(pn->align, Align::Right);
    // Right edge of the number: 100 twips (5 pt) inside the printable width.
    EXPECT_NEAR(pn->x + pn->width, o.paperWidthPt - o.marginSidePt - 5, 1e-9);
    const TextRun* dt = find(p7, "12/06/2026  9:05:00 AM");
    ASSERT_NE(dt, nullptr);
    EXPECT_DOUBLE_EQ(dt->font.sizePt, 9);
    EXPECT_DOUBLE_EQ(dt->baseline, pn->baseline);  // the same line
    const TextRun* title = find(p7, "HYDRAULIC CALCULATIONS MESSAGES - S1");
    ASSERT_NE(title, nullptr);
    EXPECT_DOUBLE_EQ(title->font.sizePt, 12);
    EXPECT_GT(title->baseline, dt->baseline);
    // Two blank lines of Arial 9 above the date line (1.12 em each).
    EXPECT_NEAR(dt->baseline, o.marginTopPt + 2 * 1.12 * 9 + 0.905 * 9, 1e-9);
    EXPECT_NE(find(p7, "line 361"), nullptr);
    EXPECT_NE(find(d.pages[0], "line 60"), nullptr);
    EXPECT_EQ(find(d.pages[0], "line 61"), nullptr);
    // Page end: the closing line in small print on every page.
    for (std::size_t i = 0; i < d.pages.size(); ++i) {
        std::string close = closingLine("HYDRAULIC CALCULATIONS MESSAGES - S1", static_cast<int>(i + 1), 7);
        const TextRun* c = find(d.pages[i], close);
        ASSERT_NE(c, nullptr) << i;
        EXPECT_LT(c->font.sizePt, 9);
        EXPECT_LT(c->baseline, o.paperHeightPt);
    }
}

TEST(TextReport, DiagnosisLogPagesHoldSixtyEightIndentedLines) {
    auto o = fixedClock(diagnosisLogOptions());
    Document d = layoutTextReport("DIAGNOSIS MESSAGE LOG", numbered(137), o);
    ASSERT_EQ(d.pages.size(), 3u);  // 68 + 68 + 1
    EXPECT_NE(find(d.pages[0], "          line 68"), nullptr);
    EXPECT_NE(find(d.pages[1], "          line 69"), nullptr);
    EXPECT_NE(find(d.pages[2], "          line 137"), nullptr);
    // The last body line stays above the closing line.
    double lastBody = 0, closing = 0;
    for (const auto& r : d.pages[0].texts) {
        if (r.text == "          line 68") lastBody = r.baseline;
        if (r.text.rfind("KOLV", 0) == 0) closing = r.baseline;
    }
    EXPECT_LT(lastBody + 9 * 0.212, closing - 6 * 0.905);  // descent of 9 pt above the 6 pt ascent
}

TEST(TextReport, LongLinesContinueWithinThePage) {
    std::string word = "clearance ";
    std::string longLine;
    for (int i = 0; i < 60; ++i) longLine += word;  // about 2,300 pt of Arial 9
    auto o = fixedClock();
    Document d = layoutTextReport(kVerifyReportTitle, {longLine, "after"}, o);
    ASSERT_EQ(d.pages.size(), 1u);
    int pieces = 0;
    std::string joined;
    for (const auto& r : d.pages[0].texts) {
        if (r.text.rfind("clearance", 0) != 0) continue;
        ++pieces;
        joined += r.text + " ";
        EXPECT_LE(textWidthPt(r.text, r.font), o.paperWidthPt - 2 * o.marginSidePt + 1e-9);
    }
    EXPECT_GE(pieces, 4);
    EXPECT_EQ(kolv::rtrim(joined), kolv::rtrim(longLine));  // nothing lost at the breaks
}

TEST(TextReport, EmptyListStillPrintsOnePageAndPlainTextMatches) {
    auto o = fixedClock();
    EXPECT_EQ(layoutTextReport(kImportReportTitle, {}, o).pages.size(), 1u);
    std::string txt = textReportPlain("SYSTEM COST REPORT - S1", numbered(61), o);
    EXPECT_NE(txt.find("12/06/2026  9:05:00 AM    Page: 01\nSYSTEM COST REPORT - S1\n\nline 1\n"), std::string::npos);
    EXPECT_NE(txt.find("\f\n\n12/06/2026  9:05:00 AM    Page: 02"), std::string::npos);
}
