#pragma once

#include <cstdint>
#include <memory>

namespace orv {

// A fixed block of bytes that a storage manager keeps for its whole life for its file copies.
class QStorageBuffer {
public:
    // The size a file-system storage manager uses.
    static constexpr uint32_t kDefaultCapacity = 0x10000;

    explicit QStorageBuffer(uint32_t capacity);
    QStorageBuffer(const QStorageBuffer&) = delete;
    QStorageBuffer& operator=(const QStorageBuffer&) = delete;
    ~QStorageBuffer();

    uint32_t GetCapacity() const { return m_capacity; }
    uint8_t* GetBytes() { return m_bytes.get(); }

private:
    uint32_t m_capacity;
    std::unique_ptr<uint8_t[]> m_bytes; // left uninitialised: every use writes before it reads
};

} // namespace orv
