#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(RecordsFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        // spectral, two points
        {0x2A, 0, 0, 99, 0, 19, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0xFB, 0xFF, 1, 0, 2, 0, 7, 0, 3, 0, 4, 0},
        // spectral in the real-time analyser's form: one 12-byte record
        {0x2A, 0, 0, 99, 0, 19, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0x80, 0x3F, 1, 0, 2, 0, 3, 0, 4, 0},
        // spatial, 1 x 2 at level 1, then a measured-frequency table of one entry
        {0x2A, 0, 0,    100, 0, 17,  0, 0,  0, 1, 1, 1, 1, 0, 2, 0, 0, 0, 0, 0, 5, 0,    9,   0,
         8,    0, 0x2A, 0,   0, 102, 0, 12, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0x80, 0x3F},
        // spectral/spatial component and hand-held probe record, one point each
        {0x2A, 0,    0, 101, 0,   15, 0,  0, 0, 1, 2, 0, 1, 0, 2, 0, 3, 0, 1, 0, 0, 0, 9,
         0,    0x2A, 0, 0,   112, 0,  13, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0, 1, 0, 0, 0, 9, 0},
        // progress, general module, cable, ambient
        {0x2A, 0, 0,    105,  0,  15,  0,   0,  0, 1, 0, 2, 0, 3, 0, 1, 0, 1, 0, 0, 4,
         0,    5, 0,    0x2A, 0,  0,   108, 0,  8, 0, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0x2A,
         0,    0, 106,  0,    15, 0,   0,   0,  1, 0, 0, 0, 7, 0, 2, 0, 0, 3, 0, 0, 0,
         0,    0, 0x2A, 0,    0,  107, 0,   10, 0, 0, 0, 1, 0, 0, 0, 7, 0, 1, 0, 2, 0},
        // the spectral family
        {0x2A, 0, 0, 109,  0, 4, 0,   0, 0,  0, 0, 0, 0, 0x2A, 0, 0, 110, 0, 4, 0, 0, 0, 0,
         0,    0, 0, 0x2A, 0, 0, 111, 0, 10, 0, 0, 0, 1, 0,    0, 0, 1,   0, 2, 0, 3, 0},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
