#pragma once

#include "scandata/QSpatialScanInterface.h"

#include <cstdint>

namespace orv {

class QProbeScanPattern;

// Two passes of a blind-spot reduction scan combined: pass B was taken one row lower than pass A,
// so cell (r, c) combines A at (r, c) with B at (r + 1, c); the last row is A's alone. Nothing is
// stored; the sources and the pattern are not owned and must outlive it.
class QBlindSpotReductionScan : public QSpatialScanInterface {
public:
    static constexpr int16_t kNoValue = 30000;

    QBlindSpotReductionScan(const QSpatialScanInterface& first, const QSpatialScanInterface& second,
                            const QProbeScanPattern& pattern)
        : m_First(&first), m_Second(&second), m_Pattern(&pattern) {}

    uint16_t GetRowCount() const override;
    uint16_t GetColumnCount() const override;
    // The two levels (tenths) combined as powers of ten, log10(10^a + 10^b), truncated: in effect the
    // higher level. Computed as max + log10(1 + 10^(min - max)), which gives the same values without
    // overflowing for any 16-bit level. A level without a value yields the other one.
    int16_t GetAmplitude(uint16_t row, uint16_t column) const override;
    float GetFrequency(uint16_t row, uint16_t column) const override;

    // The combination rule on its own.
    static int16_t CombineLevels(int16_t a, int16_t b);

private:
    const QSpatialScanInterface* m_First;
    const QSpatialScanInterface* m_Second;
    const QProbeScanPattern* m_Pattern;
};

} // namespace orv
