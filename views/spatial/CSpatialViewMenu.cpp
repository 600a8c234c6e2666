// The right-click menu of CSpatialView (menu 317), the commands it carries out, and the copy of the
// view as it is on screen.

#include "app/CDlgScanDataDescription.h"
#include "app/CMainFrame.h"
#include "app/controls/RemoveDuplicateMenuSeparators.h"
#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/QProbeScanPattern.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "platform/ui/Prompt.h"
#include "project/QMainFrame.h"
#include "project/QNodeMediator.h"
#include "project/QScanEngineLink.h"
#include "project/QSettingsSheet.h"
#include "project/TfrmMainApp.h"
#include "scandata/CScanData.h"
#include "views/spatial/CGLEnabledView.h"
#include "views/spatial/CSpatialView.h"
#include "views/spectral/CSpectralView.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>

#include <initializer_list>

namespace orv {

namespace {

using namespace SpatialCommand;

// Removes whatever stands at the position (command or separator); nothing past the end.
void RemoveAt(QMenu& menu, int position) {
    const QList<QAction*> actions = menu.actions();
    if (position < 0 || position >= actions.size()) {
        return;
    }
    QAction* action = actions[position];
    menu.removeAction(action);
    if (action->parent() == &menu) {
        delete action;
    }
}

} // namespace

// --- Where the view's commands go ---

CViewTreeWidget* CSpatialView::GetTreeWidget() const {
    QProjectTree* tree = m_pProjectTree;
    if (tree == nullptr && m_pMediator != nullptr) {
        tree = m_pMediator->GetProjectTree();
    }
    return dynamic_cast<CViewTreeWidget*>(tree);
}

TfrmMainApp* CSpatialView::GetProject() const {
    CViewTreeWidget* tree = GetTreeWidget();
    return tree != nullptr ? tree->GetProject() : nullptr;
}

int32_t CSpatialView::WorkflowState() const {
    TfrmMainApp* project = GetProject();
    QScanEngineLink* engine = project != nullptr ? project->GetMainFrame().GetScanEngineLink() : nullptr;
    return engine != nullptr ? engine->GetWorkflowState() : 0;
}

int32_t CSpatialView::ShownScanId() {
    bool hint = false;
    const CScanData* shown = PickScanData(hint);
    return shown != nullptr ? static_cast<int32_t>(shown->m_ScanId) : -1;
}

bool CSpatialView::IsExcludeSelection() {
    if (m_pMediator != nullptr && m_nNodeKind == kTypeSpectralSpatialUserCompositeNode) {
        return m_pMediator->GetPointFlag() != 0;
    }
    bool hint = false;
    const CScanData* shown = PickScanData(hint);
    return shown != nullptr && shown->m_PointFlag != 0;
}

// --- Building the menu ---

CSpatialView::MenuState CSpatialView::GetMenuState() {
    MenuState state;
    state.nodeKind = m_nNodeKind;
    bool hint = false;
    state.hasData = PickScanData(hint) != nullptr;
    state.workflowState = WorkflowState();
    state.threeD = m_b3DShown != 0;
    state.singleSelect = m_bSingleCellSelect != 0;
    state.exclude = IsExcludeSelection();
    state.zoomed = m_bZoomed != 0;
    const QScanOptions* options = m_pMediator != nullptr ? m_pMediator->GetScanOptions() : nullptr;
    state.interleaved = options != nullptr && options->GetInterleavedScan() != 0;
    return state;
}

std::unique_ptr<QMenu> CSpatialView::BuildContextMenu(const MenuState& state) {
    const int popup = !state.hasData ? CViewContextMenu::kSpatialNoDataPopup
                      : state.nodeKind == kTypeSpectralSpatialUserCompositeNode
                          ? CViewContextMenu::kSpatialUserCompositePopup
                          : CViewContextMenu::kSpatialPopup;
    std::unique_ptr<QMenu> menu = CViewContextMenu::BuildPopup(CViewContextMenu::kSpatialMenu, popup);

    CViewTreeMenu::EnableCommand(*menu, kRunOnce, state.workflowState == 2);
    CViewTreeMenu::EnableCommand(*menu, kRunContinuously, state.workflowState == 2);
    // Stop Scan of the menu without data stops too: a node's first scan shows no data until its first
    // cells arrive.
    CViewTreeMenu::EnableCommand(*menu, kStopScan, state.workflowState == 12);
    CViewTreeMenu::EnableCommand(*menu, kStopScanNoData, state.workflowState == 12);

    if (state.threeD) {
        CViewTreeMenu::RemoveCommands(*menu, {kResetZoom, kPreviousZoom, kSingleCellSelect, kMultiCellsSelect,
                                              kSingleCellExcluding, kMultiCellsExcluding, kClearSelectedCells,
                                              kEditOverlay, kSelectZoomCells});
        // The separators the map's groups leave behind, or, in the short menus, what follows them.
        RemoveAt(*menu, 3);
        RemoveAt(*menu, 3);
    }

    if (state.hasData) {
        CViewContextMenu::CheckCommand(*menu, kSingleCellSelect, state.singleSelect && !state.exclude);
        CViewContextMenu::CheckCommand(*menu, kMultiCellsSelect, !state.singleSelect && !state.exclude);
        CViewContextMenu::CheckCommand(*menu, kSingleCellExcluding, state.singleSelect && state.exclude);
        CViewContextMenu::CheckCommand(*menu, kMultiCellsExcluding, !state.singleSelect && state.exclude);
    }

    switch (state.nodeKind) {
    case kTypeSpatialScanNode:
        // By position, as counted in the menu at this point: in 2D a separator and Single Cell
        // Excluding, in 3D also Export Spectral/Spatial Full Scan Data and Copy Scan Data.
        RemoveAt(*menu, 6);
        RemoveAt(*menu, 8);
        if (state.interleaved) {
            CViewTreeMenu::RemoveCommands(*menu, {kRunContinuously});
        }
        CViewTreeMenu::RemoveCommands(*menu, {kMultiCellsSelect, kSingleCellSelect, kMultiCellsExcluding,
                                              kSingleCellExcluding, kClearSelectedCells, kPaste,
                                              kExportSpectralSpatialFull});
        break;
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode:
        CViewTreeMenu::RemoveCommands(*menu, {kMultiCellsExcluding, kSingleCellExcluding, kRunContinuously,
                                              kCopyScanData, kPaste, kExportSpectralSpatialFull});
        break;
    default:
        break;
    }

    if (!state.zoomed) {
        CViewTreeMenu::EnableCommand(*menu, kResetZoom, false);
        CViewTreeMenu::EnableCommand(*menu, kPreviousZoom, false);
        CViewTreeMenu::EnableCommand(*menu, kSelectZoomCells, false);
    }
    RemoveDuplicateMenuSeparators(menu.get());
    return menu;
}

void CSpatialView::ShowContextMenu(uint32_t /*flags*/, int32_t x, int32_t y) {
    SelectOwnNodeInProjectPane();
    std::unique_ptr<QMenu> menu = BuildContextMenu(GetMenuState());
    // The scan may go while the menu is open: the commands look for it again.
    ForgetScanPointers();
    const QPoint screen = mapToGlobal(QPoint(x + kMenuOffsetX, y));
    QAction* chosen = m_menuRunner ? m_menuRunner(*menu, screen) : menu->exec(screen);
    const uint32_t command = CViewTreeMenu::CommandOf(chosen);
    menu.reset();
    if (command != 0) {
        OnContextCommand(command);
    }
}

// --- The commands ---

void CSpatialView::OnContextCommand(uint32_t command) {
    if (m_pMediator == nullptr) {
        return;
    }
    switch (command) {
    case kRunOnce:
    case kRunContinuously:
        if (CViewTreeWidget* tree = GetTreeWidget()) {
            tree->CanRunSelectedNode(command == kRunContinuously);
        }
        break;
    case kStopScan:
    case kStopScanNoData:
        if (TfrmMainApp* project = GetProject()) {
            project->GetMainFrame().StopScanOfProject(static_cast<int32_t>(project->GetProjectId()));
        }
        break;
    case kResetZoom:
        if (m_bZoomed != 0) {
            ResetZoom();
        }
        break;
    case kPreviousZoom:
        PreviousZoom();
        break;
    case kSingleCellSelect:
    case kMultiCellsSelect:
    case kSingleCellExcluding:
    case kMultiCellsExcluding:
        SetSelectionMode(command);
        RelayoutAndRedraw();
        break;
    case kClearSelectedCells:
        if (std::vector<CScanPoint>* list = SelectedCellList()) {
            list->clear();
        }
        RelayoutAndRedraw();
        break;
    case kExportSpatialData:
    case kExportSpectralSpatialFull:
        m_pMediator->ExportSpatialTo(ShownScanId());
        break;
    case kOpenScanDataDescription:
        OpenScanDataDescription();
        break;
    case kEditOverlay:
        EditOverlay();
        break;
    case kSelectZoomCells:
        SelectZoomCellsForNewScan();
        break;
    case kCopyScanData:
        if (TfrmMainApp* project = GetProject()) {
            project->SetCopiedScanData(m_pMediator, ShownScanId());
        }
        break;
    case kCopyImage:
        CopyImage();
        break;
    case kSettings:
        if (QSettingsSheet* sheet = m_pMediator->OpenNodeSettings(m_pMediator->GetName())) {
            sheet->ShowModal();
        }
        break;
    case kAddUserComposite:
        CSpectralView::AddUserCompositeNode(GetTreeWidget());
        break;
    default:
        // Paste belongs to the comparison and blind-spot views.
        break;
    }
}

void CSpatialView::SetSelectionMode(uint32_t command) {
    const bool single = command == kSingleCellSelect || command == kSingleCellExcluding;
    const bool exclude = command == kSingleCellExcluding || command == kMultiCellsExcluding;
    const bool wasExclude = IsExcludeSelection();
    m_bSingleCellSelect = single ? 1 : 0;
    // Cells chosen to show mean nothing as cells to leave out, and the other way round.
    if (single || wasExclude != exclude) {
        if (std::vector<CScanPoint>* list = SelectedCellList()) {
            list->clear();
        }
    }
    bool hint = false;
    if (CScanData* shown = PickScanData(hint);
        shown != nullptr && m_nNodeKind != kTypeSpectralSpatialUserCompositeNode) {
        shown->m_PointFlag = exclude ? 1 : 0;
    }
}

bool CSpatialView::OpenScanDataDescription() {
    const int32_t pane = m_nNodeKind == kTypeSpatialComparisonNode    ? m_nComparisonPane
                         : m_nNodeKind == kTypeBlindSpotReductionNode ? m_nBlindSpotPane
                                                                      : 0;
    return CDlgScanDataDescription::Run(*m_pMediator, ShownScanId(), pane, CMainFrame::GetMainFrame());
}

void CSpatialView::EditOverlay() {
    CFormViewSpatial* panel = m_pFormView.get();
    if (panel == nullptr) {
        return;
    }
    // The overlay is shown before it is edited.
    if (!panel->IsOverlayChecked()) {
        panel->ClickOverlay();
    }
    panel->EditOverlay();
}

void CSpatialView::SelectZoomCellsForNewScan() {
    if (ShowPrompt(kSelectZoomCellsText, kSelectZoomCellsCaption, PromptButtons::OkCancel,
                   PromptIcon::Warning) != PromptAnswer::Ok) {
        return;
    }
    if (m_nNodeKind == kTypeSpatialScanNode || m_nNodeKind == kTypeSpectralSpatialScanNode ||
        m_nNodeKind == kTypeHandHeldProbeScanNode) {
        bool hint = false;
        const CScanData* shown = PickScanData(hint);
        QProbeScanPatternOptions* options = m_pMediator->GetFirstProbePatternOptions();
        if (shown != nullptr && options != nullptr && m_bZoomed != 0) {
            QProbeScanPattern pattern(shown->m_Rows, shown->m_Columns, 0, 100);
            pattern.SetProbeInRange(m_nZoomFirstRow, m_nZoomFirstColumn, m_nZoomLastRow, m_nZoomLastColumn,
                                    1);
            options->SetPattern(pattern);
        }
    }
    m_pMediator->MarkProjectModified();
}

// --- The copy of the view as it is on screen ---

bool CSpatialView::CopyImage() {
    const int copyWidth = width();
    const int copyHeight = height() - kBottomMargin + 2;
    if (copyWidth < 1 || copyHeight < 1) {
        return false;
    }
    QImage image = grab(QRect(0, 0, copyWidth, copyHeight)).toImage();
    if (image.isNull()) {
        return false;
    }
    if (m_b3DShown != 0) {
        // The surface is drawn afresh below the header in place of whatever the screen holds there.
        if (auto* surface = dynamic_cast<CGLEnabledView*>(m_p3DView.get())) {
            QPainter painter(&image);
            surface->CopyToDC(painter, 0, m_nTopMargin + 2, m_nMapWidth - 2, m_nMapHeight - 2);
        }
    }
    QGuiApplication::clipboard()->setImage(image);
    return true;
}

} // namespace orv
