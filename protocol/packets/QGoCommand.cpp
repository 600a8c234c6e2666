#include "protocol/packets/QGoCommand.h"

namespace orv {

void QGoCommand::WriteBody(QDataWriter& writer) const {
    writer.WriteU8(m_Continuous);
}

void QGoCommand::ReadBody(QDataReader& reader) {
    m_Continuous = reader.ReadU8();
}

} // namespace orv
