#pragma once

// Linked into a benchmark, replaces the global allocation functions with ones that count every byte
// asked for, so that the benchmark can report how much a run allocates.

#include <cstdint>

namespace orv::bench {

// Bytes allocated through operator new since the program started.
uint64_t AllocatedBytes();

} // namespace orv::bench
