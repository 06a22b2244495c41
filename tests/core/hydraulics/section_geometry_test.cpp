// Flow geometry of pipes: the clamped arc cosine, round pipes at key depths, elliptical pipes.
#include "hydraulics/section_geometry.h"

#include <cmath>

#include <gtest/gtest.h>

#include "hydraulics/circular_section.h"

namespace kolv::hydraulics {
namespace {

TEST(ArcCos, ClampsOutsideTheOpenIntervalAndAgreesWithTheLibraryInside) {
    // Ends: arccos 1 = 0, arccos -1 = pi; beyond them the same, with no division by zero.
    EXPECT_EQ(arcCos(1.0), 0.0);
    EXPECT_EQ(arcCos(1.5), 0.0);
    EXPECT_DOUBLE_EQ(arcCos(-1.0), kPi);
    EXPECT_DOUBLE_EQ(arcCos(-7.0), kPi);
    // Inside: std::acos is an independent reference.
    for (double x : {-0.999999, -0.75, -0.5, 0.0, 0.3, 0.5, 0.9, 0.999999})
        EXPECT_NEAR(arcCos(x), std::acos(x), 1e-12) << x;
}

TEST(CircularSegment, FullHalfQuarterAndDryDepthsMatchHandGeometry) {
    const double d = 3.0;  // 36 in pipe
    // Full (and any depth above full): the whole circle, A = pi D^2 / 4, P = pi D, R = D / 4.
    for (double y : {3.0, 3.5, 40.0}) {
        const FlowGeometry full = circularSegment(d, y);
        EXPECT_NEAR(full.area, kPi * d * d / 4, 1e-12);
        EXPECT_NEAR(full.wettedPerimeter, kPi * d, 1e-12);
        EXPECT_NEAR(full.hydraulicRadius, d / 4, 1e-12);
        EXPECT_NEAR(full.topWidth, 0.0, 1e-12);
    }
    // Half full: half the circle, R = D / 4, top width D.
    const FlowGeometry half = circularSegment(d, d / 2);
    EXPECT_NEAR(half.area, kPi * d * d / 8, 1e-12);
    EXPECT_NEAR(half.wettedPerimeter, kPi * d / 2, 1e-12);
    EXPECT_NEAR(half.hydraulicRadius, d / 4, 1e-12);
    EXPECT_NEAR(half.topWidth, d, 1e-12);
    // A quarter of the diameter, unit radius: theta = 2 arccos(1/2) = 2 pi / 3,
    // A = (2.094395 - 0.866025) / 2 = 0.614185, P = 2.094395, T = 2 sin 60 deg = 1.732051 (hand).
    const FlowGeometry quarter = circularSegment(2.0, 0.5);
    EXPECT_NEAR(quarter.area, 0.614185, 1e-6);
    EXPECT_NEAR(quarter.wettedPerimeter, 2.094395, 1e-6);
    EXPECT_NEAR(quarter.topWidth, 1.732051, 1e-6);
    EXPECT_NEAR(quarter.hydraulicRadius, 0.614185 / 2.094395, 1e-6);
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
