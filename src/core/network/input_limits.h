// Limits of the input a computation can use: impossible or absurd values found before anything is computed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/number_input.h"
#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::network {

/// Limits beyond which stored data is taken for damaged: the same as for typed input.
inline constexpr double kMaxPipeSizeFt = input::kMaxPipeSizeFt;
inline constexpr double kMaxLengthFt = input::kMaxLengthFt;
inline constexpr double kMaxElevationFt = input::kMaxElevationFt;
inline constexpr double kMaxArea = input::kMaxArea;

/// What a computation reads, and so what is checked.
struct InputLimitScope {
    /// Drainage areas, runoff coefficients and the rainfall intensity at the inlet durations.
    bool drainage = true;
    /// Lengths of the reaches.
    bool lengths = true;
    /// A length of 0 is accepted (a cost prices nothing for it); otherwise lengths must be above 0.
    bool zeroLengths = false;
    /// `HEIGHT` of the pipe definitions the reaches use.
    bool pipeHeights = true;
    /// `WIDTH` and `AREA` of those definitions.
    bool pipeShapes = true;
    /// Manning's n of those definitions.
    bool pipeRoughness = true;
    /// Manning's n of the ditch reaches.
    bool ditchRoughness = true;
    /// Inlet elevations, reach end elevations and the tailwater.
    bool elevations = true;
    /// Every pipe definition of this group too (the candidates of pipe sizing).
    std::optional<int> pipeGroup;
    /// Every inlet takes this duration instead of its own time of concentration (minutes).
    std::optional<double> fixedTcMinutes;
};

/// One value a computation cannot use.
struct InputFault {
    std::string table;  ///< NODE, REACH, T7, T16, T2, T85
    std::string record; ///< the node, reach, pipe or table named
    std::string field;
    std::string line;   ///< the finding as it is listed: record, field, value and what is allowed
};

/// The values of a system (lengths in the project's units) that no computation can use, in the
/// order nodes, reaches, pipe definitions, system header, rainfall. Ranges follow the field rules
/// of typed input; absurd sizes are refused as damaged data. Reads only.
std::vector<InputFault> inputLimitFaults(db::Database& db, const std::string& system, bool metric,
                                         const InputLimitScope& scope = {});

/// Checks the input before a computation: when anything is out of its limits, shows one
/// "INVALID DATA" message listing the findings (the first 20 of them and how many more) and
/// returns false; the run must then stop before computing or writing anything.
bool inputWithinLimits(db::Database& db, const std::string& system, bool metric, ui::UiPort& ui,
                       const InputLimitScope& scope = {});

}  // namespace kolv::network
