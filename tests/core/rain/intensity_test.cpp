// Rainfall intensity by each method, the time-intensity loader with its sentinels and faults, the IDF lookup.
#include "rain/intensity.h"

#include <gtest/gtest.h>

#include <cmath>

#include "db/record_set.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

namespace kolv::rain {
namespace {

DesignStorm withMethod(int method, IdfCoefficients idf = {}) {
    DesignStorm s;
    s.method = method;
    s.idf = idf;
    return s;
}

// Methods 0 (IDF polynomial in ln t), 2 (built-in curve) and any other (no rain), by hand.
TEST(Intensity, PolynomialCurveAndUnknownMethods) {
    const IdfCoefficients idf{10.0f, -2.0f, 0.5f, -0.1f};
    const struct {
        int method;
        float minutes, expected;
    } cases[] = {
        {0, 1.0f, 10.0f},                               // ln 1 = 0: exactly A
        {0, static_cast<float>(std::exp(2.0)), 7.2f},   // L = 2: A + 2B + 4C + 8D = 10 - 4 + 2 - 0.8
        {0, 0.0f, -1.0f},                               // no duration
        {0, -5.0f, -1.0f},
        {2, 11.0f, (5.5f + 5.35f) / 2},                 // mean of the 10 and 12 min points
        {2, 0.0f, 5.5f},
        {2, 9.999f, 5.5f},                              // flat from 0 to 10
        {2, 60.0f, 2.3f},                               // a tabulated point
        {2, 45.0f, (3.08f + 2.62f) / 2},                // mid 40..50
        {2, 299.99f, 0.6500389f},                       // 1.35 + (179.99 / 180)(0.65 - 1.35), above 0.65
        {2, 300.0f, 100.0f},                            // off the curve
        {2, 1000.0f, 100.0f},
        {2, -1.0f, 100.0f},
        {3, 15.0f, 0.0f},
        {-1, 15.0f, 0.0f},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(CALC_INTENSITY(withMethod(c.method, idf), c.minutes), c.expected, 1e-5f)
            << "method " << c.method << " at " << c.minutes;
}

// ---- Method 1: user-defined time-intensity table ----

struct TableFixture : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<db::Database> db = db::Database::open(test::makeEmptyProject(dir));
    DesignStorm storm = withMethod(1);
    ui::RecordingUi ui;

    void row(const std::string& loc, const std::string& freq, db::Value time, db::Value intensity) {
        db->execute("INSERT INTO T85 (LOCATION, FREQUENCY, TIME, INTENSITY) VALUES (?, ?, ?, ?)",
                    {loc, freq, time, intensity});
    }
    float at(float minutes) const { return CALC_INTENSITY(storm, minutes); }
};

TEST_F(TableFixture, SingleRowHoldsFromZeroUpToTheEndAndNoRowsGiveZero) {
    row("Miami", "10", 15.0, 4.0);
    row("Miami", "25", 15.0, 9.0);  // another frequency
    ASSERT_TRUE(LOAD_TIME_INTENSITY_TABLE(*db, storm, ui, " Miami ", "10 "));
    EXPECT_EQ(storm.tableRows, 1);
    ASSERT_EQ(storm.table.size(), 3u);
    EXPECT_EQ(storm.table[0].time, 0.0f);
    EXPECT_EQ(storm.table[0].intensity, 4.0f);
    EXPECT_EQ(storm.table[2].time, 100000.0f);
    EXPECT_EQ(storm.table[2].intensity, 4.0f);
    for (float t : {0.0f, 7.5f, 15.0f, 600.0f, 99999.0f}) EXPECT_EQ(at(t), 4.0f) << t;
    EXPECT_EQ(at(100000.0f), 0.0f);
    EXPECT_EQ(at(-0.5f), 0.0f);
    // No rows give zero everywhere.
    ASSERT_TRUE(LOAD_TIME_INTENSITY_TABLE(*db, storm, ui, "Nowhere", "3"));
    EXPECT_EQ(storm.tableRows, 0);
    ASSERT_EQ(storm.table.size(), 2u);
    for (float t : {0.0f, 10.0f, 99999.0f}) EXPECT_EQ(at(t), 0.0f);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TableFixture, NullIntensityKeepsWhatWasReadBeforeIt) {
    row("X", "3", 20.0, nullptr);  // stored out of order: loaded by ascending time
    row("X", "3", 10.0, 6.0);
    EXPECT_FALSE(LOAD_TIME_INTENSITY_TABLE(*db, storm, ui, "X", "3"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Missing data in 'Intensity' field of User-Defined Time-Intensity table");
    ASSERT_EQ(storm.table.size(), 4u);
    EXPECT_EQ(storm.table[0].intensity, 6.0f);
    EXPECT_EQ(storm.table[1].time, 10.0f);
    EXPECT_EQ(storm.table[2].time, 20.0f);  // its time was read before the fault
    EXPECT_EQ(storm.table[2].intensity, 0.0f);
    EXPECT_EQ(storm.table[3].time, 0.0f);  // the end sentinel was never written
    // 6 + (15 - 10) / (20 - 10) (0 - 6) = 3 (hand calculation on the partial table).
    EXPECT_NEAR(at(15.0f), 3.0f, 1e-6f);
    EXPECT_EQ(at(10.0f), 6.0f);  // the interval starting at 10
}

TEST_F(TableFixture, UnreadableValuesGiveTheirErrorNumber) {
    row("X", "3", "abc", 6.0);
    EXPECT_FALSE(LOAD_TIME_INTENSITY_TABLE(*db, storm, ui, "X", "3"));
    row("Y", "3", 10.0, "n/a");
    EXPECT_FALSE(LOAD_TIME_INTENSITY_TABLE(*db, storm, ui, "Y", "3"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text,
              "Error '13' occurred while reading the 'Time' field of User-Defined Time-Intensity table");
    EXPECT_EQ(ui.messages[1].text,
              "Error '13' occurred while reading the 'Intensity' field of User-Defined Time-Intensity table");
}

// ---- IDF coefficient lookup ----

struct IdfFixture : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<db::Database> db = db::Database::open(test::makeEmptyProject(dir));
    ui::RecordingUi ui;

    IdfFixture() { db->execute("DELETE FROM T2"); }
    void row(const std::string& zone, const std::string& freq, double a, double b, double c, double d) {
        db->execute("INSERT INTO T2 (Zone, Freq, A, B, C, D) VALUES (?, ?, ?, ?, ?, ?)", {zone, freq, a, b, c, d});
    }
};

TEST_F(IdfFixture, AnyZeroCoefficientStopsWithItsMessage) {
    for (int zero = 0; zero < 4; ++zero) {
        db->execute("DELETE FROM T2");
        double k[4] = {5, -1, 0.2, -0.01};
        k[zero] = 0;
        row("Z1", "10", k[0], k[1], k[2], k[3]);
        ui.clear();
        EXPECT_FALSE(lookupIdfCoefficients(*db, ui, db::Value("Z1"), db::Value(10.0)).has_value());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text,
                  "Coefficients for ZONE 'Z1' FREQ '10' contain zero values. Correct these values in the IDF Table.");
    }
    // Keys compare as trimmed text numbers; a pair not in the table stops with its message.
    db->execute("DELETE FROM T2");
    row("6", " 3 ", 9.5, -1.25, 0.5, -0.0625);
    const auto c = lookupIdfCoefficients(*db, ui, db::Value(" 6"), db::Value(3.0));
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->D, -0.0625f);
    ui.clear();
    EXPECT_FALSE(lookupIdfCoefficients(*db, ui, db::Value("6"), db::Value(7.0)).has_value());
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"ZONE '6' and/or FREQ '7' cannot be found in the IDF Table."});
    EXPECT_EQ(ui.messages[0].title, "INVALID DATA");
}

TEST_F(IdfFixture, PrepareRainfallSetsTheMethodFromTheSystemHeader) {
    row("6", "3", 9, -1, 0.1, -0.01);
    db->execute("INSERT INTO T16 (SYSTEM, ZONE, FREQ) VALUES (?, ?, ?)", {"IDF", "6", 3.0});
    db->execute("INSERT INTO T16 (SYSTEM, INTENSITY_METHOD, LOCATION, FREQUENCY) VALUES (?, ?, ?, ?)",
                {"TAB", 1, "Here", "5"});
    db->execute("INSERT INTO T85 (LOCATION, FREQUENCY, TIME, INTENSITY) VALUES (?, ?, ?, ?)",
                {"Here", "5", 10.0, 7.0});
    db->execute("INSERT INTO T16 (SYSTEM, INTENSITY_METHOD) VALUES (?, ?)", {"CURVE", 2});

    const auto idf = prepareRainfall(*db, ui, "IDF");  // Null method reads as 0
    ASSERT_TRUE(idf.has_value());
    EXPECT_EQ(idf->method, 0);
    EXPECT_EQ(idf->idf.A, 9.0f);

    const auto table = prepareRainfall(*db, ui, "TAB");
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->method, 1);
    EXPECT_EQ(table->tableRows, 1);
    EXPECT_EQ(CALC_INTENSITY(*table, 30.0f), 7.0f);

    const auto curve = prepareRainfall(*db, ui, "CURVE");
    ASSERT_TRUE(curve.has_value());
    EXPECT_EQ(curve->method, 2);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace kolv::rain
