#pragma once

#include <cstdint>

namespace orv {

// Read access to one heat map for the views: the scan records and the snapshots answer it alike.
// Levels are tenths of the analyser's level unit, compensated as the application-wide switch says.
class QSpatialScanInterface {
public:
    QSpatialScanInterface() = default;
    QSpatialScanInterface(const QSpatialScanInterface&) = default;
    QSpatialScanInterface& operator=(const QSpatialScanInterface&) = default;
    virtual ~QSpatialScanInterface() = default;

    virtual uint16_t GetRowCount() const = 0;
    virtual uint16_t GetColumnCount() const = 0;
    virtual int16_t GetAmplitude(uint16_t row, uint16_t column) const = 0;
    virtual float GetFrequency(uint16_t row, uint16_t column) const = 0;
};

} // namespace orv
