#include "scandata/QGeneralModuleScan.h"

#include "scandata/RecordCodec.h"

namespace orv {

QGeneralModuleScan::QGeneralModuleScan(uint32_t count) : m_PointCount(count), m_Amplitudes(count, 0) {}

void QGeneralModuleScan::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_PointCount);
    WriteInt16Block(writer, m_Amplitudes);
    writer.WriteU16(m_ModuleValue);
}

void QGeneralModuleScan::ReadBody(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    std::vector<int16_t> levels = ReadInt16Block(reader, count);
    const uint16_t moduleValue = reader.ReadU16();
    m_PointCount = count;
    m_Amplitudes.swap(levels);
    m_ModuleValue = moduleValue;
}

void QGeneralModuleScan::SetAmplitude(uint32_t index, int16_t amplitude) {
    if (index < m_PointCount) {
        m_Amplitudes[index] = amplitude;
    }
}

int16_t QGeneralModuleScan::GetAmplitude(uint32_t index) const {
    return index < m_PointCount ? m_Amplitudes[index] : int16_t{0};
}

} // namespace orv
