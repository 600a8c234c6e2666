#pragma once

// What the trace benchmarks send and measure: REAL,32 trace bytes and their definite-length block,
// and the process's resident set.

#include <string>

namespace orv::bench {

// `points` little-endian 32-bit floats rising from -80 by `step`.
std::string Real32Data(int points, double step);

// `data` as a definite-length block ("#<digits><length><data>") ended by a line feed.
std::string Real32Block(const std::string& data);

// The process's resident set in KiB (0 when it cannot be read).
long ResidentKb();

} // namespace orv::bench
