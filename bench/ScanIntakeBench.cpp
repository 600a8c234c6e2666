// The data worker's half of listing a received scan against taking the same packet into the
// container, in the same run: the copy should cost no more than the hand-over it follows. Also the
// user-interface thread's half: texts, option snapshot and the add operation of the copied scan.

#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "platform/msg/MessageTarget.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "project/QReceivedScanCopy.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralScanContainer.h"
#include "scandata/QTransportContainer.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace orv;

constexpr uint32_t kSpectralPoints = 4001;
constexpr uint16_t kRows = 29;
constexpr uint16_t kColumns = 42;

QSetupScanCommand* MakeSetup() {
    auto* setup = new QSetupScanCommand();
    setup->SetProbeScanPattern(QProbeScanPattern(kRows, kColumns));
    setup->SetFrequencyRange(100.0F, 1100.0F);
    return setup;
}

std::unique_ptr<QTransportContainer> SpectrumPacket() {
    auto* record = new QSpectralScan();
    record->SetPointCount(kSpectralPoints);
    for (uint32_t i = 0; i < kSpectralPoints; ++i) {
        record->SetAmplitude(i, static_cast<int16_t>(i % 700));
    }
    auto packet = std::make_unique<QTransportContainer>();
    packet->SetSpectralScan(record);
    return packet;
}

std::unique_ptr<QTransportContainer> SpatialPacket() {
    auto* record = new QSpatialScan();
    record->SetGridSize(kRows, kColumns);
    for (uint16_t row = 0; row < kRows; ++row) {
        for (uint16_t column = 0; column < kColumns; ++column) {
            record->SetStoredAmplitude(row, column, static_cast<int16_t>(row * column));
        }
    }
    auto packet = std::make_unique<QTransportContainer>();
    packet->SetSpatialScan(record);
    return packet;
}

template <class Container> void Prime(Container& container) {
    auto setup = std::make_unique<QTransportContainer>();
    setup->SetSetupScanCommand(MakeSetup());
    container.TakeTransportContainer(std::move(setup), false, nullptr, false);
}

void BM_SpectralTakeTransportContainer(benchmark::State& state) {
    QSpectralScanContainer container;
    Prime(container);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QTransportContainer> packet = SpectrumPacket();
        state.ResumeTiming();
        container.TakeTransportContainer(std::move(packet), false, nullptr, false);
    }
}
BENCHMARK(BM_SpectralTakeTransportContainer);

void BM_SpectralWorkerCopy(benchmark::State& state) {
    QSpectralScanContainer container;
    Prime(container);
    container.TakeTransportContainer(SpectrumPacket(), false, nullptr, false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CopyReceivedScan(kTypeSpectralScanNode, container, "2026-12-10,  07:00:00"));
    }
}
BENCHMARK(BM_SpectralWorkerCopy);

void BM_SpatialTakeTransportContainer(benchmark::State& state) {
    QSpatialScanContainer container;
    Prime(container);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QTransportContainer> packet = SpatialPacket();
        state.ResumeTiming();
        container.TakeTransportContainer(std::move(packet), false, nullptr, false);
    }
}
BENCHMARK(BM_SpatialTakeTransportContainer);

void BM_SpatialWorkerCopy(benchmark::State& state) {
    QSpatialScanContainer container;
    Prime(container);
    container.TakeTransportContainer(SpatialPacket(), false, nullptr, false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CopyReceivedScan(kTypeSpatialScanNode, container, "2026-12-10,  07:00:00"));
    }
}
BENCHMARK(BM_SpatialWorkerCopy);

// The user-interface half: each round lists a fresh copy of the packet as a new scan; deleting it
// again and the newest-scan notification are left out of the timing.
template <class Container>
void ListingBench(benchmark::State& state, uint16_t kind, std::unique_ptr<QTransportContainer> (*packet)()) {
    Container container;
    Prime(container);
    container.TakeTransportContainer(packet(), false, nullptr, false);
    MessageThread thread;
    QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(thread, nullptr));
    std::unique_ptr<QNodeMediator> made =
        factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false);
    made->SetKind(kind);
    auto& mediator = dynamic_cast<QFundamentalNodeMediator&>(*made);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QReceivedScanCopy> copy = CopyReceivedScan(kind, container, "2026-12-10,  07:00:00");
        state.ResumeTiming();
        mediator.ListReceivedScan(*copy);
        state.PauseTiming();
        thread.Pump();
        if (kind == kTypeSpectralScanNode) {
            mediator.DeleteSpectralScanData(1);
        } else {
            mediator.DeleteSpatialScanData(1);
        }
        state.ResumeTiming();
    }
}

void BM_SpectralUserInterfaceListing(benchmark::State& state) {
    ListingBench<QSpectralScanContainer>(state, kTypeSpectralScanNode, SpectrumPacket);
}
BENCHMARK(BM_SpectralUserInterfaceListing);

void BM_SpatialUserInterfaceListing(benchmark::State& state) {
    ListingBench<QSpatialScanContainer>(state, kTypeSpatialScanNode, SpatialPacket);
}
BENCHMARK(BM_SpatialUserInterfaceListing);

} // namespace
