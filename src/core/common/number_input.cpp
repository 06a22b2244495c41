// Strict reading of typed numbers and the physical ranges of the project's fields.
#include "common/number_input.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include <fmt/format.h>

#include "common/units.h"

namespace kolv::input {

namespace {

std::string_view trimmed(std::string_view t) {
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front()))) t.remove_prefix(1);
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.remove_suffix(1);
    return t;
}

std::string shortText(double v) { return groupedNumber(v); }

bool looksLikeCommaDecimal(std::string_view t) {
    // "0,3" or "-12,75": digits, one comma, digits; a thousands comma ("1,250") is refused too,
    // since the engineer cannot tell which was meant.
    std::size_t comma = t.find(',');
    if (comma == std::string_view::npos || t.find(',', comma + 1) != std::string_view::npos) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        char c = t[i];
        if (i == comma) continue;
        if (std::isdigit(static_cast<unsigned char>(c))) continue;
        if ((c == '-' || c == '+') && i == 0) continue;
        return false;
    }
    return comma > 0 && comma + 1 < t.size();
}

}  // namespace

std::string groupedNumber(double v) {
    std::string s = fmt::format("{}", v);
    if (s.find_first_of("eE") != std::string::npos) return s;
    const std::size_t start = (s[0] == '-') ? 1 : 0;
    std::size_t end = s.find('.');
    if (end == std::string::npos) end = s.size();
    for (std::size_t i = end; i > start + 3; i -= 3) s.insert(i - 3, ",");
    return s;
}

std::string NumberRule::describe() const {
    const bool hasMin = min > -1e299;
    const bool hasMax = max < 1e299;
    const std::string lo = shortText(min), hi = shortText(max);
    const std::string u = unit.empty() ? "" : " " + unit;
    if (hasMin && hasMax) {
        if (!minExclusive && !maxExclusive) return "between " + lo + " and " + hi + u;
        return std::string("greater than ") + (minExclusive ? "" : "or equal to ") + lo + " and less than " +
               (maxExclusive ? "" : "or equal to ") + hi + u;
    }
    if (hasMin) return (minExclusive ? "greater than " + lo : lo + " or more") + u;
    if (hasMax) return (maxExclusive ? "less than " + hi : hi + " or less") + u;
    return "any number";
}

NumberCheck parseNumber(std::string_view text, std::string_view caption) {
    NumberCheck r;
    const std::string name = caption.empty() ? std::string("The value") : std::string(caption);
    std::string_view t = trimmed(text);
    if (t.empty()) {
        r.error = name + " needs a number.";
        return r;
    }
    if (looksLikeCommaDecimal(t)) {
        r.error = name + ": '" + std::string(t) + "' is not a number. Use a period as the decimal point (0.3, not 0,3).";
        return r;
    }
    std::string_view body = t;
    if (body.front() == '+') body.remove_prefix(1);
    // from_chars accepts "inf"/"nan" and hexadecimal forms only on request; plain decimal only here
    for (char c : body) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
            r.error = name + ": '" + std::string(t) + "' is not a number.";
            return r;
        }
    }
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::general);
    if (ec != std::errc() || ptr != body.data() + body.size() || !std::isfinite(v)) {
        r.error = name + ": '" + std::string(t) + "' is not a number.";
        return r;
    }
    r.value = v;
    return r;
}

double numberOr(std::string_view text, double fallback) {
    const NumberCheck c = parseNumber(text, {});
    return c.ok() ? *c.value : fallback;
}

bool NumberRule::accepts(double v) const {
    if (std::isnan(v)) return false;
    const bool low = minExclusive ? v <= min : v < min;
    const bool high = maxExclusive ? v >= max : v > max;
    const bool fraction = integer && v != std::floor(v);
    return !(low || high || fraction);
}

NumberCheck checkNumber(std::string_view text, std::string_view caption, const NumberRule& rule) {
    NumberCheck r = parseNumber(text, caption);
    if (!r.ok()) return r;
    if (!rule.accepts(*r.value)) {
        const std::string name = caption.empty() ? std::string("The value") : std::string(caption);
        r.error = name + " must be " + (rule.integer ? "a whole number " : "") + rule.describe() + ".";
        r.value.reset();
    }
    return r;
}

namespace {

NumberRule range(double min, double max, std::string unit = {}) {
    NumberRule r;
    r.min = min;
    r.max = max;
    r.unit = std::move(unit);
    return r;
}

/// A limit kept in feet, in the project's length unit (metres rounded to the centimetre).
double lengthLimit(double feet, bool metric) {
    return metric ? std::round(feet / units::kFeetPerMeter * 100.0) / 100.0 : feet;
}

}  // namespace

std::optional<NumberRule> fieldRule(std::string_view table, std::string_view field, bool metric) {
    auto is = [&](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (field == n) return true;
        return false;
    };
    const std::string lengthUnit = metric ? "m" : "ft";
    const NumberRule length = range(0.0, lengthLimit(kMaxLengthFt, metric), lengthUnit);
    const double elevationLimit = lengthLimit(kMaxElevationFt, metric);
    const NumberRule elevation = range(-elevationLimit, elevationLimit, lengthUnit);
    const NumberRule area = range(0.0, kMaxArea, metric ? "ha" : "acres");
    const NumberRule minutes = range(0.0, kMaxTcMinutes, "min");
    const NumberRule flow = range(0.0, metric ? std::round(kMaxFlowCfs / units::kCfsPerCms) : kMaxFlowCfs,
                                  metric ? "cms" : "cfs");
    const NumberRule loss = range(0.0, kMaxLossCoefficient);
    NumberRule notNegative;
    notNegative.min = 0.0;
    const NumberRule fraction = range(0.0, 1.0);  // runoff coefficients
    NumberRule manning = range(0.0, 1.0);         // roughness: above 0 and below 1
    manning.minExclusive = manning.maxExclusive = true;

    if (table == "NODE") {
        if (is({"P_C1DA", "P_C2DA", "P_C3DA"})) return area;
        if (is({"TC"})) return minutes;
        if (is({"BASE_FLOW"})) return flow;
        if (is({"JUNC_LOSS_COEFF", "EXIT_LOSS_COEFF"})) return loss;
        if (is({"RUNOFF_C1", "RUNOFF_C2", "RUNOFF_C3"})) return fraction;
        if (is({"INLET_ELEV", "MIN_HGL"})) return elevation;
    } else if (table == "REACH") {
        if (is({"LENGTH", "HYD_LENGTH", "FR_LEN_FIXED", "FR_LEN_LESS"})) return length;
        if (is({"ELEV1", "ELEV2"})) return elevation;
        if (is({"DITCH_DIM_0", "DITCH_DIM_1", "DITCH_DIM_2", "DITCH_DIM_3", "DITCH_DIM_4", "DITCH_DIM_5",
                "DITCH_DIM_6", "FR_W1", "FR_W2", "FD_K1", "FD_K2", "FD_K3"}))
            return notNegative;
        if (is({"BARRELS"})) {
            NumberRule barrels = notNegative;
            barrels.integer = true;
            return barrels;
        }
        if (is({"DITCH_MANNINGS"})) return manning;
    } else if (table == "T16") {
        if (is({"EXIT_LOSS_COEFF"})) return loss;
        if (is({"OUT_EL", "OUT_TW"})) return elevation;
        if (is({"ANGLE"})) return range(-360.0, 360.0, "degrees");
        if (is({"AREA1", "AREA2", "AREA3"})) return fraction;  // the system's default runoff coefficients
    } else if (table == "T7") {
        if (is({"HEIGHT", "WIDTH"})) return range(0.0, lengthLimit(kMaxPipeSizeFt, metric), lengthUnit);
        if (is({"AREA", "THICKNESS", "COST"})) return notNegative;
        if (is({"N"})) return manning;
    } else if (table == "T6") {
        if (is({"COST_LT", "COST_GT", "MIN_PIPE_COVER", "MAX_INLET_HYD_CAPACITY", "HGL_CLEAR"})) return notNegative;
    } else if (table == "T85") {
        return notNegative;  // durations and intensities
    }
    return std::nullopt;
}

NumberCheck checkField(std::string_view table, std::string_view field, std::string_view text,
                       std::string_view caption, bool metric) {
    if (auto rule = fieldRule(table, field, metric)) return checkNumber(text, caption, *rule);
    return parseNumber(text, caption);
}

}  // namespace kolv::input
