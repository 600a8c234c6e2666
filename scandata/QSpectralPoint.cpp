#include "scandata/QSpectralPoint.h"

#include "core/ByteCodec.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/RecordCodec.h"

#include <cmath>

namespace orv {

void WriteSpectralPoints(QDataWriter& writer, const std::vector<QSpectralPoint>& points) {
    const auto bytes = static_cast<uint32_t>(points.size() * kSpectralPointBytes);
    QScratchBlock block(bytes);
    uint8_t* cursor = block.Data();
    for (const QSpectralPoint& point : points) {
        PutLE(cursor, point.m_Amplitude);
        PutLE(cursor, point.m_Row);
        PutLE(cursor, point.m_Column);
    }
    writer.Write(block.Data(), bytes);
}

void DecodeSpectralPoints(const uint8_t* block, uint32_t count, QSpectralPoint* out) {
    for (uint32_t i = 0; i < count; ++i) {
        out[i].m_Amplitude = GetLE<int16_t>(block);
        out[i].m_Row = GetLE<uint16_t>(block);
        out[i].m_Column = GetLE<uint16_t>(block);
    }
}

std::vector<QSpectralPoint> ReadSpectralPoints(QDataReader& reader, uint32_t count) {
    const uint32_t bytes = RequireArrayBytes(reader, count, kSpectralPointBytes);
    QScratchBlock block(bytes);
    reader.Read(block.Data(), bytes);
    std::vector<QSpectralPoint> points(count);
    DecodeSpectralPoints(block.Data(), count, points.data());
    return points;
}

float InterpolatePointFrequency(uint32_t index, uint32_t pointCount, float start, float stop,
                                const QMeasuredFrequencyData* breakpoints) {
    if (breakpoints == nullptr || breakpoints->GetEntryCount() == 0) {
        if (pointCount == 0) {
            return stop; // no points: the only index there is, 0, is the count
        }
        return start + (stop - start) * static_cast<float>(index) / static_cast<float>(pointCount);
    }
    if (index >= pointCount) {
        return stop;
    }
    uint32_t p0 = 0;
    float f0 = start;
    uint32_t p1 = pointCount;
    float f1 = stop;
    const uint32_t entries = breakpoints->GetEntryCount();
    for (uint32_t k = 0; k < entries; ++k) {
        const uint32_t at = breakpoints->GetEntryIndex(k);
        if (index < at) {
            p1 = at;
            f1 = breakpoints->GetEntryFrequency(k);
            break;
        }
        p0 = at;
        f0 = breakpoints->GetEntryFrequency(k);
    }
    // p0 <= index < p1 always holds here, so the span is at least one point.
    return f0 + static_cast<float>(index - p0) * (f1 - f0) / static_cast<float>(p1 - p0);
}

int16_t ThresholdCorrectedAmplitude(int16_t amplitude, float factor, float threshold, int16_t noiseFloor) {
    const double limit = std::trunc(static_cast<double>(threshold) * 10.0 + 0.5 + noiseFloor);
    if (!(amplitude > limit)) {
        return amplitude;
    }
    const float corrected = factor * 10.0f + static_cast<float>(amplitude);
    return SaturateToInt16(corrected, amplitude);
}

} // namespace orv
