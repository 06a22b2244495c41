// The main window's list of the nodes of a system: each node with its outgoing reach, then the outfall.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::editing {

/// One line of the node list. The numbers are kept as read and formatted when a line is shown,
/// so listing a system of tens of thousands of nodes formats only the lines in sight.
struct NodeListRow {
    std::string name;       ///< node name (trimmed); the outfall's `OUT_NODE` on its line
    std::string structure;  ///< `STRUCT_NAME`
    std::string station;    ///< `STATION` (`OUT_STA` for the outfall)
    double inletElev = 0;   ///< `INLET_ELEV` (`OUT_EL` for the outfall)
    bool hasReach = false;  ///< the node has an outgoing reach; the next four are its values
    std::string toNode;     ///< `NODE2`; "(outfall)" on the outfall's line
    std::string pipe;       ///< `PIPE_NAME`
    double length = 0;      ///< `LENGTH`
    double slope = 0;       ///< (ELEV1 - ELEV2) / LENGTH x 100 (%), 0 without a length
    bool outfall = false;   ///< the outfall's line

    std::string inletElevText() const;  ///< "0.00"
    std::string lengthText() const;     ///< "#,##0.00"
    std::string slopeText() const;      ///< "0.0000"
};

/// Every node of the system in storage order, each with the first reach leaving it, and the
/// outfall last when the system names one. The system's nodes and reaches are read once each.
std::vector<NodeListRow> nodeListRows(db::Database& db, const std::string& system);

/// The line of one node, or of the outfall when `name` is the system's `OUT_NODE`, read on its
/// own after an edit; nothing when there is neither.
std::optional<NodeListRow> nodeListRow(db::Database& db, const std::string& system, const std::string& name);

}  // namespace kolv::editing
