#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// The engine's report of the cell just measured and of how far the scan has come (done of total).
// Body: row, column, value, kind, sub-kind (16-bit each), a flag byte, total, done (16-bit each);
// always 15 bytes.
class QScanProgressIndicator : public QDataPacket {
public:
    QScanProgressIndicator() = default;

    void WriteBody(QDataWriter& writer) const override;
    // A failed read leaves the record as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeScanProgressIndicator; }
    uint32_t GetBodySize() const override { return 15; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

    uint16_t m_Row = 0;
    uint16_t m_Column = 0;
    uint16_t m_Value = 0;
    uint16_t m_Kind = 1;
    uint16_t m_SubKind = 1;
    uint8_t m_Flag = 0;
    uint16_t m_Total = 0;
    uint16_t m_Done = 0;
};

} // namespace orv
