#pragma once

#include "core/QSerializable.h"
#include "core/TypeIds.h"
#include "scandata/QSpatialScanInterface.h"

#include <cstdint>
#include <vector>

namespace orv {

// A compact, read-only heat map for the views: per cell a level (30000 = no value) and the
// frequency at which it was found. Its owner fills the grids and sets the noise floor; corrections
// and threshold are not stored.
class QSSSpatialSnapshot : public QSpatialScanInterface, public QSerializable {
public:
    static constexpr int16_t kNoValue = 30000;
    // A stitched scan spans up to 168 x 116 cells (more when a stitched scan is stitched again), far
    // beyond a scan head's grid; the limit only keeps a damaged size from taking the memory.
    static constexpr uint32_t kMaxCells = 65536;
    // The correction factors stay those of a 64 x 64 grid: cells beyond it are shown uncorrected.
    static constexpr uint32_t kCorrectionStride = 64;
    static constexpr uint32_t kCorrectionCells = kCorrectionStride * kCorrectionStride;

    // Refuses (Error#363) more than kMaxCells cells.
    QSSSpatialSnapshot(uint16_t rows = 0, uint16_t columns = 0);

    uint16_t GetRowCount() const override { return static_cast<uint16_t>(m_Rows); }
    uint16_t GetColumnCount() const override { return static_cast<uint16_t>(m_Columns); }
    // Compensated while the spatial switch is on, for levels above the noise floor + 10 x threshold.
    int16_t GetAmplitude(uint16_t row, uint16_t column) const override;
    float GetFrequency(uint16_t row, uint16_t column) const override;

    int16_t GetRawAmplitude(uint32_t row, uint32_t column) const {
        return m_Values[row * m_Columns + column];
    }
    void SetCell(uint32_t row, uint32_t column, int16_t value, float frequency) {
        m_Values[row * m_Columns + column] = value;
        m_Frequencies[row * m_Columns + column] = frequency;
    }
    void SetValue(uint32_t row, uint32_t column, int16_t value) {
        m_Values[row * m_Columns + column] = value;
    }
    void Fill(int16_t value);
    const std::vector<int16_t>& GetValues() const { return m_Values; }
    const std::vector<float>& GetFrequencies() const { return m_Frequencies; }
    // kCorrectionCells factors in dB, addressed as row x column count + column.
    std::vector<float>& GetCorrections() { return m_Corrections; }

    float GetThreshold() const { return m_Threshold; }
    void SetThreshold(float threshold) { m_Threshold = threshold; }
    int32_t GetNoiseFloor() const { return m_NoiseFloor; }
    void SetNoiseFloor(int32_t noiseFloor) { m_NoiseFloor = noiseFloor; }

    void WriteBody(QDataWriter& writer) const override;
    // Refuses grids of more than kMaxCells cells, a frequency grid of another shape than the value
    // grid, and sizes beyond the bytes that remain; a failed read leaves the snapshot as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSSSpatialSnapshot; }
    uint32_t GetBodySize() const override { return static_cast<uint32_t>(6 * m_Values.size() + 16); }

private:
    uint32_t m_Rows = 0;
    uint32_t m_Columns = 0;
    std::vector<int16_t> m_Values;
    std::vector<float> m_Frequencies;
    std::vector<float> m_Corrections;
    float m_Threshold = 5.0F;
    int32_t m_NoiseFloor = 0;
};

} // namespace orv
