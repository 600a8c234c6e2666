#pragma once

#include "core/TypeIds.h"
#include "scandata/QModuleSpectrum.h"

#include <cstdint>
#include <vector>

namespace orv {

class QSpectralScan;

// One peak of a cable spectrum.
struct QCablePeak {
    float m_Frequency = 0.0f;
    float m_Amplitude = 0.0f; // tenths
    uint32_t m_Reserved = 0;
    uint32_t m_ModuleValue = 0;

    // Peaks are ordered by frequency, closer than 0.001 counting as equal.
    bool operator<(const QCablePeak& other) const { return other.m_Frequency - m_Frequency > 0.001f; }
};

// One spectrum measured on a cable, with the strongest peaks found in it.
//
// Body: 32-bit N, N 16-bit levels, 16-bit module value, wide flag byte, 16-bit peak count, 32-bit
// float reference; 13 + 2N bytes. The peaks themselves are not stored.
class QCableScan : public QModuleSpectrum {
public:
    static constexpr int32_t kMergeMaximumHold = 0;
    static constexpr size_t kMaxPeaks = 30;

    explicit QCableScan(uint32_t count = 0);

    void WriteBody(QDataWriter& writer) const override;
    // A count beyond the bytes that remain throws before anything is allocated; a failed read
    // leaves the record as it was. The peak list stays empty until FindPeaks runs.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeCableScan; }
    // The bytes WriteBody writes.
    uint32_t GetBodySize() const override { return 13 + 2 * m_PointCount; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

    // The levels of a received spectral record; reference and wide flag cleared.
    void CopyFromSpectral(const QSpectralScan& source);
    // Mode 0 only: an empty record takes the incoming levels, otherwise each point keeps the higher
    // level. Only the points both records hold are merged.
    void MergeScan(int32_t mode, const QCableScan& incoming);

    // The highest level of every run above mean + 2 deviations + 5 dB (a run must end before the
    // last point), the 30 highest when there are more, in frequency order.
    void FindPeaks();
    // False (and out zeroed) past the end of the peak list.
    bool GetPeak(QCablePeak& out, uint32_t index) const;
    const std::vector<QCablePeak>& GetPeaks() const { return m_Peaks; }
    uint16_t GetPeakCount() const { return m_PeakCount; }

    void SetFrequencyRange(float start, float stop) {
        m_StartFrequency = start;
        m_StopFrequency = stop;
    }
    float GetStartFrequency() const { return m_StartFrequency; }
    float GetStopFrequency() const { return m_StopFrequency; }
    uint8_t GetWideFlag() const { return m_WideFlag; }
    float GetReference() const { return m_Reference; }
    void SetReference(float reference) { m_Reference = reference; }
    const std::vector<int16_t>& GetAmplitudes() const { return m_Amplitudes; }

private:
    float m_StartFrequency = 0.0f;
    float m_StopFrequency = 0.0f;
    uint8_t m_WideFlag = 0;
    float m_Reference = 0.0f;
    std::vector<QCablePeak> m_Peaks;
    uint16_t m_PeakCount = 0;
};

} // namespace orv
