#pragma once

// One frame of the external adapter's protocol, both directions:
//
//   STX (0x02), byte 1 (0 in every request), N (payload length), N payload bytes (the first is the
//   command letter, echoed in the reply), checksum (byte 1 + N + payload, mod 256), ETX (0x03).
//
// Reading hunts for STX one byte at a time and gives up after kHuntLimit bytes, so a line that sends
// noise forever cannot hold the reader; with a deadline the whole frame must also come within it, so
// a line that trickles bytes just inside each read's time-out cannot hold it either.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace orv {

class CAdapterFrame {
public:
    static constexpr uint8_t kStx = 0x02;
    static constexpr uint8_t kEtx = 0x03;
    static constexpr std::size_t kMaxPayload = 255;
    static constexpr std::size_t kHuntLimit = 1024;
    // The read time-out of one byte; the payload's is this many per byte.
    static constexpr uint32_t kByteTimeoutMs = 100;
    // No letter: what a frame without payload (or before a read) answers.
    static constexpr uint8_t kNoLetter = 0xFF;

    // Fills `count` bytes within `timeoutMs`; false when they did not all come.
    using ReadBytes = std::function<bool(uint8_t* into, uint32_t count, uint32_t timeoutMs)>;

    // The request frame of a payload of 1 to 255 bytes; empty for any other length.
    static std::vector<uint8_t> Build(std::span<const uint8_t> payload);
    static uint8_t Checksum(uint8_t byte1, std::span<const uint8_t> payload);

    // Reads one frame. True when one came whose checksum and ETX hold (the caller then checks the
    // letter); false when a read failed, no STX came within the hunt limit, the frame did not come
    // whole within `deadlineMs` (0: no deadline; no read starts after it and none is given more
    // than what is left of it), or the frame is corrupt.
    bool Read(const ReadBytes& read, uint32_t deadlineMs = 0);

    uint8_t Letter() const;
    std::span<const uint8_t> Payload() const;
    // The whole frame as read (STX to ETX); empty before a read.
    std::span<const uint8_t> Bytes() const;

private:
    // STX, byte 1, N, up to 255 payload bytes, checksum, ETX.
    std::array<uint8_t, kMaxPayload + 5> m_bytes{};
    std::size_t m_size = 0;
};

} // namespace orv
