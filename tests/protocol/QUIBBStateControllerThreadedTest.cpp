#include "protocol/QUIBBStateController.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "core/QManagers.h"
#include "core/QScannerContext.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineDevices.h"
#include "engine/CEngineObjects.h"
#include "engine/CTransferPipe.h"
#include "platform/clock/FakeClock.h"
#include "platform/ui/ScriptedPrompt.h"
#include "platform/ui/WaitCursor.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/channels/thrdCommandSocketThread.h"
#include "protocol/packets/QQueryScanHeadCommand.h"
#include "protocol/packets/QScanCommandError.h"
#include "protocol/packets/QScanningEngineVersionCheckCommand.h"
#include "protocol/packets/QSetSpectrumAnalyzerDriverCommand.h"
#include "scandata/QScanProgressIndicator.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/protocol/support/CommLayerFakes.h"
#include "tests/protocol/support/PacketBytes.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

namespace orv {
namespace {

using packettest::Bytes;
using packettest::FrameOf;
using test::FakeMainFrame;
using test::LogCapture;

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

// The controller with the run's steps recorded (the run completes the class).
class RecordingController final : public QUIBBStateController {
public:
    using QUIBBStateController::QUIBBStateController;

    std::vector<std::string> Calls() const {
        std::lock_guard<std::mutex> lock(m_callLock);
        return m_calls;
    }
    bool runNodeAnswer = true;

    void SendSetupScan(uint8_t flag) override { Record("SendSetupScan " + std::to_string(flag)); }
    void SendGo(uint8_t flag) override { Record("SendGo " + std::to_string(flag)); }
    void SendStop(uint8_t flag) override { Record("SendStop " + std::to_string(flag)); }
    void SetupScanCommandAck(QSetupScanCommand& /*reply*/) override { Record("Ack 1"); }
    void GoCommandAck(QGoCommand& /*reply*/) override { Record("Ack 2"); }
    void StopCommandAck(QStopCommand& /*reply*/) override { Record("Ack 3"); }
    void CalibrateCommandAck(QCalibrateSpectrumAnalyzerCommand& /*reply*/) override { Record("Ack 6"); }
    void ResetCommandAck(QResetSpectrumAnalyzerCommand& /*reply*/) override { Record("Ack 7"); }
    void CalibrationStopCommandAck(QStopCalibrationCommand& /*reply*/) override { Record("Ack 9"); }

protected:
    bool RunNode() override {
        Record("RunNode");
        return runNodeAnswer;
    }
    bool SendNextPass() override {
        Record("SendNextPass");
        return true;
    }
    void ScanFinished() override { Record("ScanFinished"); }
    void ShowScanProgress(std::unique_ptr<QScanProgressIndicator> packet, int64_t code) override {
        Record("ShowScanProgress " + std::to_string(packet != nullptr ? packet->m_Done : -1) + " " +
               std::to_string(code));
    }

private:
    void Record(std::string call) {
        std::lock_guard<std::mutex> lock(m_callLock);
        m_calls.push_back(std::move(call));
    }
    mutable std::mutex m_callLock;
    std::vector<std::string> m_calls;
};

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest() {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        controller.SetMainFrame(&frame);
        controller.AttachCommLayer(layer.get());
        layer->SetStateController(&controller);
        layer->SetMainFrame(&frame);
        layer->SetCommandTransferPipe(&commandPipe);
    }
    ~ControllerTest() override { layer.reset(); }

    // What the controller wrote to the engine, cut into frames.
    std::vector<test::ReplyFrame> Sent() {
        std::vector<test::ReplyFrame> frames;
        Bytes bytes(CTransferPipe::kQueueBytes);
        const std::size_t n = commandPipe.ReadFromClient(bytes.data(), bytes.size());
        std::size_t at = 0;
        while (at + 9 <= n) {
            uint16_t id = 0;
            uint32_t size = 0;
            std::memcpy(&id, &bytes[at + 3], 2);
            std::memcpy(&size, &bytes[at + 5], 4);
            frames.push_back({id, Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at + 9),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(at + 9 + size))});
            at += 9 + size;
        }
        return frames;
    }
    void Connect() { ASSERT_TRUE(controller.CreateDriverConnection()); }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    LogCapture log;
    MessageThread ui;
    FakeMainFrame frame{ui};
    CTransferPipe commandPipe;
    RecordingController controller{ui};
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
};

TEST_F(ControllerTest, IsTheInstanceAndAllowsCommandsByState) {
    EXPECT_EQ(QUIBBStateController::GetInstance(), &controller);
    for (int32_t state = 0; state <= 15; ++state) {
        controller.SetState(state);
        for (uint32_t command = 0; command <= 10; ++command) {
            bool expected = false;
            if (command == 0) {
                expected = state == 0;
            } else if (command == 1) {
                expected = state != 0;
            } else if (command == 3) {
                expected = state == 12;
            } else if (command <= 9) {
                expected = state == 2;
            }
            EXPECT_EQ(controller.IsCommandAllowed(command), expected)
                << "state " << state << " command " << command;
        }
    }
    QScanEngineLinkOverController link(*layer, controller);
    controller.SetState(2);
    EXPECT_TRUE(link.IsCommandAllowed(2));
    EXPECT_EQ(link.GetWorkflowState(), 2);
    controller.SetState(12);
    EXPECT_FALSE(link.IsCommandAllowed(2));
    EXPECT_EQ(link.GetWorkflowState(), 12);
}

std::size_t CountOf(const std::vector<std::string>& calls, const std::string& call) {
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

TEST(ControllerWorkflow, EndWorkflowByState) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    LogCapture log;
    MessageThread ui;
    RecordingController controller(ui);
    QCommLayer layer;
    layer.SetStateController(&controller);
    controller.AttachCommLayer(&layer);
    struct Case {
        int32_t state;
        int32_t ends;
        bool channelsReset;
        bool stopSent;
    };
    const Case cases[] = {
        {0, 0, false, false},  {15, 15, false, false}, {1, 0, true, false}, {2, 0, true, false},
        {3, 0, true, false},   {8, 0, true, false},    {7, 7, true, false}, {13, 15, true, false},
        {14, 15, true, false}, {12, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        ASSERT_TRUE(layer.StartCommandChannel());
        const std::size_t stopsBefore = CountOf(controller.Calls(), "SendStop 1");
        clock.ClearPauses();
        controller.SetState(c.state);
        controller.EndWorkflow(0);
        EXPECT_EQ(controller.GetState(), c.ends);
        EXPECT_EQ(layer.IsCommandChannelUp(), !c.channelsReset);
        if (c.stopSent) {
            // Queued with flag 1 and signalled: the worker serves it.
            ASSERT_TRUE(
                Eventually([&] { return CountOf(controller.Calls(), "SendStop 1") == stopsBefore + 1; }));
            EXPECT_TRUE(log.Has("Trying to stop the scan by sending down the 'Stop' command."));
            const auto pauses = clock.Pauses();
            EXPECT_NE(std::find(pauses.begin(), pauses.end(), std::chrono::milliseconds(500)), pauses.end());
        }
        layer.ResetChannels();
    }
    EXPECT_EQ(CountOf(controller.Calls(), "SendStop 1"), 1U);
}

TEST_F(ControllerTest, ScanErrorMessagesShowTheirText) {
    GetSystemMessageManager().Insert(std::make_unique<QSystemMessage>("The scanner lost a probe.", 4714));
    struct Case {
        int32_t code;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {0, {}},
        {4714, {"The scanner lost a probe."}},
        {999, {" Error#308: occurred while performing the scan."}},
        {5000, {""}},
        {12000, {}},
    };
    std::size_t before = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        controller.SetState(12);
        controller.SendScanError(c.code);
        ui.Pump();
        EXPECT_EQ(controller.GetState(), 13);
        EXPECT_EQ(QUIBBStateController::GetGlobalScanErrorCode(), c.code);
        const std::vector<PromptRequest> requests = prompt->Requests();
        std::vector<std::string> shown;
        for (std::size_t i = before; i < requests.size(); ++i) {
            shown.push_back(requests[i].text);
            EXPECT_EQ(requests[i].caption, "Error ");
            EXPECT_EQ(requests[i].icon, PromptIcon::Warning);
        }
        before = requests.size();
        EXPECT_EQ(shown, c.shown);
    }
    GetSystemMessageManager().Remove(4714);
}

TEST_F(ControllerTest, ProgressMessagesReachTheMainFrameAndTheRun) {
    controller.GetNotificationTarget()->Post(QUIBBStateController::kMsgScanProgress, 3, 8);
    controller.GetNotificationTarget()->Post(QUIBBStateController::kMsgScanProgress, 1, -3);
    controller.GetNotificationTarget()->Post(QUIBBStateController::kMsgScanProgress, 1, 0);
    controller.PostScanFinished();
    ui.Pump();
    EXPECT_EQ(frame.Shown(), (std::vector<std::string>{"Fraction 37.500000", "ScanStatus -3"}));

    auto packet = std::make_unique<QScanProgressIndicator>();
    packet->m_Done = 7;
    std::thread sender([&] { controller.SendScanProgressIndicator(std::move(packet), {}); });
    ASSERT_TRUE(Eventually([&] { return ui.GetPendingCount() == 1; }));
    ui.Pump();
    sender.join();
    EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"ScanFinished", "ShowScanProgress 7 0"}));

    // A send the stop ends first frees its packet itself (the sanitizer tree sees a leak otherwise).
    std::stop_source stop;
    std::thread stopped([&] {
        controller.SendScanProgressIndicator(std::make_unique<QScanProgressIndicator>(), stop.get_token());
    });
    ASSERT_TRUE(Eventually([&] { return ui.GetPendingCount() == 1; }));
    stop.request_stop();
    stopped.join();
    ui.Pump();
    EXPECT_EQ(controller.Calls().size(), 2U);
}

QScanningEngineVersionCheckCommand VersionReply(int32_t status, int32_t version) {
    QScanningEngineVersionCheckCommand reply;
    reply.SetStatus(status);
    reply.SetVersion(version);
    reply.SetAdaptorEid(12);
    reply.SetFirmwareVersion(2003004);
    return reply;
}

TEST_F(ControllerTest, EngineVersionIsDetectedAndShownDotted) {
    Connect();
    controller.DetectEngineVersion(0);
    ASSERT_EQ(Sent().size(), 1U);
    EXPECT_EQ(controller.GetState(), 8);
    EXPECT_TRUE(controller.HasWaitCursor());

    QScanningEngineVersionCheckCommand reply = VersionReply(100, 1002003);
    controller.ScanningEngineVersionCheckCommandAck(reply);
    EXPECT_FALSE(controller.HasWaitCursor());
    EXPECT_EQ(controller.GetState(), 2);
    EXPECT_EQ(GetScannerContext().GetFirmwareVersion(), 1002003);
    // The about box reads the scanner's identity as the reply gave it.
    EXPECT_EQ(GetScannerContext().GetAdaptorIdText(), "12");
    EXPECT_EQ(GetScannerContext().GetFirmwareVersionText(), "2.3.4");
    EXPECT_TRUE(log.Has("Get acknowledgement for detecting the scan engine version: 1.2.3,  EID=12,  "
                        "FirmwareVersion=2.3.4"));
    EXPECT_TRUE(controller.Calls().empty());

    // Asked for by a run: the run goes on; when it cannot, the queue is emptied.
    controller.DetectEngineVersion(1);
    controller.runNodeAnswer = false;
    layer->QueueCommand(QCommLayer::kStepScannerId, 1, 0);
    controller.ScanningEngineVersionCheckCommandAck(reply);
    EXPECT_EQ(controller.Calls(), (std::vector<std::string>{"RunNode"}));
    EXPECT_TRUE(layer->IsCommandQueueEmpty());
}

TEST_F(ControllerTest, UnreadableEngineVersionEmptiesTheQueueAndReminds) {
    for (uint8_t run : {0, 1}) {
        SCOPED_TRACE(static_cast<int>(run));
        controller.SetState(8);
        controller.DetectEngineVersion(run);
        layer->QueueCommand(QCommLayer::kStepScannerId, 0, 0);
        GetScannerContext().SetIdentityTexts("", "");
        QScanningEngineVersionCheckCommand reply = VersionReply(100, -1);
        controller.ScanningEngineVersionCheckCommandAck(reply);
        EXPECT_EQ(GetScannerContext().GetAdaptorIdText(), "") << "an unreadable version names no scanner";
        EXPECT_TRUE(layer->IsCommandQueueEmpty());
        ASSERT_FALSE(prompt->Requests().empty());
        EXPECT_EQ(prompt->Requests().back().text,
                  "There are errors when reading the scanner's version. Please try again!");
        EXPECT_EQ(prompt->Requests().back().caption, "Reminder ");
        if (run == 0) {
            EXPECT_EQ(frame.Shown().back(), "StatusText 'Failed in reading the scanner's version.'");
        } else {
            EXPECT_EQ(controller.GetState(), 2);
        }
    }
    EXPECT_TRUE(controller.Calls().empty());
}

class ScanHeads {
public:
    ScanHeads() {
        auto& heads = GetScanHeadInfoManager();
        heads.Insert(std::make_unique<QScanHeadInfo>("Head255", 255, 10.0F, 1500.0F, 29, 42, 0, 0, 100U));
        heads.Insert(std::make_unique<QScanHeadInfo>("Virtual Head", 256, 10.0F, 1500.0F, 2, 2, 0, 0, 100U));
    }
    ~ScanHeads() {
        GetScanHeadInfoManager().Remove(255);
        GetScanHeadInfoManager().Remove(256);
    }
    ScanHeads(const ScanHeads&) = delete;
    ScanHeads& operator=(const ScanHeads&) = delete;
};

TEST_F(ControllerTest, ScannerDetectionByTheIdTheEngineAnswers) {
    ScanHeads heads;
    struct Case {
        const char* name;
        int32_t id;
        uint8_t run;
        std::vector<PromptAnswer> answers;
        std::vector<std::string> prompts;
        int32_t state;
        std::vector<std::string> calls;
        bool headKept;
    };
    const std::string unknown = "Error#365: Unknown scanner module detected.  Using \"Unchecked\" scanner "
                                "module.Would you like to continue "
                                "the scan?";
    const Case cases[] = {
        {"known", 255, 0, {}, {}, 2, {}, true},
        {"known in a run", 255, 1, {}, {}, 7, {"SendNextPass"}, true},
        {"unknown, Yes", 4242, 1, {PromptAnswer::Yes}, {unknown}, 7, {"SendNextPass"}, true},
        {"unknown, No", 4242, 1, {PromptAnswer::No}, {unknown}, 2, {}, false},
        {"Generic", 0, 1, {}, {"No correct scanner ID is detected."}, 2, {}, false},
        {"Virtual", 256, 0, {}, {"Error#365: Unknown scanner module detected.  Using "}, 2, {}, true},
        {"none in a run", -1, 1, {}, {"No scanner module is currently attached."}, 2, {}, false},
    };
    GetInstrumentInfo().SetAnalyzerDriverSet(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto casePrompt = std::make_shared<ScriptedPrompt>();
        for (PromptAnswer answer : c.answers) {
            casePrompt->Script(answer);
        }
        ScopedPromptInstall scoped(casePrompt);
        const std::size_t callsBefore = controller.Calls().size();
        controller.SetState(0);
        controller.DetectScannerId(c.run);
        controller.SetState(7);
        QQueryScanHeadCommand reply;
        reply.SetScanHeadId(c.id);
        controller.QueryScanHeadCommandAck(reply);
        EXPECT_EQ(casePrompt->Texts(), c.prompts);
        EXPECT_EQ(controller.GetState(), c.state);
        const auto all = controller.Calls();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(callsBefore), all.end()),
                  c.calls);
        EXPECT_EQ(frame.GetScannerId(), c.id);
        if (c.headKept) {
            EXPECT_TRUE(controller.GetScanHeadInfo().has_value());
        }
    }
    EXPECT_TRUE(log.Has("Get acknowledgement for detecting the scanner;  ID: 255,   Name: 'Head255'"));
    EXPECT_TRUE(log.Has("can't find the Scanner Info with the scanner ID = 4242"));
    EXPECT_EQ(controller.GetAnalyzerOptions().GetStoredScannerId(), -10);
}

TEST_F(ControllerTest, StateChangedWhileTheUnknownScannerQuestionWasOpenEndsTheAcknowledgement) {
    ScanHeads heads;
    class ChangingPrompt final : public Prompt {
    public:
        explicit ChangingPrompt(QUIBBStateController& controller) : m_controller(controller) {}
        PromptAnswer Ask(const PromptRequest& /*request*/, std::stop_token /*stop*/,
                         PromptAnswer /*answer*/) override {
            m_controller.SetState(12);
            return PromptAnswer::Yes;
        }

    private:
        QUIBBStateController& m_controller;
    };
    ScopedPromptInstall scoped(std::make_shared<ChangingPrompt>(controller));
    controller.DetectScannerId(1);
    QQueryScanHeadCommand reply;
    reply.SetScanHeadId(4242);
    controller.QueryScanHeadCommandAck(reply);
    EXPECT_EQ(controller.GetState(), 12);
    EXPECT_TRUE(controller.Calls().empty());
}

TEST_F(ControllerTest, AnalyserDriverIsLoadedOnlyWhenTheEngineTookIt) {
    Connect();
    EXPECT_FALSE(controller.SetSpectrumAnalyzerDriver(nullptr, 12345, 0, nullptr));
    EXPECT_TRUE(Sent().empty());

    struct Case {
        const char* name;
        int32_t driverId;
        int32_t status;
        int32_t error;
        bool loaded;
    };
    const Case cases[] = {
        {"taken", 900, 0, 0, true},
        {"an error word", 900, 0, 3, false},
        {"another driver named", -1, 0, 0, false},
        {"a status word", 900, 1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller.SetState(0);
        ASSERT_TRUE(controller.SetSpectrumAnalyzerDriver(nullptr, 900, 900, nullptr));
        EXPECT_FALSE(controller.IsDriverReplyReceived());
        const auto sent = Sent();
        ASSERT_EQ(sent.size(), 1U);
        EXPECT_EQ(sent[0].id, 4);
        QSetSpectrumAnalyzerDriverCommand reply(c.driverId, 900);
        reply.SetStatus(c.status);
        reply.SetError(c.error);
        controller.SetSpectrumAnalyzerDriverCommandAck(reply);
        EXPECT_TRUE(controller.IsDriverReplyReceived());
        const QAnalyzerOptions options = controller.GetAnalyzerOptions();
        EXPECT_EQ(options.IsDriverLoaded(), c.loaded);
        EXPECT_EQ(options.GetLoadedDriverId(), c.loaded ? 900 : -1);
        EXPECT_FALSE(options.IsCalibrated());
        EXPECT_EQ(controller.GetState(), c.loaded ? 2 : 0);
        EXPECT_EQ(frame.Shown().back(), "StatusText ''");
    }
    EXPECT_TRUE(log.Has("Trying to set the spectrum analyzer:  Null."));
}

TEST_F(ControllerTest, CommandsAreNotSentWithoutAConnection) {
    controller.DetectEngineVersion(0);
    controller.DetectScannerId(0);
    EXPECT_EQ(controller.GetState(), 0);
    EXPECT_FALSE(controller.HasWaitCursor());
    EXPECT_TRUE(Sent().empty());
}

} // namespace
} // namespace orv

namespace orv {
namespace {

// The program's engine with the no-scanner driver and the placeholder analyser ("-NoSA"), as the
// start-up connects them, and the controller's connection and queries as the connection thread
// queues them.
TEST(ControllerEngine, ConnectionIdentifiesThePlaceholderAndDetectsVersionAndScanner) {
    GetInstrumentInfo().BuildSupportedAnalyzerTable();
    GetInstrumentInfo().SetAnalyzerDriverSet(false);
    GetScanHeadInfoManager().Insert(
        std::make_unique<QScanHeadInfo>("No Scanner", 255, 10.0F, 1500.0F, 1, 1, 0, 0, 100U));
    test::TemporaryUserDataFolder folder("orv-controller-engine");
    test::EnvironmentValue libraries("ORV_VISA_LIBRARIES", std::string());
    test::EnvironmentValue resources("ORV_VISA_RESOURCES", std::string());
    SetNoAnalyzerSwitch(true);
    LogCapture log;
    MessageThread ui;
    FakeMainFrame frame(ui);
    {
        CEngineObjects engine;
        ASSERT_TRUE(engine.GetSetupScan().ConnectScanner(eProbeType::NoScanner));
        ASSERT_TRUE(engine.GetSetupScan().ConnectAnalyzer());
        RecordingController controller(ui);
        QCommLayer layer;
        controller.SetMainFrame(&frame);
        controller.AttachCommLayer(&layer);
        layer.SetStateController(&controller);
        layer.SetMainFrame(&frame);
        layer.SetCommandTransferPipe(&engine.GetCommandPipe());
        layer.SetDataTransferPipe(&engine.GetDataPipe());
        QScanEngineLinkOverController link(layer, controller);
        controller.SetState(1);
        ASSERT_TRUE(link.CreateDriverConnection());

        layer.QueueCommand(QCommLayer::kStepAnalyzerIdentity, 0, 0);
        layer.QueueCommand(QCommLayer::kStepEngineVersion, 0, 0);
        layer.QueueCommand(QCommLayer::kStepScannerId, 0, 0);
        layer.SignalCommandEvent();

        ASSERT_TRUE(Eventually([&] { return controller.IsDriverReplyReceived(); }, std::chrono::seconds(30)))
            << ::testing::PrintToString(log.Lines()) << " queued " << layer.GetQueuedCommandCount()
            << " state " << controller.GetState();
        EXPECT_TRUE(Eventually([&] { return layer.IsCommandQueueEmpty(); }));
        EXPECT_TRUE(log.Has("Matched AnalyzerID = 900;  AnalyzerDriverID = 900"));
        const std::array<uint16_t, 4> version = GetInstrumentInfo().GetProgramVersion();
        const std::string dotted =
            std::to_string(version[0]) + "." + std::to_string(version[1]) + "." + std::to_string(version[2]);
        const std::vector<std::string> lines = log.Lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.rfind("Get acknowledgement for detecting the scan engine version: " + dotted +
                                  ",  EID=",
                              0) == 0;
        })) << dotted;
        EXPECT_EQ(GetScannerContext().GetFirmwareVersion(),
                  (version[0] * 1000 + version[1]) * 1000 + version[2]);
        EXPECT_EQ(frame.GetScannerId(), 255);
        EXPECT_TRUE(log.Has("Get acknowledgement for detecting the scanner;  ID: 255,   Name: 'No Scanner'"));
        EXPECT_TRUE(GetInstrumentInfo().IsAnalyzerDriverSet());
        const QAnalyzerOptions options = controller.GetAnalyzerOptions();
        EXPECT_TRUE(options.IsDriverLoaded());
        EXPECT_EQ(options.GetLoadedDriverId(), 900);
        EXPECT_EQ(options.GetManualDriverId(), 900);
        EXPECT_EQ(controller.GetState(), 2);
        EXPECT_TRUE(controller.Calls().empty());
    }
    SetNoAnalyzerSwitch(false);
    GetScanHeadInfoManager().Remove(255);
}

// The SCPI simulator as the engine's VISA resource: its identity picks its row and the engine loads
// that row's driver for the controller.
TEST(ControllerEngine, ASimulatedAnalyserIsIdentifiedAndItsDriverLoaded) {
    test::ScpiSimulatorProcess sim;
    sim.AddResource("A");
    sim.SetIdentity("A", "Rohde&Schwarz,FSV-7,101234/007,2.30");
    GetInstrumentInfo().BuildSupportedAnalyzerTable();
    GetInstrumentInfo().SetAnalyzerDriverSet(false);
    test::TemporaryUserDataFolder folder("orv-controller-simulator");
    test::EnvironmentValue libraries("ORV_VISA_LIBRARIES", std::string());
    test::EnvironmentValue resources("ORV_VISA_RESOURCES", sim.ResourceName("A") + ";");
    SetNoAnalyzerSwitch(false);
    LogCapture log;
    MessageThread ui;
    FakeMainFrame frame(ui);
    CEngineObjects engine;
    ASSERT_TRUE(engine.GetSetupScan().ConnectAnalyzer());
    RecordingController controller(ui);
    QCommLayer layer;
    controller.SetMainFrame(&frame);
    controller.AttachCommLayer(&layer);
    layer.SetStateController(&controller);
    layer.SetMainFrame(&frame);
    layer.SetCommandTransferPipe(&engine.GetCommandPipe());
    layer.SetDataTransferPipe(&engine.GetDataPipe());
    ASSERT_TRUE(controller.CreateDriverConnection());

    layer.QueueCommand(QCommLayer::kStepAnalyzerIdentity, 0, 0);
    layer.SignalCommandEvent();
    ASSERT_TRUE(Eventually([&] { return controller.IsDriverReplyReceived(); }, std::chrono::seconds(30)))
        << ::testing::PrintToString(log.Lines());
    // "FSV": R&S FSV, analyser 84 on driver 38.
    EXPECT_TRUE(log.Has("Matched AnalyzerID = 84;  AnalyzerDriverID = 38"));
    EXPECT_EQ(GetInstrumentInfo().GetSelectedAnalyzerID(), 84);
    EXPECT_TRUE(log.Has("Trying to set the spectrum analyzer:  R&S FSV."));
    const QAnalyzerOptions options = controller.GetAnalyzerOptions();
    EXPECT_TRUE(options.IsDriverLoaded());
    EXPECT_EQ(options.GetLoadedDriverId(), 38);
    EXPECT_EQ(controller.GetState(), 2);
    layer.ResetChannels();
}

} // namespace
} // namespace orv

namespace orv {
namespace {

TEST(ControllerEngine, TheEngineAsksTheControllerWhetherASecondInterleavedPassRuns) {
    MessageThread ui;
    RecordingController controller(ui);
    CEngineStartup startup;
    startup.secondPass = controller.GetSecondPassSource();
    CEngineObjects engine(std::move(startup));
    CDeviceManager* devices = engine.GetSetupScan().GetDeviceManager();
    ASSERT_NE(devices, nullptr);
    struct Case {
        uint8_t interleavedPass;
        uint32_t passNumber;
        uint8_t switchMode;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{1, 0, 0}, Case{0, 1, 0}, Case{1, 1, 1}}) {
        QSetupScanCommand setup;
        setup.SetInterleavedPass(c.interleavedPass);
        setup.SetPassNumber(c.passNumber);
        controller.SetCurrentSetupScan(setup);
        EXPECT_EQ(controller.GetSecondPassSource()->GetSecondPassFlag(), c.interleavedPass == 1);
        EXPECT_EQ(controller.GetSecondPassSource()->GetSecondPassValue(), static_cast<int32_t>(c.passNumber));
        EXPECT_EQ(devices->GetSwitchModeValue(), c.switchMode);
        EXPECT_EQ(controller.GetCurrentSetupScan().GetPassNumber(), c.passNumber);
    }
}

} // namespace
} // namespace orv

namespace orv {
namespace {

TEST(ControllerChannels, AResetOfTheChannelsAnswersABoxOfAnAcknowledgement) {
    ScanHeads heads;
    auto prompt = std::make_shared<ScriptedPrompt>();
    prompt->ScriptHold();
    ScopedPromptInstall install(prompt);
    MessageThread ui;
    RecordingController controller(ui);
    CTransferPipe commandPipe;
    QCommLayer layer;
    layer.SetStateController(&controller);
    controller.AttachCommLayer(&layer);
    layer.SetCommandTransferPipe(&commandPipe);
    ASSERT_TRUE(layer.StartCommandChannel());
    controller.DetectScannerId(1);
    controller.SetState(7);
    QQueryScanHeadCommand reply;
    reply.SetScanHeadId(4242); // unknown: the question waits for an answer
    const Bytes frame = FrameOf(reply);
    commandPipe.WriteToClient(frame.data(), frame.size());
    ASSERT_TRUE(Eventually([&] { return prompt->Requests().size() == 1; }));

    const auto start = std::chrono::steady_clock::now();
    layer.ResetChannels();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(layer.GetCommandEndpoint().GetActiveCount(), 0);
    // Answered as a closed box (No): no next pass.
    EXPECT_EQ(controller.GetState(), 2);
    EXPECT_TRUE(controller.Calls().empty());
    EXPECT_TRUE(layer.StartCommandChannel());
}

// The engine's command error (151) during a scan, as a scripted engine writes it: the command thread
// ends the workflow itself, queues the stop, pauses, and the controller and layer go afterwards with
// nothing left waiting.
TEST(ControllerChannels, ACommandErrorDuringAScanEndsTheWorkflowOnTheCommandThread) {
    FakeClock clock;
    ScopedClockInstall clockInstall(clock);
    LogCapture log;
    MessageThread ui;
    FakeMainFrame frame(ui);
    CTransferPipe commandPipe;
    CTransferPipe dataPipe;
    const auto start = std::chrono::steady_clock::now();
    {
        RecordingController controller(ui);
        QCommLayer layer;
        controller.SetMainFrame(&frame);
        controller.AttachCommLayer(&layer);
        layer.SetStateController(&controller);
        layer.SetMainFrame(&frame);
        layer.SetCommandTransferPipe(&commandPipe);
        layer.SetDataTransferPipe(&dataPipe);
        ASSERT_TRUE(controller.CreateDriverConnection());
        controller.SetState(QUIBBStateController::kScanning);

        const Bytes error = FrameOf(QScanCommandError(701));
        commandPipe.WriteToClient(error.data(), error.size());
        ASSERT_TRUE(Eventually(
            [&] { return log.Has("Trying to stop the scan by sending down the 'Stop' command."); }));
        // No node runs a worker: the workflow ends idle, the channels reset from their own thread.
        ASSERT_TRUE(Eventually([&] {
            return controller.GetState() == QUIBBStateController::kIdle && !layer.IsCommandChannelUp() &&
                   layer.GetCommandEndpoint().GetActiveCount() == 0;
        }));
        EXPECT_FALSE(controller.HasWaitCursor());
        const std::vector<Clock::Duration> pauses = clock.Pauses();
        EXPECT_NE(std::find(pauses.begin(), pauses.end(),
                            std::chrono::duration_cast<Clock::Duration>(QUIBBStateController::kStopPause)),
                  pauses.end());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

} // namespace
} // namespace orv
