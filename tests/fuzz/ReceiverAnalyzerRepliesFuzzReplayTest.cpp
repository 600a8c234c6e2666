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

// Floats with line feeds among their bytes, as a trace can carry.
std::string TraceData(int points) {
    std::string bytes;
    for (int i = 0; i < points; ++i) {
        const uint32_t word = i % 7 == 0 ? 0x0A0A0A0Au : std::bit_cast<uint32_t>(-80.0f + 0.01f * i);
        for (int b = 0; b < 4; ++b) {
            bytes.push_back(static_cast<char>(word >> (8 * b)));
        }
    }
    return bytes;
}

} // namespace

// Choice bits 0-1: the ZND, DSA, RSA or SSA3075X-R; bits 2-3: the trace, the status check, the
// sweep, pre-amplifier and centre queries, or the other numeric queries; bit 4: "-LogSAErrors";
// bits 5-6: a trace of 1, 5 or 101 points, or the class's own count.
TEST(ReceiverAnalyzerRepliesFuzz, ReplayedInputsEndCleanly) {
    const std::string data = TraceData(101);
    const std::vector<std::vector<uint8_t>> seeds{
        Bytes(0x40, "#3404" + data + "\n"),
        Bytes(0x50, "#3404" + data + "\n\n"),
        Bytes(0x40, "#3400" + data.substr(0, 400) + "\n"),
        Bytes(0x20, "#0" + data.substr(0, 20)),
        Bytes(0x40, "#9999999999" + data.substr(0, 200)),
        Bytes(0x41, "#3404" + data + "\n"),
        Bytes(0x42, "#3404" + data + "\n"),
        Bytes(0x43, data + "\n"),
        Bytes(0x63, TraceData(751) + "\n"),
        Bytes(0x14, "\n"),
        Bytes(0x15, "-113,\"Undefined header\"\n" + std::string(3000, 'x')),
        Bytes(0x08, "1E10\n"),
        Bytes(0x08, "0.5\n-1,\"err\"\n"),
        Bytes(0x09, "1\n0,\"No error\"\n"),
        Bytes(0x0A, "6000000000\n"),
        Bytes(0x0E, "99999999999999999999\n"),
        Bytes(0x0D, "0.1\n1.0E8\n1000\n-20\n1.0E9\n200000\n"),
        Bytes(0x0C, "0.1\n1.0E8\n1000\n-20\n1.0E9\n-5\n"),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 1500), 1500);
}
