// The renumbering list of a system: one row per node (and the outfall) with its new node and reach names.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::renumber {

/// Kind shown in the "Type" column.
inline constexpr const char* kKindOutfall = "SS Outfall";
inline constexpr const char* kKindNode = "SS Node";
inline constexpr const char* kKindDitch = "Ditch Node";

/// One row of the list: a node of the system, or its outfall (named only in T16).
struct RenumberRow {
    int line = 0;             ///< row number, from 1
    std::string system;       ///< `SYSTEM`
    std::string kind;         ///< "SS Outfall", "SS Node", "Ditch Node" or a drain kind
    std::string node;         ///< current node name (`NAME`, for the outfall `OUT_NODE`)
    std::string baseline;     ///< `BASELINE` (`OUT_BL`)
    std::string station;      ///< `STATION` (`OUT_STA`)
    double offset = 0;        ///< `OFFSET` (`OUT_OFF`), ft or m
    double xd = 0, yd = 0;    ///< diagram position
    bool outfall = false;
    std::string reach;        ///< current name of the reach leaving the node ("" when none)
    std::string newNode;      ///< "New Node #": the node's new name
    std::string newReach;     ///< "New Reach #": new name of the reach leaving the node
};

/// Column captions of the grid, in order; also the sort keys (with "<none>").
const std::vector<std::string>& columnCaptions();

/// Grid columns, in caption order.
enum class Column { Line, System, Type, Node, Baseline, Station, Offset, NewNode, NewReach };

/// Text of a row's cell as the grid shows it (offset as "0.00").
std::string cellText(const RenumberRow& row, Column column);

/// Builds the list of a system: the outfall first, then its nodes in record order, each with
/// the reach that leaves it; new names start equal to the current ones. A node without an
/// outgoing reach gives "Reach from node '...' cannot be found." titled "MISSING REACH".
std::vector<RenumberRow> loadRenumberList(db::Database& db, const std::string& system, ui::UiPort& ui);

/// Orders the rows by up to three grid columns (stable; names and stations compare by their
/// numbers when they are numbers) and numbers the lines again.
void sortRows(std::vector<RenumberRow>& rows, const std::vector<Column>& keys);

/// Node rows (the outfall left out) in diagram order: by `XD`, then `YD`, then record order.
std::vector<std::string> nodesByPosition(const std::vector<RenumberRow>& rows);

/// Node names of the rows in grid order, the outfall left out (the 'Current Order' list).
std::vector<std::string> nodeNames(const std::vector<RenumberRow>& rows);

}  // namespace kolv::renumber
