#pragma once

// The messages on the hand-held probe pipe (little-endian, no padding): a 16-bit type, a 32-bit total
// length that includes the 6-byte header, then the body. The program sends only requests (type 1001,
// 26 bytes: five 32-bit values) and takes only replies (type 1002, 10 bytes: a signed 32-bit
// result); every other type is skipped whole.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace orv {

inline constexpr uint16_t kHandHeldProbeRequestType = 1001;
inline constexpr uint16_t kHandHeldProbeReplyType = 1002;
inline constexpr size_t kHandHeldProbeRequestSize = 26;
inline constexpr size_t kHandHeldProbeReplySize = 10;
inline constexpr size_t kPipeMessageHeaderSize = 6;
inline constexpr size_t kLargestPipeMessageSize = kHandHeldProbeRequestSize;

using HandHeldProbeRequestValues = std::array<int32_t, 5>;

std::array<uint8_t, kHandHeldProbeRequestSize>
EncodeHandHeldProbeRequest(const HandHeldProbeRequestValues& values);

// Collects the bytes a client writes, in pieces of any size, and takes whole messages out of them.
// A header whose length is beyond the largest message kind is junk and dropped at once, a byte at a
// time until a plausible header follows (a client that sends lengths it never fills cannot make the
// program wait, nor hide the replies after them), so fewer bytes than the largest message stay held
// between pieces; the buffer of 10,240 bytes takes a piece of any size in turns.
class HandHeldProbeReplyParser {
public:
    static constexpr size_t kCapacity = 10240;

    // Adds the bytes and parses; answers the result of the last reply completed by them, if any.
    std::optional<int32_t> Append(const uint8_t* data, size_t size);

    size_t GetHeldCount() const { return m_held; }
    // Replies taken so far (several may complete in one piece; the last one counts).
    uint64_t GetReplyCount() const { return m_replies; }

private:
    std::optional<int32_t> Parse();

    std::array<uint8_t, kCapacity> m_buffer{};
    size_t m_held = 0;
    uint64_t m_replies = 0;
};

} // namespace orv
