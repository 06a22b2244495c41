// Profile sheets: runs of the network drawn from the profile model at one scale, split at structures.
#include "submittal/profile_sheets.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <limits>
#include <map>
#include <optional>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "diagram/label_placement.h"
#include "review/check_storms.h"

namespace kolv::submittal {

using hydraulics::ProfileGeometry;
using hydraulics::ProfileLabel;
using hydraulics::ProfileModel;
using hydraulics::ProfilePoint;
using hydraulics::ProfileRow;
using reports::Align;
using reports::Font;
using reports::FontFamily;
using reports::Page;
using reports::Shape;

std::vector<ProfileRun> profileRuns(const ProfileModel& model) {
    const auto& rows = model.rows();
    const int n = static_cast<int>(rows.size());
    std::map<std::string, int> byName;
    for (int i = 0; i < n; ++i) byName.emplace(toUpper(rows[static_cast<std::size_t>(i)].from), i);
    std::vector<std::vector<int>> children(static_cast<std::size_t>(n));
    std::vector<int> roots;
    const std::string outfall = toUpper(model.outfall().name);
    for (int i = 0; i < n; ++i) {
        const std::string to = toUpper(rows[static_cast<std::size_t>(i)].to);
        auto it = byName.find(to);
        if (it == byName.end() || to == outfall || it->second == i) roots.push_back(i);
        else children[static_cast<std::size_t>(it->second)].push_back(i);
    }
    // longest line upstream of every row (ft), without recursion: a long system is deep
    std::vector<double> up(static_cast<std::size_t>(n), -1);
    std::vector<char> state(static_cast<std::size_t>(n), 0);  // 0 new, 1 open, 2 done
    for (int r : roots) {
        std::vector<int> stack = {r};
        while (!stack.empty()) {
            int i = stack.back();
            auto ui = static_cast<std::size_t>(i);
            if (state[ui] == 0) {
                state[ui] = 1;
                for (int c : children[ui])
                    if (state[static_cast<std::size_t>(c)] == 0) stack.push_back(c);
                continue;
            }
            stack.pop_back();
            if (state[ui] == 2) continue;
            double best = 0;
            for (int c : children[ui]) best = std::max(best, std::max(0.0, up[static_cast<std::size_t>(c)]));
            up[ui] = rows[ui].lengthFt + best;
            state[ui] = 2;
        }
    }
    std::stable_sort(roots.begin(), roots.end(),
                     [&](int a, int b) { return up[static_cast<std::size_t>(a)] > up[static_cast<std::size_t>(b)]; });
    std::deque<std::pair<int, int>> queue;  // (lowest row of the run, junction row or -1)
    for (int r : roots) queue.emplace_back(r, -1);
    std::vector<ProfileRun> runs;
    std::vector<char> used(static_cast<std::size_t>(n), 0);
    bool first = true;
    while (!queue.empty()) {
        auto [low, junction] = queue.front();
        queue.pop_front();
        std::vector<int> chain;
        int cur = low;
        while (cur >= 0 && !used[static_cast<std::size_t>(cur)]) {
            used[static_cast<std::size_t>(cur)] = 1;
            chain.push_back(cur);
            const auto& ch = children[static_cast<std::size_t>(cur)];
            int best = -1;
            for (int c : ch)
                if (!used[static_cast<std::size_t>(c)] &&
                    (best < 0 || up[static_cast<std::size_t>(c)] > up[static_cast<std::size_t>(best)]))
                    best = c;
            for (int c : ch)
                if (c != best && !used[static_cast<std::size_t>(c)]) queue.emplace_back(c, cur);
            cur = best;
        }
        if (chain.empty()) continue;
        ProfileRun run;
        run.rows.assign(chain.rbegin(), chain.rend());
        run.start = rows[static_cast<std::size_t>(run.rows.front())].from;
        if (junction >= 0) {
            run.rows.push_back(junction);
            run.end = rows[static_cast<std::size_t>(junction)].from;
        } else {
            run.end = rows[static_cast<std::size_t>(low)].to;
        }
        run.trunk = first;
        first = false;
        runs.push_back(std::move(run));
    }
    return runs;
}

namespace {

constexpr std::uint32_t kGround = 0x8B5A2B, kPipeFill = 0xD7DBE0, kPipeLine = 0x282828, kDitch = 0x556B2F,
                        kHgl = 0x005AC8, kEgl = 0xC81E1E, kCritical = 0x008C3C, kGrid = 0xDDDDDD;

/// Geometry of one run, ending at its junction for a branch.
struct RunDrawing {
    ProfileGeometry g;
    double xStart = 0, xEnd = 0;
    std::vector<std::vector<ProfilePoint>> checkHgl;  ///< grade line of each check storm, as `g.hgl`
};

/// Colours of the check storms' grade lines, in the order the scenarios were first run.
constexpr std::uint32_t kCheckColors[] = {0x8E44AD, 0xE67E22, 0x16A085, 0xC2185B, 0x795548};
std::uint32_t checkColor(std::size_t i) { return kCheckColors[i % (sizeof kCheckColors / sizeof kCheckColors[0])]; }

RunDrawing drawingOf(const ProfileModel& model, const ProfileRun& run, bool metric,
                     const std::vector<review::Scenario>& scenarios = {}) {
    std::vector<ProfileRow> sub;
    sub.reserve(run.rows.size());
    for (int i : run.rows) sub.push_back(model.rows()[static_cast<std::size_t>(i)]);
    hydraulics::ProfileOutfall out = model.outfall();
    if (!equalsIgnoreCase(sub.back().to, out.name)) out = {};
    ProfileModel part(std::move(sub), out);
    RunDrawing d;
    d.g = part.build(run.start, metric);
    d.xStart = d.g.xMin;
    d.xEnd = d.g.xMax;
    if (!run.trunk)
        for (const auto& s : d.g.structures)
            if (equalsIgnoreCase(s.name, run.end)) d.xEnd = s.x;
    // each check storm's grade line over the same stations: at the node, then along its pipe
    std::map<std::string, double> at;
    for (const auto& s : d.g.structures) at.emplace(toUpper(s.name), s.x);
    const double k = metric ? units::kMetersPerFoot : 1.0;
    for (const auto& sc : scenarios) {
        std::map<std::string, const review::Scenario::Node*> byNode;
        for (const auto& n : sc.nodes) byNode.emplace(toUpper(n.node), &n);
        std::vector<ProfilePoint> line;
        for (std::size_t i = 0; i + 1 < d.g.path.size(); ++i) {
            auto n = byNode.find(toUpper(d.g.path[i]));
            auto x0 = at.find(toUpper(d.g.path[i])), x1 = at.find(toUpper(d.g.path[i + 1]));
            if (n == byNode.end() || x0 == at.end() || x1 == at.end()) continue;
            line.push_back({x0->second, n->second->hglAtNodeFt * k});
            line.push_back({x0->second, n->second->hglUpFt * k});
            line.push_back({x1->second, n->second->hglDnFt * k});
        }
        d.checkHgl.push_back(std::move(line));
    }
    return d;
}

/// Splits a run into windows no wider than `width` (display units), ending at structures where it can.
std::vector<std::pair<double, double>> windowsOf(const RunDrawing& d, double width) {
    std::vector<double> at;
    for (const auto& s : d.g.structures)
        if (s.x >= d.xStart - 1e-9 && s.x <= d.xEnd + 1e-9) at.push_back(s.x);
    std::sort(at.begin(), at.end());
    std::vector<std::pair<double, double>> out;
    double s = d.xStart;
    const double eps = 1e-6 * std::max(1.0, width);
    // sheets of about equal length: the last one not a short remainder of the run
    const double sheets = std::max(1.0, std::ceil((d.xEnd - d.xStart) / width - 1e-9));
    const double share = (d.xEnd - d.xStart) / sheets;
    while (out.empty() || s < d.xEnd - eps) {
        double end;
        if (d.xEnd - s <= width + eps) {
            end = d.xEnd;
        } else {
            // the structure nearest an even share, on this sheet
            end = s + width;
            bool found = false;
            const auto last = std::upper_bound(at.begin(), at.end(), s + width + eps);
            for (auto it = std::upper_bound(at.begin(), at.end(), s + eps); it != last; ++it)
                if (!found || std::abs(*it - (s + share)) < std::abs(end - (s + share))) end = *it, found = true;
        }
        out.emplace_back(s, end);
        s = end;
        if (out.size() > 100000) break;
    }
    return out;
}

std::optional<std::pair<ProfilePoint, ProfilePoint>> clip(ProfilePoint a, ProfilePoint b, double xa, double xb) {
    if (a.x > b.x) std::swap(a, b);
    if (b.x < xa - 1e-9 || a.x > xb + 1e-9) return std::nullopt;
    auto at = [&](double x) {
        if (b.x - a.x < 1e-12) return a.y;
        return a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
    };
    ProfilePoint p = a, q = b;
    if (p.x < xa) p = {xa, at(xa)};
    if (q.x > xb) q = {xb, at(xb)};
    return std::make_pair(p, q);
}

/// Every line of the drawing inside a window (display units), for the extent and for drawing.
struct Clipped {
    std::vector<std::vector<ProfilePoint>> ground, hgl, egl, critical;
    std::vector<std::vector<std::vector<ProfilePoint>>> checkHgl;  ///< per check storm
    struct Pipe {
        ProfilePoint i0, i1, c0, c1;
        bool ditch;
    };
    std::vector<Pipe> pipes;
    std::vector<const hydraulics::ProfileStructure*> structures;
    double yLo = std::numeric_limits<double>::max(), yHi = -std::numeric_limits<double>::max();
    void extend(const ProfilePoint& p) {
        yLo = std::min(yLo, p.y);
        yHi = std::max(yHi, p.y);
    }
};

void clipLine(const std::vector<ProfilePoint>& line, double xa, double xb, std::vector<std::vector<ProfilePoint>>& out,
              Clipped& c) {
    std::vector<ProfilePoint> cur;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        auto s = clip(line[i], line[i + 1], xa, xb);
        if (!s) {
            if (cur.size() > 1) out.push_back(cur);
            cur.clear();
            continue;
        }
        bool forward = line[i].x <= line[i + 1].x;
        ProfilePoint p = forward ? s->first : s->second, q = forward ? s->second : s->first;
        if (cur.empty()) cur.push_back(p);
        cur.push_back(q);
        c.extend(p);
        c.extend(q);
    }
    if (cur.size() > 1) out.push_back(cur);
}

Clipped clipDrawing(const RunDrawing& d, double xa, double xb) {
    const ProfileGeometry& g = d.g;
    Clipped c;
    for (const auto& line : d.checkHgl) {
        c.checkHgl.emplace_back();
        clipLine(line, xa, xb, c.checkHgl.back(), c);
    }
    clipLine(g.ground, xa, xb, c.ground, c);
    clipLine(g.hgl, xa, xb, c.hgl, c);
    for (const auto& seg : g.egl) clipLine(seg, xa, xb, c.egl, c);
    for (const auto& seg : g.critical) clipLine(seg, xa, xb, c.critical, c);
    for (const auto& p : g.pipes) {
        auto inv = clip({p.x0, p.invert0}, {p.x1, p.invert1}, xa, xb);
        auto crn = clip({p.x0, p.crown0}, {p.x1, p.crown1}, xa, xb);
        if (!inv || !crn) continue;
        if (inv->second.x - inv->first.x < 1e-9 && p.x1 - p.x0 > 1e-9) continue;  // touches the window only
        c.pipes.push_back({inv->first, inv->second, crn->first, crn->second, p.ditch});
        c.extend(inv->first);
        c.extend(inv->second);
        c.extend(crn->first);
        c.extend(crn->second);
    }
    for (const auto& s : g.structures)
        if (s.x >= xa - 1e-9 && s.x <= xb + 1e-9) {
            c.structures.push_back(&s);
            c.extend({s.x, s.bottom});
            c.extend({s.x, s.top});
        }
    if (c.yLo > c.yHi) c.yLo = c.yHi = 0;
    return c;
}

/// Engineering scales: display units per inch of paper, smallest first.
const std::vector<double>& horizontalScales(bool metric) {
    static const std::vector<double> ft = {5, 10, 20, 30, 40, 50, 60, 100, 200, 300, 400, 500, 1000, 2000, 5000, 10000};
    static const std::vector<double> m = {50, 100, 200, 250, 500, 1000, 2000, 2500, 5000, 10000, 20000, 50000};
    return metric ? m : ft;
}
const std::vector<double>& verticalScales(bool metric) {
    static const std::vector<double> ft = {1, 2, 2.5, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 5000};
    static const std::vector<double> m = {10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 2500, 5000, 10000, 50000};
    return metric ? m : ft;
}
/// Display units per point of a scale from the lists above.
double unitsPerPt(double scale, bool metric) { return metric ? scale * units::kMetersPerInch / units::kPointsPerInch : scale / units::kPointsPerInch; }
std::string scaleText(double scale, bool metric) {
    return metric ? "1:" + shortestText(scale) : "1 in = " + shortestText(scale) + " ft";
}

/// The parts of a profile sheet (pt).
struct SheetLayout {
    double plotL, plotR, plotT, plotB;
    double padX = 26, padTop = 50, padBottom = 58;
    double dataWidth() const { return plotR - plotL - 2 * padX; }
    double dataHeight() const { return plotB - plotT - padTop - padBottom; }
};

SheetLayout sheetLayout(const SheetFrame& f) {
    SheetLayout s;
    s.plotL = f.left + 44;
    s.plotR = f.right - 4;
    s.plotT = f.top + 30;
    s.plotB = f.bottom - 16 - 26;
    return s;
}

struct Rect {
    double l, t, r, b;
    bool intersects(const Rect& o) const { return l < o.r && o.l < r && t < o.b && o.t < b; }
    /// Whether the segment from (x0, y0) to (x1, y1) passes through the rectangle.
    bool crossedBy(double x0, double y0, double x1, double y1) const {
        return diagram::segmentMeetsBox(x0, y0, x1, y1, l, t, r, b);
    }
};

/// A run, or the part of a run, drawn on a sheet: its stations, elevations and place across the sheet.
struct Piece {
    std::size_t run = 0;
    double xa = 0, xb = 0;    ///< stations shown
    double yLo = 0, yHi = 0;  ///< extent of its drawing
    int part = 1, parts = 1;  ///< sheet of its run
    double slotLeft = 0, slotWidth = 0;  ///< pt, across the data band
};

/// One entry of the legend: its symbol and what it stands for.
struct LegendEntry {
    enum class Symbol { Line, Pipe, Structure } symbol = Symbol::Line;
    std::string text;
    std::uint32_t color = 0;
    double widthPt = 1;
    Shape::Dash dash = Shape::Dash::Solid;
};

constexpr double kLegendRowPt = 10;  ///< from one row of the legend to the next

std::vector<LegendEntry> legendEntries(bool anyCritical, const std::vector<std::string>& checkStorms) {
    std::vector<LegendEntry> out;
    out.push_back({LegendEntry::Symbol::Line, "Ground / rim", kGround, 1.3, Shape::Dash::Solid});
    out.push_back({LegendEntry::Symbol::Pipe, "Pipe (invert and crown)"});
    out.push_back({LegendEntry::Symbol::Line, "HGL", kHgl, 1.3, Shape::Dash::Solid});
    out.push_back({LegendEntry::Symbol::Line, "EGL", kEgl, 0.8, Shape::Dash::Dashed});
    if (anyCritical) out.push_back({LegendEntry::Symbol::Line, "Critical depth", kCritical, 0.7, Shape::Dash::Dotted});
    out.push_back({LegendEntry::Symbol::Structure, "Structure"});
    for (std::size_t i = 0; i < checkStorms.size(); ++i)
        out.push_back({LegendEntry::Symbol::Line, "HGL, check storm " + checkStorms[i], checkColor(i), 1.0,
                       Shape::Dash::Dashed});
    return out;
}

/// Room an entry takes across the legend: symbol, gap, text, gap (pt).
double legendWidth(const LegendEntry& e) {
    return 23 + reports::textWidthPt(e.text, Font{FontFamily::Sans, 7, false}) + 14;
}

/// Rows the legend takes under a plot from `left` to `right` (every check storm listed).
int legendRows(const std::vector<LegendEntry>& entries, double left, double right) {
    int rows = 1;
    double x = left;
    for (const auto& e : entries) {
        const double w = legendWidth(e);
        if (x > left && x + w > right) x = left, ++rows;
        x += w;
    }
    return rows;
}

/// The frame of a profile sheet: title, scales, elevation grid and axis, legend.
void drawSheetFrame(Page& page, const SheetLayout& L, double ya, const ProfileScale& sc, const std::string& title,
                    const std::string& lengthUnit, bool metric, bool anyCritical,
                    const std::vector<std::string>& checkStorms) {
    const Font titleFont{FontFamily::Sans, 11, true};
    const Font small{FontFamily::Sans, 7, false};
    auto Y = [&](double y) { return L.plotB - L.padBottom - (y - ya) / sc.vertical; };
    const double yLo = ya - L.padBottom * sc.vertical, yHi = ya + (L.plotB - L.plotT - L.padBottom) * sc.vertical;
    addText(page, L.plotL - 44, L.plotT - 16, (L.plotR - L.plotL) * 0.6, Align::Left, titleFont, title);
    addText(page, L.plotL + (L.plotR - L.plotL) * 0.4, L.plotT - 16, (L.plotR - L.plotL) * 0.6, Align::Right, small,
            sc.text);
    const double yStep = hydraulics::niceStep(28 * sc.vertical);
    const std::string ep = metric || yStep < 1 ? (yStep < 0.1 ? "0.00" : "0.0") : "0";
    for (double y = std::ceil(yLo / yStep) * yStep; y <= yHi + 1e-9; y += yStep) {
        addLine(page, L.plotL, Y(y), L.plotR, Y(y), 0.3, kGrid);
        addLine(page, L.plotL - 3, Y(y), L.plotL, Y(y), 0.5);
        if (Y(y) < L.plotT + 7) continue;  // would run into the axis title above it
        addText(page, L.plotL - 44, Y(y) + 2.3, 40, Align::Right, small, vbFormat(y, ep));
    }
    addText(page, L.plotL, L.plotB + 20, L.plotR - L.plotL, Align::Center, small, "Station (" + lengthUnit + ")");
    addText(page, L.plotL - 44, L.plotT - 1.5, 42, Align::Right, small, "Elev. (" + lengthUnit + ")");

    // legend under the station axis, in as many rows as it needs
    double lx = L.plotL, ly = L.plotB + 34;
    for (const LegendEntry& e : legendEntries(anyCritical, checkStorms)) {
        const double w = legendWidth(e);
        if (lx > L.plotL && lx + w > L.plotR) lx = L.plotL, ly += kLegendRowPt;
        switch (e.symbol) {
        case LegendEntry::Symbol::Line: addLine(page, lx, ly - 2.5, lx + 20, ly - 2.5, e.widthPt, e.color, e.dash); break;
        case LegendEntry::Symbol::Pipe: addRect(page, lx, ly - 5, 20, 5, 0.6, kPipeLine, true, kPipeFill); break;
        case LegendEntry::Symbol::Structure: addRect(page, lx + 7, ly - 8, 6, 9, 0.8, 0, true, 0xFFFFFF); break;
        }
        addText(page, lx + 23, ly, w, Align::Left, small, e.text);
        lx += w;
    }
}

/// One piece on its sheet: station grid and axis under it, the drawing and its labels.
void drawPiece(Page& page, const SheetLayout& L, const ProfileGeometry& g, const Clipped& c, const Piece& piece,
               double ya, const ProfileScale& sc, const std::string& caption, bool metric) {
    const Font small{FontFamily::Sans, 7, false};
    const Font captionFont{FontFamily::Sans, 7.5, true};
    const Font label{FontFamily::Sans, 6.5, false};
    const Font labelBold{FontFamily::Sans, 6.5, true};
    const double xa = piece.xa, xb = piece.xb;
    const double drawWidth = (xb - xa) / sc.horizontal;
    const double left = L.plotL + L.padX + piece.slotLeft + (piece.slotWidth - drawWidth) / 2;
    auto X = [&](double x) { return left + (x - xa) / sc.horizontal; };
    auto Y = [&](double y) { return L.plotB - L.padBottom - (y - ya) / sc.vertical; };
    // the band of the sheet this piece owns (pt): its slot and half the gap on each side
    const double bandL = L.plotL + piece.slotLeft;
    const double bandR = L.plotL + 2 * L.padX + piece.slotLeft + piece.slotWidth;
    const double xLo = xa - (left - bandL) * sc.horizontal, xHi = xa + (bandR - left) * sc.horizontal;
    if (!caption.empty()) addText(page, bandL + 4, L.plotT + 10, bandR - bandL - 8, Align::Left, captionFont, caption);

    const double xStep = hydraulics::niceStep(70 * sc.horizontal);
    // a run shorter than a grid step is labelled at its ends instead of at the grid lines
    const bool shortRun = (xb - xa) < xStep;
    for (double x = std::ceil(xLo / xStep) * xStep; x <= xHi + 1e-9; x += xStep) {
        if (X(x) < bandL + 1 || X(x) > bandR - 1) continue;
        addLine(page, X(x), L.plotT + (caption.empty() ? 0 : 13), X(x), L.plotB, 0.3, kGrid);  // not through the caption
        if (shortRun) continue;
        addLine(page, X(x), L.plotB, X(x), L.plotB + 3, 0.5);
        // a station is labelled only inside its own band: at a band's edge it would meet the
        // first station of the run beside it
        const std::string text = hydraulics::stationText(x, metric);
        const double half = reports::textWidthPt(text, small) / 2 + 2;
        if (X(x) - half < bandL || X(x) + half > bandR) continue;
        addText(page, X(x) - 30, L.plotB + 10, 60, Align::Center, small, text);
    }
    if (shortRun) {
        addLine(page, X(xa), L.plotB, X(xa), L.plotB + 3, 0.5);
        addLine(page, X(xb), L.plotB, X(xb), L.plotB + 3, 0.5);
        if (X(xb) - X(xa) >= 40) {
            addText(page, X(xa) - 30, L.plotB + 10, 60, Align::Center, small, hydraulics::stationText(xa, metric));
            addText(page, X(xb) - 30, L.plotB + 10, 60, Align::Center, small, hydraulics::stationText(xb, metric));
        } else {
            addText(page, (X(xa) + X(xb)) / 2 - 50, L.plotB + 10, 100, Align::Center, small,
                    hydraulics::stationText(xa, metric) + " - " + hydraulics::stationText(xb, metric));
        }
    }
    auto poly = [&](const std::vector<ProfilePoint>& pts, double w, std::uint32_t color, Shape::Dash dash) {
        Shape s;
        for (const auto& p : pts) s.points.emplace_back(X(p.x), Y(p.y));
        s.widthPt = w;
        s.color = color;
        s.dash = dash;
        page.shapes.push_back(std::move(s));
    };
    for (const auto& l : c.ground) poly(l, 1.3, kGround, Shape::Dash::Solid);
    // ground hatching: short ticks under the line
    for (const auto& l : c.ground)
        for (std::size_t i = 0; i + 1 < l.size(); ++i) {
            double x0 = X(l[i].x), y0 = Y(l[i].y), x1 = X(l[i + 1].x), y1 = Y(l[i + 1].y);
            double len = std::hypot(x1 - x0, y1 - y0);
            for (double t = 4; t < len; t += 7) {
                double px = x0 + (x1 - x0) * t / len, py = y0 + (y1 - y0) * t / len;
                addLine(page, px, py, px - 2.5, py + 3.5, 0.4, kGround);
            }
        }
    for (const auto& p : c.pipes) {
        if (p.ditch) {
            poly({p.i0, p.i1}, 1.4, kDitch, Shape::Dash::Solid);
            continue;
        }
        Shape s;
        s.points = {{X(p.i0.x), Y(p.i0.y)}, {X(p.i1.x), Y(p.i1.y)}, {X(p.c1.x), Y(p.c1.y)}, {X(p.c0.x), Y(p.c0.y)}};
        s.closed = true;
        s.filled = true;
        s.fill = kPipeFill;
        s.widthPt = 0;
        page.shapes.push_back(std::move(s));
        poly({p.i0, p.i1}, 0.9, kPipeLine, Shape::Dash::Solid);
        poly({p.c0, p.c1}, 0.9, kPipeLine, Shape::Dash::Solid);
    }
    const double boxW = 6;
    std::vector<Rect> structureBoxes;
    for (const auto* s : c.structures) {
        double top = Y(s->top), bottom = Y(s->bottom);
        if (s->outfall) {
            addLine(page, X(s->x), top - 3, X(s->x), bottom + 3, 2.2);
            structureBoxes.push_back({X(s->x) - 2, top - 3, X(s->x) + 2, bottom + 3});
            continue;
        }
        addRect(page, X(s->x) - boxW / 2, top, boxW, std::max(1.5, bottom - top), 0.8, 0, true, 0xFFFFFF);
        structureBoxes.push_back({X(s->x) - boxW / 2, top, X(s->x) + boxW / 2, std::max(top + 1.5, bottom)});
    }
    for (const auto& l : c.critical) poly(l, 0.7, kCritical, Shape::Dash::Dotted);
    for (const auto& l : c.egl) poly(l, 0.8, kEgl, Shape::Dash::Dashed);
    for (std::size_t i = 0; i < c.checkHgl.size(); ++i)
        for (const auto& l : c.checkHgl[i]) poly(l, 1.0, checkColor(i), Shape::Dash::Dashed);
    for (const auto& l : c.hgl) poly(l, 1.3, kHgl, Shape::Dash::Solid);
    for (const auto* s : c.structures)
        if (s->outfall) {
            double tx = X(s->x), ty = Y(g.tailwater);
            addLine(page, tx - 12, ty, tx + 6, ty, 0.9, kHgl);
            Shape tri;
            tri.points = {{tx - 7, ty - 6}, {tx - 1, ty - 6}, {tx - 4, ty - 0.5}};
            tri.closed = tri.filled = true;
            tri.fill = kHgl;
            tri.widthPt = 0;
            page.shapes.push_back(std::move(tri));
        }

    // labels, kept apart from each other and from the drawing
    std::vector<Rect> taken = structureBoxes;
    const double lh = reports::lineHeightPt(label);
    const Rect plot{bandL + 1, L.plotT + (caption.empty() ? 1 : 13), bandR - 1, L.plotB - 1};
    auto inside = [&](Rect r) {
        double w = r.r - r.l;
        if (r.l < plot.l + 1) r.l = plot.l + 1, r.r = r.l + w;
        if (r.r > plot.r - 1) r.r = plot.r - 1, r.l = r.r - w;
        return r;
    };
    // the lines a structure's label keeps off where it can (pt): ground, grade lines, crowns
    std::vector<std::array<double, 4>> segments;
    auto addSegments = [&](const std::vector<std::vector<ProfilePoint>>& lines) {
        for (const auto& l : lines)
            for (std::size_t i = 0; i + 1 < l.size(); ++i)
                segments.push_back({X(l[i].x), Y(l[i].y), X(l[i + 1].x), Y(l[i + 1].y)});
    };
    addSegments(c.ground);
    addSegments(c.hgl);
    addSegments(c.egl);
    for (const auto& lines : c.checkHgl) addSegments(lines);
    for (const auto& p : c.pipes) segments.push_back({X(p.c0.x), Y(p.c0.y), X(p.c1.x), Y(p.c1.y)});
    auto clearOfLines = [&](const Rect& r) {
        for (const auto& sg : segments)
            if (r.crossedBy(sg[0], sg[1], sg[2], sg[3])) return false;
        return true;
    };
    // within the plot, clear of the labels placed and the structures, and (on the first tries)
    // of the lines; a label that must cross a line hides it behind its white ground
    bool avoidLines = true;
    auto fits = [&](const Rect& r) {
        if (r.l < plot.l || r.r > plot.r || r.t < plot.t || r.b > plot.b) return false;
        for (const auto& t : taken)
            if (t.intersects(r)) return false;
        return !avoidLines || clearOfLines(r);
    };
    // lowest invert (largest page y) of the pipes under a span of the page
    auto invertBelow = [&](double l, double r) {
        double lowest = -1e300;
        for (const auto& p : c.pipes) {
            double a = X(p.i0.x), b = X(p.i1.x);
            if (b < l || a > r) continue;
            for (double x : {std::max(a, l), std::min(b, r)}) {
                double t = b - a > 1e-9 ? (x - a) / (b - a) : 0;
                lowest = std::max(lowest, Y(p.i0.y + (p.i1.y - p.i0.y) * t));
            }
        }
        return lowest;
    };
    auto blockSize = [&](const std::vector<std::string>& lines) {
        double w = 0;
        for (std::size_t i = 0; i < lines.size(); ++i)
            w = std::max(w, reports::textWidthPt(lines[i], i == 0 ? labelBold : label));
        return std::make_pair(w + 3, lines.size() * lh);
    };
    auto draw = [&](const Rect& r, const std::vector<std::string>& lines, bool boldFirst) {
        addRect(page, r.l, r.t, r.r - r.l, r.b - r.t, 0, 0, true, 0xFFFFFF);
        for (std::size_t i = 0; i < lines.size(); ++i)
            addText(page, r.l, r.t + i * lh + reports::ascentPt(label), r.r - r.l, Align::Center,
                    i == 0 && boldFirst ? labelBold : label, lines[i]);
        taken.push_back(r);
    };
    auto inWindow = [&](double x) { return x >= xa - 1e-9 && x <= xb + 1e-9; };
    for (const auto& l : g.labels) {
        if (l.place != ProfileLabel::Place::AboveStructure || !inWindow(l.x)) continue;
        bool inRange = false;
        for (const auto* s : c.structures) inRange = inRange || std::abs(s->x - l.x) < 1e-9;
        if (!inRange) continue;
        std::vector<std::string> lines = l.lines;
        // the rim of an inlet or manhole, for the reviewer checking the freeboard
        for (const auto* s : c.structures)
            if (std::abs(s->x - l.x) < 1e-9 && !s->outfall && lines.size() > 1)
                lines.insert(lines.begin() + 1, "Rim = " + vbFormat(s->top, metric ? "0.000" : "0.00"));
        auto [w, h] = blockSize(lines);
        double ax = X(l.x), ay = Y(l.y);
        bool placed = false;
        for (avoidLines = true;; avoidLines = false) {
            for (int attempt = 0; attempt < 8 && !placed; ++attempt) {
                Rect r = inside({ax - w / 2, ay - 4 - h - attempt * h * 0.55, ax + w / 2, ay - 4 - attempt * h * 0.55});
                if (fits(r)) {
                    if (attempt > 0) addLine(page, ax, r.b, ax, ay - 1.5, 0.3, 0x999999);
                    draw(r, lines, true);
                    placed = true;
                }
            }
            if (placed || !avoidLines) break;
        }
        if (!placed) {
            auto [nw, nh] = blockSize({lines.front()});
            Rect r = inside({ax - nw / 2, ay - 4 - nh, ax + nw / 2, ay - 4});
            if (fits(r)) draw(r, {lines.front()}, true);
        }
    }
    for (const auto& l : g.labels) {
        if (l.place != ProfileLabel::Place::BelowStructure || !inWindow(l.x)) continue;
        auto [w, h] = blockSize(l.lines);
        double ax = X(l.x), ay = Y(l.y);
        bool placed = false;
        for (avoidLines = true; !placed; avoidLines = false) {
            for (int attempt = 0; attempt < 8 && !placed; ++attempt) {
                Rect r = inside({ax - w / 2, ay + 2.5 + attempt * lh * 0.5, ax + w / 2, ay + 2.5 + attempt * lh * 0.5 + h});
                if (fits(r) && r.t > invertBelow(r.l, r.r)) {
                    draw(r, l.lines, false);
                    placed = true;
                }
            }
            if (!avoidLines) break;
        }
    }
    for (const auto& l : g.labels) {
        if (l.place != ProfileLabel::Place::BelowPipe || !inWindow(l.x)) continue;
        auto [w, h] = blockSize(l.lines);
        double ax = X(l.x), ay = Y(l.y);
        bool placed = false;
        for (avoidLines = true; !placed; avoidLines = false) {
            for (int attempt = 0; attempt < 30 && !placed; ++attempt) {
                Rect r = inside({ax - w / 2, ay + 5 + attempt * lh * 0.5, ax + w / 2, ay + 5 + attempt * lh * 0.5 + h});
                if (fits(r) && r.t > invertBelow(r.l, r.r) + 1.5) {
                    if (attempt > 1) addLine(page, (r.l + r.r) / 2, r.t, ax, ay + 1.5, 0.3, 0x999999);
                    draw(r, l.lines, false);
                    placed = true;
                }
            }
            if (!avoidLines) break;
        }
    }

}

}  // namespace

void layoutProfiles(db::Database& db, const std::string& system, bool metric, const SheetFrame& frame,
                    const BodySink& emit) {
    ProfileModel model(hydraulics::readProfileRows(db, system), hydraulics::readProfileOutfall(db, system));
    const auto runs = profileRuns(model);
    const auto scenarios = review::loadScenarios(db, system);
    std::vector<std::string> checkNames;
    for (const auto& s : scenarios) checkNames.push_back(s.storm.name);
    bool anyCritical = false;
    for (const auto& r : model.rows()) anyCritical = anyCritical || r.critDepthFt > 0;
    SheetLayout L = sheetLayout(frame);
    // a legend of more rows (many check storms) takes its room from the plot
    L.plotB -= kLegendRowPt * (legendRows(legendEntries(anyCritical, checkNames), L.plotL, L.plotR) - 1);
    if (runs.empty()) {
        Page p;
        addText(p, frame.left, frame.top + 12, frame.bodyWidth(), Align::Left, Font{FontFamily::Sans, 11, true},
                "HYDRAULIC PROFILES - SYSTEM " + system);
        addText(p, frame.left, frame.top + 34, frame.bodyWidth(), Align::Left, Font{FontFamily::Sans, 9, false},
                "No storm tabulation rows are stored for this system.");
        emit(std::move(p));
        return;
    }
    // Scales. Across: each run's typical pipe gets room for its label block, so a lateral of a
    // few tens of feet is drawn as large as the trunk's long pipes are (at the trunk's scale it
    // would be a sliver with its labels piled on each other). Up: the tallest sheet of the runs
    // drawn at one horizontal scale fits with room to spare, never flatter than true scale and
    // not more than 20 times exaggerated. Every sheet of one run is at one scale, and a sheet that shows several
    // runs shows runs of one scale.
    const double k = metric ? units::kMetersPerFoot : 1.0;
    std::vector<double> runScale(runs.size());  // display units per inch of paper, across
    for (std::size_t r = 0; r < runs.size(); ++r) {
        std::vector<double> lengths;
        for (int i : runs[r].rows) {
            const auto& row = model.rows()[static_cast<std::size_t>(i)];
            if (row.lengthFt > 0 && !(!runs[r].trunk && equalsIgnoreCase(row.from, runs[r].end)))
                lengths.push_back(row.lengthFt * k);  // the junction a branch ends at is another run's pipe
        }
        std::sort(lengths.begin(), lengths.end());
        const double typical = lengths.empty() ? 100 : lengths[lengths.size() / 2];
        double hScale = horizontalScales(metric).front();
        for (double s : horizontalScales(metric))
            if (unitsPerPt(s, metric) <= typical / 95) hScale = s;
        runScale[r] = hScale;
    }
    std::map<double, ProfileScale> scales;  // by horizontal scale
    for (double hScale : runScale) {
        if (scales.count(hScale)) continue;
        ProfileScale sc;
        sc.horizontal = unitsPerPt(hScale, metric);
        const double window = L.dataWidth() * sc.horizontal;
        double tallest = 0;
        for (std::size_t r = 0; r < runs.size(); ++r) {
            if (runScale[r] != hScale) continue;
            RunDrawing d = drawingOf(model, runs[r], metric, scenarios);
            for (auto [xa, xb] : windowsOf(d, window)) {
                Clipped c = clipDrawing(d, xa, xb);
                tallest = std::max(tallest, c.yHi - c.yLo);
            }
        }
        // the tallest drawing takes at most 60 % of the height: the rest is for its labels, and
        // the neighbouring short runs, at other elevations, can share its sheet
        const double need = tallest / std::max(10.0, 0.6 * L.dataHeight());  // units per pt
        double vScale = verticalScales(metric).back();
        for (auto it = verticalScales(metric).rbegin(); it != verticalScales(metric).rend(); ++it)
            if (unitsPerPt(*it, metric) >= need) vScale = *it;
        if (unitsPerPt(hScale, metric) >= need) vScale = std::min(vScale, hScale);
        while (hScale / vScale > 20.0 + 1e-9) {
            auto it = std::upper_bound(verticalScales(metric).begin(), verticalScales(metric).end(), vScale);
            if (it == verticalScales(metric).end()) break;
            vScale = *it;
        }
        sc.vertical = unitsPerPt(vScale, metric);
        sc.text = "Horizontal " + scaleText(hScale, metric) + "    Vertical " + scaleText(vScale, metric) +
                  "    (exaggeration " + shortestText(roundHalfAway(hScale / vScale, 1)) + ":1)";
        scales.emplace(hScale, sc);
    }

    // pieces: the sheets of each run; short runs of one scale share a sheet side by side, so the
    // branches come in their order within each scale, the scales in the order they first appear
    std::vector<std::size_t> order(runs.size());
    for (std::size_t r = 0; r < runs.size(); ++r) order[r] = r;
    {
        std::map<double, std::size_t> firstSeen;
        for (std::size_t r = 0; r < runs.size(); ++r) firstSeen.emplace(runScale[r], r);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return firstSeen.at(runScale[a]) < firstSeen.at(runScale[b]);
        });
    }
    std::vector<Piece> pieces;
    for (std::size_t r : order) {
        const ProfileScale& sc = scales.at(runScale[r]);
        RunDrawing d = drawingOf(model, runs[r], metric, scenarios);
        auto wins = windowsOf(d, L.dataWidth() * sc.horizontal);
        for (std::size_t w = 0; w < wins.size(); ++w) {
            Clipped c = clipDrawing(d, wins[w].first, wins[w].second);
            Piece p;
            p.run = r;
            p.xa = wins[w].first;
            p.xb = wins[w].second;
            p.yLo = c.yLo;
            p.yHi = c.yHi;
            p.part = static_cast<int>(w + 1);
            p.parts = static_cast<int>(wins.size());
            p.slotWidth = std::max(110.0, (p.xb - p.xa) / sc.horizontal);
            pieces.push_back(p);
        }
    }
    std::vector<std::vector<Piece>> sheets;
    for (const Piece& p : pieces) {
        const ProfileScale& sc = scales.at(runScale[p.run]);
        if (!sheets.empty() && p.parts == 1 && sheets.back().back().parts == 1 &&
            runScale[sheets.back().back().run] == runScale[p.run]) {
            auto& sheet = sheets.back();
            double used = sheet.back().slotLeft + sheet.back().slotWidth + 2 * L.padX;
            double lo = p.yLo, hi = p.yHi;
            for (const auto& q : sheet) lo = std::min(lo, q.yLo), hi = std::max(hi, q.yHi);
            if (used + p.slotWidth <= L.dataWidth() + 1e-6 && (hi - lo) <= L.dataHeight() * sc.vertical) {
                Piece q = p;
                q.slotLeft = used;
                sheet.push_back(q);
                continue;
            }
        }
        Piece q = p;
        q.slotLeft = 0;
        if (q.parts > 1 || q.slotWidth > L.dataWidth()) q.slotWidth = L.dataWidth();  // a long run starts at the left
        sheets.push_back({q});
    }
    for (auto& sheet : sheets)
        if (sheet.size() == 1) sheet.front().slotWidth = L.dataWidth();  // a run alone is centred on its sheet

    auto title = [&](const Piece& p, bool withPart) {
        const ProfileRun& run = runs[p.run];
        std::string t = std::string(run.trunk ? "TRUNK " : "BRANCH ") + run.start + " TO " + run.end;
        if (withPart && p.parts > 1) t += "  (sheet " + std::to_string(p.part) + " of " + std::to_string(p.parts) + ")";
        return t;
    };
    std::size_t cachedRun = runs.size();
    RunDrawing cached;
    for (const auto& sheet : sheets) {
        const ProfileScale& sc = scales.at(runScale[sheet.front().run]);
        double lo = sheet.front().yLo, hi = sheet.front().yHi;
        for (const auto& q : sheet) lo = std::min(lo, q.yLo), hi = std::max(hi, q.yHi);
        // the sheet's elevations centred in its data band
        const double ya = lo - (L.dataHeight() * sc.vertical - (hi - lo)) / 2;
        Page page;
        std::string heading = sheet.size() == 1 ? "HGL PROFILE - " + title(sheet.front(), true) : "HGL PROFILES - BRANCHES";
        drawSheetFrame(page, L, ya, sc, heading, metric ? "m" : "ft", metric, anyCritical, checkNames);
        for (std::size_t i = 0; i < sheet.size(); ++i) {
            const Piece& q = sheet[i];
            if (q.run != cachedRun) {
                cached = drawingOf(model, runs[q.run], metric, scenarios);
                cachedRun = q.run;
            }
            if (i > 0) {
                double x = L.plotL + q.slotLeft;
                addLine(page, x, L.plotT, x, L.plotB, 0.8, 0x555555);
            }
            Clipped c = clipDrawing(cached, q.xa, q.xb);
            drawPiece(page, L, cached.g, c, q, ya, sc, sheet.size() > 1 ? title(q, false) : std::string(), metric);
        }
        addRect(page, L.plotL, L.plotT, L.plotR - L.plotL, L.plotB - L.plotT, 0.7);
        emit(std::move(page));
    }
}

}  // namespace kolv::submittal
