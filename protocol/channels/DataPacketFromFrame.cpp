#include "protocol/channels/DataPacketFromFrame.h"

#include "core/QDataReader.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "protocol/packets/QPacketFactory.h"

#include <exception>

namespace orv {

std::unique_ptr<QDataPacket> DataPacketFromFrame(const QPacketFactory& factory,
                                                 std::span<const uint8_t> frame,
                                                 std::string_view channelName) {
    QPacketHeader header;
    std::unique_ptr<QDataPacket> packet;
    try {
        // The cutter's frames are at most 64 MiB and 9 bytes: their size fits the reader's 32 bits.
        QCharArrayDataReader headerReader(frame.data(), static_cast<uint32_t>(frame.size()));
        header.Deserialize(headerReader);
        packet = factory.CreateDataPacket(header.GetTypeID());
        if (packet == nullptr) {
            return nullptr;
        }
        QCharArrayDataReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
        packet->Deserialize(reader);
        return packet;
    } catch (const std::exception& error) {
        // The core's reader errors, and an allocation a corrupt count asked for.
        AddInformationMessage(1, FormatC("%.*s: dropped a frame of type %u and %zu bytes: %s",
                                         static_cast<int>(channelName.size()), channelName.data(),
                                         static_cast<unsigned>(header.GetHeaderTypeId()), frame.size(),
                                         error.what()));
    }
    return nullptr;
}

} // namespace orv
