#pragma once

// The frame of a Spectral Spatial Scripting node: the joined spectra of its child scans.

#include "core/TypeIds.h"
#include "views/spatial/CSingleViewFrame.h"
#include "views/spectral/CSpectralSpatialScriptingView.h"

#include <memory>

namespace orv {

class CSpectralSpatialScriptingViewFrame : public CSpectralSingleViewFrame {
public:
    CSpectralSpatialScriptingViewFrame(const QFrameRequest& request, CHalvionView& formView)
        : CSpectralSingleViewFrame(request, formView, kTypeSpectralSpatialScriptingModuleNode,
                                   QSize(750, 420), QSize(-1, -1), CSpectralView::TabStrip::Composite,
                                   FrameTabs{{}, false}) {}

protected:
    bool ResetsDisplayedScanIds() const override { return true; }
    std::unique_ptr<CSpectralView> MakeView() override {
        return std::make_unique<CSpectralSpatialScriptingView>(GetThread());
    }
};

} // namespace orv
