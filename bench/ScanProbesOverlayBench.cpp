// The scan probes page's camera preview and board drawing, in a real project window:
// - one preview render: a 1280 x 720 camera frame drawn into the 640 x 440 grid picture (as the
//   capture draws it, unscaled source copied without smoothing), the tracked cell's white wash, the
//   cells and the lines. Goal: under 10 ms (the refresh runs every 66 ms).
// - a forced RenderOverlayBitmap of the largest gerbv example (hellboard's front copper) placed over
//   the whole grid. Goal: under 100 ms.
// Each reports the bytes allocated per run.

#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "bench/support/AllocationCounter.h"
#include "core/QDataWriter.h"
#include "core/QOverlayOptions.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/TypeIds.h"
#include "core/drawing/DrawingRecords.h"
#include "dialogs/CPageScanProbes.h"
#include "dialogs/ProbeGridLayers.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/ImportSource.h"
#include "project/COverlayControl.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "tests/app/support/ProjectWindowSupport.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QPainter>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace orv;
using Page = CPageScanProbes;

constexpr const char* kLargestGerber = "/usr/share/doc/gerbv/examples/hellboard/hellboard.front.gbr";

// A camera showing a 1280 x 720 frame with the probe tracked near the middle.
class FrameCamera final : public CProbeCameraLayer {
public:
    FrameCamera() : m_frame(1280, 720, QImage::Format_BGR888) {
        for (int y = 0; y < m_frame.height(); ++y) {
            uchar* line = m_frame.scanLine(y);
            for (int x = 0; x < m_frame.width() * 3; ++x) {
                line[x] = static_cast<uchar>((x + y) & 0xFF);
            }
        }
    }
    bool IsTracking() const override { return true; }
    bool DrawPreview(QPainter& painter, const QRect& area) override {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(area, m_frame);
        painter.restore();
        return true;
    }
    std::optional<QPointF> GetMarkerFraction() const override { return QPointF(0.45, 0.55); }

private:
    QImage m_frame;
};

// A project window with nodes, as the program has it.
struct ProjectBench {
    ProjectBench()
        : sandbox("ScanProbesOverlayBench"),
          projects(frame, projectList, sandbox.StorageFactory(frame, GetUiMessageThread()),
                   sandbox.Maker(frame, GetUiMessageThread())),
          windows(area, projects) {
        area.resize(1400, 1000);
        area.show();
        child = windows.NewDocument();
        QElapsedTimer waited;
        waited.start();
        while (child->GetView()->IsBuildPending() && waited.elapsed() < 10000) {
            QApplication::processEvents();
            GetUiMessageThread().Pump();
        }
    }
    TfrmMainApp& Project() { return *projects.FindProjectById(child->GetProjectId()); }
    QNodeMediator* AddNode(uint16_t kind) {
        CViewTreeWidget& tree = *child->GetProjectPane()->GetTree();
        return Project().GetOpenProject()->AddNode(tree.GetRootItem(), CViewTree::kLast, kind);
    }

    testing::ProjectSandbox sandbox;
    testing::TestMainFrame frame;
    std::vector<std::unique_ptr<TfrmMainApp>> projectList;
    QMdiArea area;
    CProjectArray projects;
    CProjectWindows windows;
    CChildFrame* child = nullptr;
};

ProjectBench* g_bench = nullptr;

// The drawing as the project keeps it: its records.
std::vector<uint8_t> DrawingRecords(const DrawBase_t* head) {
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, head);
    std::vector<uint8_t> out(counter.m_count);
    QCharArrayDataWriter writer(out.data(), counter.m_count);
    WriteOverlayDrawingRecords(writer, head);
    return out;
}

void BM_CameraPreviewRender(benchmark::State& state) {
    QNodeMediator* node = g_bench->AddNode(kTypeHandHeldProbeScanNode);
    if (node == nullptr) {
        state.SkipWithError("no hand-held probe node");
        return;
    }
    // Every other cell on: the cells are drawn over the picture.
    QProbeScanPattern cells(29, 42, 0, 40);
    for (int row = 0; row < Page::kRows; ++row) {
        for (int column = row % 2; column < Page::kColumns; column += 2) {
            cells.SetProbeAndHeightAt(row, column, 1, 40);
        }
    }
    node->GetSecondProbePatternOptions()->SetPattern(cells);
    Page page(*node, kTypeHandHeldProbeScanNode);
    page.OnInitDialog();
    FrameCamera camera;
    page.SetCameraLayer(&camera);
    const uint64_t before = bench::AllocatedBytes();
    for (auto _ : state) {
        page.RenderGrid(false);
        benchmark::DoNotOptimize(page.GetGridImage().constBits());
    }
    state.counters["bytes_per_render"] =
        static_cast<double>(bench::AllocatedBytes() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CameraPreviewRender)->Unit(benchmark::kMillisecond);

void BM_RenderLargestGerberBitmap(benchmark::State& state) {
    if (!std::filesystem::exists(kLargestGerber)) {
        state.SkipWithError("gerbv's examples are not installed");
        return;
    }
    std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(kLargestGerber);
    const DrawList drawing = source != nullptr ? GerberConvert(*source) : DrawList();
    QNodeMediator* node = g_bench->AddNode(kTypeSpatialScanNode);
    if (drawing.IsEmpty() || node == nullptr) {
        state.SkipWithError("the board did not import");
        return;
    }
    constexpr uint32_t kId = 77;
    if (!g_bench->Project().AddPcbOverlayControl(DrawingRecords(drawing.Head()), kId, 1, true)) {
        state.SkipWithError("the board did not join the project");
        return;
    }
    COverlayControl* control = g_bench->Project().FindOverlayControl(kId);
    if (control == nullptr || control->GetDrawList() == nullptr) {
        state.SkipWithError("no drawing");
        return;
    }
    // The board over the whole grid: its extent spans the grid's drawing units.
    QOverlayOptions& options = *node->GetOverlayOptions();
    options.m_overlayId = static_cast<int32_t>(kId);
    options.m_sourceKind = QOverlayOptions::kSourceDrawing;
    options.m_placement = {0, 0, 2992, 2395};
    Page page(*node, kTypeSpatialScanNode);
    page.OnInitDialog();
    if (page.GetOverlayBitmap().isNull()) {
        state.SkipWithError("no bitmap rendered");
        return;
    }
    const uint64_t before = bench::AllocatedBytes();
    for (auto _ : state) {
        page.RenderOverlayBitmap(true);
        benchmark::DoNotOptimize(page.GetOverlayBitmap().constBits());
    }
    state.counters["bytes_per_render"] =
        static_cast<double>(bench::AllocatedBytes() - before) / static_cast<double>(state.iterations());
    state.counters["bitmap_bytes"] = static_cast<double>(page.GetOverlayBitmap().sizeInBytes());
}
BENCHMARK(BM_RenderLargestGerberBitmap)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    {
        ProjectBench bench;
        g_bench = &bench;
        benchmark::RunSpecifiedBenchmarks();
        g_bench = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
