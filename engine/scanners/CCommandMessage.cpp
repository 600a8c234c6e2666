#include "engine/scanners/CCommandMessage.h"

#include "core/ByteCodec.h"
#include "platform/clock/Clock.h"

#include <algorithm>
#include <array>
#include <deque>

namespace orv {

CCommandMessage::CCommandMessage(uint8_t id, uint8_t ctrl) : m_id(id), m_ctrl(ctrl) {
    Seal();
}

uint8_t CCommandMessage::ComputeChecksum(uint8_t id, uint8_t ctrl, std::span<const uint8_t> parameters) {
    uint32_t sum = id + ctrl;
    for (const uint8_t byte : parameters) {
        sum += byte;
    }
    return static_cast<uint8_t>(0x100U - (sum & 0xFFU));
}

void CCommandMessage::Seal() {
    m_length = static_cast<uint8_t>(2 + m_parameters.size());
    m_checksum = ComputeChecksum(m_id, m_ctrl, m_parameters);
}

bool CCommandMessage::AddBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() > kMaxParameters - m_parameters.size()) {
        return false;
    }
    m_parameters.insert(m_parameters.end(), bytes.begin(), bytes.end());
    Seal();
    return true;
}

namespace {

template <typename T> std::array<uint8_t, sizeof(T)> EncodeLE(T value) {
    std::array<uint8_t, sizeof(T)> bytes{};
    uint8_t* cursor = bytes.data();
    PutLE<T>(cursor, value);
    return bytes;
}

} // namespace

bool CCommandMessage::AddUInt8(uint8_t value) {
    return AddBytes(std::span<const uint8_t>(&value, 1));
}
bool CCommandMessage::AddUInt32(uint32_t value) {
    return AddBytes(EncodeLE(value));
}
bool CCommandMessage::AddUInt64(uint64_t value) {
    return AddBytes(EncodeLE(value));
}
bool CCommandMessage::AddFloat(float value) {
    return AddBytes(EncodeLE(value));
}

std::vector<uint8_t> CCommandMessage::Serialize() const {
    std::vector<uint8_t> bytes;
    bytes.reserve(m_parameters.size() + 6);
    bytes.push_back(m_header[0]);
    bytes.push_back(m_header[1]);
    bytes.push_back(m_length);
    bytes.push_back(m_id);
    bytes.push_back(m_ctrl);
    bytes.insert(bytes.end(), m_parameters.begin(), m_parameters.end());
    bytes.push_back(m_checksum);
    return bytes;
}

std::optional<CCommandMessage> CCommandMessage::FromBody(uint8_t length, std::span<const uint8_t> body) {
    if (length < 2 || length > kMaxLength || body.size() != static_cast<std::size_t>(length) + 1) {
        return std::nullopt;
    }
    uint32_t sum = 0;
    for (const uint8_t byte : body) {
        sum += byte;
    }
    if ((sum & 0xFFU) != 0) {
        return std::nullopt;
    }
    CCommandMessage message(body[0], body[1]);
    message.m_parameters.assign(body.begin() + 2, body.end() - 1);
    message.Seal();
    return message;
}

std::optional<CCommandMessage> CCommandMessage::Parse(std::span<const uint8_t> bytes) {
    if (bytes.size() < 6 || bytes[0] != kHeaderByte || bytes[1] != kHeaderByte) {
        return std::nullopt;
    }
    return FromBody(bytes[2], bytes.subspan(3));
}

std::optional<CCommandMessage> CCommandMessage::Hunt(const std::function<bool(uint8_t&)>& readByte,
                                                     std::size_t byteLimit, std::deque<uint8_t>& carried,
                                                     uint32_t deadlineMs) {
    std::deque<uint8_t>& again = carried;
    std::size_t fromSource = 0;
    const Clock::TimePoint start = ClockNow();
    const auto next = [&](uint8_t& byte) {
        if (!again.empty()) {
            byte = again.front();
            again.pop_front();
            return true;
        }
        if (fromSource >= byteLimit ||
            (deadlineMs != 0 && ElapsedMilliseconds(start) >= static_cast<int64_t>(deadlineMs)) ||
            !readByte(byte)) {
            return false;
        }
        ++fromSource;
        return true;
    };
    std::vector<uint8_t> candidate; // what followed the first header byte
    for (;;) {
        uint8_t byte = 0;
        if (!next(byte)) {
            return std::nullopt;
        }
        if (byte != kHeaderByte) {
            continue;
        }
        candidate.clear();
        if (!next(byte)) {
            return std::nullopt;
        }
        candidate.push_back(byte);
        if (byte == kHeaderByte) {
            uint8_t length = 0;
            if (!next(length)) {
                return std::nullopt;
            }
            candidate.push_back(length);
            if (length >= 2 && length <= kMaxLength) {
                for (int i = 0; i <= length; ++i) {
                    if (!next(byte)) {
                        return std::nullopt;
                    }
                    candidate.push_back(byte);
                }
                auto message = FromBody(length, std::span<const uint8_t>(candidate).subspan(2));
                if (message) {
                    return message;
                }
            }
        }
        again.insert(again.begin(), candidate.begin(), candidate.end());
    }
}

bool CommandParameterReader::ReadUInt8(uint8_t& out) {
    if (Remaining() < 1) {
        return false;
    }
    out = m_bytes[m_offset++];
    return true;
}

namespace {

template <typename T> bool ReadLE(const std::vector<uint8_t>& bytes, std::size_t& offset, T& out) {
    if (bytes.size() - offset < sizeof(T)) {
        return false;
    }
    const uint8_t* cursor = bytes.data() + offset;
    out = GetLE<T>(cursor);
    offset += sizeof(T);
    return true;
}

} // namespace

bool CommandParameterReader::ReadUInt64(uint64_t& out) {
    return ReadLE(m_bytes, m_offset, out);
}
bool CommandParameterReader::ReadFloat(float& out) {
    return ReadLE(m_bytes, m_offset, out);
}

std::string CommandParameterReader::ReadRemainingText() {
    const auto begin = m_bytes.begin() + static_cast<std::ptrdiff_t>(m_offset);
    const auto end = std::find(begin, m_bytes.end(), uint8_t{0});
    std::string text(begin, end);
    m_offset = m_bytes.size();
    return text;
}

} // namespace orv
