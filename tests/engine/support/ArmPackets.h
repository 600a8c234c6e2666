#pragma once

// Packets of the arm's protocol as the tests expect them on the wire, built by hand (not by the
// code under test): header, length, id, ctrl, parameters, checksum.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace orv::test {

using Bytes = std::vector<uint8_t>;

Bytes ArmPacket(uint8_t id, uint8_t ctrl, const Bytes& parameters = {});
Bytes LittleEndianFloats(std::initializer_list<float> values);
Bytes LittleEndianUInt32(uint32_t value);
Bytes Concat(std::initializer_list<Bytes> parts);

} // namespace orv::test
