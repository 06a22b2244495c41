// Storm sewer systems of a project: add, delete and rename across T16, NODE and REACH.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::editing {

/// Name passed to the list rebuild when no system is to be selected.
inline constexpr const char* kNoSystem = "????????";

/// Adds a system: refuses a name already in T16 ("System already exist.", "DUPLICATE RECORD"),
/// adds its T16 row and deletes stale NODE and REACH rows of that name. Returns true when added.
bool addSystem(db::Database& db, const std::string& name, ui::UiPort& ui);

/// Deletes a system after asking "DELETE SYSTEM": its T16, NODE and REACH rows go in one
/// transaction (T30 and T60 rows stay). Returns true when deleted.
bool deleteSystem(db::Database& db, const std::string& name, ui::UiPort& ui);

/// Renames a system after its checks and the question: T16, every NODE and every REACH row
/// of the old name (reaches whose nodes lie elsewhere included) move in one transaction,
/// with the progress captions in the status line. `systems` is the list on display and
/// `selected` the chosen entry ("" for none). Returns true when renamed.
bool renameSystem(db::Database& db, const std::vector<std::string>& systems, const std::string& selected,
                  const std::string& newName, ui::UiPort& ui);

}  // namespace kolv::editing
