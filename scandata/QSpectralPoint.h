#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"

#include <cstdint>
#include <vector>

namespace orv {

class QMeasuredFrequencyData;

// One point of a spectrum as the engine sends it: the level in tenths and the cell at which it was
// found (for a maximum over cells, the cell of the maximum). Six bytes on the wire.
struct QSpectralPoint {
    int16_t m_Amplitude = 0;
    uint16_t m_Row = 0;
    uint16_t m_Column = 0;

    bool operator==(const QSpectralPoint& other) const = default;
};

inline constexpr uint32_t kSpectralPointBytes = 6;

// The points as one block of 6-byte records.
void WriteSpectralPoints(QDataWriter& writer, const std::vector<QSpectralPoint>& points);
// Checks the count against the bytes that remain before anything is allocated.
std::vector<QSpectralPoint> ReadSpectralPoints(QDataReader& reader, uint32_t count);
// Decodes count 6-byte records from a block into out[0..count-1].
void DecodeSpectralPoints(const uint8_t* block, uint32_t count, QSpectralPoint* out);

// Frequency of point `index` of `pointCount` between start and stop, in single precision. Without
// breakpoints the span is divided by the point count (not count - 1), so index = count gives stop.
// With breakpoints, linear between the neighbouring ones, (0, start) and (count, stop) closing the
// ends; an index at or past the count gives stop.
float InterpolatePointFrequency(uint32_t index, uint32_t pointCount, float start, float stop,
                                const QMeasuredFrequencyData* breakpoints);

// A level shown with its correction factor (in the analyser's unit, not tenths): only levels above
// threshold x 10 + noise floor (rounded) are corrected, by ten times the factor.
int16_t ThresholdCorrectedAmplitude(int16_t amplitude, float factor, float threshold, int16_t noiseFloor);

} // namespace orv
