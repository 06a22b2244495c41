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

TEST(TextReport, EmptyListStillPrintsOnePageAndPlainTextMatches) {
    auto o = fixedClock();
    EXPECT_EQ(layoutTextReport(kImportReportTitle, {}, o).pages.size(), 1u);
    std::string txt = textReportPlain("SYSTEM COST REPORT - S1", numbered(61), o);
    EXPECT_NE(txt.find("12/06/2026  9:05:00 AM    Page: 01\nSYSTEM COST REPORT - S1\n\nline 1\n"), std::string::npos);
    EXPECT_NE(txt.find("\f\n\n12/06/2026  9:05:00 AM    Page: 02"), std::string::npos);

    // Laid out: the page number ends 100 twips (5 pt) inside the printable width, the title is
    // at 12 points and every page ends with its closing line.
    const Document d = layoutTextReport("SYSTEM COST REPORT - S1", numbered(61), o);
    ASSERT_EQ(d.pages.size(), 2u);
    const TextRun* pn = find(d.pages[1], "Page: 02");
    const TextRun* title = find(d.pages[1], "SYSTEM COST REPORT - S1");
    ASSERT_TRUE(pn && title);
    EXPECT_NEAR(pn->x + pn->width, o.paperWidthPt - o.marginSidePt - 5, 1e-9);
    EXPECT_DOUBLE_EQ(title->font.sizePt, 12);
    EXPECT_EQ(pageNumberText(123), "Page: 123");
    for (int i = 0; i < 2; ++i) EXPECT_NE(find(d.pages[i], closingLine("SYSTEM COST REPORT - S1", i + 1, 2)), nullptr);

    // A line wider than the paper continues on the next lines, nothing lost at the breaks.
    std::string longLine, joined;
    for (int i = 0; i < 60; ++i) longLine += "clearance ";
    const Document wrapped = layoutTextReport(kVerifyReportTitle, {longLine}, o);
    for (const auto& r : wrapped.pages.at(0).texts) {
        if (r.text.rfind("clearance", 0) != 0) continue;
        joined += r.text + " ";
        EXPECT_LE(textWidthPt(r.text, r.font), o.paperWidthPt - 2 * o.marginSidePt + 1e-9);
    }
    EXPECT_EQ(kolv::rtrim(joined), kolv::rtrim(longLine));
}
