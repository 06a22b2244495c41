// The pipe table of a sizing run: loading one group, checking it, and choosing the smallest pipe that will do.
#include "sizing/pipe_table.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "hydraulics/section_geometry.h"

namespace kolv::sizing {

namespace {
// Metric pipe definitions: meters to feet by the short factor, and square meters to square feet
// by its own rounding (the loader of a run converts pipe areas by the longer factor).
using units::kFeetPerMeterShort;
using units::kSqFtPerSqMShort;
}  // namespace

std::vector<int> pipeGroups(db::Database& db, int engMet) {
    std::vector<int> groups;
    auto st = db.prepare("SELECT DISTINCT GROUPP FROM T7 WHERE GROUPP IS NOT NULL AND ENG_MET = ? ORDER BY GROUPP");
    st.bind(1, db::Value(static_cast<long long>(engMet)));
    while (st.step()) groups.push_back(static_cast<int>(st.column(0).toInt()));
    return groups;
}

std::string pipeDefinitionFault(const std::string& name, double height, double width, float n) {
    if (width <= 0 || height <= 0) return "Pipe '" + name + "' has an invalid height or width.\nProcess terminated";
    if (n <= 0 || n >= 1) {
        // n shows as a single-precision number prints: 0.013, 1, 0
        const std::string nText = shortestText(std::strtod(fmt::format("{:.7g}", n).c_str(), nullptr));
        return "Pipe '" + name + "' has an invalid 'N' value (" + nText + ").\nProcess terminated";
    }
    return {};
}

std::optional<std::vector<PipeEntry>> loadPipeTable(db::Database& db, int group, bool metric, ui::UiPort& ui,
                                                    std::vector<std::string>* listing) {
    ui.status("Loading pipe table");
    db::RecordSet t7(db, "T7", "GROUPP = ?", {group}, "AREA, rowid");
    std::vector<PipeEntry> table;
    table.reserve(t7.recordCount());
    for (t7.moveFirst(); !t7.eof(); t7.moveNext()) {
        PipeEntry e;
        e.name = name8(trim(t7.text("NAME")));
        e.heightListed = static_cast<float>(t7.number("HEIGHT"));
        e.widthListed = static_cast<float>(t7.number("WIDTH"));
        const double toFeet = metric ? kFeetPerMeterShort : 1.0;
        e.heightFt = static_cast<float>(e.heightListed * toFeet);
        e.widthFt = static_cast<float>(e.widthListed * toFeet);
        e.n = static_cast<float>(t7.number("N"));
        e.costPerFt = static_cast<float>(t7.number("COST") / toFeet);
        const double stored = t7.number("AREA");
        if (stored != 0) {
            e.areaSqFt = static_cast<float>(stored * (metric ? kSqFtPerSqMShort : 1.0));
        } else if (e.widthFt == e.heightFt) {
            e.areaSqFt = static_cast<float>(units::roundPipeArea(e.heightFt));
        }
        // Another shape without an area keeps 0: it is listed but never tried.
        table.push_back(e);
    }
    // The query sorts by the stored area; a round pipe whose area is computed takes its place by it.
    std::stable_sort(table.begin(), table.end(),
                     [](const PipeEntry& a, const PipeEntry& b) { return a.areaSqFt < b.areaSqFt; });

    if (listing) {
        listing->push_back("PIPE SELECTION LIST");
        listing->push_back("--------------------");
    }
    const char* picture = metric ? "0.000" : "0.00";
    for (const PipeEntry& e : table) {
        if (listing)
            listing->push_back(padRight(e.name, 8) + "  " + vbFormat(e.heightListed, picture) + "  " +
                               vbFormat(e.widthListed, picture));
        const std::string fault = pipeDefinitionFault(e.name, e.heightFt, e.widthFt, e.n);
        if (!fault.empty()) {
            ui.beep();
            ui.message("INVALID DATA", fault, ui::Icon::Critical);
            return std::nullopt;
        }
    }
    if (listing) {
        listing->push_back(" ");
        listing->push_back(" ");
    }
    return table;
}

double wettedPerimeterFt(double heightFt, double widthFt) {
    return units::pipePerimeter(widthFt, heightFt);
}

double frictionSlope(double n, double velocityFtS, double areaSqFt, double heightFt, double widthFt) {
    const double p = wettedPerimeterFt(heightFt, widthFt);
    const double r = p == 0 ? 0.0000001 : areaSqFt / p;  // R = A / P
    const double root = n * velocityFtS / (units::kManningFactor * std::pow(r, 2.0 / 3.0));
    return root * root;  // Sf = (n V / (1.486 R^(2/3)))²
}

Choice choosePipe(const std::vector<PipeEntry>& table, double flowCfs, int barrels, Criterion criterion, double limit,
                  std::size_t start) {
    Choice c;
    const int nb = barrels <= 0 ? 1 : barrels;
    for (std::size_t p = start; p < table.size(); ++p) {
        const PipeEntry& e = table[p];
        if (e.areaSqFt <= 0) continue;  // no area: its velocity cannot be computed
        c.lastTried = static_cast<int>(p);
        c.velocityFtS = flowCfs / nb / e.areaSqFt;  // V = Q / barrels / A
        bool accepted = false;
        if (criterion == Criterion::Velocity) {
            accepted = c.velocityFtS < limit || c.velocityFtS == 0;
        } else {
            const double slopePct = 100.0 * frictionSlope(e.n, c.velocityFtS, e.areaSqFt, e.heightFt, e.widthFt);
            accepted = slopePct < limit || slopePct == 0;
        }
        if (accepted) {
            c.index = static_cast<int>(p);
            return c;
        }
    }
    return c;
}

std::size_t firstEntryNotSmaller(const std::vector<PipeEntry>& table, double areaSqFt) {
    if (table.empty()) return 0;
    // Areas are single precision: an upstream pipe of the same definition compares equal within that.
    const double tol = 1e-6 * std::max(1.0, std::fabs(areaSqFt));
    for (std::size_t p = 0; p < table.size(); ++p)
        if (table[p].areaSqFt >= areaSqFt - tol) return p;
    return table.size() - 1;
}

}  // namespace kolv::sizing
