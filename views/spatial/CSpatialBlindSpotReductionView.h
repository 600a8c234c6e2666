#pragma once

#include "views/spatial/CSpatialPairView.h"

#include <cstdint>

namespace orv {

// The heat map of a Blind Spot Reduction node (mode 5): its tabs show the upper pass, the lower pass
// and the result that combines them. The map is the multi-level view's; the result pane has a header
// of its own, and the menu offers only what applies to a pair of scans.
class CSpatialBlindSpotReductionView : public CSpatialPairView {
public:
    static constexpr const char* kTitle = "             Spatial Blindspot Reduction            ";
    static constexpr const char* kCompensatedTitle = " Spatial Blindspot Reduction(Compensated) ";

    using CSpatialPairView::CSpatialPairView;

    // The upper and lower panes the base header; the result pane its title, amplitude range with the
    // result's frequency, bandwidth with the attenuator or amplifier, and scanner module.
    void DrawLegend(QPainter& painter) override;

protected:
    int32_t GetPairPane() const override { return m_nBlindSpotPane; }
    // The upper pass is pane 0 and the mediator's first compared scan; the lower pass its second.
    bool PaneZeroShowsFirstComparedScan() const override { return true; }
};

} // namespace orv
