#include "core/TypeIds.h"
#include "project/COverlayControl.h"
#include "project/NodeMessages.h"
#include "project/QOverlayControlList.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spectral/CSpectralSSView.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using Invalidation = CSpatialView::Invalidation;

class SpatialViewMessages : public SpatialViewTest {
protected:
    // A node of the kind holding `scans` scans of its own kind, the first shown.
    CSpatialView& Prepare(uint16_t kind, int scans) {
        Open(kind);
        for (int id = 1; id <= scans; ++id) {
            if (kind == kTypeSpatialScanNode) {
                EXPECT_TRUE(mediator->AddSpatialScanData(SpatialGrid(id, 3, 4, std::vector<int16_t>(12, 100)),
                                                         false, false));
            } else if (kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode) {
                for (uint32_t cell = 1; cell <= 2; ++cell) {
                    QCellAddition addition =
                        SpectralSpatialCell(id, cell, 2, 0, static_cast<uint16_t>(cell), {100, 200, 300});
                    if (kind == kTypeSpectralSpatialScanNode) {
                        EXPECT_TRUE(mediator->AddSpectralSpatialScanData(addition, false));
                    } else {
                        EXPECT_TRUE(mediator->AddHandHeldProbeScanData(addition, false));
                    }
                }
            }
        }
        if (scans > 0) {
            mediator->ShowScanData(1);
        }
        Pump();
        View().ClearLastInvalidation();
        return View();
    }
};

TEST_F(SpatialViewMessages, EachMessageSetsModeFlagsAndWhatIsRedrawn) {
    struct Row {
        const char* name;
        uint16_t kind;
        int scans;
        uint32_t message;
        uint64_t wParam;
        int64_t lParam;
        int32_t mode;
        bool rebuild;
        Invalidation invalidation;
        int queued; // -1: only the paints of a whole-view repaint, which mode 2 queues
        int32_t listShown;
    };
    const Row rows[] = {
        {"spatial, one scan", 2004, 1, 10011, 0, 0, 1, true, Invalidation::WholeView, 0, 0},
        {"spatial, two scans", 2004, 2, 10011, 0, 0, 1, true, Invalidation::MapRect, 0, 0},
        {"spatial, cut-off redraw", 2004, 1, 10011, 0, 1, 1, false, Invalidation::None, 1, 0},
        {"spectral/spatial", 2005, 1, 10012, 1, 0, 2, true, Invalidation::WholeView, -1, 0},
        {"spectral/spatial, two scans", 2005, 2, 10012, 1, 0, 2, true, Invalidation::MapRect, 0, 0},
        {"spectral/spatial, live scan", 2005, 2, 10012, 2, 1, 2, true, Invalidation::MapRect, 0, 0},
        {"spectral/spatial, cut-off redraw", 2005, 1, 10012, 0, 1, 2, false, Invalidation::None, 1, 0},
        {"hand-held", 2029, 2, 10013, 1, 0, 3, true, Invalidation::WholeView, 0, 0},
        {"refresh of a spatial node", 2004, 1, 10015, 0, 0, 1, true, Invalidation::WholeView, 0, 0},
        {"refresh keeps a spectral/spatial mode", 2005, 1, 10015, 0, 1, 2, true, Invalidation::WholeView, -1,
         0},
        {"refresh of a comparison", 2011, 0, 10015, 0, 1, 4, true, Invalidation::WholeView, 0, 0},
        {"refresh of a blind-spot node", 2030, 0, 10015, 0, 2, 5, true, Invalidation::WholeView, 0, 0},
        {"reshow spectral/spatial", 2005, 1, 10016, 0, 0, 2, true, Invalidation::WholeView, 0, 0},
        {"reshow hand-held", 2029, 1, 10017, 0, 0, 3, true, Invalidation::WholeView, 0, 0},
        {"repaint with the node's mode", 2004, 1, 10019, 0, 2, 1, true, Invalidation::WholeView, 0, 0},
        {"comparison without scans", 2011, 0, 10031, 0, 0, 4, true, Invalidation::WholeView, 0, 0},
        {"blind spot without scans", 2030, 0, 10034, 0, 0, 5, true, Invalidation::WholeView, 0, 0},
        {"linked spectral/spatial", 2005, 1, 10042, 0, 0, 8, true, Invalidation::MapRect, 0, 1},
        {"linked, cut-off redraw", 2005, 1, 10042, 0, 1, 8, false, Invalidation::None, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CSpatialView& view = Prepare(row.kind, row.scans);
        if (row.mode == 2 && row.message == 10015) {
            view.GetMessageTarget().Post(NodeMessage::kRefreshSpectralSpatial);
            Pump();
        }
        // Flags as a drawn view leaves them.
        view.RedrawView(nullptr, CSpatialView::kRedrawMap);
        view.OnRequestTimer();
        if (row.scans > 0) {
            ASSERT_FALSE(view.IsRebuildPending());
        }
        view.ClearLastInvalidation();
        const int32_t builds = view.GetMapBuildCount();
        const int32_t redraws = view.GetRedrawCount();
        view.GetMessageTarget().Post(row.message, row.wParam, row.lParam);
        thread.Pump();
        EXPECT_EQ(view.GetDisplayMode(), row.mode);
        if (row.queued >= 0) {
            EXPECT_EQ(view.GetQueuedRedrawCount(), static_cast<size_t>(row.queued));
        } else {
            EXPECT_EQ(view.GetRedrawCount(), redraws); // queued, never drawn inside the paint
            EXPECT_GE(view.GetQueuedRedrawCount(), 1U);
        }
        if (row.rebuild) {
            // A whole-view repaint with a mode that draws has already rebuilt the cells.
            EXPECT_TRUE(view.IsRebuildPending() || view.GetMapBuildCount() > builds);
        } else {
            EXPECT_FALSE(view.IsRebuildPending());
        }
        if (row.invalidation != Invalidation::None) {
            EXPECT_EQ(view.GetLastInvalidation(), row.invalidation);
        }
        EXPECT_EQ(view.IsListShown() ? 1 : 0, row.listShown);
        CTabCtrlEx* chooser = view.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial);
        if (chooser != nullptr && row.message != 10015 && row.message != 10016) {
            EXPECT_EQ(chooser->currentIndex(), row.listShown);
        }
    }
}

TEST_F(SpatialViewMessages, CutOffChangesPostTheModesMessage) {
    CSpatialView& view = Prepare(kTypeSpatialScanNode, 1);
    Pump();
    struct Row {
        int32_t mode;
        uint32_t message; // 0: nothing posted
    };
    const Row rows[] = {{0, 0}, {1, 10011}, {2, 10012}, {3, 10013}, {4, 10031}, {5, 10034}, {8, 10042}};
    int32_t position = 90;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        // The mode the view is in, set as its messages would.
        view.GetMessageTarget().Post(row.mode == 0 ? 0 : row.message, 0, 1);
        Pump();
        CSpatialView fresh(thread);
        CSpatialView& subject = row.mode == 0 ? fresh : view;
        const size_t before = thread.GetPendingCount();
        subject.SetOverlayTransparency(position, true);
        EXPECT_EQ(subject.GetCutOff(), 100 - position);
        EXPECT_EQ(thread.GetPendingCount(), before + (row.message != 0 ? 1U : 0U));
        // The same position again: nothing.
        subject.SetOverlayTransparency(position, true);
        EXPECT_EQ(thread.GetPendingCount(), before + (row.message != 0 ? 1U : 0U));
        Pump();
        position -= 10;
    }
    // A call from elsewhere moves the bar too.
    view.SetOverlayTransparency(35);
    EXPECT_EQ(view.GetColourBar().GetPosition(), 35);
    EXPECT_EQ(view.GetCutOff(), 65);
}

TEST_F(SpatialViewMessages, QueuedRedrawsRunOnceWithTheLastKind) {
    CSpatialView& view = Prepare(kTypeSpatialScanNode, 1);
    const int32_t before = view.GetRedrawCount();
    view.QueueRedraw(1);
    view.QueueRedraw(3);
    view.QueueRedraw(2);
    EXPECT_EQ(view.GetQueuedRedrawCount(), 3U);
    view.OnRequestTimer();
    EXPECT_EQ(view.GetRedrawCount(), before + 1);
    EXPECT_EQ(view.GetLastRedrawKind(), 2);
    view.OnRequestTimer(); // nothing queued
    EXPECT_EQ(view.GetRedrawCount(), before + 1);
}

TEST_F(SpatialViewMessages, PaintInSpectralSpatialModeOnlyQueues) {
    CSpatialView& view = Prepare(kTypeSpectralSpatialScanNode, 1);
    view.OnRequestTimer();
    const int32_t before = view.GetRedrawCount();
    view.repaint();
    EXPECT_EQ(view.GetRedrawCount(), before);
    EXPECT_EQ(view.GetQueuedRedrawCount(), 1U);
    view.OnRequestTimer();
    EXPECT_EQ(view.GetRedrawCount(), before + 1);
    EXPECT_EQ(view.GetLastRedrawKind(), CSpatialView::kRedrawPaint);
}

TEST_F(SpatialViewMessages, LayoutOfTheChildren) {
    CSpatialView& view = Prepare(kTypeSpectralSpatialScanNode, 1);
    QWidget& panel = *Panel().GetWidget();
    // 800 x 600: panel, bar, chooser and list where the layout puts them; the chooser below the
    // header's lines, which grew by its height.
    EXPECT_EQ(panel.geometry(), QRect(1, 555, 800, 45));
    EXPECT_EQ(view.GetColourBar().geometry(), QRect(764, 112, 33, 443));
    EXPECT_EQ(view.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)->geometry(), QRect(1, 90, 762, 22));
    EXPECT_EQ(view.GetFrequencyList().geometry(), QRect(642, 112, 120, 442));
    EXPECT_FALSE(view.GetFrequencyList().isVisible()); // the map is chosen
    view.GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)->setCurrentIndex(1);
    Pump();
    EXPECT_TRUE(view.IsListShown());
    EXPECT_TRUE(view.GetFrequencyList().isVisible());
    view.Show3DView(true);
    EXPECT_FALSE(view.GetFrequencyList().isVisible());
    ASSERT_NE(view.Get3DView(), nullptr);
    EXPECT_TRUE(view.Get3DView()->isVisible());
    EXPECT_EQ(view.Get3DView()->geometry(), QRect(0, 112, 762, 443));
    EXPECT_EQ(view.Get3DView()->GetReceived(), (std::vector<uint32_t>{C3DSpatialView::kStartTimerMessage}));
    view.Show3DView(false);
    EXPECT_FALSE(view.Get3DView()->isVisible());
    EXPECT_TRUE(view.GetFrequencyList().isVisible());
    // Narrower than the right margin: nothing moves.
    view.resize(37, 600);
    EXPECT_EQ(panel.geometry(), QRect(1, 555, 800, 45));
    EXPECT_EQ(view.GetColourBar().geometry(), QRect(764, 112, 33, 443));
}

TEST_F(SpatialViewMessages, ToggleSelectedCellSingleAndMulti) {
    CSpatialView& view = Prepare(kTypeSpectralSpatialScanNode, 1);
    CScanData& scan = *mediator->GetCurrentSpectralSpatialScanData();
    view.ToggleSelectedCell(1, 2);
    view.ToggleSelectedCell(3, 4); // single: replaces
    EXPECT_EQ(scan.m_Points, (std::vector<CScanPoint>{{3, 4}}));
    view.ToggleSelectedCell(3, 4); // a selected cell: unselected
    EXPECT_TRUE(scan.m_Points.empty());
    view.SetSingleCellSelect(false);
    view.ToggleSelectedCell(1, 2);
    view.ToggleSelectedCell(3, 4);
    EXPECT_EQ(scan.m_Points, (std::vector<CScanPoint>{{1, 2}, {3, 4}}));
    std::vector<CScanPoint> cells;
    view.GetSelectedCells(cells);
    EXPECT_EQ(cells, scan.m_Points);

    // A user composite keeps its own list, in its mediator.
    SpatialTestMediator& composite = Open(kTypeSpectralSpatialUserCompositeNode);
    View().SetSingleCellSelect(false);
    View().ToggleSelectedCell(5, 6);
    View().ToggleSelectedCell(7, 8);
    EXPECT_EQ(composite.GetPoints(), (std::vector<CScanPoint>{{5, 6}, {7, 8}}));
}

TEST_F(SpatialViewMessages, AttachTitleAndStartValues) {
    CSpatialView view(thread);
    EXPECT_EQ(view.GetNodeKind(), CSpatialView::kNoNodeKind);
    EXPECT_EQ(view.GetCutOff(), 0);
    EXPECT_EQ(view.GetDisplayMode(), 0);
    SpatialTestMediator node(kTypeSpatialScanNode, "Board");
    view.AttachNode(&node);
    EXPECT_EQ(node.overlay.m_pictureInt, 50);
    EXPECT_EQ(view.GetCurrentLevel(), 0);
    EXPECT_TRUE(view.GetLevelText().empty());

    Prepare(kTypeSpatialScanNode, 1);
    View().SetFrameTitle("Board --- Scan ID: 1");
    EXPECT_EQ(factory.viewFrames.back()->title, "Board --- Scan ID: 1");
    // A user composite's frame keeps its title.
    Prepare(kTypeSpectralSpatialUserCompositeNode, 0);
    const std::string before = factory.viewFrames.back()->title;
    View().SetFrameTitle("other");
    EXPECT_EQ(factory.viewFrames.back()->title, before);
    // The initial update's timers and bar.
    EXPECT_TRUE(View().GetRequestTimer().isActive());
    EXPECT_EQ(View().GetRequestTimer().interval(), 50);
    EXPECT_EQ(View().GetTrackingTimer().interval(), 200);
    EXPECT_EQ(View().GetColourBar().GetPosition(), 100);
    EXPECT_EQ(View().GetColourBar().GetPageStep(), 25);
}

TEST_F(SpatialViewMessages, RepositionBoxIsClickedOffByANewScan) {
    CSpatialView& view = Prepare(kTypeSpatialScanNode, 1);
    Panel().reposition = true;
    view.GetMessageTarget().Post(NodeMessage::kShowSpatialScan);
    Pump();
    EXPECT_EQ(Panel().repositionClicks, 1);
    EXPECT_FALSE(Panel().reposition);
}

// A new spatial scan selects its row in the scan-data list only while the list is the node's and
// holds its scans; a list another node took over, or one the node emptied, keeps its selection.
TEST_F(SpatialViewMessages, ANewScanSelectsItsRowOnlyWhileTheListIsTheNodesAndFilled) {
    CSpatialView& view = Prepare(kTypeSpatialScanNode, 3);
    mediator->ShowScanData(2);
    Pump();
    SpatialTestMediator other(kTypeSpatialScanNode, "Other");
    struct Case {
        const char* name;
        std::function<void()> arrange;
        bool selects;
    };
    const Case cases[] = {
        {"filled by the node", [&] { mediator->FillScanDataList(kTypeSpatialScanNode); }, true},
        {"emptied by the node", [&] { mediator->ClearScanDataList(); }, false},
        {"taken over by another node",
         [&] {
             mediator->FillScanDataList(kTypeSpatialScanNode);
             list.SetOwner(&other);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        EXPECT_EQ(mediator->IsScanListOwner() && mediator->IsScanListFilled(), c.selects);
        list.selected.clear();
        view.GetMessageTarget().Post(NodeMessage::kShowSpatialScan);
        Pump();
        EXPECT_EQ(list.selected, c.selects ? std::vector<std::string>{"2"} : std::vector<std::string>{});
    }
    list.SetOwner(nullptr);
}

// A level or frequency range edited on the node's panel reaches the frame's spectrum with the next
// linked spectral/spatial scan: the spectral view rebuilds its points. Without an edit it keeps them.
TEST_F(SpatialViewMessages, TheLinkedScanHasTheFramesSpectrumReloadedAfterARangeEdit) {
    // The views the mediators were opened with (and still point at) live as long as the mediators.
    std::vector<std::unique_ptr<CSpectralView>> replaced;
    for (const bool edited : {false, true}) {
        SCOPED_TRACE(edited);
        CSpatialView& view = Prepare(kTypeSpectralSpatialScanNode, 1);
        // The frame's spectrum pane as the program makes it, showing the linked scan with its points
        // built.
        ViewTestFrame& frame = *factory.viewFrames.back();
        replaced.push_back(std::move(frame.spectralView));
        // Out of sight: it paints no more, not even after its node has gone.
        replaced.back()->hide();
        frame.spectralView = std::make_unique<CSpectralSSView>(thread);
        CSpectralView* spectral = frame.spectralView.get();
        spectral->SetNodeKind(kTypeSpectralSpatialScanNode);
        spectral->SetFrame(&frame);
        spectral->SetMediator(mediator.get());
        spectral->SetReady(true);
        spectral->OnInitialUpdate();
        spectral->GetMessageTarget().Post(NodeMessage::kShowLinkedSpectralSpatial);
        Pump();
        bool needsData = false;
        ASSERT_TRUE(spectral->LoadTraceData(false, needsData));
        ASSERT_FALSE(spectral->IsReloadPending());
        mediator->SetRangeChanged(edited);
        view.GetMessageTarget().Post(NodeMessage::kShowLinkedSpectralSpatial);
        Pump();
        EXPECT_EQ(spectral->IsReloadPending(), edited);
    }
    mediator.reset();
}

TEST_F(SpatialViewMessages, OverlayPictureIsFoundInTheProjectsOverlays) {
    CSpatialView& view = Prepare(kTypeSpatialScanNode, 1);
    EXPECT_FALSE(view.HasOverlayPicture()); // no overlay list
    QOverlayControlList overlays;
    auto control = std::make_unique<COverlayControl>();
    control->SetOverlayId(7);
    overlays.Add(std::move(control), false);
    view.SetOverlayControls(&overlays);
    EXPECT_FALSE(view.HasOverlayPicture()); // the scan names no overlay of the list
    mediator->GetSpatialScanData(1)->m_ScanArea.m_OverlayId = 7;
    EXPECT_TRUE(view.HasOverlayPicture());
    view.SetOverlayControls(nullptr);
}

TEST(SpatialViewScreen, BytesPerPixelFromTheScreenDepth) {
    EXPECT_EQ(CSpatialView::BytesPerPixelForDepth(32), 4);
    EXPECT_EQ(CSpatialView::BytesPerPixelForDepth(24), 4);
    EXPECT_EQ(CSpatialView::BytesPerPixelForDepth(16), 2);
    EXPECT_EQ(CSpatialView::BytesPerPixelForDepth(8), 1);
}

} // namespace
} // namespace orv::test
