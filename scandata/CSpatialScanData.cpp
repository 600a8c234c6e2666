#include "scandata/CSpatialScanData.h"

#include "core/ByteCodec.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/UnitConversion.h"
#include "scandata/CSpatialDataAtom.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/ScanDataCompensation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orv {

namespace {

constexpr float kNoValueFloat = 30000.0F;

struct CellBounds {
    int m_FirstRow = 1000;
    int m_LastRow = -1000;
    int m_FirstColumn = 1000;
    int m_LastColumn = -1000;
};

// The bounding rectangle of the cells that both record lists reach; starts at 1000 / -1000 so that
// no records give an empty rectangle.
CellBounds CommonRecordBounds(const std::vector<CZeltSpatialRecord>& first,
                              const std::vector<CZeltSpatialRecord>& second) {
    CellBounds bounds[2];
    const std::vector<CZeltSpatialRecord>* lists[2] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        for (const CZeltSpatialRecord& record : *lists[i]) {
            bounds[i].m_FirstRow = std::min(bounds[i].m_FirstRow, static_cast<int>(record.m_Row));
            bounds[i].m_LastRow = std::max(bounds[i].m_LastRow, static_cast<int>(record.m_Row));
            bounds[i].m_FirstColumn = std::min(bounds[i].m_FirstColumn, static_cast<int>(record.m_Column));
            bounds[i].m_LastColumn = std::max(bounds[i].m_LastColumn, static_cast<int>(record.m_Column));
        }
    }
    return CellBounds{std::max(bounds[0].m_FirstRow, bounds[1].m_FirstRow),
                      std::min(bounds[0].m_LastRow, bounds[1].m_LastRow),
                      std::max(bounds[0].m_FirstColumn, bounds[1].m_FirstColumn),
                      std::min(bounds[0].m_LastColumn, bounds[1].m_LastColumn)};
}

} // namespace

CSpatialScanData::~CSpatialScanData() = default;

void CSpatialScanData::Prepare() {
    if (m_Prepared != 0) {
        return;
    }
    m_Prepared = 1;
    BuildSpatialSnapshot();
    FillDescriptionTexts();
}

void CSpatialScanData::SetZeltRecordBytes(std::span<const uint8_t> bytes) {
    std::vector<CZeltSpatialRecord> records(bytes.size() / kRecordBytes);
    for (size_t i = 0; i < records.size(); ++i) {
        const uint8_t* cursor = bytes.data() + i * kRecordBytes;
        records[i].m_Row = GetLE<uint16_t>(cursor);
        records[i].m_Column = GetLE<uint16_t>(cursor);
        records[i].m_SubRow = GetLE<uint16_t>(cursor);
        records[i].m_SubColumn = GetLE<uint16_t>(cursor);
        records[i].m_Value = GetLE<float>(cursor);
    }
    m_ZeltRecords.swap(records);
}

void CSpatialScanData::BuildSpatialSnapshot() {
    SetProbeScanPatternSize(m_Rows, m_Columns);
    m_SpatialSnapshot = std::make_unique<QSSSpatialSnapshot>(m_Rows, m_Columns);
    m_SpatialSnapshot->Fill(kNoValue);
    m_MinValue = 10000.0F;
    m_MaxValue = -10000.0F;
    auto note = [this](float value, uint16_t row, uint16_t column) {
        if (value < m_MinValue) {
            m_MinValue = value;
            m_MinRow = row;
            m_MinColumn = column;
        }
        if (value > m_MaxValue) {
            m_MaxValue = value;
            m_MaxRow = row;
            m_MaxColumn = column;
        }
    };
    if (m_IsZeltData == 0) {
        const size_t cells = static_cast<size_t>(m_Rows) * m_Columns;
        for (uint16_t r = 0; r < m_Rows; ++r) {
            for (uint16_t c = 0; c < m_Columns; ++c) {
                const size_t at = static_cast<size_t>(r) * m_Columns + c;
                // A comparison result holds floats: reading it as 16-bit values would mix halves.
                float value = 0.0F;
                if (m_HoldsFloatValues != 0) {
                    if (at >= m_FloatValues.size() || at >= cells || m_FloatValues[at] == kNoValueFloat) {
                        continue;
                    }
                    value = m_FloatValues[at];
                } else {
                    if (at >= m_Values.size() || m_Values[at] == kNoValue) {
                        continue;
                    }
                    value = m_Values[at];
                }
                m_ProbeScanPattern.SetProbeAt(r, c, 1);
                m_SpatialSnapshot->SetCell(r, c, TruncateToInt16(value), m_CenterFrequency);
                note(value, r, c);
            }
        }
        return;
    }
    for (const CZeltSpatialRecord& record : m_ZeltRecords) {
        if (record.m_Row >= m_Rows || record.m_Column >= m_Columns) {
            continue;
        }
        m_ProbeScanPattern.SetProbeAt(record.m_Row, record.m_Column, 1);
        m_SpatialSnapshot->SetCell(record.m_Row, record.m_Column, TruncateToInt16(record.m_Value),
                                   m_CenterFrequency);
        note(record.m_Value, record.m_Row, record.m_Column);
    }
}

void CSpatialScanData::WriteBulk(QDataWriter& writer) const {
    writer.WriteU32(static_cast<uint32_t>(m_Values.size()));
    for (int16_t value : m_Values) {
        writer.WriteI16(value);
    }
    writer.WriteU32(static_cast<uint32_t>(m_FloatValues.size()));
    for (float value : m_FloatValues) {
        writer.WriteF32(value);
    }
    writer.WriteU32(static_cast<uint32_t>(m_ZeltRecords.size()));
    for (const CZeltSpatialRecord& record : m_ZeltRecords) {
        writer.WriteU16(record.m_Row);
        writer.WriteU16(record.m_Column);
        writer.WriteU16(record.m_SubRow);
        writer.WriteU16(record.m_SubColumn);
        writer.WriteF32(record.m_Value);
    }
    WriteCommonBulk(writer);
}

void CSpatialScanData::ReadBulk(QDataReader& reader) {
    uint32_t count = reader.ReadU32();
    reader.RequireRemaining(2 * static_cast<uint64_t>(count));
    std::vector<int16_t> values(count);
    for (int16_t& value : values) {
        value = reader.ReadI16();
    }
    count = reader.ReadU32();
    reader.RequireRemaining(4 * static_cast<uint64_t>(count));
    std::vector<float> floats(count);
    for (float& value : floats) {
        value = reader.ReadF32();
    }
    count = reader.ReadU32();
    reader.RequireRemaining(kRecordBytes * static_cast<uint64_t>(count));
    std::vector<CZeltSpatialRecord> records(count);
    for (CZeltSpatialRecord& record : records) {
        record.m_Row = reader.ReadU16();
        record.m_Column = reader.ReadU16();
        record.m_SubRow = reader.ReadU16();
        record.m_SubColumn = reader.ReadU16();
        record.m_Value = reader.ReadF32();
    }
    CommonBulk common = ReadCommonBulk(reader);
    m_Values = std::move(values);
    m_FloatValues = std::move(floats);
    m_ZeltRecords = std::move(records);
    TakeCommonBulk(std::move(common));
    m_Prepared = 0;
}

void CSpatialScanData::ReleaseBulk() {
    // Swapped with new vectors to give their memory back: clear() keeps the capacity.
    std::vector<int16_t>().swap(m_Values);
    std::vector<float>().swap(m_FloatValues);
    std::vector<CZeltSpatialRecord>().swap(m_ZeltRecords);
    ReleaseCommonBulk();
    std::vector<float>().swap(m_CorrectionFactors);
    m_CompensationTried = 0;
    m_CompensationAvailable = 0;
    m_SpatialSnapshot.reset();
    m_SpatialAtom.reset();
    m_Prepared = 0;
}

uint64_t CSpatialScanData::GetBulkBytes() const {
    // The heat map Prepare builds is counted whether built yet or not (a value, a frequency and a
    // correction per cell), so that the count stays the same while the scan is whole.
    const uint64_t heatMap =
        static_cast<uint64_t>(m_Rows) * m_Columns * (sizeof(int16_t) + 2 * sizeof(float));
    return m_Values.capacity() * sizeof(int16_t) + m_FloatValues.capacity() * sizeof(float) +
           m_ZeltRecords.capacity() * sizeof(CZeltSpatialRecord) + GetPatternBytes() + heatMap +
           m_CorrectionFactors.capacity() * sizeof(float);
}

float CSpatialScanData::GetFactor(uint16_t row, uint16_t column) const {
    if (row >= kFactorStride || column >= kFactorStride || m_CorrectionFactors.empty()) {
        return 0.0F;
    }
    return m_CorrectionFactors[static_cast<size_t>(row) * kFactorStride + column];
}

bool CSpatialScanData::LoadCorrectionFactors() {
    QScanCompensationSettings settings;
    if (!GetCompensationSettings(settings)) {
        return false;
    }
    const float frequency = m_CenterFrequency;
    m_CorrectionFactors.assign(static_cast<size_t>(kFactorStride) * kFactorStride, 0.0F);
    if (!LoadCellFactors(
            settings.m_CorrectionSetName, m_ProbeScanPattern, m_Rows, m_Columns,
            [frequency](uint16_t, uint16_t) { return frequency; }, m_CorrectionFactors)) {
        std::vector<float>().swap(m_CorrectionFactors);
        NoteMissingCorrectionList(settings.m_CorrectionSetName);
        return false;
    }
    return true;
}

bool CSpatialScanData::PrepareCompensation() {
    if (m_ApplyCompensation == 0) {
        return true;
    }
    return PrepareCompensationOnce(m_CompensationTried, m_CompensationAvailable, [this] {
        if (!LoadCorrectionFactors()) {
            return false;
        }
        QScanCompensationSettings settings;
        GetCompensationSettings(settings);
        m_StoredOffset = std::max(0.0F, m_MinValue);
        m_CompensationLimit = m_StoredOffset + 10.0F * settings.m_ReferenceLevel;
        return true;
    });
}

bool CSpatialScanData::GetCompensatedCellValue(int32_t value, uint16_t row, uint16_t column, int32_t& out) {
    out = value;
    if (!PrepareCompensation()) {
        return false;
    }
    QScanCompensationSettings settings;
    if (!GetCompensationSettings(settings)) {
        return true;
    }
    const float limit = 10.0F * settings.m_ReferenceLevel + m_StoredOffset;
    if (row >= kFactorStride || column >= kFactorStride) {
        return true; // no factor for a cell beyond the grid
    }
    out = ApplyCompensationFactor(value, settings.m_Mode, static_cast<float>(value) <= limit,
                                  GetFactor(row, column));
    return true;
}

uint8_t CSpatialScanData::UpdateLevelRange() {
    QScanCompensationSettings settings;
    const uint8_t flag = GetCompensationSettings(settings) ? settings.m_CompensatedRange : uint8_t{0};
    const int unit = m_Mediator != nullptr ? m_Mediator->GetSpatialDisplayUnit() : kAmplitudeUnitStored;
    uint8_t result = flag;
    float low = 0.0F;
    float high = 0.0F;
    if (flag != 1) {
        low = ConvertAmplitudeToUnit(m_MinValue, unit);
        high = ConvertAmplitudeToUnit(m_MaxValue, unit);
    } else {
        int32_t compensatedLow = 0;
        int32_t compensatedHigh = 0;
        GetCompensatedCellValue(TruncateToInt32(m_MinValue), m_MinRow, m_MinColumn, compensatedLow);
        result = GetCompensatedCellValue(TruncateToInt32(m_MaxValue), m_MaxRow, m_MaxColumn, compensatedHigh)
                     ? 1
                     : 0;
        low = ConvertAmplitudeToUnit(static_cast<float>(compensatedLow), unit);
        high = ConvertAmplitudeToUnit(static_cast<float>(compensatedHigh), unit);
    }
    const auto offset = static_cast<float>(TruncateToInt32(m_LevelOffset));
    m_MinLevelShown = low + offset;
    m_MaxLevelShown = high + offset;
    return result;
}

void CSpatialScanData::FillAtom(CSpatialDataAtom& atom, const std::vector<CZeltSpatialRecord>& records,
                                bool moveDown) const {
    for (const CZeltSpatialRecord& record : records) {
        int row = record.m_Row;
        if (moveDown && m_Rows > 0) {
            row = std::min(row + 1, m_Rows - 1);
        }
        atom.SetValue(row, record.m_Column, record.m_SubRow, record.m_SubColumn, record.m_Value);
    }
}

CSpatialDataAtom CSpatialScanData::MakeAtom() const {
    return CSpatialDataAtom(static_cast<int16_t>(m_Rows), static_cast<int16_t>(m_Columns),
                            static_cast<int8_t>(m_ZeltLevel));
}

bool CSpatialScanData::CheckComparisonCompatibility(CSpatialScanData& reference, std::string& reason) {
    if ((m_IsZeltData != 0) != (reference.m_IsZeltData != 0)) {
        reason = "--- No support for the scan data, Zelt scan data is not compatible with Mirt scan data.";
        return false;
    }
    if (m_Rows != reference.m_Rows || m_Columns != reference.m_Columns) {
        reason = "--- Different scanner size.";
        return false;
    }
    if (m_CenterFrequency != reference.m_CenterFrequency) {
        reason = "--- Different scan frequency.";
        return false;
    }
    const size_t cells = static_cast<size_t>(m_Rows) * m_Columns;
    if (m_IsZeltData == 0) {
        auto measured = [cells](const CSpatialScanData& scan, size_t at) {
            if (at >= cells) {
                return false;
            }
            if (scan.m_HoldsFloatValues != 0) {
                return at < scan.m_FloatValues.size() && scan.m_FloatValues[at] != kNoValueFloat;
            }
            return at < scan.m_Values.size() && scan.m_Values[at] != kNoValue;
        };
        for (size_t at = 0; at < cells; ++at) {
            if (measured(*this, at) != measured(reference, at)) {
                reason = "--- Different scan area.";
                return false;
            }
        }
        return true;
    }
    CSpatialDataAtom mine = MakeAtom();
    CSpatialDataAtom theirs = MakeAtom();
    FillAtom(mine, m_ZeltRecords, false);
    FillAtom(theirs, reference.m_ZeltRecords, false);
    for (int r = 0; r < m_Rows; ++r) {
        for (int c = 0; c < m_Columns; ++c) {
            if (mine.HasCell(r, c) != theirs.HasCell(r, c)) {
                reason = "--- Different scan area.";
                return false;
            }
        }
    }
    return true;
}

bool CSpatialScanData::CheckBlindSpotReductionCompatibility(CSpatialScanData& other, std::string& reason) {
    if ((m_IsZeltData != 0) != (other.m_IsZeltData != 0)) {
        reason = "--- No support for the scan data, Zelt scan data is not compatible with Mirt scan data.";
        return false;
    }
    if (m_Rows != other.m_Rows || m_Columns != other.m_Columns) {
        reason = "--- Different scanner size.";
        return false;
    }
    if ((m_IsZeltData != 0 || other.m_IsZeltData != 0) && m_ZeltLevel != other.m_ZeltLevel) {
        reason = "--- Different Zelt scan level.";
        return false;
    }
    // Both patterns are read: each is built when its scan is prepared.
    Prepare();
    other.Prepare();
    for (int r = 0; r < m_Rows; ++r) {
        for (int c = 0; c < m_Columns; ++c) {
            if (m_ProbeScanPattern.IsProbeOn(r, c) && other.m_ProbeScanPattern.IsProbeOn(r, c)) {
                return true;
            }
        }
    }
    reason = "--- No overlapped scan area.";
    return false;
}

float CSpatialScanData::GetAreaWidthFraction(uint16_t columns) const {
    return AreaWidthFraction(m_ScanArea, columns);
}

float CSpatialScanData::AreaWidthFraction(const CScanAreaRecord& area, uint16_t columns) {
    if (columns == 0) {
        return 0.0F;
    }
    int64_t w = std::llabs(static_cast<int64_t>(area.m_Right) - area.m_Left);
    if (columns != 40) {
        w = w * 40 / columns;
    }
    return static_cast<float>(w) / (columns == 42 ? 2992.0F : 3040.0F);
}

float CSpatialScanData::GetAreaHeightFraction(uint16_t rows) const {
    return AreaHeightFraction(m_ScanArea, rows);
}

float CSpatialScanData::AreaHeightFraction(const CScanAreaRecord& area, uint16_t rows) {
    if (rows == 0) {
        return 0.0F;
    }
    int64_t h = std::llabs(static_cast<int64_t>(area.m_Bottom) - area.m_Top);
    if (rows != 32) {
        h = h * 32 / rows;
    }
    return static_cast<float>(h) / (rows == 29 ? 2395.0F : 2434.0F);
}

std::unique_ptr<CSpatialScanData> CSpatialScanData::Clone() const {
    auto copy = std::make_unique<CSpatialScanData>();
    CopyScanFieldsTo(*copy);
    copy->m_SpatialBytes = m_SpatialBytes;
    copy->m_Values = m_Values;
    copy->m_FloatValues = m_FloatValues;
    copy->m_HoldsFloatValues = m_HoldsFloatValues;
    copy->m_ZeltRecords = m_ZeltRecords;
    copy->BuildSpatialSnapshot();
    return copy;
}

std::unique_ptr<CSpatialScanData> CSpatialScanData::CreateBlindSpotReductionWith(CSpatialScanData& other) {
    auto result = std::make_unique<CSpatialScanData>();
    CopyScanFieldsTo(*result);
    const size_t cells = static_cast<size_t>(m_Rows) * m_Columns;
    if (m_IsZeltData == 0) {
        // The row this pass leaves behind holds no value: 0 would pass for a measured level.
        std::vector<int16_t> moved(cells, kNoValue);
        for (uint32_t r = 0; r < m_Rows; ++r) {
            const uint32_t to = std::min<uint32_t>(r + 1, m_Rows - 1U);
            for (uint32_t c = 0; c < m_Columns; ++c) {
                const size_t from = static_cast<size_t>(r) * m_Columns + c;
                if (from < m_Values.size()) {
                    moved[static_cast<size_t>(to) * m_Columns + c] = m_Values[from];
                }
            }
        }
        result->m_Values.assign(cells, kNoValue);
        for (size_t at = 0; at < cells; ++at) {
            const int16_t b = at < other.m_Values.size() ? other.m_Values[at] : kNoValue;
            const int16_t a = moved[at];
            if (b == kNoValue) {
                result->m_Values[at] = kNoValue;
            } else if (a == kNoValue) {
                result->m_Values[at] = b;
            } else {
                result->m_Values[at] = std::max(a, b);
            }
        }
        return result;
    }
    CSpatialDataAtom a = MakeAtom();
    CSpatialDataAtom b = MakeAtom();
    FillAtom(a, m_ZeltRecords, true);
    FillAtom(b, other.m_ZeltRecords, false);
    const CellBounds bounds = CommonRecordBounds(m_ZeltRecords, other.m_ZeltRecords);
    const int sub = static_cast<int>(b.GetSubRows());
    for (int r = bounds.m_FirstRow; r <= bounds.m_LastRow; ++r) {
        for (int c = bounds.m_FirstColumn; c <= bounds.m_LastColumn; ++c) {
            if (!b.HasCell(r, c)) {
                continue;
            }
            const bool inA = a.HasCell(r, c);
            for (int sr = 0; sr < sub; ++sr) {
                for (int sc = 0; sc < sub; ++sc) {
                    float vb = 0.0F;
                    b.GetValue(r, c, sr, sc, vb);
                    float va = 0.0F;
                    if (inA) {
                        a.GetValue(r, c, sr, sc, va);
                        vb = std::max(va, vb);
                    }
                    result->m_ZeltRecords.push_back(
                        CZeltSpatialRecord{static_cast<uint16_t>(r), static_cast<uint16_t>(c),
                                           static_cast<uint16_t>(sr), static_cast<uint16_t>(sc), vb});
                }
            }
        }
    }
    return result;
}

std::unique_ptr<CSpatialScanData> CSpatialScanData::CreateComparisonWith(CSpatialScanData& reference,
                                                                         uint8_t compensate) {
    auto result = std::make_unique<CSpatialScanData>();
    CopyScanFieldsTo(*result);
    result->m_ApplyCompensation = 0;
    const bool useCompensation = compensate == 1 && PrepareCompensation();
    const size_t cells = static_cast<size_t>(m_Rows) * m_Columns;
    if (m_IsZeltData == 0) {
        result->m_HoldsFloatValues = 1;
        result->m_FloatValues.assign(cells, kNoValueFloat);
        const auto ownOffset = static_cast<int16_t>(TruncateToInt32(m_LevelOffset) * 10);
        const auto referenceOffset = static_cast<int16_t>(TruncateToInt32(reference.m_LevelOffset) * 10);
        for (uint16_t r = 0; r < m_Rows; ++r) {
            for (uint16_t c = 0; c < m_Columns; ++c) {
                const size_t at = static_cast<size_t>(r) * m_Columns + c;
                if (at >= m_Values.size() || at >= reference.m_Values.size() || m_Values[at] == kNoValue ||
                    reference.m_Values[at] == kNoValue) {
                    continue;
                }
                // The offsets are added in the stored 16-bit width, as the levels are kept.
                const auto a = static_cast<int16_t>(m_Values[at] + ownOffset);
                const auto b = static_cast<int16_t>(reference.m_Values[at] + referenceOffset);
                if (!useCompensation) {
                    result->m_FloatValues[at] = static_cast<float>((a - b) / 10.0);
                    continue;
                }
                int32_t ca = a;
                int32_t cb = b;
                GetCompensatedCellValue(a, r, c, ca);
                reference.GetCompensatedCellValue(b, r, c, cb);
                result->m_FloatValues[at] = static_cast<float>(ca / 10.0 - cb / 10.0);
            }
        }
        return result;
    }
    CSpatialDataAtom a = MakeAtom();
    CSpatialDataAtom b = MakeAtom();
    auto fill = [&](CSpatialDataAtom& atom, const std::vector<CZeltSpatialRecord>& records, float offset) {
        for (const CZeltSpatialRecord& record : records) {
            float value = record.m_Value + 10.0F * offset;
            if (useCompensation) {
                int32_t compensated = 0;
                // Both scans' records are compensated with this scan's factors.
                GetCompensatedCellValue(TruncateToInt32(record.m_Value), record.m_Row, record.m_Column,
                                        compensated);
                value = static_cast<float>(compensated) + 10.0F * offset;
            }
            atom.SetValue(record.m_Row, record.m_Column, record.m_SubRow, record.m_SubColumn, value);
        }
    };
    fill(a, m_ZeltRecords, m_LevelOffset);
    fill(b, reference.m_ZeltRecords, reference.m_LevelOffset);
    const CellBounds bounds = CommonRecordBounds(m_ZeltRecords, reference.m_ZeltRecords);
    const int sub = static_cast<int>(a.GetSubRows());
    for (int r = bounds.m_FirstRow; r <= bounds.m_LastRow; ++r) {
        for (int c = bounds.m_FirstColumn; c <= bounds.m_LastColumn; ++c) {
            if (!a.HasCell(r, c) || !b.HasCell(r, c)) {
                continue;
            }
            for (int sr = 0; sr < sub; ++sr) {
                for (int sc = 0; sc < sub; ++sc) {
                    float va = 0.0F;
                    float vb = 0.0F;
                    a.GetValue(r, c, sr, sc, va);
                    b.GetValue(r, c, sr, sc, vb);
                    result->m_ZeltRecords.push_back(CZeltSpatialRecord{
                        static_cast<uint16_t>(r), static_cast<uint16_t>(c), static_cast<uint16_t>(sr),
                        static_cast<uint16_t>(sc), static_cast<float>((va - vb) / 10.0)});
                }
            }
        }
    }
    return result;
}

} // namespace orv
