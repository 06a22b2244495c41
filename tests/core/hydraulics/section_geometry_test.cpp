// Flow geometry of pipes: round pipes at key depths, elliptical pipes.
#include "hydraulics/section_geometry.h"

#include <gtest/gtest.h>

#include "hydraulics/circular_section.h"

namespace kolv::hydraulics {
namespace {

TEST(CircularSegment, FullHalfQuarterAndDryDepthsMatchHandGeometry) {
    // 36 in pipe full and above full: the whole circle, A = pi D^2 / 4, P = pi D, R = D / 4, no top width.
    // Half full: half the circle, R = D / 4, top width D. A quarter of the diameter, unit radius:
    // theta = 2 arccos(1/2) = 2 pi / 3, A = (2.094395 - 0.866025) / 2 = 0.614185, P = 2.094395,
    // T = 2 sin 60 deg = 1.732051 (hand).
    struct Case { double d, y, area, perimeter, radius, top, tolerance; };
    const double d = 3.0, full = kPi * d * d / 4;
    const Case cases[] = {{d, 3.0, full, kPi * d, d / 4, 0, 1e-12},
                          {d, 3.5, full, kPi * d, d / 4, 0, 1e-12},
                          {d, 40.0, full, kPi * d, d / 4, 0, 1e-12},
                          {d, d / 2, full / 2, kPi * d / 2, d / 4, d, 1e-12},
                          {2.0, 0.5, 0.614185, 2.094395, 0.614185 / 2.094395, 1.732051, 1e-6}};
    for (const Case& c : cases) {
        const FlowGeometry g = circularSegment(c.d, c.y);
        EXPECT_NEAR(g.area, c.area, c.tolerance) << c.y;
        EXPECT_NEAR(g.wettedPerimeter, c.perimeter, c.tolerance) << c.y;
        EXPECT_NEAR(g.hydraulicRadius, c.radius, c.tolerance) << c.y;
        EXPECT_NEAR(g.topWidth, c.top, c.tolerance) << c.y;
    }
    // A dry pipe and a pipe of no diameter have no geometry.
    const FlowGeometry dry = circularSegment(2.0, 0.0);
    EXPECT_EQ(dry.area, 0.0);
    EXPECT_EQ(dry.wettedPerimeter, 0.0);
    EXPECT_EQ(dry.hydraulicRadius, 0.0);
    EXPECT_EQ(circularSegment(0.0, 1.0).area, 0.0);
    EXPECT_EQ(circularSegmentArea(2.0, 0.0), 0.0);
}

TEST(PipeGeometry, EllipticalPipeScalesTheCircleAndKeepsTheFullPerimeter) {
    // 38 x 24 in elliptical pipe: full area = pi a b with semi-axes 19 and 12 in.
    const double w = 38.0 / 12, h = 2.0;
    const FlowGeometry full = pipeGeometry(w, h, h);
    EXPECT_NEAR(full.area, kPi * (w / 2) * (h / 2), 1e-12);
    // The perimeter is the full-flow approximation pi (W + H) / 2 at every depth.
    const double perimeter = kPi * (w + h) / 2;
    EXPECT_NEAR(full.wettedPerimeter, perimeter, 1e-12);
    const FlowGeometry half = pipeGeometry(w, h, h / 2);
    EXPECT_NEAR(half.area, kPi * (w / 2) * (h / 2) / 2, 1e-12);
    EXPECT_NEAR(half.wettedPerimeter, perimeter, 1e-12);
    EXPECT_NEAR(half.topWidth, w, 1e-12);
    EXPECT_NEAR(half.hydraulicRadius, half.area / perimeter, 1e-12);
    EXPECT_NEAR(pipeArea(w, h, h / 2), half.area, 1e-12);
    // A round pipe goes through the circular segment, perimeter included.
    EXPECT_NEAR(pipeGeometry(2.0, 2.0, 1.0).wettedPerimeter, kPi, 1e-12);
}

}  // namespace
}  // namespace kolv::hydraulics
