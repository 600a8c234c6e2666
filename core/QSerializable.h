#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"

#include <cstdint>

namespace orv {

// Base of every object that is stored in a file or sent between the engine and the client.
// The frame: marker 0x2A, the kind's extra header, the 16-bit type id, the 32-bit body size, the
// body. Only the type id tells kinds apart in a stream.
class QSerializable {
public:
    static constexpr uint8_t kMarker = 0x2A;

    QSerializable() = default;
    QSerializable(const QSerializable&) = default;
    QSerializable& operator=(const QSerializable&) = default;
    virtual ~QSerializable();

    virtual void WriteExtraHeader(QDataWriter& /*writer*/) const {}
    virtual void ReadExtraHeader(QDataReader& /*reader*/) {}
    virtual void WriteBody(QDataWriter& writer) const = 0;
    virtual void ReadBody(QDataReader& reader) = 0;
    virtual uint16_t GetTypeID() const = 0;
    virtual uint32_t GetExtraHeaderSize() const { return 0; }
    virtual uint32_t GetBodySize() const = 0;

    void Serialize(QDataWriter& writer) const;
    // Reads a whole header, then checks the marker and the type id, then reads the body. The size
    // field is recorded but neither bounds nor skips the body.
    void Deserialize(QDataReader& reader);

    uint16_t GetHeaderTypeId() const { return m_headerTypeId; }
    uint32_t GetHeaderBodySize() const { return m_headerBodySize; }
    bool IsHeaderRead() const { return m_headerRead != 0; }
    uint32_t GetHeaderSize() const { return GetExtraHeaderSize() + 7; }
    uint32_t GetSerializedSize() const { return GetExtraHeaderSize() + 7 + GetBodySize(); }
    void CopyHeader(const QSerializable& other);
    // The header part of a kind's inequality test.
    bool Differs(const QSerializable& other) const;

protected:
    uint16_t m_headerTypeId = 0;
    uint32_t m_headerBodySize = 0;
    uint8_t m_headerRead = 0;
};

// Reads the header of a stored object of any kind and no body: lets a reader see which kind comes
// next before it makes the object.
class QNodeHeader : public QSerializable {
public:
    void WriteBody(QDataWriter& /*writer*/) const override {}
    void ReadBody(QDataReader& /*reader*/) override {}
    uint16_t GetTypeID() const override { return GetHeaderTypeId(); }
    uint32_t GetBodySize() const override { return m_headerBodySize; }
};

} // namespace orv
