#pragma once

#include "views/spectral/CSpectralView.h"

#include <string>

namespace orv {

// The spectral pane of a spectral/spatial frame: the full composite spectrum over every measured
// cell and the user composite over the cells selected in the frame's spatial pane, each point with
// the cell that gave it, which the marker read-out names. Everything else is the base view's.
class CSpectralSSView : public CSpectralView {
public:
    using CSpectralView::CSpectralView;

    bool LoadTraceData(bool reset, bool& needsData) override;
    void DrawReadout(int32_t x, int32_t y) override;

private:
    // The read-out line of draw point k of a trace whose points are `points`; sub-cells are shown for
    // interleaved data.
    std::string CellReadoutText(const CSpectralDrawPoint& set, const std::vector<TracePoint>& points,
                                int32_t k, bool subCells) const;
};

} // namespace orv
