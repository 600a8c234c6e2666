// The text exports against writing the same number of bytes with one fwrite (then flush and fsync,
// as the export does), in the same run: the spectral export of a 100,000-point spectral scan and of
// a 1,218-cell x 4,001-point spectral/spatial scan, the sub-cell search of that scan at level 1
// against one pass that reads every value once, the ordinary field-data export of the full scan and
// the spatial export of a 64 x 64 multi-level scan at level 2. Peak memory is reported as the
// growth of the resident set's high-water mark over the scan's own size.

#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "platform/msg/MessageTarget.h"
#include "project/QExportTextSink.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "project/QScanDataRecord.h"
#include "project/QSpatialScanDataExporter.h"
#include "project/QSpectralScanDataExporter.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace orv;

constexpr uint16_t kRows = 29;
constexpr uint16_t kColumns = 42;
constexpr uint32_t kPoints = 4001;

std::string OutputPath() {
    return (std::filesystem::temp_directory_path() /
            ("orv-export-bench-" + std::to_string(::getpid()) + ".txt"))
        .string();
}

// The resident set's high-water mark in bytes; resetting it needs /proc/self/clear_refs.
int64_t PeakResident() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stoll(line.substr(6)) * 1024;
        }
    }
    return 0;
}

void ResetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

class Node {
public:
    explicit Node(uint16_t kind) {
        QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(m_thread, nullptr));
        m_mediator = factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false);
        m_mediator->SetKind(kind);
    }
    QNodeMediator& Get() { return *m_mediator; }

private:
    MessageThread m_thread;
    std::unique_ptr<QNodeMediator> m_mediator;
};

QScanDataRecord Record(uint16_t rows, uint16_t columns) {
    QScanDataRecord record;
    record.m_ScanId = 1;
    record.m_Texts = {"user", "analyser", "module", "2026-12-10,  07:00:00", "head", ""};
    record.m_StartFrequency = 30.0F;
    record.m_StopFrequency = 1030.0F;
    record.m_CenterFrequency = 530.0F;
    record.m_ResolutionBandwidth = 0.25F;
    record.m_Rows = rows;
    record.m_Columns = columns;
    return record;
}

std::unique_ptr<Node> SpectralScan(uint32_t points) {
    auto node = std::make_unique<Node>(kTypeSpectralScanNode);
    QSpectralScanAddition addition;
    addition.m_Record = Record(kRows, kColumns);
    addition.m_HasPoints = true;
    for (uint32_t i = 0; i < points; ++i) {
        addition.m_MirtPoints.push_back(QSpectralPoint{static_cast<int16_t>(i % 900 - 100),
                                                       static_cast<uint16_t>(i % kRows),
                                                       static_cast<uint16_t>(i % kColumns)});
    }
    node->Get().AddSpectralScanData(std::move(addition), false, false);
    return node;
}

// Every cell of the 29 x 42 grid, each with its spectrum; for multi-level data four sub-cells each.
std::unique_ptr<Node> CellScan(bool subCells) {
    auto node = std::make_unique<Node>(kTypeSpectralSpatialScanNode);
    const uint32_t perCell = subCells ? 4 : 1;
    const uint32_t count = uint32_t{kRows} * kColumns * perCell;
    uint32_t index = 0;
    for (uint16_t row = 0; row < kRows; ++row) {
        for (uint16_t column = 0; column < kColumns; ++column) {
            for (uint32_t sub = 0; sub < perCell; ++sub) {
                QCellAddition cell;
                cell.m_Record = Record(kRows, kColumns);
                cell.m_Record.m_IsZeltData = subCells ? 1 : 0;
                cell.m_Record.m_ZeltLevel = subCells ? 1 : 0;
                cell.m_CellIndex = ++index;
                cell.m_CellCount = count;
                cell.m_CellWord1 = row;
                cell.m_CellWord2 = column;
                cell.m_HasValues = true;
                if (subCells) {
                    cell.m_ZeltWords = {row, column, static_cast<uint16_t>(sub / 2),
                                        static_cast<uint16_t>(sub % 2)};
                    cell.m_ZeltValues.resize(kPoints);
                    for (uint32_t i = 0; i < kPoints; ++i) {
                        cell.m_ZeltValues[i] = static_cast<float>((i * 7 + index * 13) % 1000) - 100.0F;
                    }
                } else {
                    cell.m_Values.resize(kPoints);
                    for (uint32_t i = 0; i < kPoints; ++i) {
                        cell.m_Values[i] = static_cast<int16_t>((i * 7 + index * 13) % 1000 - 100);
                    }
                }
                node->Get().AddSpectralSpatialScanData(std::move(cell), false);
            }
        }
    }
    return node;
}

std::unique_ptr<Node> SubCellSpatialScan() {
    auto node = std::make_unique<Node>(kTypeSpatialScanNode);
    QSpatialScanAddition addition;
    addition.m_Record = Record(64, 64);
    addition.m_Record.m_IsZeltData = 1;
    addition.m_Record.m_ZeltLevel = 2;
    for (int16_t row = 0; row < 64; ++row) {
        for (int16_t column = 0; column < 64; ++column) {
            for (int16_t sub = 0; sub < 16; ++sub) {
                const int16_t words[4] = {row, column, static_cast<int16_t>(sub / 4),
                                          static_cast<int16_t>(sub % 4)};
                const float value = static_cast<float>((row * 64 + column + sub) % 700);
                uint8_t raw[12];
                std::memcpy(raw, words, 8);
                std::memcpy(raw + 8, &value, 4);
                addition.m_ZeltRecords.insert(addition.m_ZeltRecords.end(), raw, raw + 12);
            }
        }
    }
    node->Get().AddSpatialScanData(std::move(addition), false, false);
    return node;
}

template <class Exporter> uint64_t RunExport(QNodeMediator& mediator, const std::string& path) {
    Exporter exporter;
    QExportTextSink sink(path);
    exporter.ExportScan(mediator, sink, 1, path);
    return std::filesystem::file_size(path);
}

template <class Exporter> void ExportBench(benchmark::State& state, QNodeMediator& mediator) {
    const std::string path = OutputPath();
    uint64_t bytes = 0;
    ResetPeakResident();
    const int64_t before = PeakResident();
    for (auto _ : state) {
        bytes = RunExport<Exporter>(mediator, path);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["peak_growth_MB"] = static_cast<double>(PeakResident() - before) / (1024.0 * 1024.0);
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    std::filesystem::remove(path);
}

// One fwrite of `bytes` bytes, then fflush and fsync.
void WriteBench(benchmark::State& state, uint64_t bytes) {
    const std::string path = OutputPath();
    std::vector<char> block(bytes, 'x');
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(block.data(), 1, block.size(), file);
        std::fflush(file);
        ::fsync(::fileno(file));
        std::fclose(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    std::filesystem::remove(path);
}

template <class Exporter> uint64_t ExportSize(QNodeMediator& mediator) {
    const std::string path = OutputPath();
    const uint64_t bytes = RunExport<Exporter>(mediator, path);
    std::filesystem::remove(path);
    return bytes;
}

void BM_SpectralExport100000Points(benchmark::State& state) {
    static std::unique_ptr<Node> node = SpectralScan(100000);
    ExportBench<QSpectralScanDataExporter>(state, node->Get());
}
BENCHMARK(BM_SpectralExport100000Points)->Unit(benchmark::kMillisecond);

void BM_Fwrite100000PointsBytes(benchmark::State& state) {
    static std::unique_ptr<Node> node = SpectralScan(100000);
    static const uint64_t bytes = ExportSize<QSpectralScanDataExporter>(node->Get());
    WriteBench(state, bytes);
}
BENCHMARK(BM_Fwrite100000PointsBytes)->Unit(benchmark::kMillisecond);

QNodeMediator& CellNode() {
    static std::unique_ptr<Node> node = CellScan(false);
    return node->Get();
}

QNodeMediator& SubCellNode() {
    static std::unique_ptr<Node> node = CellScan(true);
    return node->Get();
}

void BM_SpectralExportOfCellScan(benchmark::State& state) {
    ExportBench<QSpectralScanDataExporter>(state, CellNode());
}
BENCHMARK(BM_SpectralExportOfCellScan)->Unit(benchmark::kMillisecond);

void BM_FwriteCellScanSpectralBytes(benchmark::State& state) {
    static const uint64_t bytes = ExportSize<QSpectralScanDataExporter>(CellNode());
    WriteBench(state, bytes);
}
BENCHMARK(BM_FwriteCellScanSpectralBytes)->Unit(benchmark::kMillisecond);

void BM_SubCellSearchExport(benchmark::State& state) {
    ExportBench<QSpectralScanDataExporter>(state, SubCellNode());
}
BENCHMARK(BM_SubCellSearchExport)->Unit(benchmark::kMillisecond);

// One pass over every sub-cell value.
void BM_ReadEverySubCellValueOnce(benchmark::State& state) {
    auto* scan = SubCellNode().GetSpectralSpatialScanData(1);
    for (auto _ : state) {
        float sum = 0.0F;
        for (const auto& unit : scan->m_Units) {
            for (float value : unit->m_ZeltAmplitudes) {
                sum += value;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadEverySubCellValueOnce)->Unit(benchmark::kMillisecond);

void BM_FieldDataExportOfCellScan(benchmark::State& state) {
    ExportBench<QSpatialScanDataExporter>(state, CellNode());
}
BENCHMARK(BM_FieldDataExportOfCellScan)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_FwriteFieldDataBytes(benchmark::State& state) {
    static const uint64_t bytes = ExportSize<QSpatialScanDataExporter>(CellNode());
    WriteBench(state, bytes);
}
BENCHMARK(BM_FwriteFieldDataBytes)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SpatialExportSubCells64x64Level2(benchmark::State& state) {
    static std::unique_ptr<Node> node = SubCellSpatialScan();
    ExportBench<QSpatialScanDataExporter>(state, node->Get());
}
BENCHMARK(BM_SpatialExportSubCells64x64Level2)->Unit(benchmark::kMillisecond);

void BM_FwriteSpatialSubCellBytes(benchmark::State& state) {
    static std::unique_ptr<Node> node = SubCellSpatialScan();
    static const uint64_t bytes = ExportSize<QSpatialScanDataExporter>(node->Get());
    WriteBench(state, bytes);
}
BENCHMARK(BM_FwriteSpatialSubCellBytes)->Unit(benchmark::kMillisecond);

} // namespace
