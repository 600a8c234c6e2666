#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QSerializable.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace orv::test {

// The bytes a kind's body really writes (which is not always what GetBodySize reports).
inline std::vector<uint8_t> BodyBytes(const QSerializable& object) {
    QCharCounterDataWriter counter;
    object.WriteBody(counter);
    std::vector<uint8_t> out(counter.m_count);
    QCharArrayDataWriter writer(out.data(), static_cast<uint32_t>(out.size()));
    object.WriteBody(writer);
    return out;
}

// Reads a body from bytes and answers how many bytes were left unread.
inline uint64_t ReadBodyFrom(QSerializable& object, const std::vector<uint8_t>& bytes,
                             uint32_t storedFileVersion = kCurrentStoredFileVersion) {
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    reader.SetStoredFileVersion(storedFileVersion);
    object.ReadBody(reader);
    return reader.GetRemaining();
}

// Builds expected little-endian bytes field by field.
class ByteBuilder {
public:
    template <typename T> ByteBuilder& Raw(T value) {
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        m_bytes.insert(m_bytes.end(), raw, raw + sizeof(T));
        return *this;
    }
    ByteBuilder& U8(uint8_t v) { return Raw(v); }
    ByteBuilder& U16(uint16_t v) { return Raw(v); }
    ByteBuilder& I32(int32_t v) { return Raw(v); }
    ByteBuilder& U32(uint32_t v) { return Raw(v); }
    ByteBuilder& F32(float v) { return Raw(v); }
    ByteBuilder& Str(const std::string& text) {
        U32(static_cast<uint32_t>(text.size()));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        return *this;
    }
    ByteBuilder& Zeros(uint32_t count) {
        m_bytes.insert(m_bytes.end(), count, 0);
        return *this;
    }
    ByteBuilder& Append(const std::vector<uint8_t>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    operator std::vector<uint8_t>() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

} // namespace orv::test
