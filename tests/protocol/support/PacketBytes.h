#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QSerializable.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace orv::packettest {

using Bytes = std::vector<uint8_t>;

// The whole frame of a packet as the channels carry it.
inline Bytes FrameOf(const QSerializable& packet) {
    QCharCounterDataWriter counter;
    packet.Serialize(counter);
    Bytes bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    packet.Serialize(writer);
    return bytes;
}

// Reads a frame into the packet; answers how many bytes it took.
inline uint32_t ReadFrame(QSerializable& packet, const Bytes& frame) {
    QCharArrayDataReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    packet.Deserialize(reader);
    return reader.GetBytesRead();
}

// A frame around a hand-made body, the way another program would write it.
inline Bytes FrameAround(uint16_t typeId, const Bytes& body) {
    Bytes frame{0x2A, 0, 0, static_cast<uint8_t>(typeId & 0xFF), static_cast<uint8_t>(typeId >> 8)};
    const auto size = static_cast<uint32_t>(body.size());
    for (int shift = 0; shift < 32; shift += 8) {
        frame.push_back(static_cast<uint8_t>(size >> shift));
    }
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

template <typename T> T ValueAt(const Bytes& bytes, size_t offset) {
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

} // namespace orv::packettest
