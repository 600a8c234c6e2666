#pragma once

// "Scan Data Description" (template 385): one scan of a node with the parameters it was measured
// with, its probe grid with the board overlay laid over it, and its description, which the user
// edits. The dialog owns the overlay editor it opens and takes the editor's placement back; the
// description and the placement are stored with the scan on Apply (and OK), never before.
//
// The scan is looked up again through the mediator whenever the dialog needs it, so a scan that
// went meanwhile is simply not found.
//
// User-interface thread only.

#include "app/CDlgScanDataDescription.h"
#include "core/drawing/DrawList.h"
#include "dialogs/ScanDescriptionGrid.h"
#include "dialogs/ScanParameterTable.h"
#include "overlay/COverlayViewOwner.h"
#include "platform/msg/MessageTarget.h"
#include "project/COverlayPlacement.h"

#include <QDialog>
#include <QFont>
#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace orv {

class CScanData;
class CViewList;
class COverlayControl;
class QNodeMediator;
class TfrmMainApp;

class CScanDataDescriptionDialog : public QDialog,
                                   public CDlgScanDataDescription,
                                   public COverlayViewOwner,
                                   public MessageTarget {
public:
    static constexpr int kTemplateId = 385;
    static constexpr int kDescriptionEdit = 1095;
    static constexpr int kBelowGridStatic = 1096;
    static constexpr int kShowOverlayCheck = 1097;
    static constexpr int kOverlayEditorButton = 1098;
    static constexpr int kApplyButton = 1113;
    static constexpr int kParameterList = 1194;
    static constexpr int kConvertButton = 1195;
    static constexpr int kOkButton = 1;
    static constexpr int kCancelButton = 2;
    // The overlay editor's notices.
    static constexpr uint32_t kPlacementChangedMessage = 10020;
    static constexpr uint32_t kSelectOverlayPictureMessage = 10028;
    // A description is stored in the project file behind a 16-bit byte count.
    static constexpr size_t kMaxDescriptionBytes = 65535;
    static constexpr const char* kCaption = "Scan Data Description";
    static constexpr const char* kEditorTitle = "Overlay View";
    static constexpr const char* kDescriptionTooLongText =
        "The description is longer than 65535 characters; shorten it, nothing was stored.";
    static constexpr const char* kProbesFormat = "Probes On:  %d;     Probes Off:  %d";
    static constexpr uint32_t kMeasuredLabelBackground = 0xE1FFE1;
    static constexpr uint32_t kLabelBackground = 0xEBEBEB;
    static constexpr int kLabelWidth = 125;
    static constexpr int kLabelHeight = 25;

    // `sourceIndex` names the scan of a two-scan node as its scan-data list row does (1 the
    // reference or lower scan, 0 the test or upper scan); other kinds ignore it.
    CScanDataDescriptionDialog(QNodeMediator& mediator, int32_t scanId, int32_t sourceIndex,
                               QWidget* parent = nullptr);
    ~CScanDataDescriptionDialog() override;

    // Runs the dialog modally; true when it was closed with OK.
    bool DoModal() override;
    // Makes this the dialog the scan-data list and the views open.
    static void Install();

    // Stores the description and the overlay placement with the scan, updates its list row, marks
    // the project modified and refreshes the node's views. False, with a box and nothing stored,
    // for a description too long to be kept.
    bool Apply();
    // The Show Overlay box's command: the grid is rendered again and repainted.
    void OnShowOverlay();
    // Opens the overlay editor for this dialog, or brings the open one to the top.
    void OpenOverlayEditor();
    // The hidden convert command: the scan's settings, pattern and overlay become the node's.
    void ConvertScanParametersIntoNodeSettings();

    // --- COverlayViewOwner ---
    Kind GetOverlayOwnerKind() const override { return Kind::DescriptionDialog; }
    bool ReadOverlayPlacement(COverlayPlacement& placement) override;
    void WriteOverlayPlacement(const COverlayPlacement& placement, bool drawing) override;
    void OnOverlayPlacementApplied() override;
    void TakeOverlayDrawing(DrawList turned, int32_t opacity) override;
    MessageTarget* GetOverlayOwnerTarget() override { return this; }
    bool IsOverlayCellMarked(int32_t row, int32_t column) const override;
    QNodeMediator* GetOverlayOwnerMediator() const override { return &m_mediator; }

    // --- Read back by the tests ---
    bool HasScan() const { return m_bHasScan; }
    const ScanDescriptionGrid& GetGrid() const { return m_grid; }
    const QImage& GetGridImage() const { return m_gridImage; }
    const std::vector<ScanParameterRow>& GetParameterRows() const { return m_parameterRows; }
    const COverlayPlacement& GetPlacement() const { return m_placement; }
    // The hover label as drawn last ("" when none).
    const std::string& GetHoverText() const { return m_hoverText; }
    QRect GetHoverRect() const { return m_hoverRect; }
    QWidget* GetControl(int id) const;
    QPlainTextEdit* GetDescriptionEdit() const { return m_description; }
    QTreeWidget* GetParameterList() const { return m_parameters; }

    void accept() override;
    void done(int result) override;

protected:
    int64_t HandleMessage(Message& message) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    CScanData* ResolveScan() const;
    TfrmMainApp* GetProject() const;
    // The list when it shows this node's scans; null otherwise.
    CViewList* GetOwnedScanList() const;
    bool IsTwoSourceKind() const;
    int32_t ListItemData() const;
    COverlayControl* FindOverlayControl() const;
    bool UsesLetteredLabels() const;

    void BuildControls();
    void LayoutControls();
    void FillParameterList(CScanData& scan);
    void CopyPlacementFromScan(const CScanData& scan);
    void StorePlacementInScan(CScanData& scan);
    void RenderOverlay();
    void RenderGrid();
    void DrawPicture(QPainter& painter, const COverlayControl& control) const;
    void DrawAxisNumbers(QPainter& painter);
    void DrawHoverLabel(QPainter& painter);
    void CloseOverlayEditor();

    QNodeMediator& m_mediator;
    int32_t m_scanId;
    int32_t m_sourceIndex;
    uint16_t m_kind;
    bool m_bHasScan = false;
    bool m_bCompensated = false;
    uint32_t m_unitCode = 1;
    int m_dpiX = 96;
    int m_dpiY = 96;

    ScanDescriptionGrid m_grid;
    QImage m_gridImage;
    QImage m_overlayImage;
    std::vector<ScanParameterRow> m_parameterRows;

    // The overlay and its placement as the dialog holds them until Apply.
    COverlayPlacement m_placement;
    DrawList m_turnedDrawing;

    std::optional<ScanDescriptionGrid::CellIndex> m_hoverCell;
    QPoint m_hoverPoint;
    std::string m_hoverText;
    QRect m_hoverRect;

    QFont m_listFont;
    QPlainTextEdit* m_description = nullptr;
    QLabel* m_descriptionLabel = nullptr;
    QLabel* m_belowGrid = nullptr;
    QCheckBox* m_showOverlay = nullptr;
    QPushButton* m_overlayEditor = nullptr;
    QPushButton* m_apply = nullptr;
    QTreeWidget* m_parameters = nullptr;
    QPushButton* m_convert = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace orv
