#include "protocol/QCommLayer.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QManagers.h"
#include "engine/CTransferPipe.h"
#include "platform/clock/FakeClock.h"
#include "platform/ui/ScriptedPrompt.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/packets/CQueryAnalyzerIDCommand.h"
#include "protocol/packets/QCalibrateSpectrumAnalyzerCommand.h"
#include "protocol/packets/QGoCommand.h"
#include "protocol/packets/QQueryScanHeadCommand.h"
#include "protocol/packets/QResetSpectrumAnalyzerCommand.h"
#include "protocol/packets/QScanCommandError.h"
#include "protocol/packets/QScanError.h"
#include "protocol/packets/QScanningEngineVersionCheckCommand.h"
#include "protocol/packets/QSetSpectrumAnalyzerDriverCommand.h"
#include "protocol/packets/QStopCommand.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTerminator.h"
#include "scandata/QTransportContainer.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/protocol/support/CommLayerFakes.h"
#include "tests/protocol/support/PacketBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace orv {
namespace {

using packettest::Bytes;
using packettest::FrameAround;
using packettest::FrameOf;
using test::FakeController;
using test::FakeMainFrame;
using test::LogCapture;

// Waits (bounded, without sleeping) until the condition holds.
bool Eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds bound = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

Bytes TextReport(int16_t step, int16_t count, const std::string& text = "step") {
    Bytes body(4);
    std::memcpy(&body[0], &step, 2);
    std::memcpy(&body[2], &count, 2);
    body.insert(body.end(), text.begin(), text.end());
    return FrameAround(4004, body);
}

class CommLayerTest : public ::testing::Test {
protected:
    CommLayerTest() {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        layer->SetStateController(&controller);
        layer->SetMainFrame(&frame);
    }
    ~CommLayerTest() override { layer.reset(); }

    void Reply(const Bytes& frameBytes) { layer->HandleCommandReply(frameBytes.data(), frameBytes.size()); }
    void Reply(const QSerializable& packet) { Reply(FrameOf(packet)); }

    // Queues code 1 behind whatever waits and serves everything: the worker's step 1 runs only once
    // every entry before it has been served, so what it sees is what they left.
    int32_t LastCodeSeenByNextStep() {
        std::atomic<int32_t> seen{-99};
        const std::ptrdiff_t setupStepsBefore = SetupStepCalls();
        controller.onSetupStep = [&] { seen.store(layer->GetLastCommandCode()); };
        layer->QueueCommand(QCommLayer::kStepSetupScan, 1, 0);
        while (true) {
            const std::size_t waiting = layer->GetQueuedCommandCount();
            layer->SignalCommandEvent();
            if (waiting <= 1) {
                break;
            }
            EXPECT_TRUE(Eventually([&] { return layer->GetQueuedCommandCount() < waiting; }));
        }
        EXPECT_TRUE(Eventually([&] { return seen.load() != -99; }));
        // The fake records the step only once the hook has returned: clearing the hook earlier would
        // destroy it while the worker still runs it.
        EXPECT_TRUE(Eventually([&] { return SetupStepCalls() == setupStepsBefore + 1; }));
        controller.onSetupStep = nullptr;
        return seen.load();
    }

    std::ptrdiff_t SetupStepCalls() const {
        const std::vector<std::string> calls = controller.Calls();
        return std::count(calls.begin(), calls.end(), "SendSetupScan 1");
    }

    MessageThread ui;
    FakeController controller{ui};
    FakeMainFrame frame{ui};
    // Outlives the layer's threads.
    CTransferPipe pipe;
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
};

// ---- queue ----

TEST(CommLayerQueue, OneSignalServesOneEntryWhateverIsQueued) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    MessageThread ui;
    FakeController controller(ui);
    {
        QCommLayer layer;
        layer.SetStateController(&controller);
        layer.QueueCommand(QCommLayer::kStepScannerId, 0, 0);
        layer.QueueCommand(QCommLayer::kStepEngineVersion, 0, 0);
        layer.QueueCommand(QCommLayer::kStepGo, 1, 0);
        layer.SignalCommandEvent();
        ASSERT_TRUE(controller.WaitForCalls(1));
        // The worker goes on waiting in 200 ms rounds without looking at the queue.
        const auto waited = clock.TotalPaused();
        ASSERT_TRUE(Eventually([&] { return clock.TotalPaused() >= waited + std::chrono::seconds(2); }));
        EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"DetectScannerId 0"}));
        EXPECT_EQ(layer.GetQueuedCommandCount(), 2U);
        EXPECT_EQ(layer.GetLastCommandCode(), QCommLayer::kStepScannerId);
        EXPECT_GT(layer.GetLastCommandTime(), 0);

        layer.SignalCommandEvent();
        ASSERT_TRUE(controller.WaitForCalls(2));
        layer.SignalCommandEvent();
        ASSERT_TRUE(controller.WaitForCalls(3));
        EXPECT_EQ(controller.Calls(),
                  (std::vector<std::string>{"DetectScannerId 0", "DetectEngineVersion 0", "SendGo 1"}));
        EXPECT_TRUE(layer.IsCommandQueueEmpty());
    }
}

TEST_F(CommLayerTest, CodesWithoutAStepAreDroppedWithoutAStamp) {
    for (int32_t code : {6, 7, 9, 4004, -1}) {
        layer->QueueCommand(code, 0, 0);
    }
    EXPECT_EQ(LastCodeSeenByNextStep(), -1);
    EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"SendSetupScan 1"}));
    EXPECT_TRUE(Eventually([&] { return layer->GetLastCommandCode() == QCommLayer::kStepSetupScan; }));
}

TEST_F(CommLayerTest, ClearedQueueServesNothing) {
    layer->QueueCommand(QCommLayer::kStepGo, 1, 0);
    layer->QueueCommand(QCommLayer::kStepStop, 1, 0);
    layer->ClearCommandQueue();
    EXPECT_TRUE(layer->IsCommandQueueEmpty());
    EXPECT_EQ(LastCodeSeenByNextStep(), -1);
    EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"SendSetupScan 1"}));
}

TEST_F(CommLayerTest, DriverStepStampsOnlyWhenTheDriverCommandWasSent) {
    struct Case {
        bool sent;
        int32_t expectedCode;
        int32_t expectedManualDriver;
    };
    for (const Case& c : {Case{false, -1, 0}, Case{true, QCommLayer::kStepAnalyzerDriver, 73}}) {
        SCOPED_TRACE(c.sent);
        controller.driverSent = c.sent;
        controller.manualDriver = 0;
        GetInstrumentInfo().SetSelectedAnalyzerID(-1);
        layer->MatchAnalyzerID("Agilent Technologies,N9000A,MY1234,A.05.01"); // row 4: analyser 73, driver 27
        EXPECT_EQ(LastCodeSeenByNextStep(), c.expectedCode);
        EXPECT_EQ(GetInstrumentInfo().GetSelectedAnalyzerID(), 73);
        EXPECT_EQ(controller.manualDriver.load(), c.expectedManualDriver);
        const std::vector<std::string> calls = controller.Calls();
        EXPECT_NE(std::find(calls.begin(), calls.end(), "SetSpectrumAnalyzerDriver 27 0"), calls.end());
    }
}

TEST_F(CommLayerTest, IdentityQueryGoesOutOnlyWhileTheCommandChannelIsUp) {
    layer->SetCommandTransferPipe(&pipe);

    layer->QueueCommand(QCommLayer::kStepAnalyzerIdentity, 0, 0);
    layer->SignalCommandEvent();
    ASSERT_TRUE(Eventually([&] { return layer->GetLastCommandCode() == QCommLayer::kStepAnalyzerIdentity; }));
    EXPECT_EQ(pipe.EngineBoundFill(), 0U);

    ASSERT_TRUE(layer->StartCommandChannel());
    layer->QueueCommand(QCommLayer::kStepAnalyzerIdentity, 0, 0);
    layer->SignalCommandEvent();
    ASSERT_TRUE(Eventually([&] { return pipe.EngineBoundFill() == 13U; }));
    Bytes sent(13);
    ASSERT_EQ(pipe.ReadFromClient(sent.data(), sent.size()), 13U);
    EXPECT_EQ(sent, FrameOf(CQueryAnalyzerIDCommand()));
}

// ---- replies ----

QSetupScanCommand HeldSetup() {
    QSetupScanCommand held;
    held.m_ScanKind = 100;
    held.SetProbeScanPattern(QProbeScanPattern(2, 2, 1, 10));
    held.m_CenterFrequency = 123.5F;
    held.m_Span = 20.25F;
    held.m_StartFrequency = 113.375F;
    held.m_StopFrequency = 133.625F;
    held.m_InternalPreAmp = 1;
    held.m_TrackingGeneration = 1;
    held.m_AnalyzerFlag = 7;
    held.m_ScanBytes[0] = 9;
    held.m_ScanBytes[3] = 0;
    held.SetBlindSpotReduction(1);
    held.SetInterleaveSkip(5);
    held.SetAttenuatorExtras(6, 0, 0x1234, -12.5F);
    held.m_ResolutionBandwidth = 0.125F;
    held.m_NumberOfFrequencyBuckets = 11;
    return held;
}

TEST_F(CommLayerTest, SetupReplyTakesExactlyTheHeldFieldsItCarriesNot) {
    const QSetupScanCommand held = HeldSetup();
    layer->SetCurrentSetupScanCommand(held);
    QSetupScanCommand echo;
    echo.m_ScanKind = 100;
    echo.SetProbeScanPattern(QProbeScanPattern(2, 2, 1, 10));
    echo.m_ResolutionBandwidth = 0.5F;
    echo.m_NumberOfFrequencyBuckets = 4001;
    echo.m_ScanBytes[0] = 3;
    Reply(echo);

    ASSERT_EQ(controller.Calls(), (std::vector<std::string>{"Ack 1"}));
    const QSetupScanCommand reply = controller.LastSetupReply();
    EXPECT_EQ(reply.m_CenterFrequency, held.m_CenterFrequency);
    EXPECT_EQ(reply.m_Span, held.m_Span);
    EXPECT_EQ(reply.m_StartFrequency, held.m_StartFrequency);
    EXPECT_EQ(reply.m_StopFrequency, held.m_StopFrequency);
    EXPECT_EQ(reply.m_InternalPreAmp, 1);
    EXPECT_EQ(reply.m_TrackingGeneration, 1);
    EXPECT_EQ(reply.m_AnalyzerFlag, 7);
    EXPECT_EQ(reply.GetSpatialLevel(), 0);
    EXPECT_EQ(reply.GetBlindSpotReduction(), 1);
    EXPECT_EQ(reply.GetInterleaveSkip(), 5U);
    EXPECT_EQ(reply.GetAttenuatorByte6(), 6);
    EXPECT_EQ(reply.GetAttenuatorByte7(), 0);
    EXPECT_EQ(reply.GetAttenuatorWord(), 0x1234);
    EXPECT_EQ(reply.GetAttenuation(), -12.5F);
    // What the engine answered stays.
    EXPECT_EQ(reply.m_ResolutionBandwidth, 0.5F);
    EXPECT_EQ(reply.m_NumberOfFrequencyBuckets, 4001U);
    EXPECT_EQ(reply.m_ScanBytes[0], 3);
    EXPECT_EQ(layer->GetLastCommandCode(), -1);

    // The scan's next container carries a copy of the reply.
    layer->DispatchDataPacket(std::make_unique<QTerminator>(0));
    const std::unique_ptr<QTransportContainer> container = layer->PopTransportContainer();
    ASSERT_NE(container, nullptr);
    ASSERT_NE(container->GetSetupScanCommand(), nullptr);
    EXPECT_EQ(container->GetSetupScanCommand()->m_CenterFrequency, held.m_CenterFrequency);
    EXPECT_EQ(container->GetSetupScanCommand()->m_NumberOfFrequencyBuckets, 4001U);
}

TEST_F(CommLayerTest, SetupReplyWithoutAHeldCommandPassesAsTheEngineSentIt) {
    QSetupScanCommand echo;
    echo.m_CenterFrequency = 77.0F;
    echo.m_StartFrequency = 60.0F;
    echo.m_StopFrequency = 94.0F;
    Reply(echo);
    const QSetupScanCommand reply = controller.LastSetupReply();
    EXPECT_EQ(reply.m_CenterFrequency, 77.0F);
    EXPECT_EQ(reply.m_StartFrequency, 60.0F);
    EXPECT_EQ(reply.m_StopFrequency, 94.0F);
}

TEST_F(CommLayerTest, EachReplyReachesItsAcknowledgement) {
    Reply(QGoCommand());
    Reply(QStopCommand());
    Reply(QSetSpectrumAnalyzerDriverCommand(27, 73));
    Reply(QQueryScanHeadCommand());
    Reply(QCalibrateSpectrumAnalyzerCommand());
    Reply(QResetSpectrumAnalyzerCommand());
    Reply(QScanningEngineVersionCheckCommand());
    Reply(QStopCalibrationCommand());
    // No command: a data record's id, an unknown id.
    Reply(FrameAround(99, Bytes(4, 0)));
    Reply(FrameAround(777, Bytes{}));
    EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"Ack 2", "Ack 3", "Ack 4", "Ack 5", "Ack 6",
                                                            "Ack 7", "Ack 8", "Ack 9"}));
}

TEST_F(CommLayerTest, ReplyTooShortForItsCommandIsDroppedWithALogLine) {
    LogCapture log;
    Reply(FrameAround(4, Bytes(8, 0))); // the driver reply has four words
    Reply(QGoCommand());
    EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"Ack 2"}));
    EXPECT_FALSE(log.Lines().empty());
}

TEST_F(CommLayerTest, TextReportsPostTheSetupProgress) {
    struct Case {
        Bytes frame;
        std::vector<int64_t> posted;
    };
    const Case cases[] = {
        {TextReport(3, 10), {41}}, // (3 + 2) x 100 / 12 = 41.67
        {TextReport(10, 10), {100}},
        {TextReport(-1, 2), {25}},
        {TextReport(1, 0), {}},                  // no step count
        {TextReport(1, -2), {}},                 // a zero divisor
        {FrameAround(4004, Bytes{1, 0, 2}), {}}, // no room for the two words
    };
    for (const Case& c : cases) {
        Reply(c.frame);
        ui.Pump();
        std::vector<int64_t> posted;
        for (const auto& message : frame.target.MessagesWithId(CMainFrameLink::kMsgAnalyzerSetupProgress)) {
            posted.push_back(message.lParam);
        }
        EXPECT_EQ(posted, c.posted);
        frame.target.Clear();
    }
    EXPECT_TRUE(controller.Calls().empty());
    EXPECT_EQ(layer->GetLastCommandCode(), -1);

    frame.closing = true;
    Reply(TextReport(3, 10));
    ui.Pump();
    EXPECT_TRUE(frame.target.Messages().empty());
}

class RegisteredMessage {
public:
    RegisteredMessage(int32_t code, const std::string& text) : m_code(code) {
        GetSystemMessageManager().Insert(std::make_unique<QSystemMessage>(text, code));
    }
    ~RegisteredMessage() { GetSystemMessageManager().Remove(m_code); }
    RegisteredMessage(const RegisteredMessage&) = delete;
    RegisteredMessage& operator=(const RegisteredMessage&) = delete;

private:
    int32_t m_code;
};

TEST_F(CommLayerTest, ScanErrorReplyPromptsItsRegisteredTextAndEndsTheWorkflow) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    RegisteredMessage registered(4711, "The probe array did not answer.");
    LogCapture log;

    Reply(QScanCommandError(4711));
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text, "The probe array did not answer.");
    EXPECT_EQ(prompt->Requests()[0].caption, "ERROR ");
    EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Warning);
    EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"State 12", "EndWorkflow 0"}));
    EXPECT_TRUE(log.Has("Get the scan error packet(4711). "));

    Reply(QScanCommandError(4712));
    EXPECT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(controller.Calls(),
              (std::vector<std::string>{"State 12", "EndWorkflow 0", "State 12", "EndWorkflow 0"}));
}

// ---- identification ----

TEST_F(CommLayerTest, IdentificationIsMatchedAgainstTheTableInItsOrder) {
    struct Case {
        std::string text;
        int32_t analyzerId; // 0: no match
        int32_t driverId;
    };
    const Case cases[] = {
        // "FSV" (row 29) comes before "FSV4" (row 31): the shorter key wins by its place.
        {"Rohde&Schwarz,FSV4-13,101234/013,3.40", 84, 38},
        {"Keysight Technologies,N9020B,MY5712,A.26.05", 77, 54},
        // "DSA" (row 2) and "RSA" (row 1): the first row wins, whichever key comes first in the text.
        {"Tektronix,DSA-RSA 306B,B0101,1.0", 99, 53},
        {"Null,Null,Null,Null", 900, 900},
        {"ACME Instruments,XYZ-1,0,1.0", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LogCapture log;
        CInstrumentInfo& instruments = GetInstrumentInfo();
        instruments.SetAnalyzerQueryPending(true);
        instruments.SetAnalyzerDriverSet(false);
        instruments.SetStatusText("before");
        layer->ClearCommandQueue();
        const std::size_t callsBefore = controller.Calls().size();

        Reply(CQueryAnalyzerIDCommand(c.text));
        ui.Pump();
        EXPECT_EQ(layer->GetLastAnalyzerID(), c.text);
        EXPECT_EQ(instruments.GetAnalyzerIdentityText(), c.text);
        EXPECT_TRUE(log.Has("Queried Analyzer ID String = " + c.text + " "));
        if (c.analyzerId != 0) {
            // Code 4 was queued with both ids and signalled: the worker serves it beside the reply.
            ASSERT_TRUE(controller.WaitForCalls(callsBefore + 3));
            const std::vector<std::string> all = controller.Calls();
            std::vector<std::string> calls(all.begin() + static_cast<std::ptrdiff_t>(callsBefore), all.end());
            std::sort(calls.begin(), calls.end());
            EXPECT_EQ(calls,
                      (std::vector<std::string>{
                          "ManualDriver " + std::to_string(c.analyzerId),
                          "SetSpectrumAnalyzerDriver " + std::to_string(c.driverId) + " 0", "State 2"}));
            EXPECT_TRUE(log.Has("Matched AnalyzerID = " + std::to_string(c.analyzerId) +
                                ";  AnalyzerDriverID = " + std::to_string(c.driverId)));
            EXPECT_TRUE(instruments.IsAnalyzerDriverSet());
            EXPECT_FALSE(instruments.IsAnalyzerQueryPending());
            EXPECT_EQ(instruments.GetStatusText(), "before");
            EXPECT_EQ(frame.target.MessagesWithId(CMainFrameLink::kMsgAnalyzerConnected).size(), 1U);
        } else {
            EXPECT_TRUE(
                log.Has("No matched analyzer can be found in the pool. No support for this analyzer."));
            EXPECT_FALSE(instruments.IsAnalyzerDriverSet());
            EXPECT_TRUE(instruments.IsAnalyzerQueryPending());
            EXPECT_EQ(instruments.GetStatusText(), "");
            const std::vector<std::string> all = controller.Calls();
            const std::vector<std::string> calls(all.begin() + static_cast<std::ptrdiff_t>(callsBefore),
                                                 all.end());
            EXPECT_EQ(calls, (std::vector<std::string>{"ManualDriver -1", "State 0"}));
            EXPECT_EQ(frame.target.MessagesWithId(CMainFrameLink::kMsgStatusTextChanged).size(), 1U);
            EXPECT_TRUE(layer->IsCommandQueueEmpty());
        }
        frame.target.Clear();
    }
}

TEST_F(CommLayerTest, EmptyIdentificationClearsTheAnalyserFlags) {
    LogCapture log;
    CInstrumentInfo& instruments = GetInstrumentInfo();
    instruments.SetAnalyzerConnected(true);
    instruments.SetAnalyzerQueryPending(true);
    Reply(CQueryAnalyzerIDCommand(""));
    EXPECT_FALSE(instruments.IsAnalyzerConnected());
    EXPECT_FALSE(instruments.IsAnalyzerQueryPending());
    EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"State 0"}));
    EXPECT_TRUE(log.Has("Queried Analyzer ID String = NULL. "));
    EXPECT_TRUE(layer->IsCommandQueueEmpty());
}

// ---- data dispatch ----

TEST_F(CommLayerTest, DispatchQueuesOneContainerPerPacketInItsSlot) {
    LogCapture log;
    layer->HandleDataPacket(std::make_unique<QSpectralScan>());
    layer->HandleDataPacket(std::make_unique<QMeasuredFrequencyData>());
    layer->HandleDataPacket(std::make_unique<QTerminator>(99998));
    layer->HandleDataPacket(std::make_unique<QTerminator>(10000));
    layer->HandleDataPacket(QPacketFactory().CreateDataPacket(104));
    EXPECT_TRUE(layer->GetDataEvent().IsSet());
    EXPECT_EQ(layer->GetTransportQueueLength(), 5U);

    auto first = layer->PopTransportContainer();
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first->GetSpectralScan(), nullptr);
    EXPECT_NE(layer->PopTransportContainer()->GetMeasuredFrequencyData(), nullptr);
    EXPECT_EQ(layer->PopTransportContainer()->GetTerminator()->GetErrorCode(), 99998);
    EXPECT_NE(layer->PopTransportContainer()->GetTerminator(), nullptr);
    auto unknown = layer->PopTransportContainer();
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->GetSpectralScan(), nullptr);
    EXPECT_EQ(unknown->GetTerminator(), nullptr);
    EXPECT_EQ(layer->PopTransportContainer(), nullptr);

    EXPECT_TRUE(log.Has("Get the terminator packet(-2). The scan has completed."));
    EXPECT_TRUE(log.Has("Get the terminator packet(10000). The scan has completed."));
    EXPECT_TRUE(log.Has("Get the unknown packet."));

    layer->HandleDataPacket(std::make_unique<QSpectralScan>());
    layer->ClearTransportQueue();
    EXPECT_EQ(layer->PopTransportContainer(), nullptr);
}

TEST_F(CommLayerTest, ProgressIndicatorsGoToTheControllerAndScanErrorsToAPrompt) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    RegisteredMessage registered(5150, "The analyser lost its reference.");

    std::thread sender([&] { layer->HandleDataPacket(std::make_unique<QScanProgressIndicator>()); });
    ASSERT_TRUE(Eventually([&] { return ui.GetPendingCount() == 1; }));
    ui.Pump();
    sender.join();
    EXPECT_EQ(controller.ProgressIndicators(), 1U);
    EXPECT_EQ(frame.target.Messages().size(), 0U);

    layer->HandleDataPacket(std::make_unique<QScanError>(5150));
    layer->HandleDataPacket(std::make_unique<QScanError>(5151));
    EXPECT_EQ(prompt->Texts(),
              (std::vector<std::string>{"The analyser lost its reference.", "Unknown scan error !"}));
    EXPECT_EQ(prompt->Requests()[1].caption, "ERROR  ");
    EXPECT_EQ(layer->GetTransportQueueLength(), 0U);
}

} // namespace
} // namespace orv
