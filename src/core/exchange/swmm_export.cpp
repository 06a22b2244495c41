// Writing a storm sewer system as a dynamic-wave input file of the public SWMM 5 format, with the design flows.
#include "exchange/swmm_export.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

#include "common/text.h"
#include "common/units.h"
#include "exchange/system_rows.h"

namespace kolv::exchange {
namespace {

std::string key(std::string_view s) { return toUpper(trim(s)); }
std::string f4(double v) { return fmt::format("{:.4f}", v); }
std::string f6(double v) { return fmt::format("{:.6f}", v); }

constexpr double kCmsPerCfs = units::kCmsPerCfsExact;

/// Names as SWMM can read them: one token without quote marks or semicolons, at most 24 characters.
class SwmmNames {
public:
    std::string operator()(const std::string& name, char prefix) {
        auto it = m_map.find(name);
        if (it != m_map.end()) return it->second;
        bool ok = !name.empty() && name.size() <= 24;
        for (char c : name)
            if (c == ' ' || c == '\t' || c == ';' || c == '"' || c == '[' || static_cast<unsigned char>(c) < 0x21) ok = false;
        std::string s = name;
        if (!ok || m_used.count(key(s))) {
            do s = fmt::format("{}{}", prefix, ++m_next);
            while (m_used.count(key(s)));
            m_renamed.emplace_back(s, name);
        }
        m_used.insert(key(s));
        m_map.emplace(name, s);
        return s;
    }
    const std::vector<std::pair<std::string, std::string>>& renamed() const { return m_renamed; }

private:
    std::map<std::string, std::string> m_map;
    std::set<std::string> m_used;
    std::vector<std::pair<std::string, std::string>> m_renamed;
    int m_next = 0;
};

std::string hhmmss(double minutes) {
    long s = std::lround(minutes * 60.0);
    return fmt::format("{:02}:{:02}:{:02}", s / 3600, (s / 60) % 60, s % 60);
}

}  // namespace

std::string swmmText(db::Database& db, const std::string& system, const SwmmOptions& options, ExportResult& result) {
    const SystemRows s = readSystemRows(db, system);
    const double q = s.metric ? kCmsPerCfs : 1.0;  // storm tab cfs -> the file's flow unit
    SwmmNames nodeNames, linkNames;
    const std::string outfall = s.header.text("OUT_NODE");

    // Pipe ends at each node, for the junction inverts and the local flows.
    std::unordered_map<std::string, double> lowest;
    std::unordered_map<std::string, std::vector<const FieldRow*>> in;
    for (const auto& r : s.reaches) {
        auto low = [&](const std::string& n, const char* f) {
            if (!r.has(f)) return;
            auto [it, fresh] = lowest.emplace(key(n), r.number(f));
            if (!fresh) it->second = std::min(it->second, r.number(f));
        };
        low(r.text("NODE1"), "ELEV1");
        low(r.text("NODE2"), "ELEV2");
        in[key(r.text("NODE2"))].push_back(&r);
    }

    std::string out;
    auto line = [&](const std::string& l) { out += l + "\n"; };
    line("[TITLE]");
    line(";;Project Title/Notes");
    line("System " + s.system + ": storm sewer design exported by KOLV Lt for a dynamic-wave check.");
    line(s.results.empty() ? "No storm tab had been computed: inflows are zero."
                           : "Inflows are the local design flows of the last storm tab.");

    // A run long enough to reach the steady peak: six times the longest time of concentration, at least an hour.
    double longestTc = 0;
    for (const auto& [k, r] : s.results) longestTc = std::max(longestTc, r.number("TC"));
    const double hours = std::max(1.0, std::ceil(longestTc * 6.0 / 60.0));
    line("");
    line("[OPTIONS]");
    line(";;Option             Value");
    auto opt = [&](const char* o, const std::string& v) { line(fmt::format("{:<20} {}", o, v)); };
    opt("FLOW_UNITS", s.metric ? "CMS" : "CFS");
    opt("INFILTRATION", "HORTON");
    opt("FLOW_ROUTING", options.routing);
    opt("LINK_OFFSETS", "ELEVATION");
    opt("MIN_SLOPE", "0");
    opt("ALLOW_PONDING", "NO");
    opt("SKIP_STEADY_STATE", "NO");
    opt("START_DATE", "01/01/2000");
    opt("START_TIME", "00:00:00");
    opt("REPORT_START_DATE", "01/01/2000");
    opt("REPORT_START_TIME", "00:00:00");
    opt("END_DATE", "01/01/2000");
    opt("END_TIME", hhmmss(hours * 60.0));
    opt("SWEEP_START", "01/01");
    opt("SWEEP_END", "12/31");
    opt("DRY_DAYS", "0");
    opt("REPORT_STEP", "00:01:00");
    opt("WET_STEP", "00:01:00");
    opt("DRY_STEP", "00:01:00");
    opt("ROUTING_STEP", fmt::format("{}", options.routingStepSeconds));
    opt("INERTIAL_DAMPING", "PARTIAL");
    opt("NORMAL_FLOW_LIMITED", "BOTH");
    opt("FORCE_MAIN_EQUATION", "H-W");
    opt("VARIABLE_STEP", "0.75");
    opt("LENGTHENING_STEP", "0");
    opt("MIN_SURFAREA", "0");
    opt("MAX_TRIALS", "8");
    opt("HEAD_TOLERANCE", s.metric ? "0.0015" : "0.005");
    opt("SYS_FLOW_TOL", "5");
    opt("LAT_FLOW_TOL", "5");
    opt("MINIMUM_STEP", "0.5");
    opt("THREADS", "1");

    line("");
    line("[JUNCTIONS]");
    line(";;Name           Elevation  MaxDepth   InitDepth  SurDepth   Aponded");
    for (const auto& n : s.nodes) {
        const std::string name = n.text("NAME");
        auto lo = lowest.find(key(name));
        const double invert = lo != lowest.end() ? lo->second : n.number("INLET_ELEV");
        double depth = n.has("INLET_ELEV") ? n.number("INLET_ELEV") - invert : 0;
        if (depth <= 0) {
            result.log.push_back("Node: " + name + " - no rim above its lowest invert; SWMM takes the depth of its highest pipe.");
            depth = 0;
        }
        line(fmt::format("{:<16} {:<10} {:<10} {:<10} {:<10} {}", nodeNames(name, 'J'), f4(invert), f4(depth), "0", "0", "0"));
    }

    line("");
    line("[OUTFALLS]");
    line(";;Name           Elevation  Type       Stage Data       Gated    Route To");
    {
        auto lo = lowest.find(key(outfall));
        const double invert = lo != lowest.end() ? lo->second : s.header.number("OUT_EL");
        const std::string name = nodeNames(outfall, 'J');
        if (s.header.has("OUT_TW") && s.header.number("OUT_TW") > 0)
            line(fmt::format("{:<16} {:<10} {:<10} {:<16} {}", name, f4(invert), "FIXED", f4(s.header.number("OUT_TW")), "NO"));
        else
            line(fmt::format("{:<16} {:<10} {:<10} {:<16} {}", name, f4(invert), "FREE", "", "NO"));
    }

    struct Section {
        std::string shape;
        double g1 = 0, g2 = 0, g3 = 0, g4 = 0;
        int barrels = 1;
        double n = 0;
    };
    std::unordered_map<std::string, const FieldRow*> nodeByName;
    for (const auto& n : s.nodes) nodeByName[key(n.text("NAME"))] = &n;
    std::vector<Section> sections;
    line("");
    line("[CONDUITS]");
    line(";;Name           From Node        To Node          Length     Roughness  InOffset   OutOffset  InitFlow   MaxFlow");
    for (const auto& r : s.reaches) {
        const std::string name = r.text("NAME");
        Section sec;
        sec.barrels = std::max(1, static_cast<int>(r.number("BARRELS")));
        if (r.number("REACH_TYPE") == 2) {
            const FieldRow* up = nodeByName[key(r.text("NODE1"))];
            double depth = up && up->has("INLET_ELEV") ? up->number("INLET_ELEV") - r.number("ELEV1") : 0;
            if (depth <= 0) depth = s.metric ? 1.0 : 3.0;
            const int type = static_cast<int>(r.number("DITCH_TYPE"));
            sec.n = r.number("DITCH_MANNINGS");
            sec.g1 = depth;
            if (type == 0 || type == 4 || type == 5) {
                sec.shape = "TRAPEZOIDAL";
                if (type == 0) sec.g2 = r.number("DITCH_DIM_1"), sec.g3 = r.number("DITCH_DIM_0"), sec.g4 = r.number("DITCH_DIM_2");
                if (type == 4) sec.g2 = r.number("DITCH_DIM_1"), sec.g3 = r.number("DITCH_DIM_0"), sec.g4 = r.number("DITCH_DIM_2");
                if (type == 5) sec.g2 = r.number("DITCH_DIM_3"), sec.g3 = r.number("DITCH_DIM_1"), sec.g4 = r.number("DITCH_DIM_4");
                if (type != 0) result.log.push_back("Reach: " + name + " - a ditch with broken sides is written as a trapezoid of its lower slopes.");
            } else if (type == 1) {
                sec.shape = "TRIANGULAR";
                sec.g2 = (r.number("DITCH_DIM_0") + r.number("DITCH_DIM_1")) * depth;
            } else if (type == 2) {
                sec.shape = "RECT_OPEN";
                sec.g2 = r.number("DITCH_DIM_0");
            } else {
                sec.shape = "CIRCULAR";
                sec.g1 = 2.0 * r.number("DITCH_DIM_0");
                result.log.push_back("Reach: " + name + " - a round ditch is written as a circular conduit of its diameter.");
            }
        } else {
            const FieldRow* def = s.pipe(r.text("PIPE_NAME"));
            if (!def) result.log.push_back("Reach: " + name + " - pipe '" + r.text("PIPE_NAME") + "' not found; size 0 written.");
            const double h = def ? def->number("HEIGHT") : 0, w = def ? def->number("WIDTH") : 0;
            sec.n = def ? def->number("N") : 0;
            sec.g1 = h;
            if (h == w || !def) sec.shape = "CIRCULAR";
            else {
                // SWMM's ellipses: full height, then maximum width.
                sec.shape = w > h ? "HORIZ_ELLIPSE" : "VERT_ELLIPSE";
                sec.g2 = w;
            }
        }
        double length = r.number("LENGTH");
        if (length <= 0) {
            length = 1;
            result.log.push_back("Reach: " + name + " - no length; 1 is written (SWMM needs a length).");
        }
        line(fmt::format("{:<16} {:<16} {:<16} {:<10} {:<10} {:<10} {:<10} {:<10} {}", linkNames(name, 'C'),
                         nodeNames(r.text("NODE1"), 'J'), nodeNames(r.text("NODE2"), 'J'), f4(length), f6(sec.n),
                         f4(r.number("ELEV1")), f4(r.number("ELEV2")), "0", "0"));
        sections.push_back(sec);
    }

    line("");
    line("[XSECTIONS]");
    line(";;Link           Shape        Geom1            Geom2      Geom3      Geom4      Barrels    Culvert");
    for (std::size_t i = 0; i < s.reaches.size(); ++i) {
        const Section& sec = sections[i];
        line(fmt::format("{:<16} {:<12} {:<16} {:<10} {:<10} {:<10} {}", linkNames(s.reaches[i].text("NAME"), 'C'),
                         sec.shape, f4(sec.g1), f4(sec.g2), f4(sec.g3), f4(sec.g4), sec.barrels));
    }

    line("");
    line("[LOSSES]");
    line(";;Link           Kentry     Kexit      Kavg       Flap Gate  Seepage");
    for (const auto& r : s.reaches) {
        const FieldRow* up = nodeByName[key(r.text("NODE1"))];
        const double kin = up ? up->number("JUNC_LOSS_COEFF") : 0;
        const double kout = key(r.text("NODE2")) == key(outfall) ? s.header.number("EXIT_LOSS_COEFF") : 0;
        if (kin == 0 && kout == 0) continue;
        line(fmt::format("{:<16} {:<10} {:<10} {:<10} {:<10} {}", linkNames(r.text("NAME"), 'C'), f4(kin), f4(kout), "0",
                         "NO", "0"));
    }

    line("");
    line("[INFLOWS]");
    line(";;Node           Constituent      Time Series      Type     Mfactor  Sfactor  Baseline Pattern");
    for (const auto& n : s.nodes) {
        const std::string name = n.text("NAME");
        const FieldRow* res = s.result(name);
        if (!res) continue;
        // The node's own share: its design flow less what the arriving pipes carry. A negative share
        // (the tab's peak falls as the time of concentration grows) is written as it is.
        double local = res->number("Q");
        for (const FieldRow* r : in[key(name)])
            if (const FieldRow* upRes = s.result(r->text("NODE1"))) local -= upRes->number("Q");
        if (local < 0)
            result.log.push_back("Node: " + name + " - local design flow " + f4(local * q) +
                                 " is negative: the storm tab's intensity falls with the longer time of concentration.");
        line(fmt::format("{:<16} {:<16} {:<16} {:<8} {:<8} {:<8} {:<8} {}", nodeNames(name, 'J'), "FLOW", "\"\"", "FLOW",
                         "1.0", "1.0", f6(local * q), ""));
    }

    line("");
    line("[COORDINATES]");
    line(";;Node           X-Coord            Y-Coord");
    double x0 = std::numeric_limits<double>::max(), y0 = x0, x1 = -x0, y1 = -x0;
    auto coord = [&](const std::string& name, double x, double y) {
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        line(fmt::format("{:<16} {:<18} {}", nodeNames(name, 'J'), f4(x), f4(y)));
    };
    for (const auto& n : s.nodes) coord(n.text("NAME"), n.number("XD"), n.number("YD"));
    coord(outfall, s.header.number("XD"), s.header.number("YD"));
    line("");
    line("[MAP]");
    if (x1 <= x0) x1 = x0 + 1;
    if (y1 <= y0) y1 = y0 + 1;
    line(fmt::format("DIMENSIONS {} {} {} {}", f4(x0), f4(y0), f4(x1), f4(y1)));
    line(std::string("Units      ") + (s.metric ? "Meters" : "Feet"));

    std::string head;
    const auto& rn = nodeNames.renamed();
    const auto& rl = linkNames.renamed();
    if (!rn.empty() || !rl.empty()) {
        head += ";; Names SWMM cannot read were renamed (SWMM name <- project name):\n";
        for (const auto& [a, b] : rn) head += ";;   node " + a + " <- " + b + "\n";
        for (const auto& [a, b] : rl) head += ";;   link " + a + " <- " + b + "\n";
        result.log.push_back(std::to_string(rn.size() + rl.size()) + " names were renamed for SWMM; the file lists them.");
    }
    result.structures = static_cast<int>(s.nodes.size()) + 1;
    result.pipes = static_cast<int>(s.reaches.size());
    return head + out;
}

ExportResult exportSwmm(db::Database& db, const std::string& system, const std::string& path, const SwmmOptions& options) {
    ExportResult r;
    writeTextFile(path, swmmText(db, system, options, r));
    r.log.push_back("SWMM input written to " + path + ": " + std::to_string(r.structures) + " nodes, " +
                    std::to_string(r.pipes) + " conduits.");
    return r;
}

}  // namespace kolv::exchange
