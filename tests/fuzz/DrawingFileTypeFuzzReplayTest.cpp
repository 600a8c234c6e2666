#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> Bytes(uint8_t perRead, const std::string& text) {
    std::vector<uint8_t> out(text.size() + 1);
    out[0] = perRead;
    std::copy(text.begin(), text.end(), out.begin() + 1);
    return out;
}

} // namespace

TEST(DrawingFileTypeFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        Bytes(0, "IN;SP1;PU0,0;PD100,100;"),
        Bytes(0, "%XYZ*%%MOIN*%"),
        Bytes(5, std::string(1990, 'a') + "%FSLAX24Y24*%"),
        Bytes(0, std::string(3000, 'b') + "SP2;"),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
