#pragma once

#include "scandata/CScanData.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSpectralPoint.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class QDataReader;
class QDataWriter;

// A point held as a float level and four words: Zelt points (level, row, column, sub-row,
// sub-column; 12 bytes) and comparison results (the difference in dB, then zero words; 8 bytes for
// Mirt data, 12 for Zelt data).
struct CFloatSpectralPoint {
    float m_Amplitude = 0.0F;
    uint16_t m_Row = 0;
    uint16_t m_Column = 0;
    uint16_t m_SubRow = 0;
    uint16_t m_SubColumn = 0;

    bool operator==(const CFloatSpectralPoint& other) const = default;
};

// The frequency table that spectral scan data build from start, step and measured frequencies.
float InterpolateScanFrequency(uint32_t index, float start, float stop, float step, uint32_t pointCount,
                               const std::vector<QMeasuredFrequencyData::Entry>& entries);
// The point spacing of a spectrum: the resolution bandwidth for Zelt data or fewer than two points,
// else the span over the gaps between the points.
float SpectralFrequencyStep(const CScanData& scan);
// The frequency of point `index` of a spectrum (its start below 0, its stop at or past the last
// point); `table` is built again from the measured frequencies when it does not match the points.
float LookUpScanFrequency(const CScanData& scan, int32_t index,
                          const std::vector<QMeasuredFrequencyData::Entry>& measured,
                          std::vector<float>& table);
// The level (tenths) as the Preferences node's compensation mode shows it with the given factor
// (dB); mode 2 leaves levels up to the reference level (dB) above the scan's noise floor.
int32_t CompensateSpectralLevel(const CScanData& scan, int32_t value, float referenceLevel, float factor);

// One spectrum for the views.
class CSpectralScanData : public CScanData {
public:
    // How the points are held: 6-byte 16-bit points (Mirt), 12-byte float points (Zelt), or 8-byte
    // float points (a comparison result of Mirt data).
    enum : uint8_t { kMirtPoints = 0, kZeltPoints = 1, kMirtFloatPoints = 2 };

    CSpectralScanData() = default;
    ~CSpectralScanData() override;

    // Once: the max-hold snapshot, the frequency step, the description texts.
    void Prepare() override;
    // index < 0: the start; index >= points: the stop; else the point's frequency.
    float GetFrequency(int32_t index) override;
    uint32_t GetCount() const override { return static_cast<uint32_t>(m_MeasuredFrequencies.size()); }
    uint8_t UpdateLevelRange() override;

    std::unique_ptr<CSpectralScanData> Clone() const;
    void BuildSpectralSnapshot();
    void UpdateFrequencyStep();
    int16_t EstimateNoiseFloor();
    bool PrepareCompensation();
    bool GetCompensatedValue(int32_t amplitude, uint32_t index, int32_t& out);
    bool CheckComparisonCompatibility(CSpectralScanData& other, std::string& reason);
    bool CheckOverlayCompatibility(CSpectralScanData& other, std::string& reason);
    // Null when the two cannot be compared (different scanner lines, no overlap, no step).
    std::unique_ptr<CSpectralScanData> CreateComparisonWith(CSpectralScanData& reference, uint8_t compensate);
    std::unique_ptr<CSpectralScanData> CreateOverlayWith(CSpectralScanData& other);
    // Clears the pattern and the probe-cell list, then marks each (row, column) pair.
    void SetProbeScanPattern(const std::vector<std::pair<uint16_t, uint16_t>>& pairs);

    void SetMirtPoints(std::vector<QSpectralPoint> points);
    void SetFloatPoints(std::vector<CFloatSpectralPoint> points, uint8_t format);
    // Frequencies measured after the scan; the frequency table is built again from them.
    void SetMeasuredFrequencies(std::vector<QMeasuredFrequencyData::Entry> entries);
    uint8_t GetPointFormat() const { return m_PointFormat; }
    uint32_t GetPointBytes() const;
    // The point's level in tenths (float points as held).
    double GetPointAmplitude(uint32_t index) const;
    const std::vector<QSpectralPoint>& GetMirtPoints() const { return m_MirtPoints; }
    const std::vector<CFloatSpectralPoint>& GetFloatPoints() const { return m_FloatPoints; }

    // The bulk: the points, the probe cells, the measured frequencies and the probe pattern.
    void WriteBulk(QDataWriter& writer) const override;
    void ReadBulk(QDataReader& reader) override;
    void ReleaseBulk() override;
    uint64_t GetBulkBytes() const override;

    std::vector<QMeasuredFrequencyData::Entry> m_MeasuredFrequencies;
    std::vector<std::pair<uint16_t, uint16_t>> m_ProbeCells;
    uint8_t m_CompensationTried = 0;
    uint8_t m_CompensationAvailable = 0;
    float m_CompensationReferenceLevel = 5.0F;
    std::vector<float> m_CorrectionFactors;
    uint32_t m_MinPointIndex = 0;
    uint32_t m_MaxPointIndex = 0;

private:
    struct CommonRange {
        float m_Start = 0.0F;
        float m_Stop = 0.0F;
    };
    bool FindCommonRange(const CSpectralScanData& other, CommonRange& range) const;
    // The checks both comparison and overlay make: the same kind of data, and a step in both.
    bool CheckKindAndSteps(CSpectralScanData& other, std::string& reason);
    bool CheckOverlap(const CSpectralScanData& other, std::string& reason) const;
    std::unique_ptr<CSpectralScanData> MakeDerivedResult(float start, float stop) const;
    double CompensatedPointValue(uint32_t index, bool compensate, CSpectralScanData& factors,
                                 uint32_t factorIndex);

    uint8_t m_PointFormat = kMirtPoints;
    std::vector<QSpectralPoint> m_MirtPoints;
    std::vector<CFloatSpectralPoint> m_FloatPoints;
    std::vector<float> m_Frequencies; // built on the first GetFrequency
};

} // namespace orv
