#include "scandata/QBlindSpotReductionScan.h"

#include "core/QProbeScanPattern.h"
#include "scandata/QSpatialComparisonScan.h"
#include "scandata/RecordCodec.h"

#include <algorithm>
#include <cmath>

namespace orv {

uint16_t QBlindSpotReductionScan::GetRowCount() const {
    return m_Pattern->GetRows();
}

uint16_t QBlindSpotReductionScan::GetColumnCount() const {
    return m_Pattern->GetColumns();
}

int16_t QBlindSpotReductionScan::CombineLevels(int16_t a, int16_t b) {
    if (a == kNoValue) {
        return b;
    }
    if (b == kNoValue) {
        return a;
    }
    const double high = std::max(a, b);
    const double low = std::min(a, b);
    return SaturateToInt16(high + std::log10(1.0 + std::pow(10.0, low - high)));
}

int16_t QBlindSpotReductionScan::GetAmplitude(uint16_t row, uint16_t column) const {
    const uint16_t rows = GetRowCount();
    if (rows == 0 || row >= rows) {
        return kNoValue;
    }
    const int16_t first = SpatialLevelOrNoValue(*m_First, row, column);
    if (row == rows - 1) {
        return first;
    }
    return CombineLevels(SpatialLevelOrNoValue(*m_Second, uint32_t{row} + 1, column), first);
}

float QBlindSpotReductionScan::GetFrequency(uint16_t row, uint16_t column) const {
    return m_First->GetFrequency(row, column);
}

} // namespace orv
