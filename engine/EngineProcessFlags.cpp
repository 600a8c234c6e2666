#include "engine/EngineProcessFlags.h"

namespace orv {

std::atomic<uint8_t>& ScannerSearchRunningFlag() {
    static std::atomic<uint8_t> flag{0};
    return flag;
}

std::atomic<uint8_t>& ScannerRemovedFlag() {
    static std::atomic<uint8_t> flag{0};
    return flag;
}

std::atomic<uint8_t>& DriverChangeApplyFlag() {
    static std::atomic<uint8_t> flag{0};
    return flag;
}

} // namespace orv
