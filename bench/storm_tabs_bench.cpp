// Storm tabulation of synthetic systems of 100 to 10,000 reaches: the pass loop alone at 50 passes,
// and the whole run (loading, passes, T60 written) as the engineer starts it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_folder.h"
#include "db/database.h"
#include "db/project.h"
#include "db/seed_builder.h"
#include "hydraulics/pass.h"
#include "hydraulics/run.h"
#include "session/session.h"
#include "ui/ui_port.h"

namespace {

namespace fs = std::filesystem;
using namespace kolv;

using BenchFolder = kolv::bench::BenchFolder;

/// Round concrete pipes offered to the synthetic network (in).
const std::vector<int> kDiameters = {15, 18, 24, 30, 36, 42, 48, 54, 60, 72, 84, 96, 108, 120, 144};

/// The synthetic system: node k drains to node (k - 1) / 3, node 0 to the outfall; 0.25 ac of C 0.8
/// per node; 200 ft pipes at 0.5 % with a 0.1 ft drop at each structure; each pipe the smallest that
/// carries its subtree's flow at about 5 in/hr (144 in barrels doubled when even that is short).
struct Layout {
    std::vector<long> to;
    std::vector<int> depth, subtree, diameter, barrels;
    int maxDepth = 0;
    explicit Layout(std::size_t n) : to(n), depth(n), subtree(n, 1), diameter(n), barrels(n, 1) {
        for (std::size_t k = 0; k < n; ++k) {
            to[k] = k == 0 ? -1 : static_cast<long>((k - 1) / 3);
            depth[k] = k == 0 ? 0 : depth[static_cast<std::size_t>(to[k])] + 1;
            maxDepth = std::max(maxDepth, depth[k]);
        }
        for (std::size_t k = n; k-- > 1;) subtree[static_cast<std::size_t>(to[k])] += subtree[k];
        for (std::size_t k = 0; k < n; ++k) {
            const double q = subtree[k] * 0.25 * 0.8 * 5.0;  // cfs
            diameter[k] = kDiameters.back();
            for (int d : kDiameters) {
                const double D = d / 12.0, A = 3.14159265 * D * D / 4;
                if (1.486 / 0.013 * std::pow(D / 4, 2.0 / 3.0) * std::sqrt(0.005) * A >= q) {
                    diameter[k] = d;
                    break;
                }
            }
            const double D = 12.0, A = 3.14159265 * D * D / 4;
            const double cap = 1.486 / 0.013 * std::pow(D / 4, 2.0 / 3.0) * std::sqrt(0.005) * A;
            if (diameter[k] == kDiameters.back()) barrels[k] = std::max(1, static_cast<int>(std::ceil(q / cap)));
        }
    }
    /// Downstream invert of node k's pipe (ft): lower toward the outfall.
    double invertDn(std::size_t k) const { return 100.0 + depth[k] * 1.1; }
};

/// A project with one system "BENCH" of n reaches (built once per size).
db::Project& syntheticProject(std::size_t n) {
    static BenchFolder folder("kolv-bench-storm");
    static std::map<std::size_t, std::unique_ptr<db::Project>> cache;
    auto& slot = cache[n];
    if (slot) return *slot;
    const std::string seed = (folder.path() / "seedv3.mdb").string();
    if (!fs::exists(seed)) db::buildSeed(seed, std::string(KOLV_DATA_DIR) + "/seed");
    const fs::path file = folder.path() / ("storm-" + std::to_string(n) + ".mdb");
    fs::copy_file(seed, file, fs::copy_options::overwrite_existing);
    ui::SilentUi silent;
    slot = db::openProject(file.string(), silent);
    db::Database& db = *slot->db;
    const Layout lay(n);
    db::Transaction tx(db);
    for (int d : kDiameters)
        db.execute("INSERT INTO T7 (NAME, ENG_MET, WIDTH, HEIGHT, AREA, N) VALUES (?, 0, ?, ?, ?, 0.013)",
                   {"BRCP" + std::to_string(d), d / 12.0, d / 12.0, 3.14159265358979 * d * d / 576.0});
    db.execute("INSERT INTO T16 (SYSTEM, OUT_NODE, OUT_TW, EXIT_LOSS_COEFF, INTENSITY_METHOD) "
               "VALUES ('BENCH', 'OUT', 99.0, 1.0, 2)");
    auto node = db.prepare("INSERT INTO NODE (NAME, SYSTEM, TC, P_C1DA, RUNOFF_C1, CALC_RUNOFF_C1, INLET_ELEV, "
                           "NODE_TYPE, JUNC_LOSS_COEFF) VALUES (?, 'BENCH', 10, 0.25, 0.8, 0, ?, 1, 0.5)");
    auto reach = db.prepare("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, PIPE_NAME, BARRELS, LENGTH, HYD_LENGTH, "
                            "ELEV1, ELEV2, FROM_FL_CL, TO_FL_CL, REACH_TYPE) "
                            "VALUES (?, 'BENCH', ?, ?, ?, ?, 200, 200, ?, ?, -1, -1, 0)");
    for (std::size_t k = 0; k < n; ++k) {
        const std::string name = "N" + std::to_string(k);
        const std::string to = lay.to[k] < 0 ? "OUT" : "N" + std::to_string(lay.to[k]);
        node.reset();
        node.bindAll({name, lay.invertDn(k) + 1.0 + lay.diameter[k] / 12.0 + 4.0});
        node.step();
        reach.reset();
        reach.bindAll({name, name, to, "BRCP" + std::to_string(lay.diameter[k]), lay.barrels[k],
                       lay.invertDn(k) + 1.0, lay.invertDn(k)});
        reach.step();
    }
    tx.commit();
    return *slot;
}

hydraulics::RunOptions benchOptions() {
    hydraulics::RunOptions o;
    o.exitLoss = o.junctionLoss = o.minVelocityOn = true;
    o.junctionMethod = 2;
    return o;
}

/// The whole run: load, validate, passes until the grade line settles, T60 and header written.
void BM_StormTabsRun(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& project = syntheticProject(n);
    ui::SilentUi silent;
    int passes = 0;
    for (auto _ : state) {
        Session session;
        const auto r = hydraulics::runStormTabs(project, session, silent, benchOptions(), "BENCH");
        if (r.status != 0) state.SkipWithError("run failed");
        passes = r.passes;
    }
    state.counters["passes"] = passes;
    state.counters["reaches"] = static_cast<double>(n);
}

/// The pass loop alone, exactly 50 passes (a tolerance no pass can meet).
void BM_PassLoop50(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& project = syntheticProject(n);
    ui::SilentUi silent;
    Session session;
    const auto loaded = hydraulics::runStormTabs(project, session, silent, benchOptions(), "BENCH");
    if (loaded.status != 0) {
        state.SkipWithError("run failed");
        return;
    }
    hydraulics::PassSettings settings;
    settings.options = benchOptions();
    settings.options.maxPasses = 50;
    settings.options.maxHglDifference = 0;
    settings.tailwaterFt = 99.0;
    settings.exitLossCoeff = 1.0;
    settings.storm.method = rain::kMethodCurve;  // the system header's rainfall
    session.suppressMaxPassesWarning = true;
    std::vector<std::string> messages;
    for (auto _ : state) {
        std::vector<hydraulics::HydraulicRecord> recs = loaded.records;
        messages.clear();
        hydraulics::PassIo io{session, silent, messages, {}, {}};
        const auto r = hydraulics::runPassLoop(recs, settings, io);
        if (r.passes != 50) state.SkipWithError("not 50 passes");
        benchmark::DoNotOptimize(recs.data());
    }
    // Cost of one reach in one pass.
    state.counters["per_reach_pass"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 50.0 * static_cast<double>(n),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_StormTabsRun)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PassLoop50)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
