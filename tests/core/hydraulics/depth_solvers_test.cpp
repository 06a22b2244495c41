// Normal depth against Manning's equation solved independently; critical depth against the plain energy scan.
#include "hydraulics/depth_solvers.h"

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "hydraulics/ditch_shapes.h"

namespace kolv::hydraulics {
namespace {

using Dims = std::array<double, 7>;

/// Manning discharge (cfs) of a geometry: Q = (1.49 / n) A R^(2/3) sqrt S.
double manningFlow(double area, double perimeter, double n, double slope) {
    return 1.49 / n * area * std::pow(area / perimeter, 2.0 / 3.0) * std::sqrt(slope);
}

// ---- normal depth ------------------------------------------------------------------------------

TEST(NormalDepth, EveryDitchShapeRecoversTheDepthItsFlowWasComputedFor) {
    // Flow from hand-written geometry at a chosen depth, then solved back (Manning, n 0.03, S 0.4 %).
    struct Case { int type; Dims d; double y, area, perimeter; };
    const double y = 1.5;
    const std::vector<Case> cases = {
        // trapezoid 2:1, 4 ft, 3:1: A = 2.5 y^2 + 4 y, P = 4 + y (sqrt 5 + sqrt 10)
        {kDitchTrapezoid, {2, 4, 3}, y, 2.5 * y * y + 4 * y, 4 + y * (std::sqrt(5.0) + std::sqrt(10.0))},
        // V 2:1 / 3:1: A = 2.5 y^2, P = y (sqrt 5 + sqrt 10)
        {kDitchVBottom, {2, 3}, y, 2.5 * y * y, y * (std::sqrt(5.0) + std::sqrt(10.0))},
        // box 4 ft: A = 4 y, P = 4 + 2 y
        {kDitchBox, {4}, y, 4 * y, 4 + 2 * y},
        // round r 2 at 1.5: theta = 2 acos(1 - 0.75)
        {kDitchRound, {2}, y, 4 * (2 * std::acos(0.25) - std::sin(2 * std::acos(0.25))) / 2, 2 * 2 * std::acos(0.25)},
        // 3-sided 1:1, 2 ft, right 2:1 to 1 ft then 4:1: A = y^2/2 + 2y + 1 + 2*0.5 + 4*0.25/2
        {kDitchThreeSided, {1, 2, 2, 4, 1}, y, y * y / 2 + 2 * y + 1 + 1 + 0.5,
         std::sqrt(2.0) * y + 2 + std::sqrt(5.0) + std::sqrt(4.0 + 0.25)},
        // 4-sided: left 1:1 to 0.5 then 3:1, 2 ft bottom, right 2:1 to 1 then 6:1
        {kDitchFourSided, {3, 1, 0.5, 2, 2, 6, 1}, y,
         (0.125 + 3 * 0.5 + 0.5) + 2 * y + (1 + 6 * 0.125 + 1),
         std::sqrt(0.5) + std::sqrt(9 + 1.0) + 2 + std::sqrt(5.0) + std::sqrt(9 + 0.25)},
    };
    for (const Case& c : cases) {
        const double q = manningFlow(c.area, c.perimeter, 0.03, 0.004);
        const NormalDepthResult r = normalDepth(Section::ditch(c.type, c.d), q, 0.03, 0.004, 1e-10);
        EXPECT_NEAR(r.depthFt, c.y, 1e-7) << c.type;
        EXPECT_NEAR(r.areaSqFt, c.area, 1e-6) << c.type;
        // Default tolerance 0.001 on the section factor: depth within a few thousandths.
        EXPECT_NEAR(normalDepth(Section::ditch(c.type, c.d), q, 0.03, 0.004, 0).depthFt, c.y, 0.005) << c.type;
    }
}

TEST(NormalDepth, FirstGuessHalfThePipeFortyFeetInADitchAndBelowTheRoundDitchTop) {
    // A tolerance no section factor can miss ends the search at the first guess.
    const double huge = 1e12;
    EXPECT_DOUBLE_EQ(normalDepth(Section::circular(3), 10, 0.013, 0.01, huge).depthFt, 1.5);
    EXPECT_DOUBLE_EQ(normalDepth(Section::ditch(kDitchTrapezoid, Dims{2, 4, 2}), 10, 0.03, 0.01, huge).depthFt, 40.0);
    // Round ditch of radius 1.5: the 40 ft guess drops to 0.999 x the limiting depth (its diameter by default).
    const Section round = Section::ditch(kDitchRound, Dims{1.5});
    EXPECT_DOUBLE_EQ(normalDepth(round, 10, 0.03, 0.01, huge).depthFt, 0.999 * 3);
    EXPECT_DOUBLE_EQ(normalDepth(round, 10, 0.03, 0.01, huge, 2.0).depthFt, 0.999 * 2);
    EXPECT_EQ(normalDepth(round, 10, 0.03, 0.01, huge).iterations, 0);
    // More flow than a 12 in pipe carries at any depth: the bracket closes on the crown and the
    // search gives up after 500 halvings.
    const NormalDepthResult over = normalDepth(Section::circular(1.0), 500, 0.013, 0.001, 0.001);
    EXPECT_EQ(over.iterations, 500);
    EXPECT_NEAR(over.depthFt, 1.0, 1e-12);
}

// ---- critical depth ----------------------------------------------------------------------------

/// The specific-energy scan, plainly: y = k step up to the section height, E = y + (Q/A)^2/(2g),
/// E_min from +infinity, answer (previous + y) / 2 at the first E >= E_min, the last depth when
/// the energy falls all the way, depths without area skipped.
double plainScan(const Section& s, double q, double step) {
    if (step <= 0) step = 0.001;
    double eMin = std::numeric_limits<double>::infinity();
    double previous = 0;
    for (long k = 1;; ++k) {
        const double y = static_cast<double>(k) * step;
        if (y > s.nominalHeight()) return previous;
        const double a = sectionArea(s, y);
        if (!(a > 0)) continue;
        const double v = q / a;
        const double e = y + v * v / (2 * kGravityFtPerS2);
        if (e < eMin) {
            eMin = e;
            previous = y;
        } else {
            return (previous + y) / 2;
        }
    }
}

/// Flows from 0.01 to 2000 cfs, evenly spaced on a log scale, plus a few round numbers.
std::vector<double> flowSweep() {
    std::vector<double> flows;
    for (int i = 0; i <= 48; ++i) flows.push_back(0.01 * std::pow(2000 / 0.01, i / 48.0));
    for (double q : {0.0, 0.5, 1.0, 1.3, 10.0, 100.0, 1000.0, 2000.0}) flows.push_back(q);
    return flows;
}

void expectSameAsScan(const Section& s, const char* what, double step = 0.001) {
    for (double q : flowSweep()) {
        const double fast = criticalDepth(s, q, step);
        const double scan = plainScan(s, q, step);
        ASSERT_EQ(fast, scan) << what << " Q=" << q << " step=" << step;
    }
}

TEST(CriticalDepth, EqualsThePlainScanForPipesAndEveryDitchShape) {
    for (int inches = 12; inches <= 120; inches += 6)
        expectSameAsScan(Section::circular(inches / 12.0), "round pipe");
    expectSameAsScan(Section::circular(1.25), "15 in, coarse step", 0.01);
    expectSameAsScan(Section::circular(1.25), "15 in, step 0 (default)", 0);
    expectSameAsScan(Section::pipe(23.0 / 12, 14.0 / 12), "23 x 14 in");
    expectSameAsScan(Section::pipe(38.0 / 12, 24.0 / 12), "38 x 24 in");
    expectSameAsScan(Section::pipe(4, 6), "vertical 48 x 72 in");
    expectSameAsScan(Section::ditch(kDitchTrapezoid, Dims{2, 4, 3}), "trapezoid");
    expectSameAsScan(Section::ditch(kDitchTrapezoid, Dims{0, 0.5, 0}), "narrow slot");
    expectSameAsScan(Section::ditch(kDitchVBottom, Dims{4, 6}), "V bottom");
    expectSameAsScan(Section::ditch(kDitchBox, Dims{3}), "box");
    expectSameAsScan(Section::ditch(kDitchRound, Dims{0.75}), "round r 0.75");
    expectSameAsScan(Section::ditch(kDitchRound, Dims{3}), "round r 3");
    expectSameAsScan(Section::ditch(kDitchThreeSided, Dims{2, 4, 1, 6, 1.2}), "3-sided");
    expectSameAsScan(Section::ditch(kDitchFourSided, Dims{6, 1, 0.8, 3, 0.5, 8, 1.7}), "4-sided");
    // Slots with wide berms: the energy can fall, rise, fall again and rise (two minima).
    expectSameAsScan(Section::ditch(kDitchThreeSided, Dims{0, 1, 0, 50, 2}), "slot with right berm");
    expectSameAsScan(Section::ditch(kDitchFourSided, Dims{50, 0, 2, 1, 0, 40, 2.5}), "slot with two berms");
    // Negative dimensions are outside what the quick search vouches for: the scan itself answers.
    expectSameAsScan(Section::ditch(kDitchTrapezoid, Dims{-0.5, 4, 2}), "negative slope");
}

TEST(CriticalDepth, NoFlowAndFlowsBeyondTheCrown) {
    // No flow: E = y rises from the first step on, so the answer is 1.5 steps.
    EXPECT_DOUBLE_EQ(criticalDepth(Section::circular(2.0), 0), 0.0015);
    // A ditch with no area at all: nothing scanned, 0.
    EXPECT_EQ(criticalDepth(Section::ditch(kDitchBox, Dims{0}), 5), 0.0);
    EXPECT_EQ(criticalDepth(Section::ditch(9, Dims{1, 1, 1}), 5), 0.0);
    // Pipe data that is not a number ends at once instead of scanning for ever.
    EXPECT_EQ(criticalDepth(Section::circular(std::numeric_limits<double>::infinity()), 5), 0.0);
    EXPECT_EQ(criticalDepth(Section::circular(std::nan("")), 5), 0.0);
    // 2000 cfs in a 12 in pipe: the energy falls to within a step or two of the crown.
    const double yc = criticalDepth(Section::circular(1.0), 2000);
    EXPECT_GT(yc, 0.99);
    EXPECT_LE(yc, 1.0);
    EXPECT_EQ(criticalDepthScan(Section::circular(1.0), 2000), yc);
}

TEST(CriticalDepth, EqualsThePlainScanForRandomSectionsAndFlows) {
    // Fixed-seed sections of every kind, compound ditches with berms among them.
    std::mt19937 rng(20261206);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto slope = [&] { return unit(rng) < 0.2 ? 0.0 : (unit(rng) < 0.3 ? 10 + 60 * unit(rng) : 6 * unit(rng)); };
    auto width = [&] { return unit(rng) < 0.2 ? 0.0 : 0.2 + 12 * unit(rng); };
    auto height = [&] { return 0.1 + 5 * unit(rng); };
    for (int i = 0; i < 400; ++i) {
        Section s;
        const int kind = i % 8;
        if (kind == 6) {
            s = Section::circular(1 + 9 * unit(rng));
        } else if (kind == 7) {
            s = Section::pipe(1 + 9 * unit(rng), 1 + 9 * unit(rng));
        } else {
            Dims d{};
            switch (kind) {
            case kDitchTrapezoid: d = {slope(), width(), slope()}; break;
            case kDitchVBottom: d = {slope() + 0.1, slope()}; break;
            case kDitchBox: d = {0.2 + 12 * unit(rng)}; break;
            case kDitchRound: d = {0.2 + 5 * unit(rng)}; break;
            case kDitchThreeSided: d = {slope(), width(), slope(), slope(), height()}; break;
            default: d = {slope(), slope(), height(), width(), slope(), slope(), height()}; break;
            }
            s = Section::ditch(kind, d);
        }
        for (int j = 0; j < 6; ++j) {
            const double q = 0.01 * std::pow(2000 / 0.01, unit(rng));
            ASSERT_EQ(criticalDepth(s, q), plainScan(s, q, 0.001)) << "section " << i << " Q=" << q;
        }
    }
}

TEST(CriticalDepth, AnAbsurdHeightEndsInBoundedWork) {
    // A damaged pipe height once walked the energy curve 0.001 ft at a time up to 1e38 ft.
    for (const Section& s : {Section::circular(1e38), Section::pipe(3.0, 1e38), Section::pipe(0.0, 1e38),
                             Section::circular(1e12)}) {
        const double yc = criticalDepth(s, 10.0);
        EXPECT_TRUE(std::isfinite(yc)) << s.height;
        EXPECT_GE(yc, 0.0);
        EXPECT_LE(yc, s.height);
        EXPECT_TRUE(std::isfinite(criticalDepthScan(s, 10.0)));
    }
    // Ordinary sections keep their grid: the scan and the search agree to the step.
    const Section pipe = Section::circular(4.0);
    EXPECT_EQ(criticalDepth(pipe, 30.0), criticalDepthScan(pipe, 30.0));
}

}  // namespace
}  // namespace kolv::hydraulics
