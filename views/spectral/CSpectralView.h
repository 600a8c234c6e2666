#pragma once

#include "app/controls/CMyEdit.h"
#include "app/controls/CSpectralScrollBar.h"
#include "app/controls/CTabCtrlEx.h"
#include "platform/msg/MessageTarget.h"
#include "project/QViewFrame.h"
#include "scandata/CScanData.h"
#include "views/spectral/CFormViewSpectral.h"
#include "views/spectral/CSpectralDrawPoint.h"
#include "views/spectral/CSpectralViewBar.h"
#include "views/spectral/TracePoint.h"
#include "views/spectral/XAxisGrid.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QFont;
class QKeyEvent;
class QMenu;
class QMimeData;
class QPainter;

namespace orv {

class CHandHeldProbeScanData;
class CSpectralScanData;
class CSpectralSpatialScanData;
class CViewTree;
class CViewTreeWidget;
class QNodeMediator;
class TfrmMainApp;
class QScanDataList;
class QSpectralDisplayOptions;

// The window that plots one spectrum of a node: amplitude over frequency. It never owns scan data:
// it reads what the node's mediator holds and the node's display options, asking again at every
// event. The plot is rendered into an off-screen image whenever the view is laid out (every message
// that changes what is shown ends by posting the relayout message to the view); painting copies
// that image and draws the header over it.
//
// The comparison, overlay, spectral/spatial and scripting views derive from it and replace the ten
// virtual slots. User-interface thread only.
class CSpectralView : public QAbstractScrollArea, public QSpectralViewInterface {
public:
    // Display modes.
    enum : int32_t {
        kModeNone = 0,
        kModeSpectral = 1,
        kModeSpectralSpatial = 2,
        kModeHandHeld = 3,
        kModeComparison = 4,
        kModeOverlay = 5,
        kModeScripting = 6,
        kModeLinkedSpectralSpatial = 7,
    };
    // The view's own message: lay out again and render (the window-size message of the view).
    static constexpr uint32_t kRelayoutMessage = 5;
    static constexpr int kTabControlId = 21012;
    static constexpr int kMinWidth = 450;
    // The smallest size a header line steps down to on a narrow pane.
    static constexpr int kSmallestHeaderPixels = 8;
    static constexpr int kMinHeight = 350;
    static constexpr int kCopyWidth = 600;
    static constexpr int kCopyHeight = 300;
    // The report picture: the header above the 600 x 300 plot copy, with its two layout values.
    static constexpr int kReportHeight = 390;
    static constexpr int kReportPlotTop = 90;
    static constexpr uint32_t kReportFrameColour = 0xA6A6A6;
    static constexpr int32_t kReportLayoutFirst = 160;
    static constexpr int32_t kReportLayoutSecond = 0;
    // The right-click menu is shown this far right of the click.
    static constexpr int kMenuOffsetX = 10;
    // Boxes of the menu's commands and of a drop.
    static constexpr const char* kAddUserCompositeText =
        "Are you going to add an Spectral/Spatial User Composite Node ?";
    static constexpr const char* kAddUserCompositeCaption = "Add";
    static constexpr const char* kCannotPasteText = "This scan data can't be pasted.";
    static constexpr const char* kZeltNotSupportedText = "No support for Zelt scan data.";
    static constexpr const char* kDropCaption = "Warning";
    static constexpr const char* kIncompatiblePrefix = "There is error as:\n";
    static constexpr const char* kReferenceRemovedSuffix =
        "\nThe reference scan data will be removed if you continue !";
    static constexpr const char* kNotReferenceSuffix =
        "\nThe scan data can't be used as the reference data !";
    static constexpr uint32_t kBackgroundColour = 0xE8E8E8;
    static constexpr uint32_t kTraceColour = 0xBE0000;
    static constexpr uint32_t kSecondTraceColour = 0x00A000;
    static constexpr uint32_t kAxisColour = 0x565656;
    static constexpr uint32_t kGridColour = 0xA0A0A0;
    static constexpr uint32_t kHintColour = 0x640000;
    // Markers and read-outs (0x00BBGGRR; the bands are translucent 0xAARRGGBB).
    static constexpr uint32_t kDeltaMarkerColour = 0x0000FF;
    static constexpr uint32_t kDeltaBoxColour = 0x2580F5;
    static constexpr uint32_t kSelectedMarkerColour = 0x0000FF;
    static constexpr uint32_t kMarkerColour = 0x00C8C8;
    static constexpr uint32_t kSelectedBandArgb = 0x3C007777;
    static constexpr uint32_t kExcludedBandArgb = 0x50000000;
    static constexpr uint32_t kBandArgb = 0x469B9B00;
    static constexpr uint32_t kDragBandArgb = 0x500000FF;
    static constexpr uint32_t kCrossHairColour = 0x0000FA;
    static constexpr uint32_t kCrossHairCircleColour = 0x0000BE;
    static constexpr uint32_t kReadoutTextColour = 0xFF0000;
    static constexpr uint32_t kReadoutReferenceTextColour = 0x005000;
    static constexpr uint32_t kReadoutBackground = 0xE1FFE1;
    static constexpr uint32_t kReadoutPeakBackground = 0x00FFFF;
    // The flags the mouse slots receive (those of the window-message mouse flags).
    static constexpr uint32_t kMouseLeft = 0x0001;
    static constexpr uint32_t kMouseRight = 0x0002;
    static constexpr uint32_t kMouseShift = 0x0004;
    static constexpr uint32_t kMouseControl = 0x0008;

    // The steps of the zoom scroll bar (those of a horizontal scroll-bar message).
    enum class ScrollCode {
        LineLeft,
        Left,
        PageLeft,
        LineRight,
        Right,
        PageRight,
        ThumbTrack,
        ThumbPosition,
        EndScroll
    };

    // What the hover read-out paints over the plot image, in client coordinates (the scroll
    // position taken off as it was when the read-out was made).
    struct Readout {
        bool shown = false;
        QRect axis;
        // The first point's figure and line may be left out (a view showing only its second trace).
        bool hasPrimary = true;
        QPoint point;
        bool hasSecond = false;
        QPoint secondPoint;
        std::string text;
        QRect box;
        std::string secondText;
        QRect secondBox;
        uint32_t textColour = kReadoutTextColour;
        uint32_t background = kReadoutBackground;
        uint32_t secondTextColour = kReadoutTextColour;
        uint32_t secondBackground = kReadoutBackground;
        int fontSize = 14;
    };

    // Which tab strip of the frame (all three carry the control id 21012).
    enum class TabStrip { Overlay, Comparison, Composite };

    CSpectralView(MessageThread& thread, QWidget* parent = nullptr);
    ~CSpectralView() override;
    CSpectralView(const CSpectralView&) = delete;
    CSpectralView& operator=(const CSpectralView&) = delete;

    // --- Wiring by the frame, before SetReady and OnInitialUpdate ---
    void SetBorder(bool border) { m_bBorder = border ? 1 : 0; }
    void SetNodeKind(uint16_t kind) { m_nNodeKind = kind; }
    void SetFrame(QViewFrame* frame) { m_pFrame = frame; }
    void SetMediator(QNodeMediator* mediator) { m_pMediator = mediator; }
    QNodeMediator* GetMediator() const { return m_pMediator; }
    void SetFrameObject(void* object) { m_pFrameObject = object; }
    void SetProjectTree(CViewTree* tree) { m_pProjectTree = tree; }
    void SetScanDataList(QScanDataList* list) { m_pScanDataList = list; }
    void SetReady(bool ready) { m_bReady = ready ? 1 : 0; }
    // Makes one of the frame's tab strips as a child of the view; the frame inserts its items.
    CTabCtrlEx& CreateTabStrip(TabStrip strip);
    CTabCtrlEx* GetTabStrip(TabStrip strip) const;

    // Scroll sizes, the option panel, the zoom scroll bar; posts the relayout message.
    virtual void OnInitialUpdate();
    // The window goes: destroys the panel, the scroll bar and the tab strips.
    void OnDestroy();

    // --- QNodeView and QSpectralViewInterface ---
    bool HasWindow() const override { return !m_bDestroyed; }
    MessageTarget& GetMessageTarget() override { return m_target; }
    void SetScanTitle(const std::string& title) override;
    // The report picture (600 x 390: the white header over the 600 x 300 plot copy) into the report
    // picture holder with its layout values; the system clipboard is left alone. The argument is the
    // report's and plays no part here.
    void CopyImageToClipboard(int32_t picture) override;
    void SetComparisonState(int32_t state) override;
    void SetOverlayState(int32_t state) override;

    // --- Public operations ---
    bool ShowSpectralSpatialScanData();
    bool ShowHandHeldProbeScanData();
    bool ShowUserCompositeScanData();
    // The frequency markers in force: a user composite node's own list, else the shown scan's;
    // null while nothing is shown.
    std::vector<_FrequencyMarkerPoint>* GetSelectedFrequencyList();
    void GetSelectedFrequencies(std::vector<_FrequencyMarkerPoint>& out);
    // Puts a list of markers in place of those in force (a pasted or linked scan's markers).
    void SetSelectedFrequencies(std::vector<_FrequencyMarkerPoint> markers);
    // Flips the selection of one marker; the linked spatial pane follows.
    void ToggleSelectedFrequency(int32_t index);
    // Sets, moves or clears the delta marker at a draw point.
    void SetDeltaMarker(int32_t drawIndex);
    // Adds a single-frequency marker at a draw point, or takes away the one there.
    void AddOrRemoveFrequencyMarker(int32_t drawIndex);
    // The draw points of the main trace under a bitmap x (client plus scroll): the lowest and the
    // highest of them, the first and the last; false when none.
    bool FindHoverPoint(int32_t x, int32_t y, int32_t& minIndex, int32_t& maxIndex, int32_t& firstIndex,
                        int32_t& lastIndex) const;
    // The box of a read-out text at (x, y) (client plus scroll): above and right of the cursor, or
    // left of it near the right edge of the plot. Client coordinates.
    QRect PlaceReadoutBox(const QFont& font, int32_t x, int32_t y, int32_t scrollX, int32_t scrollY,
                          const std::string& text) const;
    // The first draw point of the main trace nearest to a bitmap x; false left of the axis box or
    // without points.
    bool FindNearestPointByX(int32_t x, int32_t& index) const;

    // --- Zoom ---
    // A step of the zoom scroll bar; the position is the thumb's (0 to 100) for ThumbTrack.
    void OnZoomScroll(ScrollCode code, int32_t position);
    void ResetZoom();
    void PreviousZoom();
    // Puts the plot image back on the screen: the cross-hair, the read-out and the drag band go.
    void BlitPlot();
    void ActivateView();
    // The scan the view shows (the option panel edits its own settings); null when none.
    CScanData* GetShownScanData() const { return FindShownScanData(); }
    void SelectComponentScanData(int32_t mode);
    // What the scan shows changed: the points are converted again at the next render.
    void RequestReload() { m_bReload = 1; }

    // --- Context menu (menu 316) ---
    // What the menu is built from, read from the view, its node and the state controller.
    struct MenuState {
        uint16_t nodeKind = 0;
        bool hasData = false;
        int32_t workflowState = 0;
        bool deltaActive = false;
        bool singleMarker = true;
        bool zoomed = false;
        uint32_t pointCount = 0;
    };
    MenuState GetMenuState() const;
    // The popup for the state, items removed, greyed and checked, doubled separators gone.
    static std::unique_ptr<QMenu> BuildContextMenu(const MenuState& state);
    // How the menu is run; by default modally at the point, answering the chosen action (tests put
    // their own choice here).
    using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
    void SetMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }
    // Carries out a command of the menu.
    virtual void OnContextCommand(uint32_t command);
    // "Add User Composite Node": after the question, a user composite under the node selected in the
    // tree, the tree's project marked modified and the new node's options opened.
    static void AddUserCompositeNode(CViewTreeWidget* tree);

    // The menu of the views that compare two scans (comparison and overlay): what it is built from.
    struct PairMenuState {
        int32_t tab = 0;
        bool hasTest = false;
        bool hasReference = false;
        // The comparison or overlay result (the data the third tab shows).
        bool hasResult = false;
        bool zoomed = false;
        // The copy slot holds a scan of a Spectral node of this project.
        bool pasteAllowed = false;
    };
    // The popup for the state; null where no menu is shown (the third tab without both scans or
    // without a result).
    static std::unique_ptr<QMenu> BuildPairContextMenu(const PairMenuState& state);

    // --- Pictures ---
    // The client area above the bottom area, as shown, onto the system clipboard as an image; false
    // (the clipboard as it was) when nothing of the client is left above the bottom area.
    bool CopyWindowImage();

    // --- Drag and drop of scan data from the scan-data list ---
    // Whether the dragged data offers one of the project's clipboard formats (remembered).
    bool OnDragEnter(const QMimeData* data);
    // The drop effect at a client point: copy over the plot area while the list drags a spectral
    // node's scan onto a test or reference tab and the formats were offered; otherwise none.
    Qt::DropAction OnDragOver(const QPoint& client);
    // Drops the scan the list drags; false when the list drags none.
    bool OnDrop();
    // Makes the source's scan the test or reference scan of the tab shown (a comparison or overlay
    // node); the boxes of the checks ask first.
    void DropScanData(QNodeMediator* mediator, int32_t scanId);

    // --- The ten virtual slots ---
    virtual bool LoadTraceData(bool reset, bool& needsData);
    virtual void DrawTraces(QPainter& painter);
    virtual void DrawAxesAndMarkers(QPainter& painter);
    virtual bool DrawPeakCircles(QPainter& painter, CScanData* scan);
    virtual void ShowContextMenu(uint32_t flags, int32_t x, int32_t y);
    virtual void OnPlotButtonUp(uint32_t flags, int32_t x, int32_t y);
    virtual void DrawHeader(QPainter& painter);
    virtual void RenderPlot(QPainter& painter, bool forCopy);
    virtual void TrackHover(uint32_t flags, int32_t x, int32_t y);
    virtual void DrawReadout(int32_t x, int32_t y);

    // --- Drawing steps ---
    void PaintView(QPainter& painter);
    void ComputeVisibleRange();
    bool FindPointIndex(bool lower, int32_t& index, float frequency) const;
    static void BuildLogGrid(float minimum, float maximum, std::vector<_XAxisGrid>& out);
    void DrawAxisCaption(QPainter& painter, bool vertical, const std::string& text);
    void DrawEmptyHint(QPainter& painter);
    // The header's lines as DrawHeader writes them, top to bottom; empty without data. The
    // comparison and overlay views write their own for the tab that shows both scans.
    virtual std::vector<std::string> BuildHeaderLines();
    // The two captions as DrawAxesAndMarkers writes them (horizontal, vertical).
    std::string GetFrequencyCaption() const;
    std::string GetAmplitudeCaption() const;
    // Lays the children out, renders the plot and invalidates (the window-size handler).
    void OnSize();

    // --- State the tests and the variants read ---
    int32_t GetDisplayMode() const { return m_nDisplayMode; }
    bool IsReloadPending() const { return m_bReload != 0; }
    int32_t GetCompositeTab() const { return m_nCompositeTab; }
    int32_t GetComparisonTab() const { return m_nComparisonTab; }
    int32_t GetOverlayTab() const { return m_nOverlayTab; }
    const std::vector<TracePoint>& GetPoints() const { return m_pPoints; }
    const std::vector<TracePoint>& GetSecondPoints() const { return m_pSecondPoints; }
    // The amplitude bounds of the last load: both traces, the first trace, the second trace.
    void GetAmplitudeBounds(float (&bounds)[6]) const {
        bounds[0] = m_fAmpMin;
        bounds[1] = m_fAmpMax;
        bounds[2] = m_fAmpMinFull;
        bounds[3] = m_fAmpMaxFull;
        bounds[4] = m_fAmpMinUser;
        bounds[5] = m_fAmpMaxUser;
    }
    const CSpectralDrawPoint* GetTrace() const { return m_pTrace.get(); }
    int32_t GetFirstVisible() const { return m_nFirstVisible; }
    int32_t GetLastVisible() const { return m_nLastVisible; }
    int32_t GetVisibleCount() const { return m_nVisibleCount; }
    int32_t GetAmpAxisMin() const { return m_nAmpAxisMin; }
    int32_t GetAmpAxisMax() const { return m_nAmpAxisMax; }
    float GetAmpMin() const { return m_fAmpMin; }
    float GetAmpMax() const { return m_fAmpMax; }
    bool IsZoomed() const { return m_bZoomed != 0; }
    bool IsCorrectionApplied() const { return m_bCorrectionApplied != 0; }
    QRect GetAxisBox() const { return {m_nAxisLeft, m_nAxisTop, m_nAxisWidth, m_nAxisHeight}; }
    QSize GetLaidOutSize() const { return {m_nClientWidth, m_nClientHeight}; }
    const QImage& GetPlotImage() const { return m_bmpPlot; }
    const QImage& GetCopyImage() const { return m_copyImage; }
    CFormViewSpectral* GetFormView() const { return m_pFormView.get(); }
    // Renders made since the view was created (screen and copies).
    int32_t GetRenderCount() const { return m_nRenderCount; }
    CSpectralScrollBar& GetZoomScrollBar() { return m_scrollBar; }
    int32_t GetZoomFirst() const { return m_nZoomFirst; }
    int32_t GetZoomLast() const { return m_nZoomLast; }
    const std::vector<CScanPoint>& GetZoomHistory() const { return m_zoomHistory; }
    const Readout& GetReadout() const { return m_readout; }
    int32_t GetReadoutIndex() const { return m_nReadoutIndex; }
    // The drag band in client x, when one is shown.
    bool GetDragBand(int32_t& left, int32_t& right) const {
        left = m_nBandLeft;
        right = m_nBandRight;
        return m_bBandShown;
    }
    QRect GetPlotRect() const { return m_rcPlot; }
    const CSpectralDrawPoint* GetSecondTrace() const { return m_pSecondTrace.get(); }
    void SetClickSetsDelta(bool on) { m_bClickSetsDelta = on ? 1 : 0; }
    void SetSingleMarker(bool on) { m_bSingleMarker = on ? 1 : 0; }
    // Polylines through every point instead of the per-column reduction (a benchmark baseline).
    void SetFullPolylines(bool full) { m_bFullPolylines = full; }

protected:
    class ViewTarget : public MessageTarget {
    public:
        ViewTarget(MessageThread& thread, CSpectralView& view) : MessageTarget(thread), m_view(view) {}

    protected:
        int64_t HandleMessage(Message& message) override;

    private:
        CSpectralView& m_view;
    };

    int64_t OnMessage(const Message& message);
    void OnTabChange(TabStrip strip, int index);
    void PostRelayout();
    // The node's display options, the Preferences node's and the unit index they give.
    QSpectralDisplayOptions* NodeOptions() const;
    bool CorrectionPreference() const;
    int DisplayUnit() const;
    // Whether the view shows scan data (the menu with data, or the one without).
    virtual bool HasShownData() const { return FindShownScanData() != nullptr; }
    // The ID of the scan shown; -1 when none.
    int32_t ShownScanId() const;
    CViewTreeWidget* GetTreeWidget() const;
    // The project of the view's tree; null without one.
    TfrmMainApp* GetProject() const;
    int32_t WorkflowState() const;
    void OpenScanDataDescription();
    // The right-click menu of a comparison or overlay view, shown for the tab and carried out.
    void ShowPairContextMenu(int32_t tab, bool hasResult, int32_t x, int32_t y);
    // Whether the project's copy slot holds a scan of a Spectral node still in the project; the node
    // is looked at only once the project has confirmed it.
    bool CanPasteCopiedScan() const;
    // Model exceptions in a handler are logged; after a user action also shown.
    void ReportFailure(const char* where, const std::exception& failure, bool userAction);
    void ForgetScanPointers();
    void BringFrameToTop();
    bool CopyPointsOf(CSpectralScanData& scan, bool comparisonResult, bool correction, int unit);
    // The scan the view shows: the one picked for the current event, else the one the display mode
    // and tab pick from the mediator; null when none.
    virtual CScanData* FindShownScanData() const;
    void UpdatePlotRect();
    // RenderPlot into the plot image (the memory bitmap).
    void RenderIntoPlotImage();
    void UpdateLinkedSpatialPane();
    void StoreZoomWindow(CScanData* data) const;
    void SetScrollPosition(int64_t first, int64_t divisor);
    const std::vector<QPoint>& DrawPositions(const CSpectralDrawPoint& set) const;
    // The parts of DrawAxesAndMarkers that mark the plot.
    void DrawDeltaMarker(QPainter& painter);
    void DrawFrequencyMarkers(QPainter& painter);
    std::string ReadoutText(const CSpectralDrawPoint& set, int32_t k) const;
    // "%-6.2f" with the unit drawn.
    const char* AmplitudeFormat() const;
    // A box of the delta marker's kind at the top of the plot: a label, and an amplitude and a
    // frequency below each other; at least `width` wide, wider when the texts need it. Answers the
    // width drawn.
    int32_t DrawValueBox(QPainter& painter, int32_t left, int32_t width, int32_t valueOffset,
                         const std::string& label, const std::string& amplitude,
                         const std::string& frequency);
    void PaintReadout(QPainter& painter);
    void RequestOverlayRepaint();
    // The input handlers behind the window events.
    void OnButtonDown(int32_t x, int32_t y);
    void OnMouseLeave();
    void OnKeyDown(int key);
    void StepZoomWithKey(bool right);

    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // Members in the roles the variants rely on.
    std::unique_ptr<CFormViewSpectral> m_pFormView;
    uint8_t m_bClickSetsDelta = 1;
    uint8_t m_bSingleMarker = 1;
    int32_t m_nDeltaBoxOffset = 0;
    // The width of the delta marker's box as last drawn (150 unless its texts need more).
    int32_t m_nDeltaBoxWidth = 150;
    uint16_t m_nNodeKind = 0;
    QNodeMediator* m_pMediator = nullptr;
    void* m_pFrameObject = nullptr;
    CViewTree* m_pProjectTree = nullptr;
    QScanDataList* m_pScanDataList = nullptr;
    uint8_t m_bReady = 0;
    uint8_t m_bReadoutPending = 0;
    QPoint m_ptLastReadout;
    QPoint m_ptHover;
    // Valid only within one event: set by LoadTraceData, cleared when the event ends.
    CScanData* m_pScanData = nullptr;
    CSpectralScanData* m_pSpectralData = nullptr;
    CSpectralSpatialScanData* m_pSSData = nullptr;
    CHandHeldProbeScanData* m_pHandHeldData = nullptr;
    CScanData* m_pSecondData = nullptr;
    QViewFrame* m_pFrame = nullptr;
    std::unique_ptr<CMyEdit> m_edit;
    CSpectralViewBar m_wndBar;
    std::unique_ptr<CTabCtrlEx> m_tabOverlay;
    int32_t m_nOverlayTab = 0;
    int32_t m_nOverlayTabShown = 0;
    std::unique_ptr<CTabCtrlEx> m_tabComparison;
    int32_t m_nComparisonTab = 0;
    int32_t m_nComparisonTabShown = 0;
    std::unique_ptr<CTabCtrlEx> m_tabComposite;
    int32_t m_nCompositeTab = 0;
    std::vector<CScanPoint> m_zoomHistory;
    uint32_t m_crBackground = kBackgroundColour;
    uint32_t m_crScrollBar = 0x2580F5;
    uint32_t m_crWhite = 0xFFFFFF;
    int32_t m_nBitmapWidth = 0;
    int32_t m_nBitmapHeight = 0;
    int32_t m_nLastBitmapHeight = 0;
    int32_t m_nMarginLeft = 65;
    int32_t m_nMarginRight = 35;
    int32_t m_nMarginTop = 37;
    int32_t m_nMarginBottom = 40;
    QImage m_bmpPlot;
    int32_t m_nMinWidth = kMinWidth;
    int32_t m_nMinHeight = kMinHeight;
    uint8_t m_bMouseInPlot = 0;
    uint8_t m_bDragArmed = 0;
    uint8_t m_bDragMoved = 0;
    QPoint m_ptDragStart;
    QPoint m_ptDragEnd;
    int32_t m_nClientWidth = 0;
    int32_t m_nClientHeight = 0;
    int32_t m_nPrevClientWidth = 100000;
    int32_t m_nPrevClientHeight = 100000;
    QRect m_rcHeader;
    QRect m_rcPlot;
    int32_t m_nHeaderHeight = 90;
    int32_t m_nBottomArea = 45;
    int32_t m_nPanelHeight = 45;
    int32_t m_nScrollBarHeight = 18;
    int32_t m_nTabHeight = 22;
    int32_t m_nAxisLeft = 0;
    int32_t m_nAxisTop = 0;
    int32_t m_nAxisWidth = 0;
    int32_t m_nAxisHeight = 0;
    uint8_t m_bFreqAuto = 1;
    uint8_t m_bAmpAuto = 1;
    int32_t m_nVisibleCount = 0;
    uint8_t m_nBothTracesShown = 0;
    int32_t m_nDisplayMode = kModeNone;
    uint8_t m_bZoomed = 0;
    int32_t m_nZoomFirst = 0;
    int32_t m_nZoomLast = 0;
    int32_t m_nZoomStep = 4;
    uint8_t m_bShiftDown = 0;
    uint8_t m_bCtrlDown = 0;
    int32_t m_nLimitFirst = -1000000;
    int32_t m_nLimitLast = 1000000;
    int32_t m_nFirstVisible = -1;
    int32_t m_nLastVisible = -1;
    int32_t m_nHoverIndex = -1;
    std::unique_ptr<CSpectralDrawPoint> m_pTrace;
    std::unique_ptr<CSpectralDrawPoint> m_pSecondTrace;
    std::vector<TracePoint> m_pPoints;
    std::vector<TracePoint> m_pSecondPoints;
    uint8_t m_bCopyRender = 0;
    int32_t m_nCopyWidth = kCopyWidth;
    int32_t m_nCopyHeight = kCopyHeight;
    CSpectralScrollBar m_scrollBar;
    int32_t m_nReadoutIndex = 0;
    int32_t m_nAmpAxisMin = 0;
    int32_t m_nAmpAxisMax = 0;
    float m_fAmpMin = 0.0F;
    float m_fAmpMax = 0.0F;
    float m_fAmpMinFull = 0.0F;
    float m_fAmpMaxFull = 0.0F;
    float m_fAmpMinUser = 0.0F;
    float m_fAmpMaxUser = 0.0F;
    uint8_t m_bReload = 0;
    uint32_t m_bBorder = 0;
    uint8_t m_bLeaveTracked = 0;
    uint8_t m_bCorrectionApplied = 0;

    Readout m_readout;
    bool m_bBandShown = false;
    int32_t m_nBandLeft = 0;
    int32_t m_nBandRight = 0;
    // Set while the viewport paints: what the paint draws needs no further repaint.
    bool m_bPainting = false;
    // Whether the frequency axis of the last render was logarithmic, and its grid.
    bool m_bLogAxis = false;
    std::vector<_XAxisGrid> m_logGrid;
    // The render surface size of the current render (the bitmap or the copy).
    int32_t m_nRenderWidth = 0;
    int32_t m_nRenderHeight = 0;
    QImage m_copyImage;
    bool m_bFullPolylines = false;
    int32_t m_nRenderCount = 0;
    bool m_bDestroyed = false;
    MenuRunner m_menuRunner;
    // Whether the data of the drag in progress offered one of the project's formats.
    bool m_bDragFormatOffered = false;
    ViewTarget m_target;
};

} // namespace orv
