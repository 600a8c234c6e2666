// Scans from end to end through the running engine, as the program started with "-NoSA" runs them:
// the placeholder analyser (driver 900) and the no-scanner driver, command frames into the command
// pipe, and every data frame read back from the data pipe by the client's own readers.

#include "analyzers/AnalyzerSwitches.h"
#include "core/NoScannerFallback.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "engine/SetupScan.h"
#include "engine/runners/HandHeldProbeScan.h"
#include "platform/msg/MessageTarget.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTerminator.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/engine/support/PacketReadBack.h"
#include "tests/engine/support/ProbeRequestTarget.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using namespace std::chrono_literals;

// Field offsets after the grids of the set-up body.
constexpr std::size_t kScanOption = 4;
constexpr std::size_t kMeasurePeaks = 49;
constexpr std::size_t kFailureCode = 60;
constexpr std::size_t kScanLevel = 87;
constexpr std::size_t kMapOffset = 6;

// Reads a data frame with the client's reader of its kind; throws on a frame it cannot take.
void ReadWithClientReader(const ReplyFrame& frame) {
    const Bytes whole = Frame(frame.id, frame.body);
    switch (frame.id) {
    case 99:
        ReadBack<QSpectralScan>(whole);
        break;
    case 100:
        ReadBack<QSpatialScan>(whole);
        break;
    case 101:
        ReadBack<QSpectralSpatialScanComponent>(whole);
        break;
    case 103:
        ReadBack<QTerminator>(whole);
        break;
    case 105:
        ReadBack<QScanProgressIndicator>(whole);
        break;
    case 112:
        ReadBack<QHandHeldProbeScan>(whole);
        break;
    default:
        ADD_FAILURE() << "unexpected data frame " << frame.id;
    }
}

class ScanRunnersEndToEnd : public ::testing::Test {
protected:
    ScanRunnersEndToEnd() {
        SetNoAnalyzerSwitch(true);
        ResetNoScannerFallback();
    }
    ~ScanRunnersEndToEnd() override {
        m_objects.reset();
        ResetNoScannerFallback();
        SetNoAnalyzerSwitch(false);
    }

    // The engine with the placeholder analyser and the no-scanner driver, set up for the scan type
    // on a 2 x 3 grid whose cells (0, 0), (0, 2) and (1, 1) are active (none without `active`).
    void StartEngine(uint16_t scanType, uint8_t level = 0, MessageTarget* mainFrame = nullptr,
                     bool active = true) {
        CEngineStartup startup;
        startup.mainFrame = mainFrame;
        m_objects = std::make_unique<CEngineObjects>(std::move(startup));
        SetupScan& setup = m_objects->GetSetupScan();
        CDeviceManager* manager = setup.GetDeviceManager();
        ASSERT_NE(manager, nullptr);
        for (const eProbeType type :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            manager->SetScannerMaker(type, nullptr);
        }
        ASSERT_TRUE(setup.ConnectAnalyzer());
        ASSERT_TRUE(setup.ConnectScanner(eProbeType::NoScanner));
        CTransferPipe& pipe = m_objects->GetCommandPipe();
        WriteAll(pipe, Frame(4, Bytes{0x84, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        ASSERT_EQ(WaitForFrames(pipe, 1, 5s, m_commandPending).size(), 1U);

        Bytes body = SetupBody({.scanType = scanType});
        const std::size_t tail = SetupTail(2, 3);
        body[tail + kScanOption] = 0;
        body[tail + kMeasurePeaks] = 0;
        body[tail + kScanLevel] = level;
        if (!active) {
            std::fill(body.begin() + kMapOffset, body.begin() + kMapOffset + 6, uint8_t{0});
        }
        WriteAll(pipe, Frame(1, body));
        std::vector<ReplyFrame> frames;
        while (frames.empty() || frames.back().id != 1) {
            std::vector<ReplyFrame> more = WaitForFrames(pipe, 1, 5s, m_commandPending);
            ASSERT_FALSE(more.empty());
            frames.insert(frames.end(), more.begin(), more.end());
        }
        ASSERT_EQ(ValueAt<uint32_t>(frames.back().body, tail + kFailureCode), 0U);
    }

    void Go(uint8_t goMode) {
        WriteAll(m_objects->GetCommandPipe(), Frame(2, Bytes{goMode}));
        const std::vector<ReplyFrame> reply =
            WaitForFrames(m_objects->GetCommandPipe(), 1, 5s, m_commandPending);
        ASSERT_EQ(reply.size(), 1U);
        EXPECT_EQ(reply[0].id, 2);
    }

    // Data frames up to and with the terminator (bounded); `whileWaiting` runs between reads.
    std::vector<ReplyFrame>
    DataUntilTerminator(const std::function<void(const std::vector<ReplyFrame>&)>& whileWaiting = {}) {
        std::vector<ReplyFrame> frames;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while ((frames.empty() || frames.back().id != 103) && std::chrono::steady_clock::now() < deadline) {
            std::vector<ReplyFrame> more = ReadFrames(m_objects->GetDataPipe(), m_dataPending);
            frames.insert(frames.end(), more.begin(), more.end());
            if (whileWaiting) {
                whileWaiting(frames);
            }
            if (more.empty()) {
                m_objects->GetDataPipe().WaitForEngineBytes(10ms);
            }
        }
        for (const ReplyFrame& frame : frames) {
            ReadWithClientReader(frame);
        }
        return frames;
    }

    static std::vector<uint16_t> Ids(const std::vector<ReplyFrame>& frames) {
        std::vector<uint16_t> ids;
        for (const ReplyFrame& frame : frames) {
            ids.push_back(frame.id);
        }
        return ids;
    }

    void ExpectEndedCleanly(const std::vector<ReplyFrame>& frames, uint32_t status) {
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.back().id, 103);
        EXPECT_EQ(frames.back().body, LittleEndian32(status));
        ASSERT_TRUE(m_objects->GetCommandEngine().WaitForScanEnd(5s));
        EXPECT_EQ(m_objects->GetStopFlag().GetStopRequest(), 0);
        EXPECT_EQ(m_objects->GetStopFlag().GetStopAcknowledged(), 0);
    }

    TemporaryUserDataFolder m_folder{"orv-runners-e2e"};
    EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", ""};
    EnvironmentValue m_resources{"ORV_VISA_RESOURCES", ""};
    std::unique_ptr<CEngineObjects> m_objects;
    Bytes m_commandPending;
    Bytes m_dataPending;
};

TEST_F(ScanRunnersEndToEnd, ASpectralScanSendsProgressPerCellOneSpectrumAndTerminatorZero) {
    StartEngine(99);
    m_objects->GetStopFlag().SetStopAcknowledged(1);
    Go(0);
    const std::vector<ReplyFrame> frames = DataUntilTerminator();
    EXPECT_EQ(Ids(frames), (std::vector<uint16_t>{105, 105, 105, 99, 103}));
    // As many points as the set-up brought the analyser to.
    EXPECT_EQ(ReadBack<QSpectralScan>(Frame(99, frames[3].body))->GetPointCount(),
              m_objects->GetSetupScan().GetNumberOfFrequencyBuckets());
    ExpectEndedCleanly(frames, 0);
}

TEST_F(ScanRunnersEndToEnd, AContinuousSpectralScanRepeatsUntilStopped) {
    StartEngine(99);
    Go(1);
    bool stopSent = false;
    const std::vector<ReplyFrame> frames = DataUntilTerminator([&](const std::vector<ReplyFrame>& sofar) {
        const auto spectra =
            std::count_if(sofar.begin(), sofar.end(), [](const ReplyFrame& f) { return f.id == 99; });
        if (spectra >= 3 && !stopSent) {
            WriteAll(m_objects->GetCommandPipe(), Frame(3));
            stopSent = true;
        }
    });
    EXPECT_GE(std::count_if(frames.begin(), frames.end(), [](const ReplyFrame& f) { return f.id == 99; }), 3);
    ExpectEndedCleanly(frames, 0);
}

TEST_F(ScanRunnersEndToEnd, AContinuousSpectralScanWithNoActiveCellSendsOneSpectrumAndEnds) {
    StartEngine(99, 0, nullptr, false);
    Go(1);
    const std::vector<ReplyFrame> frames = DataUntilTerminator();
    EXPECT_EQ(Ids(frames), (std::vector<uint16_t>{99, 103}));
    ExpectEndedCleanly(frames, 0);
}

TEST_F(ScanRunnersEndToEnd, ASetUpDuringAScanIsRefusedAndTheRunKeepsItsGridAndSpan) {
    StartEngine(99);
    const uint32_t points = m_objects->GetSetupScan().GetNumberOfFrequencyBuckets();
    Go(1);
    CTransferPipe& commands = m_objects->GetCommandPipe();
    std::size_t spectraAtSetUp = 0;
    bool stopSent = false;
    const std::vector<ReplyFrame> frames = DataUntilTerminator([&](const std::vector<ReplyFrame>& sofar) {
        const auto spectra = static_cast<std::size_t>(
            std::count_if(sofar.begin(), sofar.end(), [](const ReplyFrame& f) { return f.id == 99; }));
        if (spectra >= 1 && spectraAtSetUp == 0) {
            spectraAtSetUp = spectra;
            // A 3 x 3 grid over another span.
            Bytes body =
                SetupBody({.scanType = 99, .rows = 3, .columns = 3, .rowsAgain = 3, .columnsAgain = 3});
            WriteAll(commands, Frame(1, body));
            const std::vector<ReplyFrame> reply = WaitForFrames(commands, 1, 5s, m_commandPending);
            ASSERT_EQ(reply.size(), 1U);
            ASSERT_EQ(reply[0].id, 1);
            EXPECT_EQ(ValueAt<int16_t>(reply[0].body, 2), 2);
            EXPECT_EQ(ValueAt<int16_t>(reply[0].body, 4), 3);
            EXPECT_EQ(ValueAt<uint32_t>(reply[0].body, SetupTail(2, 3) + kFailureCode), 700U);
        }
        if (spectra >= spectraAtSetUp + 2 && spectraAtSetUp != 0 && !stopSent) {
            WriteAll(commands, Frame(3));
            stopSent = true;
        }
    });
    ASSERT_TRUE(stopSent);
    EXPECT_EQ(m_objects->GetSetupScan().GetRows(), 2);
    for (const ReplyFrame& frame : frames) {
        if (frame.id == 105) {
            EXPECT_EQ(ValueAt<uint16_t>(frame.body, 11), 3U) << "the run's active cells";
        } else if (frame.id == 99) {
            EXPECT_EQ(ReadBack<QSpectralScan>(Frame(99, frame.body))->GetPointCount(), points);
        }
    }
    ExpectEndedCleanly(frames, 0);
}

TEST_F(ScanRunnersEndToEnd, ASpectralSpatialScanSendsProgressAndAComponentPerCell) {
    StartEngine(101);
    Go(0);
    const std::vector<ReplyFrame> frames = DataUntilTerminator();
    EXPECT_EQ(Ids(frames), (std::vector<uint16_t>{105, 101, 105, 101, 105, 101, 103}));
    const auto component = ReadBack<QSpectralSpatialScanComponent>(Frame(101, frames[5].body));
    EXPECT_EQ(component->GetRow(), 1);
    EXPECT_EQ(component->GetColumn(), 1);
    EXPECT_EQ(component->GetAmplitudes().size(), m_objects->GetSetupScan().GetNumberOfFrequencyBuckets());
    ExpectEndedCleanly(frames, 0);
}

TEST_F(ScanRunnersEndToEnd, AGuidedHandHeldScanMeasuresSkipsAndStopsAsTheMainFrameAnswers) {
    MessageThread frameThread;
    ProbeRequestTarget frame(frameThread);
    frame.goAheads = {HandHeldProbeScan::kMeasureCell, HandHeldProbeScan::kSkipCell,
                      HandHeldProbeScan::kStopScan};
    StartEngine(112, 0, &frame);
    Go(0);
    // This thread is the main frame's: it answers the requests while it waits for the data.
    const std::vector<ReplyFrame> frames =
        DataUntilTerminator([&](const std::vector<ReplyFrame>&) { frameThread.PumpFor(1ms); });
    EXPECT_EQ(Ids(frames), (std::vector<uint16_t>{105, 112, 103}));
    EXPECT_EQ(frame.cellRequests, (std::vector<std::pair<int64_t, int64_t>>{{0, 0}, {0, 2}, {1, 1}}));
    const auto reading = ReadBack<QHandHeldProbeScan>(Frame(112, frames[1].body));
    EXPECT_EQ(reading->GetRow(), 0);
    EXPECT_EQ(reading->GetColumn(), 0);
    ExpectEndedCleanly(frames, 0);
    m_objects.reset();
}

TEST_F(ScanRunnersEndToEnd, ASpatialScanWithThePlaceholderEndsWith700) {
    StartEngine(100);
    Go(0);
    const std::vector<ReplyFrame> frames = DataUntilTerminator();
    EXPECT_EQ(Ids(frames), (std::vector<uint16_t>{103}));
    ExpectEndedCleanly(frames, 700);
}

} // namespace
} // namespace orv::test
