// The 3D view's frame with Mesa's software renderer, on an X server of its own (run under
// xvfb-run with QT_QPA_PLATFORM=xcb and LIBGL_ALWAYS_SOFTWARE=1), for two surfaces:
// - a 10 x 10 grid at 20 pixels a cell: a 200 x 200 pixel area, 203 x 203 vertices;
// - the full 29 x 42 grid in a 1600 x 1000 map area (31 pixels a cell, about 1.2 million vertices).
// Each against baselines in the same run: the vertex buffer's build alone (goal: at most a quarter
// of the frame), and a frame of a plain GL view of the same size drawing the same quads from a
// prepared array (goal: the whole frame at most twice it). Frames are timed to glFinish.

#include "bench/support/OffscreenViewBench.h"
#include "bench/support/SpatialBenchFrame.h"
#include "bench/support/ViewBenchMediator.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/QProjectWindow.h"
#include "project/QViewFactory.h"
#include "scandata/CSpatialScanData.h"
#include "views/spatial/C3DSpatialView.h"
#include "views/spatial/CSpatialView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWindow>

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace orv;

class BenchMediator : public orv::bench::ViewBenchMediator {
public:
    BenchMediator() : ViewBenchMediator(kTypeSpatialScanNode) { options.SetPaletteId(-10); }
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &options; }
    QSpatialDisplayOptions options;
};

// The same quads as the 3D view's surface, four corners of position and colour each, drawn with the
// 3D view's projection and centring and nothing else.
class PreparedQuadsView : public CGLEnabledView {
public:
    struct Corner {
        std::array<float, 3> position;
        std::array<float, 4> colour;
    };
    void DrawScene() override {
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glTranslatef(shift[0], shift[1], shift[2]);
        for (size_t i = 0; i + 3 < corners.size(); i += 4) {
            glBegin(GL_POLYGON);
            for (size_t k = i; k < i + 4; ++k) {
                glColor4fv(corners[k].colour.data());
                glVertex3fv(corners[k].position.data());
            }
            glEnd();
        }
        glPopMatrix();
    }
    std::vector<Corner> corners;
    std::array<float, 3> shift{};
};

void WaitExposed(QWidget& widget) {
    for (int i = 0; i < 200 && (widget.windowHandle() == nullptr || !widget.windowHandle()->isExposed());
         ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QApplication::processEvents();
}

// One node, its spatial view showing a grid in 3D, and the baseline view of the same size.
struct Surface3D {
    MessageThread& thread;
    orv::bench::SpatialBenchFactory factory{thread};
    BenchMediator mediator;
    CSpatialView* view = nullptr;
    C3DSpatialView* view3D = nullptr;
    PreparedQuadsView baseline;

    Surface3D(MessageThread& owner, int rows, int columns, QSize mapArea) : thread(owner) {
        factory.client = QSize(mapArea.width() + 38, mapArea.height() + 90 + 45);
        bool created = false;
        mediator.SetViewFactory(&factory);
        mediator.OpenView(kTypeSpatialScanNode, created, true);
        view = factory.last->view.get();
        WaitExposed(*view);
        QSpatialScanAddition grid;
        grid.m_Record.m_ScanId = 1;
        grid.m_Record.m_Rows = static_cast<uint16_t>(rows);
        grid.m_Record.m_Columns = static_cast<uint16_t>(columns);
        for (int i = 0; i < rows * columns; ++i) {
            grid.m_Values.push_back(static_cast<int16_t>(100 + (i * 37) % 700));
        }
        mediator.AddSpatialScanData(std::move(grid), false, false);
        mediator.ShowScanData(1);
        orv::bench::DrainMessages(thread);
        view->Show3DView(true);
        view->RedrawView(nullptr, CSpatialView::kRedrawMap);
        orv::bench::DrainMessages(thread);
        QApplication::processEvents();
        view3D = view->Get3DView();
        view3D->RenderFrame();

        // The baseline: the surface's quads as the frame drew them.
        const C3DSurface& surface = view3D->GetSurface();
        const int32_t highest = surface.HighestIndex();
        const QColourPalette* palette = GetColourPaletteManager().Find(-10);
        surface.ForEachQuad([&](const auto&... corner) {
            for (const C3DSurfaceVertex* v : {&corner...}) {
                const int32_t index = std::min(v->index, highest);
                baseline.corners.push_back(
                    {{v->x, v->y, v->z},
                     {palette->GetRed(index) / 255.0F, palette->GetGreen(index) / 255.0F,
                      palette->GetBlue(index) / 255.0F, C3DSpatialView::kSurfaceAlpha}});
            }
        });
        const float s = C3DSurface::CellSceneSize(columns, rows);
        baseline.shift = {-(columns - 1) * s / 2.0F, -(rows - 1) * s / 2.0F, -0.5F};
        baseline.resize(view3D->size());
        baseline.show();
        WaitExposed(baseline);
        baseline.RenderFrame();
    }

    size_t Quads() const { return baseline.corners.size() / 4; }
};

struct Bench {
    MessageThread thread;
    std::unique_ptr<Surface3D> small;
    std::unique_ptr<Surface3D> full;
    Bench() {
        small = std::make_unique<Surface3D>(thread, 10, 10, QSize(280, 280));
        full = std::make_unique<Surface3D>(thread, 29, 42, QSize(1600, 1000));
    }
};

Bench* g_bench = nullptr;

Surface3D& Pick(const benchmark::State& state) {
    return state.range(0) == 0 ? *g_bench->small : *g_bench->full;
}

void Describe(benchmark::State& state, const Surface3D& surface) {
    const C3DSurface& built = surface.view3D->GetSurface();
    state.counters["vertices"] = static_cast<double>(built.Vertices().size());
    state.counters["quads"] = static_cast<double>(surface.Quads());
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(state.range(0) == 0 ? "200x200 pixel area" : "29x42 grid, 1600x1000 map area");
}

void BM_Frame3D(benchmark::State& state) {
    Surface3D& surface = Pick(state);
    for (auto _ : state) {
        surface.view3D->RenderFrame();
        surface.view3D->FinishRendering();
    }
    Describe(state, surface);
}
BENCHMARK(BM_Frame3D)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: the vertex buffer's build alone (goal: at most a quarter of the frame).
void BM_SurfaceBuild(benchmark::State& state) {
    Surface3D& surface = Pick(state);
    for (auto _ : state) {
        surface.view3D->BuildSurface();
        benchmark::DoNotOptimize(surface.view3D->GetSurface().Vertices().data());
    }
    Describe(state, surface);
}
BENCHMARK(BM_SurfaceBuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: the same quads from a prepared array in a plain GL view (goal: the frame at most twice it).
void BM_PreparedQuadsFrame(benchmark::State& state) {
    Surface3D& surface = Pick(state);
    for (auto _ : state) {
        surface.baseline.RenderFrame();
        surface.baseline.FinishRendering();
    }
    Describe(state, surface);
}
BENCHMARK(BM_PreparedQuadsFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The two ratios of the goals, from a few frames of each kind timed back to back.
void PrintRatios() {
    using Clock = std::chrono::steady_clock;
    auto time = [](const auto& work, int count) {
        work();
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            work();
        }
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / count;
    };
    for (Surface3D* surface : {g_bench->small.get(), g_bench->full.get()}) {
        const int count = surface == g_bench->small.get() ? 50 : 5;
        const double frame = time(
            [&] {
                surface->view3D->RenderFrame();
                surface->view3D->FinishRendering();
            },
            count);
        const double build = time([&] { surface->view3D->BuildSurface(); }, count);
        const double prepared = time(
            [&] {
                surface->baseline.RenderFrame();
                surface->baseline.FinishRendering();
            },
            count);
        std::printf("%s: frame %.2f ms (%.1f fps), build %.2f ms = %.3f of the frame (goal <= 0.25), "
                    "prepared quads %.2f ms, frame / prepared = %.2f (goal <= 2)\n",
                    surface == g_bench->small.get() ? "200x200 pixel area" : "29x42 grid at 1600x1000", frame,
                    1000.0 / frame, build, build / frame, prepared, frame / prepared);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    if (!CGLEnabledView::IsOpenGLAvailable()) {
        std::fprintf(stderr, "no OpenGL here: run under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1\n");
        return 1;
    }
    Bench bench;
    g_bench = &bench;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    PrintRatios();
    benchmark::Shutdown();
    g_bench = nullptr;
    return 0;
}
