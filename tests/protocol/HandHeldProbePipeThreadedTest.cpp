#include "protocol/pipe/CNamedPipeListenerManager.h"

#include "platform/clock/FakeClock.h"
#include "platform/log/InformationLog.h"
#include "platform/msg/MessageTarget.h"
#include "platform/net/UnixStreamSocket.h"
#include "tests/sim/pipe/support/HandHeldProbeClientProcess.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using test::HandHeldProbeClientProcess;
using namespace std::chrono_literals;

constexpr auto kBound = 10s;

class MainFrameStandIn : public MessageTarget {
public:
    explicit MainFrameStandIn(MessageThread& thread) : MessageTarget(thread) {}
    static constexpr uint32_t kRequestDone = 0x8123;
    std::vector<uint64_t> connectionMessages; // wParam of each 10041, in order
    std::vector<int64_t> requestResults;      // lParam of each completed request

protected:
    int64_t HandleMessage(Message& message) override {
        if (message.id == kPipeClientConnectionMessage && message.lParam == 0) {
            connectionMessages.push_back(message.wParam);
        }
        if (message.id == kRequestDone && message.wParam == 0) {
            requestResults.push_back(message.lParam);
        }
        return 0;
    }
};

size_t CountThreads() {
    size_t count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        closedir(tasks);
    }
    return count;
}

// A joined thread can stay listed under /proc for a moment after the join returns (the kernel wakes
// the joiner before it has finished reaping the task), so a count is awaited, bounded, not read once.
size_t ThreadCountOnceAtMost(size_t limit) {
    const auto until = std::chrono::steady_clock::now() + kBound;
    size_t count = CountThreads();
    while (count > limit && std::chrono::steady_clock::now() < until) {
        std::this_thread::yield();
        count = CountThreads();
    }
    return count;
}

class HandHeldProbePipe : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/orv-pipe-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
        m_path = m_folder + "/" + kHandHeldProbePipeName;
        InformationLog::Instance().SetClosing(false);
        m_previousSink = InformationLog::Instance().SetSink([this](uint8_t kind, const std::string& line) {
            std::lock_guard guard(m_logLock);
            m_logLines.emplace_back(kind, line);
        });
    }

    void TearDown() override {
        m_manager.reset();
        InformationLog::Instance().SetSink(m_previousSink);
        std::string command = "rm -rf '" + m_folder + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    CNamedPipeListenerManager& StartListener() {
        m_manager = std::make_unique<CNamedPipeListenerManager>(&m_frame, m_path);
        EXPECT_TRUE(m_manager->Start());
        EXPECT_EQ(m_manager->WaitUntilSettled(kBound), CNamedPipeListenerManager::State::Listening);
        return *m_manager;
    }

    void WaitForRequestResults(size_t count) {
        const auto until = std::chrono::steady_clock::now() + kBound;
        while (m_frame.requestResults.size() < count && std::chrono::steady_clock::now() < until) {
            m_ui.PumpFor(20ms);
        }
        ASSERT_GE(m_frame.requestResults.size(), count);
    }

    bool Start(CNamedPipeIncomingClient& client) {
        return client.StartHandHeldProbeRequest(1, 2, 3, 4, 5, m_frame, MainFrameStandIn::kRequestDone);
    }

    size_t CountConnects() const {
        return static_cast<size_t>(
            std::count(m_frame.connectionMessages.begin(), m_frame.connectionMessages.end(), 1u));
    }

    // Pumps the main frame's queue until `count` connection messages (any, or only connects) came.
    void WaitForConnectionMessages(size_t count, bool connectsOnly = false) {
        const auto until = std::chrono::steady_clock::now() + kBound;
        auto have = [&] { return connectsOnly ? CountConnects() : m_frame.connectionMessages.size(); };
        while (have() < count && std::chrono::steady_clock::now() < until) {
            m_ui.PumpFor(20ms);
        }
        ASSERT_GE(have(), count);
    }
    void WaitForConnects(size_t count) { WaitForConnectionMessages(count, true); }

    // Connects the program and answers the client the listener made for it.
    std::shared_ptr<CNamedPipeIncomingClient> Connect(HandHeldProbeClientProcess& program) {
        const size_t before = CountConnects();
        program.Connect();
        WaitForConnects(before + 1);
        return m_manager->GetCurrentClient();
    }

    std::vector<std::string> LogLines() {
        std::lock_guard guard(m_logLock);
        std::vector<std::string> lines;
        for (const auto& [kind, line] : m_logLines) {
            lines.push_back(line);
        }
        return lines;
    }

    static int32_t Ask(CNamedPipeIncomingClient& client, std::stop_token stop = {}) {
        return client.SendHandHeldProbeRequest(1, 2, 3, 4, 5, std::move(stop));
    }

    MessageThread m_ui;
    MainFrameStandIn m_frame{m_ui};
    std::string m_folder;
    std::string m_path;
    std::unique_ptr<CNamedPipeListenerManager> m_manager;
    std::mutex m_logLock;
    std::vector<std::pair<uint8_t, std::string>> m_logLines;
    InformationLog::Sink m_previousSink;
};

// Out of file handles, the waiting connection keeps the socket readable: the listener tries again
// once per poll period (the fake clock counts the waits), logs the failure once, and takes the
// connection once a handle is free.
TEST_F(HandHeldProbePipe, AnAcceptOutOfFileHandlesIsRetriedAtThePollPeriod) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizers' runtimes open descriptors of their own (UBSan's type check probes memory
    // through a pipe): with none left they report sound code as faulty; the normal tree runs it.
    GTEST_SKIP() << "needs a process whose runtime opens no descriptors of its own";
#endif
    FakeClock clock;
    ScopedClockInstall install(clock);
    StartListener();
    const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(client, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, m_path.c_str(), sizeof address.sun_path - 1);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    // The lowest free descriptor becomes the limit: the accept of the next connection fails.
    const int probe = ::dup(client);
    ASSERT_GE(probe, 0);
    ::close(probe);
    rlimit exhausted = saved;
    exhausted.rlim_cur = static_cast<rlim_t>(probe);
    std::atomic<int> waits{0};
    clock.SetPauseHook([&](Clock::TimePoint) {
        if (waits.fetch_add(1) + 1 == 5) {
            ::setrlimit(RLIMIT_NOFILE, &saved);
        }
    });
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &exhausted), 0);
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    WaitForConnects(1);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    clock.SetPauseHook({});
    ::close(client);
    // The listener's thread waits on the installed clock: it ends before the clock leaves scope.
    m_manager.reset();

    EXPECT_GE(waits.load(), 5);
    for (const Clock::Duration pause : clock.Pauses()) {
        EXPECT_EQ(pause, std::chrono::duration_cast<Clock::Duration>(CNamedPipeListenerManager::kPollPeriod));
    }
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("The hand-held probe pipe cannot accept a connection") !=
                                       std::string::npos;
                            }),
              1);
}

TEST_F(HandHeldProbePipe, ResultsComeBackAsSentAndTheRequestCarriesItsValues) {
    StartListener();
    HandHeldProbeClientProcess program(m_path);
    auto client = Connect(program);
    ASSERT_TRUE(client);
    for (const int32_t result : {0, -1, 7}) {
        program.ReplyWith(result);
        EXPECT_EQ(client->SendHandHeldProbeRequest(11, -2, 3, 40, 5), result);
        EXPECT_EQ(program.WaitForRequest(), (std::array<int32_t, 5>{11, -2, 3, 40, 5}));
    }
}

TEST_F(HandHeldProbePipe, AReplyInTwoWritesIsTakenOnceWhole) {
    StartListener();
    HandHeldProbeClientProcess program(m_path);
    auto client = Connect(program);
    program.ReplySplit(6, 4);
    auto answer = std::async(std::launch::async, [&] { return Ask(*client); });
    program.WaitForReport("PARTIAL");
    EXPECT_EQ(answer.wait_for(100ms), std::future_status::timeout);
    program.WriteRest();
    EXPECT_EQ(answer.get(), 6);
}

TEST_F(HandHeldProbePipe, MessagesAreRemovedByTheirTotalLength) {
    StartListener();
    HandHeldProbeClientProcess program(m_path);
    auto client = Connect(program);
    using P = HandHeldProbeClientProcess;
    auto join = [](std::vector<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> all;
        for (const auto& part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int32_t expected;
    };
    const std::vector<Case> cases{
        {"a 1003 of 12 bytes, then a reply",
         join({P::Message(1003, 12, std::vector<uint8_t>(6, 0xE9)), P::Reply(21)}), 21},
        {"a reply of total length 6 is skipped", join({P::Message(1002, 6), P::Reply(22)}), 22},
        {"a reply of total length 12 answers", P::Reply(23, 12), 23},
        {"a length below the header removes the header", join({P::Message(1003, 2), P::Reply(24)}), 24},
        {"an unknown type of 100 bytes",
         join({P::Message(4711, 100, std::vector<uint8_t>(94, 0x5A)), P::Reply(25)}), 25},
        {"an unknown type of 5,120 bytes",
         join({P::Message(0, 5120, std::vector<uint8_t>(5114, 0xEA)), P::Reply(26)}), 26},
        {"an unknown type of 10,229 bytes",
         join({P::Message(9, 10229, std::vector<uint8_t>(10223, 0xEA)), P::Reply(27)}), 27},
    };
    for (const Case& c : cases) {
        program.AnswerWith(c.bytes);
        EXPECT_EQ(Ask(*client), c.expected) << c.what;
        program.WaitForRequest();
    }
    // After a reply of 12 bytes the next message still parses.
    program.ReplyWith(-1);
    EXPECT_EQ(Ask(*client), -1);
}

TEST_F(HandHeldProbePipe, NoReplyAnswersMinusTwoAfterThirtySecondsOfTheClock) {
    StartListener();
    HandHeldProbeClientProcess program(m_path);
    auto client = Connect(program);
    program.LeaveUnanswered();
    FakeClock clock;
    ScopedClockInstall installed(clock);
    EXPECT_EQ(Ask(*client), -2);
    EXPECT_GE(clock.TotalPaused(), 30s);
    EXPECT_LT(clock.TotalPaused(), 31s);
    program.WaitForRequest();
}

TEST_F(HandHeldProbePipe, AStopTokenEndsTheWait) {
    StartListener();
    HandHeldProbeClientProcess program(m_path);
    auto client = Connect(program);
    program.LeaveUnanswered();
    std::stop_source stop;
    auto answer = std::async(std::launch::async, [&] { return Ask(*client, stop.get_token()); });
    program.WaitForRequest();
    stop.request_stop();
    ASSERT_EQ(answer.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(answer.get(), -2);
}

TEST_F(HandHeldProbePipe, ASecondProgramReplacesTheFirstAndItsRequestAnswersMinusTwo) {
    StartListener();
    HandHeldProbeClientProcess first(m_path);
    auto firstClient = Connect(first);
    first.LeaveUnanswered();
    auto pending = std::async(std::launch::async, [&] { return Ask(*firstClient); });
    first.WaitForRequest();

    HandHeldProbeClientProcess second(m_path);
    auto secondClient = Connect(second);
    EXPECT_EQ(m_frame.connectionMessages, (std::vector<uint64_t>{1, 1}));
    ASSERT_NE(secondClient, firstClient);
    ASSERT_EQ(pending.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(pending.get(), -2);
    EXPECT_FALSE(firstClient->IsReaderRunning());
    EXPECT_FALSE(firstClient->IsConnected());
    EXPECT_EQ(Ask(*firstClient), -2);

    // The listener no longer holds the first client: this is the last reference.
    std::weak_ptr<CNamedPipeIncomingClient> gone = firstClient;
    firstClient.reset();
    EXPECT_TRUE(gone.expired());

    second.ReplyWith(3);
    EXPECT_EQ(Ask(*secondClient), 3);
}

TEST_F(HandHeldProbePipe, AHangUpPostsZeroAndAnswersTheRequestAtOnce) {
    StartListener();
    HandHeldProbeClientProcess program(m_path);
    auto client = Connect(program);
    program.LeaveUnanswered();
    auto pending = std::async(std::launch::async, [&] { return Ask(*client); });
    program.WaitForRequest();
    program.HangUp();
    ASSERT_EQ(pending.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(pending.get(), -2);
    WaitForConnectionMessages(2);
    EXPECT_EQ(m_frame.connectionMessages, (std::vector<uint64_t>{1, 0}));
    EXPECT_FALSE(client->IsConnected());
    EXPECT_EQ(Ask(*client), -2);
    // The listener goes on: the next program is served.
    HandHeldProbeClientProcess next(m_path);
    auto nextClient = Connect(next);
    next.ReplyWith(0);
    EXPECT_EQ(Ask(*nextClient), 0);
}

TEST_F(HandHeldProbePipe, GarbageWithHugeLengthsNeitherGrowsNorBlocksTheTimeOut) {
    StartListener();
    HandHeldProbeClientProcess program(m_path);
    auto client = Connect(program);
    program.LeaveUnanswered();
    auto garbage = std::async(std::launch::async, [&] { program.WriteGarbage(1 << 20, 17); });
    {
        FakeClock clock;
        ScopedClockInstall installed(clock);
        EXPECT_EQ(Ask(*client), -2);
        EXPECT_GE(clock.TotalPaused(), 30s);
    }
    ASSERT_EQ(garbage.wait_for(kBound), std::future_status::ready);
    garbage.get();
    program.WaitForRequest();
    EXPECT_TRUE(client->IsConnected());
    EXPECT_TRUE(client->IsReaderRunning());
}

TEST_F(HandHeldProbePipe, TwoHundredConnectionsInARowLeaveOneClientAndOneReader) {
    // A sanitizer runtime starts a helper thread of its own with the first thread a test makes:
    // let that happen before the count is taken.
    std::thread([] {}).join();
    const size_t threadsBefore = CountThreads();
    StartListener();
    std::vector<std::weak_ptr<CNamedPipeIncomingClient>> clients;
    for (int i = 0; i < 200; ++i) {
        UnixStreamSocket socket = UnixStreamSocket::Connect(m_path);
        ASSERT_TRUE(socket.IsValid());
        WaitForConnects(static_cast<size_t>(i) + 1);
        clients.push_back(m_manager->GetCurrentClient());
    }
    // Each socket closed as it went out of scope; only hang-ups of clients still current post 0.
    for (size_t i = 0; i + 1 < clients.size(); ++i) {
        EXPECT_TRUE(clients[i].expired()) << i;
    }
    EXPECT_FALSE(clients.back().expired());
    EXPECT_EQ(m_manager->GetAcceptedCount(), 200);
    EXPECT_LE(ThreadCountOnceAtMost(threadsBefore + 2),
              threadsBefore + 2); // the listener and at most one reader
    m_manager.reset();
    EXPECT_EQ(ThreadCountOnceAtMost(threadsBefore), threadsBefore);
}

TEST_F(HandHeldProbePipe, EveryAcceptIsLoggedWithTheCountOfEarlierOnesUnlessClosing) {
    StartListener();
    for (int i = 0; i < 2; ++i) {
        UnixStreamSocket socket = UnixStreamSocket::Connect(m_path);
        WaitForConnects(static_cast<size_t>(i) + 1);
    }
    InformationLog::Instance().SetClosing(true);
    UnixStreamSocket late = UnixStreamSocket::Connect(m_path);
    WaitForConnects(3);
    InformationLog::Instance().SetClosing(false);
    std::vector<std::string> accepted;
    for (const std::string& line : LogLines()) {
        if (line.find("Accept a new connection") != std::string::npos) {
            accepted.push_back(line);
        }
    }
    ASSERT_EQ(accepted.size(), 2u);
    const std::string text = "******-Accept a new connection for Orvilant API Client ::";
    EXPECT_NE(accepted[0].find(text + "0"), std::string::npos) << accepted[0];
    EXPECT_NE(accepted[1].find(text + "1"), std::string::npos) << accepted[1];
}

TEST_F(HandHeldProbePipe, DestroyingTheManagerWithARequestPendingAnswersItAndDoesNotHang) {
    StartListener();
    HandHeldProbeClientProcess program(m_path);
    auto client = Connect(program);
    program.LeaveUnanswered();
    auto pending = std::async(std::launch::async, [&] { return Ask(*client); });
    program.WaitForRequest();
    m_manager.reset();
    ASSERT_EQ(pending.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(pending.get(), -2);
    EXPECT_FALSE(client->IsReaderRunning());
    // The socket is gone with its listener: nobody else can connect.
    EXPECT_NE(access(m_path.c_str(), F_OK), 0);
}

TEST_F(HandHeldProbePipe, ARequestCanBeAnsweredOnTheMainFramesQueueOnceEach) {
    // The reader watches the deadline of such a request, so the clock is in place before it starts.
    FakeClock clock;
    ScopedClockInstall installed(clock);
    StartListener();
    auto program = std::make_unique<HandHeldProbeClientProcess>(m_path);
    auto client = Connect(*program);

    program->ReplyWith(-1);
    ASSERT_TRUE(Start(*client));
    WaitForRequestResults(1);
    EXPECT_EQ(m_frame.requestResults, (std::vector<int64_t>{-1}));
    EXPECT_EQ(program->WaitForRequest(), (std::array<int32_t, 5>{1, 2, 3, 4, 5}));

    // Unanswered: -2 once the clock has passed the 30 seconds, and never before.
    program->LeaveUnanswered();
    ASSERT_TRUE(Start(*client));
    EXPECT_FALSE(Start(*client)); // one request at a time
    EXPECT_EQ(Ask(*client), -2);  // nor does a waiting request slip in
    program->WaitForRequest();
    clock.Advance(29s);
    EXPECT_EQ(m_ui.PumpFor(100ms), 0u);
    clock.Advance(2s);
    WaitForRequestResults(2);
    EXPECT_EQ(m_frame.requestResults.back(), -2);

    // A hang-up answers the pending request; a gone client answers at once.
    program->LeaveUnanswered();
    ASSERT_TRUE(Start(*client));
    program->WaitForRequest();
    program->HangUp();
    WaitForRequestResults(3);
    EXPECT_EQ(m_frame.requestResults.back(), -2);
    ASSERT_TRUE(Start(*client));
    WaitForRequestResults(4);
    EXPECT_EQ(m_frame.requestResults, (std::vector<int64_t>{-1, -2, -2, -2}));

    program.reset();
    m_manager.reset(); // its reader is gone before the clock
    EXPECT_EQ(m_frame.requestResults.size(), 4u);
}

TEST_F(HandHeldProbePipe, RequestsToAProgramThatStopsReadingLeaveItsStreamOfWholeMessages) {
    FakeClock clock; // each unanswered request runs out at once
    ScopedClockInstall installed(clock);
    StartListener();
    UnixStreamSocket program = UnixStreamSocket::Connect(m_path);
    WaitForConnects(1);
    auto client = m_manager->GetCurrentClient();
    // More than the socket's buffers hold: some requests go out in part, later ones not at all.
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(Ask(*client), -2);
    }
    std::vector<uint8_t> stream;
    std::array<uint8_t, 65536> buffer{};
    while (program.WaitReadable(stream.size() % 26 == 0 ? 200 : 5000)) {
        const ssize_t got = program.ReadSome(buffer.data(), buffer.size());
        ASSERT_GT(got, 0);
        stream.insert(stream.end(), buffer.begin(), buffer.begin() + got);
    }
    ASSERT_EQ(stream.size() % 26, 0u);
    EXPECT_GT(stream.size(), 26u * 100);
    EXPECT_LT(stream.size(), 26u * 20000) << "the buffers never filled";
    const auto expected = EncodeHandHeldProbeRequest({1, 2, 3, 4, 5});
    for (size_t at = 0; at < stream.size(); at += 26) {
        ASSERT_TRUE(
            std::equal(expected.begin(), expected.end(), stream.begin() + static_cast<std::ptrdiff_t>(at)))
            << at;
    }
    m_manager.reset(); // its reader is gone before the clock
}

TEST_F(HandHeldProbePipe, ALeftoverSocketIsReplacedAndAnythingElseEndsTheListener) {
    {
        // A socket left behind by a run that ended without removing it.
        const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", m_path.c_str());
        ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(stale);
    }
    StartListener();
    HandHeldProbeClientProcess program(m_path);
    auto client = Connect(program);
    program.ReplyWith(-1);
    EXPECT_EQ(Ask(*client), -1);
    m_manager.reset();

    { std::ofstream(m_path) << "keep me"; }
    CNamedPipeListenerManager taken(&m_frame, m_path);
    ASSERT_TRUE(taken.Start());
    EXPECT_EQ(taken.WaitUntilSettled(kBound), CNamedPipeListenerManager::State::Ended);
    std::string kept;
    std::getline(std::ifstream(m_path), kept);
    EXPECT_EQ(kept, "keep me");
    bool logged = false;
    for (const std::string& line : LogLines()) {
        logged = logged || line.find("Could not create the hand-held probe pipe") != std::string::npos;
    }
    EXPECT_TRUE(logged);

    CNamedPipeListenerManager tooLong(&m_frame, m_folder + "/" + std::string(120, 'n'));
    ASSERT_TRUE(tooLong.Start());
    EXPECT_EQ(tooLong.WaitUntilSettled(kBound), CNamedPipeListenerManager::State::Ended);
    EXPECT_FALSE(tooLong.Start());
}

} // namespace
} // namespace orv
