// Greedy label placement on a uniform grid, one pass per zoom step.
#include "diagram/label_placement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace kolv::diagram {

namespace {

struct Rect {
    double x0, y0, x1, y1;
    bool overlaps(const Rect& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

/// Items (by number) hashed into the square cells their bounding boxes cover, so a query
/// looks only at its neighbourhood.
class CellHash {
public:
    explicit CellHash(double cell) : m_cell(cell > 0 ? cell : 1) {}
    void add(const Rect& box, std::size_t id) {
        forCells(box, [&](std::int64_t key) { m_cells[key].push_back(id); });
    }
    /// True when no item near `r` is hit by it, by `hits(id)`.
    template <class Hits>
    bool free(const Rect& r, Hits&& hits) const {
        bool hit = false;
        forCells(r, [&](std::int64_t key) {
            if (hit) return;
            auto it = m_cells.find(key);
            if (it == m_cells.end()) return;
            for (std::size_t id : it->second)
                if (hits(id)) {
                    hit = true;
                    return;
                }
        });
        return !hit;
    }

private:
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
    std::unordered_map<std::int64_t, std::vector<std::size_t>> m_cells;
};

/// Rectangles hashed into square cells.
class Grid {
public:
    explicit Grid(double cell) : m_hash(cell) {}
    void add(const Rect& r) {
        m_hash.add(r, m_rects.size());
        m_rects.push_back(r);
    }
    bool free(const Rect& r) const {
        return m_hash.free(r, [&](std::size_t id) { return m_rects[id].overlaps(r); });
    }

private:
    CellHash m_hash;
    std::vector<Rect> m_rects;
};

/// Whether a segment crosses or lies in a rectangle (Liang-Barsky clipping).
bool crosses(const LabelObstacleLine& l, const Rect& r) {
    double t0 = 0, t1 = 1;
    const double dx = l.x2 - l.x1, dy = l.y2 - l.y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {l.x1 - r.x0, r.x1 - l.x1, l.y1 - r.y0, r.y1 - l.y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
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

/// Lines hashed into the cells their bounding boxes cover.
class LineGrid {
public:
    LineGrid(const std::vector<LabelObstacleLine>& lines, double cell) : m_lines(lines), m_hash(cell) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto& l = lines[i];
            m_hash.add({std::min(l.x1, l.x2), std::min(l.y1, l.y2), std::max(l.x1, l.x2), std::max(l.y1, l.y2)}, i);
        }
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

/// Offset (pixels) of the text block of candidate c: right, left, below, above, the four
/// corners, then the four corners clear of both axes (room between the reaches of a junction).
/// Every block touches the symbol's surroundings: nothing can lie between a symbol and its label,
/// so a label clear at one zoom stays clear closer in, where its neighbours only move away.
void candidate(const LabelBox& b, int c, double& dx, double& dy) {
    const double gap = b.clearance + 3;  // pixels between symbol and text
    switch (c) {
        case 0: dx = gap; dy = -b.height / 2; break;
        case 1: dx = -gap - b.width; dy = -b.height / 2; break;
        case 2: dx = -b.width / 2; dy = gap; break;
        case 3: dx = -b.width / 2; dy = -gap - b.height; break;
        case 4: dx = gap; dy = gap * 0.5; break;
        case 5: dx = gap; dy = -gap * 0.5 - b.height; break;
        case 6: dx = -gap - b.width; dy = gap * 0.5; break;
        case 7: dx = -gap - b.width; dy = -gap * 0.5 - b.height; break;
        case 8: dx = gap; dy = gap; break;
        case 9: dx = gap; dy = -gap - b.height; break;
        case 10: dx = -gap - b.width; dy = gap; break;
        default: dx = -gap - b.width; dy = -gap - b.height; break;
    }
}

}  // namespace

const std::vector<double>& labelZoomSteps() {
    static const std::vector<double> steps = [] {
        std::vector<double> s;
        for (int k = 0; k < 10; ++k) s.push_back(std::pow(1.5, k));
        return s;
    }();
    return steps;
}

std::vector<LabelPlace> placeLabels(const std::vector<LabelBox>& boxes, double basePixelsPerUnit,
                                    const std::vector<LabelObstacleLine>& lines) {
    std::vector<LabelPlace> out(boxes.size());
    if (boxes.empty() || !(basePixelsPerUnit > 0)) return out;
    double maxExtent = 1;  // pixels
    for (const LabelBox& b : boxes) maxExtent = std::max({maxExtent, b.width, b.height});

    const auto& steps = labelZoomSteps();
    std::size_t unplaced = boxes.size();
    for (std::size_t s = 0; s < steps.size() && unplaced > 0; ++s) {
        const double k = basePixelsPerUnit * steps[s];  // pixels per diagram unit at this step
        Grid grid(maxExtent / k);
        const LineGrid lineGrid(lines, maxExtent / k);
        for (const LabelBox& b : boxes)
            if (b.clearance > 0)
                grid.add({b.x - b.clearance / k, b.y - b.clearance / k, b.x + b.clearance / k, b.y + b.clearance / k});
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (out[i].step >= 0)
                grid.add({boxes[i].x + out[i].dx / k, boxes[i].y + out[i].dy / k,
                          boxes[i].x + (out[i].dx + boxes[i].width) / k, boxes[i].y + (out[i].dy + boxes[i].height) / k});
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (out[i].step >= 0) continue;
            const LabelBox& b = boxes[i];
            for (int c = 0; c < kCandidates; ++c) {
                double dx = 0, dy = 0;
                candidate(b, c, dx, dy);
                const Rect r{b.x + dx / k, b.y + dy / k, b.x + (dx + b.width) / k, b.y + (dy + b.height) / k};
                if (!grid.free(r) || !lineGrid.free(r)) continue;
                out[i] = {dx, dy, static_cast<int>(s)};
                grid.add(r);
                --unplaced;
                break;
            }
        }
    }
    for (std::size_t i = 0; i < boxes.size(); ++i)
        if (out[i].step < 0) {
            candidate(boxes[i], 0, out[i].dx, out[i].dy);
            out[i].step = static_cast<int>(steps.size()) - 1;
        }
    return out;
}

}  // namespace kolv::diagram
