#pragma once

// What a scanner driver takes from the engine's scan set-up and devices at the moment it sends a
// command. The device manager answers it afresh at each call, so the driver follows the set-up and the
// analyser in force without holding either.

#include <cstdint>
#include <stop_token>

namespace orv {

struct ScannerSetup {
    int32_t rows = 0;
    int32_t columns = 0;
    // The analyser's two timing values for the set-up's resolution bandwidth (ms); 0 with no analyser.
    int64_t timing1 = 0;
    int64_t timing2 = 0;
    uint32_t pollIntervalMs = 10;
    // The device manager's analyser model code (29 polls the board's full switch-and-trigger every
    // 100 ms).
    int32_t analyserModelCode = 0;
    // The current scan's stop token: fired by the stop command and at the engine's end.
    std::stop_token stop{};
};

} // namespace orv
