#pragma once

// The frame of a Spectral Overlay node: the spectrum of the tab chosen (test, reference, both laid over each
// other).

#include "core/TypeIds.h"
#include "views/spatial/CSingleViewFrame.h"
#include "views/spectral/CSpectralOverlayView.h"

#include <memory>

namespace orv {

class CSpectralOverlayViewFrame : public CSpectralSingleViewFrame {
public:
    CSpectralOverlayViewFrame(const QFrameRequest& request, CHalvionView& formView)
        : CSpectralSingleViewFrame(request, formView, kTypeSpectralOverlayNode, QSize(750, 440),
                                   QSize(-1, -1), CSpectralView::TabStrip::Overlay,
                                   FrameTabs{{"Test View", "Reference View", "Overlay View"}, true}) {}

protected:
    std::unique_ptr<CSpectralView> MakeView() override {
        return std::make_unique<CSpectralOverlayView>(GetThread());
    }
};

} // namespace orv
