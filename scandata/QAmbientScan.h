#pragma once

#include "core/TypeIds.h"
#include "scandata/QSpectralFamilyScan.h"

#include <cstdint>
#include <vector>

namespace orv {

// One spectrum of the ambient (background) field, in which the ambient signals are detected so that
// the ambient container can list them as a frequency table. Levels are shown as stored.
class QAmbientScan : public QSpectralFamilyScan {
public:
    static constexpr size_t kMaxSignals = 30;

    explicit QAmbientScan(uint32_t count = 0) : QSpectralFamilyScan(count, false) {}

    uint16_t GetTypeID() const override { return kTypeAmbientScan; }
    // As stored; 0 outside the points.
    int16_t GetAmplitude(uint32_t index) const override { return GetStoredAmplitude(index); }
    float GetFrequency(uint32_t /*index*/) const override { return 0.0f; }

    // The levels of a received spectral record; rows and columns stay 0.
    void CopyFromSpectral(const QSpectralScan& source) { CopyPointsFrom(source, false); }

    // Finds the ambient signals: runs above the noise floor + 3 deviations (at most the 30 highest),
    // then keeps those above the noise floor + threshold. The table is sized to, and holds, the
    // signals kept (point index and frequency); amplitudes[j] is the level of the j-th candidate.
    // With no points nothing is found and everything out is 0 or empty.
    void DetectAmbientSignals(QMeasuredFrequencyData& signals, std::vector<float>& amplitudes, int32_t& mean,
                              uint32_t& pointCount);

    // The frequency table of the scan (breakpoints); not owned.
    void SetScanFrequencies(const QMeasuredFrequencyData* table) { m_MeasuredFrequencies = table; }
    // The table the last detection filled; not owned.
    const QMeasuredFrequencyData* GetSignals() const { return m_Signals; }

private:
    // Frequency of point k for the signal table: N - 1 intervals without breakpoints.
    float SignalFrequency(uint32_t index) const;

    const QMeasuredFrequencyData* m_Signals = nullptr;
};

} // namespace orv
