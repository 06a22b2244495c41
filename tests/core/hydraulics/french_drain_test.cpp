// French-drain exfiltration: segment count, refusals, and removal against hand calculations.
#include "hydraulics/french_drain.h"

#include <cmath>

#include <gtest/gtest.h>

namespace kolv::hydraulics {
namespace {

TEST(TrenchSegments, IntegerPartPlusTwentyOneWithinTwentyFiveAndEighty) {
    EXPECT_EQ(trenchSegments(10), 25);     // int(1.5) + 21 = 22 -> 25
    EXPECT_EQ(trenchSegments(26.7), 25);   // int(4.005) + 21 = 25
    EXPECT_EQ(trenchSegments(33.4), 26);   // int(5.01) + 21
    EXPECT_EQ(trenchSegments(100), 36);    // 15 + 21
    EXPECT_EQ(trenchSegments(393.4), 80);  // int(59.01) + 21 = 80
    EXPECT_EQ(trenchSegments(400), 80);    // 81 -> 80
    EXPECT_EQ(trenchSegments(5000), 80);
}

FrenchDrainTrench sandTrench() {
    FrenchDrainTrench t;
    t.designGroundwaterElev = 98;  // ft
    t.groundElev = 100;
    t.toDepth = {4, 6, 9};  // layer bottoms 4, 6, 9 ft below ground
    t.k = {0.001, 0, 0};
    return t;
}

TEST(FrenchDrain, MissingInputsOrHighGroundwaterRemoveNothing) {
    const FrenchDrainTrench t = sandTrench();
    for (const FrenchDrainResult& r : {frenchDrainExfiltration(0, 0.013, 2, 100, 80, 100, t),
                                       frenchDrainExfiltration(5, 0, 2, 100, 80, 100, t),
                                       frenchDrainExfiltration(5, 0.013, 0, 100, 80, 100, t),
                                       frenchDrainExfiltration(5, 0.013, 2, 100, 0, 100, t),
                                       frenchDrainExfiltration(5, 0.013, 2, 100, -3, 100, t),
                                       frenchDrainExfiltration(5, 0.013, 2, 100, 80, 97.9, t)}) {
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.removedCfs, 0.0);
    }
    // Groundwater above the grade line only by less than single precision resolves: computed.
    const FrenchDrainResult close = frenchDrainExfiltration(5, 0.013, 2, 100, 80, 98 - 1e-9, t);
    EXPECT_EQ(close.status, 0);
    EXPECT_EQ(close.segments, 33);  // int(12) + 21
}

TEST(FrenchDrain, WithoutFrictionTheHeadIsConstantAlongTheTrench) {
    // n so small that friction vanishes: h = 100 - 98 = 2 ft everywhere, Du = 98 - (100 - 4) = 2 ft.
    // Per foot: 2 K1 h (h/2 + Du) = 2 * 0.001 * 2 * 3 = 0.012; layers 2 and 3:
    // 2 K2 (D2 - D1) h = 2 * 0.002 * 2 * 2 = 0.016, 2 K3 (D3 - D2) h = 2 * 0.0005 * 3 * 2 = 0.006.
    FrenchDrainTrench t = sandTrench();
    const FrenchDrainResult k1 = frenchDrainExfiltration(5, 1e-9, 2, 120, 100, 100, t);
    EXPECT_EQ(k1.status, 0);
    EXPECT_EQ(k1.segments, 36);
    EXPECT_NEAR(k1.removedCfs, 0.012 * 100, 1e-9);
    t.k = {0.001, 0.002, 0.0005};
    EXPECT_NEAR(frenchDrainExfiltration(5, 1e-9, 2, 120, 100, 100, t).removedCfs, (0.012 + 0.016 + 0.006) * 100, 1e-9);
}

TEST(FrenchDrain, FrictionAheadOfTheTrenchLowersTheHead) {
    // 24 in pipe, n 0.013, Q 10 cfs: S = 4.61 n^2 Q^2 / D^5.33 = 0.077909 / 40.224 = 0.0019369 (hand).
    // A 1 ft trench in the middle of a 10001 ft reach: H = 120 - 5000 * S = 110.3155 ft, so
    // h = 12.3155 ft over the 98 ft groundwater; Du = 2 ft; K1 0.00001 barely changes Q, and the
    // 1 ft of trench adds at most 0.002 ft of friction: removed = 2 K1 h (h/2 + Du) * 1 ft.
    FrenchDrainTrench t = sandTrench();
    t.k = {0.00001, 0, 0};
    const double s = 4.61 * 0.013 * 0.013 * 100 / std::pow(2.0, 5.33);
    EXPECT_NEAR(s, 0.0019369, 1e-6);
    const double h = 120 - 5000 * s - 98;
    const double expected = 2 * 0.00001 * h * (h / 2 + 2) * 1;
    const FrenchDrainResult r = frenchDrainExfiltration(10, 0.013, 2, 10001, 1, 120, t);
    EXPECT_EQ(r.segments, 25);
    EXPECT_NEAR(r.removedCfs, expected, expected * 5e-4);
    // Without the 5000 ft ahead of the trench the head is higher and more flow leaves.
    EXPECT_GT(frenchDrainExfiltration(10, 0.013, 2, 1, 1, 120, t).removedCfs, r.removedCfs * 1.5);
}

}  // namespace
}  // namespace kolv::hydraulics
