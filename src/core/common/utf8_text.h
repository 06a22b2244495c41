// Characters of UTF-8 text: field lengths count them, never the bytes that encode them.
#pragma once

#include <cstddef>
#include <string_view>

namespace kolv {

/// Characters (Unicode code points) of a UTF-8 text: what a Text(n) field limits, "é" being one.
std::size_t charCount(std::string_view s);

}  // namespace kolv
