// Fuzz entry for the robot arm's packet hunt and parameter reader: any byte stream must end in packets
// or none, never a crash or an overrun; every packet found must stand in the stream as it serialises
// and parse back to itself.
#include "engine/scanners/CCommandMessage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    std::size_t offset = 0;
    const auto readByte = [&](uint8_t& byte) {
        if (offset >= size) {
            return false;
        }
        byte = data[offset++];
        return true;
    };
    std::deque<uint8_t> carried;
    while (offset < size || !carried.empty()) {
        const std::optional<CCommandMessage> packet = CCommandMessage::Hunt(readByte, 1024, carried);
        if (!packet) {
            if (offset >= size) {
                break; // what is carried holds no packet and nothing more comes
            }
            continue;
        }
        // A packet stands in the stream byte for byte, just before what the hunt carries on.
        const std::vector<uint8_t> bytes = packet->Serialize();
        const std::size_t end = offset - carried.size();
        if (carried.size() > offset || bytes.size() > end ||
            !std::equal(bytes.begin(), bytes.end(), data + end - bytes.size())) {
            __builtin_trap();
        }
        if (!std::equal(carried.begin(), carried.end(), data + end)) {
            __builtin_trap(); // the carried bytes are the stream's, in order
        }
        const std::optional<CCommandMessage> again = CCommandMessage::Parse(bytes);
        if (!again || again->Serialize() != bytes) {
            __builtin_trap();
        }
        CommandParameterReader reader(*packet);
        uint64_t index = 0;
        float value = 0;
        uint8_t small = 0;
        reader.ReadUInt8(small);
        reader.ReadFloat(value);
        reader.ReadUInt64(index);
        const std::string text = reader.ReadRemainingText();
        if (text.size() > CCommandMessage::kMaxParameters || reader.Remaining() != 0) {
            __builtin_trap();
        }
    }
    return 0;
}
