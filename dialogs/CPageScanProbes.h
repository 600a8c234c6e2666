#pragma once

// "... Scan Probes": which cells of the scanner's 29 x 42 grid a node's scan measures, and, with the
// robot arm, at which height. The page edits a working copy of the node's pattern in force and
// writes it back in OnApply; Cancel drops the copy. A click toggles a cell, a drag down and to the
// right offers "Select Cells" and "Unselect Cells" for the rectangle, and the right button copies
// the whole grid to the program's probe-pattern clipboard or pastes it from there.
//
// The grid is rendered into a picture the size of the picture control 1045 whenever it changes;
// painting copies it to the page and adds the drag rectangle, the hover box and the axis labels.
//
// A pattern in force of another size than 29 x 42 keeps its size: cells the page shows beyond it
// are off and ignore the user. Cells the arm cannot reach are never on.

#include "app/controls/CBotJogTarget.h"
#include "dialogs/CPropertyPage.h"
#include "dialogs/ProbePatternClipboard.h"
#include "overlay/COverlayViewOwner.h"
#include "platform/msg/MessageTarget.h"

#include "core/QProbeScanPattern.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QTimer;

namespace orv {

class CDeviceManager;
class CDlgProbeHeight;
class CNodeProbeCameraLayer;
class CProbeArmMarker;
class CProbeCameraLayer;
class CProbeOverlayLayer;
class COverlayControl;
class QNodeMediator;
class QOverlayOptions;
class QProbeScanPatternOptions;
class TfrmMainApp;

class CPageScanProbes : public CPropertyPage,
                        public CBotJogTarget,
                        public COverlayViewOwner,
                        public MessageTarget {
public:
    static constexpr int kRows = ProbePatternClipboard::kRows;
    static constexpr int kColumns = ProbePatternClipboard::kColumns;
    static constexpr int kCellCount = ProbePatternClipboard::kCellCount;

    // Control ids (the controls' object names).
    static constexpr int kGridPicture = 1045;
    static constexpr int kOnCount = 1046;
    static constexpr int kOffCount = 1047;
    static constexpr int kOverlayEditor = 1065;
    static constexpr int kSelectAll = 1099;
    static constexpr int kSelectNone = 1100;
    static constexpr int kPositionCapture = 1110;
    static constexpr int kCameraList = 1122;
    static constexpr int kCameraTracking = 1150;
    static constexpr int kHeightSpin = 1227;
    static constexpr int kHeightEdit = 1229;
    static constexpr int kUpdatePosition = 1230;
    static constexpr int kJogUp = 1233;
    static constexpr int kJogDown = 1234;
    static constexpr int kJogBack = 1235;
    static constexpr int kJogForward = 1236;
    static constexpr int kJogLeft = 1237;
    static constexpr int kJogRight = 1238;
    static constexpr int kArmPosition = 1239;
    static constexpr int kBotGroup = 1240;
    static constexpr int kCalibrate = 1241;
    static constexpr int kHeightLabel = 1253;
    static constexpr int kHeightUnit = 1254;
    static constexpr int kCameraOptions = 1264;
    static constexpr int kFocusSlider = 1279;
    static constexpr int kFocusLabel = 1280;
    static constexpr int kFocusValue = 1281;

    // The overlay editor's messages to the page.
    static constexpr uint32_t kPlacementChangedMessage = 10020;
    static constexpr uint32_t kSelectOverlayPictureMessage = 10028;
    static constexpr const char* kEditorTitle = "Overlay View";
    static constexpr const char* kNoDrawingText = "No finding for the overlay Gerber List...";

    // Menu commands: the drag pop-up and the "Probes" pop-up of menu 316.
    static constexpr uint32_t kSelectCells = 32831;
    static constexpr uint32_t kUnselectCells = 32833;
    static constexpr uint32_t kCopyPattern = 32996;
    static constexpr uint32_t kPastePattern = 32998;
    static constexpr uint32_t kMoveToHere = 32999;
    static constexpr uint32_t kSetHeight = 33000;

    // The robot arm.
    static constexpr const char* kArmErrorText = "Failed getting Quorlyn position,\n Please check the "
                                                 "Quorlyn connection to the PC and restart Orvilant.";
    static constexpr const char* kArmErrorCaption = "Quorlyn error";
    static constexpr float kJogStartStep = 0.5F;
    static constexpr float kJogStepGrowth = 0.5F;
    static constexpr float kJogStepLimit = 7.5F;
    static constexpr float kLowestJogZ = 1.0F;
    // The lowest measurement height the page takes, in mm.
    static constexpr int16_t kLowestHeight = -70;
    // The grid's size in mm along the arm's x (rows) and y (columns): 7.5 mm cells.
    static constexpr double kGridLengthX = 217.5;
    static constexpr double kGridLengthY = 315.0;
    static constexpr float kCellPitch = 7.5F;
    // How often the idle arm thread looks at the run flag, and the longest one move takes.
    static constexpr int kArmIdleMs = 100;
    static constexpr int kArmMoveMs = 5000;

    static constexpr int kPictureWidth = 640;
    static constexpr int kPictureHeight = 440;

    static constexpr const char* kReachCaption = "Probe height";
    static constexpr const char* kCellReachText =
        "The robotic arm can't reach the selected height for this cell.\n If you continue with the selected "
        "height the robotic arm will get into error state.";
    static constexpr const char* kRangeReachText =
        "The robotic arm can't reach the selected height for one or more cells.\n If you continue with the "
        "selected height the robotic arm will get into error state.";

    // Colours of the picture (ARGB) and of the page (red in the low byte).
    static constexpr uint32_t kBandColorRef = 0xB3D1FF;
    static constexpr uint32_t kOnArgb = 0x8C00C800;
    static constexpr uint32_t kCameraOnArgb = 0x4600C800;
    static constexpr uint32_t kUnreachableArgb = 0x8CA9A9A9;
    static constexpr uint32_t kGridLineArgb = 0xFFBEBEBE;
    static constexpr uint32_t kCameraGridLineArgb = 0x40BEBEBE;
    static constexpr uint32_t kDragArgb = 0x780000FF;
    static constexpr uint32_t kHoverOnColorRef = 0xE1FFE1;
    static constexpr uint32_t kHoverOffColorRef = 0xEBEBEB;
    static constexpr uint32_t kAxisColorRef = 0x0000FF;

    // `nodeKind`: the node kind the page serves (2003 for the spectral side of a node with both).
    CPageScanProbes(QNodeMediator& mediator, uint32_t nodeKind);
    ~CPageScanProbes() override;

    static QString CaptionOf(uint32_t nodeKind);

    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnApply() override;
    // The buttons and the height edit that change the cells. The end of a scan enables only the scan
    // pages, so the page never disables them itself.
    void EnableControls(bool enable) override;

    // --- CBotJogTarget: the jog buttons' direction and step. ---
    void SetJog(int32_t direction, float step) override;
    int32_t GetJogDirection() const;

    // --- The robot arm ---
    struct ArmPose {
        float x = 0.0F;
        float y = 0.0F;
        float z = 0.0F;
        float r = 0.0F;
    };
    // Where the page last read the arm (none before the first read), and the cell under it (-1 off
    // the grid).
    std::optional<ArmPose> GetLastArmPose() const { return m_armPose; }
    std::pair<int16_t, int16_t> GetArmCell() const { return {m_armRow, m_armColumn}; }
    float GetJogStep() const;
    // Whether this page's arm thread runs, and how many pages' arm threads run in the program.
    bool IsArmThreadRunning() const;
    static int32_t GetRunningArmThreads();
    // Where the pages reach the arm; by default the main frame's engine. Null: no arm.
    using ArmDevicesSource = std::function<CDeviceManager*()>;
    static void SetArmDevicesSource(ArmDevicesSource source);
    // The marker the grid draws for the arm: where its cross is centred (picture coordinates) and
    // whether a coordinate was held to the picture's edge.
    struct ArmMarkerPlace {
        QPoint centre;
        bool clamped = false;
    };
    std::optional<ArmMarkerPlace> GetArmMarkerPlace() const;
    // Runs the probe height dialog; the dialog's exec() unless a test gives another runner.
    using HeightDialogRunner = std::function<bool(CDlgProbeHeight& dialog)>;
    void SetHeightDialogRunner(HeightDialogRunner runner) { m_heightDialogRunner = std::move(runner); }
    // The cell the last right click was on (the menu's "Move to here" and "Set Height..." cell).
    void SetMenuCell(int row, int column) {
        m_menuRow = row;
        m_menuColumn = column;
    }
    // The height edit's rules: a spin delta, and the edit losing the focus.
    void OnHeightSpin(int delta);
    void OnHeightEditFocusOut();
    // "Update Position", "Calibrate", "Move to here" of the menu cell: asked of the arm thread, the
    // result comes back to the page through its event queue.
    void UpdateArmPosition();
    void CalibrateArm();
    void MoveArmToMenuCell();
    void SetMenuCellHeight();
    // Ends the jog: a release that will never come (focus or grab lost, page hidden, sheet closed).
    void StopJog();

    // Told the kind of each arm report the page takes in (tests wait on it).
    void SetArmReportObserver(std::function<void(int kind)> observer) {
        m_armReportObserver = std::move(observer);
    }
    static constexpr int kArmReportPose = 1;
    static constexpr int kArmReportUpdate = 2;
    static constexpr int kArmReportCalibrate = 3;
    static constexpr int kArmReportMoveToCell = 4;
    static constexpr int kArmReportJogged = 5;
    static constexpr int kArmReportJogFailed = 6;

    // The control with the id; null for an id the page does not have.
    QWidget* GetControl(int id) const;

    uint32_t GetNodeKind() const { return m_nodeKind; }
    bool IsSpectral() const { return m_bSpectral != 0; }
    bool IsArmPresent() const { return m_bArmPresent != 0; }
    // The first pattern options of the node for the spectral side, else the second.
    QProbeScanPatternOptions* GetPatternOptions() const;
    const QProbeScanPattern& GetWorkingPattern() const { return m_pattern; }
    // Row and column must be inside the grid.
    const ProbeCell& GetCell(int row, int column) const { return m_cells.at(Index(row, column)); }
    int16_t GetLowestHeight() const { return m_lowestHeight; }
    int16_t GetHighestHeight() const { return m_highestHeight; }
    double GetColourStep() const { return m_colourStep; }
    QRect GetGridRect() const;
    float GetCellWidth() const { return m_cellWidth; }
    float GetCellHeight() const { return m_cellHeight; }
    const QImage& GetGridImage() const { return m_gridImage; }
    // The selection rectangle of a drag (first row, first column, last row, last column); all -1
    // when none.
    std::array<int32_t, 4> GetSelection() const {
        return {m_selFirstRow, m_selFirstColumn, m_selLastRow, m_selLastColumn};
    }

    // The cell whose rectangle holds the point (page coordinates); false when none does.
    bool HitTestCell(const QPoint& point, int& row, int& column) const;
    // The green of an on cell of that height with the robot arm.
    int ArmHeightGreen(int16_t height) const;
    // The typed measurement height, truncated and held to the signed 16-bit range.
    int16_t GetTypedHeight() const;

    // Renders the cells into the picture; `markModified` lights the sheet's Apply. With the arm, the
    // marker stands where the arm was last read, and a fresh read is asked for (one at most every
    // 100 ms): the render never waits on the arm.
    void RenderGrid(bool markModified);

    // The commands of the page's buttons and menus; false for a command the page does not know.
    bool OnCommand(uint32_t command);

    // What painting adds to the picture, for the pointer as it stands.
    struct HoverBox {
        QRect box;
        QColor background;
        QString text;
    };
    std::optional<HoverBox> GetHoverBox() const;
    struct AxisLabel {
        QRect rect;
        QString text;
    };
    std::vector<AxisLabel> GetAxisLabels() const;
    // The drag rectangle painted while the button is held; none when the drag ends off the cells.
    std::optional<QRect> GetDragRect() const;

    // Shows a pop-up menu and answers the chosen action (none: null). The page runs QMenu::exec
    // unless it is given another runner.
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPoint)>;
    void SetMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }

    // The layers the page draws with its cells; not owned, null for none. The camera layer is the
    // node's own camera until another is given.
    void SetCameraLayer(CProbeCameraLayer* layer) { m_pCameraLayer = layer; }
    void SetOverlayLayer(CProbeOverlayLayer* layer) { m_pOverlayLayer = layer; }
    void SetArmMarker(CProbeArmMarker* marker) { m_pArmMarker = marker; }
    // Called after every change of the cells, so that an open overlay editor lays itself out again.
    void SetOverlayEditorRelayout(std::function<void()> relayout) {
        m_relayoutOverlayEditor = std::move(relayout);
    }

    // --- The board overlay ---
    // The node's overlay choice and placement taken into the page, and written back.
    void LoadOverlaySettings();
    void SaveOverlaySettings();
    // Renders a drawing overlay into the overlay bitmap; without `force` only when its size changed.
    void RenderOverlayBitmap(bool force);
    // "Overlay Editor": opens the editor over the page, or brings the open one forward.
    void OpenOverlayEditor();
    uint32_t GetOverlayId() const { return m_overlayId; }
    int32_t GetOverlayOpacity() const { return m_opacity; }
    // The drawing's bitmap (white made transparent) and where it lies in the grid picture; a null
    // image when there is none.
    const QImage& GetOverlayBitmap() const { return m_overlayBitmap; }
    QRect GetOverlayBitmapPlace() const { return m_overlayBitmapPlace; }
    // How many times the bitmap was rendered (the cache's effect).
    uint32_t GetOverlayRenderCount() const { return m_overlayRenderCount; }

    // --- COverlayViewOwner ---
    Kind GetOverlayOwnerKind() const override { return Kind::ProbesPage; }
    bool ReadOverlayPlacement(COverlayPlacement& placement) override;
    void WriteOverlayPlacement(const COverlayPlacement& placement, bool drawing) override;
    void OnOverlayPlacementApplied() override;
    void TakeOverlayDrawing(DrawList turned, int32_t opacity) override;
    MessageTarget* GetOverlayOwnerTarget() override { return this; }
    bool IsOverlayCellMarked(int32_t row, int32_t column) const override;
    QNodeMediator* GetOverlayOwnerMediator() const override { return m_pMediator; }

    // --- The hand-held probe's camera (kind 2029) ---
    static constexpr const char* kChooseCameraText = "Choose a valid video device from the dropdown menu.";
    static constexpr const char* kCameraListRefreshedText =
        "The device list was invalid, and has been refreshed.";
    static constexpr int kPreviewStartMs = 66;
    static constexpr int kPreviewRunningMs = 200;
    // The still the page makes the node's overlay on Apply.
    static constexpr int kStillWidth = 200;
    static constexpr int kStillHeight = 150;
    // Starts the node's tracking on the camera of the combo entry (-1: the combo's selection).
    void StartCameraPreview(int32_t index = -1);
    void StopCameraPreview();
    // The camera layout (combo, focus) and the arm layout.
    void ShowCameraControls();
    void ShowArmControls();
    // The camera's device index while a preview runs from this page, else -1.
    int32_t GetCameraIndex() const { return m_cameraIndex; }
    // The refresh timer's interval; 0 when it does not run.
    int GetCameraTimerInterval() const;
    // One tick of the refresh timer.
    void OnCameraTimer();
    // The focus slider's position.
    void OnFocusSlider(int position);

    struct ArmShared;
    struct ArmReport;

protected:
    int64_t HandleMessage(Message& message) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    static size_t Index(int row, int column) {
        return (static_cast<size_t>(row) * kColumns) + static_cast<size_t>(column);
    }
    void BuildControls();
    void BuildCells();
    // Whether the user may change the cell: inside the pattern in force and within the arm's reach.
    bool IsEditable(int row, int column) const;
    int16_t ArmReach(int row, int column) const;
    bool UsesLetteredColumns() const;
    // Clicks, drags and menu commands.
    void ToggleCell(int row, int column);
    void OnDragEnd(const QPoint& point);
    // "Select Cells" / "Select All" and "Unselect Cells" / "Select None" over an inclusive range.
    void SelectRange(int firstRow, int firstColumn, int lastRow, int lastColumn);
    void UnselectRange(int firstRow, int firstColumn, int lastRow, int lastColumn);
    void CopyPattern() const;
    void PastePattern();
    void ShowProbesMenu(const QPoint& point);
    QAction* RunMenu(QMenu& menu, const QPoint& point);
    // After a change: the picture made anew, painted, and an open overlay editor told.
    void AfterChange();
    void ClearSelection();
    QColor OnColour(const ProbeCell& cell, bool tracking) const;
    // The thread body; it holds the shared state, so a thread that outlives its page touches no
    // freed memory.
    static void ArmPositionThread(const std::shared_ptr<ArmShared>& shared);
    void StartArmThread();
    void StopArmThread();
    void RequestArm(int kind, int row = 0, int column = 0, float height = 0.0F);
    void OnArmReport(const ArmReport& report);
    void RenderGridOnly(bool markModified);
    void DrawArmMarker(QPainter& painter) const;
    // The board overlay.
    TfrmMainApp* GetProject() const;
    COverlayControl* FindOverlayControl() const;
    void DrawBoardOverlay(QPainter& painter, const QSize& picture);
    void DrawOverlayPicture(QPainter& painter, const QSize& picture, const COverlayControl& control) const;
    void CloseOverlayEditor();
    // The camera.
    void SetUpCamera();
    void OnCameraTrackingClicked(bool checked);
    void OnCameraOptions();
    // On Apply with a running camera and no overlay yet: the latest frame becomes the node's overlay.
    void TakeCameraStill();
    void RestoreCameraTracking();

    QNodeMediator* m_pMediator;
    uint32_t m_nodeKind;
    uint8_t m_bSpectral = 0;
    uint8_t m_bArmPresent = 0;
    QProbeScanPattern m_pattern;
    std::array<ProbeCell, kCellCount> m_cells{};
    float m_cellWidth = 0.0F;
    float m_cellHeight = 0.0F;
    int16_t m_lowestHeight = 5000;
    int16_t m_highestHeight = 0;
    double m_colourStep = 0.0;
    QImage m_gridImage;
    // The camera the node's tracking used when the page was made, kept while the page cannot
    // offer the cameras.
    int32_t m_trackingCameraIndex = -1;

    // Mouse and hover state.
    uint8_t m_bButtonDown = 0;
    uint8_t m_bPointerInside = 0;
    uint8_t m_bDragging = 0;
    uint8_t m_bTooltipVisible = 0;
    QPoint m_dragStart;
    QPoint m_dragEnd;
    QPoint m_tooltipAnchor;
    int32_t m_hoverRow = -1;
    int32_t m_hoverColumn = -1;
    int32_t m_selFirstRow = -1;
    int32_t m_selFirstColumn = -1;
    int32_t m_selLastRow = -1;
    int32_t m_selLastColumn = -1;

    std::shared_ptr<ArmShared> m_arm;
    std::optional<ArmPose> m_armPose;
    std::optional<std::pair<float, float>> m_gridOrigin;
    int16_t m_armRow = -1;
    int16_t m_armColumn = -1;
    int32_t m_menuRow = -1;
    int32_t m_menuColumn = -1;
    HeightDialogRunner m_heightDialogRunner;
    std::function<void(int kind)> m_armReportObserver;

    MenuRunner m_menuRunner;
    CProbeCameraLayer* m_pCameraLayer = nullptr;
    CProbeOverlayLayer* m_pOverlayLayer = nullptr;
    CProbeArmMarker* m_pArmMarker = nullptr;
    std::function<void()> m_relayoutOverlayEditor;

    // The board overlay: the control's ID (0 none), a picture's opacity (percent), offsets and scales
    // (fractions of the grid picture), its flag bytes (the third its quarter turns), and a drawing's
    // quarter turns, origin fractions and placement rectangle (drawing units).
    uint32_t m_overlayId = 0;
    int32_t m_opacity = 0;
    float m_offsetX = 0.0F;
    float m_offsetY = 0.0F;
    float m_scaleX = 0.0F;
    float m_scaleY = 0.0F;
    std::array<uint8_t, 3> m_pictureFlags{};
    uint8_t m_drawingQuarterTurns = 0;
    float m_positionX = 0.0F;
    float m_positionY = 0.0F;
    std::array<int32_t, 4> m_placementRect{};
    // The drawing as the page paints it (turned); rebuilt on load and on the editor's apply.
    DrawList m_drawList;
    int32_t m_overlayBitmapWidth = 0;
    int32_t m_overlayBitmapHeight = 0;
    QRect m_overlayBitmapPlace;
    QImage m_overlayBitmap;
    uint32_t m_overlayRenderCount = 0;
    uint8_t m_bOverlayEditorOpened = 0;

    // The camera: the device paths found at the last start, the device index of the running preview
    // (-1 none), whether the node tracked when the page opened, and the combo entry it ran on when
    // the page stopped it.
    std::vector<std::string> m_cameraPaths;
    int32_t m_cameraIndex = -1;
    uint8_t m_bTrackingAtStart = 0;
    int32_t m_savedCameraIndex = -1;
    QTimer* m_cameraTimer = nullptr;
    std::unique_ptr<CNodeProbeCameraLayer> m_nodeCameraLayer;
    QPushButton* m_cameraOptions = nullptr;
    QSlider* m_focusSlider = nullptr;
    QLabel* m_focusValue = nullptr;
    QLabel* m_focusLabel = nullptr;

    QWidget* m_picture = nullptr;
    QLabel* m_onCount = nullptr;
    QLabel* m_offCount = nullptr;
    QLineEdit* m_heightEdit = nullptr;
    QLabel* m_armPosition = nullptr;
    std::vector<QWidget*> m_jogButtons;
    QCheckBox* m_cameraTracking = nullptr;
    QComboBox* m_cameraList = nullptr;
    std::vector<QWidget*> m_armControls;
    std::vector<QWidget*> m_cameraControls;
    std::vector<QWidget*> m_editControls;
};

} // namespace orv
