#include "protocol/packets/QResetSpectrumAnalyzerCommand.h"

namespace orv {

void QResetSpectrumAnalyzerCommand::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(m_Value);
}

void QResetSpectrumAnalyzerCommand::ReadBody(QDataReader& reader) {
    m_Value = reader.ReadI32();
}

} // namespace orv
