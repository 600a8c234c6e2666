// The spectral plot under load: RenderPlot of a loaded 100,000-point spectrum into a 1600 x 900
// bitmap, against the baseline of a min/max-decimated QPainter polyline of the same points at the
// same size; and the reload, whose copy of the points is what the scan worker waits for (the lock is
// held for the whole copy and for nothing else).
// The hover read-out: one pointer move over 100,001 visible points in a 1600-pixel axis box (the
// hover search, the read-out and the repaint of the cached plot), against the repaint alone; and the
// nearest-point search of a click against one linear pass over the draw points.
// The report picture of a 100,001-point scan (the 600 x 300 plot copy under its header, handed to the
// report picture holder) against RenderPlot of the same scan into a 600 x 300 bitmap.
// The overlay of two 100,001-point scans (10-1000 MHz and 20-1010 MHz, the same step): the overlay
// result built anew, both traces taken over the common range and drawn into a 1600 x 900 bitmap,
// against RenderPlot of one 100,001-point scan at the same size.
// The composite spectrum of a spectral/spatial scan of 1,218 cells of 4,001 points (plain, and
// interleaved with one level): a full rebuild by the spectral/spatial pane against one pass taking
// the point-wise maximum of the same cells; and the data lock the rebuild takes, counted and timed.
// The scripting view's joined trace of 10 script segments of 1,218 cells of 4,001 points each (the
// maximum over the cells of each segment, joined in tree order) against one pass taking the
// point-wise maximum of the same cells.

#include "app/CReportPictureHolder.h"
#include "app/panes/CViewTreeWidget.h"
#include "bench/support/OffscreenViewBench.h"
#include "bench/support/ViewBenchMediator.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "project/QScanDataRecord.h"
#include "project/QViewFactory.h"
#include "project/QViewFrame.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QCompositeSpectra.h"
#include "views/spectral/CSpectralOverlayView.h"
#include "views/spectral/CSpectralSSView.h"
#include "views/spectral/CSpectralSpatialScriptingView.h"
#include "views/spectral/CSpectralView.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 900;
constexpr uint32_t kPoints = 100000;
constexpr uint32_t kHoverPoints = 100001;
constexpr int kHoverAxisWidth = 1600;
constexpr uint32_t kOverlayPoints = 100001;

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

class OverlayMediator : public orv::bench::ViewBenchMediator {
public:
    OverlayMediator() : ViewBenchMediator(orv::kTypeSpectralOverlayNode) {}
    orv::QSpectralDisplayOptions* GetSpectralDisplayOptions() override { return &options; }
    orv::QSpectralDisplayOptions options;
};

std::unique_ptr<orv::CSpectralScanData> OverlayScan(OverlayMediator& mediator, float start, float stop,
                                                    uint32_t salt) {
    auto scan = std::make_unique<orv::CSpectralScanData>();
    scan->m_Mediator = &mediator;
    scan->m_StartFrequency = start;
    scan->m_StopFrequency = stop;
    std::vector<orv::QSpectralPoint> points(kOverlayPoints);
    for (uint32_t i = 0; i < kOverlayPoints; ++i) {
        points[i].m_Amplitude = static_cast<int16_t>(200 + (i * 7919U + salt) % 600U - (i % 13U) * 10U);
    }
    scan->SetMirtPoints(std::move(points));
    return scan;
}

// An overlay view on its tab of both scans, its plot bitmap 1600 x 900.
std::unique_ptr<orv::CSpectralOverlayView> MakeOverlayView(orv::MessageThread& thread,
                                                           OverlayMediator& mediator) {
    mediator.SetComparedScan(false, OverlayScan(mediator, 10.0F, 1000.0F, 0));
    mediator.SetComparedScan(true, OverlayScan(mediator, 20.0F, 1010.0F, 311));
    auto view = std::make_unique<orv::CSpectralOverlayView>(thread);
    view->SetNodeKind(orv::kTypeSpectralOverlayNode);
    view->SetMediator(&mediator);
    view->SetReady(true);
    view->SetOverlayState(2);
    view->resize(kWidth, kHeight + 90 + 45);
    view->show();
    view->OnInitialUpdate();
    view->GetMessageTarget().Post(orv::NodeMessage::kRefreshSpectralOverlay);
    return view;
}

constexpr uint32_t kCompositeCells = 1218; // 29 x 42
constexpr uint32_t kCompositePoints = 4001;

class CompositeMediator : public orv::bench::ViewBenchMediator {
public:
    CompositeMediator() : ViewBenchMediator(orv::kTypeSpectralSpatialScanNode) {}
    orv::QSpectralDisplayOptions* GetSpectralDisplayOptions() override { return &options; }
    orv::QSpectralDisplayOptions options;
    std::unique_ptr<orv::QViewFactory> factory;
};

// A message target that takes every message and does nothing.
class QuietTarget : public orv::MessageTarget {
public:
    using MessageTarget::MessageTarget;

protected:
    int64_t HandleMessage(orv::Message& /*message*/) override { return 0; }
};

// The map pane beside the spectral pane: there, selecting nothing.
class QuietSpatialPane : public orv::QSpatialViewInterface {
public:
    explicit QuietSpatialPane(orv::MessageThread& thread) : m_target(thread) {}
    bool HasWindow() const override { return true; }
    orv::MessageTarget& GetMessageTarget() override { return m_target; }
    void CopyViewImageForReport(int32_t /*picture*/) override {}
    void SetComparisonState(int32_t /*state*/) override {}
    void SetBlindSpotState(int32_t /*state*/) override {}

private:
    QuietTarget m_target;
};

// The spectral/spatial frame the node shows its scan in: the pane under test and a quiet map pane.
class CompositeFrame : public orv::QViewFrame {
public:
    CompositeFrame(orv::MessageThread& thread, orv::CSpectralView& spectral)
        : m_spectral(spectral), m_spatial(thread), m_target(thread) {}
    bool HasWindow() const override { return true; }
    bool IsVisible() const override { return true; }
    orv::QShowState GetShowState() const override { return orv::QShowState::Normal; }
    void SetShowState(orv::QShowState /*state*/) override {}
    void BringToTop() override {}
    void Show() override {}
    void SetTitle(const std::string& /*title*/) override {}
    std::string GetTitle() const override { return {}; }
    void DestroyWindow() override {}
    orv::MessageTarget& GetMessageTarget() override { return m_target; }
    orv::QSpectralViewInterface* GetSpectralView() override { return &m_spectral; }
    orv::QSpatialViewInterface* GetSpatialView() override { return &m_spatial; }

private:
    orv::CSpectralView& m_spectral;
    QuietSpatialPane m_spatial;
    QuietTarget m_target;
};

class CompositeFactory : public orv::QViewFactory {
public:
    CompositeFactory(orv::MessageThread& thread, orv::CSpectralView& spectral)
        : m_thread(thread), m_spectral(spectral) {}
    std::unique_ptr<orv::QViewFrame> CreateFrame(const orv::QFrameRequest& /*request*/) override {
        auto frame = std::make_unique<CompositeFrame>(m_thread, m_spectral);
        m_spectral.SetFrame(frame.get());
        return frame;
    }
    std::unique_ptr<orv::QSettingsSheet> CreateSettingsSheet(const std::string& /*caption*/,
                                                             orv::QProjectWindow* /*parent*/,
                                                             int32_t /*firstPage*/) override {
        return nullptr;
    }
    std::unique_ptr<orv::QSettingsPage> CreateSettingsPage(orv::QSettingsPageKind /*kind*/,
                                                           orv::QNodeMediator& /*mediator*/,
                                                           uint16_t /*scanKind*/) override {
        return nullptr;
    }
    orv::QReportOpenResult OpenReportFile(orv::QNodeMediator& /*mediator*/) override {
        return orv::QReportOpenResult::Opened;
    }

private:
    orv::MessageThread& m_thread;
    orv::CSpectralView& m_spectral;
};

// A spectral/spatial pane showing a complete scan of every cell of the 29 x 42 grid; interleaved
// data has one level, each cell of the grid a sub-cell of a 15 x 21 coarse grid.
std::unique_ptr<orv::CSpectralView> MakeCompositeView(orv::MessageThread& thread, CompositeMediator& mediator,
                                                      bool interleaved) {
    for (uint32_t u = 0; u < kCompositeCells; ++u) {
        orv::QCellAddition cell;
        cell.m_Record.m_ScanId = 1;
        cell.m_Record.m_Rows = 29;
        cell.m_Record.m_Columns = 42;
        cell.m_Record.m_StartFrequency = 10.0F;
        cell.m_Record.m_StopFrequency = 1000.0F;
        cell.m_Record.m_IsZeltData = interleaved ? 1 : 0;
        cell.m_Record.m_ZeltLevel = interleaved ? 1 : 0;
        cell.m_CellIndex = u + 1;
        cell.m_CellCount = kCompositeCells;
        const auto row = static_cast<uint16_t>(u / 42);
        const auto column = static_cast<uint16_t>(u % 42);
        cell.m_ZeltWords = {static_cast<uint16_t>(row / 2), static_cast<uint16_t>(column / 2),
                            static_cast<uint16_t>(row % 2), static_cast<uint16_t>(column % 2)};
        cell.m_CellWord1 = interleaved ? cell.m_ZeltWords[0] : row;
        cell.m_CellWord2 = interleaved ? cell.m_ZeltWords[1] : column;
        cell.m_HasValues = true;
        for (uint32_t i = 0; i < kCompositePoints; ++i) {
            const auto level = static_cast<int16_t>(100 + (u * 7919U + i * 104729U) % 600U);
            if (interleaved) {
                cell.m_ZeltValues.push_back(static_cast<float>(level));
            } else {
                cell.m_Values.push_back(level);
            }
        }
        mediator.AddSpectralSpatialScanData(std::move(cell), false);
    }
    auto view = std::make_unique<orv::CSpectralSSView>(thread);
    view->SetNodeKind(orv::kTypeSpectralSpatialScanNode);
    view->SetMediator(&mediator);
    view->SetReady(true);
    view->resize(kWidth, kHeight + 90 + 45);
    view->show();
    view->OnInitialUpdate();
    mediator.factory = std::make_unique<CompositeFactory>(thread, *view);
    mediator.SetViewFactory(mediator.factory.get());
    bool created = false;
    mediator.OpenView(orv::kTypeSpectralSpatialScanNode, created, true);
    mediator.ShowScanData(1);
    return view;
}

constexpr uint32_t kScriptSegments = 10;

// A node of the scripting bench: the scripting node itself or one of its Spectral/Spatial children,
// found in the tree by its ID.
class ScriptingMediator : public orv::bench::ViewBenchMediator {
public:
    ScriptingMediator(uint16_t kind, uint32_t id) : ViewBenchMediator(kind), m_id(id) {}
    uint32_t GetNodeID() override { return m_id; }
    orv::QSpectralDisplayOptions* GetSpectralDisplayOptions() override { return &options; }
    orv::QSpectralDisplayOptions options;

private:
    uint32_t m_id;
};

// A scripting node with ten children in its tree, each holding a scan of every cell of the 29 x 42
// grid over its own 100 MHz, and its view showing the joined trace.
struct ScriptingBench {
    explicit ScriptingBench(orv::MessageThread& thread) {
        orv::CTreeItem* root = tree.AddChild(nullptr, orv::CViewTree::kLast, "script", &node, false);
        for (uint32_t s = 0; s < kScriptSegments; ++s) {
            children.push_back(std::make_unique<ScriptingMediator>(orv::kTypeSpectralSpatialScanNode, s + 2));
            ScriptingMediator& child = *children.back();
            tree.AddChild(root, orv::CViewTree::kLast, "segment", &child, false);
            for (uint32_t u = 0; u < kCompositeCells; ++u) {
                orv::QCellAddition cell;
                cell.m_Record.m_ScanId = 1;
                cell.m_Record.m_Rows = 29;
                cell.m_Record.m_Columns = 42;
                cell.m_Record.m_StartFrequency = 100.0F * static_cast<float>(s + 1);
                cell.m_Record.m_StopFrequency = 100.0F * static_cast<float>(s + 2);
                cell.m_CellIndex = u + 1;
                cell.m_CellCount = kCompositeCells;
                cell.m_CellWord1 = static_cast<uint16_t>(u / 42);
                cell.m_CellWord2 = static_cast<uint16_t>(u % 42);
                cell.m_HasValues = true;
                cell.m_Values.reserve(kCompositePoints);
                for (uint32_t i = 0; i < kCompositePoints; ++i) {
                    cell.m_Values.push_back(static_cast<int16_t>(100 + (u * 7919U + i * 104729U + s) % 600U));
                }
                child.AddSpectralSpatialScanData(std::move(cell), false);
            }
        }
        view = std::make_unique<orv::CSpectralSpatialScriptingView>(thread);
        view->SetNodeKind(orv::kTypeSpectralSpatialScriptingModuleNode);
        view->SetMediator(&node);
        view->SetProjectTree(&tree);
        view->SetReady(true);
        view->resize(kWidth, kHeight + 90 + 45);
        view->show();
        view->OnInitialUpdate();
        view->GetMessageTarget().Post(orv::NodeMessage::kShowScripting);
    }
    ScriptingMediator node{orv::kTypeSpectralSpatialScriptingModuleNode, 1};
    std::vector<std::unique_ptr<ScriptingMediator>> children;
    orv::CViewTreeWidget tree;
    std::unique_ptr<orv::CSpectralSpatialScriptingView> view;
};

struct Bench {
    orv::MessageThread thread;
    CompositeMediator plainMediator;
    CompositeMediator interleavedMediator;
    std::unique_ptr<orv::CSpectralView> plainView;
    std::unique_ptr<orv::CSpectralView> interleavedView;
    BenchMediator mediator;
    BenchMediator hoverMediator;
    BenchMediator reportMediator;
    std::unique_ptr<orv::CSpectralView> view;
    std::unique_ptr<orv::CSpectralView> hoverView;
    // Its plot bitmap is the report's 600 x 300.
    std::unique_ptr<orv::CSpectralView> reportView;
    OverlayMediator overlayMediator;
    std::unique_ptr<orv::CSpectralOverlayView> overlayView;
    BenchMediator overlayBaselineMediator;
    // One scan of the overlay's size in the same bitmap.
    std::unique_ptr<orv::CSpectralView> overlayBaselineView;
    std::unique_ptr<ScriptingBench> scripting;

    Bench() {
        view = MakeView(thread, mediator, kPoints, kWidth);
        // The axis box is the bitmap less the 65 + 35 pixels of margin.
        hoverView = MakeView(thread, hoverMediator, kHoverPoints, kHoverAxisWidth + 65 + 35);
        reportView = MakeView(thread, reportMediator, kHoverPoints, orv::CSpectralView::kCopyWidth);
        reportView->resize(orv::CSpectralView::kCopyWidth, orv::CSpectralView::kCopyHeight + 90 + 45);
        plainView = MakeCompositeView(thread, plainMediator, false);
        interleavedView = MakeCompositeView(thread, interleavedMediator, true);
        overlayView = MakeOverlayView(thread, overlayMediator);
        overlayBaselineView = MakeView(thread, overlayBaselineMediator, kOverlayPoints, kWidth);
        scripting = std::make_unique<ScriptingBench>(thread);
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

// The overlay result marked stale and both traces reloaded at every pass: the whole rebuild and draw.
void BM_OverlayBuildAndRender(benchmark::State& state) {
    orv::CSpectralOverlayView& view = *g_bench->overlayView;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        g_bench->overlayMediator.SetViewRebuildFlags(true);
        view.RequestReload();
        QPainter painter(&image);
        view.RenderPlot(painter, false);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["test_points"] = view.GetTrace() != nullptr ? view.GetTrace()->m_Count : 0;
    state.counters["reference_points"] =
        view.GetSecondTrace() != nullptr ? view.GetSecondTrace()->m_Count : 0;
}
BENCHMARK(BM_OverlayBuildAndRender)->Unit(benchmark::kMillisecond);

// Baseline: RenderPlot of one scan of the same size into the same bitmap.
void BM_OverlayBaselineRenderPlot(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        g_bench->overlayBaselineView->RenderPlot(painter, false);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points"] = static_cast<double>(g_bench->overlayBaselineView->GetTrace()->m_Count);
}
BENCHMARK(BM_OverlayBaselineRenderPlot)->Unit(benchmark::kMillisecond);

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

// Argument: 0 plain data, 1 interleaved.
orv::CSpectralView& CompositeView(const benchmark::State& state) {
    return state.range(0) == 0 ? *g_bench->plainView : *g_bench->interleavedView;
}
orv::CSpectralSpatialScanData& CompositeScan(const benchmark::State& state) {
    CompositeMediator& mediator = state.range(0) == 0 ? g_bench->plainMediator : g_bench->interleavedMediator;
    return *mediator.GetCurrentSpectralSpatialScanData();
}

void BM_CompositeRebuild(benchmark::State& state) {
    orv::CSpectralView& view = CompositeView(state);
    for (auto _ : state) {
        view.RequestReload();
        bool needsData = false;
        benchmark::DoNotOptimize(view.LoadTraceData(false, needsData));
        benchmark::DoNotOptimize(view.GetPoints().data());
    }
    state.counters["units"] = static_cast<double>(CompositeScan(state).m_Units.size());
    state.counters["points"] = static_cast<double>(view.GetPoints().size());
}
BENCHMARK(BM_CompositeRebuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Baseline: one pass taking the point-wise maximum of the same cells.
void BM_PointwiseMaximumBaseline(benchmark::State& state) {
    const orv::CSpectralSpatialScanData& scan = CompositeScan(state);
    const bool interleaved = scan.m_IsZeltData != 0;
    std::vector<float> maxima(kCompositePoints);
    for (auto _ : state) {
        std::fill(maxima.begin(), maxima.end(), -100000.0F);
        for (const auto& unit : scan.m_Units) {
            for (uint32_t i = 0; i < kCompositePoints; ++i) {
                const float value =
                    interleaved ? unit->m_ZeltAmplitudes[i] : static_cast<float>(unit->m_Amplitudes[i]);
                if (value > maxima[i]) {
                    maxima[i] = value;
                }
            }
        }
        benchmark::DoNotOptimize(maxima.data());
    }
}
BENCHMARK(BM_PointwiseMaximumBaseline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The data lock as the rebuild takes it: once for the count, once per cell, once for the frequency
// table and once for the drop at the end of a complete scan.
class CountingLock {
public:
    void lock() {
        m_lock.lock();
        ++m_acquisitions;
        m_since = std::chrono::steady_clock::now();
    }
    void unlock() {
        m_longest = std::max(m_longest, std::chrono::steady_clock::now() - m_since);
        m_lock.unlock();
    }
    int64_t m_acquisitions = 0;
    std::chrono::steady_clock::duration m_longest{};

private:
    std::mutex m_lock;
    std::chrono::steady_clock::time_point m_since;
};

void BM_CompositeLockHolds(benchmark::State& state) {
    orv::CSpectralSpatialScanData& scan = CompositeScan(state);
    CountingLock lock;
    int64_t rebuilds = 0;
    for (auto _ : state) {
        orv::QCompositeSpectra composites(scan, {}, false, false);
        const size_t read = composites.AddUnits(lock);
        {
            const std::lock_guard<CountingLock> guard(lock);
            for (uint32_t i = 0; i < kCompositePoints; ++i) {
                benchmark::DoNotOptimize(scan.GetFrequency(static_cast<int32_t>(i)));
            }
        }
        orv::QCompositeSpectra::DropIfComplete(scan, read, lock);
        ++rebuilds;
    }
    state.counters["acquisitions_per_rebuild"] =
        rebuilds > 0 ? static_cast<double>(lock.m_acquisitions) / static_cast<double>(rebuilds) : 0.0;
    state.counters["longest_hold_us"] = std::chrono::duration<double, std::micro>(lock.m_longest).count();
}
BENCHMARK(BM_CompositeLockHolds)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ScriptingJoin(benchmark::State& state) {
    orv::CSpectralSpatialScriptingView& view = *g_bench->scripting->view;
    for (auto _ : state) {
        view.RequestReload();
        bool needsData = false;
        benchmark::DoNotOptimize(view.LoadTraceData(false, needsData));
        benchmark::DoNotOptimize(view.GetPoints().data());
    }
    state.counters["segments"] = static_cast<double>(view.GetSegments().size());
    state.counters["points"] = static_cast<double>(view.GetPoints().size());
}
BENCHMARK(BM_ScriptingJoin)->Unit(benchmark::kMillisecond);

// Baseline: one pass over the same cells taking the point-wise maximum of each segment.
void BM_ScriptingPointwiseMaximumBaseline(benchmark::State& state) {
    std::vector<const orv::CSpectralSpatialScanData*> scans;
    for (const auto& child : g_bench->scripting->children) {
        scans.push_back(child->FindSpectralSpatialScanData(1));
    }
    std::vector<int16_t> maxima(kScriptSegments * kCompositePoints);
    for (auto _ : state) {
        std::fill(maxima.begin(), maxima.end(), std::numeric_limits<int16_t>::min());
        for (size_t s = 0; s < scans.size(); ++s) {
            int16_t* out = maxima.data() + s * kCompositePoints;
            for (const auto& unit : scans[s]->m_Units) {
                const int16_t* in = unit->m_Amplitudes.data();
                for (uint32_t i = 0; i < kCompositePoints; ++i) {
                    if (in[i] > out[i]) {
                        out[i] = in[i];
                    }
                }
            }
        }
        benchmark::DoNotOptimize(maxima.data());
    }
}
BENCHMARK(BM_ScriptingPointwiseMaximumBaseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return orv::bench::RunOffscreenViewBenchmarks(argc, argv, g_bench);
}
