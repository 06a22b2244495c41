// Text helpers shared by every subsystem.
#include "common/text.h"
#include "common/utf8_text.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace kolv {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::string ltrim(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && isBlank(s[b])) ++b;
    return std::string(s.substr(b));
}

std::string rtrim(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && isBlank(s[e - 1])) --e;
    return std::string(s.substr(0, e));
}

std::string trim(std::string_view s) { return ltrim(rtrim(s)); }

std::string toUpper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

std::string toLower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string name8(std::string_view s) { return left(s, 8); }

namespace {
/// A byte that continues a UTF-8 character rather than starting one.
bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

std::size_t charCount(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        if (!continuation(c)) ++n;
    return n;
}

std::string left(std::string_view s, std::size_t n) {
    std::size_t at = 0;
    for (std::size_t chars = 0; at < s.size(); ++at) {
        if (!continuation(s[at]) && chars++ == n) break;
    }
    return std::string(s.substr(0, at));
}

std::string right(std::string_view s, std::size_t n) {
    if (n == 0) return {};
    std::size_t at = s.size();
    for (std::size_t chars = 0; at > 0;) {
        --at;
        if (!continuation(s[at]) && ++chars == n) break;
    }
    return std::string(s.substr(at));
}

std::string padRight(std::string_view s, std::size_t n) {
    std::string r = left(s, n);
    r.append(n - charCount(r), ' ');
    return r;
}

std::string padLeft(std::string_view s, std::size_t n) {
    const std::size_t have = charCount(s);
    if (have >= n) return std::string(s);
    return std::string(n - have, ' ') + std::string(s);
}

double leadingNumber(std::string_view typed) {
    // Blanks, tabs and line breaks anywhere in the text are ignored ("1 000" is 1000), as a
    // typed number has always been read; the number then runs as far as it parses.
    std::string s;
    for (char c : typed)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s += c;
    std::size_t i = 0;
    if (i + 1 < s.size() && s[i] == '&' && (s[i + 1] == 'H' || s[i + 1] == 'h' || s[i + 1] == 'O' || s[i + 1] == 'o')) {
        // &H (hexadecimal) and &O (octal) integers: up to 4 hex digits are a 16-bit integer
        // (&HFFFF is -1), longer ones a 32-bit integer.
        const bool hex = s[i + 1] == 'H' || s[i + 1] == 'h';
        std::uint64_t v = 0;
        std::size_t ndig = 0;
        for (i += 2; i < s.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(s[i]);
            int d = std::isdigit(c) ? c - '0' : (hex && std::isxdigit(c) ? std::tolower(c) - 'a' + 10 : -1);
            if (d < 0 || (!hex && d > 7)) break;
            v = (v * (hex ? 16 : 8) + static_cast<std::uint64_t>(d)) & 0xFFFFFFFFull;
            ++ndig;
        }
        const bool small = hex ? ndig <= 4 : v <= 0xFFFF;
        if (small) return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(v)));
        return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
    }
    std::size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    // An exponent counts only when digits follow it.
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
            i = j;
        }
    }
    std::string num(s.substr(start, i - start));
    for (char& c : num)
        if (c == 'd' || c == 'D') c = 'e';
    return std::strtod(num.c_str(), nullptr);
}

bool isNumeric(std::string_view s) {
    std::string t = trim(s);
    if (t.empty()) return false;
    char* end = nullptr;
    std::strtod(t.c_str(), &end);
    return end && *end == '\0';
}

std::vector<std::string> split(std::string_view s, char sep) {
    std::vector<std::string> out;
    std::size_t b = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == sep) {
            out.emplace_back(s.substr(b, i - b));
            b = i + 1;
        }
    }
    return out;
}

std::string ampersands(std::string_view caption) {
    std::string r;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        r += caption[i];
        if (caption[i] == '&' && i + 1 < caption.size() && caption[i + 1] == '&') ++i;
    }
    return r;
}

std::string jsonQuoted(std::string_view s) {
    std::string q = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': q += "\\\""; break;
        case '\\': q += "\\\\"; break;
        case '\n': q += "\\n"; break;
        case '\t': q += "\\t"; break;
        default:
            if (c < 0x20) {
                static const char* const kHex = "0123456789abcdef";
                q += "\\u00";
                q += kHex[c >> 4];
                q += kHex[c & 0xF];
            } else {
                q += static_cast<char>(c);
            }
        }
    }
    return q + "\"";
}

}  // namespace kolv
