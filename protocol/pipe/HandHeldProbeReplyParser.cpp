#include "protocol/pipe/HandHeldProbeReplyParser.h"

#include "core/ByteCodec.h"

#include <algorithm>
#include <cstring>

namespace orv {

std::array<uint8_t, kHandHeldProbeRequestSize>
EncodeHandHeldProbeRequest(const HandHeldProbeRequestValues& values) {
    std::array<uint8_t, kHandHeldProbeRequestSize> message{};
    uint8_t* cursor = message.data();
    PutLE<uint16_t>(cursor, kHandHeldProbeRequestType);
    PutLE<uint32_t>(cursor, static_cast<uint32_t>(kHandHeldProbeRequestSize));
    for (const int32_t value : values) {
        PutLE<int32_t>(cursor, value);
    }
    return message;
}

std::optional<int32_t> HandHeldProbeReplyParser::Append(const uint8_t* data, size_t size) {
    if (size == 0) {
        return std::nullopt;
    }
    if (size >= kCapacity - m_held) {
        m_held = 0;
        return std::nullopt;
    }
    std::memcpy(m_buffer.data() + m_held, data, size);
    m_held += size;
    return Parse();
}

std::optional<int32_t> HandHeldProbeReplyParser::Parse() {
    std::optional<int32_t> result;
    size_t start = 0;
    while (m_held - start >= kPipeMessageHeaderSize) {
        const uint8_t* cursor = m_buffer.data() + start;
        const uint16_t type = GetLE<uint16_t>(cursor);
        // A length below the header still removes the header, so the parser always moves on.
        const size_t length = std::max<size_t>(GetLE<uint32_t>(cursor), kPipeMessageHeaderSize);
        if (length > m_held - start) {
            break;
        }
        if (type == kHandHeldProbeReplyType && length >= kHandHeldProbeReplySize) {
            result = GetLE<int32_t>(cursor);
            ++m_replies;
        }
        start += length;
    }
    if (start > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + start, m_held - start);
        m_held -= start;
    }
    return result;
}

} // namespace orv
