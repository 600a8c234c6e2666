#pragma once

#include "core/drawing/DrawList.h"
#include "platform/msg/MessageTarget.h"
#include "project/COverlayPlacement.h"

#include <QImage>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

namespace orv {

class COverlayControl;
class COverlayUnitView;
class COverlayViewFrame;
class COverlayViewOwner;
class TfrmMainApp;

// The commands of the editor's "Overlay Config" menu (menu 365). Reset and Reset Picture carry
// numbers of their own: the menu lists them, but neither does anything.
namespace OverlayCommand {
inline constexpr uint32_t kMirrorHorizontally = 32846;
inline constexpr uint32_t kMirrorVertically = 32847;
inline constexpr uint32_t kRotateClockwise = 32848;
inline constexpr uint32_t kRotateCounterClockwise = 32849;
inline constexpr uint32_t kReset = 32850;
inline constexpr uint32_t kResetPicture = 32851;
inline constexpr uint32_t kImport = 32853;
inline constexpr uint32_t kUnselect = 32884;
inline constexpr uint32_t kCopyOverlay = 32956;
inline constexpr uint32_t kPasteOverlay = 32958;
inline constexpr uint32_t kImportWebcamImage = 33002;
} // namespace OverlayCommand

// The overlay editor's grid (template 364): the project's overlay chosen in the units pane is laid
// over the grid of scan cells, with the owner's cells (or its heat map) under it, and placed for the
// owner. The view keeps the overlay's ID only and looks the control up whenever it needs it, so an
// overlay deleted elsewhere leaves nothing dangling here.
//
// Three back buffers: the grid background, the working copy shown under the overlay, and the drawing
// rendered at its pixel size (only the part that lies over the area, white see-through), made again
// only when its size, extent or the drawing changed. Moving an overlay repaints from them.
//
// User-interface thread only.
class COverlayView : public QWidget, public MessageTarget {
public:
    static constexpr int kTemplateId = 364;
    static constexpr int kOkId = 1108;
    static constexpr int kCancelId = 1111;
    static constexpr int kApplyId = 1112;
    static constexpr int kHintId = 1262;
    static constexpr int kTipId = 1263;
    static constexpr const char* kHintText = "1. Right click the grid above to add new overlay image";
    static constexpr int kTopMargin = 30;
    static constexpr int kBottomMargin = 60;
    static constexpr int kLeftMargin = 30;
    static constexpr int kRightMargin = 30;
    static constexpr int kColumns = 42;
    static constexpr int kRows = 29;
    // A dropped overlay keeps at least this many pixels of the area to its right and below it.
    static constexpr int kDropRoom = 50;
    static constexpr int kHandleSize = 16;
    // One wheel notch: the opacity changes by one percent a notch.
    static constexpr int kWheelNotch = 120;
    // The opacity a description dialog or probes page blends an applied drawing at.
    static constexpr int32_t kAppliedDrawingOpacity = 50;
    // Colours as Windows colour values (red in the low byte).
    static constexpr uint32_t kBandColour = 0xB3D1FF;
    static constexpr uint32_t kGridLineColour = 0xBEBEBE;
    static constexpr uint32_t kBorderColour = 0x646464;
    static constexpr uint32_t kLabelBackground = 0xEBEBEB;
    static constexpr uint32_t kMarkedCellArgb = 0x8C00C800;

    // A grid label as drawn: its text and the point its text starts at.
    struct DrawnLabel {
        std::string m_text;
        QPoint m_at;
    };

    static constexpr const char* kMenuCaption = "Overlay Config";
    static constexpr const char* kImportTitle = "Input PCB File";
    static constexpr const char* kImportDefaultExtension = "ovp";
    static constexpr const char* kImportFilter = "JPG Files(*.jpg);;JPG Files(*.jpeg);;All Files (*)";

    explicit COverlayView(QWidget* parent = nullptr);
    ~COverlayView() override;

    // The frame links the panes before it loads the placement.
    void SetFrame(COverlayViewFrame* frame) { m_pFrame = frame; }
    void SetUnitView(COverlayUnitView* units) { m_pUnitView = units; }
    void SetOwner(COverlayViewOwner* owner) { m_pOwner = owner; }
    COverlayViewOwner* GetOwner() const { return m_pOwner; }
    void SetProject(TfrmMainApp* project) { m_pProject = project; }
    void SetTitle(std::string title, int32_t value) {
        m_title = std::move(title);
        m_value = value;
    }

    // Resets the view to the 42 x 29 grid and takes the owner's overlay and placement; the view lays
    // itself out again (queued) and counts as initialised from here on.
    void LoadPlacementFromOwner();
    // Selects the project's overlay of that ID (0: none) with its initial placement, at the pending
    // drop point when there is one. An ID no overlay has clears the view.
    void SelectOverlayControl(uint32_t overlayId);
    // The view's picture: the control's image turned by the placement's quarter turns.
    void ApplyPictureTurns();
    // Renders the grid background at the current scale into the background buffer.
    void RenderGridBackground();
    // Paints what `exposed` covers of the view: the labels, the working copy and the overlay. Applies
    // the pending move and resize and clears them.
    void OnDraw(QPainter& painter, const QRect& exposed);

    // The grid of an owner whose grid is not the default one (the layout follows).
    void SetGrid(int32_t columns, int32_t rows);
    // Forgets the client size it was laid out at and lays itself out again once the current event
    // is done.
    void RelayoutLater();
    // The drop point as the drop handler keeps it (view coordinates).
    void SetDropPoint(const QPoint& point) {
        m_dropPoint = point;
        m_bDropValid = true;
    }
    // Forgets a move not yet painted.
    void ClearPendingMove() {
        m_nMoveX = 0;
        m_nMoveY = 0;
    }
    // The picture placement back to the whole area: size fractions 1.0 at position 0.
    void ResetPicturePlacement();
    // The units pane beside the view (null before the frame links it).
    COverlayUnitView* GetUnitView() const { return m_pUnitView; }
    TfrmMainApp* GetProject() const { return m_pProject; }
    // Moves (resizes) the selected overlay by that many pixels at the next paint.
    void SetPendingMove(int32_t dx, int32_t dy) {
        m_nMoveX += dx;
        m_nMoveY += dy;
    }
    void SetPendingResize(int32_t dx, int32_t dy) {
        m_nResizeX += dx;
        m_nResizeY += dy;
    }
    // The drag that entered the view has left it.
    bool HasDragLeft() const { return m_bDragLeft; }
    // Whether Ctrl or Shift is held, as the last key event told (the arrows then resize).
    bool IsControlHeld() const { return m_bControl; }
    bool IsShiftHeld() const { return m_bShift; }

    // The "Overlay Config" menu as the right button shows it now: entries removed or greyed by what
    // is selected and what the project's overlay clipboard holds. Every action carries its command.
    std::unique_ptr<QMenu> BuildContextMenu() const;
    // Shows the menu and answers the chosen action (null: none). Tests put their own in.
    using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
    static MenuRunner InstallMenuRunner(MenuRunner runner);
    // Carries out a command of the menu.
    void OnCommand(uint32_t command);
    // Applies the placement to the owner (the Apply button).
    void Apply();

    // Read back by the frame, the owners and the tests.
    const COverlayPlacement& GetPlacement() const { return m_placement; }
    uint32_t GetSelectedOverlayId() const { return m_placement.m_overlayId; }
    bool IsInitialised() const { return m_bInitialised; }
    int32_t GetColumns() const { return m_nColumns; }
    int32_t GetRows() const { return m_nRows; }
    float GetScale() const { return m_fScale; }
    QRect GetAreaRect() const { return m_areaRect; }
    QRect GetPictureRect() const { return m_pictureRect; }
    QRect GetHandleRect() const { return m_handleRect; }
    // The drawing's pixel size on the grid (64 bits: an extent can be far larger than the area).
    int64_t GetDrawingPixelWidth() const { return m_nDrawingWidth; }
    int64_t GetDrawingPixelHeight() const { return m_nDrawingHeight; }
    QPoint GetDrawingOrigin() const { return m_drawingOrigin; }
    const QImage& GetBackground() const { return m_background; }
    const QImage& GetWorking() const { return m_working; }
    const QImage& GetRenderedDrawing() const { return m_drawingImage; }
    const QImage& GetPicture() const { return m_picture; }
    const DrawList& GetTurnedDrawing() const { return m_turnedDrawing; }
    const std::vector<DrawnLabel>& GetDrawnLabels() const { return m_drawnLabels; }
    int32_t GetDrawingRenderCount() const { return m_nDrawingRenders; }
    QPushButton* GetButton(int id) const;

protected:
    int64_t HandleMessage(Message& message) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Relayout();
    void RestoreWorkingCopy();
    void OnOverlayPictureDeleted(uint32_t overlayId);
    COverlayControl* FindSelectedControl() const;
    // The fraction of the area a drop point gives on one axis.
    float DropFraction(int32_t point, int32_t areaStart, int32_t areaSize) const;
    bool AcceptDrag(QDropEvent& event);
    void DrawLabels(QPainter& painter);
    void DrawDrawing(QPainter& painter, COverlayControl& control);
    void DrawPicture(QPainter& painter);
    void RenderDrawing(const QRect& visible);
    void Cancel();
    void ShowContextMenu(const QPoint& at);
    void Mirror(bool horizontally);
    void Rotate(bool clockwise);
    void CopyOverlay();
    void PasteOverlay();
    void ImportFile();
    void ImportWebcamImage();
    // A change of the placement: repaints (queued, as the pending deltas are applied by painting)
    // and enables Apply.
    void PlacementChanged();
    bool IsPictureSelected() const;
    void TrackModifiers(Qt::KeyboardModifiers modifiers);

    // Owner links.
    TfrmMainApp* m_pProject = nullptr;
    COverlayViewFrame* m_pFrame = nullptr;
    COverlayUnitView* m_pUnitView = nullptr;
    COverlayViewOwner* m_pOwner = nullptr;
    std::string m_title;
    int32_t m_value = 0;

    // Grid.
    int32_t m_nColumns = kColumns;
    int32_t m_nRows = kRows;
    int32_t m_nClientWidth = 0;
    int32_t m_nClientHeight = 0;
    int32_t m_nAreaWidth = 0;
    int32_t m_nAreaHeight = 0;
    float m_fScale = 0.0F;
    QRect m_areaRect;

    // The selected overlay and its placement.
    COverlayPlacement m_placement;
    int32_t m_renderedExtent[4] = {0, 0, 0, 0};
    DrawList m_turnedDrawing;
    QImage m_picture;
    bool m_bMirrored = false;

    // Mouse and drop state.
    int32_t m_nMoveX = 0;
    int32_t m_nMoveY = 0;
    int32_t m_nResizeX = 0;
    int32_t m_nResizeY = 0;
    QPoint m_dropPoint;
    bool m_bDropValid = false;
    bool m_bDragLeft = false;
    bool m_bButtonDown = false;
    bool m_bMoving = false;
    bool m_bResizing = false;
    QPoint m_lastMouse;
    bool m_bControl = false;
    bool m_bShift = false;
    // Wheel rotation not yet a whole notch (a touchpad's small steps add up).
    int32_t m_nWheelRemainder = 0;

    // Rendering.
    QImage m_background;
    QImage m_working;
    QImage m_drawingImage;
    QPoint m_drawingOrigin;
    int64_t m_nDrawingWidth = 0;
    int64_t m_nDrawingHeight = 0;
    // The part of the drawing rendered, relative to the drawing's own top-left.
    QRect m_renderedPart;
    int64_t m_nRenderedWidth = 0;
    int64_t m_nRenderedHeight = 0;
    int32_t m_nDrawingRenders = 0;
    QRect m_pictureRect;
    QRect m_handleRect;
    bool m_bPlacementDirty = false;
    bool m_bDrawingChanged = false;
    bool m_bInitialised = false;
    std::vector<DrawnLabel> m_drawnLabels;

    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pApply = nullptr;
    QGroupBox* m_pTip = nullptr;
    QLabel* m_pHint = nullptr;
};

} // namespace orv
