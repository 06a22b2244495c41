// Naming and adding new nodes.
#include "editing/next_node_name.h"

#include <algorithm>

#include "common/text.h"
#include "db/record_set.h"
#include "db/undo_history.h"

namespace kolv::editing {

using db::RecordSet;
using db::Value;

std::string nextNodeName(db::Database& db) {
    // only read: the number is taken when a node of this name is added, inside that step
    RecordSet t0(db, "T0");
    if (t0.empty()) return "1";
    t0.moveFirst();
    const bool usePrefix = t0.flag("NEXT_NODE_USE_PREFIX");
    const std::string prefix = trim(t0.text("NEXT_NODE_PREFIX"));
    const long number = t0.isNull("NEXT_NODE_NUMBER") ? 1 : t0.integer("NEXT_NODE_NUMBER");
    return trim(left(usePrefix ? prefix + std::to_string(number) : std::to_string(number), 8));
}

namespace {

/// The proposed name was used: the next proposal takes the following number.
void takeNodeNumber(db::Database& db, const std::string& added) {
    RecordSet t0(db, "T0");
    if (t0.empty() || !equalsIgnoreCase(nextNodeName(db), added)) return;
    t0.moveFirst();
    const long number = t0.isNull("NEXT_NODE_NUMBER") ? 1 : t0.integer("NEXT_NODE_NUMBER");
    t0.edit();
    t0.set("NEXT_NODE_NUMBER", number + 1);
    t0.update();
}

}  // namespace

bool checkNewNodeName(db::Database& db, const std::string& system, const std::string& name, ui::UiPort& ui) {
    const std::string n = trim(name);
    if (n.empty()) {
        ui.beep();
        ui.message("", "Invalid node name.", ui::Icon::Exclamation);
        return false;
    }
    RecordSet nodes(db, "NODE", "NAME = ?", {n});
    if (!nodes.empty()) {
        ui.beep();
        ui.message("", "Node already exist in system '" + trim(nodes.text("SYSTEM")) + "'.\rRe-enter a unique node name.",
                   ui::Icon::Exclamation);
        return false;
    }
    RecordSet t16(db, "T16", "SYSTEM = ?", {trim(system)});
    if (!t16.empty() && equalsIgnoreCase(trim(t16.text("OUT_NODE")), n)) {
        ui.beep();
        ui.message("",
                   "Node already exist as the Outfall node in system '" + trim(system) +
                       "'.\rRe-enter a unique node name.",
                   ui::Icon::Exclamation);
        return false;
    }
    return true;
}

std::vector<std::string> structuresForClass(db::Database& db, int engMet, const std::string& diagramClass) {
    std::vector<std::string> all, ofClass;
    RecordSet t6(db, "T6", "ENG_MET = ?", {engMet});
    for (t6.moveFirst(); !t6.eof(); t6.moveNext()) {
        std::string name = trim(t6.text("NAME"));
        if (name.empty()) continue;
        all.push_back(name);
        if (!diagramClass.empty() && equalsIgnoreCase(trim(t6.text("DIAGRAM_CLASS_NAME")), diagramClass))
            ofClass.push_back(name);
    }
    return ofClass.empty() ? all : ofClass;
}

bool addNodeRecord(db::Database& db, const std::string& system, const std::string& name,
                   const std::string& structure, double xd, double yd, ui::UiPort& ui) {
    db::UndoAction step(db, "Add Node " + trim(name));
    const std::string n = trim(name);
    RecordSet nodes(db, "NODE", "NAME = ?", {n});
    if (!nodes.empty()) {
        ui.beep();
        ui.message("", "Node '" + n + "' already exist.", ui::Icon::Exclamation);
        return false;
    }
    nodes.addNew();
    nodes.set("NAME", n);
    nodes.set("SYSTEM", trim(system));
    nodes.set("XD", xd);
    nodes.set("YD", yd);
    nodes.set("STATION", "");
    for (const char* f : {"OFFSET", "INLET_ELEV", "MIN_HGL", "JUNC_LOSS_COEFF", "P_C1DA", "P_C2DA", "P_C3DA",
                          "RUNOFF_C1", "RUNOFF_C2", "RUNOFF_C3"})
        nodes.set(f, 0);
    nodes.set("TC", 10);  // minutes
    nodes.set("BASE_FLOW", 0);
    nodes.set("STRUCT_NAME", trim(structure));
    for (const char* f : {"CALC_RUNOFF_C1", "CALC_RUNOFF_C2", "CALC_RUNOFF_C3"}) nodes.set(f, true);
    nodes.update();
    takeNodeNumber(db, n);
    return true;
}

void freeDiagramPosition(db::Database& db, const std::string& system, double& xd, double& yd) {
    xd = 100;
    yd = 100;
    RecordSet nodes(db, "NODE", "SYSTEM = ?", {trim(system)});
    for (nodes.moveFirst(); !nodes.eof(); nodes.moveNext()) {
        if (nodes.number("XD") + 100 > xd) {
            xd = nodes.number("XD") + 100;
            yd = std::max(1.0, nodes.number("YD"));
        }
    }
    xd = std::clamp(xd, 1.0, 10000.0);
    yd = std::clamp(yd, 1.0, 10000.0);
}

}  // namespace kolv::editing
