// The scans CSpatialView takes into a comparison or blind-spot pane: dropped from the scan-data list
// or pasted from the project's copy slot.

#include "app/controls/ClipboardFormats.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/debug/DebugOutput.h"
#include "platform/sync/CriticalSection.h"
#include "platform/ui/Prompt.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "scandata/CSpatialScanData.h"
#include "views/spatial/CSpatialView.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>

#include <exception>
#include <memory>
#include <mutex>
#include <string>

namespace orv {

// --- Drag and drop ---

bool CSpatialView::OnDragEnter(const QMimeData* data) {
    TfrmMainApp* project = GetProject();
    m_bDragFormatOffered = project != nullptr && IsAnyFormatAvailable(project->GetClipboardHelpers(), data);
    return m_bDragFormatOffered;
}

Qt::DropAction CSpatialView::OnDragOver(const QPoint& client) {
    const bool comparison = m_nNodeKind == kTypeSpatialComparisonNode;
    if (!comparison && m_nNodeKind != kTypeBlindSpotReductionNode) {
        return Qt::IgnoreAction;
    }
    if ((comparison ? m_nComparisonPane : m_nBlindSpotPane) == 2) {
        return Qt::IgnoreAction;
    }
    auto* list = dynamic_cast<CViewList*>(m_pScanDataList);
    TfrmMainApp* project = GetProject();
    QNodeMediator* source = nullptr;
    int32_t scanId = -1;
    // The dragged row's node is asked for its kind only once it is known to be one of the project's.
    if (list == nullptr || project == nullptr || !list->GetDraggedScanData(source, scanId) ||
        !project->IsNodeMediatorInProject(source) || source->GetKind() != kTypeSpatialScanNode) {
        return Qt::IgnoreAction;
    }
    const QRect mapArea(QPoint(0, m_nTopMargin),
                        QPoint(width() - m_nRightMargin - 1, height() - m_nBottomMargin - 1));
    if (!mapArea.contains(client)) {
        return Qt::IgnoreAction;
    }
    return m_bDragFormatOffered ? Qt::CopyAction : Qt::IgnoreAction;
}

bool CSpatialView::OnDrop() {
    auto* list = dynamic_cast<CViewList*>(m_pScanDataList);
    QNodeMediator* source = nullptr;
    int32_t scanId = -1;
    if (list == nullptr || !list->GetDraggedScanData(source, scanId)) {
        return false;
    }
    PasteScanData(source, scanId);
    return true;
}

void CSpatialView::dragEnterEvent(QDragEnterEvent* event) {
    OnDragEnter(event->mimeData());
    // Whether a drop may come is decided as the drag moves.
    event->accept();
}

void CSpatialView::dragMoveEvent(QDragMoveEvent* event) {
    const Qt::DropAction action = OnDragOver(event->position().toPoint());
    if (action == Qt::CopyAction && (event->possibleActions() & Qt::CopyAction) != 0) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CSpatialView::dragLeaveEvent(QDragLeaveEvent* event) {
    m_bDragFormatOffered = false;
    event->accept();
}

void CSpatialView::dropEvent(QDropEvent* event) {
    if (OnDragOver(event->position().toPoint()) != Qt::CopyAction) {
        event->ignore();
        return;
    }
    try {
        OnDrop();
    } catch (const std::exception& failure) {
        ForgetScanPointers();
        OutputDebugString(FormatC("CSpatialView: drop: %s\n", failure.what()));
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

// --- Paste ---

void CSpatialView::PasteScanData(QNodeMediator* source, int32_t scanId) {
    TfrmMainApp* project = GetProject();
    if (m_pMediator == nullptr || source == nullptr || project == nullptr ||
        !project->IsNodeMediatorInProject(source)) {
        return;
    }
    CSpatialScanData* pasted = source->GetSpatialScanData(scanId);
    if (pasted == nullptr) {
        ShowPrompt(kCannotPasteText, kPasteCaption, PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    const bool comparison = m_nNodeKind == kTypeSpatialComparisonNode;
    if (!comparison && m_nNodeKind != kTypeBlindSpotReductionNode) {
        return;
    }
    const int32_t pane = comparison ? m_nComparisonPane : m_nBlindSpotPane;
    if (pane != 0 && pane != 1) {
        return;
    }
    // The mediator's first compared scan is the reference (comparison) or the upper scan (blind
    // spot): pane 1 of a comparison, pane 0 of a blind-spot view.
    const bool intoFirst = comparison ? pane == 1 : pane == 0;
    auto* other = dynamic_cast<CSpatialScanData*>(m_pMediator->GetComparedScan(!intoFirst));
    std::string reason;
    bool compatible = true;
    std::unique_ptr<CSpatialScanData> copy;
    {
        // A scan of the source node that is still being measured changes under this section only;
        // no box is shown while it is held.
        const std::lock_guard<CriticalSection> guard(source->GetFirstCriticalSection());
        if (other != nullptr) {
            compatible = comparison ? other->CheckComparisonCompatibility(*pasted, reason)
                                    : other->CheckBlindSpotReductionCompatibility(*pasted, reason);
        }
        copy = pasted->Clone();
    }
    bool removeOther = false;
    if (!compatible) {
        const std::string text = kIncompatiblePrefix + reason;
        if (pane == 1) {
            // The second input never pushes out the first.
            ShowPrompt(text + (comparison ? kNotReferenceSuffix : kNotLowerSuffix), kPasteCaption,
                       PromptButtons::OkCancel, PromptIcon::Warning);
            return;
        }
        if (ShowPrompt(text + (comparison ? kReferenceRemovedSuffix : kLowerRemovedSuffix), kPasteCaption,
                       PromptButtons::OkCancel, PromptIcon::Warning) != PromptAnswer::Ok) {
            return;
        }
        removeOther = true;
    }
    // The copy keeps the scan's ID and belongs to this node: the source node may go before it.
    copy->m_ScanId = pasted->m_ScanId;
    copy->m_Mediator = m_pMediator;
    // The scans the view picked go before the mediator deletes them; the refresh picks again.
    ForgetScanPointers();
    {
        const std::lock_guard<CriticalSection> guard(m_pMediator->GetFirstCriticalSection());
        if (removeOther) {
            m_pMediator->SetComparedScan(!intoFirst, nullptr);
        }
        // Setting a compared scan marks the result to be built again.
        m_pMediator->SetComparedScan(intoFirst, std::move(copy));
    }
    m_pMediator->MarkProjectModified();
    m_target.Post(comparison ? NodeMessage::kRefreshSpatialComparison
                             : NodeMessage::kRefreshBlindSpotReduction);
    if (CViewTreeWidget* tree = GetTreeWidget(); tree != nullptr && tree->IsSelectedNode(m_pMediator)) {
        m_pMediator->FillScanDataList(m_nNodeKind);
    }
}

} // namespace orv
