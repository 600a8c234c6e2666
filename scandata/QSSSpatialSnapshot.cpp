#include "scandata/QSSSpatialSnapshot.h"

#include "core/ByteCodec.h"
#include "core/QCorrectionData.h"
#include "scandata/RecordCodec.h"

#include <algorithm>
#include <cmath>

namespace orv {

QSSSpatialSnapshot::QSSSpatialSnapshot(uint16_t rows, uint16_t columns)
    : m_Rows(rows), m_Columns(columns), m_Corrections(kCorrectionCells, 0.0F) {
    const uint32_t cells = static_cast<uint32_t>(rows) * columns;
    if (cells > kMaxCells) {
        ThrowCorruptScanData();
    }
    m_Values.resize(cells);
    m_Frequencies.resize(cells);
}

int16_t QSSSpatialSnapshot::GetAmplitude(uint16_t row, uint16_t column) const {
    const int16_t value = m_Values[row * m_Columns + column];
    if (!QCorrectionData::IsSpatialCompensationOn()) {
        return value;
    }
    if (static_cast<float>(value) > static_cast<float>(m_NoiseFloor) + 10.0F * m_Threshold) {
        const uint32_t cell = row * GetColumnCount() + column;
        const bool hasFactor =
            row < kCorrectionStride && column < kCorrectionStride && cell < kCorrectionCells;
        const float factor = hasFactor ? m_Corrections[cell] : 0.0F;
        return SaturateToInt16(std::trunc(10.0F * factor + static_cast<float>(value)));
    }
    return value;
}

float QSSSpatialSnapshot::GetFrequency(uint16_t row, uint16_t column) const {
    return m_Frequencies[row * m_Columns + column];
}

void QSSSpatialSnapshot::Fill(int16_t value) {
    std::fill(m_Values.begin(), m_Values.end(), value);
}

void QSSSpatialSnapshot::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(m_Rows);
    writer.WriteU32(m_Columns);
    WriteInt16Block(writer, m_Values);
    writer.WriteU32(m_Rows);
    writer.WriteU32(m_Columns);
    std::vector<uint8_t> block(m_Frequencies.size() * 4);
    uint8_t* cursor = block.data();
    for (float frequency : m_Frequencies) {
        PutLE(cursor, frequency);
    }
    writer.Write(block.data(), static_cast<uint32_t>(block.size()));
}

void QSSSpatialSnapshot::ReadBody(QDataReader& reader) {
    const uint32_t rows = reader.ReadU32();
    const uint32_t columns = reader.ReadU32();
    const uint64_t cells = static_cast<uint64_t>(rows) * columns;
    if (cells > kMaxCells || rows > 0xFFFF || columns > 0xFFFF) {
        ThrowCorruptScanData();
    }
    std::vector<int16_t> values = ReadInt16Block(reader, static_cast<uint32_t>(cells));
    const uint32_t frequencyRows = reader.ReadU32();
    const uint32_t frequencyColumns = reader.ReadU32();
    if (frequencyRows != rows || frequencyColumns != columns) {
        ThrowCorruptScanData();
    }
    const uint32_t bytes = RequireArrayBytes(reader, cells, 4);
    // Reuses the arrays when the cell count stays the same.
    std::vector<uint8_t> block(bytes);
    reader.Read(block.data(), bytes);
    if (m_Values.size() == cells) {
        std::copy(values.begin(), values.end(), m_Values.begin());
    } else {
        m_Values.swap(values);
        m_Frequencies.resize(cells);
    }
    const uint8_t* cursor = block.data();
    for (float& frequency : m_Frequencies) {
        frequency = GetLE<float>(cursor);
    }
    m_Rows = rows;
    m_Columns = columns;
}

} // namespace orv
