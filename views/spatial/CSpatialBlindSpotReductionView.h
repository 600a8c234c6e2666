#pragma once

#include "views/spatial/CSpatialViewZeltp.h"

#include <cstdint>

namespace orv {

// The heat map of a Blind Spot Reduction node (mode 5): its tabs show the upper pass, the lower pass
// and the result that combines them. The map is the multi-level view's; the result pane has a header
// of its own, and the menu offers only what applies to a pair of scans.
class CSpatialBlindSpotReductionView : public CSpatialViewZeltp {
public:
    static constexpr const char* kTitle = "             Spatial Blindspot Reduction            ";
    static constexpr const char* kCompensatedTitle = " Spatial Blindspot Reduction(Compensated) ";

    using CSpatialViewZeltp::CSpatialViewZeltp;

    // The upper and lower panes the base header; the result pane its title, amplitude range with the
    // result's frequency, bandwidth with the attenuator or amplifier, and scanner module.
    void DrawLegend(QPainter& painter) override;
    void ShowContextMenu(uint32_t flags, int32_t x, int32_t y) override;
    // Paste from the project's copy slot, and the description dialog whose OK on the upper pane has
    // the result made again; the rest as the base carries them out.
    void OnContextCommand(uint32_t command) override;
};

} // namespace orv
