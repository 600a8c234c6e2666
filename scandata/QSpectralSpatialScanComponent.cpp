#include "scandata/QSpectralSpatialScanComponent.h"

#include "scandata/QDataPacketHandler.h"

namespace orv {

void QSpectralSpatialScanComponent::WriteBody(QDataWriter& writer) const {
    WriteLead(writer);
    writer.WriteU16(m_SubPosition);
    WriteLevels(writer);
}

void QSpectralSpatialScanComponent::ReadBody(QDataReader& reader) {
    const Lead lead = ReadLead(reader);
    const uint16_t subPosition = reader.ReadU16();
    std::vector<int16_t> levels = ReadLevels(reader);
    Assign(lead, levels);
    m_SubPosition = subPosition;
}

bool QSpectralSpatialScanComponent::DeliverToHandler(QDataPacketHandler* target) {
    if (m_DataForm <= 0 || target == nullptr) {
        return false;
    }
    QZeltSpectralSpatialHandOver record;
    record.m_Level = m_Level;
    record.m_SubPosition = m_SubPosition;
    record.m_PointCount = m_PointCount;
    record.m_Values.assign(m_Amplitudes.begin(), m_Amplitudes.end());
    record.m_Row = m_Row;
    record.m_Column = m_Column;
    target->ZeltSpectralSpatialScanData(record);
    return true;
}

void QSpectralSpatialScanComponent::SetCell(uint16_t row, uint16_t column, uint16_t subPosition) {
    m_Row = row;
    m_Column = column;
    m_SubPosition = subPosition;
}

} // namespace orv
