// Design review of synthetic systems of 1,000 and 10,000 reaches after their storm tabulation, and a
// check-storm scenario beside the storm tabulation it repeats.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "bench_folder.h"
#include "db/database.h"
#include "db/project.h"
#include "db/seed_builder.h"
#include "hydraulics/run.h"
#include "review/check_storms.h"
#include "review/design_criteria.h"
#include "review/design_review.h"
#include "session/session.h"
#include "ui/ui_port.h"

namespace {

namespace fs = std::filesystem;
using namespace kolv;

/// A ternary tree of 200 ft pipes: node k drains to (k − 1) / 3, node 0 to the outfall; 0.25 ac of
/// C 0.8 per node under one inlet structure; pipes 24 in, doubled near the outfall, at 0.5 %.
db::Project& reviewedProject(std::size_t n) {
    static bench::BenchFolder folder("kolv-bench-review");
    static std::map<std::size_t, std::unique_ptr<db::Project>> cache;
    auto& slot = cache[n];
    if (slot) return *slot;
    const std::string seed = (folder.path() / "seedv3.mdb").string();
    if (!fs::exists(seed)) db::buildSeed(seed, std::string(KOLV_DATA_DIR) + "/seed");
    const fs::path file = folder.path() / ("review-" + std::to_string(n) + ".mdb");
    fs::copy_file(seed, file, fs::copy_options::overwrite_existing);
    ui::SilentUi silent;
    slot = db::openProject(file.string(), silent);
    db::Database& db = *slot->db;
    std::vector<int> depth(n, 0);
    for (std::size_t k = 1; k < n; ++k) depth[k] = depth[(k - 1) / 3] + 1;
    db::Transaction tx(db);
    db.execute("INSERT INTO T7 (NAME, ENG_MET, WIDTH, HEIGHT, AREA, N, THICKNESS) VALUES ('B24', 0, 2, 2, ?, 0.013, 0.25)",
               {3.14159265358979});
    db.execute("INSERT INTO T6 (NAME, ENG_MET, MIN_PIPE_COVER, HGL_CLEAR, MAX_INLET_HYD_CAPACITY) "
               "VALUES ('BINLET', 0, 3, 1, 5)");
    db.execute("INSERT INTO T16 (SYSTEM, OUT_NODE, OUT_TW, EXIT_LOSS_COEFF, INTENSITY_METHOD) "
               "VALUES ('BENCH', 'OUT', 99.0, 1.0, 2)");
    auto node = db.prepare("INSERT INTO NODE (NAME, SYSTEM, TC, P_C1DA, RUNOFF_C1, CALC_RUNOFF_C1, INLET_ELEV, "
                           "NODE_TYPE, JUNC_LOSS_COEFF, STRUCT_NAME) VALUES (?, 'BENCH', 10, 0.25, 0.8, 0, ?, 1, 0.5, 'BINLET')");
    auto reach = db.prepare("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, PIPE_NAME, BARRELS, LENGTH, HYD_LENGTH, "
                            "ELEV1, ELEV2, FROM_FL_CL, TO_FL_CL, REACH_TYPE) "
                            "VALUES (?, 'BENCH', ?, ?, 'B24', ?, 200, 200, ?, ?, -1, -1, 0)");
    for (std::size_t k = 0; k < n; ++k) {
        const std::string name = "N" + std::to_string(k);
        const std::string to = k == 0 ? "OUT" : "N" + std::to_string((k - 1) / 3);
        const double dn = 100.0 + depth[k] * 1.1;  // ft
        node.reset();
        node.bindAll({name, dn + 1.0 + 2.0 + 4.0});
        node.step();
        reach.reset();
        reach.bindAll({name, name, to, depth[k] < 3 ? 4 : 1, dn + 1.0, dn});
        reach.step();
    }
    tx.commit();
    Session session;
    hydraulics::RunOptions o;
    if (hydraulics::runStormTabs(*slot, session, silent, o, "BENCH").status != 0) return *slot;
    return *slot;
}

/// The review of every reach and node against the default criteria and the stored results.
void BM_DesignReview(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    db::Project& project = reviewedProject(n);
    const auto criteria = review::loadCriteria(project);
    std::size_t findings = 0;
    for (auto _ : state) {
        const auto r = review::reviewSystem(project, "BENCH", criteria);
        findings = r.findings.size();
        benchmark::DoNotOptimize(findings);
    }
    state.counters["reaches"] = static_cast<double>(n);
    state.counters["findings"] = static_cast<double>(findings);
}

/// The storm tabulation, then the same storm as a check-storm scenario (writes its own rows only).
void BM_StormTab(benchmark::State& state) {
    db::Project& project = reviewedProject(static_cast<std::size_t>(state.range(0)));
    ui::SilentUi silent;
    for (auto _ : state) {
        Session session;
        if (hydraulics::runStormTabs(project, session, silent, hydraulics::RunOptions{}, "BENCH").status != 0)
            state.SkipWithError("run failed");
    }
}

void BM_CheckStormScenario(benchmark::State& state) {
    db::Project& project = reviewedProject(static_cast<std::size_t>(state.range(0)));
    ui::SilentUi silent;
    for (auto _ : state) {
        Session session;
        if (review::runScenario(project, session, silent, "BENCH", hydraulics::RunOptions{}, {"wetter", "", 1.15}) != 0)
            state.SkipWithError("run failed");
    }
}

BENCHMARK(BM_DesignReview)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StormTab)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckStormScenario)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
