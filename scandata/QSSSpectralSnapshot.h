#pragma once

#include "core/QSerializable.h"
#include "core/TypeIds.h"
#include "scandata/QSpectralPoint.h"
#include "scandata/QSpectralScanInterface.h"

#include <cstdint>
#include <vector>

namespace orv {

class QMeasuredFrequencyData;

// A compact, read-only spectrum for the views: per point a level and the cell at which it was
// found. Its owner fills the points; corrections, threshold, noise floor, frequency range and the
// frequency table are set by the owner and are not stored.
class QSSSpectralSnapshot : public QSpectralScanInterface, public QSerializable {
public:
    explicit QSSSpectralSnapshot(uint32_t pointCount = 0);

    uint32_t GetPointCount() const override { return static_cast<uint32_t>(m_Points.size()); }
    // Compensated while the spectral switch is on, for levels above the noise floor + 10 x threshold.
    int16_t GetAmplitude(uint32_t index) const override;
    uint16_t GetPointWord1(uint32_t index) const override;
    uint16_t GetPointWord2(uint32_t index) const override;
    float GetFrequency(uint32_t index) const override;

    // The level as stored, without compensation; 0 outside the points.
    int16_t GetStoredAmplitude(uint32_t index) const override {
        return index < m_Points.size() ? m_Points[index].m_Amplitude : int16_t{0};
    }
    // The same, for an index known to lie inside the points.
    int16_t GetRawAmplitude(uint32_t index) const { return m_Points[index].m_Amplitude; }
    void SetPoint(uint32_t index, int16_t amplitude, uint16_t word1, uint16_t word2) {
        m_Points[index] = QSpectralPoint{amplitude, word1, word2};
    }
    const std::vector<QSpectralPoint>& GetPoints() const { return m_Points; }
    // Correction factors in dB, one per point.
    std::vector<float>& GetCorrections() { return m_Corrections; }

    float GetThreshold() const { return m_Threshold; }
    void SetThreshold(float threshold) { m_Threshold = threshold; }
    int16_t GetNoiseFloor() const { return m_NoiseFloor; }
    void SetNoiseFloor(int16_t noiseFloor) { m_NoiseFloor = noiseFloor; }
    void SetMeasuredFrequencies(const QMeasuredFrequencyData* frequencies) {
        m_MeasuredFrequencies = frequencies;
    }
    void SetFrequencyRange(float start, float stop) {
        m_StartFrequency = start;
        m_StopFrequency = stop;
    }
    float GetStartFrequency() const { return m_StartFrequency; }
    float GetStopFrequency() const { return m_StopFrequency; }
    // Estimates the noise floor of the levels and keeps it; 0 (nothing kept) without points.
    int16_t EstimateNoiseFloor();

    void WriteBody(QDataWriter& writer) const override;
    // A count beyond the bytes that remain throws before anything is allocated; a failed read leaves
    // the snapshot as it was. The corrections are reset to 0.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSSSpectralSnapshot; }
    uint32_t GetBodySize() const override { return 6 * GetPointCount() + 4; }

private:
    std::vector<QSpectralPoint> m_Points;
    std::vector<float> m_Corrections;
    float m_Threshold = 5.0F;
    int16_t m_NoiseFloor = 0;
    float m_StartFrequency = 0.0F;
    float m_StopFrequency = 0.0F;
    const QMeasuredFrequencyData* m_MeasuredFrequencies = nullptr;
};

} // namespace orv
