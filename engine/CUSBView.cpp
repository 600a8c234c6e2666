#include "engine/CUSBView.h"

#include "engine/EngineProcessFlags.h"
#include "engine/scanners/CUSBEngine.h"
#include "platform/log/InformationLog.h"

#include <array>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace orv {

CUSBView::CUSBView(SourceMaker maker) : m_maker(std::move(maker)) {}

CUSBView::~CUSBView() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(m_stopFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_stopFd >= 0) {
        ::close(m_stopFd);
    }
}

bool CUSBView::Create() {
    if (m_created) {
        return true;
    }
    std::string reason = "no event source";
    m_source = m_maker ? m_maker(reason) : nullptr;
    if (m_source == nullptr) {
        AddInformationMessage(1, "USB device notifications are not available (" + reason +
                                     "); the removal of the scanner board is not watched.");
        return false;
    }
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopFd < 0) {
        AddInformationMessage(1, "USB device notifications are not available (eventfd failed); the removal "
                                 "of the scanner board is not watched.");
        m_source.reset();
        return false;
    }
    m_thread = std::thread([this] { Watch(); });
    m_created = true;
    return true;
}

void CUSBView::Watch() {
    for (;;) {
        std::array<pollfd, 2> waits{{{m_source->GetDescriptor(), POLLIN, 0}, {m_stopFd, POLLIN, 0}}};
        if (::poll(waits.data(), waits.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if ((waits[1].revents & POLLIN) != 0) {
            return;
        }
        // A source that hung up stays readable for ever: polling it again would spin a core.
        if ((waits[0].revents & (POLLERR | POLLNVAL | POLLHUP)) != 0) {
            AddInformationMessage(1, "USB device notifications ended; the removal of the scanner board is no "
                                     "longer watched.");
            return;
        }
        while (std::optional<UsbDeviceEvent> event = m_source->ReceiveEvent()) {
            Handle(*event);
        }
    }
}

void CUSBView::Handle(const UsbDeviceEvent& event) {
    if (event.action != "remove" || event.subsystem != "usb" || event.deviceType != "usb_device" ||
        event.vendor != CUSBEngine::kVendorId || event.product != CUSBEngine::kProductId) {
        return;
    }
    // Steady time: a change of the wall clock neither repeats nor swallows a removal.
    const Clock::TimePoint now = ClockNow();
    if (m_lastRemoval && now - *m_lastRemoval < kRemovalSpacing) {
        return;
    }
    m_lastRemoval = now;
    ScannerRemovedFlag().store(1);
}

} // namespace orv
