#include "scandata/QSpectralSpatialScanComponent.h"

#include "scandata/QDataPacketHandler.h"
#include "scandata/RecordCodec.h"

namespace orv {

void QSpectralSpatialScanComponent::WriteBody(QDataWriter& writer) const {
    writer.WriteI8(m_DataForm);
    writer.WriteI8(m_Level);
    writer.WriteU8(m_PassFlag);
    writer.WriteU16(m_Row);
    writer.WriteU16(m_Column);
    writer.WriteU16(m_SubPosition);
    writer.WriteU32(m_PointCount);
    WriteInt16Block(writer, m_Amplitudes);
}

void QSpectralSpatialScanComponent::ReadBody(QDataReader& reader) {
    const int8_t form = reader.ReadI8();
    const int8_t level = reader.ReadI8();
    const uint8_t passFlag = reader.ReadU8();
    const uint16_t row = reader.ReadU16();
    const uint16_t column = reader.ReadU16();
    const uint16_t subPosition = reader.ReadU16();
    const uint32_t count = reader.ReadU32();
    std::vector<int16_t> levels = ReadInt16Block(reader, count);

    m_DataForm = form;
    m_Level = level;
    m_PassFlag = passFlag;
    m_Row = row;
    m_Column = column;
    m_SubPosition = subPosition;
    m_PointCount = count;
    m_Amplitudes.swap(levels);
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

void QSpectralSpatialScanComponent::SetPointCount(uint32_t count) {
    std::vector<int16_t> levels(count, 0);
    m_Amplitudes.swap(levels);
    m_PointCount = count;
}

void QSpectralSpatialScanComponent::SetCell(uint16_t row, uint16_t column, uint16_t subPosition) {
    m_Row = row;
    m_Column = column;
    m_SubPosition = subPosition;
}

void QSpectralSpatialScanComponent::SetHeader(int8_t dataForm, int8_t level, uint8_t passFlag) {
    m_DataForm = dataForm;
    m_Level = level;
    m_PassFlag = passFlag;
}

} // namespace orv
