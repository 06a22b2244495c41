// Sheet frame, title block, drawing helpers and paged tables of a submittal package.
#include "submittal/sheet.h"

#include <algorithm>
#include <cmath>

#include "common/text.h"

namespace kolv::submittal {

using reports::Align;
using reports::Font;
using reports::FontFamily;
using reports::Page;

namespace {
constexpr double kBorderPt = 18;       // paper edge to border
constexpr double kTitleBlockPt = 40;   // height of the title block
constexpr double kInsetPt = 10;        // border to body
}  // namespace

bool parsePaper(const std::string& name, Paper& out) {
    const std::string n = toLower(trim(name));
    if (n == "letter") out = Paper::Letter;
    else if (n == "a4") out = Paper::A4;
    else if (n == "tabloid" || n == "ledger" || n == "11x17") out = Paper::Tabloid;
    else if (n == "a3") out = Paper::A3;
    else return false;
    return true;
}

std::string paperName(Paper paper) {
    switch (paper) {
    case Paper::Letter: return "letter";
    case Paper::A4: return "a4";
    case Paper::Tabloid: return "tabloid";
    case Paper::A3: return "a3";
    }
    return "letter";
}

SheetFrame sheetFrame(Paper paper) {
    SheetFrame f;
    switch (paper) {
    case Paper::Letter: f.widthPt = 792, f.heightPt = 612; break;
    case Paper::A4: f.widthPt = 841.89, f.heightPt = 595.28; break;
    case Paper::Tabloid: f.widthPt = 1224, f.heightPt = 792; break;
    case Paper::A3: f.widthPt = 1190.55, f.heightPt = 841.89; break;
    }
    f.borderBottom = f.heightPt - kBorderPt;
    f.left = kBorderPt + kInsetPt;
    f.top = kBorderPt + kInsetPt;
    f.right = f.widthPt - kBorderPt - kInsetPt;
    f.bottom = f.borderBottom - kTitleBlockPt - kInsetPt;
    return f;
}

std::string pageText(int page, int pages) { return "Page " + std::to_string(page) + " of " + std::to_string(pages); }

void addText(Page& page, double x, double baseline, double width, Align align, const Font& font, std::string text,
             std::uint32_t color) {
    if (text.empty()) return;
    // Never wider than its box: cut to what fits (the painter squeezes a wider face, not a longer text).
    if (width > 0 && reports::textWidthPt(text, font) > width + 1e-6)
        text = std::string(reports::fitText(text, font, width));
    reports::TextRun r{x, baseline, width, align, font, std::move(text)};
    r.color = color;
    page.texts.push_back(std::move(r));
}

void addLine(Page& page, double x1, double y1, double x2, double y2, double widthPt, std::uint32_t color,
             reports::Shape::Dash dash) {
    reports::Shape s;
    s.points = {{x1, y1}, {x2, y2}};
    s.widthPt = widthPt;
    s.color = color;
    s.dash = dash;
    page.shapes.push_back(std::move(s));
}

void addRect(Page& page, double x, double y, double w, double h, double widthPt, std::uint32_t color, bool filled,
             std::uint32_t fill) {
    reports::Shape s;
    s.points = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    s.closed = true;
    s.widthPt = widthPt;
    s.color = color;
    s.filled = filled;
    s.fill = fill;
    page.shapes.push_back(std::move(s));
}

void drawFrame(Page& page, const SheetFrame& f, const TitleBlock& b) {
    const double x0 = kBorderPt, x1 = f.widthPt - kBorderPt, y0 = kBorderPt, y1 = f.borderBottom;
    addRect(page, x0, y0, x1 - x0, y1 - y0, 1.2);
    const double top = y1 - kTitleBlockPt;
    addLine(page, x0, top, x1, top, 1.0);
    // cells: project, system, sheet, date, page
    const double w = x1 - x0;
    const double share[] = {0.34, 0.12, 0.27, 0.11, 0.16};
    const char* label[] = {"PROJECT", "SYSTEM", "SHEET", "DATE", "PAGE"};
    const std::string value[] = {b.project, b.system, b.sheetTitle, b.date, pageText(b.page, b.pages)};
    const std::string second[] = {
        (b.designedBy.empty() && b.checkedBy.empty())
            ? std::string()
            : "Designed by: " + b.designedBy + "    Checked by: " + b.checkedBy,
        "", "", "", b.program};
    const Font labelFont{FontFamily::Sans, 5.5, false};
    const Font valueFont{FontFamily::Sans, 9.5, true};
    const Font smallFont{FontFamily::Sans, 6.5, false};
    double x = x0;
    for (int i = 0; i < 5; ++i) {
        double cw = w * share[i];
        if (i > 0) addLine(page, x, top, x, y1, 0.6);
        addText(page, x + 4, top + 8, cw - 8, Align::Left, labelFont, label[i], 0x555555);
        // a long value (the project's description) takes a smaller size before it is cut
        Font vf = valueFont;
        while (vf.sizePt > 6.5 && reports::textWidthPt(value[i], vf) > cw - 8) vf.sizePt -= 0.5;
        addText(page, x + 4, top + 22, cw - 8, Align::Left, vf, value[i]);
        addText(page, x + 4, top + 34, cw - 8, Align::Left, smallFont, second[i]);
        x += cw;
    }
}

namespace {

std::vector<std::string> headingLines(const std::string& heading) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : heading) {
        if (c == '|') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

}  // namespace

void layoutTable(const SheetFrame& frame, const std::string& title, const std::vector<TableColumn>& columns,
                 const std::vector<std::vector<std::string>>& rows, const std::vector<std::string>& notes,
                 const BodySink& emit, bool rowBands) {
    layoutTable(frame, title, columns, rows.size(), [&rows](std::size_t r) { return rows[r]; }, notes, emit, rowBands);
}

void layoutTable(const SheetFrame& frame, const std::string& title, const std::vector<TableColumn>& columns,
                 std::size_t rowCount, const std::function<std::vector<std::string>(std::size_t)>& rowAt,
                 const std::vector<std::string>& notes, const BodySink& emit, bool rowBands) {
    const Font titleFont{FontFamily::Sans, 12, true};
    Font body{FontFamily::Sans, 8, false};
    const double gap = 1.2;
    double chars = 0;
    for (const auto& c : columns) chars += c.widthChars;
    chars += gap * static_cast<double>(columns.size() > 0 ? columns.size() - 1 : 0);
    const double printable = frame.bodyWidth();
    if (chars * reports::digitWidthPt(body) > printable)
        body.sizePt = std::max(5.0, std::floor(printable / (chars * 0.556) * 10) / 10);
    Font bold = body;
    bold.bold = true;
    const double digit = reports::digitWidthPt(body);
    const double tableWidth = std::min(printable, chars * digit);
    const double tableLeft = frame.left + (printable - tableWidth) / 2;
    std::vector<double> colX, colW;
    double x = tableLeft;
    for (const auto& c : columns) {
        colX.push_back(x);
        colW.push_back(c.widthChars * digit);
        x += (c.widthChars + gap) * digit;
    }
    std::size_t headLines = 1;
    for (const auto& c : columns) headLines = std::max(headLines, headingLines(c.heading).size());
    const double lh = reports::lineHeightPt(body);

    Page page;
    double y = 0;
    bool open = false;
    auto start = [&](bool continued) {
        page = Page{};
        open = true;
        y = frame.top;
        addText(page, frame.left, y + reports::ascentPt(titleFont), frame.bodyWidth(), Align::Left, titleFont,
                title + (continued ? " (continued)" : ""));
        y += reports::lineHeightPt(titleFont) + 6;
        page.rules.push_back({tableLeft, y, tableLeft + tableWidth, y, 0.8});
        y += 0.3 * lh;
        for (std::size_t line = 0; line < headLines; ++line) {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                auto hl = headingLines(columns[c].heading);
                std::size_t offset = headLines - hl.size();
                if (line < offset) continue;
                addText(page, colX[c], y + reports::ascentPt(bold), colW[c], columns[c].align, bold, hl[line - offset]);
            }
            y += lh;
        }
        y += 0.2 * lh;
        page.rules.push_back({tableLeft, y, tableLeft + tableWidth, y, 0.8});
        y += 0.35 * lh;
    };
    auto finish = [&] {
        if (open) emit(std::move(page));
        open = false;
    };
    start(false);
    std::size_t onPage = 0;
    for (std::size_t r = 0; r < rowCount; ++r) {
        if (y + lh > frame.bottom && onPage > 0) {
            finish();
            start(true);
            onPage = 0;
        }
        const std::vector<std::string> row = rowAt(r);
        for (std::size_t c = 0; c < columns.size() && c < row.size(); ++c)
            addText(page, colX[c], y + reports::ascentPt(body), colW[c], columns[c].align, body, row[c]);
        y += lh;
        ++onPage;
        // a light rule every five rows guides the eye across a wide table
        if (!rowBands) continue;
        if ((r + 1) % 5 == 0 && r + 1 < rowCount)
            page.rules.push_back({tableLeft, y + 0.1 * lh, tableLeft + tableWidth, y + 0.1 * lh, 0.2});
        if ((r + 1) % 5 == 0) y += 0.2 * lh;
    }
    if (rowCount == 0) {
        addText(page, tableLeft, y + reports::ascentPt(body), tableWidth, Align::Left, body, "(none)");
        y += lh;
    }
    page.rules.push_back({tableLeft, y + 0.2 * lh, tableLeft + tableWidth, y + 0.2 * lh, 0.8});
    y += 0.8 * lh;
    for (const auto& n : notes) {
        if (y + lh > frame.bottom) {
            finish();
            start(true);
        }
        addText(page, tableLeft, y + reports::ascentPt(body), tableWidth, Align::Left, body, n);
        y += lh;
    }
    finish();
}

void layoutLines(const SheetFrame& frame, const std::string& title, const std::vector<std::string>& lines,
                 const BodySink& emit, bool mono) {
    const Font titleFont{FontFamily::Sans, 12, true};
    const Font head{FontFamily::Sans, 9.5, true};
    const Font body{mono ? FontFamily::Mono : FontFamily::Sans, mono ? 8.0 : 9.0, false};
    const double lh = reports::lineHeightPt(body);
    // key/value lines: the keys in a column as wide as the widest key (within reason)
    double keyWidth = 0;
    for (const auto& l : lines) {
        auto tab = l.find('\t');
        if (tab != std::string::npos && (l.empty() || l[0] != '#'))
            keyWidth = std::max(keyWidth, reports::textWidthPt(l.substr(0, tab), body));
    }
    keyWidth = std::min(keyWidth + 24, frame.bodyWidth() * 0.4);
    Page page;
    double y = 0;
    auto start = [&](bool continued) {
        page = Page{};
        y = frame.top;
        addText(page, frame.left, y + reports::ascentPt(titleFont), frame.bodyWidth(), Align::Left, titleFont,
                title + (continued ? " (continued)" : ""));
        y += reports::lineHeightPt(titleFont) + 8;
    };
    start(false);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const bool isHead = !l.empty() && l[0] == '#';
        const double need = isHead ? 2.6 * lh : lh;  // a heading keeps its first line with it
        if (y + need > frame.bottom) {
            emit(std::move(page));
            start(true);
        }
        if (isHead) {
            y += 0.5 * lh;
            addText(page, frame.left, y + reports::ascentPt(head), frame.bodyWidth(), Align::Left, head, l.substr(1));
            y += reports::lineHeightPt(head) + 1;
            page.rules.push_back({frame.left, y - 1, frame.right, y - 1, 0.4});
            y += 2;
            continue;
        }
        auto tab = l.find('\t');
        if (tab != std::string::npos) {
            addText(page, frame.left + 8, y + reports::ascentPt(body), keyWidth - 20, Align::Left, body, l.substr(0, tab),
                    0x333333);
            addText(page, frame.left + keyWidth, y + reports::ascentPt(body), frame.right - frame.left - keyWidth,
                    Align::Left, body, l.substr(tab + 1));
        } else {
            addText(page, frame.left + (mono ? 0 : 8), y + reports::ascentPt(body), frame.bodyWidth() - 8, Align::Left,
                    body, l);
        }
        y += lh;
    }
    emit(std::move(page));
}

}  // namespace kolv::submittal
