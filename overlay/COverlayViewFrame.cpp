#include "overlay/COverlayViewFrame.h"

#include "app/controls/CUsefulSplitterWnd.h"
#include "app/controls/ClipboardFormats.h"
#include "overlay/COverlayUnitView.h"
#include "overlay/COverlayUnitWnd.h"
#include "overlay/COverlayView.h"
#include "overlay/COverlayViewOwner.h"
#include "project/QMainFrame.h"
#include "project/TfrmMainApp.h"

#include <QHBoxLayout>
#include <QPointer>

namespace orv {

COverlayViewFrame::COverlayViewFrame() : COverlayViewFrame(nullptr, std::string(), 0) {}

COverlayViewFrame::COverlayViewFrame(TfrmMainApp* project, std::string title, int32_t value)
    : m_pProject(project), m_title(std::move(title)), m_value(value) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromStdString(m_title));
    m_pSplitter = new CUsefulSplitterWnd(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pSplitter);
    m_clipboard.AddFormat(kDrawModelFormat, "CF_TEXT");
    resize(kInitialWidth, kInitialHeight);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
}

COverlayViewFrame::~COverlayViewFrame() {
    if (m_pOwner != nullptr) {
        m_pOwner->SetOverlayFrame(nullptr);
    }
    if (m_bModal) {
        if (QWidget* main = MainWindow()) {
            main->setEnabled(true);
        }
    }
    // The panes go before the owner link does: the grid view tells a spatial owner it closed.
    delete m_pSplitter;
    m_pSplitter = nullptr;
}

QWidget* COverlayViewFrame::MainWindow() const {
    return m_pProject != nullptr ? dynamic_cast<QWidget*>(&m_pProject->GetMainFrame()) : nullptr;
}

void COverlayViewFrame::SetOwner(COverlayViewOwner* owner) {
    if (m_pOwner != nullptr) {
        m_pOwner->SetOverlayFrame(nullptr);
    }
    m_pOwner = owner;
    if (m_pOwner != nullptr) {
        m_pOwner->SetOverlayFrame(this);
    }
    if (m_pOverlayView != nullptr) {
        m_pOverlayView->SetOwner(owner);
    }
}

void COverlayViewFrame::ForgetOwner() {
    m_pOwner = nullptr;
    if (m_pOverlayView != nullptr) {
        m_pOverlayView->SetOwner(nullptr);
    }
}

void COverlayViewFrame::Create() {
    if (!m_bPanesCreated) {
        m_pUnitView = new COverlayUnitView();
        m_pOverlayView = new COverlayView();
        m_pSplitter->addWidget(m_pUnitView);
        m_pSplitter->addWidget(m_pOverlayView);
        m_pSplitter->SetColumnInfo(0, kUnitPaneWidth, 0);
        m_pSplitter->setSizes({kUnitPaneWidth, std::max(width() - kUnitPaneWidth, 0)});
        m_pSplitter->setStretchFactor(0, 0);
        m_pSplitter->setStretchFactor(1, 1);
        m_bPanesCreated = true;

        m_pUnitView->SetFrame(this);
        m_pUnitView->SetOverlayView(m_pOverlayView);
        m_pUnitView->SetProject(m_pProject);
        m_pOverlayView->SetFrame(this);
        m_pOverlayView->SetUnitView(m_pUnitView);
        m_pOverlayView->SetOwner(m_pOwner);
        m_pOverlayView->SetProject(m_pProject);
        m_pOverlayView->SetTitle(m_title, m_value);
        m_pUnitView->RefillUnits();
        RegisterDropTarget(*m_pOverlayView, true);
        m_pOverlayView->show();
        m_pOverlayView->LoadPlacementFromOwner();
        // The arrows move the overlay from the start, without a click on the grid first.
        setFocusProxy(m_pOverlayView);
    }
    show();
    m_pOverlayView->setFocus(Qt::OtherFocusReason);
    if (m_bModal) {
        if (QWidget* main = MainWindow()) {
            main->setEnabled(false);
        }
    }
}

void COverlayViewFrame::PrepareDragImage(const COverlayUnitWnd& unit) {
    const QImage& thumbnail = unit.GetThumbnail();
    m_dragImage = thumbnail.isNull() ? QPixmap() : QPixmap::fromImage(thumbnail);
}

void COverlayViewFrame::RelayoutOverlayView() {
    if (m_pOverlayView == nullptr || m_pOwner == nullptr ||
        m_pOwner->GetOverlayOwnerKind() == COverlayViewOwner::Kind::SpatialView) {
        return;
    }
    m_pOverlayView->RelayoutLater();
}

void COverlayViewFrame::ReloadPlacementLater() {
    QPointer<COverlayViewFrame> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self != nullptr && self->m_pOverlayView != nullptr) {
                self->m_pOverlayView->LoadPlacementFromOwner();
            }
        },
        Qt::QueuedConnection);
}

} // namespace orv
