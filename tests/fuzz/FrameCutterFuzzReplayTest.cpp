#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(FrameCutterFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        // reads of 5: a reply, garbage, a terminator
        {4,    0x2A, 0,    0, 4, 0,   4, 0, 0, 0, 1, 2,    3,    4,    0x00,
         0x41, 0x2A, 0x2A, 0, 0, 103, 0, 4, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF},
        // a body size whose frame length wraps 32 bits, then a 9-byte frame
        {0, 0x2A, 0, 0, 5, 0, 0xF7, 0xFF, 0xFF, 0xFF, 0x2A, 0, 0, 103, 0, 0, 0, 0, 0},
        // a frame start waiting for a body that never comes
        {63, 0x2A, 0, 0, 100, 0, 0x00, 0x10, 0, 0, 7, 7, 7},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
