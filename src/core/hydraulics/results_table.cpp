// The storm tabulation as a table of formatted cells, in the project's units, for listings and exports.
#include "hydraulics/results_table.h"

#include <algorithm>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "hydraulics/results.h"

namespace kolv::hydraulics {

namespace {
using units::kCmsPerCfs;
using units::kMetersPerFoot;
/// ha per ac as the inverse of the loading factor, so a drainage area typed in hectares is shown as typed.
constexpr double kHectaresPerAcreShown = 1.0 / units::kAcresPerHectare;
}  // namespace

StormTabTable stormTabTable(const std::vector<HydraulicRecord>& records, bool metric, bool useHydLength) {
    const std::string len = metric ? "(m)" : "(ft)";
    const std::string flow = metric ? "(cms)" : "(cfs)";
    const std::string vel = metric ? "(m/s)" : "(ft/s)";
    const std::string area = metric ? "(ha)" : "(ac)";
    StormTabTable t;
    t.columns = {{"from", "From", false},
                 {"to", "To", false},
                 {"pipe", "Pipe", false},
                 {"length", "Length" + len},
                 {"area", "Area" + area},
                 {"c", "C"},
                 {"ca", "Sum CA" + area},
                 {"tc", "Tc(min)"},
                 {"tf", "Tf(min)"},
                 {"intensity", "I"},
                 {"q", "Q" + flow},
                 {"capacity", "Cap" + flow},
                 {"velocity", "V" + vel},
                 {"slope", "S(%)"},
                 {"fl_up", "FL up" + len},
                 {"fl_dn", "FL dn" + len},
                 {"hgl_up", "HGL up" + len},
                 {"hgl_dn", "HGL dn" + len},
                 {"jloss", "JLoss" + len},
                 {"hgl_node", "HGL node" + len},
                 {"inlet", "Inlet" + len},
                 {"clearance", "Clear" + len},
                 {"flow_cond", "Flow", false}};
    const double L = metric ? kMetersPerFoot : 1.0, Q = metric ? kCmsPerCfs : 1.0, A = metric ? kHectaresPerAcreShown : 1.0;
    const auto f2 = [&](double v) { return vbFormat(v, metric ? "0.000" : "0.00"); };
    for (const auto& r : records) {
        const bool full = r.state == FlowState::Full;
        t.rows.push_back({trim(r.name),
                          trim(r.toName),
                          r.isDitch() ? std::string("DITCH") : r.pipeName,
                          f2(r.reachLength(useHydLength) * L),
                          f2(r.totalArea * A),
                          vbFormat(r.weightedC, "0.00"),
                          f2(r.totalCa * A),
                          vbFormat(r.tcWork, "0.00"),
                          vbFormat(r.travelTime, "0.00"),
                          vbFormat(r.intensity, "0.00"),
                          f2(r.q * Q),
                          r.isDitch() ? std::string() : f2(r.qCapacity * Q),
                          f2((full ? r.velocity : r.vPartial) * L),
                          vbFormat(r.physSlope * 100.0, "0.000"),
                          f2(r.invertUp * L),
                          f2(r.invertDn * L),
                          f2(r.hglUp * L),
                          f2(r.hglDn * L),
                          f2(r.jloss * L),
                          f2(r.hglAtNode * L),
                          f2(r.inletElev * L),
                          f2((r.inletElev - r.hglAtNode) * L),
                          flowCondition(r)});
    }
    return t;
}

std::vector<std::string> stormTabText(const StormTabTable& table) {
    std::vector<std::size_t> width(table.columns.size());
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        width[c] = table.columns[c].caption.size();
        for (const auto& row : table.rows) width[c] = std::max(width[c], row[c].size());
    }
    const auto line = [&](const std::vector<std::string>& cells, bool heading) {
        std::string s;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (c) s += "  ";
            const bool right = table.columns[c].numeric && !heading;
            s += right ? padLeft(cells[c], width[c]) : padRight(cells[c], width[c]);
        }
        return rtrim(s);
    };
    std::vector<std::string> out;
    std::vector<std::string> captions;
    for (const auto& c : table.columns) captions.push_back(c.caption);
    out.push_back(line(captions, true));
    std::size_t total = 0;
    for (auto w : width) total += w + 2;
    out.push_back(std::string(total > 2 ? total - 2 : 0, '-'));
    for (const auto& row : table.rows) out.push_back(line(row, false));
    return out;
}

}  // namespace kolv::hydraulics
