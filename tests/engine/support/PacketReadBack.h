#pragma once

// Reads a frame the engine sent back through the client's own reader of its kind, which throws on
// any frame it cannot take whole.

#include "core/QDataReader.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv::test {

template <typename Packet> std::unique_ptr<Packet> ReadBack(const std::vector<uint8_t>& frame) {
    auto packet = std::make_unique<Packet>();
    QCharArrayDataReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    packet->Deserialize(reader);
    return packet;
}

} // namespace orv::test
