#pragma once

// The frame of a Blind Spot Reduction node: the map of the tab chosen (upper pass, lower pass, result).

#include "core/TypeIds.h"
#include "views/spatial/CSingleViewFrame.h"
#include "views/spatial/CSpatialBlindSpotReductionView.h"

#include <memory>

namespace orv {

class CSpatialBlindSpotReductionViewFrame : public CSpatialSingleViewFrame {
public:
    CSpatialBlindSpotReductionViewFrame(const QFrameRequest& request, CHalvionView& formView)
        : CSpatialSingleViewFrame(
              request, formView, kTypeBlindSpotReductionNode, QSize(600, 570), QSize(-1, -1),
              CSpatialView::TabStrip::BlindSpot,
              FrameTabs{{"Upper Scan View", "Lower Scan View", "Blind Spot Reduction View"}, true}) {}

protected:
    std::unique_ptr<CSpatialView> MakeView() override {
        return std::make_unique<CSpatialBlindSpotReductionView>(GetThread());
    }
};

} // namespace orv
