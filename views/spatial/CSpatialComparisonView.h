#pragma once

#include "views/spatial/CSpatialPairView.h"

#include <cstdint>

namespace orv {

// The heat map of a Compare Spatial node (mode 4): its tabs show the test scan, the reference scan
// and the comparison (their difference in dB). The map is the multi-level view's; the comparison pane
// has a header of its own, and the menu is the blind-spot view's with test and reference in place of
// the upper and lower pass.
class CSpatialComparisonView : public CSpatialPairView {
public:
    static constexpr const char* kTitle = "             Spatial Comparison             ";
    static constexpr const char* kCompensatedTitle = " Spatial Comparison(Compensated) ";

    using CSpatialPairView::CSpatialPairView;

    // The test and reference panes the base header; the comparison pane its title and the range of
    // the differences, always in dB.
    void DrawLegend(QPainter& painter) override;

protected:
    int32_t GetPairPane() const override { return m_nComparisonPane; }
    // The test scan is pane 0 and the mediator's second compared scan; the reference its first.
    bool PaneZeroShowsFirstComparedScan() const override { return false; }
};

} // namespace orv
