#pragma once

// The frames that hold one view: a spectral view (the spectral, spectral comparison, spectral
// overlay and scripting frames) or a spatial view (the spatial, spatial comparison and blind-spot
// frames), with the tab strip of their node kind.

#include "views/spatial/CSpatialView.h"
#include "views/spatial/CViewFrame.h"
#include "views/spectral/CSpectralView.h"

#include <memory>
#include <string>
#include <vector>

namespace orv {

// The tab strip a frame gives its view: none when the captions are empty.
struct FrameTabs {
    std::vector<std::string> captions;
    // Whether the project's drop target moves onto the view (the frames whose views take a scan for
    // one of their tabs).
    bool takesDrops = false;
};

class CSpectralSingleViewFrame : public CViewFrame {
public:
    QSpectralViewInterface* GetSpectralView() override { return m_pView.get(); }
    QSpatialViewInterface* GetSpatialView() override { return nullptr; }
    CSpectralView* GetView() const { return m_pView.get(); }

protected:
    CSpectralSingleViewFrame(const QFrameRequest& request, CHalvionView& formView, uint16_t nodeKind,
                             QSize initialSize, QSize minimumSize, CSpectralView::TabStrip strip,
                             FrameTabs tabs);

    bool CreateClient(QMdiSubWindow& window) override;
    void DestroyClient() override;
    QWidget* DropTargetView() override;
    // After the view's initial update.
    virtual void OnViewCreated(CSpectralView& /*view*/) {}
    // The view of the node kind (the base view unless the kind has a variant).
    virtual std::unique_ptr<CSpectralView> MakeView();

private:
    uint16_t m_nNodeKind;
    CSpectralView::TabStrip m_strip;
    FrameTabs m_tabs;
    std::unique_ptr<CSpectralView> m_pView;
};

class CSpatialSingleViewFrame : public CViewFrame {
public:
    QSpectralViewInterface* GetSpectralView() override { return nullptr; }
    QSpatialViewInterface* GetSpatialView() override { return m_pView.get(); }
    CSpatialView* GetView() const { return m_pView.get(); }

protected:
    CSpatialSingleViewFrame(const QFrameRequest& request, CHalvionView& formView, uint16_t nodeKind,
                            QSize initialSize, QSize minimumSize, CSpatialView::TabStrip strip,
                            FrameTabs tabs);

    bool CreateClient(QMdiSubWindow& window) override;
    void DestroyClient() override;
    QWidget* DropTargetView() override;
    // The view of the node kind (the base view unless the kind has a variant).
    virtual std::unique_ptr<CSpatialView> MakeView();

private:
    uint16_t m_nNodeKind;
    CSpatialView::TabStrip m_strip;
    FrameTabs m_tabs;
    std::unique_ptr<CSpatialView> m_pView;
};

// Inserts the captions into a view's tab strip and gives it its fonts.
void FillFrameTabs(CTabCtrlEx& tabs, const std::vector<std::string>& captions);

} // namespace orv
