#include "tests/engine/support/ArmPackets.h"

#include <bit>

namespace orv::test {

Bytes ArmPacket(uint8_t id, uint8_t ctrl, const Bytes& parameters) {
    Bytes packet{0xAA, 0xAA, static_cast<uint8_t>(parameters.size() + 2), id, ctrl};
    unsigned sum = id + ctrl;
    for (const uint8_t byte : parameters) {
        packet.push_back(byte);
        sum += byte;
    }
    packet.push_back(static_cast<uint8_t>((256 - sum % 256) % 256));
    return packet;
}

Bytes LittleEndianUInt32(uint32_t value) {
    return Bytes{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

Bytes LittleEndianFloats(std::initializer_list<float> values) {
    Bytes bytes;
    for (const float value : values) {
        const Bytes one = LittleEndianUInt32(std::bit_cast<uint32_t>(value));
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes bytes;
    for (const Bytes& part : parts) {
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    return bytes;
}

} // namespace orv::test
