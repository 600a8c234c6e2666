#include "dialogs/CPageReportGenerator.h"

#include "app/CMainFrame.h"
#include "app/QtConversions.h"
#include "app/controls/CCustomListCtrl.h"
#include "app/controls/CCustomTreeCtrl.h"
#include "app/panes/CNodeImageList.h"
#include "app/panes/CViewTreeWidget.h"
#include "core/TypeIds.h"
#include "dialogs/CNodeOptionsSheet.h"
#include "dialogs/CWordAutomation.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "project/QMediatorFileFields.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOptionViewItem>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <ctime>

namespace orv {
namespace {

constexpr int kMediatorRole = Qt::UserRole;
constexpr int kScanIdRole = Qt::UserRole;
constexpr int kIdColumnWidth = 45;
constexpr int kDateColumnWidth = 120;
constexpr int kDescriptionColumnWidth = 350;
constexpr char kFormFeed = '\f';

bool IsScanKind(uint16_t kind) {
    return kind == kTypeSpectralScanNode || kind == kTypeSpatialScanNode ||
           kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode;
}

bool IsTwoScanKind(uint16_t kind) {
    return kind == kTypeSpectralComparisonNode || kind == kTypeSpatialComparisonNode ||
           kind == kTypeSpectralOverlayNode || kind == kTypeBlindSpotReductionNode;
}

// The kinds whose records keep whatever scan IDs they hold: their scans are not their own list's.
bool KeepsEveryScanId(uint16_t kind) {
    return kind == kTypeModuleNode || kind == kTypeProjectNode ||
           kind == kTypeSpectralSpatialScriptingModuleNode || IsTwoScanKind(kind);
}

// The node's scan of its own kind without making it whole: the texts are all that is read of it.
const CScanData* FindOwnKindScan(const QNodeMediator& mediator, int32_t scanId) {
    switch (mediator.GetKind()) {
    case kTypeSpectralScanNode:
        return (mediator.FindSpectralScanData(scanId));
    case kTypeSpatialScanNode:
        return (mediator.FindSpatialScanData(scanId));
    case kTypeSpectralSpatialScanNode:
        return (mediator.FindSpectralSpatialScanData(scanId));
    case kTypeHandHeldProbeScanNode:
        return (mediator.FindHandHeldProbeScanData(scanId));
    default:
        return nullptr;
    }
}

bool Holds(const _ReportGeneratorDataBuffer& record, int32_t scanId) {
    return std::find(record.m_ScanIds.begin(), record.m_ScanIds.end(), scanId) != record.m_ScanIds.end();
}

int32_t NodeIdOf(QNodeMediator& mediator) {
    return static_cast<int32_t>(mediator.GetNodeID());
}

} // namespace

CPageReportGenerator::CPageReportGenerator(QNodeMediator& mediator)
    : CPropertyPage(QSettingsPageKind::ReportGenerator, kCaption), m_pMediator(&mediator),
      m_tree(new CCustomTreeCtrl(this)), m_list(new CCustomListCtrl(this)),
      m_generate(new QPushButton("Generate Report", this)), m_status(new QLabel("Static", this)) {
    m_tree->setObjectName(QString::number(kTreeId));
    m_list->setObjectName(QString::number(kListId));
    m_generate->setObjectName(QString::number(kGenerateId));
    m_status->setObjectName(QString::number(kStatusId));

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Project Nodes", this), 0, 0);
    layout->addWidget(new QLabel("Scan Data List", this), 0, 1);
    layout->addWidget(m_tree, 1, 0);
    layout->addWidget(m_list, 1, 1);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 3);
    layout->setRowStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status);
    buttons->addStretch(1);
    buttons->addWidget(m_generate);
    layout->addLayout(buttons, 2, 0, 1, 2);
    // The list shows its three columns whole, the tree a node's name beside it.
    m_list->setMinimumWidth(kIdColumnWidth + kDateColumnWidth + kDescriptionColumnWidth + 24);
    m_tree->setMinimumWidth(240);
    m_tree->setMinimumHeight(300);
    // The keyboard comes to the tree when the page is focused (the tree's open command raises it).
    setFocusProxy(m_tree);

    connect(m_generate, &QPushButton::clicked, this, [this] { GenerateReport(); });
    connect(m_tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (!m_filling) {
            OnTreeItemChanged(item);
        }
    });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
        if (!m_filling && item != nullptr) {
            OnTreeSelectionChanged(item);
        }
    });
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* row, int) {
        if (!m_filling) {
            OnListItemChanged(row);
        }
    });
    m_tree->viewport()->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
}

CPageReportGenerator::~CPageReportGenerator() {
    // A page that goes with its node while a report is held lets go of it without writing it.
    if (m_pWordAutomation != nullptr) {
        m_pWordAutomation->SetQuitOnRelease(true);
        m_pWordAutomation->Release();
    }
}

void CPageReportGenerator::SetSheet(QSettingsSheet& sheet) {
    m_pSheet = dynamic_cast<CNodeOptionsSheet*>(&sheet);
}

int32_t CPageReportGenerator::ImageOfKind(uint16_t kind) {
    switch (kind) {
    case kTypeModuleNode:
        return 9;
    case kTypeSpectralScanNode:
        return 1;
    case kTypeSpatialScanNode:
        return 2;
    case kTypeSpectralSpatialScanNode:
        return 3;
    case kTypeHandHeldProbeScanNode:
        return 4;
    case kTypeSpectralComparisonNode:
        return 5;
    case kTypeSpectralOverlayNode:
        return 6;
    case kTypeSpatialComparisonNode:
        return 7;
    case kTypeBlindSpotReductionNode:
        return 8;
    case kTypeSpectralSpatialScriptingModuleNode:
        return 11;
    default:
        return 0;
    }
}

QRect CPageReportGenerator::ItemPartRect(const QTreeWidget& view, const QTreeWidgetItem& item,
                                         QStyle::SubElement part) {
    const QRect row = view.visualItemRect(&item);
    if (!row.isValid()) {
        return {};
    }
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.widget = &view;
    option.font = view.font();
    option.fontMetrics = view.fontMetrics();
    // The first column only: the row's rectangle covers every column.
    const QHeaderView* header = view.header();
    const int left = view.columnCount() > 1 ? header->sectionViewportPosition(0) : row.left();
    const int width = view.columnCount() > 1 ? header->sectionSize(0) : row.width();
    option.rect = QRect(std::max(left, row.left()), row.top(), width, row.height());
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = item.text(0);
    if (item.data(0, Qt::CheckStateRole).isValid()) {
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        option.checkState = item.checkState(0);
    }
    if (!item.icon(0).isNull()) {
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.icon = item.icon(0);
        option.decorationSize = view.iconSize().isValid() ? view.iconSize() : QSize(16, 16);
    }
    return view.style()->subElementRect(part, &option, &view);
}

QNodeMediator* CPageReportGenerator::MediatorOf(const QTreeWidgetItem* item) {
    return item != nullptr ? static_cast<QNodeMediator*>(item->data(0, kMediatorRole).value<void*>())
                           : nullptr;
}

TfrmMainApp* CPageReportGenerator::ReportProject() const {
    auto* tree = dynamic_cast<CViewTreeWidget*>(m_pMediator->GetProjectTree());
    return tree != nullptr ? tree->GetProject() : nullptr;
}

bool CPageReportGenerator::IsLive(const QNodeMediator* mediator) const {
    if (mediator == nullptr) {
        return false;
    }
    // A node that left the project while the page was open (a scan's sub-nodes made anew) is gone.
    TfrmMainApp* project = ReportProject();
    return project == nullptr || project->IsNodeMediatorInProject(const_cast<QNodeMediator*>(mediator));
}

QNodeMediator* CPageReportGenerator::NodeOf(const QTreeWidgetItem* item) const {
    QNodeMediator* mediator = MediatorOf(item);
    return IsLive(mediator) ? mediator : nullptr;
}

// --- Initialise ---

bool CPageReportGenerator::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_filling = true;
    m_tree->setColumnCount(1);
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setIconSize(QSize(CNodeImageList::kImageSize, CNodeImageList::kImageSize));
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({"ID", "Scan Date", "Description"});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->header()->setSectionsMovable(true);
    m_list->header()->resizeSection(0, kIdColumnWidth);
    m_list->header()->resizeSection(1, kDateColumnWidth);
    m_list->header()->resizeSection(2, kDescriptionColumnWidth);
    m_changed = false;
    m_filling = false;

    const QMediatorFileFields* fields = QMediatorProjectFileModel::FindFileFields(*m_pMediator);
    m_status->setText(CodePageToQString(fields != nullptr ? fields->GetReportText() : std::string()));
    m_status->hide();

    m_selection = m_pMediator->GetReportBuffers();
    FillTree();
    PruneSelection();

    if (TfrmMainApp* project = ReportProject()) {
        project->SetReportGeneratorOpen(true);
    }
    return true;
}

void CPageReportGenerator::FillTree() {
    m_filling = true;
    m_tree->clear();
    m_root = nullptr;
    m_current = nullptr;
    if (auto* projectTree = dynamic_cast<CViewTree*>(m_pMediator->GetProjectTree())) {
        FillTreeItem(projectTree->GetRootItem(), nullptr);
    }
    if (m_root != nullptr) {
        m_tree->setCurrentItem(m_root);
    }
    m_filling = false;
    if (m_root != nullptr) {
        m_current = MediatorOf(m_root);
        FillList(m_current, m_root->checkState(0) == Qt::Checked);
    }
}

void CPageReportGenerator::FillTreeItem(CTreeItem* projectItem, QTreeWidgetItem* parent) {
    auto* projectTree = dynamic_cast<CViewTree*>(m_pMediator->GetProjectTree());
    QNodeMediator* mediator = projectItem != nullptr ? projectTree->GetItemMediator(projectItem) : nullptr;
    if (mediator == nullptr || mediator->GetKind() == kTypeWordReportNode) {
        return;
    }
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    if (parent == nullptr && m_root == nullptr) {
        m_root = item;
    }
    item->setText(0, CodePageToQString(mediator->GetName()));
    item->setData(0, kMediatorRole, QVariant::fromValue(static_cast<void*>(mediator)));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, FindRecord(mediator->GetNodeID()) != nullptr ? Qt::Checked : Qt::Unchecked);
    item->setIcon(0, CNodeImageList::Instance().Icon(ImageOfKind(mediator->GetKind())));
    item->setExpanded(true);
    m_tree->scrollToItem(item);
    for (CTreeItem* child = projectTree->GetFirstChildItem(projectItem); child != nullptr;
         child = projectTree->GetNextSiblingItem(child)) {
        FillTreeItem(child, item);
    }
}

QTreeWidgetItem* CPageReportGenerator::FindTreeItem(const QNodeMediator* mediator) const {
    for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
        if (MediatorOf(*it) == mediator) {
            return *it;
        }
    }
    return nullptr;
}

void CPageReportGenerator::PruneSelection() {
    std::vector<_ReportGeneratorDataBuffer> kept;
    for (_ReportGeneratorDataBuffer& record : m_selection) {
        QNodeMediator* node = nullptr;
        for (QTreeWidgetItemIterator it(m_tree); *it != nullptr && node == nullptr; ++it) {
            QNodeMediator* mediator = NodeOf(*it);
            if (mediator != nullptr && NodeIdOf(*mediator) == record.m_NodeId) {
                node = mediator;
            }
        }
        if (node == nullptr) {
            continue;
        }
        const uint16_t kind = node->GetKind();
        if (IsScanKind(kind)) {
            const std::vector<int32_t> held = node->GetScanIDs(kind);
            std::erase_if(record.m_ScanIds,
                          [&](int32_t id) { return std::find(held.begin(), held.end(), id) == held.end(); });
        } else if (!KeepsEveryScanId(kind)) {
            record.m_ScanIds.clear();
        }
        kept.push_back(std::move(record));
    }
    m_selection = std::move(kept);
}

_ReportGeneratorDataBuffer* CPageReportGenerator::FindRecord(uint32_t nodeId) {
    const auto id = static_cast<int32_t>(nodeId);
    const auto found =
        std::find_if(m_selection.begin(), m_selection.end(),
                     [id](const _ReportGeneratorDataBuffer& record) { return record.m_NodeId == id; });
    return found != m_selection.end() ? &*found : nullptr;
}

void CPageReportGenerator::RemoveRecord(uint32_t nodeId) {
    const auto id = static_cast<int32_t>(nodeId);
    std::erase_if(m_selection,
                  [id](const _ReportGeneratorDataBuffer& record) { return record.m_NodeId == id; });
}

void CPageReportGenerator::FillList(QNodeMediator* mediator, bool enabled) {
    m_filling = true;
    const uint16_t kind = mediator != nullptr ? mediator->GetKind() : 0;
    // Every kind without scans of its own empties the list: rows of the node shown before would
    // take ticks into this node's record.
    m_list->clear();
    if (mediator != nullptr && IsScanKind(kind)) {
        const _ReportGeneratorDataBuffer* record = FindRecord(mediator->GetNodeID());
        for (const int32_t id : mediator->GetScanIDs(kind)) {
            const CScanData* scan = FindOwnKindScan(*mediator, id);
            auto* row = new QTreeWidgetItem;
            row->setText(0, QString::fromStdString(FormatC("%d", id)));
            if (scan != nullptr) {
                row->setText(1, CodePageToQString(scan->m_DateText));
                row->setText(2, CodePageToQString(scan->m_UserText));
            }
            row->setData(0, kScanIdRole, id);
            row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            row->setCheckState(0, record != nullptr && Holds(*record, id) ? Qt::Checked : Qt::Unchecked);
            // The newest scan stands first.
            m_list->insertTopLevelItem(0, row);
        }
    }
    m_list->setEnabled(enabled);
    m_filling = false;
}

// --- Ticks ---

void CPageReportGenerator::OnTreeItemChanged(QTreeWidgetItem* item) {
    QNodeMediator* mediator = NodeOf(item);
    if (mediator == nullptr) {
        return;
    }
    SetModified(true);
    m_changed = true;
    const bool ticked = item->checkState(0) == Qt::Checked;
    m_filling = true;
    m_tree->setCurrentItem(item);
    ApplyTickToSubtree(item, ticked);
    // The ancestors only show that something below them is ticked; their records stay as they are.
    for (QTreeWidgetItem* parent = item->parent(); parent != nullptr; parent = parent->parent()) {
        parent->setCheckState(0, Qt::Checked);
    }
    m_filling = false;
    m_current = mediator;
    FillList(mediator, ticked);
}

void CPageReportGenerator::ApplyTickToSubtree(QTreeWidgetItem* item, bool ticked) {
    if (QNodeMediator* mediator = NodeOf(item)) {
        if (ticked) {
            if (FindRecord(mediator->GetNodeID()) == nullptr) {
                m_selection.push_back({NodeIdOf(*mediator), {}});
            }
        } else {
            RemoveRecord(mediator->GetNodeID());
        }
    }
    item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    for (int i = 0; i < item->childCount(); ++i) {
        ApplyTickToSubtree(item->child(i), ticked);
    }
}

void CPageReportGenerator::OnTreeSelectionChanged(QTreeWidgetItem* item) {
    m_current = NodeOf(item);
    FillList(m_current, item->checkState(0) == Qt::Checked);
}

void CPageReportGenerator::OnListItemChanged(QTreeWidgetItem* row) {
    SetModified(true);
    m_changed = true;
    const int32_t id = row->data(0, kScanIdRole).toInt();
    _ReportGeneratorDataBuffer* record = IsLive(m_current) ? FindRecord(m_current->GetNodeID()) : nullptr;
    if (row->checkState(0) == Qt::Checked) {
        if (record == nullptr) {
            // A node ticked for display only has no record to take the scan: the box says so.
            m_filling = true;
            row->setCheckState(0, Qt::Unchecked);
            m_filling = false;
        } else if (!Holds(*record, id)) {
            record->m_ScanIds.push_back(id);
        }
    } else if (record != nullptr) {
        const auto found = std::find(record->m_ScanIds.begin(), record->m_ScanIds.end(), id);
        if (found != record->m_ScanIds.end()) {
            record->m_ScanIds.erase(found);
        }
    }
}

// --- Double clicks ---

bool CPageReportGenerator::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            if (watched == m_tree->viewport()) {
                OnTreeDoubleClicked(mouse->position().toPoint());
            } else if (watched == m_list->viewport()) {
                OnListDoubleClicked(mouse->position().toPoint());
            }
        }
    }
    return CPropertyPage::eventFilter(watched, event);
}

void CPageReportGenerator::OnTreeDoubleClicked(const QPoint& viewportPoint) {
    QTreeWidgetItem* item = m_tree->itemAt(viewportPoint);
    if (item == nullptr) {
        return;
    }
    // Only the label opens the node; the check box and the picture do not.
    const QRect text = ItemPartRect(*m_tree, *item, QStyle::SE_ItemViewItemText);
    if (viewportPoint.x() < text.left()) {
        return;
    }
    QNodeMediator* mediator = NodeOf(item);
    if (mediator == nullptr) {
        return;
    }
    m_current = mediator;
    mediator->ViewNode();
    mediator->SelectDisplayedScanInList();
    mediator->SelectInProjectTree();
}

void CPageReportGenerator::OnListDoubleClicked(const QPoint& viewportPoint) {
    QTreeWidgetItem* row = m_list->itemAt(viewportPoint);
    if (row == nullptr || !IsLive(m_current)) {
        return;
    }
    QNodeMediator* mediator = m_current;
    mediator->ViewScanData(row->data(0, kScanIdRole).toInt());
    mediator->SelectDisplayedScanInList();
    mediator->SelectInProjectTree();
}

// --- Apply, OK, Cancel, destroy ---

bool CPageReportGenerator::OnApply() {
    if (m_changed) {
        m_pMediator->SetReportBuffers(m_selection);
        SetModified(false);
        m_changed = false;
        m_pMediator->MarkProjectModified();
    }
    return CPropertyPage::OnApply();
}

void CPageReportGenerator::OnOK() {
    LetGoOfHeldDocument();
}

void CPageReportGenerator::OnCancel() {
    LetGoOfHeldDocument();
}

void CPageReportGenerator::LetGoOfHeldDocument() {
    if (m_pWordAutomation == nullptr) {
        return;
    }
    if (m_pWordAutomation->HasDocument()) {
        m_pWordAutomation->SetQuitOnRelease(false);
    }
    m_pWordAutomation->Release();
    if (m_generating) {
        // The handler that builds the report still writes through it: it frees it when it sees this.
        m_leftWhileGenerating = true;
        return;
    }
    m_pWordAutomation.reset();
}

void CPageReportGenerator::OnDestroy() {
    if (TfrmMainApp* project = ReportProject()) {
        project->SetReportGeneratorOpen(false);
    }
    m_selection.clear();
}

// --- The report ---

bool CPageReportGenerator::StillWriting() const {
    return m_pWordAutomation != nullptr && !m_leftWhileGenerating;
}

void CPageReportGenerator::MinimiseMainFrame() {
    if (CMainFrame* frame = CMainFrame::GetMainFrame()) {
        frame->showMinimized();
    }
}

void CPageReportGenerator::GenerateReport() {
    if (m_generating) {
        return;
    }
    const WaitCursorGuard wait;
    m_generating = true;
    m_leftWhileGenerating = false;
    m_pWordAutomation = std::make_unique<CWordAutomation>();
    CWordAutomation& document = *m_pWordAutomation;

    std::string error;
    if (document.Create(error) != S_OK) {
        document.Release();
        m_pWordAutomation.reset();
        m_generating = false;
        ShowPrompt(kCreateFailedText + error, kWarningCaption, PromptButtons::Ok, PromptIcon::None);
        return;
    }
    error.clear();
    if (document.NewDocument(error) != S_OK) {
        document.Release();
        m_pWordAutomation.reset();
        m_generating = false;
        ShowPrompt(kNewDocumentFailedText + error, kWarningCaption, PromptButtons::Ok, PromptIcon::None);
        return;
    }

    TypeTitleBlock(document);
    if (m_root != nullptr) {
        WriteSections(m_root, document);
    }

    if (!StillWriting()) {
        // The sheet was left while the report was built: it has let go of the document already.
        m_pWordAutomation.reset();
        m_generating = false;
        return;
    }
    document.SetQuitOnRelease(false);
    document.Release();
    const bool shown = document.GetLastResult() == S_OK;
    const std::string writtenPath = document.GetWrittenPath();
    m_pWordAutomation.reset();
    m_generating = false;
    if (!shown) {
        // The document could not be written or shown (the user was told): the sheet stays open with
        // its selection, so that the report can be made again.
        return;
    }
    MinimiseMainFrame();
    // The node's report text is what its View opens: it names the document just written, so that the
    // report can be opened again later (left empty, View could never find it).
    if (QMediatorFileFields* fields = QMediatorProjectFileModel::FindFileFields(*m_pMediator)) {
        fields->SetReportText(writtenPath);
    }
    m_status->setText(CodePageToQString(writtenPath));
    SetModified(true);
    if (m_pSheet != nullptr) {
        m_pSheet->PressOK();
    }
    MinimiseMainFrame();
}

void CPageReportGenerator::TypeTitleBlock(CWordAutomation& document) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    document.SetFont(20, false, kBlack);
    document.TypeText("                            Orvilant Report");
    document.TypeText("\n\n");
    document.SetFont(16, true, kBlack);
    document.TypeText("Company Name:");
    document.TypeText("\n");
    document.TypeText("Reporter:");
    document.TypeText("\n");
    document.TypeText("Date:  " + FormatC("%04d-%02d-%02d,  %02d:%02d:%02d", local.tm_year + 1900,
                                          local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                          local.tm_sec));
    document.TypeText("\n");
    document.SetFont(16, false, kBlack);
    document.TypeText(
        "The scans were conducted using an Orvilant.  The system interfaced with a computer running "
        "Orvilant client software and a Spectrum Analyzer.");
    document.TypeText("\n\n");
    document.TypeText(std::string(1, kFormFeed));
}

void CPageReportGenerator::WriteSections(QTreeWidgetItem* item, CWordAutomation& document) {
    if (!StillWriting()) {
        return;
    }
    if (QNodeMediator* mediator = NodeOf(item)) {
        // A copy: the chart's view may run events, and the record must stay what it was.
        if (const _ReportGeneratorDataBuffer* record = FindRecord(mediator->GetNodeID())) {
            const _ReportGeneratorDataBuffer copy = *record;
            WriteNodeSection(*mediator, copy, document);
        }
    }
    for (int i = 0; i < item->childCount() && StillWriting(); ++i) {
        WriteSections(item->child(i), document);
    }
}

void CPageReportGenerator::WriteNodeSection(QNodeMediator& mediator, const _ReportGeneratorDataBuffer& record,
                                            CWordAutomation& document) {
    const uint16_t kind = mediator.GetKind();
    if (IsScanKind(kind)) {
        WriteScanNodeSection(mediator, record, document);
    } else if (IsTwoScanKind(kind)) {
        WriteTwoScanNodeSection(mediator, document);
    } else if (kind == kTypeSpectralSpatialScriptingModuleNode) {
        WriteScriptingNodeSection(mediator, document);
    }
}

void CPageReportGenerator::WriteScanNodeSection(QNodeMediator& mediator,
                                                const _ReportGeneratorDataBuffer& record,
                                                CWordAutomation& document) {
    const std::vector<int32_t> ids = mediator.GetScanIDs(mediator.GetKind());
    bool headingWritten = false;
    for (auto id = ids.rbegin(); id != ids.rend() && StillWriting(); ++id) {
        if (!Holds(record, *id)) {
            continue;
        }
        const CScanData* scan = FindOwnKindScan(mediator, *id);
        if (scan == nullptr) {
            continue;
        }
        if (!headingWritten) {
            headingWritten = true;
            document.SetFont(14, false, kBlue);
            document.TypeText("\n");
            document.TypeText("Node:   " + mediator.GetName());
            document.TypeText("\n");
            document.SetFont(12, false, kBlue);
            document.TypeText(FormatC("Node Description: \n%s \n\n", mediator.GetLabel().c_str()));
        }
        document.SetFont(11, false, kBlack);
        document.TypeText(FormatC("Scan Data ID: %d\n", *id));
        document.TypeText(FormatC("Scan Time: %s; \n", scan->m_DateText.c_str()));
        document.TypeText(FormatC("Scan Description: %s \n", scan->m_UserText.c_str()));
        document.TypeText(FormatC("Scanner Type: %s \n", scan->m_ScanHeadText.c_str()));
        document.TypeText(FormatC("Orvilant and Firmware Version: %s \n", scan->m_ModuleText.c_str()));
        document.TypeText(FormatC("Spectrum Analyzer: %s \n", scan->m_AnalyzerText.c_str()));
        document.TypeText("\n");
        mediator.InsertScanViewIntoReport(*id, &document, 0);
        if (!StillWriting()) {
            return;
        }
        document.TypeText(std::string(1, kFormFeed));
    }
}

void CPageReportGenerator::TypeNodeNameHeading(QNodeMediator& mediator, CWordAutomation& document) {
    document.SetFont(14, false, kBlue);
    document.TypeText("\n");
    document.TypeText("Node Name:  " + mediator.GetName());
    document.TypeText("\n");
    document.SetFont(12, false, kBlue);
    document.TypeText(FormatC("Node Description: %s \n", mediator.GetLabel().c_str()));
}

void CPageReportGenerator::WriteTwoScanNodeSection(QNodeMediator& mediator, CWordAutomation& document) {
    // The test (upper) scan is the node's second compared scan, the reference (lower) its first.
    const CScanData* first = mediator.GetComparedScan(false);
    const CScanData* second = mediator.GetComparedScan(true);
    if (first == nullptr || second == nullptr) {
        return;
    }
    const uint16_t kind = mediator.GetKind();
    const bool blindSpot = kind == kTypeBlindSpotReductionNode;
    const char* firstName = blindSpot ? "Upper" : "Test";
    const char* secondName = blindSpot ? "Lower" : "Reference";
    const char* caption = "Spectral Comparison:\n";
    if (kind == kTypeSpatialComparisonNode) {
        caption = "Spatial Comparison:\n";
    } else if (kind == kTypeSpectralOverlayNode) {
        caption = "Spectral Overlay:\n";
    } else if (blindSpot) {
        caption = "Spatial Blindspot Reduction:\n";
    }
    TypeNodeNameHeading(mediator, document);
    document.SetFont(11, false, kBlack);
    document.TypeText(FormatC("%s Scan Data ID: %d;     Scan Time: %s; \n", firstName,
                              static_cast<int32_t>(first->m_ScanId), first->m_DateText.c_str()));
    document.TypeText(FormatC("%s Scan Description: %s \n", firstName, first->m_UserText.c_str()));
    document.TypeText(FormatC("%s Scan Data ID: %d;     Scan Time: %s; \n", secondName,
                              static_cast<int32_t>(second->m_ScanId), second->m_DateText.c_str()));
    document.TypeText(FormatC("%s Scan Description: %s \n", secondName, second->m_UserText.c_str()));
    document.TypeText(caption);
    mediator.InsertScanViewIntoReport(0, &document, 0);
    if (StillWriting()) {
        document.TypeText(std::string(1, kFormFeed));
    }
}

void CPageReportGenerator::WriteScriptingNodeSection(QNodeMediator& mediator, CWordAutomation& document) {
    TypeNodeNameHeading(mediator, document);
    document.SetFont(11, false, kBlack);
    document.TypeText("Spectral Chart:\n");
    mediator.InsertScanViewIntoReport(0, &document, 0);
    if (StillWriting()) {
        document.TypeText(std::string(1, kFormFeed));
    }
}

} // namespace orv
