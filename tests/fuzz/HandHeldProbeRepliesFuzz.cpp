// Fuzz entry: the bytes an outside program writes to the hand-held probe pipe, cut into pieces at
// places the input chooses.

#include "protocol/pipe/HandHeldProbeReplyParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte sets the piece size, so pieces span message boundaries in every way.
    const size_t piece = static_cast<size_t>(data[0]) * 23 + 1;
    ++data;
    --size;
    orv::HandHeldProbeReplyParser parser;
    size_t done = 0;
    while (done < size) {
        const size_t count = size - done < piece ? size - done : piece;
        parser.Append(data + done, count);
        // Junk lengths are never waited for: less than one message stays held.
        if (parser.GetHeldCount() >= orv::kLargestPipeMessageSize) {
            std::abort();
        }
        done += count;
    }
    return 0;
}
