// The heat map under load, each against a baseline in the same run:
// - the heat-map image of a full 29 x 42 grid at a cell size of 40 (1680 x 1160 shown), interpolated
//   and flat, against QImage's smooth scaling of the 42 x 29 colours to that size;
// - the cells of a 1,218-cell x 4,001-point spectral/spatial scan built again after its selected
//   frequency changed (one range marker over every point), against one pass finding each cell's
//   maximum;
// - an unchanged paint, which draws the header and copies the kept map, against the same paint of
//   a view that draws no header (the paint as it was before the header);
// - one pointer move over an interpolated full grid in a 1600 x 1000 map area (the hit test, the
//   read-out label and the refresh under it), against an unchanged paint of the same view;
// - Copy Image of a 1600 x 1200 view onto the clipboard, against one QWidget::grab of the view;
// - the rebuild and map of a full 29 x 42 multi-level grid at levels 3, 4, 5 and 7, flat and
//   interpolated, in a 1600 x 1000 map area, against the rebuild and interpolated map of the
//   single-level grid in the same area (with the process's peak resident size);
// - the interpolated hit test of the level-7 map (narrowed) against its flat hit test;
// - the report picture of a full grid (drawn at 637 x 500 into the report picture holder), from a
//   view the report opened hidden and from a visible 800 x 600 view with the repaint it asks for,
//   against a kind-0 redraw of a 637 x 500 view that rebuilds the map;
// - the kind-0 paint of the comparison pane of a Compare Spatial view after its two full-grid scans
//   changed (the comparison made again, its map rebuilt, its header drawn), against the kind-0 paint
//   of the view's test pane that rebuilds its map.

#include "app/CReportPictureHolder.h"
#include "bench/support/OffscreenViewBench.h"
#include "bench/support/SpatialBenchFrame.h"
#include "bench/support/ViewBenchMediator.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "overlay/COverlayDrawList.h"
#include "project/COverlayControl.h"
#include "project/NodeMessages.h"
#include "project/QOverlayControlList.h"
#include "project/QProjectWindow.h"
#include "project/QViewFactory.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "views/spatial/CSpatialComparisonView.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CSpatialViewZeltp.h"
#include "views/spectral/CSpectralView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace orv;

constexpr int kRows = 29;
constexpr int kColumns = 42;
constexpr int kCellSize = 40;
constexpr uint32_t kUnits = 1218;
constexpr uint32_t kPoints = 4001;

class BenchMediator : public orv::bench::ViewBenchMediator {
public:
    explicit BenchMediator(uint16_t kind) : ViewBenchMediator(kind) {}
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &options; }
    QSpatialDisplayOptions options;
};

// The baseline view: the header's slot left empty.
class HeaderlessView : public CSpatialView {
public:
    using CSpatialView::CSpatialView;
    void DrawLegend(QPainter& /*painter*/) override {}
};

// Frames whose spatial view has the client size that gives 40-pixel cells.
class HeatMapFactory : public orv::bench::SpatialBenchFactory {
public:
    explicit HeatMapFactory(MessageThread& thread) : SpatialBenchFactory(thread) {
        client = QSize(kColumns * kCellSize + 80 + 38, kRows * kCellSize + 80 + 45 + 90);
    }
};

struct Bench {
    MessageThread thread;
    HeatMapFactory factory{thread};
    BenchMediator spatial{kTypeSpatialScanNode};
    BenchMediator composite{kTypeSpectralSpatialScanNode};
    BenchMediator pointer{kTypeSpatialScanNode};
    BenchMediator headerless{kTypeSpatialScanNode};
    CSpatialView* spatialView = nullptr;
    CSpatialView* headerlessView = nullptr;
    CSpatialView* compositeView = nullptr;
    CSpatialView* pointerView = nullptr;
    QImage target{kColumns * kCellSize + 200, kRows* kCellSize + 200, QImage::Format_RGB32};

    void Drain() { orv::bench::DrainMessages(thread); }

    Bench() {
        bool created = false;
        spatial.SetViewFactory(&factory);
        spatial.OpenView(kTypeSpatialScanNode, created, true);
        spatialView = factory.last->view.get();
        QSpatialScanAddition grid;
        grid.m_Record.m_ScanId = 1;
        grid.m_Record.m_Rows = kRows;
        grid.m_Record.m_Columns = kColumns;
        for (int i = 0; i < kRows * kColumns; ++i) {
            grid.m_Values.push_back(static_cast<int16_t>(100 + (i * 37) % 700));
        }
        QSpatialScanAddition pointerGrid = grid;
        QSpatialScanAddition headerlessGrid = grid;
        spatial.AddSpatialScanData(std::move(grid), false, false);
        spatial.ShowScanData(1);
        Drain();
        spatialView->RedrawView(nullptr, CSpatialView::kRedrawMap);

        factory.makeView = [](MessageThread& viewThread) {
            return std::make_unique<HeaderlessView>(viewThread);
        };
        headerless.SetViewFactory(&factory);
        headerless.OpenView(kTypeSpatialScanNode, created, true);
        factory.makeView = {};
        headerlessView = factory.last->view.get();
        headerless.AddSpatialScanData(std::move(headerlessGrid), false, false);
        headerless.ShowScanData(1);
        Drain();
        headerlessView->RedrawView(nullptr, CSpatialView::kRedrawMap);

        // A map area of 1600 x 1000: the client less the margins (38 right, 90 + 45 top and bottom).
        pointer.SetViewFactory(&factory);
        pointer.OpenView(kTypeSpatialScanNode, created, true);
        pointerView = factory.last->view.get();
        pointerView->resize(1600 + 38, 1000 + 90 + 45);
        pointer.options.m_flag2 = 1; // interpolated
        pointer.AddSpatialScanData(std::move(pointerGrid), false, false);
        pointer.ShowScanData(1);
        Drain();
        pointerView->RedrawView(nullptr, CSpatialView::kRedrawMap);

        composite.SetViewFactory(&factory);
        composite.OpenView(kTypeSpectralSpatialScanNode, created, true);
        compositeView = factory.last->view.get();
        for (uint32_t k = 0; k < kUnits; ++k) {
            QCellAddition cell;
            cell.m_Record.m_ScanId = 1;
            cell.m_Record.m_Rows = kRows;
            cell.m_Record.m_Columns = kColumns;
            cell.m_Record.m_StartFrequency = 10.0F;
            cell.m_Record.m_StopFrequency = 1000.0F;
            cell.m_CellIndex = k + 1;
            cell.m_CellCount = kUnits;
            cell.m_CellWord1 = static_cast<uint16_t>(k / kColumns);
            cell.m_CellWord2 = static_cast<uint16_t>(k % kColumns);
            cell.m_HasValues = true;
            cell.m_Values.resize(kPoints);
            for (uint32_t p = 0; p < kPoints; ++p) {
                cell.m_Values[p] = static_cast<int16_t>((p * 7919U + k * 31U) % 900U);
            }
            composite.AddSpectralSpatialScanData(std::move(cell), false);
        }
        composite.ShowScanData(1);
        compositeView->GetMessageTarget().Post(NodeMessage::kShowLinkedSpectralSpatial);
        Drain();
        factory.last->spectral->SetSelectedFrequencies({_FrequencyMarkerPoint{0.0F, 0, 1, 0, kPoints - 1}});
        // Sets the scan data the builds below read.
        compositeView->RedrawView(nullptr, CSpatialView::kRedrawMap);
    }
};

// A board drawing of 10^4 short lines, in board coordinates 0..2872 x 0..1983.
class ManyLines : public COverlayDrawList {
public:
    static constexpr size_t kCount = 10000;
    size_t GetPrimitiveCount() const override { return kCount; }
    void PaintPrimitive(QPainter& painter, size_t index) const override {
        const int x = static_cast<int>(index * 37 % 2850);
        const int y = static_cast<int>(index * 53 % 1960);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawLine(x, y, x + 20, y + 20);
    }
};

// A spatial view of the 1600 x 1000 map area with an overlay: a drawing (blended at 40 %) or a
// 4000 x 3000 picture.
struct LayeredView {
    static constexpr uint32_t kOverlayId = 7;
    MessageThread& thread;
    HeatMapFactory factory{thread};
    BenchMediator mediator{kTypeSpatialScanNode};
    QOverlayControlList overlays;
    ManyLines drawing;
    CSpatialView* view = nullptr;

    LayeredView(MessageThread& owner, bool picture) : thread(owner) {
        auto control = std::make_unique<COverlayControl>();
        control->SetOverlayId(kOverlayId);
        CScanAreaRecord area;
        area.m_OverlayId = kOverlayId;
        if (picture) {
            control->SetSourceKind(COverlayControl::kPixelImage);
            std::vector<uint8_t> pixels(4000U * 3000U * 3U);
            for (size_t i = 0; i < pixels.size(); ++i) {
                pixels[i] = static_cast<uint8_t>(i * 131 >> 7);
            }
            control->SetPixels(pixels.data(), 4000, 3000, 3);
            area.m_Variant = 1;
            area.m_OtherValues = {0.0F, 0.0F, 1.0F, 1.0F};
            area.m_OtherWord = 40;
        } else {
            // The board from the grid's corner over nine tenths of it (a column or row is 76 units).
            area.m_Values = {0.0F, 0.0F};
            area.m_Right = 2872;
            area.m_Bottom = 1983;
        }
        overlays.Add(std::move(control), false);
        bool created = false;
        mediator.options.m_flag6 = 1; // overlay shown
        mediator.options.m_flag7 = 1; // and blended
        mediator.SetViewFactory(&factory);
        mediator.OpenView(kTypeSpatialScanNode, created, true);
        view = factory.last->view.get();
        view->SetOverlayControls(&overlays);
        view->SetOverlayDrawLists([this](uint32_t id, int32_t /*quarterTurns*/) -> const COverlayDrawList* {
            return id == kOverlayId ? &drawing : nullptr;
        });
        view->resize(1600 + 38, 1000 + 90 + 45);
        QSpatialScanAddition grid;
        grid.m_Record.m_ScanId = 1;
        grid.m_Record.m_Rows = kRows;
        grid.m_Record.m_Columns = kColumns;
        grid.m_Record.m_Area = area;
        for (int i = 0; i < kRows * kColumns; ++i) {
            grid.m_Values.push_back(static_cast<int16_t>(100 + (i * 37) % 700));
        }
        mediator.AddSpatialScanData(std::move(grid), false, false);
        mediator.ShowScanData(1);
        orv::bench::DrainMessages(thread);
        view->RedrawView(nullptr, CSpatialView::kRedrawMap);
    }
};

Bench* g_bench = nullptr;
LayeredView* g_drawingView = nullptr;
LayeredView* g_pictureView = nullptr;

LayeredView& DrawingView() {
    if (g_drawingView == nullptr) {
        g_drawingView = new LayeredView(g_bench->thread, false); // NOLINT: lives as long as the run
    }
    return *g_drawingView;
}

LayeredView& PictureView() {
    if (g_pictureView == nullptr) {
        g_pictureView = new LayeredView(g_bench->thread, true); // NOLINT: lives as long as the run
    }
    return *g_pictureView;
}

void HeatMap(benchmark::State& state, bool interpolate) {
    CSpatialView& view = *g_bench->spatialView;
    g_bench->spatial.options.m_flag2 = interpolate ? 1 : 0;
    for (auto _ : state) {
        view.BuildHeatMapBitmap(g_bench->target, 0, 0, &view.GetCell(0, 0), view.GetCellSize(), 0, kRows - 1,
                                0, kColumns - 1);
        benchmark::DoNotOptimize(g_bench->target.constBits());
    }
    state.counters["cell"] = view.GetCellSize();
}

void BM_HeatMapInterpolated(benchmark::State& state) {
    HeatMap(state, true);
}
BENCHMARK(BM_HeatMapInterpolated)->Unit(benchmark::kMillisecond);

void BM_HeatMapFlat(benchmark::State& state) {
    HeatMap(state, false);
}
BENCHMARK(BM_HeatMapFlat)->Unit(benchmark::kMillisecond);

// Baseline: the 42 x 29 colours smoothly scaled to 1680 x 1160.
void BM_SmoothScaledGridBaseline(benchmark::State& state) {
    CSpatialView& view = *g_bench->spatialView;
    QImage grid(kColumns, kRows, QImage::Format_RGB32);
    const QColourPalette* palette = GetColourPaletteManager().Find(-10);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const int32_t index = view.GetCell(r, c).m_ColourIndex;
            grid.setPixel(c, r,
                          qRgb(palette->GetRed(index), palette->GetGreen(index), palette->GetBlue(index)));
        }
    }
    for (auto _ : state) {
        QImage scaled = grid.scaled(kColumns * kCellSize, kRows * kCellSize, Qt::IgnoreAspectRatio,
                                    Qt::SmoothTransformation);
        QPainter painter(&g_bench->target);
        painter.drawImage(0, 0, scaled);
        benchmark::DoNotOptimize(g_bench->target.constBits());
    }
}
BENCHMARK(BM_SmoothScaledGridBaseline)->Unit(benchmark::kMillisecond);

void BM_BuildCellsAfterFrequencyChange(benchmark::State& state) {
    CSpatialView& view = *g_bench->compositeView;
    for (auto _ : state) {
        view.UpdateSelectedFrequencies(); // the selected frequency changed: the cells are rebuilt
        view.BuildCells();
    }
    state.counters["cell(0,0)"] = view.GetCell(0, 0).m_Amplitude;
}
BENCHMARK(BM_BuildCellsAfterFrequencyChange)->Unit(benchmark::kMillisecond);

// Baseline: one pass finding each cell's maximum over its points.
void BM_MaximumPerCellBaseline(benchmark::State& state) {
    const CSpectralSpatialScanData& data = *g_bench->composite.GetCurrentSpectralSpatialScanData();
    std::vector<int16_t> maxima(data.m_Units.size());
    for (auto _ : state) {
        for (size_t i = 0; i < data.m_Units.size(); ++i) {
            const std::vector<int16_t>& points = data.m_Units[i]->m_Amplitudes;
            maxima[i] = *std::max_element(points.begin(), points.end());
        }
        benchmark::DoNotOptimize(maxima.data());
    }
}
BENCHMARK(BM_MaximumPerCellBaseline)->Unit(benchmark::kMillisecond);

void BM_UnchangedPaint(benchmark::State& state) {
    CSpatialView& view = *g_bench->spatialView;
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    for (auto _ : state) {
        view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    }
}
BENCHMARK(BM_UnchangedPaint)->Unit(benchmark::kMicrosecond);

// Baseline: the same paint of a view that draws no header.
void BM_UnchangedPaintWithoutHeader(benchmark::State& state) {
    CSpatialView& view = *g_bench->headerlessView;
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    for (auto _ : state) {
        view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    }
}
BENCHMARK(BM_UnchangedPaintWithoutHeader)->Unit(benchmark::kMicrosecond);

// Pointer moves to the centres of the cells in turn, each a real mouse-move event.
void BM_PointerMoveInterpolated(benchmark::State& state) {
    CSpatialView& view = *g_bench->pointerView;
    std::vector<QPoint> points;
    for (int r = 0; r < kRows; r += 3) {
        for (int c = 0; c < kColumns; c += 5) {
            const CSpatialCell& cell = view.GetCell(r, c);
            points.emplace_back((cell.m_ViewRect.left + cell.m_ViewRect.right) / 2 + 7,
                                (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2 + 3);
        }
    }
    size_t next = 0;
    int64_t shown = 0;
    for (auto _ : state) {
        const QPoint at = points[next];
        next = (next + 1) % points.size();
        QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        shown += view.GetReadout().shown ? 1 : 0;
    }
    state.counters["readouts"] = static_cast<double>(shown);
    state.counters["cell"] = view.GetCellSize();
}
BENCHMARK(BM_PointerMoveInterpolated)->Unit(benchmark::kMicrosecond);

// Baseline: the unchanged paint of the same view.
void BM_UnchangedPaintOfThePointerView(benchmark::State& state) {
    CSpatialView& view = *g_bench->pointerView;
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    for (auto _ : state) {
        view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    }
}
BENCHMARK(BM_UnchangedPaintOfThePointerView)->Unit(benchmark::kMicrosecond);

// The overlay layer made again and the drawing of 10^4 primitives painted into it ...
void BM_OverlayLayerRebuild(benchmark::State& state) {
    CSpatialView& view = *DrawingView().view;
    for (auto _ : state) {
        view.CreateOverlayLayer();
        view.DrawOverlayLayer();
    }
    state.counters["layer_width"] = view.GetOverlayLayer().width();
}
BENCHMARK(BM_OverlayLayerRebuild)->Unit(benchmark::kMillisecond);

// ... against the same primitives painted with a plain QPainter into a white image of the same size
// and the same mapping.
void BM_PlainPainterPrimitivesBaseline(benchmark::State& state) {
    LayeredView& layered = DrawingView();
    const QImage& layer = layered.view->GetOverlayLayer();
    QImage image(layer.size(), layer.format());
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setWindow(0, 0, 2872, 1983);
        painter.setViewport(0, 0, static_cast<int>(layer.width() * 0.9),
                            static_cast<int>(layer.height() * 0.9));
        for (size_t i = 0; i < ManyLines::kCount; ++i) {
            painter.save();
            layered.drawing.PaintPrimitive(painter, i);
            painter.restore();
        }
    }
}
BENCHMARK(BM_PlainPainterPrimitivesBaseline)->Unit(benchmark::kMillisecond);

// The blended drawing composed over the map from the layer made before, against the unchanged
// paint above.
void BM_ComposeDrawingWithoutRebuild(benchmark::State& state) {
    CSpatialView& view = *DrawingView().view;
    for (auto _ : state) {
        view.ComposeLayers(false);
    }
}
BENCHMARK(BM_ComposeDrawingWithoutRebuild)->Unit(benchmark::kMicrosecond);

// A 4000 x 3000 picture composed into the 1600 x 1000 map area ...
void BM_ComposeLargePicture(benchmark::State& state) {
    CSpatialView& view = *PictureView().view;
    view.ComposeLayers(false); // loaded once; later composes reuse it
    for (auto _ : state) {
        view.ComposeLayers(false);
    }
    state.counters["picture_width"] = view.GetPictureRect().width();
}
BENCHMARK(BM_ComposeLargePicture)->Unit(benchmark::kMillisecond);

// ... against one drawImage of it scaled to the same rectangle.
void BM_ScaledDrawImageBaseline(benchmark::State& state) {
    CSpatialView& view = *PictureView().view;
    const QRect rect = view.GetPictureRect();
    QImage picture(4000, 3000, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QImage target(view.GetBackBuffer().size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.setOpacity(0.4);
        painter.drawImage(rect, picture);
    }
}
BENCHMARK(BM_ScaledDrawImageBaseline)->Unit(benchmark::kMillisecond);

// --- The copy of the view as it is on screen ---

// A spatial view of 1600 x 1200 showing the full grid.
struct ScreenCopyView {
    HeatMapFactory factory;
    BenchMediator mediator{kTypeSpatialScanNode};
    CSpatialView* view = nullptr;

    explicit ScreenCopyView(MessageThread& thread) : factory(thread) {
        bool created = false;
        mediator.SetViewFactory(&factory);
        mediator.OpenView(kTypeSpatialScanNode, created, true);
        view = factory.last->view.get();
        view->resize(1600, 1200);
        QSpatialScanAddition grid;
        grid.m_Record.m_ScanId = 1;
        grid.m_Record.m_Rows = kRows;
        grid.m_Record.m_Columns = kColumns;
        for (int i = 0; i < kRows * kColumns; ++i) {
            grid.m_Values.push_back(static_cast<int16_t>(100 + (i * 37) % 700));
        }
        mediator.AddSpatialScanData(std::move(grid), false, false);
        mediator.ShowScanData(1);
        orv::bench::DrainMessages(thread);
        view->RedrawView(nullptr, CSpatialView::kRedrawMap);
    }
};

ScreenCopyView* g_screenCopyView = nullptr;

CSpatialView& ScreenCopy() {
    if (g_screenCopyView == nullptr) {
        g_screenCopyView = new ScreenCopyView(g_bench->thread); // NOLINT: lives as long as the run
    }
    return *g_screenCopyView->view;
}

void BM_CopyImage(benchmark::State& state) {
    CSpatialView& view = ScreenCopy();
    for (auto _ : state) {
        benchmark::DoNotOptimize(view.CopyImage());
    }
    state.counters["height"] = QGuiApplication::clipboard()->image().height();
}
BENCHMARK(BM_CopyImage)->Unit(benchmark::kMillisecond);

// Baseline: one grab of the same view.
void BM_GrabBaseline(benchmark::State& state) {
    CSpatialView& view = ScreenCopy();
    for (auto _ : state) {
        const QPixmap picture = view.grab();
        benchmark::DoNotOptimize(picture.cacheKey());
    }
}
BENCHMARK(BM_GrabBaseline)->Unit(benchmark::kMillisecond);

// --- Multi-level maps ---

// The views, their rebuild asked for as a new scan asks for it.
class RebuildingView : public CSpatialView {
public:
    using CSpatialView::CSpatialView;
    void AskRebuild() { m_bRebuild = 1; }
};

class RebuildingLevelView : public CSpatialViewZeltp {
public:
    using CSpatialViewZeltp::CSpatialViewZeltp;
    void AskRebuild() { m_bRebuild = 1; }
};

// The process's peak resident size so far (MiB).
double PeakResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0.0;
}

// A full 29 x 42 grid at a level (every sub-cell of every cell measured) in a 1600 x 1000 map area;
// level 0 with single-level values for the baseline.
struct LevelMap {
    MessageThread& thread;
    HeatMapFactory factory{thread};
    BenchMediator mediator{kTypeSpatialScanNode};
    CSpatialView* view = nullptr;

    LevelMap(MessageThread& owner, int level) : thread(owner) {
        bool created = false;
        if (level >= 0) {
            factory.makeView = [](MessageThread& viewThread) {
                return std::make_unique<RebuildingLevelView>(viewThread);
            };
        } else {
            factory.makeView = [](MessageThread& viewThread) {
                return std::make_unique<RebuildingView>(viewThread);
            };
        }
        mediator.SetViewFactory(&factory);
        mediator.OpenView(kTypeSpatialScanNode, created, true);
        view = factory.last->view.get();
        view->resize(1600 + 38, 1000 + 90 + 45);
        {
            QSpatialScanAddition grid;
            grid.m_Record.m_ScanId = 1;
            grid.m_Record.m_Rows = kRows;
            grid.m_Record.m_Columns = kColumns;
            if (level < 0) {
                for (int i = 0; i < kRows * kColumns; ++i) {
                    grid.m_Values.push_back(static_cast<int16_t>(100 + (i * 37) % 700));
                }
            } else {
                const int n = 1 << level;
                grid.m_Record.m_IsZeltData = 1;
                grid.m_Record.m_ZeltLevel = static_cast<uint8_t>(level);
                grid.m_ZeltRecords.reserve(static_cast<size_t>(kRows * kColumns) * n * n * 12U);
                for (uint16_t r = 0; r < kRows; ++r) {
                    for (uint16_t c = 0; c < kColumns; ++c) {
                        for (uint16_t sr = 0; sr < n; ++sr) {
                            for (uint16_t sc = 0; sc < n; ++sc) {
                                const auto value =
                                    static_cast<float>(100 + (r * 37 + c * 11 + sr * 5 + sc * 3) % 700);
                                uint8_t record[12];
                                const uint16_t words[4] = {r, c, sr, sc};
                                std::memcpy(record, words, 8);
                                std::memcpy(record + 8, &value, 4);
                                grid.m_ZeltRecords.insert(grid.m_ZeltRecords.end(), record, record + 12);
                            }
                        }
                    }
                }
            }
            mediator.AddSpatialScanData(std::move(grid), false, false);
        }
        mediator.ShowScanData(1);
        orv::bench::DrainMessages(thread);
        view->RedrawView(nullptr, CSpatialView::kRedrawMap);
    }
    void AskRebuild() {
        if (auto* levels = dynamic_cast<RebuildingLevelView*>(view)) {
            levels->AskRebuild();
        } else {
            static_cast<RebuildingView*>(view)->AskRebuild();
        }
    }
};

std::map<int, LevelMap*> g_levelMaps;

// One map at a time: a level-7 grid alone takes most of a GiB.
LevelMap& LevelMapOf(int level) {
    auto found = g_levelMaps.find(level);
    if (found != g_levelMaps.end()) {
        return *found->second;
    }
    for (auto& [other, map] : g_levelMaps) {
        delete map; // NOLINT: made below
    }
    g_levelMaps.clear();
    auto* map = new LevelMap(g_bench->thread, level); // NOLINT: lives until another level's map is made
    g_levelMaps[level] = map;
    return *map;
}

void RebuildAndDraw(benchmark::State& state, int level, bool interpolate) {
    LevelMap& map = LevelMapOf(level);
    map.mediator.options.m_flag2 = interpolate ? 1 : 0;
    for (auto _ : state) {
        map.AskRebuild();
        map.view->RedrawView(nullptr, CSpatialView::kRedrawMap);
    }
    state.counters["cell"] = map.view->GetCellSize();
    state.counters["peak_MiB"] = PeakResidentMiB();
    if (auto* levels = dynamic_cast<CSpatialViewZeltp*>(map.view)) {
        state.counters["subcells"] = static_cast<double>(levels->GetLevelRows()) * levels->GetLevelColumns();
    }
}

void BM_LevelMapRebuild(benchmark::State& state) {
    RebuildAndDraw(state, static_cast<int>(state.range(0)), state.range(1) != 0);
}
BENCHMARK(BM_LevelMapRebuild)
    ->ArgNames({"level", "interpolated"})
    ->Args({3, 0})
    ->Args({3, 1})
    ->Args({4, 0})
    ->Args({4, 1})
    ->Args({5, 0})
    ->Args({5, 1})
    ->Args({7, 0})
    ->Args({7, 1})
    ->Unit(benchmark::kMillisecond);

// Baseline: the single-level grid rebuilt and drawn interpolated in the same area.
void BM_SingleLevelInterpolatedRebuildBaseline(benchmark::State& state) {
    RebuildAndDraw(state, -1, true);
}
BENCHMARK(BM_SingleLevelInterpolatedRebuildBaseline)->Unit(benchmark::kMillisecond);

// The hit test at points spread over the level-7 map, flat and interpolated.
void LevelHitTest(benchmark::State& state, bool interpolate) {
    LevelMap& map = LevelMapOf(7);
    map.mediator.options.m_flag2 = interpolate ? 1 : 0;
    map.AskRebuild();
    map.view->RedrawView(nullptr, CSpatialView::kRedrawMap);
    const QRect area = map.view->GetMapRect();
    std::vector<QPoint> points;
    for (int k = 0; k < 997; ++k) {
        points.emplace_back(area.left() + (k * 389) % area.width(), area.top() + (k * 263) % area.height());
    }
    size_t next = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        const QPoint at = points[next];
        next = (next + 1) % points.size();
        int32_t row = 0, column = 0, levelRow = 0, levelColumn = 0;
        float frequency = 0.0F;
        const float value =
            map.view->HitTestCell(at.x(), at.y(), row, column, frequency, levelRow, levelColumn);
        hits += value != CSpatialView::kNoAmplitude ? 1 : 0;
    }
    state.counters["hits"] = static_cast<double>(hits);
}

void BM_LevelSevenHitTestInterpolated(benchmark::State& state) {
    LevelHitTest(state, true);
}
BENCHMARK(BM_LevelSevenHitTestInterpolated)->Unit(benchmark::kMicrosecond);

// Baseline: the flat hit test of the same map.
void BM_LevelSevenHitTestFlatBaseline(benchmark::State& state) {
    LevelHitTest(state, false);
}
BENCHMARK(BM_LevelSevenHitTestFlatBaseline)->Unit(benchmark::kMicrosecond);

// --- The report picture ---

// Spatial views showing the full grid: one of the export size, one hidden and one of 800 x 600.
struct ReportViews {
    HeatMapFactory factory;
    BenchMediator exportSized{kTypeSpatialScanNode};
    BenchMediator hidden{kTypeSpatialScanNode};
    BenchMediator shown{kTypeSpatialScanNode};
    RebuildingView* exportSizedView = nullptr;
    CSpatialView* hiddenView = nullptr;
    CSpatialView* shownView = nullptr;

    explicit ReportViews(MessageThread& thread) : factory(thread) {
        factory.makeView = [](MessageThread& viewThread) {
            return std::make_unique<RebuildingView>(viewThread);
        };
        exportSizedView = static_cast<RebuildingView*>(Open(thread, exportSized, QSize(637, 500)));
        factory.makeView = {};
        hiddenView = Open(thread, hidden, QSize(800, 600));
        hiddenView->hide();
        shownView = Open(thread, shown, QSize(800, 600));
        shownView->show();
    }

    CSpatialView* Open(MessageThread& thread, BenchMediator& mediator, QSize client) {
        bool created = false;
        mediator.SetViewFactory(&factory);
        mediator.OpenView(kTypeSpatialScanNode, created, true);
        CSpatialView* view = factory.last->view.get();
        view->resize(client);
        QSpatialScanAddition grid;
        grid.m_Record.m_ScanId = 1;
        grid.m_Record.m_Rows = kRows;
        grid.m_Record.m_Columns = kColumns;
        for (int i = 0; i < kRows * kColumns; ++i) {
            grid.m_Values.push_back(static_cast<int16_t>(100 + (i * 37) % 700));
        }
        mediator.AddSpatialScanData(std::move(grid), false, false);
        mediator.ShowScanData(1);
        orv::bench::DrainMessages(thread);
        view->RedrawView(nullptr, CSpatialView::kRedrawMap);
        return view;
    }
};

ReportViews* g_reportViews = nullptr;

ReportViews& Reports() {
    if (g_reportViews == nullptr) {
        g_reportViews = new ReportViews(g_bench->thread); // NOLINT: lives as long as the run
    }
    return *g_reportViews;
}

void BM_ReportPictureOfAHiddenView(benchmark::State& state) {
    CSpatialView& view = *Reports().hiddenView;
    for (auto _ : state) {
        view.CopyViewImageForReport(0);
        benchmark::DoNotOptimize(CReportPictureHolder::Instance().Peek().image.constBits());
    }
    state.counters["width"] = CReportPictureHolder::Instance().Peek().image.width();
}
BENCHMARK(BM_ReportPictureOfAHiddenView)->Unit(benchmark::kMillisecond);

void BM_ReportPictureOfAShownViewAndItsRepaint(benchmark::State& state) {
    CSpatialView& view = *Reports().shownView;
    for (auto _ : state) {
        view.CopyViewImageForReport(0);
        // What the paint it asks for draws.
        view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    }
}
BENCHMARK(BM_ReportPictureOfAShownViewAndItsRepaint)->Unit(benchmark::kMillisecond);

// Baseline: the kind-0 redraw of a 637 x 500 view that rebuilds its map.
void BM_ExportSizedRedrawBaseline(benchmark::State& state) {
    RebuildingView& view = *Reports().exportSizedView;
    for (auto _ : state) {
        view.AskRebuild();
        view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
        benchmark::DoNotOptimize(view.GetViewImage().constBits());
    }
}
BENCHMARK(BM_ExportSizedRedrawBaseline)->Unit(benchmark::kMillisecond);

// --- The comparison pane ---

class RebuildingComparisonView : public CSpatialComparisonView {
public:
    using CSpatialComparisonView::CSpatialComparisonView;
    void AskRebuild() { m_bRebuild = 1; }
};

// Two Compare Spatial views of full 29 x 42 scans (the test 3 dB above the reference in every other
// cell) in an 800 x 600 client: one on its comparison pane, one on its test pane.
struct ComparisonViews {
    HeatMapFactory factory;
    BenchMediator resultNode{kTypeSpatialComparisonNode};
    BenchMediator sourceNode{kTypeSpatialComparisonNode};
    RebuildingComparisonView* resultView = nullptr;
    RebuildingComparisonView* sourceView = nullptr;

    explicit ComparisonViews(MessageThread& thread) : factory(thread) {
        factory.client = QSize(800, 600);
        factory.makeView = [](MessageThread& viewThread) {
            return std::make_unique<RebuildingComparisonView>(viewThread);
        };
        resultView = Open(thread, resultNode, 2);
        sourceView = Open(thread, sourceNode, 0);
    }

    static std::unique_ptr<CSpatialScanData> Scan(int32_t id, int16_t raise) {
        auto scan = std::make_unique<CSpatialScanData>();
        scan->m_ScanId = static_cast<uint32_t>(id);
        scan->m_Rows = kRows;
        scan->m_Columns = kColumns;
        scan->m_CenterFrequency = 150.0F;
        scan->SetProbeScanPatternSize(kRows, kColumns);
        for (int i = 0; i < kRows * kColumns; ++i) {
            scan->m_Values.push_back(static_cast<int16_t>(100 + (i * 37) % 700 + (i % 2 == 0 ? raise : 0)));
        }
        return scan;
    }

    RebuildingComparisonView* Open(MessageThread& thread, BenchMediator& node, int32_t pane) {
        bool created = false;
        node.SetViewFactory(&factory);
        node.OpenView(kTypeSpatialComparisonNode, created, true);
        auto* view = static_cast<RebuildingComparisonView*>(factory.last->view.get());
        node.SetComparedScan(true, Scan(1, 0));
        node.SetComparedScan(false, Scan(2, 30));
        view->SetComparisonState(pane);
        view->GetMessageTarget().Post(NodeMessage::kRefreshSpatialComparison);
        orv::bench::DrainMessages(thread);
        view->RedrawView(nullptr, CSpatialView::kRedrawPaint);
        return view;
    }
};

ComparisonViews* g_comparisonViews = nullptr;

ComparisonViews& Comparisons() {
    if (g_comparisonViews == nullptr) {
        g_comparisonViews = new ComparisonViews(g_bench->thread); // NOLINT: lives as long as the run
    }
    return *g_comparisonViews;
}

void BM_ComparisonPanePaintAfterTheScansChanged(benchmark::State& state) {
    ComparisonViews& views = Comparisons();
    const int32_t builds = views.resultView->GetMapBuildCount();
    int64_t made = 0;
    for (auto _ : state) {
        // What a new input asks for: the comparison made again at the next paint.
        views.resultNode.SetViewRebuildFlags(true);
        views.resultView->RedrawView(nullptr, CSpatialView::kRedrawPaint);
        // The flag is cleared only where the comparison is made.
        made += views.resultNode.IsComparedResultChanged() ? 0 : 1;
        benchmark::DoNotOptimize(views.resultView->GetViewImage().constBits());
    }
    // Per paint: comparisons made, maps rebuilt, header lines drawn.
    const auto iterations = static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    state.counters["made"] = static_cast<double>(made) / iterations;
    state.counters["builds"] = (views.resultView->GetMapBuildCount() - builds) / iterations;
    state.counters["lines"] = static_cast<double>(views.resultView->GetLegendTexts().size());
}
BENCHMARK(BM_ComparisonPanePaintAfterTheScansChanged)->Unit(benchmark::kMillisecond);

// Baseline: the kind-0 paint of the test pane that rebuilds its map.
void BM_ComparisonSourcePanePaintBaseline(benchmark::State& state) {
    RebuildingComparisonView& view = *Comparisons().sourceView;
    for (auto _ : state) {
        view.AskRebuild();
        view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
        benchmark::DoNotOptimize(view.GetViewImage().constBits());
    }
}
BENCHMARK(BM_ComparisonSourcePanePaintBaseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return orv::bench::RunOffscreenViewBenchmarks(argc, argv, g_bench);
}
