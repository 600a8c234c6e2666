#include "platform/usb/LibusbTransport.h"

#include <libusb.h>

#include <climits>
#include <mutex>

namespace orv {

namespace {

// The process's libusb context, made once; null when libusb could not start (no USB support at all),
// in which case no device is ever found.
libusb_context* ProcessContext() {
    static libusb_context* context = [] {
        libusb_context* made = nullptr;
        if (libusb_init(&made) != LIBUSB_SUCCESS) {
            return static_cast<libusb_context*>(nullptr);
        }
        return made;
    }();
    return context;
}

UsbOpenStatus OpenStatusOf(int libusbError) {
    switch (libusbError) {
    case LIBUSB_ERROR_ACCESS:
        return UsbOpenStatus::AccessDenied;
    case LIBUSB_ERROR_BUSY:
        return UsbOpenStatus::Busy;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND:
        return UsbOpenStatus::NotFound;
    default:
        return UsbOpenStatus::Failed;
    }
}

// The devices the system lists, freed with their references when the object goes.
class DeviceList {
public:
    explicit DeviceList(libusb_context* context) {
        const ssize_t listed = context != nullptr ? libusb_get_device_list(context, &m_devices) : 0;
        m_count = listed > 0 ? listed : 0;
    }
    ~DeviceList() {
        if (m_devices != nullptr) {
            libusb_free_device_list(m_devices, 1);
        }
    }
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;

    // The index-th device matching vendor and product, else null; `matching` gets their number.
    libusb_device* Find(std::uint16_t vendorId, std::uint16_t productId, int index, int& matching) const {
        libusb_device* found = nullptr;
        matching = 0;
        for (ssize_t i = 0; i < m_count; ++i) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(m_devices[i], &descriptor) != LIBUSB_SUCCESS ||
                descriptor.idVendor != vendorId || descriptor.idProduct != productId) {
                continue;
            }
            if (matching == index) {
                found = m_devices[i];
            }
            ++matching;
        }
        return found;
    }

private:
    libusb_device** m_devices = nullptr;
    ssize_t m_count = 0;
};

constexpr int kInterface = 0;

class LibusbDevice final : public UsbDevice {
public:
    explicit LibusbDevice(libusb_device_handle* handle) : m_handle(handle) { ReadEndpointTypes(); }
    ~LibusbDevice() override {
        libusb_release_interface(m_handle, kInterface);
        libusb_close(m_handle);
    }
    LibusbDevice(const LibusbDevice&) = delete;
    LibusbDevice& operator=(const LibusbDevice&) = delete;

    UsbTransferResult Transfer(std::uint8_t endpoint, std::span<std::uint8_t> data,
                               std::uint32_t timeoutMs) override {
        UsbTransferResult result;
        if (data.size() > static_cast<std::size_t>(INT_MAX)) {
            result.status = UsbTransferStatus::Failed;
            result.code = LIBUSB_ERROR_INVALID_PARAM;
            return result;
        }
        int moved = 0;
        const int length = static_cast<int>(data.size());
        // A synchronous transfer that runs out of time is cancelled by libusb before it returns.
        const int error =
            IsInterrupt(endpoint)
                ? libusb_interrupt_transfer(m_handle, endpoint, data.data(), length, &moved, timeoutMs)
                : libusb_bulk_transfer(m_handle, endpoint, data.data(), length, &moved, timeoutMs);
        result.count = moved;
        result.code = error;
        switch (error) {
        case LIBUSB_SUCCESS:
            result.status = UsbTransferStatus::Done;
            break;
        case LIBUSB_ERROR_TIMEOUT:
            result.status = UsbTransferStatus::TimedOut;
            break;
        case LIBUSB_ERROR_NO_DEVICE:
            result.status = UsbTransferStatus::DeviceLost;
            break;
        case LIBUSB_ERROR_OVERFLOW:
            result.status = UsbTransferStatus::Overflow;
            break;
        default:
            result.status = UsbTransferStatus::Failed;
            break;
        }
        return result;
    }

private:
    // The board's endpoints may be bulk or interrupt; the descriptor says which. Anything not listed
    // is taken as bulk and left to libusb to refuse.
    void ReadEndpointTypes() {
        libusb_config_descriptor* config = nullptr;
        if (libusb_get_active_config_descriptor(libusb_get_device(m_handle), &config) != LIBUSB_SUCCESS) {
            return;
        }
        if (config->bNumInterfaces > kInterface && config->interface[kInterface].num_altsetting > 0) {
            const libusb_interface_descriptor& alt = config->interface[kInterface].altsetting[0];
            for (int i = 0; i < alt.bNumEndpoints; ++i) {
                const libusb_endpoint_descriptor& ep = alt.endpoint[i];
                if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_INTERRUPT) {
                    SetInterrupt(ep.bEndpointAddress);
                }
            }
        }
        libusb_free_config_descriptor(config);
    }
    void SetInterrupt(std::uint8_t endpoint) {
        const unsigned bit = (endpoint & 0x0FU) + ((endpoint & 0x80U) != 0 ? 16U : 0U);
        m_interruptEndpoints |= 1U << bit;
    }
    bool IsInterrupt(std::uint8_t endpoint) const {
        const unsigned bit = (endpoint & 0x0FU) + ((endpoint & 0x80U) != 0 ? 16U : 0U);
        return (m_interruptEndpoints & (1U << bit)) != 0;
    }

    libusb_device_handle* m_handle;
    std::uint32_t m_interruptEndpoints = 0;
};

} // namespace

LibusbTransport& LibusbTransport::Instance() {
    static LibusbTransport transport;
    return transport;
}

int LibusbTransport::CountDevices(std::uint16_t vendorId, std::uint16_t productId) {
    const DeviceList list(ProcessContext());
    int matching = 0;
    list.Find(vendorId, productId, -1, matching);
    return matching;
}

UsbOpenResult LibusbTransport::Open(std::uint16_t vendorId, std::uint16_t productId, int index) {
    UsbOpenResult result;
    const DeviceList list(ProcessContext());
    int matching = 0;
    libusb_device* device = list.Find(vendorId, productId, index, matching);
    if (device == nullptr) {
        result.status = UsbOpenStatus::NotFound;
        return result;
    }
    libusb_device_handle* handle = nullptr;
    if (const int error = libusb_open(device, &handle); error != LIBUSB_SUCCESS) {
        result.status = OpenStatusOf(error);
        return result;
    }
    // A kernel driver bound to the interface is detached while we hold it and given back on release.
    libusb_set_auto_detach_kernel_driver(handle, 1);
    if (const int error = libusb_claim_interface(handle, kInterface); error != LIBUSB_SUCCESS) {
        libusb_close(handle);
        result.status = OpenStatusOf(error);
        return result;
    }
    result.status = UsbOpenStatus::Opened;
    result.device = std::make_unique<LibusbDevice>(handle);
    return result;
}

} // namespace orv
