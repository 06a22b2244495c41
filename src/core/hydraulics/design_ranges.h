// Ranges of the values typed in the design-step windows (passes, tolerances, velocities, slopes, decimals).
#pragma once

#include <string>
#include <string_view>

#include "common/number_input.h"

namespace kolv::hydraulics {

/// A value the engineer types in a design-step window.
enum class DesignValue {
    MaxPasses,             ///< "Max. Number of Iterations": 4..32,000 passes
    MaxHglDifference,      ///< "Max. HGL Difference": 0.0001..0.25 ft
    FixedTc,               ///< fixed time of concentration: 1..120 min
    MinVelocity,           ///< travel-time minimum velocity: above 0, at most 6 ft/s (2 m/s)
    MinPhysicalVelocity,   ///< "Min. Physical Velocity": above 0, at most 20 ft/s
    MaxVelocity,           ///< pipe sizing by velocity: above 0, at most 50 ft/s (15 m/s)
    MaxHglSlope,           ///< pipe sizing by friction slope: above 0, at most 100 %
    MinPipeSlope,          ///< flow lines: above 0, at most 100 %
    FlowLineVelocity,      ///< flow lines, slope by pipe size: above 0, at most 20 ft/s (6 m/s)
    PipeSizeLimit,         ///< flow lines, "diameter less than": 0..600 in (15,000 mm)
    JunctionLossK,         ///< project setup loss coefficient: 0..100
};

/// Caption of the value as its window labels it, used in the messages.
std::string designCaption(DesignValue value, bool metric);

/// Allowed range of the value in the project's units.
input::NumberRule designRule(DesignValue value, bool metric);

/// Reads the typed text of the value strictly and checks its range:
/// "Max. HGL Difference must be between 0.0001 and 0.25 ft."
input::NumberCheck checkDesignValue(DesignValue value, std::string_view text, bool metric);

}  // namespace kolv::hydraulics
