#include "engine/scanners/CDobotMagician.h"
#include "engine/scanners/LinkStop.h"
#include "engine/scanners/adapter/CExScannerBoard.h"

#include "platform/clock/FakeClock.h"
#include "tests/engine/support/AdapterTestRig.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <future>
#include <mutex>
#include <poll.h>
#include <stop_token>
#include <string>
#include <sys/eventfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::AdapterSimulator;
using Clock = std::chrono::steady_clock;

// Far more than a poll, even on a loaded machine under a sanitizer; far less than the exchanges below
// would last without the stop (the platform clock is a fake one that never moves, so no deadline
// ends them: only the hunt limits, after minutes).
constexpr auto kStopBound = 5s;
// How long a test waits for a step it cannot go on without.
constexpr auto kStepWait = 30s;

// Which waits a stop ends: only a stop that fires while its operation runs, any of the nested
// operations of the thread, and never another thread's wait.
TEST(LinkStop, EndsTheWaitsOfItsOwnThreadOnlyWhenItFiresDuringTheOperation) {
    EXPECT_FALSE(LinkStop::Requested()) << "no operation, no stop";
    std::stop_source fired;
    fired.request_stop();
    std::stop_source scan;
    {
        const LinkStop outer(scan.get_token());
        {
            const LinkStop closing(fired.get_token());
            EXPECT_FALSE(LinkStop::Requested()) << "an operation begun after its stop runs to its bound";
        }
        scan.request_stop();
        bool elsewhere = true;
        std::thread([&] { elsewhere = LinkStop::Requested(); }).join();
        EXPECT_FALSE(elsewhere) << "another thread's exchanges (the arm's emergency stop) go through";
        const LinkStop inner(fired.get_token());
        EXPECT_TRUE(LinkStop::Requested()) << "the outer operation's stop ends the inner one's waits";

        // The wait polls no more once the stop is seen, and never longer than a poll at a time.
        int polls = 0;
        EXPECT_FALSE(LinkStop::Wait(60000, [&](uint32_t sliceMs) {
            EXPECT_LE(sliceMs, LinkStop::kPollMs);
            ++polls;
            return LinkStop::Poll::kPending;
        }));
        EXPECT_EQ(polls, 1);
    }
    EXPECT_FALSE(LinkStop::Requested()) << "the operations are over";
    EXPECT_TRUE(LinkStop::Wait(60000, [](uint32_t) { return LinkStop::Poll::kDone; }));
    EXPECT_FALSE(LinkStop::Wait(60000, [](uint32_t) { return LinkStop::Poll::kFailed; }));
    int polls = 0;
    EXPECT_FALSE(LinkStop::Wait(0, [&](uint32_t sliceMs) {
        EXPECT_EQ(sliceMs, 0U);
        ++polls;
        return LinkStop::Poll::kPending;
    })) << "no time: one look at what is there";
    EXPECT_EQ(polls, 1);
}

// A pseudo-terminal whose far end answers whatever it is sent with junk that holds no packet header:
// one byte at once, then one every `period`, until it goes.
class TricklingTerminal {
public:
    explicit TricklingTerminal(std::chrono::milliseconds period) : m_period(period) {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            return;
        }
        const char* name = ::ptsname(m_master);
        if (name == nullptr) {
            return;
        }
        m_portName = name;
        // Held open and raw, so the line never echoes and is never hung up between opens.
        m_terminal = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        if (m_terminal < 0 || ::tcgetattr(m_terminal, &raw) != 0) {
            m_portName.clear();
            return;
        }
        ::cfmakeraw(&raw);
        ::tcsetattr(m_terminal, TCSANOW, &raw);
        m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        m_thread = std::thread([this] { Serve(); });
    }

    ~TricklingTerminal() {
        End();
        for (const int fd : {m_master, m_terminal, m_wake}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }

    TricklingTerminal(const TricklingTerminal&) = delete;
    TricklingTerminal& operator=(const TricklingTerminal&) = delete;

    const std::string& PortName() const { return m_portName; }

    bool WaitForTrickled(std::size_t count) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, kStepWait, [&] { return m_trickled >= count; });
    }

    // Stops the trickle and hangs the line up, so a reader still waiting on it fails at once.
    void End() {
        if (m_thread.joinable()) {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t done = ::write(m_wake, &one, sizeof one);
            m_thread.join();
        }
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    void Serve() {
        bool asked = false;
        auto next = Clock::now();
        for (;;) {
            int timeout = -1;
            if (asked) {
                timeout = static_cast<int>(std::max<int64_t>(
                    0, std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count()));
            }
            pollfd waits[2] = {{m_wake, POLLIN, 0}, {m_master, POLLIN, 0}};
            ::poll(waits, 2, timeout);
            if (waits[0].revents != 0) {
                return;
            }
            if ((waits[1].revents & POLLIN) != 0) {
                uint8_t block[256];
                if (::read(m_master, block, sizeof block) > 0 && !asked) {
                    asked = true;
                    next = Clock::now();
                }
            }
            if (asked && Clock::now() >= next) {
                const uint8_t junk = 0x55;
                if (::write(m_master, &junk, 1) == 1) {
                    const std::lock_guard guard(m_lock);
                    ++m_trickled;
                    m_changed.notify_all();
                }
                next += m_period;
            }
        }
    }

    std::chrono::milliseconds m_period;
    int m_master = -1;
    int m_terminal = -1;
    int m_wake = -1;
    std::string m_portName;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::size_t m_trickled = 0;
    std::thread m_thread;
};

// The arm's exchange: a pose read whose answer trickles one junk byte every half byte time-out. Each
// byte comes within its time-out, so only the hunt limit would end it (1024 bytes, over eight
// minutes); the stop in force on the exchange's thread ends it within a poll.
TEST(LinkStopArm, AStopEndsAPacketHuntThatTrickles) {
    FakeClock clock;
    const ScopedClockInstall install(clock);
    TricklingTerminal peer(std::chrono::milliseconds(CSerialComm::kReadByteTimeoutMs / 2));
    ASSERT_FALSE(peer.PortName().empty());
    CDobotMagician arm;
    ASSERT_TRUE(arm.Open(peer.PortName(), 115200));

    std::stop_source stop;
    std::promise<void> watching;
    std::future<bool> done = std::async(std::launch::async, [&] {
        const LinkStop linkStop(stop.get_token());
        watching.set_value();
        DobotPose pose;
        return arm.ReadPose(pose);
    });
    watching.get_future().wait();
    EXPECT_TRUE(peer.WaitForTrickled(2)) << "the answer began to trickle";
    const Clock::time_point stopped = Clock::now();
    stop.request_stop();
    const bool ended = done.wait_for(kStopBound * 2) == std::future_status::ready;
    EXPECT_TRUE(ended) << "the stop ended the exchange";
    if (!ended) {
        peer.End(); // ends the wait, so the thread can be joined
    }
    EXPECT_FALSE(done.get());
    EXPECT_LT(Clock::now() - stopped, kStopBound);
}

// The adapter's driver over TCP and over a pseudo-terminal: the firmware read's reply trickles junk
// every half byte time-out, and the scan's stop (the set-up's token) fired meanwhile ends the
// exchange within a poll. A command begun after the stop (the scan's closing one) is not ended by it.
struct AdapterLink {
    const char* what;
    bool serial;
};

class LinkStopAdapter : public ::testing::TestWithParam<AdapterLink> {
protected:
    static AdapterSimulator::Options Options(bool serial) {
        AdapterSimulator::Options options;
        options.network = !serial;
        options.pseudoTerminal = serial;
        return options;
    }

    LinkStopAdapter() : m_sim(Options(GetParam().serial)) {
        m_board.SetSetupSource([this] {
            const std::lock_guard guard(m_setupLock);
            return m_setup;
        });
    }

    void SetStop(std::stop_token stop) {
        const std::lock_guard guard(m_setupLock);
        m_setup.stop = std::move(stop);
    }

    AdapterSimulator m_sim;
    test::ScopedNetworkSource m_network{std::make_shared<test::LoopbackNetworkSource>(m_sim.Address())};
    test::AdapterPortSettings m_settings{
        GetParam().serial
            ? std::vector<test::AdapterPortSettings::Port>{{m_sim.PortName(), "USB Serial Device"}}
            : std::vector<test::AdapterPortSettings::Port>{}};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    test::LogCapture m_log;
    std::mutex m_setupLock;
    ScannerSetup m_setup{.rows = 4, .columns = 4, .pollIntervalMs = 7};
    CExScannerBoard m_board;
};

TEST_P(LinkStopAdapter, TheScanStopEndsAnExchangeWhoseReplyTrickles) {
    ASSERT_EQ(m_sim.Error(), "");
    ASSERT_TRUE(m_board.Connect());
    ASSERT_EQ(m_board.GetTransportSelector(),
              GetParam().serial ? CExScannerBoard::kTransportSerial : CExScannerBoard::kTransportTcp);
    m_sim.SetTricklePeriod(std::chrono::milliseconds(CAdapterFrame::kByteTimeoutMs / 2));
    m_sim.ScriptFault('d', AdapterSimulator::Fault::Trickle);

    std::stop_source scanStop;
    SetStop(scanStop.get_token());
    std::future<bool> done = std::async(std::launch::async, [&] { return m_board.ReadFirmwareVersion(); });
    EXPECT_TRUE(m_sim.WaitForTrickled(2, kStepWait)) << "the reply began to trickle";
    const Clock::time_point stopped = Clock::now();
    scanStop.request_stop();
    const bool ended = done.wait_for(kStopBound * 2) == std::future_status::ready;
    EXPECT_TRUE(ended) << "the stop ended the exchange";
    if (!ended) {
        m_board.Disconnect(); // ends the wait, so the thread can be joined
    }
    EXPECT_FALSE(done.get());
    EXPECT_LT(Clock::now() - stopped, kStopBound);
    EXPECT_TRUE(m_log.Has("The read of the ExAdapter's reply ended on the scan's stop."));
    EXPECT_TRUE(m_board.IsReconnectNeeded()) << "the reply may still come: the link is opened anew";

    // The scan's closing command comes after the stop, which still stands: it goes through.
    ASSERT_TRUE(m_board.Reconnect());
    EXPECT_TRUE(m_board.EndScan());
}

// A reconnect on the scan thread: the first reply it waits for (the serial search's answer, or the
// motor settings' read over TCP) trickles, and the scan's stop ends the reconnect within a poll.
TEST_P(LinkStopAdapter, TheScanStopEndsAReconnectWhoseReplyTrickles) {
    ASSERT_EQ(m_sim.Error(), "");
    ASSERT_TRUE(m_board.Connect());
    m_board.Disconnect();
    m_sim.SetTricklePeriod(std::chrono::milliseconds(CAdapterFrame::kByteTimeoutMs / 2));
    m_sim.ScriptFault(GetParam().serial ? 'a' : 'J', AdapterSimulator::Fault::Trickle);

    std::stop_source scanStop;
    SetStop(scanStop.get_token());
    std::future<bool> done = std::async(std::launch::async, [&] { return m_board.Reconnect(); });
    EXPECT_TRUE(m_sim.WaitForTrickled(2, kStepWait)) << "the reply began to trickle";
    const Clock::time_point stopped = Clock::now();
    scanStop.request_stop();
    const bool ended = done.wait_for(kStopBound * 2) == std::future_status::ready;
    EXPECT_TRUE(ended) << "the stop ended the reconnect";
    if (!ended) {
        m_board.Disconnect(); // ends the wait, so the thread can be joined
    }
    done.get();
    EXPECT_LT(Clock::now() - stopped, kStopBound);
}

INSTANTIATE_TEST_SUITE_P(Links, LinkStopAdapter,
                         ::testing::Values(AdapterLink{"Tcp", false}, AdapterLink{"Serial", true}),
                         [](const ::testing::TestParamInfo<AdapterLink>& info) { return info.param.what; });

} // namespace
} // namespace orv
