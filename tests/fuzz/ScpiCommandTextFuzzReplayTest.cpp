#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> Bytes(uint8_t choice, const std::string& text) {
    const std::string all = std::string(1, static_cast<char>(choice)) + text;
    return std::vector<uint8_t>(all.begin(), all.end());
}

} // namespace

TEST(ScpiCommandTextFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        Bytes(0, "100%% done"),
        Bytes(1, ":UNIT:POWER %-20.3s;%%"),
        Bytes(2, ":INPUT:Attenuation %+05d DB;"),
        Bytes(3, ":RLEV %f;"),
        Bytes(3, "%999.999f"),
        Bytes(1, "%s%s%n%*d"),
        Bytes(5, "#41000\x01\x02\x03\x04"),
        Bytes(5, "#9999999999"),
        Bytes(4 + 6 * 5, "1,2,3,4,5\n"),
        Bytes(4 + 6 * 3, " -1.5E+1, 2 ,3,\r\n"),
        Bytes(4 + 6 * 2, "1,,x,1e999\n"),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 3000), 3000);
}
