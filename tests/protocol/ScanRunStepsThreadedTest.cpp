// The run's steps against scripted engine replies: the set-up acknowledgement's errors, mismatch
// and reference-level warning, the interleaved second pass, a stop before it, the progress kinds,
// the calibration replies, and a set-up that cannot be sent.

#include "analyzers/CInstrumentInfo.h"
#include "core/QManagers.h"
#include "core/QPacket.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/QScanProgress.h"
#include "platform/CLocale.h"
#include "platform/clock/FakeClock.h"
#include "platform/sound/Sound.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "protocol/QCommLayer.h"
#include "protocol/QUIBBStateController.h"
#include "protocol/packets/QCalibrateSpectrumAnalyzerCommand.h"
#include "protocol/packets/QGoCommand.h"
#include "scandata/QScanContainer.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSpectralScan.h"
#include "tests/core/support/FakeAttachedScanner.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/protocol/support/CommLayerFakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::FakeMainFrame;
using test::LogCapture;

// The worker's steps are recorded instead of sent: the test plays the engine.
class StepController final : public QUIBBStateController {
public:
    using QUIBBStateController::QUIBBStateController;
    using QUIBBStateController::RunNode;
    using QUIBBStateController::ScanFinished;
    using QUIBBStateController::SendNextPass;
    using QUIBBStateController::ShowScanProgress;

    void DetectEngineVersion(uint8_t flag) override { Record("8/" + std::to_string(flag)); }
    void DetectScannerId(uint8_t flag) override { Record("5/" + std::to_string(flag)); }
    void SendSetupScan(uint8_t flag) override {
        Record("1/" + std::to_string(flag));
        if (sendForReal) {
            QUIBBStateController::SendSetupScan(flag);
        }
    }
    void SendGo(uint8_t flag) override { Record("2/" + std::to_string(flag)); }
    void SendStop(uint8_t flag) override { Record("3/" + std::to_string(flag)); }

    std::vector<std::string> Steps() const {
        std::lock_guard<std::mutex> lock(m_stepLock);
        return m_steps;
    }
    std::atomic<bool> sendForReal{false};

private:
    void Record(std::string step) {
        std::lock_guard<std::mutex> lock(m_stepLock);
        m_steps.push_back(std::move(step));
    }
    mutable std::mutex m_stepLock;
    std::vector<std::string> m_steps;
};

// Holds its box until the test opens it, so that the test acts while a reply handler waits on it.
class GatePrompt final : public Prompt {
public:
    PromptAnswer Ask(const PromptRequest& /*request*/, std::stop_token /*stop*/,
                     PromptAnswer /*answerIfStopped*/) override {
        std::unique_lock<std::mutex> lock(m_lock);
        m_asked = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
        return PromptAnswer::Ok;
    }
    bool WaitUntilAsked() {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, 5s, [this] { return m_asked; });
    }
    void Open() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_asked = false;
    bool m_open = false;
};

class RunStepsTest : public ::testing::Test {
protected:
    RunStepsTest() {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        GetInstrumentInfo().SetSelectedAnalyzerID(900);
        GetSpectrumAnalyzerInfoManager().Insert(
            std::make_unique<QSpectrumAnalyzerInfo>("Null", 900, 900, 0.0F, 3000.0F, 0.0F, 10.0F, 0));
        controller.SetMainFrame(&frame);
        controller.AttachCommLayer(&layer);
        layer.SetStateController(&controller);
        layer.SetMainFrame(&frame);
        controller.SetState(QUIBBStateController::kReady);
    }
    ~RunStepsTest() override { GetSpectrumAnalyzerInfoManager().Remove(900); }

    QNodeMediator& MakeNode(uint16_t kind) {
        QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(ui, nullptr));
        mediators.push_back(factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false));
        mediators.back()->SetKind(kind);
        mediators.back()->GetScanOptions()->SetMeasurePeaks(false);
        return *mediators.back();
    }
    bool WaitForSteps(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (controller.Steps().size() < count) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            ui.PumpFor(1ms);
        }
        return true;
    }
    std::vector<std::string> StatusCodes() const {
        std::vector<std::string> codes;
        for (const std::string& shown : frame.Shown()) {
            if (shown.rfind("ScanStatus ", 0) == 0) {
                codes.push_back(shown.substr(11));
            }
        }
        return codes;
    }
    // The last status shown, or nothing while none has come (the loops that wait for one ask early).
    std::string LastStatusCode() const {
        const std::vector<std::string> codes = StatusCodes();
        return codes.empty() ? std::string() : codes.back();
    }
    // The engine-version and scanner steps of a run, each let go as its acknowledgement would.
    void RunDetections(QNodeMediator& node) {
        const std::size_t before = controller.Steps().size();
        ASSERT_TRUE(controller.RunScan(node, 0));
        ASSERT_TRUE(WaitForSteps(before + 1));
        layer.SignalCommandEvent();
        ASSERT_TRUE(WaitForSteps(before + 2));
        ASSERT_TRUE(controller.RunNode());
    }
    // A run of the node up to the sent set-up of its first pass.
    void StartPass(QNodeMediator& node) {
        const std::size_t before = controller.Steps().size();
        RunDetections(node);
        ASSERT_TRUE(controller.SendNextPass())
            << controller.GetSetupListSize() << ::testing::PrintToString(prompt->Texts());
        ASSERT_TRUE(WaitForSteps(before + 3)) << ::testing::PrintToString(controller.Steps()) << before;
        const std::vector<std::string> steps = controller.Steps();
        EXPECT_EQ(std::vector<std::string>(steps.begin() + static_cast<std::ptrdiff_t>(before), steps.end()),
                  (std::vector<std::string>{"8/1", "5/1", "1/1"}));
        EXPECT_EQ(controller.GetState(), QUIBBStateController::kSettingUp);
        EXPECT_TRUE(node.IsScanInProgress());
    }

    FakeClock clock;
    ScopedClockInstall clockInstall{clock};
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    ScopedSoundPlayer silent{[](int32_t) {}};
    LogCapture log;
    MessageThread ui;
    FakeMainFrame frame{ui};
    // Before the layer: its worker may still be ending a failed run on a node when a test is done,
    // so the nodes go only after the layer has joined it.
    std::vector<std::unique_ptr<QNodeMediator>> mediators;
    StepController controller{ui};
    QCommLayer layer;
};

TEST_F(RunStepsTest, ASetUpErrorEndsTheRunWithItsBox) {
    struct Case {
        uint32_t error;
        std::vector<std::string> texts;
    };
    const std::string communication = "Communication error in setting up the Analyzer !\n\nPossible "
                                      "solutions:\n1 --- Perform Analyzer System "
                                      "Preset.\n2 --- Reset the connection to the analyzer in Connection "
                                      "Expert or UltraSigma (where applicable). ";
    for (const Case& c :
         {Case{801, {}}, Case{701, {"The RBW selected by Analyzer is out of supported RBW range !"}},
          Case{700, {communication}}}) {
        SCOPED_TRACE(c.error);
        auto casePrompt = std::make_shared<ScriptedPrompt>();
        ScopedPromptInstall scoped(casePrompt);
        QNodeMediator& node = MakeNode(2003);
        controller.SetState(QUIBBStateController::kReady);
        StartPass(node);
        QSetupScanCommand reply = controller.GetCurrentSetupScan();
        reply.m_FailureCode = c.error;
        controller.SetupScanCommandAck(reply);
        EXPECT_EQ(casePrompt->Texts(), c.texts);
        EXPECT_EQ(controller.GetState(), QUIBBStateController::kReady);
        EXPECT_EQ(LastStatusCode(), "-6");
        EXPECT_FALSE(node.IsScanInProgress());
        EXPECT_FALSE(node.HasScanThread());
    }
}

TEST_F(RunStepsTest, AReplyThatChangedWhatMustBeKeptStopsTheRunWithNumberedLines) {
    QNodeMediator& node = MakeNode(2003);
    StartPass(node);
    QSetupScanCommand reply = controller.GetCurrentSetupScan();
    reply.m_SamplesPerCell += 1;
    reply.m_ReferenceLevel += 10.0F;
    reply.m_ResolutionBandwidth = 0.3F;
    const QSetupScanCommand sent = controller.GetCurrentSetupScan();
    controller.SetupScanCommandAck(reply);
    ASSERT_EQ(prompt->Texts().size(), 1U);
    const std::string expected =
        "Some spectrum analyzer setting is not supported:\n\n" +
        FormatC("1 --- Reference Level. Setting: %5.1f; SA return: %5.1f\n",
                static_cast<double>(sent.m_ReferenceLevel), static_cast<double>(reply.m_ReferenceLevel)) +
        FormatC("2 --- Resolution Bandwidth.   \n         Setting: %5.3f MHz;  Spectrum Analyzer Returning: "
                "%5.3f "
                "MHz\n",
                static_cast<double>(sent.m_ResolutionBandwidth), 0.3) +
        "\nThe scan is stopped !";
    EXPECT_EQ(prompt->Texts()[0], expected);
    EXPECT_EQ(prompt->Requests()[0].caption, "Error");
    EXPECT_EQ(controller.GetState(), QUIBBStateController::kReady);
    EXPECT_FALSE(node.IsScanInProgress());
}

TEST_F(RunStepsTest, AnAdjustedReferenceLevelWarnsOnlyBeyondOneDecibel) {
    for (const float offset : {0.5F, 1.5F}) {
        SCOPED_TRACE(offset);
        auto casePrompt = std::make_shared<ScriptedPrompt>();
        ScopedPromptInstall scoped(casePrompt);
        QNodeMediator& node = MakeNode(2003);
        controller.SetState(QUIBBStateController::kReady);
        const std::size_t before = controller.Steps().size();
        StartPass(node);
        QSetupScanCommand reply = controller.GetCurrentSetupScan();
        const float sent = reply.m_ReferenceLevel;
        reply.m_ReferenceLevel += offset;
        clock.ClearPauses();
        controller.SetupScanCommandAck(reply);
        if (offset > 1.0F) {
            ASSERT_EQ(casePrompt->Texts().size(), 1U);
            EXPECT_EQ(casePrompt->Texts()[0],
                      FormatC("WARNING: Spectrum analyzer adjusted reference level from %.2f to %.2f.",
                              static_cast<double>(sent), static_cast<double>(sent + offset)));
        } else {
            EXPECT_TRUE(casePrompt->Texts().empty());
        }
        // The scan goes on: the worker runs, the go is queued after the pause.
        EXPECT_TRUE(node.HasScanThread());
        EXPECT_EQ(controller.GetState(), QUIBBStateController::kScanning);
        ASSERT_TRUE(WaitForSteps(before + 4));
        EXPECT_EQ(controller.Steps().back(), "2/1");
        const std::vector<Clock::Duration> pauses = clock.Pauses();
        EXPECT_NE(std::find(pauses.begin(), pauses.end(),
                            std::chrono::duration_cast<Clock::Duration>(QUIBBStateController::kGoPause)),
                  pauses.end());
        // The worker's end is the scan end, which ends this one-pass run.
        node.SignalEvent();
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (controller.GetState() != QUIBBStateController::kReady &&
               std::chrono::steady_clock::now() < deadline) {
            ui.PumpFor(1ms);
        }
        EXPECT_EQ(LastStatusCode(), "-1");
        EXPECT_FALSE(node.HasScanThread());
    }
}

TEST_F(RunStepsTest, AnInterleavedRunAsksBeforeItsSecondPassAndCancelTerminatesIt) {
    QNodeMediator& node = MakeNode(2004);
    node.GetScanOptions()->SetInterleavedScan(1);
    prompt->Script(PromptAnswer::Ok); // the interleaved question of the checks
    StartPass(node);
    EXPECT_EQ(controller.GetSetupListSize(), 1U);
    prompt->Script(PromptAnswer::Cancel); // the second pass
    controller.ScanFinished();
    const std::vector<std::string> texts = prompt->Texts();
    ASSERT_EQ(texts.size(), 2U);
    EXPECT_EQ(texts[0].rfind("You are going to perform an Interleaved Spatial Scan.", 0), 0U);
    EXPECT_EQ(texts[1],
              "You are about to perform the second spatial scan.\nPlease move your PCB one row up. Once "
              "done, please click on OK.\n");
    EXPECT_EQ(LastStatusCode(), "-4");
    EXPECT_TRUE(std::find(frame.Shown().begin(), frame.Shown().end(),
                          "Notification The scan has terminated ! ") != frame.Shown().end());
    EXPECT_EQ(controller.GetState(), QUIBBStateController::kReady);
}

TEST_F(RunStepsTest, AnAdapterWithMotorsGoesOnToItsSecondPassUnasked) {
    const eProbeType previous = GetInstrumentInfo().GetProbeType();
    GetInstrumentInfo().SetProbeType(eProbeType::ExternalAdapter);
    fake::ScopedAttachedScanner attached;
    attached.Source().m_adapterMotors = true;
    QNodeMediator& node = MakeNode(2004);
    node.GetScanOptions()->SetInterleavedScan(1);
    StartPass(node);
    const std::size_t before = controller.Steps().size();
    controller.ScanFinished();
    EXPECT_TRUE(prompt->Texts().empty());
    EXPECT_TRUE(WaitForSteps(before + 1)) << "the second pass went out";
    controller.SetStopRequested(true);
    controller.ScanFinished();
    GetInstrumentInfo().SetProbeType(previous);
}

TEST_F(RunStepsTest, AStopInTheFirstPassSkipsTheSecond) {
    QNodeMediator& node = MakeNode(2004);
    node.GetScanOptions()->SetInterleavedScan(1);
    StartPass(node);
    controller.SetStopRequested(true);
    controller.ScanFinished();
    EXPECT_EQ(controller.GetSetupListSize(), 1U);
    EXPECT_EQ(LastStatusCode(), "-4");
    EXPECT_EQ(controller.Steps().size(), 3U);
}

// Stop Scan pressed the moment the set-up was acknowledged: its stop goes after the go, and at the
// latest with the go's acknowledgement, though both signals may have come as one.
TEST_F(RunStepsTest, AStopPressedAsTheGoIsQueuedGoesAfterTheGo) {
    QNodeMediator& node = MakeNode(2003);
    const std::size_t before = controller.Steps().size();
    StartPass(node);
    QSetupScanCommand reply = controller.GetCurrentSetupScan();
    controller.SetupScanCommandAck(reply);
    controller.StopScan();
    ASSERT_TRUE(WaitForSteps(before + 4));
    QGoCommand go(true);
    controller.GoCommandAck(go);
    ASSERT_TRUE(WaitForSteps(before + 5)) << ::testing::PrintToString(controller.Steps());
    const std::vector<std::string> steps = controller.Steps();
    EXPECT_EQ(std::vector<std::string>(steps.end() - 2, steps.end()),
              (std::vector<std::string>{"2/1", "3/1"}));
    EXPECT_TRUE(layer.IsCommandQueueEmpty());
    node.SignalEvent();
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (controller.GetState() != QUIBBStateController::kReady &&
           std::chrono::steady_clock::now() < deadline) {
        ui.PumpFor(1ms);
    }
    EXPECT_FALSE(node.HasScanThread());
}

// The project closed while the set-up's acknowledgement waits on its box (here the adjusted
// reference level): the node is never made the scanning one, no worker starts, no go is sent, and the
// run ends as a failed set-up.
TEST_F(RunStepsTest, ANodeThatGoesDuringTheSetUpAcknowledgementGetsNoWorker) {
    QNodeMediator& node = MakeNode(2003);
    const std::size_t before = controller.Steps().size();
    StartPass(node);
    auto gate = std::make_shared<GatePrompt>();
    ScopedPromptInstall scoped(gate);
    QSetupScanCommand reply = controller.GetCurrentSetupScan();
    reply.m_ReferenceLevel += 5.0F;
    std::thread commandThread([&] { controller.SetupScanCommandAck(reply); });
    ASSERT_TRUE(gate->WaitUntilAsked());
    const QNodeMediator* gone = &node;
    mediators.pop_back();
    gate->Open();
    commandThread.join();

    EXPECT_NE(QNodeMediator::GetScanningMediator(), gone);
    EXPECT_EQ(layer.GetDataWorkerCount(), 0);
    EXPECT_EQ(controller.GetState(), QUIBBStateController::kReady);
    EXPECT_EQ(LastStatusCode(), "-6");
    EXPECT_TRUE(log.Has("The scan data thread could not be started."));
    ui.PumpFor(20ms);
    EXPECT_EQ(controller.Steps().size(), before + 3) << ::testing::PrintToString(controller.Steps());
}

// Run Once chosen from a menu built before the run started reaches the controller during it, in
// any state of a run: the running scan keeps its queue, its set-up list and its node.
TEST_F(RunStepsTest, ARunAskedForDuringARunChangesNothing) {
    QNodeMediator& node = MakeNode(2004);
    node.GetScanOptions()->SetInterleavedScan(1);
    prompt->Script(PromptAnswer::Ok); // the interleaved question of the checks
    StartPass(node);
    layer.HandleDataPacket(std::make_unique<QSpectralScan>());
    const std::size_t steps = controller.Steps().size();
    const std::vector<std::string> shown = frame.Shown();
    QNodeMediator& other = MakeNode(2003);
    for (const int32_t state : {QUIBBStateController::kSettingUp, QUIBBStateController::kScanning,
                                QUIBBStateController::kStopping, QUIBBStateController::kDetectingScanner}) {
        SCOPED_TRACE(state);
        controller.SetState(state);
        EXPECT_FALSE(controller.RunScan(other, 0));
        EXPECT_EQ(layer.GetTransportQueueLength(), 1U);
        EXPECT_EQ(controller.GetSetupListSize(), 1U);
    }
    ui.PumpFor(20ms);
    EXPECT_EQ(controller.Steps().size(), steps);
    EXPECT_EQ(frame.Shown(), shown);
    EXPECT_FALSE(other.IsScanInProgress());
    // The run's node is still the one a refused set-up tells.
    controller.SetState(QUIBBStateController::kSettingUp);
    QSetupScanCommand refused = controller.GetCurrentSetupScan();
    refused.m_FailureCode = 801;
    controller.SetupScanCommandAck(refused);
    EXPECT_FALSE(node.IsScanInProgress());
}

// The engine's command error ends the workflow while a pass runs on a node of its own (a spatial
// sub-node, a scripting child): that node's worker is stopped and the workflow ends stopped; the next
// run's data all reach the next run's node.
TEST_F(RunStepsTest, AWorkflowEndedDuringAPassOfAnotherNodeStopsThatNodesWorker) {
    QNodeMediator& run = MakeNode(2005);
    QNodeMediator& pass = MakeNode(2004);
    ASSERT_TRUE(pass.StartScanThread(controller, 0));
    controller.SetRunMediator(&run);
    controller.SetPassMediator(&pass);
    controller.SetState(QUIBBStateController::kScanning);
    controller.EndWorkflow(0);
    EXPECT_EQ(controller.GetState(), QUIBBStateController::kStopped);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while ((pass.HasScanThread() || layer.GetDataWorkerCount() != 0) &&
           std::chrono::steady_clock::now() < deadline) {
        ui.PumpFor(1ms);
    }
    EXPECT_FALSE(pass.HasScanThread());
    EXPECT_EQ(layer.GetDataWorkerCount(), 0);
    EXPECT_EQ(controller.GetState(), QUIBBStateController::kStopped);
    EXPECT_EQ(LastStatusCode(), "-4");

    // Connected again: the next run's worker is the only one taking containers.
    controller.SetState(QUIBBStateController::kReady);
    QNodeMediator& next = MakeNode(2003);
    StartPass(next);
    QSetupScanCommand reply = controller.GetCurrentSetupScan();
    controller.SetupScanCommandAck(reply);
    ASSERT_TRUE(next.HasScanThread());
    EXPECT_EQ(layer.GetDataWorkerCount(), 1);
    for (int i = 0; i < 3; ++i) {
        auto spectrum = std::make_unique<QSpectralScan>();
        spectrum->SetPointCount(4);
        layer.HandleDataPacket(std::move(spectrum));
    }
    const auto drained = std::chrono::steady_clock::now() + 5s;
    while (layer.GetTransportQueueLength() != 0 && std::chrono::steady_clock::now() < drained) {
        ui.PumpFor(1ms);
    }
    EXPECT_EQ(layer.GetTransportQueueLength(), 0U);
    for (QNodeMediator* node : {&run, &pass, &next}) {
        QScanContainer* container = node->AcquireScanContainer();
        const bool holds = container != nullptr && container->HasScanData();
        node->UnlockScanContainer();
        EXPECT_EQ(holds, node == &next) << node->GetNodeTypeId();
    }
    next.SignalEvent();
    const auto ended = std::chrono::steady_clock::now() + 5s;
    while (next.HasScanThread() && std::chrono::steady_clock::now() < ended) {
        ui.PumpFor(1ms);
    }
    EXPECT_FALSE(next.HasScanThread());
}

TEST_F(RunStepsTest, ProgressKindsAndTheCalibrationReplies) {
    const auto packet = [](uint16_t kind, uint16_t done, uint16_t total) {
        auto made = std::make_unique<QScanProgressIndicator>();
        made->m_Kind = kind;
        made->m_Done = done;
        made->m_Total = total;
        return made;
    };
    controller.ShowScanProgress(packet(1, 3, 7), 0);
    controller.ShowScanProgress(packet(2, 1, 0), 0);
    GetScanProgress().SetStepCount(4);
    GetScanProgress().SetStepsDone(0);
    controller.ShowScanProgress(packet(3, 0, 0), 0);
    controller.ShowScanProgress(nullptr, -3);
    EXPECT_EQ(frame.Shown(),
              (std::vector<std::string>{"Peak 42", "Progress 0", "ScanStatus 25", "ScanStatus -3"}));
    const int32_t state = controller.GetState();
    QCalibrateSpectrumAnalyzerCommand calibration;
    controller.CalibrateCommandAck(calibration);
    QStopCalibrationCommand stop;
    controller.CalibrationStopCommandAck(stop);
    EXPECT_EQ(controller.GetState(), state);
    EXPECT_EQ(frame.Shown().size(), 4U);
}

TEST_F(RunStepsTest, ASetUpThatCannotBeSentEndsAsAFailedSetUp) {
    // Also the 64 x 64 pattern of an antenna position scan: no channel takes it here.
    QNodeMediator& node = MakeNode(2023);
    controller.sendForReal = true;
    RunDetections(node);
    EXPECT_EQ(controller.GetCurrentSetupScan().GetRows(), 0);
    ASSERT_TRUE(controller.SendNextPass());
    EXPECT_EQ(controller.GetCurrentSetupScan().GetRows(), 64);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (LastStatusCode() != "-6" && std::chrono::steady_clock::now() < deadline) {
        ui.PumpFor(1ms);
    }
    EXPECT_EQ(LastStatusCode(), "-6");
    EXPECT_EQ(controller.GetState(), QUIBBStateController::kReady);
    EXPECT_FALSE(node.IsScanInProgress());
    EXPECT_FALSE(controller.HasWaitCursor());
    EXPECT_TRUE(log.Has("The setup scan command could not be sent."));
}

TEST_F(RunStepsTest, ARunAfterAnAbortedRunReportsCompleted) {
    QNodeMediator& node = MakeNode(2003);
    controller.SendScanError(999);
    ui.PumpFor(0ms);
    EXPECT_EQ(QUIBBStateController::GetGlobalScanErrorCode(), 999);
    controller.SetState(QUIBBStateController::kReady);
    StartPass(node);
    controller.ScanFinished();
    EXPECT_EQ(LastStatusCode(), "-1");
}

TEST_F(RunStepsTest, AScriptingModuleWithoutChildrenIsRefused) {
    QNodeMediator& node = MakeNode(2014);
    EXPECT_FALSE(controller.RunScan(node, 0));
    EXPECT_EQ(StatusCodes(), (std::vector<std::string>{"-5", "-7"}));
    EXPECT_TRUE(controller.Steps().empty());
}

} // namespace
} // namespace orv
