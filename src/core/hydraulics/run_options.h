// Options of one storm tabulation run, as the Compute Hydraulics window hands them over.
#pragma once

#include "hydraulics/hydraulics_options.h"

namespace kolv::hydraulics {

/// Switches and values of a storm tabulation run, in the units the computations work in.
struct RunOptions {
    bool verifyFirst = false;          ///< verify the network before loading it
    bool useHydLength = false;         ///< friction, travel time and reported length use `HYD_LENGTH`
    int junctionMethod = 1;            ///< 1 velocity of the outgoing pipe; 2 of the incoming pipe with most energy
    bool fixedTc = false;              ///< every node uses fixedTcMinutes
    double fixedTcMinutes = 10.0;      ///< min
    bool exitLoss = true;              ///< exit loss at the outfall reach
    bool junctionLoss = true;          ///< junction losses at the nodes
    bool minVelocityOn = true;         ///< travel time never uses a velocity below minVelocityFps
    double minVelocityFps = 2.0;       ///< minimum velocity for travel time, ft/s
    bool deepWell = false;             ///< deep-well stage-discharge reductions
    bool frenchDrain = false;          ///< exfiltration-trench reductions
    int maxPasses = 50;                ///< clamped to 1..32000 (0 or less -> 50)
    bool noNegativeFlow = false;       ///< a negative design flow becomes 0.00001 cfs
    bool jumpToCrown = true;           ///< a backwater at or below the crown starts at the crown
    double maxHglDifference = 0.01;    ///< ft; clamped to 0.0001..0.25
    double minPhysicalVelocity = 2.5;  ///< ft/s, for the minimum physical slope
    bool inletCapacityWarnings = true; ///< list the inlets whose capacity the local runoff exceeds
    // A check storm of the current design: another return period and a rainfall adjustment.
    std::string frequency;             ///< empty: the system's own return period
    double intensityFactor = 1.0;      ///< every intensity multiplied by it (1.15: 15 % more rain)
    bool writeResults = true;          ///< off: the records are returned and nothing is written
};

/// The run's options from the window's options.
inline RunOptions runOptionsFrom(const HydraulicsOptions& w, bool verifyFirst = false) {
    RunOptions o;
    o.verifyFirst = verifyFirst;
    o.useHydLength = w.useHydLength;
    o.junctionMethod = w.junctionMethod;
    o.fixedTc = w.fixedTc;
    o.fixedTcMinutes = w.fixedTcMin;
    o.exitLoss = w.exitLoss;
    o.junctionLoss = w.junctionLosses;
    o.minVelocityOn = w.minVelocityInForce;
    o.minVelocityFps = w.minVelocityFps;
    o.deepWell = w.deepWell;
    o.frenchDrain = w.frenchDrain;
    o.maxPasses = static_cast<int>(w.maxPasses);
    o.noNegativeFlow = w.noNegativeFlow;
    o.jumpToCrown = w.jumpToCrown;
    o.maxHglDifference = w.maxHglDifferenceFt;
    o.minPhysicalVelocity = w.minPhysicalVelocityFps;
    o.inletCapacityWarnings = w.inletCapacityWarning;
    return o;
}

}  // namespace kolv::hydraulics
