// A laid-out paged document: pages of positioned text runs and rules, in points, ready to paint.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "reports/font_metrics.h"

namespace kolv::reports {

enum class Align { Left, Right, Center };

/// One piece of text placed in a box on the page. The box starts at `x` (points from the left
/// edge of the paper) and is `width` points wide; the text is aligned inside it and must not
/// be drawn wider than the box (a painter whose face is wider than the metrics squeezes it).
/// `baseline` is measured from the top edge of the paper.
struct TextRun {
    double x = 0;         ///< left edge of the box (pt)
    double baseline = 0;  ///< baseline (pt from the top)
    double width = 0;     ///< box width (pt)
    Align align = Align::Left;
    Font font;
    std::string text;  ///< UTF-8
    std::uint32_t color = 0x000000;  ///< 0xRRGGBB
};

/// A straight line (pt), e.g. under the column headings.
struct Rule {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double thicknessPt = 0.5;
};

/// A drawn line of several points (pt, from the top-left corner of the paper): a polyline, or
/// a closed outline that may be filled. Drawing sheets (profiles, plans) are made of these.
struct Shape {
    enum class Dash { Solid, Dashed, Dotted };
    std::vector<std::pair<double, double>> points;  ///< x, y (pt)
    double widthPt = 0.5;              ///< 0 = no outline
    std::uint32_t color = 0x000000;    ///< outline, 0xRRGGBB
    Dash dash = Dash::Solid;
    bool closed = false;
    bool filled = false;
    std::uint32_t fill = 0xFFFFFF;     ///< fill colour of a closed outline
};

struct Page {
    std::vector<Shape> shapes;  ///< painted first, in order
    std::vector<TextRun> texts;
    std::vector<Rule> rules;
};

/// Paper size in points and the pages laid out on it.
struct Document {
    std::string title;
    double widthPt = 612;   ///< paper width (pt), landscape already applied
    double heightPt = 792;  ///< paper height (pt)
    std::vector<Page> pages;

    bool landscape() const { return widthPt > heightPt; }
};

/// The text of each page, line by line, built from the runs that share a baseline (for checks
/// and for a quick text view of a document). Runs are separated by two blanks.
std::vector<std::vector<std::string>> pageLines(const Document& doc);

}  // namespace kolv::reports
