// Importing the pipe networks of a LandXML document as storm sewer systems: checks, plan and one undoable write.
#include "exchange/landxml_import.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "common/error.h"
#include "common/number_input.h"
#include "common/text.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/undo_history.h"
#include "editing/survey_lengths.h"
#include "exchange/import_setup.h"
#include "exchange/system_import.h"
#include "exchange/text_reader.h"

namespace kolv::exchange {
namespace {

std::string key(std::string_view s) { return toUpper(trim(s)); }
std::string num(double v) { return fmt::format("{}", v); }

bool projectMetric(db::Database& db) {
    db::Value v = db.scalar("SELECT ENGLISH_METRIC FROM T0");
    return !v.isNull() && v.toDouble() != 0;
}

// ------------------------------------------------------------------ units

/// Metres in one of a LandXML length unit; 0 for an unknown name.
double metresPer(const std::string& unit) {
    static const std::map<std::string, double> m = {
        {"foot", 0.3048},        {"ussurveyfoot", 1200.0 / 3937.0}, {"inch", 0.0254}, {"mile", 1609.344},
        {"meter", 1.0},          {"metre", 1.0},   {"millimeter", 0.001}, {"centimeter", 0.01}, {"kilometer", 1000.0}};
    auto it = m.find(toLower(unit));
    return it == m.end() ? 0.0 : it->second;
}
double squareMetresPer(const std::string& unit) {
    static const std::map<std::string, double> m = {
        {"acre", 4046.8564224},    {"squarefoot", 0.09290304}, {"squareinch", 0.00064516}, {"squaremiles", 2589988.110336},
        {"hectare", 10000.0},      {"squaremeter", 1.0},       {"squaremillimeter", 1e-6}, {"squarecentimeter", 1e-4}};
    auto it = m.find(toLower(unit));
    return it == m.end() ? 0.0 : it->second;
}

/// Factors from a part's units to the project's (ft, acres, cfs or m, ha, cms).
struct Factors {
    double length = 1, size = 1, area = 1;
    std::string lengthUnit, sizeUnit;
};

/// A name shortened and made unique among the names taken; the log says what happened.
class Names {
public:
    explicit Names(std::unordered_set<std::string> taken) : m_taken(std::move(taken)) {}

    std::string assign(const std::string& fileName, const char* what, std::vector<std::string>& log) {
        std::string base = trim(fileName);
        std::string name = utf8Left(base, 8);
        if (name != base)
            log.push_back(std::string(what) + " '" + base + "' is longer than 8 characters; it is stored as '" + name +
                          "'.");
        if (m_taken.count(key(name))) {
            for (int k = 2;; ++k) {
                const std::string s = "_" + std::to_string(k);  // "S-1" clashes: "S-1_2"
                std::string candidate = utf8Left(base, 8 - s.size()) + s;
                if (!m_taken.count(key(candidate))) {
                    log.push_back(std::string(what) + " '" + base + "': the name '" + name +
                                  "' is already used; it is stored as '" + candidate + "'.");
                    name = candidate;
                    break;
                }
            }
        }
        m_taken.insert(key(name));
        return name;
    }

private:
    std::unordered_set<std::string> m_taken;
};

/// Size and roughness of a pipe description, in project units, for the automatic pipe links.
struct PipeSize {
    bool circular = true;
    double height = 0, width = 0;
    std::optional<double> n;
};

class Planner {
public:
    Planner(db::Database& db, const LandXmlDocument& doc, LandXmlPlan& plan)
        : m_db(db), m_doc(doc), m_plan(plan), m_metric(projectMetric(db)) {}

    std::map<std::string, PipeSize> pipeSizes;  // folded description -> size

    void run(const LandXmlImportRequest& req) {
        // Names of other systems' nodes, reaches and outfalls are taken; those of a destination
        // system may be met again (the import then updates them, as the text import does).
        std::vector<LandXmlChoice> choices = req.networks;
        if (choices.empty())
            for (const auto& n : m_doc.networks) choices.push_back({n.name, ""});
        if (choices.empty()) {
            m_plan.refusal = "The LandXML file holds no pipe network.";
            return;
        }
        std::unordered_set<std::string> destinations;
        for (auto& c : choices) {
            if (trim(c.system).empty()) c.system = utf8Left(trim(c.network), 8);
            if (utf8Length(trim(c.system)) > 8) {
                m_plan.refusal = "System name '" + trim(c.system) + "' for network '" + c.network +
                                 "' is longer than 8 characters.";
                return;
            }
            if (trim(c.system).empty()) {
                m_plan.refusal = "Network '" + c.network + "' needs a destination system name.";
                return;
            }
            destinations.insert(key(c.system));
        }
        std::unordered_set<std::string> taken;
        for (const char* sql : {"SELECT NAME, SYSTEM FROM NODE", "SELECT NAME, SYSTEM FROM REACH",
                                "SELECT OUT_NODE, SYSTEM FROM T16"}) {
            db::Statement st = m_db.prepare(sql);
            while (st.step())
                if (!destinations.count(key(st.column(1).toText()))) taken.insert(key(st.column(0).toText()));
        }
        m_names = std::make_unique<Names>(std::move(taken));
        for (const auto& c : choices) {
            const LandXmlNetwork* net = nullptr;
            for (const auto& n : m_doc.networks)
                if (n.name == c.network) net = &n;
            if (!net) {
                m_plan.refusal = "Network '" + c.network + "' is not in the LandXML file.";
                return;
            }
            if (!planNetwork(*net, trim(c.system))) return;
        }
    }

private:
    void log(std::string s) { m_plan.log.push_back(std::move(s)); }

    Factors factors(const LandXmlUnits& u, const std::string& part, std::optional<double> largestSize,
                    bool pipes) {
        Factors f;
        const double project = m_metric ? 1.0 : 0.3048;
        const std::string projectUnit = m_metric ? "meter" : "foot";
        f.lengthUnit = u.linearUnit;
        if (metresPer(u.linearUnit) == 0) {
            if (!u.given)
                log(part + ": the file gives no units; lengths are read in the project's unit (" + projectUnit + ").");
            else
                log(part + ": linear unit '" + u.linearUnit + "' is not known; lengths are read in the project's unit (" +
                    projectUnit + ").");
            f.lengthUnit = projectUnit;
        }
        f.length = metresPer(f.lengthUnit) / project;
        f.sizeUnit = u.diameterUnit;
        if (pipes && metresPer(f.sizeUnit) == 0) {
            // Without a diameter unit the sizes tell: whole inches or millimetres are large numbers.
            const bool metricFile = u.given ? u.metric : m_metric;
            const double big = largestSize.value_or(0);
            if (metricFile) f.sizeUnit = big > 10 ? "millimeter" : "meter";
            else f.sizeUnit = big > 5 ? "inch" : "foot";
            log(part + ": the file gives no diameter unit; the sizes (largest " + num(big) + ") are read in " +
                f.sizeUnit + "es.");
            if (f.sizeUnit == "inch") f.sizeUnit = "inch";
        }
        if (pipes) f.size = metresPer(f.sizeUnit) / project;
        const double areaUnit = squareMetresPer(u.areaUnit);
        const double projectArea = m_metric ? 10000.0 : 4046.8564224;
        f.area = areaUnit == 0 ? 1.0 : areaUnit / projectArea;
        return f;
    }

    bool refuse(std::string why) {
        m_plan.refusal = std::move(why);
        return false;
    }

    bool planNetwork(const LandXmlNetwork& net, const std::string& system) {
        const std::string part = "Network '" + net.name + "'";
        PlannedSystem out;
        out.network = net.name;
        out.system = system;
        out.createSystem = m_db.scalar("SELECT COUNT(*) FROM T16 WHERE SYSTEM = ?", {system}).toInt() == 0;
        log(part + " into System: " + system + (out.createSystem ? " (a new system)." : " (an existing system)."));
        if (!net.pipeNetType.empty() && net.pipeNetType != "storm")
            log(part + " is a " + net.pipeNetType + " network; it is imported as a storm sewer system.");

        // Structures by name; the file's names must be unique.
        std::unordered_map<std::string, std::size_t> byName;
        for (std::size_t i = 0; i < net.structs.size(); ++i) {
            if (trim(net.structs[i].name).empty()) return refuse(part + ": a structure has no name.");
            if (!byName.emplace(net.structs[i].name, i).second)
                return refuse(part + ": structure name '" + net.structs[i].name + "' appears twice.");
        }
        const std::size_t ns = net.structs.size();
        struct Link {
            std::size_t pipe, from, to;
            std::optional<double> e1, e2;
        };
        std::vector<Link> links;
        std::unordered_set<std::string> pipeNames;
        for (std::size_t k = 0; k < net.pipes.size(); ++k) {
            const LandXmlPipe& p = net.pipes[k];
            const std::string pn = "Pipe '" + p.name + "'";
            if (!pipeNames.insert(p.name).second) return refuse(part + ": pipe name '" + p.name + "' appears twice.");
            auto s = byName.find(p.refStart);
            auto e = byName.find(p.refEnd);
            if (s == byName.end())
                return refuse(pn + " starts at structure '" + p.refStart + "', which is not in " + part + ".");
            if (e == byName.end())
                return refuse(pn + " ends at structure '" + p.refEnd + "', which is not in " + part + ".");
            if (s->second == e->second)
                return refuse(pn + " starts and ends at structure '" + p.refStart + "': a loop. A system is a tree.");
            Link l{k, s->second, e->second, {}, {}};
            std::string dirStart, dirEnd;
            for (const auto& inv : net.structs[l.from].inverts)
                if (inv.refPipe == p.name) {
                    l.e1 = inv.elev;
                    dirStart = inv.flowDir;
                }
            for (const auto& inv : net.structs[l.to].inverts)
                if (inv.refPipe == p.name) {
                    l.e2 = inv.elev;
                    dirEnd = inv.flowDir;
                }
            // The inverts' flow directions outrank the order of refStart and refEnd.
            if ((dirStart == "in" && dirEnd != "in") || (dirEnd == "out" && dirStart != "out")) {
                std::swap(l.from, l.to);
                std::swap(l.e1, l.e2);
                log(pn + ": its inverts say water flows from '" + p.refEnd + "' to '" + p.refStart +
                    "'; the pipe is imported in that direction.");
            } else if (l.e1 && l.e2 && *l.e1 < *l.e2) {
                log(pn + " rises in the direction of flow (invert " + num(*l.e1) + " at '" + net.structs[l.from].name +
                    "', " + num(*l.e2) + " at '" + net.structs[l.to].name + "').");
            }
            links.push_back(l);
        }
        // One outgoing pipe per structure: a system is a tree.
        std::vector<int> outgoing(ns, -1), incoming(ns, 0);
        for (std::size_t i = 0; i < links.size(); ++i) {
            const Link& l = links[i];
            if (outgoing[l.from] >= 0) {
                return refuse("Structure '" + net.structs[l.from].name + "' has 2 outgoing pipes ('" +
                              net.pipes[links[static_cast<std::size_t>(outgoing[l.from])].pipe].name + "' and '" +
                              net.pipes[l.pipe].name + "'): a system is a tree; split the network or choose which "
                              "pipe leaves the structure.");
            }
            outgoing[l.from] = static_cast<int>(i);
            ++incoming[l.to];
        }
        // The outfall: the connected structure without an outgoing pipe.
        std::vector<std::size_t> ends;
        for (std::size_t i = 0; i < ns; ++i) {
            if (outgoing[i] >= 0) continue;
            if (incoming[i] == 0) {
                log("Structure '" + net.structs[i].name + "' has no pipes; it is not imported.");
                continue;
            }
            ends.push_back(i);
        }
        if (ends.empty()) {
            // Every structure drains somewhere: the pipes close a loop.
            for (std::size_t i = 0; i < ns; ++i)
                if (outgoing[i] >= 0)
                    return refuse(part + " has no outfall: following the pipes from structure '" + net.structs[i].name +
                                  "' comes back to it (a loop). A system is a tree with one outfall.");
            return refuse(part + " has no pipes.");
        }
        if (ends.size() > 1)
            return refuse(part + " has " + std::to_string(ends.size()) + " outfalls ('" + net.structs[ends[0]].name +
                          "', '" + net.structs[ends[1]].name + "'): a system has one; split the network.");
        const std::size_t outfall = ends.front();
        // Every connected structure must reach the outfall (a loop elsewhere would never get there).
        std::vector<char> reaches(ns, 0);
        reaches[outfall] = 1;
        {
            std::vector<std::vector<std::size_t>> up(ns);
            for (const auto& l : links) up[l.to].push_back(l.from);
            std::vector<std::size_t> stack{outfall};
            while (!stack.empty()) {
                std::size_t s = stack.back();
                stack.pop_back();
                for (std::size_t u : up[s])
                    if (!reaches[u]) {
                        reaches[u] = 1;
                        stack.push_back(u);
                    }
            }
        }
        for (std::size_t i = 0; i < ns; ++i)
            if (outgoing[i] >= 0 && !reaches[i])
                return refuse("Structure '" + net.structs[i].name + "' of " + part +
                              " drains into a loop of pipes that never reaches the outfall. A system is a tree.");
        if (!net.structs[outfall].kind.empty() && net.structs[outfall].kind != "OutletStruct")
            log("Structure '" + net.structs[outfall].name + "' (" + net.structs[outfall].kind +
                ") has no outgoing pipe; it becomes the outfall of System: " + system + ".");
        for (std::size_t i = 0; i < ns; ++i)
            if (net.structs[i].kind == "OutletStruct" && i != outfall)
                log("Structure '" + net.structs[i].name + "' is an outlet but has an outgoing pipe; it is imported as a node.");

        // Units.
        std::optional<double> largest;
        for (const auto& p : net.pipes)
            for (auto v : {p.diameter, p.height, p.span, p.width})
                if (v) largest = std::max(largest.value_or(0), *v);
        const Factors sf = factors(net.structUnits, part + " structures", std::nullopt, false);
        const Factors pf = factors(net.pipeUnits, part + " pipes", largest, true);

        // Slopes: a fraction or percent, told by the pipes whose inverts give the answer.
        int asPercent = 0, asFraction = 0;
        for (const auto& l : links) {
            const LandXmlPipe& p = net.pipes[l.pipe];
            if (!p.slope || !l.e1 || !l.e2 || !p.length || *p.length <= 0 || *l.e1 == *l.e2) continue;
            const double fall = std::fabs(*l.e1 - *l.e2) / *p.length;
            const double r = std::fabs(*p.slope) / fall;
            if (std::fabs(r - 100) < std::fabs(r - 1)) ++asPercent;
            else ++asFraction;
        }
        bool percent = asPercent > asFraction;
        if (asPercent + asFraction == 0) {
            double big = 0;
            for (const auto& p : net.pipes)
                if (p.slope) big = std::max(big, std::fabs(*p.slope));
            percent = big > 0.25;
        }
        bool anySlope = false;
        for (const auto& p : net.pipes) anySlope = anySlope || p.slope.has_value();
        if (anySlope)
            log(part + ": pipe slopes are read as " + (percent ? "percent" : "fractions") +
                (asPercent + asFraction ? " (compared with the inverts of " + std::to_string(asPercent + asFraction) +
                                              " pipes)."
                                        : " (by their size; no pipe has both inverts and a length)."));

        // Names, outfall first so that it keeps its own.
        std::vector<std::string> stored(ns);
        stored[outfall] = m_names->assign(net.structs[outfall].name, "Structure", m_plan.log);
        for (std::size_t i = 0; i < ns; ++i)
            if (outgoing[i] >= 0) stored[i] = m_names->assign(net.structs[i].name, "Structure", m_plan.log);

        const LandXmlStruct& o = net.structs[outfall];
        out.outfall = stored[outfall];
        out.outfallFileName = o.name;
        out.outfallStructure = structureDescription(o);
        if (o.north && o.east && (*o.north != 0 || *o.east != 0)) {
            out.outfallNorth = *o.north * sf.length;
            out.outfallEast = *o.east * sf.length;
        }
        if (o.rim && *o.rim != 0) out.outfallRim = *o.rim * sf.length;
        else log("Structure '" + o.name + "' (the outfall): no rim elevation; left empty.");
        out.headerProperties.assign(net.properties.begin(), net.properties.end());

        for (std::size_t i = 0; i < ns; ++i) {
            if (outgoing[i] < 0) continue;
            const LandXmlStruct& s = net.structs[i];
            const Link& l = links[static_cast<std::size_t>(outgoing[i])];
            const LandXmlPipe& p = net.pipes[l.pipe];
            PlannedNode n;
            n.name = stored[i];
            n.fileName = s.name;
            if (s.north && s.east && (*s.north != 0 || *s.east != 0)) {
                n.north = *s.north * sf.length;
                n.east = *s.east * sf.length;
            } else {
                log("Structure '" + s.name + "': no coordinates; left empty.");
            }
            if (s.rim && *s.rim != 0) n.rim = *s.rim * sf.length;
            else log("Structure '" + s.name + "': " + (s.rim ? "rim elevation 0" : "no rim elevation") + "; left empty.");
            n.structure = structureDescription(s);
            n.properties.assign(s.properties.begin(), s.properties.end());

            n.hasReach = true;
            n.pipeName = p.name;
            n.to = stored[l.to];
            const std::string pn = "Pipe '" + p.name + "'";
            std::optional<double> e1 = l.e1, e2 = l.e2;
            // Length: the file's, else the plan distance between the structures.
            if (p.length && *p.length > 0) {
                n.length = *p.length * pf.length;
            } else {
                const LandXmlStruct& t = net.structs[l.to];
                if (s.north && s.east && t.north && t.east) {
                    n.length = std::hypot((*s.north - *t.north) * sf.length, (*s.east - *t.east) * sf.length);
                    n.measuredLength = true;
                    log(pn + ": no length; the plan distance " + fmt::format("{:.2f}", *n.length) + " is used.");
                } else {
                    log(pn + ": no length and no coordinates to measure it; left empty.");
                }
            }
            // A missing invert follows from the other one and the slope when they are given.
            if (p.slope && n.length) {
                const double slope = *p.slope / (percent ? 100.0 : 1.0);
                const double lengthFile = *n.length / pf.length;
                if (e1 && !e2) {
                    e2 = *e1 - slope * lengthFile;
                    log(pn + ": no downstream invert; " + num(*e2) + " from the upstream invert and the slope.");
                } else if (e2 && !e1) {
                    e1 = *e2 + slope * lengthFile;
                    log(pn + ": no upstream invert; " + num(*e1) + " from the downstream invert and the slope.");
                }
            }
            if (e1) n.elev1 = *e1 * pf.length;
            else log(pn + ": no upstream invert; left to be computed.");
            if (e2) n.elev2 = *e2 * pf.length;
            else log(pn + ": no downstream invert; left to be computed.");
            sectionOf(p, pf, n, pn);
            // The pipe's flow data describe the area draining into its upstream structure.
            if (p.areaCatchment && *p.areaCatchment != 0) n.area = *p.areaCatchment * pf.area;
            if (p.runoffCoeff && *p.runoffCoeff != 0) n.c = *p.runoffCoeff;
            if (p.timeInlet && *p.timeInlet != 0) n.tc = *p.timeInlet;
            if (p.areaCatchment && *p.areaCatchment == 0) log(pn + ": catchment area 0; left empty.");
            if (p.flowIn && *p.flowIn == 0) log(pn + ": flow 0.");
            n.reachProperties.assign(p.properties.begin(), p.properties.end());
            out.nodes.push_back(std::move(n));
        }
        m_plan.systems.push_back(std::move(out));
        return true;
    }

    std::string structureDescription(const LandXmlStruct& s) {
        std::string d = !trim(s.kindDesc).empty() ? trim(s.kindDesc) : !trim(s.desc).empty() ? trim(s.desc) : s.kind;
        addDescription(m_plan.structureDescriptions, d);
        return d;
    }

    static void addDescription(std::vector<std::string>& list, const std::string& d) {
        if (d.empty()) return;
        for (const auto& x : list)
            if (key(x) == key(d)) return;
        list.push_back(d);
    }

    void sectionOf(const LandXmlPipe& p, const Factors& f, PlannedNode& n, const std::string& pn) {
        auto size = [&](std::optional<double> v) { return v.value_or(0) * f.size; };
        PipeSize ps;
        ps.n = p.mannings;
        std::string shape;
        switch (p.section) {
        case LandXmlSection::Channel: {
            // A channel is measured like the ground: in the length unit.
            n.ditch = true;
            auto along = [&](std::optional<double> v) { return v.value_or(0) * f.length; };
            const double h = along(p.height), top = along(p.widthTop), bottom = along(p.widthBottom);
            n.ditchBottom = bottom;
            n.ditchSide = h > 0 ? (top - bottom) / 2.0 / h : 0;
            n.ditchMannings = p.mannings.value_or(0);
            if (h <= 0) log(pn + ": channel without a height; its side slopes are left 0.");
            return;
        }
        case LandXmlSection::Circular:
            if (!p.diameter || *p.diameter <= 0) log(pn + ": no diameter.");
            ps.height = ps.width = size(p.diameter);
            shape = "round";
            break;
        case LandXmlSection::Egg:
        case LandXmlSection::Elliptical:
            ps.circular = false;
            ps.height = size(p.height);
            ps.width = size(p.span);
            shape = p.section == LandXmlSection::Egg ? "egg" : "elliptical";
            break;
        case LandXmlSection::Rectangular:
            ps.circular = false;
            ps.height = size(p.height);
            ps.width = size(p.width);
            shape = "box";
            break;
        case LandXmlSection::None: log(pn + ": no section; the default pipe applies."); break;
        }
        std::string d = trim(p.sectionDesc);
        if (d.empty()) d = trim(p.desc);
        if (d.empty() && p.section != LandXmlSection::None) {
            const double unitSize = f.size;  // file value = project value / factor
            auto fileSize = [&](double v) { return num(std::round(v / unitSize * 1000.0) / 1000.0); };
            const std::string unit = f.sizeUnit == "inch" ? "in" : f.sizeUnit == "millimeter" ? "mm" : f.sizeUnit;
            d = trim(p.material + " " + shape + " " +
                     (ps.circular ? fileSize(ps.height) : fileSize(ps.height) + "x" + fileSize(ps.width)) + " " + unit);
        }
        n.pipe = d;
        if (!d.empty()) {
            addDescription(m_plan.pipeDescriptions, d);
            pipeSizes.emplace(key(d), ps);
        }
    }

    db::Database& m_db;
    const LandXmlDocument& m_doc;
    LandXmlPlan& m_plan;
    bool m_metric;
    std::unique_ptr<Names> m_names;
};

/// The saved setup's links, completed with those the import can make itself: a description that
/// is the name of a definition of the project's units, and a pipe of the same shape and size.
ImportSetup effectiveLinks(db::Database& db, const LandXmlPlan& plan, const std::map<std::string, PipeSize>& sizes,
                           const std::string& setupName, std::vector<std::string>& log) {
    ImportSetup s = loadSetup(db, setupName);
    const bool metric = projectMetric(db);
    const long long engMet = metric ? 1 : 0;
    std::unordered_set<std::string> linked;
    for (const auto& l : s.structures) linked.insert(key(l.description));
    for (const auto& d : plan.structureDescriptions) {
        if (linked.count(key(d))) continue;
        db::Value name = db.scalar("SELECT NAME FROM T6 WHERE UPPER(TRIM(NAME)) = ? AND ENG_MET = ?", {key(d), engMet});
        if (!name.isNull()) s.structures.push_back({d, trim(name.toText())});
    }
    linked.clear();
    for (const auto& l : s.pipes) linked.insert(key(l.description));
    struct Def {
        std::string name;
        double h, w, n;
    };
    std::vector<Def> defs;
    {
        db::Statement st = db.prepare("SELECT NAME, HEIGHT, WIDTH, N FROM T7 WHERE ENG_MET = ? ORDER BY GROUPP, AREA");
        st.bind(1, db::Value(engMet));
        while (st.step())
            defs.push_back({trim(st.column(0).toText()), st.column(1).toDouble(), st.column(2).toDouble(),
                            st.column(3).toDouble()});
    }
    for (const auto& d : plan.pipeDescriptions) {
        if (linked.count(key(d))) continue;
        auto byName = std::find_if(defs.begin(), defs.end(), [&](const Def& x) { return key(x.name) == key(d); });
        if (byName != defs.end()) {
            s.pipes.push_back({d, byName->name});
            continue;
        }
        auto it = sizes.find(key(d));
        if (it == sizes.end() || it->second.height <= 0) continue;
        const PipeSize& ps = it->second;
        auto close = [](double a, double b) { return std::fabs(a - b) <= 0.005 * std::max(std::fabs(a), std::fabs(b)); };
        const Def* best = nullptr;
        for (const auto& x : defs) {
            if (!close(x.h, ps.height) || !close(x.w, ps.width)) continue;
            if (!best) best = &x;
            if (ps.n && close(x.n, *ps.n)) {
                best = &x;
                break;
            }
        }
        if (best) {
            s.pipes.push_back({d, best->name});
            log.push_back("Pipe description '" + d + "' is linked by its size to pipe '" + best->name + "'.");
        }
    }
    return s;
}

/// Applies the program's own fields carried in a Feature (a file this program wrote).
void applyProperties(db::Database& db, const std::string& table, const char* where, const std::string& whereValue,
                     const std::vector<std::pair<std::string, std::string>>& props,
                     const std::unordered_set<std::string>& skip) {
    if (props.empty()) return;
    const db::TableLayout& layout = db.layout(table);
    std::string sets;
    std::vector<db::Value> values;
    for (const auto& [label, text] : props) {
        const db::FieldDef* f = layout.field(label);
        if (!f || skip.count(key(label))) continue;
        db::Value v;
        if (f->type == db::FieldType::Text || f->type == db::FieldType::Memo) {
            v = db::Value(text);
        } else if (!trim(text).empty()) {
            input::NumberCheck c = input::parseNumber(text, label);
            if (!c.ok()) continue;
            v = db::Value(*c.value);
        }
        values.push_back(db::RecordSet::coerce(table, *f, v));
        sets += (sets.empty() ? "" : ", ") + db::quoteIdent(f->name) + " = ?";
    }
    if (sets.empty()) return;
    values.emplace_back(whereValue);
    db.execute("UPDATE " + db::quoteIdent(table) + " SET " + sets + " WHERE " + where + " = ?", values);
}

}  // namespace

LandXmlPlan planLandXml(db::Database& db, const LandXmlDocument& doc, const LandXmlImportRequest& request) {
    LandXmlPlan plan;
    for (const auto& n : doc.notes) plan.log.push_back(n);
    Planner p(db, doc, plan);
    p.run(request);
    return plan;
}

LandXmlImportResult importLandXml(db::Database& db, ui::UiPort& ui, const LandXmlDocument& doc,
                                  const LandXmlImportRequest& request) {
    LandXmlImportResult result;
    LandXmlPlan plan;
    for (const auto& n : doc.notes) plan.log.push_back(n);
    Planner planner(db, doc, plan);
    planner.run(request);
    if (!plan.ok()) {
        ui.invalidData(plan.refusal + "\nNothing was imported; the project has not been changed.");
        result.log = plan.log;
        result.log.push_back(plan.refusal);
        return result;
    }
    result.ran = true;
    result.log.push_back("Import of LandXML file " + (request.path.empty() ? std::string("(no name)") : request.path) +
                         (doc.version.empty() ? std::string() : " (LandXML " + doc.version + ")") +
                         (doc.application.empty() ? std::string() : ", written by " + doc.application));
    for (const auto& l : plan.log) result.log.push_back(l);

    static const std::vector<Destination> columns = {
        Destination::NodeName,   Destination::NodeNorth,       Destination::NodeEast,      Destination::NodeInletElev,
        Destination::NodeStructure, Destination::NodeTc,       Destination::NodeArea1,     Destination::NodeC1,
        Destination::ReachName,  Destination::ReachFromNode,   Destination::ReachToNode,   Destination::ReachFromInvert,
        Destination::ReachToInvert, Destination::ReachPipe,    Destination::ReachLength};
    auto opt = [](const std::optional<double>& v) { return v ? num(*v) : std::string(); };

    db::UndoAction step(db, kLandXmlImportTitle);
    db::Transaction tx(db);
    ImportSetup links = effectiveLinks(db, plan, planner.pipeSizes, request.setupName, result.log);
    for (const PlannedSystem& sys : plan.systems) {
        if (sys.createSystem) {
            db.execute("INSERT INTO T16 (SYSTEM, DRAIN_TYPE) VALUES (?, 0)", {sys.system});
            ++result.systemsCreated;
            result.log.push_back("System: " + sys.system + " created.");
        }
        ImportFile file;
        file.path = request.path;
        for (Destination d : columns) file.headings.push_back(destinationName(d));
        for (const PlannedNode& n : sys.nodes) {
            file.rows.push_back({n.name, opt(n.north), opt(n.east), opt(n.rim), n.structure, opt(n.tc), opt(n.area),
                                 opt(n.c), n.name, n.name, n.to, opt(n.elev1), opt(n.elev2), n.ditch ? "" : n.pipe,
                                 opt(n.length)});
        }
        ImportRequest req;
        req.setupName = request.setupName.empty() ? kNewSetup : request.setupName;
        req.system = sys.system;
        req.rowListing = file.rows.empty() ? "" : "1-";
        req.defaultStructure = request.defaultStructure;
        req.defaultPipe = request.defaultPipe;
        req.destinations = columns;
        req.links = &links;
        if (!file.rows.empty()) {
            ImportResult r = runImport(db, ui, file, req);
            if (!r.ran || r.cancelled) {
                result.cancelled = r.cancelled;
                result.ran = r.ran;
                for (auto& l : r.log) result.log.push_back(std::move(l));
                return result;  // the transaction rolls back
            }
            for (auto& l : r.log) result.log.push_back(std::move(l));
            result.nodes += r.nodesCreated + r.nodesUpdated;
            result.reaches += r.reachesCreated + r.reachesUpdated;
        }
        for (const PlannedNode& n : sys.nodes) {
            applyProperties(db, "NODE", "NAME", n.name, n.properties, {"NAME", "SYSTEM"});
            if (n.ditch) {
                const bool vee = n.ditchBottom <= 0;
                db.execute("UPDATE REACH SET REACH_TYPE = 2, PIPE_NAME = NULL, CALC_PIPESIZE = 0, DITCH_TYPE = ?, "
                           "DITCH_MANNINGS = ?, DITCH_DIM_0 = ?, DITCH_DIM_1 = ?, DITCH_DIM_2 = ? WHERE NAME = ?",
                           {db::Value(vee ? 1 : 0), db::Value(n.ditchMannings), db::Value(n.ditchSide),
                            vee ? db::Value(n.ditchSide) : db::Value(n.ditchBottom),
                            vee ? db::Value(0.0) : db::Value(n.ditchSide), db::Value(n.name)});
                result.log.push_back("Reach: " + n.name + " - a ditch (" + std::string(vee ? "V bottom" : "trapezoid") +
                                     ").");
            }
            applyProperties(db, "REACH", "NAME", n.name, n.reachProperties, {"NAME", "SYSTEM", "NODE1", "NODE2"});
            // a length measured between the structures follows them when they move
            if (n.measuredLength) db.execute("UPDATE REACH SET CALC_PIPEL = -1 WHERE NAME = ?", {n.name});
        }
        // The outfall and, for a system this import made, the header the file carries.
        std::string outStruct;
        for (const auto& l : links.structures)
            if (key(l.description) == key(sys.outfallStructure)) outStruct = l.name;
        if (outStruct.empty()) outStruct = trim(request.defaultStructure);
        db.execute("UPDATE T16 SET OUT_NODE = ?, OUT_EL = ?, XD = ?, YD = ?, STRUCT_NAME = ? WHERE SYSTEM = ?",
                   {sys.outfall, sys.outfallRim ? db::Value(*sys.outfallRim) : db::Value(),
                    sys.outfallEast ? db::Value(*sys.outfallEast) : db::Value(),
                    sys.outfallNorth ? db::Value(*sys.outfallNorth) : db::Value(),
                    outStruct.empty() ? db::Value() : db::Value(utf8Left(outStruct, 8)), sys.system});
        result.log.push_back("Outfall: " + sys.outfall + " of System: " + sys.system + ".");
        if (sys.createSystem) applyProperties(db, "T16", "SYSTEM", sys.system, sys.headerProperties, {"SYSTEM", "OUT_NODE"});
    }
    // Structures placed by northing and easting, converted to the project's unit, are a survey.
    bool surveyed = false;
    for (const PlannedSystem& sys : plan.systems) {
        surveyed = surveyed || sys.outfallNorth.has_value();
        for (const PlannedNode& n : sys.nodes) surveyed = surveyed || n.north.has_value();
    }
    if (surveyed) {
        if (!editing::surveyCoordinates(db))
            result.log.push_back("Coordinates: survey coordinates; the project's computed lengths are now measured "
                                 "between the nodes.");
        editing::setSurveyCoordinates(db, true);
        editing::updateAllReachLengths(db);
    }
    tx.commit();
    result.log.push_back("Import Complete. Systems created: " + std::to_string(result.systemsCreated) +
                         ". Nodes: " + std::to_string(result.nodes) + ". Reaches: " + std::to_string(result.reaches) + ".");
    return result;
}

}  // namespace kolv::exchange
