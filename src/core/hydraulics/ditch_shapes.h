// The six ditch shapes: flow geometry at a depth and the two description lines of the ditch report.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "hydraulics/section_geometry.h"

namespace kolv::hydraulics {

/// `DITCH_TYPE` codes and the meaning of `DITCH_DIM_0`..`DITCH_DIM_6` for each (slopes H:V, lengths ft):
enum DitchType : int {
    kDitchTrapezoid = 0,   ///< 0 z1 left slope, 1 bottom width B, 2 z2 right slope
    kDitchVBottom = 1,     ///< 0 z1 left slope, 1 z2 right slope
    kDitchBox = 2,         ///< 0 width B
    kDitchRound = 3,       ///< 0 radius r
    kDitchThreeSided = 4,  ///< 0 z1 left slope, 1 bottom width B, 2 z2 lower right slope,
                           ///< 3 z3 upper right slope, 4 hb right break height
    kDitchFourSided = 5,   ///< 0 u1 upper left slope, 1 l1 lower left slope, 2 h1 left break height,
                           ///< 3 bottom width B, 4 l2 lower right slope, 5 u2 upper right slope,
                           ///< 6 h2 right break height
};

/// Number of `DITCH_DIM_n` fields.
inline constexpr int kDitchDimCount = 7;

/// Flow geometry of a ditch at depth y (ft). An unknown type code gives all zeros.
FlowGeometry ditchGeometry(int ditchType, const std::array<double, 7>& dim, double depthFt);

/// Flow area alone of a ditch at depth y (sq ft).
double ditchArea(int ditchType, const std::array<double, 7>& dim, double depthFt);

/// Depths (ft, ascending, inside (0, 40)) where the ditch wall changes slope or the round ditch
/// runs full: between two of them the section widens like a trapezoid. Empty for the plain shapes.
std::vector<double> ditchBreakDepths(int ditchType, const std::array<double, 7>& dim);

/// True when the shape's dimensions are all 0 or more (a ditch that makes physical sense).
bool ditchDimensionsValid(int ditchType, const std::array<double, 7>& dim);

/// Shape name and the two description lines written with a ditch's results
/// (`DITCH_TYPE_RPT`, `DITCH_DESC_1_RPT`, `DITCH_DESC_2_RPT`).
struct DitchDescription {
    std::string shapeName;  ///< "TRAPEZOID:", "V BOTTOM:", "BOX:", "ROUND:", "3-SIDED:", "4-SIDED:"; "" otherwise
    std::string line1;
    std::string line2;
};

/// Description of a ditch from its dimensions, numbers in their shortest text:
///   TRAPEZOID:  z1 ":1 " B " Wide " z2 ":1 "
///   V BOTTOM:   z1 ":1 " z2 ":1 "
///   BOX:        B " Wide "
///   ROUND:      r " Radius"
///   3-SIDED:    z1 ":1 " B " Wide " z2 ":1 ", second line z2 ":1 @ht " hb " " z3 ":1"
///   4-SIDED:    l1 ":1 @ht " h1 " " u1 ":1 " B " Wide", second line l2 ":1 @ht " h2 " " u2 ":1"
/// A side with a break is told lower slope first, then its break height, then the upper slope.
DitchDescription ditchDescription(int ditchType, const std::array<double, 7>& dim);

}  // namespace kolv::hydraulics
