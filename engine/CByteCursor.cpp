#include "engine/CByteCursor.h"

#include <algorithm>
#include <cstring>

namespace orv {

CByteCursor::CByteCursor(uint32_t size, const uint8_t* bytes, uint32_t count)
    : m_owned(new uint8_t[size == 0 ? 1 : size]()), m_data(m_owned.get()), m_size(size) {
    if (bytes != nullptr && count > 0) {
        std::memcpy(m_data, bytes, std::min(count, size));
    }
}

CByteCursor::CByteCursor(uint8_t* bytes, uint32_t size, bool writable)
    : m_data(bytes), m_size(bytes == nullptr ? 0 : size), m_writable(writable) {}

CByteCursor CByteCursor::Borrow(uint8_t* bytes, uint32_t size) {
    return CByteCursor(bytes, size, true);
}

CByteCursor CByteCursor::BorrowForReading(const uint8_t* bytes, uint32_t size) {
    // The bytes are only ever read through this cursor: every write checks m_writable first.
    return CByteCursor(const_cast<uint8_t*>(bytes), size,
                       false); // NOLINT(cppcoreguidelines-pro-type-const-cast)
}

bool CByteCursor::ReadBytes(void* out, uint32_t n) {
    if (!Fits(n)) {
        return false;
    }
    if (n > 0) {
        std::memcpy(out, m_data + m_position, n);
    }
    m_position += n;
    return true;
}

bool CByteCursor::ReadUInt16(uint16_t& out) {
    uint8_t bytes[2];
    if (!ReadBytes(bytes, 2)) {
        return false;
    }
    out = static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
    return true;
}

bool CByteCursor::ReadInt16(int16_t& out) {
    uint16_t value = 0;
    if (!ReadUInt16(value)) {
        return false;
    }
    out = static_cast<int16_t>(value);
    return true;
}

bool CByteCursor::ReadUInt32(uint32_t& out) {
    uint8_t bytes[4];
    if (!ReadBytes(bytes, 4)) {
        return false;
    }
    out = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
          (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

bool CByteCursor::ReadInt32(int32_t& out) {
    uint32_t value = 0;
    if (!ReadUInt32(value)) {
        return false;
    }
    out = static_cast<int32_t>(value);
    return true;
}

bool CByteCursor::ReadFloat(float& out) {
    uint32_t bits = 0;
    if (!ReadUInt32(bits)) {
        return false;
    }
    std::memcpy(&out, &bits, 4);
    return true;
}

bool CByteCursor::WriteBytes(const void* bytes, uint32_t n) {
    if (!m_writable || !Fits(n)) {
        return false;
    }
    if (n > 0) {
        std::memcpy(m_data + m_position, bytes, n);
    }
    m_position += n;
    return true;
}

bool CByteCursor::WriteUInt16(uint16_t value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    return WriteBytes(bytes, 2);
}

bool CByteCursor::WriteUInt32(uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return WriteBytes(bytes, 4);
}

bool CByteCursor::WriteFloat(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return WriteUInt32(bits);
}

bool CByteCursor::Skip(uint32_t n) {
    if (!Fits(n)) {
        return false;
    }
    m_position += n;
    return true;
}

std::vector<uint8_t> CByteCursor::TakeBytes() const {
    return std::vector<uint8_t>(m_data, m_data + m_size);
}

} // namespace orv
