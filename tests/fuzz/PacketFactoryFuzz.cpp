// Fuzz entry for the packets of the engine link. The first byte picks a kind the packet factory
// makes and the rest is read as that kind's body; then the whole input is read as a stream of frames,
// each into the kind its type id names. Any input must end in packets or one of the system's own
// exceptions, never a crash, an overrun or an unbounded allocation. A packet that reads must write
// as many bytes as its size says, and what it writes must read back to the same bytes.
#include "core/QException.h"
#include "protocol/packets/QPacketFactory.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint16_t kLinkTypeIds[] = {1,    2,  3,   4,   5,   6,   7,   8,   9,   151,
                                     4003, 99, 100, 101, 102, 103, 104, 105, 112, 150};

std::unique_ptr<orv::QPacket> MakePacket(const orv::QPacketFactory& factory, uint16_t typeId) {
    std::unique_ptr<orv::QPacket> packet = factory.CreateCommand(typeId);
    if (packet == nullptr) {
        packet = factory.CreateDataPacket(typeId);
    }
    return packet;
}

std::vector<uint8_t> BodyOf(const orv::QPacket& packet) {
    std::vector<uint8_t> bytes(packet.GetBodySize());
    orv::QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    packet.WriteBody(writer);
    if (writer.GetBytesWritten() != bytes.size()) {
        __builtin_trap();
    }
    return bytes;
}

// Writes the packet, reads that into a fresh one of its kind, and checks the second writes the same.
void CheckWritesBackStably(const orv::QPacketFactory& factory, const orv::QPacket& packet) {
    const std::vector<uint8_t> first = BodyOf(packet);
    std::unique_ptr<orv::QPacket> again = MakePacket(factory, packet.GetTypeID());
    orv::QCharArrayDataReader reader(first.data(), static_cast<uint32_t>(first.size()));
    again->ReadBody(reader);
    if (BodyOf(*again) != first) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    const QPacketFactory factory;
    const auto length = static_cast<uint32_t>(size > 0xFFFFFFFFU ? 0xFFFFFFFFU : size);
    if (length == 0) {
        return 0;
    }

    const uint16_t chosen = kLinkTypeIds[data[0] % (sizeof kLinkTypeIds / sizeof kLinkTypeIds[0])];
    std::unique_ptr<QPacket> packet = MakePacket(factory, chosen);
    try {
        QCharArrayDataReader body(data + 1, length - 1);
        packet->ReadBody(body);
        CheckWritesBackStably(factory, *packet);
    } catch (const QException&) {
        // Rejected input is the expected outcome for most of what a fuzzer makes.
    }

    QCharArrayDataReader stream(data, length);
    try {
        while (stream.GetRemaining() >= 9) {
            uint8_t header[9];
            stream.Peek(header, sizeof header);
            uint16_t typeId = 0;
            std::memcpy(&typeId, header + 3, sizeof typeId);
            std::unique_ptr<QPacket> next = MakePacket(factory, typeId);
            if (next == nullptr) {
                return 0;
            }
            next->Deserialize(stream);
            CheckWritesBackStably(factory, *next);
        }
    } catch (const QException&) {
    }
    return 0;
}
