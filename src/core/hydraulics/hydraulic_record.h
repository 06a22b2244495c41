// The working record of a storm tabulation: one node with its outgoing reach, in flow order.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hydraulics/section_geometry.h"

namespace kolv::hydraulics {

/// Reach kinds held in `REACH_TYPE` (clamped to 0..2).
enum ReachType : int {
    kReachPipe = 0,         ///< a pipe
    kReachFrenchDrain = 1,  ///< a pipe with exfiltration trench
    kReachDitch = 2,        ///< an open ditch
};

/// A fixed run of numbers that is zero for most records (a deep well's rating, a trench's
/// layers, a ditch's dimensions): held out of line only when one of them is not, so a record
/// without them costs one pointer. Reads as the numbers stored, bit for bit.
template <std::size_t N>
class RareValues {
public:
    RareValues() = default;
    RareValues(const RareValues& o) : m_values(o.m_values ? std::make_unique<std::array<double, N>>(*o.m_values) : nullptr) {}
    RareValues(RareValues&&) noexcept = default;
    RareValues& operator=(const RareValues& o) {
        if (this != &o) m_values = o.m_values ? std::make_unique<std::array<double, N>>(*o.m_values) : nullptr;
        return *this;
    }
    RareValues& operator=(RareValues&&) noexcept = default;
    RareValues& operator=(const std::array<double, N>& v) {
        // -0 is kept: only values whose bits are all zero are left out
        const bool any = std::any_of(v.begin(), v.end(), [](double x) { return std::bit_cast<std::uint64_t>(x) != 0; });
        m_values = any ? std::make_unique<std::array<double, N>>(v) : nullptr;
        return *this;
    }
    static constexpr std::size_t size() { return N; }
    double operator[](std::size_t k) const { return m_values ? (*m_values)[k] : 0.0; }
    std::array<double, N> values() const { return m_values ? *m_values : std::array<double, N>{}; }

private:
    std::unique_ptr<std::array<double, N>> m_values;
};

/// Flow state of a reach in the grade-line step.
enum class FlowState { Unset, Full, Partial };

/// One node and its outgoing reach: the input read from the project (converted to feet, acres,
/// cfs), the accumulated drainage values and the results of the last pass.
struct alignas(64) HydraulicRecord {
    // What every pass reads or writes for every reach comes first, packed into six cache lines
    // from the start of the record; what the passes never touch follows. A pass over tens of
    // thousands of reaches then streams as little memory as it can.

    // ---- links and kinds --------------------------------------------------------------------
    int toIndex = -1;                       ///< index of the TO node in flow order; -1 = the outfall
    std::array<int, 4> in{-1, -1, -1, -1};  ///< incoming records, ascending; -1 = empty slot
    int reachType = kReachPipe;
    int barrels = 1;  ///< `BARRELS` (0 read as 1)
    FlowState state = FlowState::Unset;

    // ---- flow of the pass -------------------------------------------------------------------
    double tcWork = 0;       ///< time of concentration of this pass (min)
    double intensity = 0;    ///< rainfall intensity at tcWork
    double localCa = 0;      ///< local C x A (ac)
    double totalCa = 0;      ///< total C x A (ac)
    double baseFlowAcc = 0;  ///< accumulated base flow (cfs)
    double localRunoff = 0;  ///< own C x A x i (cfs)
    double runoffTotal = 0;  ///< total C x A x i (cfs)
    double q = 0;            ///< design flow (cfs)

    // ---- reach geometry ---------------------------------------------------------------------
    double length = 0;     ///< `LENGTH` (ft)
    double hydLength = 0;  ///< `HYD_LENGTH` (ft)
    double width = 0;      ///< pipe span (ft)
    double height = 0;     ///< pipe rise (ft)
    double pipeArea = 0;   ///< full area of one barrel (sq ft)
    double n = 0;          ///< Manning n
    double physSlope = 0;  ///< (invert up - invert down) / LENGTH (ft/ft)
    double invertUp = 0;   ///< upstream invert (ft)
    double invertDn = 0;   ///< downstream invert (ft)
    double crownDn = 0;    ///< downstream crown (ft)

    // ---- reach hydraulics of the pass -------------------------------------------------------
    double vCapacity = 0;     ///< full-flow velocity capacity (ft/s; negative on adverse slope)
    double qCapacity = 0;     ///< full-flow discharge capacity of all barrels (cfs)
    double velocity = 0;      ///< design velocity Q / barrels / area (ft/s)
    double vPartial = 0;      ///< partial-flow velocity at normal depth (ft/s)
    double sf = 0;            ///< friction slope (ft/ft)
    double minPhysSlope = 0;  ///< slope giving the minimum physical velocity full (%)
    double normalDepth = 0;   ///< ft
    double energy = 0;        ///< energy measure used to rank incoming reaches
    double travelTime = 0;    ///< time of flow in the reach (min)

    // ---- grade line of the pass -------------------------------------------------------------
    double hglUp = 0, hglDn = 0;  ///< grade line at the reach ends (ft)
    double eglUp = 0, eglDn = 0;  ///< energy line at the reach ends (ft)
    double jloss = 0;             ///< junction loss at the node (ft)
    double hglAtNode = 0;         ///< grade line at the node (ft)
    double minHgl = 0;            ///< `MIN_HGL` (ft; 0 = none)
    double juncLossCoeff = 0;     ///< `JUNC_LOSS_COEFF` (K)
    double exitLossFull = 0, exitLossPartial = 0;  ///< outfall exit losses (ft)

    // ---- ground losses of the pass ----------------------------------------------------------
    double dwReduction = 0;     ///< own deep-well discharge (cfs)
    double dwReductionSub = 0;  ///< deep-well discharges of the nodes upstream (cfs)
    double fdReduction = 0;     ///< own trench exfiltration (cfs)
    double fdReductionSub = 0;  ///< trench exfiltration upstream (cfs)

    // ---- everything below is read before or after the passes, not in them -------------------
    double criticalDepth = 0;  ///< ft, for the final flow
    double tcInlet = 0;        ///< inlet time of concentration after validation (min)
    double crownUp = 0;        ///< upstream crown (ft)
    double frenchLength = 0;   ///< exfiltration trench length (ft)
    bool nodeFound = false;    ///< the NODE record exists
    bool reachFound = false;   ///< the REACH record exists
    bool pipeFound = false;    ///< the pipe definition of a pipe reach exists
    // The small fields of every part stand together, so the record packs into 14 cache lines
    // without holes (50,000 reaches hold 3 MB less).
    bool hasStructure = true;  ///< false for a node type that carries no structure
    bool warnVelocity = false, warnNormalDepth = false, warnEglDepth = false;  ///< a ditch's warning limits set
    int ditchType = 0;         ///< a ditch's shape
    int sequencer = 0;         ///< `SEQUENCER`

    // node data
    std::array<double, 3> area{};   ///< drainage areas `P_C1DA`..`P_C3DA` (ac)
    std::array<double, 3> coeff{};  ///< runoff coefficients used, categories 1..3
    double baseFlow = 0;            ///< own `BASE_FLOW` (cfs)
    double inletElev = 0;           ///< `INLET_ELEV` (ft)
    double hglClear = 0;            ///< required clearance of the structure (ft)

    // accumulated drainage
    std::array<double, 3> ca{};       ///< local C x A per category (ac)
    std::array<double, 3> areaAcc{};  ///< accumulated areas per category (ac)
    double localArea = 0;             ///< local drainage area (ac)
    double totalArea = 0;             ///< accumulated drainage area (ac)
    double weightedC = 0;             ///< area-weighted runoff coefficient of the total area
    double localWeightedC = 0;        ///< runoff coefficient of the local area
    double upstreamCa = 0;            ///< total C x A less the local (ac)

    // ---- read only by nodes with deep wells, trenches or ditches -------------------------------
    RareValues<8> dwStage;      ///< deep-well stage elevations (ft)
    RareValues<8> dwDischarge;  ///< deep-well discharges (cfs)
    // trench
    double fdDesignGwEl = 0, fdGndEl = 0;
    RareValues<3> fdToDepth;  ///< depths of the trench layers below ground (ft)
    RareValues<3> fdK;        ///< hydraulic conductivities of the layers
    // ditch (its type and which warnings are on stand with the other small fields)
    double ditchN = 0;
    RareValues<7> ditchDim;  ///< `DITCH_DIM_0`..`DITCH_DIM_6` (slopes H:V, lengths ft)
    double warnVelocityMax = 0;     ///< ft/s
    double warnNormalDepthMax = 0;  ///< ft
    double warnEglDepthMax = 0;     ///< ft

    // ---- identity and listing data ---------------------------------------------------------------
    std::string name;       ///< node name (trimmed, at most 8 characters)
    std::string toName;     ///< `NODE2` of the outgoing reach (trimmed)
    std::string reachName;  ///< `NAME` of the outgoing reach (trimmed)
    double maxInletCapacity = 0;    ///< `MAX_INLET_HYD_CAPACITY` (cfs)
    std::string structTypeShort;    ///< `TYPE_OF_STR_SHORT`, "<none>" or "??"
    std::string station;            ///< `STATION`
    double offset = 0;              ///< `OFFSET` (ft)
    std::string baseline;           ///< `BASELINE`
    std::string pipeName;     ///< `PIPE_NAME`

    bool isDitch() const { return reachType == kReachDitch; }
    /// Reach length used for friction and travel time (ft).
    double reachLength(bool useHydLength) const { return useHydLength ? hydLength : length; }
    /// Velocity by flow state: design velocity when full, partial-flow velocity otherwise (ft/s).
    double stateVelocity() const { return state == FlowState::Full ? velocity : vPartial; }
    /// "FULL" or "PARTIAL".
    std::string stateText() const { return state == FlowState::Full ? "FULL" : "PARTIAL"; }
};

/// Values of the run that go back into the system header.
struct OutfallResult {
    double tailwater = 0;    ///< tailwater used (ft)
    double exitLoss = 0;     ///< exit loss at the outfall (ft)
    double controlElev = 0;  ///< grade line at the outfall end of the last reach (ft)
};

}  // namespace kolv::hydraulics
