#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Builds the bytes of a file by hand, field by field (little-endian), for fixtures that do not come
// from the code under test. Offsets of fields can be noted to patch them afterwards.
namespace orv::projectfiletest {

class ByteBuilder {
public:
    template <typename T> ByteBuilder& Put(T value) {
        const auto* raw = reinterpret_cast<const uint8_t*>(&value);
        m_bytes.insert(m_bytes.end(), raw, raw + sizeof(T));
        return *this;
    }
    ByteBuilder& U8(uint8_t v) { return Put(v); }
    ByteBuilder& U16(uint16_t v) { return Put(v); }
    ByteBuilder& U32(uint32_t v) { return Put(v); }
    ByteBuilder& F32(float v) { return Put(v); }
    ByteBuilder& Text16(const std::string& text) {
        U16(static_cast<uint16_t>(text.size()));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        return *this;
    }
    ByteBuilder& Fill(size_t count, uint8_t value) {
        m_bytes.insert(m_bytes.end(), count, value);
        return *this;
    }
    size_t Here() const { return m_bytes.size(); }
    void PatchU32(size_t offset, uint32_t value) { std::memcpy(&m_bytes[offset], &value, 4); }
    void PatchU16(size_t offset, uint16_t value) { std::memcpy(&m_bytes[offset], &value, 2); }

    std::vector<uint8_t> m_bytes;
};

} // namespace orv::projectfiletest
