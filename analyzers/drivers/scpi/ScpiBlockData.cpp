#include "analyzers/drivers/scpi/ScpiBlockData.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orv {

int32_t BlockLengthDigitCount(char digit) {
    return digit >= '1' && digit <= '9' ? digit - '0' : 0;
}

bool ParseBlockLength(std::string_view digits, size_t capacity, size_t& length) {
    if (digits.empty() || digits.size() > 9) {
        return false;
    }
    uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > capacity) {
        return false;
    }
    length = static_cast<size_t>(value);
    return true;
}

size_t DecodeLittleEndianSingles(const unsigned char* bytes, size_t byteCount, float* out, size_t maxValues,
                                 float offset) {
    if (bytes == nullptr || out == nullptr) {
        return 0;
    }
    const size_t count = std::min(byteCount / 4, maxValues);
    if constexpr (std::endian::native == std::endian::little) {
        // The bytes are already the machine's floats: copied whole, then offset.
        std::memcpy(out, bytes, count * 4);
        if (offset != 0.0f) {
            for (size_t i = 0; i < count; ++i) {
                out[i] += offset;
            }
        }
        return count;
    }
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* at = bytes + i * 4;
        const uint32_t word = static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
                              (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
        out[i] = std::bit_cast<float>(word) + offset;
    }
    return count;
}

} // namespace orv
