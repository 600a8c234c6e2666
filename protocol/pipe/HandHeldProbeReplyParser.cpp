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
    // Fed in pieces that fit: once parsed, fewer bytes than the largest message are ever held, so a
    // genuine reply behind a flood of junk is still reached.
    std::optional<int32_t> result;
    while (size > 0) {
        const size_t piece = std::min(size, kCapacity - m_held);
        std::memcpy(m_buffer.data() + m_held, data, piece);
        m_held += piece;
        data += piece;
        size -= piece;
        if (std::optional<int32_t> parsed = Parse()) {
            result = parsed;
        }
    }
    return result;
}

std::optional<int32_t> HandHeldProbeReplyParser::Parse() {
    std::optional<int32_t> result;
    size_t start = 0;
    while (m_held - start >= kPipeMessageHeaderSize) {
        const uint8_t* cursor = m_buffer.data() + start;
        const uint16_t type = GetLE<uint16_t>(cursor);
        const uint32_t declared = GetLE<uint32_t>(cursor);
        // No message is longer than a request: a longer length is junk, and waiting for it would lose
        // every reply after it. It is dropped at once, a byte at a time, so that the next genuine
        // header is found wherever the junk ends. A length below the header still removes the header.
        if (declared > kLargestPipeMessageSize) {
            ++start;
            continue;
        }
        const size_t length = std::max<size_t>(declared, kPipeMessageHeaderSize);
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
