#include "scandata/QModuleSpectrum.h"

#include "scandata/RecordCodec.h"

namespace orv {

QModuleSpectrum::QModuleSpectrum(uint32_t count) : m_PointCount(count), m_Amplitudes(count, 0) {}

void QModuleSpectrum::WriteLevelsAndModule(QDataWriter& writer) const {
    writer.WriteU32(m_PointCount);
    WriteInt16Block(writer, m_Amplitudes);
    writer.WriteU16(m_ModuleValue);
}

QModuleSpectrum::LevelsAndModule QModuleSpectrum::ReadLevelsAndModule(QDataReader& reader) {
    LevelsAndModule read;
    const uint32_t count = reader.ReadU32();
    read.m_Levels = ReadInt16Block(reader, count);
    read.m_ModuleValue = reader.ReadU16();
    return read;
}

void QModuleSpectrum::Assign(LevelsAndModule& read) {
    m_PointCount = static_cast<uint32_t>(read.m_Levels.size());
    m_Amplitudes.swap(read.m_Levels);
    m_ModuleValue = read.m_ModuleValue;
}

void QModuleSpectrum::SetAmplitude(uint32_t index, int16_t amplitude) {
    if (index < m_PointCount) {
        m_Amplitudes[index] = amplitude;
    }
}

int16_t QModuleSpectrum::GetAmplitude(uint32_t index) const {
    return index < m_PointCount ? m_Amplitudes[index] : int16_t{0};
}

} // namespace orv
