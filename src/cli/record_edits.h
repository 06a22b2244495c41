// Field assignments given on the command line and records printed as rows: shared by systems, nodes, reaches.
#pragma once

#include <string>
#include <vector>

#include "cli/output.h"
#include "scripting/project_editor.h"

namespace kolv::cli {

/// FIELD=VALUE texts grouped under the name before them: `A RUNOFF_C1=0.5 TC=12 B TC=8` is
/// A {RUNOFF_C1, TC} then B {TC}. A name may come without assignments.
struct NamedAssignments {
    std::string name;
    std::vector<std::pair<std::string, std::string>> fields;  ///< field, typed text
};

/// Groups the tokens of an option; throws a usage error for an assignment before any name or an
/// empty field name.
std::vector<NamedAssignments> groupAssignments(const std::vector<std::string>& tokens, const std::string& option);

/// Splits one FIELD=VALUE; throws a usage error when it has no '='.
std::pair<std::string, std::string> splitAssignment(const std::string& token, const std::string& option);

/// Ends the command when an edit was refused: nothing the command wrote is kept (exit 3).
void requireDone(const scripting::EditResult& result);

/// A stored value as JSON: texts trimmed, yes/no fields as true/false, single-precision numbers
/// to the digits they hold (0.45, not 0.449999988).
Json fieldJson(const scripting::Field& field);

/// Every field of the records as columns and rows, for CSV and JSON.
void addRecords(Output& out, const std::vector<scripting::Record>& records);

}  // namespace kolv::cli
