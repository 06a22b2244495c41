// Reading an import file into rows and columns: separators, quoted fields, line ends, encodings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kolv::exchange {

/// Columns an import reads; further columns of a row are ignored.
inline constexpr int kMaxImportColumns = 32;

/// The separator choices of the import, in the order they are offered.
enum class Separator { Tab, Blank, Semicolon, Comma, Other };

/// The character of a separator choice; for Other the first character of `other`
/// (a tab when `other` is empty, so a forgotten field never splits at random).
char separatorChar(Separator s, std::string_view other = {});

/// Splitting rules (also in the import help text):
///
/// - A field that starts with a double quote is a quoted field (RFC 4180): up to the closing
///   quote it may hold the separator, a line break, and a doubled quote "" standing for one ".
///   A quote inside an unquoted field is an ordinary character. A quoted field left open at
///   the end of the file runs to the end of the file.
/// - With the blank as separator, a run of blanks is one separator and blanks at the start and
///   end of a line are ignored: a file lined up in columns with blanks reads as one would read
///   it. With tab, semicolon, comma or another character, every separator ends a field, so two
///   separators side by side make an empty column: that is how spreadsheets write empty cells.
/// - Lines end at LF, CR LF or a lone CR. A line with no value in any column (empty, only
///   blanks, or only separators as a spreadsheet writes an empty row) is skipped: it is
///   neither a row nor the heading.
/// - A UTF-8 byte-order mark at the start is dropped. A file that is not valid UTF-8 is read as
///   Latin-1 (ISO 8859-1), which maps every byte to one character, so nothing is lost; the text
///   is held as UTF-8 from then on.
/// - Values keep their quote marks here; the import removes them (see importValue()).
struct TextTable {
    /// Every non-empty line of the file split into fields, at most kMaxImportColumns each.
    std::vector<std::vector<std::string>> lines;
    /// Number of fields of each line before the cut.
    std::vector<int> fieldCounts;
    /// The largest number of fields of any line before the cut (for the 32-column notice).
    int fileColumns = 0;
    /// True when the file holds a quote mark, single or double, anywhere.
    bool hasQuoteMarks = false;
    /// True when the file was read as Latin-1.
    bool latin1 = false;

    /// Columns shown: the widest line after the cut.
    int columnCount() const;
};

/// Makes UTF-8 text of file bytes: drops a UTF-8 byte-order mark; converts from Latin-1 when
/// the bytes are not valid UTF-8. `latin1` (optional) tells which way it went.
std::string decodeFileText(std::string_view bytes, bool* latin1 = nullptr);

/// True when the bytes are valid UTF-8.
bool isValidUtf8(std::string_view bytes);

/// Splits file bytes into lines and fields.
TextTable parseText(std::string_view bytes, char separator);

/// Reads a file as bytes. Throws kolv::Error (53, "File Not Found") naming the path.
std::string readFileBytes(const std::string& path);

/// The first `n` characters of UTF-8 text (a character is never cut in half).
std::string utf8Left(std::string_view s, std::size_t n);
/// Number of characters of UTF-8 text.
std::size_t utf8Length(std::string_view s);

}  // namespace kolv::exchange
