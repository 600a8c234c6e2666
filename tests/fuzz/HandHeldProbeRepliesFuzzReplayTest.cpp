#include "tests/fuzz/FuzzReplay.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> Message(uint8_t piece, uint16_t type, uint32_t length, size_t bodySize) {
    std::vector<uint8_t> bytes(1 + 6 + bodySize, 0x45);
    bytes[0] = piece;
    std::memcpy(bytes.data() + 1, &type, 2);
    std::memcpy(bytes.data() + 3, &length, 4);
    return bytes;
}

} // namespace

TEST(HandHeldProbeRepliesFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        Message(0, 1002, 10, 4),         Message(3, 1003, 12, 6),          Message(255, 1002, 6, 8),
        Message(1, 7, 0xFFFFFFFFu, 600), Message(200, 1002, 10240, 12000),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 3000), 3000);
}
