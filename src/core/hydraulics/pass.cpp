// The pass loop of a storm tabulation: flows downstream, grade line upstream, until the grade line settles.
#include "hydraulics/pass.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "common/vb_format.h"
#include "hydraulics/pass_sections.h"

namespace kolv::hydraulics {

namespace {

constexpr double kPi = 3.14159265358979323846;  // 4 arctan(1)
/// A normal-depth surface above the outfall water by no more than this is taken as not above it (ft).
constexpr double kOutfallSurfaceTolerance = 0.00001;
/// A junction loss above this is reported to the engineer (ft).
constexpr double kJunctionLossWarning = 3.01;

double velocityHead(double v) { return v * v / (2.0 * kGravityFtPerS2); }  // hv = V^2 / 2g

/// Signals a condition that ends the loop with status -1 after its message.
struct Stop {};

/// The last two normal depths found for one reach. Once the flows settle, a pass asks for the
/// depth of the very flow it asked for before (or, while the grade line still swings between two
/// states, of one of two flows); the depth is then taken from here instead of solved again. The
/// inputs must be equal bit for bit, so the result is exactly the one the solver gives.
class NormalDepthMemo {
public:
    template <typename Solve>
    UniformFlow get(double flowCfs, double n, double slope, Solve&& solve) {
        const Key key{std::bit_cast<std::uint64_t>(flowCfs), std::bit_cast<std::uint64_t>(n),
                      std::bit_cast<std::uint64_t>(slope)};
        for (int k = 0; k < m_count; ++k)
            if (m_keys[k] == key) return m_values[k];
        const UniformFlow uf = solve();
        m_keys[m_next] = key;
        m_values[m_next] = uf;
        m_next = 1 - m_next;
        if (m_count < 2) ++m_count;
        return uf;
    }

private:
    struct Key {
        std::uint64_t flow, n, slope;
        bool operator==(const Key&) const = default;
    };
    std::array<Key, 2> m_keys{};
    std::array<UniformFlow, 2> m_values{};
    int m_count = 0;
    int m_next = 0;
};

void stopWith(PassIo& io, const std::string& title, const std::string& text) {
    io.ui.beep();
    io.ui.message(title, text, ui::Icon::Critical, ui::Buttons::Ok, ui::Answer::Ok);
    throw Stop{};
}

/// Hydraulics of a pipe reach for the flow of this pass: capacities, design velocity, friction
/// slope, minimum physical slope, normal and critical depth and the partial-flow velocity.
void pipeReach(HydraulicRecord& r, const PassSettings& s, PassIo& io, NormalDepthMemo& memo) {
    const int barrels = std::max(1, r.barrels);
    // P = pi D for a round pipe, pi (B + D) / 2 for any other shape; R = A / P
    const double perimeter = (r.width == r.height) ? kPi * r.width : kPi * (r.width + r.height) / 2.0;
    const double radius = perimeter > 0 ? r.pipeArea / perimeter : 0.0;
    const double r23 = std::pow(radius, 2.0 / 3.0);
    const double slope = r.physSlope;
    // Vc = (1.486 / n) R^(2/3) |S|^(1/2); Qc = Vc A barrels, both negative on an adverse slope
    r.vCapacity = r.n > 0 ? (1.486 / r.n) * r23 * std::sqrt(std::fabs(slope)) : 0.0;
    if (slope < 0) r.vCapacity = -r.vCapacity;
    r.qCapacity = r.vCapacity * r.pipeArea * barrels;

    if (r.pipeArea == 0)
        stopWith(io, "Invalid Data in Pipe Definition",
                 "A pipe has been defined with a cross sectional 'Area' of 0\n"
                 "Use pulldown Edit>Pipe Defitinions to correct the pipe definition.\n"
                 "Hydraulics Calculations Terminated.");

    r.velocity = r.q / barrels / r.pipeArea;  // V = Q / barrels / A
    // Sf = (n V / (1.486 R^(2/3)))^2
    r.sf = r23 > 0 ? std::pow(r.n * r.velocity / (1.486 * r23), 2.0) : 0.0;
    // Smin = 100 (Vmin / ((1.49 / n) R^(2/3)))^2, percent
    r.minPhysSlope = (r.n > 0 && r23 > 0)
                         ? 100.0 * std::pow(s.options.minPhysicalVelocity / ((1.49 / r.n) * r23), 2.0)
                         : 0.0;

    const double perBarrel = r.q / barrels;
    const UniformFlow uf =
        memo.get(perBarrel, r.n, slope, [&] { return recordNormalDepth(r, perBarrel, r.n, slope); });
    r.normalDepth = uf.depth;
    r.vPartial = uf.velocity;
}

/// Hydraulics of a ditch reach: it always flows at its normal depth.
void ditchReach(HydraulicRecord& r, NormalDepthMemo& memo) {
    const double perBarrel = r.q / std::max(1, r.barrels);
    const UniformFlow uf = memo.get(perBarrel, r.ditchN, r.physSlope,
                                    [&] { return recordNormalDepth(r, perBarrel, r.ditchN, r.physSlope); });
    r.vCapacity = 0;
    r.qCapacity = 0;
    r.sf = 0;
    r.minPhysSlope = 0;
    r.normalDepth = uf.depth;
    r.vPartial = uf.velocity;
    r.velocity = uf.velocity;
}

/// Critical depth of every reach for its final flow. No grade-line step reads it, so it is found
/// once, after the last pass, for the flow condition of the results.
void criticalDepths(std::vector<HydraulicRecord>& recs) {
    for (auto& r : recs) r.criticalDepth = recordCriticalDepth(r, r.q / std::max(1, r.barrels));
}

/// Values one reach hands to another in a pass (the arrival time at the node it drains to, the
/// energy and velocity its downstream junction ranks, the grade line at its node), kept side by
/// side: each reach reaches over to a record far away in the flow order, and on a system of tens
/// of thousands of reaches these small arrays stay in cache where the whole records cannot.
struct Crossings {
    explicit Crossings(std::size_t n) : tcArriving(n), energy(n), stateVelocity(n), hglAtNode(n) {}
    std::vector<double> tcArriving, energy, stateVelocity, hglAtNode;
};

/// Junction loss K V^2 / 2g at record r, the velocity of an incoming reach read through
/// `energyOf` / `velocityOf` (by record index).
template <class Energy, class Velocity>
double junctionLossOf(const HydraulicRecord& r, int method, Energy&& energyOf, Velocity&& velocityOf) {
    double v = 0;
    if (method == 1) {
        v = r.stateVelocity();
    } else if (method == 2) {
        // The incoming reach of greatest energy; an empty slot counts 0 and the earlier slot wins a tie.
        int chosen = -1;
        double best = 0;
        for (std::size_t slot = 0; slot < r.in.size(); ++slot) {
            const double e = r.in[slot] >= 0 ? energyOf(r.in[slot]) : 0.0;
            if (slot == 0 || e > best) {
                best = e;
                chosen = r.in[slot];
            }
        }
        if (chosen < 0) return 0.0;
        v = velocityOf(chosen);
    } else {
        return 0.0;
    }
    return r.juncLossCoeff * velocityHead(v);  // hj = K V^2 / 2g
}

/// First half of a pass: intensities, flows, reach hydraulics, junction losses and travel times,
/// upstream to downstream.
void flowStep(std::vector<HydraulicRecord>& recs, const PassSettings& s, PassIo& io, int pass,
              std::set<std::size_t>& warnedJunctions, std::vector<NormalDepthMemo>& memos, Crossings& x) {
    const RunOptions& o = s.options;
    for (std::size_t i = 0; i < recs.size(); ++i) {
        HydraulicRecord& r = recs[i];
        x.tcArriving[i] = o.fixedTc ? o.fixedTcMinutes : r.tcInlet;
        r.dwReduction = r.dwReductionSub = 0;
        r.fdReduction = r.fdReductionSub = 0;
    }
    for (std::size_t i = 0; i < recs.size(); ++i) {
        HydraulicRecord& r = recs[i];
        r.tcWork = x.tcArriving[i];  // the latest arrival from upstream, set as those reaches ran
        const double hglAtNodePrev = r.hglAtNode;
        r.intensity = rain::CALC_INTENSITY(io.session, static_cast<float>(r.tcWork), s.idf);
        // A rainfall that gives no (or a negative) intensity at a duration it is asked for is wrong
        // data, not a dry node: say so instead of computing flows from it.
        if (!(r.intensity > 0) && r.totalCa > 0)
            stopWith(io, "INVALID DATA",
                     "The rainfall of the system gives an intensity of " + vbFormat(r.intensity, "0.000") +
                         " at node '" + r.name + "' for a duration of " + vbFormat(r.tcWork, "0.00") +
                         " minutes.\nIntensities must be greater than 0: correct the IDF coefficients or the "
                         "time-intensity table.\nHydraulics Calculations Terminated.");
        r.localRunoff = r.localCa * r.intensity;    // (C1 A1 + C2 A2 + C3 A3) i
        r.runoffTotal = r.totalCa * r.intensity;    // sum(CA) i
        r.q = r.runoffTotal + r.baseFlowAcc;        // Q = sum(CA) i + base flow
        HydraulicRecord* to = r.toIndex >= 0 ? &recs[static_cast<std::size_t>(r.toIndex)] : nullptr;

        // Water lost to the ground upstream never reaches this node: the accumulated CA counts
        // the whole upstream area, so every reduction upstream is taken off again here.
        if (o.deepWell) {
            r.dwReduction = deepWellDischarge(r, hglAtNodePrev);
            r.q -= r.dwReduction + r.dwReductionSub;
            if (to) to->dwReductionSub += r.dwReduction + r.dwReductionSub;
        }
        if (o.frenchDrain) {
            // The trench sees the flow that reaches it, after the exfiltration upstream.
            if (r.reachType == kReachFrenchDrain)
                r.fdReduction = recordTrenchExfiltration(r, r.q - r.fdReductionSub, r.reachLength(o.useHydLength),
                                                         r.hglUp);
            r.q -= r.fdReduction + r.fdReductionSub;
            if (to) to->fdReductionSub += r.fdReduction + r.fdReductionSub;
        }
        if (o.noNegativeFlow && r.q < 0) r.q = 0.00001;

        if (r.isDitch())
            ditchReach(r, memos[i]);
        else
            pipeReach(r, s, io, memos[i]);
        // E = 31.2228 Q Vp^2 1.356: ranks the reaches meeting at a junction
        r.energy = 31.2228 * r.q * r.vPartial * r.vPartial * 1.356;
        x.energy[i] = r.energy;
        x.stateVelocity[i] = r.stateVelocity();

        // Junction loss from the flow states the previous pass left.
        r.jloss = 0;
        if (pass > 1 && o.junctionLoss) {
            r.jloss = junctionLossOf(r, o.junctionMethod, [&](int k) { return x.energy[static_cast<std::size_t>(k)]; },
                                     [&](int k) { return x.stateVelocity[static_cast<std::size_t>(k)]; });
            if (r.jloss > kJunctionLossWarning && warnedJunctions.insert(i).second) {
                io.ui.beep();
                io.messages.push_back("Node '" + r.name + "' has a computed Junction Loss greater than 3");
            }
        }

        const double v = r.isDitch() ? r.vPartial : r.velocity;
        if (v == 0)
            stopWith(io, "INVALID CONDITION",
                     "NODE '" + r.name + "' has zero flow moving through it.\n"
                     "This is an invalid condition and can be corrected by entering a very\n"
                     "small base flow (ie. 0.001 cfs) to this node in the Node Edit window.");

        // Travel time t = L / (60 V), V never below the minimum for travel time. The flow against
        // the full-flow capacity decides V: the partial-flow velocity below capacity (and in every
        // ditch), the design velocity Q / barrels / A at or above it (an adverse pipe, whose
        // capacity is negative, too). The backwater state of the grade line never enters it, so
        // the hydrology does not hang on the grade line of the previous pass.
        double vTravel = (r.isDitch() || r.q < r.qCapacity) ? r.vPartial : r.velocity;
        if (o.minVelocityOn && vTravel < s.minVelocityFtS) vTravel = s.minVelocityFtS;
        r.travelTime = vTravel != 0 ? r.reachLength(o.useHydLength) / (vTravel * 60.0) : 0.0;
        if (to) {
            double& arriving = x.tcArriving[static_cast<std::size_t>(r.toIndex)];
            arriving = o.fixedTc ? o.fixedTcMinutes : std::max(arriving, r.tcWork + r.travelTime);
        }
    }
}

/// Grade line of one reach from the water level at its downstream end; `outfall` marks a reach into
/// the outfall, whose downstream level is the tailwater plus the exit loss.
void gradeLine(HydraulicRecord& r, double hglTo, bool outfall, const PassSettings& s, OutfallResult& out) {
    const RunOptions& o = s.options;
    const double L = r.reachLength(o.useHydLength);
    const double y = r.normalDepth;
    const double friction = r.sf * L;  // hf = Sf L

    if (outfall) {
        // Exit loss K V^2 / 2g: design velocity for a reach flowing full, partial velocity otherwise.
        r.exitLossFull = o.exitLoss ? s.exitLossCoeff * velocityHead(r.velocity) : 0.0;
        r.exitLossPartial = o.exitLoss ? s.exitLossCoeff * velocityHead(r.vPartial) : 0.0;
    } else {
        r.exitLossFull = r.exitLossPartial = 0;
    }

    if (!r.isDitch() && r.q >= r.qCapacity) {
        r.state = FlowState::Full;
        if (!outfall) {
            r.hglDn = hglTo > r.crownDn ? hglTo : r.crownDn;
        } else {
            const double water = hglTo + r.exitLossFull;
            r.hglDn = water > r.crownDn ? water : r.crownDn;
            out.exitLoss = r.exitLossFull;
        }
        r.hglUp = r.hglDn + friction;
    } else {
        double down = hglTo;
        if (outfall) {
            down += r.exitLossPartial;
            out.exitLoss = r.exitLossPartial;
        }
        const double surfaceDn = r.invertDn + y;
        const bool above = outfall ? (surfaceDn - down > kOutfallSurfaceTolerance) : (surfaceDn > down);
        if (above) {
            r.hglDn = surfaceDn;
            r.hglUp = r.invertUp + y;
            r.state = FlowState::Partial;
        } else if (r.isDitch()) {
            r.hglDn = down;
            r.hglUp = r.invertUp + y;
            r.state = FlowState::Partial;
        } else {
            if (down > r.crownDn)
                r.hglDn = down;
            else
                r.hglDn = o.jumpToCrown ? r.crownDn : down;
            if (r.hglDn + friction > r.invertUp + y) {
                r.hglUp = r.hglDn + friction;
                r.state = FlowState::Full;
            } else {
                r.hglUp = r.invertUp + y;
                r.state = FlowState::Partial;
            }
        }
    }
    if (outfall) out.controlElev = r.hglDn;

    // H = HGL + V^2 / 2g with the velocity of the flow state
    const double hv = velocityHead(r.stateVelocity());
    r.eglDn = r.hglDn + hv;
    r.eglUp = r.hglUp + hv;
    // HGL at the node = HGL up + junction loss, never below the node's minimum
    r.hglAtNode = r.hglUp + r.jloss;
    if (r.minHgl != 0) r.hglAtNode = std::max(r.hglAtNode, r.minHgl);
}

/// Second half of a pass: grade lines from the outfall upstream; returns the sum of `HGL_UP`.
double hglStep(std::vector<HydraulicRecord>& recs, const PassSettings& s, OutfallResult& out, Crossings& x) {
    double sum = 0;
    bool outfallSeen = false;
    for (std::size_t k = 0; k < recs.size(); ++k) x.hglAtNode[k] = recs[k].hglAtNode;
    for (std::size_t k = recs.size(); k-- > 0;) {
        HydraulicRecord& r = recs[k];
        const bool outfall = r.toIndex < 0;
        OutfallResult scratch;
        OutfallResult& target = (outfall && !outfallSeen) ? out : scratch;
        const double hglTo = outfall ? s.tailwaterFt : x.hglAtNode[static_cast<std::size_t>(r.toIndex)];
        gradeLine(r, hglTo, outfall, s, target);
        x.hglAtNode[k] = r.hglAtNode;
        if (outfall) outfallSeen = true;
        sum += r.hglUp;
    }
    return sum;
}

}  // namespace

double deepWellDischarge(const HydraulicRecord& r, double stageFt) {
    // The table ends at the first pair left empty.
    std::size_t count = 0;
    while (count < r.dwStage.size() && !(r.dwStage[count] == 0 && r.dwDischarge[count] == 0)) ++count;
    for (std::size_t k = 0; k + 1 < count; ++k) {
        const double s0 = r.dwStage[k], s1 = r.dwStage[k + 1];
        const double lo = std::min(s0, s1), hi = std::max(s0, s1);
        if (stageFt < lo || stageFt > hi) continue;
        if (s1 == s0) return r.dwDischarge[k];
        // Q = Q0 + (h - h0) / (h1 - h0) (Q1 - Q0)
        return r.dwDischarge[k] + (stageFt - s0) / (s1 - s0) * (r.dwDischarge[k + 1] - r.dwDischarge[k]);
    }
    return 0.0;
}

double junctionLoss(const std::vector<HydraulicRecord>& recs, std::size_t i, int method) {
    return junctionLossOf(recs[i], method, [&](int k) { return recs[static_cast<std::size_t>(k)].energy; },
                          [&](int k) { return recs[static_cast<std::size_t>(k)].stateVelocity(); });
}

PassLoopResult runPassLoop(std::vector<HydraulicRecord>& records, const PassSettings& s, PassIo& io) {
    PassLoopResult res;
    const int maxPasses = s.options.maxPasses;
    const int refreshEvery = std::max(1, maxPasses / 50);
    double prev = -1000, sum = 0;
    int pass = 0;
    int shownPass = 0;
    std::set<std::size_t> warnedJunctions;
    std::vector<NormalDepthMemo> memos(records.size());
    Crossings crossings(records.size());
    std::vector<double> hglBefore(records.size());
    try {
        do {
            ++pass;
            prev = sum;
            for (std::size_t i = 0; i < records.size(); ++i) hglBefore[i] = records[i].hglUp;
            flowStep(records, s, io, pass, warnedJunctions, memos, crossings);
            io.messages.push_back(" ");
            io.messages.push_back("PASS = " + std::to_string(pass));
            res.outfall = OutfallResult{};
            res.outfall.tailwater = s.tailwaterFt;
            sum = hglStep(records, s, res.outfall, crossings);
            res.hglDifference = std::fabs(sum - prev);
            res.maxHglChange = 0;
            res.maxHglChangeNode.clear();
            for (std::size_t i = 0; i < records.size(); ++i) {
                const double change = std::fabs(records[i].hglUp - hglBefore[i]);
                if (change > res.maxHglChange) {
                    res.maxHglChange = change;
                    res.maxHglChangeNode = records[i].name;
                }
            }
            // A grade line that is no longer a number never settles: the results check names it.
            if (!std::isfinite(sum)) {
                res.nonFinite = true;
                break;
            }
            if (io.progress && pass % refreshEvery == 0) {
                io.progress({pass, maxPasses, res.hglDifference});
                shownPass = pass;
            }
            io.ui.processEvents();
        } while (!((std::fabs(sum - prev) < s.options.maxHglDifference && pass >= 4) || pass >= maxPasses));
    } catch (const Stop&) {
        res.status = -1;
        res.passes = pass;
        return res;
    }
    criticalDepths(records);
    // The gauges end on the last pass whatever the refresh interval.
    if (io.progress && shownPass != pass) io.progress({pass, maxPasses, res.hglDifference});
    res.passes = pass;
    res.converged = std::fabs(sum - prev) < s.options.maxHglDifference && pass >= 4;
    if (pass >= maxPasses && !res.nonFinite) {
        io.ui.beep();
        if (!io.session.suppressMaxPassesWarning) {
            const std::string text = "Maximum number of passes (" + std::to_string(maxPasses) +
                                     ") reached without a stabilized HGL.\n"
                                     "Increase the 'Max. Number of Itterations' value and try again.";
            bool dontShowAgain = false;
            if (io.maxPassesPrompt)
                dontShowAgain = io.maxPassesPrompt(text);
            else
                io.ui.message("WARNING", text, ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
            io.session.suppressMaxPassesWarning = dontShowAgain;
        }
    }
    return res;
}

}  // namespace kolv::hydraulics
