// Memory of a long continuous scan: placeholder-sized spectra listed one after another through the
// user-interface thread's intake, as Scan Continuously does, with resident memory sampled as they
// come; then the walk a save makes over every scan, checked against what each scan held when it was
// listed. ORV_CONTINUOUS_SCANS sets the number of scans (default 150,000: ten minutes of the
// placeholder analyser); the user file's budget applies unless ORV_SCAN_MEMORY_MB is given.

#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "platform/msg/MessageTarget.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QNodeFactory.h"
#include "project/QProjectFileFormat.h"
#include "project/QReceivedScanCopy.h"
#include "project/QScanMemoryBudget.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralScanContainer.h"
#include "scandata/QTransportContainer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace orv;

constexpr uint32_t kPoints = 1001;

double ResidentMegabytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::unique_ptr<QTransportContainer> Spectrum(uint32_t round) {
    auto* record = new QSpectralScan();
    record->SetPointCount(kPoints);
    for (uint32_t i = 0; i < kPoints; ++i) {
        record->SetAmplitude(i, static_cast<int16_t>((i * 7 + round * 13) % 900));
    }
    auto packet = std::make_unique<QTransportContainer>();
    packet->SetSpectralScan(record);
    return packet;
}

// What a save writes of a scan, hashed.
size_t SavedHash(const CSpectralScanData& scan) {
    const QProjectSpectralScanRecord record = QMediatorProjectFileModel::MakeSpectralRecord(scan);
    const std::string points(record.m_points.begin(), record.m_points.end());
    const std::string markers(record.m_markers.begin(), record.m_markers.end());
    return std::hash<std::string>{}(points) ^ (std::hash<std::string>{}(markers) << 1) ^ record.m_pointCount;
}

void BM_ContinuousSpectralScanMemory(benchmark::State& state) {
    const char* scansText = std::getenv("ORV_CONTINUOUS_SCANS");
    const uint32_t scans =
        scansText != nullptr ? static_cast<uint32_t>(std::strtoul(scansText, nullptr, 10)) : 150000;
    if (const char* budget = std::getenv("ORV_SCAN_MEMORY_MB")) {
        QScanMemoryBudget::SetBudgetBytesForTest(std::strtoull(budget, nullptr, 10) * 1024 * 1024);
    }
    for (auto _ : state) {
        QSpectralScanContainer container;
        auto setup = std::make_unique<QTransportContainer>();
        auto* command = new QSetupScanCommand();
        command->SetProbeScanPattern(QProbeScanPattern(29, 42));
        command->SetFrequencyRange(100.0F, 1100.0F);
        setup->SetSetupScanCommand(command);
        container.TakeTransportContainer(std::move(setup), false, nullptr, false);

        MessageThread thread;
        QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(thread, nullptr));
        std::unique_ptr<QNodeMediator> made =
            factory.CreateNodeWithMediator(nullptr, nullptr, kTypeSpectralScanNode, nullptr, false);
        made->SetKind(kTypeSpectralScanNode);
        auto& mediator = dynamic_cast<QFundamentalNodeMediator&>(*made);

        std::vector<size_t> listed;
        listed.reserve(scans);
        std::fprintf(stderr, "budget %.0f MB, start %.1f MB resident\n",
                     static_cast<double>(QScanMemoryBudget::GetBudgetBytes()) / (1024.0 * 1024.0),
                     ResidentMegabytes());
        for (uint32_t round = 0; round < scans; ++round) {
            container.TakeTransportContainer(Spectrum(round), false, nullptr, false);
            std::unique_ptr<QReceivedScanCopy> copy =
                CopyReceivedScan(kTypeSpectralScanNode, container, "2026-12-10,  07:00:00");
            mediator.ListReceivedScan(*copy);
            thread.Pump();
            int32_t id = 0;
            listed.push_back(SavedHash(*mediator.GetLastSpectralScanData(id)));
            if ((round + 1) % 2500 == 0) {
                std::fprintf(stderr, "%u scans: %.1f MB resident, %.1f MB allocated, %.1f MB held by scans\n",
                             round + 1, ResidentMegabytes(),
                             static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0),
                             static_cast<double>(QScanMemoryBudget::GetHeldBytes()) / (1024.0 * 1024.0));
            }
        }
        // The save's walk.
        uint32_t differing = 0;
        const std::vector<int32_t> ids = mediator.GetScanIDs(kTypeSpectralScanNode);
        for (size_t i = 0; i < ids.size(); ++i) {
            const CSpectralScanData* scan = mediator.FindSpectralScanData(ids[i]);
            if (scan == nullptr || SavedHash(*scan) != listed[i]) {
                ++differing;
            }
        }
        std::fprintf(stderr, "save walk over %zu scans: %u differ, %.1f MB resident\n", ids.size(), differing,
                     ResidentMegabytes());
        state.counters["scans"] = static_cast<double>(ids.size());
        state.counters["differing"] = differing;
        state.counters["resident_MB"] = ResidentMegabytes();
    }
}
BENCHMARK(BM_ContinuousSpectralScanMemory)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
