#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(CommandParserFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        // A reset, an empty-grid set-up, a set cell and a stop.
        {0x05, 0x2A, 0, 0, 7, 0, 4, 0, 0, 0,    1, 2, 3, 4, 0x2A, 0, 0, 10,
         0,    4,    0, 0, 0, 1, 0, 2, 0, 0x2A, 0, 0, 3, 0, 0,    0, 0, 0},
        // A set-up header claiming a 1 x 1 grid with a cut body, then the engine version.
        {0x11, 0x2A, 0, 0, 1, 0, 20, 0, 0, 0, 99, 0,    1, 0, 1, 0, 1, 1, 0, 1,
         0,    5,    0, 0, 0, 0, 0,  0, 0, 0, 0,  0x2A, 0, 0, 8, 0, 0, 0, 0, 0},
        // Noise, a stray marker, an unknown id and an over-long length.
        {0x01, 'a', 0x2A, 3, 0x2A, 0, 0, 0x99, 0x10, 1, 0, 0, 0, 0xFF, 0x2A, 0, 0, 7, 0, 0xFF, 0xFF, 0, 0, 1},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 3000), 3000);
}
