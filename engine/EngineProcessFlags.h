#pragma once

// Process-wide byte flags the engine shares with the program's windows and dialogs.

#include <atomic>
#include <cstdint>

namespace orv {

// 1 while a network scanner search runs; the search ends when it drops to 0.
std::atomic<uint8_t>& ScannerSearchRunningFlag();
// Set to 1 when the scanner board was unplugged.
std::atomic<uint8_t>& ScannerRemovedFlag();
// 1 while the driver settings page applies a driver change: the new driver is then taken without
// the connection check.
std::atomic<uint8_t>& DriverChangeApplyFlag();

} // namespace orv
