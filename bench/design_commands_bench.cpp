// Every design command on generated random systems of 1,000, 10,000 and 50,000 reaches, with the
// time per reach: storm tabs (load, the 50-pass worst case, T60 written; and as run, to a settled
// grade line), the pass loop alone per reach and pass, pipe sizing, flow lines, cost, verification.
// The time per reach should stay flat from 1,000 to 50,000 reaches.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cost/system_cost.h"
#include "bench_folder.h"
#include "db/project.h"
#include "db/undo_history.h"
#include "db/seed_builder.h"
#include "flowline/flow_lines.h"
#include "hydraulics/pass.h"
#include "hydraulics/results.h"
#include "hydraulics/run.h"
#include "hydraulics/system_loader.h"
#include "network/verification.h"
#include "session/session.h"
#include "sizing/pipe_sizing.h"
#include "support/random_system.h"
#include "ui/ui_port.h"

namespace {

namespace fs = std::filesystem;
using namespace kolv;

const char* const kSystem = "RANDOM";

using BenchFolder = kolv::bench::BenchFolder;

/// A project holding one generated system of n reaches, built once per size; `recorded` ones
/// keep every row change for undo, as the desktop program does.
db::Project& project(std::size_t n, bool recorded = false) {
    static BenchFolder folder("kolv-bench-design");
    static std::map<std::pair<std::size_t, bool>, std::unique_ptr<db::Project>> cache;
    auto& slot = cache[{n, recorded}];
    if (slot) return *slot;
    const fs::path file = folder.path() / ((recorded ? "undo-" : "random-") + std::to_string(n) + ".mdb");
    db::buildSeed(file.string(), std::string(KOLV_DATA_DIR) + "/seed");
    ui::SilentUi silent;
    slot = db::openProject(file.string(), silent);
    test::RandomSystemOptions shape;
    shape.system = kSystem;
    shape.reaches = n;
    test::addRandomSystem(*slot->db, shape);
    if (recorded) slot->db->attachHistory();
    return *slot;
}

/// Seconds per reach, as a counter beside the time of the whole command.
void perReach(benchmark::State& state, std::size_t n, double multiplier = 1.0) {
    state.counters["per_reach"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(n) * multiplier,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

/// Every loss in force, junction losses by the incoming pipe of most energy.
hydraulics::RunOptions runOptions(db::Project&) {
    hydraulics::RunOptions o;
    o.exitLoss = o.junctionLoss = o.minVelocityOn = true;
    o.junctionMethod = 2;
    return o;
}

/// Settings of a run of exactly 50 passes: a tolerance no pass meets.
hydraulics::PassSettings fiftyPasses(db::Project& p, const hydraulics::LoadedSystem& loaded) {
    hydraulics::PassSettings settings;
    settings.options = runOptions(p);
    settings.options.maxPasses = 50;
    settings.options.maxHglDifference = 0;
    settings.tailwaterFt = loaded.tailwaterFt;
    settings.exitLossCoeff = loaded.exitLossCoeff;
    settings.storm = loaded.storm;
    return settings;
}

/// Load, 50 passes whether or not the grade line settles, results written: the longest run.
void BM_StormTabsWorstCase(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& p = project(n);
    ui::SilentUi silent;
    for (auto _ : state) {
        Session session;
        session.suppressMaxPassesWarning = true;
        std::vector<std::string> messages;
        auto loaded = hydraulics::loadSystemForRun(p, silent, kSystem, messages);
        if (!loaded) {
            state.SkipWithError("load failed");
            return;
        }
        const hydraulics::PassSettings settings = fiftyPasses(p, *loaded);
        hydraulics::PassIo io{session, silent, messages, {}, {}};
        const auto loop = hydraulics::runPassLoop(loaded->records, settings, io);
        if (loop.passes != 50) state.SkipWithError("not 50 passes");
        db::Transaction tx(*p.db);
        hydraulics::ResultsContext rc{*p.db, silent, messages, p.metric, settings.options.useHydLength};
        hydraulics::writeResults(rc, kSystem, loaded->records);
        tx.commit();
    }
    perReach(state, n);
}

/// The run as the engineer starts it: passes until the grade line settles. `recorded`: every
/// row change kept for undo, as in the desktop program (the history emptied between runs,
/// outside the timing).
void BM_StormTabsRun(benchmark::State& state, bool recorded) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& p = project(n, recorded);
    ui::SilentUi silent;
    int passes = 0;
    for (auto _ : state) {
        Session session;
        session.suppressMaxPassesWarning = true;
        const auto r = hydraulics::runStormTabs(p, session, silent, runOptions(p), kSystem);
        if (r.status != 0) state.SkipWithError("run failed");
        passes = r.passes;
        if (recorded) {
            state.PauseTiming();
            p.db->history()->clear();
            state.ResumeTiming();
        }
    }
    state.counters["passes"] = passes;
    perReach(state, n);
}

/// The pass loop alone, exactly 50 passes; per_reach is the time of one reach in one pass.
/// The pass loop alone, 50 passes. `groundLosses`: the deep-well switch on (no node has a well),
/// which makes every pass run the whole flow step again, since the flows then hang on the grade line.
void BM_PassLoop50(benchmark::State& state, bool groundLosses) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& p = project(n);
    ui::SilentUi silent;
    Session session;
    session.suppressMaxPassesWarning = true;
    std::vector<std::string> messages;
    auto loaded = hydraulics::loadSystemForRun(p, silent, kSystem, messages);
    if (!loaded) {
        state.SkipWithError("load failed");
        return;
    }
    hydraulics::PassSettings settings = fiftyPasses(p, *loaded);
    settings.options.deepWell = groundLosses;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<hydraulics::HydraulicRecord> recs = loaded->records;
        messages.clear();
        state.ResumeTiming();
        hydraulics::PassIo io{session, silent, messages, {}, {}};
        const auto r = hydraulics::runPassLoop(recs, settings, io);
        if (r.passes != 50) state.SkipWithError("not 50 passes");
        benchmark::DoNotOptimize(recs.data());
    }
    perReach(state, n, 50.0);
}

void BM_SizePipes(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& p = project(n);
    ui::SilentUi silent;
    auto o = sizing::SizingOptions::defaults();
    o.group = test::kRandomPipeGroup;
    o.maxVelocityFps = 12.0;
    for (auto _ : state) {
        if (sizing::computePipeSizes(p, silent, kSystem, o).status != 0) state.SkipWithError("sizing failed");
    }
    perReach(state, n);
}

void BM_SetFlowLines(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& p = project(n);
    ui::SilentUi silent;
    auto o = flowline::FlowLineOptions::defaults(false);
    o.minSlopePercent = 0.3;
    for (auto _ : state)
        if (!flowline::setFlowLines(p, kSystem, o, silent).ran) state.SkipWithError("flow lines failed");
    perReach(state, n);
}

void BM_Cost(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& p = project(n);
    ui::SilentUi silent;
    cost::CostOptions o;
    o.detail = true;
    for (auto _ : state) benchmark::DoNotOptimize(cost::computeSystemCost(*p.db, kSystem, o, silent).grandTotal());
    perReach(state, n);
}

void BM_Verify(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& p = project(n);
    ui::SilentUi silent;
    for (auto _ : state)
        if (!network::verifySystem(*p.db, kSystem, silent).ok) state.SkipWithError("verification found faults");
    perReach(state, n);
}

#define KOLV_SIZES Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()
BENCHMARK(BM_StormTabsWorstCase)->KOLV_SIZES;
BENCHMARK_CAPTURE(BM_StormTabsRun, plain, false)->KOLV_SIZES;
BENCHMARK_CAPTURE(BM_StormTabsRun, undo_recorded, true)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_PassLoop50, flows_fixed, false)->KOLV_SIZES;
BENCHMARK_CAPTURE(BM_PassLoop50, flows_every_pass, true)->KOLV_SIZES;
BENCHMARK(BM_SizePipes)->KOLV_SIZES;
BENCHMARK(BM_SetFlowLines)->KOLV_SIZES;
BENCHMARK(BM_Cost)->KOLV_SIZES;
BENCHMARK(BM_Verify)->KOLV_SIZES;

}  // namespace
