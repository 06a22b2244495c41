// Template files: what a template says, and faults reported with the file and line number.
#include "reports/report_template.h"

#include <gtest/gtest.h>

using namespace kolv::reports;

namespace {

/// The message of the fault a template text gives ("" when it reads).
std::string faultOf(const std::string& text) {
    try {
        parseTemplate(text, "MY.RPT");
    } catch (const TemplateError& e) {
        return e.what();
    }
    return {};
}

const char* kMinimal =
    "# a comment\n"
    "source NODE\n"
    "column value=\"{NODE.NAME}\" width=10 head=\"Node\"\n";

}  // namespace

TEST(ReportTemplate, ReadsPaperHeadingsColumnsAndDefaults) {
    ReportTemplate t = parseTemplate(
        "page legal landscape   # 14 x 8.5 in\n"
        "margins 20 30 40 50\n"
        "font mono 9\n"
        "title \"STORM \"\"TAB\"\"\"\n"
        "heading left=\"System: {SYSTEM}\" right=\"Page: {PAGE:00}\"\n"
        "source t60\n"
        "join T16 SYSTEM=\"{T60.SYSTEM}\"\n"
        "sort +{T60.SEQUENCER} -#{T60.STATION}\n"
        "column value=\"{T60.FROM}\" value2=\"{T60.TO}\" width=10 head=\"From|To\"\n"
        "column value=\"{T60.LENGTH} / 3.28083339792\" width=7 picture=\"0.00\" head=\"Length|(m)\" total=sum\n"
        "column value=\"{T16.OUT_TW}\" width=7 picture=\"#,##0.0\" align=center blank=zero\n",
        "/reports/X.RPT");
    EXPECT_EQ(t.name, "X.RPT");
    EXPECT_DOUBLE_EQ(t.paperWidthPt, 1008);  // legal 8.5 x 14 in, landscape
    EXPECT_DOUBLE_EQ(t.paperHeightPt, 612);
    EXPECT_DOUBLE_EQ(t.marginLeft, 20);
    EXPECT_DOUBLE_EQ(t.marginBottom, 50);
    EXPECT_EQ(t.body.family, FontFamily::Mono);
    EXPECT_DOUBLE_EQ(t.body.sizePt, 9);
    EXPECT_EQ(t.source, "T60");
    ASSERT_EQ(t.joins.size(), 1u);
    ASSERT_EQ(t.sort.size(), 2u);
    EXPECT_TRUE(t.sort[1].descending);
    EXPECT_TRUE(t.sort[1].numeric);
    ASSERT_EQ(t.columns.size(), 3u);
    EXPECT_EQ(t.columns[0].align, Align::Left);   // a text without picture reads left
    EXPECT_EQ(t.columns[1].align, Align::Right);  // a number reads right
    EXPECT_EQ(t.columns[2].align, Align::Center);
    EXPECT_EQ(t.columns[0].heading, (std::vector<std::string>{"From", "To"}));
    EXPECT_TRUE(t.columns[1].total);
    EXPECT_TRUE(t.columns[2].blankZero);
    EXPECT_EQ(t.columns[1].picture2, "0.00");  // the second line takes the first's picture
    EXPECT_TRUE(t.twoLineRecords());
    EXPECT_EQ(faultOf(kMinimal), "");
}

TEST(ReportTemplate, FaultsNameTheFileAndLine) {
    struct Case {
        std::string text;
        std::string expect;
    };
    const std::string src = "source NODE\n";
    const std::string col = "column value=\"{NODE.NAME}\" width=8\n";
    for (const Case& k : std::vector<Case>{
             {src + col + "colour red\n", "MY.RPT:3: unknown keyword \"colour\""},
             {src + "column value=\"{NODE.NAME}\" widht=8\n", "MY.RPT:2: unknown column setting \"widht\""},
             {src + "column width=8\n", "MY.RPT:2: a column needs value="},
             {src + col + "title \"OPEN\n", "MY.RPT:3: a quoted text is not closed"},
             {src + "\n\ncolumn value=\"{NODE.NOPE}\"\n", "MY.RPT:4: "},
             {src + col + "column value=\"{REACH.PIPE_NAME}\"\n", "MY.RPT:3: the field {REACH.PIPE_NAME} is not in"},
             {src + "column value=\"{NODE.TC} +\"\n", "MY.RPT:2: Expression"},
             {src + col + "page letter sideways\n", "MY.RPT:3: unknown paper \"sideways\""},
             {src + col + "font sans 40\n", "MY.RPT:3: the font size must be between"},
             {src + col + "margins 1 2\n", "MY.RPT:3: margins takes one value or four"},
             {src + col + "select \"{NODE.SYSTEM} = \"\n", "MY.RPT:3: Selection formula"},
             {src + col + "heading left=\"{PAGES}\"\n", "MY.RPT:3: "},
             {col, "MY.RPT:1: the template has no \"source TABLE\" line"},
             {src, "MY.RPT:1: the template has no columns"},
             {"source T99\n", "MY.RPT:1: there is no table T99"},
             {src + col + "page letter\nmargins 300\n", "MY.RPT:4: the margins leave"}}) {
        std::string m = faultOf(k.text);
        EXPECT_EQ(m.rfind(k.expect, 0), 0u) << "got: " << m << "\nwanted: " << k.expect;
    }
}

TEST(ReportTemplate, MissingFileNamesThePath) {
    try {
        loadTemplate("/no/such/folder/NODES.RPT");
        FAIL();
    } catch (const TemplateError& e) {
        EXPECT_NE(std::string(e.what()).find("/no/such/folder/NODES.RPT"), std::string::npos);
    }
}
