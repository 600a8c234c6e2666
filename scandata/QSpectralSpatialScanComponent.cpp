#include "scandata/QSpectralSpatialScanComponent.h"

#include "scandata/QDataPacketHandler.h"

#include <algorithm>
#include <cstring>

namespace orv {

void QSpectralSpatialScanComponent::WriteBody(QDataWriter& writer) const {
    WriteLead(writer);
    writer.WriteU16(m_SubPosition);
    WriteLevels(writer);
}

void QSpectralSpatialScanComponent::ReadBody(QDataReader& reader) {
    const Lead lead = ReadLead(reader);
    const uint16_t subPosition = reader.ReadU16();
    std::vector<int16_t> levels = ReadLevels(reader);
    Assign(lead, levels);
    m_SubPosition = subPosition;
}

bool QSpectralSpatialScanComponent::DeliverToHandler(QDataPacketHandler* target) {
    if (m_DataForm <= 0 || target == nullptr) {
        return false;
    }
    QZeltSpectralSpatialHandOver record;
    record.m_Level = m_Level;
    record.m_SubPosition = m_SubPosition;
    record.m_PointCount = m_PointCount;
    record.m_Values.assign(m_Amplitudes.begin(), m_Amplitudes.end());
    record.m_Row = m_Row;
    record.m_Column = m_Column;
    target->ZeltSpectralSpatialScanData(record);
    return true;
}

void QSpectralSpatialScanComponent::SetCell(uint16_t row, uint16_t column, uint16_t subPosition) {
    m_Row = row;
    m_Column = column;
    m_SubPosition = subPosition;
}

void QSpectralSpatialScanComponent::SetInterleavedBlock(uint8_t blindSpot, uint32_t points,
                                                        std::vector<uint8_t> block, uint16_t received,
                                                        uint16_t expected) {
    m_BlindSpot = blindSpot;
    // Never more points than the block holds.
    const uint64_t held =
        block.size() < kBlockHeadBytes ? 0 : (block.size() - kBlockHeadBytes) / sizeof(float);
    m_BlockPoints = static_cast<uint32_t>(std::min<uint64_t>(points, held));
    m_Block = std::move(block);
    m_ReceivedPackets = received;
    m_ExpectedPackets = expected;
}

std::array<uint16_t, 4> QSpectralSpatialScanComponent::GetBlockPosition() const {
    std::array<uint16_t, 4> position{};
    if (m_Block.size() >= kBlockHeadBytes) {
        for (std::size_t k = 0; k < position.size(); ++k) {
            position[k] = static_cast<uint16_t>(m_Block[2 * k] | (m_Block[2 * k + 1] << 8));
        }
    }
    return position;
}

float QSpectralSpatialScanComponent::GetBlockPoint(uint32_t index) const {
    if (index >= m_BlockPoints) {
        return 0.0F;
    }
    float value = 0.0F;
    std::memcpy(&value, m_Block.data() + kBlockHeadBytes + std::size_t{index} * sizeof(float), sizeof value);
    return value;
}

} // namespace orv
