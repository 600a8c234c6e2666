#include "app/panes/CViewTreeWidget.h"

#include "app/QtConversions.h"
#include "app/controls/RemoveDuplicateMenuSeparators.h"
#include "app/controls/WrapToWidth.h"
#include "app/panes/CNodeImageList.h"
#include "app/panes/CViewTreeDelegate.h"
#include "app/panes/CViewTreeMenu.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "platform/msg/MessageTarget.h"
#include "platform/ui/Prompt.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFormView.h"
#include "project/QScanEngineLink.h"
#include "project/QSettingsSheet.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "protocol/QUIBBStateController.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QToolTip>

#include <limits>

namespace orv {
namespace {

constexpr int32_t kStateReady = 2;

bool IsScanKind(uint16_t kind) {
    return kind == kTypeSpectralScanNode || kind == kTypeSpatialScanNode ||
           kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode;
}

bool IsTwoSourceKind(uint16_t kind) {
    return kind == kTypeSpectralComparisonNode || kind == kTypeSpatialComparisonNode ||
           kind == kTypeSpectralOverlayNode || kind == kTypeBlindSpotReductionNode;
}

bool IsInterleaved(QNodeMediator& mediator) {
    QScanOptions* options = mediator.GetScanOptions();
    return options != nullptr && options->GetInterleavedScan() != 0;
}

} // namespace

CViewTreeWidget::CViewTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(CNodeImageList::kImageSize, CNodeImageList::kImageSize));
    setMouseTracking(true);
    setFrameShape(QFrame::Box);
    QPalette white = palette();
    white.setColor(QPalette::Base, Qt::white);
    setPalette(white);
    m_delegate = new CViewTreeDelegate(*this);
    setItemDelegate(m_delegate);
    // Nodes are dragged by the tree itself (a copy or move inside the project), not through the
    // clipboard's drag and drop.
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    // Scrolling by the user leaves the current node.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int) { m_current = nullptr; });
    m_tipTimer.setSingleShot(true);
    m_tipTimer.setInterval(kTipDelayMs);
    connect(&m_tipTimer, &QTimer::timeout, this, [this] { ShowToolTipNow(); });
    m_menuRunner = [](QMenu& menu, const QPoint& globalPoint) { return menu.exec(globalPoint); };
}

CViewTreeWidget::~CViewTreeWidget() {
    if (m_bDragging) {
        StopNodeDrag();
    }
    m_tipTimer.stop();
    m_records.Clear();
    clear();
}

// --- QProjectTree ---

void CViewTreeWidget::Repaint() {
    viewport()->update();
    viewport()->repaint();
}

void CViewTreeWidget::SelectNode(QNodeMediator& mediator) {
    SelectNodeItem(GetRootItem(), &mediator);
}

// --- Items ---

CTreeItem* CViewTreeWidget::AddChild(CTreeItem* parent, int32_t position, const std::string& label,
                                     QNodeMediator* mediator, bool expand) {
    auto record = std::make_unique<CTreeItem>();
    record->m_tree = this;
    record->m_name = label;
    record->m_mediator = mediator;
    auto* item = new QTreeWidgetItem();
    record->m_item = item;
    item->setText(0, CodePageToQString(label));
    int32_t image = 0;
    if (parent == nullptr) {
        record->m_kind = kTypeProjectNode;
        record->m_depth = 0;
        record->m_indexHint = topLevelItemCount();
        addTopLevelItem(item);
    } else {
        record->m_kind = mediator != nullptr ? mediator->GetKind() : 0;
        record->m_depth = parent->m_depth + 1;
        record->m_parent = parent;
        const int count = parent->m_item->childCount();
        const int at = position < 0 || position > count ? count : position;
        parent->m_item->insertChild(at, item);
        record->m_indexHint = at;
        image = CNodeImageList::ImageOfKind(record->m_kind);
    }
    item->setIcon(0, CNodeImageList::Instance().Icon(image));
    CTreeItem* added = m_records.Append(std::move(record));
    if (parent != nullptr) {
        parent->m_item->setExpanded(true);
        ScheduleScrollTo(parent->m_item);
    }
    if (expand) {
        item->setExpanded(true);
    }
    return added;
}

void CViewTreeWidget::ScheduleScrollTo(QTreeWidgetItem* item) {
    // A load adds thousands of items: the view is scrolled once, to the last parent asked for, when
    // control returns to the event loop.
    m_pendingScroll = QPersistentModelIndex(indexFromItem(item));
    if (m_scrollScheduled) {
        return;
    }
    m_scrollScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scrollScheduled = false;
        if (m_pendingScroll.isValid()) {
            scrollTo(m_pendingScroll);
        }
        m_pendingScroll = QPersistentModelIndex();
    });
}

void CViewTreeWidget::SetItemLabel(CTreeItem* item, const std::string& label) {
    if (item == nullptr) {
        return;
    }
    item->m_name = label;
    item->m_item->setText(0, CodePageToQString(label));
}

void CViewTreeWidget::SetItemImages(CTreeItem* item, int32_t image, int32_t selectedImage) {
    if (item != nullptr) {
        item->m_modelImage = image;
        item->m_modelSelectedImage = selectedImage;
    }
}

void CViewTreeWidget::SetItemMediator(CTreeItem* item, QNodeMediator* mediator) {
    if (item == nullptr) {
        return;
    }
    if (item->m_mediator != nullptr && item->m_mediator == m_current && mediator != m_current) {
        m_current = nullptr;
    }
    m_records.SetMediator(item, mediator);
}

QTreeWidgetItem* CViewTreeWidget::ChildItem(QTreeWidgetItem* parent, int index) const {
    return parent != nullptr && index >= 0 && index < parent->childCount() ? parent->child(index) : nullptr;
}

int CViewTreeWidget::IndexOf(const CTreeItem& record) const {
    QTreeWidgetItem* parent = record.m_parent != nullptr ? record.m_parent->m_item : invisibleRootItem();
    if (ChildItem(parent, record.m_indexHint) != record.m_item) {
        record.m_indexHint = parent->indexOfChild(record.m_item);
    }
    return record.m_indexHint;
}

CTreeItem* CViewTreeWidget::GetFirstChildItem(CTreeItem* item) {
    if (item == nullptr) {
        return nullptr;
    }
    CTreeItem* child = m_records.Find(ChildItem(item->m_item, 0));
    if (child != nullptr) {
        child->m_indexHint = 0;
    }
    return child;
}

CTreeItem* CViewTreeWidget::GetNextSiblingItem(CTreeItem* item) {
    if (item == nullptr) {
        return nullptr;
    }
    QTreeWidgetItem* parent = item->m_parent != nullptr ? item->m_parent->m_item : invisibleRootItem();
    const int index = IndexOf(*item) + 1;
    CTreeItem* next = m_records.Find(ChildItem(parent, index));
    if (next != nullptr) {
        next->m_indexHint = index;
    }
    return next;
}

CTreeItem* CViewTreeWidget::GetSelectedTreeNode() const {
    QTreeWidgetItem* item = currentItem();
    return item != nullptr && item->isSelected() ? m_records.Find(item) : nullptr;
}

bool CViewTreeWidget::IsSelectedNode(const QNodeMediator* mediator) const {
    const CTreeItem* selected = GetSelectedTreeNode();
    return selected != nullptr && mediator != nullptr && selected->m_mediator == mediator;
}

void CViewTreeWidget::SelectTreeNode(CTreeItem* record) {
    if (record != nullptr) {
        setCurrentItem(record->m_item);
    }
}

CTreeItem* CViewTreeWidget::FindRecordByNodeId(uint32_t nodeId) const {
    CTreeItem* found = nullptr;
    m_records.ForEach([&found, nodeId](CTreeItem& record) {
        if (found == nullptr && record.m_mediator != nullptr && record.m_mediator->GetNodeID() == nodeId) {
            found = &record;
        }
    });
    return found;
}

void CViewTreeWidget::SetNodeItemText(uint32_t nodeId, const std::string& text) {
    SetItemLabel(FindRecordByNodeId(nodeId), text);
}

bool CViewTreeWidget::HasChildItems(CTreeItem* item) const {
    return item != nullptr && item->m_item->childCount() > 0;
}

CTreeItem* CViewTreeWidget::GetRelatedItem(CTreeItem* item, uint32_t relation) {
    switch (relation) {
    case kRoot:
        return GetRootItem();
    case kCaret:
        return GetSelectedTreeNode();
    default:
        break;
    }
    if (item == nullptr) {
        return nullptr;
    }
    switch (relation) {
    case kNext:
        return GetNextSiblingItem(item);
    case kPrevious: {
        QTreeWidgetItem* parent = item->m_parent != nullptr ? item->m_parent->m_item : invisibleRootItem();
        return m_records.Find(ChildItem(parent, IndexOf(*item) - 1));
    }
    case kParent:
        return item->m_parent;
    case kChild:
        return GetFirstChildItem(item);
    default:
        return nullptr;
    }
}

void CViewTreeWidget::RemoveRecords(QTreeWidgetItem* item) {
    for (int i = item->childCount() - 1; i >= 0; --i) {
        RemoveRecords(item->child(i));
    }
    CTreeItem* record = m_records.Find(item);
    if (record == nullptr) {
        return;
    }
    if (record->m_mediator != nullptr && record->m_mediator == m_current) {
        m_current = nullptr;
    }
    if (record == m_tipItem) {
        HideToolTip();
    }
    m_records.Remove(record);
}

void CViewTreeWidget::DeleteItem(CTreeItem* item) {
    if (item == nullptr) {
        return;
    }
    QTreeWidgetItem* widgetItem = item->m_item;
    RemoveRecords(widgetItem);
    delete widgetItem;
}

void CViewTreeWidget::DeleteItemSubtree(CTreeItem* record) {
    if (record == nullptr) {
        record = GetSelectedTreeNode();
    }
    if (record == nullptr) {
        return;
    }
    QTreeWidgetItem* item = record->m_item;
    if (record->m_parent == nullptr) {
        // The root stays; its children go.
        const QList<QTreeWidgetItem*> children = item->takeChildren();
        for (QTreeWidgetItem* child : children) {
            RemoveRecords(child);
            delete child;
        }
        return;
    }
    RemoveRecords(item);
    delete item;
}

void CViewTreeWidget::CollectSubtreeNodes(CTreeItem* item, std::vector<QNodeMediator*>& mediators) const {
    if (item == nullptr) {
        item = GetSelectedTreeNode();
    }
    if (item == nullptr) {
        return;
    }
    for (int i = 0; i < item->m_item->childCount(); ++i) {
        CTreeItem* child = m_records.Find(item->m_item->child(i));
        if (child == nullptr) {
            continue;
        }
        if (child->m_mediator != nullptr) {
            mediators.push_back(child->m_mediator);
        }
        CollectSubtreeNodes(child, mediators);
    }
}

void CViewTreeWidget::GetChildNodeMediators(uint32_t nodeId, std::vector<QNodeMediator*>& mediators) const {
    const CTreeItem* parent = FindRecordByNodeId(nodeId);
    if (parent == nullptr) {
        return;
    }
    for (int i = 0; i < parent->m_item->childCount(); ++i) {
        const CTreeItem* child = m_records.Find(parent->m_item->child(i));
        if (child != nullptr && child->m_mediator != nullptr) {
            mediators.push_back(child->m_mediator);
        }
    }
}

TfrmProjectView* CViewTreeWidget::GetNodeContainer() const {
    return m_project != nullptr ? m_project->GetOpenProject() : nullptr;
}

QNodeMediator* CViewTreeWidget::AddChildNode(uint32_t parentNodeId, uint16_t kind) {
    CTreeItem* parent = FindRecordByNodeId(parentNodeId);
    TfrmProjectView* container = GetNodeContainer();
    if (parent == nullptr || container == nullptr) {
        return nullptr;
    }
    return container->AddNode(parent, CViewTree::kLast, kind);
}

float CViewTreeWidget::SortKeyOf(QNodeMediator& mediator) {
    const QScanOptions* options = mediator.GetScanOptions();
    return options != nullptr ? options->GetCenterFrequency() : -std::numeric_limits<float>::infinity();
}

QNodeMediator* CViewTreeWidget::AddChildNodeSorted(uint32_t parentNodeId, uint16_t kind, float key) {
    CTreeItem* parent = FindRecordByNodeId(parentNodeId);
    TfrmProjectView* container = GetNodeContainer();
    if (parent == nullptr || container == nullptr) {
        return nullptr;
    }
    int32_t position = 0;
    for (int i = parent->m_item->childCount() - 1; i >= 0; --i) {
        const CTreeItem* child = m_records.Find(parent->m_item->child(i));
        if (child != nullptr && child->m_mediator != nullptr && !(SortKeyOf(*child->m_mediator) > key)) {
            position = i + 1;
            break;
        }
    }
    return container->AddNode(parent, position, kind);
}

void CViewTreeWidget::DeleteNodeItem(uint32_t nodeId) {
    CTreeItem* record = FindRecordByNodeId(nodeId);
    TfrmProjectView* container = GetNodeContainer();
    if (record != nullptr && container != nullptr) {
        container->DeleteNode(record);
    }
}

void CViewTreeWidget::SelectNodeItem(CTreeItem* start, QNodeMediator* mediator) {
    CTreeItem* record = m_records.FindByMediator(mediator);
    if (record == nullptr || start == nullptr) {
        return;
    }
    const CTreeItem* above = record;
    while (above != nullptr && above != start) {
        above = above->m_parent;
    }
    if (above == nullptr) {
        return;
    }
    SelectTreeNode(record);
    scrollToItem(record->m_item);
}

void CViewTreeWidget::SetCurrentNode(QNodeMediator* mediator) {
    if (mediator == m_current) {
        return;
    }
    m_current = mediator;
    if (mediator != nullptr) {
        SelectNodeItem(GetRootItem(), mediator);
        ShowSelectedNodeScanData();
    }
}

// --- Actions ---

void CViewTreeWidget::ShowSelectedNodeScanData() {
    const CTreeItem* record = GetSelectedTreeNode();
    if (record == nullptr || record->m_mediator == nullptr) {
        return;
    }
    QNodeMediator& mediator = *record->m_mediator;
    switch (record->m_kind) {
    case kTypeSpectralScanNode:
    case kTypeSpatialScanNode:
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode:
    case kTypeSpatialComparisonNode:
    case kTypeSpectralComparisonNode:
    case kTypeSpectralOverlayNode:
    case kTypeBlindSpotReductionNode:
    case kTypeSpectralSpatialScriptingModuleNode:
        mediator.FillScanDataList(record->m_kind);
        break;
    default:
        // The project node and every other kind: an empty list.
        mediator.ClearScanDataList();
        break;
    }
    mediator.SelectDisplayedScanInList();
}

bool CViewTreeWidget::CanRunSelectedNode(bool continuous) {
    const CTreeItem* record = GetSelectedTreeNode();
    if (record == nullptr || record->m_mediator == nullptr) {
        return false;
    }
    QNodeMediator& mediator = *record->m_mediator;
    const char* refusal = nullptr;
    switch (record->m_kind) {
    case kTypeSpectralScanNode:
        break;
    case kTypeSpatialScanNode:
        if (continuous && IsInterleaved(mediator)) {
            refusal = kInterleavedRunText;
        }
        break;
    case kTypeSpectralSpatialScanNode:
    case kTypeSpectralSpatialScriptingModuleNode:
    case kTypeHandHeldProbeScanNode:
        if (continuous) {
            refusal = kNoContinuousRunText;
        }
        break;
    default:
        refusal = kNoRunText;
        break;
    }
    if (refusal != nullptr) {
        ShowPrompt(refusal, "", PromptButtons::Ok, PromptIcon::None);
        return false;
    }
    const bool started = m_controller != nullptr && m_controller->RunScan(mediator, continuous);
    mediator.ViewNode();
    return started;
}

void CViewTreeWidget::PostProjectModified() {
    if (m_documentView != nullptr) {
        m_documentView->GetMessageTarget().Post(NodeMessage::kProjectModified);
    }
}

bool CViewTreeWidget::AddNode(uint16_t kind) {
    if (kind == kTypeSpectralSpatialScriptingModuleNode || GetSelectedTreeNode() == nullptr ||
        m_project == nullptr) {
        return false;
    }
    QNodeMediator* added = m_project->AddNodeToSelected(kind);
    if (added == nullptr) {
        return false;
    }
    SelectNodeItem(GetRootItem(), added);
    PostProjectModified();
    if (kind != kTypeSpectralSpatialUserCompositeNode) {
        ShowSelectedNodeScanData();
        OpenNodeOptions(added);
    }
    if (IsScanKind(kind) || IsTwoSourceKind(kind)) {
        added->ViewNode();
    }
    return true;
}

void CViewTreeWidget::AddNodeWithView(uint16_t kind, bool openView) {
    if (m_project == nullptr || GetSelectedTreeNode() == nullptr) {
        return;
    }
    QNodeMediator* added = m_project->AddNodeToSelected(kind);
    if (added == nullptr) {
        return;
    }
    SelectNodeItem(GetRootItem(), added);
    ShowSelectedNodeScanData();
    PostProjectModified();
    OpenNodeOptions(added);
    if (openView) {
        added->ViewNode();
    }
}

bool CViewTreeWidget::DeleteSelectedNode() {
    return m_project != nullptr && m_project->DeleteSelectedNode();
}

void CViewTreeWidget::ConfirmAndDeleteSelectedNode() {
    if (GetSelectedTreeNode() == nullptr) {
        return;
    }
    if (ShowPrompt(kDeleteNodeText, kDeleteNodeCaption, PromptButtons::OkCancel, PromptIcon::Information) ==
        PromptAnswer::Cancel) {
        return;
    }
    // A refusal (the root, a scan running below) has told the user and changed nothing.
    if (!DeleteSelectedNode()) {
        return;
    }
    PostProjectModified();
    SelectTreeNode(GetRootItem());
    ShowSelectedNodeScanData();
    m_current = nullptr;
}

bool CViewTreeWidget::OpenNodeOptions(QNodeMediator* mediator) {
    if (mediator == nullptr) {
        const CTreeItem* selected = GetSelectedTreeNode();
        mediator = selected != nullptr ? selected->m_mediator : nullptr;
    }
    if (mediator == nullptr) {
        return false;
    }
    QSettingsSheet* sheet = mediator->OpenNodeSettings();
    if (sheet == nullptr) {
        return false;
    }
    if (mediator->GetKind() == kTypeWordReportNode) {
        sheet->ShowModeless(m_documentView);
    } else {
        sheet->ShowModal();
    }
    return true;
}

void CViewTreeWidget::OpenReportGenerator() {
    const CTreeItem* selected = GetSelectedTreeNode();
    if (selected == nullptr || selected->m_mediator == nullptr || selected->m_kind != kTypeWordReportNode ||
        !OpenNodeOptions(selected->m_mediator)) {
        return;
    }
    // The sheet was raised; its report page takes the keyboard once the raise has been handled.
    QSettingsPage* page = selected->m_mediator->FindPage(QSettingsPageKind::ReportGenerator);
    if (auto* window = dynamic_cast<QWidget*>(page); window != nullptr && page->HasWindow()) {
        QMetaObject::invokeMethod(
            window,
            [report = QPointer<QWidget>(window)] {
                if (report != nullptr) {
                    report->activateWindow();
                    report->setFocus(Qt::OtherFocusReason);
                }
            },
            Qt::QueuedConnection);
    }
}

// --- Context menu ---

bool CViewTreeWidget::IsScriptingSpectralSpatial(const CTreeItem& record) const {
    return record.m_kind == kTypeSpectralSpatialScanNode && record.m_parent != nullptr &&
           record.m_parent->m_kind == kTypeSpectralSpatialScriptingModuleNode;
}

std::unique_ptr<QMenu> CViewTreeWidget::BuildContextMenu(CTreeItem* record) {
    using namespace TreeCommand;
    if (m_project != nullptr && m_project->IsReportGeneratorOpen()) {
        return CViewTreeMenu::BuildPopup(CViewTreeMenu::kReportGeneratorPopup);
    }
    if (record == nullptr) {
        return nullptr;
    }
    int popup = CViewTreeMenu::kProjectPopup;
    switch (record->m_kind) {
    case kTypeSpectralSpatialScanNode:
        popup = IsScriptingSpectralSpatial(*record) ? CViewTreeMenu::kScriptingPopup
                                                    : CViewTreeMenu::kProjectPopup;
        break;
    case kTypeSpectralComparisonNode:
    case kTypeSpatialComparisonNode:
    case kTypeSpectralOverlayNode:
    case kTypeBlindSpotReductionNode:
        popup = CViewTreeMenu::kComparisonPopup;
        break;
    case kTypeSpectralSpatialUserCompositeNode:
        popup = CViewTreeMenu::kUserCompositePopup;
        break;
    default:
        break;
    }
    std::unique_ptr<QMenu> menu = CViewTreeMenu::BuildPopup(popup);
    const auto remove = [&menu](std::initializer_list<uint32_t> commands) {
        CViewTreeMenu::RemoveCommands(*menu, commands);
    };
    remove({kAddNote, kAddSpatialBlindSpotReduction, kAddBlindSpotReduction, kAddScripting});
    switch (record->m_kind) {
    case kTypeModuleNode:
        remove({kRunOnce, kRunContinuously, kOpenView});
        break;
    case kTypeSpectralScanNode:
        remove({kProperties, kNodeViews, kNodeScanData, kAddSpectral, kAddSpectralSpatial, kAddHandHeldProbe,
                kAddSpatialComparison, kAddModule});
        break;
    case kTypeSpatialScanNode:
        remove({kAddSpectral, kAddSpatial, kAddSpectralSpatial, kAddHandHeldProbe, kAddSpectralComparison,
                kAddSpectralOverlay, kAddModule});
        if (record->m_parent != nullptr && IsScriptingSpectralSpatial(*record->m_parent)) {
            remove({kDeleteNode});
        }
        if (record->m_mediator != nullptr && IsInterleaved(*record->m_mediator)) {
            remove({kRunContinuously});
        }
        break;
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode:
        remove({kProperties, kRunContinuously, kAddSpectral, kAddSpectralSpatial, kAddHandHeldProbe,
                kAddSpectralOverlay, kAddSpatialComparison, kAddSpectralComparison, kAddModule});
        break;
    case kTypeProjectNode:
        remove({kRunOnce, kRunContinuously, kDeleteNode, kOpenView});
        break;
    case kTypeSpectralComparisonNode:
    case kTypeSpatialComparisonNode:
    case kTypeSpectralOverlayNode:
    case kTypeBlindSpotReductionNode:
        remove({kRunOnce, kRunContinuously});
        break;
    case kTypeSpectralSpatialScriptingModuleNode:
        remove({kRunContinuously});
        break;
    case kTypeWordReportNode: {
        const QList<QAction*> actions = menu->actions();
        if (actions.size() > CViewTreeMenu::kAddNodePosition) {
            QAction* addNode = actions[CViewTreeMenu::kAddNodePosition];
            menu->removeAction(addNode);
            delete addNode->menu();
        }
        remove({kRunOnce, kRunContinuously});
        break;
    }
    default:
        break;
    }
    const int32_t state = m_controller != nullptr ? m_controller->GetWorkflowState() : 0;
    if (state != kStateReady) {
        CViewTreeMenu::EnableCommand(*menu, kRunOnce, false);
        CViewTreeMenu::EnableCommand(*menu, kRunContinuously, false);
    }
    // A run may be using any node of the project in any of its states.
    if (QUIBBStateController::IsRunState(state)) {
        CViewTreeMenu::EnableCommand(*menu, kDeleteNode, false);
    }
    RemoveDuplicateMenuSeparators(menu.get());
    return menu;
}

void CViewTreeWidget::OnMenuCommand(uint32_t command) {
    using namespace TreeCommand;
    switch (command) {
    case kRunOnce:
        CanRunSelectedNode(false);
        break;
    case kRunContinuously:
        CanRunSelectedNode(true);
        break;
    case kAddSpectral:
        AddNode(kTypeSpectralScanNode);
        break;
    case kAddSpatial:
        AddNode(kTypeSpatialScanNode);
        break;
    case kAddSpectralSpatial:
        AddNode(kTypeSpectralSpatialScanNode);
        break;
    case kAddHandHeldProbe:
        AddNodeWithView(kTypeHandHeldProbeScanNode, true);
        break;
    case kAddSpatialComparison:
        AddNodeWithView(kTypeSpatialComparisonNode, true);
        break;
    case kAddSpectralComparison:
        AddNodeWithView(kTypeSpectralComparisonNode, true);
        break;
    case kAddSpectralOverlay:
        AddNodeWithView(kTypeSpectralOverlayNode, true);
        break;
    case kAddModule:
        AddNodeWithView(kTypeModuleNode, false);
        break;
    case kAddReportGenerator:
        AddNodeWithView(kTypeWordReportNode, false);
        break;
    case kDeleteNode:
        ConfirmAndDeleteSelectedNode();
        break;
    case kSettings:
        OpenNodeOptions(nullptr);
        break;
    case kOpenView: {
        const CTreeItem* selected = GetSelectedTreeNode();
        if (selected == nullptr || selected->m_mediator == nullptr) {
            break;
        }
        if (selected->m_kind == kTypeWordReportNode) {
            OpenReportGenerator();
        } else {
            selected->m_mediator->ViewNode();
        }
        break;
    }
    default:
        if (command != 0 && m_commandRoute) {
            m_commandRoute(command);
        }
        break;
    }
}

void CViewTreeWidget::ShowContextMenu(const QPoint& viewportPoint) {
    if (m_project != nullptr && m_project->IsReportGeneratorOpen()) {
        // Nothing changes the project's nodes under the open report generator, a drop neither.
        if (m_bDropPending) {
            m_bDropPending = false;
            ForgetNodeDrag();
        }
        std::unique_ptr<QMenu> menu = BuildContextMenu(nullptr);
        QAction* chosen = m_menuRunner(*menu, viewport()->mapToGlobal(viewportPoint + QPoint(10, 0)));
        const uint32_t command = CViewTreeMenu::CommandOf(chosen);
        if (command != 0 && m_commandRoute) {
            m_commandRoute(command);
        }
        return;
    }
    if (m_bDropPending) {
        ShowDropMenu(viewportPoint);
        return;
    }
    CTreeItem* record = m_records.Find(itemAt(viewportPoint));
    if (record == nullptr) {
        return;
    }
    SelectTreeNode(record);
    std::unique_ptr<QMenu> menu = BuildContextMenu(record);
    QAction* chosen = m_menuRunner(*menu, viewport()->mapToGlobal(viewportPoint));
    const uint32_t command = CViewTreeMenu::CommandOf(chosen);
    menu.reset();
    if (command != 0) {
        OnMenuCommand(command);
    }
}

// --- Mouse ---

void CViewTreeWidget::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_pressItem = QPersistentModelIndex();
    CTreeItem* record = m_records.Find(itemAt(event->position().toPoint()));
    if (record == nullptr) {
        return;
    }
    m_pressItem = QPersistentModelIndex(indexFromItem(record->m_item));
    m_pressPoint = event->position().toPoint();
    SelectTreeNode(record);
    ShowSelectedNodeScanData();
    m_current = nullptr;
}

void CViewTreeWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    CTreeItem* record =
        event->button() == Qt::LeftButton ? m_records.Find(itemAt(event->position().toPoint())) : nullptr;
    if (record == nullptr) {
        QTreeWidget::mouseDoubleClickEvent(event);
        return;
    }
    SelectTreeNode(record);
    QNodeMediator* mediator = record->m_mediator;
    if (mediator == nullptr) {
        return;
    }
    if (record->m_kind == kTypeWordReportNode) {
        OpenReportGenerator();
    } else {
        mediator->ViewNode();
    }
    SetCurrentNode(mediator);
}

void CViewTreeWidget::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint point = event->reason() == QContextMenuEvent::Mouse
                             ? event->pos()
                             : viewport()->mapFromGlobal(QCursor::pos());
    if (event->reason() == QContextMenuEvent::Mouse) {
        if (CTreeItem* record = m_records.Find(itemAt(point))) {
            SelectTreeNode(record);
            ShowSelectedNodeScanData();
        }
    }
    ShowContextMenu(point);
    event->accept();
}

// --- Tool-tips ---

void CViewTreeWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (m_bDragging) {
        DragNodeTo(point);
        event->accept();
        return;
    }
    if ((event->buttons() & Qt::LeftButton) != 0 && m_pressItem.isValid() &&
        (point - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
        BeginNodeDrag(point);
        event->accept();
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
    QTreeWidgetItem* item = itemAt(point);
    CTreeItem* record = m_records.Find(item);
    bool overLabel = false;
    if (record != nullptr) {
        const QRect cell = visualItemRect(item);
        const int labelWidth = iconSize().width() + 8 + fontMetrics().horizontalAdvance(item->text(0));
        overLabel = point.x() >= cell.left() && point.x() < cell.left() + labelWidth;
    }
    if (!overLabel) {
        HideToolTip();
        return;
    }
    if (record == m_tipItem) {
        return;
    }
    m_tipItem = record;
    const QString label =
        record->m_mediator != nullptr ? CodePageToQString(record->m_mediator->GetLabel()) : QString();
    m_tipText = WrapToWidth(label, QToolTip::font(), kTipMaxWidth);
    m_tipColour = label.isEmpty() ? kEmptyTipBackground : kTipBackground;
    m_tipPoint = event->globalPosition().toPoint();
    QToolTip::hideText();
    m_tipTimer.start();
}

void CViewTreeWidget::leaveEvent(QEvent* event) {
    HideToolTip();
    QTreeWidget::leaveEvent(event);
}

void CViewTreeWidget::HideToolTip() {
    m_tipTimer.stop();
    m_tipItem = nullptr;
    m_tipText.clear();
    QToolTip::hideText();
}

void CViewTreeWidget::ShowToolTipNow() {
    QPalette palette = QToolTip::palette();
    palette.setColor(QPalette::ToolTipBase, ColorRefToQColor(m_tipColour));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(palette);
    QToolTip::showText(m_tipPoint, m_tipText, this, QRect(), 10 * kTipDelayMs);
}

bool CViewTreeWidget::IsNodeEmpty(const CTreeItem& record) {
    QNodeMediator* mediator = record.m_mediator;
    if (mediator == nullptr) {
        return false;
    }
    if (IsScanKind(record.m_kind)) {
        return mediator->GetScanDataCount() == 0;
    }
    if (IsTwoSourceKind(record.m_kind)) {
        return mediator->GetComparedScan(true) == nullptr || mediator->GetComparedScan(false) == nullptr;
    }
    return false;
}

} // namespace orv
