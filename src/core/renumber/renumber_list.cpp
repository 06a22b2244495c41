// The renumbering list of a system.
#include "renumber/renumber_list.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"

namespace kolv::renumber {

namespace {

/// Kind of a node row: by the system's drain type when it is a drain system, else by `NODE_TYPE`.
std::string nodeKind(long drainType, long nodeType) {
    switch (drainType) {
        case 0: return nodeType == 1 ? kKindDitch : kKindNode;
        case 1: return "Cross Drain";
        case 2: return "Side Drain";
        default: return "Other Drain";
    }
}

/// The number a name or station stands for ("12+50" -> 1250), when the whole text is one.
std::optional<double> numberOf(const std::string& text) {
    std::string t;
    for (char c : trim(text))
        if (c != '+') t += c;
    if (t.empty() || !isNumeric(t)) return std::nullopt;
    return std::strtod(t.c_str(), nullptr);
}

/// Names in the order an engineer reads them: runs of digits compare by their value, so
/// "S-9" comes before "S-10"; letters without regard to case. Stations ("12+50") by value.
int compareNatural(const std::string& a, const std::string& b) {
    auto na = numberOf(a), nb = numberOf(b);
    if (na && nb) return *na < *nb ? -1 : *na > *nb ? 1 : 0;
    if (na || nb) return na ? -1 : 1;  // numbers before words and blanks
    const std::string x = toUpper(trim(a)), y = toUpper(trim(b));
    std::size_t i = 0, j = 0;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < x.size() && j < y.size()) {
        if (digit(x[i]) && digit(y[j])) {
            std::size_t i2 = i, j2 = j;
            while (i2 < x.size() && digit(x[i2])) ++i2;
            while (j2 < y.size() && digit(y[j2])) ++j2;
            // compare the runs by value: strip leading zeros, then length, then digits
            std::string_view rx(x.data() + i, i2 - i), ry(y.data() + j, j2 - j);
            while (rx.size() > 1 && rx.front() == '0') rx.remove_prefix(1);
            while (ry.size() > 1 && ry.front() == '0') ry.remove_prefix(1);
            if (rx.size() != ry.size()) return rx.size() < ry.size() ? -1 : 1;
            if (int c = rx.compare(ry)) return c < 0 ? -1 : 1;
            i = i2;
            j = j2;
            continue;
        }
        if (x[i] != y[j]) return x[i] < y[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < x.size()) return 1;
    if (j < y.size()) return -1;
    return 0;
}

int compareBy(const RenumberRow& a, const RenumberRow& b, Column c) {
    switch (c) {
        case Column::Line: return a.line < b.line ? -1 : a.line > b.line ? 1 : 0;
        case Column::Offset: return a.offset < b.offset ? -1 : a.offset > b.offset ? 1 : 0;
        case Column::System:
        case Column::Type: {
            const std::string x = toUpper(cellText(a, c)), y = toUpper(cellText(b, c));
            return x < y ? -1 : x > y ? 1 : 0;
        }
        default: return compareNatural(cellText(a, c), cellText(b, c));
    }
}

}  // namespace

const std::vector<std::string>& columnCaptions() {
    static const std::vector<std::string> c = {"Line",    "System", "Type",       "Node",       "Baseline",
                                               "Station", "Offset", "New Node #", "New Reach #"};
    return c;
}

std::string cellText(const RenumberRow& row, Column column) {
    switch (column) {
        case Column::Line: return std::to_string(row.line);
        case Column::System: return row.system;
        case Column::Type: return row.kind;
        case Column::Node: return row.node;
        case Column::Baseline: return row.baseline;
        case Column::Station: return row.station;
        case Column::Offset: return vbFormat(row.offset, "0.00");
        case Column::NewNode: return row.newNode;
        case Column::NewReach: return row.newReach;
    }
    return {};
}

std::vector<RenumberRow> loadRenumberList(db::Database& db, const std::string& system, ui::UiPort& ui) {
    const std::string sys = trim(system);
    std::vector<RenumberRow> rows;
    db::RecordSet t16(db, "T16", "SYSTEM = ?", {sys});
    long drainType = 0;
    if (!t16.empty()) {
        t16.moveFirst();
        drainType = t16.integer("DRAIN_TYPE");
        const std::string out = trim(t16.text("OUT_NODE"));
        if (!out.empty()) {
            RenumberRow r;
            r.system = sys;
            r.kind = kKindOutfall;
            r.node = out;
            r.baseline = trim(t16.text("OUT_BL"));
            r.station = trim(t16.text("OUT_STA"));
            r.offset = t16.number("OUT_OFF");
            r.xd = t16.number("XD");
            r.yd = t16.number("YD");
            r.outfall = true;
            r.newNode = out;
            rows.push_back(std::move(r));
        }
    }
    db::RecordSet nodes(db, "NODE", "SYSTEM = ?", {sys});
    db::RecordSet reaches(db, "REACH", "SYSTEM = ?", {sys});
    for (nodes.moveFirst(); !nodes.eof(); nodes.moveNext()) {
        RenumberRow r;
        r.system = sys;
        r.node = trim(nodes.text("NAME"));
        r.kind = nodeKind(drainType, nodes.integer("NODE_TYPE"));
        r.baseline = trim(nodes.text("BASELINE"));
        r.station = trim(nodes.text("STATION"));
        r.offset = nodes.number("OFFSET");
        r.xd = nodes.number("XD");
        r.yd = nodes.number("YD");
        r.newNode = r.node;
        if (reaches.findFirst("NODE1 = ?", {r.node})) {
            r.reach = trim(reaches.text("NAME"));
            r.newReach = r.reach;
        } else {
            ui.beep();
            ui.message("MISSING REACH", "Reach from node '" + r.node + "' cannot be found.", ui::Icon::Exclamation);
        }
        rows.push_back(std::move(r));
    }
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].line = static_cast<int>(i) + 1;
    return rows;
}

void sortRows(std::vector<RenumberRow>& rows, const std::vector<Column>& keys) {
    if (!keys.empty()) {
        std::stable_sort(rows.begin(), rows.end(), [&](const RenumberRow& a, const RenumberRow& b) {
            for (Column k : keys) {
                if (int c = compareBy(a, b, k)) return c < 0;
            }
            return false;
        });
    }
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].line = static_cast<int>(i) + 1;
}

std::vector<std::string> nodesByPosition(const std::vector<RenumberRow>& rows) {
    std::vector<const RenumberRow*> nodes;
    for (const auto& r : rows)
        if (!r.outfall) nodes.push_back(&r);
    std::stable_sort(nodes.begin(), nodes.end(), [](const RenumberRow* a, const RenumberRow* b) {
        if (a->xd != b->xd) return a->xd < b->xd;
        return a->yd < b->yd;
    });
    std::vector<std::string> names;
    for (const auto* r : nodes) names.push_back(r->node);
    return names;
}

std::vector<std::string> nodeNames(const std::vector<RenumberRow>& rows) {
    std::vector<std::string> names;
    for (const auto& r : rows)
        if (!r.outfall) names.push_back(r.node);
    return names;
}

}  // namespace kolv::renumber
