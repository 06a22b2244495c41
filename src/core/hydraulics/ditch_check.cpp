// Ditch flow lines: a ditch's ends lie on the ground at its nodes; ditches must fall downstream.
#include "hydraulics/ditch_check.h"

#include <optional>

#include "common/text.h"
#include "db/record_set.h"

namespace kolv::hydraulics {

namespace {
constexpr const char* kUphill = " has a Downstream Flow Line HIGHER than the Upstream";
}

std::vector<std::string> checkDitchFlowLines(db::Database& db, const std::string& systemName, bool quiet) {
    std::vector<std::string> lines;
    const std::string system = trim(systemName);
    if (system.empty() || system == "<drains>") return lines;
    db::RecordSet ditches(db, "REACH", "SYSTEM = ? AND REACH_TYPE = 2", {system});
    // The nodes are read only when there is a ditch: most systems have none.
    std::optional<db::RecordSet> nodes;
    // The ground at a node: its inlet elevation, when the node exists and has one.
    auto ground = [&](const std::string& name, double& elev) {
        const std::string n = trim(name);
        if (n.empty()) return false;
        if (!nodes) nodes.emplace(db, "NODE");
        if (!nodes->findFirst("NAME = ?", {n}) || nodes->isNull("INLET_ELEV")) return false;
        elev = nodes->number("INLET_ELEV");
        return true;
    };
    for (ditches.moveFirst(); !ditches.eof(); ditches.moveNext()) {
        double up = 0, down = 0;
        const bool upSet = ground(ditches.text("NODE1"), up);
        const bool downSet = ground(ditches.text("NODE2"), down);
        if (!upSet && !downSet) continue;
        ditches.edit();
        if (upSet) {
            ditches.set("ELEV1", up);
            ditches.set("FROM_FL_CL", true);
        }
        if (downSet) {
            ditches.set("ELEV2", down);
            ditches.set("TO_FL_CL", true);
        }
        ditches.update();
        if (!quiet && ditches.number("ELEV2") >= ditches.number("ELEV1"))
            lines.push_back("Ditch Reach: " + trim(ditches.text("NAME")) + kUphill);
    }
    return lines;
}

bool ditchCheckFailed(const std::vector<std::string>& lines) {
    for (const auto& l : lines)
        if (l.find(kUphill) != std::string::npos) return true;
    return false;
}

}  // namespace kolv::hydraulics
