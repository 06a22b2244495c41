// Runs a report template over the project's records: paged document, plain text and CSV.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <map>
#include <string>
#include <vector>

#include "db/database.h"
#include "reports/document.h"
#include "reports/report_template.h"
#include "reports/text_lines.h"

namespace kolv::reports {

/// What a run needs besides the template: the records' selection and order, and the values of
/// the report variables.
struct ReportInputs {
    std::string selection;   ///< selection formula ("" = the template's own, else every record)
    std::string sortField;   ///< "+{T7.GROUPP}" style, sorts ahead of the template's sort
    std::string system;      ///< {SYSTEM}; "" = the SYSTEM field of the first record when there is one
    bool metric = false;     ///< {UNITS}
    std::string projectName; ///< {PROJECT}
    std::string dateText;    ///< {DATE}; "" = today (MM/DD/YYYY)
    std::string timeText;    ///< {TIME}; "" = now (h:mm AM)
    TextLines notes;  ///< lines printed after the records and the template's footers
    /// Footnote marks: a record whose first column reads a key (upper case, trimmed) gets the mark
    /// after it ("S-1 [2]"). Not written to CSV.
    std::map<std::string, std::string> recordMarks;
    /// {PAGE} of the first page: a report bound into a larger set of sheets counts on from it.
    int firstPage = 1;
    /// The closing identification line under every page ("Page n of m"); off when the pages get
    /// a title block of their own.
    bool closingLine = true;
    /// Paper (pt, orientation applied) and margins replacing the template's; 0 keeps the template's.
    double paperWidthPt = 0, paperHeightPt = 0;
    double marginLeftPt = 0, marginTopPt = 0, marginRightPt = 0, marginBottomPt = 0;
};

/// The report after the records were read and formatted, before it is put on pages.
struct ReportContent {
    enum class Kind { GroupHeading, Record, GroupTotal, ReportTotal, Footer };
    /// One line of the report. The cells of a record are packed into one string (a report of
    /// tens of thousands of records holds a few hundred bytes per record, not a string per cell).
    struct Item {
        Kind kind = Kind::Record;
        std::string text;        ///< group heading or footer text
        std::size_t record = 0;  ///< index of the record it belongs to (for page headings)
        bool groupStart = false; ///< first item of a group that starts a new page

        /// Sets the cells: one per column (records and totals), their second lines (empty: none
        /// at all, as in one-line reports) and whether each holds a number (a number too wide
        /// shows ###).
        void setCells(const std::vector<std::string>& cells, const std::vector<std::string>& cells2,
                      const std::vector<bool>& numeric);
        std::size_t cellCount() const { return m_count; }
        bool hasSecondLines() const { return m_second; }
        std::vector<std::string> cells() const;
        /// The second lines; empty when the item has none.
        std::vector<std::string> cells2() const;
        std::vector<bool> numeric() const;

    private:
        /// Per cell: a flag byte (1 = a number), the lengths of the two lines (7 bits a byte),
        /// then the two texts.
        std::string m_packed;
        std::uint32_t m_count = 0;
        bool m_second = false;
    };
    std::vector<Item> items;
    /// Lines printed after the items, each as a footer (the caller's notes, which may be many).
    TextLines notes;
    std::size_t notesRecord = 0;  ///< the record the notes belong to (the last)
    std::size_t recordCount = 0;
};

/// The laid-out report and what did not fit.
struct LayoutResult {
    Document document;
    /// One line per cell or heading that had to be cut to fit its column (none when everything
    /// fits), kept deflated: names too long for their column may make it as long as the report.
    TextLines overflows;
    double bodyFontPt = 0;  ///< the table's font size after fitting the page width
    std::size_t pageCount = 0;  ///< pages laid out (also when they were handed over one by one)
};

/// Reads the records (selection and sort applied, ties in storage order) and formats every cell.
/// Throws FormulaError for a bad selection or sort field.
class ReportRunner {
public:
    ReportRunner(db::Database& db, const ReportTemplate& tpl, ReportInputs inputs);
    ~ReportRunner();
    ReportRunner(const ReportRunner&) = delete;
    ReportRunner& operator=(const ReportRunner&) = delete;

    const ReportContent& content() const { return m_content; }
    /// The paged document (title and headings on every page, closing line with page n of m).
    LayoutResult layout() const;
    /// The same pages handed to `pageDone` one by one as each is finished, so no more than one
    /// is held; the result's document keeps none. The closing line needs the page count before
    /// the first page goes out, so these pages have none (`closingLine` is not consulted): a
    /// caller streaming them frames and numbers the sheets itself.
    LayoutResult layout(const std::function<void(Page&&)>& pageDone) const;
    /// The same, each page with its closing line of `pageCount` pages (as a run without
    /// `pageDone` adds them), for a caller that counted the pages first.
    LayoutResult layout(const std::function<void(Page&&)>& pageDone, int pageCount) const;
    /// The pages a layout gives counted (`pageCount`, with the paper and title in `document`),
    /// keeping neither the pages nor the list of what did not fit, which a report of many long
    /// names may make as long as the report.
    LayoutResult countPages() const;
    /// The report as plain text: title, headings, column headings, the rows in fixed columns.
    std::string plainText() const;
    /// The same text written line by line, so a long report is never held twice.
    void writePlainText(std::ostream& out) const;
    /// The records as comma-separated values, one heading row (second lines get their own columns).
    std::string csv() const;
    void writeCsv(std::ostream& out) const;

    /// The SQL the records were read with (for the report data display and the tests).
    const std::string& sql() const { return m_sql; }

    class Context;

private:
    std::string headingText(const Interpolated& text, std::size_t record, int page) const;
    LayoutResult layoutPages(const std::function<void(Page&&)>& pageDone, int pageCount, bool keepOverflows) const;

    db::Database& m_db;
    const ReportTemplate& m_tpl;
    ReportInputs m_inputs;
    std::string m_sql;
    ReportContent m_content;
    std::unique_ptr<Context> m_ctx;
};

/// How a design storm from a time-intensity table is named to a reader (the storm tab's header,
/// the submittal's basis of design): the table's location and its frequency, a free-text name
/// not always a number of years, each said for what it is.
std::string timeIntensityTableText(const std::string& location, const std::string& frequency);

/// Today's date "MM/DD/YYYY" and time "h:mm AM" on this computer.
std::string currentDateText();
/// The time of day as reports print it, "3:07 PM", or with seconds "3:07:09 PM".
std::string currentTimeText(bool withSeconds = false);

}  // namespace kolv::reports
