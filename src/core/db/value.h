// A field value as read from or written to the project database: Null, integer, real or text.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace kolv::db {

class Value {
public:
    Value() = default;
    Value(std::nullptr_t) {}
    Value(int v) : m_v(static_cast<std::int64_t>(v)) {}
    Value(long v) : m_v(static_cast<std::int64_t>(v)) {}
    Value(long long v) : m_v(static_cast<std::int64_t>(v)) {}
    Value(bool v) : m_v(static_cast<std::int64_t>(v ? -1 : 0)) {}  // Yes/No stored -1 / 0
    Value(float v) : m_v(static_cast<double>(v)) {}
    Value(double v) : m_v(v) {}
    Value(const char* v) : m_v(std::string(v)) {}
    Value(std::string v) : m_v(std::move(v)) {}
    Value(std::string_view v) : m_v(std::string(v)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(m_v); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(m_v); }
    bool isReal() const { return std::holds_alternative<double>(m_v); }
    bool isText() const { return std::holds_alternative<std::string>(m_v); }
    bool isNumber() const { return isInteger() || isReal(); }

    /// Null reads as "" ; numbers in their shortest decimal text.
    std::string toText() const;
    /// Null reads as 0; text by its leading numeric part.
    double toDouble() const;
    /// Null reads as 0; reals rounded half to even like a CInt, text by its leading number.
    std::int64_t toInt() const;
    /// Null reads as false; any non-zero number is true.
    bool toBool() const;

    const std::variant<std::monostate, std::int64_t, double, std::string>& raw() const { return m_v; }
    bool operator==(const Value& o) const { return m_v == o.m_v; }

private:
    std::variant<std::monostate, std::int64_t, double, std::string> m_v;
};

}  // namespace kolv::db
