#include "core/QSerializable.h"

#include "core/QException.h"

namespace orv {

QSerializable::~QSerializable() = default;

void QSerializable::Serialize(QDataWriter& writer) const {
    writer.WriteU8(kMarker);
    WriteExtraHeader(writer);
    writer.WriteU16(GetTypeID());
    writer.WriteU32(GetBodySize());
    WriteBody(writer);
}

void QSerializable::Deserialize(QDataReader& reader) {
    const uint8_t marker = reader.ReadU8();
    ReadExtraHeader(reader);
    m_headerTypeId = reader.ReadU16();
    m_headerBodySize = reader.ReadU32();
    m_headerRead = 1;
    if (marker != kMarker) {
        throw QIOException(
            "Error#318: Invalid serialized object header detected.\nI/O operation has failed.");
    }
    if (GetTypeID() != m_headerTypeId) {
        throw QIOException("Error#320: Unexpected serialized object type.\nI/O operation has failed.");
    }
    ReadBody(reader);
}

void QSerializable::CopyHeader(const QSerializable& other) {
    m_headerTypeId = other.m_headerTypeId;
    m_headerBodySize = other.m_headerBodySize;
    m_headerRead = other.m_headerRead;
}

bool QSerializable::Differs(const QSerializable& other) const {
    if (other.GetTypeID() != GetTypeID() || other.GetBodySize() != GetBodySize()) {
        return true;
    }
    if ((m_headerRead != 0) != (other.m_headerRead != 0) || m_headerRead == 0) {
        return false;
    }
    return m_headerTypeId != other.m_headerTypeId || m_headerBodySize != other.m_headerBodySize;
}

} // namespace orv
