// Normal depth by bisection on the section factor; critical depth at the minimum of specific energy.
#include "hydraulics/depth_solvers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/units.h"
#include "hydraulics/ditch_shapes.h"

namespace kolv::hydraulics {

namespace {

/// Section factor f = A R^(2/3) of a geometry (ft^(8/3)).
double sectionFactor(const FlowGeometry& g) { return g.area * std::pow(g.hydraulicRadius, 2.0 / 3.0); }

/// Largest k with k * step <= limit in floating arithmetic (0 when there is none): the last
/// depth the scan visits below a limit.
long lastGridIndex(double limitFt, double stepFt) {
    if (!(limitFt >= stepFt)) return 0;
    auto k = static_cast<long>(std::floor(limitFt / stepFt));
    while (static_cast<double>(k + 1) * stepFt <= limitFt) ++k;
    while (k > 0 && static_cast<double>(k) * stepFt > limitFt) --k;
    return k;
}

/// Specific energy on the scan's depth grid y_k = k * step:
/// E = y + (Q/A)^2 / (2g), evaluated with exactly the scan's arithmetic.
class EnergyGrid {
public:
    EnergyGrid(const Section& section, double flowCfs, double stepFt)
        : m_section(section), m_flow(flowCfs), m_step(stepFt) {}

    double depth(long k) const { return static_cast<double>(k) * m_step; }
    double energy(long k) const {
        const double y = depth(k);
        const double a = sectionArea(m_section, y);
        const double v = m_flow / a;
        return y + v * v / (2 * kGravityFtPerS2);
    }
    /// The scan stops at step k (k >= 2) when E_k is not below E_(k-1), E_min of the scan
    /// being E_(k-1) as long as it has not stopped.
    bool stopsAt(long k) const { return !(energy(k) < energy(k - 1)); }
    /// The scan's answer when it stops at step k: (previous depth + y) / 2.
    double answer(long k) const { return (depth(k - 1) + depth(k)) / 2; }

    /// Walks the scan from step `from` (its E_min being E_(from-1)) up to `to`; returns the first
    /// step where it stops, or 0 when it does not stop.
    long walk(long from, long to) const {
        double previous = energy(from - 1);
        for (long k = from; k <= to; ++k) {
            const double e = energy(k);
            if (!(e < previous)) return k;
            previous = e;
        }
        return 0;
    }

private:
    const Section& m_section;
    double m_flow;
    double m_step;
};

/// Most grid steps the bracketing search spans, and the step-by-step scan walks. A section deeper
/// than that (only damaged data: 50 ft of pipe is 50,000 steps of 0.001 ft) is searched on a
/// coarser grid of this many steps, so either search ends in bounded time whatever the height.
constexpr double kMaxBracketSteps = 1.0e9;
constexpr double kMaxScanSteps = 1.0e6;

/// The step of a search over `heightFt`: the asked step, or a coarser one when the grid would be too long.
double boundedStep(double heightFt, double stepFt, double maxSteps) {
    return heightFt / stepFt > maxSteps ? heightFt / maxSteps : stepFt;
}

/// Steps walked one by one at the start of every stretch and around the bracketed minimum.
constexpr long kWalkWindow = 8;

/// True when the section is one whose specific energy falls and then rises on each stretch between
/// its wall breaks (positive dimensions): the bracketing search may then stand in for the scan.
bool bracketingApplies(const Section& s) {
    if (!s.isDitch()) return s.width > 0 && s.height > 0 && std::isfinite(s.width) && std::isfinite(s.height);
    return ditchDimensionsValid(s.ditchType, s.ditchDim);
}

}  // namespace

NormalDepthResult normalDepth(const Section& section, double flowCfs, double manningN, double slope,
                              double tolerance, double limitingDepthFt) {
    if (tolerance == 0) tolerance = kDefaultNormalDepthTolerance;
    // F = Q n / (1.49 sqrt|S|): the section factor A R^(2/3) uniform flow needs.
    const double qn = flowCfs * manningN;
    const double target = qn == 0 ? 0 : qn / (units::kManningFactorRounded * std::sqrt(std::fabs(slope)));

    double low = 0;
    double high = section.nominalHeight();
    double guess = section.isDitch() ? high : high / 2;
    if (section.isDitch() && section.ditchType == kDitchRound) {
        const double limit = limitingDepthFt < 0 ? 2 * section.ditchDim[0] : limitingDepthFt;
        if (guess > limit) guess = 0.999 * limit;
    }

    FlowGeometry g = sectionGeometry(section, guess);
    double factor = sectionFactor(g);
    int iterations = 0;
    while (std::fabs(target - factor) >= tolerance && iterations < kMaxNormalDepthIterations) {
        if (factor > target)
            high = guess;
        else
            low = guess;
        guess = (low + high) / 2;
        g = sectionGeometry(section, guess);
        factor = sectionFactor(g);
        ++iterations;
    }

    NormalDepthResult r;
    r.iterations = iterations;
    if (!(g.area > 0)) return r;
    r.depthFt = guess;
    r.areaSqFt = g.area;
    r.velocityFps = flowCfs / g.area;  // V = Q / A
    return r;
}

double criticalDepthScan(const Section& section, double flowCfs, double stepFt) {
    if (!(stepFt > 0)) stepFt = kDefaultCriticalDepthStepFt;
    const double height = section.nominalHeight();
    // A height that is not a finite number (bad pipe data) would never end the walk.
    if (!std::isfinite(height)) return 0;
    stepFt = boundedStep(height, stepFt, kMaxScanSteps);
    double eMin = std::numeric_limits<double>::infinity();
    double previous = 0;
    for (long k = 1;; ++k) {
        const double y = static_cast<double>(k) * stepFt;
        if (y > height) break;
        const double a = sectionArea(section, y);
        if (!(a > 0)) continue;
        const double v = flowCfs / a;
        const double e = y + v * v / (2 * kGravityFtPerS2);  // E = y + V^2 / (2g)
        if (!(e < eMin)) return (previous + y) / 2;
        eMin = e;
        previous = y;
    }
    return previous;
}

double criticalDepth(const Section& section, double flowCfs, double stepFt) {
    if (!(stepFt > 0)) stepFt = kDefaultCriticalDepthStepFt;
    // The bracketing below assumes a positive area at every grid depth; the area never shrinks
    // with depth for the sections it applies to, so the first step settles it.
    if (!bracketingApplies(section)) return criticalDepthScan(section, flowCfs, stepFt);
    stepFt = boundedStep(section.nominalHeight(), stepFt, kMaxBracketSteps);
    if (!(sectionArea(section, stepFt) > 0)) return criticalDepthScan(section, flowCfs, stepFt);

    const long last = lastGridIndex(section.nominalHeight(), stepFt);
    if (last < 1) return 0;
    const EnergyGrid grid(section, flowCfs, stepFt);
    // The scan's E_min starts above every energy: only a first energy that is not finite stops it at once.
    if (!(grid.energy(1) < std::numeric_limits<double>::infinity())) return grid.answer(1);

    // Stretches of the grid between wall breaks (step indexes whose comparison they decide). Within a
    // stretch the section widens like a trapezoid, so A^3/T falls then rises at most once and the
    // energy, entered while falling, falls to one minimum and then rises.
    std::vector<long> ends;
    if (section.isDitch())
        for (double b : ditchBreakDepths(section.ditchType, section.ditchDim)) {
            const long k = lastGridIndex(b, stepFt);
            if (k >= 2 && k < last && (ends.empty() || k > ends.back())) ends.push_back(k);
        }
    ends.push_back(last);

    long lo = 2;
    for (long hi : ends) {
        if (hi < lo) continue;
        // Walk the first steps of the stretch: a minimum right at a break is found here.
        const long walkedTo = std::min(hi, lo + kWalkWindow - 1);
        if (long k = grid.walk(lo, walkedTo)) return grid.answer(k);
        if (walkedTo < hi && grid.stopsAt(hi)) {
            // Bisection on the grid for the first step where the energy stops falling.
            long falling = walkedTo, rising = hi;
            while (rising - falling > 1) {
                const long mid = falling + (rising - falling) / 2;
                if (grid.stopsAt(mid))
                    rising = mid;
                else
                    falling = mid;
            }
            // Confirm as the scan would: walk up to the found step from a few steps below it. When the
            // walk stops on its very first step, rounding may hide an earlier stop: walk from lower down.
            for (long window = kWalkWindow;; window *= 4) {
                const long from = std::max(walkedTo + 1, rising - window);
                const long k = grid.walk(from, rising);
                if (k != from || from == walkedTo + 1) return grid.answer(k);
            }
        }
        lo = hi + 1;
    }
    // The energy still falls at the section height: the last depth scanned.
    return grid.depth(last);
}

}  // namespace kolv::hydraulics
