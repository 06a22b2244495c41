// An open project database: an SQLite connection with statements, transactions and table layouts.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/schema.h"
#include "db/value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kolv::db {

class UndoHistory;

/// Work done through one connection, counted so a test can tell linear work from quadratic work
/// without timing anything. Every figure only grows; take differences around the work measured.
struct WorkCounters {
    std::uint64_t statementsPrepared = 0;  ///< statements compiled (the statement cache saves these)
    std::uint64_t steps = 0;               ///< statement steps
    std::uint64_t rowsRead = 0;            ///< result rows returned by steps
    std::uint64_t engineSteps = 0;         ///< SQLite virtual-machine operations (table scans show here)
    std::uint64_t indexBuilds = 0;         ///< in-memory record-set indexes built from all their rows
    std::uint64_t rowsIndexed = 0;         ///< rows hashed into those indexes while building them
    std::uint64_t rowsCompared = 0;        ///< rows compared with criteria by record-set finds

    /// Figure by figure: this minus `before`.
    WorkCounters since(const WorkCounters& before) const {
        return {statementsPrepared - before.statementsPrepared, steps - before.steps, rowsRead - before.rowsRead,
                engineSteps - before.engineSteps, indexBuilds - before.indexBuilds, rowsIndexed - before.rowsIndexed,
                rowsCompared - before.rowsCompared};
    }
};

/// Our SQLite application_id, so another program's SQLite file is not taken for a project ("KOLV").
constexpr int kApplicationId = 0x4B4F4C56;

/// A prepared statement; values are bound by position (1-based) and never spliced into the text.
class Statement {
public:
    /// Compiles `sql`; `counters` (optional) receive the work the statement does.
    Statement(sqlite3* db, const std::string& sql, WorkCounters* counters = nullptr);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& o) noexcept;

    Statement& bind(int index, const Value& v);
    Statement& bindAll(const std::vector<Value>& values);
    /// Steps once; true while a row is available.
    bool step();
    /// Makes the statement ready to run again and clears its bindings.
    void reset();
    int columnCount() const;
    std::string columnName(int i) const;
    Value column(int i) const;

private:
    void countEngineSteps();

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    std::string m_sql;
    WorkCounters* m_counters = nullptr;
};

/// Column layout of a table as it is in the file (which may be older than the schema).
struct TableLayout {
    std::vector<FieldDef> fields;
    std::unordered_map<std::string, std::size_t> index;  ///< upper-cased name -> position
    const FieldDef* field(const std::string& name) const;
    /// Position of a field named in any case, or -1. A name already in upper case (as the
    /// code writes them) is found without building a folded copy.
    long position(const std::string& name) const;
};

/// How a file was recognised when opening it.
enum class FileKind { Project, Missing, NotSqlite, JetDatabase, ForeignSqlite, Corrupt, Unreadable, NotAFile };

/// Called with the file's path each time a connection finds it locked by another program and
/// starts waiting for it.
using BusyNotice = std::function<void(const std::string& path)>;

class Database {
public:
    /// Opens an existing project file shared read/write. Throws DatabaseError with a clear
    /// message when the file is missing, not a project, corrupt or locked; never modifies
    /// such a file.
    static std::unique_ptr<Database> open(const std::string& path);
    /// Creates a new empty database file (overwriting nothing: the file must not exist) and
    /// marks it as one of our projects.
    static std::unique_ptr<Database> create(const std::string& path);
    /// Tells what kind of file is at the path without changing it.
    static FileKind probe(const std::string& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const { return m_path; }
    sqlite3* handle() const { return m_db; }
    /// Rows inserted, changed or deleted through this connection since it was opened.
    long long totalChanges() const;

    /// Runs SQL without parameters (schema statements).
    void exec(const std::string& sql);
    /// Runs a statement with bound values; returns the number of rows changed. The compiled
    /// statement is kept and reused for the next call with the same text.
    int execute(const std::string& sql, const std::vector<Value>& params = {});
    Statement prepare(const std::string& sql);
    /// A compiled statement kept by the connection for reuse, reset and without bindings.
    /// Valid until the next call of cached() or the connection closes; run it to its end or
    /// reset it before handing control back (a half-run statement holds a read lock).
    Statement& cached(const std::string& sql);
    /// Rowid of the last row inserted through this connection.
    std::int64_t lastInsertRowid() const;
    /// First column of the first row, or Null.
    Value scalar(const std::string& sql, const std::vector<Value>& params = {});

    bool hasTable(const std::string& table);
    std::vector<std::string> tableNames();
    /// Columns of a table as they are in the file (cached; refreshed after addField).
    const TableLayout& layout(const std::string& table);
    /// Adds a column to a table (the upgrade).
    void addField(const std::string& table, const FieldDef& field);
    void createTable(const TableDef& table);
    void invalidateLayouts() { m_layouts.clear(); }

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return m_txDepth > 0; }

    /// Called when a statement finds the file locked by another program and waits for it (up to
    /// 5 s, then the statement fails as locked), so the engineer learns why nothing happens.
    void setBusyNotice(BusyNotice notice) { m_busyNotice = std::move(notice); }
    /// The notice every connection opened from now on starts with (opening itself may wait).
    static void setDefaultBusyNotice(BusyNotice notice);

    /// Work done through this connection so far.
    WorkCounters& counters() { return m_counters; }
    const WorkCounters& counters() const { return m_counters; }

    /// Starts recording every change for undo and redo (the desktop program); returns the
    /// history. Without it nothing is recorded (command line, batch work).
    UndoHistory& attachHistory();
    /// The attached history, or nullptr.
    UndoHistory* history() const { return m_history.get(); }

private:
    Database(sqlite3* db, std::string path);
    std::unique_ptr<UndoHistory> m_history;
    sqlite3* m_db;
    std::string m_path;
    std::map<std::string, TableLayout> m_layouts;
    int m_txDepth = 0;
    WorkCounters m_counters;
    BusyNotice m_busyNotice;
    static int onBusy(void* self, int count);
    std::unordered_map<std::string, std::unique_ptr<Statement>> m_statements;
};

/// Commits on commit(), rolls back when it goes out of scope otherwise (an exception).
class Transaction {
public:
    explicit Transaction(Database& db) : m_db(db) { m_db.begin(); }
    ~Transaction() {
        if (!m_done) {
            try {
                m_db.rollback();
            } catch (...) {
            }
        }
    }
    void commit() {
        m_db.commit();
        m_done = true;
    }

private:
    Database& m_db;
    bool m_done = false;
};

/// Throws DatabaseError built from the connection's last error, with context.
[[noreturn]] void throwSqlite(sqlite3* db, int rc, const std::string& context);

}  // namespace kolv::db
