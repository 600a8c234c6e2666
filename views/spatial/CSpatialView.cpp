#include "views/spatial/CSpatialView.h"

#include "app/QtConversions.h"
#include "core/QOverlayOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/debug/DebugOutput.h"
#include "platform/ui/Prompt.h"
#include "project/COverlayControl.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QOverlayControlList.h"
#include "project/QScanDataList.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialDataAtom.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "views/spectral/CSpectralView.h"

#include <QEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <exception>

namespace orv {

std::atomic<int32_t> CSpatialView::s_liveWorkers{0};

namespace {

// The scan shown last by any spatial view: one value, read and written on the user-interface thread.
int32_t g_lastSpatialScanId = -1;

constexpr std::chrono::milliseconds kWorkerWait{100};

} // namespace

int64_t CSpatialView::ViewTarget::HandleMessage(Message& message) {
    return m_view.OnMessage(message);
}

CSpatialView::CSpatialView(MessageThread& thread, QWidget* parent)
    : QWidget(parent), m_colourBar(this), m_frequencyList(this), m_target(thread, *this) {
    for (CSpatialCell& cell : m_cells) {
        cell = CSpatialCell{};
    }
    m_colourBar.hide();
    m_frequencyList.hide();
    QPalette background = palette();
    background.setColor(QPalette::Window, ColorRefToQColor(m_crBackground));
    setPalette(background);
    setAutoFillBackground(false);
    // The read-out follows the pointer without a button held; the arrow keys need the keyboard.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    ReadBytesPerPixel();
    m_requestTimer.setInterval(50);
    m_trackingTimer.setInterval(200);
    QObject::connect(&m_requestTimer, &QTimer::timeout, this, [this] { OnRequestTimer(); });
    QObject::connect(&m_trackingTimer, &QTimer::timeout, this, [this] { OnTrackingTimer(); });
    // The keep-alive worker: it only waits on the request event; stopping it wakes it at once.
    m_worker = std::jthread([this](const std::stop_token& stop) {
        s_liveWorkers.fetch_add(1);
        while (m_bRunning.load() && !stop.stop_requested()) {
            m_workerEvent.Wait(kWorkerWait, stop);
        }
        s_liveWorkers.fetch_sub(1);
    });
}

CSpatialView::~CSpatialView() {
    CloseOverlayEditor();
    m_bRunning = false;
    m_worker.request_stop();
    if (m_worker.joinable()) {
        m_worker.join();
    }
    OnDestroy();
}

// --- Wiring ---

void CSpatialView::AttachNode(QNodeMediator* mediator) {
    m_pMediator = mediator;
    if (m_p3DView != nullptr) {
        m_p3DView->SetMediator(mediator);
    }
    if (mediator != nullptr) {
        if (QOverlayOptions* overlay = mediator->GetOverlayOptions()) {
            overlay->m_pictureInt = 50;
        }
    }
}

CTabCtrlEx& CSpatialView::CreateTabStrip(TabStrip strip) {
    std::unique_ptr<CTabCtrlEx>& slot = strip == TabStrip::BlindSpot    ? m_tabBlindSpot
                                        : strip == TabStrip::Comparison ? m_tabComparison
                                                                        : m_tabSpectralSpatial;
    // The strip stands below the header's lines: the header grows by its height once.
    if (m_tabBlindSpot == nullptr && m_tabComparison == nullptr && m_tabSpectralSpatial == nullptr) {
        m_nTopMargin += m_nTabHeight;
    }
    slot = std::make_unique<CTabCtrlEx>(this);
    slot->setObjectName(QString::number(kTabControlId));
    QObject::connect(slot.get(), &QTabBar::currentChanged, slot.get(),
                     [this, strip](int index) { OnTabChange(strip, index); });
    slot->show();
    return *slot;
}

CTabCtrlEx* CSpatialView::GetTabStrip(TabStrip strip) const {
    switch (strip) {
    case TabStrip::BlindSpot:
        return m_tabBlindSpot.get();
    case TabStrip::Comparison:
        return m_tabComparison.get();
    default:
        return m_tabSpectralSpatial.get();
    }
}

void CSpatialView::CreateFrequencyList() {
    m_frequencyList.SetOwner(this, m_pFrame);
    m_frequencyList.setGeometry(10, 10, 30, 30);
    m_bFrequencyListCreated = true;
}

void CSpatialView::OnInitialUpdate() {
    if (const CFormViewSpatial::Maker& maker = CFormViewSpatial::GetMaker()) {
        try {
            m_pFormView = maker(*this, this);
        } catch (const std::exception& failure) {
            OutputDebugString(FormatC("CSpatialView: option panel: %s\n", failure.what()));
            m_pFormView.reset();
        }
        if (m_pFormView == nullptr || m_pFormView->GetWidget() == nullptr) {
            m_pFormView.reset();
            ShowPrompt("Failed in creating CMyFormView", "", PromptButtons::Ok, PromptIcon::None);
        } else {
            m_pFormView->GetWidget()->setGeometry(0, 0, 200, 150);
            m_pFormView->GetWidget()->show();
            m_pFormView->OnInitialUpdate();
        }
    }
    m_colourBar.SetOwner(this);
    m_colourBar.SetRange(0, 100);
    m_colourBar.SetPosition(100);
    m_colourBar.SetPageStep(25);
    m_colourBar.SetLineStep(1);
    m_colourBar.SetThumbStyle(4);
    m_colourBar.SetThumbSize(1, 20);
    m_colourBar.SetDisabledColour(0x007F00);
    m_colourBar.Create(QRect(0, 0, 0, 0), this);
    m_colourBar.Redraw();
    m_p3DView = std::make_unique<C3DSpatialView>(m_target.GetThread(), this);
    m_p3DView->SetOwner(this);
    m_p3DView->SetMediator(m_pMediator);
    m_p3DView->setGeometry(0, 0, 0, 0);
    m_p3DView->hide();
    m_bInitialised = 1;
    PostRelayout();
    m_requestTimer.start();
    m_trackingTimer.start();
}

void CSpatialView::OnDestroy() {
    if (m_bDestroyed) {
        return;
    }
    m_bDestroyed = true;
    m_requestTimer.stop();
    m_trackingTimer.stop();
    m_pFormView.reset();
    m_colourBar.hide();
    m_tabSpectralSpatial.reset();
    m_frequencyList.hide();
    m_p3DView.reset();
    m_tabBlindSpot.reset();
    m_tabComparison.reset();
}

void CSpatialView::ReadBytesPerPixel() {
    const QScreen* shown = screen();
    m_nBytesPerPixel = BytesPerPixelForDepth(shown != nullptr ? shown->depth() : 32);
}

int32_t CSpatialView::BytesPerPixelForDepth(int32_t depth) {
    // The view's own images are always 32-bit; this is what the screen shows them with.
    return depth >= 24 ? 4 : std::max(depth, 0) / 8;
}

void CSpatialView::OnDisplayChange() {
    ReadBytesPerPixel();
    m_bRebuild = 1;
    RepaintAndUpdate();
}

bool CSpatialView::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal) {
        OnDisplayChange();
    }
    return QWidget::event(event);
}

// --- Layout ---

void CSpatialView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OnSize();
}

void CSpatialView::PostRelayout() {
    m_target.Post(kRelayoutMessage);
}

void CSpatialView::OnSize() {
    if (width() < m_nRightMargin) {
        return;
    }
    const int w = width();
    const int h = height();
    m_nClientWidth = w;
    m_nClientHeight = h;
    m_nListWidth = m_bListAllowed != 0 ? ListWidth() : 0;
    m_nRightMargin = kRightMargin;
    if (m_bInitialised != 0) {
        if (m_pFormView != nullptr && m_pFormView->GetWidget() != nullptr) {
            m_pFormView->GetWidget()->setGeometry(1, h - m_nBottomMargin, w, m_nBottomMargin);
            m_pFormView->GetWidget()->show();
        }
        m_colourBar.setGeometry(w - 36, m_nTopMargin, 33, h - m_nBottomMargin - m_nTopMargin);
        m_colourBar.show();
        for (CTabCtrlEx* tabs : {m_tabBlindSpot.get(), m_tabComparison.get(), m_tabSpectralSpatial.get()}) {
            if (tabs != nullptr) {
                tabs->setGeometry(1, m_nTopMargin - m_nTabHeight, w - m_nRightMargin, m_nTabHeight);
                tabs->show();
            }
        }
        if (m_bFrequencyListCreated) {
            m_frequencyList.setGeometry(w - m_nRightMargin - ListWidth(), m_nTopMargin, ListWidth(),
                                        h - m_nBottomMargin - m_nTopMargin - 1);
            m_frequencyList.setVisible(m_bListShown != 0 && m_bListAllowed != 0 && m_bListExpanded != 0 &&
                                       m_b3DShown == 0);
        }
    }
    const int mapWidth = w - m_nRightMargin;
    const int mapHeight = h - m_nBottomMargin - m_nTopMargin;
    if (w != m_nPrevClientWidth || h != m_nPrevClientHeight || mapWidth != m_nPrevMapWidth ||
        mapHeight != m_nPrevMapHeight) {
        m_bSizeChanged = 1;
        m_nPrevClientWidth = w;
        m_nPrevClientHeight = h;
        m_nPrevMapWidth = mapWidth;
        m_nPrevMapHeight = mapHeight;
    }
    m_nMapWidth = mapWidth;
    m_nMapHeight = mapHeight;
    if (m_b3DShown != 0 && m_p3DView != nullptr) {
        m_p3DView->setGeometry(0, m_nTopMargin, mapWidth, mapHeight);
        m_p3DView->show();
    }
}

void CSpatialView::InvalidateWholeView() {
    m_lastInvalidation = Invalidation::WholeView;
    update();
}

void CSpatialView::InvalidateMapRect() {
    m_lastInvalidation = Invalidation::MapRect;
    update(m_rcMap);
}

void CSpatialView::RepaintAndUpdate() {
    InvalidateWholeView();
    repaint();
}

// --- Public operations ---

void CSpatialView::SetFrameTitle(const std::string& text) {
    m_frameTitle = text;
    switch (m_nNodeKind) {
    case kTypeSpatialScanNode:
    case kTypeSpectralSpatialScanNode:
    case kTypeSpatialComparisonNode:
    case kTypeBlindSpotReductionNode:
        if (m_pFrame != nullptr) {
            m_pFrame->SetTitle(text);
        }
        break;
    default:
        break;
    }
}

void CSpatialView::SetComparisonState(int32_t state) {
    m_nComparisonPane = state;
    if (m_tabComparison != nullptr && state >= 0 && state < m_tabComparison->count()) {
        const QSignalBlocker quiet(m_tabComparison.get());
        m_tabComparison->setCurrentIndex(state);
    }
}

void CSpatialView::SetBlindSpotState(int32_t state) {
    m_nBlindSpotPane = state;
    if (m_tabBlindSpot != nullptr && state >= 0 && state < m_tabBlindSpot->count()) {
        const QSignalBlocker quiet(m_tabBlindSpot.get());
        m_tabBlindSpot->setCurrentIndex(state);
    }
}

bool CSpatialView::HasOverlayPicture() {
    CScanData* scan = m_pScanData;
    if (scan == nullptr && m_pMediator != nullptr) {
        bool hint = false;
        scan = PickScanData(hint);
    }
    if (scan == nullptr || m_pOverlayControls == nullptr) {
        return false;
    }
    const uint32_t id = scan->GetScanArea().m_OverlayId;
    const auto& controls = m_pOverlayControls->GetControls();
    return std::any_of(controls.begin(), controls.end(),
                       [id](const std::unique_ptr<COverlayControl>& control) {
                           return control != nullptr && control->GetOverlayId() == id;
                       });
}

void CSpatialView::ForgetScanPointers() {
    m_pScanData = nullptr;
    m_pSpatialData = nullptr;
    m_pSSData = nullptr;
    m_pHandHeldData = nullptr;
}

void CSpatialView::SelectScanData(int32_t kind) {
    if (m_pMediator == nullptr) {
        return;
    }
    CSpectralSpatialScanData* data = nullptr;
    if (kind == kModeSpectralSpatial) {
        data = m_pMediator->GetCurrentSpectralSpatialScanData();
        m_pSSData = data;
    } else if (kind == kModeHandHeld) {
        m_pHandHeldData = m_pMediator->GetCurrentHandHeldScanData();
        data = m_pHandHeldData;
    } else {
        m_pScanData = nullptr;
        return;
    }
    m_pScanData = data;
    // The per-component peak cache is the view's own: it starts again with the new data. The
    // model's derived objects stay (nothing rebuilds them yet).
    m_unitPeaks.clear();
}

std::vector<CScanPoint>* CSpatialView::SelectedCellList() {
    if (m_pMediator != nullptr && m_nNodeKind == kTypeSpectralSpatialUserCompositeNode) {
        return &m_pMediator->GetSelectedCells();
    }
    CScanData* scan = m_pScanData;
    if (scan == nullptr && m_pMediator != nullptr) {
        bool hint = false;
        scan = PickScanData(hint);
    }
    return scan != nullptr ? &scan->m_Points : nullptr;
}

std::vector<CScanPoint>* CSpatialView::GetSelectedCellList() {
    return SelectedCellList();
}

void CSpatialView::GetSelectedCells(std::vector<CScanPoint>& out) {
    const std::vector<CScanPoint>* list = SelectedCellList();
    if (list == nullptr) {
        return;
    }
    out = *list;
}

void CSpatialView::ToggleSelectedCell(int32_t row, int32_t column) {
    std::vector<CScanPoint>* list = SelectedCellList();
    if (list == nullptr) {
        return;
    }
    const CScanPoint cell{row, column};
    auto found = std::find(list->begin(), list->end(), cell);
    if (found != list->end()) {
        list->erase(found);
        return;
    }
    if (m_bSingleCellSelect != 0) {
        list->clear();
    }
    list->push_back(cell);
}

void CSpatialView::Show3DView(bool on) {
    m_b3DShown = on ? 1 : 0;
    if (on) {
        if (m_p3DView != nullptr) {
            m_p3DView->setGeometry(0, m_nTopMargin, m_nMapWidth, m_nMapHeight);
            m_p3DView->show();
            m_p3DView->GetMessageTarget().Send(C3DSpatialView::kStartTimerMessage);
        }
        m_frequencyList.hide();
        return;
    }
    if (m_p3DView != nullptr) {
        m_p3DView->hide();
    }
    m_bSizeChanged = 1;
    InvalidateWholeView();
    if (m_bFrequencyListCreated && m_bListShown != 0 && m_bListAllowed != 0 && m_bListExpanded != 0) {
        m_frequencyList.show();
    }
}

void CSpatialView::SetOverlayTransparency(int32_t position, bool fromBar) {
    if (!fromBar) {
        // Bar and map agree whoever moved the cut-off.
        m_colourBar.SetPosition(position);
        m_colourBar.Invalidate();
    }
    const int32_t cutOff = 100 - position;
    if (cutOff == m_nCutOff) {
        return;
    }
    m_nCutOff = cutOff;
    uint32_t message = 0;
    switch (m_nDisplayMode) {
    case kModeSpatial:
        message = NodeMessage::kShowSpatialScan;
        break;
    case kModeSpectralSpatial:
        message = NodeMessage::kShowSpectralSpatialScan;
        break;
    case kModeHandHeld:
        message = NodeMessage::kShowHandHeldScan;
        break;
    case kModeLinkedSpectralSpatial:
        message = NodeMessage::kShowLinkedSpectralSpatial;
        break;
    case kModeComparison:
        message = NodeMessage::kRefreshSpatialComparison;
        break;
    case kModeBlindSpot:
        message = NodeMessage::kRefreshBlindSpotReduction;
        break;
    default:
        return;
    }
    m_target.Post(message, 0, 1);
}

void CSpatialView::QueueRedraw(int32_t kind) {
    {
        const CriticalSectionGuard guard(m_requestLock);
        m_requests.push_back(kind);
    }
    m_workerEvent.Set();
}

size_t CSpatialView::GetQueuedRedrawCount() {
    const CriticalSectionGuard guard(m_requestLock);
    return m_requests.size();
}

void CSpatialView::OnRequestTimer() {
    int32_t kind = -1;
    {
        const CriticalSectionGuard guard(m_requestLock);
        if (m_requests.empty()) {
            return;
        }
        kind = m_requests.back();
        m_requests.clear();
    }
    RedrawView(nullptr, kind);
    if (kind == kRedrawPaint && m_nDisplayMode == kModeSpectralSpatial) {
        // What the tick drew for a paint goes on the screen by one more paint.
        m_bShowingTickDrawing = true;
        repaint();
        m_bShowingTickDrawing = false;
    }
}

void CSpatialView::OnTrackingTimer() {
    if (m_bCameraTracking != 0) {
        DrawMapLocked(nullptr, 1);
    }
    m_bCameraTracking = m_pMediator != nullptr && m_pMediator->HasProbeVideoTrack() ? 1 : 0;
}

void CSpatialView::DrawMapLocked(QImage* target, int32_t compose) {
    const CriticalSectionGuard guard(m_drawingLock);
    DrawMap(target, compose);
}

void CSpatialView::UpdateSelectedFrequencies() {
    if (m_bListShown == 0) {
        return;
    }
    QSpectralViewInterface* spectral = m_pFrame != nullptr ? m_pFrame->GetSpectralView() : nullptr;
    if (auto* view = dynamic_cast<CSpectralView*>(spectral)) {
        std::vector<_FrequencyMarkerPoint> frequencies;
        view->GetSelectedFrequencies(frequencies);
        CScanData* scan = nullptr;
        if (m_pMediator != nullptr) {
            scan = m_nDisplayMode == kModeHandHeld ? m_pMediator->GetCurrentHandHeldScanData()
                                                   : m_pMediator->GetCurrentSpectralSpatialScanData();
        }
        m_frequencyList.Fill(frequencies, scan);
    }
    m_bRebuild = 1;
    InvalidateMapRect();
}

void CSpatialView::RelayoutAndRedraw() {
    QSpectralViewInterface* spectral = m_pFrame != nullptr ? m_pFrame->GetSpectralView() : nullptr;
    if (auto* view = dynamic_cast<CSpectralView*>(spectral)) {
        view->RequestReload();
        view->GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
    }
    RedrawView(nullptr, kRedrawSelection);
}

void CSpatialView::LoadLinkedSpectralSpatialScanData() {
    SelectScanData(kModeSpectralSpatial);
    m_bRebuild = 1;
}

void CSpatialView::BringFrameToTop() {
    if (m_pFrame != nullptr && m_pFrame->HasWindow()) {
        m_pFrame->BringToTop();
    }
}

// --- Messages ---

size_t CSpatialView::NodeScanCount() const {
    return m_pMediator != nullptr ? m_pMediator->GetScanDataCount() : 0;
}

bool CSpatialView::BothComparedScansSet() const {
    return m_pMediator != nullptr && m_pMediator->GetComparedScan(true) != nullptr &&
           m_pMediator->GetComparedScan(false) != nullptr;
}

void CSpatialView::ClearReposition() {
    m_bRepositionOverlay = 0;
    if (m_pFormView != nullptr && m_pFormView->IsRepositionOverlayChecked()) {
        m_pFormView->ClickRepositionOverlay();
    }
}

void CSpatialView::NoteScanId(int32_t scanId) {
    if (scanId != g_lastSpatialScanId) {
        g_lastSpatialScanId = scanId;
        m_bScanChanged = 1;
    }
}

int64_t CSpatialView::OnMessage(const Message& message) {
    struct Forget {
        CSpatialView& view;
        ~Forget() { view.ForgetScanPointers(); }
    } forget{*this};
    const bool redrawOnly = message.wParam == 0 && message.lParam == 1;
    try {
        switch (message.id) {
        case kRelayoutMessage:
            OnSize();
            break;
        case kDisplayChangeMessage:
            OnDisplayChange();
            break;
        case NodeMessage::kShowSpatialScan:
            m_nDisplayMode = kModeSpatial;
            if (message.lParam == 1) {
                QueueRedraw(kRedrawMap);
                break;
            }
            // Only a list that still shows this node's scans follows the view.
            if (m_pMediator != nullptr && m_pMediator->IsScanListOwner() && m_pMediator->IsScanListFilled()) {
                m_pMediator->SelectScanInList(m_pMediator->GetDisplayedSpatialScanID());
            }
            m_bRebuild = 1;
            ClearReposition();
            if (m_pMediator != nullptr) {
                NoteScanId(m_pMediator->GetDisplayedSpatialScanID());
            }
            m_bNewData = 1;
            if (NodeScanCount() < 2) {
                RepaintAndUpdate();
            } else {
                InvalidateMapRect();
            }
            break;
        case NodeMessage::kShowSpectralSpatialScan:
        case NodeMessage::kShowHandHeldScan: {
            const bool handHeld = message.id == NodeMessage::kShowHandHeldScan;
            m_nDisplayMode = handHeld ? kModeHandHeld : kModeSpectralSpatial;
            // Only the cut-off's own post redraws without reading the data again; the mediator's
            // posts carry the scan ID and always reselect, a live scan's included.
            if (redrawOnly) {
                if (handHeld) {
                    RedrawView(nullptr, kRedrawMap);
                } else {
                    QueueRedraw(kRedrawMap);
                }
                break;
            }
            m_bRebuild = 1;
            m_bScanChanged = 1;
            m_frequencyList.DeleteAllItems();
            PostRelayout();
            m_bListShown = 0;
            if (m_tabSpectralSpatial != nullptr) {
                const QSignalBlocker quiet(m_tabSpectralSpatial.get());
                m_tabSpectralSpatial->setCurrentIndex(0);
            }
            SelectScanData(m_nDisplayMode);
            m_bNewData = 1;
            if (handHeld || NodeScanCount() < 2) {
                RepaintAndUpdate();
            } else {
                InvalidateMapRect();
            }
            break;
        }
        case NodeMessage::kRefreshSpatial:
            if (m_nNodeKind == kTypeSpatialComparisonNode && message.lParam == 1) {
                m_nDisplayMode = kModeComparison;
            } else if (m_nNodeKind == kTypeBlindSpotReductionNode && message.lParam == 2) {
                m_nDisplayMode = kModeBlindSpot;
            } else if (m_nNodeKind == kTypeSpectralSpatialScanNode ||
                       m_nNodeKind == kTypeHandHeldProbeScanNode ||
                       m_nNodeKind == kTypeSpectralSpatialUserCompositeNode) {
                // The mediator's refresh of every view: the view keeps what it shows.
            } else {
                m_nDisplayMode = kModeSpatial;
            }
            m_bRebuild = 1;
            m_bScanChanged = 1;
            RepaintAndUpdate();
            if (m_pFormView != nullptr) {
                m_pFormView->RefreshCurrentOptionTab();
            }
            break;
        case NodeMessage::kRefreshSpectralSpatial:
        case NodeMessage::kRefreshHandHeld:
            m_nDisplayMode =
                message.id == NodeMessage::kRefreshSpectralSpatial ? kModeSpectralSpatial : kModeHandHeld;
            m_bRebuild = 1;
            m_bScanChanged = 1;
            InvalidateWholeView();
            if (m_pFormView != nullptr) {
                m_pFormView->RefreshCurrentOptionTab();
            }
            break;
        case kSpatialRepaintMessage:
            if (message.lParam == 2) {
                if (m_nNodeKind == kTypeSpatialScanNode) {
                    m_nDisplayMode = kModeSpatial;
                } else if (m_nNodeKind == kTypeSpectralSpatialScanNode) {
                    m_nDisplayMode = kModeSpectralSpatial;
                } else if (m_nNodeKind == kTypeHandHeldProbeScanNode) {
                    m_nDisplayMode = kModeHandHeld;
                }
                m_bRebuild = 1;
                m_bScanChanged = 1;
                m_bNewData = 1;
                RepaintAndUpdate();
            } else {
                RedrawView(nullptr, kRedrawMap);
            }
            break;
        case NodeMessage::kRefreshSpatialComparison:
        case NodeMessage::kRefreshBlindSpotReduction:
            m_nDisplayMode =
                message.id == NodeMessage::kRefreshSpatialComparison ? kModeComparison : kModeBlindSpot;
            if (message.lParam == 1) {
                RedrawView(nullptr, kRedrawMap);
                break;
            }
            m_bRebuild = 1;
            m_bScanChanged = 1;
            if (BothComparedScansSet()) {
                InvalidateMapRect();
            } else {
                InvalidateWholeView();
            }
            repaint();
            break;
        case NodeMessage::kShowLinkedSpectralSpatial:
            m_nDisplayMode = kModeLinkedSpectralSpatial;
            if (message.lParam == 1) {
                QueueRedraw(kRedrawMap);
                break;
            }
            m_bRebuild = 1;
            m_bScanChanged = 1;
            m_frequencyList.DeleteAllItems();
            PostRelayout();
            m_bListShown = 1;
            if (m_tabSpectralSpatial != nullptr && m_tabSpectralSpatial->count() > 1) {
                const QSignalBlocker quiet(m_tabSpectralSpatial.get());
                m_tabSpectralSpatial->setCurrentIndex(1);
            }
            m_bNewData = 1;
            if (NodeScanCount() < 2) {
                InvalidateWholeView();
            } else {
                InvalidateMapRect();
            }
            // Levels or frequencies edited on the node's panel apply to the linked spectrum too:
            // the frame's spectral view rebuilds its points.
            if (m_pMediator != nullptr && m_pMediator->IsRangeChanged() && m_pFrame != nullptr) {
                if (auto* spectral = dynamic_cast<CSpectralView*>(m_pFrame->GetSpectralView())) {
                    spectral->RequestReload();
                }
            }
            UpdateSelectedFrequencies();
            break;
        default:
            break;
        }
    } catch (const std::exception& failure) {
        OutputDebugString(FormatC("CSpatialView: message %u: %s\n", message.id, failure.what()));
    }
    return 0;
}

void CSpatialView::OnTabChange(TabStrip strip, int index) {
    switch (m_nNodeKind) {
    case kTypeSpectralSpatialScanNode:
    case kTypeSpectralSpatialUserCompositeNode:
        if (strip == TabStrip::SpectralSpatial) {
            m_bListShown = index == 1 ? 1 : 0;
            m_bRebuild = 1;
            if (m_bListShown == 0) {
                InvalidateMapRect();
            } else {
                UpdateSelectedFrequencies();
            }
            PostRelayout();
        }
        break;
    case kTypeSpatialComparisonNode:
        if (strip == TabStrip::Comparison) {
            m_nComparisonPane = index;
            m_fOverlayCellSize = -1.0F;
            m_target.Post(NodeMessage::kRefreshSpatialComparison);
        }
        break;
    case kTypeBlindSpotReductionNode:
        if (strip == TabStrip::BlindSpot) {
            m_nBlindSpotPane = index;
            m_fOverlayCellSize = -1.0F;
            m_target.Post(NodeMessage::kRefreshBlindSpotReduction);
        }
        break;
    default:
        break;
    }
    BringFrameToTop();
}

// --- Painting ---

void CSpatialView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (m_pMediator != nullptr) {
        struct Forget {
            CSpatialView& view;
            ~Forget() { view.ForgetScanPointers(); }
        } forget{*this};
        try {
            if (m_nDisplayMode == kModeSpectralSpatial) {
                // A spectral/spatial map is drawn by the next tick, never inside the paint; the
                // repaint that puts the tick's drawing on the screen asks for none.
                if (!m_bShowingTickDrawing) {
                    QueueRedraw(kRedrawPaint);
                }
            } else {
                RedrawView(nullptr, kRedrawPaint);
            }
        } catch (const std::exception& failure) {
            OutputDebugString(FormatC("CSpatialView: paint: %s\n", failure.what()));
        }
    }
    if (m_viewImage.isNull()) {
        painter.fillRect(rect(), ColorRefToQColor(m_crBackground));
    } else {
        painter.drawImage(0, 0, m_viewImage);
    }
    // Over the kept map: the cell read-out and the zoom band, until a refresh takes them away.
    if (m_readout.shown) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(m_readout.fontPixels);
        painter.setFont(font);
        painter.fillRect(m_readout.rect, ColorRefToQColor(kReadoutBackground));
        painter.setPen(Qt::black);
        painter.drawText(m_readout.rect, Qt::AlignCenter | Qt::TextSingleLine,
                         CodePageToQString(m_readout.text));
    }
    if (!m_rcBand.isEmpty()) {
        painter.fillRect(m_rcBand, QColor::fromRgba(kRubberBandArgb));
    }
    if (m_bBorder != 0) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, width() - 1, height() - 1);
    }
}

} // namespace orv
