// Builds the seed database and the sample project from checked-in text tables.
#pragma once

#include <string>

#include "db/database.h"

namespace kolv::db {

/// Loads a CSV file whose header names fields of `table` into that table. Empty cells are
/// Null. Every value goes through the field checks of the record-set layer; a fault names
/// the file and line. Returns the rows added.
int loadCsvIntoTable(Database& db, const std::string& table, const std::string& csvPath);

/// Creates every table of the schema in a new database file.
void createSchema(Database& db);

/// Builds a seed database at `outPath` (replacing it) from the CSV files named after
/// tables ("T0.csv", "T2.csv", "T6.csv", ...) in `seedDataDir`.
void buildSeed(const std::string& outPath, const std::string& seedDataDir);

/// Builds a project at `outPath` as a copy of `seedPath` with the tables of the CSV files
/// in `projectDataDir` added ("NODE.csv", "REACH.csv", "T16.csv", "T85.csv", "T0.csv" ...).
/// A T0.csv there replaces the seed's single T0 row.
void buildProjectFromSeed(const std::string& outPath, const std::string& seedPath, const std::string& projectDataDir);

}  // namespace kolv::db
