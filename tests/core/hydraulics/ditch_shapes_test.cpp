// The six ditch shapes: areas and perimeters by hand, area as the integral of top width, unknown
// types, wall breaks, report lines.
#include "hydraulics/ditch_shapes.h"

#include <cmath>

#include <gtest/gtest.h>

namespace kolv::hydraulics {
namespace {

using Dims = std::array<double, 7>;

TEST(DitchGeometry, AreasPerimetersAndTopWidthsWorkedByHand) {
    // The integral check below ties area to top width; only these hand values pin the wetted
    // perimeter, which sets the hydraulic radius of every ditch.
    const double r2 = std::sqrt(2.0), r20 = std::sqrt(20.0), r40 = std::sqrt(40.0);
    struct Case { int type; Dims dims; double depth, area, perimeter, top; };
    const Case cases[] = {
        // 2:1, 4 ft bottom, 3:1, 2 ft deep: A = 4 + 8 + 6
        {kDitchTrapezoid, {2, 4, 3}, 2.0, 18.0, r20 + 4 + r40, 14.0},
        // round, 1 ft radius: the full circle at and above 2 ft
        {kDitchRound, {1}, 2.5, M_PI, 2 * M_PI, 0.0},
        // 2:1 left, 4 ft bottom, right 1:1 up to 1 ft then 3:1; at 3 ft A = 9 + 12 + 1/2 + 2 + 6
        {kDitchThreeSided, {2, 4, 1, 3, 1}, 3.0, 29.5, std::sqrt(45.0) + 4 + r2 + r40, 17.0},
        // left 1:1 to 1 ft then 4:1, 6 ft bottom, right 2:1 to 2 ft then 5:1; at 3 ft A = 10.5 + 18 + 10.5
        {kDitchFourSided, {4, 1, 1, 6, 2, 5, 2}, 3.0, 39.0, 6 + r2 + std::sqrt(68.0) + r20 + std::sqrt(26.0), 24.0},
    };
    for (const Case& c : cases) {
        const FlowGeometry g = ditchGeometry(c.type, c.dims, c.depth);
        EXPECT_NEAR(g.area, c.area, 1e-12) << c.type;
        EXPECT_NEAR(g.wettedPerimeter, c.perimeter, 1e-12) << c.type;
        if (c.top > 0) EXPECT_NEAR(g.topWidth, c.top, 1e-12) << c.type;
    }
}

TEST(DitchGeometry, AreaIsTheIntegralOfTopWidthForEveryShape) {
    // dA/dy = T: Simpson's rule over the top width reproduces the area, across the wall breaks.
    const std::vector<std::pair<int, Dims>> shapes = {
        {kDitchTrapezoid, {2, 4, 3}},     {kDitchVBottom, {1.5, 4}},        {kDitchBox, {5}},
        {kDitchRound, {1.5}},             {kDitchThreeSided, {2, 4, 1, 6, 1.2}},
        {kDitchFourSided, {6, 1, 0.8, 3, 0.5, 8, 1.7}},
    };
    for (const auto& [type, dims] : shapes) {
        for (double y : {0.4, 1.0, 2.0, 2.9}) {
            const int n = 4000;
            double sum = 0;
            for (int i = 0; i <= n; ++i) {
                const double w = (i == 0 || i == n) ? 1 : (i % 2 ? 4 : 2);
                sum += w * ditchGeometry(type, dims, y * i / n).topWidth;
            }
            // Simpson is exact on the quadratic pieces and nearly so across a kink at a break; the
            // circle's top width has a square-root end, which costs about h^1.5 (~1e-5 here).
            const double tolerance = type == kDitchRound ? 2e-5 : 1e-6;
            EXPECT_NEAR(ditchArea(type, dims, y), sum * (y / n) / 3, tolerance) << type << " at " << y;
            EXPECT_NEAR(ditchGeometry(type, dims, y).area, ditchArea(type, dims, y), 1e-12);
        }
    }
}

TEST(DitchGeometry, UnknownTypeAndNegativeDimensions) {
    EXPECT_EQ(ditchGeometry(6, Dims{1, 1, 1, 1, 1, 1, 1}, 1.0).area, 0.0);
    EXPECT_EQ(ditchGeometry(-1, Dims{1, 1, 1, 1, 1, 1, 1}, 1.0).wettedPerimeter, 0.0);
    EXPECT_TRUE(ditchDimensionsValid(kDitchTrapezoid, Dims{2, 4, 3, -9}));  // DIM_3 is not a trapezoid's
    EXPECT_FALSE(ditchDimensionsValid(kDitchTrapezoid, Dims{2, -4, 3}));
    EXPECT_FALSE(ditchDimensionsValid(kDitchFourSided, Dims{1, 1, 1, 1, 1, 1, -1}));
    EXPECT_FALSE(ditchDimensionsValid(7, Dims{}));
}

TEST(DitchGeometry, BreakDepthsInsideTheNominalHeight) {
    EXPECT_EQ(ditchBreakDepths(kDitchFourSided, Dims{4, 1, 2.5, 6, 2, 5, 1}), (std::vector<double>{1, 2.5}));
    EXPECT_EQ(ditchBreakDepths(kDitchFourSided, Dims{4, 1, 2, 6, 2, 5, 2}), (std::vector<double>{2}));
    EXPECT_EQ(ditchBreakDepths(kDitchThreeSided, Dims{2, 4, 1, 3, 0}), (std::vector<double>{}));
    EXPECT_EQ(ditchBreakDepths(kDitchRound, Dims{1.5}), (std::vector<double>{3}));
    EXPECT_EQ(ditchBreakDepths(kDitchRound, Dims{25}), (std::vector<double>{}));
    EXPECT_TRUE(ditchBreakDepths(kDitchTrapezoid, Dims{2, 4, 3}).empty());
}

TEST(DitchDescription, ReportLinesOfEveryShape) {
    auto expectLines = [](int type, const Dims& d, const char* name, const char* l1, const char* l2) {
        const DitchDescription desc = ditchDescription(type, d);
        EXPECT_EQ(desc.shapeName, name);
        EXPECT_EQ(desc.line1, l1);
        EXPECT_EQ(desc.line2, l2);
    };
    expectLines(kDitchTrapezoid, {2, 4, 3}, "TRAPEZOID:", "2:1 4 Wide 3:1 ", "");
    expectLines(kDitchVBottom, {1.5, 2}, "V BOTTOM:", "1.5:1 2:1 ", "");
    expectLines(kDitchBox, {6}, "BOX:", "6 Wide ", "");
    expectLines(kDitchRound, {1.25}, "ROUND:", "1.25 Radius", "");
    expectLines(kDitchThreeSided, {2, 4, 1, 3, 1.5}, "3-SIDED:", "2:1 4 Wide 1:1 ", "1:1 @ht 1.5 3:1");
    expectLines(kDitchFourSided, {4, 2, 1, 6, 3, 5, 2}, "4-SIDED:", "2:1 @ht 1 4:1 6 Wide", "3:1 @ht 2 5:1");
    expectLines(8, {1, 2, 3}, "", "", "");
}

}  // namespace
}  // namespace kolv::hydraulics
