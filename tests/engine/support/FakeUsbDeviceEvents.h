#pragma once

// A USB device event source the test feeds: events pushed here wake the watch through a descriptor of
// its own, as the udev monitor's would. WaitDrained tells when the watch has taken (and handled) every
// event pushed so far: it asks for the next one and finds none.

#include "platform/usb/UsbDeviceEvents.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace orv::test {

class FakeUsbDeviceEvents final : public UsbDeviceEventSource {
public:
    FakeUsbDeviceEvents();
    ~FakeUsbDeviceEvents() override;

    int GetDescriptor() const override { return m_fd; }
    std::optional<UsbDeviceEvent> ReceiveEvent() override;

    void Push(UsbDeviceEvent event);
    // Bounded: false when the watch did not take them in time.
    bool WaitDrained(std::chrono::milliseconds timeout);

    // The scanner board's removal, and other events by their fields.
    static UsbDeviceEvent Removal(uint16_t vendor = 0x04D8, uint16_t product = 0xFCBD);

private:
    int m_fd = -1;
    std::mutex m_lock;
    std::condition_variable m_drained;
    std::deque<UsbDeviceEvent> m_events;
    bool m_empty = true; // the last ReceiveEvent found nothing left
};

// A maker for CUSBView that hands out `source` (shared with the test, which keeps feeding it).
std::function<std::unique_ptr<UsbDeviceEventSource>(std::string&)>
SharedFakeSource(const std::shared_ptr<FakeUsbDeviceEvents>& source);

} // namespace orv::test
