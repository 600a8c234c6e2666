// The scan-data list with 2,000 scans: the node's fill (each row at the top, as the mediator fills
// it), the same scans added one by one as they arrive (each searched for first), and one scan
// selected by its id, against a plain QTreeWidget filled with the same rows in the same run.

#include "app/panes/CViewList.h"
#include "scandata/CSpectralScanData.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

constexpr int kScans = 2000;

struct Row {
    std::string id;
    std::string date;
    std::string description;
};

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = [] {
        std::vector<Row> made;
        for (int i = 1; i <= kScans; ++i) {
            made.push_back({std::to_string(i), "2026-12-11,  06:" + std::to_string(10 + i % 50) + ":00",
                            "Board rev. B, probe " + std::to_string(i % 7)});
        }
        return made;
    }();
    return rows;
}

const std::vector<std::unique_ptr<CSpectralScanData>>& Scans() {
    static const std::vector<std::unique_ptr<CSpectralScanData>> scans = [] {
        std::vector<std::unique_ptr<CSpectralScanData>> made;
        for (const Row& row : Rows()) {
            auto scan = std::make_unique<CSpectralScanData>();
            scan->m_ScanId = static_cast<uint32_t>(std::stoi(row.id));
            scan->m_DateText = row.date;
            scan->m_UserText = row.description;
            made.push_back(std::move(scan));
        }
        return made;
    }();
    return scans;
}

void BM_PlainTreeWidgetFill(benchmark::State& state) {
    QTreeWidget list;
    list.setColumnCount(3);
    for (auto _ : state) {
        list.clear();
        for (const Row& row : Rows()) {
            auto* item = new QTreeWidgetItem();
            item->setText(0, QString::fromLatin1(row.id.c_str()));
            item->setText(1, QString::fromLatin1(row.date.c_str()));
            item->setText(2, QString::fromLatin1(row.description.c_str()));
            item->setData(0, Qt::UserRole, std::stoi(row.id));
            list.insertTopLevelItem(0, item);
        }
        benchmark::DoNotOptimize(list.topLevelItemCount());
    }
}

void BM_ScanListFill(benchmark::State& state) {
    CViewList list;
    for (auto _ : state) {
        list.RemoveAllScanData();
        for (const Row& row : Rows()) {
            list.AddRow(row.id, row.date, row.description);
        }
        benchmark::DoNotOptimize(list.topLevelItemCount());
    }
}

void BM_ScanListAddSpectralOneByOne(benchmark::State& state) {
    CViewList list;
    for (auto _ : state) {
        list.RemoveAllScanData();
        for (const auto& scan : Scans()) {
            list.AddSpectralScanData(*scan, false, false);
        }
        benchmark::DoNotOptimize(list.topLevelItemCount());
    }
}

void BM_ScanListSelectById(benchmark::State& state) {
    CViewList list;
    for (const Row& row : Rows()) {
        list.AddRow(row.id, row.date, row.description);
    }
    // The oldest scan: the last row.
    for (auto _ : state) {
        list.SelectScanDataById(1);
        benchmark::DoNotOptimize(list.GetSelectedRow());
    }
}

BENCHMARK(BM_PlainTreeWidgetFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanListFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanListAddSpectralOneByOne)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanListSelectById)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace orv

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
