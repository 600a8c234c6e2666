#pragma once

#include "views/spatial/CSpatialViewZeltp.h"

#include <cstdint>

namespace orv {

// The heat map of a Compare Spatial node (mode 4): its tabs show the test scan, the reference scan
// and the comparison (their difference in dB). The map is the multi-level view's; the comparison pane
// has a header of its own, and the menu is the blind-spot view's with test and reference in place of
// the upper and lower pass.
class CSpatialComparisonView : public CSpatialViewZeltp {
public:
    static constexpr const char* kTitle = "             Spatial Comparison             ";
    static constexpr const char* kCompensatedTitle = " Spatial Comparison(Compensated) ";

    using CSpatialViewZeltp::CSpatialViewZeltp;

    // The test and reference panes the base header; the comparison pane its title and the range of
    // the differences, always in dB.
    void DrawLegend(QPainter& painter) override;
    void ShowContextMenu(uint32_t flags, int32_t x, int32_t y) override;
    // Paste from the project's copy slot, and the description dialog whose OK on the test pane has
    // the comparison made again; the rest as the base carries them out.
    void OnContextCommand(uint32_t command) override;
};

} // namespace orv
