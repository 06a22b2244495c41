// Recursive-descent reader of record selection formulas.
#include "reports/selection_formula.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "common/text.h"
#include "db/schema.h"
#include "reports/quoted_text.h"

namespace kolv::reports {
namespace {

enum class Tok { End, Field, Number, Text, LParen, RParen, Op, And, Or, Not };

struct Token {
    Tok kind = Tok::End;
    std::string text;  ///< operator, literal text, or "TABLE.FIELD"
    double number = 0;
    std::size_t pos = 0;  ///< 1-based column in the formula
};

class Lexer {
public:
    explicit Lexer(const std::string& s) : m_s(s) {}

    Token next() {
        while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i]))) ++m_i;
        Token t;
        t.pos = m_i + 1;
        if (m_i >= m_s.size()) return t;
        char c = m_s[m_i];
        if (c == '{') {
            std::size_t close = m_s.find('}', m_i);
            if (close == std::string::npos) fail(t.pos, "a field reference is not closed with '}'");
            t.kind = Tok::Field;
            t.text = m_s.substr(m_i + 1, close - m_i - 1);
            m_i = close + 1;
            return t;
        }
        if (c == '\'' || c == '"') {
            auto text = readQuotedText(m_s, m_i);
            if (!text) fail(t.pos, "a quoted text is not closed");
            t.kind = Tok::Text;
            t.text = *text;
            return t;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
            (c == '-' && m_i + 1 < m_s.size() &&
             (std::isdigit(static_cast<unsigned char>(m_s[m_i + 1])) || m_s[m_i + 1] == '.'))) {
            const char* begin = m_s.c_str() + m_i;
            char* end = nullptr;
            t.number = std::strtod(begin, &end);
            if (end == begin) fail(t.pos, "a number was expected");
            t.kind = Tok::Number;
            t.text = std::string(begin, static_cast<std::size_t>(end - begin));
            m_i += static_cast<std::size_t>(end - begin);
            return t;
        }
        if (c == '(' || c == ')') {
            t.kind = c == '(' ? Tok::LParen : Tok::RParen;
            t.text = std::string(1, c);
            ++m_i;
            return t;
        }
        if (c == '<' || c == '>' || c == '=') {
            std::string op(1, c);
            if (m_i + 1 < m_s.size()) {
                char d = m_s[m_i + 1];
                if ((c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '=')) op += d;
            }
            m_i += op.size();
            t.kind = Tok::Op;
            t.text = op;
            return t;
        }
        if (std::isalpha(static_cast<unsigned char>(c))) {
            std::size_t j = m_i;
            while (j < m_s.size() && (std::isalnum(static_cast<unsigned char>(m_s[j])) || m_s[j] == '_')) ++j;
            std::string original = m_s.substr(m_i, j - m_i);
            std::string word = toLower(original);
            m_i = j;
            if (word == "and") t.kind = Tok::And;
            else if (word == "or") t.kind = Tok::Or;
            else if (word == "not") t.kind = Tok::Not;
            else fail(t.pos, "'" + original + "' is not understood (fields are written {TABLE.FIELD}, texts in quotes)");
            t.text = word;
            return t;
        }
        fail(t.pos, std::string("the character '") + c + "' is not understood");
    }

    [[noreturn]] void fail(std::size_t pos, const std::string& what) const {
        throw FormulaError("Selection formula \"" + m_s + "\": " + what + " (at character " + std::to_string(pos) +
                           ").");
    }

private:
    const std::string& m_s;
    std::size_t m_i = 0;
};

class Parser {
public:
    Parser(const std::string& s, const std::vector<std::string>& allowed) : m_lex(s), m_allowed(allowed) {
        m_tok = m_lex.next();
    }

    SqlCondition run() {
        SqlCondition c;
        if (m_tok.kind == Tok::End) return c;
        c.where = orExpr(c);
        if (m_tok.kind != Tok::End) m_lex.fail(m_tok.pos, "'" + m_tok.text + "' follows a complete condition");
        return c;
    }

private:
    void advance() { m_tok = m_lex.next(); }

    std::string orExpr(SqlCondition& c) {
        std::string s = andExpr(c);
        while (m_tok.kind == Tok::Or) {
            advance();
            s += " OR " + andExpr(c);
        }
        return s;
    }

    std::string andExpr(SqlCondition& c) {
        std::string s = notExpr(c);
        while (m_tok.kind == Tok::And) {
            advance();
            s += " AND " + notExpr(c);
        }
        return s;
    }

    std::string notExpr(SqlCondition& c) {
        if (m_tok.kind == Tok::Not) {
            advance();
            return "NOT " + notExpr(c);
        }
        return comparison(c);
    }

    std::string comparison(SqlCondition& c) {
        if (m_tok.kind == Tok::LParen) {
            advance();
            std::string inner = orExpr(c);
            if (m_tok.kind != Tok::RParen) m_lex.fail(m_tok.pos, "a closing ')' was expected");
            advance();
            return "(" + inner + ")";
        }
        bool leftIsField = m_tok.kind == Tok::Field;
        std::string left = operand(c);
        if (m_tok.kind != Tok::Op) {
            if (leftIsField) return "(" + left + " <> 0)";  // a Yes/No field alone
            m_lex.fail(m_tok.pos, "a comparison (=, <>, <, >, <=, >=) was expected");
        }
        std::string op = m_tok.text;
        advance();
        bool rightIsField = m_tok.kind == Tok::Field;
        std::string right = operand(c);
        if (!leftIsField && !rightIsField)
            m_lex.fail(m_tok.pos, "a comparison needs at least one field");
        return left + " " + op + " " + right;
    }

    std::string operand(SqlCondition& c) {
        Token t = m_tok;
        switch (t.kind) {
        case Tok::Field: {
            advance();
            FieldRef f = fieldFrom(t);
            c.fields.push_back(f);
            return f.sql();
        }
        case Tok::Number: {
            advance();
            double intPart = 0;
            if (std::modf(t.number, &intPart) == 0.0 && std::abs(t.number) < 9e15)
                c.params.emplace_back(static_cast<long long>(t.number));
            else
                c.params.emplace_back(t.number);
            return "?";
        }
        case Tok::Text:
            advance();
            c.params.emplace_back(t.text);
            return "?";
        case Tok::End: m_lex.fail(t.pos, "the formula ends where a field or value was expected");
        default: m_lex.fail(t.pos, "a field or value was expected, not '" + t.text + "'");
        }
    }

    FieldRef fieldFrom(const Token& t) {
        std::string body = trim(t.text);
        auto dot = body.find('.');
        if (dot == std::string::npos)
            m_lex.fail(t.pos, "the field {" + body + "} must be written {TABLE.FIELD}");
        FieldRef f;
        try {
            f = checkedField(trim(body.substr(0, dot)), trim(body.substr(dot + 1)));
        } catch (const FormulaError& e) {
            m_lex.fail(t.pos, e.what());
        }
        if (!m_allowed.empty()) {
            bool ok = false;
            for (const auto& a : m_allowed) ok = ok || equalsIgnoreCase(a, f.table);
            if (!ok) m_lex.fail(t.pos, "the field {" + body + "} is not a field of the report's records");
        }
        return f;
    }

    Lexer m_lex;
    const std::vector<std::string>& m_allowed;
    Token m_tok;
};

}  // namespace

std::string FieldRef::sql() const { return db::quoteIdent(table) + "." + db::quoteIdent(field); }

FieldRef checkedField(const std::string& table, const std::string& field) {
    const db::TableDef* t = db::schemaTable(table);
    if (!t) throw FormulaError("there is no table " + table);
    const db::FieldDef* f = t->field(field);
    if (!f) throw FormulaError("the table " + t->name + " has no field " + field);
    return {t->name, f->name};
}

FieldRef parseFieldRef(const std::string& text) {
    std::string s = trim(text);
    if (s.size() < 3 || s.front() != '{' || s.back() != '}')
        throw FormulaError("\"" + s + "\" is not a field written {TABLE.FIELD}");
    std::string body = trim(s.substr(1, s.size() - 2));
    auto dot = body.find('.');
    if (dot == std::string::npos) throw FormulaError("the field {" + body + "} must be written {TABLE.FIELD}");
    return checkedField(trim(body.substr(0, dot)), trim(body.substr(dot + 1)));
}

SqlCondition parseSelection(const std::string& formula, const std::vector<std::string>& allowedTables) {
    Parser p(formula, allowedTables);
    return p.run();
}

std::string parseSortField(const std::string& sortField, const std::vector<std::string>& allowedTables) {
    std::string s = trim(sortField);
    if (s.empty()) return {};
    bool descending = false;
    if (s[0] == '+' || s[0] == '-') {
        descending = s[0] == '-';
        s = trim(s.substr(1));
    }
    FieldRef f;
    try {
        f = parseFieldRef(s);
    } catch (const FormulaError& e) {
        throw FormulaError("Sort field \"" + sortField + "\": " + e.what());
    }
    if (!allowedTables.empty()) {
        bool ok = false;
        for (const auto& a : allowedTables) ok = ok || equalsIgnoreCase(a, f.table);
        if (!ok) throw FormulaError("Sort field \"" + sortField + "\": not a field of the report's records");
    }
    return f.sql() + (descending ? " DESC" : " ASC");
}

}  // namespace kolv::reports
