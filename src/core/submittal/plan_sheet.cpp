// Plan sheet drawn from the diagram model: reaches, palette symbols and placed labels.
#include "submittal/plan_sheet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <unordered_map>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "diagram/diagram_model.h"
#include "diagram/label_placement.h"
#include "diagram/labels.h"
#include "diagram/palette.h"
#include "diagram/symbol_geometry.h"
#include "ui/ui_port.h"

namespace kolv::submittal {

using reports::Align;
using reports::Font;
using reports::FontFamily;
using reports::Page;

namespace {

std::uint32_t rgb(const diagram::Rgb& c) {
    return (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
}

reports::Shape::Dash dashOf(diagram::PenStyle s) {
    switch (s) {
    case diagram::PenStyle::Solid: return reports::Shape::Dash::Solid;
    case diagram::PenStyle::Dash:
    case diagram::PenStyle::DashDot: return reports::Shape::Dash::Dashed;
    case diagram::PenStyle::Dot: return reports::Shape::Dash::Dotted;
    }
    return reports::Shape::Dash::Solid;
}

/// A north arrow 36 pt tall whose top-left corner is at (x, y): a half-filled arrowhead over a
/// shaft, and the letter N above it.
void drawNorthArrow(Page& page, double x, double y) {
    const Font letter{FontFamily::Sans, 10, true};
    const double cx = x + 9, tip = y + 14, base = y + 44;
    addText(page, x, y + reports::ascentPt(letter), 18, Align::Center, letter, "N");
    reports::Shape left;  // the filled half of the head
    left.points = {{cx, tip}, {cx - 7, tip + 20}, {cx, tip + 15}};
    left.closed = true;
    left.filled = true;
    left.fill = 0x000000;
    left.widthPt = 0.6;
    page.shapes.push_back(left);
    reports::Shape right;
    right.points = {{cx, tip}, {cx + 7, tip + 20}, {cx, tip + 15}};
    right.closed = true;
    right.widthPt = 0.6;
    page.shapes.push_back(right);
    addLine(page, cx, tip + 15, cx, base, 0.8);
}

/// A bar of a round length (1, 2 or 5 times a power of ten project units) about an inch and a
/// half long, in four alternating parts, from (x, baseline) to the right; `scale` is pt per unit.
void drawScaleBar(Page& page, double x, double baseline, double scale, const std::string& unit, const Font& font) {
    const double want = 108.0 / scale;  // units in about 1.5 in
    const double decade = std::pow(10.0, std::floor(std::log10(want)));
    double length = decade;
    for (double m : {2.0, 5.0, 10.0})
        if (m * decade <= want) length = m * decade;
    const double w = length * scale, h = 4;
    const double top = baseline - reports::lineHeightPt(font) - h - 2;
    for (int i = 0; i < 4; ++i) addRect(page, x + w * i / 4, top, w / 4, h, 0.5, 0, i % 2 == 0, 0x000000);
    addText(page, x - 10, baseline, 20, Align::Center, font, "0");
    addText(page, x + w - 40, baseline, 80, Align::Center, font, shortestText(length) + " " + unit);
}

/// The standard plan scale a survey plan is drawn at: the engineer's scales (1 in = 10, 20, 30,
/// 40, 50, 60 ft times a power of ten) or the metric ratios (1:100, 200, 250, 500 times a power of
/// ten). With `coarser`, the smallest of them at least `unitsPerInch` (project units per inch of
/// paper), so the drawing still fits; without, the largest at most that (the finest of them is
/// the floor), so the drawing is at least as large. Returns feet per inch, or the ratio's denominator.
double planScale(double unitsPerInch, bool metric, bool coarser) {
    const double wanted = metric ? unitsPerInch / units::kMetersPerInch : unitsPerInch;
    const std::vector<double> steps =
        metric ? std::vector<double>{1, 2, 2.5, 5} : std::vector<double>{1, 2, 3, 4, 5, 6};
    double finer = 0;
    for (double decade = metric ? 100 : 10; decade < 1e9; decade *= 10)
        for (double m : steps) {
            const double v = m * decade;
            if (coarser && v >= wanted * (1 - 1e-9)) return v;
            if (!coarser && v > wanted * (1 + 1e-9)) return finer > 0 ? finer : v;
            finer = v;
        }
    return wanted;
}

/// pt per project unit of a standard scale.
double pointsPerUnit(double ratio, bool metric) {
    return units::kPointsPerInch / (metric ? ratio * units::kMetersPerInch : ratio);
}

/// Where the network is drawn: the body less the title and the note above it.
struct Area {
    double left = 0, top = 0, right = 0, bottom = 0;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
};
Area drawingArea(const SheetFrame& frame) {
    return {frame.left + 10, frame.top + 40, frame.right - 10, frame.bottom - 10};
}

constexpr double kFitMargin = 40;        // pt around a fitted diagram: room for the labels of the outer nodes
constexpr double kLabelPt = 6;          // label text: the smallest a printed plan is read at
constexpr double kLabelPadX = 1.5, kLabelPadY = 0.5;  // the text inside its white ground
/// Height of a node's name on its white ground.
double nameHeightPt() { return reports::lineHeightPt(Font{FontFamily::Sans, kLabelPt, false}) + 2 * kLabelPadY; }
// Nearest neighbours closer on paper than two names' height leave no room for a name beside a
// symbol; the plan sheets give the median node two and a half, room for a two-line label beside it.
double leastSpacingPt() { return 2 * nameHeightPt(); }
double sheetSpacingPt() { return 2.5 * nameHeightPt(); }
constexpr double kOverlapPt = 18;        // drawn beyond each match line
constexpr std::size_t kMostCells = 250000;

/// The whole system fitted to one sheet: pt per unit, and for a survey plan the standard scale.
double fittedScale(const diagram::DiagramData& data, const Area& area, bool metric, double& ratio) {
    const double w = std::max(1.0, data.maxX - data.minX), h = std::max(1.0, data.maxY - data.minY);
    const double fit = std::min((area.width() - 2 * kFitMargin) / w, (area.height() - 2 * kFitMargin) / h);
    ratio = data.northUp ? planScale(units::kPointsPerInch / fit, metric, true) : 0;
    return data.northUp ? pointsPerUnit(ratio, metric) : fit;
}

/// The distance from a node to its nearest neighbour, the median over the nodes (0 for fewer than
/// two nodes apart). Nodes are hashed into buckets about one node's share of the extent wide, so a
/// search looks at a few rings of buckets.
double medianNeighbourSpacing(const std::vector<diagram::Entity>& nodes) {
    if (nodes.size() < 2) return 0;
    double minX = nodes[0].x, maxX = minX, minY = nodes[0].y, maxY = minY;
    for (const auto& e : nodes) {
        minX = std::min(minX, e.x), maxX = std::max(maxX, e.x);
        minY = std::min(minY, e.y), maxY = std::max(maxY, e.y);
    }
    const double side =
        std::max({(maxX - minX) / 2048, (maxY - minY) / 2048,
                  std::sqrt(std::max(1e-9, (maxX - minX) * (maxY - minY) / static_cast<double>(nodes.size()))), 1e-6});
    auto key = [](long long i, long long j) { return (i << 32) ^ (j & 0xffffffffLL); };
    auto cellOf = [&](double v, double lo) { return static_cast<long long>(std::floor((v - lo) / side)); };
    std::unordered_map<long long, std::vector<std::size_t>> buckets;
    for (std::size_t k = 0; k < nodes.size(); ++k)
        buckets[key(cellOf(nodes[k].x, minX), cellOf(nodes[k].y, minY))].push_back(k);
    const long long reach = static_cast<long long>(std::ceil(std::max(maxX - minX, maxY - minY) / side)) + 1;
    std::vector<double> nearest;
    nearest.reserve(nodes.size());
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        const long long ci = cellOf(nodes[k].x, minX), cj = cellOf(nodes[k].y, minY);
        double best = std::numeric_limits<double>::infinity();
        auto visit = [&](long long i, long long j) {
            auto b = buckets.find(key(i, j));
            if (b == buckets.end()) return;
            for (std::size_t o : b->second) {
                const double d = std::hypot(nodes[o].x - nodes[k].x, nodes[o].y - nodes[k].y);
                if (o != k && d > 0) best = std::min(best, d);  // a node drawn on another is no neighbour
            }
        };
        // rings of cells outwards, each ring walked along its edge only: a lone node far from the
        // rest (an outfall miles away) costs the ring count squared, not cubed
        visit(ci, cj);
        for (long long r = 1; r <= reach && static_cast<double>(r - 1) * side < best; ++r) {
            for (long long i = ci - r; i <= ci + r; ++i) visit(i, cj - r), visit(i, cj + r);
            for (long long j = cj - r + 1; j <= cj + r - 1; ++j) visit(ci - r, j), visit(ci + r, j);
        }
        if (std::isfinite(best)) nearest.push_back(best);
    }
    if (nearest.empty()) return 0;
    auto mid = nearest.begin() + static_cast<std::ptrdiff_t>(nearest.size() / 2);
    std::nth_element(nearest.begin(), mid, nearest.end());
    return *mid;
}

/// A reach's two ends as entity indices.
struct Ends {
    std::size_t from, to;
};

std::vector<Ends> reachEnds(const diagram::DiagramData& data) {
    std::map<std::string, std::size_t> at;  // upper-case name -> entity
    for (std::size_t i = 0; i < data.entities.size(); ++i) at.emplace(toUpper(data.entities[i].name), i);
    std::vector<Ends> out(data.relations.size(), Ends{SIZE_MAX, SIZE_MAX});
    for (std::size_t k = 0; k < data.relations.size(); ++k) {
        auto a = at.find(toUpper(data.relations[k].from)), b = at.find(toUpper(data.relations[k].to));
        if (a != at.end() && b != at.end()) out[k] = {a->second, b->second};
    }
    return out;
}

}  // namespace

int PlanGrid::at(int column, int row) const {
    if (column < 0 || row < 0 || column >= columns || row >= rows) return -1;
    return printedAt[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                     static_cast<std::size_t>(column)];
}

PlanGrid planGrid(const diagram::DiagramData& data, const SheetFrame& frame, bool metric) {
    PlanGrid g;
    if (data.empty()) return g;
    const Area area = drawingArea(frame);
    double keyRatio = 0;
    const double fit = fittedScale(data, area, metric, keyRatio);
    const double spacing = medianNeighbourSpacing(data.entities);
    if (spacing <= 0 || spacing * fit >= leastSpacingPt()) return g;

    double s = sheetSpacingPt() / spacing;
    if (data.northUp) g.ratio = planScale(units::kPointsPerInch / s, metric, false), s = pointsPerUnit(g.ratio, metric);
    const double w = data.maxX - data.minX, h = data.maxY - data.minY;
    for (;;) {  // a far-off stray node must not ask for a million sheets: coarser until the grid is sane
        g.cellWidth = (area.width() - 2 * kOverlapPt) / s;
        g.cellHeight = (area.height() - 2 * kOverlapPt) / s;
        g.columns = std::max(1, static_cast<int>(std::ceil(w / g.cellWidth - 1e-9)));
        g.rows = std::max(1, static_cast<int>(std::ceil(h / g.cellHeight - 1e-9)));
        if (static_cast<double>(g.columns) * g.rows <= static_cast<double>(kMostCells)) break;
        if (data.northUp)
            g.ratio = planScale(units::kPointsPerInch / s * 2, metric, true), s = pointsPerUnit(g.ratio, metric);
        else s /= 2;
    }
    g.scale = s;
    g.overlap = kOverlapPt / s;
    g.originX = data.minX - (g.columns * g.cellWidth - w) / 2;
    g.originY = data.minY - (g.rows * g.cellHeight - h) / 2;
    const std::size_t count = static_cast<std::size_t>(g.columns) * static_cast<std::size_t>(g.rows);
    std::vector<char> used(count, 0);
    auto column = [&](double x) {
        return std::clamp(static_cast<int>(std::floor((x - g.originX) / g.cellWidth)), 0, g.columns - 1);
    };
    auto row = [&](double y) {
        return std::clamp(static_cast<int>(std::floor((y - g.originY) / g.cellHeight)), 0, g.rows - 1);
    };
    auto index = [&](int c, int r) {
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(g.columns) + static_cast<std::size_t>(c);
    };
    for (const auto& e : data.entities) used[index(column(e.x), row(e.y))] = 1;
    for (const Ends& r : reachEnds(data)) {  // a cell a reach only passes through is printed too
        if (r.from == SIZE_MAX) continue;
        const auto& a = data.entities[r.from];
        const auto& b = data.entities[r.to];
        for (int c = column(std::min(a.x, b.x)); c <= column(std::max(a.x, b.x)); ++c)
            for (int k = row(std::min(a.y, b.y)); k <= row(std::max(a.y, b.y)); ++k) {
                const double l = g.originX + c * g.cellWidth, t = g.originY + k * g.cellHeight;
                if (!used[index(c, k)] &&
                    diagram::segmentMeetsBox(a.x, a.y, b.x, b.y, l, t, l + g.cellWidth, t + g.cellHeight))
                    used[index(c, k)] = 1;
            }
    }
    g.printedAt.assign(count, -1);
    for (int k = 0; k < g.rows; ++k)
        for (int c = 0; c < g.columns; ++c) {
            if (!used[index(c, k)]) continue;
            g.printedAt[index(c, k)] = static_cast<int>(g.cells.size());
            PlanCell cell;
            cell.name = "P-" + std::to_string(g.cells.size() + 1);
            cell.column = c;
            cell.row = k;
            cell.left = g.originX + c * g.cellWidth;
            cell.top = g.originY + k * g.cellHeight;
            cell.right = cell.left + g.cellWidth;
            cell.bottom = cell.top + g.cellHeight;
            g.cells.push_back(std::move(cell));
        }
    return g;
}

namespace {

/// What every page of a plan draws from.
struct PlanContext {
    db::Database& db;
    const std::string& system;
    const diagram::DiagramData& data;
    diagram::Palette palette;
    std::vector<Ends> ends;
    int displaySet;
    /// The label of each entity and relation, made once: a plan set labels a node on every sheet
    /// whose overlap it is in, and the texts take less room than the records they are made from.
    std::vector<std::string> nodeLabels, reachLabels;
};

/// Sides of a round symbol `diameterPt` across drawn as a polygon: no side strays more than
/// 0.05 pt from the circle, at most the 24 of a full-size symbol.
int circleSides(double diameterPt) {
    const double r = diameterPt / 2;
    if (r <= 0.1) return 6;
    return std::clamp(static_cast<int>(std::ceil(units::kPi / std::acos(1 - 0.05 / r))), 6, 24);
}

/// Diagram units to the page: (x, y) -> (ox + (x - x0) s, oy + (y - y0) s).
struct View {
    double x0 = 0, y0 = 0, ox = 0, oy = 0, s = 1;
    double X(double x) const { return ox + (x - x0) * s; }
    double Y(double y) const { return oy + (y - y0) * s; }
};

/// The part of the segment inside the box (Liang-Barsky), false when none is.
bool clipSegment(double& x1, double& y1, double& x2, double& y2, double l, double t, double r, double b) {
    double lo = 0, hi = 1;
    const double dx = x2 - x1, dy = y2 - y1;
    for (auto [p, q] : {std::pair{-dx, x1 - l}, std::pair{dx, r - x1}, std::pair{-dy, y1 - t}, std::pair{dy, b - y1}}) {
        if (p == 0) {
            if (q < 0) return false;
            continue;
        }
        const double u = q / p;
        if (p < 0) lo = std::max(lo, u);
        else hi = std::min(hi, u);
        if (lo > hi) return false;
    }
    const double ax = x1, ay = y1;
    x1 = ax + lo * dx, y1 = ay + lo * dy;
    x2 = ax + hi * dx, y2 = ay + hi * dy;
    return true;
}

/// The reaches and symbols of the listed relations and entities; with `window` (diagram units:
/// left, top, right, bottom) the reaches are cut at its edges and arrows off it left out.
void drawNetwork(Page& page, const PlanContext& c, const View& v, const std::vector<std::size_t>& entities,
                 const std::vector<std::size_t>& relations, double symbolScale, const double* window,
                 bool muted = false) {
    // a key plan draws the network in grey under the grid of sheets
    auto ink = [muted](const diagram::Rgb& color) { return muted ? 0xA8A8A8u : rgb(color); };
    for (std::size_t k : relations) {
        const Ends& r = c.ends[k];
        if (r.from == SIZE_MAX) continue;
        int cls = std::clamp(c.data.relations[k].pipeClass, 0, static_cast<int>(diagram::kPipeClasses.size()) - 1);
        const auto& style = c.palette.relation(diagram::kPipeClasses[static_cast<std::size_t>(cls)]);
        const auto& ea = c.data.entities[r.from];
        const auto& eb = c.data.entities[r.to];
        double x1 = ea.x, y1 = ea.y, x2 = eb.x, y2 = eb.y;
        if (window && !clipSegment(x1, y1, x2, y2, window[0], window[1], window[2], window[3])) continue;
        const double widthPt = std::max(0.5, style.width * 0.5);
        addLine(page, v.X(x1), v.Y(y1), v.X(x2), v.Y(y2), widthPt, ink(style.color), dashOf(style.style));
        // the flow arrow of the window, at the symbols' scale, near the middle of the whole reach
        const double mx = (ea.x + eb.x) / 2, my = (ea.y + eb.y) / 2;
        if (window && (mx < window[0] || mx > window[2] || my < window[1] || my > window[3])) continue;
        auto head = diagram::flowArrow(v.X(ea.x), v.Y(ea.y), v.X(eb.x), v.Y(eb.y), widthPt / symbolScale, symbolScale);
        if (head.empty()) continue;
        reports::Shape arrow;
        arrow.points = std::move(head);
        arrow.closed = true;
        arrow.filled = true;
        arrow.fill = ink(style.color);
        arrow.widthPt = 0;
        page.shapes.push_back(std::move(arrow));
    }
    for (std::size_t k : entities) {
        const auto& e = c.data.entities[k];
        const auto& style = c.palette.entity(e.className);
        // the specks of a key plan as round as the eye can tell, in a fraction of the points
        auto sides = [muted](double size) { return muted ? circleSides(size) : 24; };
        const double size = std::max(2.0, style.size * symbolScale);
        reports::Shape sh;
        sh.points = diagram::symbolPolygon(style.shape, size, v.X(e.x), v.Y(e.y), sides(size));
        sh.closed = true;
        sh.filled = true;
        sh.fill = muted ? 0xFFFFFFu : rgb(style.fill);
        sh.color = ink(style.line);
        sh.widthPt = std::max(0.3, style.lineWidth * 0.5);
        page.shapes.push_back(std::move(sh));
        if (style.shape == diagram::Shape::Circle) {  // a manhole's lid, as the window draws it
            reports::Shape lid;
            lid.points = diagram::symbolPolygon(style.shape, size * 2 / 5, v.X(e.x), v.Y(e.y), sides(size * 2 / 5));
            lid.closed = true;
            lid.color = ink(style.line);
            lid.widthPt = 0.4;
            page.shapes.push_back(std::move(lid));
        }
    }
}

/// The four edges of a box on the page as lines the labels keep off (diagram units from the view's origin).
void keepOff(std::vector<diagram::LabelObstacleLine>& lines, const View& v, double l, double t, double r, double b) {
    auto ux = [&](double x) { return (x - v.ox) / v.s; };
    auto uy = [&](double y) { return (y - v.oy) / v.s; };
    lines.push_back({ux(l), uy(t), ux(r), uy(t)});
    lines.push_back({ux(r), uy(t), ux(r), uy(b)});
    lines.push_back({ux(r), uy(b), ux(l), uy(b)});
    lines.push_back({ux(l), uy(b), ux(l), uy(t)});
}

/// Labels, as the window draws them at its fitted view: the same texts, placed by the same
/// placer (a node's name first; with `allNames`, every name), each on a white ground, the name
/// in bold and the colours of the window's labels; sizes in points here where the window
/// measures pixels. Reach labels for the listed reaches whose middle is in `window` (all without one).
/// A plan sheet passes its drawing area and its cell (pt, left, top, right, bottom) as `paper` and
/// `cell`: a label that would run off the paper is moved onto it when its anchor is in the cell,
/// and left to the sheet that owns it when its anchor is in the overlap.
void drawLabels(Page& page, const PlanContext& c, const View& v,
                const std::vector<std::size_t>& entities, const std::vector<std::size_t>& relations, double symbolScale,
                bool allNames, const double* window, std::vector<diagram::LabelObstacleLine> lines,
                const double* paper = nullptr, const double* cell = nullptr) {
    const Font label{FontFamily::Sans, kLabelPt, false};
    const Font labelBold{FontFamily::Sans, label.sizePt, true};
    const double lh = reports::lineHeightPt(label);
    const double padX = kLabelPadX, padY = kLabelPadY;
    enum class Kind { Node, Outfall, Reach };
    struct Text {
        std::vector<std::string> lines;
        double x, y;
        Kind kind;
    };
    std::vector<Text> texts;
    std::vector<diagram::LabelBox> boxes;
    auto add = [&](const std::string& text, double x, double y, Kind kind, double clearance) {
        auto textLines = diagram::labelLines(text);
        if (textLines.empty()) return;
        const bool named = kind != Kind::Reach;
        double bw = 0;
        for (std::size_t i = 0; i < textLines.size(); ++i)
            bw = std::max(bw, reports::textWidthPt(textLines[i], i == 0 && named ? labelBold : label));
        // placement works in diagram units measured from the view's origin
        diagram::LabelBox b{x - v.x0, y - v.y0, bw + 2 * padX, textLines.size() * lh + 2 * padY, clearance};
        if (named) {
            b.nameWidth = reports::textWidthPt(textLines.front(), labelBold) + 2 * padX;
            b.nameHeight = lh + 2 * padY;
        }
        boxes.push_back(b);
        texts.push_back({std::move(textLines), x, y, kind});
    };
    for (std::size_t k : entities) {
        const auto& e = c.data.entities[k];
        add(c.nodeLabels[k], e.x, e.y,
            e.outfall ? Kind::Outfall : Kind::Node, c.palette.entity(e.className).size * symbolScale / 2 + 1);
    }
    for (std::size_t k : relations) {
        const Ends& r = c.ends[k];
        if (r.from == SIZE_MAX) continue;
        const auto& ea = c.data.entities[r.from];
        const auto& eb = c.data.entities[r.to];
        const double mx = (ea.x + eb.x) / 2, my = (ea.y + eb.y) / 2;
        if (!window || (mx >= window[0] && mx <= window[2] && my >= window[1] && my <= window[3]))
            add(c.reachLabels[k], mx, my, Kind::Reach, 0);
        lines.push_back({ea.x - v.x0, ea.y - v.y0, eb.x - v.x0, eb.y - v.y0});
    }
    // only the first zoom step is wanted: the sheet is the fitted view
    diagram::LabelPlacer placer(boxes, v.s, std::move(lines), allNames);
    placer.placeThrough(0);
    const auto& places = placer.places();
    for (std::size_t i = 0; i < texts.size() && i < places.size(); ++i) {
        const Text& t = texts[i];
        const diagram::LabelPlace& p = places[i];
        const bool whole = p.step == 0, nameOnly = !whole && p.nameStep == 0;
        if (!whole && !nameOnly) continue;  // no room at the fitted view: the window shows none either
        const std::size_t count = whole ? t.lines.size() : 1;
        double left = v.X(t.x) + (whole ? p.dx : p.nameDx), top = v.Y(t.y) + (whole ? p.dy : p.nameDy);
        const double w = whole ? boxes[i].width : boxes[i].nameWidth;
        const double h = static_cast<double>(count) * lh + 2 * padY;
        if (paper && (left < paper[0] || top < paper[1] || left + w > paper[2] || top + h > paper[3])) {
            const double ax = v.X(t.x), ay = v.Y(t.y);
            if (ax < cell[0] || ax > cell[2] || ay < cell[1] || ay > cell[3]) continue;
            left = std::clamp(left, paper[0], paper[2] - w);
            top = std::clamp(top, paper[1], paper[3] - h);
        }
        addRect(page, left, top, w, h, 0, 0, true, 0xFFFFFF);
        const std::uint32_t ink = t.kind == Kind::Reach ? 0x34547A : t.kind == Kind::Outfall ? 0x961E18 : 0x1E2228;
        for (std::size_t k = 0; k < count; ++k)
            addText(page, left + padX, top + padY + static_cast<double>(k) * lh + reports::ascentPt(label),
                    w - 2 * padX + 0.5, Align::Left, k == 0 && t.kind != Kind::Reach ? labelBold : label, t.lines[k],
                    k == 0 ? ink : 0x464C56);
    }
}

std::string scaleText(double ratio, bool metric) {
    return metric ? "1:" + vbFormat(ratio, "#,##0") : "1 in = " + vbFormat(ratio, "#,##0") + " ft";
}

/// Symbols and arrows a little smaller than on the screen, and smaller again on a crowded sheet.
double crowdedSymbolScale(std::size_t nodes) { return nodes > 2000 ? 0.25 : nodes > 300 ? 0.45 : 0.7; }

std::vector<std::size_t> everyIndex(std::size_t n) {
    std::vector<std::size_t> all(n);
    for (std::size_t i = 0; i < n; ++i) all[i] = i;
    return all;
}

}  // namespace

void layoutPlan(db::Database& db, Session& session, const std::string& system, int engMet, int displaySet,
                const SheetFrame& frame, const PlanSink& sink) {
    const Font titleFont{FontFamily::Sans, 12, true};
    const Font small{FontFamily::Sans, 7, false};
    const std::string title = "DRAINAGE PLAN - SYSTEM " + system;
    ui::SilentUi silent;
    auto data = diagram::loadDiagram(db, system, engMet, session, silent);
    if (!data || data->empty()) {
        Page page;
        addText(page, frame.left, frame.top + reports::ascentPt(titleFont), frame.bodyWidth(), Align::Left, titleFont,
                title);
        addText(page, frame.left, frame.top + 34, frame.bodyWidth(), Align::Left, Font{FontFamily::Sans, 9, false},
                "The system has no diagram positions to draw (coordinates missing or outside the diagram limits).");
        sink.page(std::move(page), "Plan");
        return;
    }
    const bool metric = engMet == 1;
    const PlanGrid grid = planGrid(*data, frame, metric);
    if (sink.countOnly) {
        if (grid.split()) sink.bookmark("Key plan");
        sink.page(Page{}, "Plan");
        for (const auto& cell : grid.cells) {
            sink.bookmark("Sheet " + cell.name);
            sink.page(Page{}, "Plan");
        }
        return;
    }

    PlanContext c{db, system, *data, diagram::Palette::builtIn(), reachEnds(*data), displaySet, {}, {}};
    if (auto loaded = diagram::Palette::load(diagram::installedPalettePath())) c.palette = *loaded;
    // the labels, made when the first sheet that prints them is drawn (a key plan has none)
    auto makeLabels = [&] {
        if (!c.nodeLabels.empty() || !c.reachLabels.empty()) return;
        diagram::LabelBuilder builder(db, system, diagram::displayOptionsOrEmpty(db, displaySet));
        c.nodeLabels.reserve(data->entities.size());
        for (const auto& e : data->entities)
            c.nodeLabels.push_back(e.outfall ? builder.outfallLabel() : builder.nodeLabel(e.name));
        c.reachLabels.reserve(data->relations.size());
        for (const auto& r : data->relations) c.reachLabels.push_back(builder.reachLabel(r.name));
    };
    const std::string unit = metric ? "m" : "ft";
    const std::string labelsOf = "labels of display option set " + std::to_string(displaySet);
    const Area area = drawingArea(frame);
    const std::size_t nodes = data->entities.size();
    const auto allEntities = everyIndex(nodes), allRelations = everyIndex(data->relations.size());

    // the whole system fitted: the one plan sheet, or the key plan of a plan set
    {
        Page page;
        addText(page, frame.left, frame.top + reports::ascentPt(titleFont), frame.bodyWidth(), Align::Left, titleFont,
                grid.split() ? title + " - KEY PLAN" : title);
        double ratio = 0;
        const double s = fittedScale(*data, area, metric, ratio);
        const double w = std::max(1.0, data->maxX - data->minX), h = std::max(1.0, data->maxY - data->minY);
        View v{data->minX, data->minY, area.left + kFitMargin + ((area.width() - 2 * kFitMargin) - w * s) / 2,
               area.top + kFitMargin + ((area.height() - 2 * kFitMargin) - h * s) / 2, s};
        const std::string sheets = grid.split()
                                       ? " The plan is drawn on sheets P-1 to " + grid.cells.back().name +
                                             ", outlined and named here, at " +
                                             (data->northUp ? scaleText(grid.ratio, metric)
                                                            : vbFormat(grid.scale / s, "0.0") + " times this size") +
                                             ", with the " + labelsOf + "."
                                       : std::string();
        if (data->northUp)
            addText(page, frame.left, frame.top + 26, frame.bodyWidth(), Align::Left, small,
                    std::string(grid.split() ? "Key plan" : "Plan") + " in survey coordinates, north up; scale " +
                        scaleText(ratio, metric) + (grid.split() ? "." + sheets : "; " + labelsOf + "."));
        else
            addText(page, frame.left, frame.top + 26, frame.bodyWidth(), Align::Left, small,
                    grid.split()
                        ? "Key plan of the schematic network diagram (not to scale)." + sheets
                        : "Schematic network diagram in diagram coordinates (not to scale); " + labelsOf + ".");
        const double symbolScale = crowdedSymbolScale(nodes);
        if (grid.split() && sink.ahead) {
            // the reaches, then the symbols, a few thousand at a time, each piece drawn and let go
            constexpr std::size_t kPiece = 4096;
            auto pieces = [&](std::size_t count, bool reaches) {
                for (std::size_t from = 0; from < count; from += kPiece) {
                    std::vector<std::size_t> some(std::min(kPiece, count - from));
                    for (std::size_t i = 0; i < some.size(); ++i) some[i] = from + i;
                    Page part;
                    drawNetwork(part, c, v, reaches ? std::vector<std::size_t>{} : some,
                                reaches ? some : std::vector<std::size_t>{}, symbolScale, nullptr, true);
                    sink.ahead(std::move(part));
                }
            };
            pieces(data->relations.size(), true);
            pieces(nodes, false);
        } else {
            drawNetwork(page, c, v, allEntities, allRelations, symbolScale, nullptr, grid.split());
        }
        if (!grid.split()) {
            makeLabels();
            drawLabels(page, c, v, allEntities, allRelations, symbolScale, nodes <= diagram::kAllNamesUpTo,
                       nullptr, {});
        } else {
            // the grid of sheets over the network, each cell named in the middle; where the cells
            // are smaller than their names, a name goes only where it covers no other, so the
            // numbering can be followed along the rows
            const double cellW = grid.cellWidth * s, cellH = grid.cellHeight * s;
            const Font name{FontFamily::Sans, std::clamp(std::min(cellH * 0.35, cellW * 0.2), 4.0, 12.0), true};
            // a cell larger than the network is cut at the edge of the drawing area
            auto shown = [&](const PlanCell& cell) {
                return std::array<double, 4>{std::max(area.left, v.X(cell.left)), std::max(area.top, v.Y(cell.top)),
                                             std::min(area.right, v.X(cell.right)),
                                             std::min(area.bottom, v.Y(cell.bottom))};
            };
            for (const auto& cell : grid.cells) {
                const auto r = shown(cell);
                addRect(page, r[0], r[1], r[2] - r[0], r[3] - r[1], std::clamp(cellH / 10, 0.15, 0.6), 0x1F5FA8);
            }
            const double th = reports::lineHeightPt(name), bucket = 4 * th;
            std::unordered_map<long long, std::vector<std::array<double, 4>>> taken;  // named boxes by bucket
            auto keyOf = [bucket](double x, double y) {
                return (static_cast<long long>(std::floor(x / bucket)) << 32) ^
                       (static_cast<long long>(std::floor(y / bucket)) & 0xffffffffLL);
            };
            bool skipped = false;
            for (const auto& cell : grid.cells) {
                const double tw = reports::textWidthPt(cell.name, name) + 2;
                const auto r = shown(cell);
                const double cx = (r[0] + r[2]) / 2, cy = (r[1] + r[3]) / 2;
                const std::array<double, 4> box{cx - tw / 2, cy - th / 2, cx + tw / 2, cy + th / 2};
                bool free = true;
                for (double bx = box[0] - bucket; bx <= box[2] + bucket && free; bx += bucket)
                    for (double by = box[1] - bucket; by <= box[3] + bucket && free; by += bucket) {
                        auto it = taken.find(keyOf(bx, by));
                        if (it == taken.end()) continue;
                        for (const auto& o : it->second)
                            free = free && (box[2] <= o[0] || o[2] <= box[0] || box[3] <= o[1] || o[3] <= box[1]);
                    }
                if (!free) {
                    skipped = true;
                    continue;
                }
                taken[keyOf(cx, cy)].push_back(box);
                addRect(page, box[0], box[1], tw, th, 0, 0, true, 0xFFFFFF);
                addText(page, box[0], box[1] + reports::ascentPt(name), tw, Align::Center, name, cell.name, 0x1F5FA8);
            }
            if (skipped)
                addText(page, frame.left, frame.top + 34, frame.bodyWidth(), Align::Left, small,
                        "Sheets too small here to carry their names are numbered along the rows of the grid, from the "
                        "top left, left to right, between the names shown.");
        }
        if (data->northUp) {
            drawNorthArrow(page, area.right - 24, area.top + 6);
            drawScaleBar(page, area.left, area.bottom - 4, s, unit, small);
        }
        if (grid.split()) sink.bookmark("Key plan");
        sink.page(std::move(page), grid.split() ? "Key plan" : "Plan");
    }
    if (!grid.split()) return;

    makeLabels();
    // what each sheet draws: the nodes and reaches inside its cell and the overlap around it
    std::vector<std::vector<std::size_t>> sheetNodes(grid.cells.size()), sheetReaches(grid.cells.size());
    auto cellRange = [&](double lo, double hi, double origin, double size, int count) {
        return std::pair{std::max(0, static_cast<int>(std::floor((lo - grid.overlap - origin) / size))),
                         std::min(count - 1, static_cast<int>(std::floor((hi + grid.overlap - origin) / size)))};
    };
    auto windowOf = [&](const PlanCell& cell) {
        return std::array<double, 4>{cell.left - grid.overlap, cell.top - grid.overlap, cell.right + grid.overlap,
                                     cell.bottom + grid.overlap};
    };
    for (std::size_t k = 0; k < nodes; ++k) {
        const auto& e = data->entities[k];
        const auto [c0, c1] = cellRange(e.x, e.x, grid.originX, grid.cellWidth, grid.columns);
        const auto [r0, r1] = cellRange(e.y, e.y, grid.originY, grid.cellHeight, grid.rows);
        for (int col = c0; col <= c1; ++col)
            for (int row = r0; row <= r1; ++row)
                if (int i = grid.at(col, row); i >= 0) {
                    const auto win = windowOf(grid.cells[static_cast<std::size_t>(i)]);
                    if (e.x >= win[0] && e.x <= win[2] && e.y >= win[1] && e.y <= win[3])
                        sheetNodes[static_cast<std::size_t>(i)].push_back(k);
                }
    }
    for (std::size_t k = 0; k < data->relations.size(); ++k) {
        const Ends& r = c.ends[k];
        if (r.from == SIZE_MAX) continue;
        const auto& a = data->entities[r.from];
        const auto& b = data->entities[r.to];
        const auto [c0, c1] =
            cellRange(std::min(a.x, b.x), std::max(a.x, b.x), grid.originX, grid.cellWidth, grid.columns);
        const auto [r0, r1] =
            cellRange(std::min(a.y, b.y), std::max(a.y, b.y), grid.originY, grid.cellHeight, grid.rows);
        for (int col = c0; col <= c1; ++col)
            for (int row = r0; row <= r1; ++row)
                if (int i = grid.at(col, row); i >= 0) {
                    const auto win = windowOf(grid.cells[static_cast<std::size_t>(i)]);
                    if (diagram::segmentMeetsBox(a.x, a.y, b.x, b.y, win[0], win[1], win[2], win[3]))
                        sheetReaches[static_cast<std::size_t>(i)].push_back(k);
                }
    }

    const Font matchFont{FontFamily::Sans, 6.5, true};
    double keyRatio = 0;
    const double keyScale = fittedScale(*data, area, metric, keyRatio);
    const std::string scaleNote = data->northUp ? "survey coordinates, north up; scale " + scaleText(grid.ratio, metric)
                                                : "schematic network diagram (not to scale), every sheet at " +
                                                      vbFormat(grid.scale / keyScale, "0.0") +
                                                      " times the key plan";
    for (std::size_t i = 0; i < grid.cells.size(); ++i) {
        const PlanCell& cell = grid.cells[i];
        const auto win = windowOf(cell);
        Page page;
        addText(page, frame.left, frame.top + reports::ascentPt(titleFont), frame.bodyWidth(), Align::Left, titleFont,
                title + " - SHEET " + cell.name);
        addText(page, frame.left, frame.top + 26, frame.bodyWidth(), Align::Left, small,
                "Plan sheet " + cell.name + " of P-1 to " + grid.cells.back().name + ", " + scaleNote + "; " +
                    labelsOf + ". Match lines name the adjoining sheets.");
        const View v{win[0], win[1], area.left, area.top, grid.scale};
        std::vector<diagram::LabelObstacleLine> keep;
        keepOff(keep, v, area.left, area.top, area.right, area.bottom);  // labels stay on the sheet
        drawNetwork(page, c, v, sheetNodes[i], sheetReaches[i], 0.7, win.data());

        // match lines on the cell's edges that another printed sheet shares, each named by it
        struct Match {
            int dc, dr;
        };
        std::vector<std::function<void()>> tags;
        for (const Match m : {Match{-1, 0}, Match{1, 0}, Match{0, -1}, Match{0, 1}}) {
            const int other = grid.at(cell.column + m.dc, cell.row + m.dr);
            if (other < 0) continue;
            const double l = v.X(cell.left), t = v.Y(cell.top), r = v.X(cell.right), b = v.Y(cell.bottom);
            const double x1 = m.dc > 0 ? r : l, x2 = m.dc < 0 ? l : r, y1 = m.dr > 0 ? b : t, y2 = m.dr < 0 ? t : b;
            addLine(page, x1, y1, x2, y2, 1.4, 0x5A1E8C, reports::Shape::Dash::Dashed);
            const std::string first = "MATCH LINE",
                              second = "SEE SHEET " + grid.cells[static_cast<std::size_t>(other)].name;
            const double lh = reports::lineHeightPt(matchFont);
            const double bw =
                std::max(reports::textWidthPt(first, matchFont), reports::textWidthPt(second, matchFont)) + 4;
            const double bh = 2 * lh + 2;
            const double bx = m.dc < 0 ? l + 3 : m.dc > 0 ? r - 3 - bw : (l + r - bw) / 2;
            const double by = m.dr < 0 ? t + 3 : m.dr > 0 ? b - 3 - bh : (t + b - bh) / 2;
            keepOff(keep, v, bx, by, bx + bw, by + bh);
            // drawn over the labels, which a crowded sheet may have to put anywhere
            tags.push_back([&page, &matchFont, bx, by, bw, bh, lh, first, second] {
                addRect(page, bx, by, bw, bh, 0.5, 0x5A1E8C, true, 0xFFFFFF);
                addText(page, bx + 2, by + 1 + reports::ascentPt(matchFont), bw - 4, Align::Center, matchFont, first,
                        0x5A1E8C);
                addText(page, bx + 2, by + 1 + lh + reports::ascentPt(matchFont), bw - 4, Align::Center, matchFont,
                        second, 0x5A1E8C);
            });
        }
        if (data->northUp) {
            keepOff(keep, v, area.right - 28, area.top + 2, area.right - 2, area.top + 52);
            keepOff(keep, v, area.left, area.bottom - 24, area.left + 170, area.bottom);
        }
        const double paper[4] = {area.left, area.top, area.right, area.bottom};
        const double inner[4] = {v.X(cell.left), v.Y(cell.top), v.X(cell.right), v.Y(cell.bottom)};
        drawLabels(page, c, v, sheetNodes[i], sheetReaches[i], 0.7, true, win.data(), std::move(keep), paper,
                   inner);
        for (const auto& tag : tags) tag();
        if (data->northUp) {
            addRect(page, area.right - 28, area.top + 2, 26, 50, 0, 0, true, 0xFFFFFF);
            drawNorthArrow(page, area.right - 24, area.top + 6);
            addRect(page, area.left, area.bottom - 24, 170, 24, 0, 0, true, 0xFFFFFF);
            drawScaleBar(page, area.left + 10, area.bottom - 4, grid.scale, unit, small);
        }
        sink.bookmark("Sheet " + cell.name);
        sink.page(std::move(page),
                  "Plan sheet " + cell.name + (data->northUp ? " (" + scaleText(grid.ratio, metric) + ")" : ""));
    }
}

}  // namespace kolv::submittal
