// Naming and adding new nodes: the next-node-name rule and the add-node dialog's checks (ADDNODE).
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::editing {

/// Proposes the next node name from T0 NEXT_NODE_USE_PREFIX, NEXT_NODE_PREFIX and
/// NEXT_NODE_NUMBER (prefix + number, or the number alone, cut to 8 characters; a Null number is 1).
/// Only reads: opening and cancelling the add-node dialog changes nothing in the project.
std::string nextNodeName(db::Database& db);

/// The OK checks of the add-node dialog: an empty name, a name used by a node of any
/// system, or the system's outfall name is refused with a beep and its message.
/// Returns true when the trimmed name may be used.
bool checkNewNodeName(db::Database& db, const std::string& system, const std::string& name, ui::UiPort& ui);

/// Structures offered in the add-node dialog: the T6 structures of the unit system whose
/// DIAGRAM_CLASS_NAME is `diagramClass`, or every structure of the unit system when none has it.
std::vector<std::string> structuresForClass(db::Database& db, int engMet, const std::string& diagramClass);

/// Adds a NODE record with the defaults of a newly placed node (areas and elevations 0,
/// Tc 10 min, runoff coefficients to be computed), and when the name is the proposed next name,
/// advances NEXT_NODE_NUMBER in the same undo step. Refuses a name already used:
/// "Node '" + name + "' already exist.". Returns true when added.
bool addNodeRecord(db::Database& db, const std::string& system, const std::string& name,
                   const std::string& structure, double xd, double yd, ui::UiPort& ui);

/// A free diagram position for a node added without the diagram: right of the system's
/// right-most node (diagram units 1..10000).
void freeDiagramPosition(db::Database& db, const std::string& system, double& xd, double& yd);

}  // namespace kolv::editing
