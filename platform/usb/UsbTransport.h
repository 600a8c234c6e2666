#pragma once

// The seam between the program and USB devices. Drivers reach a USB device only through the transport
// in force: the libusb one in the program, a fake in the tests, so that no test ever opens a real
// device and every transfer a driver makes can be checked.

#include <cstdint>
#include <memory>
#include <span>

namespace orv {

enum class UsbTransferStatus : std::uint8_t {
    Done,       // the whole transfer went through (count may still be short on a read)
    TimedOut,   // nothing completed within the time-out; the transfer was cancelled
    DeviceLost, // the device went away (unplugged, or reset under us)
    Overflow,   // the device sent more than the buffer holds
    Failed,     // any other failure
};

struct UsbTransferResult {
    UsbTransferStatus status = UsbTransferStatus::Failed;
    int count = 0; // bytes moved, even when the transfer failed part-way
    int code = 0;  // the transport's own error code, 0 when done
};

enum class UsbOpenStatus : std::uint8_t {
    Opened,
    NotFound,     // fewer attached devices of the vendor and product than the index asked
    AccessDenied, // the device is there but the user may not open it (no udev rule)
    Busy,         // another program holds interface 0
    Failed,
};

// An opened device with interface 0 claimed. Closing releases the interface and the device.
class UsbDevice {
public:
    virtual ~UsbDevice() = default;
    // One synchronous transfer on `endpoint` (bit 7 set: device to host, filling `data`; clear: host
    // to device, sending `data`) of the transfer type the endpoint's descriptor gives.
    virtual UsbTransferResult Transfer(std::uint8_t endpoint, std::span<std::uint8_t> data,
                                       std::uint32_t timeoutMs) = 0;
};

struct UsbOpenResult {
    UsbOpenStatus status = UsbOpenStatus::Failed;
    std::unique_ptr<UsbDevice> device; // set only when opened
};

class UsbTransport {
public:
    virtual ~UsbTransport() = default;
    // The attached devices that match vendor and product.
    virtual int CountDevices(std::uint16_t vendorId, std::uint16_t productId) = 0;
    // Opens the index-th matching device (in the system's order) and claims its interface 0, taking
    // it from a kernel driver that holds it.
    virtual UsbOpenResult Open(std::uint16_t vendorId, std::uint16_t productId, int index) = 0;
};

// The transport in force for the whole process: the installed one, else the libusb transport.
UsbTransport& CurrentUsbTransport();

// Installs a transport for the process while the object lives and puts the previous one back after.
// Tests only: install before drivers that use it are made, remove after they are gone.
class ScopedUsbTransportInstall {
public:
    explicit ScopedUsbTransportInstall(UsbTransport& transport);
    ~ScopedUsbTransportInstall();
    ScopedUsbTransportInstall(const ScopedUsbTransportInstall&) = delete;
    ScopedUsbTransportInstall& operator=(const ScopedUsbTransportInstall&) = delete;

private:
    UsbTransport* m_previous;
};

const char* UsbOpenStatusText(UsbOpenStatus status);

} // namespace orv
