// Fuzz entry for the channel endpoints' frame cutters. The first byte picks the read sizes; the rest
// is fed to the command and the data cutter in such reads, cutting after each as a channel cycle does.
// Every byte fed must end in exactly one place (a frame, the dropped count or the held bytes), every
// frame must be '*'-framed with its declared length and within the channel's largest frame, and
// neither cutter may hold more than its bound allows. Every frame is also built into its data packet.
// Both cutters live for the whole run, emptied before each input as a channel's are on a reconnect:
// making the data cutter's first half-megabyte buffer for every input cost more than the cutting.
#include "protocol/channels/DataPacketFromFrame.h"
#include "protocol/channels/QFrameCutter.h"
#include "protocol/packets/QPacketFactory.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

void CheckFeed(orv::QFrameCutter& cutter, const uint8_t* data, std::size_t size, std::size_t readSize,
               std::size_t heldBound) {
    cutter.Clear();
    const uint64_t droppedBefore = cutter.DroppedBytes();
    uint64_t framed = 0;
    std::size_t offset = 0;
    while (offset < size) {
        const std::size_t n = readSize < size - offset ? readSize : size - offset;
        cutter.Append(data + offset, n);
        offset += n;
        if (cutter.Held() > heldBound) {
            __builtin_trap();
        }
        for (auto frame = cutter.NextFrame(); !frame.empty(); frame = cutter.NextFrame()) {
            uint32_t body = 0;
            std::memcpy(&body, frame.data() + 5, sizeof body);
            if (frame[0] != orv::QFrameCutter::kMarker || frame.size() != uint64_t{body} + 9 ||
                frame.size() > cutter.MaxFrameBytes()) {
                __builtin_trap();
            }
            framed += frame.size();
            // Whatever a frame holds, building its packet ends in a packet or none.
            static const orv::QPacketFactory factory;
            (void)orv::DataPacketFromFrame(factory, frame, "fuzz");
        }
        cutter.Compact();
    }
    if (framed + (cutter.DroppedBytes() - droppedBefore) + cutter.Held() != size) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t readSize = 1 + data[0] % 64;
    static orv::QFrameCutter command = orv::QFrameCutter::ForCommandReplies();
    CheckFeed(command, data + 1, size - 1, readSize, orv::QFrameCutter::kCommandBound - 1);
    static orv::QFrameCutter scanData = orv::QFrameCutter::ForScanData();
    CheckFeed(scanData, data + 1, size - 1, readSize,
              static_cast<std::size_t>(scanData.MaxFrameBytes()) + readSize);
    return 0;
}
