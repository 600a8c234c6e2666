#include "scandata/QSpectralFamilyScan.h"

#include "core/QCorrectionData.h"
#include "scandata/QAntennaPositionScan.h"
#include "scandata/QFarFieldAmbientScan.h"
#include "scandata/QNearFieldAmbientScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/RecordCodec.h"

#include <algorithm>

namespace orv {

QSpectralFamilyScan::QSpectralFamilyScan(uint32_t count, bool keepsCorrections)
    : m_KeepsCorrections(keepsCorrections) {
    SetPointCount(count);
}

void QSpectralFamilyScan::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_PointCount);
    WriteSpectralPoints(writer, m_Points);
}

void QSpectralFamilyScan::ReadBody(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    std::vector<QSpectralPoint> points = ReadSpectralPoints(reader, count);
    SetPointCount(count);
    m_Points.swap(points);
}

void QSpectralFamilyScan::SetPointCount(uint32_t count) {
    std::vector<QSpectralPoint> points(count);
    std::vector<float> corrections(m_KeepsCorrections ? count : 0, 0.0f);
    m_PointCount = count;
    m_Corrected = 0;
    m_CorrectionRowCount = 21;
    m_PastLastRow = -1;
    m_CorrectionSet = 0;
    m_Threshold = 5.0f;
    m_Points.swap(points);
    m_Corrections.swap(corrections);
}

void QSpectralFamilyScan::SetAmplitude(uint32_t index, int16_t amplitude) {
    if (index < m_PointCount) {
        m_Points[index].m_Amplitude = amplitude;
    }
}

void QSpectralFamilyScan::SetPointWord1(uint32_t index, uint16_t row) {
    if (index < m_PointCount) {
        m_Points[index].m_Row = row;
    }
}

void QSpectralFamilyScan::SetPointWord2(uint32_t index, uint16_t column) {
    if (index < m_PointCount) {
        m_Points[index].m_Column = column;
    }
}

uint16_t QSpectralFamilyScan::GetPointWord1(uint32_t index) const {
    return index < m_PointCount ? m_Points[index].m_Row : uint16_t{0};
}

uint16_t QSpectralFamilyScan::GetPointWord2(uint32_t index) const {
    return index < m_PointCount ? m_Points[index].m_Column : uint16_t{0};
}

float QSpectralFamilyScan::GetFrequency(uint32_t index) const {
    return InterpolatePointFrequency(index, m_PointCount, m_StartFrequency, m_StopFrequency,
                                     m_MeasuredFrequencies);
}

void QSpectralFamilyScan::MergeScan(int32_t mode, const QSpectralFamilyScan& incoming) {
    if (mode != kMergeMaximumHold) {
        return;
    }
    if (!HasData()) {
        std::vector<QSpectralPoint> points = incoming.m_Points; // incoming may be this record
        SetPointCount(incoming.m_PointCount);
        m_Points.swap(points);
        return;
    }
    const uint32_t shared = std::min(m_PointCount, incoming.m_PointCount);
    for (uint32_t i = 0; i < shared; ++i) {
        const int16_t level = incoming.GetAmplitude(i);
        if (level > m_Points[i].m_Amplitude) {
            m_Points[i].m_Amplitude = level;
        }
    }
}

void QSpectralFamilyScan::CopyPointsFrom(const QSpectralScan& source, bool withCells) {
    const uint32_t count = source.GetPointCount();
    std::vector<QSpectralPoint> points(count);
    for (uint32_t i = 0; i < count; ++i) {
        points[i].m_Amplitude = source.GetStoredAmplitude(i);
        if (withCells) {
            points[i].m_Row = source.GetPointWord1(i);
            points[i].m_Column = source.GetPointWord2(i);
        }
    }
    SetPointCount(count);
    m_Points.swap(points);
}

int16_t QNearFieldAmbientScan::GetAmplitude(uint32_t index) const {
    if (index >= m_PointCount) {
        return 0;
    }
    const int16_t amplitude = m_Points[index].m_Amplitude;
    if (!QCorrectionData::IsSpectralCompensationOn()) {
        return amplitude;
    }
    return ThresholdCorrectedAmplitude(amplitude, m_Corrections[index], m_Threshold, m_NoiseFloor);
}

namespace {

// The factor added as it is, in the record's own unit.
int16_t AddedFactor(int16_t amplitude, float factor) {
    if (!QCorrectionData::IsSpectralCompensationOn()) {
        return amplitude;
    }
    return SaturateToInt16(static_cast<float>(amplitude) + factor, amplitude);
}

} // namespace

int16_t QFarFieldAmbientScan::GetAmplitude(uint32_t index) const {
    return index < m_PointCount ? AddedFactor(m_Points[index].m_Amplitude, m_Corrections[index]) : int16_t{0};
}

int16_t QAntennaPositionScan::GetAmplitude(uint32_t index) const {
    return index < m_PointCount ? AddedFactor(m_Points[index].m_Amplitude, m_Corrections[index]) : int16_t{0};
}

} // namespace orv
