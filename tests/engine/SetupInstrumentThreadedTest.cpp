// The set-up command through the running engine: the command pipe in, the step reports and the
// reply out, with the device manager the engine makes at start-up.

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CSpectrumAnalyzer.h"
#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "core/NoScannerFallback.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "engine/RunScan.h"
#include "engine/SetupScan.h"
#include "platform/sync/Event.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using namespace std::chrono_literals;

constexpr uint16_t kTextPacket = 4004;

// Field offsets after the grids, shared by the set-up command and its reply.
constexpr std::size_t kRbw = 5;
constexpr std::size_t kCentre = 9;
constexpr std::size_t kSpan = 17;
constexpr std::size_t kBuckets = 37;
constexpr std::size_t kFailureCode = 60;

void PutFloatAt(Bytes& body, std::size_t offset, float value) {
    std::memcpy(body.data() + offset, &value, sizeof value);
}

std::vector<ReplyFrame> Only(const std::vector<ReplyFrame>& frames, uint16_t id) {
    std::vector<ReplyFrame> kept;
    std::copy_if(frames.begin(), frames.end(), std::back_inserter(kept),
                 [id](const ReplyFrame& frame) { return frame.id == id; });
    return kept;
}

std::string TextOf(const ReplyFrame& report) {
    return {report.body.begin() + 4, report.body.end()};
}

// The program started with "-NoSA": the placeholder analyser on its placeholder session and the
// no-scanner driver, both reached through the device manager the engine made.
TEST(SetupInstrumentEndToEnd, ThePlaceholderIsSetUpThroughTheCommandPipe) {
    const TemporaryUserDataFolder folder("orv-setup-e2e");
    const EnvironmentValue libraries("ORV_VISA_LIBRARIES", "");
    const EnvironmentValue resources("ORV_VISA_RESOURCES", "");
    SetNoAnalyzerSwitch(true);
    ResetNoScannerFallback();
    {
        CEngineObjects objects;
        SetupScan& setup = objects.GetSetupScan();
        CDeviceManager* manager = setup.GetDeviceManager();
        ASSERT_NE(manager, nullptr);
        EXPECT_EQ(objects.GetDevices(), manager);
        for (const eProbeType type :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            manager->SetScannerMaker(type, nullptr);
        }
        ASSERT_TRUE(setup.ConnectAnalyzer());
        ASSERT_TRUE(setup.ConnectScanner(eProbeType::NoScanner));
        CTransferPipe& pipe = objects.GetCommandPipe();
        Bytes pending;

        WriteAll(pipe, Frame(4, Bytes{0x84, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        const std::vector<ReplyFrame> driver = WaitForFrames(pipe, 1, 5s, pending);
        ASSERT_EQ(driver.size(), 1U);
        EXPECT_EQ(ValueAt<uint32_t>(driver[0].body, 0), 900U);
        ASSERT_NE(dynamic_cast<CSpectrumAnalyzerNone*>(setup.GetAnalyzer()), nullptr);

        Bytes body = SetupBody({.scanType = 99});
        const std::size_t tail = SetupTail(2, 3);
        PutFloatAt(body, tail + kRbw, 1.0F);
        PutFloatAt(body, tail + kCentre, 2500.0F);
        PutFloatAt(body, tail + kSpan, 4000.0F);
        WriteAll(pipe, Frame(1, body));
        const std::vector<ReplyFrame> frames = WaitForFrames(pipe, 21, 5s, pending);
        ASSERT_EQ(frames.size(), 21U);
        const std::vector<ReplyFrame> reports = Only(frames, kTextPacket);
        ASSERT_EQ(reports.size(), 20U);
        const std::vector<uint16_t> order{0, 1,  2,  3,  4,  5,  6,  7,  8,  10,
                                          9, 12, 11, 13, 14, 15, 16, 17, 18, 19};
        for (std::size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(ValueAt<uint16_t>(reports[i].body, 0), order[i]);
            EXPECT_EQ(ValueAt<uint16_t>(reports[i].body, 2), 19);
        }
        // The placeholder takes at most 3001 of the 4001 points asked for.
        EXPECT_EQ(TextOf(reports[17]), "Setup Scan --- done in 'SetSweepPoints()'   4001.");
        EXPECT_EQ(TextOf(reports[18]), "Setup Scan --- done in 'ReadSweepPoints()'   3001.");
        ASSERT_EQ(frames.back().id, 1);
        const Bytes& reply = frames.back().body;
        EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kFailureCode), 0U);
        EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kBuckets), 3001U);
        EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kSpan), 4000.0F);
        EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kCentre), 2500.0F);
        EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kRbw), 1.0F);
        EXPECT_FLOAT_EQ(setup.GetFrequencyStep(), static_cast<float>((4000.0 - 1.0) / 3000.0));
    }
    ResetNoScannerFallback();
    SetNoAnalyzerSwitch(false);
}

// A scan-time analyser double: each trace holds its own length in every value, so a trace torn by a
// set-up changing the points half-way shows. It takes no lock of its own: the thread sanitizer sees
// a race on its journal unless the device lock keeps the threads apart.
class JournalAnalyzer final : public CSpectrumAnalyzer {
public:
    std::vector<std::string> journal;

    bool SetupSpectrumAnalyzer() override { return Note("set-up begins"); }
    bool SetSweepPoints(int32_t count) override {
        m_sweepPoints = std::clamp(count, 1, 3001);
        return Note("points");
    }
    float ReadSpan() override {
        Note("span");
        return 100.0F;
    }
    float ReadResolution() override {
        Note("rbw");
        return 0.12F;
    }
    int32_t ReadSweepTime() override {
        Note("set-up ends");
        return 7;
    }
    bool SweepAndWait() override {
        m_trace.assign(static_cast<std::size_t>(m_sweepPoints), static_cast<float>(m_sweepPoints));
        return Note("sweep");
    }
    const float* QueryScan() override {
        Note("trace");
        return m_trace.data();
    }
    bool Note(const std::string& what) {
        journal.push_back(what);
        return true;
    }

private:
    std::vector<float> m_trace;
};

struct ScanRecord {
    Event holding{Event::Reset::Manual};
    Event commandSent{Event::Reset::Manual};
    std::atomic<int> cells{0};
    std::atomic<int> tornTraces{0};
};

// Measures cell after cell until stopped, each under the device lock; the first cell keeps the lock
// until the test has sent its commands.
class ScriptedRunner final : public RunScan {
public:
    ScriptedRunner(const CEngineContext& context, ScanRecord& record) : RunScan(context), m_record(record) {}

    void RunScanStart() override {
        CDeviceManager* manager = Context().setup->GetDeviceManager();
        auto* analyzer = static_cast<JournalAnalyzer*>(manager->GetAnalyzer());
        while (!StopTest()) {
            const auto lock = manager->LockDevices();
            analyzer->Note("cell begins");
            if (m_record.cells.load() == 0) {
                m_record.holding.Set();
                m_record.commandSent.Wait();
            }
            if (manager->MeasureCellTrace(-1, -1, 0, 0, 1, true)) {
                const uint32_t length = manager->GetTraceLength();
                const float* values = manager->GetTraceBuffer();
                const bool whole = std::all_of(values, values + length, [length](float value) {
                    return value == static_cast<float>(length);
                });
                m_record.tornTraces += whole ? 0 : 1;
            }
            analyzer->Note("cell ends");
            ++m_record.cells;
        }
    }

private:
    ScanRecord& m_record;
};

TEST(SetupInstrumentThreaded, ASetUpDuringAScanIsRefusedAndNeverReachesTheAnalyser) {
    CEngineObjects objects;
    SetupScan& setup = objects.GetSetupScan();
    CDeviceManager* manager = setup.GetDeviceManager();
    manager->SetAnalyzerFactory([](int32_t) { return std::make_unique<JournalAnalyzer>(); });
    auto* analyzer = static_cast<JournalAnalyzer*>(manager->CreateAnalyzer(1));
    ScanRecord record;
    objects.GetRunnerTable().Register(99, [&record](const CEngineContext& context) {
        return std::make_unique<ScriptedRunner>(context, record);
    });
    CTransferPipe& pipe = objects.GetCommandPipe();
    Bytes pending;

    WriteAll(pipe, Frame(1, SetupBody({.scanType = 99})));
    ASSERT_EQ(Only(WaitForFrames(pipe, 21, 5s, pending), 1).size(), 1U);
    WriteAll(pipe, Frame(2, {0}));
    ASSERT_EQ(WaitForFrames(pipe, 1, 5s, pending).size(), 1U);
    ASSERT_TRUE(record.holding.Wait(5s));

    // Another grid while the scan holds the devices: refused, and so is a driver change; each reply
    // names what stays in force.
    WriteAll(
        pipe,
        Frame(1, SetupBody({.scanType = 99, .rows = 1, .columns = 2, .rowsAgain = 1, .columnsAgain = 2})));
    WriteAll(pipe, Frame(4, Bytes{41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    record.commandSent.Set();
    const std::vector<ReplyFrame> frames = WaitForFrames(pipe, 2, 5s, pending);
    ASSERT_EQ(frames.size(), 2U);
    const std::vector<ReplyFrame> setupReplies = Only(frames, 1);
    ASSERT_EQ(setupReplies.size(), 1U);
    const std::size_t tail = SetupTail(2, 3);
    EXPECT_EQ(ValueAt<int16_t>(setupReplies[0].body, 2), 2);
    EXPECT_EQ(ValueAt<uint32_t>(setupReplies[0].body, tail + kFailureCode), 700U);
    EXPECT_EQ(ValueAt<uint32_t>(setupReplies[0].body, tail + kBuckets), 834U); // ceil(100 / 0.12 + 0.1)
    EXPECT_EQ(setup.GetRows(), 2);
    EXPECT_EQ(setup.GetColumns(), 3);
    const std::vector<ReplyFrame> driverReplies = Only(frames, 4);
    ASSERT_EQ(driverReplies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(driverReplies[0].body, 0), 1U);
    EXPECT_EQ(manager->GetAnalyzer(), analyzer);

    WriteAll(pipe, Frame(3));
    ASSERT_TRUE(objects.GetCommandEngine().WaitForScanEnd(5s));
    EXPECT_FALSE(manager->IsScanRunning());
    EXPECT_EQ(record.tornTraces.load(), 0);
    EXPECT_GE(record.cells.load(), 1);

    // Only the first set-up reached the analyser.
    const std::vector<std::string>& journal = analyzer->journal;
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "set-up begins"), 1);
}

} // namespace
} // namespace orv::test
