#include "protocol/packets/QQueryScanHeadCommand.h"

namespace orv {

void QQueryScanHeadCommand::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(m_ScanHeadId);
}

void QQueryScanHeadCommand::ReadBody(QDataReader& reader) {
    const int32_t id = reader.ReadI32();
    m_ScanHeadId = id == kReportedAliasId ? kAliasedScanHeadId : id;
}

} // namespace orv
