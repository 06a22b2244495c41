// Loading a system for pipe sizing: the storm tabulation's loading phases without its pass loop.
#include "sizing/sizing_loader.h"

#include <algorithm>
#include <unordered_map>

#include "common/text.h"
#include "db/record_set.h"
#include "hydraulics/run.h"
#include "network/pipe_nodal_array.h"

namespace kolv::sizing {

namespace {

// Metric project factors, as the storm tabulation converts on loading.
constexpr double kFeetPerMeter = 3.28083339792;  // lengths, elevations, dimensions
constexpr double kFeetPerMeterShort = 3.2808;    // tailwater
constexpr double kSqFtPerSqM = 10.763911;        // pipe areas
constexpr double kAcresPerHectare = 2.471;       // drainage areas
constexpr double kCfsPerCms = 35.31467;          // base flows

void readNode(hydraulics::HydraulicRecord& r, SizingFields& f, db::RecordSet& nodes, db::RecordSet& structures,
              const std::array<double, 3>& defaultC, bool metric) {
    r.nodeFound = nodes.findFirst("NAME = ?", {r.name});
    if (!r.nodeFound) {
        r.structTypeShort = "??";
        return;
    }
    const double len = metric ? kFeetPerMeter : 1.0;
    r.tcInlet = nodes.number("TC");
    for (int k = 0; k < 3; ++k) {
        const std::string cat = std::to_string(k + 1);
        r.area[k] = nodes.number("P_C" + cat + "DA") * (metric ? kAcresPerHectare : 1.0);
        // A coefficient left to the computation takes the system's default for its category.
        r.coeff[k] = nodes.flag("CALC_RUNOFF_C" + cat) ? defaultC[k] : nodes.number("RUNOFF_C" + cat);
    }
    r.baseFlow = nodes.number("BASE_FLOW") * (metric ? kCfsPerCms : 1.0);
    r.inletElev = nodes.number("INLET_ELEV") * len;
    r.station = nodes.text("STATION");
    r.offset = nodes.number("OFFSET");  // written back as stored
    f.nodeType = static_cast<int>(nodes.integer("NODE_TYPE"));
    f.structName = trim(nodes.text("STRUCT_NAME"));
    // Node type 0 carries a structure; a node of another type has no clearance to keep.
    if (f.nodeType != 0) {
        r.hasStructure = false;
        r.structTypeShort = "<none>";
        r.hglClear = 9999;
        return;
    }
    if (f.structName.empty() || !structures.findFirst("NAME = ?", {f.structName})) {
        r.structTypeShort = "??";
        r.hglClear = 0;
        return;
    }
    r.structTypeShort = structures.text("TYPE_OF_STR_SHORT");
    r.hglClear = structures.number("HGL_CLEAR") * len;
}

void readReach(hydraulics::HydraulicRecord& r, SizingFields& f, db::RecordSet& reaches, db::RecordSet& pipes,
               bool metric) {
    r.reachFound = reaches.findFirst("NODE1 = ?", {r.name});
    if (!r.reachFound) return;
    const double len = metric ? kFeetPerMeter : 1.0;
    r.reachName = trim(reaches.text("NAME"));
    r.toName = trim(name8(trim(reaches.text("NODE2"))));
    r.reachType = std::clamp(static_cast<int>(reaches.integer("REACH_TYPE")), 0, 2);
    r.length = reaches.number("LENGTH") * len;
    r.barrels = static_cast<int>(reaches.integer("BARRELS"));
    if (r.barrels <= 0) r.barrels = 1;
    f.sizeFlag = reaches.integer("CALC_PIPESIZE") != 0;
    f.hasElev1 = !reaches.isNull("ELEV1");
    f.hasElev2 = !reaches.isNull("ELEV2");
    f.elev1 = reaches.number("ELEV1");
    f.elev2 = reaches.number("ELEV2");
    r.pipeName = trim(reaches.text("PIPE_NAME"));
    r.pipeFound = !r.pipeName.empty() && pipes.findFirst("NAME = ?", {r.pipeName});
    if (r.pipeFound) {
        r.width = pipes.number("WIDTH") * len;
        r.height = pipes.number("HEIGHT") * len;
        r.pipeArea = pipes.number("AREA") * (metric ? kSqFtPerSqM : 1.0);
        r.n = pipes.number("N");
    }
}

}  // namespace

std::optional<SizingSystem> loadSystemForSizing(db::Project& project, Session& session, ui::UiPort& ui,
                                                const std::string& systemName, std::vector<std::string>& msg) {
    db::Database& db = *project.db;
    const std::string system = trim(systemName);
    const bool metric = project.metric;

    for (const char* phase : {"Loading pipe nodal array", "Sorting pipe nodal array in flow direction order",
                              "Checking for circular references", "Sorting master node array"})
        msg.push_back(phase);
    network::PipeNodalArray array;
    if (network::loadPipeNodalArray(db, system, ui, array) != network::LoadStatus::Ok) return std::nullopt;

    db::RecordSet header(db, "T16", "SYSTEM = ?", {system});
    std::array<double, 3> defaultC{};
    if (!header.empty())
        for (int k = 0; k < 3; ++k) defaultC[k] = header.number("AREA" + std::to_string(k + 1));

    SizingSystem out;
    out.records.resize(array.size());
    out.fields.resize(array.size());
    {
        db::RecordSet nodes(db, "NODE");
        db::RecordSet reaches(db, "REACH", "SYSTEM = ?", {system});
        db::RecordSet structures(db, "T6");
        db::RecordSet pipes(db, "T7");
        for (std::size_t i = 0; i < array.size(); ++i) {
            auto& r = out.records[i];
            r.name = array[i].node();
            r.toName = array[i].toNode();
            readNode(r, out.fields[i], nodes, structures, defaultC, metric);
            readReach(r, out.fields[i], reaches, pipes, metric);
        }
    }

    msg.push_back("Deterimning 'IN' field inter-connections");
    if (!network::determineIncoming(array, ui)) return std::nullopt;
    for (std::size_t i = 0; i < array.size(); ++i)
        for (int k = 0; k < 4; ++k) out.records[i].in[k] = array[i].in[k];

    msg.push_back("Loading system header");
    std::string outNode;
    db::Value tailwater;
    if (!header.empty()) {
        outNode = trim(header.text("OUT_NODE"));
        tailwater = header.value("OUT_TW");
    }
    if (tailwater.isNull()) {
        ui.beep();
        ui.message("WARNING", "Missing TAILWATER elevation in system header.\nTAILWATER elevation set to 0.00",
                   ui::Icon::Exclamation);
    }
    out.tailwaterFt = tailwater.toDouble() * (metric ? kFeetPerMeterShort : 1.0);

    if (rain::readSystemRainfall(db, system).method == rain::kMethodIdf)
        msg.push_back("Load IDF coefficints from IDF table");
    auto idf = rain::prepareRainfall(db, session, ui, system);
    if (!idf) return std::nullopt;
    out.idf = *idf;

    msg.push_back("Validate Tc min's and drainage areas");
    hydraulics::accumulateDrainage(out.records);

    msg.push_back("Verify that all 'TO' inlets exist");
    std::unordered_map<std::string, int> index;
    for (std::size_t i = 0; i < out.records.size(); ++i)
        index.emplace(network::nameKey(out.records[i].name), static_cast<int>(i));
    const std::string outKey = network::nameKey(outNode);
    for (auto& r : out.records) {
        const auto it = index.find(network::nameKey(r.toName));
        if (it != index.end()) {
            r.toIndex = it->second;
        } else if (!outNode.empty() && network::nameKey(r.toName) == outKey) {
            r.toIndex = -1;  // into the outfall
        } else {
            ui.invalidData("Missing or invalid 'TO' inlet. Correct inlet '" + r.name + "' data.\nProcess terminated.");
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace kolv::sizing
