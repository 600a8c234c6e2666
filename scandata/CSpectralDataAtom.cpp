#include "scandata/CSpectralDataAtom.h"

namespace orv {

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
