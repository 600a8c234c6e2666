#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <array>
#include <cstdint>
#include <vector>

namespace orv {

// The spectrum measured at one position of the hand-held probe.
//
// Body: form, level, pass flag (the engine sends three 0 bytes), row, column, 32-bit N, N 16-bit
// levels; 11 + 2N bytes.
class QHandHeldProbeScan : public QDataPacket {
public:
    QHandHeldProbeScan() = default;

    void WriteBody(QDataWriter& writer) const override;
    // A count beyond the bytes that remain throws before anything is allocated; a failed read
    // leaves the record as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeHandHeldProbeScan; }
    uint32_t GetBodySize() const override { return 11 + 2 * m_PointCount; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

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
    void SetCell(uint16_t row, uint16_t column) {
        m_Row = row;
        m_Column = column;
    }
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

private:
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
