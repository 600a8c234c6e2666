#include "tests/engine/support/FakeUsbDeviceEvents.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace orv::test {

FakeUsbDeviceEvents::FakeUsbDeviceEvents() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

FakeUsbDeviceEvents::~FakeUsbDeviceEvents() {
    ::close(m_fd);
}

std::optional<UsbDeviceEvent> FakeUsbDeviceEvents::ReceiveEvent() {
    const std::lock_guard guard(m_lock);
    if (m_events.empty()) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t ignored = ::read(m_fd, &count, sizeof count);
        m_empty = true;
        m_drained.notify_all();
        return std::nullopt;
    }
    UsbDeviceEvent event = std::move(m_events.front());
    m_events.pop_front();
    return event;
}

void FakeUsbDeviceEvents::Push(UsbDeviceEvent event) {
    const std::lock_guard guard(m_lock);
    m_events.push_back(std::move(event));
    m_empty = false;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(m_fd, &one, sizeof one);
}

bool FakeUsbDeviceEvents::WaitDrained(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_lock);
    return m_drained.wait_for(lock, timeout, [this] { return m_empty && m_events.empty(); });
}

UsbDeviceEvent FakeUsbDeviceEvents::Removal(uint16_t vendor, uint16_t product) {
    return UsbDeviceEvent{"remove", "usb", "usb_device", vendor, product};
}

// A shell around the shared source: the watch owns the shell, the test keeps the source.
namespace {

class SharedSource final : public UsbDeviceEventSource {
public:
    explicit SharedSource(std::shared_ptr<FakeUsbDeviceEvents> source) : m_source(std::move(source)) {}
    int GetDescriptor() const override { return m_source->GetDescriptor(); }
    std::optional<UsbDeviceEvent> ReceiveEvent() override { return m_source->ReceiveEvent(); }

private:
    std::shared_ptr<FakeUsbDeviceEvents> m_source;
};

} // namespace

std::function<std::unique_ptr<UsbDeviceEventSource>(std::string&)>
SharedFakeSource(const std::shared_ptr<FakeUsbDeviceEvents>& source) {
    return [source](std::string&) -> std::unique_ptr<UsbDeviceEventSource> {
        return std::make_unique<SharedSource>(source);
    };
}

} // namespace orv::test
