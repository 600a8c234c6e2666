#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Version 5.1.2.0, no overlays, then `count` entries; the first a Preferences frame (id body).
std::vector<uint8_t> Head(uint8_t count) {
    return {5, 0, 1, 0, 2,    0,    0,    0, 0, 0, 0, 0, count, 0, 0, 0,
            9, 0, 0, 0, 0x2A, 0xD0, 0x07, 4, 0, 0, 0, 1, 0,     0, 0};
}

std::vector<uint8_t> WithEntry(std::vector<uint8_t> bytes, uint16_t type,
                               const std::vector<uint8_t>& section) {
    const std::vector<uint8_t> entry{
        2, 0, 0, 0, 2, 0, 0, 0, 0x2A, static_cast<uint8_t>(type & 0xFF), static_cast<uint8_t>(type >> 8),
        4, 0, 0, 0, 2, 0, 0, 0};
    bytes.insert(bytes.end(), entry.begin(), entry.end());
    bytes.insert(bytes.end(), 128, 0);
    bytes.insert(bytes.end(), section.begin(), section.end());
    return bytes;
}

} // namespace

TEST(ProjectFileFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        WithEntry(Head(2), 2007, {}),
        WithEntry(Head(2), 2003, {1, 0, 0, 0, 7, 0, 0, 0, 0, 0}),
        WithEntry(Head(2), 2004, {0xFF, 0xFF, 0xFF, 0x7F}),
        WithEntry(Head(2), 2005, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0}),
        WithEntry(Head(2), 2011, {1, 1, 0, 0, 0}),
        WithEntry(Head(2), 2017, {1, 0, 0, 0, 3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x0F}),
        {5, 0, 1, 0, 2, 0, 0,    0,    1, 0, 0,    0,    2, 1, 0,
         0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 4},
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 20000), 20000);
}
