// Column expressions and interpolated headings: arithmetic, empty fields, pictures, variables.
#include "reports/expression.h"

#include <gtest/gtest.h>
#include <map>

using namespace kolv;
using namespace kolv::reports;

namespace {

/// Fields and variables from maps; a field not in the map is Null.
struct MapSource : ValueSource {
    std::map<std::string, db::Value> fields, vars;
    db::Value field(const FieldRef& r) const override {
        auto it = fields.find(r.table + "." + r.field);
        return it == fields.end() ? db::Value() : it->second;
    }
    db::Value variable(const std::string& n) const override {
        auto it = vars.find(n);
        return it == vars.end() ? db::Value() : it->second;
    }
};

}  // namespace

TEST(Expression, ArithmeticWithPrecedenceAndEmptyFields) {
    MapSource s;
    s.fields["T60.LENGTH"] = 328.083339792;
    s.fields["T60.C1DA"] = 0.5;
    s.fields["T60.C2DA"] = 0.25;
    EXPECT_NEAR(Expression::parse("{T60.LENGTH} / 3.28083339792").evaluate(s).toDouble(), 100.0, 1e-9);
    EXPECT_DOUBLE_EQ(Expression::parse("1 + 2 * 3 - -4 / (1 + 1)").evaluate(s).toDouble(), 9.0);  // 1 + 6 + 2
    // C3DA is empty: it counts as 0 beside the other areas.
    EXPECT_DOUBLE_EQ(Expression::parse("{T60.C1DA} + {T60.C2DA} + {T60.C3DA}").evaluate(s).toDouble(), 0.75);
    EXPECT_TRUE(Expression::parse("{T60.C3DA}").evaluate(s).isNull());
    EXPECT_TRUE(Expression::parse("{T60.C3DA} * {T60.TC}").evaluate(s).isNull());
    EXPECT_TRUE(Expression::parse("{T60.C1DA} / {T60.C3DA}").evaluate(s).isNull());  // division by zero: blank
    EXPECT_TRUE(Expression::parse("{T60.C1DA} / 0").evaluate(s).isNull());
    EXPECT_EQ(Expression::parse("'A' & ' - ' & {T60.C1DA}").evaluate(s).toText(), "A - 0.5");
    EXPECT_EQ(Expression::parse("{T60.C1DA}").fields().size(), 1u);
}

TEST(Expression, FaultsAreFormulaErrors) {
    for (const char* bad : {"", "1 +", "(1", "{T60.NOPE}", "{NOVAR}", "1 2", "{T60.LENGTH", "'open", "1 % 2"})
        EXPECT_THROW(Expression::parse(bad), FormulaError) << bad;
}

TEST(Interpolated, FieldsWithPicturesAndVariables) {
    MapSource s;
    s.fields["T16.OUT_TW"] = 92.5;
    s.fields["T0.PRJ_NUMBER"] = "4521-07  ";
    s.vars["PAGE"] = 7;
    s.vars["SYSTEM"] = "O'HARA";
    auto i = Interpolated::parse("Project: {T0.PRJ_NUMBER}| TW {T16.OUT_TW:0.00} ft | {{x}} | {SYSTEM} | Page: {PAGE:00}");
    EXPECT_EQ(i.evaluate(s), "Project: 4521-07| TW 92.50 ft | {x}} | O'HARA | Page: 07");
    EXPECT_EQ(formatValue(db::Value(1234.5), "#,##0.00"), "1,234.50");
    EXPECT_EQ(formatValue(db::Value("3"), "0.0"), "3.0");  // a numeric text takes the picture
    EXPECT_EQ(formatValue(db::Value("12+50"), "0.00"), "12+50");
    EXPECT_EQ(formatValue(db::Value(), "0.00"), "");
    EXPECT_EQ(formatValue(db::Value("two\r\nlines\t"), ""), "two  lines");
    EXPECT_THROW(Interpolated::parse("Page {PAGE"), FormulaError);
}
