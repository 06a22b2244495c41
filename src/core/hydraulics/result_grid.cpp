// Result grid columns, rounding and the grouping of a run's messages.
#include "hydraulics/result_grid.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/text.h"
#include "common/vb_format.h"

namespace kolv::hydraulics {

const std::vector<std::string>& t60EngineeringFields() {
    static const std::vector<std::string> fields = {"FROM",     "TO",     "TYPE",   "LENGTH",    "TOTALCA",
                                                    "TC",       "INTENSITY", "Q",   "CAPACITY",  "VELOCITY",
                                                    "HGL_UP",   "HGL_DN", "CLEARENCE", "FLOW_COND"};
    return fields;
}

std::vector<std::string> t60GridOrder(const std::vector<std::string>& storedFields) {
    std::vector<std::string> order;
    for (const auto& f : t60EngineeringFields())
        if (std::find(storedFields.begin(), storedFields.end(), f) != storedFields.end()) order.push_back(f);
    for (const auto& f : storedFields)
        if (std::find(order.begin(), order.end(), f) == order.end()) order.push_back(f);
    return order;
}

bool t60ShownByDefault(const std::string& field) {
    const auto& e = t60EngineeringFields();
    return std::find(e.begin(), e.end(), field) != e.end();
}

int t60Decimals(const std::string& field) {
    if (field == "N") return 3;
    if (field == "BARRELS" || field == "SEQUENCER") return 0;
    return 2;
}

std::string t60CellText(const std::string& field, const db::Value& value) {
    if (value.isNull()) return {};
    if (!value.isNumber()) return trim(value.toText());
    const double v = value.toDouble();
    if (!std::isfinite(v)) return shortestText(v);
    const int decimals = t60Decimals(field);
    std::string s = vbFormat(roundHalfAway(v, decimals), decimals == 0 ? "0" : "0." + std::string(decimals, '0'));
    if (s == "-0" || s.find_first_not_of("-0.") == std::string::npos) s.erase(0, s.front() == '-' ? 1 : 0);
    return s;
}

std::string delimitedText(const std::vector<std::vector<std::string>>& rows, char separator) {
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c) out += separator;
            std::string cell = row[c];
            if (separator == '\t') {
                std::replace(cell.begin(), cell.end(), '\t', ' ');
                std::replace(cell.begin(), cell.end(), '\n', ' ');
                out += cell;
            } else if (cell.find_first_of(",\"\r\n") != std::string::npos) {
                std::string quoted = "\"";
                for (char ch : cell) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
                out += quoted + "\"";
            } else {
                out += cell;
            }
        }
        out += '\n';
    }
    return out;
}

bool isRunProgressLine(const std::string& line) {
    static const std::array<const char*, 13> phases = {
        "Cleaning up temporary data arrays", "Calculate hydraulics", "Writing results to database",
        "Determining 'IN' field inter-connections", "Loading system header", "Load IDF coefficients from IDF table",
        "Validate Tc min's and drainage areas", "Verify that all 'TO' inlets exist", "Loading pipe nodal array",
        "Sorting pipe nodal array in flow direction order", "Checking for circular references",
        "Sorting master node array", "Load time intensity table"};
    const std::string t = trim(line);
    if (t.empty() || t.rfind("PASS = ", 0) == 0) return true;
    return std::any_of(phases.begin(), phases.end(), [&](const char* p) { return equalsIgnoreCase(t, p); });
}

RunMessageGroups groupRunMessages(const std::vector<std::string>& lines) {
    RunMessageGroups g;
    for (const auto& line : lines) {
        if (isRunProgressLine(line)) {
            g.progress.push_back(line);
            continue;
        }
        const std::string t = trim(line);
        const bool stop = t.rfind("NOT SETTLED", 0) == 0 || (t.size() > 8 && t.compare(t.size() - 8, 8, " missing") == 0) ||
                          t.find("not a number") != std::string::npos || t.find("cannot") != std::string::npos;
        (stop ? g.stops : g.warnings).push_back(line);
    }
    return g;
}

}  // namespace kolv::hydraulics
