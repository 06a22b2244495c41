// Symbol outlines and flow arrows of the diagram, in drawing units.
#include "diagram/symbol_geometry.h"

#include <cmath>

#include "common/units.h"

namespace kolv::diagram {

SymbolOutline symbolOutline(Shape shape, double size) {
    const double h = size / 2;
    SymbolOutline o;
    switch (shape) {
        case Shape::Circle: o.radius = h; break;
        case Shape::Square: o.points = {{-h, -h}, {h, -h}, {h, h}, {-h, h}}; break;
        case Shape::Diamond: o.points = {{0, -h * 1.2}, {h * 1.2, 0}, {0, h * 1.2}, {-h * 1.2, 0}}; break;
        case Shape::Triangle: o.points = {{0, -h * 1.15}, {h * 1.1, h * 0.85}, {-h * 1.1, h * 0.85}}; break;
        case Shape::InvertedTriangle: o.points = {{-h * 1.1, -h * 0.85}, {h * 1.1, -h * 0.85}, {0, h * 1.15}}; break;
        case Shape::Hexagon:
            for (int i = 0; i < 6; ++i) o.points.emplace_back(h * std::cos(units::kPi / 3 * i), h * std::sin(units::kPi / 3 * i));
            break;
        case Shape::Trapezoid: o.points = {{-h, h * 0.6}, {h, h * 0.6}, {h * 0.55, -h * 0.6}, {-h * 0.55, -h * 0.6}}; break;
        case Shape::Bar: o.points = {{-h, -h * 0.35}, {h, -h * 0.35}, {h, h * 0.35}, {-h, h * 0.35}}; break;
    }
    return o;
}

std::vector<DrawPoint> symbolPolygon(Shape shape, double size, double x, double y, int segments) {
    const SymbolOutline o = symbolOutline(shape, size);
    std::vector<DrawPoint> out;
    if (o.circle()) {
        for (int i = 0; i < segments; ++i) {
            const double a = 2 * units::kPi * i / segments;
            out.emplace_back(x + o.radius * std::cos(a), y + o.radius * std::sin(a));
        }
        return out;
    }
    for (const auto& [px, py] : o.points) out.emplace_back(x + px, y + py);
    return out;
}

std::vector<DrawPoint> flowArrow(double x1, double y1, double x2, double y2, double lineWidth, double unitsPerPoint) {
    const double length = std::hypot(x2 - x1, y2 - y1);
    if (unitsPerPoint <= 0 || length / unitsPerPoint < 24) return {};
    const double a = 11 * unitsPerPoint, w = (4.5 + lineWidth / 2) * unitsPerPoint;
    const double dx = (x2 - x1) / length, dy = (y2 - y1) / length;  // downstream
    const double nx = -dy, ny = dx;                                 // across
    const double tx = (x1 + x2) / 2 + dx * a / 2, ty = (y1 + y2) / 2 + dy * a / 2;
    return {{tx, ty}, {tx - dx * a + nx * w, ty - dy * a + ny * w}, {tx - dx * a - nx * w, ty - dy * a - ny * w}};
}

}  // namespace kolv::diagram
