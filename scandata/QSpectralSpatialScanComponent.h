#pragma once

#include "core/TypeIds.h"
#include "scandata/QProbeCellSpectrum.h"

#include <array>
#include <cstdint>
#include <vector>

namespace orv {

// The spectrum of one probe cell of a spectral/spatial scan. An interleaved component (form byte
// above 0) is handed to the communication layer's assembly instead of being kept.
//
// Body: form, level (signed), pass flag, row, column, sub-position, 32-bit N, N 16-bit levels;
// 13 + 2N bytes.
class QSpectralSpatialScanComponent : public QProbeCellSpectrum {
public:
    QSpectralSpatialScanComponent() = default;

    void WriteBody(QDataWriter& writer) const override;
    // A count beyond the bytes that remain throws before anything is allocated; a failed read
    // leaves the record as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpectralSpatialScanComponent; }
    uint32_t GetBodySize() const override { return 13 + 2 * m_PointCount; }
    // An interleaved component hands its levels (as doubles) to the target and answers true.
    bool DeliverToHandler(QDataPacketHandler* target) override;

    uint16_t GetSubPosition() const { return m_SubPosition; }
    void SetCell(uint16_t row, uint16_t column, uint16_t subPosition);

    // What a component that the communication layer reassembled carries in memory (none of it is
    // written in the body): the blind-spot byte, the block (row, column, sub-row, sub-column as
    // 16-bit words, then `points` floats, little-endian) and the packets received and expected.
    static constexpr std::size_t kBlockHeadBytes = 8;
    void SetInterleavedBlock(uint8_t blindSpot, uint32_t points, std::vector<uint8_t> block,
                             uint16_t received, uint16_t expected);
    bool HasInterleavedBlock() const { return !m_Block.empty(); }
    uint8_t GetBlindSpot() const { return m_BlindSpot; }
    // P: the points per cell of the block.
    uint32_t GetBlockPointCount() const { return m_BlockPoints; }
    const std::vector<uint8_t>& GetBlock() const { return m_Block; }
    uint32_t GetBlockSize() const { return static_cast<uint32_t>(m_Block.size()); }
    // The block's head; zeros without a block.
    std::array<uint16_t, 4> GetBlockPosition() const;
    // Point i of the block; 0.0 outside.
    float GetBlockPoint(uint32_t index) const;
    uint16_t GetReceivedPackets() const { return m_ReceivedPackets; }
    uint16_t GetExpectedPackets() const { return m_ExpectedPackets; }

private:
    uint16_t m_SubPosition = 0;
    uint8_t m_BlindSpot = 0;
    uint32_t m_BlockPoints = 0;
    std::vector<uint8_t> m_Block;
    uint16_t m_ReceivedPackets = 0;
    uint16_t m_ExpectedPackets = 0;
};

} // namespace orv
