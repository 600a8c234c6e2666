// Compiled into every test program that can reach the scanner detection. The process's network source
// becomes one loopback address nobody listens on, as its only network and its limited broadcast, so no
// detection in a test ever broadcasts beyond the loopback; and the system's half of the serial port
// search is off, so no detection ever opens a real port. Tests that want the system's interfaces
// (inside a network namespace they made) install them for their scope.

#include "platform/serial/SerialPortSearch.h"
#include "tests/sim/adapter/AdapterSimulator.h"

namespace {

constexpr uint32_t kNobodysLoopbackAddress = 0x7FFEFEFEU; // 127.254.254.254

const bool g_isolated = [] {
    orv::SetNetworkInterfaceSource(
        std::make_shared<orv::test::LoopbackNetworkSource>(kNobodysLoopbackAddress));
    orv::SetSystemSerialPortSearchEnabled(false);
    return true;
}();

} // namespace
