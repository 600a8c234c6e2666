#pragma once

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
};

} // namespace orv
