#pragma once

#include "views/spatial/CSpatialViewZeltp.h"

#include <cstdint>

namespace orv {

// The heat map of a node that combines two spatial scans (Compare Spatial, Blind Spot Reduction):
// its tabs show the two inputs (panes 0 and 1) and their combination (pane 2). Both kinds share the
// right-click menu of a pair and its commands; each draws its own header for the combination.
class CSpatialPairView : public CSpatialViewZeltp {
public:
    using CSpatialViewZeltp::CSpatialViewZeltp;

    void ShowContextMenu(uint32_t flags, int32_t x, int32_t y) override;
    // Paste from the project's copy slot, and the description dialog whose OK on pane 0 has the
    // combination made again; the rest as the base carries them out.
    void OnContextCommand(uint32_t command) override;

protected:
    // The pane the tabs show now.
    virtual int32_t GetPairPane() const = 0;
    // Whether pane 0 shows the mediator's first compared scan (pane 1 then shows its second).
    virtual bool PaneZeroShowsFirstComparedScan() const = 0;
    // The header's and the map area's rectangles once the combination's header is drawn.
    void SetCombinedPaneRectangles(int legendWidth);
};

} // namespace orv
