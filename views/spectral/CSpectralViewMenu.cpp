// The right-click menu of CSpectralView (menu 316) and the commands it carries out.

#include "app/CDlgScanDataDescription.h"
#include "app/CMainFrame.h"
#include "app/controls/RemoveDuplicateMenuSeparators.h"
#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/TypeIds.h"
#include "platform/ui/Prompt.h"
#include "project/NodeMessages.h"
#include "project/QMainFrame.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFormView.h"
#include "project/QScanDataExportCommand.h"
#include "project/QScanEngineLink.h"
#include "project/QSettingsSheet.h"
#include "project/TfrmMainApp.h"
#include "scandata/CScanData.h"
#include "views/spectral/CSpectralView.h"

#include <QAction>
#include <QMenu>

#include <initializer_list>

namespace orv {

namespace {

using namespace ViewCommand;

// A user composite takes the scan of a spectral/spatial or hand-held probe node: no other node offers
// to add one.
bool TakesUserComposite(uint16_t kind) {
    return kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode;
}

} // namespace

// --- Where the view's commands go ---

CViewTreeWidget* CSpectralView::GetTreeWidget() const {
    return dynamic_cast<CViewTreeWidget*>(m_pProjectTree);
}

TfrmMainApp* CSpectralView::GetProject() const {
    CViewTreeWidget* tree = GetTreeWidget();
    return tree != nullptr ? tree->GetProject() : nullptr;
}

int32_t CSpectralView::WorkflowState() const {
    TfrmMainApp* project = GetProject();
    QScanEngineLink* engine = project != nullptr ? project->GetMainFrame().GetScanEngineLink() : nullptr;
    return engine != nullptr ? engine->GetWorkflowState() : 0;
}

int32_t CSpectralView::ShownScanId() const {
    const CScanData* shown = FindShownScanData();
    return shown != nullptr ? static_cast<int32_t>(shown->m_ScanId) : -1;
}

// --- Building the menu ---

CSpectralView::MenuState CSpectralView::GetMenuState() const {
    MenuState state;
    state.nodeKind = m_nNodeKind;
    state.hasData = HasShownData();
    state.workflowState = WorkflowState();
    const CScanData* shown = FindShownScanData();
    state.deltaActive = shown != nullptr && shown->m_DeltaMarkerActive != 0;
    state.singleMarker = m_bSingleMarker != 0;
    state.zoomed = m_bZoomed != 0;
    state.pointCount = m_pMediator != nullptr ? m_pMediator->GetCurrentScanPointCount() : 0U;
    return state;
}

std::unique_ptr<QMenu> CSpectralView::BuildContextMenu(const MenuState& state) {
    const int popup = !state.hasData ? CViewContextMenu::kSpectralNoDataPopup
                      : state.nodeKind == kTypeSpectralSpatialUserCompositeNode
                          ? CViewContextMenu::kSpectralUserCompositePopup
                          : CViewContextMenu::kSpectralPopup;
    std::unique_ptr<QMenu> menu = CViewContextMenu::BuildPopup(CViewContextMenu::kSpectralMenu, popup);
    CViewTreeMenu::RemoveCommands(*menu, {kFrequencyMarkerSelect, kFrequencyMarkerExclude});

    CViewTreeMenu::EnableCommand(*menu, kRunOnce, state.workflowState == 2);
    CViewTreeMenu::EnableCommand(*menu, kRunContinuously, state.workflowState == 2);
    CViewTreeMenu::EnableCommand(*menu, kStopScan, state.workflowState == 12);

    CViewContextMenu::CheckCommand(*menu, kDeltaMarker, state.deltaActive);
    CViewContextMenu::CheckCommand(*menu, kMultiFrequencyMarkers, !state.deltaActive && !state.singleMarker);
    CViewContextMenu::CheckCommand(*menu, kSingleFrequencyMarker, !state.deltaActive && state.singleMarker);

    switch (state.nodeKind) {
    case kTypeSpectralScanNode:
        CViewTreeMenu::RemoveCommands(*menu, {kDeltaMarker, kMultiFrequencyMarkers, kSingleFrequencyMarker,
                                              kClearFrequencyMarkers, kPaste, kExportSpectralSpatialFull});
        break;
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode:
        CViewTreeMenu::RemoveCommands(*menu,
                                      {kRunContinuously, kCopyScanData, kPaste, kExportSpectralSpatialFull});
        break;
    case kTypeSpectralSpatialScriptingModuleNode:
        CViewTreeMenu::RemoveCommands(*menu, {kDeltaMarker, kMultiFrequencyMarkers, kSingleFrequencyMarker,
                                              kClearFrequencyMarkers, kPaste, kRunContinuously, kCopyScanData,
                                              kOpenScanDataDescription, kExportSpectralSpatialFull});
        // The separators of the groups that went.
        CViewContextMenu::RemoveSeparatorAt(*menu, 5);
        CViewContextMenu::RemoveSeparatorAt(*menu, 8);
        CViewContextMenu::RemoveSeparatorAt(*menu, 8);
        break;
    default:
        break;
    }
    if (!TakesUserComposite(state.nodeKind)) {
        CViewTreeMenu::RemoveCommands(*menu, {kAddUserComposite});
    }

    if (!state.zoomed) {
        CViewTreeMenu::EnableCommand(*menu, kResetZoom, false);
        CViewTreeMenu::EnableCommand(*menu, kPreviousZoom, false);
    }
    if (state.pointCount == 0) {
        CViewTreeMenu::EnableCommand(*menu, kExportAllPeaks, false);
    }
    RemoveDuplicateMenuSeparators(menu.get());
    return menu;
}

void CSpectralView::ShowContextMenu(uint32_t /*flags*/, int32_t x, int32_t y) {
    ActivateView();
    const QPoint screen = viewport()->mapToGlobal(QPoint(x, y));
    std::unique_ptr<QMenu> menu = BuildContextMenu(GetMenuState());
    QAction* chosen = m_menuRunner(*menu, screen + QPoint(kMenuOffsetX, 0));
    const uint32_t command = CViewTreeMenu::CommandOf(chosen);
    menu.reset();
    if (command != 0) {
        OnContextCommand(command);
    }
}

// --- The commands ---

void CSpectralView::OnContextCommand(uint32_t command) {
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
        if (TfrmMainApp* project = GetProject()) {
            project->GetMainFrame().StopScanOfProject(static_cast<int32_t>(project->GetProjectId()));
        }
        break;
    case kResetZoom:
        ResetZoom();
        break;
    case kPreviousZoom:
        PreviousZoom();
        break;
    case kCopyScanData:
        if (TfrmMainApp* project = GetProject()) {
            project->SetCopiedScanData(m_pMediator, ShownScanId());
        }
        break;
    case kCopyImage:
        CopyWindowImage();
        break;
    case kPaste:
        // The variants that take a pasted scan carry it out.
        break;
    case kSettings:
        if (QSettingsSheet* sheet = m_pMediator->OpenNodeSettings(m_pMediator->GetName())) {
            sheet->ShowModal();
        }
        break;
    case kSingleFrequencyMarker: {
        m_bClickSetsDelta = 0;
        m_bSingleMarker = 1;
        std::vector<_FrequencyMarkerPoint>* list = GetSelectedFrequencyList();
        if (list != nullptr && list->size() > 1) {
            list->clear();
        }
        UpdateLinkedSpatialPane();
        PostRelayout();
        break;
    }
    case kMultiFrequencyMarkers:
        m_bClickSetsDelta = 0;
        m_bSingleMarker = 0;
        break;
    case kDeltaMarker:
        m_bClickSetsDelta = 1;
        if (CScanData* shown = FindShownScanData()) {
            shown->m_DeltaMarkerActive = 1;
        }
        PostRelayout();
        break;
    case kClearDeltaMarker:
        if (CScanData* shown = FindShownScanData()) {
            shown->m_DeltaMarkerFrequency = -1.0F;
        }
        PostRelayout();
        break;
    case kClearFrequencyMarkers:
        if (std::vector<_FrequencyMarkerPoint>* list = GetSelectedFrequencyList();
            list != nullptr && !list->empty()) {
            list->clear();
            UpdateLinkedSpatialPane();
            PostRelayout();
        }
        break;
    case kExportAllData:
    case kExportSpectralSpatialFull:
        m_pMediator->ExportSpectralTo(ShownScanId());
        break;
    case kExportAllPeaks: {
        // The switch goes back however the export ends.
        const QExportAllPeaksGuard allPeaks(*m_pMediator);
        m_pMediator->ExportSpectralTo(ShownScanId());
        break;
    }
    case kOpenScanDataDescription:
        OpenScanDataDescription();
        break;
    case kAddUserComposite:
        AddUserCompositeNode(GetTreeWidget());
        break;
    default:
        break;
    }
}

void CSpectralView::OpenScanDataDescription() {
    const int32_t tab = m_nNodeKind == kTypeSpectralComparisonNode ? m_nComparisonTab
                        : m_nNodeKind == kTypeSpectralOverlayNode  ? m_nOverlayTab
                                                                   : 0;
    CDlgScanDataDescription::Run(*m_pMediator, ShownScanId(), tab, CMainFrame::GetMainFrame());
}

void CSpectralView::AddUserCompositeNode(CViewTreeWidget* tree) {
    if (ShowPrompt(kAddUserCompositeText, kAddUserCompositeCaption, PromptButtons::OkCancel,
                   PromptIcon::Information) != PromptAnswer::Ok) {
        return;
    }
    TfrmMainApp* project = tree != nullptr ? tree->GetProject() : nullptr;
    if (tree == nullptr || tree->GetSelectedTreeNode() == nullptr || project == nullptr ||
        project->GetProjectId() != tree->GetProjectId()) {
        return;
    }
    QNodeMediator* added = project->AddNodeToSelected(kTypeSpectralSpatialUserCompositeNode);
    if (added == nullptr) {
        return;
    }
    if (QProjectFormView* view = project->GetProjectFormView()) {
        view->GetMessageTarget().Post(NodeMessage::kProjectModified);
    }
    tree->OpenNodeOptions(added);
}

} // namespace orv
