#include "protocol/packets/QScanningEngineVersionCheckCommand.h"

namespace orv {

void QScanningEngineVersionCheckCommand::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(m_Status);
    writer.WriteI32(m_Version);
    writer.WriteI32(m_AdaptorEid);
    writer.WriteI32(m_FirmwareVersion);
}

void QScanningEngineVersionCheckCommand::ReadBody(QDataReader& reader) {
    const int32_t status = reader.ReadI32();
    const int32_t version = reader.ReadI32();
    const int32_t eid = reader.ReadI32();
    const int32_t firmware = reader.ReadI32();
    m_Status = status;
    m_Version = version;
    m_AdaptorEid = eid;
    m_FirmwareVersion = firmware;
}

} // namespace orv
