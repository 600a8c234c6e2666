#pragma once

#include <cstdint>

namespace orv {

// Read access to one spectrum for the views: the scan records and the snapshots answer it alike.
// Amplitudes are tenths of the analyser's level unit, compensated as the application-wide switch
// says.
class QSpectralScanInterface {
public:
    QSpectralScanInterface() = default;
    QSpectralScanInterface(const QSpectralScanInterface&) = default;
    QSpectralScanInterface& operator=(const QSpectralScanInterface&) = default;
    virtual ~QSpectralScanInterface() = default;

    virtual uint32_t GetPointCount() const = 0;
    virtual int16_t GetAmplitude(uint32_t index) const = 0;
    // The two 16-bit words of a point: the cell row and column for data that has them.
    virtual uint16_t GetPointWord1(uint32_t index) const = 0;
    virtual uint16_t GetPointWord2(uint32_t index) const = 0;
    virtual float GetFrequency(uint32_t index) const = 0;
    // The level as stored, whatever the compensation switch says; comparisons work on it. Every kind
    // answers it itself, so that none that compensates hands out its shown level by accident.
    virtual int16_t GetStoredAmplitude(uint32_t index) const = 0;
};

} // namespace orv
