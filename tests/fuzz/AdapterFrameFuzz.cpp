// Fuzz entry for the external adapter's frame reader: any byte stream must end in frames or failures,
// never a crash or an overrun; a frame read as valid must rebuild to the bytes it was read from.
#include "engine/scanners/adapter/CAdapterFrame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    std::size_t offset = 0;
    const CAdapterFrame::ReadBytes read = [&](uint8_t* into, uint32_t count, uint32_t /*timeoutMs*/) {
        if (count > size - offset) {
            return false;
        }
        std::copy_n(data + offset, count, into);
        offset += count;
        return true;
    };
    while (offset < size) {
        const std::size_t before = offset;
        CAdapterFrame frame;
        const bool valid = frame.Read(read);
        if (offset == before || offset > size || frame.Bytes().size() > CAdapterFrame::kMaxPayload + 5) {
            __builtin_trap();
        }
        if (valid) {
            const std::span<const uint8_t> bytes = frame.Bytes();
            if (!std::equal(bytes.begin(), bytes.end(), data + offset - bytes.size())) {
                __builtin_trap();
            }
            if (bytes[1] == 0 && !frame.Payload().empty() &&
                CAdapterFrame::Build(frame.Payload()) != std::vector<uint8_t>(bytes.begin(), bytes.end())) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
