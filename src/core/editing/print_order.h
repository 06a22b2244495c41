// Print order of the storm tabulation: typed positions kept in T60 and carried to the nodes.
#pragma once

#include <string>

#include "db/database.h"
#include "db/value.h"

namespace kolv::editing {

/// Orders of the print-order grid: "SEQUENCER ASC" and "FROM ASC".
inline constexpr const char* kOrderBySequencer = "SEQUENCER ASC";
inline constexpr const char* kOrderByFrom = "\"FROM\" ASC";

/// Stores a typed position in the system's T60 row of a node (Null clears it). A text that is no
/// number is refused with an InputError. Returns false when the row does not exist.
bool setPrintPosition(db::Database& db, const std::string& system, const std::string& from, const db::Value& position);

/// Carries every non-empty T60 `SEQUENCER` of the system into the `SEQUENCER` of the node named by
/// its `FROM`; rows whose node is not found are skipped. Returns the number of nodes written.
int writePrintOrder(db::Database& db, const std::string& system);

}  // namespace kolv::editing
