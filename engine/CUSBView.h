#pragma once

// The watch for the USB scanner board's removal. It reads the system's USB device events on a thread
// of its own and raises the process's scanner-removed flag when the board (04D8:FCBD) goes, at most
// once per kRemovalSpacing, so that the connection thread reconnects it. Arrivals and other devices
// change nothing. Where no event source can be made (no udev netlink, as in a container) it logs one
// line and the program runs on without it.

#include "platform/clock/Clock.h"
#include "platform/usb/UsbDeviceEvents.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace orv {

class CUSBView {
public:
    using SourceMaker = std::function<std::unique_ptr<UsbDeviceEventSource>(std::string& reason)>;

    static constexpr std::chrono::seconds kRemovalSpacing{3};

    // `maker` makes the event source at Create (default: the libudev monitor).
    explicit CUSBView(SourceMaker maker = MakeUdevUsbMonitor);
    // Ends the watch at once, also while it waits for an event, and joins it.
    virtual ~CUSBView();
    CUSBView(const CUSBView&) = delete;
    CUSBView& operator=(const CUSBView&) = delete;

    // Starts the watch once; false (logged) when the event source cannot be made.
    bool Create();
    bool IsCreated() const { return m_created; }

private:
    void Watch();
    void Handle(const UsbDeviceEvent& event);

    SourceMaker m_maker;
    std::unique_ptr<UsbDeviceEventSource> m_source;
    int m_stopFd = -1;
    bool m_created = false;
    // The watch thread's own: when it last raised the flag.
    std::optional<Clock::TimePoint> m_lastRemoval;
    std::thread m_thread;
};

} // namespace orv
