#include "engine/scanners/adapter/CAdapterFrame.h"

#include "platform/clock/Clock.h"

#include <algorithm>
#include <numeric>

namespace orv {

uint8_t CAdapterFrame::Checksum(uint8_t byte1, std::span<const uint8_t> payload) {
    const unsigned sum = std::accumulate(payload.begin(), payload.end(), unsigned{byte1} + payload.size());
    return static_cast<uint8_t>(sum & 0xFFU);
}

std::vector<uint8_t> CAdapterFrame::Build(std::span<const uint8_t> payload) {
    if (payload.empty() || payload.size() > kMaxPayload) {
        return {};
    }
    std::vector<uint8_t> frame;
    frame.reserve(payload.size() + 5);
    frame.push_back(kStx);
    frame.push_back(0);
    frame.push_back(static_cast<uint8_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(Checksum(0, payload));
    frame.push_back(kEtx);
    return frame;
}

bool CAdapterFrame::Read(const ReadBytes& read, uint32_t deadlineMs) {
    m_size = 0;
    m_bytes[3] = kNoLetter;
    const Clock::TimePoint start = ClockNow();
    // Each read is given its own time-out, cut to what is left of the deadline.
    const auto readWithin = [&](uint8_t* into, uint32_t count, uint32_t timeoutMs) {
        if (deadlineMs == 0) {
            return read(into, count, timeoutMs);
        }
        const int64_t left = static_cast<int64_t>(deadlineMs) - ElapsedMilliseconds(start);
        return left > 0 && read(into, count, static_cast<uint32_t>(std::min<int64_t>(timeoutMs, left)));
    };
    std::size_t hunted = 0;
    for (;;) {
        if (hunted == kHuntLimit || !readWithin(m_bytes.data(), 1, kByteTimeoutMs)) {
            return false;
        }
        ++hunted;
        if (m_bytes[0] == kStx) {
            break;
        }
    }
    if (!readWithin(m_bytes.data() + 1, 2, kByteTimeoutMs)) {
        return false;
    }
    const std::size_t n = m_bytes[2];
    const auto rest = static_cast<uint32_t>(n + 2);
    if (!readWithin(m_bytes.data() + 3, rest, rest * kByteTimeoutMs)) {
        return false;
    }
    m_size = n + 5;
    const std::span<const uint8_t> payload(m_bytes.data() + 3, n);
    return m_bytes[3 + n] == Checksum(m_bytes[1], payload) && m_bytes[4 + n] == kEtx;
}

uint8_t CAdapterFrame::Letter() const {
    return m_size > 5 ? m_bytes[3] : kNoLetter;
}

std::span<const uint8_t> CAdapterFrame::Payload() const {
    return m_size >= 5 ? std::span<const uint8_t>(m_bytes.data() + 3, m_size - 5)
                       : std::span<const uint8_t>();
}

std::span<const uint8_t> CAdapterFrame::Bytes() const {
    return {m_bytes.data(), m_size};
}

} // namespace orv
