// Column values of a report template: fields, numbers, texts and simple arithmetic, evaluated per record.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/value.h"
#include "reports/selection_formula.h"

namespace kolv::reports {

/// What an expression reads while it is evaluated: the fields of the current record (and of the
/// tables joined to it) and the report's variables (SYSTEM, DATE, TIME, PAGE, DESIGN_STORM, ...).
class ValueSource {
public:
    virtual ~ValueSource() = default;
    virtual db::Value field(const FieldRef& ref) const = 0;
    /// Variable by upper-case name; throws when unknown.
    virtual db::Value variable(const std::string& name) const = 0;
};

/// Variables a template may name in braces without a table: {SYSTEM}, {DATE}, ...
const std::vector<std::string>& knownVariables();

/// A parsed expression: {TABLE.FIELD}, {VARIABLE}, numbers, 'text', + - * / (arithmetic),
/// & (joins texts), unary minus and parentheses. An empty (Null) operand counts as 0 beside a
/// value; Null with Null, an empty dividend and a division by zero give Null (shown blank).
class Expression {
public:
    Expression() = default;
    /// Throws FormulaError with the character position.
    static Expression parse(const std::string& text);

    db::Value evaluate(const ValueSource& src) const;
    bool empty() const { return !m_root; }
    const std::string& text() const { return m_text; }
    /// Every field the expression reads.
    std::vector<FieldRef> fields() const;

    struct Node;

private:
    std::shared_ptr<const Node> m_root;
    std::string m_text;
};

/// A text with embedded values: "Project: {T0.PRJ_NUMBER}  Tailwater {T16.OUT_TW:0.00}  Page: {PAGE:00}".
/// Each {...} holds a field or variable with an optional picture after ':'. "{{" is a literal brace.
class Interpolated {
public:
    Interpolated() = default;
    static Interpolated parse(const std::string& text);
    std::string evaluate(const ValueSource& src) const;
    bool empty() const { return m_parts.empty(); }
    std::vector<FieldRef> fields() const;

private:
    struct Part {
        std::string literal;
        Expression value;  ///< empty for a literal part
        std::string picture;
    };
    std::vector<Part> m_parts;
};

/// Shows a value with a picture: numbers through vbFormat (or their shortest text without a
/// picture), texts as they are (trailing blanks removed), Null as "".
std::string formatValue(const db::Value& v, const std::string& picture);

}  // namespace kolv::reports
