#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(AdapterFrameFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        {0x02, 0x00, 0x01, 'j', 0x6B, 0x03},
        {0x55, 0x02, 0x00, 0x03, 'd', 1, 2, 0x6A, 0x03, 0x02, 0x00, 0x00, 0x00, 0x03},
        {0x02, 0xFF, 0xFF, 0x02, 0x02},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
