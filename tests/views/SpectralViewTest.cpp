#include "app/QtConversions.h"
#include "app/controls/CTabCtrlEx.h"
#include "core/QSpectralDisplayOptions.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/CViewTree.h"
#include "project/NodeMessages.h"
#include "scandata/CSpectralScanData.h"
#include "tests/project/support/ProjectContainerFakes.h"
#include "tests/views/support/SpectralViewFixture.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace orv::test {
namespace {

using orv::testing::PixelAt;

constexpr uint16_t kSpectralKind = 2003;
constexpr uint16_t kComparisonKind = 2010;

QColor Colour(uint32_t colorRef) {
    return ColorRefToQColor(colorRef);
}

// The node's settings in force: frequency auto, amplitude fixed 0 to 50 dBuV.
void FixAmplitudes(QSpectralDisplayOptions& options, float low = 0.0F, float high = 50.0F) {
    options.m_useSameViewSetting = 1;
    options.m_modeB = 1;
    options.m_modeC = 0;
    options.m_markerLow = low;
    options.m_markerHigh = high;
}

class SpectralViewFixture : public SpectralViewTest {
protected:
    // A Spectral node showing one scan (a 800 x 712 view: axis box 700 x 500 at (65, 37)).
    CSpectralView& ShowSpectrum(QSpectralScanAddition addition) {
        Open(kSpectralKind);
        const int32_t id = addition.m_Record.m_ScanId;
        EXPECT_TRUE(mediator->AddSpectralScanData(std::move(addition), false, false));
        mediator->ShowSpectralScanData(id);
        Pump();
        return View();
    }

    std::unique_ptr<CSpectralScanData> Standalone(const std::vector<int16_t>& levels, float start = 100.0F,
                                                  float stop = 200.0F) {
        auto scan = std::make_unique<CSpectralScanData>();
        scan->m_Mediator = mediator.get();
        scan->m_StartFrequency = start;
        scan->m_StopFrequency = stop;
        scan->m_PointCount = static_cast<uint32_t>(levels.size());
        std::vector<QSpectralPoint> points;
        points.reserve(levels.size());
        for (int16_t level : levels) {
            points.push_back(QSpectralPoint{level, 1, 1});
        }
        scan->SetMirtPoints(std::move(points));
        scan->m_DateText = "today";
        scan->m_ModuleText = "module";
        return scan;
    }
};

TEST_F(SpectralViewFixture, FindPointIndexTable) {
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, {100, 200, 300, 400, 500}));
    // Points 25 MHz apart from 100 MHz, the last at the stop (200 MHz).
    ASSERT_EQ(view.GetPoints().size(), 5U);
    EXPECT_FLOAT_EQ(view.GetPoints()[4].m_Frequency, 200.0F);
    struct Row {
        bool lower;
        float frequency;
        bool found;
        int32_t index;
    };
    const Row rows[] = {
        {true, 150.0F, true, 2},  {false, 150.0F, true, 2},  // exact
        {true, 130.0F, true, 0},  {false, 130.0F, true, 1},  // between: one point of margin below
        {true, 50.0F, true, 0},   {false, 50.0F, false, -1}, // before the first
        {true, 250.0F, true, 4},  {false, 250.0F, true, 4},  // after the last
        {true, 110.0F, true, -1}, {false, 110.0F, true, 0},  // the -1 the zoom window raises
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.frequency) + (row.lower ? " lower" : " upper"));
        int32_t index = 99;
        EXPECT_EQ(view.FindPointIndex(row.lower, index, row.frequency), row.found);
        EXPECT_EQ(index, row.index);
    }
}

TEST_F(SpectralViewFixture, VisibleRangeFromScanAndNodeSettings) {
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, {100, 200, 300, 400, 500}));
    CSpectralScanData& scan = *mediator->GetCurrentSpectralScanData();
    QSpectralDisplayOptions& options = mediator->spectralDisplay;
    struct Row {
        const char* name;
        std::function<void()> set;
        int32_t first;
        int32_t last;
    };
    const Row rows[] = {
        {"scan auto", [&] { scan.m_FrequencyAutoByte = 1; }, 0, 4},
        {"scan fixed 130-170",
         [&] {
             scan.m_FrequencyAutoByte = 0;
             scan.m_LevelLow = 130.0F;
             scan.m_LevelHigh = 170.0F;
         },
         0, 2},
        {"scan fixed min >= max",
         [&] {
             scan.m_LevelLow = 170.0F;
             scan.m_LevelHigh = 170.0F;
         },
         -1, -1},
        {"node fixed, clipped to the scan",
         [&] {
             options.m_useSameViewSetting = 1;
             options.m_modeB = 0;
             options.m_levelLow = 10.0F;
             options.m_levelHigh = 150.0F;
         },
         0, 2},
        {"node fixed outside the scan",
         [&] {
             options.m_levelLow = 300.0F;
             options.m_levelHigh = 400.0F;
         },
         -1, -1},
        {"zoomed ignores the fixed window",
         [&] {
             scan.m_SpectralZoomed = 1;
             scan.m_SpectralZoomFirst = 1;
             scan.m_SpectralZoomLast = 3;
         },
         1, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.set();
        mediator->RefreshSpectralView();
        Pump();
        EXPECT_EQ(view.GetFirstVisible(), row.first);
        EXPECT_EQ(view.GetLastVisible(), row.last);
        EXPECT_EQ(view.GetTrace() != nullptr, row.first >= 0);
    }
}

TEST_F(SpectralViewFixture, DivisionsFollowTheAxisBox) {
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, {100, 200, 300, 400, 500}));
    // Dotted grid pixels in a column / row of the plot image.
    auto gridInColumn = [&](int x) {
        const QImage& image = view.GetPlotImage();
        int count = 0;
        for (int y = view.GetAxisBox().top() + 1; y < view.GetAxisBox().bottom(); ++y) {
            count += PixelAt(image, x, y) == Colour(CSpectralView::kGridColour) ? 1 : 0;
        }
        return count;
    };
    auto gridInRow = [&](int y) {
        const QImage& image = view.GetPlotImage();
        int count = 0;
        for (int x = view.GetAxisBox().left() + 1; x < view.GetAxisBox().right(); ++x) {
            count += PixelAt(image, x, y) == Colour(CSpectralView::kGridColour) ? 1 : 0;
        }
        return count;
    };
    struct Row {
        int clientWidth;
        int clientHeight;
        int axisWidth;
        int axisHeight;
        int divisionsX;
        int divisionsY;
    };
    // Axis box = client - 100 wide, client - 90 - 45 - 77 high.
    const Row rows[] = {{800, 712, 700, 500, 5, 6}, {801, 713, 701, 501, 10, 12}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.clientWidth);
        view.resize(row.clientWidth, row.clientHeight);
        Pump();
        ASSERT_EQ(view.GetAxisBox().width(), row.axisWidth);
        ASSERT_EQ(view.GetAxisBox().height(), row.axisHeight);
        const float xStep = static_cast<float>(row.axisWidth) / static_cast<float>(row.divisionsX);
        const float yStep = static_cast<float>(row.axisHeight) / static_cast<float>(row.divisionsY);
        EXPECT_GT(gridInColumn(65 + static_cast<int>(xStep)), 50);
        EXPECT_GT(gridInRow(37 + static_cast<int>(yStep)), 50);
        // The coarser grid's first line lies where the finer one has none.
        if (row.divisionsX == 5) {
            EXPECT_EQ(gridInColumn(65 + static_cast<int>(xStep / 2)), 0);
        }
    }
}

TEST(SpectralLogGrid, WideAndNarrowRanges) {
    std::vector<_XAxisGrid> grid;
    CSpectralView::BuildLogGrid(10.0F, 65.0F, grid);
    ASSERT_EQ(grid.size(), 5U);
    for (size_t i = 0; i < grid.size(); ++i) {
        EXPECT_FLOAT_EQ(grid[i].m_Frequency, 20.0F + 10.0F * static_cast<float>(i));
        EXPECT_EQ(grid[i].m_Even, 0);
    }
    CSpectralView::BuildLogGrid(10.0F, 50.0F, grid);
    ASSERT_EQ(grid.size(), 4U);
    const float expected[] = {18.0F, 26.0F, 34.0F, 42.0F};
    for (size_t i = 0; i < grid.size(); ++i) {
        EXPECT_FLOAT_EQ(grid[i].m_Frequency, expected[i]);
        EXPECT_EQ(grid[i].m_Even, 1);
    }
}

TEST_F(SpectralViewFixture, PixelsOfAFivePointSpectrum) {
    // Stored tenths: 10, 20, 30, 40 and 60 dBuV; the last lies above the fixed axis and is clamped.
    Open(kSpectralKind);
    FixAmplitudes(mediator->spectralDisplay);
    ASSERT_TRUE(mediator->AddSpectralScanData(MirtSpectrum(1, {100, 200, 300, 400, 600}), false, false));
    mediator->ShowSpectralScanData(1);
    Pump();
    CSpectralView& view = View();
    ASSERT_NE(view.GetTrace(), nullptr);
    const CSpectralDrawPoint& trace = *view.GetTrace();
    ASSERT_EQ(trace.m_Count, 5);
    // f = 100, 125, 150, 175, 200 MHz: x = 66 + trunc((f - 100) * 700 / 100);
    // y = trunc((50 - a) / 50 * 500 + 37).
    const QPoint expected[] = {{66, 437}, {241, 337}, {416, 237}, {591, 137}, {766, 37}};
    const QImage& image = view.GetPlotImage();
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(trace.m_Positions[static_cast<size_t>(i)], expected[i]);
        // A polyline leaves out its last pixel, as LineTo does.
        if (i < 4) {
            EXPECT_EQ(PixelAt(image, expected[i].x(), expected[i].y()), Colour(CSpectralView::kTraceColour));
        }
    }
    const bool nearEnd = PixelAt(image, 765, 37) == Colour(CSpectralView::kTraceColour) ||
                         PixelAt(image, 765, 38) == Colour(CSpectralView::kTraceColour);
    EXPECT_TRUE(nearEnd);
    // The axis box outline, white inside, white bitmap outside the box.
    EXPECT_EQ(PixelAt(image, 65, 300), Colour(CSpectralView::kAxisColour));
    EXPECT_EQ(PixelAt(image, 300, 37), Colour(CSpectralView::kAxisColour));
    EXPECT_EQ(PixelAt(image, 766, 300), Colour(CSpectralView::kAxisColour));
    EXPECT_EQ(PixelAt(image, 400, 536), Colour(CSpectralView::kAxisColour));
    EXPECT_EQ(PixelAt(image, 700, 450), Qt::white);
    EXPECT_EQ(PixelAt(image, 0, 0), Colour(0xA6A6A6));
    EXPECT_EQ(PixelAt(image, 1, 1), Colour(0x747474));
    // The window around the plot: the light-grey background.
    view.show();
    const QImage screen = orv::testing::Grab(*view.viewport());
    EXPECT_EQ(PixelAt(screen, 400, 85), Colour(CSpectralView::kBackgroundColour));
    EXPECT_EQ(PixelAt(screen, 241, 90 + 337), Colour(CSpectralView::kTraceColour));
    EXPECT_EQ(view.GetAmplitudeCaption(), "Amplitude(dBuV)  Fixed");
    EXPECT_EQ(view.GetFrequencyCaption(), "Frequency(MHz)  Auto");
}

TEST_F(SpectralViewFixture, DecimatedTraceDrawsTheSamePixelsAsTheFullOne) {
    std::vector<int16_t> levels(100000);
    for (size_t i = 0; i < levels.size(); ++i) {
        levels[i] = static_cast<int16_t>(200 + ((i * 7919U) % 600U) - (i % 13U) * 10);
    }
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, levels, 10.0F, 1000.0F));
    ASSERT_NE(view.GetTrace(), nullptr);
    const QImage decimated = view.GetPlotImage().copy();
    view.SetFullPolylines(true);
    mediator->RefreshSpectralView();
    Pump();
    EXPECT_EQ(decimated, view.GetPlotImage());
    EXPECT_EQ(view.GetTrace()->m_Count, 100000); // the draw set keeps every point
}

TEST_F(SpectralViewFixture, ZeroSpanAndDegenerateScansDrawWithoutFault) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        const char* name;
        QSpectralScanAddition addition;
        std::function<void(TestMediator&)> set;
        bool traced;
    };
    Row rows[] = {
        {"zero span", MirtSpectrum(1, {100, 200, 300}, 100.0F, 100.0F), nullptr, false},
        {"empty scan", MirtSpectrum(1, {}), nullptr, false},
        {"NaN and infinite amplitudes", ZeltSpectrum(1, {nan, 100.0F, inf, -inf}), nullptr, true},
        {"fixed 50 to 50", MirtSpectrum(1, {100, 200, 300}),
         [](TestMediator& m) { FixAmplitudes(m.spectralDisplay, 50.0F, 50.0F); }, true},
        {"log axis from 0 MHz", MirtSpectrum(1, {100, 200, 300}, 0.0F, 30.0F),
         [](TestMediator& m) { m.spectralDisplay.m_switch4 = 1; }, true},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        Open(kSpectralKind);
        if (row.set) {
            row.set(*mediator);
        }
        ASSERT_TRUE(mediator->AddSpectralScanData(std::move(row.addition), false, false));
        mediator->ShowSpectralScanData(1);
        Pump();
        EXPECT_EQ(View().GetTrace() != nullptr, row.traced);
        EXPECT_GT(Panel().scaleUpdates, 0);
        for (const TracePoint& point : View().GetPoints()) {
            EXPECT_TRUE(std::isfinite(point.m_Amplitude));
        }
    }
    // Fixed 50/50 draws over 50 to 51; the log axis from 0 MHz is linear.
    EXPECT_EQ(View().GetFrequencyCaption(), "Frequency(MHz)  Auto");
}

TEST_F(SpectralViewFixture, ZoomWindowIsClampedOrDropped) {
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, {100, 200, 300, 400, 500}));
    CSpectralScanData& scan = *mediator->GetCurrentSpectralScanData();
    scan.m_SpectralZoomed = 1;
    scan.m_SpectralZoomFirst = 3;
    scan.m_SpectralZoomLast = 40; // beyond the count
    mediator->RefreshSpectralView();
    Pump();
    EXPECT_TRUE(view.IsZoomed());
    EXPECT_EQ(view.GetFirstVisible(), 3);
    EXPECT_EQ(view.GetLastVisible(), 4);
    EXPECT_TRUE(view.GetZoomScrollBar().isVisibleTo(&view));
    scan.m_SpectralZoomFirst = 4;
    scan.m_SpectralZoomLast = 2; // reversed: dropped
    scan.m_SpectralZoomHistory.push_back({1, 2});
    mediator->RefreshSpectralView();
    Pump();
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(scan.m_SpectralZoomed, 0);
    EXPECT_TRUE(scan.m_SpectralZoomHistory.empty());
    EXPECT_EQ(view.GetFirstVisible(), 0);
    EXPECT_EQ(view.GetLastVisible(), 4);
    EXPECT_FALSE(view.GetZoomScrollBar().isVisibleTo(&view));
}

TEST_F(SpectralViewFixture, PointFormatsAndUnits) {
    // Format 0: tenths of a dBuV, converted to the node's unit, offset added.
    QSpectralScanAddition mirt = MirtSpectrum(1, {100, -50});
    mirt.m_Record.m_LevelOffset = 2.5F;
    CSpectralView& view = ShowSpectrum(std::move(mirt));
    ASSERT_EQ(view.GetPoints().size(), 2U);
    EXPECT_FLOAT_EQ(view.GetPoints()[0].m_Amplitude, 12.5F);
    EXPECT_FLOAT_EQ(view.GetPoints()[1].m_Amplitude, -2.5F);
    EXPECT_EQ(view.GetPoints()[0].m_Words[0], 3);
    EXPECT_FLOAT_EQ(view.GetAmpMin(), -2.5F);
    EXPECT_FLOAT_EQ(view.GetAmpMax(), 12.5F);
    mediator->spectralDisplay.m_modeA = 2; // dBm
    mediator->RefreshSpectralView();
    Pump();
    EXPECT_NEAR(view.GetPoints()[0].m_Amplitude, 12.5F - 107.0F, 1e-3);
    EXPECT_EQ(view.GetAmplitudeCaption(), "Amplitude(dBm)  Auto");

    // Format 1: floats clamped to +-10000 before the conversion, all four words kept.
    Open(kSpectralKind);
    ASSERT_TRUE(mediator->AddSpectralScanData(ZeltSpectrum(1, {20000.0F, -20000.0F, 150.0F}), false, false));
    mediator->ShowSpectralScanData(1);
    Pump();
    ASSERT_EQ(View().GetPoints().size(), 3U);
    EXPECT_FLOAT_EQ(View().GetPoints()[0].m_Amplitude, 1000.0F);
    EXPECT_FLOAT_EQ(View().GetPoints()[1].m_Amplitude, -1000.0F);
    EXPECT_FLOAT_EQ(View().GetPoints()[2].m_Amplitude, 15.0F);
    EXPECT_EQ(View().GetPoints()[2].m_Words, (std::array<uint16_t, 4>{3, 4, 5, 6}));
}

TEST_F(SpectralViewFixture, CorrectionWithoutCorrectionDataDrawsTheNodeUnit) {
    QSpectralDisplayOptions prefs;
    prefs.m_switch8 = 1;
    preferences->spectralDisplay = prefs;
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, {100, 200}));
    // The test mediator has no compensation settings: no point is corrected.
    EXPECT_FALSE(view.IsCorrectionApplied());
    EXPECT_EQ(view.GetAmplitudeCaption(), "Amplitude(dBuV)  Auto");
    EXPECT_FLOAT_EQ(view.GetPoints()[0].m_Amplitude, 10.0F);
    const std::vector<std::string> header = view.BuildHeaderLines();
    ASSERT_FALSE(header.empty());
    EXPECT_EQ(header[0], "             Spectral             ");
}

TEST_F(SpectralViewFixture, HeaderLinesAreExactInAnyLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    QSpectralScanAddition addition = MirtSpectrum(7, {105, 255}, 100.5F, 200.25F);
    addition.m_Record.m_ResolutionBandwidth = 0.125F;
    addition.m_Record.m_LevelOffset = -3.5F;
    CSpectralView& view = ShowSpectrum(std::move(addition));
    const std::vector<std::string> expected = {
        "             Spectral             ",
        "      Amp [7.0   to 22.0  dBuV]    Freq [100.500  to 200.250  MHz]      ",
        "Resolution Bandwidth: 0.125000 MHz     Amplification Value:   3.50 dB        ",
        "      Scanner Module: module A      ",
        "   Date: 2026-12-10   ",
    };
    EXPECT_EQ(view.BuildHeaderLines(), expected);
    mediator->GetCurrentSpectralScanData()->m_LevelOffset = 1.0F;
    EXPECT_EQ(view.BuildHeaderLines()[2],
              "Resolution Bandwidth: 0.125000 MHz     Attenuator Value:   1.00 dB     ");
    std::setlocale(LC_ALL, previous.c_str());
}

TEST_F(SpectralViewFixture, WithATabStripTheHeadersFiveLinesAllStandAboveIt) {
    Open(kComparisonKind);
    CSpectralView& view = View();
    CTabCtrlEx& tabs = view.CreateTabStrip(CSpectralView::TabStrip::Comparison);
    for (const char* caption : {"Test View", "Reference View", "Comparison View"}) {
        tabs.addTab(caption);
    }
    ASSERT_TRUE(mediator->SetComparedScan(false, Standalone({100, 200, 300, 400}))); // test
    tabs.setCurrentIndex(1);
    tabs.setCurrentIndex(0);
    Pump();
    ASSERT_EQ(view.BuildHeaderLines().size(), 5U);
    view.show();
    Pump();
    const QImage shown = orv::testing::Grab(*view.viewport());
    const QRect strip = tabs.geometry();
    // The header's line strips (the date line the last, 65 to 80), each with its text drawn, and
    // nothing of the tab strip over them.
    const std::pair<int, int> lines[] = {{0, 18}, {20, 35}, {35, 50}, {50, 65}, {65, 80}};
    for (const auto& [top, bottom] : lines) {
        EXPECT_LE(bottom, strip.top()) << top;
        int text = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QColor pixel = PixelAt(shown, x, y);
                text += pixel.red() < 96 && pixel.green() < 96 && pixel.blue() < 96 ? 1 : 0;
            }
        }
        EXPECT_GT(text, 10) << "line " << top << " to " << bottom;
    }
    // The header as it shows with the strip hidden: the same pixels.
    tabs.hide();
    const QImage bare = orv::testing::Grab(*view.viewport());
    tabs.show();
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            ASSERT_EQ(PixelAt(shown, x, y), PixelAt(bare, x, y)) << x << "," << y;
        }
    }
    // The strip stands on the plot: the plot's frame right below it.
    EXPECT_EQ(PixelAt(shown, 0, strip.bottom() + 1), Colour(0xA6A6A6));
}

TEST_F(SpectralViewFixture, CopyIsAWhite600By300Picture) {
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, {100, 200, 300}));
    view.CopyImageToClipboard(0);
    const QImage& copy = view.GetCopyImage();
    ASSERT_EQ(copy.size(), QSize(600, 300));
    EXPECT_EQ(PixelAt(copy, 300, 100), Qt::white);
    EXPECT_EQ(PixelAt(copy, 65, 100), Colour(CSpectralView::kAxisColour)); // the box's left edge
    EXPECT_EQ(PixelAt(copy, 0, 0), Colour(0xA6A6A6));
    EXPECT_EQ(view.GetAxisBox(), QRect(65, 37, 500, 223));
}

TEST_F(SpectralViewFixture, EachMessageSetsModeAndReloadAndRendersOnce) {
    Open(kSpectralKind);
    ASSERT_TRUE(mediator->AddSpectralScanData(MirtSpectrum(1, {100, 200}), false, false));
    mediator->ShowSpectralScanData(1);
    Pump();
    CSpectralView& view = View();
    struct Row {
        uint32_t message;
        uint64_t wParam;
        int32_t mode;
    };
    const Row rows[] = {
        {NodeMessage::kShowSpectralScan, 0, 1},
        {NodeMessage::kShowSpectralSpatialScan, 1, 2},
        {NodeMessage::kShowHandHeldScan, 1, 3},
        {NodeMessage::kRefreshSpectral, 0, 1},
        {NodeMessage::kRefreshSpectralSpatial, 0, 2},
        {NodeMessage::kRefreshHandHeld, 0, 3},
        {NodeMessage::kRefreshSpectralComparison, 0, 4},
        {NodeMessage::kRefreshSpectralOverlay, 0, 5},
        {NodeMessage::kShowScripting, 0, 6},
        {NodeMessage::kShowLinkedSpectralSpatial, 0, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        const int before = view.GetRenderCount();
        view.GetMessageTarget().Post(row.message, row.wParam);
        thread.Pump(); // the message itself
        EXPECT_EQ(view.GetDisplayMode(), row.mode);
        // Reload stays set until a render of a mode that loads points (modes 1 and 4 here).
        EXPECT_TRUE(view.IsReloadPending() || row.mode == 1 || row.mode == 4);
        Pump(); // the relayout it posted
        EXPECT_EQ(view.GetRenderCount(), before + 1);
    }
    // Not ready: nothing renders.
    view.SetReady(false);
    const int before = view.GetRenderCount();
    view.GetMessageTarget().Post(NodeMessage::kShowSpectralScan);
    Pump();
    EXPECT_EQ(view.GetRenderCount(), before);
    EXPECT_TRUE(view.BuildHeaderLines().empty());
}

TEST_F(SpectralViewFixture, SmallClientIsLaidOutAtTheMinimumSize) {
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, {100, 200, 300}));
    view.resize(300, 200);
    Pump();
    EXPECT_EQ(view.GetLaidOutSize(), QSize(450, 350));
    EXPECT_EQ(view.GetPlotImage().size(), QSize(450, 350 - 90 - 45));
    EXPECT_EQ(Panel().GetWidget()->geometry().top(), 350 - 45);
}

TEST_F(SpectralViewFixture, ComparisonTabsResultAndMissingScans) {
    Open(kComparisonKind);
    CSpectralView& view = View();
    CTabCtrlEx& tabs = view.CreateTabStrip(CSpectralView::TabStrip::Comparison);
    tabs.addTab("Test");
    tabs.addTab("Reference");
    tabs.addTab("Comparison");
    // Nothing compared yet: tabs 0 and 1 show the hint, tab 2 the empty box.
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpectralComparison);
    Pump();
    EXPECT_EQ(PixelAt(view.GetPlotImage(), 65, 100), Colour(0xFFFFFF)); // no axis box
    view.SetComparisonState(2);
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpectralComparison);
    Pump();
    EXPECT_EQ(view.GetComparisonTab(), 2);

    ASSERT_TRUE(mediator->SetComparedScan(true, Standalone({100, 200, 300, 400})));  // reference
    ASSERT_TRUE(mediator->SetComparedScan(false, Standalone({150, 150, 350, 500}))); // test
    // A tab change re-enters through the comparison message.
    tabs.setCurrentIndex(0);
    Pump();
    EXPECT_EQ(view.GetDisplayMode(), 4);
    EXPECT_EQ(view.GetComparisonTab(), 0);
    EXPECT_FLOAT_EQ(view.GetPoints()[0].m_Amplitude, 15.0F); // the test scan, in dBuV

    tabs.setCurrentIndex(2);
    Pump();
    ASSERT_NE(mediator->GetComparedResult(), nullptr);
    EXPECT_FALSE(mediator->IsComparedResultChanged());
    // The result's float records as they come: differences in dB, no conversion or offset.
    const auto& records = static_cast<CSpectralScanData*>(mediator->GetComparedResult())->GetFloatPoints();
    ASSERT_GE(records.size(), 2U);
    ASSERT_EQ(view.GetPoints().size(), records.size());
    EXPECT_FLOAT_EQ(view.GetPoints()[0].m_Amplitude, 5.0F);
    EXPECT_FLOAT_EQ(view.GetPoints()[1].m_Amplitude, -5.0F);
    EXPECT_EQ(view.GetAmplitudeCaption(), "Amplitude(dB)  Auto");
    EXPECT_TRUE(view.BuildHeaderLines().empty());
    // Built once per changed flag.
    CScanData* result = mediator->GetComparedResult();
    mediator->RefreshSpectralView();
    Pump();
    EXPECT_EQ(mediator->GetComparedResult(), result);
    ASSERT_TRUE(mediator->SetComparedScan(false, Standalone({300, 300, 300, 300})));
    EXPECT_TRUE(mediator->IsComparedResultChanged());
    mediator->RefreshSpectralView();
    Pump();
    EXPECT_FLOAT_EQ(view.GetPoints()[0].m_Amplitude, 20.0F);

    // Incomparable scans: a null result, the empty box.
    ASSERT_TRUE(mediator->SetComparedScan(false, Standalone({100, 100}, 500.0F, 600.0F)));
    mediator->RefreshSpectralView();
    Pump();
    EXPECT_EQ(mediator->GetComparedResult(), nullptr);
    EXPECT_EQ(view.GetTrace(), nullptr);
}

TEST_F(SpectralViewFixture, ActivateSelectsNodeAndScanAndRaisesTheFrame) {
    ShowSpectrum(MirtSpectrum(4, {100, 200}));
    containertest::FakeViewTree viewTree;
    TestMediator other(kSpectralKind, "Other");
    viewTree.AddChild(nullptr, CViewTree::kLast, "Board", mediator.get(), true);
    viewTree.SelectItem(viewTree.AddChild(nullptr, CViewTree::kLast, "Other", &other, true));
    View().SetProjectTree(&viewTree);
    list.selected.clear();
    const int raisedBefore = factory.spectralFrames.back()->raised;
    View().ActivateView();
    // Another node was current: this view's node is selected, its shown scan too.
    ASSERT_NE(viewTree.GetSelectedItem(), nullptr);
    EXPECT_EQ(viewTree.GetSelectedItem()->mediator, mediator.get());
    ASSERT_FALSE(list.selected.empty());
    EXPECT_EQ(list.selected.back(), "4");
    EXPECT_GT(factory.spectralFrames.back()->raised, raisedBefore);
    // Already current: the tree is left as it is.
    View().ActivateView();
    EXPECT_EQ(viewTree.GetSelectedItem()->mediator, mediator.get());
    View().SetProjectTree(nullptr);
    View().SetScanTitle("Board --- Scan ID: 4");
    EXPECT_EQ(factory.spectralFrames.back()->title, "Board --- Scan ID: 4");
}

TEST_F(SpectralViewFixture, FailingPanelMakerIsReported) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    const auto previousPrompt = InstallPrompt(prompt);
    CFormViewSpectral::InstallMaker([](CSpectralView&, QWidget*) -> std::unique_ptr<CFormViewSpectral> {
        throw std::runtime_error("no form");
    });
    ShowSpectrum(MirtSpectrum(1, {100, 200}));
    EXPECT_EQ(View().GetFormView(), nullptr);
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text, "Failed in creating CMyFormView");
    EXPECT_NE(View().GetTrace(), nullptr); // the view goes on without it
    InstallPrompt(previousPrompt);
}

} // namespace
} // namespace orv::test
