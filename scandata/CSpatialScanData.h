#pragma once

#include "scandata/CScanData.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace orv {

// One value of multi-level (Zelt) spatial data: 12 bytes on the wire.
struct CZeltSpatialRecord {
    uint16_t m_Row = 0;
    uint16_t m_Column = 0;
    uint16_t m_SubRow = 0;
    uint16_t m_SubColumn = 0;
    float m_Value = 0.0F;

    bool operator==(const CZeltSpatialRecord& other) const = default;
};

// A spatial scan for the views: one value per cell (Mirt data) or a list of sub-cell records
// (Zelt data), its heat map, and the per-cell correction factors of the Preferences node's
// correction set.
class CSpatialScanData : public CScanData {
public:
    static constexpr uint32_t kRecordBytes = 12;
    // The factor grid is addressed as row x kFactorStride + column.
    static constexpr uint32_t kFactorStride = 64;

    CSpatialScanData() = default;
    ~CSpatialScanData() override;

    // Once: builds the heat map, then fills the description texts.
    void Prepare() override;
    uint8_t UpdateLevelRange() override;
    // The bulk: the values (16-bit, float or Zelt records) and the probe pattern.
    void WriteBulk(QDataWriter& writer) const override;
    void ReadBulk(QDataReader& reader) override;
    void ReleaseBulk() override;
    uint64_t GetBulkBytes() const override;

    std::unique_ptr<CSpatialScanData> Clone() const;
    void BuildSpatialSnapshot();
    // True when compensation is not asked for or its factors are loaded; tried once.
    bool PrepareCompensation();
    // The value as the Preferences node's compensation mode shows it; false (out = value) when the
    // factors cannot be loaded.
    bool GetCompensatedCellValue(int32_t value, uint16_t row, uint16_t column, int32_t& out);
    bool CheckComparisonCompatibility(CSpatialScanData& reference, std::string& reason);
    bool CheckBlindSpotReductionCompatibility(CSpatialScanData& other, std::string& reason);
    // This scan minus the reference in dB, as floats; the caller owns the result.
    std::unique_ptr<CSpatialScanData> CreateComparisonWith(CSpatialScanData& reference, uint8_t compensate);
    // This pass (one row lower) merged with the older pass; the caller owns the result.
    std::unique_ptr<CSpatialScanData> CreateBlindSpotReductionWith(CSpatialScanData& other);
    // The scanned rectangle as a fraction of the scanner surface; 0 for a grid of 0 columns/rows.
    float GetAreaWidthFraction(uint16_t columns) const;
    float GetAreaHeightFraction(uint16_t rows) const;
    // The same for any scan's area record (the overlay views of every kind of scan data).
    static float AreaWidthFraction(const CScanAreaRecord& area, uint16_t columns);
    static float AreaHeightFraction(const CScanAreaRecord& area, uint16_t rows);

    // The 12-byte records as the scan record carries them; a trailing partial record is dropped.
    void SetZeltRecordBytes(std::span<const uint8_t> bytes);
    uint32_t GetZeltRecordBytes() const { return static_cast<uint32_t>(m_ZeltRecords.size()) * kRecordBytes; }
    bool HoldsFloatValues() const { return m_HoldsFloatValues != 0; }
    float GetFactor(uint16_t row, uint16_t column) const;

    // The two bytes a spatial record carries around its Zelt flag and level, kept as they came.
    std::array<uint8_t, 2> m_SpatialBytes{};
    std::vector<int16_t> m_Values; // rows x columns, 30000 = no value (Mirt data)
    // A Mirt comparison result: rows x columns differences in dB, 30000.0 = no value.
    std::vector<float> m_FloatValues;
    uint8_t m_HoldsFloatValues = 0;
    std::vector<CZeltSpatialRecord> m_ZeltRecords;

    uint8_t m_CompensationTried = 0;
    uint8_t m_CompensationAvailable = 0;
    float m_CompensationLimit = 0.0F;
    float m_StoredOffset = 0.0F;
    // kFactorStride x kFactorStride factors once loaded, else empty: most scans are never
    // compensated, and a grid per scan would outweigh its values.
    std::vector<float> m_CorrectionFactors;
    int32_t m_CorrectionSet = 0;

private:
    // The records as an atom of this scan's size and level (records outside it are skipped).
    void FillAtom(CSpatialDataAtom& atom, const std::vector<CZeltSpatialRecord>& records,
                  bool moveDown) const;
    // An empty atom of this scan's grid and Zelt level.
    CSpatialDataAtom MakeAtom() const;
    bool LoadCorrectionFactors();
};

} // namespace orv
