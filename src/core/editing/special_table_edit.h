// The "Special Table Edit" confirmation and the NODE / REACH rows it edits directly.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::editing {

/// Asks "Special Table Edit" (Yes / No, exclamation, No the default); true on Yes.
bool confirmSpecialTableEdit(ui::UiPort& ui);

/// A table of rows for direct editing: field names, and per row its rowid and texts.
struct SpecialTableRows {
    std::string table;
    std::vector<std::string> fields;
    std::vector<long long> rowids;
    std::vector<std::vector<std::string>> cells;
};

/// The rows of NODE or REACH of one system with every field as text (Null as "").
SpecialTableRows loadSystemRows(db::Database& db, const std::string& table, const std::string& system);

/// Writes one cell: "" stores Null, texts as typed, numbers only when the whole text reads as
/// a number within the field's range (else `refusal` says why and nothing is written).
/// Key fields refuse "" with the database's own error. Returns false when nothing was written.
bool writeCell(db::Database& db, const std::string& table, long long rowid, const std::string& field,
               const std::string& text, std::string* refusal = nullptr);

}  // namespace kolv::editing
