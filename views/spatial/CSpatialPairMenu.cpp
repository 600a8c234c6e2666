#include "views/spatial/CSpatialPairMenu.h"

#include "app/controls/RemoveDuplicateMenuSeparators.h"
#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"

#include <QAction>
#include <QMenu>

namespace orv {

using namespace SpatialCommand;

std::unique_ptr<QMenu> CSpatialPairMenu::Build(const State& state) {
    const bool full = state.pane == 2 ? state.bothScans : state.paneScan;
    if (!full) {
        if (state.pane == 2) {
            return nullptr;
        }
        std::unique_ptr<QMenu> menu = CViewContextMenu::BuildPopup(
            CViewContextMenu::kSpatialMenu, CViewContextMenu::kSpatialComparisonPastePopup);
        CViewTreeMenu::EnableCommand(*menu, kPaste, state.pasteAllowed);
        return menu;
    }
    std::unique_ptr<QMenu> menu = CViewContextMenu::BuildPopup(CViewContextMenu::kSpatialMenu,
                                                               CViewContextMenu::kSpatialComparisonPopup);
    CViewTreeMenu::EnableCommand(*menu, kPaste, state.pasteAllowed);
    if (state.threeD) {
        CViewTreeMenu::RemoveCommands(*menu, {kResetZoom, kPreviousZoom});
    } else if (!state.zoomed) {
        CViewTreeMenu::EnableCommand(*menu, kResetZoom, false);
        CViewTreeMenu::EnableCommand(*menu, kPreviousZoom, false);
    }
    if (state.pane == 2) {
        // The result is made from the inputs: nothing is pasted into it and it has no description.
        CViewTreeMenu::RemoveCommands(*menu, {kPaste, kOpenScanDataDescription});
    }
    RemoveDuplicateMenuSeparators(menu.get());
    CViewContextMenu::RemoveSeparatorAt(*menu, 0);
    return menu;
}

uint32_t CSpatialPairMenu::Run(QMenu& menu, const QPoint& screen, const CSpatialView::MenuRunner& runner) {
    QAction* chosen = runner ? runner(menu, screen) : menu.exec(screen);
    return chosen != nullptr && chosen->isEnabled() ? CViewTreeMenu::CommandOf(chosen) : 0;
}

bool CSpatialPairMenu::CanPasteCopiedScan(const TfrmMainApp* project) {
    QNodeMediator* copied = nullptr;
    int32_t scanId = -1;
    if (project == nullptr || !project->GetCopiedScanData(copied, scanId) ||
        !project->IsNodeMediatorInProject(copied)) {
        return false;
    }
    return copied->GetKind() == kTypeSpatialScanNode;
}

void CSpatialPairMenu::PasteCopiedScan(CSpatialView& view, const TfrmMainApp* project) {
    QNodeMediator* copied = nullptr;
    int32_t scanId = -1;
    if (CanPasteCopiedScan(project) && project->GetCopiedScanData(copied, scanId)) {
        view.PasteScanData(copied, scanId);
    }
}

} // namespace orv
