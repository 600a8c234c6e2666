#include "core/NoScannerFallback.h"

#include <atomic>

namespace orv {
namespace {

std::atomic<bool>& Flag() {
    static std::atomic<bool> flag{true};
    return flag;
}

} // namespace

bool IsNoScannerFallbackAllowed() {
    return Flag().load();
}

void ClearNoScannerFallback() {
    Flag().store(false);
}

void ResetNoScannerFallback() {
    Flag().store(true);
}

} // namespace orv
