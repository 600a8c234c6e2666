#include "core/QAntennaPositionScanOptions.h"

namespace orv {

void QAntennaPositionScanOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(m_word1);
    writer.WriteI32(m_word2);
    writer.WriteF32(m_value1);
    writer.WriteI32(m_word3);
    writer.WriteI32(m_word4);
    writer.WriteF32(m_value2);
    writer.WriteI32(m_count);
}

void QAntennaPositionScanOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(kStoredBodySize);
    m_word1 = reader.ReadI32();
    m_word2 = reader.ReadI32();
    m_value1 = reader.ReadF32();
    m_word3 = reader.ReadI32();
    m_word4 = reader.ReadI32();
    m_value2 = reader.ReadF32();
    m_count = reader.ReadI32();
}

} // namespace orv
