#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(ContainerBodiesFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        {0, 2, 0, 0, 0, 5, 0, 1, 0, 2, 0, 6, 0, 3, 0, 4, 0},
        {1, 1, 0, 0, 0, 2, 0, 0, 0, 9, 0, 8, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0, 0x40},
        {3, 0,    0,    0, 0, 4, 0, 0, 0, 23, 0, 0, 0, 0, 0, 0x20, 0x41, 0,
         0, 0xC8, 0x42, 0, 0, 0, 0, 1, 0, 1,  0, 1, 1, 0, 1, 0,    100,  0},
        {4, 0, 0, 0, 0, 0, 0, 0, 0},
        {5, 0x2A, 0, 0, 0x67, 0, 4, 0, 0, 0, 1, 0, 0, 0},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
