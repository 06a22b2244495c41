// Splitting import files: quoted fields, separators, line ends, encodings and the column limit.
#include <gtest/gtest.h>

#include "exchange/row_listing.h"
#include "exchange/text_reader.h"

using namespace kolv::exchange;

namespace {

using Lines = std::vector<std::vector<std::string>>;

}  // namespace

TEST(TextReader, QuotedFieldsHoldSeparatorsDoubledQuotesAndLineBreaksAndEveryLineEndSplitsRows) {
    TextTable t = parseText("NAME,DESC,NOTE\nS-1,\"RCP, 18\"\" dia\",\"two\r\nlines\"\n", ',');
    ASSERT_EQ(t.lines.size(), 2u);
    EXPECT_EQ(t.lines[1], (std::vector<std::string>{"S-1", "RCP, 18\" dia", "two\r\nlines"}));
    EXPECT_TRUE(t.hasQuoteMarks);
    // A quote inside an unquoted field is an ordinary character; an open quote at the end runs to the end.
    TextTable u = parseText("5'6\",x\n\"open,field", ',');
    EXPECT_EQ(u.lines, (Lines{{"5'6\"", "x"}, {"open,field"}}));

    // line ends of every kind give the same rows
    const Lines expected = {{"a", "b"}, {"c", "d"}, {"e", "f"}};
    EXPECT_EQ(parseText("a,b\nc,d\ne,f\n", ',').lines, expected);
    EXPECT_EQ(parseText("a,b\r\nc,d\r\ne,f", ',').lines, expected);
    EXPECT_EQ(parseText("a,b\rc,d\r\ne,f\r", ',').lines, expected);
    // Empty lines, blank lines and rows of separators only are not rows.
    EXPECT_EQ(parseText("\n\na,b\n   \n,,\nc,d\n\ne,f\n\n", ',').lines, expected);
}

TEST(TextReader, AdjacentSeparatorsMakeEmptyColumnsExceptBlanks) {
    EXPECT_EQ(parseText("a,,b,\n", ',').lines, (Lines{{"a", "", "b", ""}}));
    EXPECT_EQ(parseText("a;;b\n", ';').lines, (Lines{{"a", "", "b"}}));
    EXPECT_EQ(parseText("a\t\tb\n", '\t').lines, (Lines{{"a", "", "b"}}));
    EXPECT_EQ(parseText("a||b|c\n", '|').lines, (Lines{{"a", "", "b", "c"}}));
    // Blank-separated files are lined up with runs of blanks; the runs are one separator.
    EXPECT_EQ(parseText("   S-1     10+00   \"A B\"  36.5   \n", ' ').lines, (Lines{{"S-1", "10+00", "A B", "36.5"}}));
    EXPECT_EQ(separatorChar(Separator::Other, "|x"), '|');
    EXPECT_EQ(separatorChar(Separator::Other, ""), '\t');
    EXPECT_EQ(separatorChar(Separator::Semicolon), ';');
}

TEST(TextReader, ByteOrderMarkDroppedAndLatin1KeptWithoutLoss) {
    TextTable bom = parseText("\xEF\xBB\xBFNAME,X\nS-1,1\n", ',');
    EXPECT_EQ(bom.lines[0][0], "NAME");
    EXPECT_FALSE(bom.latin1);
    // "CAÑADA,É" in Latin-1 is not UTF-8: every byte becomes its character.
    TextTable l1 = parseText("CA\xD1" "ADA,\xC9\n", ',');
    EXPECT_TRUE(l1.latin1);
    EXPECT_EQ(l1.lines[0], (std::vector<std::string>{"CA\xC3\x91" "ADA", "\xC3\x89"}));
    // Every byte value survives the round trip through UTF-8.
    std::string all;
    for (int b = 0x80; b <= 0xFF; ++b) all.push_back(static_cast<char>(b));
    std::string text = decodeFileText(all);
    EXPECT_TRUE(isValidUtf8(text));
    EXPECT_EQ(utf8Length(text), all.size());
    // UTF-8 text stays as it is.
    EXPECT_EQ(parseText("caf\xC3\xA9\n", ',').lines[0][0], "caf\xC3\xA9");
    EXPECT_EQ(utf8Left("\xC3\x89" "COLE-12", 3), "\xC3\x89" "CO");
}

TEST(RowListing, NumbersAndRangesInListingOrderAndRefusalsWithTheirMessages) {
    RowListing r = parseRowListing("3, 1-2,9-7,12-,-1", 14);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.rows, (std::vector<int>{3, 1, 2, 9, 8, 7, 12, 13, 14, 1}));
    // Rows past the file are left out; empty items skipped.
    EXPECT_EQ(parseRowListing("4-100,,200", 5).rows, (std::vector<int>{4, 5}));
    // refusals carry their messages
    EXPECT_EQ(parseRowListing("1,2,3,4,5,6,7,8,9,10,11,12", 20).error,
              "Number of commas in the row listing has exceeded 10.\nChange the row listing and try again.");
    EXPECT_TRUE(parseRowListing("1,2,3,4,5,6,7,8,9,10,11", 20).ok());  // ten commas are allowed
    EXPECT_EQ(parseRowListing("", 20).error, "No rows have been selected. Import aborted.");
    EXPECT_EQ(parseRowListing("30-40", 20).error, "No rows have been selected. Import aborted.");
    EXPECT_EQ(parseRowListing("0", 20).error, "No rows have been selected. Import aborted.");
    EXPECT_FALSE(parseRowListing("1;5", 20).ok());
    EXPECT_FALSE(parseRowListing("1-2-3", 20).ok());
    EXPECT_FALSE(parseRowListing("-", 20).ok());
}
