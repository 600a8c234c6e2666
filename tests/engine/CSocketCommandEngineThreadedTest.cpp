#include "analyzers/CInstrumentInfo.h"
#include "engine/CEngineObjects.h"
#include "engine/CScanRunnerTable.h"
#include "engine/CSocketCommandEngine.h"
#include "engine/CSocketDataEngine.h"
#include "engine/RunScan.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "platform/clock/Clock.h"
#include "platform/sync/Event.h"
#include "tests/engine/support/EngineLinkFixture.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace orv::test {
namespace {

using namespace std::chrono_literals;

constexpr uint16_t kLongScan = 200;
constexpr uint16_t kStuckScan = 201;
constexpr uint16_t kProbeScan = 202;

struct RunnerRecord {
    std::atomic<int> started{0};
    std::atomic<int> destroyed{0};
    std::atomic<int> stoppedAtStart{0};
    Event release{Event::Reset::Manual};
};

// Scans until a stop is requested, pausing on the scan's stop token.
class LongRunner final : public RunScan {
public:
    LongRunner(const CEngineContext& context, RunnerRecord& record) : RunScan(context), m_record(record) {}
    ~LongRunner() override { ++m_record.destroyed; }
    void RunScanStart() override {
        ++m_record.started;
        while (!StopTest()) {
            ClockSleep(1ms, GetStopToken());
        }
    }

private:
    RunnerRecord& m_record;
};

// Ignores the stop flag until the test releases it.
class StuckRunner final : public RunScan {
public:
    StuckRunner(const CEngineContext& context, RunnerRecord& record) : RunScan(context), m_record(record) {}
    ~StuckRunner() override { ++m_record.destroyed; }
    void RunScanStart() override {
        ++m_record.started;
        m_record.release.Wait();
    }

private:
    RunnerRecord& m_record;
};

// Looks once whether a stop is pending when it starts.
class ProbeRunner final : public RunScan {
public:
    ProbeRunner(const CEngineContext& context, RunnerRecord& record) : RunScan(context), m_record(record) {}
    ~ProbeRunner() override { ++m_record.destroyed; }
    void RunScanStart() override {
        ++m_record.started;
        if (StopTest()) {
            ++m_record.stoppedAtStart;
        }
    }

private:
    RunnerRecord& m_record;
};

void RegisterTestRunners(CScanRunnerTable& table, RunnerRecord& record) {
    table.Register(kLongScan,
                   [&record](const CEngineContext& c) { return std::make_unique<LongRunner>(c, record); });
    table.Register(kStuckScan,
                   [&record](const CEngineContext& c) { return std::make_unique<StuckRunner>(c, record); });
    table.Register(kProbeScan,
                   [&record](const CEngineContext& c) { return std::make_unique<ProbeRunner>(c, record); });
}

Bytes SetupFrame(uint16_t scanType) {
    return Frame(1, SetupBody({.scanType = scanType}));
}

class ScanThread : public ::testing::Test {
protected:
    ScanThread() {
        m_data.SetChannel(&m_dataPipe);
        m_data.Start();
        RegisterTestRunners(m_runners, m_record);
        CEngineContext context;
        context.setup = &m_setup;
        context.stopFlag = &m_stopFlag;
        context.data = &m_data;
        context.runners = &m_runners;
        context.devices = &m_devices;
        m_engine = std::make_unique<CSocketCommandEngine>(context);
        m_engine->SetChannel(&m_pipe);
        m_engine->Start();
    }
    ~ScanThread() override {
        m_record.release.Set();
        m_engine.reset();
    }

    std::vector<ReplyFrame> Send(const Bytes& bytes, std::size_t replies) {
        WriteAll(m_pipe, bytes);
        return WaitForFrames(m_pipe, replies, 5s, m_pending);
    }
    std::vector<ReplyFrame> DataFrames(std::size_t count) {
        return WaitForFrames(m_dataPipe, count, 5s, m_dataPending);
    }
    bool WaitForStarts(int count) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (m_record.started.load() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        return m_record.started.load() >= count;
    }

    LogCapture m_log;
    CTransferPipe m_pipe;
    CTransferPipe m_dataPipe;
    SetupScan m_setup;
    ScanStopFlag m_stopFlag;
    CSocketDataEngine m_data;
    CScanRunnerTable m_runners;
    FakeEngineDevices m_devices;
    RunnerRecord m_record;
    std::unique_ptr<CSocketCommandEngine> m_engine;
    Bytes m_pending;
    Bytes m_dataPending;
};

TEST_F(ScanThread, APlainScanTypeWritesOnlyTerminatorZeroAndClearsBothStopBytes) {
    ASSERT_EQ(Send(SetupFrame(105), 1).size(), 1U);
    m_stopFlag.SetStopAcknowledged(1);
    const std::vector<ReplyFrame> replies = Send(Frame(2, {1}), 1);
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(replies[0].id, 2);
    EXPECT_EQ(replies[0].body, Bytes{1});
    const std::vector<ReplyFrame> data = DataFrames(1);
    ASSERT_EQ(data.size(), 1U);
    EXPECT_EQ(data[0].id, 103);
    EXPECT_EQ(data[0].body, LittleEndian32(0));
    ASSERT_TRUE(m_engine->WaitForScanEnd(5s));
    EXPECT_EQ(m_stopFlag.GetStopRequest(), 0);
    EXPECT_EQ(m_stopFlag.GetStopAcknowledged(), 0);
    EXPECT_EQ(m_devices.beginScans.load(), 1);
    EXPECT_EQ(m_devices.endScans.load(), 1);
    EXPECT_TRUE(ReadFrames(m_dataPipe, m_dataPending).empty());
}

TEST_F(ScanThread, ScanTypesWithoutTheirRunnerFailAtOnce) {
    for (const uint16_t type : {99, 100, 101, 112}) {
        SCOPED_TRACE(type);
        m_log.Clear();
        ASSERT_EQ(Send(SetupFrame(type), 1).size(), 1U);
        ASSERT_EQ(Send(Frame(2, {0}), 1).size(), 1U);
        const std::vector<ReplyFrame> data = DataFrames(1);
        ASSERT_EQ(data.size(), 1U);
        EXPECT_EQ(data[0].id, 103);
        EXPECT_EQ(data[0].body, LittleEndian32(700));
        ASSERT_TRUE(m_engine->WaitForScanEnd(5s));
        EXPECT_TRUE(m_log.Has("RunScan --- no runner for scan type " + std::to_string(type) +
                              "; the scan is not run."));
    }
}

TEST_F(ScanThread, AStopSentWhileIdleDoesNotEndTheNextScan) {
    ASSERT_EQ(Send(Frame(3), 1).size(), 1U);
    EXPECT_EQ(m_stopFlag.GetStopRequest(), 1);
    ASSERT_EQ(Send(SetupFrame(kProbeScan), 1).size(), 1U);
    ASSERT_EQ(Send(Frame(2, {0}), 1).size(), 1U);
    ASSERT_EQ(DataFrames(1).size(), 1U);
    ASSERT_TRUE(m_engine->WaitForScanEnd(5s));
    EXPECT_EQ(m_record.started.load(), 1);
    EXPECT_EQ(m_record.stoppedAtStart.load(), 0);
    EXPECT_EQ(m_record.destroyed.load(), 1);
}

TEST_F(ScanThread, AGoDuringALongScanStopsItAndStartsAnew) {
    ASSERT_EQ(Send(SetupFrame(kLongScan), 1).size(), 1U);
    ASSERT_EQ(Send(Frame(2, {1}), 1).size(), 1U);
    ASSERT_TRUE(WaitForStarts(1));
    ASSERT_EQ(Send(Frame(2, {1}), 1).size(), 1U);
    ASSERT_TRUE(WaitForStarts(2));
    std::vector<ReplyFrame> data = DataFrames(1);
    ASSERT_EQ(data.size(), 1U);
    EXPECT_EQ(data[0].body, LittleEndian32(0));
    EXPECT_EQ(m_record.destroyed.load(), 1);
    EXPECT_TRUE(m_engine->IsScanRunning());
    ASSERT_EQ(Send(Frame(3), 1).size(), 1U);
    data = DataFrames(1);
    ASSERT_EQ(data.size(), 1U);
    EXPECT_EQ(data[0].body, LittleEndian32(0));
    ASSERT_TRUE(m_engine->WaitForScanEnd(5s));
    EXPECT_EQ(m_record.destroyed.load(), 2);
}

TEST_F(ScanThread, AScanThatDoesNotStopMakesTheGoFailWithTheRunsOneTerminator) {
    m_engine->SetScanEndBound(50ms);
    ASSERT_EQ(Send(SetupFrame(kStuckScan), 1).size(), 1U);
    ASSERT_EQ(Send(Frame(2, {0}), 1).size(), 1U);
    ASSERT_TRUE(WaitForStarts(1));
    ASSERT_EQ(Send(Frame(2, {0}), 1).size(), 1U);
    std::vector<ReplyFrame> data = DataFrames(1);
    ASSERT_EQ(data.size(), 1U);
    EXPECT_EQ(data[0].body, LittleEndian32(700));
    EXPECT_TRUE(m_log.Has("commandID = 2 --- the running scan did not stop; the go is refused."));
    EXPECT_EQ(m_record.started.load(), 1);
    // A set-up meanwhile is refused: the set-up in force comes back marked failed.
    const std::vector<ReplyFrame> refused = Send(Frame(1, SetupBody({.scanType = kProbeScan})), 1);
    ASSERT_EQ(refused.size(), 1U);
    EXPECT_EQ(ValueAt<uint16_t>(refused[0].body, 0), kStuckScan);
    EXPECT_EQ(ValueAt<uint32_t>(refused[0].body, SetupTail(2, 3) + 60), 700U);
    EXPECT_EQ(m_setup.GetScanType(), kStuckScan);
    EXPECT_TRUE(m_log.Has("commandID = 1 --- set-up refused: a scan is running."));
    // The old scan's own end writes no second terminator.
    m_record.release.Set();
    ASSERT_TRUE(m_engine->WaitForScanEnd(5s));
    EXPECT_TRUE(ReadFrames(m_dataPipe, m_dataPending).empty());
    // The next go runs again.
    ASSERT_EQ(Send(Frame(2, {0}), 1).size(), 1U);
    ASSERT_TRUE(WaitForStarts(2));
}

TEST_F(ScanThread, DestroyingTheEngineMidScanEndsWithinItsBound) {
    ASSERT_EQ(Send(SetupFrame(kLongScan), 1).size(), 1U);
    ASSERT_EQ(Send(Frame(2, {1}), 1).size(), 1U);
    ASSERT_TRUE(WaitForStarts(1));
    const auto start = std::chrono::steady_clock::now();
    m_engine.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, CSocketCommandEngine::kScanEndBound);
    EXPECT_EQ(m_record.destroyed.load(), 1);
}

TEST_F(ScanThread, GoStopAndSetUpStressFromAClientThreadKeepsEveryFrameWhole) {
    std::atomic<bool> stepsDone{false};
    // Set-up steps arrive from another thread meanwhile, as the analyser set-up sends them.
    std::thread steps([this, &stepsDone] {
        for (uint16_t step = 1; step <= 200; ++step) {
            m_engine->SendTextPacket(step, 19, "Setting the span of the analyser");
        }
        stepsDone = true;
    });
    std::mt19937 random(7);
    std::size_t expectedReplies = 0;
    std::vector<ReplyFrame> replies;
    for (int i = 0; i < 300; ++i) {
        switch (random() % 3) {
        case 0:
            WriteAll(m_pipe, SetupFrame(random() % 2 == 0 ? kLongScan : kProbeScan));
            break;
        case 1:
            WriteAll(m_pipe, Frame(2, {static_cast<uint8_t>(random() % 2)}));
            break;
        default:
            WriteAll(m_pipe, Frame(3));
            break;
        }
        ++expectedReplies;
        for (ReplyFrame& frame : ReadFrames(m_pipe, m_pending)) {
            replies.push_back(std::move(frame));
        }
    }
    steps.join();
    for (ReplyFrame& frame : WaitForFrames(m_pipe, expectedReplies + 200 - replies.size(), 10s, m_pending)) {
        replies.push_back(std::move(frame));
    }
    ASSERT_TRUE(stepsDone);
    ASSERT_EQ(replies.size(), expectedReplies + 200);
    std::size_t textPackets = 0;
    for (const ReplyFrame& frame : replies) {
        ASSERT_TRUE(frame.id == 1 || frame.id == 2 || frame.id == 3 || frame.id == 4004) << frame.id;
        if (frame.id == 4004) {
            ++textPackets;
            EXPECT_EQ(std::string(frame.body.begin() + 4, frame.body.end()),
                      "Setting the span of the analyser");
        }
    }
    EXPECT_EQ(textPackets, 200U);
    Send(Frame(3), 1);
    EXPECT_TRUE(m_engine->WaitForScanEnd(5s));
}

TEST(CSocketDataEngine, ASendWaitsForTheClientToMakeRoomAndGivesUpAtShutdown) {
    LogCapture log;
    CTransferPipe pipe;
    CSocketDataEngine data;
    data.SetChannel(&pipe);
    const Bytes filler(CTransferPipe::kQueueBytes - 5, 0x11);
    ASSERT_TRUE(data.Send(filler.data(), filler.size()));
    const Bytes frame = Frame(105, Bytes(15, 0x22));
    std::atomic<bool> sent{false};
    std::thread sender([&] { sent = data.Send(frame.data(), frame.size()); });
    Bytes sink(100000);
    Bytes all;
    while (all.size() < filler.size() + frame.size()) {
        const std::size_t n = pipe.ReadFromEngine(sink.data(), sink.size());
        all.insert(all.end(), sink.begin(), sink.begin() + static_cast<std::ptrdiff_t>(n));
        if (n == 0) {
            pipe.WaitForEngineBytes(200ms);
        }
    }
    sender.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(Bytes(all.end() - static_cast<std::ptrdiff_t>(frame.size()), all.end()), frame);

    // A client that stops reading: the send ends at shutdown and reports the failure.
    ASSERT_TRUE(data.Send(filler.data(), filler.size()));
    std::thread blocked([&] { sent = data.Send(frame.data(), frame.size()); });
    std::this_thread::yield();
    data.Shutdown();
    blocked.join();
    EXPECT_FALSE(sent);
    EXPECT_TRUE(log.Has("sending packet failed."));
}

TEST(CSocketDataEngine, TheReceiveThreadDropsWholeFramesAndStrayBytes) {
    CTransferPipe pipe;
    CSocketDataEngine data;
    data.SetChannel(&pipe);
    data.Start();
    Bytes stream = Frame(3);
    const Bytes junk{'n', 'o', 'i', 's', 'e'};
    stream.insert(stream.end(), junk.begin(), junk.end());
    const Bytes big = Frame(99, Bytes(30000, 1)); // longer than the receive buffer
    stream.insert(stream.end(), big.begin(), big.end());
    const Bytes last = Frame(105, Bytes(15, 0));
    stream.insert(stream.end(), last.begin(), last.end());
    std::size_t written = 0;
    while (written < stream.size()) {
        written += pipe.WriteToEngine(stream.data() + written, stream.size() - written);
    }
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (data.DroppedFrames() < 2 && std::chrono::steady_clock::now() < deadline) {
        pipe.WaitForEngineRead(50ms);
    }
    EXPECT_EQ(data.DroppedFrames(), 2U);
    EXPECT_EQ(pipe.EngineBoundFill(), 0U);
}

TEST(CEngineObjects, StartUpAnswersOnTheCommandPipeAndTeardownJoinsEveryThread) {
    RunnerRecord record;
    auto devices = std::make_unique<FakeEngineDevices>();
    FakeEngineDevices* fake = devices.get();
    auto objects = std::make_unique<CEngineObjects>(CEngineStartup{std::move(devices), nullptr, nullptr, {}});
    RegisterTestRunners(objects->GetRunnerTable(), record);
    EXPECT_EQ(objects->GetDevices(), fake);
    EXPECT_EQ(GetInstrumentInfo().GetSupportedAnalyzers().size(), CInstrumentInfo::kSupportedAnalyzerCount);
    EXPECT_EQ(objects->GetSetupScan().GetTeardownFlag(), 0);
    Bytes pending;
    WriteAll(objects->GetCommandPipe(), SetupFrame(kLongScan));
    WriteAll(objects->GetCommandPipe(), Frame(2, {1}));
    const std::vector<ReplyFrame> replies = WaitForFrames(objects->GetCommandPipe(), 2, 5s, pending);
    ASSERT_EQ(replies.size(), 2U);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (record.started.load() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_EQ(record.started.load(), 1);
    EXPECT_TRUE(objects->GetDataEngine().IsReceiving());
    objects.reset();
    EXPECT_EQ(record.destroyed.load(), 1);
}

} // namespace
} // namespace orv::test
