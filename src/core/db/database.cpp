// SQLite connection, statements and table layouts of a project database.
#include "db/database.h"
#include "db/busy_notice.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sqlite3.h>

#include "common/error.h"
#include "common/text.h"
#include "db/undo_history.h"

namespace kolv::db {

namespace fs = std::filesystem;

void throwSqlite(sqlite3* db, int rc, const std::string& context) {
    int ext = db ? sqlite3_extended_errcode(db) : rc;
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    int code = kErrDatabase;
    switch (ext) {
    case SQLITE_CONSTRAINT_NOTNULL: code = kErrNullInIndex; break;
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY: code = kErrDuplicateKey; break;
    case SQLITE_FULL: code = kErrDiskFull; break;
    case SQLITE_NOMEM: code = kErrOutOfMemory; break;
    default: break;
    }
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) {
        msg = "the project file is in use by another program (locked); try again when it is free";
        code = kErrLocked;
    }
    if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB)
        msg = "the project file is damaged (" + msg + ")";
    if ((rc & 0xff) == SQLITE_READONLY) msg = "the project file is read-only";
    // A write the disk refused: say why, as the engine's "disk I/O error" does not.
    if (db && ((rc & 0xff) == SQLITE_FULL || (rc & 0xff) == SQLITE_IOERR)) {
        const char* file = sqlite3_db_filename(db, "main");
        const std::string what = file && *file ? "'" + std::string(file) + "' could not be written: " : "";
        switch (sqlite3_system_errno(db)) {
        case ENOSPC: msg = what + "no space left on the disk"; code = kErrDiskFull; break;
        case EDQUOT: msg = what + "the disk quota is used up"; code = kErrDiskFull; break;
        case EFBIG:
            msg = what + "the file would be larger than this program may write (file-size limit)";
            code = kErrDiskFull;
            break;
        default:
            // a write cut short says no more
            if ((rc & 0xff) == SQLITE_FULL)
                msg = what + "no space left on the disk, or the file-size limit reached (" + msg + ")";
            break;
        }
    }
    throw DatabaseError(code, context.empty() ? msg : context + ": " + msg);
}

std::string busyNoticeText(const std::string& path) {
    return "'" + path + "' is locked by another program; waiting up to 5 s for it to finish . . .";
}

// ---------------------------------------------------------------- Statement

Statement::Statement(sqlite3* db, const std::string& sql, WorkCounters* counters)
    : m_db(db), m_sql(sql), m_counters(counters) {
    int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) throwSqlite(db, rc, "preparing \"" + sql + "\"");
    if (m_counters) ++m_counters->statementsPrepared;
}

Statement::~Statement() {
    if (m_stmt) {
        countEngineSteps();
        sqlite3_finalize(m_stmt);
    }
}

Statement::Statement(Statement&& o) noexcept
    : m_db(o.m_db), m_stmt(o.m_stmt), m_sql(std::move(o.m_sql)), m_counters(o.m_counters) {
    o.m_stmt = nullptr;
}

void Statement::countEngineSteps() {
    if (m_counters) m_counters->engineSteps += static_cast<std::uint64_t>(
        sqlite3_stmt_status(m_stmt, SQLITE_STMTSTATUS_VM_STEP, 1));
}

Statement& Statement::bind(int index, const Value& v) {
    int rc;
    const auto& r = v.raw();
    if (v.isNull()) rc = sqlite3_bind_null(m_stmt, index);
    else if (v.isInteger()) rc = sqlite3_bind_int64(m_stmt, index, std::get<std::int64_t>(r));
    else if (v.isReal()) rc = sqlite3_bind_double(m_stmt, index, std::get<double>(r));
    else {
        const auto& s = std::get<std::string>(r);
        rc = sqlite3_bind_text(m_stmt, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) throwSqlite(m_db, rc, "binding a value");
    return *this;
}

Statement& Statement::bindAll(const std::vector<Value>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) bind(static_cast<int>(i + 1), values[i]);
    return *this;
}

bool Statement::step() {
    int rc = sqlite3_step(m_stmt);
    if (m_counters) ++m_counters->steps;
    if (rc == SQLITE_ROW) {
        if (m_counters) ++m_counters->rowsRead;
        return true;
    }
    if (rc == SQLITE_DONE) return false;
    throwSqlite(m_db, rc, "");
}

void Statement::reset() {
    countEngineSteps();
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const { return sqlite3_column_count(m_stmt); }

std::string Statement::columnName(int i) const {
    const char* n = sqlite3_column_name(m_stmt, i);
    return n ? n : "";
}

Value Statement::column(int i) const {
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_NULL: return Value();
    case SQLITE_INTEGER: return Value(static_cast<long long>(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT: return Value(sqlite3_column_double(m_stmt, i));
    default: {
        const unsigned char* t = sqlite3_column_text(m_stmt, i);
        int n = sqlite3_column_bytes(m_stmt, i);
        return Value(std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(n)));
    }
    }
}

// ---------------------------------------------------------------- TableLayout

const FieldDef* TableLayout::field(const std::string& name) const {
    const long p = position(name);
    return p < 0 ? nullptr : &fields[static_cast<std::size_t>(p)];
}

long TableLayout::position(const std::string& name) const {
    auto it = index.find(name);
    if (it == index.end()) it = index.find(toUpper(name));
    return it == index.end() ? -1 : static_cast<long>(it->second);
}

// ---------------------------------------------------------------- Database

FileKind Database::probe(const std::string& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return FileKind::Missing;
    // A folder, pipe, device or socket (also behind a link) is never opened: reading a pipe or
    // /dev/zero would wait or run forever.
    if (!fs::is_regular_file(path, ec)) return FileKind::NotAFile;
    std::ifstream in(path, std::ios::binary);
    if (!in) return FileKind::Unreadable;
    char head[100] = {};
    in.read(head, sizeof head);
    std::streamsize got = in.gcount();
    if (got >= 19 && std::memcmp(head + 4, "Standard Jet DB", 15) == 0) return FileKind::JetDatabase;
    if (got >= 19 && std::memcmp(head + 4, "Standard ACE DB", 15) == 0) return FileKind::JetDatabase;
    if (got < 100 || std::memcmp(head, "SQLite format 3", 16) != 0) return FileKind::NotSqlite;
    // application_id is stored big-endian at offset 68 of the header.
    auto u = [&](int o) { return static_cast<unsigned char>(head[o]); };
    int appId = static_cast<int>((u(68) << 24) | (u(69) << 16) | (u(70) << 8) | u(71));
    if (appId != kApplicationId && appId != 0) return FileKind::ForeignSqlite;
    return FileKind::Project;
}

namespace {
BusyNotice& defaultBusyNotice() {
    static BusyNotice notice;
    return notice;
}
}  // namespace

void Database::setDefaultBusyNotice(BusyNotice notice) { defaultBusyNotice() = std::move(notice); }

Database::Database(sqlite3* db, std::string path)
    : m_db(db), m_path(std::move(path)), m_busyNotice(defaultBusyNotice()) {}

Database::~Database() {
    m_history.reset();     // drops its triggers while the connection is still open
    m_statements.clear();  // finalized before the connection closes
    if (m_db) sqlite3_close_v2(m_db);
}

UndoHistory& Database::attachHistory() {
    if (!m_history) m_history = std::make_unique<UndoHistory>(*this);
    return *m_history;
}

namespace {

/// True when the file a connection reads is no longer the file at its path: another program (a
/// rebuild) renamed a new file over it, or deleted it, since the connection opened it.
bool fileReplaced(sqlite3* db) {
    int moved = 0;
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

}  // namespace

std::unique_ptr<Database> Database::open(const std::string& path) {
    switch (probe(path)) {
    case FileKind::Missing: throw DatabaseError(kErrFileNotFound, "File '" + path + "' can not be found.");
    case FileKind::Unreadable: throw DatabaseError(kErrFileNotFound, "File '" + path + "' can not be read.");
    case FileKind::NotAFile:
        throw DatabaseError(kErrNotAProject, "'" + path + "' is not a project file (it is a folder, pipe or device).");
    case FileKind::JetDatabase:
        throw DatabaseError(kErrNotAProject, "'" + path +
                                                 "' is an old Access (Jet) database. This program keeps projects in "
                                                 "its own format; create a new project and import the systems.");
    case FileKind::NotSqlite:
        throw DatabaseError(kErrNotAProject, "'" + path + "' is not a project database.");
    case FileKind::ForeignSqlite:
        throw DatabaseError(kErrNotAProject, "'" + path + "' is a database of another program, not a project database.");
    default: break;
    }
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = h ? sqlite3_errmsg(h) : sqlite3_errstr(rc);
        if (h) sqlite3_close_v2(h);
        if (rc == SQLITE_CANTOPEN) {
            // A read-only file or folder: say so plainly.
            throw DatabaseError(kErrFileNotFound, "'" + path + "' can not be opened for writing (" + msg + ").");
        }
        throw DatabaseError(kErrDatabase, "'" + path + "' can not be opened: " + msg);
    }
    std::unique_ptr<Database> db(new Database(h, path));
    sqlite3_busy_handler(h, &Database::onBusy, db.get());
    sqlite3_extended_result_codes(h, 1);
    // Reading the catalogue proves the file is a sound database; a damaged header fails here.
    try {
        Value appId = db->scalar("PRAGMA application_id");
        if (appId.toInt() != kApplicationId) {
            if (!db->hasTable("NODE") || !db->hasTable("T16") || !db->hasTable("T0"))
                throw DatabaseError(kErrNotAProject, "'" + path + "' is not a project database.");
        }
        Value ok = db->scalar("PRAGMA quick_check(1)");
        if (ok.toText() != "ok")
            throw DatabaseError(kErrDatabase, "'" + path + "' is damaged: " + ok.toText() +
                                                  ". Rebuild it or restore a backup.");
    } catch (const DatabaseError& e) {
        std::string what = e.what();
        if (what.find(path) == std::string::npos) what = "'" + path + "': " + what;
        throw DatabaseError(e.code(), what);
    }
    // A rebuild renames its compacted copy over the project while holding it alone; an open that
    // waited for it read the file that was replaced. The file at the path now is the project.
    if (fileReplaced(h)) {
        db.reset();
        return open(path);
    }
    return db;
}

int Database::onBusy(void* self, int count) {
    // Waits up to about 5 s in steps of 10 ms; the first wait is announced.
    constexpr int kWaitMs = 10;
    constexpr int kMaxWaits = 500;
    auto* db = static_cast<Database*>(self);
    if (count == 0 && db->m_busyNotice) {
        try {
            db->m_busyNotice(db->m_path);
        } catch (...) {
            // a notice that fails must not unwind through SQLite
        }
    }
    if (count >= kMaxWaits) return 0;
    sqlite3_sleep(kWaitMs);
    return 1;
}

std::unique_ptr<Database> Database::create(const std::string& path) {
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = h ? sqlite3_errmsg(h) : sqlite3_errstr(rc);
        if (h) sqlite3_close_v2(h);
        throw DatabaseError(kErrDatabase, "'" + path + "' can not be created: " + msg);
    }
    std::unique_ptr<Database> db(new Database(h, path));
    sqlite3_busy_timeout(h, 5000);
    sqlite3_extended_result_codes(h, 1);
    db->exec("PRAGMA application_id = " + std::to_string(kApplicationId));
    return db;
}

void Database::exec(const std::string& sql) {
    ++m_counters.statementsPrepared;
    char* err = nullptr;
    int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : "";
        sqlite3_free(err);
        throwSqlite(m_db, rc, "running \"" + left(sql, 120) + "\"");
    }
}

namespace {

/// Resets a cached statement when its use ends, also by an exception, so it holds no lock.
class ResetOnExit {
public:
    explicit ResetOnExit(Statement& st) : m_st(st) {}
    ~ResetOnExit() { m_st.reset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    Statement& m_st;
};

/// Distinct statement texts kept per connection; the programs use a few dozen.
constexpr std::size_t kMaxCachedStatements = 256;

}  // namespace

int Database::execute(const std::string& sql, const std::vector<Value>& params) {
    Statement& st = cached(sql);
    ResetOnExit done(st);
    st.bindAll(params);
    while (st.step()) {
    }
    return sqlite3_changes(m_db);
}

Statement Database::prepare(const std::string& sql) { return Statement(m_db, sql, &m_counters); }

Statement& Database::cached(const std::string& sql) {
    auto it = m_statements.find(sql);
    if (it != m_statements.end()) return *it->second;
    if (m_statements.size() >= kMaxCachedStatements) m_statements.clear();
    auto st = std::make_unique<Statement>(m_db, sql, &m_counters);
    return *m_statements.emplace(sql, std::move(st)).first->second;
}

std::int64_t Database::lastInsertRowid() const { return sqlite3_last_insert_rowid(m_db); }

Value Database::scalar(const std::string& sql, const std::vector<Value>& params) {
    Statement& st = cached(sql);
    ResetOnExit done(st);
    st.bindAll(params);
    if (st.step()) return st.column(0);
    return Value();
}

bool Database::hasTable(const std::string& table) {
    Value v = scalar("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE", {table});
    return !v.isNull();
}

std::vector<std::string> Database::tableNames() {
    std::vector<std::string> names;
    Statement st(m_db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", &m_counters);
    while (st.step()) names.push_back(st.column(0).toText());
    return names;
}

const TableLayout& Database::layout(const std::string& table) {
    std::string key = toUpper(table);
    auto it = m_layouts.find(key);
    if (it != m_layouts.end()) return it->second;
    if (!hasTable(table)) throw DatabaseError(kErrTableMissing, "The table '" + table + "' is missing from the project.");
    TableLayout l;
    Statement st(m_db, "SELECT name, type FROM pragma_table_info(?)", &m_counters);
    st.bind(1, table);
    while (st.step()) {
        FieldDef f = fieldFromDeclared(st.column(0).toText(), st.column(1).toText());
        // Keys come from the schema; an older file keeps its own columns.
        if (const TableDef* td = schemaTable(table))
            if (const FieldDef* sf = td->field(f.name)) f.key = sf->key;
        l.index[toUpper(f.name)] = l.fields.size();
        l.fields.push_back(f);
    }
    return m_layouts.emplace(key, std::move(l)).first->second;
}

void Database::addField(const std::string& table, const FieldDef& field) {
    exec("ALTER TABLE " + quoteIdent(table) + " ADD COLUMN " + columnDefinition(field));
    m_layouts.erase(toUpper(table));
}

void Database::createTable(const TableDef& table) {
    exec(createTableSql(table));
    m_layouts.erase(toUpper(table.name));
}

void Database::begin() {
    if (m_txDepth == 0) {
        exec("BEGIN IMMEDIATE");
        // With the write lock held, make sure it is the project's file we hold: one that a rebuild
        // has replaced meanwhile is no longer the project, and what we wrote there would be lost.
        if (fileReplaced(m_db)) {
            exec("ROLLBACK");
            throw DatabaseError(kErrDatabase, "'" + m_path +
                                                  "' was replaced by another program (a rebuild) while this command "
                                                  "had it open. Nothing was written; run the command again.");
        }
    } else exec("SAVEPOINT sp" + std::to_string(m_txDepth));
    ++m_txDepth;
}

void Database::commit() {
    if (m_txDepth <= 0) return;
    --m_txDepth;
    if (m_txDepth == 0) exec("COMMIT");
    else exec("RELEASE sp" + std::to_string(m_txDepth));
}

void Database::rollback() {
    if (m_txDepth <= 0) return;
    --m_txDepth;
    if (m_txDepth == 0) exec("ROLLBACK");
    else {
        exec("ROLLBACK TO sp" + std::to_string(m_txDepth));
        exec("RELEASE sp" + std::to_string(m_txDepth));
    }
}

long long Database::totalChanges() const { return sqlite3_total_changes64(m_db); }

}  // namespace kolv::db
