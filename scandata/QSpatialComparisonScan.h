#pragma once

#include "scandata/QSpatialScanInterface.h"

#include <cstdint>

namespace orv {

class QProbeScanPattern;

// The difference of two heat maps (A - B) over a common probe scan pattern, shown through the
// spatial interface without storing anything. The sources and the pattern are not owned and must
// outlive it.
class QSpatialComparisonScan : public QSpatialScanInterface {
public:
    // A cell that either source does not hold a value for (or lies outside its grid).
    static constexpr int16_t kNoValue = 30000;

    QSpatialComparisonScan(const QSpatialScanInterface& first, const QSpatialScanInterface& second,
                           const QProbeScanPattern& pattern)
        : m_First(&first), m_Second(&second), m_Pattern(&pattern) {}

    uint16_t GetRowCount() const override;
    uint16_t GetColumnCount() const override;
    // A's level minus B's as the sources show them. A cell without a value in either source stays
    // kNoValue; the difference is held to the 16-bit range and below kNoValue, never wrapped.
    int16_t GetAmplitude(uint16_t row, uint16_t column) const override;
    float GetFrequency(uint16_t row, uint16_t column) const override;

    const QSpatialScanInterface& GetFirst() const { return *m_First; }
    const QSpatialScanInterface& GetSecond() const { return *m_Second; }

private:
    const QSpatialScanInterface* m_First;
    const QSpatialScanInterface* m_Second;
    const QProbeScanPattern* m_Pattern;
};

// A source's level of a cell, or kNoValue outside its grid.
int16_t SpatialLevelOrNoValue(const QSpatialScanInterface& source, uint32_t row, uint32_t column);

} // namespace orv
