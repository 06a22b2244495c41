// Record sets over the project database.
#include "db/record_set.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "common/error.h"
#include "common/text.h"
#include "common/utf8_text.h"
#include "common/vb_format.h"

namespace kolv::db {

std::string compareKey(const Value& v) {
    if (v.isNull()) return std::string("\x01null");
    if (v.isNumber()) return shortestText(v.toDouble());
    std::string t = v.toText();
    if (isNumeric(t)) {
        // "3" and "3.0" name the same key of a numeric field
        return shortestText(std::strtod(trim(t).c_str(), nullptr));
    }
    return toLower(t);
}

RecordSet::RecordSet(Database& db, std::string table, std::string where, std::vector<Value> params,
                     std::string orderBy)
    : m_db(db), m_table(std::move(table)), m_where(std::move(where)), m_params(std::move(params)),
      m_orderBy(std::move(orderBy)) {
    load();
}

void RecordSet::load() {
    m_layout = &m_db.layout(m_table);
    std::string sql = "SELECT rowid";
    for (const auto& f : m_layout->fields) sql += ", " + quoteIdent(f.name);
    sql += " FROM " + quoteIdent(m_table);
    if (!m_where.empty()) sql += " WHERE " + m_where;
    sql += " ORDER BY ";
    if (!m_orderBy.empty()) sql += m_orderBy + ", ";
    sql += "rowid";
    Statement st = m_db.prepare(sql);
    st.bindAll(m_params);
    m_rows.clear();
    m_rowids.clear();
    const std::size_t n = m_layout->fields.size();
    while (st.step()) {
        m_rowids.push_back(st.column(0).toInt());
        std::vector<Value> row;
        row.reserve(n);
        for (std::size_t i = 0; i < n; ++i) row.push_back(st.column(static_cast<int>(i + 1)));
        m_rows.push_back(std::move(row));
    }
    m_pos = 0;
    m_mode = Mode::None;
    m_noMatch = false;
    invalidateIndexes();
}

void RecordSet::requery() {
    m_db.invalidateLayouts();
    load();
}

void RecordSet::reopen(std::string where, std::vector<Value> params, std::string orderBy) {
    m_where = std::move(where);
    m_params = std::move(params);
    m_orderBy = std::move(orderBy);
    load();
}

std::size_t RecordSet::fieldIndex(const std::string& name) const {
    const long p = m_layout->position(name);
    if (p < 0) throw DatabaseError(3265, "Field '" + name + "' is not in the table " + m_table + ".");
    return static_cast<std::size_t>(p);
}

Value RecordSet::value(const std::string& field) const {
    std::size_t i = fieldIndex(field);
    if (m_mode != Mode::None) return m_buffer[i];
    if (!hasCurrent())
        throw DatabaseError(3021, "No current record in " + m_table + " (reading " + field + ").");
    return m_rows[static_cast<std::size_t>(m_pos)][i];
}

std::int64_t RecordSet::rowid() const {
    if (!hasCurrent()) throw DatabaseError(3021, "No current record in " + m_table + ".");
    return m_rowids[static_cast<std::size_t>(m_pos)];
}

// ------------------------------------------------------------------ finding

bool RecordSet::parseEqualities(const std::string& criteria, std::vector<Eq>& eqs) const {
    // FIELD = ? [AND FIELD = ?]...  (case-insensitive AND, optional quotes around names)
    std::string s = criteria;
    std::size_t pos = 0, param = 0;
    auto skip = [&] { while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos]))) ++pos; };
    while (true) {
        skip();
        std::string name;
        if (pos < s.size() && (s[pos] == '"' || s[pos] == '[')) {
            char close = s[pos] == '"' ? '"' : ']';
            std::size_t e = s.find(close, pos + 1);
            if (e == std::string::npos) return false;
            name = s.substr(pos + 1, e - pos - 1);
            pos = e + 1;
        } else {
            std::size_t b = pos;
            while (pos < s.size() && (std::isalnum(static_cast<unsigned char>(s[pos])) || s[pos] == '_')) ++pos;
            name = s.substr(b, pos - b);
        }
        if (name.empty()) return false;
        auto it = m_layout->index.find(toUpper(name));
        if (it == m_layout->index.end()) return false;
        skip();
        if (pos >= s.size() || s[pos] != '=') return false;
        ++pos;
        skip();
        if (pos >= s.size() || s[pos] != '?') return false;
        ++pos;
        eqs.push_back({it->second, param++});
        skip();
        if (pos == s.size()) return true;
        if (pos + 3 <= s.size() && equalsIgnoreCase(s.substr(pos, 3), "AND") &&
            (pos + 3 == s.size() || std::isspace(static_cast<unsigned char>(s[pos + 3])))) {
            pos += 3;
            continue;
        }
        return false;
    }
}

bool RecordSet::matches(std::size_t row, const std::vector<Eq>& eqs, const std::vector<Value>& params) const {
    ++m_db.counters().rowsCompared;
    for (const auto& e : eqs) {
        const Value& v = m_rows[row][e.field];
        const Value& p = params.at(e.param);
        if (v.isNull() || p.isNull()) return false;  // Null never equals anything
        if (compareKey(v) != compareKey(p)) return false;
    }
    return true;
}

long RecordSet::findFrom(long start, const std::string& criteria, const std::vector<Value>& params) {
    if (start < 0) start = 0;
    std::vector<Eq> eqs;
    if (parseEqualities(criteria, eqs)) {
        if (eqs.size() != params.size())
            throw DatabaseError(kErrDatabase, "criteria \"" + criteria + "\" need " + std::to_string(eqs.size()) +
                                                  " values, " + std::to_string(params.size()) + " given");
        // Index on the first field; the rest are checked row by row.
        const Index& idx = indexOn(eqs[0].field);
        const Value& p0 = params[eqs[0].param];
        if (p0.isNull()) return -1;
        auto it = idx.find(compareKey(p0));
        if (it == idx.end()) return -1;
        const auto& rows = it->second;
        auto from = std::lower_bound(rows.begin(), rows.end(), static_cast<std::size_t>(start));
        for (; from != rows.end(); ++from)
            if (matches(*from, eqs, params)) return static_cast<long>(*from);
        return -1;
    }
    // General criteria: let the engine decide which rowids qualify, keep our order.
    std::string sql = "SELECT rowid FROM " + quoteIdent(m_table) + " WHERE (" + criteria + ")";
    Statement st = m_db.prepare(sql);
    st.bindAll(params);
    std::vector<std::int64_t> ids;
    while (st.step()) ids.push_back(st.column(0).toInt());
    std::sort(ids.begin(), ids.end());
    for (std::size_t r = static_cast<std::size_t>(start); r < m_rows.size(); ++r) {
        ++m_db.counters().rowsCompared;
        if (std::binary_search(ids.begin(), ids.end(), m_rowids[r])) return static_cast<long>(r);
    }
    return -1;
}

RecordSet::Index& RecordSet::indexOn(std::size_t field) {
    auto it = m_indexes.find(field);
    if (it != m_indexes.end()) return it->second;
    Index& idx = m_indexes[field];
    idx.reserve(m_rows.size());
    for (std::size_t r = 0; r < m_rows.size(); ++r) idx[compareKey(m_rows[r][field])].push_back(r);
    WorkCounters& c = m_db.counters();
    ++c.indexBuilds;
    c.rowsIndexed += m_rows.size();
    return idx;
}

namespace {

void eraseFrom(std::unordered_map<std::string, std::vector<std::size_t>>& idx, const std::string& key,
               std::size_t pos) {
    auto it = idx.find(key);
    if (it == idx.end()) return;
    auto& rows = it->second;
    auto at = std::lower_bound(rows.begin(), rows.end(), pos);
    if (at != rows.end() && *at == pos) rows.erase(at);
    if (rows.empty()) idx.erase(it);
}

}  // namespace

void RecordSet::reindexRow(std::size_t pos, const std::vector<Value>& before) {
    for (auto& [field, idx] : m_indexes) {
        std::string oldKey = compareKey(before[field]);
        std::string newKey = compareKey(m_rows[pos][field]);
        if (oldKey == newKey) continue;
        eraseFrom(idx, oldKey, pos);
        auto& rows = idx[newKey];
        rows.insert(std::lower_bound(rows.begin(), rows.end(), pos), pos);
    }
}

void RecordSet::indexAddedRow(std::size_t pos) {
    // The new row is the last one, so it goes at the end of its key's list.
    for (auto& [field, idx] : m_indexes) idx[compareKey(m_rows[pos][field])].push_back(pos);
}

void RecordSet::unindexRemovedRow(std::size_t pos, const std::vector<Value>& removed) {
    for (auto& [field, idx] : m_indexes) {
        eraseFrom(idx, compareKey(removed[field]), pos);
        for (auto& [key, rows] : idx)
            for (auto& r : rows)
                if (r > pos) --r;
    }
}

bool RecordSet::findFirst(const std::string& criteria, const std::vector<Value>& params) {
    long r = findFrom(0, criteria, params);
    m_noMatch = r < 0;
    if (!m_noMatch) m_pos = r;
    return !m_noMatch;
}

bool RecordSet::findNext(const std::string& criteria, const std::vector<Value>& params) {
    long r = findFrom(m_pos + 1, criteria, params);
    m_noMatch = r < 0;
    if (!m_noMatch) m_pos = r;
    return !m_noMatch;
}

// ------------------------------------------------------------------ writing

Value RecordSet::coerce(const std::string& table, const FieldDef& f, const Value& v) {
    const std::string where = table + "." + f.name;
    if (v.isNull() || (f.key && v.isText() && trim(v.toText()).empty())) {
        if (f.key)
            throw DatabaseError(kErrNullInIndex, "The key field " + where + " can not be empty.");
        return Value();
    }
    switch (f.type) {
    case FieldType::Text:
    case FieldType::Memo: {
        std::string t = v.toText();
        if (f.type == FieldType::Text && f.size > 0 && charCount(t) > static_cast<std::size_t>(f.size))
            throw DatabaseError(kErrTextTooLong, "'" + t + "' is too long for " + where + " (at most " +
                                                     std::to_string(f.size) + " characters).");
        return Value(t);
    }
    default: break;
    }
    double d;
    if (v.isText()) {
        if (!isNumeric(v.toText()))
            throw DatabaseError(kErrTypeMismatch, "'" + v.toText() + "' is not a number (" + where + ").");
        d = std::strtod(trim(v.toText()).c_str(), nullptr);
    } else {
        d = v.toDouble();
    }
    if (!std::isfinite(d)) throw DatabaseError(kErrOverflow, "A value out of range was written to " + where + ".");
    switch (f.type) {
    case FieldType::Integer: {
        double r = std::nearbyint(d);
        if (r < -32768 || r > 32767)
            throw DatabaseError(kErrOverflow, "The value " + shortestText(d) + " does not fit " + where + ".");
        return Value(static_cast<long long>(r));
    }
    case FieldType::Long: {
        double r = std::nearbyint(d);
        if (r < -2147483648.0 || r > 2147483647.0)
            throw DatabaseError(kErrOverflow, "The value " + shortestText(d) + " does not fit " + where + ".");
        return Value(static_cast<long long>(r));
    }
    case FieldType::YesNo: return Value(static_cast<long long>(d != 0 ? -1 : 0));
    case FieldType::Single: {
        if (std::fabs(d) > std::numeric_limits<float>::max())
            throw DatabaseError(kErrOverflow, "The value " + shortestText(d) + " does not fit " + where + ".");
        return Value(static_cast<double>(static_cast<float>(d)));
    }
    default: return Value(d);
    }
}

void RecordSet::edit() {
    if (!hasCurrent()) throw DatabaseError(3021, "No current record in " + m_table + " to edit.");
    m_mode = Mode::Edit;
    m_buffer = m_rows[static_cast<std::size_t>(m_pos)];
    m_dirty.assign(m_buffer.size(), false);
}

void RecordSet::addNew() {
    m_mode = Mode::Add;
    m_buffer.assign(m_layout->fields.size(), Value());
    m_dirty.assign(m_buffer.size(), false);
}

void RecordSet::set(const std::string& field, const Value& v) {
    if (m_mode == Mode::None)
        throw DatabaseError(3020, "Update without edit or add in " + m_table + " (" + field + ").");
    std::size_t i = fieldIndex(field);
    m_buffer[i] = coerce(m_table, m_layout->fields[i], v);
    m_dirty[i] = true;
}

void RecordSet::cancelUpdate() { m_mode = Mode::None; }

void RecordSet::update() {
    if (m_mode == Mode::None) throw DatabaseError(3020, "Update without edit or add in " + m_table + ".");
    const auto& fields = m_layout->fields;
    // A key left Null in a new row is the classic "Null value in index" fault.
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].key && m_buffer[i].isNull())
            throw DatabaseError(kErrNullInIndex, "The key field " + m_table + "." + fields[i].name + " can not be empty.");
    if (m_mode == Mode::Add) {
        std::string cols, qs;
        std::vector<Value> vals;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (!m_dirty[i]) continue;
            if (!cols.empty()) cols += ", ", qs += ", ";
            cols += quoteIdent(fields[i].name);
            qs += "?";
            vals.push_back(m_buffer[i]);
        }
        std::string sql = cols.empty() ? "INSERT INTO " + quoteIdent(m_table) + " DEFAULT VALUES"
                                       : "INSERT INTO " + quoteIdent(m_table) + " (" + cols + ") VALUES (" + qs + ")";
        m_db.execute(sql, vals);
        m_rows.push_back(std::move(m_buffer));
        m_rowids.push_back(m_db.lastInsertRowid());
        m_pos = static_cast<long>(m_rows.size()) - 1;
        indexAddedRow(m_rows.size() - 1);
    } else {
        std::string sets;
        std::vector<Value> vals;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (!m_dirty[i]) continue;
            if (!sets.empty()) sets += ", ";
            sets += quoteIdent(fields[i].name) + " = ?";
            vals.push_back(m_buffer[i]);
        }
        if (!sets.empty()) {
            vals.push_back(Value(static_cast<long long>(m_rowids[static_cast<std::size_t>(m_pos)])));
            m_db.execute("UPDATE " + quoteIdent(m_table) + " SET " + sets + " WHERE rowid = ?", vals);
            const auto p = static_cast<std::size_t>(m_pos);
            std::swap(m_rows[p], m_buffer);  // the buffer now holds the row as it was
            reindexRow(p, m_buffer);
        }
    }
    m_mode = Mode::None;
}

void RecordSet::remove() {
    if (!hasCurrent()) throw DatabaseError(3021, "No current record in " + m_table + " to delete.");
    std::size_t p = static_cast<std::size_t>(m_pos);
    m_db.execute("DELETE FROM " + quoteIdent(m_table) + " WHERE rowid = ?", {Value(static_cast<long long>(m_rowids[p]))});
    const std::vector<Value> removed = std::move(m_rows[p]);
    m_rows.erase(m_rows.begin() + static_cast<long>(p));
    m_rowids.erase(m_rowids.begin() + static_cast<long>(p));
    m_mode = Mode::None;
    unindexRemovedRow(p, removed);
}

int RecordSet::executeDelete(Database& db, const std::string& table, const std::string& where,
                             const std::vector<Value>& params) {
    std::string sql = "DELETE FROM " + quoteIdent(table);
    if (!where.empty()) sql += " WHERE " + where;
    return db.execute(sql, params);
}

}  // namespace kolv::db
