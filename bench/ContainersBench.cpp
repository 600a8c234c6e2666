// Ingest of whole scans into the spectral/spatial and hand-held containers: a full spectral/spatial
// scan of the 29 x 42 scanner (1218 cells of 4,001 points each) and a 100-step hand-held scan. The
// records are built before the timed part, as the engine link hands them over ready-made. The peak
// resident size of the process is reported as a counter (kilobytes).
#include "core/QProbeScanPattern.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTransportContainer.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr uint16_t kRows = 29;
constexpr uint16_t kColumns = 42;
constexpr uint32_t kPoints = 4001;
constexpr uint32_t kHandHeldSteps = 100;

double PeakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss);
}

std::unique_ptr<orv::QTransportContainer> SetupStep(uint16_t rows, uint16_t columns) {
    auto* setup = new orv::QSetupScanCommand();
    setup->SetProbeScanPattern(orv::QProbeScanPattern(rows, columns));
    setup->SetFrequencyRange(30.0F, 1000.0F);
    auto tc = std::make_unique<orv::QTransportContainer>();
    tc->SetSetupScanCommand(setup);
    return tc;
}

template <typename Record> void FillLevels(Record& record, uint32_t seed) {
    record.SetPointCount(kPoints);
    for (uint32_t i = 0; i < kPoints; ++i) {
        record.SetAmplitude(i, static_cast<int16_t>(((i * 37U + seed * 11U) % 900U) - 600));
    }
}

void BM_SpectralSpatialFullScanIngest(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::unique_ptr<orv::QTransportContainer>> steps;
        steps.reserve(static_cast<size_t>(kRows) * kColumns);
        for (uint16_t r = 0; r < kRows; ++r) {
            for (uint16_t c = 0; c < kColumns; ++c) {
                auto* component = new orv::QSpectralSpatialScanComponent();
                component->SetCell(r, c, 0);
                FillLevels(*component, r * kColumns + c);
                auto tc = std::make_unique<orv::QTransportContainer>();
                tc->SetSpectralSpatialScanComponent(component);
                steps.push_back(std::move(tc));
            }
        }
        auto container = std::make_unique<orv::QSpectralSpatialScanContainer>();
        container->TakeTransportContainer(SetupStep(kRows, kColumns), false, nullptr, false);
        state.ResumeTiming();
        for (auto& step : steps) {
            container->TakeTransportContainer(std::move(step), false, nullptr, false);
        }
        benchmark::DoNotOptimize(container->GetMaxLevel());
        state.PauseTiming();
        container.reset();
        state.ResumeTiming();
    }
    state.counters["cells"] = static_cast<double>(kRows) * kColumns;
    state.counters["peak_rss_kB"] = PeakResidentKilobytes();
}
BENCHMARK(BM_SpectralSpatialFullScanIngest)->Unit(benchmark::kMillisecond);

void BM_HandHeldScanIngest(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::unique_ptr<orv::QTransportContainer>> steps;
        for (uint32_t k = 0; k < kHandHeldSteps; ++k) {
            auto* record = new orv::QHandHeldProbeScan();
            record->SetCell(static_cast<uint16_t>(k / 10), static_cast<uint16_t>(k % 10));
            FillLevels(*record, k);
            auto tc = std::make_unique<orv::QTransportContainer>();
            tc->SetHandHeldProbeScan(record);
            steps.push_back(std::move(tc));
        }
        auto container = std::make_unique<orv::QHandHeldProbeScanContainer>();
        container->TakeTransportContainer(SetupStep(10, 10), false, nullptr, false);
        state.ResumeTiming();
        for (auto& step : steps) {
            container->TakeTransportContainer(std::move(step), false, nullptr, false);
        }
        benchmark::DoNotOptimize(container->GetMaxLevel());
        state.PauseTiming();
        container.reset();
        state.ResumeTiming();
    }
    state.counters["steps"] = kHandHeldSteps;
    state.counters["peak_rss_kB"] = PeakResidentKilobytes();
}
BENCHMARK(BM_HandHeldScanIngest)->Unit(benchmark::kMillisecond);

} // namespace
