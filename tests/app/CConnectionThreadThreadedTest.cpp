#include "app/CConnectionThread.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "app/CConnectionLink.h"
#include "app/CMainFrame.h"
#include "core/NoScannerFallback.h"
#include "engine/CDeviceManager.h"
#include "engine/SetupScan.h"
#include "platform/clock/FakeClock.h"
#include "platform/log/InformationLog.h"
#include "platform/msg/MessageTarget.h"
#include "protocol/AnalyzerPing.h"
#include "protocol/CIcmpPing.h"
#include "support/MainFrameTestEnvironment.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace orv {
namespace {

using namespace std::chrono_literals;
using testing::MainFrameTestEnvironment;

// The controller and command queue as the thread drives them: every call recorded in order.
class RecordingLink final : public CConnectionLink {
public:
    int32_t GetState() const override { return m_state.load(); }
    void SetState(int32_t state) override {
        m_state = state;
        Record("state " + std::to_string(state));
    }
    bool CreateDriverConnection() override {
        Record("create");
        return true;
    }
    void QueueCommand(uint16_t code, uint8_t flag, uint32_t argument) override {
        Record("queue " + std::to_string(code) + " " + std::to_string(flag) + " " + std::to_string(argument));
        if (m_holdQueue) {
            ++m_waiting;
        }
        // The engine's answer to the identity query, as the controller takes it.
        if (code == 4003 && m_identify) {
            GetInstrumentInfo().SetAnalyzerQueryPending(false);
            GetInstrumentInfo().SetAnalyzerDriverSet(true);
            m_state = 2;
        }
    }
    bool IsCommandQueueEmpty() const override { return m_waiting.load() == 0; }
    void SignalCommandEvent() override { Record("signal"); }
    QScanEngineLink* GetScanEngineLink() override { return nullptr; }

    std::vector<std::string> Events() const {
        const std::lock_guard guard(m_lock);
        return m_events;
    }
    size_t Count(const std::string& event) const {
        const auto events = Events();
        return static_cast<size_t>(std::count(events.begin(), events.end(), event));
    }

    std::atomic<bool> m_identify{true};
    std::atomic<bool> m_holdQueue{false};
    std::atomic<int> m_waiting{0};

private:
    void Record(std::string event) {
        const std::lock_guard guard(m_lock);
        m_events.push_back(std::move(event));
    }
    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    std::atomic<int32_t> m_state{0};
};

// Records when each device was tried, on the clock in force, around the devices it passes on to.
class TimedDevices final : public CConnectionDevices {
public:
    explicit TimedDevices(CConnectionDevices* inner) : m_inner(inner) {}
    bool ConnectScanner(eProbeType type, std::stop_token stop) override {
        Record(m_scannerTimes);
        if (m_inner != nullptr) {
            return m_inner->ConnectScanner(type, std::move(stop));
        }
        return m_scannerAnswers.load();
    }
    bool ConnectAnalyzer() override {
        Record(m_analyzerTimes);
        if (m_inner != nullptr) {
            return m_inner->ConnectAnalyzer();
        }
        return m_analyzerAnswers.load();
    }
    bool ReleaseAnalyzer() override {
        ++m_releases;
        return m_inner == nullptr || m_inner->ReleaseAnalyzer();
    }
    std::optional<std::string> GetAnalyzerNetworkHost() const override {
        if (m_inner != nullptr) {
            return m_inner->GetAnalyzerNetworkHost();
        }
        const std::lock_guard guard(m_lock);
        return m_host;
    }

    std::vector<Clock::TimePoint> ScannerTimes() const {
        const std::lock_guard guard(m_lock);
        return m_scannerTimes;
    }
    std::vector<Clock::TimePoint> AnalyzerTimes() const {
        const std::lock_guard guard(m_lock);
        return m_analyzerTimes;
    }
    void SetHost(std::optional<std::string> host) {
        const std::lock_guard guard(m_lock);
        m_host = std::move(host);
    }

    std::atomic<bool> m_scannerAnswers{true};
    std::atomic<bool> m_analyzerAnswers{true};
    std::atomic<int> m_releases{0};
    std::function<void()> m_onScanner;

private:
    void Record(std::vector<Clock::TimePoint>& times) {
        {
            const std::lock_guard guard(m_lock);
            times.push_back(ClockNow());
        }
        if (&times == &m_scannerTimes && m_onScanner) {
            m_onScanner();
        }
    }
    CConnectionDevices* m_inner;
    mutable std::mutex m_lock;
    std::vector<Clock::TimePoint> m_scannerTimes;
    std::vector<Clock::TimePoint> m_analyzerTimes;
    std::optional<std::string> m_host;
};

class FakePing final : public AnalyzerPing {
public:
    bool Initialize() override { return true; }
    bool Ping(const std::string& host, IcmpEchoReplyRecord& /*reply*/, std::string& /*error*/,
              std::stop_token /*stop*/) override {
        const std::lock_guard guard(m_lock);
        m_hosts.push_back(host);
        return m_answers.empty() ? true : TakeFront();
    }
    int32_t GetLastError() const override { return 11010; }

    void Script(std::vector<bool> answers) {
        const std::lock_guard guard(m_lock);
        m_answers = std::move(answers);
    }
    std::vector<std::string> Hosts() const {
        const std::lock_guard guard(m_lock);
        return m_hosts;
    }

private:
    bool TakeFront() {
        const bool answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
    }
    mutable std::mutex m_lock;
    std::vector<bool> m_answers;
    std::vector<std::string> m_hosts;
};

// The frame's side: every 10040 is recorded with the text it announces, at the moment it is posted.
class StatusRecorder final : public MessageTarget {
public:
    StatusRecorder() : MessageTarget(m_thread) {
        m_thread.SetWakeFunction([this] {
            const std::lock_guard guard(m_lock);
            m_texts.push_back(GetInstrumentInfo().GetStatusText());
        });
    }
    ~StatusRecorder() override { m_thread.SetWakeFunction({}); }
    std::vector<std::string> Texts() const {
        const std::lock_guard guard(m_lock);
        return m_texts;
    }

protected:
    int64_t HandleMessage(Message& /*message*/) override { return 0; }

private:
    MessageThread m_thread;
    mutable std::mutex m_lock;
    std::vector<std::string> m_texts;
};

class ConnectionThreadTest : public ::testing::Test {
protected:
    ConnectionThreadTest() : m_install(m_clock), m_start(m_clock.Now()) {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        InformationLog::Instance().OpenFile(m_environment.UserDataFolder());
        CDeviceManager* manager = m_setup.CreateDeviceManager();
        for (const eProbeType type :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            manager->SetScannerMaker(type, nullptr);
        }
    }

    // Runs the thread until `seconds` of the fake clock have passed, then stops and joins it.
    void RunFor(std::chrono::milliseconds duration, CConnectionDevices& devices, AnalyzerPing* ping = nullptr,
                bool analyzerDetection = false, bool scannerDetection = false) {
        CConnectionThread::Context context;
        context.info = &GetInstrumentInfo();
        context.devices = &devices;
        context.link = &m_link;
        context.ping = ping;
        context.frame = &m_status;
        context.analyzerDetection = analyzerDetection;
        context.scannerDetection = scannerDetection;
        context.scannerRemoved = &m_removed;
        m_thread = std::make_unique<CConnectionThread>(std::move(context));
        m_clock.SetPauseHook([this, duration](Clock::TimePoint now) {
            if (m_onTime) {
                m_onTime(now - m_start);
            }
            if (now - m_start >= duration) {
                m_thread->RequestStop();
            }
        });
        ASSERT_TRUE(m_thread->Start());
        ASSERT_TRUE(m_thread->JoinFor(10s));
        m_clock.SetPauseHook({});
        EXPECT_EQ(m_thread->GetRunningCount(), 0);
    }

    std::vector<std::chrono::milliseconds> Offsets(const std::vector<Clock::TimePoint>& times) const {
        std::vector<std::chrono::milliseconds> offsets;
        offsets.reserve(times.size());
        for (const auto time : times) {
            offsets.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(time - m_start));
        }
        return offsets;
    }

    MainFrameTestEnvironment m_environment;
    FakeClock m_clock;
    ScopedClockInstall m_install;
    Clock::TimePoint m_start;
    SetupScan m_setup;
    CSetupScanConnectionDevices m_setupDevices{m_setup};
    RecordingLink m_link;
    StatusRecorder m_status;
    std::atomic<uint8_t> m_removed{0};
    std::function<void(Clock::Duration)> m_onTime;
    std::unique_ptr<CConnectionThread> m_thread;
};

TEST_F(ConnectionThreadTest, BuiltInDevicesConnectOnceAndAreAskedForTheirIdentityOnce) {
    TimedDevices devices(&m_setupDevices);
    RunFor(9000ms, devices);

    EXPECT_EQ(m_status.Texts(),
              (std::vector<std::string>{"Detecting, connecting to Scanner Board and Spectrum "
                                        "Analyzer......",
                                        "Querying Spectrum Analyzer's ID..."}));
    EXPECT_EQ(m_link.Events(), (std::vector<std::string>{"state 1", "create", "queue 8 0 0", "queue 5 0 0",
                                                         "signal", "queue 4003 0 0", "signal"}));
    EXPECT_TRUE(GetInstrumentInfo().IsScannerConnected());
    EXPECT_TRUE(GetInstrumentInfo().IsAnalyzerConnected());
    EXPECT_EQ(m_link.GetState(), 2);
    EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::NoScanner);
    // Connected, the thread looks every 2000 ms and leaves the devices alone.
    EXPECT_EQ(Offsets(devices.ScannerTimes()), std::vector<std::chrono::milliseconds>{0ms});
    EXPECT_EQ(Offsets(devices.AnalyzerTimes()), std::vector<std::chrono::milliseconds>{210ms});
}

TEST_F(ConnectionThreadTest, WithoutAnAnalyserTheThreadSaysSoAndTriesAgainAfterSixSeconds) {
    SetNoAnalyzerSwitch(false);
    TimedDevices devices(&m_setupDevices);
    RunFor(13000ms, devices);

    const std::string failed = "Successful in connecting to Scanner Board;  Failed in connecting to Spectrum "
                               "Analyser.;     Trying again......";
    const std::vector<std::string> texts = m_status.Texts();
    ASSERT_GE(texts.size(), 2U);
    EXPECT_EQ(texts[1], failed);
    EXPECT_EQ(texts.back(), failed);
    EXPECT_EQ(m_link.GetState(), 0);
    EXPECT_EQ(m_link.Count("queue 8 0 0"), 1U);
    EXPECT_EQ(m_link.Count("queue 4003 0 0"), 0U);
    // The scanner stays connected; the analyser is tried at once, then 6000 ms after each attempt.
    EXPECT_EQ(Offsets(devices.ScannerTimes()), std::vector<std::chrono::milliseconds>{0ms});
    // Periods count from the start of an attempt; passes come every 100 ms after the no-scanner
    // driver's 10 ms and the 200 ms pause: an attempt exactly 6000 ms after
    // the last one is still too early.
    EXPECT_EQ(Offsets(devices.AnalyzerTimes()),
              (std::vector<std::chrono::milliseconds>{210ms, 6010ms, 12110ms}));
}

TEST_F(ConnectionThreadTest, WithNoScannerTheAnalyserIsNeverTried) {
    ClearNoScannerFallback();
    TimedDevices devices(&m_setupDevices);
    RunFor(7000ms, devices);
    EXPECT_EQ(m_status.Texts().back(), "Failed in connecting to Scanner Board;  ;     Trying again......");
    EXPECT_TRUE(devices.AnalyzerTimes().empty());
    EXPECT_EQ(devices.ScannerTimes().size(), 2U);
    EXPECT_EQ(m_link.Count("create"), 0U);
    EXPECT_EQ(m_link.GetState(), 0);
}

TEST(ConnectionResultTest, TextsAndStateByTheTwoFlags) {
    struct Case {
        bool scanner, analyzer;
        const char* text;
        bool stateZero;
    };
    const std::vector<Case> cases = {
        {true, true,
         "Successful in connecting to Scanner Board;  Successful in connecting to Spectrum Analyser.", false},
        {true, false,
         "Successful in connecting to Scanner Board;  Failed in connecting to Spectrum Analyser.;     Trying "
         "again......",
         true},
        {false, true, "Failed in connecting to Scanner Board;  ;     Trying again......", true},
        {false, false, "Failed in connecting to Scanner Board;  ;     Trying again......", true},
    };
    for (const Case& c : cases) {
        RecordingLink link;
        link.SetState(7);
        StatusRecorder status;
        CConnectionThread::ReportConnectionResult(&GetInstrumentInfo(), &link, &status, c.scanner,
                                                  c.analyzer);
        EXPECT_EQ(status.Texts(), std::vector<std::string>{c.text});
        EXPECT_EQ(link.GetState(), c.stateZero ? 0 : 7);
    }
    GetInstrumentInfo().SetStatusText({});
}

TEST_F(ConnectionThreadTest, TheIdentityQueryWaitsBehindOtherCommandsWithoutASignal) {
    m_link.m_holdQueue = true;
    TimedDevices devices(nullptr);
    RunFor(1000ms, devices);
    const std::vector<std::string> events = m_link.Events();
    const auto query = std::find(events.begin(), events.end(), "queue 4003 0 0");
    ASSERT_NE(query, events.end());
    EXPECT_EQ(std::count(query, events.end(), "signal"), 0);
    EXPECT_EQ(m_link.Count("signal"), 1U);
}

TEST_F(ConnectionThreadTest, AFailedPingWarnsLogsAndTheAnalyserIsConnectedAgain) {
    TimedDevices devices(nullptr);
    devices.SetHost("127.0.0.1");
    FakePing ping;
    ping.Script({false});
    RunFor(9000ms, devices, &ping, true);

    EXPECT_EQ(ping.Hosts().front(), "127.0.0.1");
    const std::vector<PromptRequest> boxes = m_environment.GetPrompt().Requests();
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].text, "The network connection to the Spectral Analyzer is lost!  Please confirm.");
    EXPECT_EQ(boxes[0].caption, "Warning");
    const std::vector<std::string> texts = m_status.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        "Successful in connecting to Scanner Board;  Failed in connecting to Spectrum "
                        "Analyser.;     Trying again......"),
              texts.end());
    // The old connection is let go, the analyser connected again and asked for its identity again.
    EXPECT_EQ(devices.m_releases.load(), 1);
    EXPECT_EQ(devices.AnalyzerTimes().size(), 2U);
    EXPECT_EQ(m_link.Count("queue 4003 0 0"), 2U);
    EXPECT_EQ(m_link.Count("create"), 1U);
    EXPECT_TRUE(GetInstrumentInfo().IsAnalyzerConnected());
}

TEST_F(ConnectionThreadTest, ASimulatedNetworkAnalyserThatStopsAnsweringIsFoundAgain) {
    SetNoAnalyzerSwitch(false);
    test::ScpiSimulatorProcess simulator;
    simulator.AddResource("A");
    simulator.SetIdentity("A", "Rohde&Schwarz,FSV-7,101234/007,2.30");
    ::setenv("ORV_VISA_RESOURCES", (simulator.ResourceName("A") + ";").c_str(), 1);
    m_environment.WriteIni("[Orvilant Info]\nSpectrum Analyzer Detecting=1\n");
    const MainFrameIniSettings ini =
        CMainFrame::ReadIniSettings(m_environment.ExecutableFolder() + "/Orvilant.ini");
    ASSERT_TRUE(ini.analyzerDetection);

    TimedDevices devices(&m_setupDevices);
    FakePing ping;
    ping.Script({false});
    RunFor(9000ms, devices, &ping, ini.analyzerDetection);

    ASSERT_FALSE(ping.Hosts().empty());
    EXPECT_EQ(ping.Hosts().front(), "127.0.0.1");
    EXPECT_EQ(m_environment.GetPrompt().Texts(),
              std::vector<std::string>{
                  "The network connection to the Spectral Analyzer is lost!  Please confirm."});
    EXPECT_NE(m_environment.LogText().find("--- The connection to Spectrum Analyzer is lost due to the "
                                           "failed ping, GetLastError() returns: 11010\n"),
              std::string::npos);
    // The held connection was let go and the simulator found and asked for its identity again.
    EXPECT_EQ(devices.m_releases.load(), 1);
    EXPECT_EQ(devices.AnalyzerTimes().size(), 2U);
    const std::vector<std::string> commands = simulator.Commands("A");
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "*IDN?"), 2);
    EXPECT_EQ(m_link.Count("queue 4003 0 0"), 2U);
    EXPECT_TRUE(GetInstrumentInfo().IsAnalyzerConnected());
    ASSERT_NE(m_setup.GetDeviceManager()->GetConnection(), nullptr);
    EXPECT_EQ(m_setup.GetAnalyzerConnection(), m_setup.GetDeviceManager()->GetConnection());
}

// The real ping, every host it was given and what it answered.
class RecordingIcmpPing final : public AnalyzerPing {
public:
    bool Initialize() override { return m_ping.Initialize(); }
    bool Ping(const std::string& host, IcmpEchoReplyRecord& reply, std::string& error,
              std::stop_token stop) override {
        const bool answered = m_ping.Ping(host, reply, error, stop);
        const std::lock_guard guard(m_lock);
        m_pings.emplace_back(host, answered);
        return answered;
    }
    int32_t GetLastError() const override { return m_ping.GetLastError(); }
    std::vector<std::pair<std::string, bool>> Pings() const {
        const std::lock_guard guard(m_lock);
        return m_pings;
    }

private:
    CIcmpPing m_ping;
    mutable std::mutex m_lock;
    std::vector<std::pair<std::string, bool>> m_pings;
};

// Runs `body` on a thread of its own in a new network namespace with only its loopback up and the
// ping group open to this process (what the thread starts, and the simulator it forks, live there
// too); answers the call the system refused, empty when it ran.
std::string RunInOwnPingableNetwork(const std::function<void()>& body) {
    std::string refused;
    std::thread inside([&] {
        if (::unshare(CLONE_NEWNET) != 0) {
            refused = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
            return;
        }
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq request{};
        std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
        const bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                        (request.ifr_flags |= IFF_UP, ::ioctl(fd, SIOCSIFFLAGS, &request) == 0);
        if (fd >= 0) {
            ::close(fd);
        }
        std::ofstream group("/proc/sys/net/ipv4/ping_group_range");
        group << ::getegid() << " " << ::getegid() << "\n";
        group.flush();
        if (!up || !group) {
            refused = "the namespace's loopback or ping group could not be set up";
            return;
        }
        body();
    });
    inside.join();
    return refused;
}

// A working analyser on the IPv6 loopback: its resource names the host in brackets, the thread pings
// the bare address with an ICMPv6 echo, and the analyser stays connected.
TEST_F(ConnectionThreadTest, AWorkingIpv6AnalyserOnLoopbackStaysConnected) {
    SetNoAnalyzerSwitch(false);
    m_environment.WriteIni("[Orvilant Info]\nSpectrum Analyzer Detecting=1\n");
    RecordingIcmpPing ping;
    TimedDevices devices(&m_setupDevices);
    const std::string refused = RunInOwnPingableNetwork([&] {
        test::ScpiSimulatorProcess simulator;
        simulator.AddIpv6Resource("A");
        simulator.SetIdentity("A", "Rohde&Schwarz,FSV-7,101234/007,2.30");
        ::setenv("ORV_VISA_RESOURCES", (simulator.ResourceName("A") + ";").c_str(), 1);
        ASSERT_TRUE(ping.Initialize());
        RunFor(9000ms, devices, &ping, true);
    });
    if (!refused.empty()) {
        if (::geteuid() == 0) {
            FAIL() << refused;
        }
        GTEST_SKIP() << refused;
    }
    const std::vector<std::pair<std::string, bool>> pings = ping.Pings();
    ASSERT_FALSE(pings.empty());
    for (const auto& [host, answered] : pings) {
        EXPECT_EQ(host, "::1");
        EXPECT_TRUE(answered) << ping.GetLastError();
    }
    EXPECT_TRUE(m_environment.GetPrompt().Requests().empty());
    EXPECT_EQ(devices.m_releases.load(), 0);
    EXPECT_EQ(devices.AnalyzerTimes().size(), 1U);
    EXPECT_TRUE(GetInstrumentInfo().IsAnalyzerConnected());
}

TEST_F(ConnectionThreadTest, NothingIsPingedWithoutPingDetectionNetworkOrIdentity) {
    struct Case {
        bool withPing, detection, network, identify;
    };
    for (const Case c : {Case{false, true, true, true}, Case{true, false, true, true},
                         Case{true, true, false, true}, Case{true, true, true, false}}) {
        GetInstrumentInfo().SetScannerConnected(false);
        GetInstrumentInfo().SetAnalyzerConnected(false);
        GetInstrumentInfo().SetAnalyzerQueryPending(false);
        GetInstrumentInfo().SetAnalyzerDriverSet(false);
        m_link.m_identify = c.identify;
        TimedDevices devices(nullptr);
        if (c.network) {
            devices.SetHost("127.0.0.1");
        }
        FakePing ping;
        ping.Script({false, false, false});
        RunFor(std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.Now() - m_start) + 5000ms,
               devices, c.withPing ? &ping : nullptr, c.detection);
        EXPECT_TRUE(ping.Hosts().empty());
        EXPECT_TRUE(GetInstrumentInfo().IsAnalyzerConnected());
    }
    EXPECT_TRUE(m_environment.GetPrompt().Requests().empty());
}

TEST_F(ConnectionThreadTest, AnUnpluggedBoardIsReportedAndReconnectedWithoutASecondDriverConnection) {
    TimedDevices devices(nullptr);
    m_onTime = [this](Clock::Duration elapsed) {
        if (elapsed >= 3000ms && elapsed < 3100ms) {
            m_removed = 1;
        }
    };
    RunFor(11000ms, devices, nullptr, false, true);
    const std::vector<PromptRequest> boxes = m_environment.GetPrompt().Requests();
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].text, "The connection to scanner is lost!  Please confirm.");
    EXPECT_NE(m_environment.LogText().find("--- The connection to scanner is lost!\n"), std::string::npos);
    EXPECT_EQ(m_link.Count("queue 8 0 0"), 2U);
    EXPECT_EQ(m_link.Count("queue 5 0 0"), 2U);
    EXPECT_EQ(m_link.Count("create"), 1U);
    EXPECT_EQ(devices.ScannerTimes().size(), 2U);
    EXPECT_TRUE(GetInstrumentInfo().IsScannerConnected());
}

TEST_F(ConnectionThreadTest, AnUnpluggedBoardIsIgnoredWithoutScannerDetection) {
    TimedDevices devices(nullptr);
    m_onTime = [this](Clock::Duration elapsed) {
        if (elapsed >= 3000ms && elapsed < 3100ms) {
            m_removed = 1;
        }
    };
    RunFor(11000ms, devices, nullptr, false, false);
    EXPECT_TRUE(m_environment.GetPrompt().Requests().empty());
    EXPECT_EQ(m_link.Count("queue 8 0 0"), 1U);
    EXPECT_EQ(devices.ScannerTimes().size(), 1U);
}

TEST_F(ConnectionThreadTest, AStopEndsTheWaitForAWarning) {
    m_environment.GetPrompt().ScriptHold();
    TimedDevices devices(nullptr);
    devices.SetHost("127.0.0.1");
    FakePing ping;
    ping.Script({false});
    CConnectionThread::Context context;
    context.info = &GetInstrumentInfo();
    context.devices = &devices;
    context.link = &m_link;
    context.ping = &ping;
    context.frame = &m_status;
    context.analyzerDetection = true;
    CConnectionThread thread(std::move(context));
    ASSERT_TRUE(thread.Start());
    // The fake clock runs at once up to the box, where the thread then waits.
    while (m_environment.GetPrompt().Requests().empty()) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(thread.HasEnded());
    thread.RequestStop();
    EXPECT_TRUE(thread.JoinFor(4000ms));
    // Stopped in the box: no log line after it.
    EXPECT_EQ(m_environment.LogText().find("lost due to the failed ping"), std::string::npos);
}

TEST(ConnectionThreadPauseTest, AStopEndsThePauseAfterTheScanner) {
    MainFrameTestEnvironment environment;
    TimedDevices devices(nullptr);
    RecordingLink link;
    StatusRecorder status;
    CConnectionThread* self = nullptr;
    std::atomic<bool> inPause{false};
    devices.m_onScanner = [&] {
        self->RequestStop();
        inPause = true;
    };
    CConnectionThread::Context context;
    context.info = &GetInstrumentInfo();
    context.devices = &devices;
    context.link = &link;
    context.frame = &status;
    CConnectionThread thread(std::move(context));
    self = &thread;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.JoinFor(4000ms));
    EXPECT_TRUE(inPause.load());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 150ms);
    EXPECT_EQ(link.Count("queue 8 0 0"), 0U);
}

} // namespace
} // namespace orv
