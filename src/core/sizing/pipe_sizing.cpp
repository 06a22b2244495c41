// Pipe sizing: flows down the system, the smallest adequate pipe per reach, a plain backwater grade line, results.
#include "sizing/pipe_sizing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/row_writer.h"
#include "db/table_row.h"
#include "hydraulics/section_geometry.h"
#include "hydraulics/results.h"
#include "network/input_limits.h"
#include "network/step_runs.h"
#include "network/verification.h"
#include "rain/intensity.h"
#include "sizing/sizing_basis.h"
#include "sizing/sizing_loader.h"
#include "ui/busy_pointer.h"
#include "db/undo_history.h"

namespace kolv::sizing {

namespace {

using units::kAcresPerHectare;    // areas written back
using units::kCfsPerCms;          // flows written back
using units::kFeetPerMeter;       // lengths and elevations written back
using units::kFeetPerMeterShort;  // listed lengths and velocities
using units::kMetersPerFoot;      // clearance lines
using units::kCmsPerCfsListed;    // flows in the listing

/// How the pipe of each reach is found.
enum class Mode {
    Select,    ///< the smallest adequate pipe of one group
    OwnPipes,  ///< every reach keeps its own pipe, taken as flowing full
};

/// Everything one run needs besides the loaded system.
struct RunSettings {
    Mode mode = Mode::Select;
    Criterion criterion = Criterion::Velocity;
    double limit = 0.0;  ///< ft/s for the velocity criterion, % for the grade-line one
    bool useMinVelocity = true;
    double minVelocityFtS = 2.0;
    bool notSmallerThanUpstream = false;
    bool list = true;  ///< the selection list is shown (first mode only)
    bool keepRecords = true;  ///< the records go back in the result
};

/// A value in its 9-character column, left-aligned; a longer one keeps a blank after it.
std::string col(const std::string& s) { return s.size() < 9 ? padRight(s, 9) : s + " "; }

/// The selection list line of a pipe reach.
std::string reachLine(const hydraulics::HydraulicRecord& r, Criterion criterion, bool metric,
                      const SizingBasis* basis = nullptr) {
    std::string line = col(r.name) + col(r.toName) + col(r.pipeName) + col(vbFormat(r.n, "0.0000"));
    if (metric) {
        line += col(vbFormat(r.length / kFeetPerMeterShort, "0.00")) + col(vbFormat(r.height / kFeetPerMeterShort, "0.000")) +
                col(vbFormat(r.width / kFeetPerMeterShort, "0.000")) + col(vbFormat(r.q * kCmsPerCfsListed, "0.0000"));
    } else {
        line += col(vbFormat(r.length, "0.00")) + col(vbFormat(r.height, "0.00")) + col(vbFormat(r.width, "0.00")) +
                col(vbFormat(r.q, "0.00"));
    }
    if (criterion == Criterion::Velocity)
        line += col(vbFormat(metric ? r.velocity / kFeetPerMeterShort : r.velocity, metric ? "0.000" : "0.00"));
    else
        line += col(vbFormat(100.0 * r.sf, "0.0000"));
    // Why the reach got this pipe, after the seed's columns.
    if (basis) line += governingName(basis->rule);
    return rtrim(line);
}

/// Area of a reach's own pipe: the stored area, or π (D/2)² for a round pipe without one.
double ownArea(const hydraulics::HydraulicRecord& r) {
    if (r.pipeArea > 0) return r.pipeArea;
    if (r.width == r.height) return units::roundPipeArea(r.height);
    return 0.0;
}

/// Start of the candidate search of record i: the first entry, or with the upstream rule the
/// first entry at least as large as the largest pipe coming in.
std::size_t searchStart(const SizingSystem& sys, std::size_t i, const std::vector<PipeEntry>& table, bool rule) {
    if (!rule) return 0;
    double upstreamArea = 0.0;
    // Every incoming pipe counts, the fourth as much as the first three.
    for (int k : sys.records[i].in) {
        if (k < 0) continue;
        const auto& up = sys.records[static_cast<std::size_t>(k)];
        if (up.isDitch() || sys.fields[static_cast<std::size_t>(k)].nodeType == 1) continue;
        upstreamArea = std::max(upstreamArea, up.pipeArea);
    }
    return upstreamArea > 0 ? firstEntryNotSmaller(table, upstreamArea) : 0;
}

/// Why record r got its pipe: no candidate was enough; a smaller pipe would have met the limit
/// but the search started at the size upstream; or the limit itself. The value is the
/// criterion's quantity (ft/s or friction slope %) of the pipe that decided it.
SizingBasis governingOf(const hydraulics::HydraulicRecord& r, const std::vector<PipeEntry>& table, const Choice& c,
                        std::size_t start, const RunSettings& s) {
    const bool byVelocity = s.criterion == Criterion::Velocity;
    SizingBasis b{trim(r.reachName.empty() ? r.name : r.reachName), GoverningRule::VelocityLimit, byVelocity, 0.0,
                  s.limit};
    const auto quantity = [&](int index, double velocityFtS) {
        if (byVelocity || index < 0) return byVelocity ? velocityFtS : 100.0 * r.sf;
        const PipeEntry& e = table[static_cast<std::size_t>(index)];
        return 100.0 * frictionSlope(e.n, velocityFtS, e.areaSqFt, e.heightFt, e.widthFt);
    };
    if (c.index < 0) {
        b.rule = GoverningRule::NoCandidateEnough;
        b.value = quantity(c.lastTried, c.velocityFtS);
        return b;
    }
    if (start > 0) {
        const Choice free = choosePipe(table, r.q, r.barrels, s.criterion, s.limit, 0);
        if (free.index >= 0 && free.index < c.index) {
            b.rule = GoverningRule::NotSmallerThanUpstream;
            b.value = quantity(free.index, free.velocityFtS);
            return b;
        }
    }
    b.rule = byVelocity ? GoverningRule::VelocityLimit : GoverningRule::FrictionSlopeLimit;
    b.value = quantity(c.index, c.velocityFtS);
    return b;
}

/// Flow accumulation with the choice of each reach's pipe, upstream to downstream.
/// Returns the message that stops the run when the rainfall gives no intensity where a flow needs one.
std::optional<std::string> sizeInFlowOrder(SizingSystem& sys, const std::vector<PipeEntry>& table,
                                           const RunSettings& s, ui::UiPort& ui, bool metric,
                                           std::vector<std::string>& lines, std::vector<SizingBasis>& basis) {
    auto& recs = sys.records;
    ui.status("Calculate pipe sizes");
    for (std::size_t i = 0; i < recs.size(); ++i) {
        ui.processEvents();
        auto& r = recs[i];
        // Q = ΣCA i + base flow, with i at the record's time of concentration
        r.intensity = rain::CALC_INTENSITY(sys.storm, static_cast<float>(r.tcWork));
        if (!(r.intensity > 0) && r.totalCa > 0)
            return "The rainfall of the system gives an intensity of " + vbFormat(r.intensity, "0.000") +
                   " at node '" + r.name + "' for a duration of " + vbFormat(r.tcWork, "0.00") +
                   " minutes.\nIntensities must be greater than 0: correct the IDF coefficients or the "
                   "time-intensity table.\nProcess terminated";
        r.localRunoff = r.localCa * r.intensity;
        r.runoffTotal = r.totalCa * r.intensity;
        r.q = r.totalCa * r.intensity + r.baseFlowAcc;

        const bool ditch = sys.fields[i].nodeType == 1 || r.isDitch();
        r.velocity = 0.0;
        r.sf = 0.0;
        if (ditch) {
            // A ditch carries no pipe: nothing is tried, and no time is added on its way.
            if (s.list) lines.push_back(col(r.name) + col(r.toName) + "Ditch Reach: No pipe will be selected.");
        } else if (s.mode == Mode::Select && sys.fields[i].sizeFlag) {
            const std::size_t start = searchStart(sys, i, table, s.notSmallerThanUpstream);
            const Choice c = choosePipe(table, r.q, r.barrels, s.criterion, s.limit, start);
            if (c.index >= 0) {
                const PipeEntry& e = table[static_cast<std::size_t>(c.index)];
                r.pipeName = e.name;
                r.width = e.widthFt;
                r.height = e.heightFt;
                r.pipeArea = e.areaSqFt;
                r.n = e.n;
            }
            // Without an accepted pipe the velocity and slope are those of the largest one tried.
            if (c.lastTried >= 0) {
                const PipeEntry& t = table[static_cast<std::size_t>(c.lastTried)];
                r.velocity = c.velocityFtS;
                r.sf = frictionSlope(t.n, r.velocity, t.areaSqFt, t.heightFt, t.widthFt);
            }
            basis.push_back(governingOf(r, table, c, start, s));
            if (s.list) lines.push_back(reachLine(r, s.criterion, metric, &basis.back()));
        } else {
            // Own pipe flowing full: V = Q / barrels / A. So runs the FULL command, and so does a
            // pipe the engineer fixed (its size switch off): it is sized as itself, never as a
            // candidate of the group, and listed with its own name and size.
            const double area = ownArea(r);
            if (r.pipeFound && area > 0) {
                r.pipeArea = area;
                r.velocity = r.q / r.barrels / area;
                r.sf = frictionSlope(r.n, r.velocity, area, r.height, r.width);
            }
            if (s.mode == Mode::Select) {
                basis.push_back(SizingBasis{trim(r.reachName.empty() ? r.name : r.reachName),
                                            GoverningRule::FixedByEngineer, s.criterion == Criterion::Velocity,
                                            s.criterion == Criterion::Velocity ? r.velocity : 100.0 * r.sf, s.limit});
                if (s.list) lines.push_back(reachLine(r, s.criterion, metric, &basis.back()));
            }
        }

        // Travel time (min) = L / V / 60, never at less than the minimum velocity; 0 when V is 0.
        r.travelTime = 0.0;
        if (r.velocity != 0) {
            const double v = (s.useMinVelocity && r.velocity < s.minVelocityFtS) ? s.minVelocityFtS : r.velocity;
            r.travelTime = r.length / v / 60.0;
        }
        if (r.toIndex >= 0) {
            auto& to = recs[static_cast<std::size_t>(r.toIndex)];
            to.tcWork = std::max(to.tcWork, r.tcWork + r.travelTime);
        }
    }
    return std::nullopt;
}

/// Grade line backed in from the tailwater: each reach adds its friction loss Sf L to the grade
/// line at its downstream end; no junction, exit or entrance losses, no iteration.
void backWaterGradeLine(SizingSystem& sys) {
    auto& recs = sys.records;
    for (std::size_t k = recs.size(); k-- > 0;) {
        auto& r = recs[k];
        // Every reach into the outfall starts from the tailwater.
        r.hglDn = r.toIndex < 0 ? sys.tailwaterFt : recs[static_cast<std::size_t>(r.toIndex)].hglUp;
        r.hglUp = r.hglDn + r.sf * r.length;  // HGLup = HGLdn + Sf L
    }
}

/// "... feet clearance. Node: ..." for every structure whose grade line leaves less than its clearance.
void clearanceLines(const SizingSystem& sys, bool metric, std::vector<std::string>& lines) {
    for (const auto& r : sys.records) {
        if (!r.nodeFound || !r.hasStructure) continue;
        const double clearanceFt = r.inletElev - r.hglUp;
        if (clearanceFt >= r.hglClear) continue;
        if (metric)
            lines.push_back(vbFormat(clearanceFt * kMetersPerFoot, "0.000") + " meters (" + vbFormat(clearanceFt, "0.000") +
                            " feet) clearance. Node: " + r.name);
        else
            lines.push_back(vbFormat(clearanceFt, "0.000") + " feet clearance. Node: " + r.name);
    }
}

/// Replaces the system's T60 rows and writes the node results and the reach pipe names.
/// T60 holds feet, acres and cfs in either unit system, like the storm tabulation, so every
/// report layout reads one set of units; the node's sizing fields are in the project's units,
/// as listed.
void writeResults(db::Database& db, const std::string& system, const SizingSystem& sys, bool metric,
                  std::vector<std::string>& lines) {
    const double len = metric ? 1.0 / kFeetPerMeter : 1.0;
    const double area = metric ? 1.0 / kAcresPerHectare : 1.0;
    const double flow = metric ? 1.0 / kCfsPerCms : 1.0;
    const double vel = metric ? 1.0 / kFeetPerMeterShort : 1.0;
    const double toFeet = metric ? kFeetPerMeter : 1.0;  // stored project lengths -> ft for T60
    auto feet = [&](const db::Value& v) { return v.isNull() ? v : db::Value(v.toDouble() * toFeet); };

    // The rows the results go to, found once: per name the first NODE row and the first REACH row
    // leaving it, in storage order, names compared as a find compares them. Only their row ids
    // are held (a system of 50,000 reaches keeps a few megabytes); the node's listed fields are
    // read by row id as each record is written.
    constexpr std::int64_t kNoRow = std::numeric_limits<std::int64_t>::min();
    struct Target {
        std::int64_t node = kNoRow, reach = kNoRow;
        std::string pipeName;  ///< the reach's, as stored, and as rewritten by an earlier record of the same name
    };
    std::unordered_map<std::string, Target> targets;
    targets.reserve(sys.records.size());
    for (const auto& r : sys.records) targets.try_emplace(db::compareKey(db::Value(r.name)));
    std::size_t nodesLeft = targets.size(), reachesLeft = targets.size();
    for (db::TableRows rows(db, "NODE", {}, {}, {"NAME"}); nodesLeft > 0 && rows.next();) {
        const db::Value& name = rows.value("NAME");
        if (name.isNull()) continue;
        const auto it = targets.find(db::compareKey(name));
        if (it == targets.end() || it->second.node != kNoRow) continue;
        it->second.node = rows.rowid();
        --nodesLeft;
    }
    for (db::TableRows rows(db, "REACH", {}, {}, {"NODE1", "PIPE_NAME"}); reachesLeft > 0 && rows.next();) {
        const db::Value& name = rows.value("NODE1");
        if (name.isNull()) continue;
        const auto it = targets.find(db::compareKey(name));
        if (it == targets.end() || it->second.reach != kNoRow) continue;
        it->second.reach = rows.rowid();
        it->second.pipeName = rows.text("PIPE_NAME");
        --reachesLeft;
    }
    db::Statement nodeFields = db.prepare("SELECT \"STATION\", \"OFFSET\", \"STRUCT_NAME\", \"INLET_ELEV\" FROM \"NODE\" "
                                          "WHERE rowid = ?");

    db::Transaction tx(db);
    db::RecordSet::executeDelete(db, "T60", "SYSTEM = ?", {system});
    db::RowWriter t60(db, "T60");
    db::RowWriter nodes(db, "NODE");
    db::RowWriter reaches(db, "REACH");
    db::RecordSet pipes(db, "T7");
    for (std::size_t i = 0; i < sys.records.size(); ++i) {
        const auto& r = sys.records[i];
        const auto& f = sys.fields[i];
        Target& target = targets.at(db::compareKey(db::Value(r.name)));
        const bool nodeFound = target.node != kNoRow;
        if (!nodeFound) lines.push_back("Node: " + r.name + " missing");
        const bool reachFound = target.reach != kNoRow;
        if (!reachFound) lines.push_back("Reach: " + r.name + " missing");
        // A ditch has no pipe definition to find.
        const bool pipeFound = !r.isDitch() && pipes.findFirst("NAME = ?", {r.pipeName});
        if (!r.isDitch() && !pipeFound) lines.push_back("Pipe: " + r.pipeName + " missing");

        t60.set("SYSTEM", system);
        t60.set("FROM", r.name);
        t60.set("TO", r.toName);
        if (nodeFound) {
            nodeFields.reset();
            nodeFields.bind(1, db::Value(static_cast<long long>(target.node)));
            if (nodeFields.step()) {
                t60.set("STATION", nodeFields.column(0));
                t60.set("OFFSET", nodeFields.column(1));
                t60.set("TYPE", nodeFields.column(2));
                t60.set("INLET_EL", feet(nodeFields.column(3)));
            }
        }
        t60.set("LENGTH", r.length);
        static const char* da[] = {"C1DA", "C2DA", "C3DA"};
        static const char* ds[] = {"C1DS", "C2DS", "C3DS"};
        static const char* ca[] = {"C1CA", "C2CA", "C3CA"};
        for (int k = 0; k < 3; ++k) {
            t60.set(da[k], r.area[k]);
            t60.set(ds[k], r.areaAcc[k]);
            t60.set(ca[k], r.ca[k]);
        }
        t60.set("TC", r.tcWork);
        t60.set("TF", r.travelTime);
        t60.set("INTENSITY", r.intensity);
        t60.set("TOTALCA", r.totalCa);
        t60.set("Q", r.q);
        if (f.hasElev1) t60.set("FL_UP", f.elev1 * toFeet);
        if (f.hasElev2) t60.set("FL_DN", f.elev2 * toFeet);
        t60.set("HGL_UP", r.hglUp);
        t60.set("HGL_DN", r.hglDn);
        t60.set("CLEARENCE", r.inletElev - r.hglUp);
        if (pipeFound) {
            t60.set("WIDTH", feet(pipes.value("WIDTH")));
            t60.set("HEIGHT", feet(pipes.value("HEIGHT")));
        }
        t60.set("VELOCITY", r.velocity);
        t60.set("N", r.n);
        t60.insert();

        if (nodeFound) {
            static const char* pds[] = {"P_C1DS", "P_C2DS", "P_C3DS"};
            static const char* pca[] = {"P_C1CA", "P_C2CA", "P_C3CA"};
            for (int k = 0; k < 3; ++k) {
                nodes.set(pds[k], r.areaAcc[k] * area);
                nodes.set(pca[k], r.ca[k] * area);
            }
            nodes.set("P_TOTALCA", r.totalCa * area);
            nodes.set("P_INTENSITY", r.intensity);
            nodes.set("P_Q", r.q * flow);
            nodes.set("P_N", r.n);
            nodes.set("P_VELOCITY", r.velocity * vel);
            nodes.set("P_HGL_SLOPE", 100.0 * r.sf);  // percent, as listed
            nodes.set("P_HGL_DN", r.hglDn * len);
            nodes.set("P_HGL_UP", r.hglUp * len);
            nodes.set("P_TF", r.travelTime);
            nodes.update(target.node);
        }
        if (reachFound && trim(target.pipeName) != trim(r.pipeName)) {
            target.pipeName = trim(r.pipeName);
            reaches.set("PIPE_NAME", target.pipeName);
            reaches.update(target.reach);
        }
    }
    tx.commit();
}

/// The first result of the run that is not a finite number, as the message that stops it.
std::optional<std::string> firstNonFinite(const SizingSystem& sys) {
    for (const auto& r : sys.records) {
        const std::pair<const char*, double> values[] = {
            {"INTENSITY", r.intensity}, {"Q", r.q},         {"VELOCITY", r.velocity}, {"SF", r.sf},
            {"TC", r.tcWork},           {"TF", r.travelTime}, {"HGL_DN", r.hglDn},    {"HGL_UP", r.hglUp},
            {"TOTALCA", r.totalCa}};
        for (const auto& [field, value] : values)
            if (!std::isfinite(value)) return hydraulics::nonFiniteMessage(r, field, value);
    }
    return std::nullopt;
}

/// The run shared by both modes, after the options were accepted.
SizingResult run(db::Project& project, ui::UiPort& ui, const std::string& systemName,
                 const RunSettings& settings, int group, bool verifyFirst,
                 const network::VerificationLineSink& onVerificationLine) {
    SizingResult res;
    db::Database& db = *project.db;
    const std::string system = trim(systemName);
    const bool metric = project.metric;
    ui::BusyPointer pointer(ui);

    // Inputs read inside the write transaction: what is written belongs to what was read.
    db::Transaction tx(db);
    if (verifyFirst) res.verificationLines = network::verifySystem(db, system, ui, onVerificationLine).lines;

    network::InputLimitScope scope;
    scope.ditchRoughness = false;  // a ditch is not sized
    if (settings.mode == Mode::Select) scope.pipeGroup = group;
    if (!network::inputWithinLimits(db, system, metric, ui, scope)) return res;

    std::vector<PipeEntry> table;
    if (settings.mode == Mode::Select) {
        auto loaded = loadPipeTable(db, group, metric, ui, settings.list ? &res.lines : nullptr);
        if (!loaded) return res;
        table = std::move(*loaded);
    }

    auto sys = loadSystemForSizing(project, ui, system, res.messages);
    if (!sys) return res;

    if (settings.mode == Mode::OwnPipes) {
        // Flowing full needs a sound definition of every pipe used.
        for (const auto& r : sys->records) {
            if (r.isDitch() || !r.pipeFound) continue;
            const std::string fault = pipeDefinitionFault(r.pipeName, r.height, r.width, static_cast<float>(r.n));
            if (!fault.empty()) {
                ui.beep();
                ui.message("INVALID DATA", fault, ui::Icon::Critical);
                return res;
            }
        }
    }

    if (settings.list) {
        res.lines.push_back(settings.criterion == Criterion::Velocity
                                ? "From     To       Pipe     'N'      Length   Height   Width    Q        Velocity Governing"
                                : "From     To       Pipe     'N'      Length   Height   Width    Q        HGL(%)   Governing");
        res.lines.push_back(std::string(80, '-'));
    }
    std::vector<SizingBasis> basis;
    if (settings.mode == Mode::Select) basis.reserve(sys->records.size());  // one per reach
    if (auto fault = sizeInFlowOrder(*sys, table, settings, ui, metric, res.lines, basis)) {
        ui.invalidData(*fault);
        ui.status("");
        return res;
    }

    ui.status("Adjust HGL by backing in the TAILWATER");
    backWaterGradeLine(*sys);
    clearanceLines(*sys, metric, res.lines);

    if (auto fault = firstNonFinite(*sys)) {
        ui.invalidData(*fault);
        ui.status("");
        return res;
    }
    ui.status("Writing results to database");
    writeResults(db, system, *sys, metric, res.lines);
    writeSizingBasis(db, system, basis);  // the FULL command sizes nothing: its basis is empty
    tx.commit();
    res.basis = std::move(basis);
    res.lines.push_back("Cleaning up temporary data arrays");
    ui.status("");
    if (settings.keepRecords) res.records = std::move(sys->records);
    res.status = 0;
    return res;
}

}  // namespace

SizingOptions SizingOptions::defaults() {
    SizingOptions o;
    o.maxVelocityFps = 10.0;
    o.maxHglSlopePercent = 1.0;
    o.minVelocityFps = 2.0;
    return o;
}

std::optional<std::string> validateOptions(const SizingOptions& o) {
    if (o.useMinVelocity && !(o.minVelocityFps > 0)) return std::string("Minimum velocity must be greater than zero");
    if (o.criterion == Criterion::Velocity) {
        if (!(o.maxVelocityFps > 0)) return std::string("Maximum velocity must be greater than zero");
        if (o.useMinVelocity && !(o.maxVelocityFps > o.minVelocityFps))
            return std::string("Maximum velocity must be greater than the minimum velocity");
    }
    return std::nullopt;
}

SizingResult computePipeSizes(db::Project& project, ui::UiPort& ui, const std::string& system,
                              const SizingOptions& options) {
    db::UndoAction step(*project.db, "Step 2: Compute Pipe Sizes");
    if (auto refusal = validateOptions(options)) {
        ui.beep();
        ui.message("INVALID DATA", *refusal, ui::Icon::Exclamation);
        return {};
    }
    RunSettings s;
    s.mode = Mode::Select;
    s.criterion = options.criterion;
    s.limit = options.criterion == Criterion::Velocity ? options.maxVelocityFps : options.maxHglSlopePercent;
    s.useMinVelocity = options.useMinVelocity;
    s.minVelocityFtS = options.minVelocityFps;
    s.notSmallerThanUpstream = options.notSmallerThanUpstream;
    s.list = true;
    s.keepRecords = options.keepRecords;
    SizingResult result = run(project, ui, system, s, options.group, options.verifyFirst, options.onVerificationLine);
    if (result.status == 0) network::recordStepRun(*project.db, network::DesignStep::PipeSizes, system, result.lines);
    return result;
}

// The "FULL" command analyses the design as it stands. The Compute Hydraulics window holds no
// velocity or slope limit to choose by, and a hydraulics command that silently replaced the
// engineer's pipes with the smallest of some group would undo Step 2. So every reach keeps its
// own pipe (looked up among all definitions), taken as flowing full: V = Q / barrels / A, the
// travel times follow from it, and the grade line is the single backwater pass from the tailwater.
SizingResult computeFullFlow(db::Project& project, ui::UiPort& ui, const std::string& system,
                             const FullFlowOptions& options) {
    db::UndoAction step(*project.db, "Compute Full Flow");
    if (options.useMinVelocity && !(options.minVelocityFps > 0)) {
        ui.beep();
        ui.message("INVALID DATA", "Minimum velocity must be greater than zero", ui::Icon::Exclamation);
        return {};
    }
    RunSettings s;
    s.mode = Mode::OwnPipes;
    s.useMinVelocity = options.useMinVelocity;
    s.minVelocityFtS = options.minVelocityFps;
    s.list = false;
    SizingResult result = run(project, ui, system, s, 0, options.verifyFirst, options.onVerificationLine);
    if (result.status == 0) {
        // the Compute Hydraulics window lists these in place of a storm tabulation's messages
        std::vector<std::string> listing = result.messages;
        listing.insert(listing.end(), result.lines.begin(), result.lines.end());
        network::recordStepRun(*project.db, network::DesignStep::Hydraulics, system, listing);
    }
    return result;
}

}  // namespace kolv::sizing
