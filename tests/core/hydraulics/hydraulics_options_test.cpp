// Compute Hydraulics options: the program-setup record, its defaults, and the compute command's validation.
#include "hydraulics/hydraulics_options.h"

#include <gtest/gtest.h>

#include "db/database.h"
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

TEST_F(OptionsRecord, MissingRecordIsCreatedWithTheDefaults) {
    db->execute("DELETE FROM T27 WHERE RECNUM = ?", {7});
    ASSERT_EQ(rowsOf7(), 0);
    const HydraulicsOptions o = loadHydraulicsOptions(*db);
    EXPECT_EQ(rowsOf7(), 1);
    EXPECT_EQ(o.maxPasses, 50);
    EXPECT_DOUBLE_EQ(o.maxHglDifferenceFt, 0.01);
    EXPECT_DOUBLE_EQ(o.minVelocity, 2.00);
    EXPECT_EQ(o.junctionMethod, 1);
    EXPECT_DOUBLE_EQ(o.minPhysicalVelocityFps, 2.50);
    EXPECT_FALSE(o.exitLoss || o.junctionLosses || o.fixedTc || o.deepWell || o.frenchDrain || o.jumpToCrown);
    // Loading again finds the record: still one row.
    loadHydraulicsOptions(*db);
    EXPECT_EQ(rowsOf7(), 1);
    EXPECT_EQ(db->scalar("SELECT LVSINT9 FROM T27 WHERE RECNUM = ?", {7}).toInt(), 50);
}

TEST_F(OptionsRecord, EveryFieldSurvivesSavingAndReopeningTheProject) {
    HydraulicsOptions o;
    o.useHydLength = true;
    o.junctionMethod = 2;
    o.fixedTc = true;
    o.exitLoss = false;
    o.junctionLosses = true;
    o.minVelocityInForce = true;
    o.deepWell = true;
    o.frenchDrain = true;
    o.maxPasses = 1000;
    o.noNegativeFlow = true;
    o.jumpToCrown = false;
    o.fixedTcMin = 17.5;
    o.minVelocity = 2.75;
    o.maxHglDifferenceFt = 0.0001;  // not exact in single precision: must read back as typed
    o.minPhysicalVelocityFps = 3.1;
    saveHydraulicsOptions(*db, o);
    db.reset();
    db = db::Database::open(path);
    const HydraulicsOptions back = loadHydraulicsOptions(*db);
    EXPECT_TRUE(back.useHydLength);
    EXPECT_EQ(back.junctionMethod, 2);
    EXPECT_TRUE(back.fixedTc);
    EXPECT_FALSE(back.exitLoss);
    EXPECT_TRUE(back.junctionLosses && back.minVelocityInForce && back.deepWell && back.frenchDrain);
    EXPECT_EQ(back.maxPasses, 1000);
    EXPECT_TRUE(back.noNegativeFlow);
    EXPECT_FALSE(back.jumpToCrown);
    EXPECT_EQ(back.fixedTcMin, 17.5);
    EXPECT_EQ(back.minVelocity, 2.75);
    EXPECT_EQ(back.maxHglDifferenceFt, 0.0001);
    EXPECT_EQ(back.minPhysicalVelocityFps, 3.1);
    // Switches are stored -1 / 0.
    EXPECT_EQ(db->scalar("SELECT LVSINT1 FROM T27 WHERE RECNUM = ?", {7}).toInt(), -1);
    EXPECT_EQ(db->scalar("SELECT LVSINT4 FROM T27 WHERE RECNUM = ?", {7}).toInt(), 0);
    // The saved HGL difference passes the validation it was typed for.
    ui::RecordingUi ui;
    EXPECT_TRUE(validateComputeOptions(back, false, ui).valid);
}

TEST_F(OptionsRecord, OneControlWritesOnlyItsOwnField) {
    HydraulicsOptions o = loadHydraulicsOptions(*db);
    const long passes = o.maxPasses;
    o.maxPasses = passes + 7;
    o.exitLoss = !o.exitLoss;
    saveHydraulicsOption(*db, o, HydraulicsOption::ExitLoss);
    const HydraulicsOptions back = loadHydraulicsOptions(*db);
    EXPECT_EQ(back.exitLoss, o.exitLoss);
    EXPECT_EQ(back.maxPasses, passes);
    // A pass count typed beyond the field is held within it until the compute command resets it.
    o.maxPasses = 40000;
    saveHydraulicsOption(*db, o, HydraulicsOption::MaxPasses);
    EXPECT_EQ(loadHydraulicsOptions(*db).maxPasses, 32767);
    EXPECT_STREQ(optionField(HydraulicsOption::MinPhysicalVelocity), "LVSSGL4");
    EXPECT_STREQ(optionField(HydraulicsOption::JumpToCrown), "LVSINT11");
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

TEST(QuickSetups, RestoreTheTolerancesSetBothMinorLossesAndKeepTheRest) {
    HydraulicsOptions typed;
    typed.maxPasses = 1000;
    typed.maxHglDifferenceFt = 0.2;
    typed.minVelocity = 4.5;
    typed.exitLoss = false;
    typed.junctionLosses = true;
    typed.fixedTc = true;
    typed.fixedTcMin = 12;
    typed.junctionMethod = kJunctionMethodUpstream;
    for (bool minorLosses : {true, false}) {
        const HydraulicsOptions o = withSetup(typed, minorLosses);
        EXPECT_EQ(o.maxPasses, 50) << minorLosses;
        EXPECT_DOUBLE_EQ(o.maxHglDifferenceFt, 0.01) << minorLosses;
        EXPECT_DOUBLE_EQ(o.minVelocity, 2.0) << minorLosses;
        EXPECT_EQ(o.exitLoss, minorLosses);
        EXPECT_EQ(o.junctionLosses, minorLosses);
        EXPECT_TRUE(o.fixedTc);
        EXPECT_DOUBLE_EQ(o.fixedTcMin, 12);
        EXPECT_EQ(o.junctionMethod, kJunctionMethodUpstream);
    }
}

TEST(ComputeValidation, IterationsFourToThirtyTwoThousand) {
    HydraulicsOptions o;
    o.maxPasses = 3;
    Refusal low = check(o);
    expectRefused(low, "Iterations must be between 4 and 32000");
    EXPECT_EQ(low.options.maxPasses, 4);
    o.maxPasses = 40000;
    Refusal high = check(o);
    expectRefused(high, "Iterations must be between 4 and 32000");
    EXPECT_EQ(high.options.maxPasses, 32000);
    for (long ok : {4L, 32000L}) {
        o.maxPasses = ok;
        Refusal r = check(o);
        EXPECT_TRUE(r.valid);
        EXPECT_TRUE(r.ui.messages.empty());
        EXPECT_EQ(r.ui.beeps, 0);
    }
}

TEST(ComputeValidation, HglDifferenceWithinTenThousandthAndAQuarter) {
    HydraulicsOptions o;
    o.maxHglDifferenceFt = 0.00009;
    Refusal low = check(o);
    expectRefused(low, "Max. HGL Difference must be between 0.0001 and 0.25");
    EXPECT_EQ(low.options.maxHglDifferenceFt, 0.0001);
    o.maxHglDifferenceFt = 0.26;
    EXPECT_EQ(check(o).options.maxHglDifferenceFt, 0.25);
    for (double ok : {0.0001, 0.25}) {
        o.maxHglDifferenceFt = ok;
        EXPECT_TRUE(check(o).valid) << ok;
    }
}

TEST(ComputeValidation, FixedTcOnlyWhenTheSwitchIsOn) {
    HydraulicsOptions o;
    o.fixedTcMin = 0;
    EXPECT_TRUE(check(o).valid);  // computed Tc: the fixed value is not used
    o.fixedTc = true;
    Refusal low = check(o);
    expectRefused(low, "Fixed Tc must be between 1 and 120 minutes");
    EXPECT_EQ(low.options.fixedTcMin, 1);
    o.fixedTcMin = 120.5;
    EXPECT_EQ(check(o).options.fixedTcMin, 120);
    o.fixedTcMin = 120;
    EXPECT_TRUE(check(o).valid);
}

TEST(ComputeValidation, MinimumVelocityLimitsByUnits) {
    HydraulicsOptions o;
    o.minVelocity = 0;
    Refusal zero = check(o);
    expectRefused(zero, "Minimum velocity must be greater than zero");
    EXPECT_EQ(zero.options.minVelocity, 2.00);
    o.minVelocity = 6;
    EXPECT_TRUE(check(o).valid);  // English: 6 ft/s accepted
    o.minVelocity = 6.01;
    Refusal english = check(o);
    expectRefused(english, "Minimum velocity for computing travel time cannot exceed 6 f/s");
    EXPECT_EQ(english.options.minVelocity, 6);
    o.minVelocity = 2;
    EXPECT_TRUE(check(o, true).valid);  // metric: 2 m/s accepted
    o.minVelocity = 2.01;
    Refusal metric = check(o, true);
    expectRefused(metric, "Minimum velocity for computing travel time cannot exceed 2 m/s");
    EXPECT_EQ(metric.options.minVelocity, 2);
}

TEST(ComputeValidation, OnlyTheFirstFaultIsShownAndOnlyItsFieldReset) {
    HydraulicsOptions o;
    o.maxPasses = 2;
    o.maxHglDifferenceFt = 5;
    o.minVelocity = -1;
    Refusal r = check(o);
    expectRefused(r, "Iterations must be between 4 and 32000");
    EXPECT_EQ(r.options.maxPasses, 4);
    EXPECT_EQ(r.options.maxHglDifferenceFt, 5);
    EXPECT_EQ(r.options.minVelocity, -1);
}

TEST(ComputeValidation, MinimumVelocityCaptionAndFormatByUnits) {
    EXPECT_EQ(minVelocityCaption(false), "Min. Velocity (ft/s)");
    EXPECT_EQ(minVelocityCaption(true), "Min. Velocity (m/s)");
    EXPECT_EQ(formatMinVelocity(2, false), "2.00");
    EXPECT_EQ(formatMinVelocity(0.6096, true), "0.610");
}

}  // namespace
}  // namespace kolv::hydraulics
