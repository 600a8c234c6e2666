#pragma once

#include "core/TypeIds.h"
#include "scandata/QSpectralFamilyScan.h"

namespace orv {

// The near-field ambient spectrum of a current clamp module. Levels are corrected as a spectral
// record's are: only above the threshold over the noise floor.
class QNearFieldAmbientScan : public QSpectralFamilyScan {
public:
    explicit QNearFieldAmbientScan(uint32_t count = 0) : QSpectralFamilyScan(count, true) {}

    uint16_t GetTypeID() const override { return kTypeNearFieldAmbientScan; }
    int16_t GetAmplitude(uint32_t index) const override;

    // Levels, rows and columns of a received spectral record.
    void CopyFromSpectral(const QSpectralScan& source) { CopyPointsFrom(source, true); }
};

} // namespace orv
