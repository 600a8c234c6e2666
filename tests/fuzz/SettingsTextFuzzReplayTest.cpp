#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

} // namespace

TEST(SettingsTextFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        Bytes("[Software\\QZV Technologies\\Scan Heads]\n\"1\"=sz:\"Probe,1,2,3,4,5,6,7\"\n\"b\"=dword:1f\n"
              "\"c\"=hex:00,ff\n[Software]\n\"\"=sz:\"\\x01\\\\\\\"\"\n"),
        Bytes("[Orvilant Info]\r\nScanner Detecting = \"USB\" \r\n;c\r\n[Orvilant Info]\r\nA=b;c\r\n"),
        Bytes("[a\\b\\c\\d]\n[A]\n\"x\"=sz:\"\n"),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
