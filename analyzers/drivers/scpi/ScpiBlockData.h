#pragma once

// The pieces of an IEEE 488.2 definite-length block ("#", one digit 1-9 giving how many length
// digits follow, the length, then the data) and of the REAL,32 traces carried in one. The length is
// judged before any data is read, so an instrument's count never sizes a buffer unchecked.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orv {

// The number of length digits a block announces ('1'..'9'), or 0 when `digit` is none of them ("#0",
// the indefinite form, is refused: its end cannot be told from a data byte).
int32_t BlockLengthDigitCount(char digit);

// Reads the length digits; false when one is not a digit or the length exceeds `capacity`.
bool ParseBlockLength(std::string_view digits, size_t capacity, size_t& length);

// Decodes little-endian 32-bit floats from the bytes that arrived: min(byteCount / 4, maxValues)
// values, each plus `offset`. Returns how many were written.
size_t DecodeLittleEndianSingles(const unsigned char* bytes, size_t byteCount, float* out, size_t maxValues,
                                 float offset = 0.0f);

} // namespace orv
