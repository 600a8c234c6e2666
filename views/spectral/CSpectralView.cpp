#include "views/spectral/CSpectralView.h"

#include "app/QtConversions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "platform/debug/DebugOutput.h"
#include "platform/ui/Prompt.h"
#include "project/CViewTree.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataList.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "views/spectral/QLinkedSpatialPane.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <exception>

namespace orv {

namespace {

// Each message handler leaves no scan pointer behind: the next event asks the mediator again.
class ScanPointerScope {
public:
    explicit ScanPointerScope(std::function<void()> forget) : m_forget(std::move(forget)) {}
    ~ScanPointerScope() { m_forget(); }
    ScanPointerScope(const ScanPointerScope&) = delete;
    ScanPointerScope& operator=(const ScanPointerScope&) = delete;

private:
    std::function<void()> m_forget;
};

} // namespace

int64_t CSpectralView::ViewTarget::HandleMessage(Message& message) {
    return m_view.OnMessage(message);
}

CSpectralView::CSpectralView(MessageThread& thread, QWidget* parent)
    : QAbstractScrollArea(parent), m_scrollBar(nullptr), m_target(thread, *this) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, ColorRefToQColor(m_crBackground));
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    m_scrollBar.SetBrush(QBrush(ColorRefToQColor(0xFF0000)));
    m_scrollBar.SetColour(0xFF0000);
}

CSpectralView::~CSpectralView() {
    OnDestroy();
}

CTabCtrlEx& CSpectralView::CreateTabStrip(TabStrip strip) {
    std::unique_ptr<CTabCtrlEx>& slot = strip == TabStrip::Overlay      ? m_tabOverlay
                                        : strip == TabStrip::Comparison ? m_tabComparison
                                                                        : m_tabComposite;
    slot = std::make_unique<CTabCtrlEx>(viewport());
    slot->setObjectName(QString::number(kTabControlId));
    QObject::connect(slot.get(), &QTabBar::currentChanged, slot.get(),
                     [this, strip](int index) { OnTabChange(strip, index); });
    slot->show();
    return *slot;
}

CTabCtrlEx* CSpectralView::GetTabStrip(TabStrip strip) const {
    switch (strip) {
    case TabStrip::Overlay:
        return m_tabOverlay.get();
    case TabStrip::Comparison:
        return m_tabComparison.get();
    default:
        return m_tabComposite.get();
    }
}

void CSpectralView::OnInitialUpdate() {
    m_nMinWidth = kMinWidth;
    m_nMinHeight = kMinHeight;
    if (const CFormViewSpectral::Maker& maker = CFormViewSpectral::GetMaker()) {
        try {
            m_pFormView = maker(*this, viewport());
        } catch (const std::exception& failure) {
            OutputDebugString(FormatC("CSpectralView: option panel: %s\n", failure.what()));
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
    m_scrollBar.setParent(viewport());
    m_scrollBar.setOrientation(Qt::Horizontal);
    m_scrollBar.setGeometry(5, 5, 95, 25);
    m_scrollBar.setRange(0, 100);
    m_scrollBar.setPageStep(2);
    m_scrollBar.setValue(10);
    m_scrollBar.hide();
    PostRelayout();
}

void CSpectralView::OnDestroy() {
    if (m_bDestroyed) {
        return;
    }
    m_bDestroyed = true;
    m_pFormView.reset();
    m_scrollBar.hide();
    m_tabComposite.reset();
    m_tabComparison.reset();
    m_tabOverlay.reset();
}

void CSpectralView::PostRelayout() {
    m_target.Post(kRelayoutMessage);
}

void CSpectralView::ForgetScanPointers() {
    m_pScanData = nullptr;
    m_pSpectralData = nullptr;
    m_pSSData = nullptr;
    m_pHandHeldData = nullptr;
    m_pSecondData = nullptr;
}

void CSpectralView::ReportFailure(const char* where, const std::exception& failure, bool userAction) {
    OutputDebugString(FormatC("CSpectralView: %s: %s\n", where, failure.what()));
    if (userAction) {
        ShowPrompt(failure.what(), "", PromptButtons::Ok, PromptIcon::Error);
    }
}

QSpectralDisplayOptions* CSpectralView::NodeOptions() const {
    return m_pMediator != nullptr ? m_pMediator->GetSpectralDisplayOptions() : nullptr;
}

bool CSpectralView::CorrectionPreference() const {
    if (m_pMediator == nullptr) {
        return false;
    }
    QNodeMediator* preferences = m_pMediator->GetPreferencesMediator();
    QSpectralDisplayOptions* options =
        preferences != nullptr ? preferences->GetSpectralDisplayOptions() : nullptr;
    return options != nullptr && options->IsFieldStrengthCorrection();
}

int CSpectralView::DisplayUnit() const {
    const QSpectralDisplayOptions* options = NodeOptions();
    const uint32_t unit = options != nullptr ? options->GetAmplitudeUnit() : 1U;
    return unit == 1U ? kAmplitudeUnitDbuV : kAmplitudeUnitDbm;
}

void CSpectralView::BringFrameToTop() {
    if (m_pFrame != nullptr && m_pFrame->HasWindow()) {
        m_pFrame->BringToTop();
    }
}

// --- Public operations ---

void CSpectralView::SetScanTitle(const std::string& title) {
    switch (m_nNodeKind) {
    case kTypeSpectralScanNode:
    case kTypeSpectralSpatialScanNode:
    case kTypeSpectralSpatialUserCompositeNode:
    case kTypeSpectralComparisonNode:
    case kTypeSpectralOverlayNode:
    case kTypeSpectralSpatialScriptingModuleNode:
        if (m_pFrame != nullptr) {
            m_pFrame->SetTitle(title);
        }
        break;
    default:
        break;
    }
}

void CSpectralView::SetComparisonState(int32_t state) {
    m_nComparisonTab = state;
    if (m_tabComparison != nullptr && state >= 0 && state < m_tabComparison->count()) {
        const QSignalBlocker quiet(m_tabComparison.get());
        m_tabComparison->setCurrentIndex(state);
    }
}

void CSpectralView::SetOverlayState(int32_t state) {
    m_nOverlayTab = state;
    if (m_tabOverlay != nullptr && state >= 0 && state < m_tabOverlay->count()) {
        const QSignalBlocker quiet(m_tabOverlay.get());
        m_tabOverlay->setCurrentIndex(state);
    }
}

void CSpectralView::CopyImageToClipboard(int32_t /*picture*/) {
    const ScanPointerScope scope([this] { ForgetScanPointers(); });
    m_bCopyRender = 1;
    m_copyImage = QImage(m_nCopyWidth, m_nCopyHeight, QImage::Format_RGB32);
    m_copyImage.fill(ColorRefToQColor(m_crWhite));
    {
        QPainter painter(&m_copyImage);
        try {
            RenderPlot(painter, true);
        } catch (const std::exception& failure) {
            ReportFailure("copy", failure, false);
        }
    }
    m_bCopyRender = 0;
}

bool CSpectralView::ShowSpectralSpatialScanData() {
    if (m_pMediator == nullptr) {
        return false;
    }
    m_pSSData = m_pMediator->GetCurrentSpectralSpatialScanData();
    m_pScanData = m_pSSData;
    return m_pSSData != nullptr;
}

bool CSpectralView::ShowHandHeldProbeScanData() {
    if (m_pMediator == nullptr) {
        return false;
    }
    m_pHandHeldData = m_pMediator->GetCurrentHandHeldScanData();
    m_pSSData = m_pHandHeldData;
    m_pScanData = m_pHandHeldData;
    return m_pHandHeldData != nullptr;
}

bool CSpectralView::ShowUserCompositeScanData() {
    return ShowSpectralSpatialScanData();
}

void CSpectralView::GetSelectedFrequencies(std::vector<_FrequencyMarkerPoint>& out) const {
    out = m_markers;
}

void CSpectralView::ToggleSelectedFrequency(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= m_markers.size()) {
        OutputDebugString(FormatC("CSpectralView: marker index %d outside the list\n", index));
        return;
    }
    m_markers[static_cast<size_t>(index)].m_Selected ^= 1U;
}

void CSpectralView::ActivateView() {
    if (m_pMediator == nullptr) {
        return;
    }
    if (m_pProjectTree != nullptr) {
        CTreeItem* item = m_pProjectTree->GetSelectedItem();
        if (item == nullptr || m_pProjectTree->GetItemMediator(item) != m_pMediator) {
            m_pProjectTree->SelectNode(*m_pMediator);
        }
    }
    if (m_pScanDataList != nullptr) {
        m_pScanDataList->SelectRow(FormatC("%d", m_pMediator->GetDisplayedScanID()));
    }
    BringFrameToTop();
}

void CSpectralView::SelectComponentScanData(int32_t mode) {
    if (m_pMediator == nullptr) {
        return;
    }
    CSpectralSpatialScanData* data = nullptr;
    if (mode == kModeSpectralSpatial) {
        data = m_pMediator->GetCurrentSpectralSpatialScanData();
        m_pSSData = data;
    } else if (mode == kModeHandHeld) {
        m_pHandHeldData = m_pMediator->GetCurrentHandHeldScanData();
        data = m_pHandHeldData;
    } else {
        m_pScanData = nullptr;
        return;
    }
    m_pScanData = data;
    // The per-view spectrum objects of the data and the drawn marks of its cells belong to the
    // spectral/spatial spectrum view, which rebuilds them; the model's own objects stay.
}

// --- Messages ---

int64_t CSpectralView::OnMessage(const Message& message) {
    const ScanPointerScope scope([this] { ForgetScanPointers(); });
    bool needsData = false;
    try {
        switch (message.id) {
        case kRelayoutMessage:
            OnSize();
            break;
        case NodeMessage::kShowSpectralScan:
            if (m_pMediator != nullptr && m_pMediator->IsContinuousRun() && m_pMediator->IsScanInProgress() &&
                m_pScanDataList != nullptr) {
                m_pScanDataList->SelectRow(FormatC("%d", m_pMediator->GetDisplayedSpectralScanID()));
            }
            m_bReload = 1;
            m_nDisplayMode = kModeSpectral;
            LoadTraceData(true, needsData);
            PostRelayout();
            break;
        case NodeMessage::kShowSpectralSpatialScan:
        case NodeMessage::kShowHandHeldScan: {
            // The mediator's wParam is the scan ID (from 1): the component data is always chosen
            // again, a live scan included.
            const bool handHeld = message.id == NodeMessage::kShowHandHeldScan;
            m_bReload = 1;
            m_nCompositeTab = 0;
            if (m_tabComposite != nullptr) {
                const QSignalBlocker quiet(m_tabComposite.get());
                m_tabComposite->setCurrentIndex(0);
            }
            m_nDisplayMode = handHeld ? kModeHandHeld : kModeSpectralSpatial;
            SelectComponentScanData(m_nDisplayMode);
            LoadTraceData(true, needsData);
            PostRelayout();
            break;
        }
        case NodeMessage::kRefreshSpectral:
            m_bReload = 1;
            m_nDisplayMode = m_nNodeKind == kTypeSpectralComparisonNode ? kModeComparison
                             : m_nNodeKind == kTypeSpectralOverlayNode  ? kModeOverlay
                                                                        : kModeSpectral;
            PostRelayout();
            break;
        case NodeMessage::kRefreshSpectralSpatial:
            m_bReload = 1;
            m_nDisplayMode = kModeSpectralSpatial;
            PostRelayout();
            break;
        case NodeMessage::kRefreshHandHeld:
            m_bReload = 1;
            m_nDisplayMode = kModeHandHeld;
            PostRelayout();
            break;
        case NodeMessage::kRefreshSpectralComparison:
            m_nDisplayMode = kModeComparison;
            m_bReload = 1;
            LoadTraceData(true, needsData);
            PostRelayout();
            break;
        case NodeMessage::kRefreshSpectralOverlay:
            m_nDisplayMode = kModeOverlay;
            m_bReload = 1;
            LoadTraceData(true, needsData);
            PostRelayout();
            break;
        case NodeMessage::kShowScripting:
            m_nDisplayMode = kModeScripting;
            m_bReload = 1;
            PostRelayout();
            break;
        case NodeMessage::kShowLinkedSpectralSpatial: {
            m_bReload = 1;
            m_nCompositeTab = 2;
            if (m_tabComposite != nullptr && m_tabComposite->count() > 2) {
                const QSignalBlocker quiet(m_tabComposite.get());
                m_tabComposite->setCurrentIndex(2);
            }
            QSpatialViewInterface* spatial = m_pFrame != nullptr ? m_pFrame->GetSpatialView() : nullptr;
            if (auto* pane = dynamic_cast<QLinkedSpatialPane*>(spatial)) {
                pane->LoadLinkedSpectralSpatialScanData();
            }
            m_nDisplayMode = kModeLinkedSpectralSpatial;
            PostRelayout();
            break;
        }
        default:
            break;
        }
    } catch (const std::exception& failure) {
        ReportFailure("message", failure, false);
    }
    return 0;
}

void CSpectralView::OnTabChange(TabStrip strip, int index) {
    switch (m_nNodeKind) {
    case kTypeSpectralSpatialScanNode:
    case kTypeSpectralSpatialUserCompositeNode:
        if (strip == TabStrip::Composite) {
            m_nCompositeTab = index;
            m_bReload = 1;
            PostRelayout();
        }
        break;
    case kTypeSpectralComparisonNode:
        if (strip == TabStrip::Comparison) {
            m_nComparisonTab = index;
            m_target.Post(NodeMessage::kRefreshSpectralComparison);
        }
        break;
    case kTypeSpectralOverlayNode:
        if (strip == TabStrip::Overlay) {
            m_nOverlayTab = index;
            m_target.Post(NodeMessage::kRefreshSpectralOverlay);
        }
        break;
    default:
        break;
    }
    BringFrameToTop();
}

// --- Layout ---

void CSpectralView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    OnSize();
}

void CSpectralView::scrollContentsBy(int /*dx*/, int /*dy*/) {
    OnSize();
}

bool CSpectralView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Paint) {
        QPainter painter(viewport());
        if (m_pMediator != nullptr) {
            const ScanPointerScope scope([this] { ForgetScanPointers(); });
            try {
                PaintView(painter);
            } catch (const std::exception& failure) {
                ReportFailure("paint", failure, false);
            }
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CSpectralView::OnSize() {
    const ScanPointerScope scope([this] { ForgetScanPointers(); });
    const QSize client = viewport()->size();
    m_nBottomArea = m_nPanelHeight + (m_bZoomed != 0 ? m_nScrollBarHeight : 0);
    // Below the minimum size the view scrolls over a 450 x 350 area.
    horizontalScrollBar()->setRange(0, std::max(0, m_nMinWidth - client.width()));
    horizontalScrollBar()->setPageStep(std::max(1, client.width()));
    verticalScrollBar()->setRange(0, std::max(0, m_nMinHeight - client.height()));
    verticalScrollBar()->setPageStep(std::max(1, client.height()));
    const int width = std::max(client.width(), m_nMinWidth);
    const int height = std::max(client.height(), m_nMinHeight);
    const int sx = horizontalScrollBar()->value();
    const int sy = verticalScrollBar()->value();
    m_nClientWidth = width;
    m_nClientHeight = height;
    const int plotHeight = std::max(1, height - m_nHeaderHeight - m_nBottomArea);
    const bool changed =
        width != m_nPrevClientWidth || height != m_nPrevClientHeight || plotHeight != m_nLastBitmapHeight;
    m_nPrevClientWidth = width;
    m_nPrevClientHeight = height;
    m_nLastBitmapHeight = plotHeight;

    if (m_pFormView != nullptr && m_pFormView->GetWidget() != nullptr) {
        m_pFormView->GetWidget()->setGeometry(-sx, height - m_nPanelHeight - sy, width, m_nPanelHeight);
    }
    for (CTabCtrlEx* tabs : {m_tabComposite.get(), m_tabComparison.get(), m_tabOverlay.get()}) {
        if (tabs != nullptr) {
            tabs->setGeometry(1 - sx, m_nHeaderHeight - m_nTabHeight - sy, width, m_nTabHeight);
        }
    }
    m_scrollBar.setGeometry(1 - sx, height - m_nBottomArea - sy, width - 1, m_nScrollBarHeight);
    if (m_bZoomed != 0) {
        const auto count = static_cast<int64_t>(m_pPoints.size());
        if (count > 0) {
            const int64_t span = static_cast<int64_t>(m_nZoomLast) - m_nZoomFirst;
            const int64_t denominator = count - 2 * (span / 2);
            if (denominator > 0) {
                m_scrollBar.setValue(static_cast<int>(
                    std::clamp<int64_t>(static_cast<int64_t>(m_nZoomFirst) * 100 / denominator, 0, 100)));
            }
        }
        m_scrollBar.show();
    } else {
        m_scrollBar.hide();
    }
    if (changed || m_bmpPlot.isNull()) {
        m_nBitmapWidth = width;
        m_nBitmapHeight = plotHeight;
        m_bmpPlot = QImage(m_nBitmapWidth, m_nBitmapHeight, QImage::Format_RGB32);
        m_bmpPlot.fill(ColorRefToQColor(m_crBackground));
    }
    const uint8_t zoomedBefore = m_bZoomed;
    {
        QPainter painter(&m_bmpPlot);
        try {
            RenderPlot(painter, false);
        } catch (const std::exception& failure) {
            ReportFailure("render", failure, false);
        }
    }
    viewport()->update();
    if (m_bZoomed != zoomedBefore) {
        // The scroll bar is shown or hidden by the next layout.
        PostRelayout();
    }
}

// --- Slots whose behaviour the marker, zoom and menu parts give ---

bool CSpectralView::DrawPeakCircles(QPainter& /*painter*/, CScanData* /*scan*/) {
    return false;
}
void CSpectralView::ShowContextMenu(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {}
void CSpectralView::OnPlotButtonUp(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {}
void CSpectralView::TrackHover(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {}
void CSpectralView::DrawReadout(int32_t /*x*/, int32_t /*y*/) {}

} // namespace orv
