#include "scandata/QSpatialComparisonScan.h"

#include "core/QProbeScanPattern.h"

#include <algorithm>

namespace orv {

int16_t SpatialLevelOrNoValue(const QSpatialScanInterface& source, uint32_t row, uint32_t column) {
    if (row >= source.GetRowCount() || column >= source.GetColumnCount()) {
        return QSpatialComparisonScan::kNoValue;
    }
    return source.GetAmplitude(static_cast<uint16_t>(row), static_cast<uint16_t>(column));
}

uint16_t QSpatialComparisonScan::GetRowCount() const {
    return m_Pattern->GetRows();
}

uint16_t QSpatialComparisonScan::GetColumnCount() const {
    return m_Pattern->GetColumns();
}

int16_t QSpatialComparisonScan::GetAmplitude(uint16_t row, uint16_t column) const {
    const int16_t first = SpatialLevelOrNoValue(*m_First, row, column);
    const int16_t second = SpatialLevelOrNoValue(*m_Second, row, column);
    if (first == kNoValue || second == kNoValue) {
        return kNoValue;
    }
    // A real difference must never read as a cell without a value.
    const int32_t difference = int32_t{first} - int32_t{second};
    return static_cast<int16_t>(std::clamp<int32_t>(difference, INT16_MIN, kNoValue - 1));
}

float QSpatialComparisonScan::GetFrequency(uint16_t row, uint16_t column) const {
    return m_First->GetFrequency(row, column);
}

} // namespace orv
