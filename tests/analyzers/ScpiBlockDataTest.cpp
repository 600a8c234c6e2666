#include "analyzers/drivers/scpi/ScpiBlockData.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {
namespace {

TEST(ScpiBlockData, HeaderDigitsAndLength) {
    EXPECT_EQ(BlockLengthDigitCount('1'), 1);
    EXPECT_EQ(BlockLengthDigitCount('9'), 9);
    EXPECT_EQ(BlockLengthDigitCount('0'), 0); // indefinite form refused
    EXPECT_EQ(BlockLengthDigitCount('A'), 0);

    struct Case {
        std::string digits;
        size_t capacity;
        bool ok;
        size_t length;
    };
    const Case cases[] = {
        {"16", 16, true, 16},  {"0016", 100, true, 16}, {"17", 16, false, 0},
        {"1A", 100, false, 0}, {"", 100, false, 0},     {"999999999", 1000, false, 0},
        {"0", 0, true, 0},     {"-1", 100, false, 0},   {"1234567890", ~size_t{0}, false, 0}};
    for (const Case& c : cases) {
        size_t length = 12345;
        EXPECT_EQ(ParseBlockLength(c.digits, c.capacity, length), c.ok) << c.digits;
        if (c.ok) {
            EXPECT_EQ(length, c.length) << c.digits;
        }
    }
}

TEST(ScpiBlockData, DecodesOnlyWholeValuesThatArrived) {
    const float values[] = {-50.5f, 0.0f, 12.25f};
    std::vector<unsigned char> bytes;
    for (const float v : values) {
        const uint32_t word = std::bit_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<unsigned char>(word >> (8 * i)));
        }
    }
    std::vector<float> out(3, -1.0f);
    EXPECT_EQ(DecodeLittleEndianSingles(bytes.data(), bytes.size(), out.data(), out.size()), 3u);
    EXPECT_EQ(out, (std::vector<float>{-50.5f, 0.0f, 12.25f}));
    // Ten bytes: two values; the third slot is left as it was.
    out.assign(3, -1.0f);
    EXPECT_EQ(DecodeLittleEndianSingles(bytes.data(), 10, out.data(), out.size(), 107.0f), 2u);
    EXPECT_EQ(out, (std::vector<float>{56.5f, 107.0f, -1.0f}));
    // Never more than the room given.
    EXPECT_EQ(DecodeLittleEndianSingles(bytes.data(), bytes.size(), out.data(), 1), 1u);
    EXPECT_EQ(DecodeLittleEndianSingles(nullptr, 8, out.data(), 3), 0u);
}

} // namespace
} // namespace orv
