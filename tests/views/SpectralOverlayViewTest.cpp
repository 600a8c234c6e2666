// The overlay view of a Spectral Overlay node: both scans over the range they share, their colours,
// legend, peak circles, read-out and header, and the overlay result the node keeps.

#include "app/QtConversions.h"
#include "app/controls/CTabCtrlEx.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "scandata/CSpectralScanData.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spectral/CSpectralOverlayView.h"

#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using orv::testing::PixelAt;

constexpr int kInPlotY = 300;

QColor Colour(uint32_t colorRef) {
    return ColorRefToQColor(colorRef);
}

// Levels (tenths of a dBuV) rising by 10 from `first`.
std::vector<int16_t> Ramp(size_t count, int16_t first) {
    std::vector<int16_t> levels(count);
    for (size_t i = 0; i < count; ++i) {
        levels[i] = static_cast<int16_t>(first + 10 * static_cast<int>(i));
    }
    return levels;
}

class SpectralOverlayViewTest : public SpectralViewTest {
protected:
    SpectralOverlayViewTest() {
        factory.makeView = [](MessageThread& thread) {
            return std::make_unique<CSpectralOverlayView>(thread);
        };
    }

    CSpectralOverlayView& OpenOverlay() {
        Open(kTypeSpectralOverlayNode);
        auto& view = dynamic_cast<CSpectralOverlayView&>(View());
        CTabCtrlEx& tabs = view.CreateTabStrip(CSpectralView::TabStrip::Overlay);
        for (const char* caption : {"Test View", "Reference View", "Overlay View"}) {
            tabs.addTab(caption);
        }
        return view;
    }
    // A scan of the node (row = point index, column 7 on the test, 9 on the reference).
    std::unique_ptr<CSpectralScanData> Scan(const std::vector<int16_t>& levels, float start, float stop,
                                            uint16_t column) {
        auto scan = std::make_unique<CSpectralScanData>();
        scan->m_Mediator = mediator.get();
        scan->m_StartFrequency = start;
        scan->m_StopFrequency = stop;
        scan->m_PointCount = static_cast<uint32_t>(levels.size());
        std::vector<QSpectralPoint> points;
        for (size_t i = 0; i < levels.size(); ++i) {
            points.push_back(QSpectralPoint{levels[i], static_cast<uint16_t>(i), column});
        }
        scan->SetMirtPoints(std::move(points));
        scan->m_DateText = "today";
        scan->m_ModuleText = "module";
        return scan;
    }
    void Compare(std::unique_ptr<CSpectralScanData> test, std::unique_ptr<CSpectralScanData> reference) {
        ASSERT_TRUE(mediator->SetComparedScan(false, std::move(test)));
        ASSERT_TRUE(mediator->SetComparedScan(true, std::move(reference)));
    }
    void ShowTab(int tab) {
        View().SetOverlayState(tab);
        View().GetMessageTarget().Post(NodeMessage::kRefreshSpectralOverlay);
        Pump();
    }
    void Hover(int x, int y = kInPlotY) {
        QTest::mouseMove(View().viewport(), QPoint(x, y));
        Pump();
    }
    // The client x of a point of the primary trace.
    int ClientX(int drawIndex) { return View().GetTrace()->m_Positions[static_cast<size_t>(drawIndex)].x(); }

    static std::vector<int32_t> Sources(const std::vector<TracePoint>& points) {
        std::vector<int32_t> out;
        for (const TracePoint& point : points) {
            out.push_back(point.m_SourceIndex);
        }
        return out;
    }
};

TEST_F(SpectralOverlayViewTest, BothScansOverTheCommonRangeInTheirColoursWithTheLegendAndHeader) {
    CSpectralOverlayView& view = OpenOverlay();
    // Test 100-200 MHz and reference 150-300 MHz, both 10 MHz apart.
    Compare(Scan(Ramp(11, 100), 100.0F, 200.0F, 7), Scan(Ramp(16, 400), 150.0F, 300.0F, 9));
    ShowTab(2);

    ASSERT_NE(mediator->GetComparedResult(), nullptr);
    EXPECT_EQ(Sources(view.GetPoints()), (std::vector<int32_t>{5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(Sources(view.GetSecondPoints()), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_FLOAT_EQ(view.GetPoints().front().m_Frequency, 150.0F);
    EXPECT_FLOAT_EQ(view.GetPoints().back().m_Frequency, 200.0F);
    EXPECT_FLOAT_EQ(view.GetSecondPoints().back().m_Frequency, 200.0F);
    // Levels in dBuV, the row and column of each scan's record.
    EXPECT_FLOAT_EQ(view.GetPoints().front().m_Amplitude, 15.0F);
    EXPECT_FLOAT_EQ(view.GetSecondPoints().back().m_Amplitude, 45.0F);
    EXPECT_EQ(view.GetSecondPoints()[2].m_Words[0], 2);
    EXPECT_EQ(view.GetSecondPoints()[2].m_Words[1], 9);
    EXPECT_TRUE(view.AreBothTracesShown());
    EXPECT_FLOAT_EQ(view.GetAmpMin(), 15.0F);
    EXPECT_FLOAT_EQ(view.GetAmpMax(), 45.0F);

    // Drawn: the primary's draw points carry their scan's index, the reference's its own.
    const CSpectralDrawPoint* test = view.GetTrace();
    const CSpectralDrawPoint* reference = view.GetSecondTrace();
    ASSERT_NE(test, nullptr);
    ASSERT_NE(reference, nullptr);
    ASSERT_EQ(test->m_Count, 6);
    ASSERT_EQ(reference->m_Count, 6);
    EXPECT_EQ(test->m_PointIndexes[0], 5);
    EXPECT_EQ(reference->m_PointIndexes[5], 5);
    EXPECT_EQ(view.GetSecondFirstVisible(), 0);
    EXPECT_EQ(view.GetSecondLastVisible(), 5);
    // The two lines between their first two points: blue and green, half-way along.
    const QImage& plot = view.GetPlotImage();
    auto midpoint = [](const CSpectralDrawPoint& set) {
        return (set.m_Positions[0] + set.m_Positions[1]) / 2;
    };
    auto near = [&](QPoint at, uint32_t colour) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (PixelAt(plot, at.x() + dx, at.y() + dy) == Colour(colour)) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(near(midpoint(*test), CSpectralView::kTraceColour));
    EXPECT_TRUE(near(midpoint(*reference), CSpectralView::kSecondTraceColour));
    EXPECT_FALSE(near(midpoint(*test), CSpectralView::kSecondTraceColour));
    // The legend at the axis width (700): the two 2-pixel lines and their texts, in black, right of
    // them.
    const int w = view.GetAxisBox().width();
    ASSERT_EQ(w, 700);
    for (const int y : {10, 11}) {
        EXPECT_EQ(PixelAt(plot, w - 35, y), Colour(CSpectralView::kTraceColour)) << y;
    }
    for (const int y : {25, 26}) {
        EXPECT_EQ(PixelAt(plot, w - 35, y), Colour(CSpectralView::kSecondTraceColour)) << y;
    }
    auto darkIn = [&](int left, int top, int right, int bottom) {
        int dark = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                dark += PixelAt(plot, x, y).lightness() < 100 ? 1 : 0;
            }
        }
        return dark;
    };
    EXPECT_GT(darkIn(w - 20, 4, w + 30, 18), 10);  // "Test Spectral"
    EXPECT_GT(darkIn(w - 20, 19, w + 30, 33), 10); // "Reference Spectral"
    EXPECT_EQ(darkIn(w - 45, 0, w - 22, 8), 0);

    // The header of the common ranges, in any locale.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        std::setlocale(LC_ALL, locale);
        const std::vector<std::string> expected = {
            "             Spectral Overlay            ",
            "      Overlay Amplitude[15.0  to 45.0  dBuV]      ",
            "     Overlay Frequency[150.000  to 200.000  MHz]      ",
        };
        EXPECT_EQ(view.BuildHeaderLines(), expected) << locale;
    }
    std::setlocale(LC_ALL, previous.c_str());
    mediator->spectralDisplay.m_modeA = 2;
    EXPECT_EQ(view.BuildHeaderLines()[1].find("dBm]"), view.BuildHeaderLines()[1].size() - 10);
}

TEST_F(SpectralOverlayViewTest, TheTestAndReferenceTabsShowOneTraceEachBlueAndGreen) {
    CSpectralOverlayView& view = OpenOverlay();
    Compare(Scan(Ramp(11, 100), 100.0F, 200.0F, 7), Scan(Ramp(16, 400), 150.0F, 300.0F, 9));
    struct Row {
        int tab;
        size_t points;
        uint32_t colour;
    };
    for (const Row& row :
         {Row{0, 11, CSpectralView::kTraceColour}, Row{1, 16, CSpectralView::kSecondTraceColour}}) {
        SCOPED_TRACE(row.tab);
        ShowTab(row.tab);
        EXPECT_EQ(view.GetPoints().size(), row.points);
        EXPECT_TRUE(view.GetSecondPoints().empty());
        EXPECT_EQ(view.GetSecondTrace(), nullptr);
        const CSpectralDrawPoint& set = *view.GetTrace();
        EXPECT_EQ(set.m_PointIndexes[3], 3);
        const QPoint at = (set.m_Positions[0] + set.m_Positions[1]) / 2;
        EXPECT_EQ(PixelAt(view.GetPlotImage(), at.x(), at.y()), Colour(row.colour));
        // No legend.
        EXPECT_EQ(PixelAt(view.GetPlotImage(), 700 - 35, 11), Colour(0xFFFFFF));
        // The base header of the scan.
        ASSERT_FALSE(view.BuildHeaderLines().empty());
        EXPECT_EQ(view.BuildHeaderLines()[0], "             Spectral             ");
    }
}

TEST_F(SpectralOverlayViewTest, AMissingScanShowsTheHintOnItsTabAndNothingOnTheOverlayTab) {
    CSpectralOverlayView& view = OpenOverlay();
    ASSERT_TRUE(mediator->SetComparedScan(false, Scan(Ramp(11, 100), 100.0F, 200.0F, 7)));
    struct Row {
        int tab;
        bool loaded;
        bool hint;
    };
    for (const Row& row : {Row{0, true, false}, Row{1, false, true}, Row{2, false, false}}) {
        SCOPED_TRACE(row.tab);
        ShowTab(row.tab);
        bool needsData = true;
        EXPECT_EQ(view.LoadTraceData(true, needsData), row.loaded);
        EXPECT_EQ(needsData, row.hint);
        if (row.loaded) {
            continue;
        }
        // The hint's text in its colour across the middle of the plot.
        bool hinted = false;
        const QImage& plot = view.GetPlotImage();
        for (int y = plot.height() / 2 - 10; y < plot.height() / 2 + 10 && !hinted; ++y) {
            for (int x = 0; x < plot.width() && !hinted; ++x) {
                hinted = PixelAt(plot, x, y) == Colour(CSpectralView::kHintColour);
            }
        }
        EXPECT_EQ(hinted, row.hint);
    }
    EXPECT_TRUE(view.BuildHeaderLines().empty());
    EXPECT_EQ(view.GetTrace(), nullptr);
    EXPECT_EQ(mediator->GetComparedResult(), nullptr);
}

TEST_F(SpectralOverlayViewTest, ACorrectionTheScansRefuseLeavesBothTracesInTheNodesUnit) {
    // The Preferences node asks for field strengths; the scans have no correction data.
    preferences->spectralDisplay.m_switch8 = 1;
    CSpectralOverlayView& view = OpenOverlay();
    Compare(Scan(Ramp(11, 100), 100.0F, 200.0F, 7), Scan(Ramp(16, 400), 150.0F, 300.0F, 9));
    ShowTab(2);
    EXPECT_FALSE(view.IsCorrectionApplied());
    EXPECT_FLOAT_EQ(view.GetPoints().front().m_Amplitude, 15.0F);
    EXPECT_FLOAT_EQ(view.GetSecondPoints().back().m_Amplitude, 45.0F);
    EXPECT_EQ(view.GetAmplitudeCaption(), "Amplitude(dBuV)  Auto");
    const std::vector<std::string> header = view.BuildHeaderLines();
    ASSERT_EQ(header.size(), 3U);
    EXPECT_EQ(header[0], "             Spectral Overlay            ");
    EXPECT_EQ(header[1], "      Overlay Amplitude[15.0  to 45.0  dBuV]      ");
}

TEST_F(SpectralOverlayViewTest, ScansWithoutASharedRangeGiveTwoEmptyTraces) {
    CSpectralOverlayView& view = OpenOverlay();
    Compare(Scan(Ramp(11, 100), 100.0F, 200.0F, 7), Scan(Ramp(11, 100), 300.0F, 400.0F, 9));
    ShowTab(2);
    EXPECT_EQ(mediator->GetComparedResult(), nullptr);
    EXPECT_TRUE(view.GetPoints().empty());
    EXPECT_TRUE(view.GetSecondPoints().empty());
    EXPECT_EQ(view.GetTrace(), nullptr);
    EXPECT_EQ(view.GetSecondTrace(), nullptr);
    EXPECT_EQ(view.BuildHeaderLines()[2], "     Overlay Frequency[300.000  to 200.000  MHz]      ");
}

TEST_F(SpectralOverlayViewTest, TheReadoutNamesTheSecondPointOnlyForEqualStepsAndWhereItExists) {
    struct Row {
        const char* name;
        float referenceStart;
        float referenceStop;
        size_t referencePoints;
        bool both;
        // Hovered draw point of the test trace, and the second line then expected ("" none).
        int hovered;
        std::string second;
    };
    // Test 105-195 MHz (10 points, 10 MHz apart). Reference 25 MHz apart: no second line. Reference
    // on the 10 MHz grid offset by 5 MHz: nine points in the common range, the second line gives the
    // reference's own frequency, and beyond its ninth point none.
    const Row rows[] = {
        {"different steps", 100.0F, 200.0F, 5, false, 3, ""},
        {"offset grid", 100.0F, 200.0F, 11, true, 3, "Row:4  Col:9   Amp:54.00  Freq:140.000 "},
        {"offset grid past the shorter set", 100.0F, 200.0F, 11, true, 9, ""},
    };
    CSpectralOverlayView& view = OpenOverlay();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Compare(Scan(Ramp(10, 100), 105.0F, 195.0F, 7),
                Scan(Ramp(row.referencePoints, 500), row.referenceStart, row.referenceStop, 9));
        ShowTab(2);
        EXPECT_EQ(view.AreBothTracesShown(), row.both);
        ASSERT_EQ(view.GetTrace()->m_Count, 10);
        if (row.both) {
            EXPECT_EQ(view.GetSecondTrace()->m_Count, 9);
        }
        Hover(ClientX(row.hovered));
        ASSERT_TRUE(view.GetReadout().shown);
        EXPECT_EQ(view.GetReadout().hasSecond, !row.second.empty());
        EXPECT_EQ(view.GetReadout().secondText, row.second);
    }
}

TEST_F(SpectralOverlayViewTest, PeakCirclesOnBothTracesAtTheirSourceIndexes) {
    CSpectralOverlayView& view = OpenOverlay();
    std::vector<int16_t> testLevels(11, 100);
    testLevels[7] = 500;
    auto test = Scan(testLevels, 100.0F, 200.0F, 7);
    test->SetMeasuredFrequencies({{7, 170.0F}});
    std::vector<int16_t> referenceLevels(16, 100);
    referenceLevels[3] = 500;
    auto reference = Scan(referenceLevels, 150.0F, 300.0F, 9);
    reference->SetMeasuredFrequencies({{3, 180.0F}});
    Compare(std::move(test), std::move(reference));
    ShowTab(2);

    const CSpectralDrawPoint& first = *view.GetTrace();
    const CSpectralDrawPoint& second = *view.GetSecondTrace();
    // Test point 7 is draw point 2 (from 150 MHz); reference point 3 is draw point 3.
    auto flags = [](const CSpectralDrawPoint& set) {
        return std::vector<uint8_t>(set.m_PeakFlags.begin(), set.m_PeakFlags.begin() + set.m_Count);
    };
    EXPECT_EQ(flags(first), (std::vector<uint8_t>{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(flags(second), (std::vector<uint8_t>{0, 0, 0, 1, 0, 0}));
    EXPECT_FLOAT_EQ(second.m_PeakFrequencies[3], 180.0F);
    const QImage& plot = view.GetPlotImage();
    const QPoint blue = first.m_Positions[2];
    const QPoint green = second.m_Positions[3];
    EXPECT_EQ(PixelAt(plot, blue.x(), blue.y() - 7), Colour(CSpectralView::kTraceColour));
    EXPECT_EQ(PixelAt(plot, green.x(), green.y() - 7), Colour(CSpectralView::kSecondTraceColour));

    // Peak marking off: no circle.
    mediator->spectralDisplay.m_switch2 = 0;
    view.GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
    Pump();
    EXPECT_EQ(view.GetTrace()->m_PeakFlags[2], 0);
    EXPECT_EQ(PixelAt(view.GetPlotImage(), green.x(), green.y() - 7), Colour(0xFFFFFF));
}

TEST_F(SpectralOverlayViewTest, TheOverlayResultIsBuiltOncePerStaleMarkAndHoldsTheZoom) {
    CSpectralOverlayView& view = OpenOverlay();
    Compare(Scan(Ramp(11, 100), 100.0F, 200.0F, 7), Scan(Ramp(16, 400), 150.0F, 300.0F, 9));
    ShowTab(2);
    CScanData* result = mediator->GetComparedResult();
    ASSERT_NE(result, nullptr);
    EXPECT_FALSE(mediator->IsComparedResultChanged());
    for (int i = 0; i < 2; ++i) {
        ShowTab(2);
        EXPECT_EQ(mediator->GetComparedResult(), result);
    }

    // The result's zoom window is the primary's, clamped to its points; one that is empty then is
    // dropped.
    result->m_SpectralZoomed = 1;
    result->m_SpectralZoomFirst = 1;
    result->m_SpectralZoomLast = 4;
    result->m_SpectralZoomHistory = {CScanPoint{1, 4}};
    ShowTab(2);
    EXPECT_TRUE(view.IsZoomed());
    EXPECT_EQ(view.GetZoomFirst(), 1);
    EXPECT_EQ(view.GetZoomLast(), 4);
    EXPECT_EQ(view.GetZoomHistory().size(), 1U);
    // The reference follows by frequency: 160 to 190 MHz.
    EXPECT_EQ(view.GetSecondFirstVisible(), 1);
    EXPECT_EQ(view.GetSecondLastVisible(), 4);
    result->m_SpectralZoomFirst = 4;
    result->m_SpectralZoomLast = 2;
    ShowTab(2);
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(result->m_SpectralZoomed, 0);
    EXPECT_EQ(view.GetZoomLast(), 5);

    // A new scan marks the result stale: one new build.
    ASSERT_TRUE(mediator->SetComparedScan(true, Scan(Ramp(16, 300), 150.0F, 300.0F, 9)));
    ASSERT_TRUE(mediator->IsComparedResultChanged());
    ShowTab(2);
    EXPECT_FALSE(mediator->IsComparedResultChanged());
    ASSERT_NE(mediator->GetComparedResult(), nullptr);
    EXPECT_FLOAT_EQ(view.GetSecondPoints().front().m_Amplitude, 30.0F);
}

} // namespace
} // namespace orv::test
