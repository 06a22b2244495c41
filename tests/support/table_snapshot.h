// The exact contents of every table of a project, for comparing states byte for byte.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::test {

/// Every row of every table (rowid order), each value with its storage class and doubles
/// in hexadecimal, so two snapshots are equal only when the tables are identical.
std::string snapshotTables(db::Database& db);
/// The same for the named tables only.
std::string snapshotTables(db::Database& db, const std::vector<std::string>& tables);

}  // namespace kolv::test
