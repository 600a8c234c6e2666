#pragma once

// The frame of a Spectral/Spatial, Handheld Probe or Spectral/Spatial user composite node: the
// composite spectrum and the heat map side by side in a splitter, each pane half of the width.
// It opens maximised and stays where it is on the relayout nudge.

#include "app/controls/CUsefulSplitterWnd.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CViewFrame.h"
#include "views/spectral/CSpectralView.h"

#include <QPointer>

#include <cstdint>
#include <memory>

namespace orv {

class CSpectralSpatialViewFrame : public CViewFrame {
public:
    static constexpr float kSplitRatio = 0.5F;

    CSpectralSpatialViewFrame(const QFrameRequest& request, CHalvionView& formView);
    ~CSpectralSpatialViewFrame() override;
    CSpectralSpatialViewFrame(const CSpectralSpatialViewFrame&) = delete;
    CSpectralSpatialViewFrame& operator=(const CSpectralSpatialViewFrame&) = delete;

    QSpectralViewInterface* GetSpectralView() override { return m_pSpectralPane.get(); }
    QSpatialViewInterface* GetSpatialView() override { return m_pSpatialPane.get(); }
    CSpectralView* GetSpectralPane() const { return m_pSpectralPane.get(); }
    CSpatialView* GetSpatialPane() const { return m_pSpatialPane.get(); }
    CUsefulSplitterWnd* GetSplitter() const { return m_splitter; }
    // 2033 for a user composite node, else 2005 (a hand-held probe node's panes take 2005 too).
    uint16_t GetNodeKind() const { return m_nNodeKind; }

protected:
    bool CreateClient(QMdiSubWindow& window) override;
    void DestroyClient() override;
    bool ShowsMaximised() const override { return true; }
    bool ResetsDisplayedScanIds() const override { return true; }
    void OnFrameSize() override;
    int64_t OnFrameMessage(const Message& message) override;

private:
    class Splitter;

    std::unique_ptr<CSpectralView> m_pSpectralPane;
    std::unique_ptr<CSpatialView> m_pSpatialPane;
    uint16_t m_nNodeKind;
    bool m_bCreated = false;
    QPointer<CUsefulSplitterWnd> m_splitter;
    float m_fSplitRatio = kSplitRatio;
};

} // namespace orv
