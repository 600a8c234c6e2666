#pragma once

#include "core/TypeIds.h"
#include "scandata/QSpectralFamilyScan.h"

namespace orv {

// The spectrum of one antenna position. While spectral compensation is on every level carries its
// factor as it is (no threshold, no scaling).
class QAntennaPositionScan : public QSpectralFamilyScan {
public:
    explicit QAntennaPositionScan(uint32_t count = 0) : QSpectralFamilyScan(count, true) {}

    uint16_t GetTypeID() const override { return kTypeAntennaPositionScan; }
    int16_t GetAmplitude(uint32_t index) const override;

    // Levels, rows and columns of a received spectral record.
    void CopyFromSpectral(const QSpectralScan& source) { CopyPointsFrom(source, true); }
};

} // namespace orv
