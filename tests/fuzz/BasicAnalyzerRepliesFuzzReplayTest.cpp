#include "tests/fuzz/FuzzReplay.h"

#include <bit>
#include <gtest/gtest.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> Bytes(uint8_t choice, const std::string& text) {
    const std::string all = std::string(1, static_cast<char>(choice)) + text;
    return std::vector<uint8_t>(all.begin(), all.end());
}

// 461 floats with line feeds among their bytes, as a trace can carry.
std::string TraceData() {
    std::string bytes;
    for (int i = 0; i < 461; ++i) {
        const uint32_t word = i % 7 == 0 ? 0x0A0A0A0Au : std::bit_cast<uint32_t>(-80.0f + 0.01f * i);
        for (int b = 0; b < 4; ++b) {
            bytes.push_back(static_cast<char>(word >> (8 * b)));
        }
    }
    return bytes;
}

} // namespace

// Choice bit 0: the N9324C (else the N9320B); bits 1-2: the trace, error, pre-amplifier or level
// query; bit 3: "-LogSAErrors".
TEST(BasicAnalyzerRepliesFuzz, ReplayedInputsEndCleanly) {
    const std::string data = TraceData();
    const std::vector<std::vector<uint8_t>> seeds{
        Bytes(0x00, data + "\n"),
        Bytes(0x01, "#41844" + data + "\n"),
        Bytes(0x01, "#42843" + data + std::string(999, '\0') + "\n"),
        Bytes(0x01, "#9999999999" + data.substr(0, 200)),
        Bytes(0x0A, "+0,\"No error\"\n-113,\"Undefined header\"\n"),
        Bytes(0x0B, std::string(3000, 'x')),
        Bytes(0x04, "1\n"),
        Bytes(0x0D, "-12,\"Err\"\n+1\n"),
        Bytes(0x07, "-1.5E+01\n1.0E9\n"),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 1500), 1500);
}
