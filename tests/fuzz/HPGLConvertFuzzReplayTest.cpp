#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

TEST(HPGLConvertFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        Bytes("IN;SP1;DT*;PU0,0;PD400,0,400,400;PA800,0;CI40;PU800,400;AA800,800,90;LBlabel*;CO note;"
              "PR;PD-400,0;AR100,100,-45;SP0;NP8;IW0,0,1000,1000;"),
        Bytes("IN;IP0,0,4000,4000;SC0,100,0,100;PU0,0;PD100,0,100,100;IP-100,0,300,400;SC0,40,0,40;PA5,5;"),
        Bytes("IN;SP1;PU400,400;PE\xE7\xE7<\xE8\xE8O\xC0O\xC0=O\xC0P\xC0:2\xE7\xE7;PE>\xE7\xE7;PE7\xE7;PD;"),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
