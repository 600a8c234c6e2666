#pragma once

// The frame of a Spectral Overlay node: the spectrum of the tab chosen (test, reference, both laid over each
// other).

#include "core/TypeIds.h"
#include "views/spatial/CSingleViewFrame.h"

namespace orv {

class CSpectralOverlayViewFrame : public CSpectralSingleViewFrame {
public:
    CSpectralOverlayViewFrame(const QFrameRequest& request, CHalvionView& formView)
        : CSpectralSingleViewFrame(request, formView, kTypeSpectralOverlayNode, QSize(750, 440),
                                   QSize(-1, -1), CSpectralView::TabStrip::Overlay,
                                   FrameTabs{{"Test View", "Reference View", "Overlay View"}, true}) {}
};

} // namespace orv
