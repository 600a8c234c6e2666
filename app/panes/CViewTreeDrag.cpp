// The project tree's own drag of a node: a copy or move of the node's subtree onto another node of
// the same project, chosen from popup 5 when the button goes up over a target that takes it.

#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/TypeIds.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"
#include "project/QScanEngineLink.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"

#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace orv {
namespace {

// The controller states in which a run uses its node (detection up to the scan's end).
constexpr int32_t kFirstRunState = 1;
constexpr int32_t kLastRunState = 14;
// Where the picture stands from the cursor's tip.
const QPoint kPictureOffset(12, 8);

bool IsScanNodeKind(uint16_t kind) {
    return kind == kTypeSpectralScanNode || kind == kTypeSpatialScanNode ||
           kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode;
}

} // namespace

bool CViewTreeWidget::IsDropAllowed(uint16_t targetKind, uint16_t draggedKind) {
    if (targetKind == kTypeProjectNode || targetKind == kTypeModuleNode) {
        return true;
    }
    if (draggedKind == kTypeWordReportNode) {
        return IsScanNodeKind(targetKind);
    }
    switch (targetKind) {
    case kTypeSpectralScanNode:
        return draggedKind == kTypeSpatialScanNode || draggedKind == kTypeSpectralComparisonNode ||
               draggedKind == kTypeSpectralOverlayNode;
    case kTypeSpatialScanNode:
        return draggedKind == kTypeSpatialComparisonNode || draggedKind == kTypeBlindSpotReductionNode;
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode:
        return draggedKind == kTypeSpatialScanNode;
    default:
        return false;
    }
}

CTreeItem* CViewTreeWidget::RecordAt(const QPersistentModelIndex& index) const {
    return index.isValid() ? m_records.Find(itemFromIndex(index)) : nullptr;
}

void CViewTreeWidget::BeginNodeDrag(const QPoint& viewportPoint) {
    CTreeItem* dragged = RecordAt(m_pressItem);
    m_pressItem = QPersistentModelIndex();
    if (dragged == nullptr) {
        return;
    }
    // The view's own press-and-move selection and auto-scrolling end here: the drag owns the mouse.
    stopAutoScroll();
    setState(NoState);
    HideToolTip();
    m_dragItem = QPersistentModelIndex(indexFromItem(dragged->m_item));
    m_draggedKind = dragged->m_kind;
    m_dropTarget = QPersistentModelIndex();
    m_bDropAllowed = false;
    m_bDropPending = false;
    m_bDragging = true;

    // The item's picture and label as the tree draws them, without the selection's colours.
    const int iconSide = iconSize().height();
    const int height = std::max(visualItemRect(dragged->m_item).height(), iconSide);
    const QRect rect(0, 0, iconSide + 10 + fontMetrics().horizontalAdvance(dragged->m_item->text(0)), height);
    QPixmap picture(rect.size());
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        const QIcon icon = dragged->m_item->icon(0);
        icon.paint(&painter, QRect(2, (rect.height() - iconSide) / 2, iconSide, iconSide));
        painter.setPen(Qt::black);
        painter.setFont(font());
        painter.drawText(QRect(iconSide + 6, 0, rect.width() - iconSide - 6, rect.height()),
                         Qt::AlignVCenter | Qt::AlignLeft, dragged->m_item->text(0));
    }
    if (m_dragPicture == nullptr) {
        m_dragPicture = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        m_dragPicture->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_dragPicture->setAttribute(Qt::WA_ShowWithoutActivating);
        m_dragPicture->setWindowOpacity(0.8);
    }
    m_dragPicture->setPixmap(picture);
    m_dragPicture->resize(picture.size());
    m_dragPicture->hide();
    if (isVisible()) {
        viewport()->grabMouse();
    }
    DragNodeTo(viewportPoint);
}

void CViewTreeWidget::MoveDragPicture(const QPoint& viewportPoint) {
    if (m_dragPicture != nullptr) {
        m_dragPicture->move(viewport()->mapToGlobal(viewportPoint) + kPictureOffset);
    }
}

void CViewTreeWidget::DragNodeTo(const QPoint& viewportPoint) {
    CTreeItem* dragged = RecordAt(m_dragItem);
    if (dragged == nullptr) {
        // The dragged node went (a delete from elsewhere): the drag ends with it.
        StopNodeDrag();
        ForgetNodeDrag();
        return;
    }
    CTreeItem* target = m_records.Find(itemAt(viewportPoint));
    if (target != RecordAt(m_dropTarget)) {
        m_dropTarget = target != nullptr ? QPersistentModelIndex(indexFromItem(target->m_item))
                                         : QPersistentModelIndex();
        m_dropHighlight = m_dropTarget;
        viewport()->update();
        if (target != nullptr) {
            target->m_item->setExpanded(true);
            CTreeItem* before = GetRelatedItem(target, kPrevious);
            if (before == nullptr) {
                before = target->m_parent;
            }
            if (before != nullptr) {
                scrollToItem(before->m_item);
            }
            scrollToItem(target->m_item);
        }
    }
    m_bDropAllowed = target != nullptr && IsDropAllowed(target->m_kind, m_draggedKind);
    MoveDragPicture(viewportPoint);
    if (m_dragPicture != nullptr) {
        m_dragPicture->setVisible(m_bDropAllowed && isVisible());
    }
}

void CViewTreeWidget::StopNodeDrag() {
    if (m_dragPicture != nullptr) {
        m_dragPicture->hide();
    }
    if (QWidget::mouseGrabber() == viewport()) {
        viewport()->releaseMouse();
    }
    m_bDragging = false;
    ClearDropHighlight();
}

void CViewTreeWidget::ForgetNodeDrag() {
    m_dragItem = QPersistentModelIndex();
    m_dropTarget = QPersistentModelIndex();
    m_bDropAllowed = false;
    m_draggedKind = 0;
}

void CViewTreeWidget::ClearDropHighlight() {
    if (m_dropHighlight.isValid()) {
        m_dropHighlight = QPersistentModelIndex();
        viewport()->update();
    }
}

void CViewTreeWidget::EndNodeDrag(const QPoint& viewportPoint) {
    DragNodeTo(viewportPoint);
    if (!m_bDragging) {
        return;
    }
    CTreeItem* dragged = RecordAt(m_dragItem);
    CTreeItem* target = RecordAt(m_dropTarget);
    const bool allowed = m_bDropAllowed;
    StopNodeDrag();
    if (target == nullptr || target == dragged) {
        ForgetNodeDrag();
        return;
    }
    target->m_item->setExpanded(true);
    if (!allowed) {
        ForgetNodeDrag();
        return;
    }
    m_bDropPending = true;
    ShowContextMenu(viewportPoint);
}

void CViewTreeWidget::mouseReleaseEvent(QMouseEvent* event) {
    m_pressItem = QPersistentModelIndex();
    if (m_bDragging && event->button() == Qt::LeftButton) {
        EndNodeDrag(event->position().toPoint());
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void CViewTreeWidget::keyPressEvent(QKeyEvent* event) {
    if (m_bDragging && event->key() == Qt::Key_Escape) {
        StopNodeDrag();
        ForgetNodeDrag();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CViewTreeWidget::ShowDropMenu(const QPoint& viewportPoint) {
    m_bDropPending = false;
    CTreeItem* dragged = RecordAt(m_dragItem);
    CTreeItem* target = RecordAt(m_dropTarget);
    if (dragged != nullptr && target != nullptr) {
        if (IsInSubtree(target, dragged)) {
            ShowPrompt(kDropIntoOwnBranchText, "", PromptButtons::Ok, PromptIcon::None);
        } else {
            std::unique_ptr<QMenu> menu = CViewTreeMenu::BuildPopup(CViewTreeMenu::kCopyMovePopup);
            QAction* chosen = m_menuRunner(*menu, viewport()->mapToGlobal(viewportPoint));
            const uint32_t command = CViewTreeMenu::CommandOf(chosen);
            menu.reset();
            if (command == TreeCommand::kCopyNodeWithSettings ||
                command == TreeCommand::kCopyNodeWithSettingsAndData || command == TreeCommand::kMoveNode) {
                CopyDraggedNode(command);
            }
        }
    }
    ForgetNodeDrag();
    ShowSelectedNodeScanData();
}

bool CViewTreeWidget::IsSubtreeScanning(CTreeItem* item) const {
    std::vector<QNodeMediator*> subtree;
    if (item->m_mediator != nullptr) {
        subtree.push_back(item->m_mediator);
    }
    CollectSubtreeNodes(item, subtree);
    const int32_t state = m_controller != nullptr ? m_controller->GetWorkflowState() : kFirstRunState;
    const bool running = state >= kFirstRunState && state <= kLastRunState;
    for (QNodeMediator* mediator : subtree) {
        if (mediator->IsScanInProgress() || (running && mediator->IsScanning())) {
            return true;
        }
    }
    return false;
}

void CViewTreeWidget::RelinkMovedNodes(CTreeItem* moved) {
    // The nodes that went live on in their copies: every report generator of the project that
    // reported one of them reports its copy.
    std::map<int32_t, int32_t> copies;
    std::vector<QNodeMediator*> subtree{moved->m_mediator};
    CollectSubtreeNodes(moved, subtree);
    for (QNodeMediator* mediator : subtree) {
        if (mediator != nullptr && mediator->IsSettingsCopied()) {
            copies[static_cast<int32_t>(mediator->GetSettingsSourceID())] =
                static_cast<int32_t>(mediator->GetNodeID());
        }
    }
    m_records.ForEach([&copies](CTreeItem& record) {
        if (record.m_kind != kTypeWordReportNode || record.m_mediator == nullptr) {
            return;
        }
        std::vector<_ReportGeneratorDataBuffer> buffers = record.m_mediator->GetReportBuffers();
        bool relinked = false;
        for (_ReportGeneratorDataBuffer& buffer : buffers) {
            const auto copy = copies.find(buffer.m_NodeId);
            if (copy != copies.end()) {
                buffer.m_NodeId = copy->second;
                relinked = true;
            }
        }
        if (relinked) {
            record.m_mediator->SetReportBuffers(std::move(buffers));
        }
    });
}

bool CViewTreeWidget::CopyDraggedNode(uint32_t command) {
    CTreeItem* dragged = RecordAt(m_dragItem);
    CTreeItem* target = RecordAt(m_dropTarget);
    if (dragged == nullptr || target == nullptr || IsInSubtree(target, dragged)) {
        return false;
    }
    const bool move = command == TreeCommand::kMoveNode;
    if (move && IsSubtreeScanning(dragged)) {
        ShowPrompt(kScanRunningText, "", PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    const bool withData = command != TreeCommand::kCopyNodeWithSettings;
    std::string failure;
    if (!CopyNodeSubtree(target, dragged, withData, &failure)) {
        if (!failure.empty()) {
            ShowPrompt(failure, "", PromptButtons::Ok, PromptIcon::Warning);
        }
        return false;
    }
    CTreeItem* copy = m_records.Find(target->m_item->child(target->m_item->childCount() - 1));
    // Reports copied with their nodes report the copies. Only the new subtree is relinked: the
    // reports that were there before keep what they report.
    if (withData) {
        RelinkCopiedReportNodes(copy);
    }
    if (move) {
        // The copy is whole: only now may the original go. Should the project refuse (it has told
        // the user why), the copy goes again and the move has changed nothing.
        TfrmProjectView* container = GetNodeContainer();
        if (container == nullptr || !container->DeleteNode(dragged)) {
            if (container != nullptr) {
                container->DeleteNode(copy);
            }
            return false;
        }
        RelinkMovedNodes(copy);
        SelectTreeNode(copy);
        m_current = nullptr;
    }
    PostProjectModified();
    return true;
}

} // namespace orv
