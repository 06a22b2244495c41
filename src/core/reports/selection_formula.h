// Record selection formulas ("{NODE.SYSTEM} = 'S1' and ({NODE.TC_SEGTT0} > 0 or ...)") turned into SQL with bound values.
#pragma once

#include <string>
#include <vector>

#include "common/error.h"
#include "db/value.h"

namespace kolv::reports {

/// A formula that cannot be read: the message names the position and what was expected.
class FormulaError : public InputError {
public:
    explicit FormulaError(const std::string& what) : InputError(what) {}
};

/// A field named in a formula, as the schema spells it.
struct FieldRef {
    std::string table;
    std::string field;
    /// "\"TABLE\".\"FIELD\"" for SQL.
    std::string sql() const;
};

/// A WHERE clause whose literals travel as bound values.
struct SqlCondition {
    std::string where;                ///< "" when the formula is empty (every record)
    std::vector<db::Value> params;    ///< values for the '?' of `where`, in order
    std::vector<FieldRef> fields;     ///< every field the formula names
};

/// Reads a selection formula. Fields are written {TABLE.FIELD} and checked against the schema;
/// when `allowedTables` is not empty each field must belong to one of them. Operators: =, <>,
/// <, >, <=, >=, and, or, not (any case), parentheses; literals are numbers and quoted texts
/// ('...' or "..." with the quote doubled inside). A field alone is a condition true when the
/// field is non-zero (a Yes/No field). Throws FormulaError on anything else.
SqlCondition parseSelection(const std::string& formula, const std::vector<std::string>& allowedTables = {});

/// Reads a sort field "+{T7.GROUPP}" (ascending) or "-{T7.GROUPP}" (descending; no sign is
/// ascending) into an ORDER BY term such as "\"T7\".\"GROUPP\" ASC". Throws FormulaError.
std::string parseSortField(const std::string& sortField, const std::vector<std::string>& allowedTables = {});

/// Reads one field reference "{TABLE.FIELD}" (checked against the schema).
FieldRef parseFieldRef(const std::string& text);

/// Looks a field up in the schema without regard to case; throws FormulaError naming it.
FieldRef checkedField(const std::string& table, const std::string& field);

}  // namespace kolv::reports
