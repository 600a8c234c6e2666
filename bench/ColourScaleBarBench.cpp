// The colour-scale bar is drawn again at every step of a thumb drag. Its whole redraw (bands,
// labels, arrows and thumb into the off-screen image and out) on a 33 x 1,000 bar with a
// 200-colour palette, against filling an image of that size with the same 200 bands.

#include "app/QtConversions.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/QNodeContainer.h"
#include "project/QNodeMediator.h"
#include "views/spectral/CScrollBarEx.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

namespace {

using namespace orv;

constexpr int kWidth = 33;
constexpr int kHeight = 1000;

class BenchMediator : public QNodeMediator {
public:
    BenchMediator() { SetKind(kTypePreferencesNode); }
    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    uint32_t GetDataSize() override { return 0; }
    void WriteData(QDataWriter& /*writer*/) override {}
    void ReadData(QDataReader& /*reader*/) override {}
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 1; }
    int GetSpectralDisplayUnit() const override { return 1; }
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &options; }
    QSpatialDisplayOptions options;
};

class BenchContainer : public QNodeContainer {
public:
    explicit BenchContainer(QNodeMediator& preferences) : m_preferences(preferences) {}
    QNodeMediator* GetParentMediator(QNodeMediator& /*mediator*/) override { return nullptr; }
    std::vector<QNodeMediator*> GetChildMediators(QNodeMediator& /*parent*/) override { return {}; }
    QProjectStorageManager* GetStorageManager() override { return nullptr; }
    void UpdateNodeItem(QNodeMediator& /*mediator*/, int32_t /*code*/) override {}
    void MarkModified() override {}
    void RefreshAllNodeViews() override {}
    void RebuildAllNodeViews(bool /*rebuild*/) override {}
    QNodeMediator* GetPreferencesMediator() override { return &m_preferences; }
    QNodeMediator* AddChildNode(QNodeMediator& /*parent*/, uint16_t /*kind*/) override { return nullptr; }
    bool DeleteChildNode(QNodeMediator& /*child*/) override { return false; }
    void AddSpectralScanDataToList(CSpectralScanData& /*scan*/, bool /*live*/, bool /*newEntry*/,
                                   QNodeMediator& /*mediator*/) override {}
    void AddSpatialScanDataToList(CSpatialScanData& /*scan*/, bool /*live*/, bool /*newEntry*/,
                                  QNodeMediator& /*mediator*/) override {}
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& /*scan*/, bool /*live*/,
                                          QNodeMediator& /*mediator*/) override {}
    void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& /*scan*/, bool /*live*/,
                                        QNodeMediator& /*mediator*/) override {}

private:
    QNodeMediator& m_preferences;
};

class BenchOwner : public QColourScaleOwner {
public:
    explicit BenchOwner(QNodeMediator& mediator) : m_mediator(mediator) {}
    void SetOverlayTransparency(int32_t /*position*/, bool /*fromBar*/) override {}
    QNodeMediator* GetColourScaleMediator() const override { return &m_mediator; }

private:
    QNodeMediator& m_mediator;
};

void BM_BarRedraw(benchmark::State& state) {
    BenchMediator preferences;
    BenchContainer container(preferences);
    preferences.SetContainer(&container);
    BenchOwner owner(preferences);
    QWidget parent;
    CScrollBarEx bar;
    bar.SetOwner(&owner);
    bar.SetRange(0, 100);
    bar.SetPosition(40);
    bar.SetThumbStyle(4);
    bar.SetThumbSize(1, 20);
    bar.SetTopBottom(80.0F, 10.0F);
    bar.Create(QRect(0, 0, 0, kHeight), &parent);
    bar.resize(kWidth, kHeight);
    int position = 0;
    for (auto _ : state) {
        bar.SetPosition(position);
        position = (position + 1) % 101;
        bar.Redraw();
        benchmark::DoNotOptimize(bar.GetImage().constBits());
    }
    bar.setParent(nullptr);
}
BENCHMARK(BM_BarRedraw)->Unit(benchmark::kMicrosecond);

void BM_FillBands(benchmark::State& state) {
    const QColourPalette& palette = *GetColourPaletteManager().Find(-10);
    const int n = palette.GetLastColourIndex();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        const float s = static_cast<float>(kHeight) / static_cast<float>(n);
        for (int i = 0; i < n; ++i) {
            const int top = static_cast<int>(static_cast<float>(i) * s);
            const int bottom = static_cast<int>(static_cast<float>(i + 1) * s);
            painter.fillRect(QRect(0, top, kWidth, bottom - top), ColorRefToQColor(palette.GetColour(i)));
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FillBands)->Unit(benchmark::kMicrosecond);

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
