// The named factors against their exact definitions: a mistyped digit in one of them moves every metric result.
#include "common/units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kolv::units {
namespace {

struct Factor {
    const char* name;
    double value;
    double exact;     ///< from the definitions: 1 ft = 0.3048 m, 1 ac = 43,560 sq ft, 1 ha = 10,000 sq m
    double relative;  ///< how far the factor's rounding may leave it from the exact value
};

TEST(Units, EachFactorIsItsDefinitionWithinItsRounding) {
    const double m = 0.3048;  // metres per foot
    const Factor factors[] = {
        {"kFeetPerMeter", kFeetPerMeter, 1 / m, 3e-6},
        {"kFeetPerMeterShort", kFeetPerMeterShort, 1 / m, 2e-5},
        {"kFeetPerMeterInternational", kFeetPerMeterInternational, 1 / m, 1e-8},
        {"kMetersPerUsSurveyFoot", kMetersPerUsSurveyFoot, m, 3e-6},
        {"kMetersPerInch", kMetersPerInch, m / 12, 1e-15},
        {"kMillimetersPerInch", kMillimetersPerInch, 1000 * m / 12, 1e-15},
        {"kMetersPerMile", kMetersPerMile, 5280 * m, 1e-15},
        {"kSqFtPerSqM", kSqFtPerSqM, 1 / (m * m), 1e-7},
        {"kSqFtPerSqMShort", kSqFtPerSqMShort, 1 / (m * m), 2e-6},
        {"kSqMPerSqFt", kSqMPerSqFt, m * m, 1e-15},
        {"kSqMPerSqInch", kSqMPerSqInch, m * m / 144, 1e-15},
        {"kSqMPerSqMile", kSqMPerSqMile, 5280 * m * 5280 * m, 1e-15},
        {"kSqMPerAcre", kSqMPerAcre, 43560 * m * m, 1e-15},
        {"kHectaresPerAcre", kHectaresPerAcre, 43560 * m * m / 10000, 1e-15},
        {"kAcresPerHectare", kAcresPerHectare, 10000 / (43560 * m * m), 3e-5},
        {"kCfsPerCms", kCfsPerCms, 1 / (m * m * m), 2e-7},
        {"kCmsPerCfs", kCmsPerCfs, m * m * m, 1e-5},
        {"kCmsPerCfsExact", kCmsPerCfsExact, m * m * m, 1e-15},
        {"kCmsPerCfsListed", kCmsPerCfsListed, m * m * m, 2e-4},
        {"kPi", kPi, 4 * std::atan(1.0), 0},
        {"kGravityFtPerS2", kGravityFtPerS2, 32.174, 5e-4},  // standard gravity 9.80665 m/s²
        // Manning: (1 m in ft)^(1/3), to three and to two decimals
        {"kManningFactor", kManningFactor, std::cbrt(1 / m), 1e-4},
        {"kManningFactorRounded", kManningFactorRounded, std::cbrt(1 / m), 3e-3},
    };
    for (const Factor& f : factors)
        EXPECT_LE(std::fabs(f.value / f.exact - 1), f.relative) << f.name << " = " << f.value;
    // full pipes: π 0.75² for an 18 in pipe; span 2.5 by rise 1.5 has the mean circumference π (2.5 + 1.5) / 2
    EXPECT_NEAR(roundPipeArea(1.5), 1.767146, 1e-6);
    EXPECT_NEAR(pipePerimeter(2.5, 1.5), 6.283185, 1e-6);
}

}  // namespace
}  // namespace kolv::units
