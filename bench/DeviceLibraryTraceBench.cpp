// One sweep and trace read of a 100,000-point trace through each device-library driver, over the
// fake libraries the tests use, against memcpy of the same floats in the same run. The fake library
// itself copies the floats once; what the drivers add is the dBm-to-dBuV pass and their calls.

#include "analyzers/CBB60Connection.h"
#include "analyzers/CTekRSAConnection.h"
#include "analyzers/drivers/signalhound/CSpectrumAnalyzerBB60.h"
#include "analyzers/drivers/tektronix/CSpectrumAnalyzerTekRSA.h"
#include "tests/sim/devicelib/FakeBbApi.h"
#include "tests/sim/devicelib/FakeRsaApi.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t kPoints = 100000;

std::vector<float> Trace() {
    std::vector<float> values(kPoints);
    for (int32_t i = 0; i < kPoints; ++i) {
        values[static_cast<size_t>(i)] = -90.0F + static_cast<float>(i % 700) * 0.1F;
    }
    return values;
}

void BM_Bb60SweepAndQueryScan(benchmark::State& state) {
    setenv("ORV_BB_API_LIBRARIES", ORV_FAKE_BB_API_PATH, 1);
    orv::sim::FakeBbApi::Reset();
    orv::sim::FakeBbApi::SetSerials({1234});
    orv::sim::FakeBbApi::SetTraceInfo(kPoints, 100.0, 1e6);
    orv::sim::FakeBbApi::SetTrace(Trace());
    orv::CBB60Connection connection;
    orv::CSpectrumAnalyzerBB60 driver;
    if (!connection.DetectAndConnect() || !driver.FindVisaConnection(&connection, 106) ||
        !driver.SweepAndWait()) {
        state.SkipWithError("the fake BB60 did not connect");
        return;
    }
    for (auto _ : state) {
        orv::sim::FakeBbApi::Script().ClearCalls();
        driver.SweepAndWait();
        benchmark::DoNotOptimize(driver.QueryScan());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPoints * static_cast<int64_t>(sizeof(float)));
}
BENCHMARK(BM_Bb60SweepAndQueryScan);

void BM_TekRsaSweepAndQueryScan(benchmark::State& state) {
    setenv("ORV_RSA_API_LIBRARIES", ORV_FAKE_RSA_API_PATH, 1);
    orv::sim::FakeRsaApi::Reset();
    orv::sim::FakeRsaApi::SetDevices({{1, "B1", "RSA306B"}});
    orv::sim::FakeRsaApi::SetTraceShape(kPoints, 1e6, 100.0);
    orv::sim::FakeRsaApi::SetTrace(Trace());
    orv::CTekRSAConnection connection;
    orv::CSpectrumAnalyzerTekRSA driver;
    if (!connection.DetectAndConnect() || !driver.FindVisaConnection(&connection, 107) ||
        !driver.SweepAndWait()) {
        state.SkipWithError("the fake RSA did not connect");
        return;
    }
    for (auto _ : state) {
        orv::sim::FakeRsaApi::Script().ClearCalls();
        driver.SweepAndWait();
        benchmark::DoNotOptimize(driver.QueryScan());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPoints * static_cast<int64_t>(sizeof(float)));
}
BENCHMARK(BM_TekRsaSweepAndQueryScan);

void BM_MemcpyTrace(benchmark::State& state) {
    const std::vector<float> source = Trace();
    std::vector<float> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size() * sizeof(float));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPoints * static_cast<int64_t>(sizeof(float)));
}
BENCHMARK(BM_MemcpyTrace);

} // namespace

BENCHMARK_MAIN();
