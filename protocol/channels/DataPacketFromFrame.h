#pragma once

#include "core/QPacket.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace orv {

class QPacketFactory;

// Reads one whole data frame (as the data channel's cutter hands it out) into the packet its type id
// names, made by the channel's own factory. Answers none, and the frame is dropped, when the id names
// no data packet or when the frame is not one the packet can read (its body ends before the packet's
// last field, for one): a channel thread must live on past a bad frame, so no exception leaves here;
// the second case writes a log line beginning with `channelName`.
std::unique_ptr<QDataPacket> DataPacketFromFrame(const QPacketFactory& factory,
                                                 std::span<const uint8_t> frame,
                                                 std::string_view channelName);

} // namespace orv
