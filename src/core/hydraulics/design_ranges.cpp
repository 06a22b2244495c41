// Ranges of the values typed in the design-step windows, from the limits the computations accept.
#include "hydraulics/design_ranges.h"

#include <cmath>

#include "hydraulics/hydraulics_options.h"
#include "hydraulics/unit_factors.h"

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

input::NumberCheck checkDesignValue(DesignValue value, std::string_view text, bool metric) {
    return input::checkNumber(text, designCaption(value, metric), designRule(value, metric));
}

}  // namespace kolv::hydraulics
