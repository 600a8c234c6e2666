#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// The engine's report on a running analyser calibration. Body: error code, percentage done
// (32-bit each).
class QCalibrationProgressIndicator : public QDataPacket {
public:
    void WriteBody(QDataWriter& writer) const override;
    // A failed read leaves the packet as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeCalibrationProgressIndicator; }
    uint32_t GetBodySize() const override { return 8; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

    int32_t GetErrorCode() const { return m_ErrorCode; }
    void SetErrorCode(int32_t errorCode) { m_ErrorCode = errorCode; }
    int32_t GetPercentage() const { return m_Percentage; }
    void SetPercentage(int32_t percentage) { m_Percentage = percentage; }

private:
    int32_t m_ErrorCode = 0;
    int32_t m_Percentage = 0;
};

} // namespace orv
