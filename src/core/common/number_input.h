// Strict reading of numbers typed by the engineer: the whole text, a decimal point, a range.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kolv::input {

/// Limits beyond which a value is taken for a slip of the keyboard or damaged data. The typed
/// input and the checks before a computation use the same ones.
inline constexpr double kMaxLengthFt = 100000.0;    ///< reach lengths (ft)
inline constexpr double kMaxElevationFt = 30000.0;  ///< elevations, up or down (ft)
inline constexpr double kMaxPipeSizeFt = 50.0;      ///< pipe height and width (ft)
inline constexpr double kMaxArea = 1.0e6;           ///< drainage areas (acres, or hectares in a metric project)
inline constexpr double kMaxTcMinutes = 1440.0;     ///< a time of concentration of a day
inline constexpr double kMaxFlowCfs = 100000.0;     ///< base flows (cfs)
inline constexpr double kMaxLossCoefficient = 100.0;  ///< junction and exit loss coefficients

/// Allowed range of a physical quantity.
struct NumberRule {
    double min = -1e300;
    double max = 1e300;
    bool minExclusive = false;
    bool maxExclusive = false;
    bool integer = false;  ///< whole numbers only (barrels, counts)
    std::string unit;      ///< shown after the range: "ft", "acres", "min"
    /// "between 0 and 1", "between 0 and 100,000 ft", "greater than 0 and less than 1", "0 or more"
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

/// The number a typed text holds when parseNumber accepts it whole, otherwise `fallback`: for figures shown
/// beside fields still being typed (a pipe slope, a preview curve), which show the fallback rather than
/// a value read from the leading digits of a half-typed or mistyped text.
double numberOr(std::string_view text, double fallback);

/// Reads the text and checks it against the rule; the message names the caption and the
/// allowed range: "Runoff C 1 must be from 0 to 1."
NumberCheck checkNumber(std::string_view text, std::string_view caption, const NumberRule& rule);

/// The range of a project field by its meaning, in the project's units: lengths 0 to 100,000 ft,
/// elevations -30,000 to 30,000 ft, areas 0 to 1,000,000 acres, times 0 to 1,440 min, flows and loss
/// coefficients not negative and not absurd, barrels whole; runoff coefficients 0..1; Manning's n
/// above 0 and below 1. Nothing for a field that may hold any number (stations, offsets).
std::optional<NumberRule> fieldRule(std::string_view table, std::string_view field, bool metric = false);

/// parseNumber + the field's rule, when it has one.
NumberCheck checkField(std::string_view table, std::string_view field, std::string_view text,
                       std::string_view caption, bool metric = false);

/// A number as a message shows it: shortest form, thousands grouped ("100,000", "0.01", "-9,144").
std::string groupedNumber(double v);

}  // namespace kolv::input
