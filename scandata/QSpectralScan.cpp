#include "scandata/QSpectralScan.h"

#include "core/ByteCodec.h"
#include "core/QCorrectionData.h"
#include "core/QScanHeadInfo.h"
#include "scandata/AmplitudeStatistics.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/RecordCodec.h"

#include <algorithm>
#include <limits>

namespace orv {

namespace {

constexpr float kNoPeakYet = -10000.0f;

// Lowest and highest of count levels; 0.0 and 0.0 without any. Either output may be null.
template <class LevelAt>
void StoreLevelRange(uint32_t count, LevelAt levelAt, float* minimum, float* maximum) {
    float low = 0.0f;
    float high = 0.0f;
    for (uint32_t i = 0; i < count; ++i) {
        const float level = levelAt(i);
        if (i == 0 || level < low) {
            low = level;
        }
        if (i == 0 || level > high) {
            high = level;
        }
    }
    if (minimum != nullptr) {
        *minimum = low;
    }
    if (maximum != nullptr) {
        *maximum = high;
    }
}

} // namespace

void QSpectralScan::WriteBody(QDataWriter& writer) const {
    writer.WriteI8(m_DataForm);
    writer.WriteU8(m_HeaderByte2);
    writer.WriteU8(m_HeaderByte3);
    writer.WriteU32(m_PointCount);
    if (HasWideRecords()) {
        writer.Write(m_WideRecords.data(), static_cast<uint32_t>(m_WideRecords.size()));
    } else {
        WriteSpectralPoints(writer, m_Points);
    }
}

void QSpectralScan::ReadBody(QDataReader& reader) {
    const int8_t form = reader.ReadI8();
    const uint8_t byte2 = reader.ReadU8();
    const uint8_t byte3 = reader.ReadU8();
    const uint32_t count = reader.ReadU32();
    if (form > 0) {
        const uint32_t bytes = RequireArrayBytes(reader, count, kWidePointBytes);
        std::vector<uint8_t> records(bytes);
        reader.Read(records.data(), bytes);
        ReserveArrays(count);
        m_DataForm = form;
        m_HeaderByte2 = byte2;
        m_HeaderByte3 = byte3;
        ResetArrays(count);
        m_WideRecords = std::move(records);
        DecodeWidePoints();
        return;
    }
    const uint32_t bytes = RequireArrayBytes(reader, count, kSpectralPointBytes);
    QScratchBlock block(bytes);
    reader.Read(block.Data(), bytes);

    // The read is complete: from here only an allocation can fail, and it fails before the record
    // changes. The arrays keep their storage from one record to the next.
    ReserveArrays(count);
    m_WideRecords.clear();
    m_DataForm = form;
    m_HeaderByte2 = byte2;
    m_HeaderByte3 = byte3;
    m_PointCount = count;
    m_Corrected = 0;
    m_CorrectionRowCount = 21;
    m_PastLastRow = -1;
    m_CorrectionSet = 0;
    m_CorrectionBlock.reset();
    m_Threshold = 5.0f;
    m_Points.resize(count);
    m_PeakAmplitudes.resize(count);
    m_Corrections.assign(count, 0.0f);
    const uint8_t* cursor = block.Data();
    QSpectralPoint* points = m_Points.data();
    float* peaks = m_PeakAmplitudes.data();
    for (uint32_t i = 0; i < count; ++i) {
        const auto amplitude = GetLE<int16_t>(cursor);
        points[i].m_Amplitude = amplitude;
        points[i].m_Row = GetLE<uint16_t>(cursor);
        points[i].m_Column = GetLE<uint16_t>(cursor);
        peaks[i] = amplitude;
    }
}

void QSpectralScan::ReserveArrays(uint32_t count) {
    m_Points.reserve(count);
    m_Corrections.reserve(count);
    m_PeakAmplitudes.reserve(count);
}

void QSpectralScan::ResetArrays(uint32_t count) {
    m_PointCount = count;
    m_Corrected = 0;
    m_CorrectionRowCount = 21;
    m_PastLastRow = -1;
    m_CorrectionSet = 0;
    m_CorrectionBlock.reset();
    m_Threshold = 5.0f;
    m_Points.assign(count, QSpectralPoint{});
    m_Corrections.assign(count, 0.0f);
    m_PeakAmplitudes.assign(count, kNoPeakYet);
}

void QSpectralScan::SetPointCount(uint32_t count) {
    ReserveArrays(count);
    if (HasWideRecords()) {
        m_WideRecords.assign(size_t{count} * kWidePointBytes, 0);
    }
    ResetArrays(count);
}

void QSpectralScan::AdoptPoints(const QSpectralScan& incoming) {
    // Copied first: incoming may be this record.
    std::vector<QSpectralPoint> points = incoming.m_Points;
    std::vector<uint8_t> records = incoming.m_WideRecords;
    const int8_t form = incoming.m_DataForm;
    const uint32_t count = incoming.m_PointCount;
    ReserveArrays(count);
    ResetArrays(count);
    m_DataForm = form;
    m_Points.swap(points);
    m_WideRecords.swap(records);
}

void QSpectralScan::DecodeWidePoints() {
    for (uint32_t i = 0; i < m_PointCount; ++i) {
        const uint8_t* cursor = m_WideRecords.data() + size_t{i} * kWidePointBytes;
        const float level = std::clamp(GetLE<float>(cursor), -kWideLevelLimit, kWideLevelLimit);
        m_Points[i].m_Amplitude = SaturateToInt16(level);
        m_Points[i].m_Row = GetLE<uint16_t>(cursor);
        m_Points[i].m_Column = GetLE<uint16_t>(cursor);
        m_PeakAmplitudes[i] = m_Points[i].m_Amplitude;
    }
}

float QSpectralScan::WideLevel(uint32_t index) const {
    const uint8_t* cursor = m_WideRecords.data() + size_t{index} * kWidePointBytes;
    return GetLE<float>(cursor);
}

void QSpectralScan::SetWideLevel(uint32_t index, float level) {
    uint8_t* cursor = m_WideRecords.data() + size_t{index} * kWidePointBytes;
    PutLE<float>(cursor, level);
}

void QSpectralScan::SetWideWord(uint32_t index, uint32_t word, uint16_t value) {
    uint8_t* cursor = m_WideRecords.data() + size_t{index} * kWidePointBytes + 4 + 2 * size_t{word};
    PutLE<uint16_t>(cursor, value);
}

void QSpectralScan::SetAmplitude(uint32_t index, int16_t amplitude) {
    if (index < m_PointCount) {
        m_Points[index].m_Amplitude = amplitude;
        if (HasWideRecords()) {
            SetWideLevel(index, amplitude);
        }
    }
}

void QSpectralScan::SetPointWord1(uint32_t index, uint16_t row) {
    if (index < m_PointCount) {
        m_Points[index].m_Row = row;
        if (HasWideRecords()) {
            SetWideWord(index, 0, row);
        }
    }
}

void QSpectralScan::SetPointWord2(uint32_t index, uint16_t column) {
    if (index < m_PointCount) {
        m_Points[index].m_Column = column;
        if (HasWideRecords()) {
            SetWideWord(index, 1, column);
        }
    }
}

int16_t QSpectralScan::GetAmplitude(uint32_t index) const {
    if (index >= m_PointCount) {
        return 0;
    }
    const int16_t amplitude = m_Points[index].m_Amplitude;
    if (!QCorrectionData::IsSpectralCompensationOn()) {
        return amplitude;
    }
    return ThresholdCorrectedAmplitude(amplitude, m_Corrections[index], m_Threshold, m_NoiseFloor);
}

uint16_t QSpectralScan::GetPointWord1(uint32_t index) const {
    return index < m_PointCount ? m_Points[index].m_Row : uint16_t{0};
}

uint16_t QSpectralScan::GetPointWord2(uint32_t index) const {
    return index < m_PointCount ? m_Points[index].m_Column : uint16_t{0};
}

float QSpectralScan::GetFrequency(uint32_t index) const {
    return InterpolatePointFrequency(index, m_PointCount, m_StartFrequency, m_StopFrequency,
                                     m_MeasuredFrequencies);
}

void QSpectralScan::MergeScan(int32_t mode, const QSpectralScan& incoming) {
    const uint32_t shared = std::min(m_PointCount, incoming.m_PointCount);
    if ((mode == kMergeMaximumHold || mode == kMergeRunningAverage) &&
        HasWideRecords() != incoming.HasWideRecords()) {
        AdoptPoints(incoming);
        m_AverageCount = 1;
        return;
    }
    if (HasWideRecords()) {
        MergeWide(mode, incoming, shared);
        return;
    }
    if (mode == kMergeMaximumHold) {
        if (!HasData()) {
            AdoptPoints(incoming);
        } else {
            for (uint32_t i = 0; i < shared; ++i) {
                const QSpectralPoint& in = incoming.m_Points[i];
                if (in.m_Amplitude > m_Points[i].m_Amplitude) {
                    SetAmplitude(i, in.m_Amplitude);
                    SetPointWord1(i, in.m_Row);
                    SetPointWord2(i, in.m_Column);
                }
            }
        }
        m_AverageCount = 1;
    } else if (mode == kMergeRunningAverage) {
        const int64_t n = m_AverageCount;
        for (uint32_t i = 0; i < shared; ++i) {
            const QSpectralPoint& in = incoming.m_Points[i];
            if (in.m_Amplitude > SaturateToInt16(m_PeakAmplitudes[i])) {
                m_PeakAmplitudes[i] = in.m_Amplitude;
                m_Points[i].m_Row = in.m_Row;
                m_Points[i].m_Column = in.m_Column;
            }
            // 64-bit sum: a long run of records must not overflow the weighted level.
            const int64_t sum = static_cast<int64_t>(m_Points[i].m_Amplitude) * n + in.m_Amplitude;
            m_Points[i].m_Amplitude = SaturateToInt16(static_cast<double>(sum / (n + 1)));
        }
        if (m_AverageCount < std::numeric_limits<int32_t>::max()) {
            ++m_AverageCount;
        }
    }
}

void QSpectralScan::MergeWide(int32_t mode, const QSpectralScan& incoming, uint32_t shared) {
    if (mode == kMergeMaximumHold) {
        if (!HasData()) {
            AdoptPoints(incoming);
        } else {
            for (uint32_t i = 0; i < shared; ++i) {
                if (incoming.WideLevel(i) > WideLevel(i)) {
                    std::copy_n(incoming.m_WideRecords.data() + size_t{i} * kWidePointBytes, kWidePointBytes,
                                m_WideRecords.data() + size_t{i} * kWidePointBytes);
                    m_Points[i] = incoming.m_Points[i];
                }
            }
        }
        m_AverageCount = 1;
    } else if (mode == kMergeRunningAverage) {
        const auto n = static_cast<double>(m_AverageCount);
        for (uint32_t i = 0; i < shared; ++i) {
            const float in = incoming.WideLevel(i);
            if (in > m_PeakAmplitudes[i]) {
                // The cell (all four words) follows the highest level seen.
                m_PeakAmplitudes[i] = in;
                std::copy_n(incoming.m_WideRecords.data() + size_t{i} * kWidePointBytes + 4,
                            kWidePointBytes - 4, m_WideRecords.data() + size_t{i} * kWidePointBytes + 4);
                m_Points[i].m_Row = incoming.m_Points[i].m_Row;
                m_Points[i].m_Column = incoming.m_Points[i].m_Column;
            }
            const double mean = (static_cast<double>(WideLevel(i)) * n + in) / (n + 1.0);
            SetWideLevel(i, static_cast<float>(mean));
            m_Points[i].m_Amplitude =
                SaturateToInt16(std::clamp<double>(mean, -kWideLevelLimit, kWideLevelLimit));
        }
        if (m_AverageCount < std::numeric_limits<int32_t>::max()) {
            ++m_AverageCount;
        }
    }
}

void QSpectralScan::GetLevelRange(float* minimum, float* maximum) const {
    StoreLevelRange(
        m_PointCount, [this](uint32_t i) { return GetAmplitude(i); }, minimum, maximum);
}

void QSpectralScan::GetStoredLevelRange(float* minimum, float* maximum) const {
    StoreLevelRange(
        m_PointCount, [this](uint32_t i) { return m_Points[i].m_Amplitude; }, minimum, maximum);
}

int16_t QSpectralScan::EstimateNoiseFloor() {
    if (m_PointCount == 0) {
        return 0;
    }
    std::vector<int16_t> levels(m_PointCount);
    for (uint32_t i = 0; i < m_PointCount; ++i) {
        levels[i] = m_Points[i].m_Amplitude;
    }
    m_NoiseFloor = EstimateNoiseFloorOf(levels);
    return m_NoiseFloor;
}

void QSpectralScan::ApplyCorrectionFactors(float startFrequency, float stopFrequency,
                                           const QScanHeadInfo& /*scanHead*/) {
    // The set is taken once and held: a reload by another thread cannot change it under the loop.
    QChosenCorrectionSet chosen = GetCorrectionData().TakeSetForCurrentScanHead();
    if (chosen.m_number == 0) {
        m_CorrectionSet = 0;
        return;
    }
    const QCorrectionSet& set = *chosen.m_set;
    const std::span<const float> rows = set.GetRowFrequencies();
    m_CorrectionSet = chosen.m_number;
    m_CorrectionBlock = std::move(chosen.m_set);
    m_CorrectionRowCount = set.GetRowCount();
    const float lowest = set.GetLowestFrequency();

    m_PastLastRow = -1;
    const double step =
        m_PointCount > 1 ? (static_cast<double>(stopFrequency) - startFrequency) / (m_PointCount - 1) : 0.0;
    int32_t lower = 0;
    int32_t upper = 0;
    for (uint32_t i = 0; i < m_PointCount; ++i) {
        const QSpectralPoint& point = m_Points[i];
        const auto f = static_cast<float>(startFrequency + i * step);
        const bool aboveUpperRow = static_cast<size_t>(upper) < rows.size() && f > rows[upper];
        if (f > lowest && aboveUpperRow && m_PastLastRow != 1) {
            const QCorrectionBracket bracket = set.FindPosition(f);
            if (bracket.m_atLastRow) {
                m_PastLastRow = 1;
            }
            lower = bracket.m_lower;
            upper = bracket.m_upper;
        }
        // A cell beyond the scan head's grid (rows and columns come from the wire) gets factor 0.
        m_Corrections[i] = set.GetFactorAt(set.GetCellIndex(point.m_Row, point.m_Column), lower, upper, f);
    }
    m_Corrected = 1;
}

} // namespace orv
