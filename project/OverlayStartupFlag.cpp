#include "project/OverlayStartupFlag.h"

#include "core/NoScannerFallback.h"

namespace orv {

bool IsOverlayStartupFlagSet() {
    return IsNoScannerFallbackAllowed();
}

void ClearOverlayStartupFlag() {
    ClearNoScannerFallback();
}

void ResetOverlayStartupFlag() {
    ResetNoScannerFallback();
}

} // namespace orv
