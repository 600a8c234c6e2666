#pragma once

// A bounds-checked reader and writer over a block of bytes, used to build packets and to read the
// scanner's replies. Fields are little-endian. Every operation either moves the whole field or
// nothing: a read or write that would pass the end returns false and leaves the bytes and the
// position as they were.

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

class CByteCursor {
public:
    // Owned form: a zeroed block of `size` bytes, the first `count` of which are copied from `bytes`
    // (count is cut to size).
    CByteCursor(uint32_t size, const uint8_t* bytes = nullptr, uint32_t count = 0);
    // Borrowed form: works on the caller's bytes, which must outlive the cursor; nothing is freed.
    static CByteCursor Borrow(uint8_t* bytes, uint32_t size);
    static CByteCursor BorrowForReading(const uint8_t* bytes, uint32_t size);

    CByteCursor(CByteCursor&&) noexcept = default;
    CByteCursor& operator=(CByteCursor&&) noexcept = default;
    CByteCursor(const CByteCursor&) = delete;
    CByteCursor& operator=(const CByteCursor&) = delete;
    ~CByteCursor() = default;

    bool ReadBytes(void* out, uint32_t n);
    bool ReadUInt8(uint8_t& out) { return ReadBytes(&out, 1); }
    bool ReadUInt16(uint16_t& out);
    bool ReadInt16(int16_t& out);
    bool ReadUInt32(uint32_t& out);
    bool ReadInt32(int32_t& out);
    bool ReadFloat(float& out);

    bool WriteBytes(const void* bytes, uint32_t n);
    bool WriteUInt8(uint8_t value) { return WriteBytes(&value, 1); }
    bool WriteUInt16(uint16_t value);
    bool WriteInt16(int16_t value) { return WriteUInt16(static_cast<uint16_t>(value)); }
    bool WriteUInt32(uint32_t value);
    bool WriteInt32(int32_t value) { return WriteUInt32(static_cast<uint32_t>(value)); }
    bool WriteFloat(float value);

    // Moves the position without touching the bytes; false (position kept) beyond the end.
    bool Skip(uint32_t n);

    uint32_t GetSize() const { return m_size; }
    uint32_t GetPosition() const { return m_position; }
    uint32_t GetRemaining() const { return m_size - m_position; }
    const uint8_t* GetData() const { return m_data; }
    bool IsOwned() const { return m_owned != nullptr; }
    // The owned block's bytes (a copy for a borrowed cursor).
    std::vector<uint8_t> TakeBytes() const;

private:
    CByteCursor(uint8_t* bytes, uint32_t size, bool writable);
    bool Fits(uint32_t n) const { return n <= m_size - m_position; }

    std::unique_ptr<uint8_t[]> m_owned;
    uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
    uint32_t m_position = 0;
    bool m_writable = true;
};

} // namespace orv
