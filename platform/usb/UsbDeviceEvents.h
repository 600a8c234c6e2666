#pragma once

// Arrivals and removals of USB devices as the system reports them: a source with a descriptor that
// becomes readable when an event waits, and the events themselves. The program's source is a libudev
// monitor of whole USB devices; tests feed events of their own through the same seam, so no test
// depends on a real device or on the udev daemon.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace orv {

struct UsbDeviceEvent {
    std::string action;     // "add", "remove", ...
    std::string subsystem;  // "usb"
    std::string deviceType; // "usb_device", "usb_interface"
    std::optional<uint16_t> vendor;
    std::optional<uint16_t> product;
};

class UsbDeviceEventSource {
public:
    UsbDeviceEventSource() = default;
    UsbDeviceEventSource(const UsbDeviceEventSource&) = delete;
    UsbDeviceEventSource& operator=(const UsbDeviceEventSource&) = delete;
    virtual ~UsbDeviceEventSource();

    // Readable while an event waits.
    virtual int GetDescriptor() const = 0;
    // The next waiting event, never blocking; empty when none waits.
    virtual std::optional<UsbDeviceEvent> ReceiveEvent() = 0;
};

// A libudev monitor of USB devices (subsystem "usb", device type "usb_device"); null, with the
// reason, where none can be made (no udev netlink, as in a container).
std::unique_ptr<UsbDeviceEventSource> MakeUdevUsbMonitor(std::string& reason);

// Vendor and product from a uevent's PRODUCT value ("4d8/fcbd/100": hexadecimal, no leading zeros).
std::optional<std::pair<uint16_t, uint16_t>> ParseUsbProductValue(const std::string& value);
// A hexadecimal vendor or model id ("04d8").
std::optional<uint16_t> ParseUsbId(const std::string& value);

} // namespace orv
