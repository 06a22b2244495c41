// The project database schema: every table and field in one declarative table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kolv::db {

/// Field types of the project database (16-bit Integer, 32-bit Long, Single, Double, Text(n), Yes/No, Memo).
enum class FieldType { Integer, Long, Single, Double, Text, YesNo, Memo };

struct FieldDef {
    std::string name;
    FieldType type;
    int size = 0;      ///< characters of a Text(n) field
    bool key = false;  ///< unique, never Null

    /// Column type as declared in SQLite ("SMALLINT", "FLOAT", "VARCHAR(8)", ...).
    std::string declaredType() const;
};

struct TableDef {
    std::string name;
    std::string caption;  ///< caption shown in the status line while opening
    std::vector<FieldDef> fields;

    const FieldDef* field(std::string_view name) const;
};

/// The tables of a project, in the order the opening routine binds them is given by openOrder().
const std::vector<TableDef>& schemaTables();
const TableDef* schemaTable(std::string_view name);

/// Reads a declared SQLite column type back into a field type and size.
FieldDef fieldFromDeclared(const std::string& name, const std::string& declared);

/// The CREATE TABLE statement of a table (identifiers quoted).
std::string createTableSql(const TableDef& t);

/// Column definition for CREATE TABLE / ADD COLUMN: quoted name, type, collation, key constraint.
std::string columnDefinition(const FieldDef& f);

/// Quotes an identifier for SQL: "DESIGNED BY", "FROM".
std::string quoteIdent(std::string_view ident);

/// One upgrade checklist: the table, its name in the message, the fields tested in order.
/// T16: the line a storm tabulation that did not settle leaves for its printed report (Null when
/// it settled). A file made before it existed gets it from the first storm tabulation.
inline constexpr const char* kHglNoteField = "HGL_NOTE";
/// T0: true when the node coordinates are survey coordinates in the project's length unit (a
/// reach's plan length can then be measured between its nodes); Null or false for schematic
/// coordinates. A file made before it existed gets it when the engineer or an import sets it.
inline constexpr const char* kSurveyCoordinatesField = "SURVEY_COORDINATES";

struct UpgradeChecklist {
    std::string table;
    std::string messageName;
    std::vector<std::string> fields;
};

/// The checklists of upgrade step 1 (index 0) and step 2 (index 1), in the order they run.
const std::vector<std::vector<UpgradeChecklist>>& upgradeSteps();

/// Tables in the order the opening routine binds and refreshes them, with the progress values.
struct OpenStep {
    std::string table;
    int bindProgress;
    int refreshProgress;
};
const std::vector<OpenStep>& openOrder();

}  // namespace kolv::db
