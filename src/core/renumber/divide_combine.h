// Moving nodes and reaches between storm sewer systems: divide a system, combine two.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::renumber {

/// Node names of a system in record order (the divide window's first list).
std::vector<std::string> systemNodeNames(db::Database& db, const std::string& system);

/// Systems of the project in T16 order, every row with a name (the combine window's lists).
std::vector<std::string> allSystems(db::Database& db);

/// Moves the chosen nodes of `system`, each with the reach that leaves it, into `newSystem` by
/// changing their `SYSTEM`; a reach arriving from a node that stays keeps its system. Refuses,
/// before any change, a missing receiving name and fewer than 3 nodes ("MISSING DATA", with
/// "Process incomplete."), a receiving system that does not exist or is the system itself, and
/// a node that is not in the system. No header (T16) record is written: the receiving system's
/// outfall and storm stay as the engineer set them. One transaction, one undo step; ends with
/// "Process Complete.".
bool divideSystem(db::Database& db, const std::string& system, const std::string& newSystem,
                  const std::vector<std::string>& nodes, ui::UiPort& ui);

/// The combine window's choice: both lists as shown and the entry chosen in each (nothing when
/// no entry is chosen).
struct CombineChoice {
    std::vector<std::string> fromList;
    std::vector<std::string> toList;
    std::optional<std::string> from;
    std::optional<std::string> to;
};

/// Moves every node and reach (and bypass link) of the 'From System' into the 'Combine to
/// System' and deletes the emptied system's T16 row, after the checks (each "INVALID DATA")
/// and the question "COMBINE SYSTEMS". One transaction, one undo step; shows "System name change
/// complete" in the status line and "System merging complete.". Returns true when combined.
bool combineSystems(db::Database& db, const CombineChoice& choice, ui::UiPort& ui);

}  // namespace kolv::renumber
