// Renaming the nodes and reaches of one system in two passes through temporary names.
#include "renumber/renumbering.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "common/error.h"
#include "common/number_input.h"
#include "common/text.h"
#include "common/utf8_text.h"
#include "db/csv.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/undo_history.h"

namespace kolv::renumber {

namespace {

constexpr const char* kTitle = "NODE AND REACH RENUMBERING";
constexpr std::size_t kMaxName = 8;

/// Names compare without regard to case, as the project's text fields do.
std::string key(std::string_view name) { return toUpper(trim(name)); }

std::string finalNode(const RenumberRow& r) {
    const std::string n = trim(r.newNode);
    return n.empty() ? r.node : n;
}

std::string finalReach(const RenumberRow& r) {
    const std::string n = trim(r.newReach);
    return n.empty() ? r.reach : n;
}

/// Names that occur more than once, in order of their second occurrence, each once.
std::vector<std::string> repeats(const std::vector<std::string>& names) {
    std::set<std::string> seen, listed;
    std::vector<std::string> out;
    for (const auto& n : names) {
        const std::string k = key(n);
        if (!seen.insert(k).second && listed.insert(k).second) out.push_back(n);
    }
    return out;
}

std::vector<std::string> finalNodeNames(const std::vector<RenumberRow>& rows) {
    std::vector<std::string> names;
    for (const auto& r : rows) names.push_back(finalNode(r));
    return names;
}

/// Final names of every reach of the system: those leaving a listed node take their new
/// name, any other reach keeps its own.
std::vector<std::string> finalReachNames(db::Database& db, const std::string& system,
                                         const std::vector<RenumberRow>& rows) {
    std::map<std::string, std::string> renamed;
    for (const auto& r : rows)
        if (!r.reach.empty()) renamed[key(r.reach)] = finalReach(r);
    std::vector<std::string> names;
    db::RecordSet reaches(db, "REACH", "SYSTEM = ?", {system});
    for (reaches.moveFirst(); !reaches.eof(); reaches.moveNext()) {
        const std::string n = trim(reaches.text("NAME"));
        auto it = renamed.find(key(n));
        names.push_back(it == renamed.end() ? n : it->second);
    }
    return names;
}

/// The system of another system's record holding `value` in `field` (possibly blank), or
/// nothing when no record of another system holds it.
std::optional<std::string> otherSystemHolding(db::Database& db, const std::string& table, const std::string& field,
                                              const std::string& value, const std::string& system) {
    if (!db.hasTable(table)) return std::nullopt;
    db::Statement st = db.prepare("SELECT SYSTEM FROM " + db::quoteIdent(table) + " WHERE " + db::quoteIdent(field) +
                                  " = ? AND (SYSTEM IS NULL OR SYSTEM <> ?) LIMIT 1");
    st.bindAll({value, system});
    if (!st.step()) return std::nullopt;
    return trim(st.column(0).toText());
}

bool changed(const std::string& from, const std::string& to) { return !to.empty() && trim(from) != trim(to); }

/// One record field that carries a name, with the caption of its progress line ("" = no line).
struct Target {
    const char* caption;
    const char* table;
    const char* field;
};

// Section 1: node names, wherever a record of the system refers to a node. Bypass links and
// the last storm tabulation of the system name nodes too; they follow without a line.
const Target kNodeTargets[] = {{"Node Name", "NODE", "NAME"},
                               {"Reach (Node1)", "REACH", "NODE1"},
                               {"Reach (Node2)", "REACH", "NODE2"},
                               {"Outfall Node Name", "T16", "OUT_NODE"},
                               {"", "T30", "NODE1"},
                               {"", "T30", "NODE2"},
                               {"", "T60", "FROM"},
                               {"", "T60", "TO"}};
// Section 2: reach names (a bypass segment is named like the reach it bypasses).
const Target kReachTargets[] = {{"Reach Name", "REACH", "NAME"}, {"", "T30", "NAME"}};

struct Change {
    std::string from, to, temp;
};

/// Hands out temporary names that no record of the project holds and no other change uses,
/// so that pass 2 finds exactly the records pass 1 renamed. The raised-code name is used when
/// it is free and printable; otherwise a "~" name is made up.
class TemporaryNames {
public:
    explicit TemporaryNames(db::Database& db) {
        const std::vector<std::pair<const char*, const char*>> fields = {
            {"NODE", "NAME"},  {"REACH", "NAME"},  {"REACH", "NODE1"}, {"REACH", "NODE2"}, {"T16", "OUT_NODE"},
            {"T30", "NAME"},   {"T30", "NODE1"},   {"T30", "NODE2"},   {"T60", "FROM"},    {"T60", "TO"}};
        for (const auto& [table, field] : fields) {
            if (!db.hasTable(table)) continue;
            db::Statement st = db.prepare("SELECT DISTINCT " + db::quoteIdent(field) + " FROM " + db::quoteIdent(table));
            while (st.step()) m_taken.insert(key(st.column(0).toText()));
        }
    }
    /// Marks names that the run will write (new names) as taken.
    void reserve(const std::string& name) { m_taken.insert(key(name)); }

    std::string make(const std::string& name) {
        std::string t = temporaryName(name);
        bool printable = !t.empty() && t.size() <= kMaxName;
        for (unsigned char c : t) printable = printable && c > 32 && c < 127;
        if (!printable || m_taken.count(key(t))) {
            do {
                t = "~" + std::to_string(++m_counter);
            } while (m_taken.count(key(t)));
        }
        m_taken.insert(key(t));
        return t;
    }

private:
    std::set<std::string> m_taken;
    int m_counter = 0;
};

/// Runs one section: pass 1 turns every old name into its temporary name, pass 2 every
/// temporary name into the new name, each over all the section's fields of the system.
void runSection(db::Database& db, const std::string& system, int section, const std::vector<Change>& changes,
                const Target* targets, std::size_t targetCount, ui::UiPort& ui, RenumberResult& result,
                int& step, int steps) {
    for (int pass = 1; pass <= 2; ++pass) {
        for (const Change& c : changes) {
            const std::string& from = pass == 1 ? c.from : c.temp;
            const std::string& to = pass == 1 ? c.temp : c.to;
            for (std::size_t i = 0; i < targetCount; ++i) {
                const Target& t = targets[i];
                if (!db.hasTable(t.table)) continue;
                db.execute("UPDATE " + db::quoteIdent(t.table) + " SET " + db::quoteIdent(t.field) +
                               " = ? WHERE SYSTEM = ? AND " + db::quoteIdent(t.field) + " = ?",
                           {to, system, from});
                if (*t.caption == '\0') continue;
                std::string line = "Section " + std::to_string(section) + ": Pass " + std::to_string(pass) + ": " +
                                   t.caption + " Change: " + (pass == 1 ? c.from : c.to);
                result.lines.push_back(line);
                ui.status(line);
            }
            ui.progress(steps > 0 ? ++step * 100 / steps : 100);
            ui.processEvents();
        }
    }
}

/// The checks every renumbering passes before anything is written: name lengths, the clash
/// test against other systems, then names given twice inside the system.
bool checkPlan(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows, ui::UiPort& ui) {
    for (const auto& r : rows) {
        if (charCount(trim(r.newNode)) > kMaxName) {
            ui.invalidData("New node name '" + trim(r.newNode) + "' is longer than 8 characters.");
            return false;
        }
        if (charCount(trim(r.newReach)) > kMaxName) {
            ui.invalidData("New reach name '" + trim(r.newReach) + "' is longer than 8 characters.");
            return false;
        }
    }
    if (!clashTest(db, system, rows, ui)) return false;
    auto nodeRepeats = repeats(finalNodeNames(rows));
    if (!nodeRepeats.empty()) {
        std::string text = "ERROR: The following node names must be changed.";
        for (const auto& n : nodeRepeats) text += "\rDuplicate Node: " + n;
        ui.beep();
        ui.message("DUPLICATE NODE NAME", text, ui::Icon::Exclamation);
        return false;
    }
    auto reachRepeats = repeats(finalReachNames(db, system, rows));
    if (!reachRepeats.empty()) {
        ui.beep();
        ui.message("DUPLICATE REACH NAME", "Reach '" + reachRepeats.front() + "' is given to more than one reach.",
                   ui::Icon::Exclamation);
        return false;
    }
    return true;
}

/// Renames as the list says, in one transaction and one undo step.
RenumberResult applyRenaming(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows,
                             ui::UiPort& ui) {
    RenumberResult result;
    TemporaryNames temps(db);
    std::vector<Change> nodes, reaches;
    for (const auto& r : rows) {
        temps.reserve(finalNode(r));
        if (!r.reach.empty()) temps.reserve(finalReach(r));
    }
    for (const auto& r : rows)
        if (changed(r.node, r.newNode)) nodes.push_back({r.node, trim(r.newNode), temps.make(r.node)});
    for (const auto& r : rows)
        if (!r.reach.empty() && changed(r.reach, r.newReach))
            reaches.push_back({r.reach, trim(r.newReach), temps.make(r.reach)});

    const int steps = 2 * static_cast<int>(nodes.size() + reaches.size());
    int step = 0;
    ui.busy(true);
    try {
        db::UndoAction undo(db, "Renumber Nodes");
        db::Transaction tx(db);
        runSection(db, system, 1, nodes, kNodeTargets, std::size(kNodeTargets), ui, result, step, steps);
        runSection(db, system, 2, reaches, kReachTargets, std::size(kReachTargets), ui, result, step, steps);
        tx.commit();
    } catch (...) {
        ui.busy(false);
        ui.status("");
        throw;
    }
    ui.busy(false);
    result.done = true;
    result.nodesRenamed = static_cast<int>(nodes.size());
    result.reachesRenamed = static_cast<int>(reaches.size());
    ui.message("RENUMBER", "Renumbering complete.", ui::Icon::Information);
    return result;
}

}  // namespace

std::string temporaryName(std::string_view name) {
    std::string t(name);
    for (char& c : t) c = static_cast<char>(static_cast<unsigned char>(c) + 17);
    return trim(t);
}

std::vector<std::string> duplicateNodeNames(db::Database& db, const std::string& system,
                                            const std::vector<RenumberRow>& rows) {
    const std::string sys = trim(system);
    std::vector<std::string> out = repeats(finalNodeNames(rows));
    std::set<std::string> listed;
    for (const auto& n : out) listed.insert(key(n));
    for (const auto& r : rows) {
        if (!changed(r.node, r.newNode)) continue;
        const std::string n = trim(r.newNode);
        if (listed.count(key(n))) continue;
        if (otherSystemHolding(db, "NODE", "NAME", n, sys)) {
            out.push_back(n);
            listed.insert(key(n));
        }
    }
    return out;
}

DuplicateReport checkDuplicates(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows,
                                ui::UiPort& ui) {
    DuplicateReport rep;
    const auto dups = duplicateNodeNames(db, system, rows);
    if (dups.empty()) {
        ui.message(kTitle, "No duplicate nodes detected. Continue with renumbering.", ui::Icon::Information);
        return rep;
    }
    rep.ok = false;
    rep.lines.push_back("ERROR: The following node names must be changed.");
    rep.lines.push_back("------------------------------------------------");
    for (const auto& n : dups) rep.lines.push_back("Duplicate Node: " + n);
    rep.lines.push_back("Check Complete.");
    return rep;
}

bool clashTest(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows, ui::UiPort& ui) {
    const std::string sys = trim(system);
    auto refuse = [&](const std::string& title, const std::string& what, const std::string& name,
                      const std::string& other) {
        ui.beep();
        ui.message(title, what + " '" + name + "' is assigned to system '" + other + "'.", ui::Icon::Exclamation);
        return false;
    };
    for (const auto& r : rows) {
        if (changed(r.node, r.newNode)) {
            const std::string n = trim(r.newNode);
            if (auto other = otherSystemHolding(db, "NODE", "NAME", n, sys))
                return refuse("DUPLICATE NODE NAME", "Node", n, *other);
        }
        if (!r.reach.empty() && changed(r.reach, r.newReach)) {
            const std::string n = trim(r.newReach);
            if (auto other = otherSystemHolding(db, "REACH", "NAME", n, sys))
                return refuse("DUPLICATE REACH NAME", "Reach", n, *other);
            if (auto other = otherSystemHolding(db, "T30", "NAME", n, sys))
                return refuse("DUPLICATE BYPASS NAME", "Bypass segment", n, *other);
        }
    }
    return true;
}

RenumberResult renumberFromGrid(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows,
                                ui::UiPort& ui) {
    const std::string sys = trim(system);
    if (ui.message(kTitle, "This will changes Node names and Reach names.\rProceed with node and reach renumbering.",
                   ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return {};
    if (!checkPlan(db, sys, rows, ui)) return {};
    return applyRenaming(db, sys, rows, ui);
}

RenumberResult renumberFromOrder(db::Database& db, const std::string& system, const std::vector<RenumberRow>& rows,
                                 const std::vector<std::string>& order, const std::string& prefix,
                                 const std::string& startText, ui::UiPort& ui) {
    const std::string sys = trim(system);
    const std::string pre = trim(prefix);
    // where each node of the list is, by name
    std::map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!rows[i].outfall) at[key(rows[i].node)] = i;
    std::set<std::string> seen;
    for (const auto& n : order) {
        if (!at.count(key(n))) {
            ui.invalidData("Node '" + trim(n) + "' is not in system '" + sys + "'.");
            return {};
        }
        if (!seen.insert(key(n)).second) {
            ui.invalidData("Node '" + trim(n) + "' is listed more than once.");
            return {};
        }
    }
    if (seen.size() < at.size()) {
        ui.beep();
        ui.message("INCOMPLETE LIST", "All 'Current Order' names must be moved to the 'New Order' list.",
                   ui::Icon::Exclamation);
        return {};
    }
    input::NumberRule rule;
    rule.min = 0;
    rule.max = 99999999;
    rule.integer = true;
    input::NumberCheck start = input::checkNumber(startText, "Start number", rule);
    if (!start.ok()) {
        ui.invalidData(start.error);
        return {};
    }
    const long long s = static_cast<long long>(*start.value);
    const long long n = static_cast<long long>(order.size());
    if (n == 0) return {};
    const std::string first = pre + std::to_string(s), last = pre + std::to_string(s + n - 1);
    if (charCount(last) > kMaxName) {
        ui.invalidData("New node name '" + last + "' is longer than 8 characters.");
        return {};
    }
    if (ui.message(kTitle,
                   "New node range will be " + first + " to " + last + ". Proceed with node and reach renumbering.",
                   ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return {};
    std::vector<RenumberRow> plan = rows;
    for (auto& r : plan) {
        r.newNode = r.node;  // the outfall keeps its name
        r.newReach = r.reach;
    }
    for (long long i = 0; i < n; ++i) {
        RenumberRow& r = plan[at[key(order[static_cast<std::size_t>(i)])]];
        r.newNode = pre + std::to_string(s + i);
        if (!r.reach.empty()) r.newReach = r.newNode;  // a reach bears the name of its upstream node
    }
    if (!checkPlan(db, sys, plan, ui)) return {};
    return applyRenaming(db, sys, plan, ui);
}

std::vector<MapEntry> parseMap(const std::string& csvText) {
    std::vector<MapEntry> out;
    std::istringstream in(csvText);
    std::string line;
    int lineNo = 0;
    bool first = true;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (trim(line).empty() || trim(line)[0] == '#') continue;
        auto f = db::parseCsvLine(line);
        for (auto& x : f) x = trim(x);
        if (first) {
            first = false;
            const std::string h = key(f.empty() ? "" : f[0]);
            if (h == "NODE" || h == "OLD" || h == "OLD NODE") continue;
        }
        if (f.size() < 2 || f[0].empty())
            throw InputError("Line " + std::to_string(lineNo) + " of the map needs the node name and its new name.");
        if (f.size() > 3)
            throw InputError("Line " + std::to_string(lineNo) + " of the map has more than three fields.");
        out.push_back({f[0], f[1], f.size() > 2 ? f[2] : std::string()});
    }
    return out;
}

bool applyMap(std::vector<RenumberRow>& rows, const std::vector<MapEntry>& map, ui::UiPort& ui) {
    std::set<std::string> seen;
    for (const auto& e : map) {
        auto it = std::find_if(rows.begin(), rows.end(), [&](const RenumberRow& r) { return key(r.node) == key(e.node); });
        if (it == rows.end()) {
            ui.invalidData("Node '" + e.node + "' is not in system '" + (rows.empty() ? "" : rows.front().system) + "'.");
            return false;
        }
        if (!seen.insert(key(e.node)).second) {
            ui.invalidData("Node '" + e.node + "' is listed more than once.");
            return false;
        }
        if (!e.newNode.empty()) it->newNode = e.newNode;
        if (!e.newReach.empty()) it->newReach = e.newReach;
    }
    return true;
}

}  // namespace kolv::renumber
