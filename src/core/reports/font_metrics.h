// Text widths of the report fonts, measured without a window system (Helvetica and Courier metrics).
#pragma once

#include <string_view>

namespace kolv::reports {

/// The two families a report uses: a proportional sans (printed with Arial, Helvetica or a
/// metric-compatible face) and a fixed-pitch face (Courier or a metric-compatible mono).
enum class FontFamily { Sans, Mono };

/// A font of a laid-out page: family, size in points and weight.
struct Font {
    FontFamily family = FontFamily::Sans;
    double sizePt = 9.0;  ///< em size (points)
    bool bold = false;

    bool operator==(const Font&) const = default;
};

/// Advance width of one character in thousandths of the em (AFM units). Characters outside
/// printable ASCII take the width of a digit.
int charWidthUnits(char c, const Font& font);

/// Width of a UTF-8 text in points: sum of the advances x size / 1000. A multi-byte character
/// counts once, with a digit's width.
double textWidthPt(std::string_view text, const Font& font);

/// Width of the digit "0" in points: the unit of column widths in a template.
double digitWidthPt(const Font& font);

/// Height of a line of text in points (ascender + descender of the face, about 1.15 em).
double lineHeightPt(const Font& font);

/// Distance from the top of a line to its baseline, in points.
double ascentPt(const Font& font);

/// The longest start of `text` (whole characters) whose width fits in `widthPt`.
std::string_view fitText(std::string_view text, const Font& font, double widthPt);

}  // namespace kolv::reports
