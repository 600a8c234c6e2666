#include "protocol/packets/QSetSpectrumAnalyzerDriverCommand.h"

namespace orv {

void QSetSpectrumAnalyzerDriverCommand::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(m_DriverId);
    writer.WriteI32(m_AnalyzerId);
    writer.WriteI32(m_Status);
    writer.WriteI32(m_Error);
}

void QSetSpectrumAnalyzerDriverCommand::ReadBody(QDataReader& reader) {
    const int32_t driverId = reader.ReadI32();
    const int32_t analyzerId = reader.ReadI32();
    const int32_t status = reader.ReadI32();
    const int32_t error = reader.ReadI32();
    m_DriverId = driverId;
    m_AnalyzerId = analyzerId;
    m_Status = status;
    m_Error = error;
}

} // namespace orv
