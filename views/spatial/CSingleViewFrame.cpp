#include "views/spatial/CSingleViewFrame.h"

#include "project/QNodeMediator.h"
#include "views/spatial/ProjectBoardDrawingSource.h"

#include <QMdiSubWindow>

namespace orv {

void FillFrameTabs(CTabCtrlEx& tabs, const std::vector<std::string>& captions) {
    const QSignalBlocker quiet(&tabs);
    for (const std::string& caption : captions) {
        tabs.addTab(QString::fromStdString(caption));
    }
    tabs.CreateTabFonts();
    // The unselected tabs greyed, so the strip reads as tabs.
    tabs.SetGreyUnselectedTabs(true);
}

// --- One spectral view ---

CSpectralSingleViewFrame::CSpectralSingleViewFrame(const QFrameRequest& request, CHalvionView& formView,
                                                   uint16_t nodeKind, QSize initialSize, QSize minimumSize,
                                                   CSpectralView::TabStrip strip, FrameTabs tabs)
    : CViewFrame(request, formView, initialSize, minimumSize), m_nNodeKind(nodeKind), m_strip(strip),
      m_tabs(std::move(tabs)) {}

std::unique_ptr<CSpectralView> CSpectralSingleViewFrame::MakeView() {
    return std::make_unique<CSpectralView>(GetThread());
}

bool CSpectralSingleViewFrame::CreateClient(QMdiSubWindow& window) {
    m_pView = MakeView();
    CSpectralView& view = *m_pView;
    view.SetBorder(false);
    view.SetNodeKind(m_nNodeKind);
    if (!m_tabs.captions.empty()) {
        FillFrameTabs(view.CreateTabStrip(m_strip), m_tabs.captions);
        view.update();
    }
    view.SetFrame(this);
    view.SetMediator(GetMediator());
    view.SetFrameObject(this);
    view.SetProjectTree(GetTree());
    view.SetScanDataList(GetScanDataList());
    view.SetReady(true);
    window.setWidget(&view);
    MoveDropTarget();
    view.show();
    view.OnInitialUpdate();
    view.setFocus();
    OnViewCreated(view);
    return true;
}

void CSpectralSingleViewFrame::DestroyClient() {
    if (m_pView == nullptr) {
        return;
    }
    m_pView->OnDestroy();
    ReleaseClient(*m_pView);
}

QWidget* CSpectralSingleViewFrame::DropTargetView() {
    return m_tabs.takesDrops ? m_pView.get() : nullptr;
}

// --- One spatial view ---

CSpatialSingleViewFrame::CSpatialSingleViewFrame(const QFrameRequest& request, CHalvionView& formView,
                                                 uint16_t nodeKind, QSize initialSize, QSize minimumSize,
                                                 CSpatialView::TabStrip strip, FrameTabs tabs)
    : CViewFrame(request, formView, initialSize, minimumSize), m_nNodeKind(nodeKind), m_strip(strip),
      m_tabs(std::move(tabs)) {}

std::unique_ptr<CSpatialView> CSpatialSingleViewFrame::MakeView() {
    return std::make_unique<CSpatialView>(GetThread());
}

bool CSpatialSingleViewFrame::CreateClient(QMdiSubWindow& window) {
    m_pView = MakeView();
    CSpatialView& view = *m_pView;
    view.SetNodeKind(m_nNodeKind);
    if (!m_tabs.captions.empty()) {
        FillFrameTabs(view.CreateTabStrip(m_strip), m_tabs.captions);
        view.update();
    }
    view.SetFrame(this);
    // Hands the mediator to the 3D view too and sets the node's overlay value.
    view.AttachNode(GetMediator());
    view.SetOverlayControls(GetOverlayControls());
    // The frame outlives its view, and answers the project the view is in at each ask.
    view.SetOverlayDrawLists(MakeProjectBoardDrawingSource([this] { return GetProject(); }));
    view.SetProjectTree(GetRequest().projectTree);
    view.SetScanDataList(GetScanDataList());
    window.setWidget(&view);
    MoveDropTarget();
    view.show();
    // The second wiring: what the first one set is in force again when the view updates.
    view.AttachNode(GetMediator());
    view.OnInitialUpdate();
    view.setFocus();
    return true;
}

void CSpatialSingleViewFrame::DestroyClient() {
    if (m_pView == nullptr) {
        return;
    }
    m_pView->OnDestroy();
    ReleaseClient(*m_pView);
}

QWidget* CSpatialSingleViewFrame::DropTargetView() {
    return m_tabs.takesDrops ? m_pView.get() : nullptr;
}

} // namespace orv
