#include "project/OverlayStartupFlag.h"

#include <atomic>

namespace orv {
namespace {

std::atomic<bool>& Flag() {
    static std::atomic<bool> flag{true};
    return flag;
}

} // namespace

bool IsOverlayStartupFlagSet() {
    return Flag().load();
}

void ClearOverlayStartupFlag() {
    Flag().store(false);
}

void ResetOverlayStartupFlag() {
    Flag().store(true);
}

} // namespace orv
