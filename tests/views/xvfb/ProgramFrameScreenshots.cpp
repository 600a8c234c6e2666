// The real program on a real X server (Xvfb), driven as a user drives it (the placeholder analyser,
// the no-scanner head): Scan on a Spectral node opens the node's spectral frame with the trace drawn;
// Scan on a Spectral/Spatial node opens its frame maximised with every cell of the map coloured; on a
// scanned Spectral frame a drag zooms, clicks set the delta marker and frequency markers, and the
// pointer over the trace shows the read-out; a right click opens the view's menu, whose Copy Image puts
// the plot on the clipboard, where another X client (xclip) reads it. The screen is written out as
// pictures.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/QtConversions.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CProjectView.h"
#include "app/controls/CTabCtrlEx.h"
#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionDoc.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CSpectralSpatialViewFrame.h"
#include "views/spatial/CSpectralViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"
#include "views/spatial/SpatialCell.h"
#include "views/spectral/CSpectralView.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Driver = testing::AcceptanceDriver;

constexpr uint32_t kAddSpectral = 32809;
constexpr uint32_t kAddSpectralSpatial = 32811;
// The light grey the map shows where a cell has no colour.
constexpr QRgb kEmptyCell = 0xE8E8E8U;
// The grid around the scanned area.
constexpr QRgb kWhite = 0xFFFFFFU;

class ProgramFrameScreenshots : public testing::QtWidgetTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
        // As the program's start installs it.
        CViewFrameMaker::Install();
    }
    void TearDown() override { CFormViewFactory::SetFrameMaker({}); }

    // The node's Spectral/Spatial frame once its map has been built; null when it never is.
    static CSpectralSpatialViewFrame* WaitForBuiltMap(QNodeMediator& node) {
        CSpectralSpatialViewFrame* frame = nullptr;
        const auto built = [&] {
            frame = dynamic_cast<CSpectralSpatialViewFrame*>(node.GetFrame(QFrameClass::SpectralSpatial));
            return frame != nullptr && frame->GetSpatialPane() != nullptr &&
                   frame->GetSpatialPane()->GetMapBuildCount() > 0;
        };
        return testing::ProcessEventsUntil(built, 30s) ? frame : nullptr;
    }

    Driver m_driver;
};

TEST_F(ProgramFrameScreenshots, ScanOpensTheSpectralTraceAndTheMaximisedSpectralSpatialMap) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();

    // Spectral: the node's frame shows the scan with its trace.
    QNodeMediator* spectral = testing::AddNodeAndScan(frame, tree, kAddSpectral, kTypeSpectralScanNode);
    ASSERT_NE(spectral, nullptr);
    CSpectralView* view = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            view = dynamic_cast<CSpectralView*>(spectral->GetSpectralView());
            return view != nullptr && view->isVisible() && !view->GetPoints().empty() &&
                   view->GetRenderCount() > 1;
        },
        30s));
    auto* spectralFrame = dynamic_cast<CSpectralViewFrame*>(spectral->GetFrame(QFrameClass::Spectral));
    ASSERT_NE(spectralFrame, nullptr);
    EXPECT_EQ(spectralFrame->GetIconResource(), 438);
    EXPECT_TRUE(spectralFrame->GetWindow()->isVisible());
    EXPECT_EQ(spectralFrame->GetTitle(), spectral->GetName() + " --- Scan ID: 1   ");
    // The trace's colour inside the plot's axis box, as the screen shows it.
    const QRgb trace = ColorRefToQColor(CSpectralView::kTraceColour).rgb() & 0xFFFFFFU;
    int tracePixels = 0;
    auto traceShown = [&] {
        const QImage screen = testing::GrabScreen();
        const QRect box = view->GetAxisBox();
        const QPoint origin = view->viewport()->mapToGlobal(QPoint(0, 0));
        tracePixels = 0;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                tracePixels += (screen.pixel(origin + QPoint(x, y)) & 0xFFFFFFU) == trace ? 1 : 0;
            }
        }
        // A line across the plot, not a stray pixel.
        return tracePixels >= box.width() / 2;
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(traceShown, 10s)) << tracePixels << " trace pixels";
    const std::string spectralShot = testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-view.png");
    std::cout << "screenshot: " << spectralShot << "\n";

    // Spectral/Spatial: the frame opens maximised and its map colours every cell scanned.
    QNodeMediator* split =
        testing::AddNodeAndScan(frame, tree, kAddSpectralSpatial, kTypeSpectralSpatialScanNode);
    ASSERT_NE(split, nullptr);
    CSpectralSpatialViewFrame* splitFrame = WaitForBuiltMap(*split);
    ASSERT_NE(splitFrame, nullptr);
    EXPECT_EQ(splitFrame->GetIconResource(), 440);
    EXPECT_TRUE(splitFrame->GetWindow()->isMaximized());
    EXPECT_EQ(splitFrame->GetTitle(), split->GetName() + " --- Scan ID: 1   ");
    CSpatialView& map = *splitFrame->GetSpatialPane();
    int32_t scanId = 0;
    const CSpectralSpatialScanData* scan = split->GetLastSpectralSpatialScanData(scanId);
    ASSERT_NE(scan, nullptr);
    const int scanned = static_cast<int>(scan->m_CellCount);
    // The status bar's "Completed" comes over the command channel; the last cells may still be on
    // their way over the data channel.
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return scan->m_Completed != 0; }, 30s))
        << scan->m_Units.size() << " of " << scanned << " cells arrived";
    ASSERT_GT(scanned, 1);
    // Each scanned cell of the map's grid, coloured on the screen.
    std::vector<QRgb> colours;
    auto cellsShown = [&] {
        const QImage screen = testing::GrabScreen();
        colours.clear();
        for (int row = 0; row < kGridRows; ++row) {
            for (int column = 0; column < kGridColumns; ++column) {
                const CSpatialCell& cell = map.GetCell(row, column);
                if (cell.m_HasData == 0) {
                    continue;
                }
                const QPoint centre =
                    map.mapToGlobal(QPoint((cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
                                           (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2));
                colours.push_back(screen.pixel(centre) & 0xFFFFFFU);
            }
        }
        return static_cast<int>(colours.size()) == scanned &&
               std::none_of(colours.begin(), colours.end(),
                            [](QRgb pixel) { return pixel == kEmptyCell || pixel == kWhite; });
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(cellsShown, 30s))
        << colours.size() << " of " << scanned << " cells with data; " << ::testing::PrintToString(colours);
    // The levels differ from cell to cell, and so do their colours.
    EXPECT_GT(std::set<QRgb>(colours.begin(), colours.end()).size(), 1U);
    std::cout << "cells coloured: " << colours.size() << "\n";
    // Beside the map, the spectral pane draws the full composite of the scanned cells.
    CSpectralView& composite = *splitFrame->GetSpectralPane();
    int sampled = 0;
    int drawn = 0;
    auto compositeShown = [&] {
        const CSpectralDrawPoint* trace = composite.GetTrace();
        if (trace == nullptr || trace->m_Count < 2 || composite.GetPoints().empty()) {
            return false;
        }
        const QImage screen = testing::GrabScreen();
        const QPoint shift(-composite.horizontalScrollBar()->value(),
                           composite.GetPlotRect().top() - composite.GetAxisBox().top() -
                               composite.verticalScrollBar()->value());
        sampled = 0;
        drawn = 0;
        const QRgb blue = ColorRefToQColor(CSpectralView::kTraceColour).rgb() & 0xFFFFFFU;
        // A point counts when the trace colour is at it or beside it: the dotted grid drawn over the
        // trace takes every other pixel of a line.
        for (int32_t k = 0; k < trace->m_Count; k += std::max(1, trace->m_Count / 40)) {
            const QPoint at =
                composite.viewport()->mapToGlobal(trace->m_Positions[static_cast<size_t>(k)] + shift);
            ++sampled;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy) {
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    found = (screen.pixel(at + QPoint(dx, dy)) & 0xFFFFFFU) == blue;
                }
            }
            drawn += found ? 1 : 0;
        }
        return drawn * 5 >= sampled * 4;
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(compositeShown, 30s)) << drawn << " of " << sampled;
    EXPECT_EQ(composite.GetPoints().size(), scan->m_Units.front()->GetPointCount(scan->m_IsZeltData != 0));
    std::cout << "composite points on the screen: " << drawn << " of " << sampled << " sampled\n";
    const std::string splitShot =
        testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-spatial-view.png");
    std::cout << "screenshot: " << splitShot << "\n";

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

TEST_F(ProgramFrameScreenshots, DragZoomMarkersAndTheReadoutOnASpectralFrame) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    QNodeMediator* spectral = testing::AddNodeAndScan(frame, tree, kAddSpectral, kTypeSpectralScanNode);
    ASSERT_NE(spectral, nullptr);
    CSpectralView* view = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            view = dynamic_cast<CSpectralView*>(spectral->GetSpectralView());
            return view != nullptr && view->isVisible() && view->GetTrace() != nullptr &&
                   view->GetTrace()->m_Count > 40;
        },
        30s));
    auto* spectralFrame = dynamic_cast<CSpectralViewFrame*>(spectral->GetFrame(QFrameClass::Spectral));
    ASSERT_NE(spectralFrame, nullptr);
    // Room for the plot, the read-out and the delta boxes, inside the screen.
    spectralFrame->GetWindow()->resize(860, 640);
    testing::FlushEvents();
    QWidget* viewport = view->viewport();
    const QRect box = view->GetAxisBox();
    const int y = 90 + box.top() + box.height() / 2;
    const auto* scan = spectral->GetCurrentSpectralScanData();
    ASSERT_NE(scan, nullptr);

    // A drag over the middle of the plot zooms into it; the band shows while the button is held.
    const int from = box.left() + box.width() / 4;
    const int to = box.left() + box.width() * 3 / 5;
    const int32_t pointsBefore = view->GetTrace()->m_Count;
    QTest::mouseMove(viewport, QPoint(from, y));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(from, y));
    QTest::mouseMove(viewport, QPoint((from + to) / 2, y));
    QTest::mouseMove(viewport, QPoint(to, y));
    int32_t bandLeft = 0;
    int32_t bandRight = 0;
    EXPECT_TRUE(view->GetDragBand(bandLeft, bandRight));
    // The translucent blue over the white plot, on the screen.
    auto bandShown = [&] {
        // The pointer of the X server may report where it was before the test's moves, and a
        // relayout still queued from the resize renders afresh and takes the band away: the next
        // move of the hand brings the band back.
        if (!view->GetDragBand(bandLeft, bandRight) || bandRight != to) {
            QTest::mouseMove(viewport, QPoint(to - 1, y));
            QTest::mouseMove(viewport, QPoint(to, y));
        }
        const QRgb pixel =
            testing::GrabScreen().pixel(viewport->mapToGlobal(QPoint((from + to) / 2, 90 + box.top() + 5)));
        return qBlue(pixel) > qRed(pixel) + 40 && qRed(pixel) > 100;
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(bandShown, 10s));
    const std::string bandShot = testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-drag-band.png");
    std::cout << "screenshot: " << bandShot << "\n";
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(to, y));
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            return view->IsZoomed() && view->GetTrace() != nullptr &&
                   view->GetTrace()->m_Count < pointsBefore;
        },
        10s));
    ASSERT_EQ(view->GetZoomHistory().size(), 1U);
    EXPECT_TRUE(view->GetZoomScrollBar().isVisible());

    // The delta marker on one point, two frequency markers, and a range marker as a pasted scan
    // brings it.
    const CSpectralDrawPoint& trace = *view->GetTrace();
    const int count = trace.m_Count;
    auto xOf = [&](int j) { return view->GetTrace()->m_Positions[static_cast<size_t>(j)].x(); };
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(xOf(count / 5), y));
    testing::FlushEvents();
    EXPECT_EQ(scan->m_DeltaMarkerActive, 1);
    view->SetClickSetsDelta(false);
    view->SetSingleMarker(false);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(xOf(count / 3), y));
    testing::FlushEvents();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(xOf(count * 5 / 6), y));
    testing::FlushEvents();
    const int32_t firstPoint = view->GetTrace()->m_PointIndexes[static_cast<size_t>(count / 2)];
    std::vector<_FrequencyMarkerPoint> markers;
    view->GetSelectedFrequencies(markers);
    ASSERT_EQ(markers.size(), 2U);
    markers.insert(markers.begin() + 1,
                   _FrequencyMarkerPoint{0.0F, firstPoint, 1, 0, firstPoint + count / 10});
    view->SetSelectedFrequencies(markers);
    view->GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
    testing::FlushEvents();
    EXPECT_EQ(scan->m_FrequencyMarkers.size(), 3U);

    // The read-out at a point of the trace.
    const int k = count * 2 / 3;
    const QPoint point = view->GetTrace()->m_Positions[static_cast<size_t>(k)] + QPoint(0, 90);
    QTest::mouseMove(viewport, QPoint(point.x(), point.y() - 30));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return view->GetReadout().shown; }, 10s));
    const CSpectralView::Readout& readout = view->GetReadout();
    std::cout << "read-out: " << readout.text << "\n";
    EXPECT_EQ(readout.text.rfind("Row:", 0), 0U) << readout.text;
    // The whole text box inside the view.
    EXPECT_TRUE(viewport->rect().contains(readout.box)) << readout.box.x() << "," << readout.box.y();
    const QColor crossHair = ColorRefToQColor(CSpectralView::kCrossHairColour);
    auto crossHairShown = [&] {
        const QImage screen = testing::GrabScreen();
        const QPoint left = viewport->mapToGlobal(QPoint(box.left() + 3, readout.point.y()));
        return (screen.pixel(left) & 0xFFFFFFU) == (crossHair.rgb() & 0xFFFFFFU);
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(crossHairShown, 10s));
    const std::string readoutShot =
        testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-markers-readout.png");
    std::cout << "screenshot: " << readoutShot << "\n";

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

TEST_F(ProgramFrameScreenshots, DragZoomAndTheReadoutOnASpectralSpatialMap) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    QNodeMediator* split =
        testing::AddNodeAndScan(frame, tree, kAddSpectralSpatial, kTypeSpectralSpatialScanNode);
    ASSERT_NE(split, nullptr);
    CSpectralSpatialViewFrame* splitFrame = WaitForBuiltMap(*split);
    ASSERT_NE(splitFrame, nullptr);
    CSpatialView& map = *splitFrame->GetSpatialPane();
    const std::array<int32_t, 4> whole = map.GetZoomWindow();
    ASSERT_FALSE(map.IsZoomed());
    ASSERT_GE(whole[1], 1);
    ASSERT_GE(whole[3], 1);
    auto screenAt = [&](QPoint point) {
        return testing::GrabScreen().pixel(map.mapToGlobal(point)) & 0xFFFFFFU;
    };
    auto centre = [&](int32_t row, int32_t column) {
        const CSpatialCell& cell = map.GetCell(row, column);
        return QPoint((cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
                      (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2);
    };
    // A cell with data inside the window rows 0..r, columns 0..c.
    auto dataCell = [&](int32_t lastRow, int32_t lastColumn, int32_t& row, int32_t& column) {
        for (row = lastRow; row >= 0; --row) {
            for (column = lastColumn; column >= 0; --column) {
                if (map.GetCell(row, column).m_HasData != 0) {
                    return true;
                }
            }
        }
        return false;
    };
    int32_t shownRow = 0;
    int32_t shownColumn = 0;
    ASSERT_TRUE(dataCell(whole[1], whole[3], shownRow, shownColumn));
    const QColor shownColour = ColorRefToQColor(map.GetCell(shownRow, shownColumn).m_Colour);
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] { return screenAt(centre(shownRow, shownColumn)) == (shownColour.rgb() & 0xFFFFFFU); }, 30s));
    const float cellBefore = map.GetCellSize();
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-spatial-before-zoom.png") << "\n";

    // A drag from the first cell to the middle of the grid: the band shows while the button is held.
    const int32_t lastRow = std::max(whole[1] / 2, 1);
    const int32_t lastColumn = std::max(whole[3] / 2, 1);
    const QPoint from = centre(0, 0);
    const QPoint to = centre(lastRow, lastColumn);
    QTest::mouseMove(&map, from);
    QTest::mousePress(&map, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&map, (from + to) / 2);
    QTest::mouseMove(&map, to);
    const QColor band = QColor::fromRgba(CSpatialView::kRubberBandArgb);
    auto bandShown = [&] {
        // The X server may report the pointer where the first move put it after the test's later
        // moves: the next move of the hand brings the band back to its end.
        if (map.GetRubberBand() != QRect(from, to).normalized()) {
            QTest::mouseMove(&map, to - QPoint(1, 1));
            QTest::mouseMove(&map, to);
        }
        // The band's violet over the map: red and blue well above green.
        const QRgb pixel = screenAt(from + QPoint(4, 4));
        return !map.GetRubberBand().isEmpty() && qRed(pixel) > qGreen(pixel) + 30 &&
               qBlue(pixel) > qGreen(pixel) + 30 && band.alpha() > 0;
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(bandShown, 10s))
        << "band " << map.GetRubberBand().x() << "," << map.GetRubberBand().y() << " "
        << map.GetRubberBand().width() << "x" << map.GetRubberBand().height() << " armed "
        << map.IsDragArmed() << " pixel " << std::hex << screenAt(from + QPoint(4, 4)) << std::dec << " from "
        << from.x() << "," << from.y() << " visible " << map.isVisible() << " global "
        << map.mapToGlobal(from).x() << "," << map.mapToGlobal(from).y();
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-spatial-drag-band.png") << "\n";
    QTest::mouseRelease(&map, Qt::LeftButton, Qt::NoModifier, to);
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return map.IsZoomed(); }, 10s));
    EXPECT_EQ(map.GetZoomWindow(), (std::array<int32_t, 4>{0, lastRow, 0, lastColumn}));
    EXPECT_EQ(map.GetZoomHistory().size(), 1U);
    EXPECT_GT(map.GetCellSize(), cellBefore);
    ASSERT_TRUE(dataCell(lastRow, lastColumn, shownRow, shownColumn));
    const QColor zoomedColour = ColorRefToQColor(map.GetCell(shownRow, shownColumn).m_Colour);
    EXPECT_TRUE(testing::ProcessEventsUntil(
        [&] { return screenAt(centre(shownRow, shownColumn)) == (zoomedColour.rgb() & 0xFFFFFFU); }, 10s));
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-spatial-after-zoom.png") << "\n";

    // The pointer over a cell: the read-out beside it, in its colours on the screen.
    const QPoint over = centre(shownRow, shownColumn);
    QTest::mouseMove(&map, over);
    auto readoutShown = [&] {
        if (!map.GetReadout().shown) {
            QTest::mouseMove(&map, over + QPoint(1, 0));
            QTest::mouseMove(&map, over);
        }
        const CSpatialView::Readout& readout = map.GetReadout();
        return readout.shown && screenAt(readout.rect.topLeft() + QPoint(1, 1)) ==
                                    (ColorRefToQColor(CSpatialView::kReadoutBackground).rgb() & 0xFFFFFFU);
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(readoutShown, 10s));
    const CSpatialView::Readout& readout = map.GetReadout();
    std::cout << "read-out: " << readout.text << "\n";
    EXPECT_EQ(readout.text.rfind(" Row:", 0), 0U) << readout.text;
    EXPECT_TRUE(map.rect().contains(readout.rect));
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-spatial-readout.png") << "\n";

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

TEST_F(ProgramFrameScreenshots, HeaderAndFrequencyListOfASpectralSpatialMap) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    QNodeMediator* split =
        testing::AddNodeAndScan(frame, tree, kAddSpectralSpatial, kTypeSpectralSpatialScanNode);
    ASSERT_NE(split, nullptr);
    CSpectralSpatialViewFrame* splitFrame = WaitForBuiltMap(*split);
    ASSERT_NE(splitFrame, nullptr);
    CSpatialView& map = *splitFrame->GetSpatialPane();
    CSpectralView& spectrum = *splitFrame->GetSpectralPane();
    CSpectralSpatialScanData* scan = split->GetCurrentSpectralSpatialScanData();
    ASSERT_NE(scan, nullptr);
    const auto count = static_cast<int32_t>(scan->m_PointCount);
    ASSERT_GE(count, 10);
    // A selected single marker, a range not selected, and a selected range.
    auto range = [&](int32_t first, int32_t last, uint8_t selected) {
        const float from = scan->GetFrequency(first);
        const float to = scan->GetFrequency(last);
        return _FrequencyMarkerPoint{from, first, selected, std::bit_cast<uint32_t>(to), last};
    };
    _FrequencyMarkerPoint single = range(count / 5, count / 5, 1);
    single.m_LastIndex = -1;
    spectrum.SetSelectedFrequencies(
        {single, range(count / 3, count / 2, 0), range(count * 2 / 3, count - 1, 1)});
    // The chooser's second tab: the map of the selected frequencies with the list beside it.
    map.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)->setCurrentIndex(1);
    auto screenAt = [&](QPoint point) {
        return testing::GrabScreen().pixel(map.mapToGlobal(point)) & 0xFFFFFFU;
    };
    const QRgb button = ColorRefToQColor(CSpatialView::kToggleColour).rgb() & 0xFFFFFFU;
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            return map.GetFrequencyList().isVisible() && map.GetFrequencyList().GetItemCount() == 3 &&
                   !map.GetListToggleRect().isEmpty() &&
                   screenAt(map.GetListToggleRect().topLeft()) == button;
        },
        30s));
    ASSERT_EQ(map.GetLegendTexts().size(), 5U);
    EXPECT_EQ(map.GetLegendTexts()[0].text, "             Spatial             ");
    EXPECT_EQ(map.GetLegendTexts()[1].text.find("Freq"), std::string::npos) << map.GetLegendTexts()[1].text;
    // Every header line above the tab strip; the list's rows whole in its column; the grid left of it.
    const QRect strip = map.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)->geometry();
    for (const CSpatialView::DrawnText& line : map.GetLegendTexts()) {
        std::cout << "header: [" << line.text << "]\n";
        EXPECT_LT(line.rect.bottom(), strip.top()) << line.text;
    }
    const CSelectedFrequencyList& list = map.GetFrequencyList();
    const QFontMetrics rowMetrics(list.GetRowFont());
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const QString shown =
            CSelectedFrequencyList::ShownText(QString::fromStdString(list.GetItemText(row)));
        EXPECT_LE(rowMetrics.horizontalAdvance(shown), list.GetRowTextWidth()) << shown.toStdString();
    }
    EXPECT_LT(map.GetMapRect().right(), list.geometry().left());
    EXPECT_EQ(map.GetFrequencyList().GetItemTextColour(0), CSelectedFrequencyList::kSelectedTextColour);
    EXPECT_EQ(map.GetFrequencyList().GetItemTextColour(1), CSelectedFrequencyList::kOtherTextColour);
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-spatial-header-list.png") << "\n";

    // The button collapses the list: the map area reaches the colour bar and the button follows.
    const int expandedRight = map.GetListToggleRect().right();
    QTest::mouseClick(&map, Qt::LeftButton, Qt::NoModifier, map.GetListToggleRect().center());
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            return !map.GetFrequencyList().isVisible() &&
                   map.GetListToggleRect().right() == expandedRight + 120 &&
                   screenAt(map.GetListToggleRect().topLeft()) == button;
        },
        30s));
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-spatial-list-collapsed.png")
              << "\n";

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

// Pixels of a header's text (black, smoothed) in the columns of the band: none at the edges of a
// line drawn whole.
int HeaderTextPixels(const QImage& screen, const QWidget& widget, int top, int bottom, int left, int right) {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            count += qGray(screen.pixel(widget.mapToGlobal(QPoint(x, y)))) < 128 ? 1 : 0;
        }
    }
    return count;
}

TEST_F(ProgramFrameScreenshots, SpectralSpatialFrameInTheProjectWindowAsItFirstOpens) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithNewProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    // The project window as it first opens, four fifths of the client; its frame maximised in it.
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    QNodeMediator* split =
        testing::AddNodeAndScan(frame, tree, kAddSpectralSpatial, kTypeSpectralSpatialScanNode);
    ASSERT_NE(split, nullptr);
    CSpectralSpatialViewFrame* splitFrame = WaitForBuiltMap(*split);
    ASSERT_NE(splitFrame, nullptr);
    CSpectralView& spectrum = *splitFrame->GetSpectralPane();
    CSpatialView& map = *splitFrame->GetSpatialPane();
    QWidget& spectrumArea = *spectrum.viewport();
    std::cout << "panes: spectral " << spectrumArea.width() << ", spatial " << map.width() << "\n";
    // Narrower than the spectral plot's own 450 pixels: it scrolls, its header and captions do not.
    EXPECT_LT(spectrumArea.width(), 450);

    // Each pane's five header lines on the screen, none reaching the pane's edges.
    constexpr std::array<std::pair<int, int>, 5> kLines{{{0, 18}, {20, 35}, {35, 50}, {50, 65}, {65, 80}}};
    std::string report;
    auto headersWhole = [&] {
        const QImage screen = testing::GrabScreen();
        report.clear();
        bool whole = true;
        for (const QWidget* pane :
             {static_cast<const QWidget*>(&spectrumArea), static_cast<const QWidget*>(&map)}) {
            const int right = pane->width() - 1;
            for (const auto& [top, bottom] : kLines) {
                const int inside = HeaderTextPixels(screen, *pane, top, bottom, 2, right - 2);
                const int edges = HeaderTextPixels(screen, *pane, top, bottom, 0, 1) +
                                  HeaderTextPixels(screen, *pane, top, bottom, right - 1, right);
                report += std::to_string(inside) + "/" + std::to_string(edges) + " ";
                whole = whole && inside > 20 && edges == 0;
            }
        }
        return whole;
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(headersWhole, 10s)) << report;

    // Every tab of both strips inside its strip, and the strip inside the pane as the screen shows it.
    for (CTabCtrlEx* strip : {spectrum.GetTabStrip(CSpectralView::TabStrip::Composite),
                              map.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)}) {
        ASSERT_NE(strip, nullptr);
        const QWidget& pane =
            strip->parentWidget() == &spectrumArea ? spectrumArea : static_cast<QWidget&>(map);
        const QRect place(strip->mapTo(&pane, QPoint(0, 0)), strip->size());
        EXPECT_TRUE(pane.rect().contains(place));
        for (int index = 0; index < strip->count(); ++index) {
            const QRect tab = strip->tabRect(index);
            EXPECT_GE(tab.left(), 0) << strip->tabText(index).toStdString();
            EXPECT_LT(tab.right(), strip->width()) << strip->tabText(index).toStdString();
            const int advance =
                QFontMetrics(strip->GetCaptionFont()).horizontalAdvance(strip->tabText(index));
            EXPECT_LE(advance + 2 * strip->GetCaptionPadding(), tab.width())
                << strip->tabText(index).toStdString();
        }
        std::cout << "tab captions: " << strip->GetCaptionFont().pixelSize() << " pixels, padding "
                  << strip->GetCaptionPadding() << "\n";
    }
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-spatial-first-size.png") << "\n";

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

TEST_F(ProgramFrameScreenshots, TheSpectralMenuCopiesThePlotForAnotherClient) {
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) {
        GTEST_SKIP() << "xclip is not installed";
    }
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    QNodeMediator* spectral = testing::AddNodeAndScan(frame, tree, kAddSpectral, kTypeSpectralScanNode);
    ASSERT_NE(spectral, nullptr);
    CSpectralView* view = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            view = dynamic_cast<CSpectralView*>(spectral->GetSpectralView());
            return view != nullptr && view->isVisible() && view->GetTrace() != nullptr;
        },
        30s));
    auto* spectralFrame = dynamic_cast<CSpectralViewFrame*>(spectral->GetFrame(QFrameClass::Spectral));
    ASSERT_NE(spectralFrame, nullptr);
    spectralFrame->GetWindow()->resize(860, 640);
    testing::FlushEvents();

    // The real menu, run modally by the right click: the screen is taken while it is open, then Copy
    // Image is chosen from it.
    std::vector<std::string> items;
    QRect menuPlace;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            ADD_FAILURE() << "no menu open";
            return;
        }
        // Until the X server shows the menu as it paints itself: every pixel of its picture in place.
        const QImage own = menu->grab().toImage();
        int differing = 0;
        EXPECT_TRUE(testing::ProcessEventsUntil(
            [&] {
                const QImage shown =
                    testing::GrabScreen().copy(QRect(menu->mapToGlobal(QPoint(0, 0)), own.size()));
                differing = 0;
                for (int y = 0; y < own.height(); y += 2) {
                    for (int x = 0; x < own.width(); x += 2) {
                        differing += (shown.pixel(x, y) & 0xFFFFFFU) != (own.pixel(x, y) & 0xFFFFFFU) ? 1 : 0;
                    }
                }
                return menu->isVisible() && differing == 0;
            },
            5s))
            << differing << " pixels differ";
        for (QAction* action : menu->actions()) {
            items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        }
        menuPlace = menu->geometry();
        std::cout << "screenshot: "
                  << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-context-menu.png") << "\n";
        QAction* copy = CViewTreeMenu::FindCommand(*menu, ViewCommand::kCopyImage);
        ASSERT_NE(copy, nullptr);
        menu->setActiveAction(copy);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint click(300, 250);
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, click);
    testing::FlushEvents();
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.front(), "Run Once");
    EXPECT_EQ(items.back(), "Settings");
    const QPoint clicked = view->viewport()->mapToGlobal(click);
    EXPECT_EQ(menuPlace.topLeft(), clicked + QPoint(10, 0));
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(menuPlace));

    const QImage copied = QGuiApplication::clipboard()->image();
    const QSize expected(view->viewport()->width(), view->viewport()->height() - 45);
    ASSERT_EQ(copied.size(), expected);

    // Another client reads the clipboard while this one serves it.
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                 QStringLiteral("image/png"), QStringLiteral("-o")});
    ASSERT_TRUE(xclip.waitForStarted(10000));
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return xclip.state() == QProcess::NotRunning; }, 20s));
    EXPECT_EQ(xclip.exitCode(), 0) << xclip.readAllStandardError().toStdString();
    QImage png;
    ASSERT_TRUE(png.loadFromData(xclip.readAllStandardOutput(), "PNG"));
    EXPECT_EQ(png.size(), expected);
    for (const QPoint at : {QPoint(5, 5), QPoint(expected.width() / 2, expected.height() / 2),
                            QPoint(expected.width() - 5, expected.height() - 5)}) {
        EXPECT_EQ(png.pixel(at) & 0xFFFFFFU, copied.pixel(at) & 0xFFFFFFU) << at.x() << "," << at.y();
    }
    std::cout << "clipboard read back by xclip: " << png.width() << " x " << png.height() << "\n";

    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

} // namespace
} // namespace orv
