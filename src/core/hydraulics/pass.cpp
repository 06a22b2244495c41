// The pass loop of a storm tabulation: flows downstream, grade line upstream, until the grade line settles.
#include "hydraulics/pass.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "common/units.h"
#include "common/vb_format.h"
#include "hydraulics/pass_sections.h"

namespace kolv::hydraulics {

using units::kCmsPerCfs;
using units::kManningFactor;
using units::kManningFactorRounded;

namespace {

/// A normal-depth surface above the outfall water by no more than this is taken as not above it (ft).
constexpr double kOutfallSurfaceTolerance = 0.00001;
/// A junction loss above this is reported to the engineer (ft).
constexpr double kJunctionLossWarning = 3.01;
/// Weights of the energy measure E = 31.2228 Q Vp^2 1.356. The measure only ranks the reaches meeting at a
/// junction (a common factor cannot change the order), so the weights stay as they have always been.
constexpr double kEnergyWeight = 31.2228;
constexpr double kEnergyScale = 1.356;

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

/// The stop for a reach whose flow runs backwards, naming its node and the flow.
std::string negativeTravelMessage(const HydraulicRecord& r, bool metric) {
    const std::string flow = metric ? vbFormat(r.q * kCmsPerCfs, "0.0000") + " cms" : vbFormat(r.q, "0.000") + " cfs";
    return "NODE '" + r.name + "' has a total flow (Q) of " + flow +
           " leaving it: water would run upstream, and no travel time can be found for its reach.\n"
           "The deep-well or French-drain reductions (or a negative base flow) take more than the runoff brings.\n"
           "Check the stage-discharge or exfiltration data, or switch on 'Do NOT Allow Total Flow (Q) to be "
           "Negative'.\nHydraulics Calculations Terminated.";
}

/// Hydraulics of a pipe reach for the flow of this pass: capacities, design velocity, friction
/// slope, minimum physical slope, normal and critical depth and the partial-flow velocity.
void pipeReach(HydraulicRecord& r, const PassSettings& s, PassIo& io, NormalDepthMemo& memo) {
    const int barrels = std::max(1, r.barrels);
    // P = pi D for a round pipe, pi (B + D) / 2 for any other shape; R = A / P
    const double perimeter = units::pipePerimeter(r.width, r.height);
    const double radius = perimeter > 0 ? r.pipeArea / perimeter : 0.0;
    const double r23 = std::pow(radius, 2.0 / 3.0);
    const double slope = r.physSlope;
    // Vc = (1.486 / n) R^(2/3) |S|^(1/2); Qc = Vc A barrels, both negative on an adverse slope
    r.vCapacity = r.n > 0 ? (kManningFactor / r.n) * r23 * std::sqrt(std::fabs(slope)) : 0.0;
    if (slope < 0) r.vCapacity = -r.vCapacity;
    r.qCapacity = r.vCapacity * r.pipeArea * barrels;

    if (r.pipeArea == 0)
        stopWith(io, "Invalid Data in Pipe Definition",
                 "A pipe has been defined with a cross sectional 'Area' of 0\n"
                 "Use pulldown Edit>Pipe Definitions to correct the pipe definition.\n"
                 "Hydraulics Calculations Terminated.");

    r.velocity = r.q / barrels / r.pipeArea;  // V = Q / barrels / A
    // Sf = (n V / (1.486 R^(2/3)))^2
    r.sf = r23 > 0 ? std::pow(r.n * r.velocity / (kManningFactor * r23), 2.0) : 0.0;
    // Smin = 100 (Vmin / ((1.49 / n) R^(2/3)))^2, percent
    r.minPhysSlope = (r.n > 0 && r23 > 0)
                         ? 100.0 * std::pow(s.options.minPhysicalVelocity / ((kManningFactorRounded / r.n) * r23), 2.0)
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

/// Tells of a junction loss above the warning level, once per junction in a run.
void warnOfJunctionLoss(PassIo& io, std::set<std::size_t>& warned, std::size_t i, const std::string& node) {
    if (!warned.insert(i).second) return;
    io.ui.beep();
    io.messages.push_back("Node '" + node + "' has a computed Junction Loss greater than 3");
}

/// Values one reach hands to another in a pass (the arrival time at the node it drains to, the
/// losses to the ground gathered upstream, the energy and velocity its downstream junction ranks),
/// one cache line per node: each reach reaches over to a node far
/// away in the flow order, and one line brings everything it reads or adds there. An entry is
/// started afresh the first time a pass touches it, so no pass sweeps the whole table to reset it.
class Crossings {
public:
    struct alignas(64) Node {
        double tcArriving = 0;  ///< latest arrival from upstream (min)
        double dwSub = 0;       ///< deep-well discharges gathered from upstream (cfs)
        double fdSub = 0;       ///< trench exfiltration gathered from upstream (cfs)
        double energy = 0;      ///< energy of the reach leaving this node, this pass
        double stateVelocity = 0;
        int pass = 0;           ///< the pass the first three values belong to
    };

    Crossings(const std::vector<HydraulicRecord>& recs, const RunOptions& o) : m_start(recs.size()), m_nodes(recs.size()) {
        for (std::size_t i = 0; i < recs.size(); ++i) m_start[i] = o.fixedTc ? o.fixedTcMinutes : recs[i].tcInlet;
    }
    /// Node j as pass `pass` sees it: arrival at its own inlet time, nothing gathered yet, until
    /// a reach of this pass adds to it.
    Node& arrivals(std::size_t j, int pass) {
        Node& e = m_nodes[j];
        if (e.pass != pass) {
            e.pass = pass;
            e.tcArriving = m_start[j];
            e.dwSub = e.fdSub = 0;
        }
        return e;
    }
    Node& operator[](std::size_t j) { return m_nodes[j]; }
    const Node* at(std::size_t j) const { return &m_nodes[j]; }

private:
    std::vector<double> m_start;  ///< the time a node starts a pass with: its inlet time (or the fixed Tc)
    std::vector<Node> m_nodes;
};

/// The working records and crossings are walked in flow order, but the node a reach drains to can
/// lie anywhere: on systems far larger than the processor's cache the walk would wait on memory at
/// every reach. The lines a reach some steps ahead will need are asked for early.
constexpr std::size_t kRecordAhead = 16;
constexpr std::size_t kNodeAhead = 8;
/// The part of a record every pass touches (the fields before `criticalDepth`).
constexpr std::size_t kHotBytes = 384;

inline void prefetch(const void* p) { __builtin_prefetch(p, 1, 3); }

inline void prefetchRecord(const HydraulicRecord& r) {
    const char* base = reinterpret_cast<const char*>(&r);
    for (std::size_t off = 0; off < kHotBytes; off += 64) prefetch(base + off);
}

/// Junction loss K V^2 / 2g at record r, the velocity of an incoming reach read through
/// `energyOf` / `velocityOf` (by record index).
template <class Record, class Energy, class Velocity>
double junctionLossOf(const Record& r, int method, Energy&& energyOf, Velocity&& velocityOf) {
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
    const std::size_t count = recs.size();
    // Every reach drains to one later in the flow order, so what arrives at a node is complete
    // when the walk comes to it.
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kRecordAhead < count) prefetchRecord(recs[i + kRecordAhead]);
        if (i + kNodeAhead < count) {
            const HydraulicRecord& ahead = recs[i + kNodeAhead];
            if (ahead.toIndex >= 0) prefetch(x.at(static_cast<std::size_t>(ahead.toIndex)));
            for (const int k : ahead.in)
                if (k >= 0) prefetch(x.at(static_cast<std::size_t>(k)));
        }
        HydraulicRecord& r = recs[i];
        Crossings::Node& here = x.arrivals(i, pass);
        r.tcWork = here.tcArriving;  // the latest arrival from upstream, set as those reaches ran
        r.dwReduction = r.dwReductionSub = 0;
        r.fdReduction = r.fdReductionSub = 0;
        const double hglAtNodePrev = r.hglAtNode;
        r.intensity = rain::CALC_INTENSITY(s.storm, static_cast<float>(r.tcWork));
        if (s.options.intensityFactor != 1.0) r.intensity *= s.options.intensityFactor;  // adjusted rainfall
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
        const bool to = r.toIndex >= 0;

        // Water lost to the ground upstream never reaches this node: the accumulated CA counts
        // the whole upstream area, so every reduction upstream is taken off again here.
        const auto toIdx = static_cast<std::size_t>(r.toIndex);
        if (o.deepWell) {
            r.dwReductionSub = here.dwSub;
            r.dwReduction = deepWellDischarge(r, hglAtNodePrev);
            r.q -= r.dwReduction + r.dwReductionSub;
            if (to) x.arrivals(toIdx, pass).dwSub += r.dwReduction + r.dwReductionSub;
        }
        if (o.frenchDrain) {
            r.fdReductionSub = here.fdSub;
            // The trench sees the flow that reaches it, after the exfiltration upstream.
            if (r.reachType == kReachFrenchDrain)
                r.fdReduction = recordTrenchExfiltration(r, r.q - r.fdReductionSub, r.reachLength(o.useHydLength),
                                                         r.hglUp);
            r.q -= r.fdReduction + r.fdReductionSub;
            if (to) x.arrivals(toIdx, pass).fdSub += r.fdReduction + r.fdReductionSub;
        }
        if (o.noNegativeFlow && r.q < 0) r.q = 0.00001;

        if (r.isDitch())
            ditchReach(r, memos[i]);
        else
            pipeReach(r, s, io, memos[i]);
        // E = 31.2228 Q Vp^2 1.356: ranks the reaches meeting at a junction
        r.energy = kEnergyWeight * r.q * r.vPartial * r.vPartial * kEnergyScale;
        here.energy = r.energy;
        here.stateVelocity = r.stateVelocity();

        // Junction loss from the flow states the previous pass left.
        r.jloss = 0;
        if (pass > 1 && o.junctionLoss) {
            r.jloss = junctionLossOf(r, o.junctionMethod, [&](int k) { return x[static_cast<std::size_t>(k)].energy; },
                                     [&](int k) { return x[static_cast<std::size_t>(k)].stateVelocity; });
            if (r.jloss > kJunctionLossWarning) warnOfJunctionLoss(io, warnedJunctions, i, r.name);
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
        // Water running backwards (a flow made negative by the wells or trenches upstream) has
        // no travel time: taking it as 0 would shorten every time of concentration below.
        if (!(vTravel > 0)) stopWith(io, "INVALID CONDITION", negativeTravelMessage(r, s.metric));
        r.travelTime = r.reachLength(o.useHydLength) / (vTravel * 60.0);
        if (to) {
            double& arriving = x.arrivals(toIdx, pass).tcArriving;
            arriving = o.fixedTc ? o.fixedTcMinutes : std::max(arriving, r.tcWork + r.travelTime);
        }
    }
}

/// Grade line of one reach from the water level at its downstream end; `outfall` marks a reach into
/// the outfall, whose downstream level is the tailwater plus the exit loss.
template <class Record>
void gradeLine(Record& r, double hglTo, bool outfall, const PassSettings& s, OutfallResult& out) {
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

/// What the grade-line step of one pass found.
struct HglStepResult {
    double sum = 0;          ///< sum of `HGL_UP` over the system
    double maxChange = 0;    ///< largest change of an `HGL_UP` since the pass before (ft)
    std::size_t maxAt = 0;   ///< the record of that change (the first in flow order on a tie)
};

/// Grade lines from the outfall upstream. Each reach reads the grade line at the node it drains
/// to, which lies later in the flow order and so has its value of this pass. `beforeReach(k, r)`
/// runs ahead of each reach's grade line, `afterReach(k, r)` after it.
template <class Record, class Before, class After>
HglStepResult walkUpstream(std::vector<Record>& recs, const PassSettings& s, OutfallResult& out,
                           std::vector<double>& hglAt, Before&& beforeReach, After&& afterReach) {
    HglStepResult res;
    bool outfallSeen = false;
    for (std::size_t k = recs.size(); k-- > 0;) {
        if constexpr (std::is_same_v<Record, HydraulicRecord>)
            if (k >= kRecordAhead) prefetchRecord(recs[k - kRecordAhead]);
        Record& r = recs[k];
        beforeReach(k, r);
        const bool outfall = r.toIndex < 0;
        OutfallResult scratch;
        OutfallResult& target = (outfall && !outfallSeen) ? out : scratch;
        const double hglTo = outfall ? s.tailwaterFt : hglAt[static_cast<std::size_t>(r.toIndex)];
        const double before = r.hglUp;
        gradeLine(r, hglTo, outfall, s, target);
        hglAt[k] = r.hglAtNode;
        afterReach(k, r);
        if (outfall) outfallSeen = true;
        res.sum += r.hglUp;
        // Walking upstream, an equal change still moves the mark to the earlier record.
        const double change = std::fabs(r.hglUp - before);
        if (change > res.maxChange || (change == res.maxChange && change > 0)) {
            res.maxChange = change;
            res.maxAt = k;
        }
    }
    return res;
}

/// Second half of a full pass: the grade lines alone.
HglStepResult hglStep(std::vector<HydraulicRecord>& recs, const PassSettings& s, OutfallResult& out,
                      std::vector<double>& hglAt) {
    const auto nothing = [](std::size_t, HydraulicRecord&) {};
    return walkUpstream(recs, s, out, hglAt, nothing, nothing);
}

/// The grade line of one reach after a pass, and the flow it was found for.
struct GradeState {
    FlowState state = FlowState::Unset;
    double hglUp = 0, hglDn = 0, eglUp = 0, eglDn = 0, jloss = 0, hglAtNode = 0;
    double exitLossFull = 0, exitLossPartial = 0, q = 0;

    template <class Record>
    static GradeState of(const Record& r) {
        return {r.state, r.hglUp, r.hglDn, r.eglUp, r.eglDn, r.jloss, r.hglAtNode, r.exitLossFull, r.exitLossPartial,
                r.q};
    }
    void storeInto(HydraulicRecord& r) const {
        r.state = state;
        r.hglUp = hglUp;
        r.hglDn = hglDn;
        r.eglUp = eglUp;
        r.eglDn = eglDn;
        r.jloss = jloss;
        r.hglAtNode = hglAtNode;
        r.exitLossFull = exitLossFull;
        r.exitLossPartial = exitLossPartial;
    }
};

/// What a pass reads and writes of a reach once its flow is known: the grade line, the junction
/// loss and what they are built from. Without deep wells or trenches nothing in the flow step
/// hangs on the grade line, so the flows, velocities and depths of the first pass are those of
/// every pass; later passes then only walk the grade line again (with the junction losses the new
/// flow states give), over these compact copies (three cache lines each) instead of the records.
struct alignas(64) GradeWork {
    int toIndex = -1;
    int reachType = kReachPipe;
    FlowState state = FlowState::Unset;
    std::array<int, 4> in{-1, -1, -1, -1};
    double frictionLength = 0;  ///< LENGTH or HYD_LENGTH, as the run uses
    double normalDepth = 0, sf = 0, velocity = 0, vPartial = 0, q = 0, qCapacity = 0;
    double crownDn = 0, invertDn = 0, invertUp = 0, minHgl = 0, juncLossCoeff = 0;
    double hglUp = 0, hglDn = 0, eglUp = 0, eglDn = 0, jloss = 0, hglAtNode = 0;
    double exitLossFull = 0, exitLossPartial = 0;

    GradeWork(const HydraulicRecord& r, bool useHydLength)
        : toIndex(r.toIndex), reachType(r.reachType), state(r.state), in(r.in),
          frictionLength(r.reachLength(useHydLength)), normalDepth(r.normalDepth), sf(r.sf), velocity(r.velocity),
          vPartial(r.vPartial), q(r.q), qCapacity(r.qCapacity), crownDn(r.crownDn), invertDn(r.invertDn),
          invertUp(r.invertUp), minHgl(r.minHgl), juncLossCoeff(r.juncLossCoeff), hglUp(r.hglUp), hglDn(r.hglDn),
          eglUp(r.eglUp), eglDn(r.eglDn), jloss(r.jloss), hglAtNode(r.hglAtNode), exitLossFull(r.exitLossFull),
          exitLossPartial(r.exitLossPartial) {}
    void storeInto(HydraulicRecord& r) const { GradeState::of(*this).storeInto(r); }
    bool isDitch() const { return reachType == kReachDitch; }
    double reachLength(bool) const { return frictionLength; }
    double stateVelocity() const { return state == FlowState::Full ? velocity : vPartial; }
};
static_assert(sizeof(GradeWork) == 192);

/// The passes after the first when the flows cannot change: one walk from the outfall upstream.
/// A reach's junction loss takes the flow states the previous pass left: walking upstream, the
/// reaches that drain into it are still to come, so their states are still those of the last
/// pass, and so is its own until its grade line is found. Losses above the warning level are
/// gathered in `bigLosses`.
HglStepResult gradeWalk(std::vector<GradeWork>& work, const PassSettings& s, OutfallResult& out,
                        std::vector<double>& hglAt, const std::vector<double>& energy,
                        std::vector<double>& stateVelocity, bool junctionLoss, std::vector<std::size_t>& bigLosses) {
    const RunOptions& o = s.options;
    return walkUpstream(
        work, s, out, hglAt,
        [&](std::size_t k, GradeWork& w) {
            if (!junctionLoss) return;
            w.jloss = junctionLossOf(w, o.junctionMethod, [&](int j) { return energy[static_cast<std::size_t>(j)]; },
                                     [&](int j) { return stateVelocity[static_cast<std::size_t>(j)]; });
            if (w.jloss > kJunctionLossWarning) bigLosses.push_back(k);
        },
        [&](std::size_t k, GradeWork& w) { stateVelocity[k] = w.stateVelocity(); });
}


/// The grade lines of one pass, with what the pass found at the outfall.
struct PassState {
    std::vector<GradeState> reaches;
    OutfallResult outfall;
};

/// Sum over the reaches of the change of the upstream grade line between two passes (ft).
double gradeLineDistance(const std::vector<GradeState>& a, const std::vector<GradeState>& b) {
    double d = 0;
    for (std::size_t k = 0; k < a.size(); ++k) d += std::fabs(a[k].hglUp - b[k].hglUp);
    return d;
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

namespace {

/// A run at its pass limit whose grade line alternates between two states: each of the last two
/// passes gave back, within the tolerance, the grade line of the pass before the one before, the
/// flows of the two states are the same, and the two states differ. Every reach then takes the
/// higher of its two grade lines, the conservative answer, and the reaches that differ are
/// listed. The records hold the last pass; `last` the three passes before it.
void settleSwing(std::vector<HydraulicRecord>& records, const std::vector<PassState>& last, const PassSettings& s,
                 PassLoopResult& res) {
    if (last.size() != 3) return;
    std::vector<GradeState> now;
    now.reserve(records.size());
    for (const HydraulicRecord& r : records) now.push_back(GradeState::of(r));
    const std::vector<GradeState>& before = last[2].reaches;  // the pass before the last
    const double tolerance = s.options.maxHglDifference;
    if (gradeLineDistance(now, last[1].reaches) >= tolerance ||
        gradeLineDistance(before, last[0].reaches) >= tolerance || gradeLineDistance(now, before) < tolerance)
        return;
    for (std::size_t k = 0; k < now.size(); ++k)
        if (now[k].q != before[k].q) return;  // the flows swing too: not a grade line alone

    res.cycling = true;
    // The reach into the outfall whose walk set the run's outfall values: the last in flow order.
    std::size_t outfallReach = records.size();
    for (std::size_t k = records.size(); k-- > 0;)
        if (records[k].toIndex < 0) {
            outfallReach = k;
            break;
        }
    for (std::size_t k = 0; k < records.size(); ++k) {
        if (now[k].hglUp == before[k].hglUp) continue;
        res.swings.push_back({records[k].name, now[k].hglUp, before[k].hglUp});
        if (before[k].hglUp > now[k].hglUp) {
            before[k].storeInto(records[k]);
            if (k == outfallReach) res.outfall = last[2].outfall;
        }
    }
}

}  // namespace

PassLoopResult runPassLoop(std::vector<HydraulicRecord>& records, const PassSettings& s, PassIo& io) {
    PassLoopResult res;
    const int maxPasses = s.options.maxPasses;
    const int refreshEvery = std::max(1, maxPasses / 50);
    double prev = -1000, sum = 0;
    int pass = 0;
    int shownPass = 0;
    std::set<std::size_t> warnedJunctions;
    std::vector<NormalDepthMemo> memos(records.size());
    Crossings crossings(records, s.options);
    std::vector<double> hglAt(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) hglAt[i] = records[i].hglAtNode;
    // Flows that hang on the grade line (water lost to deep wells or trenches) are found again on
    // every pass; otherwise the first pass fixes them and the later passes take the compact walk.
    const bool flowsFollowGradeLine = s.options.deepWell || s.options.frenchDrain;
    std::vector<GradeWork> work;
    std::vector<double> energy, stateVelocity;
    std::vector<std::size_t> bigLosses;
    // The grade lines of the three passes before the last, kept only near the pass limit: they
    // tell a grade line that swings between two states from one that is still on its way.
    std::vector<PassState> lastPasses;
    const auto keepPass = [&] {
        PassState p;
        p.outfall = res.outfall;
        p.reaches.reserve(records.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            p.reaches.push_back(work.empty() ? GradeState::of(records[i]) : GradeState::of(work[i]));
        lastPasses.push_back(std::move(p));
    };
    // The grade line of the compact walks back into the records, and (for a finished run) the
    // critical depth of each reach for its final flow in the same sweep: no pass reads it.
    const auto finishRecords = [&](bool withCriticalDepths) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            HydraulicRecord& r = records[i];
            if (!work.empty()) work[i].storeInto(r);
            if (withCriticalDepths) r.criticalDepth = recordCriticalDepth(r, r.q / std::max(1, r.barrels));
        }
    };
    try {
        do {
            ++pass;
            prev = sum;
            HglStepResult step;
            res.outfall = OutfallResult{};
            res.outfall.tailwater = s.tailwaterFt;
            if (flowsFollowGradeLine) {
                flowStep(records, s, io, pass, warnedJunctions, memos, crossings);
                step = hglStep(records, s, res.outfall, hglAt);
            } else {
                if (pass == 1) {
                    flowStep(records, s, io, pass, warnedJunctions, memos, crossings);
                    work.reserve(records.size());
                    energy.resize(records.size());
                    stateVelocity.resize(records.size());
                    for (std::size_t i = 0; i < records.size(); ++i) {
                        work.emplace_back(records[i], s.options.useHydLength);
                        energy[i] = records[i].energy;
                    }
                }
                bigLosses.clear();
                step = gradeWalk(work, s, res.outfall, hglAt, energy, stateVelocity,
                                 pass > 1 && s.options.junctionLoss, bigLosses);
                // Warned in flow order, as a full pass does.
                std::sort(bigLosses.begin(), bigLosses.end());
                for (const std::size_t i : bigLosses) warnOfJunctionLoss(io, warnedJunctions, i, records[i].name);
            }
            io.messages.push_back(" ");
            io.messages.push_back("PASS = " + std::to_string(pass));
            sum = step.sum;
            res.hglDifference = std::fabs(sum - prev);
            res.maxHglChange = step.maxChange;
            if (step.maxChange > 0)
                res.maxHglChangeNode = records[step.maxAt].name;
            else
                res.maxHglChangeNode.clear();
            // A grade line that is no longer a number never settles: the results check names it.
            if (!std::isfinite(sum)) {
                res.nonFinite = true;
                break;
            }
            if (pass >= maxPasses - 3 && pass < maxPasses) keepPass();
            if (io.progress && pass % refreshEvery == 0) {
                io.progress({pass, maxPasses, res.hglDifference});
                shownPass = pass;
            }
            io.ui.processEvents();
        } while (!((std::fabs(sum - prev) < s.options.maxHglDifference && pass >= 4) || pass >= maxPasses));
    } catch (const Stop&) {
        finishRecords(false);
        res.status = -1;
        res.passes = pass;
        return res;
    }
    finishRecords(true);
    // The gauges end on the last pass whatever the refresh interval.
    if (io.progress && shownPass != pass) io.progress({pass, maxPasses, res.hglDifference});
    res.passes = pass;
    res.converged = std::fabs(sum - prev) < s.options.maxHglDifference && pass >= 4;
    if (!res.converged && !res.nonFinite && pass >= maxPasses) settleSwing(records, lastPasses, s, res);
    // The warning belongs to a run that stopped on the limit with the grade line still moving.
    if (pass >= maxPasses && !res.converged && !res.nonFinite) {
        io.ui.beep();
        if (!io.session.suppressMaxPassesWarning) {
            const std::string text = "Maximum number of passes (" + std::to_string(maxPasses) +
                                     ") reached without a stabilized HGL.\n"
                                     "Increase the 'Max. Number of Iterations' value and try again.";
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
