// Page header, page end and line-by-line pages of the plain-text reports.
#include "reports/text_report.h"

#include <ctime>

#include "common/text.h"
#include "common/vb_format.h"
#include "reports/report_layout.h"

namespace kolv::reports {
namespace {

const Font kBodyFont{FontFamily::Sans, 9, false};    // "ARIAL" 9
const Font kTitleFont{FontFamily::Sans, 12, false};  // the title at 12
const Font kCloseFont{FontFamily::Sans, 6, false};   // small print

/// Line advance of a plain-text report: Arial's ascent + descent, 1.12 em.
double advance(const Font& f) { return 1.12 * f.sizePt; }

/// Breaks one body line into pieces no wider than `width`: at the last blank that fits,
/// else inside a word. Continuations keep the indent.
std::vector<std::string> wrap(const std::string& line, const std::string& indent, double width) {
    std::vector<std::string> out;
    std::string rest = line;
    for (;;) {
        std::string full = indent + rest;
        if (textWidthPt(full, kBodyFont) <= width || rest.empty()) {
            out.push_back(full);
            return out;
        }
        std::string_view fits = fitText(full, kBodyFont, width);
        std::size_t cut = fits.size();
        std::size_t blank = std::string(fits).find_last_of(' ');
        if (blank != std::string::npos && blank > indent.size()) cut = blank + 1;
        if (cut <= indent.size()) cut = std::max(fits.size(), indent.size() + 1);
        out.push_back(rtrim(full.substr(0, cut)));
        rest = ltrim(full.substr(cut));
    }
}

struct Paged {
    std::vector<std::vector<std::string>> pages;
};

Paged paginate(const std::vector<std::string>& lines, const TextReportOptions& o) {
    double width = o.paperWidthPt - 2 * o.marginSidePt;
    Paged p;
    p.pages.emplace_back();
    int perPage = o.linesPerPage > 0 ? o.linesPerPage : 60;
    for (const auto& line : lines) {
        for (auto& piece : wrap(line, o.indent, width)) {
            if (static_cast<int>(p.pages.back().size()) >= perPage) p.pages.emplace_back();
            p.pages.back().push_back(std::move(piece));
        }
    }
    return p;
}

std::string dateOf(const TextReportOptions& o) { return o.dateText.empty() ? currentDateText() : o.dateText; }
std::string timeOf(const TextReportOptions& o) { return o.timeText.empty() ? currentTimeText(true) : o.timeText; }

}  // namespace

TextReportOptions diagnosisLogOptions() {
    TextReportOptions o;
    o.linesPerPage = 68;
    o.indent = std::string(10, ' ');
    return o;
}

std::string pageNumberText(int page) { return "Page: " + vbFormat(page, "00"); }

std::string closingLine(const std::string& title, int page, int pages) {
    return "KOLV Lt v3  -  " + trim(title) + "  -  page " + std::to_string(page) + " of " + std::to_string(pages);
}

Document layoutTextReport(const std::string& title, const std::vector<std::string>& lines,
                          const TextReportOptions& o) {
    Document doc;
    doc.title = title;
    doc.widthPt = o.paperWidthPt;
    doc.heightPt = o.paperHeightPt;
    const double left = o.marginSidePt, right = o.paperWidthPt - o.marginSidePt, width = right - left;
    const std::string date = dateOf(o), time = timeOf(o);
    Paged paged = paginate(lines, o);
    const int pages = static_cast<int>(paged.pages.size());
    for (int p = 0; p < pages; ++p) {
        Page page;
        // Page header: two blank lines, then date, two blanks, time; "Page: nn" on the same line,
        // right-aligned 100 twips (5 pt) in from the right edge.
        double y = o.marginTopPt + 2 * advance(kBodyFont);
        double base = y + ascentPt(kBodyFont);
        std::string dt = date + "  " + time;
        page.texts.push_back(TextRun{left, base, textWidthPt(dt, kBodyFont), Align::Left, kBodyFont, dt});
        std::string pn = pageNumberText(p + 1);
        double wpn = textWidthPt(pn, kBodyFont);
        page.texts.push_back(TextRun{right - 5 - wpn, base, wpn, Align::Right, kBodyFont, pn});
        y += advance(kBodyFont);
        // The title at 12, then a blank line at 9.
        std::string t = std::string(fitText(title, kTitleFont, width));
        page.texts.push_back(TextRun{left, y + ascentPt(kTitleFont), width, Align::Left, kTitleFont, t});
        y += advance(kTitleFont) + advance(kBodyFont);
        for (const auto& line : paged.pages[static_cast<std::size_t>(p)]) {
            if (!trim(line).empty())
                page.texts.push_back(TextRun{left, y + ascentPt(kBodyFont), width, Align::Left, kBodyFont, line});
            y += advance(kBodyFont);
        }
        // Page end: the closing identification line in small print at the foot of the page.
        double closeBase = o.paperHeightPt - o.marginBottomPt - 2;
        std::string cl = closingLine(title, p + 1, pages);
        page.rules.push_back(Rule{left, closeBase - ascentPt(kCloseFont) - 2, right, closeBase - ascentPt(kCloseFont) - 2, 0.3});
        page.texts.push_back(TextRun{left, closeBase, width, Align::Left, kCloseFont, std::string(fitText(cl, kCloseFont, width))});
        doc.pages.push_back(std::move(page));
    }
    return doc;
}

std::string textReportPlain(const std::string& title, const std::vector<std::string>& lines,
                            const TextReportOptions& o) {
    Paged paged = paginate(lines, o);
    const std::string date = dateOf(o), time = timeOf(o);
    const int pages = static_cast<int>(paged.pages.size());
    std::string out;
    for (int p = 0; p < pages; ++p) {
        if (p) out += "\f";
        out += "\n\n" + date + "  " + time + "    " + pageNumberText(p + 1) + "\n" + title + "\n\n";
        for (const auto& line : paged.pages[static_cast<std::size_t>(p)]) out += line + "\n";
        out += closingLine(title, p + 1, pages) + "\n";
    }
    return out;
}


}  // namespace kolv::reports
