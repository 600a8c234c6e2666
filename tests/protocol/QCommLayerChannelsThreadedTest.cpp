#include "protocol/QCommLayer.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "core/NoScannerFallback.h"
#include "core/QException.h"
#include "core/QManagers.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineDevices.h"
#include "engine/CEngineObjects.h"
#include "engine/CTransferPipe.h"
#include "platform/debug/DebugOutput.h"
#include "platform/ui/ScriptedPrompt.h"
#include "protocol/channels/thrdCommandSocketThread.h"
#include "protocol/channels/thrdDataSocketThread.h"
#include "protocol/packets/QGoCommand.h"
#include "protocol/packets/QScanCommandError.h"
#include "protocol/packets/QScanError.h"
#include "protocol/packets/QSetSpectrumAnalyzerDriverCommand.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTerminator.h"
#include "scandata/QTransportContainer.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/protocol/support/CommLayerFakes.h"
#include "tests/protocol/support/PacketBytes.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

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
using test::FakeEngineDevices;
using test::FakeMainFrame;
using test::LogCapture;

bool Eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

bool HasCall(const FakeController& controller, const std::string& call) {
    const std::vector<std::string> calls = controller.Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

std::size_t CountCalls(const FakeController& controller, const std::string& call) {
    const std::vector<std::string> calls = controller.Calls();
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

// The client's layer on the in-process engine's pipes, linked as the main frame links them.
class LinkedEngine {
public:
    explicit LinkedEngine(std::unique_ptr<CEngineDevices> devices) {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        CEngineStartup startup;
        startup.devices = std::move(devices);
        engine = std::make_unique<CEngineObjects>(std::move(startup));
        layer->SetStateController(&controller);
        layer->SetMainFrame(&frame);
        layer->SetCommandTransferPipe(&engine->GetCommandPipe());
        layer->SetDataTransferPipe(&engine->GetDataPipe());
        layer->ConnectCommandChannel("127.0.0.1", 5005);
        layer->ConnectDataChannel("127.0.0.1", 6006);
        layer->ResetChannels();
        EXPECT_TRUE(layer->StartDataChannel());
        EXPECT_TRUE(layer->StartCommandChannel());
    }
    ~LinkedEngine() {
        layer.reset();
        engine.reset();
    }
    LinkedEngine(const LinkedEngine&) = delete;
    LinkedEngine& operator=(const LinkedEngine&) = delete;

    void QueryIdentity() {
        layer->QueueCommand(QCommLayer::kStepAnalyzerIdentity, 0, 0);
        layer->SignalCommandEvent();
    }

    MessageThread ui;
    FakeController controller{ui};
    FakeMainFrame frame{ui};
    std::unique_ptr<CEngineObjects> engine;
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
};

TEST(CommLayerEngine, ChannelsRecordTheirAddressAndComeUp) {
    LinkedEngine link(std::make_unique<FakeEngineDevices>());
    EXPECT_EQ(link.layer->GetCommandEndpoint().GetHost(), "127.0.0.1");
    EXPECT_EQ(link.layer->GetCommandEndpoint().GetPort(), 5005);
    EXPECT_EQ(link.layer->GetDataChannelHost(), "127.0.0.1");
    EXPECT_EQ(link.layer->GetDataChannelPort(), 6006);
    EXPECT_TRUE(link.layer->IsCommandChannelUp());
    EXPECT_TRUE(link.layer->IsDataChannelUp());
    link.layer->ResetChannels();
    EXPECT_FALSE(link.layer->IsCommandChannelUp());
    EXPECT_FALSE(link.layer->IsDataChannelUp());
    EXPECT_FALSE(link.layer->SendCommand(QGoCommand()));
}

// The engine with its own device manager; the analyser connected as the start-up connects it, with
// the VISA resources of the test's own (none, or the simulator).
class EngineWithAnalyzer {
public:
    explicit EngineWithAnalyzer(bool noAnalyzer, const std::string& resources = std::string())
        : m_resources("ORV_VISA_RESOURCES", resources) {
        SetNoAnalyzerSwitch(noAnalyzer);
        connected = link.engine->GetSetupScan().ConnectAnalyzer();
    }
    ~EngineWithAnalyzer() { SetNoAnalyzerSwitch(false); }
    EngineWithAnalyzer(const EngineWithAnalyzer&) = delete;
    EngineWithAnalyzer& operator=(const EngineWithAnalyzer&) = delete;

private:
    test::TemporaryUserDataFolder m_folder{"orv-comm-layer"};
    test::EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    test::EnvironmentValue m_resources;

public:
    LinkedEngine link{nullptr};
    bool connected = false;
};

TEST(CommLayerEngine, PlaceholderIdentityMatchesItsRowAndLoadsItsDriver) {
    LogCapture log;
    EngineWithAnalyzer engine(true);
    ASSERT_TRUE(engine.connected);
    LinkedEngine& link = engine.link;
    link.QueryIdentity();
    ASSERT_TRUE(Eventually(
        [&] { return HasCall(link.controller, "ManualDriver 900") && HasCall(link.controller, "State 2"); }));
    EXPECT_TRUE(HasCall(link.controller, "SetSpectrumAnalyzerDriver 900 0"));
    EXPECT_EQ(GetInstrumentInfo().GetAnalyzerIdentityText(), "Null,Null,Null,Null");
    EXPECT_EQ(GetInstrumentInfo().GetSelectedAnalyzerID(), 900);
    EXPECT_TRUE(log.Has("Matched AnalyzerID = 900;  AnalyzerDriverID = 900"));
    ASSERT_TRUE(Eventually([&] {
        link.ui.Pump();
        return link.frame.target.MessagesWithId(CMainFrameLink::kMsgAnalyzerConnected).size() == 1U;
    }));
}

TEST(CommLayerEngine, SimulatedAnalyserIdentityMatchesItsRow) {
    test::ScpiSimulatorProcess sim;
    sim.AddResource("A");
    sim.SetIdentity("A", "Rohde&Schwarz,FSV-7,101234/007,2.30");
    GetInstrumentInfo().BuildSupportedAnalyzerTable();
    EngineWithAnalyzer engine(false, sim.ResourceName("A") + ";");
    ASSERT_TRUE(engine.connected);
    LinkedEngine& link = engine.link;
    link.QueryIdentity();
    // "FSV" (R&S FSV, analyser 84, driver 38).
    ASSERT_TRUE(Eventually(
        [&] { return HasCall(link.controller, "ManualDriver 84") && HasCall(link.controller, "State 2"); }));
    EXPECT_TRUE(HasCall(link.controller, "SetSpectrumAnalyzerDriver 38 0"));
    EXPECT_EQ(link.layer->GetLastAnalyzerID(), "Rohde&Schwarz,FSV-7,101234/007,2.30");
}

TEST(CommLayerEngine, EmptyIdentityFromAnEngineWithoutAnalyser) {
    EngineWithAnalyzer engine(false);
    EXPECT_FALSE(engine.connected);
    LinkedEngine& link = engine.link;
    link.QueryIdentity();
    ASSERT_TRUE(Eventually([&] { return HasCall(link.controller, "State 0"); }));
    EXPECT_FALSE(GetInstrumentInfo().IsAnalyzerConnected());
}

QSetupScanCommand SetupOf(uint16_t rows, uint16_t columns) {
    QSetupScanCommand setup;
    setup.m_ScanKind = 99;
    setup.SetProbeScanPattern(QProbeScanPattern(rows, columns, 1, 0));
    return setup;
}

TEST(CommLayerEngine, SetupOfTheLargestHeadGoesWholeAndItsStepsReportProgress) {
    auto devices = std::make_unique<FakeEngineDevices>();
    devices->setupSteps = {"Preset", "Span"};
    LinkedEngine link(std::move(devices));
    const QSetupScanCommand setup = SetupOf(29, 42);
    ASSERT_EQ(FrameOf(setup).size(), 3763U);
    link.layer->SetCurrentSetupScanCommand(setup);
    ASSERT_TRUE(link.layer->SendCommand(setup));
    ASSERT_TRUE(Eventually([&] { return HasCall(link.controller, "Ack 1"); }));
    EXPECT_EQ(link.controller.LastSetupReply().GetRows(), 29);
    EXPECT_EQ(link.controller.LastSetupReply().GetColumns(), 42);
    // Steps 1 and 2 of 19: (1 + 2) x 100 / 21 and (2 + 2) x 100 / 21.
    link.ui.Pump();
    std::vector<int64_t> percents;
    for (const auto& message : link.frame.target.MessagesWithId(CMainFrameLink::kMsgAnalyzerSetupProgress)) {
        percents.push_back(message.lParam);
    }
    EXPECT_EQ(percents, (std::vector<int64_t>{14, 19}));

    EXPECT_THROW(link.layer->SendCommand(SetupOf(64, 64)), QIOException);
}

TEST(CommLayerSend, IsRefusedWithoutPipeOrConnection) {
    CTransferPipe pipe;
    QCommLayer layer;
    EXPECT_FALSE(layer.SendCommand(QGoCommand())); // neither pipe nor channel
    ASSERT_TRUE(layer.StartCommandChannel());
    EXPECT_FALSE(layer.SendCommand(QGoCommand())); // no pipe
    EXPECT_FALSE(layer.GetCommandEndpoint().SendUnchecked(FrameOf(QGoCommand()).data(), 10));
    layer.SetCommandTransferPipe(&pipe);
    EXPECT_TRUE(layer.SendCommand(QGoCommand()));
    EXPECT_EQ(pipe.EngineBoundFill(), FrameOf(QGoCommand()).size());
    layer.ResetChannels();
    EXPECT_FALSE(layer.SendCommand(QGoCommand())); // channel down
    EXPECT_EQ(pipe.EngineBoundFill(), FrameOf(QGoCommand()).size());
}

// A layer on two bare pipes: the test writes what the engine never sends.
class ScriptedPipes : public ::testing::Test {
protected:
    ScriptedPipes() {
        layer->SetStateController(&controller);
        layer->SetMainFrame(&frame);
        layer->SetCommandTransferPipe(&commandPipe);
        layer->SetDataTransferPipe(&dataPipe);
        EXPECT_TRUE(layer->StartDataChannel());
        EXPECT_TRUE(layer->StartCommandChannel());
    }
    ~ScriptedPipes() override { layer.reset(); }

    static void Write(CTransferPipe& pipe, const Bytes& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            sent += pipe.WriteToClient(bytes.data() + sent, bytes.size() - sent);
        }
    }
    void FillEngineBound() {
        const Bytes filler(CTransferPipe::kQueueBytes, 0);
        commandPipe.WriteToEngine(filler.data(), filler.size());
    }

    MessageThread ui;
    FakeController controller{ui};
    FakeMainFrame frame{ui};
    CTransferPipe commandPipe;
    CTransferPipe dataPipe;
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
};

TEST_F(ScriptedPipes, ScanErrorReplyEndsTheWorkflowOnTheCommandThreadWhichRestartsAfterwards) {
    controller.onEndWorkflow = [this] { layer->ResetChannels(); };
    Write(commandPipe, FrameOf(QScanCommandError(4712)));
    ASSERT_TRUE(Eventually([&] { return HasCall(controller, "EndWorkflow 0"); }));
    EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"State 12", "EndWorkflow 0"}));
    EXPECT_FALSE(layer->IsCommandChannelUp());
    ASSERT_TRUE(Eventually([&] { return layer->GetCommandEndpoint().GetActiveCount() == 0; }));

    ASSERT_TRUE(layer->StartCommandChannel());
    ASSERT_TRUE(layer->StartDataChannel());
    Write(commandPipe, FrameOf(QGoCommand()));
    EXPECT_TRUE(Eventually([&] { return HasCall(controller, "Ack 2"); }));
}

TEST_F(ScriptedPipes, BrokenFramesNeverHideLaterOnes) {
    LogCapture log;
    const Bytes go = FrameOf(QGoCommand());
    const Bytes end = FrameOf(QTerminator(7));
    auto withSize = [](uint16_t id, uint32_t size) {
        Bytes frame = FrameAround(id, Bytes{});
        std::memcpy(&frame[5], &size, 4);
        return frame;
    };
    Bytes commands = {'x', 'y'};
    for (const Bytes& part :
         {go, Bytes{'#', '#', '#'}, withSize(2, 0xFFFFFFF7U), go,
          FrameAround(4, Bytes(8, 0)) /* shorter than its fields */, go, Bytes(60000, 'g'), go}) {
        commands.insert(commands.end(), part.begin(), part.end());
    }
    Bytes data = {'z'};
    for (const Bytes& part : {end, withSize(103, 0xFFFFFFF7U), end, FrameAround(103, Bytes{1, 2}), end,
                              withSize(103, (64U << 20) + 1), end}) {
        data.insert(data.end(), part.begin(), part.end());
    }
    // In small pieces, so that frames and headers are split between reads.
    for (std::size_t at = 0; at < std::max(commands.size(), data.size()); at += 997) {
        if (at < commands.size()) {
            Write(commandPipe,
                  Bytes(commands.begin() + static_cast<std::ptrdiff_t>(at),
                        commands.begin() + static_cast<std::ptrdiff_t>(std::min(at + 997, commands.size()))));
        }
        if (at < data.size()) {
            Write(dataPipe,
                  Bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                        data.begin() + static_cast<std::ptrdiff_t>(std::min(at + 997, data.size()))));
        }
    }
    // The 60000 bytes without a frame overflow the command buffer, taking the frames held with them;
    // the last frame after them still arrives.
    EXPECT_TRUE(Eventually([&] { return CountCalls(controller, "Ack 2") >= 3; }));
    EXPECT_TRUE(Eventually([&] { return layer->GetTransportQueueLength() == 4; }));
    while (auto container = layer->PopTransportContainer()) {
        ASSERT_NE(container->GetTerminator(), nullptr);
        EXPECT_EQ(container->GetTerminator()->GetErrorCode(), 7);
    }
    EXPECT_FALSE(log.Lines().empty());
}

TEST_F(ScriptedPipes, ConsumerTakesEveryContainerOnceWhileTheDataThreadQueues) {
    constexpr int kCount = 3000;
    std::vector<int32_t> taken;
    std::thread consumer([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (static_cast<int>(taken.size()) < kCount && std::chrono::steady_clock::now() < deadline) {
            layer->GetDataEvent().Wait(std::chrono::milliseconds(20));
            while (std::unique_ptr<QTransportContainer> container = layer->PopTransportContainer()) {
                taken.push_back(
                    container->GetTerminator() != nullptr ? container->GetTerminator()->GetErrorCode() : -1);
            }
        }
    });
    Bytes stream;
    for (int i = 0; i < kCount; ++i) {
        const Bytes frame = FrameOf(QTerminator(i));
        stream.insert(stream.end(), frame.begin(), frame.end());
        if (stream.size() > 4000 || i == kCount - 1) {
            Write(dataPipe, stream);
            stream.clear();
        }
    }
    consumer.join();
    ASSERT_EQ(taken.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(taken[static_cast<std::size_t>(i)], i);
    }
    EXPECT_EQ(layer->PopTransportContainer(), nullptr);
}

TEST_F(ScriptedPipes, StoppingEndsAPromptOnEachChannelAndASendOnAFullPipe) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    prompt->ScriptHold();
    prompt->ScriptHold();
    ScopedPromptInstall install(prompt);
    GetSystemMessageManager().Insert(std::make_unique<QSystemMessage>("Engine error", 4713));

    // The worker sends into a pipe the engine never empties.
    FillEngineBound();
    std::atomic<int> sendResult{-1};
    std::atomic<bool> sending{false};
    QCommLayer* raw = layer.get();
    controller.onSetupStep = [&] {
        sending = true;
        sendResult = raw->SendCommand(QGoCommand()) ? 1 : 0;
    };
    layer->QueueCommand(QCommLayer::kStepSetupScan, 1, 0);
    layer->SignalCommandEvent();
    Write(commandPipe, FrameOf(QScanCommandError(4713)));
    Write(dataPipe, FrameOf(QScanError(4713)));
    ASSERT_TRUE(Eventually([&] { return prompt->Requests().size() == 2 && sending.load(); }));

    const auto start = std::chrono::steady_clock::now();
    layer.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(sendResult.load(), 0);
    // The stopped reply handler ends no workflow.
    EXPECT_FALSE(HasCall(controller, "EndWorkflow 0"));
    GetSystemMessageManager().Remove(4713);
}

TEST_F(ScriptedPipes, ProgressIndicatorWaitingInItsSendEndsWithTheLayer) {
    Write(dataPipe, FrameOf(QScanProgressIndicator()));
    // Nobody pumps the controller's thread: the data thread waits in its send.
    ASSERT_TRUE(Eventually([&] { return ui.GetPendingCount() == 1; }));
    const auto start = std::chrono::steady_clock::now();
    layer.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(HasCall(controller, "ProgressIndicator dropped"));
    ui.Pump();
}

} // namespace
} // namespace orv

namespace orv {
namespace {

// A level-1 spectral/spatial scan of a 2 x 2 board through the running engine (no-scanner driver,
// placeholder analyser with a fixed seed): four components per cell from the engine's own writer,
// reassembled by the layer.
class InterleavedRunThroughTheEngine {
public:
    InterleavedRunThroughTheEngine() {
        SetNoAnalyzerSwitch(true);
        ResetNoScannerFallback();
        link = std::make_unique<LinkedEngine>(nullptr);
        SetupScan& setup = link->engine->GetSetupScan();
        CDeviceManager* manager = setup.GetDeviceManager();
        for (const eProbeType type :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            manager->SetScannerMaker(type, nullptr);
        }
        manager->SetAnalyzerFactory([](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> {
            auto analyzer = std::make_unique<CSpectrumAnalyzerNone>();
            analyzer->SetSeedSource([] { return 4711U; });
            return analyzer;
        });
        connected = setup.ConnectAnalyzer() && setup.ConnectScanner(eProbeType::NoScanner);
    }
    ~InterleavedRunThroughTheEngine() {
        link.reset();
        ResetNoScannerFallback();
        SetNoAnalyzerSwitch(false);
    }
    InterleavedRunThroughTheEngine(const InterleavedRunThroughTheEngine&) = delete;
    InterleavedRunThroughTheEngine& operator=(const InterleavedRunThroughTheEngine&) = delete;

    // Sends and waits for the acknowledgement.
    bool Command(const QCommand& command, const std::string& ack) {
        const std::size_t before = CountCalls(link->controller, ack);
        return link->layer->SendCommand(command) &&
               Eventually([&] { return CountCalls(link->controller, ack) > before; });
    }

    // One run: the components handed on, up to the terminator.
    std::vector<std::unique_ptr<QTransportContainer>> Run() {
        std::vector<std::unique_ptr<QTransportContainer>> components;
        EXPECT_TRUE(Command(QGoCommand(), "Ack 2"));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            link->layer->GetDataEvent().Wait(std::chrono::milliseconds(20));
            while (std::unique_ptr<QTransportContainer> container = link->layer->PopTransportContainer()) {
                if (container->GetTerminator() != nullptr) {
                    EXPECT_EQ(container->GetTerminator()->GetErrorCode(), 0);
                    return components;
                }
                if (container->GetSpectralSpatialScanComponent() != nullptr) {
                    components.push_back(std::move(container));
                }
            }
        }
        ADD_FAILURE() << "no terminator";
        return components;
    }

    test::TemporaryUserDataFolder folder{"orv-interleaved-run"};
    test::EnvironmentValue libraries{"ORV_VISA_LIBRARIES", std::string()};
    test::EnvironmentValue resources{"ORV_VISA_RESOURCES", std::string()};
    std::unique_ptr<LinkedEngine> link;
    bool connected = false;
};

TEST(CommLayerEngine, LevelOneSpectralSpatialRunAssemblesOneBlockPerCellAndSubPosition) {
    InterleavedRunThroughTheEngine run;
    ASSERT_TRUE(run.connected);
    ASSERT_TRUE(run.Command(QSetSpectrumAnalyzerDriverCommand(900, 900), "Ack 4"));
    QSetupScanCommand setup;
    setup.m_ScanKind = 101;
    setup.SetProbeScanPattern(QProbeScanPattern(2, 2, 1, 0));
    setup.SetFrequencyRange(100.0F, 200.0F);
    setup.m_ResolutionBandwidth = 0.12F;
    setup.m_CenterFrequency = 150.0F;
    setup.m_Span = 100.0F;
    setup.SetSpatialLevel(1);
    run.link->layer->SetCurrentSetupScanCommand(setup);
    ASSERT_TRUE(run.Command(setup, "Ack 1"));
    const QSetupScanCommand reply = run.link->controller.LastSetupReply();
    const uint32_t points = reply.GetTracePointsPerCell();
    ASSERT_GT(points, 0U);
    EXPECT_EQ(reply.GetSpatialLevel(), 1);

    std::vector<std::vector<float>> firstRun;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        // Each run is prepared by its own set-up reply.
        if (round == 1) {
            ASSERT_TRUE(run.Command(setup, "Ack 1"));
        }
        const std::vector<std::unique_ptr<QTransportContainer>> components = run.Run();
        ASSERT_EQ(components.size(), 16U);
        std::size_t at = 0;
        for (uint16_t r = 0; r < 2; ++r) {
            for (uint16_t c = 0; c < 2; ++c) {
                for (uint32_t k = 0; k < 4; ++k, ++at) {
                    const QSpectralSpatialScanComponent& component =
                        *components[at]->GetSpectralSpatialScanComponent();
                    int32_t s = 0;
                    int32_t t = 0;
                    QCommLayer::SubPositionOf(k, 2, s, t);
                    EXPECT_EQ(
                        component.GetBlockPosition(),
                        (std::array<uint16_t, 4>{r, c, static_cast<uint16_t>(s), static_cast<uint16_t>(t)}));
                    EXPECT_EQ(component.GetBlockPointCount(), points);
                    EXPECT_EQ(component.GetReceivedPackets(), at + 1);
                    EXPECT_EQ(component.GetExpectedPackets(), 16);
                    std::vector<float> values(points);
                    for (uint32_t i = 0; i < points; ++i) {
                        values[i] = component.GetBlockPoint(i);
                    }
                    if (round == 0) {
                        firstRun.push_back(std::move(values));
                    } else {
                        EXPECT_EQ(values, firstRun[at]) << at;
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace orv
