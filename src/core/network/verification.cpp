// Verification of a system's nodes and reaches, listing every finding as a line.
#include "network/verification.h"

#include <unordered_map>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "network/input_limits.h"
#include "network/pipe_nodal_array.h"

namespace kolv::network {

namespace {

struct NodeRow {
    std::string name;  // trimmed
    double areaSum[4] = {0, 0, 0, 0};  // P_C1DA, P_C2DA, P_C3DA (acres), BASE_FLOW (cfs); empty = 0
};

struct ReachRow {
    std::string name;   // trimmed
    std::string node1;  // trimmed
    std::string node2;  // trimmed
    db::Value length;   // ft, as stored
};

/// Rows of one table of the system with the named fields, in storage (rowid) order.
template <typename Fn>
void forEachRow(db::Database& db, const std::string& table, const std::vector<std::string>& fields,
                const std::string& system, Fn&& fn) {
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < fields.size(); ++i) sql += (i ? ", " : "") + db::quoteIdent(fields[i]);
    sql += " FROM " + db::quoteIdent(table) + " WHERE " + db::quoteIdent("SYSTEM") + " = ? ORDER BY rowid";
    db::Statement st = db.prepare(sql);
    st.bind(1, db::Value(system));
    while (st.step()) fn(st);
}

/// "A,B,C": names joined by commas (each followed by one, the last one dropped).
std::string joinNames(const std::vector<std::size_t>& idx, const std::vector<ReachRow>& reaches) {
    std::string s;
    for (std::size_t i : idx) s += reaches[i].name + ",";
    if (!s.empty()) s.pop_back();
    return s;
}

bool isEmptyField(const db::Value& v) { return v.isNull() || (v.isText() && trim(v.toText()).empty()); }

/// Percent of work done, for the progress indicator.
int percent(std::size_t done, std::size_t total) {
    return total == 0 ? 0 : static_cast<int>((done * 100) / total);
}

bool systemIsMetric(db::Database& db) {
    return db.scalar("SELECT " + db::quoteIdent("ENGLISH_METRIC") + " FROM T0").toInt() != 0;
}

}  // namespace

std::string verificationTitle(const std::string& system) { return "VERIFY NODES AND REACHES - " + trim(system); }

std::string faultCountLine(int faults) {
    if (faults <= 0) return "No faults found.";
    return std::to_string(faults) + (faults == 1 ? " fault found." : " faults found.");
}

int faultsListed(const std::vector<std::string>& lines, bool& complete) {
    complete = !lines.empty() && lines.back() == kVerificationComplete;
    return static_cast<int>(lines.size()) - (complete ? 1 : 0);
}

VerificationResult verifySystem(db::Database& db, const std::string& systemName, ui::UiPort& ui,
                                const VerificationLineSink& onLine) {
    const std::string system = trim(systemName);
    VerificationResult result;
    auto add = [&](std::string line) {
        result.ok = false;
        ++result.faults;
        if (onLine) onLine(line);
        result.lines.push_back(std::move(line));
    };

    std::vector<NodeRow> nodes;
    forEachRow(db, "NODE", {"NAME", "P_C1DA", "P_C2DA", "P_C3DA", "BASE_FLOW"}, system, [&](db::Statement& st) {
        NodeRow n;
        n.name = trim(st.column(0).toText());
        for (int k = 0; k < 4; ++k) n.areaSum[k] = st.column(k + 1).toDouble();
        nodes.push_back(std::move(n));
    });
    if (nodes.empty()) {
        result.ok = false;
        ui.beep();
        ui.message("INVALID DATA", "Nodes for system '" + system + "' could not be found.", ui::Icon::Exclamation);
        return result;
    }

    std::string outNode;
    {
        db::RecordSet header(db, "T16", db::quoteIdent("SYSTEM") + " = ?", {db::Value(system)});
        if (!header.empty()) outNode = trim(header.text("OUT_NODE"));
    }

    std::vector<ReachRow> reaches;
    forEachRow(db, "REACH", {"NAME", "NODE1", "NODE2", "LENGTH"}, system, [&](db::Statement& st) {
        ReachRow r;
        r.name = trim(st.column(0).toText());
        r.node1 = trim(st.column(1).toText());
        r.node2 = trim(st.column(2).toText());
        r.length = st.column(3);
        reaches.push_back(std::move(r));
    });

    // Each name once, by its first node; reaches leaving and entering each node, in reach table order.
    // Names compare as the project database compares them: trimmed, without regard to case. Only the
    // system's own nodes count: a reach cannot be computed into another system's node. Every name is
    // looked up once here, so a large system costs no more per node than a small one.
    constexpr std::size_t kNoNode = static_cast<std::size_t>(-1);
    std::unordered_map<std::string, std::size_t> nodeIndex;
    nodeIndex.reserve(nodes.size());
    std::vector<std::size_t> slotOf(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i)
        slotOf[i] = nodeIndex.try_emplace(nameKey(nodes[i].name), nodeIndex.size()).first->second;
    std::vector<std::vector<std::size_t>> outgoing(nodeIndex.size()), incoming(nodeIndex.size());
    std::vector<std::size_t> fromSlot(reaches.size(), kNoNode), toSlot(reaches.size(), kNoNode);
    for (std::size_t i = 0; i < reaches.size(); ++i) {
        if (auto it = nodeIndex.find(nameKey(reaches[i].node1)); it != nodeIndex.end()) {
            fromSlot[i] = it->second;
            outgoing[it->second].push_back(i);
        }
        if (auto it = nodeIndex.find(nameKey(reaches[i].node2)); it != nodeIndex.end()) {
            toSlot[i] = it->second;
            incoming[it->second].push_back(i);
        }
    }

    // Pass 1: every node of the system.
    const std::size_t total = nodes.size() + reaches.size();
    int shownPercent = -1;
    auto showProgress = [&](std::size_t done) {
        const int p = percent(done, total);
        if (p != shownPercent) ui.progress(shownPercent = p);
    };
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const NodeRow& node = nodes[i];
        ui.status("Verifying node and reach data integrity (pass 1) . . . " + node.name);
        showProgress(i);
        ui.processEvents();

        const auto& out = outgoing[slotOf[i]];
        if (out.empty())
            add("Node '" + node.name + "' has no outgoing reach (in system '" + system + "').");
        else if (out.size() >= 2)
            add("Node '" + node.name + "' has more (" + vbFormat(static_cast<double>(out.size()), "0") +
                ") than one outgoing reach (in system '" + system + "'). Reaches: " + joinNames(out, reaches) + ".");

        const auto& in = incoming[slotOf[i]];
        if (in.size() > 3)
            add("Node '" + node.name + "' has to many incoming reaches (" + std::to_string(in.size()) +
                "). Max. allowed is 3.");
        if (in.empty() && node.areaSum[0] == 0 && node.areaSum[1] == 0 && node.areaSum[2] == 0 &&
            node.areaSum[3] == 0)
            add("Node '" + node.name +
                "' is a stub pipe AND has no area or baseflow, therefore it will generate no (ZERO) flow.");
        if (in.size() > 4)
            add("Node '" + node.name + "' has more (" + vbFormat(static_cast<double>(in.size()), "0") +
                ") than one incoming reach (in system '" + system + "'). Reaches: " + joinNames(in, reaches) + ".");
    }

    // Pass 2: every reach of the system.
    if (reaches.empty()) {
        result.ok = false;
        ui.beep();
        ui.message("INVALID DATA", "Reaches for system '" + system + "' could not be found.", ui::Icon::Exclamation);
        ui.status("");
        ui.progress(0);
        return result;
    }
    for (std::size_t i = 0; i < reaches.size(); ++i) {
        const ReachRow& r = reaches[i];
        ui.status("Verifying node and reach data integrity (pass 2) . . . " + r.name);
        showProgress(nodes.size() + i);
        ui.processEvents();

        if (r.node1.empty())
            add("Reach '" + r.name + "' is missing the 'from' node name.");
        else if (fromSlot[i] == kNoNode)
            add("Reach '" + r.name + "' has an invalid from node '" + r.node1 + "'.");

        if (r.node2.empty()) {
            add("Reach '" + r.name + "' is missing the 'to' node name.");
        } else {
            if (equalsIgnoreCase(r.node1, r.node2))
                add("Reach '" + r.name + "' has the same node '" + r.node2 + "' for both to and from node names.");
            // The outfall is named only in the system header and has no node record.
            const bool toOutfall = equalsIgnoreCase(r.node2, outNode);
            if (!toOutfall && toSlot[i] == kNoNode)
                add("Reach '" + r.name + "' has an invalid to node '" + r.node2 + "'.");
        }

        if (isEmptyField(r.length)) {
            add("Reach '" + r.name + "' is missing a length value.");
        } else if (r.length.isText() && !isNumeric(r.length.toText())) {
            // not a number at all: listed with the damaged values below
        } else {
            const double lengthFt = r.length.toDouble();
            if (lengthFt <= 0) add("Reach '" + r.name + "' has an invalid length (" + vbFormat(lengthFt, "0.00") + ")");
        }
    }

    // Then every value a computation would refuse, so all of them can be corrected in one pass.
    // Lengths of 0 or less were listed above in their own words.
    for (const auto& fault : inputLimitFaults(db, system, systemIsMetric(db)))
        if (!(fault.table == "REACH" && fault.field == "LENGTH" && fault.line.find("greater than 0") != std::string::npos))
            add(fault.line);

    const std::string done = kVerificationComplete;
    if (onLine) onLine(done);
    result.lines.push_back(done);
    result.complete = true;
    ui.status("");
    ui.progress(0);
    return result;
}

}  // namespace kolv::network
