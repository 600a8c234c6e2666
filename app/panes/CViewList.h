#pragma once

// The scan-data list beside the project tree: one row per scan of the node on show, the scan-data id
// in column 0 ("ID"), the scan's date in column 1 ("Scan Date") and its description in column 2
// ("Description"). Every row goes in at the top, so the row added last is the first. The node's
// mediator fills it; the list keeps only each row's scan-data id.
//
// User-interface thread only.

#include "project/QScanDataList.h"

#include <QTreeWidget>

#include <cstdint>
#include <string>

namespace orv {

class CHandHeldProbeScanData;
class CScanData;
class CSpatialScanData;
class CSpectralScanData;
class CSpectralSpatialScanData;
class CViewTreeWidget;
class QProjectFormView;

class CViewList : public QTreeWidget, public QScanDataList {
public:
    static constexpr int kIdWidth = 50;
    static constexpr int kDateWidth = 120;
    static constexpr int kDescriptionWidth = 250;

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

    // --- The row being dragged, while a drag of a row runs: its node's mediator and scan id ---
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
    std::string GetDescriptionById(int32_t scanId) const;
    // -1 for none.
    int GetSelectedRow() const { return m_selectedRow; }
    // The scan-data id of a row (its item data); -1 outside the list.
    int32_t GetRowId(int row) const;
    std::string GetRowText(int row, int column) const;

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    QTreeWidgetItem* FindRow(int32_t scanId) const;
    QTreeWidgetItem* InsertTopRow(const CScanData& scan);
    void SelectAlone(QTreeWidgetItem* row);
    void AddOrUpdateTop(const CScanData& scan, bool select, bool updateTop);
    void AddListedOnce(const CScanData& scan, bool select);

    QProjectFormView* m_documentView = nullptr;
    CViewTreeWidget* m_tree = nullptr;
    QNodeMediator* m_owner = nullptr;
    int m_selectedRow = -1;
    QNodeMediator* m_dragMediator = nullptr;
    int32_t m_dragScanId = -1;
};

} // namespace orv
