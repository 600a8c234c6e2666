#pragma once

namespace orv {

// Whether the engine may fall back to running without a scanner when none answers. On at start; the
// start-up switches "-NoOVP" and "-NoOVPR" clear it, and so does handling a hand-held probe node.
// One process-wide atomic flag: the project side clears it, the engine's device search reads it.
bool IsNoScannerFallbackAllowed();
void ClearNoScannerFallback();
// Allows it again (a fresh start; tests use it).
void ResetNoScannerFallback();

} // namespace orv
