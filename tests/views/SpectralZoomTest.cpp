// Zooming through a spectrum in the spectral view: drags, the zoom history, the zoom scroll bar and
// the arrow keys, with Qt Test mouse and key events on the offscreen platform.

#include "core/TypeIds.h"
#include "scandata/CSpectralScanData.h"
#include "tests/views/support/SpectralViewFixture.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>

namespace orv::test {
namespace {

// An 800 x 712 view: the axis box is 700 pixels wide from x = 65; 101 points from 100 to 200 MHz
// lie 7 pixels apart from x = 66.
constexpr int kInPlotY = 300;
constexpr int kPoints = 101;

int XOf(int point) {
    return 66 + 7 * point;
}

using Window = std::pair<int32_t, int32_t>;

class SpectralZoomTest : public SpectralViewTest {
protected:
    CSpectralView& ShowSpectrum(int points = kPoints) {
        Open(kTypeSpectralScanNode);
        EXPECT_TRUE(mediator->AddSpectralScanData(
            MirtSpectrum(1, std::vector<int16_t>(static_cast<size_t>(points), 100)), false, false));
        mediator->ShowSpectralScanData(1);
        Pump();
        return View();
    }
    CSpectralScanData& Scan() { return *mediator->GetCurrentSpectralScanData(); }
    Window ViewWindow() { return {View().GetZoomFirst(), View().GetZoomLast()}; }
    Window ScanWindow() { return {Scan().m_SpectralZoomFirst, Scan().m_SpectralZoomLast}; }

    void Drag(int fromX, int toX) {
        QWidget* viewport = View().viewport();
        QTest::mouseMove(viewport, QPoint(fromX, kInPlotY));
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(fromX, kInPlotY));
        QTest::mouseMove(viewport, QPoint((fromX + toX) / 2, kInPlotY));
        QTest::mouseMove(viewport, QPoint(toX, kInPlotY));
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(toX, kInPlotY));
        Pump();
    }
    // Puts the view and the scan on a window, as a drag would, without a history entry.
    void ZoomTo(int32_t first, int32_t last) {
        Scan().m_SpectralZoomed = 1;
        Scan().m_SpectralZoomFirst = first;
        Scan().m_SpectralZoomLast = last;
        Scan().m_SpectralZoomHistory.clear();
        mediator->RefreshSpectralView();
        Pump();
        ASSERT_EQ(ViewWindow(), Window(first, last));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&View(), key, modifiers);
        Pump();
    }
};

TEST_F(SpectralZoomTest, DragsZoomOnlyLeftToRightOverFourPointsOrMore) {
    CSpectralView& view = ShowSpectrum();
    ASSERT_EQ(view.GetTrace()->m_Positions[10].x(), XOf(10));
    struct Row {
        const char* name;
        int from;
        int to;
        bool zooms;
        bool click; // the delta marker is placed
    };
    const Row rows[] = {
        {"right to left", XOf(40), XOf(10), false, false},
        {"over three points", XOf(10), XOf(13), false, false},
        {"two pixels: a click", XOf(20), XOf(20) + 2, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Drag(row.from, row.to);
        EXPECT_FALSE(view.IsZoomed());
        EXPECT_EQ(ViewWindow(), Window(0, kPoints - 1));
        EXPECT_TRUE(view.GetZoomHistory().empty());
        EXPECT_EQ(Scan().m_DeltaMarkerActive, row.click ? 1 : 0);
    }
    EXPECT_FLOAT_EQ(Scan().m_DeltaMarkerFrequency, 120.0F);

    // While dragging, the band runs from the start to the cursor, and hidden markers come back.
    mediator->spectralDisplay.m_switch5 = 1;
    QWidget* viewport = view.viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(XOf(10), kInPlotY));
    QTest::mouseMove(viewport, QPoint(XOf(40), kInPlotY));
    int32_t left = 0;
    int32_t right = 0;
    ASSERT_TRUE(view.GetDragBand(left, right));
    EXPECT_EQ(left, XOf(10));
    EXPECT_EQ(right, XOf(40));
    EXPECT_EQ(mediator->spectralDisplay.m_switch5, 0);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(XOf(40), kInPlotY));
    Pump();
    EXPECT_FALSE(view.GetDragBand(left, right));
    EXPECT_TRUE(view.IsZoomed());
    EXPECT_EQ(ViewWindow(), Window(10, 40));
    EXPECT_EQ(ScanWindow(), Window(10, 40));
    EXPECT_EQ(Scan().m_SpectralZoomed, 1);
    EXPECT_EQ(view.GetFirstVisible(), 10);
    EXPECT_TRUE(view.GetZoomScrollBar().isVisible());
    EXPECT_EQ(view.GetZoomHistory(), (std::vector<CScanPoint>{{10, 40}}));
    EXPECT_EQ(Scan().m_SpectralZoomHistory, (std::vector<CScanPoint>{{10, 40}}));

    // Inside the zoom (31 points, 23 pixels apart) a second drag pushes again; Previous Zoom steps
    // back through both, then to the full range.
    const int from = view.GetTrace()->m_Positions[5].x();
    const int to = view.GetTrace()->m_Positions[15].x();
    Drag(from, to);
    EXPECT_EQ(ViewWindow(), Window(15, 25));
    EXPECT_EQ(Scan().m_SpectralZoomHistory, (std::vector<CScanPoint>{{10, 40}, {15, 25}}));
    view.PreviousZoom();
    Pump();
    EXPECT_EQ(ViewWindow(), Window(10, 40));
    EXPECT_EQ(ScanWindow(), Window(10, 40));
    EXPECT_EQ(view.GetZoomHistory(), (std::vector<CScanPoint>{{10, 40}}));
    EXPECT_EQ(Scan().m_SpectralZoomHistory, view.GetZoomHistory());
    view.PreviousZoom();
    Pump();
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(Scan().m_SpectralZoomed, 0);
    EXPECT_EQ(ViewWindow(), Window(0, kPoints - 1));
    EXPECT_TRUE(view.GetZoomHistory().empty());
    EXPECT_TRUE(Scan().m_SpectralZoomHistory.empty());
    EXPECT_FALSE(view.GetZoomScrollBar().isVisible());
}

TEST_F(SpectralZoomTest, PreviousZoomWithoutHistoryAndResetZoomReturnToTheFullRange) {
    CSpectralView& view = ShowSpectrum();
    // A zoom restored from the scan with no history of its own.
    ZoomTo(20, 30);
    EXPECT_TRUE(view.GetZoomHistory().empty());
    view.PreviousZoom();
    Pump();
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(ViewWindow(), Window(0, kPoints - 1));
    EXPECT_EQ(ScanWindow(), Window(0, kPoints - 1));

    // A restored zoom brings the scan's history along: both step back alike.
    Scan().m_SpectralZoomed = 1;
    Scan().m_SpectralZoomFirst = 22;
    Scan().m_SpectralZoomLast = 28;
    Scan().m_SpectralZoomHistory = {{20, 30}, {22, 28}};
    mediator->RefreshSpectralView();
    Pump();
    EXPECT_EQ(view.GetZoomHistory(), Scan().m_SpectralZoomHistory);
    view.PreviousZoom();
    Pump();
    EXPECT_EQ(ViewWindow(), Window(20, 30));

    view.ResetZoom();
    Pump();
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(Scan().m_SpectralZoomed, 0);
    EXPECT_EQ(ViewWindow(), Window(0, kPoints - 1));
}

TEST_F(SpectralZoomTest, ArrowKeysMoveWidenAndNarrowTheWindow) {
    CSpectralView& view = ShowSpectrum();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20)); // takes the focus
    Pump();
    struct Row {
        const char* name;
        Window start;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Window expected;
    };
    const Row rows[] = {
        {"Right moves right", {10, 20}, Qt::Key_Right, Qt::NoModifier, {11, 21}},
        {"Left moves left", {10, 20}, Qt::Key_Left, Qt::NoModifier, {9, 19}},
        {"Ctrl+Right widens to the right", {10, 20}, Qt::Key_Right, Qt::ControlModifier, {10, 21}},
        {"Shift+Left narrows from the right", {10, 20}, Qt::Key_Left, Qt::ShiftModifier, {10, 19}},
        {"Shift+Left at the first point does nothing", {0, 10}, Qt::Key_Left, Qt::ShiftModifier, {0, 10}},
        {"Left at the first point does nothing", {0, 10}, Qt::Key_Left, Qt::NoModifier, {0, 10}},
        {"Ctrl+Left at the first point narrows", {0, 10}, Qt::Key_Left, Qt::ControlModifier, {0, 9}},
        {"Ctrl+Left stops at a span of 4", {0, 4}, Qt::Key_Left, Qt::ControlModifier, {0, 4}},
        {"Right at the last point does nothing", {90, 100}, Qt::Key_Right, Qt::NoModifier, {90, 100}},
        {"Ctrl+Right at the last point does nothing",
         {90, 100},
         Qt::Key_Right,
         Qt::ControlModifier,
         {90, 100}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZoomTo(row.start.first, row.start.second);
        Key(row.key, row.modifiers);
        EXPECT_EQ(ViewWindow(), row.expected);
        EXPECT_EQ(ScanWindow(), row.expected);
        EXPECT_EQ(view.GetFirstVisible(), row.expected.first);
    }
    // Ctrl+Left held down narrows step by step to a span of 4.
    ZoomTo(0, 10);
    for (int i = 0; i < 10; ++i) {
        Key(Qt::Key_Left, Qt::ControlModifier);
    }
    EXPECT_EQ(ViewWindow(), Window(0, 4));
    // The position follows the window: trunc(first / (n - 2 x (span / 2)) x 100).
    ZoomTo(50, 60);
    Key(Qt::Key_Right);
    EXPECT_EQ(view.GetZoomScrollBar().value(), 51 * 100 / (kPoints - 10));
    // Not zoomed: the arrows leave the full range alone.
    view.ResetZoom();
    Pump();
    Key(Qt::Key_Right);
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(ViewWindow(), Window(0, kPoints - 1));
}

TEST_F(SpectralZoomTest, ScrollBarStepsMoveTheWindowByFourPoints) {
    CSpectralView& view = ShowSpectrum();
    CSpectralScrollBar& bar = view.GetZoomScrollBar();
    struct Row {
        const char* name;
        Window start;
        QAbstractSlider::SliderAction action;
        Window expected;
    };
    const Row rows[] = {
        {"line right", {10, 20}, QAbstractSlider::SliderSingleStepAdd, {14, 24}},
        {"page right", {10, 20}, QAbstractSlider::SliderPageStepAdd, {14, 24}},
        {"line left", {10, 20}, QAbstractSlider::SliderSingleStepSub, {6, 16}},
        {"page left", {10, 20}, QAbstractSlider::SliderPageStepSub, {6, 16}},
        {"left near the start stops at 0", {2, 12}, QAbstractSlider::SliderSingleStepSub, {0, 10}},
        {"right near the end stops at the last point",
         {88, 98},
         QAbstractSlider::SliderPageStepAdd,
         {90, 100}},
        {"to the start is a step too", {10, 20}, QAbstractSlider::SliderToMinimum, {6, 16}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZoomTo(row.start.first, row.start.second);
        bar.triggerAction(row.action);
        Pump();
        EXPECT_EQ(ViewWindow(), row.expected);
        EXPECT_EQ(ScanWindow(), row.expected);
        EXPECT_EQ(view.GetFirstVisible(), row.expected.first);
        // ceil(first / (n - 2 x (span / 2) - 1) x 100)
        EXPECT_EQ(bar.value(), (row.expected.first * 100 + 89) / 90);
    }
    // Dragging the thumb to the middle.
    ZoomTo(10, 20);
    bar.setSliderPosition(50);
    bar.triggerAction(QAbstractSlider::SliderMove);
    Pump();
    EXPECT_EQ(ViewWindow(), Window(45, 55));
    // A window over every point has nowhere to go and scrolls without a fault.
    ZoomTo(0, kPoints - 1);
    for (const auto action : {QAbstractSlider::SliderSingleStepAdd, QAbstractSlider::SliderPageStepSub,
                              QAbstractSlider::SliderToMaximum, QAbstractSlider::SliderMove}) {
        bar.triggerAction(action);
        Pump();
        EXPECT_EQ(ViewWindow(), Window(0, kPoints - 1));
        EXPECT_EQ(bar.value(), 0);
    }
}

} // namespace
} // namespace orv::test
