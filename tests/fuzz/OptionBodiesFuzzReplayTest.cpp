#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(OptionBodiesFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        {6, 3, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0, 7, 0, 0, 0},
        {8, 0x9C, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 1, 0, 0, 0},
        {12, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0},
        {22, 1, 0, 20, 0, 0, 0, 0, 0, 0x40, 0x40, 1, 25, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0xA0, 0x40, 0, 0, 0, 0},
        {18, 0, 0, 0, 0},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
