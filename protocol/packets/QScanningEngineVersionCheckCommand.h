#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// Asks the engine for its version record. Sent with four zeros; the reply carries the status
// (100 when the record is valid), the program version (a x 1000 + b) x 1000 + c (-1 when the
// scanner could not be read), the adaptor's EID and its firmware version, encoded like the program
// version.
class QScanningEngineVersionCheckCommand : public QCommand {
public:
    void WriteBody(QDataWriter& writer) const override;
    // A failed read leaves the command as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeScanningEngineVersionCheckCommand; }
    uint32_t GetBodySize() const override { return 16; }

    int32_t GetStatus() const { return m_Status; }
    void SetStatus(int32_t status) { m_Status = status; }
    int32_t GetVersion() const { return m_Version; }
    void SetVersion(int32_t version) { m_Version = version; }
    int32_t GetAdaptorEid() const { return m_AdaptorEid; }
    void SetAdaptorEid(int32_t eid) { m_AdaptorEid = eid; }
    int32_t GetFirmwareVersion() const { return m_FirmwareVersion; }
    void SetFirmwareVersion(int32_t version) { m_FirmwareVersion = version; }

private:
    int32_t m_Status = 0;
    int32_t m_Version = 0;
    int32_t m_AdaptorEid = 0;
    int32_t m_FirmwareVersion = 0;
};

} // namespace orv
