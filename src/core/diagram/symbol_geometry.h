// Shapes of the diagram's symbols and flow arrows, drawn alike in the window and on the plan sheet.
#pragma once

#include <utility>
#include <vector>

#include "diagram/palette.h"

namespace kolv::diagram {

/// A point of a drawing (y grows down, as on the screen and the sheet).
using DrawPoint = std::pair<double, double>;

/// Outline of a palette symbol `size` units across, centred on the origin: a circle of `radius`
/// (points empty), or a closed polygon.
struct SymbolOutline {
    double radius = 0;
    std::vector<DrawPoint> points;
    bool circle() const { return points.empty(); }
};
SymbolOutline symbolOutline(Shape shape, double size);

/// The outline as a polygon centred at (x, y), a circle as `segments` sides (for a page).
std::vector<DrawPoint> symbolPolygon(Shape shape, double size, double x, double y, int segments = 24);

/// The flow arrow of a reach drawn from (x1, y1) to (x2, y2): a triangle whose tip lies just
/// past the middle, pointing downstream. `unitsPerPoint` converts the arrow's fixed size (11 by
/// 9 points, wider by the line's width `lineWidth` points) to drawing units. Empty for a line
/// shorter than 24 points, where the arrow would hide it.
std::vector<DrawPoint> flowArrow(double x1, double y1, double x2, double y2, double lineWidth, double unitsPerPoint);

}  // namespace kolv::diagram
