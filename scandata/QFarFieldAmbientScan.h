#pragma once

#include "core/TypeIds.h"
#include "scandata/QSpectralFamilyScan.h"

namespace orv {

// The far-field ambient spectrum of a current clamp module. While spectral compensation is on every
// level carries its factor as it is (no threshold, no scaling).
class QFarFieldAmbientScan : public QSpectralFamilyScan {
public:
    explicit QFarFieldAmbientScan(uint32_t count = 0) : QSpectralFamilyScan(count, true) {}

    uint16_t GetTypeID() const override { return kTypeFarFieldAmbientScan; }
    int16_t GetAmplitude(uint32_t index) const override;

    // The levels of a received spectral record; rows and columns stay 0.
    void CopyAmplitudes(const QSpectralScan& source) { CopyPointsFrom(source, false); }
};

} // namespace orv
