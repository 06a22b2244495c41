// Renaming the nodes and reaches of one system, carried through every record that names them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "renumber/renumber_list.h"
#include "ui/ui_port.h"

namespace kolv::renumber {

/// Temporary name of a name during the rename: each character's code raised by 17, trimmed.
std::string temporaryName(std::string_view name);

/// Outcome of the Check duplicates command.
struct DuplicateReport {
    bool ok = true;
    /// The report lines: heading, one "Duplicate Node: " line per name, "Check Complete.".
    std::vector<std::string> lines;
};

/// New node names that must be changed: names given to more than one row of the list, and
/// changed names already held by a node of another system. In list order, each once.
std::vector<std::string> duplicateNodeNames(db::Database& db, const std::string& system,
                                            const std::vector<RenumberRow>& rows);

/// The Check duplicates command: with no duplicate, "No duplicate nodes detected. Continue with
/// renumbering." is shown; otherwise the report lines are returned for the list.
DuplicateReport checkDuplicates(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows,
                                ui::UiPort& ui);

/// The clash test against the other systems of the project: a changed node name held by a node
/// ("DUPLICATE NODE NAME"), a changed reach name held by a reach ("DUPLICATE REACH NAME") or by
/// a bypass segment ("DUPLICATE BYPASS NAME") of another system. Shows the first clash and
/// returns false; writes nothing.
bool clashTest(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows, ui::UiPort& ui);

/// What a renumbering did.
struct RenumberResult {
    bool done = false;               ///< the names were changed
    std::vector<std::string> lines;  ///< the progress lines, in order
    int nodesRenamed = 0;
    int reachesRenamed = 0;
};

/// Renumbers from the grid's "New Node #" and "New Reach #" (blank = keep the current name):
/// the confirmation "NODE AND REACH RENUMBERING", the checks (name lengths, repeats, clashes),
/// then Section 1 (node names in NODE, REACH NODE1/NODE2, T16 OUT_NODE) and Section 2 (reach
/// names), each in two passes through temporary names, all in one transaction and one undo
/// step: a fault part-way leaves every name as it was. Only records of `system` change.
/// Ends with "Renumbering complete." titled "RENUMBER".
RenumberResult renumberFromGrid(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows,
                                ui::UiPort& ui);

/// Renumbers from the order lists: every node must be in `order` (the 'New Order' list), else
/// "INCOMPLETE LIST"; the nodes in `order` become prefix + start, prefix + start + 1, ... (the range is asked
/// about first) and each reach leaving one of them takes its node's new name. The outfall
/// keeps its name. `startText` is the start number as typed.
RenumberResult renumberFromOrder(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows,
                                 const std::vector<std::string>& order,
                                 const std::string& prefix, const std::string& startText, ui::UiPort& ui);

/// One line of a renumbering map: a current node name with its new node and reach names.
struct MapEntry {
    std::string node, newNode, newReach;
};

/// Reads a renumbering map, one "old node,new node[,new reach]" line each. Blank lines and
/// lines starting with '#' are skipped, and so is a first line whose first field is "Node",
/// "Old" or "Old Node" (a header). Throws InputError naming the line of a faulty entry.
std::vector<MapEntry> parseMap(const std::string& csvText);

/// Puts a map into the list's new names. A name that is not in the list is refused with
/// "Node '...' is not in system '...'." ("INVALID DATA"); returns false then.
bool applyMap(std::vector<RenumberRow>& rows, const std::vector<MapEntry>& map, ui::UiPort& ui);

}  // namespace kolv::renumber
