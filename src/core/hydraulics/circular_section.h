// Circular-segment geometry of round pipes (and of elliptical pipes scaled from it).
#pragma once

#include "hydraulics/section_geometry.h"

namespace kolv::hydraulics {

/// Circular segment of a round conduit of diameter D (ft) filled to depth y (ft):
/// theta = 2 arccos(1 - 2y/D), A = (D/2)^2 (theta - sin theta) / 2, P = (D/2) theta,
/// T = D sin(theta/2), R = A / P. A depth at or above D gives the full circle; theta = 0 gives zeros.
FlowGeometry circularSegment(double diameterFt, double depthFt);

/// Area alone of the circular segment (sq ft).
double circularSegmentArea(double diameterFt, double depthFt);

/// A pipe of span `WIDTH` and rise `HEIGHT` (ft) at depth y (ft). Equal span and rise: the circular
/// segment. Otherwise an ellipse: area = (WIDTH / HEIGHT) x the circular-segment area of diameter
/// HEIGHT, top width scaled the same way, and the wetted perimeter taken as the full-flow perimeter
/// pi (WIDTH + HEIGHT) / 2 at every depth (the perimeter the full-flow capacity uses).
FlowGeometry pipeGeometry(double widthFt, double heightFt, double depthFt);

/// Area alone of a pipe at depth y (sq ft).
double pipeArea(double widthFt, double heightFt, double depthFt);

}  // namespace kolv::hydraulics
