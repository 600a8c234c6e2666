// Markers, the delta marker, peak circles and the hover read-out of the spectral view, driven by
// real mouse and key events on the offscreen platform.

#include "app/QtConversions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "scandata/CSpectralScanData.h"
#include "tests/views/support/SpectralViewFixture.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace orv::test {
namespace {

using orv::testing::PixelAt;

// An 800 x 712 view: the axis box is 700 x 500 at (65, 37) of the plot image, which sits 90 pixels
// down in the client area. Eleven points from 100 to 200 MHz lie 70 pixels apart from x = 66.
constexpr int kHeader = 90;
constexpr int kInPlotY = 300;

int XOf(int point) {
    return 66 + 70 * point;
}

QColor Colour(uint32_t colorRef) {
    return ColorRefToQColor(colorRef);
}

std::vector<int16_t> Flat(size_t count, int16_t level) {
    return std::vector<int16_t>(count, level);
}

class SpectralMarkersTest : public SpectralViewTest {
protected:
    CSpectralView& ShowSpectrum(QSpectralScanAddition addition) {
        Open(kTypeSpectralScanNode);
        const int32_t id = addition.m_Record.m_ScanId;
        EXPECT_TRUE(mediator->AddSpectralScanData(std::move(addition), false, false));
        mediator->ShowSpectralScanData(id);
        Pump();
        return View();
    }
    CSpectralScanData& Scan() { return *mediator->GetCurrentSpectralScanData(); }
    SpectralTestFrame& Frame() { return *factory.spectralFrames.back(); }

    void Click(int x, int y = kInPlotY) {
        QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        Pump();
    }
    void Hover(int x, int y = kInPlotY) {
        QTest::mouseMove(View().viewport(), QPoint(x, y));
        Pump();
    }
    QImage Screen() { return View().viewport()->grab().toImage(); }
    // The y of a point of the main trace in the client area.
    int ClientY(int drawIndex) {
        return View().GetTrace()->m_Positions[static_cast<size_t>(drawIndex)].y() + kHeader;
    }

    static std::vector<int32_t> FirstIndexes(const std::vector<_FrequencyMarkerPoint>& markers) {
        std::vector<int32_t> out;
        for (const _FrequencyMarkerPoint& marker : markers) {
            out.push_back(marker.m_FirstIndex);
        }
        return out;
    }
};

TEST_F(SpectralMarkersTest, DeltaMarkerIsSetMovedClearedAndSetAgainByClicks) {
    std::vector<int16_t> levels = Flat(11, 100);
    levels[3] = 300;
    levels[7] = 200;
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, levels));
    ASSERT_EQ(view.GetTrace()->m_Count, 11);
    ASSERT_EQ(view.GetTrace()->m_Positions[3].x(), XOf(3));

    Click(XOf(3));
    EXPECT_EQ(Scan().m_DeltaMarkerActive, 1);
    EXPECT_FLOAT_EQ(Scan().m_DeltaMarkerFrequency, 130.0F);
    EXPECT_FLOAT_EQ(Scan().m_DeltaMarkerAmplitude, 30.0F);
    EXPECT_EQ(Scan().m_DeltaMarkerIndex, 3);
    // The triangle stands on the trace; the box sits above the axis box.
    const QPoint at = view.GetTrace()->m_Positions[3];
    EXPECT_EQ(PixelAt(view.GetPlotImage(), at.x(), at.y() - 7), Colour(CSpectralView::kDeltaMarkerColour));
    EXPECT_EQ(PixelAt(view.GetPlotImage(), 65 + 10 + 100, 4), Colour(CSpectralView::kDeltaBoxColour));

    Click(XOf(7)); // moved
    EXPECT_FLOAT_EQ(Scan().m_DeltaMarkerFrequency, 170.0F);
    EXPECT_FLOAT_EQ(Scan().m_DeltaMarkerAmplitude, 20.0F);
    Click(XOf(7)); // the same point again: cleared, box and triangle gone
    EXPECT_EQ(Scan().m_DeltaMarkerActive, 0);
    EXPECT_FLOAT_EQ(Scan().m_DeltaMarkerFrequency, -1.0F);
    const QPoint seven = view.GetTrace()->m_Positions[7];
    EXPECT_EQ(PixelAt(view.GetPlotImage(), seven.x(), seven.y() - 7), Colour(0xFFFFFF));
    EXPECT_EQ(PixelAt(view.GetPlotImage(), 65 + 10 + 100, 4), Colour(0xFFFFFF));
    Click(XOf(7)); // and a third click sets it there again
    EXPECT_EQ(Scan().m_DeltaMarkerActive, 1);
    EXPECT_FLOAT_EQ(Scan().m_DeltaMarkerFrequency, 170.0F);

    // The read-out shows the difference to the delta marker in a box of its own, drawn into the
    // plot image just right of the delta box.
    Hover(XOf(3), ClientY(3));
    EXPECT_EQ(view.GetReadoutIndex(), 3);
    EXPECT_EQ(PixelAt(view.GetPlotImage(), 65 + 10 + 200, 4), Colour(CSpectralView::kDeltaBoxColour));
    // Space places it at the read-out's point.
    QTest::keyClick(&view, Qt::Key_Space);
    Pump();
    EXPECT_FLOAT_EQ(Scan().m_DeltaMarkerFrequency, 130.0F);
    // Nothing of it is stored with the scan.
    EXPECT_TRUE(Scan().m_FrequencyMarkers.empty());
}

TEST_F(SpectralMarkersTest, FrequencyMarkerClicksBySelectionModeAndTheSpatialPaneFollows) {
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, Flat(11, 100)));
    view.SetClickSetsDelta(false);
    RecordingLinkedPane& pane = Frame().pane;
    struct Step {
        const char* name;
        bool single;
        int point;
        std::vector<int32_t> expected;
        int updates; // of the spatial pane, after the step
    };
    const Step steps[] = {
        {"single: a first marker", true, 3, {3}, 1},
        {"single: another replaces it", true, 6, {6}, 2},
        {"single: the same again removes it", true, 6, {}, 3},
        {"multi: 6", false, 6, {6}, 4},
        {"multi: 2 goes before", false, 2, {2, 6}, 5},
        {"multi: 9 goes after", false, 9, {2, 6, 9}, 6},
        {"multi: 4 between", false, 4, {2, 4, 6, 9}, 7},
        {"multi: 6 again removes it", false, 6, {2, 4, 9}, 8},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        view.SetSingleMarker(step.single);
        Click(XOf(step.point));
        EXPECT_EQ(FirstIndexes(Scan().m_FrequencyMarkers), step.expected);
        EXPECT_EQ(pane.markerUpdates, step.updates);
        // The pane read the list as it is now.
        EXPECT_EQ(FirstIndexes(pane.markers), step.expected);
    }
    const _FrequencyMarkerPoint& made = Scan().m_FrequencyMarkers.front();
    EXPECT_FLOAT_EQ(made.m_Frequency, 120.0F);
    EXPECT_EQ(made.m_Selected, 1);
    EXPECT_EQ(made.m_LastIndex, -1);

    // A click inside a range marker changes nothing.
    const std::vector<_FrequencyMarkerPoint> withRange{{150.0F, 5, 1, 77, 8}};
    view.SetSelectedFrequencies(withRange);
    Click(XOf(6));
    EXPECT_EQ(Scan().m_FrequencyMarkers, withRange);
    EXPECT_EQ(pane.markerUpdates, 8);
    // Toggling flips the selection in place, carrying the fourth word along.
    view.ToggleSelectedFrequency(0);
    ASSERT_EQ(Scan().m_FrequencyMarkers.size(), 1U);
    EXPECT_EQ(Scan().m_FrequencyMarkers[0].m_Selected, 0);
    EXPECT_EQ(Scan().m_FrequencyMarkers[0].m_Word, 77U);
    EXPECT_EQ(pane.markerUpdates, 9);
    view.ToggleSelectedFrequency(5); // outside the list
    EXPECT_EQ(pane.markerUpdates, 9);
}

TEST_F(SpectralMarkersTest, UserCompositeKeepsItsMarkersInTheNodeAndClicksSetTheDelta) {
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, Flat(11, 100)));
    view.SetNodeKind(kTypeSpectralSpatialUserCompositeNode);
    view.SetClickSetsDelta(false);
    view.AddOrRemoveFrequencyMarker(4);
    Pump();
    EXPECT_EQ(FirstIndexes(mediator->GetFrequencyMarkers()), std::vector<int32_t>{4});
    EXPECT_TRUE(Scan().m_FrequencyMarkers.empty());
    // The click rule of the user composite: always the delta marker.
    Click(XOf(2));
    EXPECT_EQ(Scan().m_DeltaMarkerActive, 1);
    EXPECT_EQ(FirstIndexes(mediator->GetFrequencyMarkers()), std::vector<int32_t>{4});
    // A draw index outside its set does nothing.
    view.AddOrRemoveFrequencyMarker(11);
    view.SetDeltaMarker(-1);
    EXPECT_EQ(mediator->GetFrequencyMarkers().size(), 1U);
    EXPECT_EQ(Scan().m_DeltaMarkerIndex, 2);
}

TEST_F(SpectralMarkersTest, MarkerCrossesAndRangeBandsAgainstTheZoomWindow) {
    // 101 points, zoomed to points 30 to 60: 7 pixels apart from x = 66 + 1.
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, Flat(101, 100)));
    Scan().m_SpectralZoomed = 1;
    Scan().m_SpectralZoomFirst = 30;
    Scan().m_SpectralZoomLast = 60;
    mediator->RefreshSpectralView();
    Pump();
    ASSERT_EQ(view.GetFirstVisible(), 30);
    ASSERT_EQ(view.GetTrace()->m_Count, 31);
    const QImage* image = &view.GetPlotImage();
    const int top = view.GetAxisBox().top() + 3;
    const auto xOf = [&](int point) {
        return view.GetTrace()->m_Positions[static_cast<size_t>(point - 30)].x();
    };
    const QColor white = Colour(0xFFFFFF);
    struct Row {
        const char* name;
        _FrequencyMarkerPoint marker;
        uint8_t exclude;
        int probe;   // a point whose x is probed near the top of the axis box
        bool band;   // the probe lies in a band
        QRgb colour; // its colour over white
    };
    const Row rows[] = {
        {"both ends inside", {0, 40, 1, 0, 50}, 0, 45, true, 0},
        {"only the first end: to the last drawn point", {0, 55, 1, 0, 90}, 0, 59, true, 0},
        {"only the last end: from the first drawn point", {0, 10, 1, 0, 35}, 0, 31, true, 0},
        {"left of the window", {0, 10, 1, 0, 20}, 0, 45, false, 0},
        {"encloses the window", {0, 10, 1, 0, 90}, 0, 45, true, 0},
        {"selected and excluded", {0, 10, 1, 0, 90}, 1, 45, true, 0},
        {"not selected", {0, 10, 0, 0, 90}, 0, 45, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scan().m_MarkerFlag = row.exclude;
        view.SetSelectedFrequencies({row.marker});
        view.GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
        Pump();
        image = &view.GetPlotImage();
        const QColor pixel = PixelAt(*image, xOf(row.probe) + 2, top);
        if (!row.band) {
            EXPECT_EQ(pixel, white);
            continue;
        }
        const uint32_t argb = row.marker.m_Selected == 0 ? CSpectralView::kBandArgb
                              : row.exclude != 0         ? CSpectralView::kExcludedBandArgb
                                                         : CSpectralView::kSelectedBandArgb;
        // The translucent colour over white.
        const QColor over = QColor::fromRgba(argb);
        const double alpha = over.alphaF();
        auto blend = [&](int channel) {
            return static_cast<int>(channel * alpha + 255 * (1.0 - alpha) + 0.5);
        };
        EXPECT_NEAR(pixel.red(), blend(over.red()), 2);
        EXPECT_NEAR(pixel.green(), blend(over.green()), 2);
        EXPECT_NEAR(pixel.blue(), blend(over.blue()), 2);
    }
    // The band ends where its end point is drawn.
    view.SetSelectedFrequencies({{0, 40, 1, 0, 50}});
    view.GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
    Pump();
    EXPECT_NE(PixelAt(view.GetPlotImage(), xOf(50) - 1, top), white);
    EXPECT_EQ(PixelAt(view.GetPlotImage(), xOf(50) + 1, top), white);
    EXPECT_EQ(PixelAt(view.GetPlotImage(), xOf(40) - 1, top), white);

    // A single marker is a cross of 4 pixels each way, red when selected.
    view.SetSelectedFrequencies({{0, 45, 1, 0, -1}, {0, 47, 0, 0, -1}});
    view.GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
    Pump();
    const QPoint selected = view.GetTrace()->m_Positions[15];
    const QPoint other = view.GetTrace()->m_Positions[17];
    EXPECT_EQ(PixelAt(view.GetPlotImage(), selected.x() + 3, selected.y() + 3),
              Colour(CSpectralView::kSelectedMarkerColour));
    EXPECT_EQ(PixelAt(view.GetPlotImage(), other.x() - 3, other.y() + 3),
              Colour(CSpectralView::kMarkerColour));
    // Hidden by the node's option.
    mediator->spectralDisplay.m_switch5 = 1;
    view.GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
    Pump();
    EXPECT_EQ(PixelAt(view.GetPlotImage(), selected.x() + 3, selected.y() + 3), white);
}

TEST_F(SpectralMarkersTest, ARunOfPeaksGetsOneCircleAndTheReadoutMarksIt) {
    std::vector<int16_t> levels = Flat(11, 100);
    levels[3] = levels[4] = levels[5] = levels[8] = 400;
    QSpectralScanAddition addition = MirtSpectrum(1, levels);
    addition.m_MeasuredFrequencies = {{3, 131.5F}, {4, 140.0F}, {5, 150.0F}, {8, 180.25F}};
    CSpectralView& view = ShowSpectrum(std::move(addition));
    const CSpectralDrawPoint& trace = *view.GetTrace();
    const std::vector<uint8_t> flags(trace.m_PeakFlags.begin(), trace.m_PeakFlags.begin() + 11);
    EXPECT_EQ(flags, (std::vector<uint8_t>{0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_FLOAT_EQ(trace.m_PeakFrequencies[3], 131.5F);
    EXPECT_FLOAT_EQ(trace.m_Frequencies[8], 180.25F);
    const QColor pen = Colour(CSpectralView::kTraceColour);
    const QPoint three = trace.m_Positions[3];
    const QPoint four = trace.m_Positions[4];
    EXPECT_EQ(PixelAt(view.GetPlotImage(), three.x(), three.y() - 7), pen);
    EXPECT_EQ(PixelAt(view.GetPlotImage(), four.x(), four.y() - 7), Colour(0xFFFFFF));

    // The read-out over a circled peak: its frequency on the peak background.
    Hover(three.x(), three.y() + kHeader);
    EXPECT_EQ(view.GetReadout().text, "Row:3  Col:4   Amp:40.00  Freq:131.500 ");
    EXPECT_EQ(view.GetReadout().background, CSpectralView::kReadoutPeakBackground);
    Hover(XOf(1));
    EXPECT_EQ(view.GetReadout().background, CSpectralView::kReadoutBackground);
    // A marker placed on a peak takes the peak's frequency.
    view.SetClickSetsDelta(false);
    Click(XOf(8));
    ASSERT_EQ(Scan().m_FrequencyMarkers.size(), 1U);
    EXPECT_FLOAT_EQ(Scan().m_FrequencyMarkers[0].m_Frequency, 180.25F);

    // Peak marking off: no circles.
    mediator->spectralDisplay.m_switch2 = 0;
    view.GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
    Pump();
    EXPECT_EQ(view.GetTrace()->m_PeakFlags[3], 0);
}

TEST_F(SpectralMarkersTest, ReadoutTextsLabelsAndPlacement) {
    QSpectralScanAddition addition = MirtSpectrum(1, Flat(11, 100));
    addition.m_MirtPoints[2].m_Row = 0;
    addition.m_MirtPoints[2].m_Column = 2;
    addition.m_MirtPoints[5].m_Column = 45; // beyond the scanner's 42 column labels
    CSpectralView& view = ShowSpectrum(std::move(addition));
    struct Row {
        const char* name;
        bool labels;
        int point;
        std::string text;
    };
    const Row rows[] = {
        {"numbers", false, 2, "Row:0  Col:2   Amp:10.00  Freq:120.000 "},
        {"scanner labels: row from 1, lettered column", true, 2, "Row:1  Col:C  Amp:10.00  Freq:120.000 "},
        {"a column without a label prints its number", true, 5, "Row:4  Col:45  Amp:10.00  Freq:150.000 "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        preferences->spatialDisplay.m_flag5 = row.labels ? 1 : 0;
        Hover(XOf(row.point) + 1);
        Hover(XOf(row.point));
        ASSERT_TRUE(view.GetReadout().shown);
        EXPECT_EQ(view.GetReadout().text, row.text);
    }
    // Above and right of the cursor; left of it near the right edge.
    Hover(XOf(5), 320);
    EXPECT_EQ(view.GetReadout().box.topLeft(), QPoint(XOf(5) + 15, 320 - 15));
    const QPoint at(XOf(9), ClientY(9));
    Hover(at.x(), 320);
    EXPECT_EQ(view.GetReadout().box.right() + 1, at.x() - 12);
    EXPECT_EQ(view.GetReadout().box.top(), 320 - 15);

    // On the screen: the cross-hair through the point, the text on its background.
    const QImage screen = Screen();
    EXPECT_EQ(PixelAt(screen, 65 + 20, at.y()), Colour(CSpectralView::kCrossHairColour));
    EXPECT_EQ(PixelAt(screen, at.x(), at.y() - 6), Colour(CSpectralView::kCrossHairCircleColour));
    const QRect box = view.GetReadout().box;
    EXPECT_EQ(PixelAt(screen, box.left(), box.top()), Colour(CSpectralView::kReadoutBackground));
    // Leaving the plot wipes it, and so does leaving the window.
    Hover(at.x(), 20);
    EXPECT_FALSE(view.GetReadout().shown);
    EXPECT_EQ(PixelAt(Screen(), at.x(), at.y() - 6), Colour(0xFFFFFF));
    Hover(at.x(), 320);
    ASSERT_TRUE(view.GetReadout().shown);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view.viewport(), &leave);
    EXPECT_FALSE(view.GetReadout().shown);
}

TEST_F(SpectralMarkersTest, ComparisonResultReadoutShowsTheStoredPeakFrequency) {
    Open(kTypeSpectralComparisonNode);
    CSpectralView& view = View();
    CTabCtrlEx& tabs = view.CreateTabStrip(CSpectralView::TabStrip::Comparison);
    tabs.addTab("Test");
    tabs.addTab("Reference");
    tabs.addTab("Comparison");
    auto scan = [&](const std::vector<int16_t>& levels, std::vector<QMeasuredFrequencyData::Entry> peaks) {
        auto data = std::make_unique<CSpectralScanData>();
        data->m_Mediator = mediator.get();
        data->m_StartFrequency = 100.0F;
        data->m_StopFrequency = 200.0F;
        data->m_PointCount = static_cast<uint32_t>(levels.size());
        std::vector<QSpectralPoint> points;
        for (int16_t level : levels) {
            points.push_back(QSpectralPoint{level, 1, 1});
        }
        data->SetMirtPoints(std::move(points));
        data->m_MeasuredFrequencies = std::move(peaks);
        return data;
    };
    ASSERT_TRUE(mediator->SetComparedScan(true, scan(Flat(11, 100), {})));
    // The test scan's peaks at its points 0 and 10 (100 and 200 MHz on its 10 MHz grid).
    ASSERT_TRUE(mediator->SetComparedScan(false, scan(Flat(11, 300), {{0, 100.5F}, {10, 199.75F}})));
    tabs.setCurrentIndex(2);
    Pump();
    const CSpectralDrawPoint* trace = view.GetTrace();
    ASSERT_NE(trace, nullptr);
    const int last = trace->m_Count - 1;
    ASSERT_FLOAT_EQ(trace->m_Frequencies[static_cast<size_t>(last)], 200.0F);
    struct Row {
        int drawIndex;
        std::string text;
    };
    const Row rows[] = {
        {0, "Amp:20.00  Freq:100.500 "},
        {last, "Amp:20.00  Freq:199.750 "},
        {1, FormatC("Amp:20.00  Freq:%-8.3f", static_cast<double>(trace->m_Frequencies[1]))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.drawIndex);
        Hover(trace->m_Positions[static_cast<size_t>(row.drawIndex)].x());
        EXPECT_EQ(view.GetReadout().text, row.text);
    }
    // A tab chosen but not drawn yet: the read-out is not made again.
    view.SetComparisonState(0);
    Hover(trace->m_Positions[0].x());
    EXPECT_EQ(view.GetReadout().text, rows[2].text);
}

// An overlay of two sets with equal steps whose second set is shorter: the overlay variant's
// drawing in miniature (both traces, tab 2).
class OverlayStandIn : public CSpectralView {
public:
    explicit OverlayStandIn(MessageThread& thread) : CSpectralView(thread) {}
    int32_t secondCount = 0;

protected:
    bool LoadTraceData(bool reset, bool& needsData) override {
        m_nDisplayMode = kModeSpectral;
        const bool loaded = CSpectralView::LoadTraceData(reset, needsData);
        m_nDisplayMode = kModeOverlay;
        m_nOverlayTab = 2;
        m_nOverlayTabShown = 2;
        m_nBothTracesShown = 1;
        return loaded;
    }
    void DrawTraces(QPainter& painter) override {
        CSpectralView::DrawTraces(painter);
        if (m_pTrace == nullptr) {
            return;
        }
        m_pSecondTrace = std::make_unique<CSpectralDrawPoint>(secondCount);
        m_pSecondTrace->m_Count = secondCount;
        for (int32_t k = 0; k < secondCount; ++k) {
            const auto i = static_cast<size_t>(k);
            m_pSecondTrace->m_Positions[i] = m_pTrace->m_Positions[i] + QPoint(0, 40);
            m_pSecondTrace->m_Amplitudes[i] = m_pTrace->m_Amplitudes[i] - 3.0F;
            m_pSecondTrace->m_Frequencies[i] = m_pTrace->m_Frequencies[i];
        }
    }
    CScanData* FindShownScanData() const override { return m_pMediator->GetCurrentSpectralScanData(); }
};

TEST_F(SpectralMarkersTest, OverlaySecondLineOnlyWhereTheSecondSetHasThePoint) {
    factory.makeView = [](MessageThread& thread) {
        auto view = std::make_unique<OverlayStandIn>(thread);
        view->secondCount = 6;
        return view;
    };
    CSpectralView& view = ShowSpectrum(MirtSpectrum(1, Flat(11, 100)));
    view.GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
    Pump();
    ASSERT_EQ(view.GetSecondTrace()->m_Count, 6);
    Hover(XOf(4));
    ASSERT_TRUE(view.GetReadout().shown);
    EXPECT_TRUE(view.GetReadout().hasSecond);
    EXPECT_EQ(view.GetReadout().secondText, "Row:0  Col:0   Amp:7.00   Freq:140.000 ");
    EXPECT_EQ(view.GetReadout().secondBox.top(), view.GetReadout().box.top() + 13);
    const QPoint second = view.GetReadout().secondPoint;
    EXPECT_EQ(PixelAt(Screen(), second.x(), second.y() - 6), Colour(CSpectralView::kCrossHairCircleColour));
    Hover(XOf(8));
    ASSERT_TRUE(view.GetReadout().shown);
    EXPECT_FALSE(view.GetReadout().hasSecond);
    EXPECT_TRUE(view.GetReadout().secondText.empty());
}

} // namespace
} // namespace orv::test
