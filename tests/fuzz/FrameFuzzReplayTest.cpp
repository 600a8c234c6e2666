#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(FrameFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        {0x2A, 0, 0, 0x09, 0, 0, 0, 0, 0},
        {0x2A, 0, 0, 0x63, 0, 4, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c', 0x2A, 0xD5, 0x07, 0, 0, 0, 0},
        {0x2A, 0, 0, 0x63, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
