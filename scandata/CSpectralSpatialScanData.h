#pragma once

#include "scandata/CScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/QMeasuredFrequencyData.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// One measured cell of a spectral/spatial scan: its spectrum (16-bit levels for Mirt data; the
// cell, sub-cell and float levels for Zelt data) and the peak the build found in it.
struct _SpectralSpatialScanDataUnit {
    uint16_t m_Row = 0;
    uint16_t m_Column = 0;
    float m_PeakLevel = 0.0F;
    float m_PeakFrequency = 0.0F;
    // The cell's third word and value as they were loaded or measured. The build finds its own peak
    // (above); these are stored back unchanged, so that showing a scan never alters its stored form.
    uint16_t m_CellWord3 = 0;
    float m_CellValue = 0.0F;
    std::vector<int16_t> m_Amplitudes;   // Mirt data
    std::array<uint16_t, 4> m_Words{};   // Zelt data: row, column, sub-row, sub-column
    std::vector<float> m_ZeltAmplitudes; // Zelt data
    uint32_t m_Word1 = 0;
    uint32_t m_Word2 = 0;
    // Set when the composite spectra took the unit in; cleared when a complete scan drops them.
    // Display state only: never stored or cloned.
    uint8_t m_Processed = 0;

    uint32_t GetPointCount(bool zelt) const {
        return static_cast<uint32_t>(zelt ? m_ZeltAmplitudes.size() : m_Amplitudes.size());
    }
};

// One spectrum per measured cell: the max-hold spectrum over the cells, the peak map, and the
// spectral and spatial compensation of the Preferences node's correction set.
class CSpectralSpatialScanData : public CScanData {
public:
    CSpectralSpatialScanData() = default;
    ~CSpectralSpatialScanData() override;

    // Once: the cell data, the frequency step, the description texts.
    void Prepare() override;
    float GetFrequency(int32_t index) override;
    uint32_t GetCount() const override { return static_cast<uint32_t>(m_MeasuredFrequencies.size()); }
    uint8_t UpdateLevelRange() override;
    // The bulk: the units, the measured frequencies and the probe pattern.
    void WriteBulk(QDataWriter& writer) const override;
    void ReadBulk(QDataReader& reader) override;
    void ReleaseBulk() override;
    uint64_t GetBulkBytes() const override;
    // What one unit takes in memory, roughly (for a scan that grows cell by cell).
    static uint64_t GetUnitBytes(const _SpectralSpatialScanDataUnit& unit);

    std::unique_ptr<CSpectralSpatialScanData> Clone() const;

protected:
    // Copies this scan's fields and units into a fresh scan of this kind or a derived one.
    void CloneInto(CSpectralSpatialScanData& copy) const;

public:
    void BuildCellData();
    void UpdateFrequencyStep();
    bool PrepareSpectralCompensation();
    bool PrepareSpatialCompensation();
    bool GetCompensatedSpectralValue(int32_t amplitude, uint32_t index, int32_t& out);
    bool GetCompensatedSpatialValue(int32_t value, uint16_t row, uint16_t column, int32_t& out);
    // Frequencies measured after the scan; the frequency table is built again from them.
    void SetMeasuredFrequencies(std::vector<QMeasuredFrequencyData::Entry> entries);

    std::vector<std::unique_ptr<_SpectralSpatialScanDataUnit>> m_Units; // in arrival order
    std::vector<QMeasuredFrequencyData::Entry> m_MeasuredFrequencies;
    // The third flag of the stored record (a hand-held scan has none), kept as it came.
    uint8_t m_ThirdFlag = 0;
    uint32_t m_ApplySpectralSpatialCompensation = 1;
    // The cells the scan was made with, and whether all of them (or the closing frequencies) arrived.
    uint32_t m_CellCount = 0;
    uint8_t m_Completed = 0;

    uint8_t m_SpectralCompensationTried = 0;
    uint8_t m_SpectralCompensationAvailable = 0;
    float m_SpectralReferenceLevel = 5.0F;
    std::vector<float> m_SpectralFactors;
    uint8_t m_SpatialCompensationTried = 0;
    uint8_t m_SpatialCompensationAvailable = 0;
    float m_SpatialCompensationLimit = 5.0F;
    // CSpatialScanData::kFactorStride squared factors once loaded, else empty.
    std::vector<float> m_SpatialFactors;

    float m_LowestPeak = 10000.0F;
    float m_HighestPeak = -10000.0F;
    uint16_t m_LowestPeakRow = 0;
    uint16_t m_LowestPeakColumn = 0;
    uint16_t m_HighestPeakRow = 0;
    uint16_t m_HighestPeakColumn = 0;
    // The full and user composite spectra the spectral/spatial view builds over the units (null
    // when absent). They outlive a view's refresh while the scan fills its grid and are dropped once
    // every cell has arrived. Display state only: never stored or cloned.
    std::unique_ptr<CSpectralDataAtom> m_FullComposite;
    std::unique_ptr<CSpectralDataAtom> m_UserComposite;

    float m_LowestMaxHold = 10000.0F;
    float m_HighestMaxHold = -10000.0F;
    uint32_t m_LowestMaxHoldIndex = 0;
    uint32_t m_HighestMaxHoldIndex = 0;

private:
    void BuildMirtCellData();
    void BuildZeltCellData();
    // The peak (first highest level) of a unit and its frequency; false for a unit without points.
    bool FindUnitPeak(_SpectralSpatialScanDataUnit& unit) const;
    void NotePeak(const _SpectralSpatialScanDataUnit& unit);
    void FinishRange();
    // The max-hold level of point i (tenths).
    double GetMaxHoldAmplitude(uint32_t index) const;

    std::vector<float> m_Frequencies;
};

} // namespace orv
