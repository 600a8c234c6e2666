#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// The engine's answer to a command it could not carry out. Body: the 32-bit error code.
class QScanCommandError : public QCommand {
public:
    QScanCommandError() = default;
    explicit QScanCommandError(int32_t errorCode) : m_ErrorCode(errorCode) {}

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeScanCommandError; }
    uint32_t GetBodySize() const override { return 4; }

    int32_t GetErrorCode() const { return m_ErrorCode; }
    void SetErrorCode(int32_t errorCode) { m_ErrorCode = errorCode; }

private:
    int32_t m_ErrorCode = 0;
};

} // namespace orv
