#include "platform/usb/UsbDeviceEvents.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <libudev.h>

namespace orv {

UsbDeviceEventSource::~UsbDeviceEventSource() = default;

std::optional<uint16_t> ParseUsbId(const std::string& value) {
    unsigned number = 0;
    const char* end = value.data() + value.size();
    const auto [last, error] = std::from_chars(value.data(), end, number, 16);
    if (value.empty() || error != std::errc() || last != end || number > 0xFFFFU) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(number);
}

std::optional<std::pair<uint16_t, uint16_t>> ParseUsbProductValue(const std::string& value) {
    const std::size_t first = value.find('/');
    const std::size_t second = first == std::string::npos ? std::string::npos : value.find('/', first + 1);
    if (second == std::string::npos) {
        return std::nullopt;
    }
    const std::optional<uint16_t> vendor = ParseUsbId(value.substr(0, first));
    const std::optional<uint16_t> product = ParseUsbId(value.substr(first + 1, second - first - 1));
    if (!vendor || !product) {
        return std::nullopt;
    }
    return std::make_pair(*vendor, *product);
}

namespace {

std::string Text(const char* value) {
    return value != nullptr ? std::string(value) : std::string();
}

class UdevUsbMonitor final : public UsbDeviceEventSource {
public:
    UdevUsbMonitor(udev* context, udev_monitor* monitor) : m_context(context), m_monitor(monitor) {}
    ~UdevUsbMonitor() override {
        udev_monitor_unref(m_monitor);
        udev_unref(m_context);
    }

    int GetDescriptor() const override { return udev_monitor_get_fd(m_monitor); }

    // The monitor's socket is non-blocking: without a waiting event this returns at once.
    std::optional<UsbDeviceEvent> ReceiveEvent() override {
        udev_device* device = udev_monitor_receive_device(m_monitor);
        if (device == nullptr) {
            return std::nullopt;
        }
        UsbDeviceEvent event;
        event.action = Text(udev_device_get_action(device));
        event.subsystem = Text(udev_device_get_subsystem(device));
        event.deviceType = Text(udev_device_get_devtype(device));
        // A removed device has no attributes left; its event still carries its ids.
        if (const auto ids = ParseUsbProductValue(Text(udev_device_get_property_value(device, "PRODUCT")))) {
            event.vendor = ids->first;
            event.product = ids->second;
        } else {
            event.vendor = ParseUsbId(Text(udev_device_get_property_value(device, "ID_VENDOR_ID")));
            event.product = ParseUsbId(Text(udev_device_get_property_value(device, "ID_MODEL_ID")));
        }
        udev_device_unref(device);
        return event;
    }

private:
    udev* m_context;
    udev_monitor* m_monitor;
};

} // namespace

std::unique_ptr<UsbDeviceEventSource> MakeUdevUsbMonitor(std::string& reason) {
    udev* context = udev_new();
    if (context == nullptr) {
        reason = "udev_new failed";
        return nullptr;
    }
    errno = 0;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor == nullptr) {
        reason = std::string("udev_monitor_new_from_netlink: ") + std::strerror(errno != 0 ? errno : ENOSYS);
        udev_unref(context);
        return nullptr;
    }
    const int filtered = udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device");
    const int enabled = filtered < 0 ? filtered : udev_monitor_enable_receiving(monitor);
    if (enabled < 0) {
        reason = std::string("udev_monitor_enable_receiving: ") + std::strerror(-enabled);
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevUsbMonitor>(context, monitor);
}

} // namespace orv
