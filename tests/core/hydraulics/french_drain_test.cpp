// French-drain exfiltration: segment count, refusals, and removal against hand calculations.
#include "hydraulics/french_drain.h"

#include <gtest/gtest.h>

namespace kolv::hydraulics {
namespace {

TEST(TrenchSegments, IntegerPartPlusTwentyOneWithinTwentyFiveAndEighty) {
    // int(0.15 L) + 21: 10 ft -> 22 -> 25, 26.7 -> 25, 33.4 -> 26, 100 -> 36, 393.4 -> 80, 400 -> 81 -> 80.
    const std::pair<double, int> cases[] = {{10, 25},    {26.7, 25}, {33.4, 26}, {100, 36},
                                            {393.4, 80}, {400, 80},  {5000, 80}};
    for (const auto& [length, segments] : cases) EXPECT_EQ(trenchSegments(length), segments) << length;
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
    // With friction negligible the head is 100 - 98 = 2 ft along the trench, Du = 98 - (100 - 4) = 2 ft;
    // per foot 2 K1 h (h/2 + Du) + 2 K2 (D2 - D1) h + 2 K3 (D3 - D2) h = 0.012 + 0.016 + 0.006 (hand).
    FrenchDrainTrench layered = t;
    layered.k = {0.001, 0.002, 0.0005};
    EXPECT_NEAR(frenchDrainExfiltration(5, 1e-9, 2, 120, 100, 100, layered).removedCfs, 0.034 * 100, 1e-9);
}

}  // namespace
}  // namespace kolv::hydraulics
