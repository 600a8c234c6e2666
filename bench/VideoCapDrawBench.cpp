// A camera capture's Draw of an 800 x 600 frame into a 640 x 480 rectangle, copied (tint -1) and
// through a tint, against QPainter::drawImage of the same frame into the same rectangle in the same
// run. Goal: within 1.5 times the baseline for the copy and 3 times with a tint.

#include "overlay/camera/CVideoCap.h"
#include "overlay/camera/CVideoFrameSource.h"
#include "overlay/camera/CameraDevices.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace {

using namespace orv;

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;
constexpr int kTargetWidth = 640;
constexpr int kTargetHeight = 480;

// A frame with something in every channel: gradients across and down, a checker over them.
QImage BenchPicture() {
    QImage picture(kFrameWidth, kFrameHeight, QImage::Format_RGB32);
    for (int y = 0; y < kFrameHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < kFrameWidth; ++x) {
            const int checker = ((x / 40 + y / 40) % 2) * 60;
            row[x] = qRgb((x * 255 / kFrameWidth + checker) % 256, (y * 255 / kFrameHeight + checker) % 256,
                          (x + y) % 256);
        }
    }
    return picture;
}

// The bench's camera: delivers the picture once as it starts.
class StillSource final : public CVideoFrameSource {
public:
    void Start(int32_t /*deviceIndex*/, QVideoSink& sink, VideoSourceEvents events) override {
        const QImage picture = BenchPicture();
        QVideoFrame frame(QVideoFrameFormat(picture.size(), QVideoFrameFormat::Format_BGRX8888));
        frame.map(QVideoFrame::WriteOnly);
        for (int y = 0; y < picture.height(); ++y) {
            std::memcpy(frame.bits(0) + static_cast<ptrdiff_t>(y) * frame.bytesPerLine(0),
                        picture.constScanLine(y), static_cast<size_t>(picture.width()) * 4U);
        }
        frame.unmap();
        events.m_opened();
        sink.setVideoFrame(frame);
    }
};

struct Bench {
    Bench() {
        InstallCameraDeviceLister([] {
            return std::vector<CameraDevice>{{"bench", QStringLiteral("Bench")}};
        });
        InstallVideoFrameSourceMaker([] { return std::make_unique<StillSource>(); });
        capture = AcquireVideoCap("bench");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (capture->GetState() != CVideoCap::kFrame && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        capture->GetFrame(frame);
        target.fill(Qt::black);
    }
    ~Bench() {
        capture.reset();
        JoinCameraReleaseThreads();
    }
    std::shared_ptr<CVideoCap> capture;
    QImage frame;
    QImage target{kTargetWidth, kTargetHeight, QImage::Format_ARGB32_Premultiplied};
};

Bench* g_bench = nullptr;

void Report(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kTargetWidth * kTargetHeight);
}

void BM_DrawImageBaseline(benchmark::State& state) {
    QPainter painter(&g_bench->target);
    for (auto _ : state) {
        painter.drawImage(QRect(0, 0, kTargetWidth, kTargetHeight), g_bench->frame,
                          QRect(0, 0, kFrameWidth, kFrameHeight));
    }
    Report(state);
}
BENCHMARK(BM_DrawImageBaseline)->Unit(benchmark::kMillisecond);

void BM_VideoCapDrawCopy(benchmark::State& state) {
    if (g_bench->capture->GetState() != CVideoCap::kFrame) {
        state.SkipWithError("no frame");
        return;
    }
    QPainter painter(&g_bench->target);
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_bench->capture->Draw(painter, 0, 0, kTargetWidth, kTargetHeight, 0.0F,
                                                        0.0F, 1.0F, 1.0F, CVideoCap::kNoTint));
    }
    Report(state);
}
BENCHMARK(BM_VideoCapDrawCopy)->Unit(benchmark::kMillisecond);

void BM_VideoCapDrawTinted(benchmark::State& state) {
    if (g_bench->capture->GetState() != CVideoCap::kFrame) {
        state.SkipWithError("no frame");
        return;
    }
    QPainter painter(&g_bench->target);
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_bench->capture->Draw(painter, 0, 0, kTargetWidth, kTargetHeight, 0.0F,
                                                        0.0F, 1.0F, 1.0F, 0xBF80C0FFU));
    }
    Report(state);
}
BENCHMARK(BM_VideoCapDrawTinted)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    {
        Bench bench;
        g_bench = &bench;
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        g_bench = nullptr;
    }
    return 0;
}
