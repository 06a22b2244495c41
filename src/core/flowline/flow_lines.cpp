// Flow-line elevations: cover at the top end, minimum slope down each pipe, matching at each structure.
#include "flowline/flow_lines.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <limits>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "db/key_index.h"
#include "db/record_set.h"
#include "db/row_writer.h"
#include "hydraulics/ditch_check.h"
#include "hydraulics/results.h"
#include "hydraulics/section_geometry.h"
#include "network/input_limits.h"
#include "network/pipe_nodal_array.h"
#include "network/step_runs.h"
#include "network/verification.h"
#include "db/undo_history.h"

namespace kolv::flowline {

namespace {

using units::kFeetPerMeterInternational;
constexpr int kSlots = 5;                       // slot 0 outgoing, slots 1..4 incoming
constexpr int kDitchReach = 2;                  // `REACH_TYPE` of an open ditch

const char* const kMissingRecord = "MISSING RECORD";
const char* const kInvalidData = "INVALID DATA";
const char* const kInvalidElevation = "INVALID ELEVATION";

/// One reach of the node being set: its end elevations, which ends the run may compute, what
/// kind of elevation each end holds, and the pipe it carries. Elevations are in the project's
/// length unit and held in double precision, so a rounded elevation is stored exactly as listed.
struct ReachSlot {
    bool used = false;
    std::uint32_t row = 0;  ///< position in the system's reach working set
    std::string name;
    double up = 0.0, down = 0.0;          ///< `ELEV1`, `ELEV2` (0 when empty)
    double prevUp = 0.0, prevDown = 0.0;  ///< as read, for the listing
    bool computeUp = false, computeDown = false;  ///< `CALC_FROM_ELEV`, `CALC_TO_ELEV`: set = computed
    bool upIsInvert = true, downIsInvert = true;  ///< `FROM_FL_CL`, `TO_FL_CL`: set or empty = invert
    int reachType = 0;
    double length = 0.0;
    double height = 0.0, thickness = 0.0, width = 0.0, area = 0.0, n = 0.0;  ///< pipe definition
    double minSlopePercent = 0.0;
    bool large = false;

    bool isDitch() const { return reachType == kDitchReach; }
    bool isPipe() const { return used && !isDitch(); }
    /// Invert of an end holding `elev` of the given kind: a crown less the pipe height.
    double invertOf(double elev, bool isInvert) const { return isInvert ? elev : elev - height; }
    double crownOf(double elev, bool isInvert) const { return isInvert ? elev + height : elev; }
    /// Elevation of the given kind whose invert is `invert`.
    double fromInvert(double invert, bool isInvert) const { return isInvert ? invert : invert + height; }
    double fromCrown(double crown, bool isInvert) const { return isInvert ? crown - height : crown; }
};

/// What the run reads of one reach of the system, and the elevations as they stand after the
/// ends already set. Names are trimmed; the kind flags say "invert" when set or empty.
struct ReachRow {
    std::int64_t rowid = 0;
    std::string name;
    std::string pipeName;
    double elev1 = 0.0, elev2 = 0.0, length = 0.0;
    long reachType = 0;
    bool computeUp = false, computeDown = false;
    bool upIsInvert = true, downIsInvert = true;
};

/// The system's reaches, narrow, in file order, found by their upstream and downstream nodes.
/// Only these fields are held, so a system of tens of thousands of reaches stays small.
struct SystemReaches {
    std::vector<ReachRow> rows;
    db::KeyIndex byNode1, byNode2;

    SystemReaches(db::Database& db, const std::string& system) {
        db::Statement st = db.prepare(
            "SELECT rowid, NODE1, NODE2, NAME, PIPE_NAME, ELEV1, ELEV2, LENGTH, REACH_TYPE, CALC_FROM_ELEV, "
            "CALC_TO_ELEV, FROM_FL_CL, TO_FL_CL FROM REACH WHERE SYSTEM = ? ORDER BY rowid");
        st.bind(1, system);
        while (st.step()) {
            const auto at = static_cast<std::uint32_t>(rows.size());
            byNode1.add(st.column(1), at);
            byNode2.add(st.column(2), at);
            ReachRow r;
            r.rowid = st.column(0).toInt();
            r.name = trim(st.column(3).toText());
            r.pipeName = trim(st.column(4).toText());
            r.elev1 = st.column(5).toDouble();
            r.elev2 = st.column(6).toDouble();
            r.length = st.column(7).toDouble();
            r.reachType = static_cast<long>(st.column(8).toInt());
            r.computeUp = st.column(9).toBool();
            r.computeDown = st.column(10).toBool();
            const db::Value fromKind = st.column(11), toKind = st.column(12);
            r.upIsInvert = fromKind.isNull() || fromKind.toBool();
            r.downIsInvert = toKind.isNull() || toKind.toBool();
            rows.push_back(std::move(r));
        }
        rows.shrink_to_fit();
        byNode1.seal();
        byNode2.seal();
    }
};

/// Structure name and inlet elevation of every node of the file by name: the first node of a
/// name in file order answers, whatever its system.
struct NodeTops {
    struct Top {
        std::string structName;  ///< trimmed
        double inletElev = 0.0;
    };
    std::vector<Top> tops;
    db::KeyIndex byName;

    explicit NodeTops(db::Database& db) {
        db::Statement st = db.prepare("SELECT NAME, STRUCT_NAME, INLET_ELEV FROM NODE ORDER BY rowid");
        while (st.step()) {
            byName.add(st.column(0), static_cast<std::uint32_t>(tops.size()));
            tops.push_back({trim(st.column(1).toText()), st.column(2).toDouble()});
        }
        tops.shrink_to_fit();
        byName.seal();
    }
    const Top* find(const std::string& name) const {
        const long at = byName.first(db::Value(name));
        return at < 0 ? nullptr : &tops[static_cast<std::size_t>(at)];
    }
};

/// The state of one run: options converted to feet, the working sets and the once-only warning.
class FlowLineRun {
public:
    FlowLineRun(db::Project& project, const std::string& system, const FlowLineOptions& options, ui::UiPort& ui)
        : m_project(project),
          m_options(options),
          m_ui(ui),
          m_reaches(*project.db, system),
          m_nodes(*project.db),
          m_pipes(*project.db, "T7"),
          m_structures(*project.db, "T6"),
          m_writer(*project.db, "REACH"),
          m_elev1(*project.db->layout("REACH").field("ELEV1")),
          m_elev2(*project.db->layout("REACH").field("ELEV2")) {
        const bool metric = project.metric;
        m_minVelocityFtS = options.minVelocityFps;
        // Size limit in feet.
        m_sizeLimitFt = metric ? options.sizeLimit / units::kMillimetersPerMeter * kFeetPerMeterInternational
                               : options.sizeLimit / units::kInchesPerFoot;
        m_decimals = std::clamp(options.decimals, 0, 6);
    }

    /// Sets and stores the flow lines of one node; returns the message that stops the run when
    /// an elevation came out as no finite number (nothing of the node is stored then).
    std::optional<std::string> setNode(const network::NodalRecord& record, std::vector<std::string>& lines);

    /// Places the downstream ends of the reaches that drain to the outfall and lists them under
    /// the outfall's name; the message that stops the run when an elevation is no finite number.
    std::optional<std::string> setOutfall(const std::string& system, std::vector<std::string>& lines);

private:
    void loadSlot(ReachSlot& slot, std::uint32_t row);
    double coverAtNode();
    void checkThickness(const ReachSlot& slot);
    void reportLocked(const std::string& text);
    double round(double elev) const { return roundElevation(elev, m_decimals); }
    void writeSlot(const ReachSlot& slot, bool upstreamEnd);
    std::string listLine(const std::string& caption, const ReachSlot& slot, bool upstreamEnd) const;

    db::Project& m_project;
    const FlowLineOptions& m_options;
    ui::UiPort& m_ui;
    SystemReaches m_reaches;
    NodeTops m_nodes;
    db::RecordSet m_pipes;
    db::RecordSet m_structures;
    db::RowWriter m_writer;
    const db::FieldDef m_elev1;  ///< the written fields, for checking values as the file stores them
    const db::FieldDef m_elev2;
    double m_minVelocityFtS = 0.0;
    double m_sizeLimitFt = 0.0;
    int m_decimals = 6;
    bool m_thicknessWarned = false;  ///< the zero-thickness warning is shown once per run

    // the node being set
    std::string m_structName;
    double m_inletElev = 0.0;
    bool m_coverKnown = false;
    double m_cover = 0.0;
};

void FlowLineRun::loadSlot(ReachSlot& s, std::uint32_t row) {
    const ReachRow& r = m_reaches.rows[row];
    s.used = true;
    s.row = row;
    s.name = r.name;
    s.up = s.prevUp = r.elev1;
    s.down = s.prevDown = r.elev2;
    s.computeUp = r.computeUp;
    s.computeDown = r.computeDown;
    // The kind flag says what the stored elevation is: set or empty = invert, 0 = crown.
    s.upIsInvert = r.upIsInvert;
    s.downIsInvert = r.downIsInvert;
    s.reachType = (r.reachType >= 0 && r.reachType <= 2) ? static_cast<int>(r.reachType) : 0;
    s.length = r.length;
    if (s.isDitch()) return;  // a ditch has no pipe definition

    const std::string& pipe = r.pipeName;
    if (!m_pipes.findFirst("NAME = ?", {pipe})) {
        m_ui.beep();
        m_ui.message(kMissingRecord, "Pipe '" + pipe + "' cannot be found in pipe table.", ui::Icon::Exclamation);
    } else {
        s.height = m_pipes.number("HEIGHT");
        s.thickness = m_pipes.number("THICKNESS");
        s.width = m_pipes.number("WIDTH");
        s.area = m_pipes.number("AREA");
        s.n = m_pipes.number("N");
    }
    const double heightFt = m_project.metric ? s.height * kFeetPerMeterInternational : s.height;
    s.minSlopePercent = m_options.minSlopePercent;
    if (m_options.varyByVelocity) {
        // A pipe without a size or an n has no velocity slope: it keeps the window's minimum slope.
        const double v = velocitySlopePercent(heightFt, s.n, m_minVelocityFtS);
        if (v > 0.0) s.minSlopePercent = v;
    }
    // With the size exception off every pipe is matched at its downstream structure: the box
    // reads "match ... except for pipes with a diameter less than", so without it there is no exception.
    s.large = m_options.exceptSmallPipes ? heightFt >= m_sizeLimitFt : true;
}

double FlowLineRun::coverAtNode() {
    // The cover is looked up only when a pipe end at this node is computed, so a node with
    // ditches only needs no structure.
    if (m_coverKnown) return m_cover;
    m_coverKnown = true;
    m_cover = 0.0;
    if (!m_structures.findFirst("NAME = ?", {m_structName})) {
        m_ui.beep();
        m_ui.message(kMissingRecord, "Structure '" + m_structName + "' cannot be found in inlet table.",
                     ui::Icon::Exclamation);
        return m_cover;
    }
    m_cover = m_structures.number("MIN_PIPE_COVER");
    return m_cover;
}

void FlowLineRun::checkThickness(const ReachSlot& s) {
    if (m_thicknessWarned || s.thickness > 0.0) return;
    m_thicknessWarned = true;
    m_ui.beep();
    m_ui.message(kInvalidData,
                 "WARNING: Pipe thickness defined as zero (or negative) value.\n"
                 "EDIT|Pipe Definitions to correct the pipe thickness field",
                 ui::Icon::Exclamation);
}

void FlowLineRun::reportLocked(const std::string& text) {
    m_ui.beep();
    m_ui.message(kInvalidElevation, text, ui::Icon::Exclamation);
}

void FlowLineRun::writeSlot(const ReachSlot& s, bool upstreamEnd) {
    // The working set keeps the elevation as the file holds it, for the node at the other end.
    ReachRow& r = m_reaches.rows[s.row];
    const db::FieldDef& field = upstreamEnd ? m_elev1 : m_elev2;
    const db::Value stored = db::RecordSet::coerce("REACH", field, db::Value(upstreamEnd ? s.up : s.down));
    m_writer.set(field.name, stored).update(r.rowid);
    (upstreamEnd ? r.elev1 : r.elev2) = stored.toDouble();
}

// Listing columns: the reach caption and name in 27 characters, the lock mark under "Locked" in 8,
// then the previous and current elevations right-aligned in 12 each, so the decimal points line up
// under "Prev" and "Current". The incoming reaches are listed as well: their downstream ends are
// set at this node, and the engineer checks those changes here too.
std::string FlowLineRun::listLine(const std::string& caption, const ReachSlot& s, bool upstreamEnd) const {
    const bool locked = upstreamEnd ? !s.computeUp : !s.computeDown;
    const double prev = upstreamEnd ? s.prevUp : s.prevDown;
    const double cur = upstreamEnd ? s.up : s.down;
    return padRight(caption + s.name, 27) + padRight(locked ? "YES" : "no ", 8) + padLeft(vbFormat(prev, "0.000"), 12) +
           padLeft(vbFormat(cur, "0.000"), 12);
}

std::optional<std::string> FlowLineRun::setNode(const network::NodalRecord& record, std::vector<std::string>& lines) {
    const std::string node = record.node();
    m_ui.status("Setting flow line for node . . . " + node);
    m_ui.processEvents();
    m_structName = " ";  // a node without a structure name looks up a single blank
    m_inletElev = 0.0;
    m_coverKnown = false;
    if (const NodeTops::Top* top = m_nodes.find(node)) {
        m_structName = top->structName.empty() ? " " : top->structName;
        m_inletElev = top->inletElev;
    }

    // Slot 0 the outgoing reach, slots 1..4 the reaches that come in. The block is a fixed array
    // filled only through these two paths, so no slot outside 0..4 can ever be asked for.
    std::array<ReachSlot, kSlots> slots;
    if (const long outgoing = m_reaches.byNode1.first(db::Value(node)); outgoing >= 0) {
        loadSlot(slots[0], static_cast<std::uint32_t>(outgoing));
    } else {
        m_ui.beep();
        m_ui.message(kInvalidData, "Node '" + node + " cannot be found reach table.", ui::Icon::Exclamation);
    }
    int incoming = 0;
    for (const std::uint32_t row : m_reaches.byNode2.find(db::Value(node))) {
        if (incoming == kSlots - 1) {
            // Only four reaches can come into a structure; the others are left as they are.
            m_ui.beep();
            m_ui.message("ERROR", "Internal array error: CALC_FLOWLINE 001", ui::Icon::Critical);
            break;
        }
        loadSlot(slots[++incoming], row);
    }

    // Outgoing pipe, upstream end: as high as the cover allows.
    //   invert = inlet − (cover + wall + D);   crown = inlet − (cover + wall)
    ReachSlot& out = slots[0];
    if (out.isPipe() && out.computeUp) {
        checkThickness(out);
        const double top = m_inletElev - (coverAtNode() + out.thickness);
        out.up = round(out.upIsInvert ? top - out.height : top);
    }

    // Incoming pipes, downstream end: the lower of the minimum-slope fall from their upstream end
    // and the cover limit at this node, in the kind of elevation the downstream end holds.
    for (int j = 1; j <= incoming; ++j) {
        ReachSlot& in = slots[j];
        if (!in.isPipe() || !in.computeDown) continue;
        checkThickness(in);
        // fall: invert_dn = invert_up − S/100 · L
        const double fallInvert = in.invertOf(in.up, in.upIsInvert) - in.minSlopePercent / 100.0 * in.length;
        const double bySlope = in.fromInvert(fallInvert, in.downIsInvert);
        const double top = m_inletElev - (coverAtNode() + in.thickness);
        const double byCover = in.downIsInvert ? top - in.height : top;
        in.down = round(std::min(bySlope, byCover));
    }

    // Match level: the lowest invert (or crown) among every pipe end at this node, computed ends
    // with their new values and locked ends with their stored ones. Ditches take no part.
    const bool byCrown = m_options.match == MatchMode::CrownLines;
    double match = std::numeric_limits<double>::infinity();
    if (out.isPipe()) match = byCrown ? out.crownOf(out.up, out.upIsInvert) : out.invertOf(out.up, out.upIsInvert);
    for (int j = 1; j <= incoming; ++j) {
        const ReachSlot& in = slots[j];
        if (!in.isPipe()) continue;
        match = std::min(match, byCrown ? in.crownOf(in.down, in.downIsInvert) : in.invertOf(in.down, in.downIsInvert));
    }

    if (std::isfinite(match)) {
        // The outgoing pipe leaves no higher than the match level.
        if (out.isPipe()) {
            if (out.computeUp) {
                out.up = round(byCrown ? out.fromCrown(match, out.upIsInvert) : out.fromInvert(match, out.upIsInvert));
            } else if (!byCrown && out.invertOf(out.up, out.upIsInvert) > match) {
                reportLocked((out.upIsInvert ? "Outgoing pipe flowline at " : "Outgoing pipe flowline(CL) at ") +
                             trim(node) + " is locked too high");
            } else if (byCrown && out.crownOf(out.up, out.upIsInvert) > match) {
                reportLocked("Outgoing pipe crownline at " + trim(node) + " is locked too high");
            }
        }
        // Large incoming pipes with computed ends are brought down to the match level; the rest
        // keep their own level (a small pipe may drop into the structure).
        const double outInvert = out.isPipe() ? out.invertOf(out.up, out.upIsInvert) : 0.0;
        for (int j = 1; j <= incoming; ++j) {
            ReachSlot& in = slots[j];
            if (!in.isPipe()) continue;
            if (in.computeDown && in.large) {
                in.down = round(byCrown ? in.fromCrown(match, in.downIsInvert) : in.fromInvert(match, in.downIsInvert));
                continue;
            }
            if (in.computeDown) continue;
            // A locked incoming end must not lie below the pipe that leaves the structure.
            // Matching flow lines, the match level is that bound. Matching crowns, the bound is
            // the outgoing pipe's invert: a larger pipe coming in with its crown at the match
            // level would have its invert below the outgoing one and hold water.
            const double bound = byCrown ? (out.isPipe() ? outInvert : -std::numeric_limits<double>::infinity())
                                         : match;
            if (in.invertOf(in.down, in.downIsInvert) < bound)
                reportLocked(in.downIsInvert ? "Incoming pipe flowline at " + trim(node) + " is locked too low"
                                             : "Incoming pipe flowline(CL) at " + trim(node) + " is locked too high");
        }
    }

    // An elevation that is not a number never reaches the file.
    const auto notFinite = [&](const ReachSlot& slot, const char* field, double v) -> std::optional<std::string> {
        if (std::isfinite(v)) return std::nullopt;
        hydraulics::HydraulicRecord r;
        r.reachName = slot.name;
        r.name = node;
        return hydraulics::nonFiniteMessage(r, field, v);
    };
    if (out.used && out.isPipe() && out.computeUp)
        if (auto fault = notFinite(out, "ELEV1", out.up)) return fault;
    for (int j = 1; j <= incoming; ++j)
        if (slots[j].isPipe() && slots[j].computeDown)
            if (auto fault = notFinite(slots[j], "ELEV2", slots[j].down)) return fault;

    // Store the computed ends and list the node.
    lines.push_back("Node: " + node);
    if (out.used) {
        if (out.isPipe() && out.computeUp) writeSlot(out, true);
        lines.push_back(listLine("Out-going Reach: ", out, true));
    }
    for (int j = 1; j <= incoming; ++j) {
        const ReachSlot& in = slots[j];
        if (in.isPipe() && in.computeDown) writeSlot(in, false);
        lines.push_back(listLine("In-coming Reach: ", in, false));
    }
    return std::nullopt;
}

std::optional<std::string> FlowLineRun::setOutfall(const std::string& system, std::vector<std::string>& lines) {
    db::RecordSet header(*m_project.db, "T16", "SYSTEM = ?", {system});
    if (!header.findFirst("SYSTEM = ?", {system})) return std::nullopt;
    const std::string outfall = trim(header.text("OUT_NODE"));
    if (outfall.empty()) return std::nullopt;
    // The outfall elevation is the invert at the outfall; empty or 0 means none was given.
    const double outInvert = header.isNull("OUT_EL") ? 0.0 : header.number("OUT_EL");
    const bool hasOutInvert = outInvert != 0.0;

    std::vector<ReachSlot> ins;
    for (const std::uint32_t row : m_reaches.byNode2.find(db::Value(outfall))) {
        ins.emplace_back();
        loadSlot(ins.back(), row);
    }
    if (ins.empty()) return std::nullopt;

    for (ReachSlot& in : ins) {
        if (!in.isPipe() || !in.computeDown) continue;  // a ditch keeps its ELEV2, a locked end is kept
        // At the outfall's invert when it has one, else the minimum-slope fall from the upstream end:
        //   invert_dn = invert_up − S/100 · L
        const double invert = hasOutInvert
                                  ? outInvert
                                  : in.invertOf(in.up, in.upIsInvert) - in.minSlopePercent / 100.0 * in.length;
        in.down = round(in.fromInvert(invert, in.downIsInvert));
        if (!std::isfinite(in.down)) {
            hydraulics::HydraulicRecord r;
            r.reachName = in.name;
            r.name = outfall;
            return hydraulics::nonFiniteMessage(r, "ELEV2", in.down);
        }
    }

    lines.push_back("Node: " + outfall);
    for (const ReachSlot& in : ins) {
        if (in.isPipe() && in.computeDown) writeSlot(in, false);
        lines.push_back(listLine("In-coming Reach: ", in, false));
    }
    return std::nullopt;
}

}  // namespace

FlowLineOptions FlowLineOptions::defaults(bool metric) {
    FlowLineOptions o;
    o.minVelocityFps = velocityFps(metric ? 0.762 : 2.5, metric);  // typed as 0.762 m/s or 2.5 ft/s
    o.sizeLimit = metric ? 500.0 : 20.0;   // mm or in
    return o;
}

std::optional<std::string> validateOptions(const FlowLineOptions& options) {
    if (!(options.minSlopePercent > 0.0)) return std::string("Minimum pipe slope must be greater than zero");
    return std::nullopt;
}

double velocitySlopePercent(double diameterFt, double n, double velocityFtS) {
    if (diameterFt <= 0.0 || n <= 0.0) return 0.0;
    const double area = units::roundPipeArea(diameterFt);
    const double perimeter = units::roundPipePerimeter(diameterFt);     // P = π D
    const double r = area / perimeter;                                  // R = A / P = D / 4
    const double root = velocityFtS * n / (units::kManningFactorRounded * std::pow(r, 2.0 / 3.0));
    return 100.0 * root * root;  // S = 100 (V n / (1.49 R^(2/3)))²
}

double roundElevation(double elevation, int decimals) { return roundHalfAway(elevation, std::clamp(decimals, 0, 6)); }

FlowLineResult setFlowLines(db::Project& project, const std::string& systemName, const FlowLineOptions& options,
                            ui::UiPort& ui) {
    db::UndoAction step(*project.db, "Step 3: Set Flow Lines");
    FlowLineResult result;
    if (auto refusal = validateOptions(options)) {
        ui.beep();
        ui.message(kInvalidData, *refusal, ui::Icon::Exclamation);
        return result;
    }
    const std::string system = trim(systemName);
    db::Database& db = *project.db;

    // Everything from the ditches to the last pipe in one write transaction, begun before anything
    // is read, so the flow lines belong to the network as it was read.
    db::Transaction tx(db);

    // Values no computation can use stop the run before anything is set.
    // Flow lines read the lengths, elevations and pipe heights, and n for the varying slope.
    network::InputLimitScope scope;
    scope.drainage = false;
    scope.pipeShapes = false;
    scope.ditchRoughness = false;
    scope.pipeRoughness = options.varyByVelocity;
    if (!network::inputWithinLimits(db, system, project.metric, ui, scope)) return result;

    // Ditches lie on the ground at their nodes; they are set before the pipes around them.
    result.ditchLines = hydraulics::checkDitchFlowLines(db, system, false);

    if (options.verifyFirst)
        result.verificationLines = network::verifySystem(db, system, ui, options.onVerificationLine).lines;

    network::PipeNodalArray array;
    if (network::loadPipeNodalArray(db, system, ui, array) != network::LoadStatus::Ok) {
        tx.commit();  // the ditch flow lines stand, as they always have
        return result;
    }

    auto& lines = result.lines;
    lines.push_back(std::string(27, ' ') + padRight("Locked", 8) + padLeft("Prev", 12) + padLeft("Current", 12));
    lines.push_back(std::string(59, '-'));
    {
        FlowLineRun run(project, system, options, ui);
        for (std::size_t i = 0; i < array.size(); ++i) {
            if (auto fault = run.setNode(array[i], lines)) {
                ui.invalidData(*fault);
                ui.status("");
                lines.clear();
                return result;  // rolled back: nothing of this run is kept
            }
            ui.progress(static_cast<int>(100 * (i + 1) / array.size()));
        }
        // The outfall has no node record: the pipes into it get their lower ends last.
        if (auto fault = run.setOutfall(system, lines)) {
            ui.invalidData(*fault);
            ui.status("");
            lines.clear();
            return result;
        }
        tx.commit();
    }
    ui.status("");
    lines.push_back("Complete.");
    result.ran = true;
    std::vector<std::string> listing = result.ditchLines;  // as the window lists them
    listing.insert(listing.end(), lines.begin(), lines.end());
    network::recordStepRun(db, network::DesignStep::FlowLines, system, listing);
    return result;
}

}  // namespace kolv::flowline
