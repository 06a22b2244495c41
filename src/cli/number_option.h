// Numbers given on the command line are read as strictly as those typed in the windows.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "common/number_input.h"

namespace kolv::cli {

/// A check for a numeric option: the whole text must read as a number with a decimal point
/// ("0,3" is refused with the reason) and lie in the range when one is given.
inline CLI::Validator strictNumber(const std::string& caption, std::optional<input::NumberRule> rule = std::nullopt) {
    return CLI::Validator(
        [caption, rule](std::string& text) -> std::string {
            const input::NumberCheck r = rule ? input::checkNumber(text, caption, *rule) : input::parseNumber(text, caption);
            return r.ok() ? std::string() : r.error;
        },
        "NUMBER");
}

/// Above zero (velocities, durations, slopes that must exist).
inline input::NumberRule positive() {
    input::NumberRule r;
    r.min = 0.0;
    r.minExclusive = true;
    return r;
}

/// Zero or more.
inline input::NumberRule notNegative() {
    input::NumberRule r;
    r.min = 0.0;
    return r;
}

}  // namespace kolv::cli
