#pragma once

// The frame of a Compare Spectral node: the spectrum of the tab chosen (test, reference, comparison).

#include "core/TypeIds.h"
#include "views/spatial/CSingleViewFrame.h"
#include "views/spectral/CSpectralComparisonView.h"

#include <memory>

namespace orv {

class CSpectralComparisonViewFrame : public CSpectralSingleViewFrame {
public:
    CSpectralComparisonViewFrame(const QFrameRequest& request, CHalvionView& formView)
        : CSpectralSingleViewFrame(request, formView, kTypeSpectralComparisonNode, QSize(750, 440),
                                   QSize(-1, -1), CSpectralView::TabStrip::Comparison,
                                   FrameTabs{{"Test View", "Reference View", "Comparison View"}, true}) {}

protected:
    std::unique_ptr<CSpectralView> MakeView() override {
        return std::make_unique<CSpectralComparisonView>(GetThread());
    }
};

} // namespace orv
