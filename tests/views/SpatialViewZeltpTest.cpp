// The multi-level heat map: the caption, sub-cells in their colours from level points and from
// components, sub-cell lines, the fine window, the click on a sub-cell, the narrowed interpolated
// hit test and odd levels and points. Offscreen, with the views made by the test factory.

#include "app/QtConversions.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialViewZeltp.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace orv::test {
namespace {

using orv::testing::PixelAt;

constexpr float kNo = CSpatialView::kNoAmplitude;

struct Point {
    uint16_t row;
    uint16_t column;
    uint16_t subRow;
    uint16_t subColumn;
    float value;
};

std::vector<uint8_t> RecordBytes(const std::vector<Point>& points) {
    std::vector<uint8_t> bytes;
    for (const Point& point : points) {
        for (uint16_t word : {point.row, point.column, point.subRow, point.subColumn}) {
            bytes.push_back(static_cast<uint8_t>(word & 0xFF));
            bytes.push_back(static_cast<uint8_t>(word >> 8));
        }
        uint32_t bits = 0;
        std::memcpy(&bits, &point.value, sizeof bits);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<uint8_t>(bits >> shift));
        }
    }
    return bytes;
}

const QColourPalette& Palette() {
    const QColourPalette* palette = GetColourPaletteManager().Find(-10);
    EXPECT_NE(palette, nullptr);
    return *palette;
}

QColor PaletteColour(int32_t index) {
    return ColorRefToQColor(Palette().GetColour(index));
}

// The colour index of an amplitude on an automatic scale from `low` to `high`.
int32_t IndexOf(float amplitude, float low, float high) {
    const int32_t last = Palette().GetLastColourIndex();
    const float index = (amplitude - low) * (static_cast<float>(last) / ((high - low) + 0.1F));
    return static_cast<int32_t>(std::clamp(index, 0.0F, static_cast<float>(last - 1)));
}

class ZeltViewTest : public SpatialViewTest {
protected:
    ZeltViewTest() {
        factory.makeSpatialView = [](MessageThread& viewThread) {
            return std::make_unique<CSpatialViewZeltp>(viewThread);
        };
    }

    CSpatialViewZeltp& Zelt() { return static_cast<CSpatialViewZeltp&>(View()); }

    // A Spatial node showing a multi-level scan; the map drawn once.
    CSpatialViewZeltp& ShowLevels(uint16_t rows, uint16_t columns, uint8_t level,
                                  const std::vector<Point>& points) {
        Open(kTypeSpatialScanNode);
        QSpatialScanAddition addition = SpatialGrid(1, rows, columns, {});
        addition.m_Record.m_IsZeltData = 1;
        addition.m_Record.m_ZeltLevel = level;
        addition.m_ZeltRecords = RecordBytes(points);
        EXPECT_TRUE(mediator->AddSpatialScanData(addition, false, false));
        mediator->ShowScanData(1);
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        return Zelt();
    }

    // A Spectral/Spatial node at a level: one component per (row, column, sub-row, sub-column) with
    // its amplitudes, all of the scan's `cells` cells expected.
    CSpatialViewZeltp&
    ShowComponents(uint8_t level,
                   const std::vector<std::pair<std::array<uint16_t, 4>, std::vector<float>>>& components) {
        Open(kTypeSpectralSpatialScanNode);
        uint32_t index = 1;
        for (const auto& [words, values] : components) {
            QCellAddition cell = SpectralSpatialCell(1, index++, static_cast<uint32_t>(components.size()),
                                                     words[0], words[1], {});
            cell.m_Record.m_IsZeltData = 1;
            cell.m_Record.m_ZeltLevel = level;
            cell.m_Record.m_ResolutionBandwidth = 50.0F;
            cell.m_HasValues = true;
            cell.m_ZeltWords = words;
            cell.m_ZeltValues = values;
            EXPECT_TRUE(mediator->AddSpectralSpatialScanData(cell, false));
        }
        mediator->ShowScanData(1);
        Pump();
        factory.viewFrames.back()->spectralView->move(0, 2000);
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        return Zelt();
    }

    // The map drawn again from the scan (the rebuild the repaint message asks for).
    void Rebuild() {
        View().GetMessageTarget().Post(CSpatialView::kSpatialRepaintMessage, 0, 2);
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
    }

    // The centre of a sub-cell in view coordinates.
    QPoint SubCentre(int r, int c, int subRow, int subColumn) {
        const CCellRect& rect = View().GetCell(r, c).m_ViewRect;
        const float w =
            static_cast<float>(rect.right - rect.left) / static_cast<float>(Zelt().GetSubDivision());
        const float h =
            static_cast<float>(rect.bottom - rect.top) / static_cast<float>(Zelt().GetSubDivision());
        return {static_cast<int>(static_cast<float>(rect.left) + (static_cast<float>(subColumn) + 0.5F) * w),
                static_cast<int>(static_cast<float>(rect.top) + (static_cast<float>(subRow) + 0.5F) * h)};
    }

    QColor At(QPoint point) { return PixelAt(View().GetViewImage(), point.x(), point.y()); }

    struct Hit {
        float value = kNo;
        int32_t row = -1;
        int32_t column = -1;
        int32_t subRow = -1;
        int32_t subColumn = -1;
    };
    Hit HitAt(QPoint point) {
        Hit hit;
        float frequency = 0.0F;
        hit.value = View().HitTestCell(point.x(), point.y(), hit.row, hit.column, frequency, hit.subRow,
                                       hit.subColumn);
        return hit;
    }
};

TEST_F(ZeltViewTest, CaptionNamesTheLevelAndThePass) {
    struct Row {
        uint8_t zelt;
        uint8_t level;
        std::array<uint8_t, 2> bytes; // interleaved-spatial flag, interleaved flag
        std::string expected;
    };
    std::vector<Row> rows;
    const char* texts[] = {"Level: 1 --- 7.5 mm",  "Level: 2 --- 3.75 mm", "Level: 3 --- 1.88 mm",
                           "Level: 4 --- 0.94 mm", "Level: 5 --- 0.47 mm", "Level: 6 --- 0.24 mm",
                           "Level: 7 --- 0.12 mm", "Level: 8 --- 0.06 mm"};
    for (uint8_t level = 0; level < 8; ++level) {
        rows.push_back({1, level, {0, 0}, texts[level]});
        rows.push_back({1, level, {0, 1}, std::string(texts[level]) + ";  Interleaved Scan"});
    }
    rows.push_back({1, 0xFF, {0, 0}, ""}); // level -1
    rows.push_back({1, 8, {0, 0}, ""});
    rows.push_back({1, 8, {1, 1}, ";  Interleaved Scan"});
    rows.push_back({1, 3, {1, 0}, "Level: 4 --- 0.94 mm"}); // the single-level pass flag is not read
    rows.push_back({0, 3, {1, 0}, "Spatial Interleaved Scan"});
    rows.push_back({0, 3, {0, 1}, ""});
    rows.push_back({0, 0, {2, 0}, ""});
    for (const Row& row : rows) {
        CSpatialScanData scan;
        scan.m_IsZeltData = row.zelt;
        scan.m_ZeltLevel = row.level;
        scan.m_SpatialBytes = row.bytes;
        EXPECT_EQ(CSpatialViewZeltp::LevelCaption(&scan), row.expected)
            << int(row.zelt) << " " << int(row.level) << " " << int(row.bytes[0]) << int(row.bytes[1]);
    }
    // A spectral/spatial scan carries neither pass flag; no scan: no caption.
    CSpectralSpatialScanData components;
    components.m_IsZeltData = 1;
    components.m_ZeltLevel = 2;
    EXPECT_EQ(CSpatialViewZeltp::LevelCaption(&components), "Level: 3 --- 1.88 mm");
    EXPECT_EQ(CSpatialViewZeltp::LevelCaption(nullptr), "");
}

TEST_F(ZeltViewTest, LevelPointsColourTheirSubCellsAndNoValueMarksOnlyTheCell) {
    // Level 1 on a 3 x 4 grid (128-pixel cells, 64-pixel sub-cells); 10 to 80 dBuV.
    CSpatialViewZeltp& view = ShowLevels(3, 4, 1,
                                         {{0, 0, 0, 0, 100.0F},
                                          {0, 0, 0, 1, 200.0F},
                                          {0, 0, 1, 0, 300.0F},
                                          {0, 0, 1, 1, 400.0F},
                                          {1, 1, 0, 0, 800.0F},
                                          {1, 1, 1, 1, -10000.0F},
                                          {2, 3, 1, 0, 500.0F}});
    EXPECT_EQ(view.GetSubDivision(), 2);
    EXPECT_EQ(view.GetReceivedPointCount(), 7);
    EXPECT_EQ(view.GetCurrentLevel(), 5);
    // The -10000.0 point moved neither extreme.
    EXPECT_FLOAT_EQ(view.GetMeasuredMinimum(), 10.0F);
    EXPECT_FLOAT_EQ(view.GetMeasuredMaximum(), 80.0F);
    struct Valued {
        int r, c, sr, sc;
        float amplitude;
    };
    for (const Valued& v :
         {Valued{0, 0, 0, 0, 10.0F}, Valued{0, 0, 0, 1, 20.0F}, Valued{0, 0, 1, 0, 30.0F},
          Valued{0, 0, 1, 1, 40.0F}, Valued{1, 1, 0, 0, 80.0F}, Valued{2, 3, 1, 0, 50.0F}}) {
        SCOPED_TRACE(std::to_string(v.r) + "," + std::to_string(v.c) + "/" + std::to_string(v.sr) + "," +
                     std::to_string(v.sc));
        const QPoint centre = SubCentre(v.r, v.c, v.sr, v.sc);
        EXPECT_EQ(At(centre), PaletteColour(IndexOf(v.amplitude, 10.0F, 80.0F)));
        const Hit hit = HitAt(centre);
        EXPECT_FLOAT_EQ(hit.value, v.amplitude);
        EXPECT_EQ((std::array<int32_t, 4>{hit.row, hit.column, hit.subRow, hit.subColumn}),
                  (std::array<int32_t, 4>{v.r, v.c, v.sr, v.sc}));
    }
    // The -10000.0 point: its cell has data, its sub-cell no value and the hit test finds none.
    EXPECT_EQ(view.GetCell(1, 1).m_HasData, 1);
    ASSERT_NE(view.GetSubCells(1, 1), nullptr);
    EXPECT_EQ(view.GetSubCells(1, 1)[3].m_HasValue, 0);
    EXPECT_EQ(HitAt(SubCentre(1, 1, 1, 1)).value, kNo);
    // A cell without points stays white and has no sub-cells.
    EXPECT_EQ(view.GetSubCells(1, 2), nullptr);
    EXPECT_EQ(At(SubCentre(1, 2, 0, 0)), Qt::white);
    // The caption stands in the map's box.
    const auto& texts = view.GetDrawnTexts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const auto& text) { return text.text == "Level: 2 --- 3.75 mm"; }));
}

TEST_F(ZeltViewTest, LevelZeroIsOneColourPerCellAndSubCellLinesNeedALevelAndRoom) {
    struct Row {
        uint8_t level;
        uint8_t cellLines;
        bool lines; // grey at a sub-cell's left edge
    };
    // 128-pixel cells: a sub-cell is 64, 4 and 2 pixels wide at levels 1, 5 and 6.
    for (const Row& row :
         {Row{0, 1, false}, Row{1, 1, true}, Row{1, 0, false}, Row{5, 1, true}, Row{6, 1, false}}) {
        SCOPED_TRACE(std::to_string(row.level) + " lines " + std::to_string(row.cellLines));
        const int n = 1 << row.level;
        std::vector<Point> points;
        for (uint16_t sr = 0; sr < n; ++sr) {
            for (uint16_t sc = 0; sc < n; ++sc) {
                points.push_back({0, 0, sr, sc, 300.0F});
                points.push_back({1, 1, sr, sc, 600.0F});
            }
        }
        CSpatialViewZeltp& view = ShowLevels(3, 4, row.level, points);
        mediator->spatialDisplay.m_flag1 = row.cellLines;
        Rebuild();
        const CCellRect& cell = view.GetCell(0, 0).m_ViewRect;
        const QColor colour = At(SubCentre(0, 0, 0, 0));
        EXPECT_EQ(colour, PaletteColour(IndexOf(30.0F, 30.0F, 60.0F)));
        if (row.level == 0) {
            for (const QPoint point :
                 {QPoint(cell.left + 10, cell.top + 10), QPoint(cell.left + 64, cell.top + 64),
                  QPoint(cell.right - 10, cell.bottom - 10)}) {
                EXPECT_EQ(At(point), colour);
            }
        }
        if (row.level == 0) {
            continue;
        }
        // The left edge of the sub-cell right of the first, half way down the first sub-row.
        const float w = static_cast<float>(cell.right - cell.left) / static_cast<float>(n);
        const QPoint edge(cell.left + static_cast<int>(w), cell.top + static_cast<int>(w / 2.0F));
        EXPECT_EQ(At(edge), row.lines ? ColorRefToQColor(CSpatialViewZeltp::kSubCellLineColour) : colour);
    }
}

TEST_F(ZeltViewTest, ComponentsTakeTheirPeaksAndMissingSubCellsShowTheMinimum) {
    // Level 2: cell (0, 0) complete, cell (1, 1) with two of its sixteen sub-cells and one
    // component without any amplitude; the scan expects 2 x 16.
    std::vector<std::pair<std::array<uint16_t, 4>, std::vector<float>>> components;
    for (uint16_t k = 0; k < 16; ++k) {
        const float level = 200.0F + 20.0F * k;
        components.push_back({{0, 0, static_cast<uint16_t>(k / 4), static_cast<uint16_t>(k % 4)},
                              {level, level + 50.0F, level}});
    }
    components.push_back({{1, 1, 0, 0}, {100.0F, 100.0F, 900.0F}});
    components.push_back({{1, 1, 2, 3}, {-10000.0F, -20000.0F, -10000.0F}});
    components.push_back({{1, 1, 3, 3}, {700.0F, 600.0F, 600.0F}});
    CSpatialViewZeltp& view = ShowComponents(2, components);
    ASSERT_EQ(view.GetDisplayMode(), CSpatialView::kModeSpectralSpatial);
    EXPECT_EQ(view.GetReceivedPointCount(), 19);
    // Peaks 25 to 55 dBuV in (0, 0), 90 and 70 in (1, 1): the component without amplitude moved
    // neither extreme.
    EXPECT_FLOAT_EQ(view.GetMeasuredMinimum(), 25.0F);
    EXPECT_FLOAT_EQ(view.GetMeasuredMaximum(), 90.0F);
    CScanData& scan = *mediator->GetCurrentSpectralSpatialScanData();
    const _SubCellValue* first = view.GetSubCells(0, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_FLOAT_EQ(first[5].m_Amplitude, 35.0F);
    EXPECT_FLOAT_EQ(first[5].m_Frequency, scan.GetFrequency(1));
    EXPECT_FLOAT_EQ(view.GetCell(1, 1).m_Frequency, scan.GetFrequency(2));
    EXPECT_EQ(At(SubCentre(0, 0, 3, 3)), PaletteColour(IndexOf(55.0F, 25.0F, 90.0F)));
    EXPECT_EQ(At(SubCentre(1, 1, 0, 0)), PaletteColour(IndexOf(90.0F, 25.0F, 90.0F)));
    // The missing sub-cells and the one without amplitude: no value, the minimum's colour.
    const _SubCellValue* second = view.GetSubCells(1, 1);
    ASSERT_NE(second, nullptr);
    for (int k : {1, 7, 11}) {
        EXPECT_EQ(second[k].m_HasValue, 0) << k;
        EXPECT_FLOAT_EQ(second[k].m_Amplitude, 25.0F) << k;
        EXPECT_EQ(At(SubCentre(1, 1, k / 4, k % 4)), PaletteColour(IndexOf(25.0F, 25.0F, 90.0F))) << k;
    }
    EXPECT_EQ(HitAt(SubCentre(1, 1, 2, 3)).value, kNo);
}

TEST_F(ZeltViewTest, ComparisonPaneValuesAreTakenAsTheyAre) {
    Open(kTypeSpatialComparisonNode);
    preferences->spatialDisplay.m_flag8 = 1; // compensation on
    auto result = std::make_unique<CSpatialScanData>();
    result->m_Rows = 2;
    result->m_Columns = 2;
    result->m_IsZeltData = 1;
    result->m_ZeltLevel = 1;
    result->m_LevelOffset = 5.0F;
    result->m_ZeltRecords = {{0, 0, 0, 0, 2.5F}, {0, 0, 1, 1, -3.0F}, {1, 1, 0, 1, 0.5F}};
    ASSERT_TRUE(mediator->SetComparedResult(std::move(result)));
    mediator->ClearComparedResultChanged();
    CSpatialViewZeltp& view = Zelt();
    view.SetComparisonState(2);
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpatialComparison);
    Pump();
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    ASSERT_NE(view.GetSubCells(0, 0), nullptr);
    EXPECT_FLOAT_EQ(view.GetSubCells(0, 0)[0].m_Amplitude, 2.5F);
    EXPECT_FLOAT_EQ(view.GetSubCells(0, 0)[3].m_Amplitude, -3.0F);
    EXPECT_FLOAT_EQ(view.GetSubCells(1, 1)[1].m_Amplitude, 0.5F);
    EXPECT_FLOAT_EQ(view.GetMeasuredMinimum(), -3.0F);
    EXPECT_FLOAT_EQ(view.GetMeasuredMaximum(), 2.5F);
    EXPECT_FALSE(view.IsCompensationApplied());
}

TEST_F(ZeltViewTest, TheFineWindowIsTheDataBoxWidenedUpAndLeftOrTheWholeWindow) {
    struct Row {
        const char* name;
        bool zoomed;
        _ZoomingSpatialRects window; // first row, first column, last row, last column
        bool interpolate;
        std::array<int32_t, 2> origin; // fine row, fine column
        int32_t rows;
        int32_t columns;
    };
    // Level 1 on 6 x 6, data in cells rows 2 to 3, columns 1 to 2: the data box is fine rows 4 to
    // 9 and columns 2 to 7 (one cell beyond the data right and down).
    const Row rows[] = {
        {"whole grid", false, {}, false, {3, 1}, 7, 7},
        {"zoom missing the data box", true, {4, 4, 5, 5}, false, {8, 8}, 4, 4},
        {"interpolated zoom: one cell more up and left", true, {4, 4, 5, 5}, true, {5, 5}, 5, 3},
        {"interpolated whole grid", false, {}, true, {3, 1}, 7, 7},
    };
    std::vector<Point> points;
    for (uint16_t r = 2; r <= 3; ++r) {
        for (uint16_t c = 1; c <= 2; ++c) {
            points.push_back({r, c, 0, 0, 100.0F + 10.0F * r});
            points.push_back({r, c, 1, 1, 200.0F + 10.0F * c});
        }
    }
    CSpatialViewZeltp& view = ShowLevels(6, 6, 1, points);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        mediator->spatialDisplay.m_flag2 = row.interpolate ? 1 : 0;
        CScanData& scan = *mediator->GetCurrentSpatialScanData();
        scan.m_SpatialZoomed = row.zoomed ? 1 : 0;
        scan.m_SpatialZoomWindow = row.window;
        Rebuild();
        EXPECT_EQ(view.GetLevelOrigin(), row.origin);
        EXPECT_EQ(view.GetLevelRows(), row.rows);
        EXPECT_EQ(view.GetLevelColumns(), row.columns);
        EXPECT_EQ(view.GetDrawnRows(), row.rows - (row.interpolate ? 1 : 0));
    }
}

TEST_F(ZeltViewTest, AClickOnASubCellSelectsTheFinePairAndTheSpectralPaneReloadsOnce) {
    std::vector<std::pair<std::array<uint16_t, 4>, std::vector<float>>> components;
    for (uint16_t k = 0; k < 16; ++k) {
        components.push_back({{1, 1, static_cast<uint16_t>(k / 4), static_cast<uint16_t>(k % 4)},
                              {300.0F + 10.0F * k, 200.0F}});
    }
    CSpatialViewZeltp& view = ShowComponents(2, components);
    CSpectralView& spectral = *factory.viewFrames.back()->spectralView;
    CScanData& scan = *mediator->GetCurrentSpectralSpatialScanData();
    Pump();
    const int32_t renders = spectral.GetRenderCount();
    const QImage before = view.GetViewImage().copy();
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, SubCentre(1, 1, 1, 2));
    EXPECT_EQ(scan.m_Points, (std::vector<CScanPoint>{{5, 6}}));
    EXPECT_TRUE(spectral.IsReloadPending());
    EXPECT_EQ(view.GetLastRedrawKind(), CSpatialView::kRedrawSelection);
    Pump();
    EXPECT_EQ(spectral.GetRenderCount(), renders + 1);
    // The mark changed pixels of that sub-cell only (a pixel of slack for the truncated edges).
    const QRect map = view.GetMapRect();
    QRect changed;
    for (int y = map.top(); y <= map.bottom(); ++y) {
        for (int x = map.left(); x <= map.right(); ++x) {
            if (before.pixel(x, y) != view.GetViewImage().pixel(x, y)) {
                changed |= QRect(x, y, 1, 1);
            }
        }
    }
    const QPoint centre = SubCentre(1, 1, 1, 2);
    const float w =
        static_cast<float>(view.GetCell(1, 1).m_ViewRect.right - view.GetCell(1, 1).m_ViewRect.left) / 4.0F;
    const int half = static_cast<int>(w / 2.0F) + 2;
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_TRUE(QRect(centre - QPoint(half, half), centre + QPoint(half, half)).contains(changed))
        << changed.x() << "," << changed.y() << " " << changed.width() << "x" << changed.height();
    // A cell without data selects nothing.
    EXPECT_FALSE(view.SelectCellAt(SubCentre(0, 0, 1, 1).x(), SubCentre(0, 0, 1, 1).y()));
    EXPECT_EQ(scan.m_Points.size(), 1U);
}

TEST_F(ZeltViewTest, NarrowedInterpolatedHitTestAnswersAsTheSearchOverAllQuads) {
    std::mt19937 random(84);
    for (uint8_t level : {4, 5, 7}) {
        SCOPED_TRACE(int(level));
        const int n = 1 << level;
        // 6 x 6 (12 x 12 at level 7: sub-cells a quarter pixel wide, whose centres coincide in
        // fours) with cells (0, 5), (3, 2) and (5, 0) without data and some positions without value.
        const uint16_t size = level == 7 ? 12 : 6;
        std::vector<Point> points;
        std::uniform_real_distribution<float> value(100.0F, 900.0F);
        for (uint16_t r = 0; r < size; ++r) {
            for (uint16_t c = 0; c < size; ++c) {
                if ((r == 0 && c == 5) || (r == 3 && c == 2) || (r == 5 && c == 0)) {
                    continue;
                }
                for (uint16_t sr = 0; sr < n; ++sr) {
                    for (uint16_t sc = 0; sc < n; ++sc) {
                        points.push_back({r, c, sr, sc, (sr * 7 + sc) % 29 == 0 ? -10000.0F : value(random)});
                    }
                }
            }
        }
        CSpatialViewZeltp& view = ShowLevels(size, size, level, points);
        mediator->spatialDisplay.m_flag2 = 1;
        Rebuild();
        const QRect map = view.GetMapRect().adjusted(-5, -5, 5, 5);
        std::uniform_int_distribution<int> x(map.left(), map.right());
        std::uniform_int_distribution<int> y(map.top(), map.bottom());
        int hits = 0;
        for (int k = 0; k < 10000; ++k) {
            const int px = x(random);
            const int py = y(random);
            int32_t r1 = 0, c1 = 0, sr1 = 0, sc1 = 0, r2 = 0, c2 = 0, sr2 = 0, sc2 = 0;
            float f1 = 0.0F, f2 = 0.0F;
            const float narrowed = view.HitTestQuads(px, py, true, r1, c1, f1, sr1, sc1);
            const float all = view.HitTestQuads(px, py, false, r2, c2, f2, sr2, sc2);
            ASSERT_EQ(narrowed, all) << px << "," << py;
            ASSERT_EQ((std::array<int32_t, 4>{r1, c1, sr1, sc1}), (std::array<int32_t, 4>{r2, c2, sr2, sc2}));
            hits += narrowed != kNo ? 1 : 0;
        }
        // Most of the map is covered: the comparison is not one of misses.
        EXPECT_GT(hits, 6000);
        // The hit test narrows above level 3 and answers as the narrowed search.
        int32_t r = 0, c = 0, sr = 0, sc = 0;
        float f = 0.0F;
        const QPoint centre = SubCentre(2, 2, n / 2, n / 2);
        EXPECT_EQ(HitAt(centre).value, view.HitTestQuads(centre.x(), centre.y(), true, r, c, f, sr, sc));
    }
}

TEST_F(ZeltViewTest, OddLevelsPointsAndMarkersDrawWithoutFault) {
    // Points beyond the grid or the sub-division are skipped and not counted (the grid is 29 x 42).
    CSpatialViewZeltp& view = ShowLevels(29, 42, 1,
                                         {{29, 0, 0, 0, 300.0F},
                                          {0, 42, 0, 0, 300.0F},
                                          {3, 3, 2, 0, 300.0F},
                                          {3, 3, 0, 2, 300.0F},
                                          {0xFFFF, 3, 0, 0, 300.0F},
                                          {28, 41, 1, 1, 400.0F}});
    EXPECT_EQ(view.GetReceivedPointCount(), 1);
    EXPECT_EQ(view.GetSubCells(3, 3), nullptr);
    EXPECT_FLOAT_EQ(HitAt(SubCentre(28, 41, 1, 1)).value, 40.0F);
    // Levels no file or packet brings, made in memory: the empty map, no hit, the caption's rule.
    CScanData& scan = *mediator->GetCurrentSpatialScanData();
    for (const bool interpolate : {false, true}) {
        mediator->spatialDisplay.m_flag2 = interpolate ? 1 : 0;
        for (const uint8_t level : {uint8_t{0xFF}, uint8_t{8}, uint8_t{127}}) {
            SCOPED_TRACE(std::to_string(level) + (interpolate ? " interpolated" : ""));
            scan.m_ZeltLevel = level;
            Rebuild();
            EXPECT_EQ(view.GetReceivedPointCount(), 0);
            EXPECT_EQ(HitAt(SubCentre(28, 41, 0, 0)).value, kNo);
            EXPECT_FALSE(view.SelectCellAt(SubCentre(28, 41, 0, 0).x(), SubCentre(28, 41, 0, 0).y()));
            EXPECT_EQ(At(SubCentre(28, 41, 0, 0)), Qt::white);
            EXPECT_EQ(view.GetLevelText(), "");
        }
    }
    // Markers of the spectral pane: indices are clipped to each component, one past its end adds
    // nothing.
    std::vector<std::pair<std::array<uint16_t, 4>, std::vector<float>>> components{
        {{0, 0, 0, 0}, {100.0F, 300.0F, 200.0F}}, {{0, 1, 1, 1}, {500.0F, 100.0F}}};
    CSpatialViewZeltp& linked = ShowComponents(1, components);
    CSpectralView& spectral = *factory.viewFrames.back()->spectralView;
    linked.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)->setCurrentIndex(1);
    Pump();
    struct Row {
        const char* name;
        std::vector<_FrequencyMarkerPoint> markers;
        float first;  // the peak of (0, 0)
        float second; // of (0, 1), 0: no value
    };
    const Row rows[] = {
        {"range reaching past both ends", {{0, 1, 1, 0, 40}}, 30.0F, 10.0F},
        {"single point past the second's end", {{0, 2, 1, 0, -1}}, 20.0F, 0.0F},
        {"far past every end", {{0, 1000, 1, 0, 2000000000}}, 0.0F, 0.0F},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        spectral.SetSelectedFrequencies(row.markers);
        linked.UpdateSelectedFrequencies();
        linked.RedrawView(nullptr, CSpatialView::kRedrawMap);
        ASSERT_NE(linked.GetSubCells(0, 0), nullptr);
        ASSERT_NE(linked.GetSubCells(0, 1), nullptr);
        const _SubCellValue& first = linked.GetSubCells(0, 0)[0];
        const _SubCellValue& second = linked.GetSubCells(0, 1)[3];
        EXPECT_EQ(first.m_HasValue, row.first != 0.0F ? 1 : 0);
        EXPECT_EQ(second.m_HasValue, row.second != 0.0F ? 1 : 0);
        if (row.first != 0.0F) {
            EXPECT_FLOAT_EQ(first.m_Amplitude, row.first);
        }
        if (row.second != 0.0F) {
            EXPECT_FLOAT_EQ(second.m_Amplitude, row.second);
        }
    }
}

} // namespace
} // namespace orv::test
