// The number formatting is total: many random pictures and values from a fixed seed, every
// double (NaN, infinities, denormals, the largest, -0, raw bit patterns) against every kind of
// picture. Run under the sanitizer build too, where any read past a string's end stops the test.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

#include "common/vb_format.h"

using namespace kolv;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

/// Values a computation can produce when something went wrong, and the edges of the type.
const double kEdgeValues[] = {std::nan(""), -std::nan(""), kInf, -kInf, 0.0, -0.0,
                              std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
                              DBL_MIN, DBL_MAX, -DBL_MAX, 1e15, 999999999999999.5, 0.5, 2.675, 1e-300, 9.995, 1e308};

class Values {
public:
    explicit Values(std::uint32_t seed) : m_rnd(seed) {}
    double next() {
        switch (m_rnd() % 4) {
        case 0: return kEdgeValues[m_rnd() % std::size(kEdgeValues)];
        case 1: {  // any bit pattern at all: NaNs with payloads, denormals, huge exponents
            std::uint64_t bits = (static_cast<std::uint64_t>(m_rnd()) << 32) | m_rnd();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        default: {  // an engineer's kind of number, of any magnitude
            std::uniform_real_distribution<double> mant(-10.0, 10.0);
            std::uniform_int_distribution<int> exp(-12, 18);
            return mant(m_rnd) * std::pow(10.0, exp(m_rnd));
        }
        }
    }
    std::string picture(const char* alphabet, std::size_t maxLen) {
        std::string p(m_rnd() % (maxLen + 1), ' ');
        const std::size_t n = std::strlen(alphabet);
        for (char& c : p) c = alphabet[m_rnd() % n];
        return p;
    }
    int below(int n) { return static_cast<int>(m_rnd() % static_cast<unsigned>(n)); }

private:
    std::mt19937 m_rnd;
};

bool isNonFiniteText(const std::string& s) { return s == "NaN" || s == "Infinity" || s == "-Infinity"; }

}  // namespace

TEST(FormatProperty, AnyPictureAndAnyValueGiveText) {
    // Every picture character with a meaning, literals, quotes and escapes, section separators.
    Values gen(20261206);
    for (int i = 0; i < 60000; ++i) {
        const double v = gen.next();
        const std::string pic = gen.picture("0#.,%;\\\"$ ()-+Ex", 24);
        const std::string s = vbFormat(v, pic);
        if (!std::isfinite(v)) {
            EXPECT_TRUE(isNonFiniteText(s)) << pic << " -> " << s;
            continue;
        }
        // A finite value never shows as a non-number, even when '%' takes it past the largest double.
        EXPECT_EQ(s.find("nan"), std::string::npos) << v << " " << pic << " -> " << s;
        EXPECT_EQ(s.find("inf"), std::string::npos) << v << " " << pic << " -> " << s;
        EXPECT_EQ(vbFormatWidth(v, pic, 12).size(), std::max<std::size_t>(12, s.size()));
    }
}

TEST(FormatProperty, NumericPicturesShowTheValueRoundedToTheirDecimals) {
    // Pictures of digits, grouping and one point only: the text, read back, is the value to
    // within half a unit of its last decimal (and 15 significant digits).
    Values gen(7);
    int checked = 0;
    for (int i = 0; i < 60000; ++i) {
        const double v = gen.next();
        std::string pic = gen.picture("0#,", 8);
        int decimals = 0;
        if (gen.below(2)) {
            const std::string frac = gen.picture("0#", 6);
            pic += "." + frac;
            decimals = static_cast<int>(frac.size());
        }
        if (pic.find_first_of("0#") == std::string::npos) continue;  // a literal picture
        const std::string s = vbFormat(v, pic);
        if (!std::isfinite(v)) continue;
        std::string digits;
        for (char c : s)
            if (c != ',') digits += c;
        if (digits == ".") digits = "0";  // "#." shows a zero as the point alone
        char* end = nullptr;
        // read back in the wider type: 15 digits of the largest double lie above it
        const long double back = std::strtold(digits.c_str(), &end);
        ASSERT_EQ(*end, '\0') << v << " " << pic << " -> " << s;
        const long double tolerance = 0.5L * std::pow(10.0L, -decimals) * (1 + 1e-9L) + std::fabs(v) * 1e-14L;
        EXPECT_LE(std::fabs(back - v), tolerance) << v << " " << pic << " -> " << s;
        ++checked;
    }
    EXPECT_GT(checked, 40000);
}

TEST(FormatProperty, RoundingAndShortTextAreTotal) {
    Values gen(99);
    for (int i = 0; i < 60000; ++i) {
        const double v = gen.next();
        const int decimals = gen.below(30) - 5;  // negative counts too: they round to whole units
        const double r = roundHalfAway(v, decimals);
        const std::string t = shortestText(v);
        if (std::isnan(v)) {
            EXPECT_TRUE(std::isnan(r));
            EXPECT_EQ(t, "NaN");
            continue;
        }
        if (std::isinf(v)) {
            EXPECT_EQ(r, v);
            EXPECT_EQ(t, v > 0 ? "Infinity" : "-Infinity");
            continue;
        }
        // Rounding a finite value never gives a non-finite one, nor moves it by more than the
        // rounding unit (whole units for negative counts) plus the 15-digit rounding.
        ASSERT_TRUE(std::isfinite(r)) << v << " to " << decimals;
        const double unit = std::pow(10.0, -std::max(decimals, 0));
        EXPECT_LE(std::fabs(r - v), 0.5 * unit * (1 + 1e-9) + std::fabs(v) * 1e-14) << v << " to " << decimals;
        char* end = nullptr;
        const double back = std::strtod(t.c_str(), &end);
        EXPECT_EQ(*end, '\0') << v << " -> " << t;
        EXPECT_EQ(t.find('e'), std::string::npos) << t;
        // 15 significant digits, and 15 decimals at most (a tiny value shows as 0)
        EXPECT_LE(std::fabs(back - v), std::fabs(v) * 1e-14 + 1e-15) << v << " -> " << t;
        if (back == 0) {
            EXPECT_EQ(t, "0");  // no sign on a zero
        }
    }
}

TEST(FormatProperty, EdgeValuesThatOnceBrokeTheFormatter) {
    // A percentage of a huge value overflows to infinity inside the formatter.
    EXPECT_EQ(vbFormat(1e307, "0%"), "Infinity");
    EXPECT_EQ(vbFormat(-1e307, "0.0%"), "-Infinity");
    EXPECT_EQ(roundHalfAway(DBL_MAX, 0), DBL_MAX);  // not rounded up past the largest double
    EXPECT_EQ(roundHalfAway(5.0, -1), 5.0);         // no decimals to drop
    EXPECT_EQ(shortestText(-1e-20), "0");
    EXPECT_EQ(vbFormat(-0.0, ""), "0");
    EXPECT_EQ(vbFormat(-0.0, "0.00"), "0.00");
    EXPECT_EQ(vbFormat(std::numeric_limits<double>::denorm_min(), "0.00"), "0.00");
}

TEST(FormatProperty, ListingPicturesGiveTheTextsWorkedByHand) {
    // '0' always shows a digit, '#' only a significant one, ',' groups the integer digits by three,
    // halves round away from zero on the 15-digit decimal value, the minus sign leads everything.
    const struct {
        double value;
        const char* picture;
        const char* text;
    } cases[] = {
        {123, "00", "123"},                 // more digits than placeholders are all shown
        {12345.6, "##,##0.00", "12,345.60"},
        {1234567.891, "$#,###,##0.00", "$1,234,567.89"},
        {-1234.5, "$#,##0.00", "-$1,234.50"},
        {-0.001, "0.00", "0.00"},           // rounds to zero: no sign
        {-3, "0.00;(0.00)", "(3.00)"},      // a negative section shows no sign of its own
        {-3, "0.00;;\"Zero\"", "-3.00"},   // an empty section falls back to the first
        {0, "0.00;;\"Zero\"", "Zero"},
        {0.125, "0.00", "0.13"},
        {-2.5, "0", "-3"},
        {2.675, "0.00", "2.68"},            // 2.67499999... in binary, a half in 15 digits
        {-999.995, "#,##0.00", "-1,000.00"},  // the carry opens a new group
        {1e20, "0.00", "100000000000000000000.00"},
        {0.075, "$#.##", "$.08"},           // '#' drops the leading zero
        {19.9, "###.##", "19.9"},
        {19, "\\####\\#", "#19#"},
        {0.175, "0.0%", "17.5%"},
    };
    for (const auto& c : cases) EXPECT_EQ(vbFormat(c.value, c.picture), c.text) << c.value << " " << c.picture;
    EXPECT_DOUBLE_EQ(roundHalfAway(-1.005, 2), -1.01);
    EXPECT_EQ(vbFormatWidth(3010, "#,##0.00", 10), "  3,010.00");  // padded on the left, never cut
    EXPECT_EQ(vbFormatWidth(12345678.9, "#,##0.00", 8), "12,345,678.90");
}
