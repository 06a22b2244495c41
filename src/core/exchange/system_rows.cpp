// One system's rows as the exports read them: header, nodes, reaches, definitions and last storm tab.
#include "exchange/system_rows.h"

#include <fmt/format.h>

#include "common/error.h"
#include "common/text.h"
#include "db/schema.h"

namespace kolv::exchange {
namespace {

std::string key(std::string_view s) { return toUpper(trim(s)); }

std::vector<FieldRow> rows(db::Database& db, const std::string& sql, const std::vector<db::Value>& params) {
    std::vector<FieldRow> out;
    db::Statement st = db.prepare(sql);
    st.bindAll(params);
    const int n = st.columnCount();
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) names.push_back(st.columnName(i));
    while (st.step()) {
        FieldRow r;
        r.fields.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) r.fields.emplace_back(names[static_cast<std::size_t>(i)], st.column(i));
        out.push_back(std::move(r));
    }
    return out;
}

}  // namespace

db::Value FieldRow::get(const std::string& field) const {
    for (const auto& [n, v] : fields)
        if (n == field) return v;
    return {};
}
double FieldRow::number(const std::string& field) const {
    db::Value v = get(field);
    return v.isNumber() ? v.toDouble() : 0.0;
}
std::string FieldRow::text(const std::string& field) const {
    db::Value v = get(field);
    return v.isNull() ? std::string() : trim(v.toText());
}

const FieldRow* SystemRows::pipe(const std::string& name) const {
    auto it = pipes.find(key(name));
    return it == pipes.end() ? nullptr : &it->second;
}
const FieldRow* SystemRows::structure(const std::string& name) const {
    auto it = structures.find(key(name));
    return it == structures.end() ? nullptr : &it->second;
}
const FieldRow* SystemRows::result(const std::string& node) const {
    auto it = results.find(key(node));
    return it == results.end() ? nullptr : &it->second;
}

SystemRows readSystemRows(db::Database& db, const std::string& system) {
    SystemRows s;
    s.system = trim(system);
    auto header = rows(db, "SELECT * FROM T16 WHERE SYSTEM = ?", {s.system});
    if (header.empty()) throw InputError("System '" + s.system + "' could not be found.");
    s.header = std::move(header.front());
    db::Value metric = db.scalar("SELECT ENGLISH_METRIC FROM T0");
    s.metric = !metric.isNull() && metric.toDouble() != 0;
    s.nodes = rows(db, "SELECT * FROM NODE WHERE SYSTEM = ? ORDER BY rowid", {s.system});
    s.reaches = rows(db, "SELECT * FROM REACH WHERE SYSTEM = ? ORDER BY rowid", {s.system});
    const long long engMet = s.metric ? 1 : 0;
    for (auto& r : rows(db, "SELECT * FROM T7 WHERE ENG_MET = ?", {engMet})) s.pipes.emplace(key(r.text("NAME")), std::move(r));
    for (auto& r : rows(db, "SELECT * FROM T6 WHERE ENG_MET = ?", {engMet}))
        s.structures.emplace(key(r.text("NAME")), std::move(r));
    for (auto& r : rows(db, "SELECT * FROM T60 WHERE SYSTEM = ?", {s.system})) s.results.emplace(key(r.text("FROM")), std::move(r));
    return s;
}

std::vector<std::string> systemList(db::Database& db) {
    std::vector<std::string> out;
    db::Statement st = db.prepare("SELECT SYSTEM FROM T16 ORDER BY rowid");
    while (st.step())
        if (!trim(st.column(0).toText()).empty()) out.push_back(trim(st.column(0).toText()));
    return out;
}

std::string exactNumber(double v) { return fmt::format("{}", v); }

}  // namespace kolv::exchange
