// Picture-string formatting of listing numbers and the typed-number rule: signs, halves, grouping, widths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/text.h"
#include "common/vb_format.h"

using namespace kolv;

// Expected texts are worked by hand from the picture rules: '0' always shows a digit, '#' only a
// significant one, ',' groups the integer digits by three, halves round away from zero on the
// decimal value, the minus sign leads everything.

TEST(VbFormat, EveryPictureOfTheListings) {
    EXPECT_EQ(vbFormat(3.14159, "0.00"), "3.14");
    EXPECT_EQ(vbFormat(0.6, "0.000"), "0.600");
    EXPECT_EQ(vbFormat(0.0131, "0.0000"), "0.0131");
    EXPECT_EQ(vbFormat(7, "00"), "07");
    EXPECT_EQ(vbFormat(123, "00"), "123");  // more digits than placeholders are all shown
    EXPECT_EQ(vbFormat(9.46, "0"), "9");
    EXPECT_EQ(vbFormat(3010, "#,##0.00"), "3,010.00");
    EXPECT_EQ(vbFormat(20, "$#,##0.00"), "$20.00");
    EXPECT_EQ(vbFormat(150.5, "##,##0.00"), "150.50");
    EXPECT_EQ(vbFormat(12345.6, "##,##0.00"), "12,345.60");  // grouping stays by threes
    EXPECT_EQ(vbFormat(3010, "$###,##0.00"), "$3,010.00");
    EXPECT_EQ(vbFormat(1234, "#,##0"), "1,234");
    EXPECT_EQ(vbFormat(0, "#,##0"), "0");
    EXPECT_EQ(vbFormat(1234567.891, "$#,###,##0.00"), "$1,234,567.89");
    EXPECT_EQ(vbFormat(0.5, "$#,###,##0.00"), "$0.50");
}

TEST(VbFormat, NegativeNumbers) {
    EXPECT_EQ(vbFormat(-1234.5, "$#,##0.00"), "-$1,234.50");
    EXPECT_EQ(vbFormat(-5, "00"), "-05");
    EXPECT_EQ(vbFormat(-0.25, "0.000"), "-0.250");
    EXPECT_EQ(vbFormat(-1234567, "#,##0"), "-1,234,567");
    // a value that rounds to zero shows no sign in the listings
    EXPECT_EQ(vbFormat(-0.001, "0.00"), "0.00");
    // explicit negative section takes over and shows no sign of its own
    EXPECT_EQ(vbFormat(-3, "0.00;(0.00)"), "(3.00)");
    // empty sections fall back to the first, with its sign
    EXPECT_EQ(vbFormat(-3, "0.00;;\"Zero\""), "-3.00");
    EXPECT_EQ(vbFormat(0, "0.00;;\"Zero\""), "Zero");
}

TEST(VbFormat, HalvesRoundAwayFromZero) {
    // 0.125 and 2.5 are exact in binary: true halves.
    EXPECT_EQ(vbFormat(0.125, "0.00"), "0.13");
    EXPECT_EQ(vbFormat(2.5, "0"), "3");
    EXPECT_EQ(vbFormat(-2.5, "0"), "-3");
    EXPECT_EQ(vbFormat(0.5, "0"), "1");
    // 2.675 is 2.67499999... in binary; rounding on the 15-digit decimal value gives the half.
    EXPECT_EQ(vbFormat(2.675, "0.00"), "2.68");
    EXPECT_EQ(vbFormat(9.46, "0.0"), "9.5");
    // carry through every digit and into a new group
    EXPECT_EQ(vbFormat(999.995, "#,##0.00"), "1,000.00");
    EXPECT_EQ(vbFormat(-999.995, "#,##0.00"), "-1,000.00");
    EXPECT_EQ(vbFormat(0.0005, "0.000"), "0.001");
    EXPECT_DOUBLE_EQ(roundHalfAway(1.005, 2), 1.01);
    EXPECT_DOUBLE_EQ(roundHalfAway(-1.005, 2), -1.01);
    EXPECT_DOUBLE_EQ(roundHalfAway(9.46, 0), 9.0);
}

TEST(VbFormat, LargeValuesPrintInFull) {
    EXPECT_EQ(vbFormat(1e20, "0.00"), "100000000000000000000.00");
    EXPECT_EQ(vbFormat(123456789012.345, "#,##0.00"), "123,456,789,012.35");
    EXPECT_EQ(vbFormat(9999999.995, "$#,###,##0.00"), "$10,000,000.00");
}

TEST(VbFormat, OptionalDigitsAndLiterals) {
    EXPECT_EQ(vbFormat(0.075, "$#.##"), "$.08");  // '#' integer part drops the leading zero
    EXPECT_EQ(vbFormat(19.9, "###.00"), "19.90");
    EXPECT_EQ(vbFormat(19.9, "###.##"), "19.9");
    EXPECT_EQ(vbFormat(19, "\\####\\#"), "#19#");
    EXPECT_EQ(vbFormat(0.175, "0.0%"), "17.5%");
}

TEST(VbFormat, FixedWidthFields) {
    // right-aligned numbers: padded on the left, never cut
    EXPECT_EQ(vbFormatWidth(3010, "#,##0.00", 10), "  3,010.00");
    EXPECT_EQ(vbFormatWidth(20, "0.00", 7), "  20.00");
    EXPECT_EQ(vbFormatWidth(12345678.9, "#,##0.00", 8), "12,345,678.90");
}

