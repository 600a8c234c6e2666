#pragma once

// The serial ports a user can pick: the tty devices the system lists with real hardware behind them
// (USB serial adapters, CDC-ACM devices, on-board ports that are present), then the ports named in the
// port-path setting that the system does not list, such as pseudo-terminals.
//
// The port-path setting lives in the user settings under kSerialPortPathsKey: one sub-key per port,
// each with the string values "Path" (the device node) and "Description".

#include <string>
#include <vector>

namespace orv {

struct SerialPortInfo {
    std::string devicePath;   // the system's path of the device (its sysfs path); the port path for set ports
    std::string friendlyName; // "description (node name)"
    std::string description;  // what the adapter search and the arm's settings match against
    std::string portName;     // the device node, which CSerialComm::Open takes
};

inline constexpr const char* kSerialPortPathsKey = "Software\\QZV Technologies\\Orvilant\\Serial Ports";
inline constexpr const char* kSerialPortPathValue = "Path";
inline constexpr const char* kSerialPortDescriptionValue = "Description";

// The description CDC-ACM ports get: the name Windows gives that class of device, which the external
// adapter's serial search looks for.
inline constexpr const char* kCdcAcmPortDescription = "USB Serial Device";

std::vector<SerialPortInfo> SearchSerialPorts();

// Tests switch the system's half of the search off, so that no test ever touches a real port.
void SetSystemSerialPortSearchEnabled(bool enabled);
bool IsSystemSerialPortSearchEnabled();

} // namespace orv
