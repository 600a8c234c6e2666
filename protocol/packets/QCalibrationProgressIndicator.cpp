#include "protocol/packets/QCalibrationProgressIndicator.h"

namespace orv {

void QCalibrationProgressIndicator::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(m_ErrorCode);
    writer.WriteI32(m_Percentage);
}

void QCalibrationProgressIndicator::ReadBody(QDataReader& reader) {
    const int32_t errorCode = reader.ReadI32();
    const int32_t percentage = reader.ReadI32();
    m_ErrorCode = errorCode;
    m_Percentage = percentage;
}

} // namespace orv
