// Circular-segment geometry of round pipes, and elliptical pipes scaled from it.
#include "hydraulics/circular_section.h"

#include <cmath>

#include "common/units.h"

namespace kolv::hydraulics {

namespace {

/// Central angle of the wetted segment (radians): theta = 2 arccos(1 - 2y/D).
double centralAngle(double diameterFt, double depthFt) {
    if (diameterFt <= 0) return 0;
    return 2 * arcCos(1 - 2 * depthFt / diameterFt);
}

}  // namespace

FlowGeometry circularSegment(double diameterFt, double depthFt) {
    FlowGeometry g;
    const double theta = centralAngle(diameterFt, depthFt);
    if (theta == 0) return g;
    const double r = diameterFt / 2;
    g.area = r * r * (theta - std::sin(theta)) / 2;  // A = r^2 (theta - sin theta) / 2
    g.wettedPerimeter = r * theta;                    // P = r theta
    g.topWidth = diameterFt * std::sin(theta / 2);   // T = D sin(theta / 2)
    if (g.topWidth < 0) g.topWidth = 0;              // sin(pi) rounds a hair either side of 0
    g.hydraulicRadius = g.area / g.wettedPerimeter;  // R = A / P
    return g;
}

double circularSegmentArea(double diameterFt, double depthFt) {
    const double theta = centralAngle(diameterFt, depthFt);
    if (theta == 0) return 0;
    const double r = diameterFt / 2;
    return r * r * (theta - std::sin(theta)) / 2;
}

FlowGeometry pipeGeometry(double widthFt, double heightFt, double depthFt) {
    if (widthFt == heightFt) return circularSegment(heightFt, depthFt);
    if (heightFt <= 0) return {};
    // Ellipse: the circle of diameter HEIGHT stretched horizontally by WIDTH / HEIGHT.
    FlowGeometry g = circularSegment(heightFt, depthFt);
    const double stretch = widthFt / heightFt;
    g.area *= stretch;
    g.topWidth *= stretch;
    if (g.area == 0) return {};
    g.wettedPerimeter = units::pipePerimeter(widthFt, heightFt);  // P = pi (W + H) / 2, full-flow perimeter
    g.hydraulicRadius = g.area / g.wettedPerimeter;
    return g;
}

double pipeArea(double widthFt, double heightFt, double depthFt) {
    if (widthFt == heightFt) return circularSegmentArea(heightFt, depthFt);
    if (heightFt <= 0) return 0;
    return widthFt / heightFt * circularSegmentArea(heightFt, depthFt);
}

}  // namespace kolv::hydraulics
