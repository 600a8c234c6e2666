#pragma once

// The frame of a Compare Spatial node: the map of the tab chosen (test, reference, comparison).

#include "core/TypeIds.h"
#include "views/spatial/CSingleViewFrame.h"

namespace orv {

class CSpatialComparisonViewFrame : public CSpatialSingleViewFrame {
public:
    CSpatialComparisonViewFrame(const QFrameRequest& request, CHalvionView& formView)
        : CSpatialSingleViewFrame(request, formView, kTypeSpatialComparisonNode, QSize(600, 570),
                                  QSize(-1, -1), CSpatialView::TabStrip::Comparison,
                                  FrameTabs{{"Test View", "Reference View", "Comparison View"}, true}) {}
};

} // namespace orv
