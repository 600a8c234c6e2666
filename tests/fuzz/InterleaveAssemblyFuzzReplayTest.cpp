#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(InterleaveAssemblyFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        // spatial, level 1, 2 x 2, all probes: sub-positions 0 to 4 of 2 x 2 grids
        {0, 1, 1, 1, 0xFF, 0, 0, 0, 1, 0, 0, 2, 2, 1, 0, 2, 0, 3, 0, 4, 0, 0, 1, 1,
         0, 2, 2, 1, 0,    0, 1, 2, 0, 2, 2, 0, 1, 3, 0, 2, 2, 0, 1, 4, 0, 2, 2},
        // spectral/spatial, level 1, blind spot, 3 points: a cell outside the grid, a short spectrum
        {1, 1, 0, 0, 0xFF, 1, 3, 1, 1, 0, 0, 0, 0, 3, 3, 1, 2, 3, 1, 1, 1, 0, 9, 0, 3, 3, 1, 2, 3},
        // level 9, then packets with negative levels
        {0, 9, 3, 3, 0xFF, 0, 0, 0, 0xFF, 0, 0, 3, 3, 1, 0x80, 2, 0, 0, 0},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 5000), 5000);
}
