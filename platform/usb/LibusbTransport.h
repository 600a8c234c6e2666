#pragma once

// The transport over libusb-1.0. One libusb context serves the whole process; it is made on first use
// and lives until the process ends, so that devices opened by different drivers share it.

#include "platform/usb/UsbTransport.h"

namespace orv {

class LibusbTransport final : public UsbTransport {
public:
    int CountDevices(std::uint16_t vendorId, std::uint16_t productId) override;
    UsbOpenResult Open(std::uint16_t vendorId, std::uint16_t productId, int index) override;

    // The process's transport.
    static LibusbTransport& Instance();
};

} // namespace orv
