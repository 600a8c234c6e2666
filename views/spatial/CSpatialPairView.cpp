#include "views/spatial/CSpatialPairView.h"

#include "app/panes/CViewContextMenu.h"
#include "project/QNodeMediator.h"
#include "views/spatial/CSpatialPairMenu.h"

#include <QMenu>

#include <algorithm>
#include <memory>

namespace orv {

void CSpatialPairView::SetCombinedPaneRectangles(int legendWidth) {
    m_rcHeader = QRect(0, 0, legendWidth, kHeaderHeight);
    const int32_t areaWidth = m_nMapWidth - (m_bListShown != 0 ? ListWidth() : 0);
    m_rcMapArea = QRect(0, m_nTopMargin + 1, std::max(areaWidth, 0), std::max(m_nMapHeight, 0));
}

void CSpatialPairView::ShowContextMenu(uint32_t /*flags*/, int32_t x, int32_t y) {
    if (m_pMediator == nullptr) {
        return;
    }
    SelectOwnNodeInProjectPane();
    const bool first = m_pMediator->GetComparedScan(true) != nullptr;
    const bool second = m_pMediator->GetComparedScan(false) != nullptr;
    const bool paneZeroScan = PaneZeroShowsFirstComparedScan() ? first : second;
    const bool paneOneScan = PaneZeroShowsFirstComparedScan() ? second : first;
    const int32_t pane = GetPairPane();
    CSpatialPairMenu::State state;
    state.pane = pane;
    state.paneScan = pane == 0 ? paneZeroScan : pane == 1 && paneOneScan;
    state.bothScans = first && second;
    state.pasteAllowed = CSpatialPairMenu::CanPasteCopiedScan(GetProject());
    state.threeD = m_b3DShown != 0;
    state.zoomed = m_bZoomed != 0;
    std::unique_ptr<QMenu> menu = CSpatialPairMenu::Build(state);
    if (menu == nullptr) {
        return;
    }
    // The scans may go while the menu is open: the commands look for them again.
    ForgetScanPointers();
    const uint32_t command =
        CSpatialPairMenu::Run(*menu, mapToGlobal(QPoint(x + kMenuOffsetX, y)), m_menuRunner);
    menu.reset();
    if (command != 0) {
        OnContextCommand(command);
    }
}

void CSpatialPairView::OnContextCommand(uint32_t command) {
    if (m_pMediator == nullptr) {
        return;
    }
    switch (command) {
    case SpatialCommand::kPaste:
        CSpatialPairMenu::PasteCopiedScan(*this, GetProject());
        break;
    case SpatialCommand::kOpenScanDataDescription:
        // An accepted edit of pane 0's scan (the test scan, the upper pass) has the combination made
        // again at the next redraw.
        if (OpenScanDataDescription() && GetPairPane() == 0) {
            m_pMediator->SetViewRebuildFlags(true);
        }
        break;
    default:
        CSpatialViewZeltp::OnContextCommand(command);
        break;
    }
}

} // namespace orv
