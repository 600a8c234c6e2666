// One trace at one cell with a zero-latency analyser and the no-scanner board, for the trace lengths
// of a typical spectral scan (4,001 points) and of the largest trace (102,400), against memcpy of the
// same values: what remains is the device manager's own cost per cell.
#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CDeviceManager.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace {

using namespace orv;

class InstantAnalyzer final : public CSpectrumAnalyzer {
public:
    explicit InstantAnalyzer(int32_t points) : m_trace(static_cast<size_t>(points)) {
        std::iota(m_trace.begin(), m_trace.end(), 0.0F);
        m_sweepPoints = points;
    }
    bool SweepAndWait() override { return true; }
    const float* QueryScan() override { return m_trace.data(); }

private:
    std::vector<float> m_trace;
};

void BM_MemcpyTrace(benchmark::State& state) {
    const auto points = static_cast<size_t>(state.range(0));
    std::vector<float> source(points);
    std::iota(source.begin(), source.end(), 0.0F);
    std::vector<float> target(points);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), points * sizeof(float));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * points * sizeof(float)));
}
BENCHMARK(BM_MemcpyTrace)->Arg(4001)->Arg(102400);

void BM_MeasureCellTrace(benchmark::State& state) {
    const auto points = static_cast<int32_t>(state.range(0));
    CDeviceManager manager;
    if (!manager.ConnectScanner(eProbeType::NoScanner)) {
        state.SkipWithError("no-scanner board did not connect");
        return;
    }
    manager.SetAnalyzerFactory([points](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> {
        return std::make_unique<InstantAnalyzer>(points);
    });
    manager.CreateAnalyzer(1);
    for (auto _ : state) {
        const bool measured = manager.MeasureCellTrace(1, 2, 0, 0, 1, false);
        benchmark::DoNotOptimize(measured);
        benchmark::DoNotOptimize(manager.GetTraceBuffer());
        benchmark::ClobberMemory();
    }
    if (manager.GetTraceLength() != static_cast<uint32_t>(points)) {
        state.SkipWithError("the trace was not stored");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * points *
                            static_cast<int64_t>(sizeof(float)));
}
BENCHMARK(BM_MeasureCellTrace)->Arg(4001)->Arg(102400);

} // namespace
