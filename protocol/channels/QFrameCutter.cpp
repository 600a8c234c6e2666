#include "protocol/channels/QFrameCutter.h"

#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace orv {

QFrameCutter::QFrameCutter(std::string name, Holding holding, std::size_t capacity, uint64_t maxFrameBytes)
    : m_name(std::move(name)), m_holding(holding),
      m_bytes(std::make_unique_for_overwrite<uint8_t[]>(capacity)), m_capacity(capacity),
      m_maxFrameBytes(std::max<uint64_t>(maxFrameBytes, kHeaderBytes)) {}

QFrameCutter QFrameCutter::ForCommandReplies() {
    return {"thrdCommandSocketThread", Holding::Bounded, kCommandBound, kCommandBound - 1};
}

QFrameCutter QFrameCutter::ForScanData() {
    return {"thrdDataSocketThread", Holding::Growing, kDataFirstCapacity, kDataMaxBody + kHeaderBytes};
}

bool QFrameCutter::Append(const uint8_t* bytes, std::size_t n) {
    if (n == 0) {
        return true;
    }
    Compact();
    if (m_holding == Holding::Bounded) {
        if (m_held + n >= m_capacity) {
            m_droppedBytes += m_held + n;
            AddInformationMessage(1, FormatC("%s: %zu bytes held without a whole frame, all discarded.",
                                             m_name.c_str(), m_held + n));
            m_held = 0;
            m_resyncing = false;
            return false;
        }
    } else if (m_held + n >= m_capacity) {
        // Doubled (up to the largest frame), so a large frame arriving in many reads is moved a
        // few times in all, not once per read.
        const uint64_t doubled = std::min<uint64_t>(uint64_t{m_capacity} * 2, m_maxFrameBytes);
        Grow(std::max<std::size_t>(m_held + n + 1, static_cast<std::size_t>(doubled)));
    }
    std::memcpy(m_bytes.get() + m_held, bytes, n);
    m_held += n;
    return true;
}

std::span<const uint8_t> QFrameCutter::NextFrame() {
    while (m_start < m_held) {
        const uint8_t* front = m_bytes.get() + m_start;
        const std::size_t available = m_held - m_start;
        if (front[0] != kMarker) {
            SkipToNextMarker("bytes before a frame start");
            continue;
        }
        if (available < kHeaderBytes) {
            return {};
        }
        uint32_t bodySize = 0;
        std::memcpy(&bodySize, front + 5, sizeof bodySize); // little-endian wire, little-endian host
        const uint64_t total = uint64_t{bodySize} + kHeaderBytes;
        if (total > m_maxFrameBytes) {
            SkipToNextMarker("a frame longer than the channel allows");
            continue;
        }
        if (total > available) {
            return {};
        }
        m_start += static_cast<std::size_t>(total);
        m_resyncing = false;
        return {front, static_cast<std::size_t>(total)};
    }
    return {};
}

void QFrameCutter::SkipToNextMarker(const char* why) {
    const uint8_t* begin = m_bytes.get() + m_start;
    const uint8_t* end = m_bytes.get() + m_held;
    const uint8_t* next = std::find(begin + 1, end, kMarker);
    const auto skipped = static_cast<std::size_t>(next - begin);
    if (!m_resyncing) {
        m_resyncing = true;
        ++m_resyncs;
        AddInformationMessage(1, FormatC("%s: skipping %s to the next frame start.", m_name.c_str(), why));
    }
    m_droppedBytes += skipped;
    m_start += skipped;
}

void QFrameCutter::Compact() {
    if (m_start == 0) {
        return;
    }
    const std::size_t rest = m_held - m_start;
    if (rest > 0) {
        std::memmove(m_bytes.get(), m_bytes.get() + m_start, rest);
    }
    m_start = 0;
    m_held = rest;
}

void QFrameCutter::Grow(std::size_t needed) {
    auto bigger = std::make_unique_for_overwrite<uint8_t[]>(needed);
    std::memcpy(bigger.get(), m_bytes.get(), m_held);
    m_bytes = std::move(bigger);
    m_capacity = needed;
}

void QFrameCutter::Clear() {
    m_start = 0;
    m_held = 0;
    m_resyncing = false;
}

} // namespace orv
