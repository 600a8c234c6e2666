#include "scandata/CSpectralDataAtom.h"

#include <algorithm>

namespace orv {

namespace {

template <typename Value, typename Point>
void MergeValues(std::vector<Point>& points, const Value* values, uint32_t count,
                 CSpectralDataAtom::Cell cell, bool lastWins) {
    const size_t n = std::min<size_t>(count, points.size());
    // The common case keeps the maximum: one comparison per point, the cell written only on a gain.
    for (size_t i = 0; i < n; ++i) {
        const auto value = static_cast<float>(values[i]);
        Point& point = points[i];
        if (lastWins || value > point.m_Amplitude) {
            point.m_Amplitude = value;
            point.m_Row = cell.m_Row;
            point.m_Column = cell.m_Column;
            point.m_SubRow = cell.m_SubRow;
            point.m_SubColumn = cell.m_SubColumn;
        }
    }
}

} // namespace

void CSpectralDataAtom::Merge(const int16_t* values, uint32_t count, Cell cell, bool lastWins) {
    MergeValues(m_Points, values, count, cell, lastWins);
}

void CSpectralDataAtom::Merge(const float* values, uint32_t count, Cell cell, bool lastWins) {
    MergeValues(m_Points, values, count, cell, lastWins);
}

CSpectralDataAtom::CSpectralDataAtom(uint32_t pointCount) : m_Points(pointCount) {}

float CSpectralDataAtom::GetAmplitude(uint32_t index) const {
    return index < m_Points.size() ? m_Points[index].m_Amplitude : kInitialAmplitude;
}
void CSpectralDataAtom::SetAmplitude(uint32_t index, float amplitude) {
    if (index < m_Points.size()) {
        m_Points[index].m_Amplitude = amplitude;
    }
}
uint16_t CSpectralDataAtom::GetRow(uint32_t index) const {
    return index < m_Points.size() ? m_Points[index].m_Row : 0;
}
void CSpectralDataAtom::SetRow(uint32_t index, uint16_t row) {
    if (index < m_Points.size()) {
        m_Points[index].m_Row = row;
    }
}
uint16_t CSpectralDataAtom::GetColumn(uint32_t index) const {
    return index < m_Points.size() ? m_Points[index].m_Column : 0;
}
void CSpectralDataAtom::SetColumn(uint32_t index, uint16_t column) {
    if (index < m_Points.size()) {
        m_Points[index].m_Column = column;
    }
}
uint8_t CSpectralDataAtom::GetSubRow(uint32_t index) const {
    return index < m_Points.size() ? m_Points[index].m_SubRow : 0;
}
void CSpectralDataAtom::SetSubRow(uint32_t index, uint8_t subRow) {
    if (index < m_Points.size()) {
        m_Points[index].m_SubRow = subRow;
    }
}
uint8_t CSpectralDataAtom::GetSubColumn(uint32_t index) const {
    return index < m_Points.size() ? m_Points[index].m_SubColumn : 0;
}
void CSpectralDataAtom::SetSubColumn(uint32_t index, uint8_t subColumn) {
    if (index < m_Points.size()) {
        m_Points[index].m_SubColumn = subColumn;
    }
}

} // namespace orv
