// Undo and redo by a change log that temporary triggers fill: every insert, update and delete
// of a project table leaves one log entry (and the old row), which is replayed backwards.
#include "db/undo_history.h"

#include <algorithm>
#include <exception>
#include <string>

#include "db/database.h"
#include "db/schema.h"

namespace kolv::db {

namespace {

std::string shadowName(std::size_t id) { return "kolv_undo_" + std::to_string(id); }
std::string triggerName(std::size_t id, char op) { return "kolv_undo_" + std::to_string(id) + "_" + op; }
std::string valueColumn(std::size_t i) { return "v" + std::to_string(i); }

}  // namespace

UndoHistory::UndoHistory(Database& db) : m_db(db) {
    // The log lives in the connection's temporary schema: never in the file, gone on close.
    // AUTOINCREMENT keeps sequence numbers rising after old entries are deleted.
    m_db.exec(
        "CREATE TEMP TABLE IF NOT EXISTS kolv_undo_log("
        "seq INTEGER PRIMARY KEY AUTOINCREMENT, tbl INTEGER NOT NULL, op TEXT NOT NULL, rid INTEGER NOT NULL)");
    m_db.exec("CREATE TEMP TABLE IF NOT EXISTS kolv_undo_state(rec INTEGER NOT NULL)");
    m_db.exec("DELETE FROM temp.kolv_undo_state");
    m_db.exec("INSERT INTO temp.kolv_undo_state(rec) VALUES(1)");
    trackTables();
    m_assigned = lastSeq();
}

UndoHistory::~UndoHistory() {
    try {
        for (std::size_t id = 0; id < m_tables.size(); ++id) {
            for (char op : {'i', 'u', 'd'}) m_db.exec("DROP TRIGGER IF EXISTS temp." + triggerName(id, op));
            m_db.exec("DROP TABLE IF EXISTS temp." + shadowName(id));
        }
        m_db.exec("DROP TABLE IF EXISTS temp.kolv_undo_log");
        m_db.exec("DROP TABLE IF EXISTS temp.kolv_undo_state");
    } catch (...) {
        // the connection is closing; its temporary schema goes with it
    }
}

void UndoHistory::trackTables() {
    std::vector<std::string> names;
    {
        Statement st = m_db.prepare(
            "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
            "ORDER BY name");
        while (st.step()) names.push_back(st.column(0).toText());
    }
    for (const std::string& name : names) {
        std::vector<std::string> columns;
        {
            Statement st = m_db.prepare("SELECT name FROM pragma_table_info(?, 'main') ORDER BY cid");
            st.bind(1, name);
            while (st.step()) columns.push_back(st.column(0).toText());
        }
        std::size_t id = m_tables.size();
        for (std::size_t i = 0; i < m_tables.size(); ++i)
            if (m_tables[i].name == name) id = i;
        if (id == m_tables.size()) {
            std::string sql = "CREATE TEMP TABLE " + shadowName(id) + "(seq INTEGER PRIMARY KEY, mask";
            for (std::size_t c = 0; c < columns.size(); ++c) sql += ", " + valueColumn(c);
            m_db.exec(sql + ")");
            m_tables.push_back({name, columns});
            installTriggers(id);
        } else if (m_tables[id].columns != columns) {
            // fields added to the table: widen the saved rows, then record the new fields too
            for (std::size_t c = m_tables[id].columns.size(); c < columns.size(); ++c)
                m_db.exec("ALTER TABLE temp." + shadowName(id) + " ADD COLUMN " + valueColumn(c));
            m_tables[id].columns = columns;
            installTriggers(id);
        }
    }
}

void UndoHistory::installTriggers(std::size_t id) {
    const Tracked& t = m_tables[id];
    const std::string table = "main." + quoteIdent(t.name);
    // statements inside a trigger may not name a schema; the log tables are found in temp first
    const std::string gate = " WHEN (SELECT rec FROM temp.kolv_undo_state)";
    const std::string tid = std::to_string(id);
    for (char op : {'i', 'u', 'd'}) m_db.exec("DROP TRIGGER IF EXISTS temp." + triggerName(id, op));

    std::string cols, oldValues, changed, mask;
    for (std::size_t c = 0; c < t.columns.size(); ++c) {
        const std::string q = quoteIdent(t.columns[c]);
        cols += ", " + valueColumn(c);
        oldValues += ", old." + q;
        // binary comparison: a change of letter case is a change
        changed += std::string(c ? " OR " : "") + "old." + q + " IS NOT new." + q + " COLLATE BINARY";
        mask += std::string(c ? " || " : "") + "(old." + q + " IS NOT new." + q + " COLLATE BINARY)";
    }
    if (t.columns.empty()) changed = "0", mask = "''";

    m_db.exec("CREATE TEMP TRIGGER " + triggerName(id, 'i') + " AFTER INSERT ON " + table + gate +
              " BEGIN INSERT INTO kolv_undo_log(tbl, op, rid) VALUES(" + tid + ", 'I', new.rowid); END");
    m_db.exec("CREATE TEMP TRIGGER " + triggerName(id, 'd') + " AFTER DELETE ON " + table + gate +
              " BEGIN INSERT INTO kolv_undo_log(tbl, op, rid) VALUES(" + tid + ", 'D', old.rowid);" +
              " INSERT INTO " + shadowName(id) + "(seq, mask" + cols + ") VALUES(last_insert_rowid(), NULL" +
              oldValues + "); END");
    m_db.exec("CREATE TEMP TRIGGER " + triggerName(id, 'u') + " AFTER UPDATE ON " + table + gate + " AND (" +
              changed + ") BEGIN INSERT INTO kolv_undo_log(tbl, op, rid) VALUES(" + tid +
              ", 'U', old.rowid); INSERT INTO " + shadowName(id) + "(seq, mask" + cols +
              ") VALUES(last_insert_rowid(), " + mask + oldValues + "); END");
}

std::int64_t UndoHistory::lastSeq() {
    Value v = m_db.scalar("SELECT seq FROM temp.sqlite_sequence WHERE name = 'kolv_undo_log'");
    return v.isNull() ? 0 : v.toInt();
}

void UndoHistory::setRecording(bool on, int delta) {
    m_paused += delta;
    if (m_paused < 0) m_paused = 0;
    const bool rec = on ? m_paused == 0 : false;
    m_db.execute("UPDATE temp.kolv_undo_state SET rec = ?", {Value(rec ? 1 : 0)});
}

void UndoHistory::reconcile() {
    // A transaction rolled back after its step was closed takes its log entries (and the
    // sequence) with it: forget the parts of steps that no longer exist.
    const std::int64_t last = lastSeq();
    if (last >= m_assigned) return;
    auto clip = [last](std::vector<Step>& steps) {
        while (!steps.empty() && steps.back().first > last) steps.pop_back();
        for (Step& s : steps)
            if (s.last > last) s.last = last;
    };
    clip(m_undo);
    // redo steps are newer than every undo step
    m_redo.erase(std::remove_if(m_redo.begin(), m_redo.end(), [last](const Step& s) { return s.first > last; }),
                 m_redo.end());
    m_assigned = last;
}

void UndoHistory::collectLoose() {
    if (m_depth > 0) return;
    reconcile();
    const std::int64_t last = lastSeq();
    if (last <= m_assigned) return;
    for (const Step& r : m_redo) dropEntries(r);
    m_redo.clear();
    m_undo.push_back({"Edit", m_assigned + 1, last});
    m_assigned = last;
    trim();
}

void UndoHistory::beginStep(const std::string& name) {
    if (m_depth == 0) {
        collectLoose();  // what was written before belongs to no step of this one
        m_stepName = name;
        m_stepStart = lastSeq() + 1;
    }
    ++m_depth;
}

void UndoHistory::endStep() {
    if (m_depth <= 0) return;
    if (--m_depth > 0) return;
    reconcile();
    const std::int64_t last = lastSeq();
    if (last < m_stepStart) return;  // nothing changed
    for (const Step& r : m_redo) dropEntries(r);
    m_redo.clear();
    m_undo.push_back({m_stepName, m_stepStart, last});
    m_assigned = last;
    trim();
    notify();
}

bool UndoHistory::canUndo() {
    collectLoose();
    return !m_undo.empty();
}

bool UndoHistory::canRedo() {
    collectLoose();
    return !m_redo.empty();
}

std::string UndoHistory::undoName() { return canUndo() ? m_undo.back().name : std::string(); }
std::string UndoHistory::redoName() { return canRedo() ? m_redo.back().name : std::string(); }

std::vector<std::string> UndoHistory::undoNames() {
    collectLoose();
    std::vector<std::string> out;
    for (const Step& s : m_undo) out.push_back(s.name);
    return out;
}

std::vector<std::string> UndoHistory::redoNames() {
    collectLoose();
    std::vector<std::string> out;
    for (auto it = m_redo.rbegin(); it != m_redo.rend(); ++it) out.push_back(it->name);
    return out;
}

void UndoHistory::applyInverse(std::int64_t seq, std::size_t id, char op, std::int64_t rowid) {
    const Tracked& t = m_tables.at(id);
    const std::string table = "main." + quoteIdent(t.name);
    const std::string shadow = "temp." + shadowName(id);
    if (op == 'I') {
        m_db.execute("DELETE FROM " + table + " WHERE rowid = ?", {Value(rowid)});
        return;
    }
    std::string cols, values, kept;
    for (std::size_t c = 0; c < t.columns.size(); ++c) {
        const std::string q = quoteIdent(t.columns[c]);
        cols += (c ? ", " : "") + q;
        values += ", " + valueColumn(c);
        // an update restores only the fields it changed; later changes to other fields stay
        kept += std::string(c ? ", " : "") + "CASE substr(mask, " + std::to_string(c + 1) + ", 1) WHEN '1' THEN " +
                valueColumn(c) + " ELSE " + quoteIdent(t.name) + "." + q + " END";
    }
    if (op == 'D') {
        m_db.execute("INSERT INTO " + table + "(rowid" + (cols.empty() ? "" : ", " + cols) + ") SELECT ?" + values +
                         " FROM " + shadow + " WHERE seq = ?",
                     {Value(rowid), Value(seq)});
    } else if (!cols.empty()) {
        m_db.execute("UPDATE " + table + " SET (" + cols + ") = (SELECT " + kept + " FROM " + shadow +
                         " WHERE seq = ?) WHERE rowid = ?",
                     {Value(seq), Value(rowid)});
    }
}

UndoHistory::Step UndoHistory::replayBackwards(const Step& s, const std::string& name) {
    struct Entry {
        std::int64_t seq;
        std::size_t table;
        char op;
        std::int64_t rowid;
    };
    std::vector<Entry> entries;
    {
        Statement st = m_db.prepare(
            "SELECT seq, tbl, op, rid FROM temp.kolv_undo_log WHERE seq BETWEEN ? AND ? ORDER BY seq DESC");
        st.bind(1, Value(s.first)).bind(2, Value(s.last));
        while (st.step()) {
            std::string op = st.column(2).toText();
            entries.push_back({st.column(0).toInt(), static_cast<std::size_t>(st.column(1).toInt()),
                               op.empty() ? 'I' : op[0], st.column(3).toInt()});
        }
    }
    Transaction tx(m_db);
    // the replay itself is recorded: it is the way back
    const bool wasPaused = m_paused > 0;
    if (wasPaused) m_db.execute("UPDATE temp.kolv_undo_state SET rec = 1");
    const std::int64_t before = lastSeq();
    try {
        for (const Entry& e : entries) applyInverse(e.seq, e.table, e.op, e.rowid);
    } catch (...) {
        if (wasPaused) m_db.execute("UPDATE temp.kolv_undo_state SET rec = 0");
        throw;
    }
    if (wasPaused) m_db.execute("UPDATE temp.kolv_undo_state SET rec = 0");
    const std::int64_t after = lastSeq();
    dropEntries(s);
    tx.commit();
    return {name, before + 1, after};
}

void UndoHistory::dropEntries(const Step& s) {
    if (s.last < s.first) return;
    m_db.execute("DELETE FROM temp.kolv_undo_log WHERE seq BETWEEN ? AND ?", {Value(s.first), Value(s.last)});
    for (std::size_t id = 0; id < m_tables.size(); ++id)
        m_db.execute("DELETE FROM temp." + shadowName(id) + " WHERE seq BETWEEN ? AND ?",
                     {Value(s.first), Value(s.last)});
}

bool UndoHistory::move(bool forward) {
    if (m_depth > 0) return false;  // never in the middle of a step
    collectLoose();
    std::vector<Step>& from = forward ? m_redo : m_undo;
    std::vector<Step>& to = forward ? m_undo : m_redo;
    if (from.empty()) return false;
    // replaying a step backwards records the way back: undo's replay is the redo step
    Step back = replayBackwards(from.back(), from.back().name);
    from.pop_back();
    to.push_back(std::move(back));
    m_assigned = lastSeq();
    notify();
    return true;
}

bool UndoHistory::undo() { return move(false); }
bool UndoHistory::redo() { return move(true); }

void UndoHistory::clear() {
    m_undo.clear();
    m_redo.clear();
    m_db.exec("DELETE FROM temp.kolv_undo_log");
    for (std::size_t id = 0; id < m_tables.size(); ++id) m_db.exec("DELETE FROM temp." + shadowName(id));
    m_assigned = lastSeq();
    notify();
}

void UndoHistory::trim() {
    while (m_undo.size() > m_limit) {
        dropEntries(m_undo.front());
        m_undo.erase(m_undo.begin());
    }
}

void UndoHistory::notify() {
    if (m_listener) m_listener();
}

UndoAction::UndoAction(Database& db, const std::string& name) : m_history(db.history()) {
    if (m_history) m_history->beginStep(name);
}

UndoAction::~UndoAction() {
    if (!m_history) return;
    try {
        m_history->endStep();
    } catch (...) {
        // the changes themselves stand; only their grouping is lost
    }
}

UndoPause::UndoPause(Database& db) : m_history(db.history()) {
    if (m_history) m_history->pause();
}

UndoPause::~UndoPause() {
    if (!m_history) return;
    try {
        m_history->resume();
    } catch (...) {
    }
}

}  // namespace kolv::db
