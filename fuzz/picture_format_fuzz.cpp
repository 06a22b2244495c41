// libFuzzer target for the picture-string number formatter.
//
// The first 8 bytes are the value (any bit pattern: NaN payloads, denormals, infinities), the
// 9th the decimals for rounding, the rest the picture. Beside "no crash, no sanitizer report",
// it checks that a value that is not a number shows as such and a finite one never does.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/utf8_text.h"
#include "common/vb_format.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        __builtin_printf("invariant broken: %s\n", what);
        std::abort();
    }
}

bool nonFiniteText(const std::string& s) { return s == "NaN" || s == "Infinity" || s == "-Infinity"; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) return 0;
    double v;
    std::memcpy(&v, data, sizeof v);
    const int decimals = static_cast<int>(data[8] % 40) - 5;
    const std::string_view picture(reinterpret_cast<const char*>(data + 9), size - 9);

    const std::string s = kolv::vbFormat(v, picture);
    const std::string t = kolv::shortestText(v);
    const double r = kolv::roundHalfAway(v, decimals);
    // widths count characters: a picture may carry accented letters (several bytes each)
    check(kolv::charCount(kolv::vbFormatWidth(v, picture, 10)) == std::max<std::size_t>(10, kolv::charCount(s)), "width");
    if (std::isfinite(v)) {
        check(std::isfinite(r), "rounding a finite value gave a non-finite one");
        check(!nonFiniteText(t), "a finite value shown as a non-number");
        // letters of the picture are copied as they stand; without any, no word can appear
        const bool letters = std::any_of(picture.begin(), picture.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
        check(letters || (s.find("nan") == std::string::npos && s.find("inf") == std::string::npos), "nan/inf text");
    } else {
        check(nonFiniteText(s) && nonFiniteText(t), "a non-number shown with digits");
    }
    return 0;
}
