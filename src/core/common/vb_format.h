// Number formatting with the picture strings used on every listing and report ("0.00", "#,##0.00", "$#,##0.00", "00").
#pragma once

#include <string>
#include <string_view>

namespace kolv {

/// Formats a number with a picture string:
/// - '0' a digit that is always shown, '#' a digit shown only when significant;
/// - '.' the decimal point; ',' between integer digits asks for thousands separators;
/// - '%' shows the value times 100;
/// - any other character ('$', blanks, letters) is copied as it stands, and so is a character
///   after '\\' or text between double quotes;
/// - up to three sections "positive;negative;zero"; an empty section uses the first one.
/// Rounding is half away from zero on the decimal value (2.675 -> "2.68"), the way
/// the listings have always been rounded. A negative value that rounds to zero shows
/// without a sign. A negative value shows "-" ahead of everything ("-$1,234.50").
std::string vbFormat(double value, std::string_view picture);

/// Rounds half away from zero to the given number of decimals, using the decimal
/// digits of the value (15 significant), so 1.005 rounds to 1.01.
double roundHalfAway(double value, int decimals);

/// The decimal text of a value with up to 15 significant digits and no trailing zeros
/// ("3", "2", "0.5", "1e+20" is never produced: large values print in full).
std::string shortestText(double value);

/// A value right-aligned in a field of the given width after formatting. A text longer than
/// the field is kept whole (a cut number would show wrong digits).
std::string vbFormatWidth(double value, std::string_view picture, std::size_t width);

}  // namespace kolv
