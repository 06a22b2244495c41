// Text helpers shared by every subsystem: trimming, case, fixed-length names, leading numbers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kolv {

/// Blanks (spaces and tabs) removed at both ends, as names are trimmed before any comparison.
std::string trim(std::string_view s);
std::string rtrim(std::string_view s);
std::string ltrim(std::string_view s);
std::string toUpper(std::string_view s);
std::string toLower(std::string_view s);

/// Case-insensitive equality of two ASCII texts.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

/// Node and reach names are held by their first 8 characters.
std::string name8(std::string_view s);

/// Left part of at most n characters (VB Left$).
std::string left(std::string_view s, std::size_t n);
/// Right part of at most n characters (VB Right$).
std::string right(std::string_view s, std::size_t n);

/// Text padded with blanks on the right to exactly n characters (cut when longer).
std::string padRight(std::string_view s, std::size_t n);
/// Text padded with blanks on the left to exactly n characters (not cut when longer).
std::string padLeft(std::string_view s, std::size_t n);

/// The leading numeric part of a typed text, as a number: "12.5 ft" -> 12.5, "abc" -> 0,
/// "  -3e2x" -> -300, "1,5" -> 1, "&H10" -> 16, "&HFFFF" -> -1 (a 16-bit integer), "&O17" -> 15.
/// Blanks, tabs and line breaks anywhere in the text are skipped: "1 000.5" -> 1000.5.
double leadingNumber(std::string_view s);

/// True when the whole trimmed text is a number (no trailing characters).
bool isNumeric(std::string_view s);

/// Split at a separator character, keeping empty fields.
std::vector<std::string> split(std::string_view s, char sep);

/// The text as a JSON string, quotes included: quote marks, backslashes and control characters
/// escaped, everything else (UTF-8 included) as it is.
std::string jsonQuoted(std::string_view s);

/// "&&" in a caption or message shows as a single "&".
std::string ampersands(std::string_view caption);

}  // namespace kolv
