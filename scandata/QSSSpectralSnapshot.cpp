#include "scandata/QSSSpectralSnapshot.h"

#include "core/QCorrectionData.h"
#include "scandata/AmplitudeStatistics.h"

#include <cmath>
#include <span>

namespace orv {

QSSSpectralSnapshot::QSSSpectralSnapshot(uint32_t pointCount)
    : m_Points(pointCount), m_Corrections(pointCount, 0.0F) {}

int16_t QSSSpectralSnapshot::GetAmplitude(uint32_t index) const {
    const int16_t amplitude = m_Points[index].m_Amplitude;
    if (!QCorrectionData::IsSpectralCompensationOn()) {
        return amplitude;
    }
    if (static_cast<float>(amplitude) > static_cast<float>(m_NoiseFloor) + 10.0F * m_Threshold) {
        const int32_t scaled = static_cast<int32_t>(std::trunc(10.0F * m_Corrections[index]));
        return static_cast<int16_t>(amplitude + scaled);
    }
    return amplitude;
}

uint16_t QSSSpectralSnapshot::GetPointWord1(uint32_t index) const {
    return index < m_Points.size() ? m_Points[index].m_Row : 0;
}

uint16_t QSSSpectralSnapshot::GetPointWord2(uint32_t index) const {
    return index < m_Points.size() ? m_Points[index].m_Column : 0;
}

float QSSSpectralSnapshot::GetFrequency(uint32_t index) const {
    return InterpolatePointFrequency(index, GetPointCount(), m_StartFrequency, m_StopFrequency,
                                     m_MeasuredFrequencies);
}

int16_t QSSSpectralSnapshot::EstimateNoiseFloor() {
    if (m_Points.empty()) {
        return 0;
    }
    std::vector<int16_t> amplitudes(m_Points.size());
    for (size_t i = 0; i < m_Points.size(); ++i) {
        amplitudes[i] = m_Points[i].m_Amplitude;
    }
    m_NoiseFloor = EstimateNoiseFloorOf(std::span<const int16_t>(amplitudes));
    return m_NoiseFloor;
}

void QSSSpectralSnapshot::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(GetPointCount());
    WriteSpectralPoints(writer, m_Points);
}

void QSSSpectralSnapshot::ReadBody(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    std::vector<QSpectralPoint> points = ReadSpectralPoints(reader, count);
    m_Points.swap(points);
    m_Corrections.assign(count, 0.0F);
}

} // namespace orv
