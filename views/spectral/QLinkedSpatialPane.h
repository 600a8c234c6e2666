#pragma once

#include "scandata/CScanData.h"

#include <vector>

namespace orv {

// The spatial pane of a spectral/spatial frame as its spectral view reaches it: the spatial view
// implements it. The spectral view finds it through its frame.
class QLinkedSpatialPane {
public:
    QLinkedSpatialPane() = default;
    QLinkedSpatialPane(const QLinkedSpatialPane&) = delete;
    QLinkedSpatialPane& operator=(const QLinkedSpatialPane&) = delete;
    virtual ~QLinkedSpatialPane();

    // The pane shows the node's spectral/spatial scan linked to the spectral view.
    virtual void LoadLinkedSpectralSpatialScanData() = 0;
    // The spectral view's frequency markers changed: the pane takes them again and redraws.
    virtual void UpdateSelectedFrequencies() = 0;
    // The cells selected in the pane, as (x, y) positions (sub-cell positions for interleaved data);
    // left as it is when the pane has no list.
    virtual void GetSelectedCells(std::vector<CScanPoint>& out) = 0;
};

} // namespace orv
