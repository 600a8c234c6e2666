// The spectral plot under load: RenderPlot of a loaded 100,000-point spectrum into a 1600 x 900
// bitmap, against the baseline of a min/max-decimated QPainter polyline of the same points at the
// same size; and the reload, whose copy of the points is what the scan worker waits for (the lock is
// held for the whole copy and for nothing else).

#include "bench/support/OffscreenViewBench.h"
#include "bench/support/ViewBenchMediator.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "scandata/CSpectralScanData.h"
#include "views/spectral/CSpectralView.h"

#include <benchmark/benchmark.h>

#include <QPainter>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 900;
constexpr uint32_t kPoints = 100000;

// A comparison node holding the scan as its test scan: the view's comparison tab 0 draws it.
class BenchMediator : public orv::bench::ViewBenchMediator {
public:
    BenchMediator() : ViewBenchMediator(orv::kTypeSpectralComparisonNode) {}
    orv::QSpectralDisplayOptions* GetSpectralDisplayOptions() override { return &options; }
    orv::QSpectralDisplayOptions options;
};

struct Bench {
    orv::MessageThread thread;
    BenchMediator mediator;
    std::unique_ptr<orv::CSpectralView> view;

    Bench() {
        auto scan = std::make_unique<orv::CSpectralScanData>();
        scan->m_Mediator = &mediator;
        scan->m_StartFrequency = 10.0F;
        scan->m_StopFrequency = 1000.0F;
        std::vector<orv::QSpectralPoint> points(kPoints);
        for (uint32_t i = 0; i < kPoints; ++i) {
            points[i].m_Amplitude = static_cast<int16_t>(200 + (i * 7919U) % 600U - (i % 13U) * 10U);
        }
        scan->SetMirtPoints(std::move(points));
        mediator.SetComparedScan(false, std::move(scan));
        view = std::make_unique<orv::CSpectralView>(thread);
        view->SetNodeKind(orv::kTypeSpectralComparisonNode);
        view->SetMediator(&mediator);
        view->SetReady(true);
        // A bitmap of 1600 x 900 below the 90-pixel header and above the 45-pixel panel.
        view->resize(kWidth, kHeight + 90 + 45);
        view->show();
        view->OnInitialUpdate();
        view->GetMessageTarget().Post(orv::NodeMessage::kRefreshSpectralComparison);
        Drain();
    }
    void Drain() { orv::bench::DrainMessages(thread); }
};

Bench* g_bench = nullptr;

void BM_RenderPlot(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        g_bench->view->RenderPlot(painter, false);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points"] = static_cast<double>(g_bench->view->GetTrace()->m_Count);
}
BENCHMARK(BM_RenderPlot)->Unit(benchmark::kMillisecond);

// Baseline: the same points mapped to the same axis box and drawn as a per-column min/max polyline.
void BM_DecimatedPolylineBaseline(benchmark::State& state) {
    const std::vector<orv::TracePoint>& points = g_bench->view->GetPoints();
    const QRect box = g_bench->view->GetAxisBox();
    const float first = points.front().m_Frequency;
    const float span = points.back().m_Frequency - first;
    float low = points.front().m_Amplitude;
    float high = low;
    for (const orv::TracePoint& point : points) {
        low = std::min(low, point.m_Amplitude);
        high = std::max(high, point.m_Amplitude);
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    std::vector<QPoint> line;
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(0, 0, kWidth, kHeight, Qt::white);
        line.clear();
        int column = -1;
        int top = 0;
        int bottom = 0;
        for (const orv::TracePoint& point : points) {
            const int x = box.left() + 1 + static_cast<int>((point.m_Frequency - first) * box.width() / span);
            const int y =
                box.top() + static_cast<int>((high - point.m_Amplitude) / (high - low) * box.height());
            if (x != column) {
                if (column >= 0) {
                    line.emplace_back(column, top);
                    line.emplace_back(column, bottom);
                }
                column = x;
                top = y;
                bottom = y;
            } else {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        line.emplace_back(column, top);
        line.emplace_back(column, bottom);
        painter.setPen(QColor(0, 0, 190));
        painter.drawPolyline(line.data(), static_cast<int>(line.size()));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DecimatedPolylineBaseline)->Unit(benchmark::kMillisecond);

// A reload: the copy of every point with its conversion, all of it under the lock; so this is also
// the time the scan worker can be held up by the view.
void BM_ReloadPoints(benchmark::State& state) {
    bool needsData = false;
    for (auto _ : state) {
        g_bench->view->RequestReload();
        benchmark::DoNotOptimize(g_bench->view->LoadTraceData(true, needsData));
    }
}
BENCHMARK(BM_ReloadPoints)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return orv::bench::RunOffscreenViewBenchmarks(argc, argv, g_bench);
}
