#include "app/QtConversions.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/views/support/SpatialViewFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace orv::test {
namespace {

using orv::testing::PixelAt;

constexpr int16_t kNone = 30000;

const QColourPalette& Palette() {
    const QColourPalette* palette = GetColourPaletteManager().Find(-10);
    EXPECT_NE(palette, nullptr);
    return *palette;
}

QColor PaletteColour(int32_t index) {
    return ColorRefToQColor(Palette().GetColour(index));
}

class HeatMapTest : public SpatialViewTest {
protected:
    // A Spatial node showing a grid; the map drawn once.
    CSpatialView& ShowGrid(uint16_t rows, uint16_t columns, std::vector<int16_t> values) {
        Open(kTypeSpatialScanNode);
        EXPECT_TRUE(
            mediator->AddSpatialScanData(SpatialGrid(1, rows, columns, std::move(values)), false, false));
        mediator->ShowScanData(1);
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        return View();
    }
    void Redraw() {
        View().GetMessageTarget().Post(CSpatialView::kSpatialRepaintMessage, 0, 2);
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
    }
    static QPoint Centre(const CSpatialCell& cell) {
        return {(cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
                (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2};
    }
    QColor At(QPoint point) { return PixelAt(View().GetViewImage(), point.x(), point.y()); }
};

// 3 x 4, levels 10 to 120 dBuV, cell (1, 2) without data.
std::vector<int16_t> ThreeByFour() {
    std::vector<int16_t> values;
    for (int16_t i = 0; i < 12; ++i) {
        values.push_back(static_cast<int16_t>((i + 1) * 100));
    }
    values[1 * 4 + 2] = kNone;
    return values;
}

TEST_F(HeatMapTest, FlatCellsInTheirPaletteColourAndCellsWithoutDataWhite) {
    CSpatialView& view = ShowGrid(3, 4, ThreeByFour());
    const int32_t last = Palette().GetLastColourIndex();
    // Automatic range 10 to 120 dBuV: index = trunc((a - 10) * N / 110.1).
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            SCOPED_TRACE(std::to_string(r) + "," + std::to_string(c));
            const CSpatialCell& cell = view.GetCell(r, c);
            if (r == 1 && c == 2) {
                EXPECT_EQ(cell.m_HasData, 0);
                EXPECT_EQ(At(Centre(cell)), Qt::white);
                continue;
            }
            const float amplitude = static_cast<float>(r * 4 + c + 1) * 10.0F;
            const auto expected = std::min(
                static_cast<int32_t>((amplitude - 10.0F) * (static_cast<float>(last) / (110.0F + 0.1F))),
                last - 1);
            EXPECT_EQ(cell.m_ColourIndex, expected);
            EXPECT_EQ(At(Centre(cell)), PaletteColour(expected));
        }
    }
    // The map sits centred in the map area: 128.33-pixel cells from (124, 130).
    EXPECT_NEAR(view.GetCellSize(), 385.0F / 3.0F, 1e-3);
    EXPECT_EQ(view.GetCell(0, 0).m_ViewRect, (CCellRect{124, 130, 252, 258}));
    EXPECT_EQ(view.GetCell(0, 0).m_MapRect, (CCellRect{124, 40, 252, 168}));
    EXPECT_EQ(view.GetCell(0, 0).m_BitmapRect, (CCellRect{0, 0, 128, 128}));
}

TEST_F(HeatMapTest, InterpolatedQuadsBlendCentresAndReachTheEdges) {
    Open(kTypeSpatialScanNode);
    mediator->spatialDisplay.m_flag2 = 1; // interpolate
    mediator->spatialDisplay.m_flag1 = 0; // no cell lines over the blend
    // 4 x 4 ascending, cell (2, 2) without data.
    std::vector<int16_t> values;
    for (int16_t i = 0; i < 16; ++i) {
        values.push_back(static_cast<int16_t>((i + 1) * 70));
    }
    values[2 * 4 + 2] = kNone;
    ASSERT_TRUE(mediator->AddSpatialScanData(SpatialGrid(1, 4, 4, values), false, false));
    mediator->ShowScanData(1);
    Pump();
    CSpatialView& view = View();
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    // Half-way between the centres of (1, 1) and (1, 2), on the row of the centres.
    const CSpatialCell& a = view.GetCell(1, 1);
    const CSpatialCell& b = view.GetCell(1, 2);
    const QPoint middle((Centre(a).x() + Centre(b).x()) / 2, Centre(a).y());
    const auto mean = static_cast<int32_t>((a.m_ColourIndex + b.m_ColourIndex) / 2.0F + 0.5F);
    const QColor seen = At(middle);
    EXPECT_TRUE(seen == PaletteColour(mean) || seen == PaletteColour(mean - 1) ||
                seen == PaletteColour(mean + 1))
        << seen.name().toStdString() << " for index " << mean;
    EXPECT_NE(a.m_ColourIndex, b.m_ColourIndex);
    // The cell without data stays white; the outer cells are painted out to the grid's edges.
    EXPECT_EQ(At(Centre(view.GetCell(2, 2))), Qt::white);
    const CSpatialCell& corner = view.GetCell(0, 0);
    EXPECT_EQ(At(QPoint(corner.m_ViewRect.left + 1, corner.m_ViewRect.top + 1)),
              PaletteColour(corner.m_ColourIndex));
    const CSpatialCell& far = view.GetCell(3, 3);
    EXPECT_NE(At(QPoint(far.m_ViewRect.right - 2, far.m_ViewRect.bottom - 2)), Qt::white);
    // Two bytes per pixel: the hint instead of the map.
    view.GetMessageTarget().Post(CSpatialView::kSpatialRepaintMessage, 0, 2);
    Pump();
    view.SetScreenBytesPerPixel(2);
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    ASSERT_FALSE(view.GetDrawnTexts().empty());
    EXPECT_EQ(view.GetDrawnTexts().back().text, CSpatialView::kInterpolationText);
}

TEST_F(HeatMapTest, ColourIndexTable) {
    const int32_t last = Palette().GetLastColourIndex();
    struct Row {
        const char* name;
        std::vector<int16_t> values; // 1 x 2
        int32_t cutOff;
        bool fixed;
        float low;
        float high;
        std::array<int32_t, 2> expected;
    };
    const auto n = static_cast<float>(last);
    const Row rows[] = {
        {"cut-off 0",
         {100, 600},
         0,
         false,
         0,
         0,
         {0, std::min(static_cast<int32_t>(50.0F * n / 50.1F), last - 1)}},
        {"cut-off 100", {100, 600}, 100, false, 0, 0, {0, 0}},
        {"cut-off 100 above a fixed top", {100, 600}, 100, true, 0.0F, 20.0F, {0, last - 1}},
        {"one value everywhere",
         {300, 300},
         0,
         false,
         0,
         0,
         {static_cast<int32_t>(8.0F * n / 10.1F), static_cast<int32_t>(8.0F * n / 10.1F)}},
        {"value 0 with the 0.1 guard", {0, 0}, 0, false, 0, 0, {0, 0}},
        {"reversed fixed levels",
         {300, 300},
         0,
         true,
         50.0F,
         10.0F,
         {static_cast<int32_t>(-20.0F * (n / (-40.0F + 0.1F))),
          static_cast<int32_t>(-20.0F * (n / (-40.0F + 0.1F)))}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Open(kTypeSpatialScanNode);
        QSpatialScanAddition grid = SpatialGrid(1, 1, 2, row.values);
        ASSERT_TRUE(mediator->AddSpatialScanData(std::move(grid), false, false));
        CSpatialScanData& scan = *mediator->GetSpatialScanData(1);
        scan.m_SpatialAutoByte = row.fixed ? 0 : 1;
        scan.m_SpatialRangeLow = row.low;
        scan.m_SpatialRangeHigh = row.high;
        mediator->ShowScanData(1);
        Pump();
        View().SetOverlayTransparency(100 - row.cutOff);
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        EXPECT_EQ(View().GetCell(0, 0).m_ColourIndex, std::clamp(row.expected[0], 0, last - 1));
        EXPECT_EQ(View().GetCell(0, 1).m_ColourIndex, std::clamp(row.expected[1], 0, last - 1));
        EXPECT_EQ(View().GetColourBar().GetTop(),
                  row.fixed ? row.high
                            : (row.values[0] == row.values[1] && row.values[0] != 0
                                   ? row.values[0] / 10.0F + 2.0F
                                   : std::max(row.values[0], row.values[1]) / 10.0F));
    }
}

TEST_F(HeatMapTest, NonFiniteAndHugeResultValues) {
    Open(kTypeSpatialComparisonNode);
    auto result = std::make_unique<CSpatialScanData>();
    result->m_Rows = 1;
    result->m_Columns = 4;
    result->m_HoldsFloatValues = 1;
    result->m_FloatValues = {std::numeric_limits<float>::quiet_NaN(), 1e30F, -1e30F, 5.0F};
    ASSERT_TRUE(mediator->SetComparedResult(std::move(result)));
    mediator->ClearComparedResultChanged();
    CSpatialView& view = View();
    view.SetComparisonState(2);
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpatialComparison);
    Pump();
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    const int32_t last = Palette().GetLastColourIndex();
    EXPECT_EQ(view.GetCell(0, 0).m_HasData, 0); // NaN: no data
    EXPECT_EQ(view.GetCell(0, 1).m_ColourIndex, last - 1);
    EXPECT_EQ(view.GetCell(0, 2).m_ColourIndex, 0);
    EXPECT_EQ(view.GetCell(0, 1).m_Marker, 32767);
    EXPECT_EQ(At(Centre(view.GetCell(0, 0))), Qt::white);
}

TEST_F(HeatMapTest, ZoomWindowsAndTheCachedImage) {
    CSpatialView& view = ShowGrid(6, 6, std::vector<int16_t>(36, 200));
    CScanData& scan = *mediator->GetSpatialScanData(1);
    struct Row {
        _ZoomingSpatialRects window;
        int n;
        int m;
    };
    const Row rows[] = {{{2, 1, 2, 3}, 3, 1}, {{1, 4, 3, 4}, 1, 3}};
    for (const Row& row : rows) {
        scan.m_SpatialZoomed = 1;
        scan.m_SpatialZoomWindow = row.window;
        Redraw();
        const float s = view.GetCellSize();
        EXPECT_EQ(view.GetHeatMapImage().size(), QSize(static_cast<int>(static_cast<float>(row.n + 2) * s),
                                                       static_cast<int>(static_cast<float>(row.m + 2) * s)));
    }
    // A new cut-off only remaps: neither the cells nor the image are built again.
    const int32_t builds = view.GetBitmapBuildCount();
    const int32_t cells = view.GetMapBuildCount();
    view.SetOverlayTransparency(40);
    Pump();
    view.OnRequestTimer();
    EXPECT_EQ(view.GetCutOff(), 60);
    EXPECT_EQ(view.GetBitmapBuildCount(), builds);
    EXPECT_EQ(view.GetMapBuildCount(), cells);
}

TEST_F(HeatMapTest, PeaksOfSpectralSpatialCells) {
    Open(kTypeSpectralSpatialScanNode);
    // 6 units of 5 points; unit k has its highest point at index k % 5.
    for (uint32_t k = 0; k < 6; ++k) {
        std::vector<int16_t> points(5, 100);
        points[k % 5] = static_cast<int16_t>(200 + k * 10);
        ASSERT_TRUE(mediator->AddSpectralSpatialScanData(
            SpectralSpatialCell(1, k + 1, 6, static_cast<uint16_t>(k / 3), static_cast<uint16_t>(k % 3),
                                points),
            false));
    }
    mediator->ShowScanData(1);
    Pump();
    CSpatialView& view = View();
    view.OnRequestTimer();
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    // All points: every unit's own peak.
    for (uint32_t k = 0; k < 6; ++k) {
        EXPECT_FLOAT_EQ(view.GetCell(static_cast<int>(k / 3), static_cast<int>(k % 3)).m_Amplitude,
                        20.0F + static_cast<float>(k));
    }
    // Markers: the list is chosen and the spectral pane's markers counted.
    CSpectralView& spectral = *factory.viewFrames.back()->spectralView;
    struct Row {
        const char* name;
        std::vector<_FrequencyMarkerPoint> markers;
        std::array<float, 6> expected; // 0: a cell without value
    };
    const Row rows[] = {
        {"single marker at point 1", {{0, 1, 1, 0, -1}}, {10, 21, 10, 10, 10, 10}},
        {"range over points 2 to 3", {{0, 2, 1, 0, 3}}, {10, 10, 22, 23, 10, 10}},
        {"disabled marker", {{0, 1, 0, 0, -1}}, {0, 0, 0, 0, 0, 0}},
        {"marker beyond the last point", {{0, 9, 1, 0, 12}}, {0, 0, 0, 0, 0, 0}},
        {"range reaching past the last point", {{0, 3, 1, 0, 12}}, {10, 10, 10, 23, 24, 10}},
    };
    view.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)->setCurrentIndex(1);
    Pump();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        spectral.SetSelectedFrequencies(row.markers);
        view.UpdateSelectedFrequencies();
        view.RedrawView(nullptr, CSpatialView::kRedrawMap);
        for (uint32_t k = 0; k < 6; ++k) {
            const CSpatialCell& cell = view.GetCell(static_cast<int>(k / 3), static_cast<int>(k % 3));
            if (row.expected[k] == 0) {
                EXPECT_EQ(cell.m_Marker, kNone);
            } else {
                EXPECT_FLOAT_EQ(cell.m_Amplitude, row.expected[k]);
            }
        }
    }
}

TEST_F(HeatMapTest, OddGridsDrawWithoutFault) {
    struct Row {
        const char* name;
        uint16_t rows;
        uint16_t columns;
        size_t values;
        int16_t value;
    };
    const Row rows[] = {
        {"30 rows, 43 columns", 30, 43, 30 * 43, 150},
        // The whole canvas of the stitcher: the map shows its first 29 x 42 cells.
        {"116 rows, 168 columns", 116, 168, 116 * 168, 150},
        {"short value array", 5, 5, 7, 150},
        {"all without data", 29, 42, 29 * 42, kNone},
        {"no rows", 0, 5, 0, 150},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CSpatialView& view = ShowGrid(row.rows, row.columns, std::vector<int16_t>(row.values, row.value));
        view.resize(1, 1);
        view.RedrawView(nullptr, CSpatialView::kRedrawMap);
        view.resize(800, 600);
        Redraw();
        if (row.rows == 30 || row.rows == 116) {
            EXPECT_EQ(view.GetCell(28, 41).m_HasData, 1);
            EXPECT_GT(view.GetMapBuildCount(), 0);
        }
        if (row.values == 7) {
            EXPECT_EQ(view.GetCell(1, 1).m_HasData, 1);
            EXPECT_EQ(view.GetCell(1, 2).m_HasData, 0);
        }
        if (row.value == kNone) {
            EXPECT_EQ(view.GetBitmapBuildCount(), 0);
        }
    }
    // Stored windows: (5, 5, 2, 2) is reversed and one beyond the grid is dropped; the sound
    // window is written back.
    CSpatialView& view = ShowGrid(6, 6, std::vector<int16_t>(36, 150));
    CScanData& scan = *mediator->GetSpatialScanData(1);
    for (const _ZoomingSpatialRects& window :
         {_ZoomingSpatialRects{5, 5, 2, 2}, _ZoomingSpatialRects{1, 1, 8, 3}}) {
        scan.m_SpatialZoomed = 1;
        scan.m_SpatialZoomWindow = window;
        Redraw();
        EXPECT_EQ(scan.m_SpatialZoomed, 0);
        EXPECT_EQ(scan.m_SpatialZoomWindow, (_ZoomingSpatialRects{0, 0, 5, 5}));
    }
    (void)view;
    // A spectral/spatial unit outside the shown grid is skipped.
    Open(kTypeSpectralSpatialScanNode);
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(SpectralSpatialCell(1, 1, 2, 40, 1, {100, 300}), false));
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(SpectralSpatialCell(1, 2, 2, 1, 1, {100, 200}), false));
    mediator->ShowScanData(1);
    Pump();
    View().OnRequestTimer();
    View().RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_FLOAT_EQ(View().GetCell(1, 1).m_Amplitude, 20.0F);
}

TEST_F(HeatMapTest, SelectionMarksGridLinesLabelsAndCaption) {
    Open(kTypeSpectralSpatialScanNode);
    for (uint32_t k = 0; k < 36; ++k) {
        ASSERT_TRUE(mediator->AddSpectralSpatialScanData(
            SpectralSpatialCell(1, k + 1, 36, static_cast<uint16_t>(k / 6), static_cast<uint16_t>(k % 6),
                                {200}),
            false));
    }
    mediator->ShowScanData(1);
    Pump();
    CSpatialView& view = View();
    view.OnRequestTimer();
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    const CSpatialCell& cell = view.GetCell(2, 3);
    const QPoint onDiagonal(cell.m_ViewRect.left + 10, cell.m_ViewRect.top + 10);
    const QColor plain = At(onDiagonal);
    view.ToggleSelectedCell(2, 3);
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    const QColor marked = At(onDiagonal);
    EXPECT_EQ(marked, QColor(255 - plain.red(), 255 - plain.green(), 255 - plain.blue()));
    view.ToggleSelectedCell(2, 3);
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_EQ(At(onDiagonal), plain);

    // Labels every fifth row and column, above and below, left and right; the caption.
    const float s = view.GetCellSize();
    const int gridLeft = view.GetCell(0, 0).m_MapRect.left;
    const int gridTop = view.GetCell(0, 0).m_MapRect.top;
    const std::vector<CSpatialView::DrawnText>& texts = view.GetDrawnTexts();
    auto has = [&texts](const std::string& text, int x, int y) {
        return std::any_of(texts.begin(), texts.end(), [&](const CSpatialView::DrawnText& drawn) {
            return drawn.text == text && drawn.rect.topLeft() == QPoint(x, y);
        });
    };
    const auto f = [](int value) { return static_cast<float>(value); };
    EXPECT_TRUE(has("5", static_cast<int>(f(gridLeft - 3) + 5.0F * s + s / 2.0F), gridTop - 18));
    EXPECT_TRUE(
        has("0", static_cast<int>(f(gridLeft - 3) + s / 2.0F), gridTop + static_cast<int>(6.0F * s) + 3));
    EXPECT_TRUE(has("5", gridLeft - 22, static_cast<int>(f(gridTop - 7) + 5.0F * s + s / 2.0F)));
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().text, "Amplitude(dBuV)  Auto");
    EXPECT_EQ(texts.back().rect,
              QRect(0, view.GetBackBuffer().height() - 20, view.GetBackBuffer().width(), 16));
}

TEST_F(HeatMapTest, FifthGridLineIsDoubledOnlyUnzoomed) {
    CSpatialView& view = ShowGrid(29, 42, std::vector<int16_t>(29 * 42, kNone));
    const QImage& buffer = view.GetBackBuffer();
    const QColor grey = ColorRefToQColor(CSpatialView::kGridLineColour);
    const int x = view.GetCell(0, 2).m_MapRect.left + 3;
    const int y = view.GetCell(5, 0).m_MapRect.top;
    EXPECT_EQ(PixelAt(buffer, x, y), grey);
    EXPECT_EQ(PixelAt(buffer, x, y - 1), grey);
    CScanData& scan = *mediator->GetSpatialScanData(1);
    scan.m_SpatialZoomed = 1;
    scan.m_SpatialZoomWindow = {0, 0, 10, 10};
    Redraw();
    const int zx = view.GetCell(0, 2).m_MapRect.left + 3;
    const int zy = view.GetCell(5, 0).m_MapRect.top;
    EXPECT_EQ(PixelAt(view.GetBackBuffer(), zx, zy), grey);
    EXPECT_NE(PixelAt(view.GetBackBuffer(), zx, zy - 1), grey);
}

TEST_F(HeatMapTest, RedrawKindsAndNoDataScreens) {
    CSpatialView& view = ShowGrid(3, 4, ThreeByFour());
    // An unchanged paint only copies.
    const int32_t cells = view.GetMapBuildCount();
    const int32_t bitmaps = view.GetBitmapBuildCount();
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    EXPECT_EQ(view.GetMapBuildCount(), cells);
    EXPECT_EQ(view.GetBitmapBuildCount(), bitmaps);

    // The comparison panes: the hint on the inputs, nothing on the result, the result built once
    // per changed flag.
    Open(kTypeSpatialComparisonNode);
    CSpatialView& comparison = View();
    comparison.GetMessageTarget().Post(NodeMessage::kRefreshSpatialComparison);
    Pump();
    comparison.RedrawView(nullptr, CSpatialView::kRedrawMap);
    ASSERT_FALSE(comparison.GetDrawnTexts().empty());
    EXPECT_EQ(comparison.GetDrawnTexts().back().text, CSpatialView::kDropHintText);
    comparison.SetComparisonState(2);
    comparison.RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_EQ(comparison.GetDrawnTexts().back().text, "");

    ASSERT_TRUE(mediator->AddSpatialScanData(SpatialGrid(1, 3, 4, ThreeByFour()), false, false));
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
    comparison.RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_FALSE(mediator->IsComparedResultChanged());
    CScanData* result = mediator->GetComparedResult();
    comparison.RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_EQ(mediator->GetComparedResult(), result);
}

} // namespace
} // namespace orv::test
