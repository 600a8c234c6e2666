#include "platform/usb/UsbTransport.h"

#include "platform/usb/LibusbTransport.h"

#include <atomic>

namespace orv {

namespace {
std::atomic<UsbTransport*> g_installed{nullptr};
} // namespace

UsbTransport& CurrentUsbTransport() {
    if (UsbTransport* installed = g_installed.load(std::memory_order_acquire)) {
        return *installed;
    }
    return LibusbTransport::Instance();
}

ScopedUsbTransportInstall::ScopedUsbTransportInstall(UsbTransport& transport)
    : m_previous(g_installed.exchange(&transport, std::memory_order_acq_rel)) {}

ScopedUsbTransportInstall::~ScopedUsbTransportInstall() {
    g_installed.store(m_previous, std::memory_order_release);
}

const char* UsbOpenStatusText(UsbOpenStatus status) {
    switch (status) {
    case UsbOpenStatus::Opened:
        return "opened";
    case UsbOpenStatus::NotFound:
        return "no such device attached";
    case UsbOpenStatus::AccessDenied:
        return "access denied";
    case UsbOpenStatus::Busy:
        return "interface in use by another program";
    case UsbOpenStatus::Failed:
        break;
    }
    return "open failed";
}

} // namespace orv
