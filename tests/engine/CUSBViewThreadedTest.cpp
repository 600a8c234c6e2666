#include "engine/CUSBView.h"

#include "engine/CEngineObjects.h"
#include "engine/EngineProcessFlags.h"
#include "platform/clock/FakeClock.h"
#include "platform/log/InformationLog.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/engine/support/FakeUsbDeviceEvents.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::FakeUsbDeviceEvents;

class CUSBViewTest : public ::testing::Test {
protected:
    CUSBViewTest() { ScannerRemovedFlag().store(0); }
    ~CUSBViewTest() override { ScannerRemovedFlag().store(0); }

    // Feeds one event and waits until the watch has handled it.
    void Feed(UsbDeviceEvent event) {
        m_events->Push(std::move(event));
        ASSERT_TRUE(m_events->WaitDrained(5s));
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    std::shared_ptr<FakeUsbDeviceEvents> m_events = std::make_shared<FakeUsbDeviceEvents>();
    CUSBView m_view{test::SharedFakeSource(m_events)};
};

TEST_F(CUSBViewTest, RemovalsOfTheBoardRaiseTheFlagAtMostOncePerThreeSeconds) {
    ASSERT_TRUE(m_view.Create());
    EXPECT_TRUE(m_view.Create()) << "made once";
    Feed(FakeUsbDeviceEvents::Removal());
    EXPECT_EQ(ScannerRemovedFlag().load(), 1);
    ScannerRemovedFlag().store(0); // the connection thread took it
    m_clock.Advance(2999ms);
    Feed(FakeUsbDeviceEvents::Removal());
    EXPECT_EQ(ScannerRemovedFlag().load(), 0) << "within 3 s of the last";
    m_clock.Advance(1ms);
    Feed(FakeUsbDeviceEvents::Removal());
    EXPECT_EQ(ScannerRemovedFlag().load(), 1);
    ScannerRemovedFlag().store(0);
    m_clock.Advance(3s);
    Feed(FakeUsbDeviceEvents::Removal());
    EXPECT_EQ(ScannerRemovedFlag().load(), 1) << "cleared by the connection thread, raised again";
}

TEST_F(CUSBViewTest, ArrivalsOtherDevicesAndInterfacesChangeNothing) {
    ASSERT_TRUE(m_view.Create());
    const std::vector<UsbDeviceEvent> others{
        {"add", "usb", "usb_device", 0x04D8, 0xFCBD},
        {"remove", "usb", "usb_device", 0x04D8, 0xFCBE},
        {"remove", "usb", "usb_device", 0x04D9, 0xFCBD},
        {"remove", "usb", "usb_interface", 0x04D8, 0xFCBD},
        {"remove", "tty", "usb_device", 0x04D8, 0xFCBD},
        {"remove", "usb", "usb_device", std::nullopt, std::nullopt},
        {"bind", "usb", "usb_device", 0x04D8, 0xFCBD},
    };
    for (const UsbDeviceEvent& event : others) {
        Feed(event);
    }
    EXPECT_EQ(ScannerRemovedFlag().load(), 0);
}

TEST_F(CUSBViewTest, TheDestructorEndsTheWatchAtOnceWhileItWaits) {
    auto view = std::make_unique<CUSBView>(test::SharedFakeSource(m_events));
    ASSERT_TRUE(view->Create());
    const auto start = std::chrono::steady_clock::now();
    view.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

// A source whose descriptor hung up: the read end of a pipe whose write end is closed. It counts how
// often the watch asked it for an event.
class HungUpSource final : public UsbDeviceEventSource {
public:
    HungUpSource() {
        std::array<int, 2> ends{-1, -1};
        if (::pipe2(ends.data(), O_CLOEXEC) == 0) {
            m_fd = ends[0];
            ::close(ends[1]);
        }
    }
    ~HungUpSource() override { ::close(m_fd); }
    HungUpSource(const HungUpSource&) = delete;
    HungUpSource& operator=(const HungUpSource&) = delete;

    int GetDescriptor() const override { return m_fd; }
    std::optional<UsbDeviceEvent> ReceiveEvent() override {
        ++*m_receives;
        return std::nullopt;
    }

    int m_fd = -1;
    std::shared_ptr<std::atomic<int>> m_receives = std::make_shared<std::atomic<int>>(0);
};

TEST(CUSBViewHangUp, AHungUpSourceEndsTheWatchWithOneLogLineAndTheDestructorJoinsAtOnce) {
    std::mutex lock;
    std::condition_variable logged;
    std::vector<std::string> lines;
    const InformationLog::Sink previous =
        InformationLog::Instance().SetSink([&](uint8_t, const std::string& line) {
            const std::lock_guard guard(lock);
            lines.push_back(line);
            logged.notify_all();
        });
    std::shared_ptr<std::atomic<int>> receives;
    auto view = std::make_unique<CUSBView>([&](std::string&) -> std::unique_ptr<UsbDeviceEventSource> {
        auto source = std::make_unique<HungUpSource>();
        receives = source->m_receives;
        return source;
    });
    ASSERT_TRUE(view->Create());
    {
        std::unique_lock wait(lock);
        ASSERT_TRUE(logged.wait_for(wait, 5s, [&] { return !lines.empty(); }));
        EXPECT_TRUE(lines[0].ends_with(
            "USB device notifications ended; the removal of the scanner board is no longer watched."))
            << lines[0];
    }
    EXPECT_EQ(receives->load(), 0) << "the watch asked a hung-up source for events";
    const auto start = std::chrono::steady_clock::now();
    view.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    InformationLog::Instance().SetSink(previous);
    EXPECT_EQ(lines.size(), 1U);
}

TEST(CUSBViewMonitor, TheRealMonitorIsMadeOrRefusedCleanlyAndEndsAtOnce) {
    test::LogCapture log;
    const auto start = std::chrono::steady_clock::now();
    {
        CUSBView view;
        if (!view.Create()) {
            const std::vector<std::string> lines = log.Lines();
            ASSERT_EQ(lines.size(), 1U);
            EXPECT_EQ(lines[0].rfind("USB device notifications are not available (", 0), 0U) << lines[0];
        } else {
            EXPECT_TRUE(log.Lines().empty());
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    CUSBView refused([](std::string& reason) -> std::unique_ptr<UsbDeviceEventSource> {
        reason = "udev_monitor_new_from_netlink: Protocol not supported";
        return nullptr;
    });
    EXPECT_FALSE(refused.Create());
    EXPECT_TRUE(log.Has("USB device notifications are not available (udev_monitor_new_from_netlink: Protocol "
                        "not supported); the removal of the scanner board is not watched."));
    EXPECT_FALSE(refused.IsCreated());
}

TEST(CUSBViewStartup, TheEngineStartupMakesTheWatchLastAndItsTeardownEndsItFirst) {
    ScannerRemovedFlag().store(0);
    test::TemporaryUserDataFolder folder("orv-usb-view");
    auto events = std::make_shared<FakeUsbDeviceEvents>();
    CEngineStartup startup;
    startup.usbEvents = test::SharedFakeSource(events);
    auto objects = std::make_unique<CEngineObjects>(std::move(startup));
    ASSERT_NE(objects->GetUsbView(), nullptr);
    EXPECT_TRUE(objects->GetUsbView()->IsCreated());
    events->Push(FakeUsbDeviceEvents::Removal());
    ASSERT_TRUE(events->WaitDrained(5s));
    EXPECT_EQ(ScannerRemovedFlag().load(), 1) << "the flag the connection thread reads";
    const auto start = std::chrono::steady_clock::now();
    objects.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    ScannerRemovedFlag().store(0);

    EXPECT_EQ(CEngineObjects(CEngineStartup{}).GetUsbView(), nullptr) << "no source, no watch";
}

} // namespace
} // namespace orv
