// Text widths of the report fonts from the published Helvetica and Helvetica-Bold metrics.
#include "reports/font_metrics.h"

#include <array>

namespace kolv::reports {
namespace {

// Advance widths of the characters 32..126 in 1/1000 em, Helvetica (Arial has the same advances).
constexpr std::array<short, 95> kHelvetica = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // ' ' .. '/'
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556,                                // '0' .. '9'
    278, 278, 584, 584, 584, 556, 1015,                                              // ':' .. '@'
    667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833,                 // 'A' .. 'M'
    722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611,                 // 'N' .. 'Z'
    278, 278, 278, 469, 556, 333,                                                    // '[' .. '`'
    556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833,                 // 'a' .. 'm'
    556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500,                 // 'n' .. 'z'
    334, 260, 334, 584};                                                             // '{' .. '~'

// Helvetica-Bold (Arial Bold).
constexpr std::array<short, 95> kHelveticaBold = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556,
    333, 333, 584, 584, 584, 611, 975,
    722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833,
    722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611,
    333, 278, 333, 584, 556, 333,
    556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889,
    611, 611, 611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500,
    389, 280, 389, 584};

constexpr int kCourier = 600;  // every Courier character advances 0.6 em
constexpr int kDigit = 556;

/// Number of bytes of the UTF-8 character that starts with `lead`.
std::size_t utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 0x6) return 2;
    if ((lead >> 4) == 0xE) return 3;
    if ((lead >> 3) == 0x1E) return 4;
    return 1;
}

}  // namespace

int charWidthUnits(char c, const Font& font) {
    if (font.family == FontFamily::Mono) return kCourier;
    auto u = static_cast<unsigned char>(c);
    if (u < 32 || u > 126) return kDigit;
    return font.bold ? kHelveticaBold[u - 32] : kHelvetica[u - 32];
}

double textWidthPt(std::string_view text, const Font& font) {
    long units = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = utf8Length(static_cast<unsigned char>(text[i]));
        units += n == 1 ? charWidthUnits(text[i], font) : charWidthUnits('0', font);
        i += n;
    }
    return units * font.sizePt / 1000.0;  // w = sum(advance) x size / 1000
}

double digitWidthPt(const Font& font) { return charWidthUnits('0', font) * font.sizePt / 1000.0; }

double lineHeightPt(const Font& font) { return 1.15 * font.sizePt; }

double ascentPt(const Font& font) { return 0.905 * font.sizePt; }

std::string_view fitText(std::string_view text, const Font& font, double widthPt) {
    double used = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t n = utf8Length(static_cast<unsigned char>(text[i]));
        double w = (n == 1 ? charWidthUnits(text[i], font) : charWidthUnits('0', font)) * font.sizePt / 1000.0;
        if (used + w > widthPt + 1e-9) break;
        used += w;
        i += n;
    }
    return text.substr(0, std::min(i, text.size()));
}

}  // namespace kolv::reports
