#include "scandata/CSpectralSpatialScanData.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/UnitConversion.h"
#include "platform/log/InformationLog.h"
#include "scandata/CSpatialDataAtom.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "scandata/ScanDataCompensation.h"

#include <algorithm>

namespace orv {

namespace {
constexpr uint32_t kFactorStride = CSpatialScanData::kFactorStride;
}

CSpectralSpatialScanData::~CSpectralSpatialScanData() = default;

void CSpectralSpatialScanData::Prepare() {
    if (m_Prepared != 0) {
        return;
    }
    m_Prepared = 1;
    BuildCellData();
    UpdateFrequencyStep();
    FillDescriptionTexts();
}

float CSpectralSpatialScanData::GetFrequency(int32_t index) {
    return LookUpScanFrequency(*this, index, m_MeasuredFrequencies, m_Frequencies);
}

void CSpectralSpatialScanData::UpdateFrequencyStep() {
    m_FrequencyStep = SpectralFrequencyStep(*this);
}

bool CSpectralSpatialScanData::FindUnitPeak(_SpectralSpatialScanDataUnit& unit) const {
    const bool zelt = m_IsZeltData != 0;
    const uint32_t count = unit.GetPointCount(zelt);
    if (count == 0) {
        return false;
    }
    uint32_t at = 0;
    float peak = zelt ? unit.m_ZeltAmplitudes[0] : static_cast<float>(unit.m_Amplitudes[0]);
    for (uint32_t i = 1; i < count; ++i) {
        const float value = zelt ? unit.m_ZeltAmplitudes[i] : static_cast<float>(unit.m_Amplitudes[i]);
        if (value > peak) {
            peak = value;
            at = i;
        }
    }
    unit.m_PeakLevel = peak;
    unit.m_PeakFrequency = m_StartFrequency + static_cast<float>(at) * m_ResolutionBandwidth;
    return true;
}

void CSpectralSpatialScanData::NotePeak(const _SpectralSpatialScanDataUnit& unit) {
    if (unit.m_PeakLevel < m_LowestPeak) {
        m_LowestPeak = unit.m_PeakLevel;
        m_LowestPeakRow = unit.m_Row;
        m_LowestPeakColumn = unit.m_Column;
    }
    if (unit.m_PeakLevel > m_HighestPeak) {
        m_HighestPeak = unit.m_PeakLevel;
        m_HighestPeakRow = unit.m_Row;
        m_HighestPeakColumn = unit.m_Column;
    }
}

double CSpectralSpatialScanData::GetMaxHoldAmplitude(uint32_t index) const {
    if (m_IsZeltData != 0) {
        return m_SpectralAtom != nullptr ? m_SpectralAtom->GetAmplitude(index) : 0.0;
    }
    if (m_SpectralSnapshot == nullptr || index >= m_SpectralSnapshot->GetPointCount()) {
        return 0.0;
    }
    return m_SpectralSnapshot->GetRawAmplitude(index);
}

void CSpectralSpatialScanData::FinishRange() {
    m_LowestMaxHold = 10000.0F;
    m_HighestMaxHold = -10000.0F;
    for (uint32_t i = 0; i < m_PointCount; ++i) {
        const auto value = static_cast<float>(GetMaxHoldAmplitude(i));
        if (value < m_LowestMaxHold) {
            m_LowestMaxHold = value;
            m_LowestMaxHoldIndex = i;
        }
        if (value > m_HighestMaxHold) {
            m_HighestMaxHold = value;
            m_HighestMaxHoldIndex = i;
        }
    }
    m_MinValue = std::min(m_LowestPeak, m_LowestMaxHold);
    m_MaxValue = std::max(m_HighestPeak, m_HighestMaxHold);
}

void CSpectralSpatialScanData::BuildCellData() {
    m_LowestPeak = 10000.0F;
    m_HighestPeak = -10000.0F;
    if (m_IsZeltData != 0) {
        BuildZeltCellData();
    } else {
        BuildMirtCellData();
    }
}

void CSpectralSpatialScanData::BuildMirtCellData() {
    m_SpatialSnapshot = std::make_unique<QSSSpatialSnapshot>(m_Rows, m_Columns);
    m_SpatialSnapshot->Fill(kNoValue);
    bool first = true;
    for (const auto& unitPointer : m_Units) {
        _SpectralSpatialScanDataUnit& unit = *unitPointer;
        m_ProbeScanPattern.SetProbeAt(unit.m_Row, unit.m_Column, 1);
        const uint32_t count = unit.GetPointCount(false);
        if (m_SpectralSnapshot == nullptr) {
            m_SpectralSnapshot = std::make_unique<QSSSpectralSnapshot>(count);
        }
        // The max-hold spectrum has the first cell's points: another count has no point-by-point match.
        if (count == m_SpectralSnapshot->GetPointCount()) {
            for (uint32_t i = 0; i < count; ++i) {
                const int16_t amplitude = unit.m_Amplitudes[i];
                if (first || amplitude > m_SpectralSnapshot->GetRawAmplitude(i)) {
                    m_SpectralSnapshot->SetPoint(i, amplitude, unit.m_Row, unit.m_Column);
                }
            }
            first = false;
        }
        if (!FindUnitPeak(unit)) {
            continue;
        }
        if (unit.m_Row < m_Rows && unit.m_Column < m_Columns) {
            m_SpatialSnapshot->SetCell(unit.m_Row, unit.m_Column, TruncateToInt16(unit.m_PeakLevel),
                                       unit.m_PeakFrequency);
        }
        NotePeak(unit);
    }
    m_PointCount = m_SpectralSnapshot != nullptr ? m_SpectralSnapshot->GetPointCount() : 0;
    FinishRange();
    std::vector<double> values(m_PointCount);
    for (uint32_t i = 0; i < m_PointCount; ++i) {
        values[i] = GetMaxHoldAmplitude(i);
    }
    m_NoiseFloor = EstimateNoiseFloorOfValues(values);
}

void CSpectralSpatialScanData::BuildZeltCellData() {
    m_SpatialAtom = std::make_unique<CSpatialDataAtom>(
        static_cast<int16_t>(m_Rows), static_cast<int16_t>(m_Columns), static_cast<int8_t>(m_ZeltLevel));
    bool first = true;
    for (const auto& unitPointer : m_Units) {
        _SpectralSpatialScanDataUnit& unit = *unitPointer;
        m_ProbeScanPattern.SetProbeAt(unit.m_Row, unit.m_Column, 1);
        const uint32_t count = unit.GetPointCount(true);
        if (m_SpectralAtom == nullptr) {
            m_SpectralAtom = std::make_unique<CSpectralDataAtom>(count);
        }
        const uint16_t subRow = unit.m_Words[2];
        const uint16_t subColumn = unit.m_Words[3];
        if (count == m_SpectralAtom->GetPointCount()) {
            for (uint32_t i = 0; i < count; ++i) {
                const float amplitude = unit.m_ZeltAmplitudes[i];
                if (first || amplitude > m_SpectralAtom->GetAmplitude(i)) {
                    m_SpectralAtom->SetAmplitude(i, amplitude);
                    m_SpectralAtom->SetRow(i, unit.m_Row);
                    m_SpectralAtom->SetColumn(i, unit.m_Column);
                    m_SpectralAtom->SetSubRow(i, static_cast<uint8_t>(subRow));
                    m_SpectralAtom->SetSubColumn(i, static_cast<uint8_t>(subColumn));
                }
            }
            first = false;
        }
        if (!FindUnitPeak(unit)) {
            continue;
        }
        m_SpatialAtom->SetValue(unit.m_Row, unit.m_Column, subRow, subColumn,
                                static_cast<float>(TruncateToInt16(unit.m_PeakLevel)));
        m_SpatialAtom->SetSecondValue(unit.m_Row, unit.m_Column, subRow, subColumn, unit.m_PeakFrequency);
        NotePeak(unit);
    }
    m_PointCount = m_SpectralAtom != nullptr ? m_SpectralAtom->GetPointCount() : 0;
    FinishRange();
}

void CSpectralSpatialScanData::WriteBulk(QDataWriter& writer) const {
    writer.WriteU32(static_cast<uint32_t>(m_Units.size()));
    for (const auto& unit : m_Units) {
        writer.WriteU16(unit->m_Row);
        writer.WriteU16(unit->m_Column);
        writer.WriteF32(unit->m_PeakLevel);
        writer.WriteF32(unit->m_PeakFrequency);
        writer.WriteU16(unit->m_CellWord3);
        writer.WriteF32(unit->m_CellValue);
        for (uint16_t word : unit->m_Words) {
            writer.WriteU16(word);
        }
        writer.WriteU32(unit->m_Word1);
        writer.WriteU32(unit->m_Word2);
        writer.WriteU32(static_cast<uint32_t>(unit->m_Amplitudes.size()));
        for (int16_t amplitude : unit->m_Amplitudes) {
            writer.WriteI16(amplitude);
        }
        writer.WriteU32(static_cast<uint32_t>(unit->m_ZeltAmplitudes.size()));
        for (float amplitude : unit->m_ZeltAmplitudes) {
            writer.WriteF32(amplitude);
        }
    }
    writer.WriteU32(static_cast<uint32_t>(m_MeasuredFrequencies.size()));
    for (const QMeasuredFrequencyData::Entry& entry : m_MeasuredFrequencies) {
        writer.WriteU32(entry.m_Index);
        writer.WriteF32(entry.m_Frequency);
    }
    WriteCommonBulk(writer);
}

void CSpectralSpatialScanData::ReadBulk(QDataReader& reader) {
    // The fixed fields of a unit, before its two point counts.
    constexpr uint64_t kUnitFixedBytes = 2 + 2 + 4 + 4 + 2 + 4 + 4 * 2 + 4 + 4;
    uint32_t count = reader.ReadU32();
    reader.RequireRemaining((kUnitFixedBytes + 8) * static_cast<uint64_t>(count));
    std::vector<std::unique_ptr<_SpectralSpatialScanDataUnit>> units(count);
    for (auto& unit : units) {
        unit = std::make_unique<_SpectralSpatialScanDataUnit>();
        unit->m_Row = reader.ReadU16();
        unit->m_Column = reader.ReadU16();
        unit->m_PeakLevel = reader.ReadF32();
        unit->m_PeakFrequency = reader.ReadF32();
        unit->m_CellWord3 = reader.ReadU16();
        unit->m_CellValue = reader.ReadF32();
        for (uint16_t& word : unit->m_Words) {
            word = reader.ReadU16();
        }
        unit->m_Word1 = reader.ReadU32();
        unit->m_Word2 = reader.ReadU32();
        uint32_t points = reader.ReadU32();
        reader.RequireRemaining(2 * static_cast<uint64_t>(points));
        unit->m_Amplitudes.resize(points);
        for (int16_t& amplitude : unit->m_Amplitudes) {
            amplitude = reader.ReadI16();
        }
        points = reader.ReadU32();
        reader.RequireRemaining(4 * static_cast<uint64_t>(points));
        unit->m_ZeltAmplitudes.resize(points);
        for (float& amplitude : unit->m_ZeltAmplitudes) {
            amplitude = reader.ReadF32();
        }
    }
    count = reader.ReadU32();
    reader.RequireRemaining(8 * static_cast<uint64_t>(count));
    std::vector<QMeasuredFrequencyData::Entry> measured(count);
    for (QMeasuredFrequencyData::Entry& entry : measured) {
        entry.m_Index = reader.ReadU32();
        entry.m_Frequency = reader.ReadF32();
    }
    CommonBulk common = ReadCommonBulk(reader);
    m_Units = std::move(units);
    SetMeasuredFrequencies(std::move(measured));
    TakeCommonBulk(std::move(common));
    m_Prepared = 0;
}

void CSpectralSpatialScanData::ReleaseBulk() {
    // Swapped with new vectors to give their memory back: clear() keeps the capacity.
    std::vector<std::unique_ptr<_SpectralSpatialScanDataUnit>>().swap(m_Units);
    std::vector<QMeasuredFrequencyData::Entry>().swap(m_MeasuredFrequencies);
    std::vector<float>().swap(m_Frequencies);
    std::vector<float>().swap(m_SpectralFactors);
    std::vector<float>().swap(m_SpatialFactors);
    ReleaseCommonBulk();
    m_SpectralCompensationTried = 0;
    m_SpectralCompensationAvailable = 0;
    m_SpatialCompensationTried = 0;
    m_SpatialCompensationAvailable = 0;
    m_FullComposite.reset();
    m_UserComposite.reset();
    m_SpectralSnapshot.reset();
    m_SpatialSnapshot.reset();
    m_SpectralAtom.reset();
    m_SpatialAtom.reset();
    m_Prepared = 0;
}

uint64_t CSpectralSpatialScanData::GetUnitBytes(const _SpectralSpatialScanDataUnit& unit) {
    // The unit, its pointer in the list and its two point lists.
    return sizeof(_SpectralSpatialScanDataUnit) + sizeof(void*) +
           unit.m_Amplitudes.capacity() * sizeof(int16_t) + unit.m_ZeltAmplitudes.capacity() * sizeof(float);
}

uint64_t CSpectralSpatialScanData::GetBulkBytes() const {
    uint64_t bytes = 0;
    for (const auto& unit : m_Units) {
        bytes += GetUnitBytes(*unit);
    }
    // The max-hold spectrum (a point and a correction per point) and the peak map (a value, a
    // frequency and a correction per cell) Prepare builds, whether built yet or not.
    bytes += static_cast<uint64_t>(m_PointCount) * (sizeof(QSpectralPoint) + 2 * sizeof(float)) +
             static_cast<uint64_t>(m_Rows) * m_Columns * (sizeof(int16_t) + 2 * sizeof(float));
    return bytes + m_MeasuredFrequencies.capacity() * sizeof(QMeasuredFrequencyData::Entry) +
           m_SpectralFactors.capacity() * sizeof(float) + m_SpatialFactors.capacity() * sizeof(float) +
           GetPatternBytes();
}

void CSpectralSpatialScanData::SetMeasuredFrequencies(std::vector<QMeasuredFrequencyData::Entry> entries) {
    m_MeasuredFrequencies = std::move(entries);
    m_Frequencies.clear();
}

bool CSpectralSpatialScanData::PrepareSpectralCompensation() {
    if (m_ApplySpectralSpatialCompensation == 0) {
        return false;
    }
    return PrepareCompensationOnce(m_SpectralCompensationTried, m_SpectralCompensationAvailable, [this] {
        QScanCompensationSettings settings;
        const bool loaded =
            GetCompensationSettings(settings) &&
            LoadPointFactors(
                settings.m_CorrectionSetName, m_PointCount, m_StartFrequency, m_StopFrequency, m_Columns,
                [this](uint32_t i) {
                    // Each point is corrected at the cell that gave its maximum.
                    if (m_IsZeltData != 0) {
                        return m_SpectralAtom != nullptr
                                   ? QPointCell{m_SpectralAtom->GetRow(i), m_SpectralAtom->GetColumn(i)}
                                   : QPointCell{};
                    }
                    if (m_SpectralSnapshot == nullptr || i >= m_SpectralSnapshot->GetPointCount()) {
                        return QPointCell{};
                    }
                    const QSpectralPoint& point = m_SpectralSnapshot->GetPoints()[i];
                    return QPointCell{point.m_Row, point.m_Column};
                },
                m_SpectralFactors);
        if (!loaded) {
            NoteMissingCorrectionList(settings.m_CorrectionSetName);
            return false;
        }
        m_SpectralReferenceLevel = settings.m_ReferenceLevel;
        return true;
    });
}

bool CSpectralSpatialScanData::PrepareSpatialCompensation() {
    if (m_ApplySpectralSpatialCompensation == 0) {
        return false;
    }
    return PrepareCompensationOnce(m_SpatialCompensationTried, m_SpatialCompensationAvailable, [this] {
        QScanCompensationSettings settings;
        m_SpatialFactors.assign(static_cast<size_t>(kFactorStride) * kFactorStride, 0.0F);
        const bool loaded =
            GetCompensationSettings(settings) &&
            LoadCellFactors(
                settings.m_CorrectionSetName, m_ProbeScanPattern, m_Rows, m_Columns,
                [this](uint16_t row, uint16_t column) {
                    // Each cell is corrected at the frequency of its own peak.
                    if (m_IsZeltData == 0) {
                        if (m_SpatialSnapshot == nullptr || row >= m_SpatialSnapshot->GetRowCount() ||
                            column >= m_SpatialSnapshot->GetColumnCount()) {
                            return 0.0F;
                        }
                        return m_SpatialSnapshot->GetFrequency(row, column);
                    }
                    if (m_SpatialAtom == nullptr) {
                        return 0.0F;
                    }
                    const auto sub = static_cast<int>(m_SpatialAtom->GetSubRows());
                    for (int sr = 0; sr < sub; ++sr) {
                        for (int sc = 0; sc < sub; ++sc) {
                            float frequency = 0.0F;
                            if (m_SpatialAtom->GetSecondValue(row, column, sr, sc, frequency) &&
                                frequency != CSpatialDataAtom::kNoValue) {
                                return frequency;
                            }
                        }
                    }
                    return 0.0F;
                },
                m_SpatialFactors);
        if (!loaded) {
            std::vector<float>().swap(m_SpatialFactors);
            NoteMissingCorrectionList(settings.m_CorrectionSetName);
            AddInformationMessage(0, "can't open the correction file for the spectral/spatial correction.");
            return false;
        }
        m_SpatialCompensationLimit = static_cast<float>(m_NoiseFloor) + 10.0F * settings.m_ReferenceLevel;
        return true;
    });
}

bool CSpectralSpatialScanData::GetCompensatedSpectralValue(int32_t amplitude, uint32_t index, int32_t& out) {
    out = amplitude;
    if (!PrepareSpectralCompensation()) {
        return false;
    }
    const float factor = index < m_SpectralFactors.size() ? m_SpectralFactors[index] : 0.0F;
    out = CompensateSpectralLevel(*this, amplitude, m_SpectralReferenceLevel, factor);
    return true;
}

bool CSpectralSpatialScanData::GetCompensatedSpatialValue(int32_t value, uint16_t row, uint16_t column,
                                                          int32_t& out) {
    out = value;
    if (!PrepareSpatialCompensation()) {
        return false;
    }
    // A cell beyond the factor grid has no factor, which leaves its level as it is.
    const float factor = row < kFactorStride && column < kFactorStride && !m_SpatialFactors.empty()
                             ? m_SpatialFactors[static_cast<size_t>(row) * kFactorStride + column]
                             : 0.0F;
    // Against the spectral reference level, 5.0 until the spectral compensation has been prepared.
    out = CompensateSpectralLevel(*this, value, m_SpectralReferenceLevel, factor);
    return true;
}

uint8_t CSpectralSpatialScanData::UpdateLevelRange() {
    QScanCompensationSettings settings;
    const uint8_t flag = GetCompensationSettings(settings) ? settings.m_CompensatedRange : uint8_t{0};
    const int unit = m_Mediator != nullptr ? m_Mediator->GetSpectralDisplayUnit() : kAmplitudeUnitStored;
    const auto offset = static_cast<float>(TruncateToInt32(m_LevelOffset));
    if (flag != 1) {
        m_MinLevelShown = ConvertAmplitudeToUnit(m_MinValue, unit) + offset;
        m_MaxLevelShown = ConvertAmplitudeToUnit(m_MaxValue, unit) + offset;
        return flag;
    }
    int32_t low = 0;
    int32_t high = 0;
    GetCompensatedSpectralValue(TruncateToInt32(GetMaxHoldAmplitude(m_LowestMaxHoldIndex)),
                                m_LowestMaxHoldIndex, low);
    const bool result = GetCompensatedSpectralValue(
        TruncateToInt32(GetMaxHoldAmplitude(m_HighestMaxHoldIndex)), m_HighestMaxHoldIndex, high);
    m_MinLevelShown = ConvertAmplitudeToUnit(static_cast<float>(low), unit) + offset;
    m_MaxLevelShown = ConvertAmplitudeToUnit(static_cast<float>(high), unit) + offset;
    return result ? 1 : 0;
}

std::unique_ptr<CSpectralSpatialScanData> CSpectralSpatialScanData::Clone() const {
    auto copy = std::make_unique<CSpectralSpatialScanData>();
    CloneInto(*copy);
    return copy;
}

void CSpectralSpatialScanData::CloneInto(CSpectralSpatialScanData& copy) const {
    CopyScanFieldsTo(copy);
    copy.m_MeasuredFrequencies = m_MeasuredFrequencies;
    copy.m_ThirdFlag = m_ThirdFlag;
    copy.m_Units.reserve(m_Units.size());
    for (const auto& unit : m_Units) {
        copy.m_Units.push_back(std::make_unique<_SpectralSpatialScanDataUnit>(*unit));
        copy.m_Units.back()->m_Processed = 0;
    }
    copy.BuildCellData();
    copy.m_ApplySpectralSpatialCompensation = 1;
    copy.UpdateFrequencyStep();
}

} // namespace orv
