#include "protocol/packets/QScanError.h"

namespace orv {

void QScanError::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(m_ErrorCode);
}

void QScanError::ReadBody(QDataReader& reader) {
    m_ErrorCode = reader.ReadI32();
}

} // namespace orv
