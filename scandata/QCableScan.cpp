#include "scandata/QCableScan.h"

#include "scandata/AmplitudeStatistics.h"
#include "scandata/QSpectralScan.h"
#include "scandata/RecordCodec.h"

#include <algorithm>

namespace orv {

QCableScan::QCableScan(uint32_t count) : QModuleSpectrum(count) {}

void QCableScan::WriteBody(QDataWriter& writer) const {
    WriteLevelsAndModule(writer);
    writer.WriteU8(m_WideFlag);
    writer.WriteU16(m_PeakCount);
    writer.WriteF32(m_Reference);
}

void QCableScan::ReadBody(QDataReader& reader) {
    LevelsAndModule read = ReadLevelsAndModule(reader);
    const uint8_t wideFlag = reader.ReadU8();
    const uint16_t peakCount = reader.ReadU16();
    const float reference = reader.ReadF32();

    Assign(read);
    m_WideFlag = wideFlag;
    m_PeakCount = peakCount;
    m_Reference = reference;
    m_Peaks.clear();
}

void QCableScan::CopyFromSpectral(const QSpectralScan& source) {
    const uint32_t count = source.GetPointCount();
    std::vector<int16_t> levels(count);
    for (uint32_t i = 0; i < count; ++i) {
        levels[i] = source.GetStoredAmplitude(i);
    }
    m_Reference = 0.0f;
    m_WideFlag = 0;
    m_PointCount = count;
    m_Amplitudes.swap(levels);
}

void QCableScan::MergeScan(int32_t mode, const QCableScan& incoming) {
    if (mode != kMergeMaximumHold) {
        return;
    }
    if (!HasData()) {
        std::vector<int16_t> levels = incoming.m_Amplitudes; // incoming may be this record
        m_PointCount = incoming.m_PointCount;
        m_Amplitudes.swap(levels);
        m_Reference = 0.0f;
        m_WideFlag = 0;
        return;
    }
    const uint32_t shared = std::min(m_PointCount, incoming.m_PointCount);
    for (uint32_t i = 0; i < shared; ++i) {
        if (GetAmplitude(i) < incoming.GetAmplitude(i)) {
            m_Amplitudes[i] = incoming.GetAmplitude(i);
        }
    }
}

void QCableScan::FindPeaks() {
    m_Peaks.clear();
    m_PeakCount = 0;
    if (m_PointCount == 0) {
        return;
    }
    const AmplitudeSpread spread = ComputeSpread(m_Amplitudes);
    // Levels are tenths: 50 is 5 dB above the spread's limit.
    const double limit = spread.m_Limit + 50.0;
    const std::vector<uint32_t> kept =
        SelectHighest(FindRunMaxima(m_Amplitudes, limit), m_Amplitudes, kMaxPeaks);
    const float step =
        m_PointCount > 1 ? (m_StopFrequency - m_StartFrequency) / static_cast<float>(m_PointCount - 1) : 0.0f;
    for (const uint32_t k : kept) {
        QCablePeak peak;
        peak.m_Frequency = static_cast<float>(k) * step + m_StartFrequency;
        peak.m_Amplitude = m_Amplitudes[k];
        peak.m_ModuleValue = m_ModuleValue;
        m_Peaks.push_back(peak);
    }
    m_PeakCount = static_cast<uint16_t>(m_Peaks.size());
}

bool QCableScan::GetPeak(QCablePeak& out, uint32_t index) const {
    if (index >= m_Peaks.size()) {
        out = QCablePeak{};
        return false;
    }
    out = m_Peaks[index];
    return true;
}

} // namespace orv
