#pragma once

// The USB scanner board's transport: the board is the first attached device 04D8:FCBD, reached on
// endpoint 1 (commands out on 0x01, replies in on 0x81) of its interface 0, through the USB transport
// in force.

#include "platform/usb/UsbTransport.h"

#include <cstdint>
#include <memory>
#include <span>

namespace orv {

class CUSBEngine {
public:
    static constexpr std::uint16_t kVendorId = 0x04D8;
    static constexpr std::uint16_t kProductId = 0xFCBD;
    static constexpr std::uint8_t kWriteEndpoint = 0x01;
    static constexpr std::uint8_t kReadEndpoint = 0x81;

    CUSBEngine();
    ~CUSBEngine();
    CUSBEngine(const CUSBEngine&) = delete;
    CUSBEngine& operator=(const CUSBEngine&) = delete;

    // The attached boards.
    int GetDeviceCount();
    // Opens the first board; true at once when already open.
    bool Open();
    void Close();
    bool IsOpened() const { return m_opened != 0; }
    // How the last open ended (access refused, nothing attached, ...).
    UsbOpenStatus GetLastOpenStatus() const { return m_lastOpenStatus; }

    // One transfer each, up to the time-out. True when the transfer completed; `transferred` is then
    // the count moved, which a read may find shorter than asked. A time-out, a lost board, an
    // overflowing reply or any other failure is false; a failed completion (not a time-out) prints
    // "Error: %d" with the transport's code to the standard output.
    bool Write(std::span<const std::uint8_t> bytes, std::uint32_t& transferred, std::uint32_t timeoutMs);
    bool Read(std::span<std::uint8_t> buffer, std::uint32_t& transferred, std::uint32_t timeoutMs);

private:
    bool Transfer(std::uint8_t endpoint, std::span<std::uint8_t> data, std::uint32_t& transferred,
                  std::uint32_t timeoutMs);

    std::uint8_t m_opened = 0;
    std::unique_ptr<UsbDevice> m_device;
    UsbOpenStatus m_lastOpenStatus = UsbOpenStatus::NotFound;
};

} // namespace orv
