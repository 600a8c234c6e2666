#pragma once

// Collects the bytes of a channel into a bounded buffer and cuts them into '*'-framed packets: the
// marker 0x2A, u16 extra header 0, u16 type id, u32 body size, the body. It resynchronises on its own:
// bytes before a marker are dropped, a marker whose extra header is not 0 counts as such a byte, and
// a frame longer than the buffer is skipped by its declared length as its bytes arrive, so a frame
// that fits is never lost because another one did not.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orv {

class CFrameAccumulator {
public:
    static constexpr uint32_t kHeaderBytes = 9;
    static constexpr uint8_t kMarker = 0x2A;

    struct Frame {
        const uint8_t* bytes = nullptr; // the whole frame, header included
        uint64_t length = 0;            // 9 + body size
        uint16_t typeId = 0;
        uint32_t bodySize = 0;
        const uint8_t* Body() const { return bytes + kHeaderBytes; }
    };

    enum class Step {
        NeedMore, // nothing complete is held
        Frame,    // a whole frame is at the front (see GetFrame); Consume it when done
        Junk,     // bytes that begin no frame were dropped (see GetDropped)
        Overlong, // a frame too long for the buffer is being skipped (see GetDropped: its length)
    };

    explicit CFrameAccumulator(std::size_t capacity);

    // The room after the held bytes (the held bytes are moved to the front first).
    std::size_t FreeSpace() const { return m_capacity - m_held; }
    uint8_t* PrepareAppend();
    void Commit(std::size_t n);
    // Copies what fits; returns the count taken.
    std::size_t Append(const uint8_t* bytes, std::size_t n);

    Step Next();
    const Frame& GetFrame() const { return m_frame; }
    uint64_t GetDropped() const { return m_dropped; }
    // The type id of the frame Next reported as Overlong.
    uint16_t GetOverlongTypeId() const { return m_overlongTypeId; }
    // Removes the frame Next reported.
    void ConsumeFrame();

    std::size_t Held() const { return m_held; }
    std::size_t Capacity() const { return m_capacity; }
    void Clear();

private:
    const uint8_t* Front() const { return m_bytes.get() + m_start; }
    void Drop(std::size_t n);

    std::unique_ptr<uint8_t[]> m_bytes;
    std::size_t m_capacity;
    std::size_t m_start = 0;
    std::size_t m_held = 0;
    uint64_t m_skipRemaining = 0;
    uint64_t m_dropped = 0;
    uint16_t m_overlongTypeId = 0;
    Frame m_frame;
};

} // namespace orv
