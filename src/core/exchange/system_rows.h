// One system's rows as the exports read them: header, nodes, reaches, definitions and last storm tab.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"
#include "db/value.h"

namespace kolv::exchange {

/// A row read with all its fields, in the table's field order.
struct FieldRow {
    std::vector<std::pair<std::string, db::Value>> fields;
    db::Value get(const std::string& field) const;
    double number(const std::string& field) const;  ///< 0 for null or text
    std::string text(const std::string& field) const;  ///< trimmed, "" for null
    bool has(const std::string& field) const { return !get(field).isNull(); }
};

/// A system as stored: every unit is the project's, except the storm tab (T60), which the
/// computation keeps in feet, acres and cfs whatever the project's units.
struct SystemRows {
    std::string system;
    bool metric = false;
    FieldRow header;                          ///< T16
    std::vector<FieldRow> nodes, reaches;     ///< in storage order
    std::map<std::string, FieldRow> pipes;    ///< T7 by upper-cased name
    std::map<std::string, FieldRow> structures;  ///< T6 by upper-cased name
    std::map<std::string, FieldRow> results;  ///< T60 by upper-cased FROM node
    const FieldRow* pipe(const std::string& name) const;
    const FieldRow* structure(const std::string& name) const;
    const FieldRow* result(const std::string& node) const;
};

/// Reads a system. Throws kolv::InputError when the project has no such system.
SystemRows readSystemRows(db::Database& db, const std::string& system);

/// Names of the project's systems, in T16 order.
std::vector<std::string> systemList(db::Database& db);

/// A number written in its shortest exact form ("12.5", "1e-07").
std::string exactNumber(double v);

}  // namespace kolv::exchange
