#pragma once

namespace orv {

// The application-wide start-up flag of the overlay: set when the program starts; the command-line
// switches "-NoOVP" and "-NoOVPR" clear it, and so does making a hand-held probe node. It is the very
// flag that allows the engine's fall-back to running without a scanner (core/NoScannerFallback.h):
// these functions forward to it.
bool IsOverlayStartupFlagSet();
void ClearOverlayStartupFlag();
// Sets it again (a fresh start; the tests use it).
void ResetOverlayStartupFlag();

} // namespace orv
