#include "tests/project/support/ExportFixture.h"

#include "core/TypeIds.h"
#include "project/QExportTextSink.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace orv::test {

namespace fs = std::filesystem;

ExportFixture::ExportFixture() {
    static std::atomic<int> counter{0};
    m_folder = fs::temp_directory_path() /
               ("orv-export-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    m_preferences = Make(kTypePreferencesNode);
    m_container.preferences = m_preferences.get();
}

ExportFixture::~ExportFixture() {
    std::error_code error;
    fs::remove_all(m_folder, error);
}

std::unique_ptr<QNodeMediator> ExportFixture::Make(uint16_t kind) {
    QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(m_thread, nullptr));
    std::unique_ptr<QNodeMediator> mediator =
        factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false);
    mediator->SetKind(kind);
    mediator->SetContainer(&m_container);
    return mediator;
}

QScanDataRecord ExportFixture::Record(int32_t scanID) {
    QScanDataRecord record;
    record.m_ScanId = scanID;
    record.m_Texts = {"tester", "analyser", "module", "2026-12-10,  07:01:02", "head", ""};
    record.m_StartFrequency = 100.0F;
    record.m_StopFrequency = 300.0F;
    record.m_CenterFrequency = 200.0F;
    record.m_ResolutionBandwidth = 0.1F;
    record.m_Rows = 2;
    record.m_Columns = 3;
    return record;
}

std::string ExportFixture::ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> ExportFixture::Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

std::string ExportFixture::Export(QScanDataExporter& exporter, QNodeMediator& node, int32_t scanID) {
    const std::string path = Path("export.txt");
    QExportTextSink sink(path);
    exporter.ExportScan(node, sink, scanID, path);
    return ReadFile(path);
}

std::string CrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> operator+(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::vector<std::string> CommonExportHeader(const std::string& range, const std::string& points,
                                            bool compensated) {
    return {"NodeName: Board A",
            "Date: 2026-12-10,  07:01:02",
            "User: tester",
            "CenterFrequency: 200.000 MHz",
            "FrequencySpan: 200.000 MHz",
            "Resolution Bandwidth: 100.000 KHz",
            "ReferenceLevel: 50.0 dBuV",
            "LevelRange: " + range,
            "ValuesPerPoint: 1",
            "Points: " + points,
            "ScanHead: head",
            "Analyzer: analyser",
            "PeakHold: Off",
            "FrequencyUnits: MHz",
            compensated ? "Data Compensation: Compensated Data" : "Data Compensation: Uncompensated Data"};
}

} // namespace orv::test
