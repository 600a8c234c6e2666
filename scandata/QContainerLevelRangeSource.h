#pragma once

#include "core/QLevelRangeSource.h"

namespace orv {

class QScanContainer;

// What the automatic level range of the spatial display options reads of a node's scan container.
// The node hands one out while it holds its lock (QLevelRangeNode); it reads the container and the
// application's compensation switch and writes nothing application-wide.
class QContainerLevelRangeSource : public QLevelRangeSource {
public:
    explicit QContainerLevelRangeSource(QScanContainer& container) : m_Container(container) {}

    // A spatial container with a compensation level: the lowest and highest level over the active
    // cells of its pattern, a level above the compensation level shown with its cell's factor while
    // spatial compensation is on (0 and 0 without an active cell; the container's own range while it
    // has no heat map). A spectral/spatial container: its spatial view's range over the selection.
    // Every other case: the container's own level range over the selection.
    void GetShownLevelRange(float* low, float* high, const QFrequencyBucketList* selection,
                            std::optional<float> compensationLevel) override;
    // A spatial container's stored range; 0 and 0 for other kinds.
    void GetStoredLevelRange(float* low, float* high) override;
    // The noise floor of a spectral/spatial or hand-held container; 0 for other kinds.
    float GetNoiseFloor() override;

private:
    QScanContainer& m_Container;
};

} // namespace orv
