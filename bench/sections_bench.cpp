// Timing of the critical-depth search: the bracketing search on the scan's depth grid against the plain scan.
#include <benchmark/benchmark.h>

#include <array>

#include "hydraulics/depth_solvers.h"
#include "hydraulics/ditch_shapes.h"

namespace {

using kolv::hydraulics::Section;

struct Case {
    const char* name;
    Section section;
    double flowCfs;
};

const std::array<Case, 5> kCases = {{
    {"round 36 in, 30 cfs", Section::circular(3.0), 30.0},
    {"round 120 in, 2000 cfs", Section::circular(10.0), 2000.0},
    {"round 12 in, 0.5 cfs", Section::circular(1.0), 0.5},
    {"trapezoid 2:1 4 ft 3:1, 150 cfs", Section::ditch(kolv::hydraulics::kDitchTrapezoid, {2, 4, 3}), 150.0},
    {"4-sided with berms, 40 cfs", Section::ditch(kolv::hydraulics::kDitchFourSided, {50, 0, 2, 1, 0, 40, 2.5}), 40.0},
}};

void criticalDepthFast(benchmark::State& state) {
    const Case& c = kCases[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(c.name);
    for (auto _ : state) benchmark::DoNotOptimize(kolv::hydraulics::criticalDepth(c.section, c.flowCfs));
}

void criticalDepthScan(benchmark::State& state) {
    const Case& c = kCases[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(c.name);
    for (auto _ : state) benchmark::DoNotOptimize(kolv::hydraulics::criticalDepthScan(c.section, c.flowCfs));
}

void normalDepthCircular(benchmark::State& state) {
    const Section pipe = Section::circular(3.0);
    for (auto _ : state) benchmark::DoNotOptimize(kolv::hydraulics::normalDepth(pipe, 30.0, 0.013, 0.005));
}

}  // namespace

BENCHMARK(criticalDepthFast)->DenseRange(0, 4);
BENCHMARK(criticalDepthScan)->DenseRange(0, 4);
BENCHMARK(normalDepthCircular);
