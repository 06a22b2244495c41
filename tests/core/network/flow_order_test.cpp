// Flow order of loaded reaches against a plain repeated scan kept here, on random networks (the
// hand-worked orders of chains, ties, loops and records freed later in a scan are checked where a
// system is loaded, in pipe_nodal_array_test).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/text.h"
#include "network/pipe_nodal_array.h"

namespace kolv::network {
namespace {

struct Edge {
    std::string from;
    std::string to;
};

std::vector<NodalRecord> loaded(const std::vector<Edge>& edges) {
    std::vector<NodalRecord> out;
    for (const auto& e : edges) {
        NodalRecord r;
        r.nodeName = r.node1 = padRight(e.from, 8);
        r.node2 = padRight(e.to, 8);
        r.reachName = r.nodeName;
        r.loadIndex = out.size();
        out.push_back(r);
    }
    return out;
}

/// The repeated scan, written the plain way: in each pass, for every record in loaded order
/// that is not marked placed, look through all records for one still unplaced that drains into
/// its node; when there is none, place it and mark its to node. At most N + 1 passes.
FlowOrder plainScan(const std::vector<NodalRecord>& recs) {
    const std::string mark(kPlacedMark);
    const std::size_t n = recs.size();
    std::vector<std::string> toNode(n);
    for (std::size_t i = 0; i < n; ++i) toNode[i] = recs[i].node2;
    FlowOrder r;
    std::size_t passes = 0;
    while (r.order.size() < n && passes < n + 1) {
        for (std::size_t i = 0; i < n; ++i) {
            if (toNode[i] == mark) continue;
            bool drainedInto = false;
            for (std::size_t j = 0; j < n && !drainedInto; ++j)
                drainedInto = toNode[j] != mark && nameKey(toNode[j]) == nameKey(recs[i].nodeName);
            if (drainedInto) continue;
            r.order.push_back(i);
            toNode[i] = mark;
        }
        ++passes;
    }
    for (std::size_t i = 0; i < n; ++i)
        if (toNode[i] != mark) r.unplaced.push_back(i);
    return r;
}

// ---- Random networks: the fast order must be the plain scan's order, record for record. ----

std::string nodeName(std::size_t k) { return "N" + std::to_string(k); }

/// A tree (or forest with several roots) of n nodes, loaded in random order.
std::vector<Edge> randomForest(std::mt19937& rng, std::size_t n, std::size_t roots) {
    std::vector<std::size_t> perm(n);
    for (std::size_t i = 0; i < n; ++i) perm[i] = i;
    std::shuffle(perm.begin(), perm.end(), rng);
    std::vector<Edge> edges;
    for (std::size_t k = 0; k < n; ++k) {
        std::string to;
        if (k < roots) {
            to = "OUT" + std::to_string(k % 2);
        } else {
            // Deep chains when the parent is the previous node, bushy trees when it is any earlier one.
            std::size_t parent = std::bernoulli_distribution(0.5)(rng)
                                     ? k - 1
                                     : std::uniform_int_distribution<std::size_t>(0, k - 1)(rng);
            to = nodeName(perm[parent]);
        }
        edges.push_back({nodeName(perm[k]), to});
    }
    std::shuffle(edges.begin(), edges.end(), rng);
    return edges;
}

/// Anything goes: every reach picks any node or the outfall, names repeat (two outgoing
/// reaches), reaches drain into themselves, names differ only in case, some ends are empty.
std::vector<Edge> randomLooped(std::mt19937& rng, std::size_t n) {
    std::uniform_int_distribution<std::size_t> pick(0, n);
    std::vector<Edge> edges;
    for (std::size_t k = 0; k < n; ++k) {
        std::string from = std::bernoulli_distribution(0.15)(rng) ? nodeName(pick(rng)) : nodeName(k);
        std::size_t t = pick(rng);
        std::string to = t == n ? "OUT" : nodeName(t);
        if (std::bernoulli_distribution(0.05)(rng)) to = from;
        if (std::bernoulli_distribution(0.05)(rng)) to = toLower(to);
        if (std::bernoulli_distribution(0.02)(rng)) from = "";
        if (std::bernoulli_distribution(0.02)(rng)) to = "";
        edges.push_back({from, to});
    }
    return edges;
}

void expectSameAsPlainScan(const std::vector<Edge>& edges, const std::string& what) {
    auto recs = loaded(edges);
    FlowOrder fast = computeFlowOrder(recs);
    FlowOrder plain = plainScan(recs);
    ASSERT_EQ(fast.order, plain.order) << what;
    ASSERT_EQ(fast.unplaced, plain.unplaced) << what;
}

TEST(FlowOrderRandom, TreesAndForestsMatchThePlainScan) {
    std::mt19937 rng(20240601);
    for (int trial = 0; trial < 2000; ++trial) {
        std::size_t n = std::uniform_int_distribution<std::size_t>(1, 60)(rng);
        std::size_t roots = std::uniform_int_distribution<std::size_t>(1, std::max<std::size_t>(1, n / 4))(rng);
        auto edges = randomForest(rng, n, roots);
        expectSameAsPlainScan(edges, "forest trial " + std::to_string(trial));
        // A forest has no loop: every record is placed.
        ASSERT_EQ(computeFlowOrder(loaded(edges)).order.size(), n);
    }
}

TEST(FlowOrderRandom, LoopedNetworksMatchThePlainScanIncludingTheLoopList) {
    std::mt19937 rng(777);
    std::size_t withLoops = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        std::size_t n = std::uniform_int_distribution<std::size_t>(1, 40)(rng);
        auto edges = randomLooped(rng, n);
        expectSameAsPlainScan(edges, "looped trial " + std::to_string(trial));
        if (!computeFlowOrder(loaded(edges)).unplaced.empty()) ++withLoops;
    }
    // The generator must really produce loops, or the comparison above proves little.
    EXPECT_GT(withLoops, 1000u);
}

TEST(FlowOrderRandom, ForestsWithAnAddedLoopMatchThePlainScan) {
    std::mt19937 rng(4242);
    for (int trial = 0; trial < 1000; ++trial) {
        std::size_t n = std::uniform_int_distribution<std::size_t>(2, 50)(rng);
        auto edges = randomForest(rng, n, 1);
        // Redirect one reach to a node upstream of it (or to itself): a loop with a tail.
        std::size_t a = std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
        std::size_t b = std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
        edges[a].to = edges[b].from;
        expectSameAsPlainScan(edges, "forest+loop trial " + std::to_string(trial));
    }
}

}  // namespace
}  // namespace kolv::network
