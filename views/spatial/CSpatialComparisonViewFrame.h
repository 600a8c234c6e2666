#pragma once

// The frame of a Compare Spatial node: the map of the tab chosen (test, reference, comparison).

#include "core/TypeIds.h"
#include "views/spatial/CSingleViewFrame.h"
#include "views/spatial/CSpatialComparisonView.h"

#include <memory>

namespace orv {

class CSpatialComparisonViewFrame : public CSpatialSingleViewFrame {
public:
    CSpatialComparisonViewFrame(const QFrameRequest& request, CHalvionView& formView)
        : CSpatialSingleViewFrame(request, formView, kTypeSpatialComparisonNode, QSize(600, 570),
                                  QSize(-1, -1), CSpatialView::TabStrip::Comparison,
                                  FrameTabs{{"Test View", "Reference View", "Comparison View"}, true}) {}

protected:
    std::unique_ptr<CSpatialView> MakeView() override {
        return std::make_unique<CSpatialComparisonView>(GetThread());
    }
};

} // namespace orv
