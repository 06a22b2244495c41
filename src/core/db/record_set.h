// Record sets over one table of the project database: move, find, read, edit, add, update, delete.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/database.h"

namespace kolv::db {

/// The rows of one table (all of them, or those a condition selects) held in memory with
/// a current-row position, in the manner of the classic record-set model:
///
///     RecordSet nodes(db, "NODE", "SYSTEM = ?", {system});
///     if (nodes.findFirst("NAME = ?", {name})) nodes.edit(), nodes.set("TC", 12.0), nodes.update();
///
/// Conditions and criteria are SQL expressions with '?' placeholders; the values travel
/// beside them as bound parameters, so a name with a quote mark selects exactly its rows.
/// Without an ORDER BY, rows come in the table's storage order (rowid), which is the order
/// they were added; that order is stable across closing, reopening and rebuilding the file.
/// Text comparisons are case-insensitive, as names have always been compared.
class RecordSet {
public:
    RecordSet(Database& db, std::string table, std::string where = {}, std::vector<Value> params = {},
              std::string orderBy = {});

    Database& database() const { return m_db; }
    const std::string& table() const { return m_table; }
    const TableLayout& layout() const { return *m_layout; }
    bool hasField(const std::string& name) const { return m_layout->field(name) != nullptr; }

    /// Reads the rows again from the file (after changes made through other record sets).
    void requery();
    /// Changes the selection and reads the rows again.
    void reopen(std::string where, std::vector<Value> params, std::string orderBy = {});

    std::size_t recordCount() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    bool eof() const { return m_pos >= static_cast<long>(m_rows.size()); }
    bool bof() const { return m_pos < 0 || m_rows.empty(); }
    /// True when there is a current row.
    bool hasCurrent() const { return m_pos >= 0 && m_pos < static_cast<long>(m_rows.size()); }
    long position() const { return m_pos; }
    void setPosition(long pos) { m_pos = pos; }

    void moveFirst() { m_pos = 0; }
    void moveLast() { m_pos = static_cast<long>(m_rows.size()) - 1; }
    void moveNext() { if (m_pos < static_cast<long>(m_rows.size())) ++m_pos; }
    void movePrevious() { if (m_pos >= 0) --m_pos; }

    /// Finds the first row (from the top) meeting the criteria; sets the no-match state.
    /// Criteria "FIELD = ?" (optionally joined by AND) are matched in memory with an index on
    /// the first field, built on the first such find and kept up to date by every later edit,
    /// addition and deletion, so a loop of finds and updates stays linear. Any other criteria
    /// are evaluated by the database engine.
    bool findFirst(const std::string& criteria, const std::vector<Value>& params);
    /// Finds the next row after the current one meeting the criteria.
    bool findNext(const std::string& criteria, const std::vector<Value>& params);
    bool noMatch() const { return m_noMatch; }

    /// Field of the current row; Null when the field is Null. Throws when there is no
    /// current row or no such field.
    Value value(const std::string& field) const;
    std::string text(const std::string& field) const { return value(field).toText(); }
    double number(const std::string& field) const { return value(field).toDouble(); }
    long integer(const std::string& field) const { return static_cast<long>(value(field).toInt()); }
    bool flag(const std::string& field) const { return value(field).toBool(); }
    bool isNull(const std::string& field) const { return value(field).isNull(); }
    std::int64_t rowid() const;

    /// Starts editing the current row.
    void edit();
    /// Starts a new row (all fields Null).
    void addNew();
    /// Sets a field of the row being edited or added. Checks the value against the field:
    /// Null in a key gives error 3058, text longer than a Text(n) field is refused,
    /// numbers out of a 16-bit Integer give an overflow, Single values are held to single precision.
    void set(const std::string& field, const Value& v);
    /// Writes the edited or added row. An added row becomes the current row.
    void update();
    void cancelUpdate();
    bool editing() const { return m_mode != Mode::None; }
    /// Deletes the current row; the next row becomes current.
    void remove();

    /// Runs "DELETE FROM table WHERE ..." with bound values; returns the rows deleted.
    static int executeDelete(Database& db, const std::string& table, const std::string& where,
                             const std::vector<Value>& params);

    /// Converts a value for a field the way set() stores it (exposed for direct writers).
    static Value coerce(const std::string& table, const FieldDef& f, const Value& v);

private:
    enum class Mode { None, Edit, Add };
    struct Eq {
        std::size_t field;
        std::size_t param;
    };
    /// Normalised key -> positions of the rows holding it, ascending.
    using Index = std::unordered_map<std::string, std::vector<std::size_t>>;

    void load();
    std::size_t fieldIndex(const std::string& name) const;
    bool parseEqualities(const std::string& criteria, std::vector<Eq>& eqs) const;
    bool matches(std::size_t row, const std::vector<Eq>& eqs, const std::vector<Value>& params) const;
    long findFrom(long start, const std::string& criteria, const std::vector<Value>& params);
    void invalidateIndexes() { m_indexes.clear(); }
    Index& indexOn(std::size_t field);
    /// Keeps the indexes right after the row at `pos` changed from `before` to its new values.
    void reindexRow(std::size_t pos, const std::vector<Value>& before);
    /// Keeps the indexes right after the row at `pos` was added at the end.
    void indexAddedRow(std::size_t pos);
    /// Keeps the indexes right after the row at `pos` was taken out.
    void unindexRemovedRow(std::size_t pos, const std::vector<Value>& removed);

    Database& m_db;
    std::string m_table;
    std::string m_where;
    std::vector<Value> m_params;
    std::string m_orderBy;
    const TableLayout* m_layout = nullptr;
    std::vector<std::vector<Value>> m_rows;
    std::vector<std::int64_t> m_rowids;
    long m_pos = 0;
    bool m_noMatch = false;
    Mode m_mode = Mode::None;
    std::vector<Value> m_buffer;
    std::vector<bool> m_dirty;
    /// field position -> index of the rows by that field
    std::unordered_map<std::size_t, Index> m_indexes;
};

/// Normalised comparison key of a value: numbers by their shortest decimal text,
/// text case-folded.
std::string compareKey(const Value& v);

}  // namespace kolv::db
