// Loading, flow order, incoming records and verification on synthetic systems of 1,000 to 100,000 reaches.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "bench_folder.h"
#include "db/database.h"
#include "db/seed_builder.h"
#include "network/pipe_nodal_array.h"
#include "network/verification.h"
#include "ui/ui_port.h"

namespace {

namespace fs = std::filesystem;
using namespace kolv;

enum Shape : int {
    kDeepChain = 0,  ///< one line of N nodes, stored outfall end first (the scan's worst case: N passes)
    kBushyTree = 1,  ///< every node receives up to three reaches, stored in random order
};

using BenchFolder = kolv::bench::BenchFolder;

std::string nodeName(std::size_t k) { return "N" + std::to_string(k); }

/// A project holding one system "BENCH" of n nodes and n reaches of the given shape.
db::Database& syntheticProject(Shape shape, std::size_t n) {
    static BenchFolder folder("kolv-bench");
    static std::map<std::pair<int, std::size_t>, std::unique_ptr<db::Database>> cache;
    auto& slot = cache[{shape, n}];
    if (slot) return *slot;

    const fs::path file = folder.path() / ("s" + std::to_string(shape) + "-" + std::to_string(n) + ".mdb");
    slot = db::Database::create(file.string());
    db::createSchema(*slot);
    // to[k]: the node that node k drains into; -1 for the outfall.
    std::vector<long> to(n);
    std::vector<std::size_t> storage(n);
    std::iota(storage.begin(), storage.end(), 0);
    if (shape == kDeepChain) {
        for (std::size_t k = 0; k < n; ++k) to[k] = static_cast<long>(k) - 1;  // N0 to the outfall
    } else {
        for (std::size_t k = 0; k < n; ++k) to[k] = k == 0 ? -1 : static_cast<long>((k - 1) / 3);
        std::shuffle(storage.begin(), storage.end(), std::mt19937(12345));
    }
    db::Transaction tx(*slot);
    slot->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES (?, ?)", {"BENCH", "OUT"});
    auto node = slot->prepare("INSERT INTO NODE (NAME, SYSTEM, P_C1DA, BASE_FLOW) VALUES (?, 'BENCH', 0.5, 0)");
    auto reach =
        slot->prepare("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, LENGTH) VALUES (?, 'BENCH', ?, ?, 150.0)");
    for (std::size_t k : storage) {
        const std::string name = nodeName(k);
        node.reset();
        node.bind(1, db::Value(name));
        node.step();
        reach.reset();
        reach.bind(1, db::Value(name)).bind(2, db::Value(name)).bind(3, db::Value(to[k] < 0 ? "OUT" : nodeName(to[k])));
        reach.step();
    }
    tx.commit();
    return *slot;
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int shape : {kDeepChain, kBushyTree})
        for (long n : {1000L, 10000L, 100000L}) b->Args({shape, n});
    b->Unit(benchmark::kMillisecond);
}

/// Load + flow order + loop check + refill: what every computation starts with.
void BM_LoadAndOrder(benchmark::State& state) {
    auto& db = syntheticProject(static_cast<Shape>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    ui::SilentUi ui;
    for (auto _ : state) {
        network::PipeNodalArray a;
        if (network::loadPipeNodalArray(db, "BENCH", ui, a) != network::LoadStatus::Ok) state.SkipWithError("load");
        benchmark::DoNotOptimize(a.records.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_LoadAndOrder)->Apply(sizes);

/// The ordering alone, in memory.
void BM_FlowOrderInMemory(benchmark::State& state) {
    auto& db = syntheticProject(static_cast<Shape>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    const auto loaded = network::loadReaches(db, "BENCH");
    for (auto _ : state) {
        auto order = network::computeFlowOrder(loaded);
        benchmark::DoNotOptimize(order.order.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_FlowOrderInMemory)->Apply(sizes);

/// IN fields of an ordered array.
void BM_IncomingRecords(benchmark::State& state) {
    auto& db = syntheticProject(static_cast<Shape>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    ui::SilentUi ui;
    network::PipeNodalArray a;
    network::loadPipeNodalArray(db, "BENCH", ui, a);
    for (auto _ : state) {
        if (!network::determineIncoming(a, ui)) state.SkipWithError("incoming");
        benchmark::DoNotOptimize(a.records.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_IncomingRecords)->Apply(sizes);

/// The whole verification of the system.
void BM_Verify(benchmark::State& state) {
    auto& db = syntheticProject(static_cast<Shape>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    ui::SilentUi ui;
    for (auto _ : state) {
        auto r = network::verifySystem(db, "BENCH", ui);
        if (!r.ok) state.SkipWithError(r.lines.empty() ? "verify" : r.lines.front().c_str());
        benchmark::DoNotOptimize(r.lines.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_Verify)->Apply(sizes);

}  // namespace
