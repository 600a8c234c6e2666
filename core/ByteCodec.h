#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

// Little-endian encoding of fields into and out of a byte block held by the caller. Bodies with
// large per-point arrays encode the whole array into one block and hand it to the stream with a
// single Write (or Read it with one call and decode it): the cursor stays in a register instead of
// going through the stream's window on every field.
namespace orv {

template <typename T> inline void PutLE(uint8_t*& cursor, T value) {
    static_assert(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>);
    std::memcpy(cursor, &value, sizeof(T));
    cursor += sizeof(T);
}

template <typename T> inline T GetLE(const uint8_t*& cursor) {
    static_assert(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>);
    T value;
    std::memcpy(&value, cursor, sizeof(T));
    cursor += sizeof(T);
    return value;
}

} // namespace orv
