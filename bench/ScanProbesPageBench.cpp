// The scan probes page's grid, each against a baseline in the same run:
// - the picture of the 29 x 42 cells rendered with the robot arm's height greens (half the cells on
//   at heights across the arm's range, the reach of the others from an attached arm's tables),
//   against filling the picture white alone;
// - the hit test of every pixel of the picture and of a 3-pixel ring outside it, against a linear
//   search of the cells for the same points.

#include "analyzers/CInstrumentInfo.h"
#include "bench/support/OffscreenViewBench.h"
#include "bench/support/ViewBenchMediator.h"
#include "core/QAttachedScannerSource.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CPageScanProbes.h"

#include <benchmark/benchmark.h>

#include <QPainter>

#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace orv;
using Page = CPageScanProbes;

// An arm whose reach falls from 200 mm at the first row to 60 mm at the last, and which cannot
// reach the last row's first five cells.
class BenchArm final : public QAttachedScannerSource {
public:
    std::optional<int32_t> GetAttachedScannerId() const override { return QScannerContext::kArmScannerId; }
    std::optional<float> GetArmDefaultProbeHeight() const override { return 110.0F; }
    std::optional<int32_t> GetArmMaxHeightForCell(int32_t row, int32_t /*column*/) const override {
        return 200 - (row * 5);
    }
    std::optional<int32_t> GetArmStoredHeightForCell(int32_t row, int32_t column) const override {
        return row == Page::kRows - 1 && column < 5 ? 0 : 1;
    }
    std::optional<bool> GetAdapterSupportsMotors() const override { return std::nullopt; }
};

class BenchMediator : public orv::bench::ViewBenchMediator {
public:
    BenchMediator() : ViewBenchMediator(kTypeSpatialScanNode) {}
    QProbeScanPatternOptions* GetSecondProbePatternOptions() override { return &pattern; }
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &display; }
    QProbeScanPatternOptions pattern{0, 29, 42};
    QSpatialDisplayOptions display;
};

struct Bench {
    Bench() {
        SetAttachedScannerSource(std::make_shared<BenchArm>());
        GetInstrumentInfo().SetProbeType(eProbeType::RobotArm);
        GetScannerContext().SetScannerId(QScannerContext::kArmScannerId);
        QProbeScanPattern cells(29, 42, 0, 0);
        for (int row = 0; row < Page::kRows; ++row) {
            for (int column = 0; column < Page::kColumns; column += 2) {
                cells.SetProbeAndHeightAt(row, column, 1,
                                          static_cast<uint16_t>(40 + ((row * 7 + column) % 150)));
            }
        }
        mediator.pattern.SetPattern(cells);
        page = std::make_unique<Page>(mediator, kTypeSpatialScanNode);
        page->CreatePageWindow();
        const QRect grid = page->GetGridRect().adjusted(-3, -3, 3, 3);
        for (int y = grid.top(); y <= grid.bottom(); ++y) {
            for (int x = grid.left(); x <= grid.right(); ++x) {
                points.emplace_back(x, y);
            }
        }
    }
    ~Bench() {
        page.reset();
        SetAttachedScannerSource(nullptr);
        GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
    }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    BenchMediator mediator;
    std::unique_ptr<Page> page;
    std::vector<QPoint> points;
};

Bench* g_bench = nullptr;

void BM_RenderGridWithArmColours(benchmark::State& state) {
    Page& page = *g_bench->page;
    if (!page.IsArmPresent()) {
        state.SkipWithError("no arm colours without the arm");
        return;
    }
    for (auto _ : state) {
        page.RenderGrid(false);
        benchmark::DoNotOptimize(page.GetGridImage().constBits());
    }
}
BENCHMARK(BM_RenderGridWithArmColours)->Unit(benchmark::kMillisecond);

void BM_FillPictureWhiteBaseline(benchmark::State& state) {
    QImage picture(Page::kPictureWidth, Page::kPictureHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&picture);
        painter.fillRect(picture.rect(), Qt::white);
        painter.end();
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_FillPictureWhiteBaseline)->Unit(benchmark::kMillisecond);

void BM_HitTestEveryPixel(benchmark::State& state) {
    const Page& page = *g_bench->page;
    int found = 0;
    for (auto _ : state) {
        for (const QPoint& point : g_bench->points) {
            int row = 0;
            int column = 0;
            found += page.HitTestCell(point, row, column) ? row + column : 0;
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["per_point"] =
        benchmark::Counter(static_cast<double>(g_bench->points.size()),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HitTestEveryPixel)->Unit(benchmark::kMillisecond);

void BM_LinearSearchEveryPixelBaseline(benchmark::State& state) {
    const Page& page = *g_bench->page;
    int found = 0;
    for (auto _ : state) {
        for (const QPoint& point : g_bench->points) {
            for (int row = 0; row < Page::kRows; ++row) {
                bool hit = false;
                for (int column = 0; column < Page::kColumns && !hit; ++column) {
                    hit = page.GetCell(row, column).Contains(point.x(), point.y());
                    found += hit ? row + column : 0;
                }
                if (hit) {
                    break;
                }
            }
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["per_point"] =
        benchmark::Counter(static_cast<double>(g_bench->points.size()),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LinearSearchEveryPixelBaseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return orv::bench::RunOffscreenViewBenchmarks(argc, argv, g_bench);
}
