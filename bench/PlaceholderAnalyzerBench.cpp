// The placeholder analyser's synthetic sweep (a new generator seeded per sweep) against a plain zero
// fill of the same number of points, in the same run.

#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

void BM_PlaceholderSweep(benchmark::State& state) {
    orv::CSpectrumAnalyzerNone none;
    none.SetSweepPoints(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        none.SweepAndWait();
        benchmark::DoNotOptimize(none.QueryScan());
    }
}
BENCHMARK(BM_PlaceholderSweep)->Arg(601)->Arg(3001);

void BM_ZeroFill(benchmark::State& state) {
    std::vector<float> trace;
    for (auto _ : state) {
        trace.assign(static_cast<size_t>(state.range(0)), 0.0f);
        benchmark::DoNotOptimize(trace.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ZeroFill)->Arg(601)->Arg(3001);

} // namespace
