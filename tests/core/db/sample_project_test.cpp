// The seed catalogue of structures and pipes: data faults an engineer would catch.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

#include "common/text.h"
#include "db/record_set.h"
#include "support/test_support.h"

using namespace kolv;
using namespace kolv::db;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFeetPerMeter = 3.28083989501;

/// The structure groups in list order; a structure's GROUPP is its index here.
const char* const kStructureGroups[] = {"Manhole",      "Endwall - Straight", "Endwall - Sloped", "Ditch Inlet",
                                        "Gutter Inlet", "Curb Inlet",         "Outfall"};

struct SeedCatalogue : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<Database> db = Database::open(test::makeSeed(dir));
};

TEST_F(SeedCatalogue, BothUnitSystemsHoldEveryStructureGroupWithItsDiagramClass) {
    for (int engMet : {0, 1}) {
        std::set<long> groups;
        RecordSet t6(*db, "T6", "ENG_MET = ?", {engMet});
        ASSERT_GT(t6.recordCount(), 10u) << "ENG_MET " << engMet;
        for (t6.moveFirst(); !t6.eof(); t6.moveNext()) {
            const std::string name = t6.text("NAME");
            const long g = t6.integer("GROUPP");
            ASSERT_GE(g, 0) << name;
            ASSERT_LE(g, 6) << name;
            groups.insert(g);
            EXPECT_EQ(t6.text("DIAGRAM_CLASS_NAME"), kStructureGroups[g]) << name;
            EXPECT_FALSE(trim(t6.text("TYPE_OF_STR_SHORT")).empty()) << name;
            // A deeper structure never costs less; a zero cost is reported by every cost run.
            EXPECT_GT(t6.number("COST_LT"), 0.0) << name;
            EXPECT_GE(t6.number("COST_GT"), t6.number("COST_LT")) << name;
            EXPECT_GE(t6.number("MIN_PIPE_COVER"), 0.0) << name;
            EXPECT_GE(t6.number("HGL_CLEAR"), 0.0) << name;
            if (g == 3 || g == 4 || g == 5) {
                EXPECT_GT(t6.number("MAX_INLET_HYD_CAPACITY"), 0.0) << name;
            }
            // The grade line stays 1 ft below curb and gutter inlets and 0.5 ft below ditch
            // inlets and manholes; the metric twins hold the same depths in meters.
            const double clearFt = t6.number("HGL_CLEAR") * (engMet == 1 ? kFeetPerMeter : 1.0);
            if (g == 4 || g == 5) {
                EXPECT_NEAR(clearFt, 1.0, 0.02) << name;
            }
            if (g == 0 || g == 3) {
                EXPECT_NEAR(clearFt, 0.5, 0.02) << name;
            }
        }
        EXPECT_EQ(groups.size(), 7u) << "ENG_MET " << engMet;
    }
}

TEST_F(SeedCatalogue, RoundPipesHaveCircleAreasAndConcreteWallsAndTheMetricOnesAreTheSameSizes) {
    // Area = pi D^2 / 4 (4 decimals stored); concrete wall about D/12 + 1 in; English sizes in feet
    // (an 18 in pipe is 1.5). Nominal 450 mm stands for 18 in (0.4572 m): within 3 %. A metric
    // height typed in millimetres or feet, or an area in square feet, fails here.
    RecordSet eng(*db, "T7", "ENG_MET = 0 AND GROUPP = 1", {}, "AREA");
    RecordSet met(*db, "T7", "ENG_MET = 1 AND GROUPP = 11", {}, "AREA");
    ASSERT_EQ(eng.recordCount(), met.recordCount());
    std::set<int> inches;
    for (eng.moveFirst(), met.moveFirst(); !eng.eof(); eng.moveNext(), met.moveNext()) {
        const std::string name = eng.text("NAME"), metName = met.text("NAME");
        const double dFt = eng.number("HEIGHT"), dM = met.number("HEIGHT");
        EXPECT_DOUBLE_EQ(eng.number("WIDTH"), dFt) << name;
        EXPECT_NEAR(eng.number("AREA"), kPi * dFt * dFt / 4.0, 0.0005) << name;
        inches.insert(static_cast<int>(std::lround(dFt * 12.0)));
        EXPECT_NEAR(eng.number("THICKNESS") * 12.0, dFt + 1.0, 0.01) << name;
        EXPECT_GE(eng.number("N"), 0.012) << name;
        EXPECT_LE(eng.number("N"), 0.013) << name;
        EXPECT_NEAR(dM * kFeetPerMeter / dFt, 1.0, 0.03) << metName;
        EXPECT_NEAR(met.number("AREA"), kPi * dM * dM / 4.0, 0.0005) << metName;
        EXPECT_NEAR(met.number("THICKNESS") * kFeetPerMeter / eng.number("THICKNESS"), 1.0, 0.03) << metName;
    }
    EXPECT_EQ(inches, (std::set<int>{15, 18, 24, 30, 36, 42, 48, 54, 60, 72}));
}

TEST_F(SeedCatalogue, EveryPipeGroupIsUsableBySizingInBothUnitsAndHoldsOneUnitSystem) {
    // Sizing stops at a pipe with height or width 0 or n outside (0, 1); it tries the group's pipes
    // by ascending area, so larger areas must mean taller pipes. Costs of 0 are reported per node.
    // Sizing loads a group by its code alone: a group holding metric rows would offer a 0.45 m
    // pipe to an English project as 0.45 ft.
    std::map<long, long> unitsOfGroup;
    for (int engMet : {0, 1}) {
        RecordSet t7(*db, "T7", "ENG_MET = ?", {engMet}, "GROUPP, AREA");
        ASSERT_GT(t7.recordCount(), 20u);
        std::map<long, double> lastHeight;
        for (t7.moveFirst(); !t7.eof(); t7.moveNext()) {
            const std::string name = t7.text("NAME");
            const long g = t7.integer("GROUPP");
            EXPECT_EQ(unitsOfGroup.emplace(g, engMet).first->second, engMet) << "GROUPP " << g << " mixes units";
            EXPECT_GT(t7.number("HEIGHT"), 0.0) << name;
            EXPECT_GE(t7.number("WIDTH"), t7.number("HEIGHT")) << name;
            EXPECT_GT(t7.number("AREA"), 0.0) << name;
            EXPECT_GT(t7.number("N"), 0.0) << name;
            EXPECT_LT(t7.number("N"), 0.1) << name;
            EXPECT_GT(t7.number("COST"), 0.0) << name;
            if (g % 10 != 9) {
                EXPECT_GT(t7.number("THICKNESS"), 0.0) << name;  // ditches have no wall
            }
            // Horizontal ellipses: span > rise, and the four-arc section of the pipe standard holds
            // 2-6 % more than the true ellipse pi W H / 4 (19 x 30 in: 3.3 ft2 against 3.11).
            if (g == 2) {
                EXPECT_GT(t7.number("WIDTH"), t7.number("HEIGHT") * 1.4) << name;
                EXPECT_NEAR(t7.number("AREA") / (kPi * t7.number("WIDTH") * t7.number("HEIGHT") / 4.0), 1.04, 0.03) << name;
            }
            if (g == 3) {
                EXPECT_DOUBLE_EQ(t7.number("N"), 0.024) << name;  // corrugated metal
            }
            if (lastHeight.count(g)) {
                EXPECT_GE(t7.number("HEIGHT"), lastHeight[g]) << name;
            }
            lastHeight[g] = t7.number("HEIGHT");
        }
        EXPECT_EQ(lastHeight.size(), 4u);  // round and elliptical concrete, corrugated metal, ditches
    }
}

}  // namespace
