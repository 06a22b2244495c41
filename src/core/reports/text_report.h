// Plain-text reports: message lists printed line by line under a page header of their own.
#pragma once

#include <string>
#include <vector>

#include "reports/document.h"

namespace kolv::reports {

/// Titles of the printed message lists (followed by the system name where one applies).
inline constexpr const char* kVerifyReportTitle = "VERIFY NODES AND REACHES - ";
inline constexpr const char* kHydraulicsReportTitle = "HYDRAULIC CALCULATIONS MESSAGES - ";
inline constexpr const char* kCostReportTitle = "SYSTEM COST REPORT - ";
inline constexpr const char* kImportReportTitle = "IMPORT RESULTS";
inline constexpr const char* kDiagnosisReportTitle = "DIAGNOSIS MESSAGE LOG";

/// How the pages of a plain-text report are filled.
struct TextReportOptions {
    int linesPerPage = 60;   ///< body lines on a page before the page end
    std::string indent;      ///< put before every body line (the diagnosis log uses ten blanks)
    std::string dateText;    ///< "" = today (MM/DD/YYYY)
    std::string timeText;    ///< "" = now (h:mm:ss AM)
    double paperWidthPt = 612, paperHeightPt = 792;  ///< letter, portrait
    double marginSidePt = 36;  ///< left and right edges of the printable area
    double marginTopPt = 18;   ///< top and bottom edges (68 lines of Arial 9 fill a letter page)
    double marginBottomPt = 18;
};

/// The diagnosis log: a page ends after 68 lines, every line after ten blanks.
TextReportOptions diagnosisLogOptions();

/// "Page: " with the number formatted "00": "Page: 07", "Page: 123".
std::string pageNumberText(int page);

/// The closing identification line printed in small type at the end of every page.
std::string closingLine(const std::string& title, int page, int pages);

/// Lays out a plain-text report: on every page the page header (two blank lines; date, two
/// blanks, time, and "Page: nn" right-aligned 5 pt in from the right edge, all Arial 9; the title
/// at 12; one blank line), then the body lines in Arial 9, then the page end (the closing line in
/// 6 pt). A line wider than the page continues on the next line, which counts as a line.
Document layoutTextReport(const std::string& title, const std::vector<std::string>& lines,
                          const TextReportOptions& options = {});

/// The same pages as text: header lines, body lines, closing line; pages separated by a form feed.
std::string textReportPlain(const std::string& title, const std::vector<std::string>& lines,
                            const TextReportOptions& options = {});


}  // namespace kolv::reports
