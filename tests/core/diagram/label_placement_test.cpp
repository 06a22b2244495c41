// Label placement: labels keep off each other and off the symbols; crowded ones wait for a closer zoom.
#include <gtest/gtest.h>

#include "diagram/label_placement.h"

using namespace kolv::diagram;

namespace {

/// Screen rectangle of a placed label at scale k (pixels per unit).
struct Box {
    double x0, y0, x1, y1;
};
Box onScreen(const LabelBox& b, const LabelPlace& p, double k) {
    return {b.x * k + p.dx, b.y * k + p.dy, b.x * k + p.dx + b.width, b.y * k + p.dy + b.height};
}
bool overlap(const Box& a, const Box& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

}  // namespace

namespace {

/// Whether segment (x1,y1)-(x2,y2) meets the open rectangle, sampled finely: an independent check
/// of the placement's own clipping and cell walk.
bool segmentMeets(const LabelObstacleLine& l, const Box& r, double k) {
    const int n = 4000;
    for (int i = 0; i <= n; ++i) {
        const double t = static_cast<double>(i) / n;
        const double x = (l.x1 + (l.x2 - l.x1) * t) * k, y = (l.y1 + (l.y2 - l.y1) * t) * k;
        if (x > r.x0 + 1e-6 && x < r.x1 - 1e-6 && y > r.y0 + 1e-6 && y < r.y1 - 1e-6) return true;
    }
    return false;
}

}  // namespace

TEST(LabelPlacement, NoShownLabelLiesOnAReachWhateverItsLengthOrDirection) {
    // Long diagonal and steep reaches across a scattered system, seen from far and close: a label
    // may only sit where no reach passes, at every zoom step it is shown at.
    std::uint32_t seed = 12345;
    auto rnd = [&](double lo, double hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * (seed >> 8) / double(1 << 24);
    };
    std::vector<LabelBox> boxes;
    for (int i = 0; i < 150; ++i) boxes.push_back({rnd(0, 3000), rnd(0, 3000), rnd(20, 110), rnd(11, 40), 6});
    std::vector<LabelObstacleLine> lines;
    for (int i = 0; i < 40; ++i) {
        const auto& a = boxes[static_cast<std::size_t>(i)];
        const auto& b = boxes[static_cast<std::size_t>((i * 37 + 11) % 150)];
        lines.push_back({a.x, a.y, b.x, b.y});
    }
    lines.push_back({0, 0, 3000, 3000});
    lines.push_back({0, 3000, 3000, 0});
    lines.push_back({1500, 0, 1500.5, 3000});  // all but vertical
    const double base = 0.05;
    const auto places = placeLabels(boxes, base, lines);
    const auto& steps = labelZoomSteps();
    int checked = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const int s = places[i].step;
        if (s < 0 || s == static_cast<int>(steps.size()) - 1) continue;  // the last step takes the rest as they come
        const double k = base * steps[static_cast<std::size_t>(s)];
        const Box a = onScreen(boxes[i], places[i], k);
        for (const auto& l : lines) ASSERT_FALSE(segmentMeets(l, a, k)) << "label " << i << " at step " << s;
        // nor on a symbol, nor on another label shown at that step
        for (std::size_t j = 0; j < boxes.size(); ++j) {
            const Box sym{boxes[j].x * k - 6, boxes[j].y * k - 6, boxes[j].x * k + 6, boxes[j].y * k + 6};
            ASSERT_FALSE(overlap(a, sym)) << "label " << i << " covers symbol " << j << " at step " << s;
            if (j == i || places[j].step < 0 || places[j].step > s) continue;
            ASSERT_FALSE(overlap(a, onScreen(boxes[j], places[j], k))) << i << " and " << j << " step " << s;
        }
        ++checked;
    }
    EXPECT_GT(checked, 100);

    // the view places each zoom step when it first gets there: nothing may differ from placing all at once
    LabelPlacer placer(boxes, base, lines);
    for (int s = 0; s < static_cast<int>(steps.size()); s += 2) {
        placer.placeThrough(s);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const LabelPlace& p = placer.places()[i];
            ASSERT_EQ(p.step, places[i].step > s ? -1 : places[i].step) << i << " step " << s;
            if (p.step >= 0) ASSERT_TRUE(p.dx == places[i].dx && p.dy == places[i].dy) << i;
        }
    }

    // a lone label sits right of its symbol, level with it; with a trunk through the node and a
    // lateral below, it goes above, centred
    const LabelPlace lone = placeLabels({{100, 100, 40, 12, 6}}, 1.0)[0];
    EXPECT_TRUE(lone.step == 0 && lone.dx > 6 && lone.dy == -6);
    const LabelPlace above = placeLabels({{100, 100, 40, 12, 6}}, 1.0, {{0, 100, 200, 100}, {100, 100, 100, 300}})[0];
    EXPECT_TRUE(above.step == 0 && above.dx == -20 && above.dy + 12 < 0);
}
