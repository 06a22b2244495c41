// Strict reading of numbers typed by the engineer: the whole text, a decimal point, a range.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kolv::input {

/// Allowed range of a physical quantity.
struct NumberRule {
    double min = -1e300;
    double max = 1e300;
    bool minExclusive = false;
    bool maxExclusive = false;
    bool integer = false;  ///< whole numbers only (barrels, counts)
    /// "0 to 1", "greater than 0 and less than 1", "0 or more"
    std::string describe() const;
    /// True when the value lies in the range (never for NaN); whole numbers only when asked.
    bool accepts(double v) const;
};

/// Result of reading one typed value: the number, or the message that says why it was refused.
struct NumberCheck {
    std::optional<double> value;
    std::string error;  ///< empty when the value was accepted
    bool ok() const { return value.has_value(); }
};

/// Reads the whole text as a number written with a decimal point (blanks around it allowed,
/// an empty text is refused). "0,3" is refused with a message that says the decimal point
/// is a period; "abc", "1.2.3", "12ft" are refused.
NumberCheck parseNumber(std::string_view text, std::string_view caption);

/// Reads the text and checks it against the rule; the message names the caption and the
/// allowed range: "Runoff C 1 must be from 0 to 1."
NumberCheck checkNumber(std::string_view text, std::string_view caption, const NumberRule& rule);

/// The range of a project field by its meaning (areas, lengths, times, flows, barrels not
/// negative; runoff coefficients 0..1; Manning's n above 0 and below 1). Nothing for a field
/// that may hold any number (elevations, stations, offsets).
std::optional<NumberRule> fieldRule(std::string_view table, std::string_view field);

/// parseNumber + the field's rule, when it has one.
NumberCheck checkField(std::string_view table, std::string_view field, std::string_view text,
                       std::string_view caption);

}  // namespace kolv::input
