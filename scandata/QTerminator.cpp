#include "scandata/QTerminator.h"

namespace orv {

void QTerminator::WriteBody(QDataWriter& writer) const {
    writer.WriteI32(m_EndValue);
}

void QTerminator::ReadBody(QDataReader& reader) {
    m_EndValue = reader.ReadI32();
}

} // namespace orv
