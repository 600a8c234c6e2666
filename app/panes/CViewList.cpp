#include "app/panes/CViewList.h"

#include "app/CDlgScanDataDescription.h"
#include "app/CStitchDialogMaker.h"
#include "app/QtConversions.h"
#include "app/controls/ClipboardFormats.h"
#include "app/controls/RemoveDuplicateMenuSeparators.h"
#include "app/controls/WrapToWidth.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/msg/MessageTarget.h"
#include "platform/ui/Prompt.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFormView.h"
#include "project/TfrmMainApp.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <initializer_list>

namespace orv {
namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kDateColumn = 1;
constexpr int kDescriptionColumn = 2;

// The scan's own texts: the description texts are filled only when the scan is prepared for a view,
// which a live scan or a reopened project's scans may never have been.
const std::string& DateOf(const CScanData& scan) {
    return scan.m_DateText;
}

const std::string& DescriptionOf(const CScanData& scan) {
    return scan.m_UserText;
}

bool IsTwoSourceKind(uint16_t kind) {
    return kind == kTypeSpectralComparisonNode || kind == kTypeSpatialComparisonNode ||
           kind == kTypeSpectralOverlayNode || kind == kTypeBlindSpotReductionNode;
}

// Menu 350, popup 0: every action carries its command id as its data.
std::unique_ptr<QMenu> BuildScanPopup() {
    using namespace ScanListCommand;
    auto menu = std::make_unique<QMenu>(QString::fromLatin1(CViewList::kScanPopupName));
    const auto add = [](QMenu& into, uint32_t id, const char* caption) {
        into.addAction(QString::fromLatin1(caption))->setData(QVariant::fromValue<uint>(id));
    };
    add(*menu, kCopy, "Copy");
    add(*menu, kDelete, "Delete");
    add(*menu, kExportSpatialData, "Export Spatial Data");
    QMenu* spectral = menu->addMenu(QString::fromLatin1(CViewList::kExportSpectralDataCaption));
    add(*spectral, kExportAllData, "All Data");
    add(*spectral, kExportAllPeaks, "All Peaks");
    menu->addSeparator();
    add(*menu, kOpenScanDataDescription, "Open Scan Data Description");
    add(*menu, kReorderScanData, "Re-Order Scan Data");
    add(*menu, kStitch, "Stitch");
    return menu;
}

void RemoveFirstSeparator(QMenu& menu) {
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            menu.removeAction(action);
            if (action->parent() == &menu) {
                delete action;
            }
            return;
        }
    }
}

} // namespace

CViewList::CViewList(QWidget* parent) : QTreeWidget(parent) {
    InsertColumns();
    SetListStyles();
    setMouseTracking(true);
    // Rows are dragged out to other windows; nothing is dropped here.
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    // Scrolling by the user leaves the tree's current node.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int) {
        if (m_tree != nullptr) {
            m_tree->SetCurrentNode(nullptr);
        }
    });
    m_tipTimer.setSingleShot(true);
    m_tipTimer.setInterval(kTipDelayMs);
    connect(&m_tipTimer, &QTimer::timeout, this, [this] { ShowToolTipNow(); });
    m_menuRunner = [](QMenu& menu, const QPoint& globalPoint) { return menu.exec(globalPoint); };
}

CViewList::~CViewList() {
    m_tipTimer.stop();
}

void CViewList::InsertColumns() {
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("ID"), QStringLiteral("Scan Date"), QStringLiteral("Description")});
    header()->resizeSection(0, kIdWidth);
    // At least wide enough for a whole date in the list's own font.
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00,  00:00:00")) + 12;
    header()->resizeSection(kDateColumn, std::max(kDateWidth, dateWidth));
    header()->resizeSection(kDescriptionColumn, kDescriptionWidth);
}

void CViewList::SetListStyles() {
    // A report list: no tree decoration, whole rows selected, columns that can be dragged, and the
    // selection shown also without the focus.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
}

void CViewList::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    QTreeWidget::drawRow(painter, option, index);
    // Grid lines between rows and columns.
    painter->save();
    painter->setPen(QColor(0xD0, 0xD0, 0xD0));
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    for (int column = 0; column < columnCount(); ++column) {
        const int x = header()->sectionViewportPosition(column) + header()->sectionSize(column) - 1;
        painter->drawLine(x, option.rect.top(), x, option.rect.bottom());
    }
    painter->restore();
}

void CViewList::AddRow(const std::string& text, const std::string& date, const std::string& description) {
    auto* row = new QTreeWidgetItem();
    row->setText(0, CodePageToQString(text));
    row->setText(kDateColumn, CodePageToQString(date));
    row->setText(kDescriptionColumn, CodePageToQString(description));
    const int32_t id = ParseInt32C(text).value_or(-1);
    row->setData(0, kIdRole, id);
    m_largestRowId = std::max(m_largestRowId, id);
    insertTopLevelItem(0, row);
    if (m_selectedRow >= 0) {
        ++m_selectedRow;
    }
}

void CViewList::SelectRow(const std::string& text) {
    const QString wanted = CodePageToQString(text);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->text(0) == wanted) {
            topLevelItem(i)->setSelected(true);
            return;
        }
    }
}

void CViewList::SelectOnlyRow(const std::string& text) {
    const QString wanted = CodePageToQString(text);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->text(0) == wanted) {
            SelectAlone(topLevelItem(i));
            scrollToItem(topLevelItem(i));
            return;
        }
    }
}

QTreeWidgetItem* CViewList::FindRow(int32_t scanId) const {
    const QString wanted = QString::number(scanId);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->text(0) == wanted) {
            return topLevelItem(i);
        }
    }
    return nullptr;
}

QTreeWidgetItem* CViewList::InsertTopRow(const CScanData& scan) {
    AddRow(FormatC("%d", static_cast<int32_t>(scan.m_ScanId)), DateOf(scan), DescriptionOf(scan));
    return topLevelItem(0);
}

void CViewList::SelectAlone(QTreeWidgetItem* row) {
    clearSelection();
    row->setSelected(true);
    setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
    m_selectedRow = indexOfTopLevelItem(row);
}

void CViewList::AddOrUpdateTop(const CScanData& scan, bool select, bool updateTop) {
    if (updateTop) {
        if (QTreeWidgetItem* top = topLevelItem(0)) {
            top->setText(kDateColumn, CodePageToQString(DateOf(scan)));
        }
        return;
    }
    QTreeWidgetItem* row = InsertTopRow(scan);
    if (select) {
        SelectAlone(row);
    }
}

void CViewList::AddSpectralScanData(const CSpectralScanData& scan, bool select, bool updateTop) {
    const auto scanId = static_cast<int32_t>(scan.m_ScanId);
    if (QTreeWidgetItem* listed = MayBeListed(scanId) ? FindRow(scanId) : nullptr) {
        listed->setText(kDateColumn, CodePageToQString(DateOf(scan)));
        return;
    }
    AddOrUpdateTop(scan, select, updateTop);
}

void CViewList::AddSpatialScanData(const CSpatialScanData& scan, bool select, bool updateTop) {
    AddOrUpdateTop(scan, select, updateTop);
}

void CViewList::AddListedOnce(const CScanData& scan, bool select) {
    const auto scanId = static_cast<int32_t>(scan.m_ScanId);
    if (MayBeListed(scanId) && FindRow(scanId) != nullptr) {
        return;
    }
    QTreeWidgetItem* row = InsertTopRow(scan);
    if (select) {
        SelectAlone(row);
        viewport()->repaint();
    }
}

void CViewList::AddSpectralSpatialScanData(const CSpectralSpatialScanData& scan, bool select) {
    AddListedOnce(scan, select);
}

void CViewList::AddHandHeldProbeScanData(const CHandHeldProbeScanData& scan, bool select) {
    AddListedOnce(scan, select);
}

void CViewList::RemoveAllScanData() {
    clear();
    m_selectedRow = -1;
    m_largestRowId = std::numeric_limits<int32_t>::min();
}

void CViewList::AddSourceRow(const std::string& text, int32_t source, const CScanData& scan) {
    auto* row = new QTreeWidgetItem();
    row->setText(0, CodePageToQString(text));
    row->setText(kDateColumn, CodePageToQString(DateOf(scan)));
    row->setText(kDescriptionColumn, CodePageToQString(DescriptionOf(scan)));
    row->setData(0, kIdRole, source);
    insertTopLevelItem(0, row);
    if (m_selectedRow >= 0) {
        ++m_selectedRow;
    }
}

void CViewList::SelectScanDataByIdNoClear(int32_t scanId) {
    QTreeWidgetItem* row = FindRow(scanId);
    if (row == nullptr) {
        return;
    }
    row->setSelected(true);
    scrollToItem(row);
}

void CViewList::SelectScanDataById(int32_t scanId) {
    clearSelection();
    QTreeWidgetItem* row = FindRow(scanId);
    if (row == nullptr) {
        return;
    }
    SelectAlone(row);
    scrollToItem(row);
}

std::string CViewList::GetDescriptionById(int32_t scanId) const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->data(0, kIdRole).toInt() == scanId) {
            return QStringToCodePage(topLevelItem(i)->text(kDescriptionColumn));
        }
    }
    return {};
}

bool CViewList::SetDescriptionByItemData(int32_t itemData, const std::string& description) {
    QTreeWidgetItem* row = FindRowByItemData(itemData);
    if (row == nullptr) {
        return false;
    }
    row->setText(kDescriptionColumn, CodePageToQString(description));
    return true;
}

bool CViewList::SetDescriptionById(int32_t scanId, const std::string& description) {
    QTreeWidgetItem* row = FindRow(scanId);
    if (row == nullptr) {
        return false;
    }
    row->setText(kDescriptionColumn, CodePageToQString(description));
    return true;
}

int32_t CViewList::GetRowId(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->data(0, kIdRole).toInt() : -1;
}

std::string CViewList::GetRowText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? QStringToCodePage(item->text(column)) : std::string();
}

std::vector<int32_t> CViewList::GetSelectedIds() const {
    std::vector<int32_t> ids;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected()) {
            ids.push_back(topLevelItem(i)->data(0, kIdRole).toInt());
        }
    }
    return ids;
}

QTreeWidgetItem* CViewList::FirstSelectedRow() const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected()) {
            return topLevelItem(i);
        }
    }
    return nullptr;
}

QTreeWidgetItem* CViewList::FindRowByItemData(int32_t itemData) const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->data(0, kIdRole).toInt() == itemData) {
            return topLevelItem(i);
        }
    }
    return nullptr;
}

TfrmMainApp* CViewList::GetProject() const {
    return m_tree != nullptr ? m_tree->GetProject() : nullptr;
}

// --- Following the selection, opening ---

void CViewList::FollowSelection() {
    QTreeWidgetItem* first = FirstSelectedRow();
    if (first == nullptr) {
        return;
    }
    const int row = indexOfTopLevelItem(first);
    if (row == m_selectedRow) {
        return;
    }
    m_selectedRow = row;
    if (m_owner != nullptr) {
        m_owner->ShowScanData(first->data(0, kIdRole).toInt());
    }
}

void CViewList::OpenSelectedScanData() {
    QTreeWidgetItem* first = FirstSelectedRow();
    if (first == nullptr || m_owner == nullptr) {
        return;
    }
    QNodeMediator* owner = m_owner;
    owner->ViewScanData(first->data(0, kIdRole).toInt());
    if (m_tree != nullptr) {
        m_tree->SetCurrentNode(owner);
    }
}

void CViewList::mousePressEvent(QMouseEvent* event) {
    // A press starts a new hover for the tip.
    m_tipRow = -1;
    QTreeWidget::mousePressEvent(event);
}

void CViewList::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        FollowSelection();
    }
}

void CViewList::keyReleaseEvent(QKeyEvent* event) {
    FollowSelection();
    QTreeWidget::keyReleaseEvent(event);
}

void CViewList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        OpenSelectedScanData();
    }
}

// --- Context menu ---

bool CViewList::CanDeleteScanData() const {
    return m_owner != nullptr && !m_owner->IsScanning() && !m_owner->IsScanInProgress();
}

void CViewList::ShowFirstSelectedByKind() {
    QTreeWidgetItem* first = FirstSelectedRow();
    if (first == nullptr || m_owner == nullptr) {
        return;
    }
    const int32_t scanId = first->data(0, kIdRole).toInt();
    switch (m_owner->GetKind()) {
    case kTypeSpectralScanNode:
        m_owner->ShowSpectralScanData(scanId);
        break;
    case kTypeSpatialScanNode:
        m_owner->ShowSpatialScanData(scanId);
        break;
    case kTypeSpectralSpatialScanNode:
        m_owner->ShowSpectralSpatialScanData(scanId, false);
        break;
    case kTypeHandHeldProbeScanNode:
        m_owner->ShowHandHeldProbeScanData(scanId, false);
        break;
    default:
        break;
    }
}

std::unique_ptr<QMenu> CViewList::BuildContextMenu() {
    using namespace ScanListCommand;
    const std::vector<int32_t> selected = GetSelectedIds();
    if (selected.empty() || m_owner == nullptr) {
        return nullptr;
    }
    std::unique_ptr<QMenu> menu = BuildScanPopup();
    const uint16_t kind = m_owner->GetKind();
    if (selected.size() == 1) {
        if (m_owner->GetCurrentScanPointCount() < 1) {
            CViewTreeMenu::EnableCommand(*menu, kExportAllPeaks, false);
        }
        if (kind == kTypeSpectralScanNode) {
            CViewTreeMenu::RemoveCommand(*menu, kExportSpatialData);
        } else if (kind == kTypeSpatialScanNode) {
            CViewTreeMenu::RemoveSubmenu(*menu, kExportSpectralDataCaption);
        } else if (IsTwoSourceKind(kind)) {
            CViewTreeMenu::RemoveCommand(*menu, kExportSpatialData);
            CViewTreeMenu::RemoveSubmenu(*menu, kExportSpectralDataCaption);
        }
    } else {
        CViewTreeMenu::RemoveCommand(*menu, kCopy);
        CViewTreeMenu::RemoveCommand(*menu, kExportSpatialData);
        CViewTreeMenu::RemoveSubmenu(*menu, kExportSpectralDataCaption);
        RemoveFirstSeparator(*menu);
        CViewTreeMenu::RemoveCommand(*menu, kOpenScanDataDescription);
    }
    // Re-ordering is never offered.
    CViewTreeMenu::RemoveCommand(*menu, kReorderScanData);
    RemoveDuplicateMenuSeparators(menu.get());
    return menu;
}

void CViewList::ShowContextMenu(const QPoint& viewportPoint) {
    if (FirstSelectedRow() == nullptr || m_owner == nullptr) {
        return;
    }
    ShowFirstSelectedByKind();
    const QPoint at = viewport()->mapToGlobal(viewportPoint);
    const TfrmMainApp* project = GetProject();
    const bool reportOpen = project != nullptr && project->IsReportGeneratorOpen();
    if (reportOpen || !CanDeleteScanData()) {
        // Nothing to choose: the popup only says why.
        std::unique_ptr<QMenu> notice = CViewTreeMenu::BuildPopup(
            reportOpen ? CViewTreeMenu::kReportGeneratorPopup : CViewTreeMenu::kOngoingScanPopup);
        m_menuRunner(*notice, at);
        return;
    }
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    if (menu == nullptr) {
        return;
    }
    const uint32_t command = CViewTreeMenu::CommandOf(m_menuRunner(*menu, at));
    menu.reset();
    if (command != 0) {
        OnMenuCommand(command);
    }
}

void CViewList::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint point = event->reason() == QContextMenuEvent::Mouse
                             ? event->pos()
                             : viewport()->mapFromGlobal(QCursor::pos());
    ShowContextMenu(point);
    event->accept();
}

void CViewList::ExportSpectral(int32_t scanId, bool allPeaks) {
    QScanOptions* options = m_owner->GetScanOptions();
    if (!allPeaks || options == nullptr) {
        m_owner->ExportSpectralTo(scanId);
        return;
    }
    // The switch is cleared however the export ends.
    class ClearAllPeaks {
    public:
        explicit ClearAllPeaks(QScanOptions& options) : m_options(options) {
            m_options.SetExportAllPeaks(true);
        }
        ~ClearAllPeaks() { m_options.SetExportAllPeaks(false); }
        ClearAllPeaks(const ClearAllPeaks&) = delete;
        ClearAllPeaks& operator=(const ClearAllPeaks&) = delete;

    private:
        QScanOptions& m_options;
    } clear(*options);
    m_owner->ExportSpectralTo(scanId);
}

void CViewList::OnMenuCommand(uint32_t command) {
    using namespace ScanListCommand;
    QTreeWidgetItem* first = FirstSelectedRow();
    if (first == nullptr || m_owner == nullptr) {
        return;
    }
    const int32_t id = first->data(0, kIdRole).toInt();
    switch (command) {
    case kCopy:
        if (TfrmMainApp* project = GetProject()) {
            project->SetCopiedScanData(m_owner, id);
        }
        break;
    case kDelete:
        if (ShowPrompt(kDeleteText, kDeleteCaption, PromptButtons::OkCancel, PromptIcon::Information) !=
            PromptAnswer::Cancel) {
            DeleteSelectedScanData();
        }
        break;
    case kExportSpatialData:
        m_owner->ExportSpatialTo(id);
        break;
    case kExportAllData:
        ExportSpectral(id, false);
        break;
    case kExportAllPeaks:
        ExportSpectral(id, true);
        break;
    case kOpenScanDataDescription:
        // A two-scan node's row names its source: 1 the reference or lower scan, 0 the other.
        CDlgScanDataDescription::Run(*m_owner, id, IsTwoSourceKind(m_owner->GetKind()) ? id : 0, this);
        break;
    case kStitch:
        CStitchDialogMaker::Run(*m_owner, this);
        break;
    default:
        break;
    }
}

// --- Deleting ---

bool CViewList::DeleteOne(int32_t itemData) {
    QNodeMediator& owner = *m_owner;
    const uint16_t kind = owner.GetKind();
    if (kind == kTypeSpectralSpatialScanNode && owner.CountNodesLinkedToScan(itemData) > 0) {
        if (ShowPrompt(kLinkedDeleteText, kDeleteCaption, PromptButtons::OkCancel, PromptIcon::Information) ==
            PromptAnswer::Cancel) {
            return false;
        }
    }
    delete FindRowByItemData(itemData);
    const bool first = itemData == kFirstSourceRow;
    switch (kind) {
    case kTypeSpectralScanNode:
        owner.DeleteSpectralScanData(itemData);
        break;
    case kTypeSpatialScanNode:
        owner.DeleteSpatialScanData(itemData);
        break;
    case kTypeSpectralSpatialScanNode:
        owner.CloseViewsOfNodesLinkedToScan(itemData);
        owner.DeleteSpectralSpatialScanData(itemData);
        break;
    case kTypeHandHeldProbeScanNode:
        owner.DeleteHandHeldProbeScanData(itemData);
        break;
    case kTypeSpectralComparisonNode:
        owner.RemoveSpectralComparisonScan(first);
        break;
    case kTypeSpectralOverlayNode:
        owner.RemoveSpectralOverlayScan(first);
        break;
    case kTypeSpatialComparisonNode:
        owner.RemoveSpatialComparisonScan(first);
        break;
    case kTypeBlindSpotReductionNode:
        owner.RemoveBlindSpotReductionScan(first);
        break;
    default:
        break;
    }
    return true;
}

bool CViewList::DeleteSelectedScanData() {
    if (!CanDeleteScanData()) {
        return false;
    }
    // By id: the rows move up as rows above them go.
    const std::vector<int32_t> ids = GetSelectedIds();
    bool deleted = false;
    for (int32_t id : ids) {
        if (!DeleteOne(id)) {
            break;
        }
        deleted = true;
    }
    m_selectedRow = -1;
    // What went before a cancelled question has gone: the project is modified all the same.
    if (deleted && m_documentView != nullptr) {
        m_documentView->GetMessageTarget().Post(NodeMessage::kProjectModified);
    }
    return deleted;
}

// --- Dragging ---

void CViewList::startDrag(Qt::DropActions /*supportedActions*/) {
    BeginDrag();
}

void CViewList::BeginDrag() {
    QTreeWidgetItem* row = currentItem();
    if (row == nullptr || !row->isSelected()) {
        row = FirstSelectedRow();
    }
    if (row == nullptr) {
        return;
    }
    m_selectedRow = indexOfTopLevelItem(row);
    m_dragId = row->data(0, kIdRole).toInt();
    SetDraggedScanData(m_owner, m_dragId);
    int32_t effect = 0;
    DragSerializedObject(*this, kDragFormat, this, &effect);
    ClearDraggedScanData();
}

void CViewList::StoreClipboardData(QDataWriter& writer) const {
    writer.WriteI32(m_dragId);
}

void CViewList::LoadClipboardData(QDataReader& reader) {
    m_dragId = reader.ReadI32();
}

// --- Tool-tip ---

void CViewList::mouseMoveEvent(QMouseEvent* event) {
    QTreeWidget::mouseMoveEvent(event);
    const QPoint point = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(point);
    // The label is the row's first column.
    const bool overLabel = item != nullptr && columnAt(point.x()) == 0;
    if (!overLabel) {
        HideToolTip();
        return;
    }
    const int row = indexOfTopLevelItem(item);
    if (row == m_tipRow) {
        return;
    }
    m_tipRow = row;
    const QString description =
        item->isSelected() && row == m_selectedRow ? item->text(kDescriptionColumn) : QString();
    m_tipTimer.stop();
    QToolTip::hideText();
    if (description.isEmpty()) {
        m_tipText.clear();
        return;
    }
    m_tipText = WrapToWidth(description, QToolTip::font(), kTipMaxWidth);
    m_tipPoint = event->globalPosition().toPoint();
    m_tipTimer.start();
}

void CViewList::leaveEvent(QEvent* event) {
    HideToolTip();
    QTreeWidget::leaveEvent(event);
}

void CViewList::HideToolTip() {
    m_tipTimer.stop();
    m_tipRow = -1;
    m_tipText.clear();
    QToolTip::hideText();
}

void CViewList::ShowToolTipNow() {
    QPalette palette = QToolTip::palette();
    palette.setColor(QPalette::ToolTipBase, ColorRefToQColor(kTipBackground));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(palette);
    QToolTip::showText(m_tipPoint, m_tipText, this, QRect(), 10 * kTipDelayMs);
}

} // namespace orv
