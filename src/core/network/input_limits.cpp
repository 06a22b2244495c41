// Limits of the input a computation can use, checked on the stored data before anything is computed.
#include "network/input_limits.h"

#include <array>
#include <cmath>
#include <map>
#include <set>

#include <fmt/format.h>

#include "common/number_input.h"
#include "common/text.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/table_row.h"
#include "hydraulics/unit_factors.h"
#include "rain/intensity.h"
#include "session/session.h"

namespace kolv::network {

namespace {

using hydraulics::kFeetPerMeter;  // the factor the computations convert stored metric lengths with
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
};

const char* const kCategory[] = {"1", "2", "3"};

}  // namespace

std::vector<InputFault> inputLimitFaults(db::Database& db, const std::string& systemName, bool metric,
                                         const InputLimitScope& scope) {
    const std::string system = trim(systemName);
    Findings f(metric);
    std::set<double> durations;
    std::array<bool, 3> defaultCUsed{};

    // Nodes of the system.
    // only the fields checked: a system of tens of thousands of nodes reads quickly
    static const std::vector<std::string> kNodeFields = {
        "NAME",          "P_C1DA",         "P_C2DA",         "P_C3DA",    "CALC_RUNOFF_C1", "CALC_RUNOFF_C2",
        "CALC_RUNOFF_C3", "RUNOFF_C1",     "RUNOFF_C2",      "RUNOFF_C3", "TC",             "INLET_ELEV",
        "MIN_HGL"};
    static const std::vector<std::string> kReachFields = {"NAME",     "NODE1",     "REACH_TYPE", "LENGTH", "HYD_LENGTH",
                                                          "DITCH_MANNINGS", "PIPE_NAME", "ELEV1", "ELEV2"};
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
    Session session;
    session.intensityMethod = rainfall.method;
    rain::IdfCoefficients idf;
    std::string source;
    if (rainfall.method == rain::kMethodIdf) {
        // A missing row or a zero coefficient has its own message when the run looks it up.
        const auto c = rain::findIdfCoefficients(db, rainfall.zone, rainfall.freq);
        if (!c || c->A * c->B * c->C * c->D == 0.0f) return f.take();
        idf = *c;
        source = "IDF coefficients of ZONE '" + rain::idfKey(rainfall.zone) + "' FREQ '" + rain::idfKey(rainfall.freq) +
                 "'";
    } else if (rainfall.method == rain::kMethodTable) {
        ui::SilentUi silent;
        const std::string table = "Time-intensity table '" + trim(rainfall.location) + "' / '" +
                                  trim(rainfall.frequency) + "'";
        if (!rain::LOAD_TIME_INTENSITY_TABLE(db, session, silent, rainfall.location, rainfall.frequency))
            return f.take();  // the run shows the reading fault itself
        if (session.timeIntensityCount == 0) {
            f.add("T85", "System", system, "LOCATION/FREQUENCY",
                  "name the time-intensity table '" + trim(rainfall.location) + "' / '" + trim(rainfall.frequency) +
                      "', which has no rows: enter its times and intensities, or choose another rainfall.");
            return f.take();
        }
        // The table interpolates between its rows, so every row may be read.
        for (int i = 1; i <= session.timeIntensityCount; ++i) {
            const auto& p = session.timeIntensity[static_cast<std::size_t>(i)];
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
        const float i = rain::CALC_INTENSITY(session, static_cast<float>(d), idf);
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
