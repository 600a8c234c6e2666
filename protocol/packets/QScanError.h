#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// The engine's report that a running scan met an error; the code names a system message.
// Body: the 32-bit error code.
class QScanError : public QDataPacket {
public:
    QScanError() = default;
    explicit QScanError(int32_t errorCode) : m_ErrorCode(errorCode) {}

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeScanError; }
    uint32_t GetBodySize() const override { return 4; }
    // The communication layer reports scan errors itself; the packet has nothing for a display.
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

    int32_t GetErrorCode() const { return m_ErrorCode; }
    void SetErrorCode(int32_t errorCode) { m_ErrorCode = errorCode; }

private:
    int32_t m_ErrorCode = 0;
};

} // namespace orv
