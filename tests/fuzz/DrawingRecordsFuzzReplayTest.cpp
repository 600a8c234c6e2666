#include "tests/fuzz/FuzzReplay.h"

#include <gtest/gtest.h>

#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Records of the given kinds and parameters (size 3 + parameters unless given), joined.
std::vector<uint8_t> Blob(std::initializer_list<std::pair<uint16_t, std::vector<int>>> records,
                          uint32_t lastSize = 0) {
    std::vector<uint8_t> out;
    auto put16 = [&out](unsigned value) {
        out.push_back(static_cast<uint8_t>(value & 0xFFU));
        out.push_back(static_cast<uint8_t>((value >> 8) & 0xFFU));
    };
    size_t index = 0;
    for (const auto& [kind, params] : records) {
        const bool last = ++index == records.size();
        const uint32_t words = last && lastSize != 0 ? lastSize : 3 + static_cast<uint32_t>(params.size());
        put16(words & 0xFFFFU);
        put16(words >> 16);
        put16(kind);
        for (int value : params) {
            put16(static_cast<uint16_t>(value));
        }
    }
    return out;
}

} // namespace

TEST(DrawingRecordsFuzz, ReplayedInputsEndCleanly) {
    const std::vector<std::vector<uint8_t>> seeds{
        Blob({{0x010A, {3, 2, -100, 50}},
              {0x0212, {-21, 22, 1, 4, 23, 24, 25, 26, 27}},
              {0x0321, {-51, 52, 53, 54, 55, 56, 57, 58, 400}},
              {0x0322, {61, -62, 63, 64, 65, 66}},
              {0x0326, {-71, -72, 0, 1, 5, 73, 6, 74, 75, 76}},
              {0x0418, {-81, 82, 83, -84}},
              {0x041B, {91, 92, -93, 94}},
              {0x0817, {-101, -102, 103, 104, -105, 106, 107, -108}},
              {0x0818, {-32768, 32767, 3, 111, 112, 113}},
              {0x0819, {121, -122, 4, 123, 124, 125, 126}},
              {0, {}}}),
        Blob({{0x0214, {20, 10}}, {0x0411, {1, 2, 3}}, {0x0213, {-4, 3}}, {0x0211, {5, 6}}, {0, {}}}),
        Blob({{0x0818, {1, 2, 3, 4, 5, 6}}, {0x0213, {1, 2}}}, 15),
    };
    EXPECT_GT(orv::test::ReplayFuzzInputs(&LLVMFuzzerTestOneInput, seeds, 40000), 40000);
}
