#pragma once

#include "core/QPacket.h"

#include <array>
#include <cstdint>
#include <vector>

namespace orv {

// The spectrum of one probe cell as the hand-held and the spectral/spatial records carry it: a lead
// of form, level, pass flag, row and column, then a 32-bit N and N 16-bit levels, plus where the
// container placed the spectrum. The records differ only in what sits between lead and levels.
class QProbeCellSpectrum : public QDataPacket {
public:
    uint32_t GetPointCount() const { return m_PointCount; }
    // 0 outside the points.
    int16_t GetAmplitude(uint32_t index) const {
        return index < m_PointCount ? m_Amplitudes[index] : int16_t{0};
    }
    void SetAmplitude(uint32_t index, int16_t level) {
        if (index < m_PointCount) {
            m_Amplitudes[index] = level;
        }
    }
    // N zeroed levels.
    void SetPointCount(uint32_t count);
    const std::vector<int16_t>& GetAmplitudes() const { return m_Amplitudes; }

    uint16_t GetRow() const { return m_Row; }
    uint16_t GetColumn() const { return m_Column; }
    int8_t GetDataForm() const { return m_DataForm; }
    int8_t GetLevel() const { return m_Level; }
    uint8_t GetPassFlag() const { return m_PassFlag; }
    void SetHeader(int8_t dataForm, int8_t level, uint8_t passFlag);

    // Where the container placed the spectrum: row, column, sub-row, sub-column.
    const std::array<uint16_t, 4>& GetPosition() const { return m_Position; }
    void SetPosition(uint16_t row, uint16_t column, uint16_t subRow, uint16_t subColumn) {
        m_Position = {row, column, subRow, subColumn};
    }
    uint8_t GetFlag() const { return m_Flag; }
    void SetFlag(uint8_t flag) { m_Flag = flag; }

protected:
    QProbeCellSpectrum() = default;

    struct Lead {
        int8_t m_DataForm = 0;
        int8_t m_Level = 0;
        uint8_t m_PassFlag = 0;
        uint16_t m_Row = 0;
        uint16_t m_Column = 0;
    };

    void WriteLead(QDataWriter& writer) const;
    static Lead ReadLead(QDataReader& reader);
    // The 32-bit N and the N levels.
    void WriteLevels(QDataWriter& writer) const;
    // A count beyond the bytes that remain throws before anything is allocated.
    static std::vector<int16_t> ReadLevels(QDataReader& reader);
    // Takes what a complete read produced; nothing can fail from here on.
    void Assign(const Lead& lead, std::vector<int16_t>& levels);

    uint16_t m_Row = 0;
    uint16_t m_Column = 0;
    uint32_t m_PointCount = 0;
    std::vector<int16_t> m_Amplitudes;
    int8_t m_DataForm = 0;
    int8_t m_Level = 0;
    uint8_t m_PassFlag = 0;
    std::array<uint16_t, 4> m_Position{};
    uint8_t m_Flag = 0;
};

} // namespace orv
