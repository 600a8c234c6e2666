#include "scandata/CSpectralScanData.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/UnitConversion.h"
#include "platform/log/InformationLog.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "scandata/ScanDataCompensation.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace orv {

namespace {

// How many points of a spectrum starting at `ownStart` lie in [start, stop) at `step`, and where the
// first of them is; clipped to the points the spectrum holds.
struct Stretch {
    uint32_t m_First = 0;
    uint32_t m_Count = 0;
};

Stretch FindStretch(float start, float stop, float step, float ownStart, uint32_t pointCount) {
    Stretch stretch;
    const double count = std::trunc(static_cast<double>((stop - start) / step));
    const double first = std::trunc(static_cast<double>((start - ownStart) / step));
    if (!(count > 0.0) || !(first >= 0.0) || first >= static_cast<double>(pointCount)) {
        return stretch;
    }
    stretch.m_First = static_cast<uint32_t>(first);
    stretch.m_Count =
        static_cast<uint32_t>(std::min(count, static_cast<double>(pointCount - stretch.m_First)));
    return stretch;
}

} // namespace

float InterpolateScanFrequency(uint32_t index, float start, float stop, float step, uint32_t pointCount,
                               const std::vector<QMeasuredFrequencyData::Entry>& entries) {
    if (entries.empty()) {
        return start + static_cast<float>(index) * step;
    }
    int64_t previousIndex = 0;
    float previousFrequency = start;
    for (const QMeasuredFrequencyData::Entry& entry : entries) {
        if (index <= entry.m_Index) {
            if (entry.m_Index == previousIndex) {
                return entry.m_Frequency;
            }
            return previousFrequency +
                   (entry.m_Frequency - previousFrequency) *
                       static_cast<float>(static_cast<int64_t>(index) - previousIndex) /
                       static_cast<float>(static_cast<int64_t>(entry.m_Index) - previousIndex);
        }
        previousIndex = entry.m_Index;
        previousFrequency = entry.m_Frequency;
    }
    if (static_cast<int64_t>(pointCount) == previousIndex) {
        return stop;
    }
    return previousFrequency + (stop - previousFrequency) *
                                   static_cast<float>(static_cast<int64_t>(index) - previousIndex) /
                                   static_cast<float>(static_cast<int64_t>(pointCount) - previousIndex);
}

float SpectralFrequencyStep(const CScanData& scan) {
    if (scan.m_IsZeltData != 0 || scan.m_PointCount < 2) {
        return scan.m_ResolutionBandwidth;
    }
    return (scan.m_StopFrequency - scan.m_StartFrequency) / static_cast<float>(scan.m_PointCount - 1);
}

float LookUpScanFrequency(const CScanData& scan, int32_t index,
                          const std::vector<QMeasuredFrequencyData::Entry>& measured,
                          std::vector<float>& table) {
    if (index < 0) {
        return scan.m_StartFrequency;
    }
    const uint32_t count = scan.m_PointCount;
    if (static_cast<uint32_t>(index) >= count) {
        return scan.m_StopFrequency;
    }
    if (table.size() != count) {
        table.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            table[i] = InterpolateScanFrequency(i, scan.m_StartFrequency, scan.m_StopFrequency,
                                                scan.m_FrequencyStep, count, measured);
        }
    }
    return table[static_cast<uint32_t>(index)];
}

int32_t CompensateSpectralLevel(const CScanData& scan, int32_t value, float referenceLevel, float factor) {
    QScanCompensationSettings settings;
    if (!scan.GetCompensationSettings(settings)) {
        return value;
    }
    const int32_t limit =
        TruncateToInt32(10.0F * referenceLevel + 0.5F + static_cast<float>(scan.m_NoiseFloor));
    return ApplyCompensationFactor(value, settings.m_Mode, value <= limit, factor);
}

CSpectralScanData::~CSpectralScanData() = default;

void CSpectralScanData::SetMirtPoints(std::vector<QSpectralPoint> points) {
    m_PointFormat = kMirtPoints;
    m_MirtPoints = std::move(points);
    m_FloatPoints.clear();
    m_PointCount = static_cast<uint32_t>(m_MirtPoints.size());
    m_Frequencies.clear();
}

void CSpectralScanData::SetFloatPoints(std::vector<CFloatSpectralPoint> points, uint8_t format) {
    m_PointFormat = format == kMirtFloatPoints ? kMirtFloatPoints : kZeltPoints;
    m_FloatPoints = std::move(points);
    m_MirtPoints.clear();
    m_PointCount = static_cast<uint32_t>(m_FloatPoints.size());
    m_Frequencies.clear();
}

void CSpectralScanData::SetMeasuredFrequencies(std::vector<QMeasuredFrequencyData::Entry> entries) {
    m_MeasuredFrequencies = std::move(entries);
    m_Frequencies.clear();
}

void CSpectralScanData::WriteBulk(QDataWriter& writer) const {
    writer.WriteU8(m_PointFormat);
    if (m_PointFormat == kMirtPoints) {
        writer.WriteU32(static_cast<uint32_t>(m_MirtPoints.size()));
        for (const QSpectralPoint& point : m_MirtPoints) {
            writer.WriteI16(point.m_Amplitude);
            writer.WriteU16(point.m_Row);
            writer.WriteU16(point.m_Column);
        }
    } else {
        writer.WriteU32(static_cast<uint32_t>(m_FloatPoints.size()));
        for (const CFloatSpectralPoint& point : m_FloatPoints) {
            writer.WriteF32(point.m_Amplitude);
            writer.WriteU16(point.m_Row);
            writer.WriteU16(point.m_Column);
            writer.WriteU16(point.m_SubRow);
            writer.WriteU16(point.m_SubColumn);
        }
    }
    writer.WriteU32(static_cast<uint32_t>(m_ProbeCells.size()));
    for (const auto& [row, column] : m_ProbeCells) {
        writer.WriteU16(row);
        writer.WriteU16(column);
    }
    writer.WriteU32(static_cast<uint32_t>(m_MeasuredFrequencies.size()));
    for (const QMeasuredFrequencyData::Entry& entry : m_MeasuredFrequencies) {
        writer.WriteU32(entry.m_Index);
        writer.WriteF32(entry.m_Frequency);
    }
    WriteCommonBulk(writer);
}

void CSpectralScanData::ReadBulk(QDataReader& reader) {
    const uint8_t format = reader.ReadU8();
    if (format > kMirtFloatPoints) {
        throw QIOException("CSpectralScanData::ReadBulk: unknown point format.");
    }
    uint32_t count = reader.ReadU32();
    std::vector<QSpectralPoint> mirt;
    std::vector<CFloatSpectralPoint> floats;
    if (format == kMirtPoints) {
        reader.RequireRemaining(6 * static_cast<uint64_t>(count));
        mirt.resize(count);
        for (QSpectralPoint& point : mirt) {
            point.m_Amplitude = reader.ReadI16();
            point.m_Row = reader.ReadU16();
            point.m_Column = reader.ReadU16();
        }
    } else {
        reader.RequireRemaining(12 * static_cast<uint64_t>(count));
        floats.resize(count);
        for (CFloatSpectralPoint& point : floats) {
            point.m_Amplitude = reader.ReadF32();
            point.m_Row = reader.ReadU16();
            point.m_Column = reader.ReadU16();
            point.m_SubRow = reader.ReadU16();
            point.m_SubColumn = reader.ReadU16();
        }
    }
    count = reader.ReadU32();
    reader.RequireRemaining(4 * static_cast<uint64_t>(count));
    std::vector<std::pair<uint16_t, uint16_t>> cells(count);
    for (auto& [row, column] : cells) {
        row = reader.ReadU16();
        column = reader.ReadU16();
    }
    count = reader.ReadU32();
    reader.RequireRemaining(8 * static_cast<uint64_t>(count));
    std::vector<QMeasuredFrequencyData::Entry> measured(count);
    for (QMeasuredFrequencyData::Entry& entry : measured) {
        entry.m_Index = reader.ReadU32();
        entry.m_Frequency = reader.ReadF32();
    }
    CommonBulk common = ReadCommonBulk(reader);
    if (format == kMirtPoints) {
        SetMirtPoints(std::move(mirt));
    } else {
        SetFloatPoints(std::move(floats), format);
    }
    m_ProbeCells = std::move(cells);
    TakeCommonBulk(std::move(common));
    SetMeasuredFrequencies(std::move(measured));
    m_Prepared = 0;
}

void CSpectralScanData::ReleaseBulk() {
    // Swapped with new vectors to give their memory back: clear(), and assigning `{}` (an empty
    // initializer list), keep the capacity.
    std::vector<QSpectralPoint>().swap(m_MirtPoints);
    std::vector<CFloatSpectralPoint>().swap(m_FloatPoints);
    m_PointCount = 0;
    std::vector<std::pair<uint16_t, uint16_t>>().swap(m_ProbeCells);
    ReleaseCommonBulk();
    std::vector<QMeasuredFrequencyData::Entry>().swap(m_MeasuredFrequencies);
    std::vector<float>().swap(m_Frequencies);
    std::vector<float>().swap(m_CorrectionFactors);
    m_CompensationTried = 0;
    m_CompensationAvailable = 0;
    m_SpectralSnapshot.reset();
    m_SpectralAtom.reset();
    m_Prepared = 0;
}

uint64_t CSpectralScanData::GetBulkBytes() const {
    // Counted for the tables Prepare builds too (the snapshot's point and correction, the frequency
    // table), whether built yet or not, so that the count stays the same while the scan is whole.
    const uint64_t points = m_MirtPoints.capacity() * sizeof(QSpectralPoint) +
                            m_FloatPoints.capacity() * sizeof(CFloatSpectralPoint);
    const uint64_t tables =
        static_cast<uint64_t>(m_PointCount) * (sizeof(QSpectralPoint) + 2 * sizeof(float));
    return points + tables + m_ProbeCells.capacity() * sizeof(std::pair<uint16_t, uint16_t>) +
           GetPatternBytes() + m_MeasuredFrequencies.capacity() * sizeof(QMeasuredFrequencyData::Entry) +
           m_CorrectionFactors.capacity() * sizeof(float);
}

uint32_t CSpectralScanData::GetPointBytes() const {
    const uint32_t size = m_PointFormat == kMirtPoints ? 6U : m_PointFormat == kMirtFloatPoints ? 8U : 12U;
    return size * m_PointCount;
}

double CSpectralScanData::GetPointAmplitude(uint32_t index) const {
    if (m_PointFormat == kMirtPoints) {
        return index < m_MirtPoints.size() ? m_MirtPoints[index].m_Amplitude : 0.0;
    }
    return index < m_FloatPoints.size() ? m_FloatPoints[index].m_Amplitude : 0.0;
}

void CSpectralScanData::Prepare() {
    if (m_Prepared != 0) {
        return;
    }
    m_Prepared = 1;
    BuildSpectralSnapshot();
    UpdateFrequencyStep();
    FillDescriptionTexts();
}

float CSpectralScanData::GetFrequency(int32_t index) {
    return LookUpScanFrequency(*this, index, m_MeasuredFrequencies, m_Frequencies);
}

void CSpectralScanData::UpdateFrequencyStep() {
    m_FrequencyStep = SpectralFrequencyStep(*this);
}

void CSpectralScanData::BuildSpectralSnapshot() {
    m_SpectralSnapshot = std::make_unique<QSSSpectralSnapshot>(m_PointCount);
    m_SpectralSnapshot->SetFrequencyRange(m_StartFrequency, m_StopFrequency);
    m_MinValue = 10000.0F;
    m_MaxValue = -10000.0F;
    for (uint32_t i = 0; i < m_PointCount; ++i) {
        const double amplitude = GetPointAmplitude(i);
        uint16_t row = 0;
        uint16_t column = 0;
        if (m_PointFormat == kMirtPoints) {
            row = m_MirtPoints[i].m_Row;
            column = m_MirtPoints[i].m_Column;
        } else {
            row = m_FloatPoints[i].m_Row;
            column = m_FloatPoints[i].m_Column;
        }
        m_SpectralSnapshot->SetPoint(i, TruncateToInt16(amplitude), row, column);
        const auto value = static_cast<float>(amplitude);
        if (value < m_MinValue) {
            m_MinValue = value;
            m_MinPointIndex = i;
            m_MinRow = row;
            m_MinColumn = column;
        }
        if (value > m_MaxValue) {
            m_MaxValue = value;
            m_MaxPointIndex = i;
            m_MaxRow = row;
            m_MaxColumn = column;
        }
    }
}

int16_t CSpectralScanData::EstimateNoiseFloor() {
    std::vector<double> values(m_PointCount);
    for (uint32_t i = 0; i < m_PointCount; ++i) {
        values[i] = GetPointAmplitude(i);
    }
    m_NoiseFloor = EstimateNoiseFloorOfValues(values);
    return m_NoiseFloor;
}

bool CSpectralScanData::PrepareCompensation() {
    if (m_ApplyCompensation == 0) {
        return true;
    }
    return PrepareCompensationOnce(m_CompensationTried, m_CompensationAvailable, [this] {
        QScanCompensationSettings settings;
        const bool loaded =
            GetCompensationSettings(settings) &&
            LoadPointFactors(
                settings.m_CorrectionSetName, m_PointCount, m_StartFrequency, m_StopFrequency, m_Columns,
                [this](uint32_t i) {
                    if (m_PointFormat == kMirtPoints) {
                        return QPointCell{m_MirtPoints[i].m_Row, m_MirtPoints[i].m_Column};
                    }
                    return QPointCell{m_FloatPoints[i].m_Row, m_FloatPoints[i].m_Column};
                },
                m_CorrectionFactors);
        if (!loaded) {
            NoteMissingCorrectionList(settings.m_CorrectionSetName);
            AddInformationMessage(0, "can't open the correction file for the spectral correction.");
            return false;
        }
        m_CompensationReferenceLevel = settings.m_ReferenceLevel;
        return true;
    });
}

bool CSpectralScanData::GetCompensatedValue(int32_t amplitude, uint32_t index, int32_t& out) {
    out = amplitude;
    if (!PrepareCompensation()) {
        return false;
    }
    const float factor = index < m_CorrectionFactors.size() ? m_CorrectionFactors[index] : 0.0F;
    out = CompensateSpectralLevel(*this, amplitude, m_CompensationReferenceLevel, factor);
    return true;
}

uint8_t CSpectralScanData::UpdateLevelRange() {
    QScanCompensationSettings settings;
    const uint8_t flag = GetCompensationSettings(settings) ? settings.m_CompensatedRange : uint8_t{0};
    const int unit = m_Mediator != nullptr ? m_Mediator->GetSpectralDisplayUnit() : kAmplitudeUnitStored;
    const auto offset = static_cast<float>(TruncateToInt32(m_LevelOffset));
    if (flag != 1) {
        m_MinLevelShown = ConvertAmplitudeToUnit(m_MinValue + offset, unit);
        m_MaxLevelShown = ConvertAmplitudeToUnit(m_MaxValue + offset, unit);
        return flag;
    }
    int32_t low = 0;
    int32_t high = 0;
    GetCompensatedValue(TruncateToInt32(m_MinValue), m_MinPointIndex, low);
    const bool result = GetCompensatedValue(TruncateToInt32(m_MaxValue), m_MaxPointIndex, high);
    m_MinLevelShown = ConvertAmplitudeToUnit(static_cast<float>(low) + offset, unit);
    m_MaxLevelShown = ConvertAmplitudeToUnit(static_cast<float>(high) + offset, unit);
    return result ? 1 : 0;
}

bool CSpectralScanData::FindCommonRange(const CSpectralScanData& other, CommonRange& range) const {
    range.m_Start = std::max(m_StartFrequency, other.m_StartFrequency);
    range.m_Stop = std::min(m_StopFrequency, other.m_StopFrequency);
    return range.m_Start < range.m_Stop;
}

bool CSpectralScanData::CheckKindAndSteps(CSpectralScanData& other, std::string& reason) {
    UpdateFrequencyStep();
    other.UpdateFrequencyStep();
    if ((m_IsZeltData != 0) != (other.m_IsZeltData != 0)) {
        reason = "--- no support for the scan data, Zelt scan data is not compatible with Mirt scan data.";
        return false;
    }
    // The common range is counted in steps: a step of 0 has no count.
    if (!(m_FrequencyStep > 0.0F) || !(other.m_FrequencyStep > 0.0F)) {
        reason = "--- no frequency step.";
        return false;
    }
    return true;
}

bool CSpectralScanData::CheckOverlap(const CSpectralScanData& other, std::string& reason) const {
    CommonRange range;
    if (!FindCommonRange(other, range)) {
        reason = "--- no frequrncy overlap.";
        return false;
    }
    return true;
}

bool CSpectralScanData::CheckComparisonCompatibility(CSpectralScanData& other, std::string& reason) {
    if (!CheckKindAndSteps(other, reason)) {
        return false;
    }
    if (m_FrequencyStep != other.m_FrequencyStep) {
        reason = "--- different resolution bandwidth.";
        return false;
    }
    return CheckOverlap(other, reason);
}

bool CSpectralScanData::CheckOverlayCompatibility(CSpectralScanData& other, std::string& reason) {
    return CheckKindAndSteps(other, reason) && CheckOverlap(other, reason);
}

void CSpectralScanData::SetProbeScanPattern(const std::vector<std::pair<uint16_t, uint16_t>>& pairs) {
    m_ProbeCells = pairs;
    m_ProbeScanPattern.SetAllProbes(0);
    for (const auto& [row, column] : pairs) {
        m_ProbeScanPattern.SetProbeAt(row, column, 1);
    }
}

std::unique_ptr<CSpectralScanData> CSpectralScanData::MakeDerivedResult(float start, float stop) const {
    auto result = std::make_unique<CSpectralScanData>();
    result->m_Mediator = m_Mediator;
    CopyTextsTo(*result);
    result->m_DisplayFlags = m_DisplayFlags;
    result->m_DisplayFlags[0] = 1;
    result->m_DisplayFlags[1] = 1;
    result->m_DisplayFlags[2] = 0;
    result->m_ScanArea = m_ScanArea;
    result->SetProbeScanPatternSize(m_Rows, m_Columns);
    result->SetProbeScanPattern(m_ProbeCells);
    result->m_IsZeltData = m_IsZeltData;
    result->m_ZeltLevel = m_ZeltLevel;
    result->m_ScanKindReserved = m_ScanKindReserved;
    // The step of Zelt data is its resolution bandwidth: without it the result would have none.
    result->m_ResolutionBandwidth = m_ResolutionBandwidth;
    result->m_StartFrequency = start;
    result->m_StopFrequency = stop;
    return result;
}

double CSpectralScanData::CompensatedPointValue(uint32_t index, bool compensate, CSpectralScanData& factors,
                                                uint32_t factorIndex) {
    double value = GetPointAmplitude(index);
    if (compensate) {
        int32_t compensated = 0;
        factors.GetCompensatedValue(TruncateToInt32(value), factorIndex, compensated);
        value = compensated;
    }
    return value + 10.0 * static_cast<double>(m_LevelOffset);
}

std::unique_ptr<CSpectralScanData> CSpectralScanData::CreateComparisonWith(CSpectralScanData& reference,
                                                                           uint8_t compensate) {
    std::string reason;
    if (!CheckOverlayCompatibility(reference, reason)) {
        return nullptr;
    }
    CommonRange range;
    FindCommonRange(reference, range);
    const float step = m_FrequencyStep;
    const Stretch own = FindStretch(range.m_Start, range.m_Stop, step, m_StartFrequency, m_PointCount);
    const Stretch theirs =
        FindStretch(range.m_Start, range.m_Stop, step, reference.m_StartFrequency, reference.m_PointCount);
    const uint32_t n = std::min(own.m_Count, theirs.m_Count);

    auto result = MakeDerivedResult(range.m_Start, range.m_Stop);
    result->m_ApplyCompensation = 0;
    const bool useCompensation = compensate == 1 && PrepareCompensation();
    const bool zelt = m_IsZeltData != 0;
    std::vector<CFloatSpectralPoint> points(n);
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t a = own.m_First + i;
        const uint32_t b = theirs.m_First + i;
        const double mine = CompensatedPointValue(a, useCompensation, *this, a);
        // Zelt references are corrected with this scan's factors (at the same frequency).
        const double other = zelt ? reference.CompensatedPointValue(b, useCompensation, *this, a)
                                  : reference.CompensatedPointValue(b, useCompensation, reference, b);
        points[i].m_Amplitude = static_cast<float>((mine - other) / 10.0);
    }
    result->SetFloatPoints(std::move(points), zelt ? kZeltPoints : kMirtFloatPoints);
    result->BuildSpectralSnapshot();
    result->UpdateFrequencyStep();
    return result;
}

std::unique_ptr<CSpectralScanData> CSpectralScanData::CreateOverlayWith(CSpectralScanData& other) {
    std::string reason;
    if (!CheckOverlayCompatibility(other, reason)) {
        return nullptr;
    }
    CommonRange range;
    FindCommonRange(other, range);
    const Stretch own =
        FindStretch(range.m_Start, range.m_Stop, m_FrequencyStep, m_StartFrequency, m_PointCount);
    const Stretch theirs = FindStretch(range.m_Start, range.m_Stop, other.m_FrequencyStep,
                                       other.m_StartFrequency, other.m_PointCount);
    const uint32_t n = std::min(own.m_Count, theirs.m_Count);
    auto result = MakeDerivedResult(range.m_Start, range.m_Stop);
    double lowest = 0.0;
    double highest = 0.0;
    bool seen = false;
    auto note = [&](double value, bool atOrBeyond) {
        if (!seen) {
            lowest = value;
            highest = value;
            seen = true;
            return;
        }
        if (atOrBeyond ? value <= lowest : value < lowest) {
            lowest = value;
        }
        if (atOrBeyond ? value >= highest : value > highest) {
            highest = value;
        }
    };
    const bool zelt = m_IsZeltData != 0;
    std::vector<double> values(n);
    for (uint32_t i = 0; i < n; ++i) {
        const double a = GetPointAmplitude(own.m_First + i);
        const double b = other.GetPointAmplitude(theirs.m_First + i);
        note(a, zelt);
        note(b, zelt);
        values[i] = std::max(a, b);
    }
    if (n > 1) {
        values[0] = lowest;
        values[1] = highest;
    }
    if (zelt) {
        std::vector<CFloatSpectralPoint> points(n);
        for (uint32_t i = 0; i < n; ++i) {
            points[i].m_Amplitude = static_cast<float>(values[i]);
        }
        result->SetFloatPoints(std::move(points), kZeltPoints);
    } else {
        std::vector<QSpectralPoint> points(n);
        for (uint32_t i = 0; i < n; ++i) {
            points[i].m_Amplitude = TruncateToInt16(values[i]);
        }
        result->SetMirtPoints(std::move(points));
    }
    result->BuildSpectralSnapshot();
    result->UpdateFrequencyStep();
    return result;
}

std::unique_ptr<CSpectralScanData> CSpectralScanData::Clone() const {
    auto copy = std::make_unique<CSpectralScanData>();
    CopyScanFieldsTo(*copy);
    copy->SetProbeScanPattern(m_ProbeCells);
    if (m_PointFormat == kMirtPoints) {
        copy->SetMirtPoints(m_MirtPoints);
    } else {
        copy->SetFloatPoints(m_FloatPoints, m_PointFormat);
    }
    copy->m_MeasuredFrequencies = m_MeasuredFrequencies;
    copy->BuildSpectralSnapshot();
    copy->UpdateFrequencyStep();
    return copy;
}

} // namespace orv
