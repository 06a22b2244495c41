// The six ditch shapes: flow geometry at a depth and the ditch report's description lines.
#include "hydraulics/ditch_shapes.h"

#include <algorithm>
#include <cmath>

#include "common/vb_format.h"
#include "hydraulics/circular_section.h"

namespace kolv::hydraulics {

namespace {

/// Length of a side wall of slope z (H:V) over a rise h: sqrt((z h)^2 + h^2).
double wallLength(double z, double h) { return std::sqrt((z * h) * (z * h) + h * h); }

/// One side of a 4-sided ditch: lower slope l up to break height h, upper slope u above it.
struct BrokenSide {
    double lower, upper, breakHeight;

    /// Area between this side and the vertical through the bottom edge, depth y (sq ft):
    /// l y^2 / 2 below the break, else l h^2 / 2 + u (y - h)^2 / 2 + l h (y - h).
    double area(double y) const {
        if (y <= breakHeight) return lower * y * y / 2;
        const double above = y - breakHeight;
        return lower * breakHeight * breakHeight / 2 + upper * above * above / 2 + lower * breakHeight * above;
    }
    /// Wetted wall length (ft).
    double perimeter(double y) const {
        if (y <= breakHeight) return wallLength(lower, y);
        return wallLength(lower, breakHeight) + wallLength(upper, y - breakHeight);
    }
    /// Horizontal spread of the wall at the water surface (ft).
    double spread(double y) const {
        if (y <= breakHeight) return lower * y;
        return lower * breakHeight + upper * (y - breakHeight);
    }
};

BrokenSide leftSideOf4(const std::array<double, 7>& d) { return {d[1], d[0], d[2]}; }
BrokenSide rightSideOf4(const std::array<double, 7>& d) { return {d[4], d[5], d[6]}; }
/// The right side of a 3-sided ditch: z2 up to hb, z3 above.
BrokenSide rightSideOf3(const std::array<double, 7>& d) { return {d[2], d[3], d[4]}; }

double withRadius(FlowGeometry& g) {
    g.hydraulicRadius = g.wettedPerimeter > 0 ? g.area / g.wettedPerimeter : 0;  // R = A / P
    return g.area;
}

}  // namespace

FlowGeometry ditchGeometry(int ditchType, const std::array<double, 7>& d, double y) {
    FlowGeometry g;
    switch (ditchType) {
    case kDitchTrapezoid: {
        const double z1 = d[0], b = d[1], z2 = d[2];
        g.area = z1 * y * y / 2 + b * y + z2 * y * y / 2;           // A = z1 y^2/2 + B y + z2 y^2/2
        g.wettedPerimeter = wallLength(z1, y) + b + wallLength(z2, y);  // P = walls + B
        g.topWidth = z1 * y + b + z2 * y;
        break;
    }
    case kDitchVBottom: {
        const double z1 = d[0], z2 = d[1];
        g.area = z1 * y * y / 2 + z2 * y * y / 2;                // A = (z1 + z2) y^2 / 2
        g.wettedPerimeter = wallLength(z1, y) + wallLength(z2, y);
        g.topWidth = z1 * y + z2 * y;
        break;
    }
    case kDitchBox: {
        const double b = d[0];
        g.area = b * y;                  // A = B y
        g.wettedPerimeter = 2 * y + b;   // P = 2 y + B
        g.topWidth = b;
        break;
    }
    case kDitchRound:
        // Circular segment of radius r: theta = 2 arccos(1 - y/r), P = r theta, A = r^2 (theta - sin theta)/2
        return circularSegment(2 * d[0], y);
    case kDitchThreeSided: {
        const double z1 = d[0], b = d[1];
        const BrokenSide right = rightSideOf3(d);
        g.area = z1 * y * y / 2 + b * y + right.area(y);
        g.wettedPerimeter = wallLength(z1, y) + b + right.perimeter(y);
        g.topWidth = z1 * y + b + right.spread(y);
        break;
    }
    case kDitchFourSided: {
        const double b = d[3];
        const BrokenSide left = leftSideOf4(d), right = rightSideOf4(d);
        g.area = b * y + left.area(y) + right.area(y);
        g.wettedPerimeter = b + left.perimeter(y) + right.perimeter(y);
        g.topWidth = b + left.spread(y) + right.spread(y);
        break;
    }
    default:
        return g;  // unknown shape: no geometry
    }
    withRadius(g);
    return g;
}

double ditchArea(int ditchType, const std::array<double, 7>& d, double y) {
    switch (ditchType) {
    case kDitchTrapezoid: return d[0] * y * y / 2 + d[1] * y + d[2] * y * y / 2;
    case kDitchVBottom: return d[0] * y * y / 2 + d[1] * y * y / 2;
    case kDitchBox: return d[0] * y;
    case kDitchRound: return circularSegmentArea(2 * d[0], y);
    case kDitchThreeSided: return d[0] * y * y / 2 + d[1] * y + rightSideOf3(d).area(y);
    case kDitchFourSided: return d[3] * y + leftSideOf4(d).area(y) + rightSideOf4(d).area(y);
    default: return 0;
    }
}

std::vector<double> ditchBreakDepths(int ditchType, const std::array<double, 7>& d) {
    std::vector<double> breaks;
    switch (ditchType) {
    case kDitchRound: breaks.push_back(2 * d[0]); break;  // runs full at its diameter
    case kDitchThreeSided: breaks.push_back(d[4]); break;
    case kDitchFourSided: breaks.push_back(d[2]); breaks.push_back(d[6]); break;
    default: break;
    }
    std::erase_if(breaks, [](double h) { return !(h > 0 && h < kDitchNominalHeightFt); });
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    return breaks;
}

bool ditchDimensionsValid(int ditchType, const std::array<double, 7>& d) {
    int used = 0;
    switch (ditchType) {
    case kDitchTrapezoid: used = 3; break;
    case kDitchVBottom: used = 2; break;
    case kDitchBox: used = 1; break;
    case kDitchRound: used = 1; break;
    case kDitchThreeSided: used = 5; break;
    case kDitchFourSided: used = 7; break;
    default: return false;
    }
    for (int i = 0; i < used; ++i)
        if (!(d[i] >= 0) || !std::isfinite(d[i])) return false;
    return true;
}

DitchDescription ditchDescription(int ditchType, const std::array<double, 7>& d) {
    auto num = [](double v) { return shortestText(v); };
    // "l:1 @ht h u:1": a wall of slope l up to height h, then u above.
    auto brokenSide = [&](double lower, double h, double upper) {
        return num(lower) + ":1 @ht " + num(h) + " " + num(upper) + ":1";
    };
    DitchDescription out;
    switch (ditchType) {
    case kDitchTrapezoid:
        out.shapeName = "TRAPEZOID:";
        out.line1 = num(d[0]) + ":1 " + num(d[1]) + " Wide " + num(d[2]) + ":1 ";
        break;
    case kDitchVBottom:
        out.shapeName = "V BOTTOM:";
        out.line1 = num(d[0]) + ":1 " + num(d[1]) + ":1 ";
        break;
    case kDitchBox:
        out.shapeName = "BOX:";
        out.line1 = num(d[0]) + " Wide ";
        break;
    case kDitchRound:
        out.shapeName = "ROUND:";
        out.line1 = num(d[0]) + " Radius";
        break;
    case kDitchThreeSided:
        out.shapeName = "3-SIDED:";
        out.line1 = num(d[0]) + ":1 " + num(d[1]) + " Wide " + num(d[2]) + ":1 ";
        out.line2 = brokenSide(d[2], d[4], d[3]);
        break;
    case kDitchFourSided:
        out.shapeName = "4-SIDED:";
        out.line1 = brokenSide(d[1], d[2], d[0]) + " " + num(d[3]) + " Wide";
        out.line2 = brokenSide(d[4], d[6], d[5]);
        break;
    default:
        break;
    }
    return out;
}

}  // namespace kolv::hydraulics
