// Compute Hydraulics options: the program-setup record, its defaults, and the compute command's validation.
#include "hydraulics/hydraulics_options.h"

#include <gtest/gtest.h>

#include <tuple>

#include "db/database.h"
#include "hydraulics/design_ranges.h"
#include "ui/recording_ui.h"
#include "support/test_support.h"

namespace kolv::hydraulics {
namespace {

class OptionsRecord : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = test::makeEmptyProject(dir);
    std::unique_ptr<db::Database> db = db::Database::open(path);

    long rowsOf7() { return static_cast<long>(db->scalar("SELECT COUNT(*) FROM T27 WHERE RECNUM = ?", {7}).toInt()); }
};

TEST_F(OptionsRecord, MissingRecordStartsAtTheDefaultsAndEveryFieldSurvivesReopening) {
    db->execute("DELETE FROM T27 WHERE RECNUM = ?", {7});
    const HydraulicsOptions d = loadHydraulicsOptions(*db, false);
    EXPECT_EQ(rowsOf7(), 1);
    EXPECT_EQ(d.maxPasses, 50);
    EXPECT_DOUBLE_EQ(d.maxHglDifferenceFt, 0.01);
    EXPECT_DOUBLE_EQ(d.minVelocityFps, 2.00);
    EXPECT_EQ(d.junctionMethod, 1);
    EXPECT_DOUBLE_EQ(d.minPhysicalVelocityFps, 2.50);
    EXPECT_FALSE(d.exitLoss || d.junctionLosses || d.fixedTc || d.deepWell || d.frenchDrain || d.jumpToCrown);
    // An HGL difference of 0.0001 is not exact in single precision: it must read back as typed.
    const HydraulicsOptions o{.useHydLength = true, .junctionMethod = 2, .fixedTc = true, .junctionLosses = true,
                              .minVelocityInForce = true, .deepWell = true, .frenchDrain = true, .maxPasses = 1000,
                              .noNegativeFlow = true, .fixedTcMin = 17.5, .minVelocityFps = 2.75,
                              .maxHglDifferenceFt = 0.0001, .minPhysicalVelocityFps = 3.1};
    saveHydraulicsOptions(*db, o, false);
    db.reset();
    db = db::Database::open(path);
    const auto fields = [](const HydraulicsOptions& x) {
        return std::tuple(x.useHydLength, x.junctionMethod, x.fixedTc, x.exitLoss, x.junctionLosses,
                          x.minVelocityInForce, x.deepWell, x.frenchDrain, x.maxPasses, x.noNegativeFlow,
                          x.jumpToCrown, x.fixedTcMin, x.minVelocityFps, x.maxHglDifferenceFt,
                          x.minPhysicalVelocityFps);
    };
    EXPECT_EQ(fields(loadHydraulicsOptions(*db, false)), fields(o));
    EXPECT_EQ(db->scalar("SELECT LVSINT1 FROM T27 WHERE RECNUM = ?", {7}).toInt(), -1);  // switches are -1 / 0
}

TEST_F(OptionsRecord, MetricProjectStoresMetersPerSecondAndComputesInFeet) {
    // A metric project's minimum velocity is typed and stored in m/s; the options hold ft/s (× 3.2808).
    db->execute("UPDATE T27 SET LVSSGL2 = ? WHERE RECNUM = ?", {0.61, 7});
    HydraulicsOptions o = loadHydraulicsOptions(*db, true);
    EXPECT_DOUBLE_EQ(o.minVelocityFps, 0.61 * 3.2808);
    EXPECT_EQ(minVelocityInProjectUnits(o.minVelocityFps, true), 0.61);
    // The field's caption and text follow the units: three decimals in m/s, two in ft/s.
    EXPECT_EQ(minVelocityCaption(true), "Min. Velocity (m/s)");
    EXPECT_EQ(minVelocityCaption(false), "Min. Velocity (ft/s)");
    EXPECT_EQ(formatMinVelocity(o.minVelocityFps, true), "0.610");
    EXPECT_EQ(formatMinVelocity(2, false), "2.00");
    o.minVelocityFps = 1.5 * 3.2808;
    saveHydraulicsOption(*db, o, HydraulicsOption::MinVelocity, true);
    EXPECT_EQ(db->scalar("SELECT LVSSGL2 FROM T27 WHERE RECNUM = ?", {7}).toDouble(), 1.5);
    // A new record of a metric project starts at 2.00 m/s.
    db->execute("DELETE FROM T27 WHERE RECNUM = ?", {7});
    EXPECT_DOUBLE_EQ(loadHydraulicsOptions(*db, true).minVelocityFps, 2.0 * 3.2808);
}

// ---- validation of the compute command ---------------------------------------------------------

struct Refusal {
    bool valid;
    HydraulicsOptions options;
    ui::RecordingUi ui;
};

Refusal check(HydraulicsOptions o, bool metric = false) {
    Refusal r;
    const OptionsCheck c = validateComputeOptions(o, metric, r.ui);
    r.valid = c.valid;
    r.options = c.options;
    return r;
}

void expectRefused(const Refusal& r, const std::string& text) {
    EXPECT_FALSE(r.valid);
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(r.ui.messages[0].title, "INVALID DATA");
    EXPECT_EQ(r.ui.messages[0].text, text);
    EXPECT_EQ(r.ui.beeps, 1);
}

/// One typed option at or beyond its limit: accepted silently, or refused with its message and
/// put back within the limit (the value the window shows afterwards).
struct LimitCase {
    const char* name;
    double HydraulicsOptions::*field;  // nullptr: the pass count (a long)
    double value;
    bool metric;
    bool fixedTc;
    const char* message;  // nullptr: accepted
    double resetTo;
};

class ComputeLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ComputeLimits, RefusedBeyondTheLimitAndResetWithin) {
    const LimitCase& c = GetParam();
    HydraulicsOptions o;
    o.fixedTc = c.fixedTc;
    if (c.field) o.*c.field = c.value;
    else o.maxPasses = static_cast<long>(c.value);
    const Refusal r = check(o, c.metric);
    if (!c.message) {
        EXPECT_TRUE(r.valid);
        EXPECT_TRUE(r.ui.messages.empty());
        EXPECT_EQ(r.ui.beeps, 0);
        return;
    }
    expectRefused(r, c.message);
    EXPECT_EQ(c.field ? r.options.*c.field : static_cast<double>(r.options.maxPasses), c.resetTo);
}

constexpr const char* kPasses = "Iterations must be between 4 and 32000";
constexpr const char* kHgl = "Max. HGL Difference must be between 0.0001 and 0.25";
constexpr const char* kTc = "Fixed Tc must be between 1 and 120 minutes";
constexpr double HydraulicsOptions::*kNoField = nullptr;

INSTANTIATE_TEST_SUITE_P(
    Options, ComputeLimits,
    ::testing::Values(
        LimitCase{"PassesHigh", kNoField, 40000, false, false, kPasses, 32000},
        LimitCase{"HglLow", &HydraulicsOptions::maxHglDifferenceFt, 0.00009, false, false, kHgl, 0.0001},
        LimitCase{"HglHigh", &HydraulicsOptions::maxHglDifferenceFt, 0.26, false, false, kHgl, 0.25},
        LimitCase{"FixedTcLow", &HydraulicsOptions::fixedTcMin, 0, false, true, kTc, 1},
        LimitCase{"FixedTcHigh", &HydraulicsOptions::fixedTcMin, 120.5, false, true, kTc, 120},
        LimitCase{"FixedTcCeiling", &HydraulicsOptions::fixedTcMin, 120, false, true, nullptr, 0},
        LimitCase{"MinVelocityEnglishHigh", &HydraulicsOptions::minVelocityFps, 6.01, false, false,
                  "Minimum velocity for computing travel time cannot exceed 6 f/s", 6},
        // metric limits and defaults are in m/s, the options in ft/s (1 m/s = 3.2808 ft/s)
        LimitCase{"MinVelocityMetricZero", &HydraulicsOptions::minVelocityFps, 0, true, false,
                  "Minimum velocity must be greater than zero", 2.00 * 3.2808},
        LimitCase{"MinVelocityMetricHigh", &HydraulicsOptions::minVelocityFps, 2.01 * 3.2808, true, false,
                  "Minimum velocity for computing travel time cannot exceed 2 m/s", 2 * 3.2808}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComputeValidation, OnlyTheFirstFaultIsShownAndOnlyItsFieldReset) {
    HydraulicsOptions o;
    o.maxPasses = 2;
    o.maxHglDifferenceFt = 5;
    o.minVelocityFps = -1;
    Refusal r = check(o);
    expectRefused(r, "Iterations must be between 4 and 32000");
    EXPECT_EQ(r.options.maxPasses, 4);
    EXPECT_EQ(r.options.maxHglDifferenceFt, 5);
    EXPECT_EQ(r.options.minVelocityFps, -1);
}

// What the windows check as the engineer types: the whole text is read, and a value out of range
// is refused in the run's own words, so the window and the run never disagree.
TEST(ComputeValidation, TypedValuesAreRefusedInTheRunsOwnWords) {
    struct Case {
        DesignValue value;
        const char* text;
        bool metric;
        const char* error;  // "": accepted
    };
    const Case cases[] = {
        {DesignValue::MaxPasses, "3", false, "Iterations must be between 4 and 32000"},
        {DesignValue::MaxPasses, "12ft", false, "Max. Number of Iterations: '12ft' is not a number."},
        {DesignValue::MaxHglDifference, "0.5", false, "Max. HGL Difference must be between 0.0001 and 0.25"},
        {DesignValue::MinVelocity, "6.01", false, "Minimum velocity for computing travel time cannot exceed 6 f/s"},
        {DesignValue::MinVelocity, "2.01", true, "Minimum velocity for computing travel time cannot exceed 2 m/s"},
        {DesignValue::MinVelocity, "6", false, ""},
        {DesignValue::MaxPasses, "32000", false, ""},
    };
    for (const Case& c : cases) {
        const input::NumberCheck r = checkDesignValue(c.value, c.text, c.metric);
        EXPECT_EQ(r.error, c.error) << c.text;
        EXPECT_EQ(r.ok(), std::string(c.error).empty()) << c.text;
    }
}

}  // namespace
}  // namespace kolv::hydraulics
