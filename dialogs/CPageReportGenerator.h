#pragma once

// "Report Generator": the page of a Report Generator node's sheet. It shows the project's nodes as a
// tree with check boxes (the Report Generator node and what lies below it left out) and, for the
// selected node, its scans as a list with check boxes. The ticks are the node's report selection: one
// record per ticked node with the IDs of its ticked scans. The page works on a copy of the node's
// selection and hands it back on apply.
//
// A ticked node ticks its whole subtree (records with empty scan lists) and its ancestors' boxes; an
// ancestor's box is display only, its record is not touched, and only a record puts a node into the
// report. "Generate Report" writes one report document: a title block, then a section on a page of
// its own for every ticked node (and ticked scan) in tree order, each with the chart of its view.
// The document is written into the reports folder and shown on the desktop, and the sheet is closed
// with OK; when it cannot be written the sheet stays open with its selection.
//
// User-interface thread only; the report is built synchronously in the button's handler.

#include "dialogs/CPropertyPage.h"
#include "project/ReportGeneratorDataBuffer.h"

#include <QRect>
#include <QStyle>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv {

class CCustomListCtrl;
class CCustomTreeCtrl;
class CNodeOptionsSheet;
class CScanData;
class CWordAutomation;
class QNodeMediator;
class TfrmMainApp;
struct CTreeItem;

class CPageReportGenerator : public CPropertyPage {
public:
    static constexpr int kDialogId = 466;
    static constexpr int kTreeId = 1171;
    static constexpr int kListId = 1172;
    static constexpr int kGenerateId = 1173;
    static constexpr int kStatusId = 1176;
    static constexpr const char* kCaption = "Report Generator";
    static constexpr const char* kWarningCaption = "Warning";
    static constexpr const char* kCreateFailedText = "There is a problem with MS Word when initializing.\n";
    static constexpr const char* kNewDocumentFailedText =
        "There is a problem with MS Word when creating document.\n";
    // Colours with red in the low byte.
    static constexpr uint32_t kBlack = 0x000000;
    static constexpr uint32_t kBlue = 0xFF0000;

    explicit CPageReportGenerator(QNodeMediator& mediator);
    ~CPageReportGenerator() override;

    bool OnInitDialog() override;
    // When a tick changed since the last apply, the node's selection becomes a copy of the page's and
    // the project is marked modified.
    bool OnApply() override;
    // OK and Cancel let go of a report document still held (written and shown when it has one).
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    // Nothing on this page waits for a scan's end.
    void EnableControls(bool /*enable*/) override {}
    void SetSheet(QSettingsSheet& sheet) override;

    // The "Generate Report" button's work.
    void GenerateReport();

    // The image of a node kind in the tree (the project tree's 16-pixel pictures).
    static int32_t ImageOfKind(uint16_t kind);
    // Where a part (the check box, the icon or the text) of an item's first column lies in the
    // view's viewport.
    static QRect ItemPartRect(const QTreeWidget& view, const QTreeWidgetItem& item, QStyle::SubElement part);

    CCustomTreeCtrl& GetTree() const { return *m_tree; }
    CCustomListCtrl& GetList() const { return *m_list; }
    QPushButton& GetGenerateButton() const { return *m_generate; }
    QLabel& GetStatusLabel() const { return *m_status; }
    const std::vector<_ReportGeneratorDataBuffer>& GetSelection() const { return m_selection; }
    bool IsChanged() const { return m_changed; }
    QNodeMediator* GetCurrentNode() const { return m_current; }
    bool IsHoldingDocument() const { return m_pWordAutomation != nullptr; }
    // The tree item of a node; null when the tree does not show it.
    QTreeWidgetItem* FindTreeItem(const QNodeMediator* mediator) const;
    static QNodeMediator* MediatorOf(const QTreeWidgetItem* item);

private:
    // The project the report node belongs to; null while it is shown in no project window.
    TfrmMainApp* ReportProject() const;
    // The item's node while it is still part of the project; null once it has gone.
    QNodeMediator* NodeOf(const QTreeWidgetItem* item) const;
    bool IsLive(const QNodeMediator* mediator) const;
    void FillTree();
    void FillTreeItem(CTreeItem* projectItem, QTreeWidgetItem* parent);
    void FillList(QNodeMediator* mediator, bool enabled);
    void PruneSelection();
    _ReportGeneratorDataBuffer* FindRecord(uint32_t nodeId);
    void RemoveRecord(uint32_t nodeId);

    void OnTreeItemChanged(QTreeWidgetItem* item);
    void OnTreeSelectionChanged(QTreeWidgetItem* item);
    void OnTreeDoubleClicked(const QPoint& viewportPoint);
    void OnListItemChanged(QTreeWidgetItem* row);
    void OnListDoubleClicked(const QPoint& viewportPoint);
    void ApplyTickToSubtree(QTreeWidgetItem* item, bool ticked);

    // Report writing; each answers false once the sheet was left while the document was held.
    bool StillWriting() const;
    void TypeTitleBlock(CWordAutomation& document);
    void WriteSections(QTreeWidgetItem* item, CWordAutomation& document);
    void WriteNodeSection(QNodeMediator& mediator, const _ReportGeneratorDataBuffer& record,
                          CWordAutomation& document);
    void WriteScanNodeSection(QNodeMediator& mediator, const _ReportGeneratorDataBuffer& record,
                              CWordAutomation& document);
    void WriteTwoScanNodeSection(QNodeMediator& mediator, CWordAutomation& document);
    void WriteScriptingNodeSection(QNodeMediator& mediator, CWordAutomation& document);
    void TypeNodeNameHeading(QNodeMediator& mediator, CWordAutomation& document);
    // The report document let go of: written and shown when it has a document.
    void LetGoOfHeldDocument();
    static void MinimiseMainFrame();

    bool eventFilter(QObject* watched, QEvent* event) override;

    QNodeMediator* m_pMediator;
    std::vector<_ReportGeneratorDataBuffer> m_selection;
    bool m_changed = false;
    QNodeMediator* m_current = nullptr;
    QTreeWidgetItem* m_root = nullptr;
    std::unique_ptr<CWordAutomation> m_pWordAutomation;
    // Set while the button's handler builds a report, and when the sheet was left meanwhile.
    bool m_generating = false;
    bool m_leftWhileGenerating = false;
    CNodeOptionsSheet* m_pSheet = nullptr;
    // Ticks set by the page itself are not the user's.
    bool m_filling = false;

    CCustomTreeCtrl* m_tree;
    CCustomListCtrl* m_list;
    QPushButton* m_generate;
    QLabel* m_status;
};

} // namespace orv
