#pragma once

// The frame of a Spatial node: its heat map (multi-level scans at sub-cell precision), moved by the
// relayout nudge.

#include "core/TypeIds.h"
#include "views/spatial/CSingleViewFrame.h"
#include "views/spatial/CSpatialViewZeltp.h"

namespace orv {

class CSpatialViewFrame : public CSpatialSingleViewFrame {
public:
    CSpatialViewFrame(const QFrameRequest& request, CHalvionView& formView)
        : CSpatialSingleViewFrame(request, formView, kTypeSpatialScanNode, QSize(600, 550), QSize(420, 320),
                                  CSpatialView::TabStrip::SpectralSpatial, FrameTabs{{}, false}) {}

protected:
    bool MovesOnNudge() const override { return true; }
    bool ResetsDisplayedScanIds() const override { return true; }
    std::unique_ptr<CSpatialView> MakeView() override {
        return std::make_unique<CSpatialViewZeltp>(GetThread());
    }
};

} // namespace orv
