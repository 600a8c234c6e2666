// Memory of a long continuous scan: placeholder-sized spectra listed one after another through the
// user-interface thread's intake, as Scan Continuously does, with resident memory sampled as they
// come; then the walk a save makes over every scan, checked against what each scan held when it was
// listed. ORV_CONTINUOUS_SCANS sets the number of scans (default 150,000: ten minutes of the
// placeholder analyser); the user file's budget applies unless ORV_SCAN_MEMORY_MB is given.
//
// The same for spatial scans (a 29 x 42 map each; ORV_SPATIAL_SCANS, default 40,000) and for
// spectral/spatial scans (1,218 cells of 1,001 points each, listed cell by cell; ORV_SPECTRAL_SPATIAL_SCANS,
// default 150), added through the node's own intake calls.

#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "platform/msg/MessageTarget.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QNodeFactory.h"
#include "project/QProjectFileFormat.h"
#include "project/QReceivedScanCopy.h"
#include "project/QScanMemoryBudget.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
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

double AllocatedMegabytes() {
    return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

// What each scan listed after the budget was reached still takes: the memory of its entry, whose
// bulk moved out. Started at the first sample at which the scans hold 90 % of the budget.
class PastBudget {
public:
    void Sample(uint32_t scans) {
        if (m_scans == 0 && static_cast<double>(QScanMemoryBudget::GetHeldBytes()) >=
                                0.9 * static_cast<double>(QScanMemoryBudget::GetBudgetBytes())) {
            m_scans = scans;
            m_resident = ResidentMegabytes();
            m_allocated = AllocatedMegabytes();
        }
    }
    void Report(benchmark::State& state, uint32_t scans) const {
        if (m_scans == 0 || scans <= m_scans) {
            std::fprintf(stderr, "the budget was not reached\n");
            return;
        }
        const double count = static_cast<double>(scans - m_scans);
        const double resident = (ResidentMegabytes() - m_resident) * 1024.0 * 1024.0 / count;
        const double allocated = (AllocatedMegabytes() - m_allocated) * 1024.0 * 1024.0 / count;
        std::fprintf(stderr,
                     "past the budget (from scan %u): %.0f bytes resident, %.0f bytes allocated per scan\n",
                     m_scans, resident, allocated);
        state.counters["resident_B_per_scan_past_budget"] = resident;
        state.counters["allocated_B_per_scan_past_budget"] = allocated;
    }

private:
    uint32_t m_scans = 0;
    double m_resident = 0.0;
    double m_allocated = 0.0;
};

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
        PastBudget pastBudget;
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
                             round + 1, ResidentMegabytes(), AllocatedMegabytes(),
                             static_cast<double>(QScanMemoryBudget::GetHeldBytes()) / (1024.0 * 1024.0));
                pastBudget.Sample(round + 1);
            }
        }
        pastBudget.Report(state, scans);
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

uint32_t ScanCount(const char* variable, uint32_t fallback) {
    const char* text = std::getenv(variable);
    return text != nullptr ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
}

void ReportSample(uint32_t scans, PastBudget& pastBudget) {
    std::fprintf(stderr, "%u scans: %.1f MB resident, %.1f MB allocated, %.1f MB held by scans\n", scans,
                 ResidentMegabytes(), AllocatedMegabytes(),
                 static_cast<double>(QScanMemoryBudget::GetHeldBytes()) / (1024.0 * 1024.0));
    pastBudget.Sample(scans);
}

std::unique_ptr<QNodeMediator> MakeNode(MessageThread& thread, uint16_t kind) {
    QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(thread, nullptr));
    std::unique_ptr<QNodeMediator> made =
        factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false);
    made->SetKind(kind);
    return made;
}

QScanDataRecord Record(int32_t scanID, uint16_t rows, uint16_t columns) {
    QScanDataRecord record;
    record.m_ScanId = scanID;
    record.m_Rows = rows;
    record.m_Columns = columns;
    record.m_StartFrequency = 100.0F;
    record.m_StopFrequency = 1100.0F;
    record.m_CenterFrequency = 600.0F;
    record.m_Texts = {"", "", "", "2026-12-10,  07:00:00", "", ""};
    return record;
}

// Every scan listed, then the save's walk over all of them, each checked against the hash of what a
// save wrote of it when it was listed.
template <class Scan, class Find, class Saved>
void WalkAsASave(benchmark::State& state, QNodeMediator& mediator, uint16_t kind,
                 const std::vector<size_t>& listed, Find find, Saved saved) {
    uint32_t differing = 0;
    const std::vector<int32_t> ids = mediator.GetScanIDs(kind);
    for (size_t i = 0; i < ids.size(); ++i) {
        const Scan* scan = find(ids[i]);
        if (scan == nullptr || saved(*scan) != listed[i]) {
            ++differing;
        }
    }
    std::fprintf(stderr, "save walk over %zu scans: %u differ, %.1f MB resident\n", ids.size(), differing,
                 ResidentMegabytes());
    state.counters["scans"] = static_cast<double>(ids.size());
    state.counters["differing"] = differing;
    state.counters["resident_MB"] = ResidentMegabytes();
}

size_t SavedSpatialHash(const CSpatialScanData& scan) {
    const QProjectSpatialScanRecord record = QMediatorProjectFileModel::MakeSpatialRecord(scan);
    return std::hash<std::string>{}(std::string(record.m_values.begin(), record.m_values.end())) ^
           std::hash<std::string>{}(std::string(record.m_zeltRecords.begin(), record.m_zeltRecords.end()));
}

size_t SavedSpectralSpatialHash(const CSpectralSpatialScanData& scan) {
    const QProjectSpectralSpatialScanRecord record =
        QMediatorProjectFileModel::MakeSpectralSpatialRecord(scan);
    size_t hash = record.m_cells.size();
    for (const QProjectCellEntry& cell : record.m_cells) {
        hash = hash * 31 + std::hash<std::string>{}(std::string(cell.m_values.begin(), cell.m_values.end())) +
               cell.m_words[0] + (static_cast<size_t>(cell.m_words[1]) << 16);
    }
    return hash;
}

void ApplyBudget() {
    if (const char* budget = std::getenv("ORV_SCAN_MEMORY_MB")) {
        QScanMemoryBudget::SetBudgetBytesForTest(std::strtoull(budget, nullptr, 10) * 1024 * 1024);
    }
    std::fprintf(stderr, "budget %.0f MB, start %.1f MB resident\n",
                 static_cast<double>(QScanMemoryBudget::GetBudgetBytes()) / (1024.0 * 1024.0),
                 ResidentMegabytes());
}

void BM_ContinuousSpatialScanMemory(benchmark::State& state) {
    const uint32_t scans = ScanCount("ORV_SPATIAL_SCANS", 40000);
    constexpr uint16_t kRows = 29;
    constexpr uint16_t kColumns = 42;
    for (auto _ : state) {
        MessageThread thread;
        std::unique_ptr<QNodeMediator> mediator = MakeNode(thread, kTypeSpatialScanNode);
        std::vector<size_t> listed;
        listed.reserve(scans);
        PastBudget pastBudget;
        ApplyBudget();
        for (uint32_t round = 0; round < scans; ++round) {
            QSpatialScanAddition addition;
            addition.m_Record = Record(static_cast<int32_t>(round + 1), kRows, kColumns);
            addition.m_Values.resize(static_cast<size_t>(kRows) * kColumns);
            for (size_t i = 0; i < addition.m_Values.size(); ++i) {
                addition.m_Values[i] = static_cast<int16_t>((i * 7 + round * 13) % 900);
            }
            mediator->AddSpatialScanData(std::move(addition), true, false);
            thread.Pump();
            int32_t id = 0;
            listed.push_back(SavedSpatialHash(*mediator->GetLastSpatialScanData(id)));
            if ((round + 1) % 5000 == 0) {
                ReportSample(round + 1, pastBudget);
            }
        }
        pastBudget.Report(state, scans);
        WalkAsASave<CSpatialScanData>(
            state, *mediator, kTypeSpatialScanNode, listed,
            [&mediator](int32_t id) { return mediator->FindSpatialScanData(id); }, SavedSpatialHash);
    }
}
BENCHMARK(BM_ContinuousSpatialScanMemory)->Iterations(1)->Unit(benchmark::kSecond);

void BM_ContinuousSpectralSpatialScanMemory(benchmark::State& state) {
    const uint32_t scans = ScanCount("ORV_SPECTRAL_SPATIAL_SCANS", 150);
    constexpr uint16_t kRows = 29;
    constexpr uint16_t kColumns = 42;
    constexpr uint32_t kCells = static_cast<uint32_t>(kRows) * kColumns;
    for (auto _ : state) {
        MessageThread thread;
        std::unique_ptr<QNodeMediator> mediator = MakeNode(thread, kTypeSpectralSpatialScanNode);
        std::vector<size_t> listed;
        listed.reserve(scans);
        PastBudget pastBudget;
        ApplyBudget();
        for (uint32_t round = 0; round < scans; ++round) {
            for (uint32_t cell = 1; cell <= kCells; ++cell) {
                QCellAddition addition;
                addition.m_Record = Record(static_cast<int32_t>(round + 1), kRows, kColumns);
                addition.m_CellIndex = cell;
                addition.m_CellCount = kCells;
                addition.m_CellWord1 = static_cast<uint16_t>((cell - 1) / kColumns);
                addition.m_CellWord2 = static_cast<uint16_t>((cell - 1) % kColumns);
                addition.m_HasValues = true;
                addition.m_Values.resize(kPoints);
                for (uint32_t i = 0; i < kPoints; ++i) {
                    addition.m_Values[i] = static_cast<int16_t>((i * 7 + cell * 3 + round * 13) % 900);
                }
                mediator->AddSpectralSpatialScanData(std::move(addition), true);
                thread.Pump();
            }
            int32_t id = 0;
            listed.push_back(SavedSpectralSpatialHash(*mediator->GetLastSpectralSpatialScanData(id)));
            if ((round + 1) % 10 == 0) {
                ReportSample(round + 1, pastBudget);
            }
        }
        pastBudget.Report(state, scans);
        WalkAsASave<CSpectralSpatialScanData>(
            state, *mediator, kTypeSpectralSpatialScanNode, listed,
            [&mediator](int32_t id) { return mediator->FindSpectralSpatialScanData(id); },
            SavedSpectralSpatialHash);
    }
}
BENCHMARK(BM_ContinuousSpectralSpatialScanMemory)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
