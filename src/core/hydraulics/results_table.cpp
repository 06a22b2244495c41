// The storm tabulation as a table of formatted cells, in the project's units, for listings and exports.
#include "hydraulics/results_table.h"

#include <algorithm>

#include "common/text.h"
#include "common/vb_format.h"
#include "hydraulics/results.h"
#include "hydraulics/unit_factors.h"

namespace kolv::hydraulics {

namespace {
constexpr double kHectaresPerAcre = 1.0 / kAcresPerHectare;
}  // namespace

std::vector<TabColumn> stormTabColumns(bool metric) {
    const std::string len = metric ? "(m)" : "(ft)";
    const std::string flow = metric ? "(cms)" : "(cfs)";
    const std::string vel = metric ? "(m/s)" : "(ft/s)";
    const std::string area = metric ? "(ha)" : "(ac)";
    return {{"from", "From", false},
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
}

std::vector<std::string> stormTabRow(const HydraulicRecord& r, bool metric, bool useHydLength) {
    const double L = metric ? kMetersPerFoot : 1.0, Q = metric ? kCmsPerCfs : 1.0, A = metric ? kHectaresPerAcre : 1.0;
    const auto f2 = [&](double v) { return vbFormat(v, metric ? "0.000" : "0.00"); };
    const bool full = r.state == FlowState::Full;
    return {trim(r.name),
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
            flowCondition(r)};
}

StormTabTable stormTabTable(const std::vector<HydraulicRecord>& records, bool metric, bool useHydLength) {
    StormTabTable t;
    t.columns = stormTabColumns(metric);
    t.rows.reserve(records.size());
    for (const auto& r : records) t.rows.push_back(stormTabRow(r, metric, useHydLength));
    return t;
}

namespace {

/// Fixed-width text of the listing: widths of every column, then one line at a time.
class TextLayout {
public:
    explicit TextLayout(const std::vector<TabColumn>& columns) : m_columns(columns), m_width(columns.size()) {
        for (std::size_t c = 0; c < columns.size(); ++c) m_width[c] = columns[c].caption.size();
    }
    void widen(const std::vector<std::string>& row) {
        for (std::size_t c = 0; c < m_width.size(); ++c) m_width[c] = std::max(m_width[c], row[c].size());
    }
    std::string line(const std::vector<std::string>& cells, bool heading) const {
        std::string s;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (c) s += "  ";
            const bool right = m_columns[c].numeric && !heading;
            s += right ? padLeft(cells[c], m_width[c]) : padRight(cells[c], m_width[c]);
        }
        return rtrim(s);
    }
    std::string heading() const {
        std::vector<std::string> captions;
        for (const auto& c : m_columns) captions.push_back(c.caption);
        return line(captions, true);
    }
    std::string rule() const {
        std::size_t total = 0;
        for (auto w : m_width) total += w + 2;
        return std::string(total > 2 ? total - 2 : 0, '-');
    }

private:
    const std::vector<TabColumn>& m_columns;
    std::vector<std::size_t> m_width;
};

}  // namespace

std::vector<std::string> stormTabText(const StormTabTable& table) {
    TextLayout layout(table.columns);
    for (const auto& row : table.rows) layout.widen(row);
    std::vector<std::string> out;
    out.push_back(layout.heading());
    out.push_back(layout.rule());
    for (const auto& row : table.rows) out.push_back(layout.line(row, false));
    return out;
}

void writeStormTabText(const std::vector<HydraulicRecord>& records, bool metric, bool useHydLength,
                       const std::function<void(const std::string&)>& line) {
    const std::vector<TabColumn> columns = stormTabColumns(metric);
    TextLayout layout(columns);
    for (const auto& r : records) layout.widen(stormTabRow(r, metric, useHydLength));
    line(layout.heading());
    line(layout.rule());
    for (const auto& r : records) line(layout.line(stormTabRow(r, metric, useHydLength), false));
}

}  // namespace kolv::hydraulics
