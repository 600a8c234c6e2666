// The spatial scan page's peak marker list over a parent scan of 4,001 measured frequencies, 40 of
// them peaks: the copy under the parent's lock, its peak search, the texts and the list filled, and
// the centre's line looked up. The goal is under 100 ms a fill.

#include "core/TypeIds.h"
#include "dialogs/CPageSpatialScan.h"
#include "platform/msg/MessageTarget.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>

#include <memory>

namespace {

using namespace orv;

constexpr uint32_t kFrequencies = 4001;

void BM_FillPeakMarkerList(benchmark::State& state) {
    MessageThread thread;
    QNodeFactory nodes(QFundamentalNodeMediator::MakeMaker(thread, nullptr));
    std::unique_ptr<QNodeMediator> parent =
        nodes.CreateNodeWithMediator(nullptr, nullptr, kTypeSpectralScanNode, nullptr, false);
    parent->SetKind(kTypeSpectralScanNode);
    std::unique_ptr<QNodeMediator> node =
        nodes.CreateNodeWithMediator(parent.get(), nullptr, kTypeSpatialScanNode, nullptr, false);
    node->SetKind(kTypeSpatialScanNode);
    node->SetParentMediator(parent.get());

    QSpectralScanAddition addition;
    addition.m_Record.m_ScanId = 1;
    addition.m_Record.m_StartFrequency = 30.0F;
    addition.m_Record.m_StopFrequency = 1030.0F;
    addition.m_Record.m_DisplayCount = 100;
    addition.m_HasPoints = true;
    for (uint32_t i = 0; i < kFrequencies; ++i) {
        const bool peak = i % 100 == 50;
        addition.m_MirtPoints.push_back({static_cast<int16_t>(peak ? 800 : 0), 0, 0});
        addition.m_MeasuredFrequencies.push_back({i, 30.0F + 0.25F * static_cast<float>(i)});
    }
    if (!parent->AddSpectralScanData(std::move(addition), false, false)) {
        state.SkipWithError("the parent's scan was not listed");
        return;
    }
    node->GetScanOptions()->SetStartFrequency(1000.0F);
    node->GetScanOptions()->SetStopFrequency(1000.0F);

    CPageSpatialScan page(*node);
    page.OnInitDialog();
    auto* list = dynamic_cast<QComboBox*>(page.GetControl(CPageSpatialScan::kPeakList));
    for (auto _ : state) {
        page.FillPeakMarkerList(1);
        benchmark::DoNotOptimize(list->currentIndex());
    }
    if (list->count() != static_cast<int>(kFrequencies) || list->currentText() != "1000.000 " ||
        list->itemText(50) != "42.500    ---  X") {
        state.SkipWithError("the list does not hold the scan's frequencies");
    }
}
BENCHMARK(BM_FillPeakMarkerList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
