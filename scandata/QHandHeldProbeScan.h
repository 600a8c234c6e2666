#pragma once

#include "core/TypeIds.h"
#include "scandata/QProbeCellSpectrum.h"

#include <cstdint>

namespace orv {

// The spectrum measured at one position of the hand-held probe.
//
// Body: form, level, pass flag (the engine sends three 0 bytes), row, column, 32-bit N, N 16-bit
// levels; 11 + 2N bytes.
class QHandHeldProbeScan : public QProbeCellSpectrum {
public:
    QHandHeldProbeScan() = default;

    void WriteBody(QDataWriter& writer) const override;
    // A count beyond the bytes that remain throws before anything is allocated; a failed read
    // leaves the record as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeHandHeldProbeScan; }
    uint32_t GetBodySize() const override { return 11 + 2 * m_PointCount; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

    void SetCell(uint16_t row, uint16_t column) {
        m_Row = row;
        m_Column = column;
    }
};

} // namespace orv
