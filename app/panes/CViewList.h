#pragma once

// The scan-data list beside the project tree: one row per scan of the node on show, the scan-data id
// in column 0 ("ID"), the scan's date in column 1 ("Scan Date") and its description in column 2
// ("Description"). Every row goes in at the top, so the row added last is the first. The node's
// mediator fills it; the list keeps only each row's scan-data id (a two-scan node's fixed rows keep
// 1 for the first source, 0 for the second).
//
// Selecting a row shows its scan in the node's views, a double click opens it, the context menu
// (menu 350) copies, deletes, exports, describes or stitches, and a row is dragged to other windows
// as "MySpatialCompare" with its scan-data id.
//
// User-interface thread only.

#include "app/controls/CClipboardObject.h"
#include "project/QScanDataList.h"

#include <QPoint>
#include <QString>
#include <QTimer>
#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

class QMenu;

namespace orv {

class CHandHeldProbeScanData;
class CScanData;
class CSpatialScanData;
class CSpectralScanData;
class CSpectralSpatialScanData;
class CViewTreeWidget;
class QProjectFormView;
class TfrmMainApp;

namespace ScanListCommand {
inline constexpr uint32_t kDelete = 32829;
inline constexpr uint32_t kExportSpatialData = 32866;
inline constexpr uint32_t kExportAllData = 32868;
inline constexpr uint32_t kExportAllPeaks = 32869;
inline constexpr uint32_t kOpenScanDataDescription = 32886;
inline constexpr uint32_t kCopy = 32935;
inline constexpr uint32_t kReorderScanData = 32959;
inline constexpr uint32_t kStitch = 33010;
} // namespace ScanListCommand

class CViewList : public QTreeWidget, public QScanDataList, public CClipboardObject {
public:
    static constexpr int kIdWidth = 50;
    static constexpr int kDateWidth = 120;
    static constexpr int kDescriptionWidth = 250;
    static constexpr uint32_t kTipBackground = 0xE1FFE1;
    static constexpr int kTipMaxWidth = 300;
    static constexpr int kTipDelayMs = 3000;
    static constexpr uint32_t kScanMenu = 350;
    static constexpr int kScanPopup = 0;
    static constexpr const char* kScanPopupName = "Scan Popup";
    static constexpr const char* kExportSpectralDataCaption = "Export Spectral Data";
    static constexpr const char* kDeleteText = "Are you going to delete this scan data ?";
    static constexpr const char* kDeleteCaption = "Delete";
    static constexpr const char* kLinkedDeleteText =
        "Are you going to delete this data ? \n\nThere are sub-nodes linked with it.\nThey won't work "
        "properly if you delete it ! ";
    static constexpr const char* kDragFormat = "MySpatialCompare";

    explicit CViewList(QWidget* parent = nullptr);
    ~CViewList() override;

    void InsertColumns();
    void SetListStyles();

    // --- Links, set when the project pane is made ---
    void SetDocumentView(QProjectFormView* view) { m_documentView = view; }
    QProjectFormView* GetDocumentView() const { return m_documentView; }
    void SetProjectTree(CViewTreeWidget* tree) { m_tree = tree; }
    CViewTreeWidget* GetProjectTree() const { return m_tree; }
    // The node whose scans the list shows.
    QNodeMediator* GetOwner() const override { return m_owner; }

    // --- QScanDataList, as the mediators fill the list ---
    void SetOwner(QNodeMediator* mediator) override { m_owner = mediator; }
    void Clear() override { RemoveAllScanData(); }
    // A new row at the top.
    void AddRow(const std::string& text, const std::string& date, const std::string& description) override;
    void SelectRow(const std::string& text) override;
    void SelectOnlyRow(const std::string& text) override;

    // --- The row being dragged, while a drag of a row runs: its node's mediator and scan id ---
    // (The list sets it around its own drags.)
    void SetDraggedScanData(QNodeMediator* mediator, int32_t scanId) {
        m_dragMediator = mediator;
        m_dragScanId = scanId;
    }
    void ClearDraggedScanData() { SetDraggedScanData(nullptr, -1); }
    // False (outputs untouched) while no row is dragged.
    bool GetDraggedScanData(QNodeMediator*& mediator, int32_t& scanId) const {
        if (m_dragMediator == nullptr) {
            return false;
        }
        mediator = m_dragMediator;
        scanId = m_dragScanId;
        return true;
    }

    // --- Rows of the scan kinds ---
    // A listed id gets its date column updated and nothing else; otherwise, with `updateTop`, the top
    // row's date column is set; otherwise a new row goes in at the top, selected alone with `select`.
    void AddSpectralScanData(const CSpectralScanData& scan, bool select, bool updateTop);
    // As above, without the search for a listed id.
    void AddSpatialScanData(const CSpatialScanData& scan, bool select, bool updateTop);
    // Nothing when the id is listed; otherwise a new row at the top, selected alone with `select`.
    void AddSpectralSpatialScanData(const CSpectralSpatialScanData& scan, bool select);
    void AddHandHeldProbeScanData(const CHandHeldProbeScanData& scan, bool select);

    void RemoveAllScanData();
    // Selects the row of the id alone and scrolls it into view; no such row: only clears.
    void SelectScanDataById(int32_t scanId);
    // Adds the row of the id to the selection and scrolls it into view; no such row: nothing.
    void SelectScanDataByIdNoClear(int32_t scanId);
    std::string GetDescriptionById(int32_t scanId) const;
    // The description column of the row whose item data is `itemData` (a two-scan node's fixed row
    // by its source), or of the row whose text is the scan-data id; false when no row has it.
    bool SetDescriptionByItemData(int32_t itemData, const std::string& description);
    bool SetDescriptionById(int32_t scanId, const std::string& description);
    // -1 for none.
    int GetSelectedRow() const { return m_selectedRow; }
    // The scan-data id of a row (its item data); -1 outside the list.
    int32_t GetRowId(int row) const;
    std::string GetRowText(int row, int column) const;
    // The item data of the selected rows, in list order.
    std::vector<int32_t> GetSelectedIds() const;

    // --- Following the selection, opening ---
    // The first selected row, when it is not the remembered one, becomes it and the node shows its
    // scan (a click and a key release do this).
    void FollowSelection();
    // The first selected row's scan opened in the node's view; the tree's current node becomes the
    // list's node.
    void OpenSelectedScanData();

    // --- Context menu (menu 350, popup 0) ---
    // How a menu is shown; by default modally at the point, answering the chosen action (tests put
    // their own choice here).
    using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
    void SetMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }
    // The scan popup as offered for the selection now (items removed and greyed); null without a
    // selection or a node.
    std::unique_ptr<QMenu> BuildContextMenu();
    // The right click: the node's views show the first selected scan, then the report-generator or
    // scanning popup of menu 315, or the scan popup, and the chosen command.
    void ShowContextMenu(const QPoint& viewportPoint);
    void OnMenuCommand(uint32_t command);
    // Whether scan data of the list's node may be deleted now: not while the node scans.
    bool CanDeleteScanData() const;
    // Deletes the scan data of the selected rows through the node's mediator (the linked-nodes
    // question for a Spectral/Spatial scan other nodes follow, whose Cancel stops the deletion), then
    // marks the project modified once when anything went. False when refused or nothing went.
    bool DeleteSelectedScanData();

    // --- Dragging a row ---
    // The selected row under the drag is remembered and its scan-data id dragged as
    // "MySpatialCompare"; the drag state is published for the drop targets while it runs.
    void BeginDrag();
    int32_t GetDragScanId() const { return m_dragId; }
    // The drag's bytes: the dragged scan-data id, 32 bits.
    void StoreClipboardData(QDataWriter& writer) const override;
    void LoadClipboardData(QDataReader& reader) override;

    // --- Tool-tip ---
    const QString& GetToolTipText() const { return m_tipText; }
    // -1 for none.
    int GetToolTipRow() const { return m_tipRow; }
    const QTimer& GetToolTipTimer() const { return m_tipTimer; }

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void AddSourceRow(const std::string& text, int32_t source, const CScanData& scan) override;

private:
    TfrmMainApp* GetProject() const;
    QTreeWidgetItem* FindRowByItemData(int32_t itemData) const;
    QTreeWidgetItem* FirstSelectedRow() const;
    void ShowFirstSelectedByKind();
    bool DeleteOne(int32_t itemData);
    void ExportSpectral(int32_t scanId, bool allPeaks);
    void HideToolTip();
    void ShowToolTipNow();
    QTreeWidgetItem* FindRow(int32_t scanId) const;
    // False when no row can hold the scan: a new scan's ID is above every listed one, and a long
    // continuous run would otherwise search every row for each scan it lists.
    bool MayBeListed(int32_t scanId) const { return scanId <= m_largestRowId; }
    QTreeWidgetItem* InsertTopRow(const CScanData& scan);
    void SelectAlone(QTreeWidgetItem* row);
    void AddOrUpdateTop(const CScanData& scan, bool select, bool updateTop);
    void AddListedOnce(const CScanData& scan, bool select);

    QProjectFormView* m_documentView = nullptr;
    CViewTreeWidget* m_tree = nullptr;
    QNodeMediator* m_owner = nullptr;
    int m_selectedRow = -1;
    // The largest ID a row was added with since the list was last emptied (rows deleted since
    // leave it as it was).
    int32_t m_largestRowId = std::numeric_limits<int32_t>::min();
    QNodeMediator* m_dragMediator = nullptr;
    int32_t m_dragScanId = -1;
    int32_t m_dragId = -1;
    MenuRunner m_menuRunner;

    int m_tipRow = -1;
    QString m_tipText;
    QPoint m_tipPoint;
    QTimer m_tipTimer;
};

} // namespace orv
