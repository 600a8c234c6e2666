#include "scandata/QProbeCellSpectrum.h"

#include "scandata/RecordCodec.h"

namespace orv {

void QProbeCellSpectrum::WriteLead(QDataWriter& writer) const {
    writer.WriteI8(m_DataForm);
    writer.WriteI8(m_Level);
    writer.WriteU8(m_PassFlag);
    writer.WriteU16(m_Row);
    writer.WriteU16(m_Column);
}

QProbeCellSpectrum::Lead QProbeCellSpectrum::ReadLead(QDataReader& reader) {
    Lead lead;
    lead.m_DataForm = reader.ReadI8();
    lead.m_Level = reader.ReadI8();
    lead.m_PassFlag = reader.ReadU8();
    lead.m_Row = reader.ReadU16();
    lead.m_Column = reader.ReadU16();
    return lead;
}

void QProbeCellSpectrum::WriteLevels(QDataWriter& writer) const {
    writer.WriteU32(m_PointCount);
    WriteInt16Block(writer, m_Amplitudes);
}

std::vector<int16_t> QProbeCellSpectrum::ReadLevels(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    return ReadInt16Block(reader, count);
}

void QProbeCellSpectrum::Assign(const Lead& lead, std::vector<int16_t>& levels) {
    m_DataForm = lead.m_DataForm;
    m_Level = lead.m_Level;
    m_PassFlag = lead.m_PassFlag;
    m_Row = lead.m_Row;
    m_Column = lead.m_Column;
    m_PointCount = static_cast<uint32_t>(levels.size());
    m_Amplitudes.swap(levels);
}

void QProbeCellSpectrum::SetPointCount(uint32_t count) {
    std::vector<int16_t> levels(count, 0);
    m_Amplitudes.swap(levels);
    m_PointCount = count;
}

void QProbeCellSpectrum::SetHeader(int8_t dataForm, int8_t level, uint8_t passFlag) {
    m_DataForm = dataForm;
    m_Level = level;
    m_PassFlag = passFlag;
}

} // namespace orv
