// Lines of the node list, read in one pass over the system's nodes and reaches.
#include "editing/node_list.h"

#include <unordered_map>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/table_row.h"

namespace kolv::editing {

namespace {

const std::vector<std::string> kNodeFields = {"NAME", "STRUCT_NAME", "STATION", "INLET_ELEV"};
const std::vector<std::string> kReachFields = {"NODE1", "NODE2", "PIPE_NAME", "LENGTH", "ELEV1", "ELEV2"};

void nodePart(NodeListRow& row, const db::TableRows& node) {
    row.name = trim(node.text("NAME"));
    row.structure = trim(node.text("STRUCT_NAME"));
    row.station = trim(node.text("STATION"));
    row.inletElev = node.number("INLET_ELEV");
}

void reachPart(NodeListRow& row, const db::TableRows& reach) {
    const double length = reach.number("LENGTH");
    // S (%) = (ELEV1 - ELEV2) / LENGTH x 100
    row.slope = length == 0 ? 0 : (reach.number("ELEV1") - reach.number("ELEV2")) / length * 100;
    row.hasReach = true;
    row.toNode = trim(reach.text("NODE2"));
    row.pipe = trim(reach.text("PIPE_NAME"));
    row.length = length;
}

std::optional<NodeListRow> outfallRow(db::Database& db, const std::string& system) {
    db::TableRows t16(db, "T16", "SYSTEM = ?", {system});
    if (!t16.next() || trim(t16.text("OUT_NODE")).empty()) return std::nullopt;
    NodeListRow row;
    row.outfall = true;
    row.name = trim(t16.text("OUT_NODE"));
    row.structure = trim(t16.text("STRUCT_NAME"));
    row.station = trim(t16.text("OUT_STA"));
    row.inletElev = t16.number("OUT_EL");
    row.toNode = "(outfall)";
    return row;
}

}  // namespace

std::string NodeListRow::inletElevText() const { return vbFormat(inletElev, "0.00"); }
std::string NodeListRow::lengthText() const { return vbFormat(length, "#,##0.00"); }
std::string NodeListRow::slopeText() const { return vbFormat(slope, "0.0000"); }

std::vector<NodeListRow> nodeListRows(db::Database& db, const std::string& systemName) {
    const std::string system = trim(systemName);
    std::vector<NodeListRow> rows;
    // The first reach leaving each node, names compared as a find compares them. The fields are
    // looked up once: a system of ten thousand nodes is listed at every switch.
    std::unordered_map<std::string, NodeListRow> leaving;
    {
        db::TableRows reach(db, "REACH", "SYSTEM = ?", {system}, kReachFields);
        const auto node1 = reach.field("NODE1"), node2 = reach.field("NODE2"), pipe = reach.field("PIPE_NAME");
        const auto length = reach.field("LENGTH"), elev1 = reach.field("ELEV1"), elev2 = reach.field("ELEV2");
        while (reach.next()) {
            const db::Value& from = reach.value(node1);
            if (from.isNull()) continue;
            auto [at, added] = leaving.try_emplace(db::compareKey(from));
            if (!added) continue;
            NodeListRow& row = at->second;
            const double l = reach.number(length);
            // S (%) = (ELEV1 - ELEV2) / LENGTH x 100
            row.slope = l == 0 ? 0 : (reach.number(elev1) - reach.number(elev2)) / l * 100;
            row.hasReach = true;
            row.toNode = trim(reach.text(node2));
            row.pipe = trim(reach.text(pipe));
            row.length = l;
        }
    }
    db::TableRows node(db, "NODE", "SYSTEM = ?", {system}, kNodeFields);
    const auto name = node.field("NAME"), structure = node.field("STRUCT_NAME"), station = node.field("STATION"),
               inletElev = node.field("INLET_ELEV");
    while (node.next()) {
        NodeListRow row;
        row.name = trim(node.text(name));
        row.structure = trim(node.text(structure));
        row.station = trim(node.text(station));
        row.inletElev = node.number(inletElev);
        if (const auto at = leaving.find(db::compareKey(db::Value(row.name))); at != leaving.end()) {
            const NodeListRow& r = at->second;
            row.hasReach = true;
            row.toNode = r.toNode;
            row.pipe = r.pipe;
            row.length = r.length;
            row.slope = r.slope;
        }
        rows.push_back(std::move(row));
    }
    if (auto out = outfallRow(db, system)) rows.push_back(std::move(*out));
    return rows;
}

std::optional<NodeListRow> nodeListRow(db::Database& db, const std::string& systemName, const std::string& nameText) {
    const std::string system = trim(systemName), name = trim(nameText);
    db::TableRows node(db, "NODE", "SYSTEM = ? AND NAME = ?", {system, name}, kNodeFields);
    if (!node.next()) {
        auto out = outfallRow(db, system);
        if (out && equalsIgnoreCase(out->name, name)) return out;
        return std::nullopt;
    }
    NodeListRow row;
    nodePart(row, node);
    db::TableRows reach(db, "REACH", "SYSTEM = ? AND NODE1 = ?", {system, name}, kReachFields);
    if (reach.next()) reachPart(row, reach);
    return row;
}

}  // namespace kolv::editing
