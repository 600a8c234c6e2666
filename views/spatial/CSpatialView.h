#pragma once

#include "app/controls/CTabCtrlEx.h"
#include "overlay/COverlayViewOwner.h"
#include "platform/msg/MessageTarget.h"
#include "platform/sync/CriticalSection.h"
#include "platform/sync/Event.h"
#include "project/QViewFrame.h"
#include "scandata/CScanData.h"
#include "views/spatial/C3DSpatialView.h"
#include "views/spatial/CFormViewSpatial.h"
#include "views/spatial/CSelectedFrequencyList.h"
#include "views/spatial/SpatialCell.h"
#include "views/spectral/CScrollBarEx.h"
#include "views/spectral/QLinkedSpatialPane.h"

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QMenu;
class QMimeData;
class QPainter;

namespace orv {

class CHandHeldProbeScanData;
class COverlayControl;
class COverlayDrawList;
class CProbeVideoPreview;
class CSpatialScanData;
class CSpectralSpatialScanData;
class QColourPalette;
class QNodeMediator;
class QOverlayControlList;
class QProjectTree;
class QScanDataList;
class QSpatialDisplayOptions;
class CViewTreeWidget;
class TfrmMainApp;

// The heat-map view: one node's scan data as a grid of coloured cells above an option panel, with
// the colour-scale bar on its right edge, the selected-frequency list, the tab strips that choose
// the pane shown and a 3D view that can take the place of the map.
//
// The view never scrolls. What the map drawing puts on the window goes into the view's image, and
// the widget is repainted from it. Redraw requests from the messages are queued and drained on the
// user-interface thread by timer 3; a keep-alive worker only waits on the request event. It reads
// the scan data the node's mediator holds, asking again at every event.
class CSpatialView : public QWidget,
                     public QSpatialViewInterface,
                     public QLinkedSpatialPane,
                     public QColourScaleOwner,
                     public COverlayViewOwner {
    // The 3D view draws the cells, zoom window and layers this view keeps, with its scan picked.
    friend class C3DSpatialView;

public:
    enum : int32_t {
        kModeNone = 0,
        kModeSpatial = 1,
        kModeSpectralSpatial = 2,
        kModeHandHeld = 3,
        kModeComparison = 4,
        kModeBlindSpot = 5,
        kModeLinkedSpectralSpatial = 8,
    };
    // Redraw kinds of the redraw driver.
    enum : int32_t {
        kRedrawPaint = 0,
        kRedrawMap = 1,
        kRedrawRefresh = 2,
        kRedrawSelection = 3,
        kRedrawComposed = 4
    };
    static constexpr uint32_t kRelayoutMessage = 5;        // the window-size message
    static constexpr uint32_t kDisplayChangeMessage = 126; // the display-change message
    static constexpr uint32_t kSpatialRepaintMessage = 10019;
    static constexpr uint16_t kNoNodeKind = 10000;
    static constexpr int kTabControlId = 21012;
    static constexpr int kTopMargin = 90;
    static constexpr int kRightMargin = 38;
    static constexpr int kBottomMargin = 45;
    static constexpr int kInnerMargin = 40;
    static constexpr int kTabHeight = 22;
    static constexpr int kListWidth = 120;
    // The header above the map: its height with one or with two frequency lines' worth of room.
    static constexpr int kHeaderHeight = 90;
    static constexpr int kMultiFrequencyHeaderHeight = 70;
    // The band the header's five lines fill.
    static constexpr int kLegendLinesHeight = 80;
    // The smallest size a header line steps down to on a narrow pane.
    static constexpr int kSmallestLegendPixels = 8;
    // The button that collapses and expands the frequency list, and its two icons.
    static constexpr int kToggleWidth = 16;
    static constexpr int kToggleHeight = 24;
    static constexpr uint32_t kToggleColour = 0x2580F5;
    static constexpr int kExpandedIcon = 472;
    static constexpr int kCollapsedIcon = 471;
    static constexpr int kRequestTimerId = 3;
    static constexpr int kTrackingTimerId = 4;
    static constexpr uint32_t kBackgroundColour = 0xE8E8E8;
    static constexpr uint32_t kGridLineColour = 0x969696;
    static constexpr uint32_t kHintColour = 0x640000;
    static constexpr const char* kInterpolationText =
        "Spatial interpolation is only supported in 32 color bits depth in the PC settings !";
    static constexpr const char* kDropHintText =
        "Drag and drop, or copy/paste the spatial scan data into this view.";
    // What the hit test answers where no cell with data lies.
    static constexpr float kNoAmplitude = -10000.0F;
    // The zoom band (ARGB) and the read-out's background (COLORREF).
    static constexpr uint32_t kRubberBandArgb = 0xB4FFB9FF;
    static constexpr uint32_t kReadoutBackground = 0xE1FFE1;
    // A press and release on one cell within this time is a click, not a zoom; the read-out rests
    // this long after a wheel step.
    static constexpr int64_t kClickMilliseconds = 300;
    static constexpr int64_t kWheelRestMilliseconds = 1000;
    static constexpr int32_t kOpacityStep = 5;
    // The mouse flags handed to the context menu.
    static constexpr uint32_t kMouseLeft = 0x0001;
    static constexpr uint32_t kMouseRight = 0x0002;
    static constexpr uint32_t kMouseShift = 0x0004;
    static constexpr uint32_t kMouseControl = 0x0008;

    enum class TabStrip { BlindSpot, Comparison, SpectralSpatial };
    // What the last invalidation covered.
    enum class Invalidation { None, WholeView, MapRect };

    CSpatialView(MessageThread& thread, QWidget* parent = nullptr);
    ~CSpatialView() override;
    CSpatialView(const CSpatialView&) = delete;
    CSpatialView& operator=(const CSpatialView&) = delete;

    // --- Wiring by the frame ---
    void SetFrame(QViewFrame* frame) { m_pFrame = frame; }
    QViewFrame* GetFrame() const { return m_pFrame; }
    void SetNodeKind(uint16_t kind) { m_nNodeKind = kind; }
    uint16_t GetNodeKind() const { return m_nNodeKind; }
    void AttachNode(QNodeMediator* mediator);
    CTabCtrlEx& CreateTabStrip(TabStrip strip);
    CTabCtrlEx* GetTabStrip(TabStrip strip) const;
    void CreateFrequencyList();
    // The project's overlays (board drawings and pictures), which the scans refer to by id.
    void SetOverlayControls(const QOverlayControlList* overlays) { m_pOverlayControls = overlays; }
    // The project panes the view makes follow it when it is pressed (null: the mediator's tree, no
    // list).
    void SetProjectTree(QProjectTree* tree) { m_pProjectTree = tree; }
    void SetScanDataList(QScanDataList* list) { m_pScanDataList = list; }
    // A one-pixel frame round the view (the frames leave it off).
    void SetBorder(bool on);
    bool HasBorder() const { return m_bBorder != 0; }

    // Option panel, colour-scale bar, 3D child, timers; posts the relayout message.
    void OnInitialUpdate();
    // The window goes: timers stopped, children destroyed.
    void OnDestroy();
    // The layout of the window-size message.
    void OnSize();
    // The display-change message: bytes per pixel read again, map rebuilt.
    void OnDisplayChange();

    // --- QNodeView, QSpatialViewInterface, QLinkedSpatialPane ---
    bool HasWindow() const override { return !m_bDestroyed; }
    MessageTarget& GetMessageTarget() override { return m_target; }
    // Draws the view at the export size into the report picture holder (never the system clipboard)
    // and has the window repaint at its own size afterwards.
    void CopyViewImageForReport(int32_t picture) override;
    void SetComparisonState(int32_t state) override;
    void SetBlindSpotState(int32_t state) override;
    void LoadLinkedSpectralSpatialScanData() override;

    // --- Public operations ---
    void SetFrameTitle(const std::string& text);
    bool HasOverlayPicture();

    // --- The overlay editor, which works for the view ---
    // Brings the open editor to the top, or opens one titled "Overlay View" for the view's node.
    void OpenOverlayEditor();
    Kind GetOverlayOwnerKind() const override { return Kind::SpatialView; }
    // The shown scan's overlay ID and placement.
    bool ReadOverlayPlacement(COverlayPlacement& placement) override;
    // Into the shown scan's overlay fields, with the placement flag set.
    void WriteOverlayPlacement(const COverlayPlacement& placement, bool drawing) override;
    // The node's views show the new placement and the project is marked modified.
    void OnOverlayPlacementApplied() override;
    // The view's heat map with its cells at the editor's scale.
    bool DrawOverlayHeatMap(QImage& target, const QPoint& at, float scale, int32_t rows,
                            int32_t columns) override;
    QNodeMediator* GetOverlayOwnerMediator() const override { return m_pMediator; }
    void SelectScanData(int32_t kind);
    std::vector<CScanPoint>* GetSelectedCellList();
    void ToggleSelectedCell(int32_t row, int32_t column);
    void Show3DView(bool on);
    // The colour-scale bar's position (0 to 100): the colour cut-off is 100 minus it. `fromBar` is
    // false for every other caller, whose position the bar then takes too.
    void SetOverlayTransparency(int32_t position, bool fromBar = false) override;
    QNodeMediator* GetColourScaleMediator() const override { return m_pMediator; }
    void QueueRedraw(int32_t kind);
    void DrawMapLocked(QImage* target, int32_t compose);
    void UpdateSelectedFrequencies() override;
    void RelayoutAndRedraw();
    // The redraw driver; the image stands for the client area (null: the view's own).
    void RedrawView(QImage* target, int32_t kind);
    // Timer ticks: 3 drains the request queue, 4 redraws while a probe is tracked by camera.
    void OnRequestTimer();
    void OnTrackingTimer();
    void SetSingleCellSelect(bool single) { m_bSingleCellSelect = single ? 1 : 0; }
    bool IsSingleCellSelect() const { return m_bSingleCellSelect != 0; }

    // --- Context menu (menu 317) and the copy of the view as it is on screen ---
    // The menu is shown this far right of the click.
    static constexpr int kMenuOffsetX = 10;
    static constexpr const char* kSelectZoomCellsText =
        "Are you going to select the zoomed cells for the new scans ?";
    static constexpr const char* kSelectZoomCellsCaption = "Warning";
    // What the menu is built from, read from the view, its node and the state controller.
    struct MenuState {
        uint16_t nodeKind = 0;
        bool hasData = false;
        int32_t workflowState = 0;
        bool threeD = false;
        bool singleSelect = true;
        bool exclude = false;
        bool zoomed = false;
        bool interleaved = false;
    };
    MenuState GetMenuState();
    // The popup for the state, items removed, greyed and checked, doubled separators gone.
    static std::unique_ptr<QMenu> BuildContextMenu(const MenuState& state);
    // How the menu is run; by default modally at the point, answering the chosen action.
    using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
    void SetMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }
    // Carries out a command of the menu.
    virtual void OnContextCommand(uint32_t command);
    // The view above the option panel (two rows of the panel included), the 3D view's picture in
    // place of the map in 3D mode, onto the system clipboard as an image; false (the clipboard as it
    // was) when nothing is left to copy.
    bool CopyImage();

    // --- The report picture, and scans dropped or pasted into a comparison or blind-spot pane ---
    // The size the view is drawn at for a report; the picture leaves out the bar and the option
    // panel.
    static constexpr int kExportWidth = 637;
    static constexpr int kExportHeight = 500;
    static constexpr uint32_t kReportFillColour = 0xE1FFE1;
    static constexpr uint32_t kReportFrameColour = 0xA6A6A6;
    // The layout values the report takes with the picture.
    static constexpr int32_t kReportLayoutFirst = 160;
    static constexpr int32_t kReportLayoutSecond = 0;
    static constexpr const char* kCannotPasteText = "This scan data can't be pasted.";
    static constexpr const char* kPasteCaption = "Warning";
    static constexpr const char* kIncompatiblePrefix = "There is error as:\n";
    static constexpr const char* kReferenceRemovedSuffix =
        "\nThe reference scan data will be removed if you continue !";
    static constexpr const char* kNotReferenceSuffix =
        "\nThe scan data can't be used as the reference data !";
    static constexpr const char* kLowerRemovedSuffix =
        "\nThe lower scan data will be removed if you continue !";
    static constexpr const char* kNotLowerSuffix = "\nThe scan data can't be used as the lower data !";
    // A copy of the source node's spatial scan into the input pane shown (comparison and blind-spot
    // views, panes 0 and 1); the source must be a node of this view's project.
    void PasteScanData(QNodeMediator* source, int32_t scanId);
    // Whether the dragged data offers one of the project's clipboard formats (remembered).
    bool OnDragEnter(const QMimeData* data);
    // The drop effect at a client point: copy over the map area while the scan-data list drags a
    // Spatial node's row onto an input pane and the drag offered one of the project's formats.
    Qt::DropAction OnDragOver(const QPoint& client);
    // Pastes the scan the list drags; false when the list drags none.
    bool OnDrop();
    // --- Pointer and keys ---
    // The node in the tree, its scan in the list, the drop target for comparison and blind-spot
    // nodes, the frame on top.
    void SelectOwnNodeInProjectPane();
    // "Previous Zoom" and "Reset Zoom": the window before the last drag zoom, or the whole grid.
    void PreviousZoom();
    void ResetZoom();
    // The read-out of the cell under (x, y), or none.
    void ShowCellReadout(int32_t x, int32_t y);
    // The read-out's text for a cell: scanner labels print the row from 1 and the column's label;
    // interleaved data adds the level row and column.
    static std::string CellReadoutText(int32_t row, int32_t column, int32_t levelRow, int32_t levelColumn,
                                       float amplitude, float frequency, bool scannerLabels,
                                       bool interleaved);
    // What the pointer and the keys do, in client coordinates (the view does not scroll).
    void OnLeftButtonDown(QPoint point);
    void OnLeftButtonUp(QPoint point);
    void OnPointerMove(QPoint point);
    void OnPointerLeave();
    // One wheel step forward (positive) or back over the point.
    void OnWheelStep(QPoint point, int32_t direction);
    // An arrow key in overlay reposition mode; false when the key is not the view's.
    bool OnOverlayKey(int key);
    // The option panel's "Reposition Overlay" box.
    void SetRepositionOverlay(bool on) { m_bRepositionOverlay = on ? 1 : 0; }
    bool IsRepositionOverlay() const { return m_bRepositionOverlay != 0; }
    // Whether the arrow keys moved the overlay since the panel last asked.
    bool IsOverlayMoved() const { return m_bOverlayMoved != 0; }
    void ClearOverlayMoved() { m_bOverlayMoved = 0; }
    bool IsOverlayNudged() const { return m_bOverlayNudged != 0; }

    // --- The nine virtual slots ---
    // The header of five centred lines above the map: plain or compensated, amplitude range and
    // frequency, bandwidth and attenuator, module, date.
    virtual void DrawLegend(QPainter& painter);
    virtual void ReservedSlot() {}
    virtual void ShowContextMenu(uint32_t flags, int32_t x, int32_t y);
    virtual void DrawMap(QImage* target, int32_t compose);
    void GetSelectedCells(std::vector<CScanPoint>& out) override;
    // The amplitude at (x, y) in view coordinates (interpolated between cell centres on an
    // interpolated map), kNoAmplitude where no cell with data lies; row, column and frequency of the
    // cell under the point. The level outputs are the multi-level views' (callers set them to 0).
    virtual float HitTestCell(int32_t x, int32_t y, int32_t& row, int32_t& column, float& frequency,
                              int32_t& levelRow, int32_t& levelColumn);
    virtual bool SelectCellAt(int32_t x, int32_t y);
    virtual int32_t GetCurrentLevel() { return 0; }
    virtual std::string GetLevelText() { return {}; }

    // The header's lines (as DrawLegend listed them) drawn in one piece at the top of the view.
    void PaintLegendLines(QPainter& painter, int width);

    // --- Frequency list ---
    // The button beside the list, drawn into the back buffer (whose top is the map area's); its
    // rectangle in view coordinates is kept, empty without the list.
    void DrawFrequencyListToggle(QPainter& backBuffer);
    // The button's press: the list collapses or expands, the map is rebuilt, the layout redone.
    void ToggleFrequencyList();
    bool IsListExpanded() const { return m_bListExpanded != 0; }
    // The list's width now: 120 expanded, 0 collapsed.
    int32_t ListWidth() const { return m_bListExpanded != 0 ? kListWidth : 0; }
    // The width the frequency list takes from the map area on the screen (none in a report picture,
    // which shows no list).
    int32_t ListBesideMapWidth() const {
        return m_bListShown != 0 && m_b3DShown == 0 && !m_bReportRender ? ListWidth() : 0;
    }
    QRect GetListToggleRect() const { return m_rcListToggle; }

    // --- Heat map (cells, range, colours, bitmap) ---
    void BuildCells();
    void ResolveAmplitudeRange(float measuredBottom, float measuredTop, float& bottom, float& top);
    void MapColours(float bottom, float top);
    // Paints the cells of the window into `target` at (x, y); the image of the cells is kept and
    // reused while the cell size and count stay. Answers whether something was drawn.
    bool BuildHeatMapBitmap(QImage& target, int32_t x, int32_t y, const CSpatialCell* cells, float cellSize,
                            int32_t firstRow, int32_t lastRow, int32_t firstColumn, int32_t lastColumn);
    // A corner of an interpolated quad: its position and its cell's colour index.
    struct QuadCorner {
        int32_t x = 0;
        int32_t y = 0;
        int32_t index = 0;
    };
    // Paints one quad into a 32-bit image, only the pixels inside `clip` (the quad's rectangle less
    // its cells without data) and inside the image.
    static void PaintInterpolatedQuad(QImage& image, const QColourPalette& palette, int32_t last,
                                      QuadCorner a, QuadCorner b, QuadCorner c, QuadCorner d,
                                      const CCellRect& clip, const std::vector<CCellRect>& holes);
    // The same with the palette's colours as pixels, indices 0 to N - 1 (PaletteTable).
    static void PaintInterpolatedQuad(QImage& image, const std::vector<QRgb>& colours, QuadCorner a,
                                      QuadCorner b, QuadCorner c, QuadCorner d, const CCellRect& clip,
                                      const std::vector<CCellRect>& holes);
    static std::vector<QRgb> PaletteTable(const QColourPalette& palette, int32_t last);
    void PrepareBackBuffer();
    void BlitBackBuffer(QImage& target);
    void DrawNoDataScreen(QImage& target, const std::string& text);
    static int32_t BytesPerPixelForDepth(int32_t depth);

    // --- Layers over the heat map ---
    // The board drawing of an overlay id turned by the scan's signed quarter turns (null: none); the
    // view does not own it, and paints it at once.
    using OverlayDrawListSource =
        std::function<const COverlayDrawList*(uint32_t overlayId, int32_t quarterTurns)>;
    void SetOverlayDrawLists(OverlayDrawListSource source) { m_overlayDrawLists = std::move(source); }
    // The camera preview drawn while a probe is tracked by camera; not owned.
    void SetProbePreview(CProbeVideoPreview* preview) { m_pProbePreview = preview; }
    // A white layer of the grid's size at the current cell size; a size that cannot be made leaves
    // no layer (the drawing overlay is then not composed).
    void CreateOverlayLayer();
    void DrawOverlayLayer();
    void CreateTextureLayer(int32_t width, int32_t height);
    // Camera frame, board drawing or board picture over the map in the back buffer, or into the
    // texture layer for the 3D view.
    void ComposeLayers(bool toTexture);
    // Makes the overlay layer again when the rebuild flag is set, the cell size changed or the scan
    // asks; answers whether it did.
    bool PrepareOverlay();
    // The overlay origin on the layer or grid that the next draw at the current cell size uses
    // instead of the stored one (a draw at another size reads the stored one).
    void CachePlacement(float x, float y);
    bool IsPlacementCached() const { return m_bPlacementCached != 0; }
    const QImage& GetOverlayLayer() const { return m_overlayLayer; }
    const QImage& GetTextureLayer() const { return m_textureLayer; }
    QRect GetPictureRect() const { return m_rcPicture; }
    int32_t GetOverlayBuildCount() const { return m_nOverlayBuildCount; }
    int32_t GetPictureLoadCount() const { return m_nPictureLoadCount; }

    // --- State the tests and the variants read ---
    int32_t GetDisplayMode() const { return m_nDisplayMode; }
    bool IsZoomed() const { return m_bZoomed != 0; }
    // First row, last row, first column, last column.
    std::array<int32_t, 4> GetZoomWindow() const {
        return {m_nZoomFirstRow, m_nZoomLastRow, m_nZoomFirstColumn, m_nZoomLastColumn};
    }
    const std::vector<std::array<int32_t, 4>>& GetZoomHistory() const { return m_zoomHistory; }
    // The read-out label as the paint draws it.
    struct Readout {
        bool shown = false;
        std::string text;
        QRect rect;
        int fontPixels = 14;
    };
    const Readout& GetReadout() const { return m_readout; }
    // The zoom band shown (empty: none).
    QRect GetRubberBand() const { return m_rcBand; }
    bool IsDragArmed() const { return m_bDragArmed != 0; }
    CCellRect GetHoveredCellRect() const { return m_rcHoveredCell; }
    uint32_t GetHoveredCellColour() const { return m_crHoveredCell; }
    bool IsPointerOverOverlay() const { return m_bPointerOverOverlay != 0; }
    bool IsRebuildPending() const { return m_bRebuild != 0; }
    bool IsScanChanged() const { return m_bScanChanged != 0; }
    bool IsNewData() const { return m_bNewData != 0; }
    bool IsListShown() const { return m_bListShown != 0; }
    bool Is3DShown() const { return m_b3DShown != 0; }
    int32_t GetCutOff() const { return m_nCutOff; }
    int32_t GetComparisonPane() const { return m_nComparisonPane; }
    int32_t GetBlindSpotPane() const { return m_nBlindSpotPane; }
    int32_t GetBytesPerPixel() const { return m_nBytesPerPixel; }
    // What a display change reads from the screen, given directly (a screen of another depth).
    void SetScreenBytesPerPixel(int32_t bytes) { m_nBytesPerPixel = bytes; }
    Invalidation GetLastInvalidation() const { return m_lastInvalidation; }
    void ClearLastInvalidation() { m_lastInvalidation = Invalidation::None; }
    size_t GetQueuedRedrawCount();
    int32_t GetRedrawCount() const { return m_nRedrawCount; }
    int32_t GetLastRedrawKind() const { return m_nLastRedrawKind; }
    int32_t GetMapBuildCount() const { return m_nMapBuildCount; }
    int32_t GetBitmapBuildCount() const { return m_nBitmapBuildCount; }
    const CSpatialCell& GetCell(int32_t row, int32_t column) const { return m_cells[CellIndex(row, column)]; }
    QRect GetMapRect() const { return m_rcMap; }
    float GetCellSize() const { return m_fCellSize; }
    const QImage& GetViewImage() const { return m_viewImage; }
    const QImage& GetBackBuffer() const { return m_backBuffer; }
    const QImage& GetHeatMapImage() const { return m_heatMap; }
    bool IsAutoScale() const { return m_bAutoScale != 0; }
    CFormViewSpatial* GetFormView() const { return m_pFormView.get(); }
    CScrollBarEx& GetColourBar() { return m_colourBar; }
    C3DSpatialView* Get3DView() const { return m_p3DView.get(); }
    CSelectedFrequencyList& GetFrequencyList() { return m_frequencyList; }
    QTimer& GetRequestTimer() { return m_requestTimer; }
    QTimer& GetTrackingTimer() { return m_trackingTimer; }
    // Texts drawn last by DrawMap and DrawNoDataScreen with their rectangles (the labels, the
    // caption, the no-data text), in drawing order.
    struct DrawnText {
        std::string text;
        QRect rect;
    };
    const std::vector<DrawnText>& GetDrawnTexts() const { return m_drawnTexts; }
    // The header's lines as the last DrawLegend drew them, its background, and the rectangles it
    // stored (the header, the map area).
    const std::vector<DrawnText>& GetLegendTexts() const { return m_legendTexts; }
    uint32_t GetLegendBackground() const { return m_crLegendBackground; }
    // How often the header's lines were laid out and drawn afresh.
    int32_t GetLegendLayoutCount() const { return m_legendPicture.layouts; }
    QRect GetHeaderRect() const { return m_rcHeader; }
    QRect GetMapAreaRect() const { return m_rcMapArea; }
    // Live keep-alive workers of all views (for the tests of their lifetime).
    static int32_t GetLiveWorkerCount() { return s_liveWorkers.load(); }

protected:
    class ViewTarget : public MessageTarget {
    public:
        ViewTarget(MessageThread& thread, CSpatialView& view) : MessageTarget(thread), m_view(view) {}

    protected:
        int64_t HandleMessage(Message& message) override;

    private:
        CSpatialView& m_view;
    };

    int64_t OnMessage(const Message& message);
    void OnTabChange(TabStrip strip, int index);
    void InvalidateWholeView();
    void InvalidateMapRect();
    void RepaintAndUpdate();
    void PostRelayout();
    void BringFrameToTop();
    void ClearReposition();
    void NoteScanId(int32_t scanId);
    size_t NodeScanCount() const;
    bool BothComparedScansSet() const;
    QSpatialDisplayOptions* NodeOptions() const;
    QSpatialDisplayOptions* PreferenceOptions() const;
    int DisplayUnit() const;
    std::vector<CScanPoint>* SelectedCellList();
    void ReadBytesPerPixel();
    void ForgetScanPointers();
    // The redraw driver's steps.
    CScanData* PickScanData(bool& dropHint);
    void AdoptZoomWindow(CScanData& scan);
    void LayOutMap(const QSize& client);
    void DrawTextInto(QPainter& painter, const QRect& rect, int flags, const std::string& text);
    void FillGridCells(CSpatialScanData& scan, bool floatValues, bool compensate, int unit);
    void FillComponentCells(CSpectralSpatialScanData& data, bool compensate, int unit);
    // The map drawing's last steps over the back buffer (grid lines, labels, scale caption, layers,
    // the list's button) and its copy onto `out`; the multi-level view ends its drawing with them.
    void FinishMapDrawing(QImage& out);
    std::string ScaleCaption() const;
    const COverlayControl* FindOverlayControl(uint32_t id) const;
    bool LoadPicture(const COverlayControl& control, uint32_t id, int32_t rotation, int32_t turns);

    // The drag's start and end cells: any cell of the grid, with or without data.
    bool FindGridCell(QPoint point, int32_t& row, int32_t& column) const;
    // The interpolated value of the quad under the point, false when no quad holds it.
    bool InterpolateAt(int32_t x, int32_t y, float& value) const;
    // Kind-2 refresh: the kept map over the read-out and the zoom band.
    void RefreshComposed();
    bool PointerRests() const;
    void StoreZoomIntoScan();
    void RunPointerHandler(const char* where, const std::function<void()>& handler);
    // The menu's commands.
    CViewTreeWidget* GetTreeWidget() const;
    // The project of the view's tree; null without one.
    TfrmMainApp* GetProject() const;
    int32_t WorkflowState() const;
    // The ID of the scan shown; -1 when none.
    int32_t ShownScanId();
    // The exclude byte of the selection: the user composite's own, else the shown scan's.
    bool IsExcludeSelection();
    void SetSelectionMode(uint32_t command);
    // The description dialog for the scan and pane shown; answers whether it was accepted.
    bool OpenScanDataDescription();
    void EditOverlay();
    // The open editor goes with the view.
    void CloseOverlayEditor();
    void SelectZoomCellsForNewScan();
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // Members by role.
    uint16_t m_nNodeKind = kNoNodeKind;
    // Valid only within one event.
    CScanData* m_pScanData = nullptr;
    CSpatialScanData* m_pSpatialData = nullptr;
    CSpectralSpatialScanData* m_pSSData = nullptr;
    CHandHeldProbeScanData* m_pHandHeldData = nullptr;
    QNodeMediator* m_pMediator = nullptr;
    const QOverlayControlList* m_pOverlayControls = nullptr;
    std::unique_ptr<CFormViewSpatial> m_pFormView;
    uint32_t m_crBackground = kBackgroundColour;
    uint32_t m_crWhite = 0xFFFFFF;
    uint32_t m_crBlack = 0x000000;
    uint32_t m_crPink = 0xFFC3FF;
    float m_fLastBarTop = -100000.0F;
    float m_fLastBarBottom = 100000.0F;
    CScrollBarEx m_colourBar;
    int32_t m_nSubRows = 1;
    int32_t m_nSubColumns = 1;
    uint32_t m_nPictureId = 0;
    int32_t m_nPictureRotation = 156;
    uint8_t m_bDrawIntoCaller = 0;
    QSize m_targetSize;
    // Worker and locks.
    Event m_workerEvent{Event::Reset::Auto, false};
    std::atomic<bool> m_bRunning{true};
    CriticalSection m_requestLock;
    CriticalSection m_drawingLock;
    std::vector<int32_t> m_requests; // guarded by m_requestLock
    QViewFrame* m_pFrame = nullptr;
    CSelectedFrequencyList m_frequencyList;
    bool m_bFrequencyListCreated = false;
    std::unique_ptr<CTabCtrlEx> m_tabBlindSpot;
    std::unique_ptr<CTabCtrlEx> m_tabComparison;
    std::unique_ptr<CTabCtrlEx> m_tabSpectralSpatial;
    int32_t m_bListShown = 0;
    uint8_t m_b3DShown = 0;
    uint8_t m_bInitialised = 0;
    float m_fMeasuredMax = -10000.0F;
    float m_fMeasuredMin = 10000.0F;
    uint8_t m_bRebuild = 0;
    uint8_t m_bScanChanged = 0;
    uint8_t m_bRepositionOverlay = 0;
    // Moved by the arrow keys: the first flag is the option panel's, the second stays for the view.
    uint8_t m_bOverlayMoved = 0;
    uint8_t m_bOverlayNudged = 0;
    float m_fOverlayCellSize = -1.0F;
    // The overlay layer with the cell size it was made at, the placement cache, the texture layer,
    // the board picture as loaded and where it was last drawn.
    QImage m_overlayLayer;
    float m_fLayerCellSize = 0.0F;
    uint8_t m_bPlacementCached = 0;
    float m_fCachedOriginX = 0.0F;
    float m_fCachedOriginY = 0.0F;
    float m_fCachedCellSize = 0.0F;
    QImage m_textureLayer;
    QImage m_picture;
    QRect m_rcPicture;
    int32_t m_nOverlayBuildCount = 0;
    int32_t m_nPictureLoadCount = 0;
    OverlayDrawListSource m_overlayDrawLists;
    CProbeVideoPreview* m_pProbePreview = nullptr;
    // Layout.
    int32_t m_nClientWidth = 0;
    int32_t m_nClientHeight = 0;
    int32_t m_nPrevClientWidth = 100000;
    int32_t m_nPrevClientHeight = 100000;
    QImage m_backBuffer;
    int32_t m_bSizeChanged = 1;
    int32_t m_nMapWidth = 0;
    int32_t m_nMapHeight = 0;
    int32_t m_nPrevMapWidth = 100000;
    int32_t m_nPrevMapHeight = 100000;
    int32_t m_nInnerX = kInnerMargin;
    int32_t m_nInnerY = kInnerMargin;
    int32_t m_nMapOriginX = 0;
    int32_t m_nMapOriginY = 0;
    int32_t m_nTopMargin = kTopMargin;
    int32_t m_nRightMargin = kRightMargin;
    int32_t m_nBottomMargin = kBottomMargin;
    int32_t m_nListWidth = 0;
    int32_t m_nTabHeight = kTabHeight;
    uint8_t m_bListAllowed = 1;
    // Zoom.
    uint8_t m_bZoomed = 0;
    int32_t m_nZoomFirstRow = 0;
    int32_t m_nZoomFirstColumn = 0;
    int32_t m_nZoomLastRow = 0;
    int32_t m_nZoomLastColumn = 0;
    std::vector<std::array<int32_t, 4>> m_zoomHistory;
    QRect m_rcMap;
    int32_t m_nDisplayMode = kModeNone;
    std::array<CSpatialCell, static_cast<size_t>(kGridRows* kGridColumns)> m_cells{};
    int32_t m_nCutOff = 0;
    std::string m_frameTitle;
    float m_fCellSize = 0.0F;
    int32_t m_bNewData = 1;
    // The heat-map image and what it was built for.
    QImage m_heatMap;
    int32_t m_nHeatMapCells = 0;
    float m_fHeatMapCellSize = -1.0F;
    // Grid size.
    int32_t m_nRowCount = 0;
    int32_t m_nColumnCount = 0;
    int32_t m_nShownRows = 0;
    int32_t m_nShownColumns = 0;
    int32_t m_nBytesPerPixel = 4;
    std::unique_ptr<C3DSpatialView> m_p3DView;
    uint8_t m_bCameraTracking = 0;
    uint8_t m_bSingleCellSelect = 1;
    // Pointer and keys: the panes, the frame flag, the drag, the read-out, the wheel.
    QProjectTree* m_pProjectTree = nullptr;
    QScanDataList* m_pScanDataList = nullptr;
    uint8_t m_bBorder = 0;
    uint8_t m_bPointerOverMap = 0;
    uint8_t m_bDragArmed = 0;
    uint8_t m_bBandDrawn = 0;
    QPoint m_ptDragStart;
    QPoint m_ptDragEnd;
    std::chrono::steady_clock::time_point m_tPress{};
    QRect m_rcBand;
    Readout m_readout;
    CCellRect m_rcHoveredCell;
    uint32_t m_crHoveredCell = 0;
    QPoint m_ptLastCursor;
    uint8_t m_bLeaveTracked = 0;
    uint8_t m_bPointerOverOverlay = 0;
    uint8_t m_bWheelStepped = 0;
    std::chrono::steady_clock::time_point m_tLastWheel{};
    // The shown data carries interleaved levels (as the last draw found it).
    uint8_t m_bShownInterleaved = 0;
    // Panes chosen on the comparison and blind-spot tab strips, and the pane last drawn.
    int32_t m_nComparisonPane = 0;
    int32_t m_nBlindSpotPane = 0;
    int32_t m_nPaneDrawn = -1;
    uint8_t m_bCompensationApplied = 0;
    // The scale in force at the last draw was automatic.
    uint8_t m_bAutoScale = 1;
    // The peak of each component of spectral/spatial data as the last rebuild found it (shown flag,
    // peak value, its frequency), by component index.
    struct UnitPeak {
        uint8_t shown = 0;
        float peak = 30000.0F;
        float frequency = 0.0F;
    };
    std::vector<UnitPeak> m_unitPeaks;
    // Tick labels of the rows and columns.
    std::vector<int32_t> m_rowTicks;
    std::vector<int32_t> m_columnTicks;
    // The bounding box of the cells with data.
    int32_t m_nDataFirstRow = 1000;
    int32_t m_nDataFirstColumn = 1000;
    int32_t m_nDataLastRow = -1;
    int32_t m_nDataLastColumn = -1;
    // The composite image of the window (what the client DC drew); the export flag while the view
    // draws its report picture.
    QImage m_viewImage;
    bool m_bReportRender = false;
    std::vector<DrawnText> m_drawnTexts;
    std::vector<DrawnText> m_legendTexts;
    // The header's lines as last laid out and drawn, kept while they stay the same.
    struct LegendPicture {
        std::vector<DrawnText> lines;
        int width = 0;
        uint32_t background = 0;
        QImage image;
        int32_t layouts = 0;
    } m_legendPicture;
    uint32_t m_crLegendBackground = kBackgroundColour;
    int32_t m_nExportWidth = 0;
    int32_t m_nExportHeight = 0;
    // Whether the data of the drag in progress offered one of the project's formats.
    bool m_bDragFormatOffered = false;
    QRect m_rcHeader;
    QRect m_rcMapArea;
    // The frequency list: expanded (the list shown) or collapsed to its button.
    uint8_t m_bListExpanded = 1;
    QRect m_rcListToggle;
    Invalidation m_lastInvalidation = Invalidation::None;
    int32_t m_nRedrawCount = 0;
    int32_t m_nLastRedrawKind = -1;
    int32_t m_nMapBuildCount = 0;
    int32_t m_nBitmapBuildCount = 0;
    bool m_bDestroyed = false;
    // While the tick's drawing for a queued paint is put on the screen.
    bool m_bShowingTickDrawing = false;
    QTimer m_requestTimer;
    QTimer m_trackingTimer;
    MenuRunner m_menuRunner;
    ViewTarget m_target;
    // Last: the worker starts once everything it may touch exists.
    std::jthread m_worker;

    static std::atomic<int32_t> s_liveWorkers;
};

} // namespace orv
