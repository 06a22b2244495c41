// Normal depth (uniform flow by Manning) and critical depth (minimum specific energy) of a section.
#pragma once

#include "hydraulics/section_geometry.h"

namespace kolv::hydraulics {

/// Section-factor tolerance used when the caller passes 0 (ft^(8/3)).
inline constexpr double kDefaultNormalDepthTolerance = 0.001;
/// Most halvings of the normal-depth bracket.
inline constexpr int kMaxNormalDepthIterations = 500;
/// Depth step of the specific-energy scan when the caller passes 0 (ft).
inline constexpr double kDefaultCriticalDepthStepFt = 0.001;

/// Uniform-flow state found by the normal-depth solver.
struct NormalDepthResult {
    double depthFt = 0;      ///< normal depth yn (ft); 0 when the area found is 0
    double areaSqFt = 0;     ///< flow area at yn (sq ft)
    double velocityFps = 0;  ///< V = Q / A (ft/s)
    int iterations = 0;      ///< halvings done (at most 500)
};

/// Normal depth by bisection on the section factor A R^(2/3) = Q n / (1.49 sqrt|S|):
/// bracket 0 .. the section height (40 ft for a ditch), first guess half the height (40 ft for a
/// ditch); a round ditch (type 3) whose first guess exceeds `limitingDepthFt` starts at 0.999 x that
/// depth (a negative `limitingDepthFt` means the round ditch's own diameter, 2 x `DITCH_DIM_0`).
/// Halves while |F - f| >= tolerance, at most 500 times, and returns the last guess.
/// Q per barrel (cfs), n Manning, S slope (ft/ft), tolerance on the section factor (0 -> 0.001).
NormalDepthResult normalDepth(const Section& section, double flowCfs, double manningN, double slope,
                              double tolerance = kDefaultNormalDepthTolerance, double limitingDepthFt = -1);

/// Critical depth: the depth the specific-energy scan finds. The scan walks y = k * step
/// (k = 1, 2, ... while y <= the section height), with E = y + (Q/A)^2 / (2g), starting from an
/// E_min above any energy; while E < E_min it keeps E_min = E and the previous depth = y; at the
/// first depth where E >= E_min it answers (previous depth + y) / 2. When the energy still falls at
/// the section height the answer is the last depth scanned. Depths where A is 0 are skipped.
/// This function gives exactly the scan's answer but finds the minimum by a bracketing search
/// on the same depth grid and checks the scan's stopping step locally, so it costs tens of area
/// evaluations instead of thousands. Q per barrel (cfs), step (ft; 0 or less -> 0.001).
double criticalDepth(const Section& section, double flowCfs, double stepFt = kDefaultCriticalDepthStepFt);

/// The specific-energy scan itself, step by step (for sections the fast search cannot vouch for,
/// such as negative ditch dimensions, and for comparisons).
double criticalDepthScan(const Section& section, double flowCfs, double stepFt = kDefaultCriticalDepthStepFt);

}  // namespace kolv::hydraulics
