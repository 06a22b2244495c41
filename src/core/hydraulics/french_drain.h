// Exfiltration of a French-drain (perforated pipe in a trench) reach into the ground.
#pragma once

#include <array>

namespace kolv::hydraulics {

/// Trench and soil data of a French-drain reach (elevations and depths in ft).
struct FrenchDrainTrench {
    double designGroundwaterElev = 0;  ///< `FD_DESIGN_GW_EL` (ft)
    double groundElev = 0;             ///< `FD_GND_EL` (ft)
    std::array<double, 3> toDepth{};   ///< `FD_TO_DEPTH1`..`FD_TO_DEPTH3`, D1..D3 (ft below ground)
    std::array<double, 3> k{};         ///< `FD_K1`..`FD_K3`, K1..K3 (cfs per ft of head per ft^2 of trench)
};

/// Outcome of one exfiltration computation.
struct FrenchDrainResult {
    double removedCfs = 0;  ///< flow leaving through the trench (`FD_FLOW_REDUCTION`, cfs)
    int segments = 0;       ///< number of trench segments N used
    int status = 0;         ///< 0 computed; -1 nothing removed (missing input or groundwater above the HGL)
};

/// Fewest and most trench segments.
inline constexpr int kMinTrenchSegments = 25;
inline constexpr int kMaxTrenchSegments = 80;

/// Number of trench segments for a trench length (ft): int(0.15 Ltr) + 21, kept within 25..80.
int trenchSegments(double trenchLengthFt);

/// Flow removed by the trench of a French-drain reach.
/// flowCfs Q, manningN n, heightFt D of the pipe, reachLengthFt L used for friction, trenchLengthFt Ltr
/// (the trench lies in the middle of the reach), hglUpFt the reach's upstream grade line of the previous pass.
FrenchDrainResult frenchDrainExfiltration(double flowCfs, double manningN, double heightFt, double reachLengthFt,
                                          double trenchLengthFt, double hglUpFt, const FrenchDrainTrench& trench);

}  // namespace kolv::hydraulics
