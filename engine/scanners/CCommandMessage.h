#pragma once

// One packet of the robot arm's serial protocol, as sent and as received:
//
//   0xAA 0xAA | length L | id | ctrl | L - 2 parameter bytes | checksum
//
// ctrl bit 0 is write (clear: read), bit 1 queued. The checksum makes id, ctrl, parameters and
// checksum sum to 0 modulo 256. Parameters are little-endian: 32-bit IEEE floats, unsigned integers
// of 8, 32 and 64 bits, and texts that fill the rest of the packet.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orv {

class CCommandMessage {
public:
    static constexpr uint8_t kHeaderByte = 0xAA;
    static constexpr uint8_t kCtrlWrite = 0x01;
    static constexpr uint8_t kCtrlQueued = 0x02;
    // A length byte of 0xAA or more is taken for a header byte by the receiver, so no packet is longer.
    static constexpr std::size_t kMaxLength = 0xA9;
    static constexpr std::size_t kMaxParameters = kMaxLength - 2;

    CCommandMessage() = default;
    CCommandMessage(uint8_t id, uint8_t ctrl);

    uint8_t GetId() const { return m_id; }
    uint8_t GetCtrl() const { return m_ctrl; }
    bool IsWrite() const { return (m_ctrl & kCtrlWrite) != 0; }
    bool IsQueued() const { return (m_ctrl & kCtrlQueued) != 0; }
    uint8_t GetLength() const { return m_length; }
    uint8_t GetChecksum() const { return m_checksum; }
    const std::vector<uint8_t>& GetParameters() const { return m_parameters; }

    // Appending fails (and leaves the packet as it was) past kMaxParameters.
    bool AddUInt8(uint8_t value);
    bool AddUInt32(uint32_t value);
    bool AddUInt64(uint64_t value);
    bool AddFloat(float value);
    bool AddBytes(std::span<const uint8_t> bytes);

    // The whole packet, header to checksum: L + 4 bytes.
    std::vector<uint8_t> Serialize() const;

    // The checksum that id, ctrl and `parameters` need.
    static uint8_t ComputeChecksum(uint8_t id, uint8_t ctrl, std::span<const uint8_t> parameters);

    // A packet from what follows its length byte (id, ctrl, parameters, checksum: length + 1 bytes);
    // none when the length is below 2 or above kMaxLength, the byte count does not match, or the
    // checksum is wrong.
    static std::optional<CCommandMessage> FromBody(uint8_t length, std::span<const uint8_t> body);
    // A packet from its whole serialised form; none unless it is exactly one valid packet.
    static std::optional<CCommandMessage> Parse(std::span<const uint8_t> bytes);

    // The receiving side's search for the next packet in a stream of bytes that `readByte` gives one
    // at a time: skips to a 0xAA 0xAA header with a length of 2 to kMaxLength and a body whose
    // checksum holds. After a false start it looks again from the byte after that start's first
    // header byte, so a stray 0xAA or a cut-off packet cannot swallow the header of the next one.
    // `carried` holds bytes already read but not yet used: they are looked at first, and bytes read
    // past the packet found are left there for the next search. None when `readByte` fails,
    // `byteLimit` bytes came from it without a packet, or `deadlineMs` (0: none) passed: a line that
    // gives a byte just inside each byte time-out cannot hold the search for the limit's worth of them.
    static std::optional<CCommandMessage> Hunt(const std::function<bool(uint8_t&)>& readByte,
                                               std::size_t byteLimit, std::deque<uint8_t>& carried,
                                               uint32_t deadlineMs = 0);

private:
    void Seal(); // length and checksum after the parameters changed

    uint8_t m_header[2] = {kHeaderByte, kHeaderByte};
    uint8_t m_length = 2;
    uint8_t m_id = 0;
    uint8_t m_ctrl = 0;
    std::vector<uint8_t> m_parameters;
    uint8_t m_checksum = 0;
};

// Reads the parameters of a received packet in order; every read fails once the bytes run out, and
// a failed read takes nothing.
class CommandParameterReader {
public:
    explicit CommandParameterReader(const CCommandMessage& message) : m_bytes(message.GetParameters()) {}

    bool ReadUInt8(uint8_t& out);
    bool ReadUInt64(uint64_t& out);
    bool ReadFloat(float& out);
    // The rest of the packet as text, ending at the first zero byte if there is one.
    std::string ReadRemainingText();
    std::size_t Remaining() const { return m_bytes.size() - m_offset; }

private:
    const std::vector<uint8_t>& m_bytes;
    std::size_t m_offset = 0;
};

} // namespace orv
