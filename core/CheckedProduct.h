#pragma once

#include <cstdint>
#include <initializer_list>

namespace orv {

// The product of sizes taken from a file or a caller, false when it does not fit 64 bits: a wrapped
// product would size a buffer far smaller than the data it is meant to hold.
inline bool CheckedProduct(std::initializer_list<uint64_t> factors, uint64_t& product) {
    uint64_t result = 1;
    for (uint64_t factor : factors) {
        if (__builtin_mul_overflow(result, factor, &result)) {
            return false;
        }
    }
    product = result;
    return true;
}

} // namespace orv
