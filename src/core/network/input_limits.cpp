// Limits of the input a computation can use, checked on the stored data before anything is computed.
#include "network/input_limits.h"

#include <array>
#include <cmath>
#include <map>
#include <set>

#include <fmt/format.h>

#include "common/number_input.h"
#include "common/text.h"
#include "common/units.h"
#include "common/utf8_text.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/table_row.h"
#include "rain/intensity.h"

namespace kolv::network {

namespace {

using units::kFeetPerMeter;  // the factor the computations convert stored metric lengths with
constexpr std::size_t kListedInMessage = 20;

/// A value as a finding shows it: short, whatever its size (a damaged field may hold 1e150).
std::string shown(double v) {
    if (std::isnan(v)) return "not a number";
    if (std::isinf(v)) return v > 0 ? "infinite" : "minus infinite";
    return fmt::format("{:.6g}", v);
}

class Findings {
public:
    Findings(bool metric) : m_metric(metric) {}

    void add(const std::string& table, const std::string& kind, const std::string& record, const std::string& field,
             const std::string& what) {
        // A value already found damaged is not judged again by what it reads as.
        if (m_damaged.count(table + '\n' + record + '\n' + field)) return;
        m_faults.push_back({table, record, field, kind + " '" + record + "', " + field + " " + what});
    }
    /// A stored value that is not what its field holds: listed once, ahead of any range finding.
    void damaged(const std::string& table, const std::string& kind, const std::string& record,
                 const std::string& field, const std::string& what) {
        if (!m_damaged.insert(table + '\n' + record + '\n' + field).second) return;
        m_faults.push_back({table, record, field, kind + " '" + record + "', " + field + " " + what});
    }
    /// The value against a typed-input rule of the field.
    void rule(const std::string& table, const std::string& kind, const std::string& record, const std::string& field,
              double v) {
        const auto r = input::fieldRule(table, field, m_metric);
        if (r && !r->accepts(v)) add(table, kind, record, field, "= " + shown(v) + ": must be " + r->describe() + ".");
    }
    /// A length (project units) above the absurd limit, or not a number: listed, and true.
    bool length(const std::string& table, const std::string& kind, const std::string& record,
                const std::string& field, double v, double limitFt) {
        const double ft = m_metric ? v * kFeetPerMeter : v;
        if (std::isfinite(v) && std::fabs(ft) <= limitFt) return false;
        add(table, kind, record, field,
            "= " + shown(v) + ": beyond " + limitText(limitFt) + "; the stored value looks damaged.");
        return true;
    }
    std::string limitText(double limitFt) const {
        return m_metric ? fmt::format("{:g} m", std::round(limitFt / kFeetPerMeter * 100) / 100)
                        : fmt::format("{:g} ft", limitFt);
    }
    std::vector<InputFault> take() { return std::move(m_faults); }

private:
    bool m_metric;
    std::vector<InputFault> m_faults;
    std::set<std::string> m_damaged;
};

const char* const kCategory[] = {"1", "2", "3"};

/// Most barrels a reach is taken to have; more is damaged data.
constexpr double kMaxBarrels = 100;

/// A stored text as a finding quotes it: control bytes shown as '?', long texts cut.
std::string quotedStored(const std::string& raw) {
    std::string s;
    for (char c : raw) s += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    if (charCount(s) > 24) s = left(s, 24) + "...";
    return "'" + s + "'";
}

/// Which rows of a table a stored-value check reads, and how their findings name them.
struct StoredRows {
    const char* table;
    const char* kind;      ///< "Node", "Reach", ...
    std::string nameExpr;  ///< SQL giving the record's name
    std::string where;     ///< SQL condition choosing the rows
    std::vector<db::Value> params;
};

/// Values no reading can trust, whatever the computation: text or bytes in a number field (read
/// as 0 or by its leading digits, "12,5" as 12), and a text longer than its field (a name of 12
/// characters in an 8-character field matches no other name). Only the rows with such a value
/// come back from the database, so a sound system costs one pass of the engine per table.
void storedValueFaults(db::Database& db, Findings& f, const StoredRows& rows) {
    const db::TableLayout& layout = db.layout(rows.table);
    std::vector<const db::FieldDef*> checked;
    std::string columns, damaged;
    for (const auto& field : layout.fields) {
        const std::string q = db::quoteIdent(field.name);
        std::string test;
        if (field.type == db::FieldType::Text && field.size > 0)
            test = "(typeof(" + q + ") = 'text' AND length(" + q + ") > " + std::to_string(field.size) + ")";
        else if (field.type != db::FieldType::Text && field.type != db::FieldType::Memo)
            test = "typeof(" + q + ") IN ('text', 'blob')";
        else
            continue;
        damaged += (damaged.empty() ? "" : " OR ") + test;
        columns += ", typeof(" + q + "), " + q;
        checked.push_back(&field);
    }
    if (checked.empty()) return;
    db::Statement st = db.prepare("SELECT " + rows.nameExpr + columns + " FROM " + db::quoteIdent(rows.table) +
                                  " WHERE (" + rows.where + ") AND (" + damaged + ") ORDER BY rowid");
    st.bindAll(rows.params);
    while (st.step()) {
        const std::string record = trim(st.column(0).toText());
        for (std::size_t i = 0; i < checked.size(); ++i) {
            const db::FieldDef& field = *checked[i];
            const std::string type = st.column(static_cast<int>(2 * i + 1)).toText();
            const db::Value v = st.column(static_cast<int>(2 * i + 2));
            if (field.type == db::FieldType::Text) {
                const std::size_t chars = type == "text" ? charCount(v.toText()) : 0;
                if (chars > static_cast<std::size_t>(field.size))
                    f.damaged(rows.table, rows.kind, record, field.name,
                              "holds " + std::to_string(chars) + " characters (" + quotedStored(v.toText()) +
                                  "): at most " + std::to_string(field.size) +
                                  " fit the field; the stored text looks damaged.");
            } else if (type == "blob") {
                f.damaged(rows.table, rows.kind, record, field.name,
                          "holds binary data, not a number; the stored value looks damaged.");
            } else if (type == "text") {
                const std::string t = trim(v.toText());
                if (t.empty() || input::parseNumber(t, "").ok()) continue;  // blank reads as empty
                f.damaged(rows.table, rows.kind, record, field.name,
                          "= " + quotedStored(v.toText()) + ": not a number; the stored value looks damaged.");
            }
        }
    }
}

}  // namespace

std::vector<InputFault> inputLimitFaults(db::Database& db, const std::string& systemName, bool metric,
                                         const InputLimitScope& scope) {
    const std::string system = trim(systemName);
    Findings f(metric);
    std::set<double> durations;
    std::array<bool, 3> defaultCUsed{};

    // Damaged values first, in every record the computations read: the system's nodes, reaches
    // and header, and the pipe and structure definitions they use.
    const std::string inSystem = db::quoteIdent("SYSTEM") + " = ?";
    const std::vector<db::Value> bySystem = {db::Value(system)};
    storedValueFaults(db, f, {"NODE", "Node", db::quoteIdent("NAME"), inSystem, bySystem});
    storedValueFaults(db, f, {"REACH", "Reach", "coalesce(nullif(trim(" + db::quoteIdent("NAME") + "), ''), " +
                                                    db::quoteIdent("NODE1") + ")", inSystem, bySystem});
    std::string pipeRows = db::quoteIdent("NAME") + " IN (SELECT trim(" + db::quoteIdent("PIPE_NAME") +
                           ") FROM REACH WHERE " + inSystem + ")";
    std::vector<db::Value> pipeParams = bySystem;
    if (scope.pipeGroup) {
        pipeRows += " OR " + db::quoteIdent("GROUPP") + " = ?";
        pipeParams.emplace_back(static_cast<long long>(*scope.pipeGroup));
    }
    storedValueFaults(db, f, {"T7", "Pipe", db::quoteIdent("NAME"), pipeRows, pipeParams});
    storedValueFaults(db, f, {"T6", "Structure", db::quoteIdent("NAME"),
                              db::quoteIdent("NAME") + " IN (SELECT trim(" + db::quoteIdent("STRUCT_NAME") +
                                  ") FROM NODE WHERE " + inSystem + ")",
                              bySystem});
    storedValueFaults(db, f, {"T16", "System", db::quoteIdent("SYSTEM"), inSystem, bySystem});

    // Nodes of the system.
    // only the fields checked: a system of tens of thousands of nodes reads quickly
    static const std::vector<std::string> kNodeFields = {
        "NAME",          "P_C1DA",         "P_C2DA",         "P_C3DA",    "CALC_RUNOFF_C1", "CALC_RUNOFF_C2",
        "CALC_RUNOFF_C3", "RUNOFF_C1",     "RUNOFF_C2",      "RUNOFF_C3", "TC",             "INLET_ELEV",
        "MIN_HGL"};
    static const std::vector<std::string> kReachFields = {
        "NAME", "NODE1", "REACH_TYPE", "BARRELS", "LENGTH", "HYD_LENGTH", "DITCH_MANNINGS", "PIPE_NAME", "ELEV1", "ELEV2"};
    for (db::TableRows n(db, "NODE", db::quoteIdent("SYSTEM") + " = ?", {db::Value(system)}, kNodeFields); n.next();) {
        const std::string name = trim(n.text("NAME"));
        if (scope.drainage) {
            for (int k = 0; k < 3; ++k) {
                const std::string cat = kCategory[k];
                const double area = n.number("P_C" + cat + "DA");
                if (!(std::fabs(area) <= kMaxArea))
                    f.add("NODE", "Node", name, "P_C" + cat + "DA",
                          "= " + shown(area) + ": beyond " + fmt::format("{:g}", kMaxArea) +
                              "; the stored value looks damaged.");
                else
                    f.rule("NODE", "Node", name, "P_C" + cat + "DA", area);
                // A coefficient counts only where it multiplies an area.
                if (area == 0) continue;
                if (n.flag("CALC_RUNOFF_C" + cat))
                    defaultCUsed[static_cast<std::size_t>(k)] = true;
                else
                    f.rule("NODE", "Node", name, "RUNOFF_C" + cat, n.number("RUNOFF_C" + cat));
            }
            if (!scope.fixedTcMinutes) f.rule("NODE", "Node", name, "TC", n.number("TC"));
            durations.insert(scope.fixedTcMinutes ? *scope.fixedTcMinutes : rain::inletDuration(n.number("TC")));
        }
        if (scope.elevations) {
            f.length("NODE", "Node", name, "INLET_ELEV", n.number("INLET_ELEV"), kMaxElevationFt);
            f.length("NODE", "Node", name, "MIN_HGL", n.number("MIN_HGL"), kMaxElevationFt);
        }
    }

    // Reaches of the system, and the pipe definitions they use (each once, in order of first use).
    std::vector<std::string> pipesUsed;
    std::set<std::string> pipesSeen;
    for (db::TableRows r(db, "REACH", db::quoteIdent("SYSTEM") + " = ?", {db::Value(system)}, kReachFields); r.next();) {
        std::string name = trim(r.text("NAME"));
        if (name.empty()) name = trim(r.text("NODE1"));
        const bool ditch = r.integer("REACH_TYPE") == 2;
        // Counts and kinds are read as whole numbers: 2.5 barrels, or a kind no reach has, is damage.
        if (!r.isNull("REACH_TYPE")) {
            const double type = r.number("REACH_TYPE");
            if (!(type == 0 || type == 1 || type == 2))
                f.add("REACH", "Reach", name, "REACH_TYPE",
                      "= " + shown(type) + ": must be 0 (pipe), 1 (French drain) or 2 (ditch).");
        }
        if (!ditch && !r.isNull("BARRELS")) {
            const double barrels = r.number("BARRELS");
            if (!(barrels >= 1 && barrels <= kMaxBarrels && barrels == std::floor(barrels)))
                f.add("REACH", "Reach", name, "BARRELS",
                      "= " + shown(barrels) + ": must be a whole number from 1 to " + shown(kMaxBarrels) + ".");
        }
        if (scope.lengths) {
            const double length = r.number("LENGTH");
            // a damaged length is listed once, as damaged
            if (!f.length("REACH", "Reach", name, "LENGTH", length, kMaxLengthFt)) {
                if (scope.zeroLengths)
                    f.rule("REACH", "Reach", name, "LENGTH", length);
                else if (!(length > 0))
                    f.add("REACH", "Reach", name, "LENGTH", "= " + shown(length) + ": must be greater than 0.");
            }
            if (!r.isNull("HYD_LENGTH") &&
                !f.length("REACH", "Reach", name, "HYD_LENGTH", r.number("HYD_LENGTH"), kMaxLengthFt))
                f.rule("REACH", "Reach", name, "HYD_LENGTH", r.number("HYD_LENGTH"));
        }
        if (ditch) {
            if (scope.ditchRoughness) f.rule("REACH", "Reach", name, "DITCH_MANNINGS", r.number("DITCH_MANNINGS"));
        } else {
            const std::string pipe = trim(r.text("PIPE_NAME"));
            if (!pipe.empty() && pipesSeen.insert(db::compareKey(db::Value(pipe))).second) pipesUsed.push_back(pipe);
        }
        if (scope.elevations) {
            f.length("REACH", "Reach", name, "ELEV1", r.number("ELEV1"), kMaxElevationFt);
            f.length("REACH", "Reach", name, "ELEV2", r.number("ELEV2"), kMaxElevationFt);
        }
    }

    const bool anyPipeField = scope.pipeHeights || scope.pipeShapes || scope.pipeRoughness;
    if (anyPipeField || scope.pipeGroup) {
        const auto checkPipe = [&](const db::RecordSet& p) {
            const std::string name = trim(p.text("NAME"));
            for (const char* field : {"HEIGHT", "WIDTH"}) {
                if (std::string(field) == "HEIGHT" ? !scope.pipeHeights : !scope.pipeShapes) continue;
                const double v = p.number(field);
                if (!(v > 0))
                    f.add("T7", "Pipe", name, field, "= " + shown(v) + ": must be greater than 0.");
                else
                    f.length("T7", "Pipe", name, field, v, kMaxPipeSizeFt);
            }
            if (scope.pipeShapes) f.rule("T7", "Pipe", name, "AREA", p.number("AREA"));
            if (scope.pipeRoughness) f.rule("T7", "Pipe", name, "N", p.number("N"));
        };
        db::RecordSet pipes(db, "T7");
        if (anyPipeField)
            for (const auto& name : pipesUsed)
                if (pipes.findFirst("NAME = ?", {db::Value(name)})) checkPipe(pipes);
        if (scope.pipeGroup) {
            db::RecordSet group(db, "T7", "GROUPP = ?", {db::Value(static_cast<long long>(*scope.pipeGroup))});
            for (group.moveFirst(); !group.eof(); group.moveNext())
                if (!pipesSeen.count(db::compareKey(group.value("NAME")))) checkPipe(group);
        }
    }

    // The system header: tailwater, default coefficients, rainfall.
    db::RecordSet header(db, "T16", db::quoteIdent("SYSTEM") + " = ?", {db::Value(system)});
    if (header.empty()) return f.take();
    if (scope.elevations && !header.isNull("OUT_TW"))
        f.length("T16", "System", system, "OUT_TW", header.number("OUT_TW"), kMaxElevationFt);
    if (!scope.drainage) return f.take();
    for (int k = 0; k < 3; ++k)
        if (defaultCUsed[static_cast<std::size_t>(k)])
            f.rule("NODE", "System", system, std::string("AREA") + kCategory[k],
                   header.number(std::string("AREA") + kCategory[k]));

    const rain::SystemRainfall rainfall = rain::readSystemRainfall(db, system);
    rain::DesignStorm storm;
    storm.method = rainfall.method;
    std::string source;
    if (rainfall.method == rain::kMethodIdf) {
        // A missing row or a zero coefficient has its own message when the run looks it up.
        const auto c = rain::findIdfCoefficients(db, rainfall.zone, rainfall.freq);
        // The coefficients of the row used must be numbers: "12,5" would be read as 12.
        const std::string zoneKey = rain::idfKey(rainfall.zone), freqKey = rain::idfKey(rainfall.freq);
        db::RecordSet t2(db, "T2");
        for (t2.moveFirst(); !t2.eof(); t2.moveNext()) {
            if (!equalsIgnoreCase(rain::idfKey(t2.value("Zone")), zoneKey) ||
                !equalsIgnoreCase(rain::idfKey(t2.value("Freq")), freqKey))
                continue;
            for (const char* k : {"A", "B", "C", "D"}) {
                const db::Value v = t2.value(k);
                if (v.isText() && !trim(v.toText()).empty() && !input::parseNumber(trim(v.toText()), "").ok())
                    f.damaged("T2", "IDF coefficients of ZONE", zoneKey + "' FREQ '" + freqKey, k,
                              "= " + quotedStored(v.toText()) + ": not a number; the stored value looks damaged.");
            }
            break;
        }
        if (!c || c->A * c->B * c->C * c->D == 0.0f) return f.take();
        storm.idf = *c;
        source = "IDF coefficients of ZONE '" + rain::idfKey(rainfall.zone) + "' FREQ '" + rain::idfKey(rainfall.freq) +
                 "'";
    } else if (rainfall.method == rain::kMethodTable) {
        ui::SilentUi silent;
        const std::string table = "Time-intensity table '" + trim(rainfall.location) + "' / '" +
                                  trim(rainfall.frequency) + "'";
        if (!rain::LOAD_TIME_INTENSITY_TABLE(db, storm, silent, rainfall.location, rainfall.frequency))
            return f.take();  // the run shows the reading fault itself
        if (storm.tableRows == 0) {
            f.add("T85", "System", system, "LOCATION/FREQUENCY",
                  "name the time-intensity table '" + trim(rainfall.location) + "' / '" + trim(rainfall.frequency) +
                      "', which has no rows: enter its times and intensities, or choose another rainfall.");
            return f.take();
        }
        // The table interpolates between its rows, so every row may be read.
        for (int i = 1; i <= storm.tableRows; ++i) {
            const auto& p = storm.table[static_cast<std::size_t>(i)];
            if (!(p.intensity > 0))
                f.add("T85", "Time-intensity table", trim(rainfall.location) + "' / '" + trim(rainfall.frequency),
                      "INTENSITY", "at " + shown(p.time) + " minutes = " + shown(p.intensity) +
                                       ": intensities must be greater than 0.");
        }
        source = table;
    } else if (rainfall.method != rain::kMethodCurve) {
        f.add("T16", "System", system, "INTENSITY_METHOD",
              "= " + std::to_string(rainfall.method) +
                  ": not a rainfall method (0 IDF coefficients, 1 time-intensity table, 2 built-in curve).");
        return f.take();
    }
    for (double d : durations) {
        const float i = rain::CALC_INTENSITY(storm, static_cast<float>(d));
        if (!(i > 0)) {
            f.add("T16", "System", system, "INTENSITY_METHOD",
                  "gives a rainfall intensity of " + shown(i) + " at " + shown(d) + " minutes from the " + source +
                      ": intensities must be greater than 0.");
            break;
        }
    }
    return f.take();
}

bool inputWithinLimits(db::Database& db, const std::string& system, bool metric, ui::UiPort& ui,
                       const InputLimitScope& scope) {
    const auto faults = inputLimitFaults(db, system, metric, scope);
    if (faults.empty()) return true;
    std::string text = "Values in system '" + trim(system) + "' that the computation cannot use:\n";
    for (std::size_t i = 0; i < faults.size() && i < kListedInMessage; ++i) text += faults[i].line + "\n";
    if (faults.size() > kListedInMessage)
        text += "... and " + std::to_string(faults.size() - kListedInMessage) + " more (Verify lists them all).\n";
    text += "Correct them and run again. Nothing was computed or written.";
    ui.invalidData(text);
    return false;
}

}  // namespace kolv::network
