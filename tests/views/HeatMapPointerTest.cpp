// The pointer and the keys over the heat map: the hit test, selection by click, drag zoom with its
// history, the cell read-out, the wheel over the overlay and the arrow keys that move it. Real Qt
// Test mouse and key events on the offscreen platform; times from the fake clock.

#include "app/QtConversions.h"
#include "core/QScannerContext.h"
#include "core/TypeIds.h"
#include "platform/clock/FakeClock.h"
#include "project/COverlayControl.h"
#include "project/NodeMessages.h"
#include "project/QOverlayControlList.h"
#include "project/QProbeVideoTrack.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/SpatialOverlayFields.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <string>

namespace orv::test {
namespace {

using namespace std::chrono_literals;
using orv::testing::PixelAt;

constexpr int16_t kNone = 30000;
constexpr uint32_t kOverlayId = 7;
constexpr float kNo = CSpatialView::kNoAmplitude;

// 3 x 4, levels 10 to 120 dBuV, cell (1, 2) without data.
std::vector<int16_t> ThreeByFour() {
    std::vector<int16_t> values;
    for (int16_t i = 0; i < 12; ++i) {
        values.push_back(static_cast<int16_t>((i + 1) * 100));
    }
    values[1 * 4 + 2] = kNone;
    return values;
}

QPoint Centre(const CSpatialCell& cell) {
    return {(cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
            (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2};
}

// The bilinear value of a quad as the map's formula gives it.
float Bilinear(float a, float b, float c, float d, int x0, int y0, int x1, int y1, int x, int y) {
    const auto w = static_cast<float>(std::max(x1 - x0, 1));
    const auto h = static_cast<float>(std::max(y1 - y0, 1));
    const auto dx = static_cast<float>(x - x0);
    const auto dy = static_cast<float>(y - y0);
    return a + dy * (c - a) / h + dx * ((b - a) / w + dy * ((d - b) / h - (c - a) / h) / w);
}

// A 2 x 2 picture: red, green over blue, yellow.
std::unique_ptr<COverlayControl> Picture() {
    auto control = std::make_unique<COverlayControl>();
    control->SetOverlayId(kOverlayId);
    control->SetSourceKind(COverlayControl::kPixelImage);
    const uint8_t pixels[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 255};
    EXPECT_TRUE(control->SetPixels(pixels, 2, 2, 3));
    return control;
}

class HeatMapPointerTest : public SpatialViewTest {
public:
    ~HeatMapPointerTest() override { mediator.reset(); }

protected:
    HeatMapPointerTest() : install(clock) {}

    // A Spatial node showing the 3 x 4 grid (800 x 600: 128.33-pixel cells from (124, 130)).
    CSpatialView& ShowGrid() {
        Open(kTypeSpatialScanNode);
        return AddGrid({});
    }
    // The grid, with the overlay record, shown on the node opened last.
    CSpatialView& AddGrid(const CScanAreaRecord& area) {
        View().SetOverlayControls(&overlays);
        QSpatialScanAddition addition = SpatialGrid(1, 3, 4, ThreeByFour());
        addition.m_Record.m_Area = area;
        EXPECT_TRUE(mediator->AddSpatialScanData(addition, false, false));
        mediator->ShowScanData(1);
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        return View();
    }
    // A Spectral/Spatial node with a 6 x 6 scan, each cell its own level, cell (5, 5) not scanned.
    CSpatialView& ShowComponents() {
        Open(kTypeSpectralSpatialScanNode);
        uint32_t index = 1;
        for (uint16_t r = 0; r < 6; ++r) {
            for (uint16_t c = 0; c < 6; ++c) {
                if (r == 5 && c == 5) {
                    continue;
                }
                const auto level = static_cast<int16_t>(100 + 10 * (r * 6 + c));
                EXPECT_TRUE(mediator->AddSpectralSpatialScanData(
                    SpectralSpatialCell(1, index++, 35, r, c,
                                        {level, static_cast<int16_t>(level + 5), level}),
                    false));
            }
        }
        mediator->ShowScanData(1);
        Pump();
        // The spectral pane's window out of the way of the pointer over the map.
        factory.viewFrames.back()->spectralView->move(0, 2000);
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        return View();
    }
    CScanData& Scan() {
        if (mediator->GetKind() == kTypeSpatialScanNode) {
            return *mediator->GetCurrentSpatialScanData();
        }
        return *mediator->GetCurrentSpectralSpatialScanData();
    }
    float Hit(QPoint point, int32_t& row, int32_t& column) {
        float frequency = 0.0F;
        int32_t levelRow = 0;
        int32_t levelColumn = 0;
        return View().HitTestCell(point.x(), point.y(), row, column, frequency, levelRow, levelColumn);
    }
    void Drag(QPoint from, QPoint to, std::chrono::milliseconds held = 50ms) {
        CSpatialView& view = View();
        QTest::mouseMove(&view, from);
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(&view, (from + to) / 2);
        QTest::mouseMove(&view, to);
        clock.Advance(held);
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, to);
        Pump();
    }
    std::array<int32_t, 4> ScanWindow() {
        const _ZoomingSpatialRects& w = Scan().m_SpatialZoomWindow;
        return {w.m_FirstRow, w.m_LastRow, w.m_FirstColumn, w.m_LastColumn};
    }
    QImage Grab() { return View().grab().toImage(); }

    FakeClock clock;
    ScopedClockInstall install;
    QOverlayControlList overlays;
};

using Window = std::array<int32_t, 4>;

TEST_F(HeatMapPointerTest, HitTestTable) {
    CSpatialView& view = ShowGrid();
    ASSERT_EQ(view.GetCell(0, 0).m_ViewRect, (CCellRect{124, 130, 252, 258}));
    const CSpatialCell& c10 = view.GetCell(1, 0);
    const CSpatialCell& c11 = view.GetCell(1, 1);
    // On row 1, between the centres of (1, 0) and (1, 1).
    const QPoint between(250, Centre(c10).y());
    struct Row {
        const char* name;
        QPoint point;
        bool interpolate;
        float amplitude; // NaN: the formula's value, checked below
        int32_t row;
        int32_t column;
    };
    const float formula = std::numeric_limits<float>::quiet_NaN();
    const Row rows[] = {
        {"centre", Centre(view.GetCell(0, 0)), false, 10.0F, 0, 0},
        {"left edge of the next cell", QPoint(252, 140), false, 20.0F, 0, 1},
        {"last pixel of the cell", QPoint(251, 140), false, 10.0F, 0, 0},
        {"bottom-right cell", QPoint(636, 514), false, 120.0F, 2, 3},
        {"cell without data", Centre(view.GetCell(1, 2)), false, kNo, 0, 0},
        {"outside the map", QPoint(50, 50), false, kNo, 0, 0},
        {"right of the map", QPoint(637, 200), false, kNo, 0, 0},
        {"between centres, plain", between, false, 50.0F, 1, 0},
        {"between centres, interpolated", between, true, formula, 1, 0},
        {"cell without data, interpolated", Centre(view.GetCell(1, 2)), true, kNo, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        mediator->spatialDisplay.m_flag2 = row.interpolate ? 1 : 0;
        int32_t r = -1;
        int32_t c = -1;
        const float amplitude = Hit(row.point, r, c);
        EXPECT_EQ(r, row.row);
        EXPECT_EQ(c, row.column);
        if (!std::isnan(row.amplitude)) {
            EXPECT_EQ(amplitude, row.amplitude);
            continue;
        }
        // The quad of (1, 0), (1, 1), (2, 0), (2, 1): the left corners on the grid's left edge, the
        // bottom ones on its bottom edge.
        const float expected =
            Bilinear(50.0F, 60.0F, 90.0F, 100.0F, c10.m_ViewRect.left, Centre(c10).y(), Centre(c11).x(),
                     view.GetCell(2, 1).m_ViewRect.bottom, between.x(), between.y());
        EXPECT_FLOAT_EQ(amplitude, expected);
        EXPECT_GT(amplitude, 50.0F);
        EXPECT_LT(amplitude, 60.0F);
    }
    // A quad with a cell without data: that cell counts at the map's minimum (10 dBuV).
    mediator->spatialDisplay.m_flag2 = 1;
    const CSpatialCell& c02 = view.GetCell(0, 2);
    const CSpatialCell& c03 = view.GetCell(0, 3);
    const QPoint nearHole(Centre(c02).x() + 20, Centre(c02).y() + 30);
    int32_t r = 0;
    int32_t c = 0;
    EXPECT_FLOAT_EQ(Hit(nearHole, r, c),
                    Bilinear(30.0F, 40.0F, 10.0F, 80.0F, Centre(c02).x(), c02.m_ViewRect.top,
                             c03.m_ViewRect.right, Centre(view.GetCell(1, 3)).y(), nearHole.x(),
                             nearHole.y()));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(c, 2);
    // Zoomed to rows 1-2, columns 1-3: the quads reach one row above the window, so the map's top
    // edge takes its value from the quad of row 0.
    Scan().m_SpatialZoomed = 1;
    Scan().m_SpatialZoomWindow = {1, 1, 2, 3};
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    ASSERT_EQ(view.GetZoomWindow(), (Window{1, 2, 1, 3}));
    const CSpatialCell& z01 = view.GetCell(0, 1);
    const CSpatialCell& z12 = view.GetCell(1, 2);
    const QPoint top(Centre(view.GetCell(1, 1)).x() + 5, view.GetMapRect().top() + 3);
    EXPECT_FLOAT_EQ(Hit(top, r, c), Bilinear(20.0F, 30.0F, 60.0F, 10.0F, Centre(z01).x(), z01.m_ViewRect.top,
                                             Centre(z12).x(), Centre(z12).y(), top.x(), top.y()));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(c, 1);
    // A screen of two bytes a pixel shows no interpolated map: nothing is hit.
    view.SetScreenBytesPerPixel(2);
    EXPECT_EQ(Hit(Centre(view.GetCell(1, 1)), r, c), kNo);
    mediator->spatialDisplay.m_flag2 = 0;
    EXPECT_EQ(Hit(Centre(view.GetCell(1, 1)), r, c), 60.0F);
}

TEST_F(HeatMapPointerTest, ClicksSelectCellsAndTheSpectralPaneReloads) {
    CSpatialView& view = ShowComponents();
    ASSERT_EQ(view.GetDisplayMode(), CSpatialView::kModeSpectralSpatial);
    CSpectralView& spectral = *factory.viewFrames.back()->spectralView;
    CScanData& scan = Scan();
    auto click = [&](int r, int c) {
        QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, Centre(view.GetCell(r, c)));
    };
    Pump();
    const int32_t renders = spectral.GetRenderCount();
    click(1, 2);
    EXPECT_TRUE(spectral.IsReloadPending());
    EXPECT_EQ(view.GetLastRedrawKind(), CSpatialView::kRedrawSelection);
    Pump();
    EXPECT_EQ(spectral.GetRenderCount(), renders + 1);
    click(3, 0); // single mode: replaces
    EXPECT_EQ(scan.m_Points, (std::vector<CScanPoint>{{3, 0}}));
    click(3, 0); // unselects
    EXPECT_TRUE(scan.m_Points.empty());
    view.SetSingleCellSelect(false);
    click(0, 1);
    click(2, 3);
    click(1, 1);
    EXPECT_EQ(scan.m_Points, (std::vector<CScanPoint>{{0, 1}, {2, 3}, {1, 1}}));
    click(2, 3); // unselects in multi mode too
    EXPECT_EQ(scan.m_Points, (std::vector<CScanPoint>{{0, 1}, {1, 1}}));
    // A cell without data, and outside the map: nothing selected.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, Centre(view.GetCell(5, 5)));
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(scan.m_Points.size(), 2U);
    EXPECT_FALSE(view.SelectCellAt(20, 20));
    EXPECT_FALSE(view.SelectCellAt(Centre(view.GetCell(5, 5)).x(), Centre(view.GetCell(5, 5)).y()));
}

TEST_F(HeatMapPointerTest, DragZoomsDownRightAndTheHistoryStepsBack) {
    CSpatialView& view = ShowGrid();
    const Window whole{0, 2, 0, 3};
    ASSERT_EQ(view.GetZoomWindow(), whole);
    struct Row {
        const char* name;
        QPoint from;
        QPoint to;
    };
    const Row refused[] = {
        {"up", Centre(view.GetCell(2, 1)), Centre(view.GetCell(0, 2))},
        {"left", Centre(view.GetCell(0, 3)), Centre(view.GetCell(2, 1))},
        {"ending outside the map", Centre(view.GetCell(0, 0)), QPoint(700, 560)},
    };
    for (const Row& row : refused) {
        SCOPED_TRACE(row.name);
        Drag(row.from, row.to);
        EXPECT_FALSE(view.IsZoomed());
        EXPECT_TRUE(view.GetZoomHistory().empty());
        EXPECT_TRUE(view.GetRubberBand().isEmpty());
    }
    // While the button is held the band shows in its translucent colour over the map.
    const QPoint from = Centre(view.GetCell(0, 1));
    const QPoint to = Centre(view.GetCell(1, 3));
    QTest::mouseMove(&view, from);
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&view, to);
    EXPECT_EQ(view.GetRubberBand(), QRect(from, to).normalized());
    const QPoint inside = from + QPoint(5, 5);
    const QColor under = PixelAt(view.GetViewImage(), inside.x(), inside.y());
    const QColor band = QColor::fromRgba(CSpatialView::kRubberBandArgb);
    const QColor seen = PixelAt(Grab(), inside.x(), inside.y());
    const double alpha = band.alphaF();
    EXPECT_NEAR(seen.red(), band.red() * alpha + under.red() * (1 - alpha), 2.0);
    EXPECT_NEAR(seen.green(), band.green() * alpha + under.green() * (1 - alpha), 2.0);
    clock.Advance(100ms);
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, to);
    Pump();
    const Window first{0, 1, 1, 3};
    EXPECT_TRUE(view.IsZoomed());
    EXPECT_EQ(view.GetZoomWindow(), first);
    EXPECT_EQ(ScanWindow(), first);
    EXPECT_EQ(Scan().m_SpatialZoomed, 1);
    EXPECT_EQ(view.GetZoomHistory(), (std::vector<Window>{first}));
    EXPECT_EQ(view.GetLastRedrawKind(), CSpatialView::kRedrawSelection);
    // Laid out again: two rows fill the height.
    EXPECT_NEAR(view.GetCellSize(), 385.0F / 2.0F, 1e-3);
    EXPECT_TRUE(view.GetRubberBand().isEmpty());

    // A second step, then back one and back to the whole grid.
    Drag(Centre(view.GetCell(1, 2)), Centre(view.GetCell(1, 3)));
    const Window second{1, 1, 2, 3};
    EXPECT_EQ(view.GetZoomWindow(), second);
    EXPECT_EQ(view.GetZoomHistory().size(), 2U);
    view.PreviousZoom();
    EXPECT_EQ(view.GetZoomWindow(), first);
    EXPECT_EQ(ScanWindow(), first);
    view.PreviousZoom();
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(Scan().m_SpatialZoomed, 0);
    EXPECT_EQ(view.GetZoomWindow(), whole);
    EXPECT_TRUE(view.GetZoomHistory().empty());

    // A window the scan brought, with no history: Previous Zoom shows the whole grid.
    Scan().m_SpatialZoomed = 1;
    Scan().m_SpatialZoomWindow = {1, 1, 2, 2};
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    ASSERT_TRUE(view.IsZoomed());
    view.PreviousZoom();
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(view.GetZoomWindow(), whole);
    // Reset Zoom from two steps in.
    Drag(Centre(view.GetCell(0, 0)), Centre(view.GetCell(1, 1)));
    Drag(Centre(view.GetCell(0, 0)), Centre(view.GetCell(1, 1)));
    EXPECT_EQ(view.GetZoomHistory().size(), 2U);
    view.ResetZoom();
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_TRUE(view.GetZoomHistory().empty());
}

TEST_F(HeatMapPointerTest, OneCellWithinTheClickTimeIsAClick) {
    // Spatial map: a quick drag on one cell does nothing; held longer it zooms to that cell.
    CSpatialView& view = ShowGrid();
    const QPoint a = Centre(view.GetCell(1, 1));
    Drag(a, a + QPoint(10, 10), 299ms);
    EXPECT_FALSE(view.IsZoomed());
    Drag(a, a + QPoint(10, 10), 300ms);
    EXPECT_EQ(view.GetZoomWindow(), (Window{1, 1, 1, 1}));

    // Spectral/spatial map: the click selects the cell.
    CSpatialView& components = ShowComponents();
    const QPoint b = Centre(components.GetCell(2, 1));
    Drag(b, b + QPoint(5, 0), 100ms);
    EXPECT_FALSE(components.IsZoomed());
    EXPECT_EQ(Scan().m_Points, (std::vector<CScanPoint>{{2, 1}}));
    // Up-left over the map selects the cell released on.
    Drag(Centre(components.GetCell(3, 3)), Centre(components.GetCell(0, 0)));
    EXPECT_FALSE(components.IsZoomed());
    EXPECT_EQ(Scan().m_Points, (std::vector<CScanPoint>{{0, 0}}));
}

TEST_F(HeatMapPointerTest, ReadoutTexts) {
    struct Row {
        const char* name;
        int32_t row;
        int32_t column;
        bool labels;
        bool interleaved;
        const char* text;
    };
    const Row rows[] = {
        {"plain", 3, 12, false, false, " Row:3   Col:12   Amp:45.25   Freq:150.125 "},
        {"interleaved", 3, 12, false, true, " Row:3 [1]  Col:12[0]   Amp:45.25   Freq:150.125 "},
        {"scanner labels", 3, 1, true, false, " Row:4   Col:B   Amp:45.25   Freq:150.125 "},
        {"labels, interleaved", 3, 1, true, true, " Row:4 [1]  Col:B[0]   Amp:45.25   Freq:150.125 "},
        {"beyond the label table", 3, 42, true, false, " Row:4   Col:42   Amp:45.25   Freq:150.125 "},
        {"before the label table", 3, -1, true, false, " Row:4   Col:-1   Amp:45.25   Freq:150.125 "},
    };
    const std::string columnB = GetScannerContext().GetColumnLabel(1).m_text;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string expected = row.text;
        if (const size_t at = expected.find("Col:B"); at != std::string::npos) {
            expected.replace(at + 4, 1, columnB);
        }
        EXPECT_EQ(CSpatialView::CellReadoutText(row.row, row.column, 1, 0, 45.25F, 150.125F, row.labels,
                                                row.interleaved),
                  expected);
    }
}

TEST_F(HeatMapPointerTest, ReadoutFollowsThePointerAndFlipsAtTheRightEdge) {
    CSpatialView& view = ShowGrid();
    const QPoint point = Centre(view.GetCell(0, 0));
    QTest::mouseMove(&view, point);
    const CSpatialView::Readout& readout = view.GetReadout();
    ASSERT_TRUE(readout.shown);
    EXPECT_EQ(readout.text, " Row:0   Col:0    Amp:10.00   Freq:150.000 ");
    EXPECT_EQ(readout.fontPixels, 14);
    EXPECT_EQ(readout.rect.topLeft(), point + QPoint(10, -22));
    EXPECT_EQ(view.GetHoveredCellRect(), view.GetCell(0, 0).m_ViewRect);
    EXPECT_EQ(view.GetHoveredCellColour(), view.GetCell(0, 0).m_Colour);
    const int width = readout.rect.width();
    ASSERT_GT(width, 150);
    ASSERT_LT(width, 400);
    // The label in its colours on the screen, the map around it unchanged.
    const QImage shown = Grab();
    const QColor background = ColorRefToQColor(CSpatialView::kReadoutBackground);
    EXPECT_EQ(PixelAt(shown, readout.rect.left() + 1, readout.rect.top() + 1), background);
    EXPECT_EQ(PixelAt(shown, readout.rect.right() - 1, readout.rect.bottom() - 1), background);
    int dark = 0;
    for (int x = readout.rect.left(); x <= readout.rect.right(); ++x) {
        for (int y = readout.rect.top(); y <= readout.rect.bottom(); ++y) {
            dark += PixelAt(shown, x, y).lightness() < 80 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 20);
    const QPoint below(point.x() + 40, point.y() + 20);
    EXPECT_EQ(PixelAt(shown, below.x(), below.y()), PixelAt(view.GetViewImage(), below.x(), below.y()));

    // Near the right edge of the map area the label ends 2 pixels left of the pointer.
    const QPoint right(Centre(view.GetCell(0, 3)).x() + 50, 200);
    QTest::mouseMove(&view, right);
    EXPECT_EQ(view.GetReadout().rect.right(), right.x() - 3);
    EXPECT_EQ(view.GetReadout().rect.top(), right.y() - 22);
    // A cell without data, and leaving the map, take it away.
    QTest::mouseMove(&view, Centre(view.GetCell(1, 2)));
    EXPECT_FALSE(view.GetReadout().shown);
    QTest::mouseMove(&view, point);
    ASSERT_TRUE(view.GetReadout().shown);
    QTest::mouseMove(&view, QPoint(40, 40));
    EXPECT_FALSE(view.GetReadout().shown);
    EXPECT_EQ(PixelAt(Grab(), point.x() + 20, point.y() - 15),
              PixelAt(view.GetViewImage(), point.x() + 20, point.y() - 15));
    // The leave event refreshes.
    QTest::mouseMove(&view, point);
    ASSERT_TRUE(view.GetReadout().shown);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&view, &leave);
    EXPECT_FALSE(view.GetReadout().shown);
    EXPECT_EQ(view.GetLastRedrawKind(), CSpatialView::kRedrawRefresh);

    // Wider than 800 pixels: Arial 16.
    view.resize(1000, 600);
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    QTest::mouseMove(&view, Centre(view.GetCell(0, 0)));
    EXPECT_EQ(view.GetReadout().fontPixels, 16);
    EXPECT_GT(view.GetReadout().rect.width(), width);
    // In 3D mode no read-out.
    QTest::mouseMove(&view, QPoint(40, 40));
    view.Show3DView(true);
    QTest::mouseMove(&view, Centre(view.GetCell(0, 0)));
    EXPECT_FALSE(view.GetReadout().shown);
}

TEST_F(HeatMapPointerTest, TheFrequencyListNarrowsTheReadoutArea) {
    CSpatialView& view = ShowComponents();
    auto& spectral = *factory.viewFrames.back()->spectralView;
    spectral.SetSelectedFrequencies({_FrequencyMarkerPoint{0.0F, 0, 1, 0, 2}});
    const QPoint point = Centre(view.GetCell(1, 1));
    QTest::mouseMove(&view, point);
    ASSERT_TRUE(view.GetReadout().shown);
    const int width = view.GetReadout().rect.width();
    // A pointer whose label ends 20 pixels right of the list's left edge (642).
    const int x = 642 + 20 - 10 - width;
    int32_t row = 0;
    int32_t column = 0;
    float frequency = 0.0F;
    int32_t levelRow = 0;
    int32_t levelColumn = 0;
    ASSERT_NE(view.HitTestCell(x, point.y(), row, column, frequency, levelRow, levelColumn), kNo);
    QTest::mouseMove(&view, QPoint(x, point.y()));
    EXPECT_EQ(view.GetReadout().rect.left(), x + 10); // inside the map area without the list
    view.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)->setCurrentIndex(1);
    Pump();
    ASSERT_TRUE(view.IsListShown());
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    QTest::mouseMove(&view, QPoint(x, point.y() + 1));
    ASSERT_TRUE(view.GetReadout().shown);
    EXPECT_EQ(view.GetReadout().rect.right(), x - 3);
}

class OverlayPointerTest : public HeatMapPointerTest {
protected:
    void SetShown(bool shown) {
        for (QSpatialDisplayOptions* options : {&mediator->spatialDisplay, &preferences->spatialDisplay}) {
            options->m_flag6 = shown ? 1 : 0; // show the overlay
            options->m_flag7 = 1;             // blend it
        }
    }
    void ShowOverlay(bool picture, bool shown = true) {
        CScanAreaRecord area;
        area.m_OverlayId = kOverlayId;
        if (picture) {
            area.m_Variant = 1;
            area.m_OtherValues = {0.25F, 0.0F, 0.5F, 1.0F};
            area.m_OtherWord = 60;
            overlays.Add(Picture(), false);
        } else {
            area.m_Values = {0.25F, 0.25F};
            area.m_Right = 152;
            area.m_Bottom = 114;
            auto control = std::make_unique<COverlayControl>();
            control->SetOverlayId(kOverlayId);
            overlays.Add(std::move(control), false);
        }
        Open(kTypeSpatialScanNode);
        SetShown(shown);
        AddGrid(area);
    }
    int32_t Opacity() { return SpatialOverlayFields::Read(Scan(), &mediator->overlay).m_opacity; }
    void Wheel(QPoint at, int steps) {
        for (int i = 0; i < std::abs(steps); ++i) {
            QWheelEvent event(QPointF(at), QPointF(View().mapToGlobal(at)), QPoint(),
                              QPoint(0, steps > 0 ? 120 : -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(&View(), &event);
            EXPECT_GE(Opacity(), 1);
            EXPECT_LE(Opacity(), 100);
        }
    }
    void Key(Qt::Key key) {
        QTest::keyClick(&View(), key);
        Pump();
    }
};

TEST_F(OverlayPointerTest, WheelOverThePictureStepsItsOpacity) {
    ShowOverlay(true);
    CSpatialView& view = View();
    const QRect picture = view.GetPictureRect();
    ASSERT_FALSE(picture.isEmpty());
    const QPoint over = picture.center() - QPoint(20, 0); // over cell (1, 1)
    ASSERT_EQ(Opacity(), 60);
    const int32_t redraws = view.GetRedrawCount();
    Wheel(over, 1);
    EXPECT_EQ(Opacity(), 65);
    Pump(); // the posted repaint
    EXPECT_EQ(view.GetRedrawCount(), redraws + 1);
    EXPECT_EQ(view.GetLastRedrawKind(), CSpatialView::kRedrawMap);
    Wheel(over, 30);
    EXPECT_EQ(Opacity(), 100);
    Wheel(over, -30);
    EXPECT_EQ(Opacity(), 1);
    Pump();
    // No read-out for a second after a step.
    QTest::mouseMove(&view, over);
    EXPECT_FALSE(view.GetReadout().shown);
    clock.Advance(1000ms);
    QTest::mouseMove(&view, over + QPoint(0, 1));
    EXPECT_TRUE(view.GetReadout().shown);
    EXPECT_TRUE(view.IsPointerOverOverlay());
    // Beside the picture, or with the overlay off, the wheel leaves it.
    const QPoint beside(picture.left() - 20, picture.center().y());
    ASSERT_TRUE(view.GetMapRect().contains(beside));
    Wheel(beside, 3);
    EXPECT_EQ(Opacity(), 1);
    SetShown(false);
    Wheel(over, 3);
    EXPECT_EQ(Opacity(), 1);
    // Drawn without it, the map has no picture for the pointer to be over.
    SetShown(true);
    Scan().m_ScanArea.m_OverlayId = kOverlayId + 1; // an overlay the project does not hold
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_TRUE(view.GetPictureRect().isEmpty());
    QTest::mouseMove(&view, over + QPoint(0, 2));
    EXPECT_FALSE(view.IsPointerOverOverlay());
}

// A hand-held probe followed by the camera: the wheel anywhere over the map steps the opacity.
class StillTrack : public CProbeVideoTrack {
public:
    void GetMarkerPosition(float& x, float& y) const override { x = y = 0.0F; }
    uint32_t GetFramesSinceDetected() const override { return 0; }
};

TEST_F(OverlayPointerTest, WheelWhileAProbeIsTrackedByCamera) {
    auto track = std::make_shared<StillTrack>();
    SetProbeVideoTrackAcquirer([track](const std::string&) { return track; });
    Open(kTypeSpatialScanNode);
    AddGrid({});
    ASSERT_TRUE(mediator->StartProbeVideoTrack("camera0"));
    const QPoint point = Centre(View().GetCell(2, 3));
    ASSERT_EQ(Opacity(), 50);
    Wheel(point, -2);
    EXPECT_EQ(Opacity(), 40);
    EXPECT_TRUE(View().IsPointerOverOverlay());
    mediator.reset();
    SetProbeVideoTrackAcquirer({});
}

TEST_F(HeatMapPointerTest, NoReadoutWhileTheComparisonPaneShownIsNotTheOneDrawn) {
    Open(kTypeSpatialComparisonNode);
    CSpatialView& view = View();
    auto first = std::make_unique<CSpatialScanData>();
    auto second = std::make_unique<CSpatialScanData>();
    for (CSpatialScanData* scan : {first.get(), second.get()}) {
        scan->m_Rows = 3;
        scan->m_Columns = 4;
        scan->m_Values = ThreeByFour();
        scan->SetProbeScanPatternSize(3, 4);
    }
    ASSERT_TRUE(mediator->SetComparedScan(true, std::move(first)));
    ASSERT_TRUE(mediator->SetComparedScan(false, std::move(second)));
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpatialComparison);
    Pump();
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    const QPoint point = Centre(view.GetCell(0, 0));
    QTest::mouseMove(&view, point);
    ASSERT_TRUE(view.GetReadout().shown);
    QTest::mouseMove(&view, QPoint(20, 20));
    // Chosen, not drawn yet (the next paint draws it: the move is handled before any event runs).
    view.SetComparisonState(1);
    view.OnPointerMove(point);
    EXPECT_FALSE(view.GetReadout().shown);
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    QTest::mouseMove(&view, point + QPoint(1, 1));
    EXPECT_TRUE(view.GetReadout().shown);
}

TEST_F(OverlayPointerTest, ArrowKeysMoveThePictureByOnePixelInRepositionMode) {
    ShowOverlay(true);
    CSpatialView& view = View();
    const float grid = 4.0F * view.GetCellSize();
    const float gridHeight = 3.0F * view.GetCellSize();
    const QRect before = view.GetPictureRect();
    const CScanAreaRecord stored = Scan().m_ScanArea;
    // Outside reposition mode the keys leave it.
    Key(Qt::Key_Right);
    EXPECT_EQ(Scan().m_ScanArea, stored);
    view.SetRepositionOverlay(true);
    // Placement flag set: fractions of the grid at the cell size.
    Scan().m_ScanArea.m_OtherBytes[0] = 1;
    window.target.received.clear();
    Key(Qt::Key_Right);
    EXPECT_FLOAT_EQ(Scan().m_ScanArea.m_OtherValues[0], (0.25F * grid + 1.0F) / grid);
    EXPECT_EQ(Scan().m_ScanArea.m_OtherValues[1], 0.0F);
    EXPECT_TRUE(view.IsOverlayMoved());
    EXPECT_TRUE(view.IsOverlayNudged());
    EXPECT_EQ(window.target.Ids(), (std::vector<uint32_t>{NodeMessage::kProjectModified}));
    EXPECT_EQ(view.GetLastRedrawKind(), CSpatialView::kRedrawMap); // the posted repaint
    // Drawn one whole pixel to the right.
    EXPECT_EQ(view.GetPictureRect().left(), before.left() + 1);
    EXPECT_FALSE(view.IsPlacementCached());
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_FLOAT_EQ(Scan().m_ScanArea.m_OtherValues[1], 2.0F / gridHeight);
    Key(Qt::Key_Left);
    Key(Qt::Key_Up);
    EXPECT_NEAR(Scan().m_ScanArea.m_OtherValues[0], 0.25F, 1e-6);
    EXPECT_NEAR(Scan().m_ScanArea.m_OtherValues[1], 1.0F / gridHeight, 1e-6);
    EXPECT_EQ(window.target.Ids().size(), 5U);
    // Without the overlay shown, in 3D mode, or with a key that is not an arrow: nothing moves.
    const CScanAreaRecord moved = Scan().m_ScanArea;
    SetShown(false);
    Key(Qt::Key_Right);
    SetShown(true);
    view.Show3DView(true);
    Key(Qt::Key_Right);
    view.Show3DView(false);
    Key(Qt::Key_A);
    EXPECT_EQ(Scan().m_ScanArea, moved);
}

TEST_F(OverlayPointerTest, ArrowKeysMoveADrawingByALayerPixelAndNeverByAZeroDivisor) {
    // Drawn without the overlay: no layer was made.
    ShowOverlay(false, false);
    CSpatialView& view = View();
    ASSERT_TRUE(view.GetOverlayLayer().isNull());
    SetShown(true);
    view.SetRepositionOverlay(true);
    window.target.received.clear();
    const CScanAreaRecord stored = Scan().m_ScanArea;
    Key(Qt::Key_Left);
    EXPECT_EQ(Scan().m_ScanArea, stored);
    EXPECT_FALSE(view.IsPlacementCached());
    EXPECT_FALSE(view.IsOverlayMoved());
    EXPECT_TRUE(window.target.Ids().empty());
    // Drawn with it: the key moves the board by one pixel of the layer.
    view.GetMessageTarget().Post(CSpatialView::kSpatialRepaintMessage, 0, 2);
    Pump();
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    const int layerWidth = view.GetOverlayLayer().width();
    ASSERT_GT(layerWidth, 0);
    const int builds = view.GetOverlayBuildCount();
    Key(Qt::Key_Left);
    EXPECT_FLOAT_EQ(Scan().m_ScanArea.m_Values[0],
                    (0.25F * static_cast<float>(layerWidth) - 1.0F) / static_cast<float>(layerWidth));
    EXPECT_EQ(Scan().m_ScanArea.m_Values[1], 0.25F);
    EXPECT_EQ(view.GetOverlayBuildCount(), builds + 1); // made again for the move
    EXPECT_FALSE(view.IsPlacementCached());
    EXPECT_EQ(window.target.Ids(), (std::vector<uint32_t>{NodeMessage::kProjectModified}));
    // A stored offset that is no number stays as it is: nothing is saved from it.
    Scan().m_ScanArea.m_Values[0] = std::numeric_limits<float>::infinity();
    Key(Qt::Key_Right);
    EXPECT_TRUE(std::isinf(Scan().m_ScanArea.m_Values[0]));
    EXPECT_EQ(window.target.Ids().size(), 1U);
}

TEST_F(HeatMapPointerTest, PressFollowsInTheProjectPanesAndRightUpOpensTheMenu) {
    CSpatialView& view = ShowGrid();
    tree.selected.clear();
    list.selected.clear();
    const int raised = factory.viewFrames.back()->raised;
    int hooked = 0;
    CViewFrame::SetDropTargetHook([&](QWidget& /*view*/, QNodeMediator& /*mediator*/) { ++hooked; });
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(tree.selected, (std::vector<QNodeMediator*>{mediator.get()}));
    EXPECT_EQ(list.selected, (std::vector<std::string>{std::to_string(mediator->GetDisplayedScanID())}));
    EXPECT_EQ(factory.viewFrames.back()->raised, raised + 1);
    EXPECT_EQ(hooked, 0);             // a spatial node takes no drops
    EXPECT_FALSE(view.IsDragArmed()); // pressed outside the map
    // A comparison node's view takes the project's drop target.
    Open(kTypeSpatialComparisonNode);
    QTest::mouseClick(&View(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(hooked, 1);
    CViewFrame::SetDropTargetHook({});
}

class MenuView : public CSpatialView {
public:
    using CSpatialView::CSpatialView;
    void ShowContextMenu(uint32_t flags, int32_t x, int32_t y) override {
        calls.push_back({static_cast<int32_t>(flags), x, y});
    }
    std::vector<std::array<int32_t, 3>> calls;
};

TEST_F(HeatMapPointerTest, RightButtonUpCallsTheMenuAndTheBorderFramesTheView) {
    MenuView view(thread);
    view.resize(400, 400);
    view.show();
    QTest::mouseClick(&view, Qt::RightButton, Qt::ShiftModifier, QPoint(30, 40));
    EXPECT_EQ(view.calls, (std::vector<std::array<int32_t, 3>>{
                              {static_cast<int32_t>(CSpatialView::kMouseShift), 30, 40}}));
    const QColor inside = PixelAt(view.grab().toImage(), 0, 0);
    view.SetBorder(true);
    EXPECT_EQ(PixelAt(view.grab().toImage(), 0, 0), QColor(Qt::black));
    EXPECT_EQ(PixelAt(view.grab().toImage(), 399, 200), QColor(Qt::black));
    view.SetBorder(false);
    EXPECT_EQ(PixelAt(view.grab().toImage(), 0, 0), inside);
}

} // namespace
} // namespace orv::test
