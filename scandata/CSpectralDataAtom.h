#pragma once

#include <cstdint>
#include <vector>

namespace orv {

// Per point of multi-level spectral data: the highest level seen and the cell and sub-cell that
// gave it. Reads outside the points give the initial values; writes outside them change nothing.
class CSpectralDataAtom {
public:
    static constexpr float kInitialAmplitude = -100000.0F;

    // The cell (and sub-cell) a spectrum was measured in.
    struct Cell {
        uint16_t m_Row = 0;
        uint16_t m_Column = 0;
        uint8_t m_SubRow = 0;
        uint8_t m_SubColumn = 0;
    };

    explicit CSpectralDataAtom(uint32_t pointCount);
    virtual ~CSpectralDataAtom() = default;
    CSpectralDataAtom(const CSpectralDataAtom&) = default;
    CSpectralDataAtom& operator=(const CSpectralDataAtom&) = default;

    uint32_t GetPointCount() const { return static_cast<uint32_t>(m_Points.size()); }
    float GetAmplitude(uint32_t index) const;
    void SetAmplitude(uint32_t index, float amplitude);
    uint16_t GetRow(uint32_t index) const;
    void SetRow(uint32_t index, uint16_t row);
    uint16_t GetColumn(uint32_t index) const;
    void SetColumn(uint32_t index, uint16_t column);
    uint8_t GetSubRow(uint32_t index) const;
    void SetSubRow(uint32_t index, uint8_t subRow);
    uint8_t GetSubColumn(uint32_t index) const;
    void SetSubColumn(uint32_t index, uint8_t subColumn);

    // Takes one cell's spectrum in, point by point: with `lastWins` every value replaces the stored
    // one, else only a value strictly above it (on equal values the earlier cell stays). Values
    // beyond the atom's points are left out.
    void Merge(const int16_t* values, uint32_t count, Cell cell, bool lastWins);
    void Merge(const float* values, uint32_t count, Cell cell, bool lastWins);

private:
    struct Point {
        float m_Amplitude = kInitialAmplitude;
        uint16_t m_Row = 0;
        uint16_t m_Column = 0;
        uint8_t m_SubRow = 0;
        uint8_t m_SubColumn = 0;
    };
    std::vector<Point> m_Points;
};

} // namespace orv
