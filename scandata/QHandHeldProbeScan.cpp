#include "scandata/QHandHeldProbeScan.h"

#include "scandata/RecordCodec.h"

namespace orv {

void QHandHeldProbeScan::WriteBody(QDataWriter& writer) const {
    writer.WriteI8(m_DataForm);
    writer.WriteI8(m_Level);
    writer.WriteU8(m_PassFlag);
    writer.WriteU16(m_Row);
    writer.WriteU16(m_Column);
    writer.WriteU32(m_PointCount);
    WriteInt16Block(writer, m_Amplitudes);
}

void QHandHeldProbeScan::ReadBody(QDataReader& reader) {
    const int8_t form = reader.ReadI8();
    const int8_t level = reader.ReadI8();
    const uint8_t passFlag = reader.ReadU8();
    const uint16_t row = reader.ReadU16();
    const uint16_t column = reader.ReadU16();
    const uint32_t count = reader.ReadU32();
    std::vector<int16_t> levels = ReadInt16Block(reader, count);

    m_DataForm = form;
    m_Level = level;
    m_PassFlag = passFlag;
    m_Row = row;
    m_Column = column;
    m_PointCount = count;
    m_Amplitudes.swap(levels);
}

void QHandHeldProbeScan::SetPointCount(uint32_t count) {
    std::vector<int16_t> levels(count, 0);
    m_Amplitudes.swap(levels);
    m_PointCount = count;
}

void QHandHeldProbeScan::SetHeader(int8_t dataForm, int8_t level, uint8_t passFlag) {
    m_DataForm = dataForm;
    m_Level = level;
    m_PassFlag = passFlag;
}

} // namespace orv
