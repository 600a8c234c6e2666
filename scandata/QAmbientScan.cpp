#include "scandata/QAmbientScan.h"

#include "scandata/AmplitudeStatistics.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/RecordCodec.h"

#include <cmath>

namespace orv {

float QAmbientScan::SignalFrequency(uint32_t index) const {
    if (m_MeasuredFrequencies != nullptr && m_MeasuredFrequencies->GetEntryCount() > 0) {
        return InterpolatePointFrequency(index, m_PointCount, m_StartFrequency, m_StopFrequency,
                                         m_MeasuredFrequencies);
    }
    if (m_PointCount < 2) {
        return m_StartFrequency;
    }
    return m_StartFrequency + static_cast<float>(index) * (m_StopFrequency - m_StartFrequency) /
                                  static_cast<float>(m_PointCount - 1);
}

void QAmbientScan::DetectAmbientSignals(QMeasuredFrequencyData& signals, std::vector<float>& amplitudes,
                                        int32_t& mean, uint32_t& pointCount) {
    pointCount = m_PointCount;
    amplitudes.clear();
    m_Signals = &signals;
    if (m_PointCount == 0) {
        mean = 0;
        signals.Reset(0);
        return;
    }
    std::vector<int16_t> levels(m_PointCount);
    for (uint32_t i = 0; i < m_PointCount; ++i) {
        levels[i] = m_Points[i].m_Amplitude;
    }
    const AmplitudeSpread spread = ComputeSpread(levels);
    mean = SaturateToInt16(spread.m_Mean);

    // The noise population: the levels below the limit + 5 dB (levels are tenths).
    const double noiseLimit = spread.m_Limit + 50.0;
    double noiseSum = 0.0;
    uint32_t noiseCount = 0;
    for (const int16_t level : levels) {
        if (level < noiseLimit) {
            noiseSum += level;
            ++noiseCount;
        }
    }
    const double noiseMean = noiseCount > 0 ? noiseSum / noiseCount : spread.m_Mean;
    m_NoiseFloor = SaturateToInt16(noiseMean);

    // The spread of that same population around the noise floor; with fewer than two of them it is 0.
    double squares = 0.0;
    for (const int16_t level : levels) {
        if (level < noiseLimit) {
            const double delta = level - static_cast<double>(m_NoiseFloor);
            squares += delta * delta;
        }
    }
    const double deviation = noiseCount > 1 ? std::sqrt(squares / (noiseCount - 1)) : 0.0;
    const double detectionLevel = m_NoiseFloor + 3.0 * deviation;

    const std::vector<uint32_t> kept =
        SelectHighest(FindRunMaxima(levels, detectionLevel), levels, kMaxSignals);
    amplitudes.reserve(kept.size());
    std::vector<uint32_t> chosen;
    for (const uint32_t k : kept) {
        amplitudes.push_back(static_cast<float>(levels[k]));
        if (static_cast<float>(levels[k]) > static_cast<float>(m_NoiseFloor) + m_Threshold) {
            chosen.push_back(k);
        }
    }
    // Frequencies first: the table written may be the one the breakpoints come from.
    std::vector<float> frequencies;
    for (const uint32_t k : chosen) {
        frequencies.push_back(SignalFrequency(k));
    }
    signals.Reset(static_cast<uint32_t>(chosen.size()));
    for (uint32_t j = 0; j < chosen.size(); ++j) {
        signals.SetEntryIndex(j, chosen[j]);
        signals.SetEntryFrequency(j, frequencies[j]);
    }
}

} // namespace orv
