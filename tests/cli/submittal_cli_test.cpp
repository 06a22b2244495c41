// The submittal package of the sample project read back with the PDF tools a reviewer's office has.
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cli_runner.h"
#include "common/text.h"
#include "db/database.h"

namespace kolv::test {
namespace {

/// The cells of one column of a CSV listing, after the message lines that may come before its header.
std::vector<std::string> csvColumn(const std::string& csv, const std::string& key) {
    std::istringstream in(csv);
    std::vector<std::string> out;
    std::ptrdiff_t col = -1;
    for (std::string line; std::getline(in, line);) {
        const auto cells = split(line, ',');  // no quoted commas in the numeric columns
        const auto at = std::find(cells.begin(), cells.end(), key);
        if (col < 0 && at != cells.end()) col = at - cells.begin();
        else if (col >= 0 && static_cast<std::size_t>(col) < cells.size() && !cells[col].empty()) out.push_back(cells[col]);
    }
    return out;
}

TEST(Submittal, SamplePackageHasEverySectionTitleBlocksOutlineAndTheStormTabNumbers) {
    test::TempDir dir;
    const std::string p = "'" + test::makeSample(dir) + "'";
    const std::string pdf = dir.file("package.pdf");
    ran(dir, "storm-tabs " + p + " --system MAINST --scenario C25 --frequency 25 --format csv");
    const CliRun run = ran(dir, "submittal " + p + " --system MAINST --system OAKAVE --date 12/07/2026 --out '" + pdf + "'");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.out, m, std::regex("(\\d+) pages\\)"))) << run.out;
    const int pages = std::stoi(m[1]);

    // the page count the program reports is the file's
    const std::string info = shell("pdfinfo '" + pdf + "'");
    ASSERT_TRUE(std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)"))) << info;
    EXPECT_EQ(std::stoi(m[1]), pages);

    const std::string text = shell("pdftotext -layout '" + pdf + "' -");
    // the schedules, plan, findings and cost sections are the composer's (checked there)
    for (const char* heading : {"CONTENTS", "BASIS OF DESIGN - SYSTEM MAINST", "DESIGN STORM", "COMPUTATION OPTIONS",
                                "TAILWATER", "VERIFICATION - SYSTEM MAINST", "HGL PROFILE - TRUNK S-1 TO OUT-1",
                                "BRANCH S-9 TO S-7", "DESIGN CRITERIA", "BASIS OF DESIGN - SYSTEM OAKAVE", "12/07/2026",
                                "HGL, check storm C25", "C25: 25-year"})
        EXPECT_TRUE(has(text, heading)) << heading;
    // every profile sheet states its scales, and a run drawn over several sheets keeps one scale
    std::map<std::string, std::set<std::string>> runScales;
    int stated = 0;
    const std::regex scale("HGL PROFILES? - (.*?)(\\s+\\(sheet \\d+ of \\d+\\))?\\s+"
                           "(Horizontal 1 in = \\d+ ft\\s+Vertical 1 in = [\\d.]+ ft)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), scale); it != std::sregex_iterator(); ++it) {
        ++stated;
        if ((*it)[2].matched) runScales[(*it)[1]].insert(std::regex_replace((*it)[3].str(), std::regex("\\s+"), " "));
    }
    const std::regex profileBlock("Hydraulic profile\\s+12/07/2026");  // the sheet title in the title block
    const auto profileSheets = std::distance(std::sregex_iterator(text.begin(), text.end(), profileBlock), std::sregex_iterator());
    EXPECT_EQ(stated, profileSheets);
    ASSERT_TRUE(runScales.count("TRUNK S-1 TO OUT-1"));
    for (const auto& [run, scales] : runScales) EXPECT_EQ(scales.size(), 1u) << run;

    // a title block on every sheet, numbered through
    for (int i = 1; i <= pages; ++i) EXPECT_TRUE(has(text, "Page " + std::to_string(i) + " of " + std::to_string(pages))) << i;

    // flows and grade lines as the storm tabulation lists them (same project, same run)
    const CliRun tabs = ran(dir, "storm-tabs " + p + " --system MAINST --format csv");
    for (const char* key : {"q", "hgl_up", "fl_dn"}) {
        auto cells = csvColumn(tabs.out, key);
        ASSERT_GE(cells.size(), 5u) << key;
        for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(has(text, cells[i])) << key << " " << cells[i];
    }

    // a bookmark per system, the sections under it (their list is the composer's)
    const std::string json = shell("qpdf --json --json-key=outlines '" + pdf + "'");
    for (const char* title : {"\"System MAINST\"", "\"System OAKAVE\"", "\"Storm tabulation\""})
        EXPECT_TRUE(has(json, title)) << title << "\n" << json.substr(0, 400);
}

TEST(Submittal, SystemThatCannotBeComputedStillGetsItsSheetsAndFailsTheCommand) {
    test::TempDir dir;
    const std::string sample = test::makeSample(dir);
    {
        auto db = db::Database::open(sample);
        db->execute("UPDATE REACH SET NODE2 = 'NOWHERE' WHERE NAME = 'S-3' AND SYSTEM = 'MAINST'");
        // a system named beyond ASCII: its bookmark is written as UTF-16 in the appended outline
        for (const char* table : {"T16", "NODE", "REACH"})
            db->execute(std::string("UPDATE ") + table + " SET SYSTEM = ? WHERE SYSTEM = 'OAKAVE'", {db::Value("ÖSTRA ÅN")});
    }
    const std::string pdf = dir.file("package.pdf");
    EXPECT_TRUE(refused(cli(dir, "submittal '" + sample + "' --all --out '" + pdf + "'"),
                        "system MAINST could not be computed", 3));
    const std::string text = shell("pdftotext -layout '" + pdf + "' -");
    EXPECT_TRUE(has(text, "THE STORM TABULATION COULD NOT BE COMPUTED"));
    EXPECT_TRUE(has(text, "NOWHERE")) << "the reason is printed";
    EXPECT_TRUE(has(text, "PIPE SCHEDULE - SYSTEM ÖSTRA ÅN"));
    EXPECT_FALSE(has(text, "PIPE SCHEDULE - SYSTEM MAINST"));
    EXPECT_TRUE(has(shell("qpdf --json --json-key=outlines '" + pdf + "'"), "\"System ÖSTRA ÅN\""));
    EXPECT_TRUE(has(shell("qpdf --check '" + pdf + "'"), "No syntax or stream encoding errors"));
}

TEST(Submittal, BadRequestsSayWhatIsWrongAndFail) {
    test::TempDir dir;
    const std::string p = "'" + test::makeSample(dir) + "'";
    const std::pair<std::string, std::string> cases[] = {
        {"--system NOSUCH --out '" + dir.file("a.pdf") + "'", "is not in this project"},
        {"--out '" + dir.file("a.pdf") + "'", "--system"},
        {"--all --out '" + dir.file("a.txt") + "'", "must end in .pdf"},
        {"--all --paper legal --out '" + dir.file("a.pdf") + "'", "paper"},
        {"--system '<drains>' --out '" + dir.file("a.pdf") + "'", "<drains>"},
    };
    for (const auto& [args, message] : cases) EXPECT_TRUE(refused(cli(dir, "submittal " + p + " " + args), message)) << args;
}

}  // namespace
}  // namespace kolv::test
