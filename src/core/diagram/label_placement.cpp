// Greedy label placement on a uniform grid, one pass per zoom step.
#include "diagram/label_placement.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace kolv::diagram {

namespace {

struct Rect {
    double x0, y0, x1, y1;
    bool overlaps(const Rect& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
    double overlapArea(const Rect& o) const {
        return std::max(0.0, std::min(x1, o.x1) - std::max(x0, o.x0)) * std::max(0.0, std::min(y1, o.y1) - std::max(y0, o.y0));
    }
};

/// Items (by number) hashed into the square cells their bounding boxes cover, so a query
/// looks only at its neighbourhood. The cells live in one open-addressed table whose slots head
/// chains of entries in one flat array: a system of ten thousand labels is placed ten times
/// over without a single allocation per cell.
class CellHash {
public:
    explicit CellHash(double cell, std::size_t expected) : m_cell(cell > 0 ? cell : 1) {
        std::size_t slots = 64;
        while (slots < expected * 2) slots *= 2;
        m_keys.assign(slots, kEmpty);
        m_heads.assign(slots, -1);
        m_entries.reserve(expected * 2);
    }
    void add(const Rect& box, std::size_t id) {
        forCells(box, [&](std::int64_t key) { addCell(key, id); });
    }
    /// A segment in the cells it passes through (not its whole bounding box: a long diagonal
    /// reach seen close up would cover millions of cells). A rectangle the segment crosses
    /// holds the crossing point, so it covers one of these cells.
    void addSegment(const LabelObstacleLine& l, std::size_t id) {
        auto cellOf = [&](double v) { return static_cast<std::int64_t>(std::floor(v / m_cell)); };
        std::int64_t cx = cellOf(l.x1), cy = cellOf(l.y1);
        const std::int64_t ex = cellOf(l.x2), ey = cellOf(l.y2);
        const double dx = l.x2 - l.x1, dy = l.y2 - l.y1;
        const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
        // distance along the segment (0..1) to the next vertical and horizontal cell border
        const double tdx = dx != 0 ? m_cell / std::fabs(dx) : INFINITY;
        const double tdy = dy != 0 ? m_cell / std::fabs(dy) : INFINITY;
        double tx = dx != 0 ? ((static_cast<double>(cx) + (sx > 0 ? 1 : 0)) * m_cell - l.x1) / dx : INFINITY;
        double ty = dy != 0 ? ((static_cast<double>(cy) + (sy > 0 ? 1 : 0)) * m_cell - l.y1) / dy : INFINITY;
        const std::int64_t steps = std::llabs(ex - cx) + std::llabs(ey - cy);
        if (!(steps < kLongSegment)) {  // absurd coordinates: checked against every query instead
            m_everywhere.push_back(static_cast<std::uint32_t>(id));
            return;
        }
        addCell(cx * 1000003 + cy, id);
        for (std::int64_t n = 0; n < steps; ++n) {
            if (tx < ty) {
                cx += sx;
                tx += tdx;
            } else {
                cy += sy;
                ty += tdy;
            }
            addCell(cx * 1000003 + cy, id);
        }
        // rounding at a border may end the walk one cell short: the end cell always counts
        if (cx != ex || cy != ey) addCell(ex * 1000003 + ey, id);
    }
    /// True when no item near `r` is hit by it, by `hits(id)`.
    /// Calls `visit(id)` for every item near `r` (an item may come more than once).
    template <class Visit>
    void near(const Rect& r, Visit&& visit) const {
        for (std::uint32_t id : m_everywhere) visit(id);
        forCells(r, [&](std::int64_t key) {
            const std::size_t slot = const_cast<CellHash*>(this)->find(key, false);
            if (slot == kNone) return;
            for (std::int32_t e = m_heads[slot]; e >= 0; e = m_entries[static_cast<std::size_t>(e)].next)
                visit(m_entries[static_cast<std::size_t>(e)].id);
        });
    }
    template <class Hits>
    bool free(const Rect& r, Hits&& hits) const {
        for (std::uint32_t id : m_everywhere)
            if (hits(id)) return false;
        bool hit = false;
        forCells(r, [&](std::int64_t key) {
            if (hit) return;
            const std::size_t slot = const_cast<CellHash*>(this)->find(key, false);
            if (slot == kNone) return;
            for (std::int32_t e = m_heads[slot]; e >= 0; e = m_entries[static_cast<std::size_t>(e)].next)
                if (hits(m_entries[static_cast<std::size_t>(e)].id)) {
                    hit = true;
                    return;
                }
        });
        return !hit;
    }

private:
    static constexpr std::int64_t kEmpty = INT64_MIN;
    static constexpr std::size_t kNone = SIZE_MAX;
    static constexpr std::int64_t kLongSegment = 1 << 20;
    struct Entry {
        std::uint32_t id;
        std::int32_t next;
    };

    void addCell(std::int64_t key, std::size_t id) {
        const std::size_t slot = find(key, true);
        m_entries.push_back({static_cast<std::uint32_t>(id), m_heads[slot]});
        m_heads[slot] = static_cast<std::int32_t>(m_entries.size() - 1);
    }
    /// The slot of a cell; with `insert`, a new one when the cell is not there yet.
    std::size_t find(std::int64_t key, bool insert) {
        if (insert && (m_used + 1) * 2 > m_keys.size()) grow();
        const std::size_t mask = m_keys.size() - 1;
        std::size_t slot = static_cast<std::size_t>(static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull >> 20) & mask;
        while (m_keys[slot] != kEmpty) {
            if (m_keys[slot] == key) return slot;
            slot = (slot + 1) & mask;
        }
        if (!insert) return kNone;
        m_keys[slot] = key;
        ++m_used;
        return slot;
    }
    void grow() {
        std::vector<std::int64_t> keys(m_keys.size() * 2, kEmpty);
        std::vector<std::int32_t> heads(m_keys.size() * 2, -1);
        const std::size_t mask = keys.size() - 1;
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            if (m_keys[i] == kEmpty) continue;
            std::size_t slot = static_cast<std::size_t>(static_cast<std::uint64_t>(m_keys[i]) * 0x9E3779B97F4A7C15ull >> 20) & mask;
            while (keys[slot] != kEmpty) slot = (slot + 1) & mask;
            keys[slot] = m_keys[i];
            heads[slot] = m_heads[i];
        }
        m_keys.swap(keys);
        m_heads.swap(heads);
    }
    template <class F>
    void forCells(const Rect& r, F&& f) const {
        const auto cx0 = static_cast<std::int64_t>(std::floor(r.x0 / m_cell));
        const auto cx1 = static_cast<std::int64_t>(std::floor(r.x1 / m_cell));
        const auto cy0 = static_cast<std::int64_t>(std::floor(r.y0 / m_cell));
        const auto cy1 = static_cast<std::int64_t>(std::floor(r.y1 / m_cell));
        for (auto cx = cx0; cx <= cx1; ++cx)
            for (auto cy = cy0; cy <= cy1; ++cy) f(cx * 1000003 + cy);
    }
    double m_cell;
    std::vector<std::int64_t> m_keys;
    std::vector<std::int32_t> m_heads;
    std::vector<Entry> m_entries;
    std::size_t m_used = 0;
    std::vector<std::uint32_t> m_everywhere;
};

/// Rectangles hashed into square cells, each with the label it belongs to.
class Grid {
public:
    static constexpr std::size_t kNobody = SIZE_MAX;  ///< a symbol
    Grid(double cell, std::size_t expected) : m_hash(cell, expected) {}
    void add(const Rect& r, std::size_t owner = kNobody) {
        m_hash.add(r, m_rects.size());
        m_rects.push_back(r);
        m_owners.push_back(owner);
    }
    /// No rectangle overlaps `r`, except those of `self`.
    bool free(const Rect& r, std::size_t self = kNobody) const {
        return m_hash.free(r, [&](std::size_t id) { return m_owners[id] != self && m_rects[id].overlaps(r); });
    }
    /// How much of `r` the rectangles cover (each counted once).
    double covered(const Rect& r) const {
        std::vector<std::size_t> ids;
        m_hash.near(r, [&](std::size_t id) { ids.push_back(id); });
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        double area = 0;
        for (std::size_t id : ids) area += m_rects[id].overlapArea(r);
        return area;
    }

private:
    CellHash m_hash;
    std::vector<Rect> m_rects;
    std::vector<std::size_t> m_owners;
};

/// Whether a segment crosses or lies in a rectangle.
bool crosses(const LabelObstacleLine& l, const Rect& r) { return segmentMeetsBox(l.x1, l.y1, l.x2, l.y2, r.x0, r.y0, r.x1, r.y1); }

/// Lines hashed into the cells their bounding boxes cover.
class LineGrid {
public:
    LineGrid(const std::vector<LabelObstacleLine>& lines, double cell) : m_lines(lines), m_hash(cell, lines.size()) {
        for (std::size_t i = 0; i < lines.size(); ++i) m_hash.addSegment(lines[i], i);
    }
    bool free(const Rect& r) const {
        return m_hash.free(r, [&](std::size_t id) { return crosses(m_lines[id], r); });
    }

private:
    const std::vector<LabelObstacleLine>& m_lines;
    CellHash m_hash;
};

/// Number of positions tried around an anchor.
constexpr int kCandidates = 12;

/// Offset (pixels) of a text block of candidate c: right, left, below, above, the four
/// corners, then the four corners clear of both axes (room between the reaches of a junction).
/// Every block touches the symbol's surroundings: nothing can lie between a symbol and its label,
/// so a label clear at one zoom stays clear closer in, where its neighbours only move away.
void candidate(double w, double h, double clearance, int c, double& dx, double& dy) {
    const double gap = clearance + 3;  // pixels between symbol and text
    switch (c) {
        case 0: dx = gap; dy = -h / 2; break;
        case 1: dx = -gap - w; dy = -h / 2; break;
        case 2: dx = -w / 2; dy = gap; break;
        case 3: dx = -w / 2; dy = -gap - h; break;
        case 4: dx = gap; dy = gap * 0.5; break;
        case 5: dx = gap; dy = -gap * 0.5 - h; break;
        case 6: dx = -gap - w; dy = gap * 0.5; break;
        case 7: dx = -gap - w; dy = -gap * 0.5 - h; break;
        case 8: dx = gap; dy = gap; break;
        case 9: dx = gap; dy = -gap - h; break;
        case 10: dx = -gap - w; dy = gap; break;
        default: dx = -gap - w; dy = -gap - h; break;
    }
}

void candidate(const LabelBox& b, int c, double& dx, double& dy) { candidate(b.width, b.height, b.clearance, c, dx, dy); }

}  // namespace

bool segmentMeetsBox(double x1, double y1, double x2, double y2, double left, double top, double right, double bottom) {
    double t0 = 0, t1 = 1;
    const double dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - left, right - x1, y1 - top, bottom - y1};
    for (int i = 0; i < 4; ++i) {
        if (std::abs(p[i]) < 1e-12) {
            if (q[i] < 0) return false;  // parallel to this edge and outside it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

const std::vector<double>& labelZoomSteps() {
    static const std::vector<double> steps = [] {
        std::vector<double> s;
        for (int k = 0; k < 10; ++k) s.push_back(std::pow(1.5, k));
        return s;
    }();
    return steps;
}

LabelPlacer::LabelPlacer(std::vector<LabelBox> boxes, double basePixelsPerUnit, std::vector<LabelObstacleLine> lines,
                         bool namesAtFirstStep)
    : m_boxes(std::move(boxes)), m_base(basePixelsPerUnit), m_lines(std::move(lines)), m_places(m_boxes.size()),
      m_unplaced(m_boxes.size()), m_namesAtFirstStep(namesAtFirstStep) {
    if (m_boxes.empty() || !(m_base > 0)) {
        m_done = static_cast<int>(labelZoomSteps().size()) - 1;  // nothing to place
        return;
    }
    // Cells of about a typical label's height: a query then meets only its near neighbours, and
    // a long label merely covers a few more cells.
    std::vector<double> sides;
    sides.reserve(m_boxes.size());
    for (const LabelBox& b : m_boxes) sides.push_back(std::max(1.0, std::min(b.width, b.height)));
    std::nth_element(sides.begin(), sides.begin() + static_cast<std::ptrdiff_t>(sides.size() / 2), sides.end());
    m_cellPixels = 2 * sides[sides.size() / 2];
}

void LabelPlacer::placeThrough(int step) {
    const auto& steps = labelZoomSteps();
    const int last = static_cast<int>(steps.size()) - 1;
    step = std::min(step, last);
    while (m_done < step) {
        const int s = ++m_done;
        if (m_unplaced > 0) placeStep(s);
        if (s == last)
            // no room even at the last step: shown from there on, at the first position
            for (std::size_t i = 0; i < m_boxes.size(); ++i)
                if (m_places[i].step < 0) {
                    candidate(m_boxes[i], 0, m_places[i].dx, m_places[i].dy);
                    m_places[i].step = last;
                }
    }
}

void LabelPlacer::placeStep(int s) {
    const double k = m_base * labelZoomSteps()[static_cast<std::size_t>(s)];  // pixels per diagram unit at this step
    Grid grid(m_cellPixels / k, m_boxes.size() * 2);
    const LineGrid lineGrid(m_lines, m_cellPixels / k);
    auto block = [&](const LabelBox& b, double dx, double dy, double w, double h) {
        return Rect{b.x + dx / k, b.y + dy / k, b.x + (dx + w) / k, b.y + (dy + h) / k};
    };
    for (const LabelBox& b : m_boxes)
        if (b.clearance > 0)
            grid.add({b.x - b.clearance / k, b.y - b.clearance / k, b.x + b.clearance / k, b.y + b.clearance / k});
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        const LabelPlace& p = m_places[i];
        const LabelBox& b = m_boxes[i];
        if (p.step >= 0) grid.add(block(b, p.dx, p.dy, b.width, b.height), i);
        else if (p.nameStep >= 0) grid.add(block(b, p.nameDx, p.nameDy, b.nameWidth, b.nameHeight), i);
    }
    // the names first, in a system small enough to show them all: whole labels take the room
    // that is left (a large system shows whole labels where they fit, as they come)
    for (std::size_t i = 0; m_namesAtFirstStep && i < m_boxes.size(); ++i) {
        LabelPlace& p = m_places[i];
        const LabelBox& b = m_boxes[i];
        if (p.step >= 0 || p.nameStep >= 0 || b.nameWidth <= 0) continue;
        int chosen = -1;
        double least = INFINITY;
        for (int c = 0; c < kCandidates; ++c) {
            double dx = 0, dy = 0;
            candidate(b.nameWidth, b.nameHeight, b.clearance, c, dx, dy);
            const Rect r = block(b, dx, dy, b.nameWidth, b.nameHeight);
            if (grid.free(r) && lineGrid.free(r)) {
                chosen = c;
                break;
            }
            if (s != 0 || !m_namesAtFirstStep) continue;
            // where it covers least of the other labels and symbols, a reach counting as a quarter
            const double cover = grid.covered(r) + (lineGrid.free(r) ? 0 : (r.x1 - r.x0) * (r.y1 - r.y0) / 4);
            if (cover < least) {
                least = cover;
                chosen = c;
            }
        }
        if (chosen < 0) continue;
        candidate(b.nameWidth, b.nameHeight, b.clearance, chosen, p.nameDx, p.nameDy);
        p.nameStep = s;
        grid.add(block(b, p.nameDx, p.nameDy, b.nameWidth, b.nameHeight), i);
        if (b.height <= b.nameHeight && b.width <= b.nameWidth) {  // the name is the whole label
            p.dx = p.nameDx;
            p.dy = p.nameDy;
            p.step = s;
            --m_unplaced;
        }
    }
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        if (m_places[i].step >= 0) continue;
        const LabelBox& b = m_boxes[i];
        for (int c = 0; c < kCandidates; ++c) {
            double dx = 0, dy = 0;
            candidate(b, c, dx, dy);
            const Rect r = block(b, dx, dy, b.width, b.height);
            if (!grid.free(r, i) || !lineGrid.free(r)) continue;  // its own name gives way
            m_places[i].dx = dx;
            m_places[i].dy = dy;
            m_places[i].step = s;
            grid.add(r, i);
            --m_unplaced;
            break;
        }
    }
}

std::vector<LabelPlace> placeLabels(const std::vector<LabelBox>& boxes, double basePixelsPerUnit,
                                    const std::vector<LabelObstacleLine>& lines, bool namesAtFirstStep) {
    LabelPlacer placer(boxes, basePixelsPerUnit, lines, namesAtFirstStep);
    placer.placeThrough(static_cast<int>(labelZoomSteps().size()) - 1);
    return placer.places();
}

}  // namespace kolv::diagram
