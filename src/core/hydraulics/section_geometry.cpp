// Flow geometry at a depth for every cross section: dispatch to the pipe and ditch shapes.
#include "hydraulics/section_geometry.h"

#include <cmath>

#include "hydraulics/circular_section.h"
#include "hydraulics/ditch_shapes.h"

namespace kolv::hydraulics {

double arcCos(double x) {
    // Outside the open interval the square root would vanish or turn imaginary: clamp.
    if (x >= 1) return 0;
    if (x <= -1) return kPi;
    // arccos(x) = arctan(-x / sqrt(1 - x^2)) + pi/2
    return std::atan(-x / std::sqrt(1 - x * x)) + kPi / 2;
}

FlowGeometry sectionGeometry(const Section& section, double depthFt) {
    if (section.isDitch()) return ditchGeometry(section.ditchType, section.ditchDim, depthFt);
    return pipeGeometry(section.width, section.height, depthFt);
}

double sectionArea(const Section& section, double depthFt) {
    if (section.isDitch()) return ditchArea(section.ditchType, section.ditchDim, depthFt);
    return pipeArea(section.width, section.height, depthFt);
}

}  // namespace kolv::hydraulics
