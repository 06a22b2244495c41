// Flow geometry at a depth for every cross section the storm tabulation handles: pipes and open ditches.
#pragma once

#include "common/units.h"

#include <array>

namespace kolv::hydraulics {

// The section geometry's own vocabulary, defined once with the other constants.
using units::kGravityFtPerS2;
using units::kPi;
using units::roundPipeArea;

/// A ditch has no top: its solvers work up to this nominal height (ft).
inline constexpr double kDitchNominalHeightFt = 40.0;

/// Wetted geometry of a section at one depth of flow.
struct FlowGeometry {
    double area = 0;             ///< flow area A (sq ft)
    double wettedPerimeter = 0;  ///< wetted perimeter P (ft)
    double topWidth = 0;         ///< width of the water surface T (ft)
    double hydraulicRadius = 0;  ///< R = A / P (ft); 0 when P is 0
};

/// The two kinds of reach cross section.
enum class SectionKind {
    Pipe,   ///< closed conduit: circular when WIDTH = HEIGHT, elliptical otherwise (`REACH_TYPE` 0, 1)
    Ditch,  ///< open channel of one of the six ditch shapes (`REACH_TYPE` 2)
};

/// A reach cross section as the solvers see it (all lengths in feet, side slopes horizontal per 1 vertical).
struct Section {
    SectionKind kind = SectionKind::Pipe;
    double width = 0;   ///< pipe span `WIDTH` (ft)
    double height = 0;  ///< pipe rise `HEIGHT` (ft)
    int ditchType = 0;  ///< `DITCH_TYPE` 0..5 (see ditch_shapes.h)
    std::array<double, 7> ditchDim{};  ///< `DITCH_DIM_0`..`DITCH_DIM_6`

    static Section pipe(double widthFt, double heightFt) {
        Section s;
        s.kind = SectionKind::Pipe;
        s.width = widthFt;
        s.height = heightFt;
        return s;
    }
    /// A circular pipe of the given diameter (ft).
    static Section circular(double diameterFt) { return pipe(diameterFt, diameterFt); }
    static Section ditch(int type, const std::array<double, 7>& dims) {
        Section s;
        s.kind = SectionKind::Ditch;
        s.ditchType = type;
        s.ditchDim = dims;
        return s;
    }

    bool isDitch() const { return kind == SectionKind::Ditch; }
    /// Depth up to which the solvers work: the pipe rise, or 40 ft for a ditch.
    double nominalHeight() const { return isDitch() ? kDitchNominalHeightFt : height; }
};

/// Arc cosine the way the program has always computed it:
/// arccos(x) = arctan(-x / sqrt(1 - x^2)) + pi/2 for -1 < x < 1; 0 for x >= 1; pi for x <= -1.
double arcCos(double x);

/// Area, wetted perimeter, top width and hydraulic radius of the section at depth y (ft).
/// A ditch of an unknown type code has no geometry (all zero).
FlowGeometry sectionGeometry(const Section& section, double depthFt);

/// Flow area alone at depth y (sq ft): what the specific-energy scan needs, no perimeter work.
double sectionArea(const Section& section, double depthFt);

}  // namespace kolv::hydraulics
