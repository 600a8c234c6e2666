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

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
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
    // The read-out follows the mouse without a button held; keys reach the view once clicked.
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    m_menuRunner = [](QMenu& menu, const QPoint& globalPoint) { return menu.exec(globalPoint); };
    QObject::connect(&m_scrollBar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        ScrollCode code = ScrollCode::EndScroll;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            code = ScrollCode::LineLeft;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            code = ScrollCode::LineRight;
            break;
        case QAbstractSlider::SliderPageStepSub:
            code = ScrollCode::PageLeft;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            code = ScrollCode::PageRight;
            break;
        case QAbstractSlider::SliderToMinimum:
            code = ScrollCode::Left;
            break;
        case QAbstractSlider::SliderToMaximum:
            code = ScrollCode::Right;
            break;
        case QAbstractSlider::SliderMove:
            code = ScrollCode::ThumbTrack;
            break;
        default:
            return;
        }
        const ScanPointerScope scope([this] { ForgetScanPointers(); });
        try {
            OnZoomScroll(code, m_scrollBar.sliderPosition());
        } catch (const std::exception& failure) {
            ReportFailure("scroll", failure, true);
        }
    });
}

CSpectralView::~CSpectralView() {
    OnDestroy();
}

CTabCtrlEx& CSpectralView::CreateTabStrip(TabStrip strip) {
    std::unique_ptr<CTabCtrlEx>& slot = strip == TabStrip::Overlay      ? m_tabOverlay
                                        : strip == TabStrip::Comparison ? m_tabComparison
                                                                        : m_tabComposite;
    // The strip stands below the header's lines: the header grows by its height once.
    if (m_tabOverlay == nullptr && m_tabComparison == nullptr && m_tabComposite == nullptr) {
        m_nHeaderHeight += m_nTabHeight;
    }
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

namespace {

uint32_t MouseFlags(const QMouseEvent& event) {
    uint32_t flags = 0;
    flags |= (event.buttons() & Qt::LeftButton) != 0 ? CSpectralView::kMouseLeft : 0U;
    flags |= (event.buttons() & Qt::RightButton) != 0 ? CSpectralView::kMouseRight : 0U;
    flags |= (event.modifiers() & Qt::ShiftModifier) != 0 ? CSpectralView::kMouseShift : 0U;
    flags |= (event.modifiers() & Qt::ControlModifier) != 0 ? CSpectralView::kMouseControl : 0U;
    return flags;
}

} // namespace

bool CSpectralView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Paint) {
        QPainter painter(viewport());
        if (m_pMediator != nullptr) {
            const ScanPointerScope scope([this] { ForgetScanPointers(); });
            m_bPainting = true;
            try {
                PaintView(painter);
            } catch (const std::exception& failure) {
                ReportFailure("paint", failure, false);
            }
            m_bPainting = false;
        }
        return true;
    }
    // The mouse slots take client coordinates and the mouse flags; each event picks the shown scan
    // again.
    auto handle = [&](const char* where, bool userAction, const std::function<void()>& handler) {
        const ScanPointerScope scope([this] { ForgetScanPointers(); });
        try {
            handler();
        } catch (const std::exception& failure) {
            ReportFailure(where, failure, userAction);
        }
    };
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto& mouse = static_cast<const QMouseEvent&>(*event);
        const QPoint at = mouse.position().toPoint();
        handle("hover", false, [&] { TrackHover(MouseFlags(mouse), at.x(), at.y()); });
        break;
    }
    case QEvent::MouseButtonPress: {
        const auto& mouse = static_cast<const QMouseEvent&>(*event);
        const QPoint at = mouse.position().toPoint();
        if (mouse.button() == Qt::LeftButton) {
            handle("button down", true, [&] { OnButtonDown(at.x(), at.y()); });
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto& mouse = static_cast<const QMouseEvent&>(*event);
        const QPoint at = mouse.position().toPoint();
        if (mouse.button() == Qt::LeftButton) {
            handle("button up", true, [&] { OnPlotButtonUp(MouseFlags(mouse), at.x(), at.y()); });
        } else if (mouse.button() == Qt::RightButton) {
            handle("context menu", true, [&] { ShowContextMenu(MouseFlags(mouse), at.x(), at.y()); });
        }
        break;
    }
    case QEvent::Leave:
        handle("leave", false, [&] { OnMouseLeave(); });
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CSpectralView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Control || key == Qt::Key_Shift) {
        (key == Qt::Key_Control ? m_bCtrlDown : m_bShiftDown) = 1;
        event->accept();
        return;
    }
    // A modifier pressed while another window had the keyboard still counts.
    m_bCtrlDown = (event->modifiers() & Qt::ControlModifier) != 0 ? 1 : 0;
    m_bShiftDown = (event->modifiers() & Qt::ShiftModifier) != 0 ? 1 : 0;
    if (key == Qt::Key_Space || key == Qt::Key_Left || key == Qt::Key_Right) {
        // The arrows move the zoom window, not the scroll area.
        const ScanPointerScope scope([this] { ForgetScanPointers(); });
        try {
            OnKeyDown(key);
        } catch (const std::exception& failure) {
            ReportFailure("key", failure, true);
        }
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CSpectralView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control) {
        m_bCtrlDown = 0;
    } else if (event->key() == Qt::Key_Shift) {
        m_bShiftDown = 0;
    }
    QAbstractScrollArea::keyReleaseEvent(event);
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
    UpdatePlotRect();
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
            // The strip stays in sight when the plot scrolls sideways: its captions fit the width shown.
            tabs->setGeometry(1, m_nHeaderHeight - m_nTabHeight - sy, std::max(client.width() - 1, 1),
                              m_nTabHeight);
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
    RenderIntoPlotImage();
    // The screen shows the new image: a drag band goes, a read-out in progress is made again over it.
    m_bBandShown = false;
    m_readout.shown = false;
    if (m_bReadoutPending != 0 && m_bMouseInPlot != 0) {
        DrawReadout(m_ptHover.x(), m_ptHover.y());
    }
    viewport()->update();
    if (m_bZoomed != zoomedBefore) {
        // The scroll bar is shown or hidden by the next layout.
        PostRelayout();
    }
}

void CSpectralView::RenderIntoPlotImage() {
    if (m_bmpPlot.isNull()) {
        return;
    }
    QPainter painter(&m_bmpPlot);
    try {
        RenderPlot(painter, false);
    } catch (const std::exception& failure) {
        ReportFailure("render", failure, false);
    }
}

void CSpectralView::UpdatePlotRect() {
    const int width = std::max(viewport()->width(), m_nMinWidth);
    const int height = std::max(viewport()->height(), m_nMinHeight);
    m_rcPlot = QRect(QPoint(m_nMarginLeft, m_nHeaderHeight + m_nMarginTop),
                     QPoint(width - 34, height - m_nBottomArea - m_nMarginBottom));
}

} // namespace orv
