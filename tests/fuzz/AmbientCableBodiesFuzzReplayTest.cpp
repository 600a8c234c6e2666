#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(AmbientCableBodiesFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        // An empty antenna scan body: levels, seven empty lists, trailer.
        {4, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7},
        // A cable scan file with one empty record and an empty reference.
        {2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        // A cable body in plan mode 2 with nothing in it.
        {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0},
        // A clamp body whose label count runs far past the input.
        {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F},
        // An ambient body of 20 bytes.
        {6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x41, 0, 0, 0xC8, 0x42, 0xCD, 0xCC, 0xCC, 0x3D},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
