#include "engine/CFrameAccumulator.h"

#include <algorithm>
#include <cstring>

namespace orv {

CFrameAccumulator::CFrameAccumulator(std::size_t capacity)
    : m_bytes(new uint8_t[capacity]), m_capacity(capacity) {}

uint8_t* CFrameAccumulator::PrepareAppend() {
    if (m_start > 0) {
        std::memmove(m_bytes.get(), m_bytes.get() + m_start, m_held);
        m_start = 0;
    }
    return m_bytes.get() + m_held;
}

void CFrameAccumulator::Commit(std::size_t n) {
    m_held += std::min(n, FreeSpace());
}

std::size_t CFrameAccumulator::Append(const uint8_t* bytes, std::size_t n) {
    uint8_t* target = PrepareAppend();
    const std::size_t taken = std::min(n, FreeSpace());
    std::memcpy(target, bytes, taken);
    Commit(taken);
    return taken;
}

void CFrameAccumulator::Drop(std::size_t n) {
    m_start += n;
    m_held -= n;
    if (m_held == 0) {
        m_start = 0;
    }
}

void CFrameAccumulator::Clear() {
    m_start = 0;
    m_held = 0;
    m_skipRemaining = 0;
}

CFrameAccumulator::Step CFrameAccumulator::Next() {
    m_dropped = 0;
    if (m_skipRemaining > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(m_skipRemaining, m_held));
        Drop(n);
        m_skipRemaining -= n;
        if (m_skipRemaining > 0) {
            return Step::NeedMore;
        }
    }
    if (m_held == 0) {
        return Step::NeedMore;
    }
    const uint8_t* front = Front();
    if (front[0] != kMarker) {
        const void* marker = std::memchr(front, kMarker, m_held);
        const std::size_t junk = marker == nullptr
                                     ? m_held
                                     : static_cast<std::size_t>(static_cast<const uint8_t*>(marker) - front);
        Drop(junk);
        m_dropped = junk;
        return Step::Junk;
    }
    if (m_held < kHeaderBytes) {
        return Step::NeedMore;
    }
    const uint16_t extra = static_cast<uint16_t>(front[1] | (front[2] << 8));
    if (extra != 0) {
        Drop(1); // a stray marker: the frames of this link always carry extra header 0
        m_dropped = 1;
        return Step::Junk;
    }
    const uint32_t body = static_cast<uint32_t>(front[5]) | (static_cast<uint32_t>(front[6]) << 8) |
                          (static_cast<uint32_t>(front[7]) << 16) | (static_cast<uint32_t>(front[8]) << 24);
    const uint64_t length = static_cast<uint64_t>(body) + kHeaderBytes;
    if (length > m_capacity) {
        m_skipRemaining = length;
        m_dropped = length;
        m_overlongTypeId = static_cast<uint16_t>(front[3] | (front[4] << 8));
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(m_skipRemaining, m_held));
        Drop(n);
        m_skipRemaining -= n;
        return Step::Overlong;
    }
    if (m_held < length) {
        return Step::NeedMore;
    }
    m_frame.bytes = front;
    m_frame.length = length;
    m_frame.typeId = static_cast<uint16_t>(front[3] | (front[4] << 8));
    m_frame.bodySize = body;
    return Step::Frame;
}

void CFrameAccumulator::ConsumeFrame() {
    Drop(static_cast<std::size_t>(m_frame.length));
    m_frame = Frame{};
}

} // namespace orv
