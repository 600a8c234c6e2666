// The spectral plot under load: RenderPlot of a loaded 100,000-point spectrum into a 1600 x 900
// bitmap, against the baseline of a min/max-decimated QPainter polyline of the same points at the
// same size; and the reload, whose copy of the points is what the scan worker waits for (the lock is
// held for the whole copy and for nothing else).
// The hover read-out: one pointer move over 100,001 visible points in a 1600-pixel axis box (the
// hover search, the read-out and the repaint of the cached plot), against the repaint alone; and the
// nearest-point search of a click against one linear pass over the draw points.
// The report picture of a 100,001-point scan (the 600 x 300 plot copy under its header, handed to the
// report picture holder) against RenderPlot of the same scan into a 600 x 300 bitmap.

#include "app/CReportPictureHolder.h"
#include "bench/support/OffscreenViewBench.h"
#include "bench/support/ViewBenchMediator.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "scandata/CSpectralScanData.h"
#include "views/spectral/CSpectralView.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 900;
constexpr uint32_t kPoints = 100000;
constexpr uint32_t kHoverPoints = 100001;
constexpr int kHoverAxisWidth = 1600;

// A comparison node holding the scan as its test scan: the view's comparison tab 0 draws it.
class BenchMediator : public orv::bench::ViewBenchMediator {
public:
    BenchMediator() : ViewBenchMediator(orv::kTypeSpectralComparisonNode) {}
    orv::QSpectralDisplayOptions* GetSpectralDisplayOptions() override { return &options; }
    orv::QSpectralDisplayOptions options;
};

// A comparison view showing a scan of `count` points as its test scan in a plot `width` wide.
std::unique_ptr<orv::CSpectralView> MakeView(orv::MessageThread& thread, BenchMediator& mediator,
                                             uint32_t count, int width) {
    auto scan = std::make_unique<orv::CSpectralScanData>();
    scan->m_Mediator = &mediator;
    scan->m_StartFrequency = 10.0F;
    scan->m_StopFrequency = 1000.0F;
    std::vector<orv::QSpectralPoint> points(count);
    for (uint32_t i = 0; i < count; ++i) {
        points[i].m_Amplitude = static_cast<int16_t>(200 + (i * 7919U) % 600U - (i % 13U) * 10U);
    }
    scan->SetMirtPoints(std::move(points));
    mediator.SetComparedScan(false, std::move(scan));
    auto view = std::make_unique<orv::CSpectralView>(thread);
    view->SetNodeKind(orv::kTypeSpectralComparisonNode);
    view->SetMediator(&mediator);
    view->SetReady(true);
    // A bitmap of `width` x 900 below the 90-pixel header and above the 45-pixel panel.
    view->resize(width, kHeight + 90 + 45);
    view->show();
    view->OnInitialUpdate();
    view->GetMessageTarget().Post(orv::NodeMessage::kRefreshSpectralComparison);
    return view;
}

struct Bench {
    orv::MessageThread thread;
    BenchMediator mediator;
    BenchMediator hoverMediator;
    BenchMediator reportMediator;
    std::unique_ptr<orv::CSpectralView> view;
    std::unique_ptr<orv::CSpectralView> hoverView;
    // Its plot bitmap is the report's 600 x 300.
    std::unique_ptr<orv::CSpectralView> reportView;

    Bench() {
        view = MakeView(thread, mediator, kPoints, kWidth);
        // The axis box is the bitmap less the 65 + 35 pixels of margin.
        hoverView = MakeView(thread, hoverMediator, kHoverPoints, kHoverAxisWidth + 65 + 35);
        reportView = MakeView(thread, reportMediator, kHoverPoints, orv::CSpectralView::kCopyWidth);
        reportView->resize(orv::CSpectralView::kCopyWidth, orv::CSpectralView::kCopyHeight + 90 + 45);
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

// A pointer move to an x inside the plot, then the repaint it asks for.
void MovePointer(orv::CSpectralView& view, int x) {
    const QPoint at(x, 90 + 37 + 200);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(view.viewport()->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &move);
}

// The x positions a sweep of the pointer goes through: every seventh pixel of the axis box.
int SweepX(int64_t step) {
    return 66 + static_cast<int>((step * 7) % kHoverAxisWidth);
}

// The repaint: the viewport's paint event into an image of its size (a window surface of its own).
void Repaint(orv::CSpectralView& view, QImage& surface) {
    view.viewport()->render(&surface);
    benchmark::DoNotOptimize(surface.constBits());
}

void BM_PointerMoveWithReadout(benchmark::State& state) {
    orv::CSpectralView& view = *g_bench->hoverView;
    QImage surface(view.viewport()->size(), QImage::Format_RGB32);
    int64_t step = 0;
    for (auto _ : state) {
        MovePointer(view, SweepX(step++));
        Repaint(view, surface);
    }
    state.counters["points"] = static_cast<double>(view.GetTrace()->m_Count);
    state.counters["readouts"] = view.GetReadout().shown ? 1 : 0;
}
BENCHMARK(BM_PointerMoveWithReadout)->Unit(benchmark::kMicrosecond);

// Baseline: the repaint of the cached plot alone.
void BM_RepaintCachedPlot(benchmark::State& state) {
    orv::CSpectralView& view = *g_bench->hoverView;
    QImage surface(view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        Repaint(view, surface);
    }
}
BENCHMARK(BM_RepaintCachedPlot)->Unit(benchmark::kMicrosecond);

void BM_FindNearestPointByX(benchmark::State& state) {
    orv::CSpectralView& view = *g_bench->hoverView;
    int64_t step = 0;
    int32_t index = -1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(view.FindNearestPointByX(SweepX(step++), index));
        benchmark::DoNotOptimize(index);
    }
}
BENCHMARK(BM_FindNearestPointByX)->Unit(benchmark::kMicrosecond);

// Baseline: one pass over the draw points' x positions.
void BM_LinearPassBaseline(benchmark::State& state) {
    const orv::CSpectralDrawPoint& trace = *g_bench->hoverView->GetTrace();
    int64_t step = 0;
    for (auto _ : state) {
        const int x = SweepX(step++);
        int64_t sum = 0;
        for (int32_t j = 0; j < trace.m_Count; ++j) {
            sum += trace.m_Positions[static_cast<size_t>(j)].x() - x;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_LinearPassBaseline)->Unit(benchmark::kMicrosecond);

void BM_ReportPicture(benchmark::State& state) {
    orv::CSpectralView& view = *g_bench->reportView;
    for (auto _ : state) {
        view.CopyImageToClipboard(0);
        benchmark::DoNotOptimize(orv::CReportPictureHolder::Instance().Peek().image.constBits());
    }
    state.counters["points"] = static_cast<double>(view.GetPoints().size());
    orv::CReportPictureHolder::Instance().Clear();
}
BENCHMARK(BM_ReportPicture)->Unit(benchmark::kMillisecond);

// Baseline: RenderPlot of the same scan into the view's own 600 x 300 bitmap.
void BM_RenderPlot600x300Baseline(benchmark::State& state) {
    orv::CSpectralView& view = *g_bench->reportView;
    const QSize size = view.GetPlotImage().size();
    QImage image(size, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        view.RenderPlot(painter, false);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}
BENCHMARK(BM_RenderPlot600x300Baseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return orv::bench::RunOffscreenViewBenchmarks(argc, argv, g_bench);
}
