// Loading a system's reaches, putting them in flow order, the loop check and the incoming links.
#include "network/pipe_nodal_array.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "common/text.h"
#include "db/schema.h"

namespace kolv::network {

namespace {

/// Interns name keys as small integers, so the ordering works on integers only.
class NameIds {
public:
    explicit NameIds(std::size_t expected) { m_ids.reserve(expected); }
    int id(std::string_view name) {
        auto [it, added] = m_ids.try_emplace(nameKey(name), static_cast<int>(m_ids.size()));
        return it->second;
    }
    std::size_t size() const { return m_ids.size(); }

private:
    std::unordered_map<std::string, int> m_ids;
};

/// The moment a record was placed: the scan (pass) and its position in that scan.
struct PlacedAt {
    std::size_t pass = 0;
    std::size_t pos = 0;
    bool operator<(const PlacedAt& o) const { return pass != o.pass ? pass < o.pass : pos < o.pos; }
};

}  // namespace

std::string NodalRecord::node() const { return trim(nodeName); }
std::string NodalRecord::toNode() const { return trim(node2); }
std::string NodalRecord::reach() const { return trim(reachName); }

std::string nameKey(std::string_view name) { return toUpper(trim(name8(name))); }

std::vector<NodalRecord> loadReaches(db::Database& db, const std::string& system) {
    // Storage order (rowid) is the order in which the reach table delivers a system's rows,
    // the same order a RecordSet without an order clause gives; it decides ties in flow order,
    // so it is stated here explicitly rather than left to the query planner.
    db::Statement st = db.prepare("SELECT rowid, " + db::quoteIdent("NAME") + ", " + db::quoteIdent("NODE1") + ", " +
                                  db::quoteIdent("NODE2") + " FROM " + db::quoteIdent("REACH") + " WHERE " +
                                  db::quoteIdent("SYSTEM") + " = ? ORDER BY rowid");
    st.bind(1, db::Value(trim(system)));
    std::vector<NodalRecord> out;
    out.reserve(static_cast<std::size_t>(
        db.scalar("SELECT COUNT(*) FROM " + db::quoteIdent("REACH") + " WHERE " + db::quoteIdent("SYSTEM") + " = ?",
                  {db::Value(trim(system))})
            .toInt()));
    while (st.step()) {
        NodalRecord r;
        r.reachRowid = st.column(0).toInt();
        r.reachName = padRight(st.column(1).toText(), 8);
        r.node1 = padRight(st.column(2).toText(), 8);
        r.node2 = padRight(st.column(3).toText(), 8);
        r.nodeName = r.node1;
        r.loadIndex = out.size();
        out.push_back(std::move(r));
    }
    return out;
}

FlowOrder computeFlowOrder(const std::vector<NodalRecord>& loaded) {
    // The repeated scan places, in each pass and in loaded order, every record into whose node
    // no unplaced record drains; a record freed by one placed later in the same pass waits for
    // the next pass. So a record k is placed once the last of the records draining into its
    // node is placed, at (pass p, position q): in pass p when k lies after q, else in pass p + 1.
    // Computing that moment for every record in topological order (Kahn) and sorting by
    // (pass, position) gives the scan's order in O(N log N) instead of O(N^3).
    const std::size_t n = loaded.size();
    NameIds ids(2 * n);
    std::vector<int> fromId(n), toId(n);
    for (std::size_t i = 0; i < n; ++i) {
        fromId[i] = ids.id(loaded[i].nodeName);
        toId[i] = ids.id(loaded[i].node2);
    }
    const std::size_t m = ids.size();

    // Unplaced records draining into each node, and the records standing for each node.
    std::vector<std::size_t> drainersLeft(m, 0);
    for (std::size_t i = 0; i < n; ++i) ++drainersLeft[toId[i]];
    std::vector<std::size_t> firstOfNode(m + 1, 0);  // records of node id v: byNode[firstOfNode[v]..firstOfNode[v+1])
    for (std::size_t i = 0; i < n; ++i) ++firstOfNode[fromId[i] + 1];
    for (std::size_t v = 0; v < m; ++v) firstOfNode[v + 1] += firstOfNode[v];
    std::vector<std::size_t> byNode(n);
    {
        std::vector<std::size_t> fill(firstOfNode.begin(), firstOfNode.end() - 1);
        for (std::size_t i = 0; i < n; ++i) byNode[fill[fromId[i]]++] = i;
    }

    std::vector<PlacedAt> placedAt(n);
    std::vector<bool> placed(n, false);
    std::vector<PlacedAt> lastDrainer(m);  // latest placement among the drainers of each node
    std::vector<std::size_t> ready;
    ready.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (drainersLeft[fromId[i]] == 0) {
            placedAt[i] = {1, i};
            ready.push_back(i);
        }
    }
    for (std::size_t head = 0; head < ready.size(); ++head) {
        const std::size_t j = ready[head];
        placed[j] = true;
        const int v = toId[j];
        if (lastDrainer[v] < placedAt[j]) lastDrainer[v] = placedAt[j];
        if (--drainersLeft[v] != 0) continue;
        // Every record of node v is free from the moment lastDrainer[v].
        for (std::size_t k = firstOfNode[v]; k < firstOfNode[v + 1]; ++k) {
            const std::size_t rec = byNode[k];
            const PlacedAt& free = lastDrainer[v];
            placedAt[rec] = {rec > free.pos ? free.pass : free.pass + 1, rec};
            ready.push_back(rec);
        }
    }

    FlowOrder result;
    result.order = std::move(ready);
    std::sort(result.order.begin(), result.order.end(),
              [&](std::size_t a, std::size_t b) { return placedAt[a] < placedAt[b]; });
    for (std::size_t i = 0; i < n; ++i)
        if (!placed[i]) result.unplaced.push_back(i);
    return result;
}

std::string loopMessage(const std::vector<std::string>& loopNodes) {
    std::string list;
    for (const auto& name : loopNodes) list += name + " ";
    return "The following pipes are in a loop. Correct these pipe connections and rerun this calculation.\n\nPipes: " +
           list;
}

LoadStatus loadPipeNodalArray(db::Database& db, const std::string& system, ui::UiPort& ui, PipeNodalArray& out) {
    out = PipeNodalArray{};
    out.system = trim(system);

    ui.status("Loading pipe nodal array");
    std::vector<NodalRecord> loaded = loadReaches(db, out.system);
    if (loaded.empty()) {
        // Nothing to compute on: the same words the verification uses for this fault.
        ui.beep();
        ui.message("INVALID DATA", "Reaches for system '" + out.system + "' could not be found.",
                   ui::Icon::Exclamation);
        return LoadStatus::NoReaches;
    }

    ui.status("Sorting pipe nodal array in flow direction order");
    FlowOrder order = computeFlowOrder(loaded);

    ui.status("Checking for circular references");
    if (!order.unplaced.empty()) {
        for (std::size_t i : order.unplaced) out.loopNodes.push_back(trim(loaded[i].node2));
        ui.beep();
        ui.message("INVALID DATA", loopMessage(out.loopNodes), ui::Icon::Critical);
        return LoadStatus::Loop;
    }

    // Refill in flow order. Each record keeps its own reach, so a node with two outgoing
    // reaches (a fault the verification lists) still has both of its reaches in the array.
    ui.status("Sorting master node array");
    out.records.reserve(loaded.size());
    for (std::size_t k = 0; k < order.order.size(); ++k) {
        NodalRecord r = std::move(loaded[order.order[k]]);
        r.flowIndex = k;
        out.records.push_back(std::move(r));
    }
    return LoadStatus::Ok;
}

bool determineIncoming(PipeNodalArray& array, ui::UiPort& ui) {
    ui.status("Determining 'IN' field inter-connections");
    // Records draining into each node, ascending by index (flow order).
    std::unordered_map<std::string, std::vector<int>> intoNode;
    intoNode.reserve(array.size());
    for (std::size_t j = 0; j < array.size(); ++j) intoNode[nameKey(array[j].node2)].push_back(static_cast<int>(j));

    for (auto& r : array.records) {
        r.in.fill(-1);
        r.inCount = 0;
    }
    for (auto& r : array.records) {
        auto it = intoNode.find(nameKey(r.nodeName));
        if (it == intoNode.end()) continue;
        const std::vector<int>& from = it->second;
        if (from.size() > static_cast<std::size_t>(kMaxIncoming)) {
            ui.beep();
            ui.message("INVALID DATA",
                       "Maximum(4) number of incoming pipes has been exceeded at inlet '" + padRight(r.nodeName, 8) +
                           "'.\n Correct this situation and rerun this calculation.",
                       ui::Icon::Critical);
            return false;
        }
        for (int j : from) r.in[static_cast<std::size_t>(r.inCount++)] = j;
    }
    return true;
}

}  // namespace kolv::network
