// Loading a system for a design run: the phases the storm tabulation and pipe sizing share.
#include "hydraulics/system_loader.h"

#include <algorithm>
#include <unordered_map>

#include "common/text.h"
#include "common/units.h"
#include "db/table_row.h"
#include "hydraulics/pass_sections.h"
#include "network/pipe_nodal_array.h"

namespace kolv::hydraulics {

using units::kAcresPerHectare;
using units::kCfsPerCms;
using units::kCmsPerCfs;
using units::kFeetPerMeter;
using units::kFeetPerMeterShort;
using units::kSqFtPerSqM;

namespace {

/// Lengths among `DITCH_DIM_0`..`DITCH_DIM_6` of a ditch shape (the others are side slopes).
std::array<bool, 7> ditchLengthDims(int type) {
    switch (type) {
    case 0: return {false, true, false, false, false, false, false};   // z1 B z2
    case 1: return {false, false, false, false, false, false, false};  // z1 z2
    case 2: return {true, false, false, false, false, false, false};   // B
    case 3: return {true, false, false, false, false, false, false};   // r
    case 4: return {false, true, false, false, true, false, false};    // z1 B z2 z3 hb
    case 5: return {false, false, true, true, false, false, true};     // u1 l1 h1 B l2 u2 h2
    default: return {};
    }
}

/// A record whose node has no NODE row: reported as missing; no inlet elevation, so no clearance
/// or capacity to judge.
void markNodeMissing(HydraulicRecord& r) {
    r.nodeFound = false;
    r.structTypeShort = "??";
    r.hasStructure = false;
}

/// Reads the node part of a record from its NODE row and structure definition.
/// The NODE fields a record is read from, looked up once for the whole table.
struct NodeFields {
    using F = db::TableRows::Field;
    explicit NodeFields(const db::TableRows& t)
        : tc(t.field("TC")), baseFlow(t.field("BASE_FLOW")), inletElev(t.field("INLET_ELEV")),
          minHgl(t.field("MIN_HGL")), juncLossCoeff(t.field("JUNC_LOSS_COEFF")), station(t.field("STATION")),
          offset(t.field("OFFSET")), baseline(t.field("BASELINE")), sequencer(t.field("SEQUENCER")),
          nodeType(t.field("NODE_TYPE")), structName(t.field("STRUCT_NAME")) {
        for (int k = 0; k < 3; ++k) {
            const std::string cat = std::to_string(k + 1);
            area[k] = t.field("P_C" + cat + "DA");
            calcC[k] = t.field("CALC_RUNOFF_C" + cat);
            c[k] = t.field("RUNOFF_C" + cat);
        }
        for (int k = 0; k < 8; ++k) {
            dwStage[k] = t.field("DW_STAGE" + std::to_string(k + 1));
            dwDischarge[k] = t.field("DW_DISCHARGE" + std::to_string(k + 1));
        }
    }
    F tc, baseFlow, inletElev, minHgl, juncLossCoeff, station, offset, baseline, sequencer, nodeType, structName;
    std::array<F, 3> area{}, calcC{}, c{};
    std::array<F, 8> dwStage{}, dwDischarge{};
};

void readNode(HydraulicRecord& r, const db::TableRows& nodes, const NodeFields& f, db::RecordSet& structures,
              const std::array<double, 3>& defaults, bool metric) {
    r.nodeFound = true;
    const double len = metric ? kFeetPerMeter : 1.0;
    r.tcInlet = nodes.number(f.tc);
    for (std::size_t k = 0; k < 3; ++k) {
        r.area[k] = nodes.number(f.area[k]) * (metric ? kAcresPerHectare : 1.0);
        // A coefficient left to the computation takes the system's default for the category.
        r.coeff[k] = nodes.flag(f.calcC[k]) ? defaults[k] : nodes.number(f.c[k]);
    }
    r.baseFlow = nodes.number(f.baseFlow) * (metric ? kCfsPerCms : 1.0);
    r.inletElev = nodes.number(f.inletElev) * len;
    r.minHgl = nodes.number(f.minHgl) * len;
    r.juncLossCoeff = nodes.number(f.juncLossCoeff);
    std::array<double, 8> stage{}, discharge{};
    for (std::size_t k = 0; k < 8; ++k) {
        stage[k] = nodes.number(f.dwStage[k]) * len;
        discharge[k] = nodes.number(f.dwDischarge[k]) * (metric ? kCfsPerCms : 1.0);
    }
    r.dwStage = stage;
    r.dwDischarge = discharge;
    r.station = nodes.text(f.station);
    r.offset = nodes.number(f.offset) * len;
    r.baseline = nodes.text(f.baseline);
    r.sequencer = static_cast<int>(nodes.integer(f.sequencer));

    // Node type 0 carries a structure; any other type (a ditch node) has no limits.
    if (nodes.integer(f.nodeType) != 0) {
        r.hasStructure = false;
        r.structTypeShort = "<none>";
        r.hglClear = 9999;
        r.maxInletCapacity = 9999;
        return;
    }
    const std::string structName = trim(nodes.text(f.structName));
    if (structName.empty() || !structures.findFirst("NAME = ?", {structName})) {
        r.structTypeShort = "??";
        r.hglClear = 0;
        r.maxInletCapacity = 0;
        return;
    }
    r.structTypeShort = structures.text("TYPE_OF_STR_SHORT");
    r.hglClear = structures.number("HGL_CLEAR") * len;
    r.maxInletCapacity = structures.number("MAX_INLET_HYD_CAPACITY") / (metric ? kCmsPerCfs : 1.0);
}

/// Reads the reach part of a record from its REACH row and pipe definition.
/// The REACH fields every record is read from, looked up once for the whole table (the few a
/// ditch adds are found by name).
struct ReachFields {
    using F = db::TableRows::Field;
    explicit ReachFields(const db::TableRows& t)
        : name(t.field("NAME")), node2(t.field("NODE2")), reachType(t.field("REACH_TYPE")), length(t.field("LENGTH")),
          hydLength(t.field("HYD_LENGTH")), barrels(t.field("BARRELS")), frLenOption(t.field("FR_LEN_OPTION")),
          frLenLess(t.field("FR_LEN_LESS")), frLenFixed(t.field("FR_LEN_FIXED")),
          frLenPercent(t.field("FR_LEN_PERCENT")), fdDesignGwEl(t.field("FD_DESIGN_GW_EL")),
          fdGndEl(t.field("FD_GND_EL")), pipeName(t.field("PIPE_NAME")), elev1(t.field("ELEV1")),
          elev2(t.field("ELEV2")), fromFlCl(t.field("FROM_FL_CL")), toFlCl(t.field("TO_FL_CL")) {
        for (int k = 0; k < 3; ++k) {
            fdToDepth[k] = t.field("FD_TO_DEPTH" + std::to_string(k + 1));
            fdK[k] = t.field("FD_K" + std::to_string(k + 1));
        }
    }
    F name, node2, reachType, length, hydLength, barrels, frLenOption, frLenLess, frLenFixed, frLenPercent,
        fdDesignGwEl, fdGndEl, pipeName, elev1, elev2, fromFlCl, toFlCl;
    std::array<F, 3> fdToDepth{}, fdK{};
};

void readReach(HydraulicRecord& r, const db::TableRows& reaches, const ReachFields& f, db::RecordSet& pipes,
               bool metric, bool ditchShapes) {
    r.reachFound = true;
    const double len = metric ? kFeetPerMeter : 1.0;
    r.reachName = trim(reaches.text(f.name));
    r.toName = trim(name8(trim(reaches.text(f.node2))));
    r.reachType = std::clamp(static_cast<int>(reaches.integer(f.reachType)), 0, 2);
    r.length = reaches.number(f.length) * len;
    r.hydLength = reaches.number(f.hydLength) * len;
    r.barrels = static_cast<int>(reaches.integer(f.barrels));
    if (r.barrels <= 0) r.barrels = 1;
    r.frenchLength = frenchDrainLength(reaches.number(f.frLenOption), r.length, reaches.number(f.frLenLess) * len,
                                       reaches.number(f.frLenFixed) * len, reaches.number(f.frLenPercent));
    r.fdDesignGwEl = reaches.number(f.fdDesignGwEl) * len;
    r.fdGndEl = reaches.number(f.fdGndEl) * len;
    std::array<double, 3> toDepth{}, conductivity{};
    for (std::size_t k = 0; k < 3; ++k) {
        toDepth[k] = reaches.number(f.fdToDepth[k]) * len;
        conductivity[k] = reaches.number(f.fdK[k]);
    }
    r.fdToDepth = toDepth;
    r.fdK = conductivity;

    if (r.isDitch() && ditchShapes) {
        r.pipeName.clear();
        r.ditchType = static_cast<int>(reaches.integer("DITCH_TYPE"));
        r.ditchN = reaches.number("DITCH_MANNINGS");
        const auto lengths = ditchLengthDims(r.ditchType);
        std::array<double, 7> dim{};
        for (int k = 0; k < 7; ++k)
            dim[k] = reaches.number("DITCH_DIM_" + std::to_string(k)) * (metric && lengths[k] ? len : 1.0);
        r.ditchDim = dim;
        r.warnVelocity = reaches.integer("WARN_VELOCITY_MAX_OPTION") != 0;
        r.warnNormalDepth = reaches.integer("WARN_NORMAL_DEPTH_MAX_OPTION") != 0;
        r.warnEglDepth = reaches.integer("WARN_EGL_DEPTH_MAX_OPTION") != 0;
        r.warnVelocityMax = reaches.number("WARN_VELOCITY_MAX") * len;
        r.warnNormalDepthMax = reaches.number("WARN_NORMAL_DEPTH_MAX") * len;
        r.warnEglDepthMax = reaches.number("WARN_EGL_DEPTH_MAX") * len;
        r.n = r.ditchN;
    } else {
        r.pipeName = trim(reaches.text(f.pipeName));
        r.pipeFound = !r.pipeName.empty() && pipes.findFirst("NAME = ?", {r.pipeName});
        if (r.pipeFound) {
            r.width = pipes.number("WIDTH") * len;
            r.height = pipes.number("HEIGHT") * len;
            r.pipeArea = pipes.number("AREA") * (metric ? kSqFtPerSqM : 1.0);
            r.n = pipes.number("N");
        }
    }
    // A flag set (or never written) marks a stored invert; a cleared flag a stored crown.
    const auto invert = [&](db::TableRows::Field elevField, db::TableRows::Field flagField) {
        const double elev = reaches.number(elevField) * len;
        const db::Value& flag = reaches.value(flagField);
        return (!flag.isNull() && flag.toDouble() == 0) ? elev - r.height : elev;
    };
    r.invertUp = invert(f.elev1, f.fromFlCl);
    r.invertDn = invert(f.elev2, f.toFlCl);
    r.crownUp = r.invertUp + r.height;
    r.crownDn = r.invertDn + r.height;
    // S = (invert up - invert down) / LENGTH
    r.physSlope = r.length != 0 ? (r.invertUp - r.invertDn) / r.length : 0.0;
}

}  // namespace

double validatedInletTc(double tcMinutes) { return rain::inletDuration(tcMinutes); }

double frenchDrainLength(double option, double lengthFt, double lessFt, double fixedFt, double percent) {
    if (option == 1) return lengthFt - lessFt;
    if (option == 2) return fixedFt;
    if (option == 3) return lengthFt * percent / 100.0;
    return lengthFt;
}

void accumulateDrainage(std::vector<HydraulicRecord>& recs) {
    for (auto& r : recs) {
        r.tcInlet = validatedInletTc(r.tcInlet);
        r.tcWork = r.tcInlet;
        r.baseFlowAcc = r.baseFlow;
        r.areaAcc = r.area;
        r.localCa = 0;
        r.localArea = 0;
        for (int k = 0; k < 3; ++k) {
            r.ca[k] = r.area[k] * r.coeff[k];  // CA = A C
            r.localCa += r.ca[k];
            if (r.ca[k] != 0) r.localArea += r.area[k];
        }
        r.localWeightedC = r.localArea != 0 ? r.localCa / r.localArea : 0.0;
        r.totalArea = r.localArea;
        r.weightedC = r.localWeightedC;
        for (int slot : r.in) {
            if (slot < 0) continue;
            const HydraulicRecord& up = recs[static_cast<std::size_t>(slot)];
            for (int k = 0; k < 3; ++k) r.areaAcc[k] += up.areaAcc[k];
            r.baseFlowAcc += up.baseFlowAcc;
            // C = (C A + Cup Aup) / (A + Aup)
            const double sumArea = r.totalArea + up.totalArea;
            if (sumArea != 0) r.weightedC = (r.weightedC * r.totalArea + up.weightedC * up.totalArea) / sumArea;
            r.totalArea = sumArea;
        }
        r.totalCa = r.totalArea * r.weightedC;  // sum CA = A C
        r.upstreamCa = r.totalCa - r.localCa;
    }
}

std::optional<LoadedSystem> loadSystemForRun(db::Project& project, ui::UiPort& ui, const std::string& systemName,
                                             std::vector<std::string>& msg, const LoadOptions& options) {
    db::Database& db = *project.db;
    const std::string system = trim(systemName);
    const bool metric = project.metric;

    // 2. The reaches in flow order.
    for (const char* phase : {"Loading pipe nodal array", "Sorting pipe nodal array in flow direction order",
                              "Checking for circular references", "Sorting master node array"})
        msg.push_back(phase);
    network::PipeNodalArray array;
    if (network::loadPipeNodalArray(db, system, ui, array) != network::LoadStatus::Ok) return std::nullopt;

    // 4 (read first: the default runoff coefficients are needed with the node data).
    LoadedSystem out;
    db::RecordSet header(db, "T16", "SYSTEM = ?", {system});
    out.hasHeader = !header.empty();
    std::array<double, 3> defaultC{};
    if (out.hasHeader)
        for (int k = 0; k < 3; ++k) defaultC[k] = header.number("AREA" + std::to_string(k + 1));

    auto& recs = out.records;
    recs.resize(array.size());
    {
        // Each record takes the first NODE row named as its node and the first REACH row of the
        // system leaving it, in storage order, names compared as a find compares them. The two
        // tables are read once, row by row, whatever the size of the system.
        using Waiting = std::unordered_map<std::string, std::vector<std::size_t>>;
        Waiting nodeOf, reachOf;
        for (std::size_t i = 0; i < array.size(); ++i) {
            HydraulicRecord& r = recs[i];
            r.name = array[i].node();
            r.toName = array[i].toNode();
            const std::string key = db::compareKey(db::Value(r.name));
            nodeOf[key].push_back(i);
            reachOf[key].push_back(i);
        }
        // The records waiting for the row whose `field` holds this key; none once a row gave them theirs.
        const auto take = [](Waiting& waiting, const db::TableRows& row, const char* field) {
            std::vector<std::size_t> found;
            const db::Value v = row.value(field);
            if (v.isNull()) return found;
            const auto it = waiting.find(db::compareKey(v));
            if (it == waiting.end()) return found;
            found = std::move(it->second);
            waiting.erase(it);
            return found;
        };
        db::RecordSet structures(db, "T6");
        db::RecordSet pipes(db, "T7");
        if (!nodeOf.empty()) {
            db::TableRows nodes(db, "NODE");
            const NodeFields nodeFields(nodes);
            while (!nodeOf.empty() && nodes.next()) {
                for (std::size_t i : take(nodeOf, nodes, "NAME")) {
                    readNode(recs[i], nodes, nodeFields, structures, defaultC, metric);
                    if (options.readNodeExtra) options.readNodeExtra(i, nodes);
                }
            }
        }
        for (const auto& [key, waiting] : nodeOf)
            for (std::size_t i : waiting) markNodeMissing(recs[i]);
        if (!reachOf.empty()) {
            db::TableRows reaches(db, "REACH", db::quoteIdent("SYSTEM") + " = ?", {system});
            const ReachFields reachFields(reaches);
            while (!reachOf.empty() && reaches.next()) {
                for (std::size_t i : take(reachOf, reaches, "NODE1")) {
                    readReach(recs[i], reaches, reachFields, pipes, metric, options.ditchShapes);
                    if (options.readReachExtra) options.readReachExtra(i, reaches);
                }
            }
        }
    }

    // 3. Incoming records.
    msg.push_back("Determining 'IN' field inter-connections");
    if (!network::determineIncoming(array, ui)) return std::nullopt;
    for (std::size_t i = 0; i < array.size(); ++i)
        for (int k = 0; k < 4; ++k) recs[i].in[k] = array[i].in[k];

    // 4. System header.
    msg.push_back("Loading system header");
    db::Value tailwater;
    if (out.hasHeader) {
        out.outNode = trim(header.text("OUT_NODE"));
        out.exitLossCoeff = header.number("EXIT_LOSS_COEFF");
        tailwater = header.value("OUT_TW");
    }
    if (tailwater.isNull()) {
        ui.beep();
        ui.message("WARNING", "Missing TAILWATER elevation in system header.\nTAILWATER elevation set to 0.00",
                   ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
    }
    out.tailwaterFt = tailwater.toDouble() * (metric ? kFeetPerMeterShort : 1.0);
    {
        db::RecordSet t0(db, "T0");
        if (!t0.empty()) {
            out.heading.number = t0.text("PRJ_NUMBER");
            out.heading.description = t0.text("PRJ_DESC");
            out.heading.county = t0.text("PRJ_COUNTY");
            out.heading.stateRoad = t0.text("PRJ_STATE_ROAD");
        }
    }
    rain::SystemRainfall rainfall = rain::readSystemRainfall(db, system);
    if (!options.frequency.empty()) {
        rainfall.freq = db::Value(options.frequency);
        rainfall.frequency = options.frequency;
    }
    out.storm.method = rainfall.method;
    if (rainfall.method == rain::kMethodTable)
        rain::LOAD_TIME_INTENSITY_TABLE(db, out.storm, ui, rainfall.location, rainfall.frequency);

    // 5. IDF coefficients.
    if (rainfall.method == rain::kMethodIdf) {
        msg.push_back("Load IDF coefficients from IDF table");
        auto idf = rain::lookupIdfCoefficients(db, ui, rainfall.zone, rainfall.freq);
        if (!idf) return std::nullopt;
        out.storm.idf = *idf;
    }

    // 6. Times of concentration and drainage.
    msg.push_back("Validate Tc min's and drainage areas");
    accumulateDrainage(recs);

    // 7. Every TO node in the system, or the outfall.
    msg.push_back("Verify that all 'TO' inlets exist");
    std::unordered_map<std::string, int> index;
    for (std::size_t i = 0; i < recs.size(); ++i) index.emplace(network::nameKey(recs[i].name), static_cast<int>(i));
    const std::string outKey = network::nameKey(out.outNode);
    for (auto& r : recs) {
        const auto it = index.find(network::nameKey(r.toName));
        if (it != index.end()) {
            r.toIndex = it->second;
        } else if (!out.outNode.empty() && network::nameKey(r.toName) == outKey) {
            r.toIndex = -1;  // into the outfall
        } else {
            ui.invalidData("Missing or invalid 'TO' inlet. Correct inlet '" + r.name + "' data.\nProcess terminated.");
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace kolv::hydraulics
