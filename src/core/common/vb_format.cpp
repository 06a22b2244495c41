// Picture-string number formatting.
#include "common/vb_format.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fmt/format.h>
#include <vector>

#include "common/text.h"

namespace kolv {

namespace {

/// Decimal digits of |value| rounded half away from zero to `decimals` places:
/// returns integer digits and fraction digits as text (no sign).
/// Callers pass finite values only; `decimals` below 0 counts as 0.
void roundedDigits(double value, int decimals, std::string& intPart, std::string& fracPart) {
    decimals = std::max(decimals, 0);
    double a = std::fabs(value);
    if (!std::isfinite(a)) {  // no digits to give: never parse the text of a non-number
        intPart.clear();
        fracPart.assign(static_cast<std::size_t>(decimals), '0');
        return;
    }
    // 15 significant digits in scientific form, then round in decimal.
    std::string sci = fmt::format("{:.14e}", a);  // d.dddddddddddddde±XX
    std::size_t epos = sci.find('e');
    int exp10 = std::atoi(sci.c_str() + epos + 1);
    std::string mant;
    for (std::size_t i = 0; i < epos; ++i)
        if (sci[i] != '.') mant += sci[i];
    // mant holds 15 digits, the first at position 10^exp10.
    // Build the full digit string with the decimal point at intLen.
    std::string digits;
    int intLen;
    if (exp10 >= 0) {
        digits = mant;
        intLen = exp10 + 1;
        if (static_cast<int>(digits.size()) < intLen) digits.append(intLen - digits.size(), '0');
    } else {
        digits = std::string(static_cast<std::size_t>(-exp10), '0') + mant;  // leading zero for 0.xxx
        intLen = 1;
    }
    int keep = intLen + decimals;
    if (static_cast<int>(digits.size()) < keep) digits.append(keep - digits.size(), '0');
    bool roundUp = static_cast<int>(digits.size()) > keep && digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0) {
            if (digits[i] == '9') {
                digits[i] = '0';
                --i;
            } else {
                ++digits[i];
                break;
            }
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            ++intLen;
        }
    }
    intPart = digits.substr(0, intLen);
    fracPart = digits.substr(intLen);
    // strip leading zeros of the integer part (keep none; callers pad by the picture)
    std::size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? std::string() : intPart.substr(nz);
}

/// One character of a picture: a placeholder ('0', '#', '.', ',', '%') or literal text
/// (anything else, a character after '\\', or text between double quotes).
struct PicChar {
    char c;
    bool literal;
};

std::vector<PicChar> tokenize(std::string_view pic) {
    std::vector<PicChar> out;
    for (std::size_t i = 0; i < pic.size(); ++i) {
        char c = pic[i];
        if (c == '\\' && i + 1 < pic.size()) {
            out.push_back({pic[++i], true});
        } else if (c == '"') {
            for (++i; i < pic.size() && pic[i] != '"'; ++i) out.push_back({pic[i], true});
        } else {
            bool placeholder = c == '0' || c == '#' || c == '.' || c == ',' || c == '%';
            out.push_back({c, !placeholder});
        }
    }
    return out;
}

/// What a value that is not a number shows instead of digits.
std::string nonFiniteText(double value) {
    if (std::isnan(value)) return "NaN";
    return value > 0 ? "Infinity" : "-Infinity";
}

bool isDigitHolder(const PicChar& p) { return !p.literal && (p.c == '0' || p.c == '#'); }

std::string formatSection(double value, std::string_view picText, bool withSign) {
    const std::vector<PicChar> pic = tokenize(picText);
    std::string literalText;
    for (const auto& p : pic) literalText += p.c;
    // Locate the numeric part: from the first digit placeholder to the last one.
    long first = -1, last = -1;
    for (long i = 0; i < static_cast<long>(pic.size()); ++i)
        if (isDigitHolder(pic[i])) {
            if (first < 0) first = i;
            last = i;
        }
    if (first < 0) return literalText;  // no digit placeholder: the picture is literal text
    // A '.' after the last placeholder belongs to the numeric part ("0." shows a point),
    // and so does a '.' just before the first one (".00").
    for (long i = last + 1; i < static_cast<long>(pic.size()); ++i)
        if (!pic[i].literal && pic[i].c == '.') {
            last = i;
            break;
        }
    if (first > 0 && !pic[first - 1].literal && pic[first - 1].c == '.') --first;

    bool percent = false;
    std::string prefix, suffix, body;
    for (long i = 0; i < static_cast<long>(pic.size()); ++i) {
        const PicChar& p = pic[i];
        if (!p.literal && p.c == '%') percent = true;
        if (i < first) prefix += p.c;
        else if (i > last) suffix += p.c;
        else if (!p.literal) body += p.c;  // literal text inside the digits is not used by our pictures
    }
    if (percent) value *= 100.0;  // '%' shows the value as a percentage
    if (!std::isfinite(value)) return nonFiniteText(value);  // a huge percentage overflows

    std::size_t dot = body.find('.');
    std::string_view bodyView(body);
    std::string_view ipic = dot == std::string::npos ? bodyView : bodyView.substr(0, dot);
    std::string_view fpic = dot == std::string::npos ? std::string_view() : bodyView.substr(dot + 1);

    bool grouping = ipic.find(',') != std::string_view::npos;
    int minInt = 0;
    for (char c : ipic)
        if (c == '0') ++minInt;
    int minFrac = 0, maxFrac = 0;
    for (char c : fpic) {
        if (c == '0') ++minFrac, ++maxFrac;
        else if (c == '#') ++maxFrac;
    }

    std::string ip, fp;
    roundedDigits(value, maxFrac, ip, fp);
    // drop optional trailing fraction digits
    while (static_cast<int>(fp.size()) > minFrac && !fp.empty() && fp.back() == '0') fp.pop_back();
    if (static_cast<int>(ip.size()) < minInt) ip = std::string(minInt - ip.size(), '0') + ip;
    if (grouping && ip.size() > 3) {
        std::string g;
        int n = static_cast<int>(ip.size());
        for (int i = 0; i < n; ++i) {
            g += ip[i];
            int rest = n - i - 1;
            if (rest > 0 && rest % 3 == 0) g += ',';
        }
        ip = g;
    }
    bool isZero = ip.find_first_not_of("0,") == std::string::npos && fp.find_first_not_of('0') == std::string::npos;
    std::string out;
    if (withSign && value < 0 && !isZero) out += '-';
    out += prefix;
    out += ip;
    if (dot != std::string::npos && (!fp.empty() || minFrac > 0 || maxFrac == 0)) {
        out += '.';
        out += fp;
    }
    out += suffix;
    return out;
}

}  // namespace

double roundHalfAway(double value, int decimals) {
    // NaN and infinity have no decimal digits to round: they come back as they are.
    if (!std::isfinite(value)) return value;
    std::string ip, fp;
    roundedDigits(value, decimals, ip, fp);
    std::string s = (ip.empty() ? "0" : ip) + (fp.empty() ? "" : "." + fp);
    double r = std::strtod(s.c_str(), nullptr);
    // 15 digits of the largest doubles read back above the largest: it has no decimals to round
    if (!std::isfinite(r)) return value;
    return value < 0 ? -r : r;
}

std::string shortestText(double value) {
    if (!std::isfinite(value)) return nonFiniteText(value);
    if (value == 0) return "0";  // -0 too
    if (value == std::floor(value) && std::fabs(value) < 1e15) return fmt::format("{:.0f}", value);
    std::string s = fmt::format("{:.15g}", value);
    if (s.find('e') != std::string::npos) {
        s = fmt::format("{:.15f}", value);
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
        if (s == "-0") s = "0";  // a tiny negative value shows as zero, without a sign
    }
    return s;
}

std::string vbFormat(double value, std::string_view picture) {
    // a value that is not a number has no digits to lay out in a picture
    if (!std::isfinite(value)) return nonFiniteText(value);
    if (picture.empty()) return shortestText(value);
    std::vector<std::string> sections = split(picture, ';');
    // A section left empty ("0.00;;Zero") falls back to the first one, sign included.
    if (sections.size() >= 3 && value == 0 && !sections[2].empty()) return formatSection(value, sections[2], false);
    if (sections.size() >= 2 && value < 0 && !sections[1].empty()) return formatSection(value, sections[1], false);
    return formatSection(value, sections[0], true);
}

std::string vbFormatWidth(double value, std::string_view picture, std::size_t width) {
    return padLeft(vbFormat(value, picture), width);
}

}  // namespace kolv
