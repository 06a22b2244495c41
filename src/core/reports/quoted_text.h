// Reading a quoted text in a formula or an expression: 'O''Brien' is O'Brien.
#pragma once

#include <optional>
#include <string>

namespace kolv::reports {

/// Reads the quoted text that starts at s[i] (a ' or " quote mark); a doubled quote mark
/// inside stands for one. On success `i` is past the closing quote; nullopt when the text
/// is not closed.
std::optional<std::string> readQuotedText(const std::string& s, std::size_t& i);

}  // namespace kolv::reports
