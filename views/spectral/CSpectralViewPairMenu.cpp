// The right-click menu of the views that compare two scans (comparison and overlay nodes): a
// reduced set of commands on the tab of both scans, the test and reference tabs with Paste, and a
// paste-only popup while a tab still waits for its scan.

#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "scandata/CScanData.h"
#include "views/spectral/CSpectralView.h"

#include <QAction>
#include <QMenu>

#include <initializer_list>

namespace orv {

using namespace ViewCommand;

std::unique_ptr<QMenu> CSpectralView::BuildPairContextMenu(const PairMenuState& state) {
    if (state.tab == 2) {
        if (!state.hasTest || !state.hasReference || !state.hasResult) {
            return nullptr;
        }
        std::unique_ptr<QMenu> menu = CViewContextMenu::BuildPopup(CViewContextMenu::kSpectralMenu,
                                                                   CViewContextMenu::kSpectralOverlayPopup);
        CViewTreeMenu::RemoveCommands(*menu, {kCopyScanData, kOpenScanDataDescription, kPaste});
        CViewTreeMenu::RemoveSubmenu(*menu, CViewContextMenu::kExportSpectralDataCaption);
        // The two separators around the group that went stay as they are.
        CViewTreeMenu::EnableCommand(*menu, kResetZoom, state.zoomed);
        CViewTreeMenu::EnableCommand(*menu, kPreviousZoom, state.zoomed);
        return menu;
    }
    const bool shown = state.tab == 0 ? state.hasTest : state.tab == 1 && state.hasReference;
    if (!shown) {
        std::unique_ptr<QMenu> menu = CViewContextMenu::BuildPopup(
            CViewContextMenu::kSpectralMenu, CViewContextMenu::kSpectralComparisonPopup);
        CViewTreeMenu::EnableCommand(*menu, kPaste, state.pasteAllowed);
        return menu;
    }
    std::unique_ptr<QMenu> menu = CViewContextMenu::BuildPopup(CViewContextMenu::kSpectralMenu,
                                                               CViewContextMenu::kSpectralOverlayPopup);
    CViewTreeMenu::RemoveCommands(*menu, {kCopyScanData});
    CViewTreeMenu::RemoveSubmenu(*menu, CViewContextMenu::kExportSpectralDataCaption);
    CViewTreeMenu::EnableCommand(*menu, kResetZoom, state.zoomed);
    CViewTreeMenu::EnableCommand(*menu, kPreviousZoom, state.zoomed);
    CViewTreeMenu::EnableCommand(*menu, kPaste, state.pasteAllowed);
    return menu;
}

bool CSpectralView::CanPasteCopiedScan() const {
    TfrmMainApp* project = GetProject();
    QNodeMediator* copied = nullptr;
    int32_t scanId = -1;
    // The slot's mediator may have gone with its node: the project confirms it before it is read.
    if (project == nullptr || !project->GetCopiedScanData(copied, scanId) ||
        !project->IsNodeMediatorInProject(copied)) {
        return false;
    }
    return copied->GetKind() == kTypeSpectralScanNode;
}

void CSpectralView::ShowPairContextMenu(int32_t tab, bool hasResult, int32_t x, int32_t y) {
    if (m_pMediator == nullptr) {
        return;
    }
    ActivateView();
    PairMenuState state;
    state.tab = tab;
    state.hasTest = m_pMediator->GetComparedScan(false) != nullptr;
    state.hasReference = m_pMediator->GetComparedScan(true) != nullptr;
    state.hasResult = hasResult;
    state.zoomed = m_bZoomed != 0;
    state.pasteAllowed = tab != 2 && CanPasteCopiedScan();
    std::unique_ptr<QMenu> menu = BuildPairContextMenu(state);
    if (menu == nullptr) {
        return;
    }
    const QPoint screen = viewport()->mapToGlobal(QPoint(x, y));
    QAction* chosen = m_menuRunner(*menu, screen + QPoint(kMenuOffsetX, 0));
    const uint32_t command = CViewTreeMenu::CommandOf(chosen);
    menu.reset();
    switch (command) {
    case 0:
        break;
    case kClearDeltaMarker:
        // The delta marker goes off; its frequency stays for the next time it is switched on.
        if (CScanData* shown = FindShownScanData()) {
            shown->m_DeltaMarkerActive = 0;
        }
        PostRelayout();
        break;
    case kPaste: {
        TfrmMainApp* project = GetProject();
        QNodeMediator* copied = nullptr;
        int32_t scanId = -1;
        if (state.pasteAllowed && project != nullptr && project->GetCopiedScanData(copied, scanId)) {
            DropScanData(copied, scanId);
        }
        break;
    }
    default:
        OnContextCommand(command);
        break;
    }
}

} // namespace orv
