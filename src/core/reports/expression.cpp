// Parsing and evaluation of template expressions and interpolated texts.
#include "reports/expression.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "common/text.h"
#include "common/vb_format.h"
#include "reports/quoted_text.h"

namespace kolv::reports {

struct Expression::Node {
    enum Kind { Literal, Field, Variable, Negate, Binary } kind = Literal;
    db::Value literal;
    FieldRef field;
    std::string variable;
    char op = 0;
    std::shared_ptr<const Node> a, b;
};

namespace {

using NodePtr = std::shared_ptr<const Expression::Node>;

class ExprParser {
public:
    explicit ExprParser(const std::string& s) : m_s(s) {}

    NodePtr run() {
        NodePtr n = sum();
        skipBlanks();
        if (m_i < m_s.size()) fail("'" + m_s.substr(m_i, 1) + "' follows a complete value");
        return n;
    }

private:
    void skipBlanks() {
        while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i]))) ++m_i;
    }

    [[noreturn]] void fail(const std::string& what) const {
        throw FormulaError("Expression \"" + m_s + "\": " + what + " (at character " + std::to_string(m_i + 1) + ").");
    }

    static NodePtr binary(char op, NodePtr a, NodePtr b) {
        auto n = std::make_shared<Expression::Node>();
        n->kind = Expression::Node::Binary;
        n->op = op;
        n->a = std::move(a);
        n->b = std::move(b);
        return n;
    }

    NodePtr sum() {
        NodePtr n = product();
        for (;;) {
            skipBlanks();
            if (m_i >= m_s.size()) return n;
            char c = m_s[m_i];
            if (c != '+' && c != '-' && c != '&') return n;
            ++m_i;
            n = binary(c, n, product());
        }
    }

    NodePtr product() {
        NodePtr n = unary();
        for (;;) {
            skipBlanks();
            if (m_i >= m_s.size()) return n;
            char c = m_s[m_i];
            if (c != '*' && c != '/') return n;
            ++m_i;
            n = binary(c, n, unary());
        }
    }

    NodePtr unary() {
        skipBlanks();
        if (m_i < m_s.size() && m_s[m_i] == '-') {
            ++m_i;
            auto n = std::make_shared<Expression::Node>();
            n->kind = Expression::Node::Negate;
            n->a = unary();
            return n;
        }
        return primary();
    }

    NodePtr primary() {
        skipBlanks();
        if (m_i >= m_s.size()) fail("the expression ends where a value was expected");
        char c = m_s[m_i];
        auto n = std::make_shared<Expression::Node>();
        if (c == '(') {
            ++m_i;
            NodePtr inner = sum();
            skipBlanks();
            if (m_i >= m_s.size() || m_s[m_i] != ')') fail("a closing ')' was expected");
            ++m_i;
            return inner;
        }
        if (c == '{') {
            std::size_t close = m_s.find('}', m_i);
            if (close == std::string::npos) fail("a field reference is not closed with '}'");
            std::string body = trim(m_s.substr(m_i + 1, close - m_i - 1));
            if (body.find('.') != std::string::npos) {
                try {
                    n->field = parseFieldRef("{" + body + "}");
                } catch (const FormulaError& e) {
                    fail(e.what());
                }
                n->kind = Expression::Node::Field;
            } else {
                std::string name = toUpper(body);
                const auto& vars = knownVariables();
                if (std::find(vars.begin(), vars.end(), name) == vars.end())
                    fail("{" + body + "} is neither a field {TABLE.FIELD} nor a known variable");
                n->kind = Expression::Node::Variable;
                n->variable = name;
            }
            m_i = close + 1;
            return n;
        }
        if (c == '\'' || c == '"') {
            auto text = readQuotedText(m_s, m_i);
            if (!text) fail("a quoted text is not closed");
            n->literal = db::Value(*text);
            return n;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            const char* begin = m_s.c_str() + m_i;
            char* end = nullptr;
            double d = std::strtod(begin, &end);
            if (end == begin) fail("a number was expected");
            m_i += static_cast<std::size_t>(end - begin);
            n->literal = db::Value(d);
            return n;
        }
        fail(std::string("'") + c + "' is not understood");
    }

    const std::string& m_s;
    std::size_t m_i = 0;
};

db::Value evalNode(const Expression::Node& n, const ValueSource& src) {
    switch (n.kind) {
    case Expression::Node::Literal: return n.literal;
    case Expression::Node::Field: return src.field(n.field);
    case Expression::Node::Variable: return src.variable(n.variable);
    case Expression::Node::Negate: {
        db::Value a = evalNode(*n.a, src);
        if (a.isNull()) return {};
        return db::Value(-a.toDouble());
    }
    case Expression::Node::Binary: {
        db::Value a = evalNode(*n.a, src);
        db::Value b = evalNode(*n.b, src);
        if (n.op == '&') return db::Value(a.toText() + b.toText());
        // An empty field counts as 0 beside a value (C1DA + C2DA + C3DA with C3DA empty); only
        // when both sides are empty is the result empty.
        if (a.isNull() && b.isNull()) return {};
        double x = a.toDouble(), y = b.toDouble();
        switch (n.op) {
        case '+': return db::Value(x + y);
        case '-': return db::Value(x - y);
        case '*': return db::Value(x * y);
        case '/': return (y == 0 || a.isNull()) ? db::Value() : db::Value(x / y);
        default: return {};
        }
    }
    }
    return {};
}

void collectFields(const Expression::Node* n, std::vector<FieldRef>& out) {
    if (!n) return;
    if (n->kind == Expression::Node::Field) out.push_back(n->field);
    collectFields(n->a.get(), out);
    collectFields(n->b.get(), out);
}

}  // namespace

const std::vector<std::string>& knownVariables() {
    static const std::vector<std::string> v = {"SYSTEM", "DATE",    "TIME",     "PAGE",   "DESIGN_STORM",
                                               "UNITS",  "PROJECT", "TEMPLATE", "RECORDS"};
    return v;
}

Expression Expression::parse(const std::string& text) {
    Expression e;
    e.m_text = trim(text);
    if (e.m_text.empty()) throw FormulaError("An expression is empty.");
    ExprParser p(e.m_text);
    e.m_root = p.run();
    return e;
}

db::Value Expression::evaluate(const ValueSource& src) const {
    if (!m_root) return {};
    return evalNode(*m_root, src);
}

std::vector<FieldRef> Expression::fields() const {
    std::vector<FieldRef> out;
    collectFields(m_root.get(), out);
    return out;
}

Interpolated Interpolated::parse(const std::string& text) {
    Interpolated r;
    std::string lit;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "{{") == 0) {
            lit += '{';
            i += 2;
            continue;
        }
        if (text[i] != '{') {
            lit += text[i++];
            continue;
        }
        std::size_t close = text.find('}', i);
        if (close == std::string::npos)
            throw FormulaError("Text \"" + text + "\": a value in braces is not closed with '}' (at character " +
                               std::to_string(i + 1) + ").");
        std::string body = text.substr(i + 1, close - i - 1);
        std::string picture;
        if (auto colon = body.find(':'); colon != std::string::npos) {
            picture = body.substr(colon + 1);
            body = body.substr(0, colon);
        }
        if (!lit.empty()) r.m_parts.push_back({lit, {}, {}}), lit.clear();
        r.m_parts.push_back({{}, Expression::parse("{" + body + "}"), picture});
        i = close + 1;
    }
    if (!lit.empty()) r.m_parts.push_back({lit, {}, {}});
    return r;
}

std::string Interpolated::evaluate(const ValueSource& src) const {
    std::string out;
    for (const auto& p : m_parts) out += p.value.empty() ? p.literal : formatValue(p.value.evaluate(src), p.picture);
    return out;
}

std::vector<FieldRef> Interpolated::fields() const {
    std::vector<FieldRef> out;
    for (const auto& p : m_parts) {
        auto f = p.value.fields();
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

std::string formatValue(const db::Value& v, const std::string& picture) {
    if (v.isNull()) return {};
    if (v.isText()) {
        // A text prints on one line: line breaks and tabs become blanks.
        std::string one = v.toText();
        for (char& c : one)
            if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        if (picture.empty()) return rtrim(one);
        std::string t = trim(one);
        if (!isNumeric(t)) return rtrim(one);
        return vbFormat(leadingNumber(t), picture);
    }
    if (picture.empty()) return shortestText(v.toDouble());
    return vbFormat(v.toDouble(), picture);
}

}  // namespace kolv::reports
