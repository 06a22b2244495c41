// Ranges of the values typed in the design-step windows, from the limits the computations accept.
#include "hydraulics/design_ranges.h"

#include <cmath>
#include <optional>
#include <string>

#include "hydraulics/hydraulics_options.h"

namespace kolv::hydraulics {

namespace {

input::NumberRule range(double min, double max, std::string unit, bool minExclusive = false) {
    input::NumberRule r;
    r.min = min;
    r.max = max;
    r.minExclusive = minExclusive;
    r.unit = std::move(unit);
    return r;
}

/// Above 0 and at most `max`.
input::NumberRule positive(double max, std::string unit) { return range(0.0, max, std::move(unit), true); }

}  // namespace

std::string designCaption(DesignValue value, bool metric) {
    switch (value) {
    case DesignValue::MaxPasses: return "Max. Number of Iterations";
    case DesignValue::MaxHglDifference: return "Max. HGL Difference";
    case DesignValue::FixedTc: return "Fixed Tc";
    case DesignValue::MinVelocity: return "Min. Velocity";
    case DesignValue::MinPhysicalVelocity: return "Min. Physical Velocity";
    case DesignValue::MaxVelocity: return "Max. Velocity";
    case DesignValue::MaxHglSlope: return "Max. HGL Slope";
    case DesignValue::MinPipeSlope: return "Minimum pipe slope";
    case DesignValue::FlowLineVelocity: return "Minimum velocity";
    case DesignValue::PipeSizeLimit: return metric ? "Pipe diameter (mm)" : "Pipe diameter (in)";
    case DesignValue::JunctionLossK: return "Coefficient";
    }
    return "The value";
}

input::NumberRule designRule(DesignValue value, bool metric) {
    const std::string speed = metric ? "m/s" : "ft/s";
    switch (value) {
    case DesignValue::MaxPasses: {
        input::NumberRule r = range(static_cast<double>(kMinPasses), static_cast<double>(kMaxPasses), "passes");
        r.integer = true;
        return r;
    }
    case DesignValue::MaxHglDifference: return range(kMinHglDifferenceFt, kMaxHglDifferenceFt, "ft");
    case DesignValue::FixedTc: return range(kMinFixedTcMin, kMaxFixedTcMin, "min");
    case DesignValue::MinVelocity: return positive(metric ? kMaxMinVelocityMetric : kMaxMinVelocityEnglish, speed);
    case DesignValue::MinPhysicalVelocity: return positive(20.0, "ft/s");  // stored in ft/s in either unit system
    case DesignValue::MaxVelocity: return positive(metric ? 15.0 : 50.0, speed);
    case DesignValue::MaxHglSlope: return positive(100.0, "%");
    case DesignValue::MinPipeSlope: return positive(100.0, "%");
    case DesignValue::FlowLineVelocity: return positive(metric ? 6.0 : 20.0, speed);
    case DesignValue::PipeSizeLimit: return range(0.0, metric ? 15000.0 : 600.0, metric ? "mm" : "in");
    case DesignValue::JunctionLossK: return range(0.0, input::kMaxLossCoefficient, "");
    }
    return {};
}

namespace {

/// The run's own words for a value outside its range, where the compute command has them.
std::optional<std::string> runRangeMessage(DesignValue value, bool metric, double v) {
    const input::NumberRule r = designRule(value, metric);
    if (r.accepts(v)) return std::nullopt;
    switch (value) {
    case DesignValue::MaxPasses: return "Iterations must be between 4 and 32000";
    case DesignValue::MaxHglDifference: return "Max. HGL Difference must be between 0.0001 and 0.25";
    case DesignValue::FixedTc: return "Fixed Tc must be between 1 and 120 minutes";
    case DesignValue::MinVelocity:
        if (!(v > 0.0)) return "Minimum velocity must be greater than zero";
        return metric ? "Minimum velocity for computing travel time cannot exceed 2 m/s"
                      : "Minimum velocity for computing travel time cannot exceed 6 f/s";
    default: return std::nullopt;
    }
}

}  // namespace

input::NumberCheck checkDesignValue(DesignValue value, std::string_view text, bool metric) {
    const std::string caption = designCaption(value, metric);
    input::NumberCheck c = input::parseNumber(text, caption);
    if (!c.ok()) return c;
    if (auto message = runRangeMessage(value, metric, *c.value)) return {std::nullopt, *message};
    return input::checkNumber(text, caption, designRule(value, metric));
}

}  // namespace kolv::hydraulics
