#include "engine/scanners/CUSBEngine.h"

#include <cstdio>
#include <vector>

namespace orv {

CUSBEngine::CUSBEngine() = default;

CUSBEngine::~CUSBEngine() {
    Close();
}

int CUSBEngine::GetDeviceCount() {
    return CurrentUsbTransport().CountDevices(kVendorId, kProductId);
}

bool CUSBEngine::Open() {
    if (m_opened != 0) {
        return true;
    }
    UsbOpenResult result = CurrentUsbTransport().Open(kVendorId, kProductId, 0);
    m_lastOpenStatus = result.status;
    if (result.status != UsbOpenStatus::Opened || !result.device) {
        return false;
    }
    m_device = std::move(result.device);
    m_opened = 1;
    return true;
}

void CUSBEngine::Close() {
    m_device.reset();
    m_opened = 0;
}

bool CUSBEngine::Write(std::span<const std::uint8_t> bytes, std::uint32_t& transferred,
                       std::uint32_t timeoutMs) {
    // The transfer buffer of an OUT transfer is not written, but the seam takes one span for both ways.
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    return Transfer(kWriteEndpoint, copy, transferred, timeoutMs);
}

bool CUSBEngine::Read(std::span<std::uint8_t> buffer, std::uint32_t& transferred, std::uint32_t timeoutMs) {
    return Transfer(kReadEndpoint, buffer, transferred, timeoutMs);
}

bool CUSBEngine::Transfer(std::uint8_t endpoint, std::span<std::uint8_t> data, std::uint32_t& transferred,
                          std::uint32_t timeoutMs) {
    transferred = 0;
    if (!m_device) {
        return false;
    }
    const UsbTransferResult result = m_device->Transfer(endpoint, data, timeoutMs);
    transferred = result.count > 0 ? static_cast<std::uint32_t>(result.count) : 0U;
    switch (result.status) {
    case UsbTransferStatus::Done:
        return true;
    case UsbTransferStatus::TimedOut:
        return false;
    case UsbTransferStatus::DeviceLost:
    case UsbTransferStatus::Overflow:
    case UsbTransferStatus::Failed:
        break;
    }
    std::printf("Error: %d\n", result.code);
    std::fflush(stdout);
    return false;
}

} // namespace orv
