// Save and load of a project file of 20 spectral/spatial scans of 1218 cells x 4,001 points (about
// 200 MB), against copying the same number of bytes file to file (read, write, fsync) in the same run.
// The counters give the peak resident memory of the process over the file's size.
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/QSerializable.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/QOverlayControlList.h"
#include "project/QProjectFile.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace orv;

constexpr uint32_t kScans = 20;
constexpr uint32_t kCells = 1218;
constexpr uint32_t kPoints = 4001;

class BenchMediator : public QNodeMediator {
public:
    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return !m_scans.empty(); }
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 0; }
    int GetSpectralDisplayUnit() const override { return 0; }
    uint32_t GetDataSize() override { return 0; }
    void WriteData(QDataWriter& /*writer*/) override {}
    void ReadData(QDataReader& /*reader*/) override {}

    uint16_t m_type = 0;
    uint32_t m_id = 0;
    std::vector<QProjectSpectralSpatialScanRecord> m_scans;
};

BenchMediator& B(QNodeMediator& m) {
    return static_cast<BenchMediator&>(m);
}

// Only the kinds this project holds; the node frame is a 32-bit id body.
class BenchModel : public QProjectFileModel {
public:
    QOverlayControlList* GetOverlayControls(TfrmMainApp* /*window*/) override { return nullptr; }
    std::unique_ptr<QNodeMediator> ReadNode(QDataReader& reader, QNodeMediator* /*parent*/,
                                            TfrmMainApp* /*window*/) override {
        QNodeHeader header;
        header.Deserialize(reader);
        auto mediator = std::make_unique<BenchMediator>();
        mediator->m_type = header.GetHeaderTypeId();
        mediator->m_id = reader.ReadU32();
        return mediator;
    }
    void ResolveLinks(QNodeMediator&, const QNodeIdMap&) override {}
    void AddSpectralScan(QNodeMediator&, QProjectSpectralScanRecord&&) override {}
    void AddSpatialScan(QNodeMediator&, QProjectSpatialScanRecord&&) override {}
    void AddSpectralSpatialScan(QNodeMediator& m, QProjectSpectralSpatialScanRecord&& r) override {
        B(m).m_scans.push_back(std::move(r));
    }
    void AddHandHeldScan(QNodeMediator&, QProjectSpectralSpatialScanRecord&&) override {}
    void SetNodeValues(QNodeMediator&, const QProjectNodeValues&) override {}
    void SetComparedSpectralScan(QNodeMediator&, int, std::unique_ptr<QProjectSpectralScanRecord>) override {}
    void SetComparedSpatialScan(QNodeMediator&, int, std::unique_ptr<QProjectSpatialScanRecord>) override {}
    void SetScriptPoints(QNodeMediator&, std::vector<QProjectScriptPoint>&&) override {}
    void SetReportSection(QNodeMediator&, QProjectReportSection&&) override {}
    uint32_t GetNodeID(QNodeMediator& m) override { return B(m).m_id; }
    uint16_t GetTypeID(QNodeMediator& m) override { return B(m).m_type; }
    std::string GetName(QNodeMediator&) override { return {}; }
    bool IsScanRunning(QNodeMediator&) override { return false; }
    void WriteNode(QDataWriter& writer, QNodeMediator& m) override {
        writer.WriteU8(QSerializable::kMarker);
        writer.WriteU16(B(m).m_type);
        writer.WriteU32(4);
        writer.WriteU32(B(m).m_id);
    }
    uint32_t GetScanCount(QNodeMediator& m) override { return static_cast<uint32_t>(B(m).m_scans.size()); }
    void VisitSpectralScans(QNodeMediator&,
                            const std::function<void(const QProjectSpectralScanRecord&)>&) override {}
    void VisitSpatialScans(QNodeMediator&,
                           const std::function<void(const QProjectSpatialScanRecord&)>&) override {}
    void VisitSpectralSpatialScans(
        QNodeMediator& m,
        const std::function<void(const QProjectSpectralSpatialScanRecord&)>& visit) override {
        for (const auto& scan : B(m).m_scans) {
            visit(scan);
        }
    }
    void VisitHandHeldScans(QNodeMediator&,
                            const std::function<void(const QProjectSpectralSpatialScanRecord&)>&) override {}
    QProjectNodeValues GetNodeValues(QNodeMediator&) override { return {}; }
    bool VisitComparedSpectralScan(QNodeMediator&, int,
                                   const std::function<void(const QProjectSpectralScanRecord&)>&) override {
        return false;
    }
    bool VisitComparedSpatialScan(QNodeMediator&, int,
                                  const std::function<void(const QProjectSpatialScanRecord&)>&) override {
        return false;
    }
    std::vector<QProjectScriptPoint> GetScriptPoints(QNodeMediator&) override { return {}; }
    QProjectReportSection GetReportSection(QNodeMediator&) override { return {}; }
};

struct Project {
    std::vector<std::unique_ptr<BenchMediator>> nodes;
    QNodePairList pairs;
};

std::unique_ptr<Project> MakeProject() {
    auto project = std::make_unique<Project>();
    const uint16_t kinds[] = {kTypePreferencesNode, kTypeProjectNode, kTypeSpectralSpatialScanNode};
    for (uint32_t i = 0; i < 3; ++i) {
        auto node = std::make_unique<BenchMediator>();
        node->m_type = kinds[i];
        node->m_id = i;
        project->nodes.push_back(std::move(node));
    }
    BenchMediator& scans = *project->nodes[2];
    for (uint32_t s = 0; s < kScans; ++s) {
        QProjectSpectralSpatialScanRecord record;
        record.m_header.m_scanId = s + 1;
        record.m_rows = 29;
        record.m_columns = 42;
        record.m_cells.resize(kCells);
        for (uint32_t c = 0; c < kCells; ++c) {
            QProjectCellEntry& cell = record.m_cells[c];
            cell.m_words = {static_cast<uint16_t>(c / 42), static_cast<uint16_t>(c % 42), 0};
            cell.m_valueCount = kPoints;
            cell.m_values.resize(kPoints * 2);
            for (uint32_t p = 0; p < kPoints * 2; ++p) {
                cell.m_values[p] = static_cast<uint8_t>(p * 31 + c);
            }
        }
        scans.m_scans.push_back(std::move(record));
    }
    QNodeMediator* root = project->nodes[1].get();
    project->pairs = {
        {project->nodes[0].get(), project->nodes[0].get()}, {root, root}, {project->nodes[2].get(), root}};
    return project;
}

BenchModel g_model;
std::unique_ptr<Project> g_project;

std::string Scratch(const char* name) {
    static const std::filesystem::path folder = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("orv-projectfile-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return (folder / name).string();
}

double PeakResidentMegabytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Report(benchmark::State& state, uint64_t bytes) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["peak_rss_over_file"] = PeakResidentMegabytes() * 1048576.0 / static_cast<double>(bytes);
}

void BM_SaveProject(benchmark::State& state) {
    if (!g_project) {
        g_project = MakeProject();
    }
    QProjectFile file(g_model);
    for (auto _ : state) {
        QFileDataWriter writer(Scratch("project"));
        writer.WriteU32(11);
        file.WriteProject(writer, nullptr, g_project->pairs, 3);
        writer.Close();
    }
    Report(state, std::filesystem::file_size(Scratch("project")));
}

void BM_CopyFile(benchmark::State& state) {
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        const int in = ::open(Scratch("project").c_str(), O_RDONLY | O_CLOEXEC);
        const int out = ::open(Scratch("copy").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ssize_t n = 0;
        while ((n = ::read(in, buffer.data(), buffer.size())) > 0) {
            if (::write(out, buffer.data(), static_cast<size_t>(n)) != n) {
                state.SkipWithError("copy failed");
                break;
            }
        }
        ::fsync(out);
        ::close(out);
        ::close(in);
    }
    Report(state, std::filesystem::file_size(Scratch("project")));
}

void BM_LoadProject(benchmark::State& state) {
    // The saved project is dropped first: the peak then shows what one loaded copy costs.
    g_project.reset();
    QProjectFile file(g_model);
    for (auto _ : state) {
        QFileDataReader reader(Scratch("project"));
        reader.ReadU32();
        QNodePairList pairs;
        file.ReadProject(reader, nullptr, pairs);
        benchmark::DoNotOptimize(B(*pairs[2].m_node).m_scans.size());
        for (QNodePair& pair : pairs) {
            delete pair.m_node;
        }
    }
    Report(state, std::filesystem::file_size(Scratch("project")));
}

} // namespace

BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond)->Iterations(3);
