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

TEST(VisaRepliesFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        Bytes(0x01, "-42\n1.5E3,2.25\n"),
        Bytes(0x07, "#3100" + std::string(100, 'x') + "\n"),
        Bytes(0x49, "#9999999999abc"),
        Bytes(0x0F, "Rohde&Schwarz,FSV-7,101234/007,2.30\r\n"),
        Bytes(0xB5, std::string(300, 'A') + "\n#0\x01\x02\n"),
        Bytes(0xFF, "1E400,+-.\n#x\n"),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 3000), 3000);
}
