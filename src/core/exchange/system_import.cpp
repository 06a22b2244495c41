// Importing nodes and reaches of a storm sewer system from the rows of a text file.
#include "exchange/system_import.h"

#include <algorithm>
#include <map>
#include <optional>
#include <sqlite3.h>
#include <unordered_map>
#include <unordered_set>

#include "common/error.h"
#include "common/number_input.h"
#include "common/text.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/undo_history.h"
#include "editing/survey_lengths.h"
#include "exchange/row_listing.h"
#include "ui/busy_pointer.h"

namespace kolv::exchange {

// ------------------------------------------------------------------ the file

ImportFile makeImportFile(TextTable table, bool firstLineIsHeading, std::string path) {
    ImportFile f;
    f.path = std::move(path);
    f.fileColumns = table.fileColumns;
    f.hasQuoteMarks = table.hasQuoteMarks;
    const int columns = table.columnCount();
    const auto fieldsOf = [&](std::size_t i) {
        return i < table.fieldCounts.size() ? table.fieldCounts[i] : static_cast<int>(table.lines[i].size());
    };
    std::size_t first = 0;
    if (firstLineIsHeading && !table.lines.empty()) {
        for (const auto& h : table.lines[0]) f.headings.push_back(importValue(h));
        f.headingFields = fieldsOf(0);
        first = 1;
    }
    f.headings.resize(static_cast<std::size_t>(columns));
    for (std::size_t c = 0; c < f.headings.size(); ++c)
        if (f.headings[c].empty()) f.headings[c] = "Column " + std::to_string(c + 1);
    f.rows.reserve(table.lines.size() - first);
    for (std::size_t i = first; i < table.lines.size(); ++i) {
        f.fieldCounts.push_back(fieldsOf(i));
        f.rows.push_back(std::move(table.lines[i]));
        f.rows.back().resize(static_cast<std::size_t>(columns));
    }
    return f;
}

ImportFile readImportFile(const std::string& path, char separator, bool firstLineIsHeading) {
    return makeImportFile(parseText(readFileBytes(path), separator), firstLineIsHeading, path);
}

std::string importValue(std::string_view raw) {
    // The export's text mark: one apostrophe ahead of "=", "@", a tab or a carriage return. It
    // goes, and the character after it is kept as the value's first (a tab is not trimmed away).
    std::string_view lead = raw;
    while (!lead.empty() && (lead.front() == ' ' || lead.front() == '\t')) lead.remove_prefix(1);
    if (lead.size() >= 2 && lead[0] == '\'' && (lead[1] == '=' || lead[1] == '@' || lead[1] == '\t' || lead[1] == '\r')) {
        std::string v(1, lead[1]);
        for (char c : lead.substr(2))
            if (c != '"' && c != '\'') v.push_back(c);
        std::size_t end = v.size();
        while (end > 1 && (v[end - 1] == ' ' || v[end - 1] == '\t')) --end;
        v.resize(end);
        return v;
    }
    std::string v;
    v.reserve(raw.size());
    for (char c : raw)
        if (c != '"' && c != '\'') v.push_back(c);
    return trim(v);
}

void announceFile(const ImportFile& file, ui::UiPort& ui) {
    if (file.hasQuoteMarks)
        ui.inform(kImportTitle,
                  "Quote marks, single(') or double (\") cannot be imported.\n"
                  "These characters will be removed from the imported text.\n"
                  "The import file will not be effected.",
                  ui::Icon::Exclamation);
    if (file.fileColumns > kMaxImportColumns)
        ui.inform(kImportTitle,
                  "The import data has " + std::to_string(file.fileColumns) +
                      " columns.\nThis import routine has a limit of 32 columns.\n"
                      "All columns past the 32nd will be ignored.",
                  ui::Icon::Exclamation);
}

std::vector<std::string> distinctValues(const ImportFile& file, const std::vector<Destination>& destinations,
                                        Destination which, const std::string& rowListing) {
    std::vector<int> rows;
    RowListing listing = parseRowListing(rowListing, static_cast<int>(file.rows.size()));
    if (!trim(rowListing).empty() && listing.ok()) {
        rows = listing.rows;
    } else {
        for (int r = 1; r <= static_cast<int>(file.rows.size()); ++r) rows.push_back(r);
    }
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    for (std::size_t c = 0; c < destinations.size() && c < file.headings.size(); ++c) {
        if (destinations[c] != which) continue;
        for (int r : rows) {
            std::string v = importValue(file.rows[static_cast<std::size_t>(r - 1)][c]);
            if (!v.empty() && seen.insert(toUpper(v)).second) out.push_back(v);
        }
    }
    return out;
}

// ------------------------------------------------------------------ the run

namespace {

constexpr const char* kNoSystemLines =
    "\nExit import routine and create a new system using pulldown:\nEdit | Storm Sewer System Add/Delete/Rename";

std::string key(std::string_view name) { return toUpper(trim(name)); }

/// A found or created record: where it is and which system holds it.
struct Found {
    std::int64_t rowid = 0;
    std::string system;
};

/// Where the run is, for the message of a fault.
struct Position {
    int row = 0;
    int column = -1;  // 0-based; -1 = the row as a whole
};

/// A value the project refuses (too long for its field, not a number, out of range): the row is
/// skipped whole and the run goes on.
struct ValueRefused {
    int column = -1;  // 0-based; -1 = the row as a whole
    std::string reason;
};

/// True for the faults of one value, as opposed to faults of the file or of the storage.
bool isValueFault(const Error& e) {
    switch (e.code()) {
    case kErrTextTooLong:
    case kErrTypeMismatch:
    case kErrOverflow:
    case kErrNullInIndex: return true;
    default: return false;
    }
}

/// Writes rows of one table by rowid with prepared statements kept per column set, so a large
/// file does not prepare a statement per row; values are checked against the fields first.
class TableWriter {
public:
    TableWriter(db::Database& db, std::string table) : m_db(db), m_table(std::move(table)) {
        m_layout = &db.layout(m_table);
    }

    const db::FieldDef* field(const std::string& name) const { return m_layout->field(name); }

    /// Loads NAME -> (rowid, SYSTEM) of every row of the project.
    std::unordered_map<std::string, Found> index() {
        std::unordered_map<std::string, Found> out;
        db::Statement st = m_db.prepare("SELECT rowid, \"NAME\", \"SYSTEM\" FROM " + db::quoteIdent(m_table));
        while (st.step()) {
            std::string k = key(st.column(1).toText());
            if (!k.empty()) out.emplace(k, Found{st.column(0).toInt(), trim(st.column(2).toText())});
        }
        return out;
    }

    /// A value checked (and converted) for a field the way a record set would store it.
    db::Value coerce(const std::string& fieldName, const db::Value& v) const {
        const db::FieldDef* f = field(fieldName);
        if (!f) throw Error(kErrDatabase, "The field " + m_table + "." + fieldName + " is missing from the project.");
        return db::RecordSet::coerce(m_table, *f, v);
    }

    using Values = std::vector<std::pair<std::string, db::Value>>;

    /// Adds a row with these fields; returns its rowid. (One INSERT for a new record, not an
    /// INSERT and an UPDATE: an undo history records an update with the whole old row.)
    std::int64_t insert(const Values& values) {
        run("INSERT", values, 0);
        return sqlite3_last_insert_rowid(m_db.handle());
    }

    /// Updates the fields of a row.
    void update(std::int64_t rowid, const Values& values) {
        if (!values.empty()) run("UPDATE", values, rowid);
    }

private:
    /// Runs an INSERT or UPDATE of the fields given (a field given twice keeps its last value),
    /// with the statement of that field list prepared once.
    void run(const std::string& kind, const Values& values, std::int64_t rowid) {
        std::vector<std::string> names;
        std::vector<db::Value> vals;
        for (const auto& [n, v] : values) {
            auto it = std::find(names.begin(), names.end(), n);
            if (it != names.end()) {
                vals[static_cast<std::size_t>(it - names.begin())] = v;
            } else {
                names.push_back(n);
                vals.push_back(v);
            }
        }
        std::string sig = kind;
        for (const auto& n : names) sig += "\x1f" + n;
        auto it = m_statements.find(sig);
        if (it == m_statements.end()) {
            std::string sql;
            if (kind == "INSERT") {
                std::string cols, marks;
                for (std::size_t i = 0; i < names.size(); ++i) {
                    cols += (i ? ", " : "") + db::quoteIdent(names[i]);
                    marks += i ? ", ?" : "?";
                }
                sql = "INSERT INTO " + db::quoteIdent(m_table) + " (" + cols + ") VALUES (" + marks + ")";
            } else {
                sql = "UPDATE " + db::quoteIdent(m_table) + " SET ";
                for (std::size_t i = 0; i < names.size(); ++i) sql += (i ? ", " : "") + db::quoteIdent(names[i]) + " = ?";
                sql += " WHERE rowid = ?";
            }
            it = m_statements.emplace(sig, m_db.prepare(sql)).first;
        }
        db::Statement& st = it->second;
        st.reset();
        int i = 1;
        for (const auto& v : vals) st.bind(i++, v);
        if (kind != "INSERT") st.bind(i, db::Value(static_cast<long long>(rowid)));
        st.step();
    }

private:
    db::Database& m_db;
    std::string m_table;
    const db::TableLayout* m_layout;
    std::map<std::string, db::Statement> m_statements;
};

/// A description link of the setup, by folded description.
struct LinkTable {
    std::unordered_map<std::string, std::string> links;  // description -> linked name ("" = not linked)
    std::unordered_set<std::string> defined;             // folded T6 / T7 names
};

LinkTable linkTable(db::Database& db, const std::vector<DescriptionLink>& links, const char* defTable) {
    LinkTable t;
    for (const auto& l : links) t.links.emplace(key(l.description), trim(l.name));
    db::Statement st = db.prepare("SELECT \"NAME\" FROM " + db::quoteIdent(defTable));
    while (st.step()) t.defined.insert(key(st.column(0).toText()));
    return t;
}

/// The caption of a destination in messages: its name without "Node: " / "Reach: ".
std::string caption(Destination d) {
    const std::string& n = destinationName(d);
    auto p = n.find(": ");
    return p == std::string::npos ? n : n.substr(p + 2);
}

class ImportRun {
    using Sets = TableWriter::Values;

public:
    ImportRun(db::Database& db, ui::UiPort& ui, const ImportFile& file, const ImportRequest& req, ImportResult& result)
        : m_db(db), m_ui(ui), m_file(file), m_req(req), m_result(result), m_nodes(db, "NODE"), m_reaches(db, "REACH") {
        m_system = trim(req.system);
        const ImportSetup setup = req.links ? *req.links : loadSetup(db, req.setupName);
        m_structureLinks = linkTable(db, setup.structures, "T6");
        m_pipeLinks = linkTable(db, setup.pipes, "T7");
        m_nodeIndex = m_nodes.index();
        m_reachIndex = m_reaches.index();
        const std::size_t n = std::min(req.destinations.size(), file.headings.size());
        for (std::size_t c = 0; c < n; ++c) {
            Destination d = req.destinations[c];
            if (d == Destination::None) continue;
            m_columns[static_cast<int>(d)].push_back(static_cast<int>(c));
            if (d > Destination::ReachName) m_anyReachColumn = true;
        }
    }

    /// Imports the rows; returns false when the engineer cancelled.
    bool run(const std::vector<int>& rows) {
        const std::size_t total = rows.size();
        const std::size_t step = std::max<std::size_t>(1, total / 100);
        for (std::size_t i = 0; i < total; ++i) {
            if (i % step == 0) {
                m_ui.progress(static_cast<int>(i * 100 / total));
                m_ui.status("Importing row " + std::to_string(i + 1) + " of " + std::to_string(total));
                m_ui.processEvents();
                if (m_ui.cancelRequested()) return false;
            }
            importRow(rows[i]);
        }
        m_ui.progress(100);
        return true;
    }

    Position position() const { return m_pos; }

private:
    const std::string& cell(int row, int column) const {
        return m_file.rows[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column)];
    }
    const std::vector<int>& columnsOf(Destination d) const {
        static const std::vector<int> none;
        auto it = m_columns.find(static_cast<int>(d));
        return it == m_columns.end() ? none : it->second;
    }
    /// The value of the first column assigned to a destination ("" when none).
    std::string firstValue(int row, Destination d) {
        const auto& cols = columnsOf(d);
        if (cols.empty()) return {};
        m_pos.column = cols.front();
        return importValue(cell(row, cols.front()));
    }
    /// The row's log lines wait until the row is written: a skipped row leaves only its refusal.
    void log(std::string line) { m_rowLog.push_back(std::move(line)); }

    /// A row's value refused: the row is skipped with the place and the reason.
    [[noreturn]] void refuse(std::string reason) const { throw ValueRefused{m_pos.column, std::move(reason)}; }

    /// A text value of the file, refused when it holds a character no field can keep.
    std::string acceptedText(std::string v) const {
        if (v.find('\0') != std::string::npos) refuse("The value holds a NUL character (code 0).");
        return v;
    }

    /// A record the row writes to: an existing one (by rowid) or one to be created.
    struct Target {
        std::int64_t rowid = 0;
        bool isNew = false;
    };

    /// Finds a node or reach by name over the whole project, or marks it for creation in the
    /// destination system; nullopt when it belongs to another system.
    std::optional<Target> findOrCreate(bool node, const std::string& name) {
        auto& index = node ? m_nodeIndex : m_reachIndex;
        TableWriter& w = node ? m_nodes : m_reaches;
        const char* label = node ? "Node: " : "Reach: ";
        auto it = index.find(key(name));
        if (it != index.end()) {
            if (!equalsIgnoreCase(it->second.system, m_system)) {
                log(label + name + " is currently in System:" + it->second.system + ". Record will NOT be updated.");
                ++(node ? m_rowCounts.nodesRefused : m_rowCounts.reachesRefused);
                return std::nullopt;
            }
            ++(node ? m_rowCounts.nodesUpdated : m_rowCounts.reachesUpdated);
            return Target{it->second.rowid, false};
        }
        checked(w, "NAME", name);  // a name the field refuses skips the row, naming its column
        if (node) {
            log("Node: " + name + " - New node created in System: " + m_system);
            ++m_rowCounts.nodesCreated;
        } else {
            log("Reach: " + name + " - New reach created in System: " + m_system);
            ++m_rowCounts.reachesCreated;
        }
        return Target{0, true};
    }

    /// Writes the row's values: one INSERT for a new record, one UPDATE for a found one.
    void write(bool node, const std::string& name, const Target& target, Sets values) {
        TableWriter& w = node ? m_nodes : m_reaches;
        if (!target.isNew) {
            w.update(target.rowid, values);
            return;
        }
        Sets all = {{"NAME", w.coerce("NAME", name)}, {"SYSTEM", w.coerce("SYSTEM", m_system)}};
        if (!node) {
            // A new reach starts with computed lengths, inverts and pipe size, and one barrel.
            for (const char* f : {"ELEV1", "ELEV2", "LENGTH", "HYD_LENGTH"}) all.emplace_back(f, 0.0);
            for (const char* f : {"CALC_PIPEL", "CALC_FROM_ELEV", "CALC_TO_ELEV", "CALC_PIPESIZE", "FROM_FL_CL", "TO_FL_CL"})
                all.emplace_back(f, -1);
            all.emplace_back("BARRELS", 1);
        }
        all.insert(all.end(), values.begin(), values.end());
        std::int64_t id = w.insert(all);
        (node ? m_nodeIndex : m_reachIndex).emplace(key(name), Found{id, m_system});
    }

    /// Text cut to `n` characters, with the truncation line logged first.
    std::string cut(const std::string& prefix, const char* what, const std::string& v, std::size_t n,
                    const char* kind = "Name") {
        if (utf8Length(v) <= n) return v;
        log(prefix + " - " + what + " '" + v + "' exceeds " + std::to_string(n) + " characters. " + kind +
            " will be truncated.");
        return utf8Left(v, n);
    }

    /// A description translated through the setup's links (the three fallbacks logged).
    std::string translate(const std::string& prefix, const LinkTable& links, const std::string& v, bool structure,
                          const std::string& fallback) {
        const char* kind = structure ? "Structure" : "Pipe";
        const std::string tail = std::string(". ") + kind + " will be set to default '" + fallback + "'";
        auto it = links.links.find(key(v));
        if (it == links.links.end()) {
            log(prefix + " - Import " + kind + " link '" + v + "' could not be found" + tail);
            return fallback;
        }
        if (it->second.empty()) {
            log(prefix + " - Import " + kind + " description '" + v + "' is not linked to an KOLV " + toLower(kind) + tail);
            return fallback;
        }
        if (!links.defined.count(key(it->second))) {
            log(prefix + " - Import " + kind + " description '" + v + "' is linked to an KOLV " + toLower(kind) + " '" +
                it->second + "' that does not exist" + tail);
            return fallback;
        }
        return it->second;
    }

    /// A number for a field; a text the field does not accept skips the row.
    std::optional<double> number(const char* table, const char* field, Destination d, const std::string& v) {
        input::NumberCheck c = input::checkField(table, field, v, caption(d));
        if (!c.ok()) refuse(c.error + " The value was '" + v + "'.");
        return c.value;
    }

    /// A value as the field stores it; one the field refuses skips the row, naming its column.
    db::Value checked(TableWriter& w, const std::string& field, const db::Value& v) const {
        try {
            return w.coerce(field, v);
        } catch (const Error& e) {
            if (!isValueFault(e)) throw;
            refuse(e.what());
        }
    }

    /// Adds a checked value to the row's writes.
    void put(TableWriter& w, Sets& sets, const std::string& field, const db::Value& v) {
        sets.emplace_back(field, checked(w, field, v));
    }

    /// The node fields the row writes.
    Sets nodeValues(int row, const std::string& name) {
        const std::string prefix = "Node: " + name;
        Sets s;
        for (int d = static_cast<int>(Destination::NodeBaseline); d <= static_cast<int>(Destination::NodeC3); ++d) {
            const auto dest = static_cast<Destination>(d);
            for (int c : columnsOf(dest)) {
                m_pos.column = c;
                const std::string v = acceptedText(importValue(cell(row, c)));
                if (v.empty()) continue;  // an empty cell leaves the field as it is
                auto num = [&](const char* field) { return number("NODE", field, dest, v); };
                switch (dest) {
                case Destination::NodeBaseline: put(m_nodes, s, "BASELINE", cut(prefix, "Baseline name", v, 8)); break;
                case Destination::NodeStation: {
                    std::string st = v;
                    auto r = st.find('R');  // a baseline region; a lowercase r is part of the station
                    if (r != std::string::npos) {
                        log(prefix + " - Station '" + v +
                            "' contains a reference to a baseline region 'R'. Station will been truncated at the 'R'.");
                        st = trim(st.substr(0, r));
                    }
                    put(m_nodes, s, "STATION", cut(prefix, "Station", st, 12));
                    break;
                }
                case Destination::NodeProfile: put(m_nodes, s, "PROFILE_NAME", cut(prefix, "Profile Name", v, 8)); break;
                case Destination::NodeCrossSlope:
                    put(m_nodes, s, "TYP_SECT_NAME", cut(prefix, "Cross Slope Name", v, 8));
                    break;
                case Destination::NodeStructure: {
                    std::string linked = translate(prefix, m_structureLinks, v, true, trim(m_req.defaultStructure));
                    put(m_nodes, s, "STRUCT_NAME", linked.empty() ? db::Value() : db::Value(linked));
                    break;
                }
                default: {
                    static const std::map<Destination, std::pair<const char*, const char*>> numeric = {
                        {Destination::NodeOffset, {"OFFSET", nullptr}},
                        {Destination::NodeNorth, {"YD", nullptr}},
                        {Destination::NodeEast, {"XD", nullptr}},
                        {Destination::NodeRotation, {"ANGLE", "AUTO_ROTATE"}},
                        {Destination::NodeInletElev, {"INLET_ELEV", nullptr}},
                        {Destination::NodeMinHgl, {"MIN_HGL", nullptr}},
                        {Destination::NodeJunctionLoss, {"JUNC_LOSS_COEFF", nullptr}},
                        {Destination::NodeTc, {"TC", nullptr}},
                        {Destination::NodeBaseFlow, {"BASE_FLOW", nullptr}},
                        {Destination::NodeArea1, {"P_C1DA", "CALC_DA1"}},
                        {Destination::NodeC1, {"RUNOFF_C1", "CALC_RUNOFF_C1"}},
                        {Destination::NodeArea2, {"P_C2DA", "CALC_DA2"}},
                        {Destination::NodeC2, {"RUNOFF_C2", "CALC_RUNOFF_C2"}},
                        {Destination::NodeArea3, {"P_C3DA", "CALC_DA3"}},
                        {Destination::NodeC3, {"RUNOFF_C3", "CALC_RUNOFF_C3"}},
                    };
                    auto it = numeric.find(dest);
                    if (it == numeric.end()) break;
                    auto x = num(it->second.first);
                    if (!x) break;
                    put(m_nodes, s, it->second.first, *x);
                    // The value is now the engineer's: its calculation switch goes off.
                    if (it->second.second && m_nodes.field(it->second.second)) put(m_nodes, s, it->second.second, 0);
                    break;
                }
                }
            }
        }
        return s;
    }

    /// The reach fields the row writes.
    Sets reachValues(int row, const std::string& name, const std::string& impliedFrom) {
        const std::string prefix = "Reach: " + name;
        Sets s;
        if (!impliedFrom.empty()) put(m_reaches, s, "NODE1", cut(prefix, "From Node", impliedFrom, 8));
        for (int d = static_cast<int>(Destination::ReachFromNode); d <= static_cast<int>(Destination::ReachLength); ++d) {
            const auto dest = static_cast<Destination>(d);
            for (int c : columnsOf(dest)) {
                m_pos.column = c;
                const std::string v = acceptedText(importValue(cell(row, c)));
                if (v.empty()) continue;
                auto num = [&](const char* field) { return number("REACH", field, dest, v); };
                switch (dest) {
                case Destination::ReachFromNode: put(m_reaches, s, "NODE1", cut(prefix, "From Node", v, 8)); break;
                case Destination::ReachToNode: put(m_reaches, s, "NODE2", cut(prefix, "To Node", v, 8)); break;
                case Destination::ReachFromInvert:
                    if (auto x = num("ELEV1")) {
                        put(m_reaches, s, "ELEV1", *x);
                        put(m_reaches, s, "FROM_FL_CL", -1);
                        put(m_reaches, s, "CALC_FROM_ELEV", 0);
                    }
                    break;
                case Destination::ReachToInvert:
                    if (auto x = num("ELEV2")) {
                        put(m_reaches, s, "ELEV2", *x);
                        put(m_reaches, s, "TO_FL_CL", -1);
                        put(m_reaches, s, "CALC_TO_ELEV", 0);
                    }
                    break;
                case Destination::ReachPipe: {
                    std::string linked = translate(prefix, m_pipeLinks, v, false, trim(m_req.defaultPipe));
                    put(m_reaches, s, "PIPE_NAME", linked.empty() ? db::Value() : db::Value(linked));
                    put(m_reaches, s, "CALC_PIPESIZE", 0);
                    break;
                }
                case Destination::ReachBarrels:
                    if (auto x = num("BARRELS")) put(m_reaches, s, "BARRELS", *x);
                    break;
                case Destination::ReachHydLength:
                    if (auto x = num("HYD_LENGTH")) {
                        put(m_reaches, s, "HYD_LENGTH", *x);
                        put(m_reaches, s, "CALC_PIPEL", 0);
                    }
                    break;
                case Destination::ReachLength:
                    if (auto x = num("LENGTH")) {
                        put(m_reaches, s, "LENGTH", *x);
                        put(m_reaches, s, "CALC_PIPEL", 0);
                    }
                    break;
                default: break;
                }
            }
        }
        return s;
    }

    void importRow(int row) {
        m_pos = {row, -1};
        ++m_result.rows;
        m_rowLog.clear();
        m_rowCounts = {};
        const auto& fields = m_file.fieldCounts;
        const std::size_t at = static_cast<std::size_t>(row - 1);
        if (m_file.headingFields > 0 && at < fields.size() && fields[at] > m_file.headingFields)
            m_result.log.push_back("Row " + std::to_string(row) + " has " + std::to_string(fields[at]) +
                                   " values but the heading names " + std::to_string(m_file.headingFields) +
                                   " columns: a value holding the separator (such as 1,5) moves every later value "
                                   "one column on. Check the row.");
        std::optional<Target> node, reach;
        std::string nodeName, reachName;
        Sets nodeSets, reachSets;
        try {
            nodeName = acceptedText(firstValue(row, Destination::NodeName));
            std::string impliedFrom;
            if (!columnsOf(Destination::ReachName).empty()) {
                reachName = acceptedText(firstValue(row, Destination::ReachName));
            } else if (m_anyReachColumn && !nodeName.empty() && !firstValue(row, Destination::ReachToNode).empty()) {
                reachName = nodeName;  // the node's outgoing reach
                if (columnsOf(Destination::ReachFromNode).empty()) impliedFrom = nodeName;
            }
            // Take the node and the reach first, then check every value before anything is written.
            if (!nodeName.empty()) {
                m_pos.column = columnsOf(Destination::NodeName).front();
                node = findOrCreate(true, nodeName);
            }
            if (!reachName.empty()) {
                m_pos.column = columnsOf(Destination::ReachName).empty() ? columnsOf(Destination::NodeName).front()
                                                                          : columnsOf(Destination::ReachName).front();
                reach = findOrCreate(false, reachName);
            }
            if (node) nodeSets = nodeValues(row, nodeName);
            if (reach) reachSets = reachValues(row, reachName, impliedFrom);
        } catch (const ValueRefused& refused) {
            std::string where = "Row " + std::to_string(row);
            if (refused.column >= 0)
                where += ", column " + std::to_string(refused.column + 1) + " ('" +
                         m_file.headings[static_cast<std::size_t>(refused.column)] + "')";
            m_result.log.push_back(where + ": " + refused.reason + " The row was skipped.");
            ++m_result.rowsSkipped;
            return;
        }
        if (node) {
            m_pos.column = columnsOf(Destination::NodeName).front();
            write(true, nodeName, *node, std::move(nodeSets));
            log("Node: " + nodeName + " - Node data updated.");
        }
        if (reach) {
            m_pos.column = columnsOf(Destination::ReachName).empty() ? -1 : columnsOf(Destination::ReachName).front();
            write(false, reachName, *reach, std::move(reachSets));
            log("Reach: " + reachName + " - Reach data updated.");
        }
        for (auto& line : m_rowLog) m_result.log.push_back(std::move(line));
        m_result.nodesCreated += m_rowCounts.nodesCreated;
        m_result.nodesUpdated += m_rowCounts.nodesUpdated;
        m_result.nodesRefused += m_rowCounts.nodesRefused;
        m_result.reachesCreated += m_rowCounts.reachesCreated;
        m_result.reachesUpdated += m_rowCounts.reachesUpdated;
        m_result.reachesRefused += m_rowCounts.reachesRefused;
        ++((node || reach) ? m_result.rowsWritten : m_result.rowsSkipped);
    }

    /// Record counts of the row in hand, added to the result when the row is written.
    struct RowCounts {
        int nodesCreated = 0, nodesUpdated = 0, nodesRefused = 0;
        int reachesCreated = 0, reachesUpdated = 0, reachesRefused = 0;
    };

    db::Database& m_db;
    ui::UiPort& m_ui;
    const ImportFile& m_file;
    const ImportRequest& m_req;
    ImportResult& m_result;
    std::string m_system;
    TableWriter m_nodes, m_reaches;
    LinkTable m_structureLinks, m_pipeLinks;
    std::unordered_map<std::string, Found> m_nodeIndex, m_reachIndex;
    std::map<int, std::vector<int>> m_columns;  // destination -> columns, in column order
    bool m_anyReachColumn = false;
    Position m_pos;
    std::vector<std::string> m_rowLog;
    RowCounts m_rowCounts;
};

}  // namespace

ImportResult runImport(db::Database& db, ui::UiPort& ui, const ImportFile& file, const ImportRequest& req) {
    ImportResult result;
    const std::string system = trim(req.system);
    if (system.empty()) {
        ui.invalidData(std::string("Destination System contains no system name.") + kNoSystemLines);
        return result;
    }
    if (db.scalar("SELECT COUNT(*) FROM T16 WHERE SYSTEM = ?", {system}).toInt() == 0) {
        ui.invalidData("Destination System '" + system + "' could not be found." + kNoSystemLines);
        return result;
    }
    RowListing listing = parseRowListing(req.rowListing, static_cast<int>(file.rows.size()));
    if (!listing.ok()) {
        ui.invalidData(listing.error);
        return result;
    }

    ui::BusyPointer busy(ui);
    result.ran = true;
    result.log.push_back("Import of file " + (file.path.empty() ? std::string("(no name)") : file.path) +
                         " into System: " + system + " with setup '" + trim(req.setupName) + "'");

    Position where;
    bool completed = false;
    {
        db::UndoAction step(db, "Import Storm Sewer");
        db::Transaction tx(db);
        ImportRun run(db, ui, file, req, result);
        try {
            completed = run.run(listing.rows);
            if (completed) {
                // positions imported into a survey project measure the computed lengths
                editing::updateReachLengths(db, system);
                tx.commit();
            }
        } catch (const Error& e) {
            where = run.position();
            // The transaction rolls back as it goes out of scope; say where the file was refused.
            std::string at = "row " + std::to_string(where.row);
            if (where.column >= 0)
                at += ", column " + std::to_string(where.column + 1) + " ('" +
                      file.headings[static_cast<std::size_t>(where.column)] + "')";
            throw Error(e.code(), "The import stopped at " + at + ": " + e.what() +
                                      "\nNothing was imported; the project has not been changed.");
        }
    }
    ui.status("");
    if (!completed) {
        result.cancelled = true;
        result.log.push_back("Import cancelled. Nothing was imported; the project has not been changed.");
        ui.inform(kImportTitle, "Import cancelled. Nothing was imported; the project has not been changed.",
                  ui::Icon::Information);
        result.nodesCreated = result.nodesUpdated = result.nodesRefused = 0;
        result.rowsWritten = result.rowsSkipped = 0;
        result.reachesCreated = result.reachesUpdated = result.reachesRefused = 0;
        return result;
    }
    result.log.push_back("Import Complete. Rows read: " + std::to_string(result.rows) + ", written: " +
                         std::to_string(result.rowsWritten) + ", skipped: " + std::to_string(result.rowsSkipped) +
                         ". Nodes created: " +
                         std::to_string(result.nodesCreated) + ", updated: " + std::to_string(result.nodesUpdated) +
                         ", not updated: " + std::to_string(result.nodesRefused) + ". Reaches created: " +
                         std::to_string(result.reachesCreated) + ", updated: " + std::to_string(result.reachesUpdated) +
                         ", not updated: " + std::to_string(result.reachesRefused) + ".");
    return result;
}

}  // namespace kolv::exchange
