// Strict number input: whole-text parsing and the physical ranges of fields.
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
    // Each field's physical range, in the project's units (metric limits with the computations'
    // own factor, to the centimetre); elevations may lie below datum and stations be any number.
    const struct {
        const char *table, *field, *text;
        bool metric;
        const char* message;  // "" = accepted
    } fields[] = {
        {"REACH", "LENGTH", "30481", true, "Length must be between 0 and 30,480.06 m."},
        {"REACH", "LENGTH", "30480", true, ""},
        {"REACH", "LENGTH", "100000", false, ""},
        {"REACH", "BARRELS", "1.5", false, "Length must be a whole number 0 or more."},
        {"T7", "N", "0", false, "Length must be greater than 0 and less than 1."},
        {"T7", "HEIGHT", "60", false, "Length must be between 0 and 50 ft."},
        {"NODE", "P_C2DA", "5e8", true, "Length must be between 0 and 1,000,000 ha."},
        {"NODE", "BASE_FLOW", "2e5", false, "Length must be between 0 and 100,000 cfs."},
        {"NODE", "INLET_ELEV", "-12.3", false, ""},
        {"NODE", "STATION", "1e9", false, ""},
    };
    for (const auto& c : fields) {
        const NumberCheck r = checkField(c.table, c.field, c.text, "Length", c.metric);
        EXPECT_EQ(r.error, c.message) << c.table << "." << c.field << " = " << c.text;
        EXPECT_EQ(r.ok(), std::string(c.message).empty()) << c.field << " = " << c.text;
    }
}
