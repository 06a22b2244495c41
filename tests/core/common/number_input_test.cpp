// Strict number input: whole-text parsing, the comma decimal, and the physical ranges of fields.
#include <gtest/gtest.h>

#include "common/number_input.h"

using namespace kolv::input;

TEST(ParseNumber, AcceptsPlainDecimalNumbersOnly) {
    EXPECT_DOUBLE_EQ(*parseNumber(" 0.35 ", "Area").value, 0.35);
    EXPECT_DOUBLE_EQ(*parseNumber("-12.5", "Offset").value, -12.5);
    EXPECT_DOUBLE_EQ(*parseNumber("+3", "Tc").value, 3.0);
    EXPECT_DOUBLE_EQ(*parseNumber("1.5e2", "Length").value, 150.0);
    EXPECT_DOUBLE_EQ(*parseNumber(".5", "Area").value, 0.5);
    for (const char* bad : {"abc", "12ft", "1.2.3", "", "   ", "--1", "0x10", "inf", "nan", "1e999", "1 2"}) {
        NumberCheck r = parseNumber(bad, "Area");
        EXPECT_FALSE(r.ok()) << bad;
        EXPECT_FALSE(r.error.empty()) << bad;
    }
}

TEST(ParseNumber, ACommaDecimalIsRefusedWithTheReason) {
    NumberCheck r = parseNumber("0,3", "Area 1");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error, "Area 1: '0,3' is not a number. Use a period as the decimal point (0.3, not 0,3).");
    EXPECT_FALSE(parseNumber("1,250", "Length").ok());
    EXPECT_EQ(parseNumber("abc", "Area 1").error, "Area 1: 'abc' is not a number.");
}

// The physical range of each field, named with the field; values no network holds (a slip of the
// keyboard) are refused with the range in the project's units, the same limits the checks before a
// computation apply to stored data.
TEST(FieldRules, RangesNameTheFieldAndAreGivenInTheProjectsUnits) {
    struct Case {
        const char* table;
        const char* field;
        const char* text;
        bool metric;
        const char* message;  // "" = accepted
    };
    const Case cases[] = {
        {"NODE", "P_C1DA", "-5", false, "Length must be between 0 and 1,000,000 acres."},
        {"NODE", "P_C1DA", "0", false, ""},
        {"NODE", "RUNOFF_C1", "1.2", false, "Length must be between 0 and 1."},
        {"NODE", "RUNOFF_C1", "1", false, ""},
        {"T7", "N", "0", false, "Length must be greater than 0 and less than 1."},
        {"T7", "N", "0.013", false, ""},
        {"REACH", "BARRELS", "1.5", false, "Length must be a whole number 0 or more."},
        {"REACH", "LENGTH", "-0.01", false, "Length must be between 0 and 100,000 ft."},
        // elevations may lie below datum; stations and offsets may be any number
        {"NODE", "INLET_ELEV", "-12.3", false, ""},
        {"NODE", "OFFSET", "-20", false, ""},
        {"NODE", "STATION", "1e9", false, ""},
        {"REACH", "LENGTH", "1e12", false, "Length must be between 0 and 100,000 ft."},
        {"REACH", "LENGTH", "100000", false, ""},
        // 100,000 ft in metres, with the computations' own factor, to the centimetre
        {"REACH", "LENGTH", "30481", true, "Length must be between 0 and 30,480.06 m."},
        {"REACH", "LENGTH", "30480", true, ""},
        {"NODE", "INLET_ELEV", "99999999", false, "Length must be between -30,000 and 30,000 ft."},
        {"NODE", "INLET_ELEV", "-30000", false, ""},
        {"REACH", "ELEV2", "9145", true, "Length must be between -9,144.02 and 9,144.02 m."},
        {"T16", "OUT_EL", "30000.5", false, "Length must be between -30,000 and 30,000 ft."},
        {"NODE", "P_C2DA", "5e8", false, "Length must be between 0 and 1,000,000 acres."},
        {"NODE", "P_C2DA", "5e8", true, "Length must be between 0 and 1,000,000 ha."},
        {"NODE", "TC", "2000", false, "Length must be between 0 and 1,440 min."},
        {"NODE", "BASE_FLOW", "2e5", false, "Length must be between 0 and 100,000 cfs."},
        {"NODE", "JUNC_LOSS_COEFF", "101", false, "Length must be between 0 and 100."},
        {"T7", "HEIGHT", "60", false, "Length must be between 0 and 50 ft."},
        {"T16", "AREA1", "1.01", false, "Length must be between 0 and 1."},
    };
    for (const Case& c : cases) {
        const NumberCheck r = checkField(c.table, c.field, c.text, "Length", c.metric);
        EXPECT_EQ(r.error, c.message) << c.table << "." << c.field << " = " << c.text << (c.metric ? " (metric)" : "");
        EXPECT_EQ(r.ok(), std::string(c.message).empty()) << c.field << " = " << c.text;
    }
}

TEST(FieldRules, MessagesGroupThousands) {
    EXPECT_EQ(groupedNumber(100000), "100,000");
    EXPECT_EQ(groupedNumber(-9144), "-9,144");
    EXPECT_EQ(groupedNumber(999), "999");
    EXPECT_EQ(groupedNumber(1234.5), "1,234.5");
    EXPECT_EQ(groupedNumber(0.0001), "0.0001");
}
