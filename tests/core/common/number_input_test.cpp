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

TEST(FieldRules, PhysicalRangesNameTheFieldAndTheRange) {
    EXPECT_EQ(checkField("NODE", "P_C1DA", "-5", "Area 1").error, "Area 1 must be 0 or more.");
    EXPECT_TRUE(checkField("NODE", "P_C1DA", "0", "Area 1").ok());
    EXPECT_EQ(checkField("NODE", "RUNOFF_C1", "1.2", "Runoff C 1").error, "Runoff C 1 must be from 0 to 1.");
    EXPECT_TRUE(checkField("NODE", "RUNOFF_C1", "1", "Runoff C 1").ok());
    EXPECT_EQ(checkField("T7", "N", "0", "n").error, "n must be greater than 0 and less than 1.");
    EXPECT_TRUE(checkField("T7", "N", "0.013", "n").ok());
    EXPECT_EQ(checkField("REACH", "BARRELS", "1.5", "Barrels").error, "Barrels must be a whole number 0 or more.");
    EXPECT_FALSE(checkField("REACH", "LENGTH", "-0.01", "Length").ok());
    // elevations, stations and offsets may be any number
    EXPECT_TRUE(checkField("NODE", "INLET_ELEV", "-12.3", "Inlet Elev").ok());
    EXPECT_TRUE(checkField("NODE", "OFFSET", "-20", "Offset").ok());
}
