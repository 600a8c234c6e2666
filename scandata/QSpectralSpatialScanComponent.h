#pragma once

#include "core/TypeIds.h"
#include "scandata/QProbeCellSpectrum.h"

#include <cstdint>

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

private:
    uint16_t m_SubPosition = 0;
};

} // namespace orv
