#include "views/spatial/CSpectralSpatialViewFrame.h"

#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "views/spatial/CSingleViewFrame.h"
#include "views/spatial/CSpatialViewZeltp.h"
#include "views/spatial/ProjectBoardDrawingSource.h"
#include "views/spectral/CSpectralSSView.h"

#include <QMdiSubWindow>
#include <QResizeEvent>

#include <algorithm>

namespace orv {

// The splitter lays out its columns itself after every size change of the frame's client.
class CSpectralSpatialViewFrame::Splitter : public CUsefulSplitterWnd {
public:
    explicit Splitter(CSpectralSpatialViewFrame& owner) : m_owner(owner) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        CUsefulSplitterWnd::resizeEvent(event);
        m_owner.OnFrameSize();
    }

private:
    CSpectralSpatialViewFrame& m_owner;
};

CSpectralSpatialViewFrame::CSpectralSpatialViewFrame(const QFrameRequest& request, CHalvionView& formView)
    : CViewFrame(request, formView, QSize(920, 450), QSize(520, 340)),
      m_nNodeKind(request.spectralSpatialKind == kTypeSpectralSpatialUserCompositeNode
                      ? kTypeSpectralSpatialUserCompositeNode
                      : kTypeSpectralSpatialScanNode) {}

CSpectralSpatialViewFrame::~CSpectralSpatialViewFrame() = default;

bool CSpectralSpatialViewFrame::CreateClient(QMdiSubWindow& window) {
    const QSize client = window.size();
    auto* splitter = new Splitter(*this);
    m_splitter = splitter;
    window.setWidget(splitter);

    m_pSpectralPane = std::make_unique<CSpectralSSView>(GetThread());
    m_pSpatialPane = std::make_unique<CSpatialViewZeltp>(GetThread());
    splitter->addWidget(m_pSpectralPane.get());
    splitter->addWidget(m_pSpatialPane.get());
    const int half = static_cast<int>(static_cast<float>(client.width()) * 4.0F * 0.125F);
    splitter->setSizes({half, half});

    QNodeMediator* mediator = GetMediator();
    CSpectralView& spectral = *m_pSpectralPane;
    spectral.SetBorder(false);
    spectral.SetNodeKind(m_nNodeKind);
    FillFrameTabs(spectral.CreateTabStrip(CSpectralView::TabStrip::Composite),
                  {"Full Composite View", "Full/User Composite View", "User Composite View"});
    spectral.update();
    spectral.SetFrame(this);
    spectral.SetMediator(mediator);
    spectral.SetFrameObject(this);
    spectral.SetProjectTree(GetTree());
    spectral.SetScanDataList(GetScanDataList());
    spectral.SetReady(true);

    CSpatialView& spatial = *m_pSpatialPane;
    spatial.SetNodeKind(m_nNodeKind);
    spatial.SetFrame(this);
    FillFrameTabs(spatial.CreateTabStrip(CSpatialView::TabStrip::SpectralSpatial),
                  {"Full Composite View", "User Composite View"});
    spatial.update();
    spatial.AttachNode(mediator);
    spatial.CreateFrequencyList();
    spatial.SetOverlayControls(GetOverlayControls());
    // The frame outlives its view, and answers the project the view is in at each ask.
    spatial.SetOverlayDrawLists(MakeProjectBoardDrawingSource([this] { return GetProject(); }));
    spatial.SetProjectTree(GetRequest().projectTree);
    spatial.SetScanDataList(GetScanDataList());
    spatial.AttachNode(mediator);
    // A hand-held probe tracked by camera shows its map at once, before the first scan arrives.
    if (mediator != nullptr && mediator->GetKind() == kTypeHandHeldProbeScanNode &&
        mediator->HasProbeVideoTrack()) {
        spatial.show();
    }

    spectral.OnInitialUpdate();
    spatial.OnInitialUpdate();
    m_bCreated = true;
    return true;
}

void CSpectralSpatialViewFrame::DestroyClient() {
    m_bCreated = false;
    if (m_pSpectralPane != nullptr) {
        m_pSpectralPane->OnDestroy();
        m_pSpectralPane->hide();
        m_pSpectralPane->setParent(nullptr);
    }
    if (m_pSpatialPane != nullptr) {
        m_pSpatialPane->OnDestroy();
        m_pSpatialPane->hide();
        m_pSpatialPane->setParent(nullptr);
    }
    // The splitter goes; the panes outlive it with the frame object.
    if (m_splitter != nullptr) {
        ReleaseClient(*m_splitter);
        delete m_splitter.data();
    }
}

void CSpectralSpatialViewFrame::OnFrameSize() {
    if (!m_bCreated || m_splitter == nullptr || IsMinimised() || m_splitter->count() < 2) {
        return;
    }
    const int width = m_splitter->width();
    const int first = std::max(1, static_cast<int>(static_cast<float>(width) * m_fSplitRatio));
    const int second = std::max(1, width - first - m_splitter->handleWidth());
    const QSignalBlocker quiet(m_splitter.data());
    m_splitter->setSizes({first, second});
    m_splitter->RecalcLayout();
}

int64_t CSpectralSpatialViewFrame::OnFrameMessage(const Message& message) {
    // A new scan of the node while the frame is open: both panes show it.
    if (message.id == NodeMessage::kShowSpectralSpatialScan) {
        if (HasWindow()) {
            m_pSpectralPane->GetMessageTarget().Post(message.id, message.wParam, message.lParam);
            m_pSpatialPane->GetMessageTarget().Post(message.id, message.wParam, message.lParam);
        }
        return 0;
    }
    return CViewFrame::OnFrameMessage(message);
}

} // namespace orv
