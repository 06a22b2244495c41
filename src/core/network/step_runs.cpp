// The last run of each design step per system, kept in the project with a fingerprint of the data it saw.
#include "network/step_runs.h"

#include <cstring>
#include <fmt/format.h>

#include "common/text.h"
#include "db/schema.h"
#include "db/undo_history.h"

namespace kolv::network {

namespace {

constexpr const char* kTable = "STEP_RUNS";

/// Fields the runs write as their results (or as the print order): not design data. The node
/// `P_` fields are the sizing's accumulations, except the drainage areas `P_C1DA`..`P_C3DA`,
/// which the engineer types.
bool writtenByRuns(const std::string& field) {
    static const char* const kResults[] = {"COST_QTY", "COST_DOLLARS", "HGL_NOTE", "TAILWATER_IN_FEET",
                                           "EXIT_LOSS_16", "CONTROL_EL_16", "JUMP_TO_CROWN", "SEQUENCER"};
    const bool drainageArea = field.size() == 6 && field.rfind("P_C", 0) == 0 && field.compare(4, 2, "DA") == 0;
    if (field.rfind("P_", 0) == 0 && !drainageArea) return true;
    for (const char* r : kResults)
        if (field == r) return true;
    return false;
}

/// 64-bit FNV-1a, fed value by value with a type tag so 1 and "1" and Null differ.
class Fingerprint {
public:
    void add(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            m_hash ^= p[i];
            m_hash *= 0x100000001b3ULL;
        }
    }
    void add(const db::Value& v) {
        const auto& raw = v.raw();
        const unsigned char tag = static_cast<unsigned char>(raw.index());
        add(&tag, 1);
        if (const auto* i = std::get_if<std::int64_t>(&raw)) add(i, sizeof *i);
        else if (const auto* d = std::get_if<double>(&raw)) {
            const double x = *d == 0.0 ? 0.0 : *d;  // -0 and 0 are the same value
            add(&x, sizeof x);
        } else if (const auto* s = std::get_if<std::string>(&raw)) {
            const std::uint64_t n = s->size();
            add(&n, sizeof n);
            add(s->data(), s->size());
        }
    }
    std::string text() const { return fmt::format("{:016x}", m_hash); }

private:
    std::uint64_t m_hash = 0xcbf29ce484222325ULL;
};

/// Of the project setup only the units and the coefficients the runs read are design data; the
/// rest is the current system, naming counters, colours and report headings.
bool projectSetupDesignField(const std::string& field) {
    return field == "ENGLISH_METRIC" || field == "FRENCH_DRAIN_JURIS" ||
           (field.size() <= 4 && field.rfind("JC", 0) == 0);
}

/// Adds every design field of the table's rows (of one system when `bySystem`) in stored order.
void addTable(db::Database& db, Fingerprint& print, const std::string& table, bool bySystem,
              const std::string& system) {
    if (!db.hasTable(table)) return;
    std::string columns;
    for (const db::FieldDef& f : db.layout(table).fields) {
        const std::string field = toUpper(f.name);
        if (writtenByRuns(field) || (table == "T0" && !projectSetupDesignField(field))) continue;
        if (!columns.empty()) columns += ", ";
        columns += db::quoteIdent(f.name);
    }
    if (columns.empty()) return;
    const std::string tableMark = table + '\n';
    print.add(tableMark.data(), tableMark.size());
    std::string sql = "SELECT " + columns + " FROM " + db::quoteIdent(table);
    if (bySystem) sql += " WHERE SYSTEM = ?";
    sql += " ORDER BY rowid";
    db::Statement& q = db.cached(sql);
    q.reset();
    if (bySystem) q.bind(1, system);
    const int n = q.columnCount();
    while (q.step())
        for (int i = 0; i < n; ++i) print.add(q.column(i));
    q.reset();
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& l : lines) size += l.size() + 1;
    std::string text;
    text.reserve(size);
    for (const std::string& l : lines) {
        text += l;
        text += '\n';
    }
    return text;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

const char* stepName(DesignStep step) {
    switch (step) {
    case DesignStep::PipeSizes: return "PIPE SIZES";
    case DesignStep::FlowLines: return "FLOW LINES";
    case DesignStep::Hydraulics: return "HYDRAULICS";
    case DesignStep::Cost: return "COST";
    }
    return "";
}

std::string designDataStamp(db::Database& db, const std::string& systemName) {
    const std::string system = trim(systemName);
    Fingerprint print;
    for (const char* table : {"NODE", "REACH", "T16"}) addTable(db, print, table, true, system);
    for (const char* table : {"T6", "T7", "T2", "T85", "T0"}) addTable(db, print, table, false, system);
    return print.text();
}

std::string DesignStampCache::stamp(db::Database& db, const std::string& system) {
    const long long changes = db.totalChanges();
    if (m_db != &db || changes != m_changes || system != m_system) {
        m_stamp = designDataStamp(db, system);
        m_db = &db;
        m_changes = changes;
        m_system = system;
    }
    return m_stamp;
}

void recordStepRun(db::Database& db, DesignStep step, const std::string& systemName,
                   const std::vector<std::string>& lines) {
    const std::string system = trim(systemName);
    if (!db.hasTable(kTable)) {
        db.createTable(*db::schemaTable(kTable));
        if (db::UndoHistory* h = db.history()) h->trackTables();
    }
    const std::string stamp = designDataStamp(db, system);
    db.execute("DELETE FROM STEP_RUNS WHERE STEP = ? AND SYSTEM = ?", {std::string(stepName(step)), system});
    // The listing of a large system runs to megabytes: it is moved into the parameters, not copied.
    std::vector<db::Value> values;
    values.reserve(4);
    values.emplace_back(std::string(stepName(step)));
    values.emplace_back(system);
    values.emplace_back(stamp);
    values.emplace_back(joinLines(lines));
    db.execute("INSERT INTO STEP_RUNS (STEP, SYSTEM, STAMP, LINES) VALUES (?, ?, ?, ?)", values);
}

std::optional<StepRun> lastStepRun(db::Database& db, DesignStep step, const std::string& systemName) {
    if (!db.hasTable(kTable)) return std::nullopt;
    db::Statement& q = db.cached("SELECT STAMP, LINES FROM STEP_RUNS WHERE STEP = ? AND SYSTEM = ? ORDER BY rowid DESC");
    q.reset();
    q.bind(1, std::string(stepName(step)));
    q.bind(2, trim(systemName));
    std::optional<StepRun> run;
    if (q.step()) run = StepRun{splitLines(q.column(1).toText()), trim(q.column(0).toText())};
    q.reset();
    return run;
}

}  // namespace kolv::network
