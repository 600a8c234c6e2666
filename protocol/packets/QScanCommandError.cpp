#include "protocol/packets/QScanCommandError.h"

namespace orv {

void QScanCommandError::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(m_ErrorCode);
}

void QScanCommandError::ReadBody(QDataReader& reader) {
    m_ErrorCode = reader.ReadI32();
}

} // namespace orv
