// Text helpers: the leading-number rule engineers rely on when they type values.
#include <gtest/gtest.h>

#include "common/text.h"
#include "common/utf8_text.h"

using namespace kolv;

TEST(LeadingNumber, TakesTheNumericStartOfTypedText) {
    const std::pair<const char*, double> cases[] = {
        {"12.5 ft", 12.5}, {"  -3e2x", -300.0}, {"1,5", 1.0}, {"10..00", 10.0}, {".75", 0.75},
        {"2e", 2.0},  // an exponent without digits is not part of it
        {"abc", 0.0}, {"", 0.0}, {"-", 0.0}, {"1.2.3", 1.2},
        // blanks, tabs and line breaks inside the text are skipped before reading the number
        {"1 000.5", 1000.5}, {" - 2 . 5 ft", -2.5}, {"1d2", 100.0},
        // 4 hex digits are a 16-bit integer, more a 32-bit one
        {"&H1F", 31.0}, {"&HFFFF", -1.0}, {"&H7FFF", 32767.0}, {"&H10000", 65536.0}, {"&O17", 15.0},
    };
    for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(leadingNumber(text), value) << "'" << text << "'";
}

TEST(TextHelpers, NamesTrimsAndCaptions) {
    EXPECT_EQ(trim("  S-1 \t"), "S-1");
    EXPECT_EQ(name8("INLET-123456"), "INLET-12");
    EXPECT_EQ(padRight("AB", 4), "AB  ");
    EXPECT_EQ(padRight("ABCDEF", 4), "ABCD");
    EXPECT_EQ(padLeft("7", 3), "  7");
    // Lengths count characters, never bytes: a cut never splits a character in two.
    EXPECT_EQ(charCount("ÄÖÜßäöü1"), 8u);
    EXPECT_EQ(name8("Ω测试éΩ测试éΩ"), "Ω测试éΩ测试é");
    EXPECT_EQ(right("abΩé", 2), "Ωé");
    EXPECT_EQ(padRight("Ωé", 4), "Ωé  ");
    EXPECT_EQ(padLeft("é", 3), "  é");
    EXPECT_EQ(ampersands("SS Outfall && Header Details"), "SS Outfall & Header Details");
    EXPECT_TRUE(equalsIgnoreCase("s1", "S1"));
    EXPECT_EQ(split("a,,b", ','), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(isNumeric(" 3.5 "));
    EXPECT_FALSE(isNumeric("3.5ft"));
}
