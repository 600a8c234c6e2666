#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv::test {

using FuzzEntry = int (*)(const uint8_t*, size_t);

// Feeds every seed whole and cut at every length (a seed above 4096 bytes at 4096 lengths spread over
// it), then `rounds` mutated seeds and random inputs;
// returns how many inputs ran. Failures show as sanitizer reports or traps inside the entry.
int ReplayFuzzInputs(FuzzEntry entry, const std::vector<std::vector<uint8_t>>& seeds, int rounds);

} // namespace orv::test
