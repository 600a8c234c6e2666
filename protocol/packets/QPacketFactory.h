#pragma once

#include "core/QPacket.h"

#include <cstdint>
#include <memory>

namespace orv {

// Makes the empty packet object that a frame of the given type id is read into. Holds no state, so
// every owner (the communication layer, the engine's data endpoint) keeps its own. An id that names
// no packet of the asked direction yields none; the caller decides what to do with such a frame.
class QPacketFactory {
public:
    // 1-9, 151 and 4003.
    std::unique_ptr<QCommand> CreateCommand(uint16_t typeId) const;
    // 99-105, 112 and 150.
    std::unique_ptr<QDataPacket> CreateDataPacket(uint16_t typeId) const;
};

} // namespace orv
