// Check storms: a storm tabulation that writes nothing of the design, its grade line kept per scenario.
#include "review/check_storms.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <limits>
#include <unordered_map>

#include "common/text.h"
#include "common/units.h"
#include "common/utf8_text.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/table_row.h"
#include "db/undo_history.h"
#include "hydraulics/run.h"

namespace kolv::review {

namespace {

constexpr const char* kTable = "SCENARIO_RESULTS";
constexpr std::size_t kNameChars = 30;

std::string key(const std::string& name) { return db::compareKey(db::Value(trim(name))); }

std::string num(double v) { return std::isfinite(v) ? fmt::format("{:.3f}", v) : "null"; }

std::string csvCell(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

}  // namespace

std::optional<std::string> validateScenario(const ScenarioSpec& storm) {
    const std::string name = trim(storm.name);
    if (name.empty()) return std::string("A check storm needs a scenario name.");
    if (charCount(name) > kNameChars) return "The scenario name '" + name + "' is longer than 30 characters.";
    if (key(name) == key("design")) return std::string("'design' names the design run; choose another scenario name.");
    if (!(storm.intensityFactor > 0) || !std::isfinite(storm.intensityFactor))
        return std::string("The intensity factor must be greater than zero.");
    return std::nullopt;
}

int runScenario(db::Project& project, Session& session, ui::UiPort& ui, const std::string& systemName,
                hydraulics::RunOptions base, const ScenarioSpec& storm, std::vector<std::string>* messages) {
    if (auto refusal = validateScenario(storm)) {
        ui.invalidData(*refusal);
        return -1;
    }
    const std::string system = trim(systemName);
    base.frequency = trim(storm.frequency);
    base.intensityFactor = storm.intensityFactor;
    base.writeResults = false;
    const hydraulics::RunResult run = hydraulics::runStormTabs(project, session, ui, base, system);
    if (messages) *messages = run.messages;
    if (run.status != 0) return run.status;

    db::Database& db = *project.db;
    db::UndoAction step(db, "Check Storm: " + trim(storm.name));
    if (!db.hasTable(kTable)) {
        db.createTable(*db::schemaTable(kTable));
        if (db::UndoHistory* h = db.history()) h->trackTables();
    }
    db::Transaction tx(db);
    db.execute("DELETE FROM SCENARIO_RESULTS WHERE SYSTEM = ? AND SCENARIO = ?", {system, trim(storm.name)});
    db::Statement& ins = db.cached(
        "INSERT INTO SCENARIO_RESULTS (SCENARIO, SYSTEM, FREQUENCY, INTENSITY_FACTOR, NODE, TO_NODE, INLET_EL, "
        "HGL_AT_NODE, HGL_UP, HGL_DN, Q) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const auto& r : run.records) {
        ins.reset();
        ins.bindAll({trim(storm.name), system, base.frequency, storm.intensityFactor, trim(r.name), trim(r.toName),
                     r.inletElev, r.hglAtNode, r.hglUp, r.hglDn, r.q});
        ins.step();
    }
    ins.reset();
    tx.commit();
    return 0;
}

std::vector<Scenario> loadScenarios(db::Database& db, const std::string& systemName) {
    std::vector<Scenario> out;
    if (!db.hasTable(kTable)) return out;
    const std::string system = trim(systemName);
    std::unordered_map<std::string, std::size_t> at;
    for (db::TableRows t(db, kTable, "SYSTEM = ?", {system}); t.next();) {
        const std::string name = trim(t.text("SCENARIO"));
        auto [it, fresh] = at.emplace(key(name), out.size());
        if (fresh) {
            out.emplace_back();
            out.back().storm = {name, trim(t.text("FREQUENCY")), t.number("INTENSITY_FACTOR")};
        }
        Scenario::Node n;
        n.node = trim(t.text("NODE"));
        n.toNode = trim(t.text("TO_NODE"));
        n.inletFt = t.number("INLET_EL");
        n.hglAtNodeFt = t.number("HGL_AT_NODE");
        n.hglUpFt = t.number("HGL_UP");
        n.hglDnFt = t.number("HGL_DN");
        n.qCfs = t.number("Q");
        out[it->second].nodes.push_back(std::move(n));
    }
    return out;
}

Comparison compareScenarios(db::Database& db, const std::string& systemName) {
    const std::string system = trim(systemName);
    Comparison c;
    const auto scenarios = loadScenarios(db, system);
    for (const auto& s : scenarios) c.scenarios.push_back(s.storm.name);
    std::unordered_map<std::string, std::size_t> row;
    auto rowOf = [&](const std::string& node, double inletFt) -> ComparisonRow& {
        auto [it, fresh] = row.emplace(key(node), c.rows.size());
        if (fresh) {
            c.rows.push_back(ComparisonRow{node, inletFt, std::nullopt,
                                           std::vector<std::optional<double>>(scenarios.size()), 0.0});
        }
        return c.rows[it->second];
    };
    for (db::TableRows t(db, "T60", "SYSTEM = ?", {system}, {"FROM", "INLET_EL", "HGL_AT_NODE", "HGL_UP"}); t.next();)
        rowOf(trim(t.text("FROM")), t.number("INLET_EL")).designHglFt =
            t.isNull("HGL_AT_NODE") ? t.number("HGL_UP") : t.number("HGL_AT_NODE");
    for (std::size_t k = 0; k < scenarios.size(); ++k)
        for (const auto& n : scenarios[k].nodes) rowOf(n.node, n.inletFt).hglFt[k] = n.hglAtNodeFt;
    for (auto& r : c.rows) {
        // clearance = rim − HGL; the least over every run of the node
        double worst = std::numeric_limits<double>::infinity();
        if (r.designHglFt) worst = r.inletFt - *r.designHglFt;
        for (const auto& h : r.hglFt)
            if (h) worst = std::min(worst, r.inletFt - *h);
        r.worstClearanceFt = worst;
    }
    std::stable_sort(c.rows.begin(), c.rows.end(),
                     [](const ComparisonRow& a, const ComparisonRow& b) { return a.worstClearanceFt < b.worstClearanceFt; });
    return c;
}

void addScenarioGradeLines(hydraulics::ProfileGeometry& g, const std::vector<Scenario>& scenarios,
                           const std::vector<std::string>& hidden) {
    const double k = g.metric ? units::kMetersPerFoot : 1.0;  // display length = feet x k
    // The design's grade line holds three points per pipe of the path: at the node, the pipe's
    // upper end and its lower end, which give the stations of both ends.
    const std::size_t pipes = std::min(g.path.size(), g.hgl.size() / 3);
    for (const Scenario& s : scenarios) {
        if (std::any_of(hidden.begin(), hidden.end(), [&](const std::string& h) { return key(h) == key(s.storm.name); }))
            continue;
        std::unordered_map<std::string, const Scenario::Node*> byNode;
        for (const auto& n : s.nodes) byNode.emplace(key(n.node), &n);
        hydraulics::ProfileGeometry::NamedLine line{s.storm.name, {}};
        for (std::size_t p = 0; p < pipes; ++p) {
            auto it = byNode.find(key(g.path[p]));
            if (it == byNode.end()) continue;
            const Scenario::Node& n = *it->second;
            const double x0 = g.hgl[3 * p].x, x1 = g.hgl[3 * p + 2].x;
            line.points.push_back({x0, n.hglAtNodeFt * k});
            line.points.push_back({x0, n.hglUpFt * k});
            line.points.push_back({x1, n.hglDnFt * k});
        }
        for (const auto& pt : line.points) {
            g.yMin = std::min(g.yMin, pt.y);
            g.yMax = std::max(g.yMax, pt.y);
        }
        if (!line.points.empty()) g.scenarioHgl.push_back(std::move(line));
    }
}

namespace {
double len(double ft, bool metric) { return metric ? ft * units::kMetersPerFoot : ft; }
std::string cell(const std::optional<double>& v, bool metric) { return v ? num(len(*v, metric)) : std::string(); }
}  // namespace

std::vector<std::string> comparisonText(const Comparison& c, bool metric) {
    std::vector<std::string> lines;
    const std::string unit = metric ? "(m)" : "(ft)";
    std::string head = padRight("Node", 9) + padLeft("Rim", 10) + padLeft("Design HGL", 12) + padLeft("Clear", 9);
    for (const auto& s : c.scenarios) head += padLeft(left(s, 11) + " HGL", 16) + padLeft("Clear", 9);
    lines.push_back("HGL and clearance " + unit + ", least clearance first");
    lines.push_back(head);
    lines.push_back(std::string(head.size(), '-'));
    for (const auto& r : c.rows) {
        std::string l = padRight(r.node, 9) + padLeft(num(len(r.inletFt, metric)), 10) +
                        padLeft(cell(r.designHglFt, metric), 12) +
                        padLeft(r.designHglFt ? num(len(r.inletFt - *r.designHglFt, metric)) : "", 9);
        for (const auto& h : r.hglFt)
            l += padLeft(cell(h, metric), 16) + padLeft(h ? num(len(r.inletFt - *h, metric)) : "", 9);
        lines.push_back(rtrim(l));
    }
    return lines;
}

std::string comparisonCsv(const Comparison& c, bool metric) {
    std::string out = "node,rim,design_hgl,design_clearance";
    for (const auto& s : c.scenarios) out += "," + csvCell(s + " hgl") + "," + csvCell(s + " clearance");
    out += "\r\n";
    for (const auto& r : c.rows) {
        out += csvCell(r.node) + "," + num(len(r.inletFt, metric)) + "," + cell(r.designHglFt, metric) + "," +
               (r.designHglFt ? num(len(r.inletFt - *r.designHglFt, metric)) : "");
        for (const auto& h : r.hglFt)
            out += "," + cell(h, metric) + "," + (h ? num(len(r.inletFt - *h, metric)) : "");
        out += "\r\n";
    }
    return out;
}

std::string comparisonJson(const Comparison& c, bool metric) {
    auto opt = [&](const std::optional<double>& v) { return v ? num(len(*v, metric)) : std::string("null"); };
    std::string out = std::string("{\n  \"units\": ") + (metric ? "\"metric\"" : "\"english\"") + ",\n  \"scenarios\": [";
    for (std::size_t i = 0; i < c.scenarios.size(); ++i) out += (i ? ", " : "") + jsonQuoted(c.scenarios[i]);
    out += "],\n  \"nodes\": [";
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
        const auto& r = c.rows[i];
        out += std::string(i ? "," : "") + "\n    {\"node\": " + jsonQuoted(r.node) + ", \"rim\": " + num(len(r.inletFt, metric)) +
               ", \"design_hgl\": " + opt(r.designHglFt) + ", \"scenario_hgl\": [";
        for (std::size_t k = 0; k < r.hglFt.size(); ++k) out += (k ? ", " : "") + opt(r.hglFt[k]);
        out += "], \"least_clearance\": " + num(len(r.worstClearanceFt, metric)) + "}";
    }
    out += c.rows.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

}  // namespace kolv::review
