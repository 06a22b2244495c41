// Design review: reads the network and the last results once, then applies each rule in turn.
#include "review/design_review.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fmt/format.h>
#include <functional>
#include <ostream>
#include <sstream>
#include <unordered_map>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/table_row.h"
#include "hydraulics/section_geometry.h"
#include "sizing/sizing_basis.h"

namespace kolv::review {

namespace {

using units::kCmsPerCfs;
using units::kFeetPerMeter;
using units::kGravityFtPerS2;

constexpr double kTolFt = 1e-6;  ///< elevations compare to a millionth of a foot (they are rounded to 6 places)

/// A pipe definition in feet.
struct Pipe {
    double heightFt = 0, widthFt = 0, areaSqFt = 0, thicknessFt = 0;
};

/// A structure definition in feet and cfs.
struct Structure {
    double minCoverFt = 0, hglClearFt = 0, inletCapacityCfs = 0;
};

struct Node {
    std::string name;
    double inletFt = 0;
    const Structure* structure = nullptr;  ///< empty for "<none>" or a missing definition
    std::vector<std::size_t> incoming;     ///< reaches that end here
    long outgoing = -1;
};

struct Reach {
    std::string name, from, to;
    bool ditch = false;
    const Pipe* pipe = nullptr;
    double lengthFt = 0, invertUpFt = 0, invertDnFt = 0;
};

/// Last results of a reach (feet, ft/s, cfs), from T60.
struct Result {
    double velocityFtS = 0, hglUpFt = 0, hglDnFt = 0, hglAtNodeFt = 0, crownUpFt = 0, crownDnFt = 0, qCfs = 0;
    double localRunoffCfs = 0, inletFt = 0;
    bool hasHglAtNode = false;
    bool full = false;
};

std::string key(std::string_view name) { return db::compareKey(db::Value(trim(name))); }

/// Orders the findings worst first, keeping the order they were found in within a severity.
/// The findings are moved into place along the cycles of the permutation, so a review of tens
/// of thousands of findings needs one number per finding beside them, not a second copy.
void worstFirst(std::deque<Finding>& findings) {
    constexpr int kLevels = 3;
    const auto level = [](const Finding& f) { return std::clamp(static_cast<int>(f.severity), 0, kLevels - 1); };
    std::array<std::size_t, kLevels> next{};
    for (const Finding& f : findings) ++next[static_cast<std::size_t>(level(f))];
    // places of the worst level first: Error, then Warning, then Note
    std::size_t start = 0;
    for (int l = kLevels - 1; l >= 0; --l) {
        const std::size_t count = next[static_cast<std::size_t>(l)];
        next[static_cast<std::size_t>(l)] = start;
        start += count;
    }
    std::vector<std::uint32_t> to(findings.size());
    for (std::size_t i = 0; i < findings.size(); ++i)
        to[i] = static_cast<std::uint32_t>(next[static_cast<std::size_t>(level(findings[i]))]++);
    for (std::size_t i = 0; i < findings.size(); ++i)
        while (to[i] != i) {
            const std::size_t j = to[i];
            std::swap(findings[i], findings[j]);
            std::swap(to[i], to[j]);
        }
}

class Reviewer {
public:
    Reviewer(db::Project& project, const std::string& system, const DesignCriteria& c)
        : m_db(*project.db), m_system(trim(system)), m_metric(project.metric), m_c(c) {}

    ReviewResult run() {
        m_out.system = m_system;
        load();
        for (const Reach& r : m_reaches) reviewReach(r);
        for (const Node& n : m_nodes) reviewNode(n);
        if (!m_notSettled.empty())
            add(Severity::Warning, m_outfall, "", "grade line", 0, 0, "", m_notSettled);
        for (const sizing::SizingBasis& b : sizing::readSizingBasis(m_db, m_system)) {
            const bool shortOf = b.rule == sizing::GoverningRule::NoCandidateEnough;
            auto it = m_reachByName.find(key(b.reach));
            const std::string node = it != m_reachByName.end() ? m_reaches[it->second].from : b.reach;
            const bool velocity = b.isVelocity;
            add(shortOf ? Severity::Warning : Severity::Note, node, b.reach, "pipe size",
                velocity ? speed(b.value) : b.value, velocity ? speed(b.limit) : b.limit,
                velocity ? speedUnit() : "%", sizing::governingText(b.rule));
        }
        worstFirst(m_out.findings);
        return std::move(m_out);
    }

private:
    void load() {
        for (db::TableRows t(m_db, "T7", {}, {}, {"NAME", "HEIGHT", "WIDTH", "AREA", "THICKNESS"}); t.next();) {
            Pipe p;
            p.heightFt = len(t.number("HEIGHT"));
            p.widthFt = len(t.number("WIDTH"));
            p.thicknessFt = len(t.number("THICKNESS"));
            const double a = t.number("AREA") * (m_metric ? units::kSqFtPerSqM : 1.0);
            // A round pipe without a stored area: π (D/2)²
            p.areaSqFt = a > 0 ? a : (p.widthFt == p.heightFt || p.widthFt == 0 ? units::roundPipeArea(p.heightFt) : 0);
            m_pipes.emplace(key(t.text("NAME")), p);
        }
        for (db::TableRows t(m_db, "T6", {}, {}, {"NAME", "MIN_PIPE_COVER", "HGL_CLEAR", "MAX_INLET_HYD_CAPACITY"});
             t.next();) {
            Structure s;
            s.minCoverFt = len(t.number("MIN_PIPE_COVER"));
            s.hglClearFt = len(t.number("HGL_CLEAR"));
            s.inletCapacityCfs = t.number("MAX_INLET_HYD_CAPACITY") / (m_metric ? kCmsPerCfs : 1.0);
            m_structures.emplace(key(t.text("NAME")), s);
        }
        {
            const bool hasNote = m_db.layout("T16").position(db::kHglNoteField) >= 0;
            std::vector<std::string> f = {"OUT_NODE"};
            if (hasNote) f.push_back(db::kHglNoteField);
            db::TableRows t(m_db, "T16", "SYSTEM = ?", {m_system}, f);
            if (t.next()) {
                m_outfall = trim(t.text("OUT_NODE"));
                if (hasNote) m_notSettled = trim(t.text(db::kHglNoteField));
            }
        }
        for (db::TableRows t(m_db, "NODE", "SYSTEM = ?", {m_system}, {"NAME", "INLET_ELEV", "STRUCT_NAME"}); t.next();) {
            Node n;
            n.name = trim(t.text("NAME"));
            n.inletFt = len(t.number("INLET_ELEV"));
            auto s = m_structures.find(key(t.text("STRUCT_NAME")));
            if (s != m_structures.end()) n.structure = &s->second;
            if (m_nodeByName.emplace(key(n.name), m_nodes.size()).second) m_nodes.push_back(std::move(n));
        }
        for (db::TableRows t(m_db, "REACH", "SYSTEM = ?", {m_system},
                             {"NAME", "NODE1", "NODE2", "PIPE_NAME", "LENGTH", "ELEV1", "ELEV2", "FROM_FL_CL",
                              "TO_FL_CL", "REACH_TYPE"});
             t.next();) {
            Reach r;
            r.name = trim(t.text("NAME"));
            r.from = trim(t.text("NODE1"));
            r.to = trim(t.text("NODE2"));
            r.ditch = t.integer("REACH_TYPE") == 2;
            auto p = m_pipes.find(key(t.text("PIPE_NAME")));
            if (!r.ditch && p != m_pipes.end()) r.pipe = &p->second;
            r.lengthFt = len(t.number("LENGTH"));
            const double h = r.pipe ? r.pipe->heightFt : 0.0;
            // A kind flag of 0 marks a crown: the invert lies one pipe height below it.
            const bool upInvert = t.isNull("FROM_FL_CL") || t.flag("FROM_FL_CL");
            const bool dnInvert = t.isNull("TO_FL_CL") || t.flag("TO_FL_CL");
            r.invertUpFt = len(t.number("ELEV1")) - (upInvert ? 0.0 : h);
            r.invertDnFt = len(t.number("ELEV2")) - (dnInvert ? 0.0 : h);
            const std::size_t at = m_reaches.size();
            m_reachByName.emplace(key(r.name), at);
            if (auto n = m_nodeByName.find(key(r.from)); n != m_nodeByName.end() && m_nodes[n->second].outgoing < 0)
                m_nodes[n->second].outgoing = static_cast<long>(at);
            if (auto n = m_nodeByName.find(key(r.to)); n != m_nodeByName.end()) m_nodes[n->second].incoming.push_back(at);
            m_reaches.push_back(std::move(r));
        }
        for (db::TableRows t(m_db, "T60", "SYSTEM = ?", {m_system},
                             {"FROM", "VELOCITY", "HGL_UP", "HGL_DN", "HGL_AT_NODE", "CL_UP", "CL_DN", "FLOW_COND",
                              "INLET_EL", "P_LOCAL_CA", "INTENSITY", "Q"});
             t.next();) {
            Result r;
            r.velocityFtS = t.number("VELOCITY");
            r.hglUpFt = t.number("HGL_UP");
            r.hglDnFt = t.number("HGL_DN");
            r.hasHglAtNode = !t.isNull("HGL_AT_NODE");
            r.hglAtNodeFt = r.hasHglAtNode ? t.number("HGL_AT_NODE") : r.hglUpFt;
            r.crownUpFt = t.number("CL_UP");
            r.crownDnFt = t.number("CL_DN");
            r.full = trim(t.text("FLOW_COND")) == "FULL";
            r.inletFt = t.number("INLET_EL");
            r.localRunoffCfs = t.number("P_LOCAL_CA") * t.number("INTENSITY");  // Q = CA i
            r.qCfs = t.number("Q");
            m_results.emplace(key(t.text("FROM")), r);
        }
        m_out.hasResults = !m_results.empty();
    }

    void reviewReach(const Reach& r) {
        if (r.ditch || !r.pipe) return;
        const Node* up = node(r.from);
        const Node* dn = node(r.to);
        // Slope: S = (invert_up − invert_dn) / L
        if (r.lengthFt > 0) {
            const double slope = (r.invertUpFt - r.invertDnFt) / r.lengthFt * 100.0;
            if (slope < 0)
                add(Severity::Error, r.from, r.name, "slope", slope, 0.0, "%",
                    "The pipe runs uphill: its downstream invert is above its upstream invert.");
            else if (slope < m_c.minSlopePercent - 1e-9)
                add(Severity::Warning, r.from, r.name, "slope", slope, m_c.minSlopePercent, "%",
                    "The pipe is flatter than the minimum slope.");
        }
        // Cover over the outside top of the pipe: inlet − (invert + D + wall)
        const auto cover = [&](const Node* n, double invertFt, const char* end) {
            if (!n) return;
            const std::optional<double> need = m_c.minCoverFt ? m_c.minCoverFt
                                               : n->structure ? std::optional<double>(n->structure->minCoverFt)
                                                              : std::nullopt;
            if (!need) return;
            const double have = n->inletFt - (invertFt + r.pipe->heightFt + r.pipe->thicknessFt);
            if (have < *need - kTolFt)
                add(Severity::Error, r.from, r.name, std::string("cover (") + end + " end at " + n->name + ")",
                    len(have, true), len(*need, true), lenUnit(), "The pipe has less than the minimum cover.");
        };
        cover(up, r.invertUpFt, "upstream");
        cover(dn, r.invertDnFt, "downstream");

        // Pipe size against the pipes coming into its upper node.
        if (up) {
            for (std::size_t k : up->incoming) {
                const Reach& in = m_reaches[k];
                if (in.ditch || !in.pipe) continue;
                if (r.pipe->areaSqFt < in.pipe->areaSqFt * (1.0 - 1e-9))
                    add(m_c.smallerThanUpstreamAllowed ? Severity::Note : Severity::Error, r.from, r.name,
                        "pipe size (rise, " + in.name + " upstream)", len(r.pipe->heightFt, true),
                        len(in.pipe->heightFt, true), lenUnit(),
                        "The pipe is smaller than the pipe " + in.name + " that flows into it.");
                // The outgoing invert must lie at or below each incoming one, by the minimum drop.
                const double drop = in.invertDnFt - r.invertUpFt;
                if (drop < -kTolFt)
                    add(Severity::Error, r.from, r.name, "drop (from " + in.name + ")", len(drop, true), len(m_c.minDropFt, true),
                        lenUnit(), "The outgoing pipe leaves above the invert of the incoming pipe " + in.name + ".");
                else if (drop < m_c.minDropFt - kTolFt)
                    add(Severity::Warning, r.from, r.name, "drop (from " + in.name + ")", len(drop, true),
                        len(m_c.minDropFt, true), lenUnit(), "The invert drops less than the minimum across the structure.");
            }
        }

        // Results of the last run.
        auto res = m_results.find(key(r.from));
        if (res == m_results.end()) return;
        const Result& x = res->second;
        if (x.velocityFtS > m_c.maxVelocityFtS + 1e-9)
            add(Severity::Error, r.from, r.name, "velocity", speed(x.velocityFtS), speed(m_c.maxVelocityFtS), speedUnit(),
                "The velocity is above the maximum.");
        else if (x.qCfs > 0 && x.velocityFtS < m_c.minVelocityFtS - 1e-9)
            add(Severity::Warning, r.from, r.name, "velocity", speed(x.velocityFtS), speed(m_c.minVelocityFtS), speedUnit(),
                "The velocity is below the minimum: the pipe will not clean itself.");
        if (x.full) {
            const double over = std::max(x.hglUpFt - x.crownUpFt, x.hglDnFt - x.crownDnFt);
            if (over > kTolFt)
                add(Severity::Warning, r.from, r.name, "surcharge", len(over, true), 0.0, lenUnit(),
                    "The pipe flows full with its grade line above the crown (surcharged).");
        }
    }

    void reviewNode(const Node& n) {
        auto res = m_results.find(key(n.name));
        if (res == m_results.end()) return;
        const Result& x = res->second;
        // Clearance = rim − HGL at the node
        const double clearance = n.inletFt - x.hglAtNodeFt;
        const std::optional<double> need = m_c.hglClearanceFt ? m_c.hglClearanceFt
                                           : n.structure ? std::optional<double>(n.structure->hglClearFt)
                                                         : std::nullopt;
        if (need) {
            if (clearance < 0)
                add(Severity::Error, n.name, "", "HGL clearance", len(clearance, true), len(*need, true), lenUnit(),
                    "The hydraulic grade line rises above the rim.");
            else if (clearance < *need - kTolFt)
                add(Severity::Warning, n.name, "", "HGL clearance", len(clearance, true), len(*need, true), lenUnit(),
                    "The hydraulic grade line comes closer to the rim than the clearance.");
        }
        // EGL = HGL + V² / 2g
        const double egl = x.hglAtNodeFt + x.velocityFtS * x.velocityFtS / (2.0 * kGravityFtPerS2);
        if (!m_c.eglAboveRimAllowed && (n.structure || m_c.hglClearanceFt) && egl > n.inletFt + kTolFt)
            add(Severity::Error, n.name, "", "EGL", len(egl, true), len(n.inletFt, true), lenUnit(),
                "The energy grade line rises above the rim.");
        if (n.structure && n.structure->inletCapacityCfs > 0 && x.localRunoffCfs > n.structure->inletCapacityCfs + 1e-9)
            add(Severity::Warning, n.name, "", "inlet runoff", flow(x.localRunoffCfs), flow(n.structure->inletCapacityCfs),
                m_metric ? "cms" : "cfs", "The runoff to the inlet exceeds its capacity.");
    }

    const Node* node(const std::string& name) const {
        auto it = m_nodeByName.find(key(name));
        return it == m_nodeByName.end() ? nullptr : &m_nodes[it->second];
    }

    void add(Severity s, std::string_view node, std::string_view reach, std::string_view quantity, double value,
             double limit, std::string_view unit, std::string_view rule) {
        FindingTexts& t = *m_out.texts;
        m_out.findings.push_back(
            Finding{t.keep(node), t.keep(reach), t.keep(quantity), value, limit, t.keep(unit), t.keep(rule), s});
    }

    /// A stored project length in feet; with `out`, a length in feet in the project's unit.
    double len(double v, bool out = false) const {
        if (!m_metric) return v;
        return out ? v / kFeetPerMeter : v * kFeetPerMeter;
    }
    double speed(double ftS) const { return m_metric ? ftS / kFeetPerMeter : ftS; }
    double flow(double cfs) const { return m_metric ? cfs * kCmsPerCfs : cfs; }
    std::string lenUnit() const { return m_metric ? "m" : "ft"; }
    std::string speedUnit() const { return m_metric ? "m/s" : "ft/s"; }

    db::Database& m_db;
    std::string m_system;
    bool m_metric;
    const DesignCriteria& m_c;
    ReviewResult m_out;
    std::string m_outfall, m_notSettled;
    std::unordered_map<std::string, Pipe> m_pipes;
    std::unordered_map<std::string, Structure> m_structures;
    std::vector<Node> m_nodes;
    std::unordered_map<std::string, std::size_t> m_nodeByName;
    std::vector<Reach> m_reaches;
    std::unordered_map<std::string, std::size_t> m_reachByName;
    std::unordered_map<std::string, Result> m_results;
};

std::string number(double v) { return std::isfinite(v) ? fmt::format("{:.3f}", v) : "null"; }

std::string csvCell(std::string_view s) {
    if (s.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(s);
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

}  // namespace

const char* severityName(Severity s) {
    switch (s) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
    }
    return "note";
}

int ReviewResult::count(Severity s) const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [s](const Finding& f) { return f.severity == s; }));
}

FindingText FindingTexts::keep(std::string_view text) {
    auto it = m_texts.find(text);
    if (it == m_texts.end()) it = m_texts.emplace(text).first;
    return FindingText(&*it);
}

std::ostream& operator<<(std::ostream& out, FindingText t) { return out << t.view(); }

int ReviewResult::worstAt(std::string_view node) const {
    int worst = -1;
    const std::string k = key(node);
    for (const Finding& f : findings)
        if (key(f.node) == k) worst = std::max(worst, static_cast<int>(f.severity));
    return worst;
}

ReviewResult reviewSystem(db::Project& project, const std::string& system, const DesignCriteria& criteria) {
    return Reviewer(project, system, criteria).run();
}

void addReviewMarks(hydraulics::ProfileGeometry& g, const ReviewResult& r) {
    std::unordered_map<std::string, int> worst;
    for (const Finding& f : r.findings) {
        int& w = worst.try_emplace(key(f.node), -1).first->second;
        w = std::max(w, static_cast<int>(f.severity));
    }
    for (const auto& s : g.structures) {
        auto it = worst.find(key(s.name));
        if (it != worst.end() && it->second >= 0) g.reviewMarks.push_back({s.x, s.top, it->second});
    }
}

void addStormTabFootnotes(const ReviewResult& r, std::map<std::string, std::string>& marks,
                          const std::function<void(std::string&&)>& note) {
    // Notes (what sized each pipe, and the like) stay in the review itself: the printed tab
    // marks only what a reviewer must look at, the warnings and errors.
    // one mark per node, numbered in the order the review lists them (worst first)
    std::vector<std::string> order;
    std::unordered_map<std::string, std::vector<const Finding*>> byNode;
    for (const Finding& f : r.findings) {
        if (f.severity == Severity::Note) continue;
        const std::string k = toUpper(trim(f.node));
        if (!byNode.count(k)) order.push_back(k);
        byNode[k].push_back(&f);
    }
    if (order.empty()) return;
    note("Design review notes:");
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::string mark = fmt::format("[{}]", i + 1);
        marks[order[i]] = mark;
        for (const Finding* f : byNode[order[i]]) {
            const std::string where = f->reach.empty() ? "node " + std::string(f->node) : "reach " + std::string(f->reach);
            note(fmt::format("{} {} at {}: {} {} {} (limit {} {}). {}", mark, severityName(f->severity), where,
                             f->quantity, number(f->value), f->unit, number(f->limit), f->unit, f->rule));
        }
    }
}

void writeReviewText(const ReviewResult& r, const std::function<void(const std::string&)>& line) {
    line("Design review of system " + r.system);
    if (!r.hasResults) line("No results of Step 2 or Step 4: only the network itself was checked.");
    line(padRight("Severity", 9) + padRight("Node", 9) + padRight("Reach", 9) + padRight("Quantity", 34) +
         padLeft("Value", 12) + padLeft("Limit", 12) + "  " + padRight("Unit", 6) + "Rule");
    line(std::string(110, '-'));
    for (const Finding& f : r.findings)
        line(padRight(severityName(f.severity), 9) + padRight(f.node, 9) + padRight(f.reach, 9) +
             padRight(f.quantity, 34) + padLeft(number(f.value), 12) + padLeft(number(f.limit), 12) + "  " +
             padRight(f.unit, 6) + std::string(f.rule));
    line(fmt::format("{} errors, {} warnings, {} notes.", r.count(Severity::Error), r.count(Severity::Warning),
                     r.count(Severity::Note)));
}

std::vector<std::string> reviewText(const ReviewResult& r) {
    std::vector<std::string> lines;
    writeReviewText(r, [&](const std::string& l) { lines.push_back(l); });
    return lines;
}

void writeReviewCsv(const ReviewResult& r, std::ostream& out) {
    out << "severity,node,reach,quantity,value,limit,unit,rule\r\n";
    for (const Finding& f : r.findings)
        out << std::string(severityName(f.severity)) + "," + csvCell(f.node) + "," + csvCell(f.reach) + "," +
                   csvCell(f.quantity) + "," + number(f.value) + "," + number(f.limit) + "," + csvCell(f.unit) +
                   "," + csvCell(f.rule) + "\r\n";
}

std::string reviewCsv(const ReviewResult& r) {
    std::ostringstream out;
    writeReviewCsv(r, out);
    return out.str();
}

void writeReviewJson(const ReviewResult& r, std::ostream& out) {
    out << "{\n  \"system\": " + jsonQuoted(r.system) + ",\n  \"has_results\": " +
               (r.hasResults ? "true" : "false") +
               fmt::format(",\n  \"errors\": {},\n  \"warnings\": {},\n  \"notes\": {},\n  \"findings\": [",
                           r.count(Severity::Error), r.count(Severity::Warning), r.count(Severity::Note));
    for (std::size_t i = 0; i < r.findings.size(); ++i) {
        const Finding& f = r.findings[i];
        out << std::string(i ? "," : "") + "\n    {\"severity\": " + jsonQuoted(severityName(f.severity)) +
                   ", \"node\": " + jsonQuoted(f.node) + ", \"reach\": " + jsonQuoted(f.reach) +
                   ", \"quantity\": " + jsonQuoted(f.quantity) + ", \"value\": " + number(f.value) +
                   ", \"limit\": " + number(f.limit) + ", \"unit\": " + jsonQuoted(f.unit) +
                   ", \"rule\": " + jsonQuoted(f.rule) + "}";
    }
    out << (r.findings.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

std::string reviewJson(const ReviewResult& r) {
    std::ostringstream out;
    writeReviewJson(r, out);
    return out.str();
}

}  // namespace kolv::review
