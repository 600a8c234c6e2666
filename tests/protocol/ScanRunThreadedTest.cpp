// A scan run from the client through the in-process engine (the no-scanner driver and the
// placeholder analyser) into the node's container, and the run's steps against a scripted engine.

#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/QScanProgress.h"
#include "engine/CEngineObjects.h"
#include "engine/CTransferPipe.h"
#include "platform/clock/FakeClock.h"
#include "platform/sound/Sound.h"
#include "platform/sync/Event.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"
#include "protocol/thScanThread.h"
#include "scandata/QScanContainer.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QTransportContainer.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/protocol/support/CommLayerFakes.h"
#include "tests/protocol/support/PlaceholderEngineRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::FakeMainFrame;
using test::LogCapture;

constexpr uint16_t kSpectralNode = 2003;
constexpr uint16_t kSpectralSpatialNode = 2005;

class Sounds {
public:
    std::vector<int32_t> Played() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_played;
    }
    SoundPlayer Player() {
        return [this](int32_t id) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_played.push_back(id);
        };
    }

private:
    mutable std::mutex m_lock;
    std::vector<int32_t> m_played;
};

bool Contains(const std::vector<std::string>& shown, const std::string& text) {
    return std::find(shown.begin(), shown.end(), text) != shown.end();
}

// Indexes of the lines in the log, in order; -1 for a missing line.
std::vector<long> Positions(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    std::vector<long> positions;
    for (const std::string& line : wanted) {
        const auto at = std::find(lines.begin(), lines.end(), line);
        positions.push_back(at == lines.end() ? -1 : at - lines.begin());
    }
    return positions;
}

// The built-in devices connected and identified, the placeholder's driver loaded, through the
// real controller and layer over the engine's pipes; the test thread pumps as the user-interface
// thread.
class ScanRunTest : public ::testing::Test {
protected:
    ~ScanRunTest() override {
        m_mediators.clear();
        link.reset();
        layer.reset();
        controller.reset();
        engine.reset();
    }

    void SetUp() override {
        ASSERT_TRUE(test::ConnectPlaceholderRun(*engine, *controller, *layer, frame, ui, link, 30s))
            << ::testing::PrintToString(log.Lines());
        log.Clear();
    }

    bool PumpUntil(const std::function<bool()>& condition, std::chrono::seconds bound = 30s) {
        return test::PumpUntil(ui, condition, bound);
    }

    QNodeMediator& MakeNode(uint16_t kind) {
        QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(ui, nullptr));
        std::unique_ptr<QNodeMediator> mediator =
            factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false);
        mediator->SetKind(kind);
        mediator->SetName("Board");
        m_mediators.push_back(std::move(mediator));
        return *m_mediators.back();
    }

    std::size_t ScanEnds() const {
        const std::vector<std::string> shown = frame.Shown();
        return static_cast<std::size_t>(std::count_if(shown.begin(), shown.end(), [](const std::string& s) {
            return s.rfind("Notification The scan has", 0) == 0;
        }));
    }

    bool RunToEnd(QNodeMediator& node, bool continuous = false) {
        const std::size_t before = ScanEnds();
        if (!link->RunScan(node, continuous)) {
            return false;
        }
        return PumpUntil([&] { return ScanEnds() > before && controller->GetState() == 2; });
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

    test::TemporaryUserDataFolder folder{"orv-scan-run"};
    test::EnvironmentValue libraries{"ORV_VISA_LIBRARIES", std::string()};
    test::EnvironmentValue resources{"ORV_VISA_RESOURCES", std::string()};
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    Sounds sounds;
    ScopedSoundPlayer soundInstall{sounds.Player()};
    LogCapture log;
    MessageThread ui;
    FakeMainFrame frame{ui};
    std::unique_ptr<CEngineObjects> engine = std::make_unique<CEngineObjects>();
    std::unique_ptr<QUIBBStateController> controller = std::make_unique<QUIBBStateController>(ui);
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
    std::unique_ptr<QScanEngineLinkOverController> link;
    std::vector<std::unique_ptr<QNodeMediator>> m_mediators;
    // Last: taken back after the engine and the link are gone.
    test::PlaceholderRunRegistries registries;
};

TEST_F(ScanRunTest, ASpectralScanRunsOnceThroughTheEngineIntoTheNode) {
    QNodeMediator& node = MakeNode(kSpectralNode);
    QProbeScanPattern pattern;
    ASSERT_TRUE(pattern.Resize(29, 42));
    pattern.SetProbeInRange(0, 0, 1, 2, 1);
    node.GetFirstProbePatternOptions()->SetPattern(pattern);
    node.GetScanOptions()->SetMeasurePeaks(false);

    ASSERT_TRUE(RunToEnd(node)) << ::testing::PrintToString(log.Lines())
                                << ::testing::PrintToString(frame.Shown())
                                << ::testing::PrintToString(prompt->Texts());
    EXPECT_TRUE(prompt->Texts().empty()) << ::testing::PrintToString(prompt->Texts());
    EXPECT_EQ(StatusCodes(), (std::vector<std::string>{"-5", "-2", "-2", "-1"}));
    EXPECT_TRUE(Contains(frame.Shown(), "Notification The scan has completed ! "));
    EXPECT_EQ(sounds.Played(), (std::vector<int32_t>{375, 375, 376}));
    const std::vector<long> order =
        Positions(log.Lines(),
                  {"Trying to run spectral scan once.", "Trying to detect the scan engine version.",
                   "[[ Run the scan for the node:: 'Board' ]]", "Trying to detect the scanner ID...",
                   "Trying to send down the setup scan command.",
                   "Get acknowledgement for sending down the setup scan command.",
                   "Trying to run the scan by sending down the 'GO' command.",
                   "Get acknowledgement for sending down the 'GO' command.", "[[The scan is in progress]]"});
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()) && order.front() >= 0)
        << ::testing::PrintToString(order) << ::testing::PrintToString(log.Lines());
    EXPECT_EQ(node.GetScanDataCount(), 1U);
    EXPECT_EQ(QUIBBStateController::GetGlobalScanErrorCode(), 0);
    EXPECT_FALSE(node.HasScanThread());
    EXPECT_FALSE(node.IsScanInProgress());

    // The set-up the engine acknowledged is what the container was made with.
    QScanContainer* container = node.AcquireScanContainer();
    ASSERT_NE(container, nullptr);
    EXPECT_TRUE(container->HasScanData());
    node.UnlockScanContainer();

    // A second run of the same node gives a second scan.
    ASSERT_TRUE(RunToEnd(node));
    EXPECT_EQ(node.GetScanDataCount(), 2U);
}

TEST_F(ScanRunTest, ASpectralSpatialScanFillsItsCellsWithTheSetUpRange) {
    QNodeMediator& node = MakeNode(kSpectralSpatialNode);
    node.GetScanOptions()->SetMeasurePeaks(false);
    const uint32_t cells = node.GetSecondProbePatternOptions()->GetPattern().GetProbeOnCount();
    ASSERT_GT(cells, 0U);

    ASSERT_TRUE(RunToEnd(node)) << ::testing::PrintToString(log.Lines())
                                << ::testing::PrintToString(frame.Shown());
    EXPECT_TRUE(prompt->Texts().empty()) << ::testing::PrintToString(prompt->Texts());
    EXPECT_EQ(controller->GetCurrentSetupScan().GetScanKind(), 101);
    EXPECT_EQ(node.GetScanDataCount(), 1U);
    EXPECT_EQ(StatusCodes().back(), "-1");
}

TEST_F(ScanRunTest, AContinuousRunStopsAsTerminated) {
    QNodeMediator& node = MakeNode(kSpectralNode);
    node.GetScanOptions()->SetMeasurePeaks(false);
    ASSERT_TRUE(link->RunScan(node, true));
    ASSERT_TRUE(PumpUntil([&] { return node.GetScanDataCount() >= 1 && controller->GetState() == 12; }))
        << ::testing::PrintToString(log.Lines());
    link->StopScan();
    ASSERT_TRUE(PumpUntil([&] { return Contains(frame.Shown(), "Notification The scan has terminated ! "); }))
        << ::testing::PrintToString(log.Lines()) << ::testing::PrintToString(frame.Shown());
    EXPECT_EQ(StatusCodes().back(), "-4");
    EXPECT_TRUE(PumpUntil([&] { return controller->GetState() == 2; }));
    // The stop's acknowledgement comes on the command channel, the scan's end on the data channel:
    // either may be first.
    EXPECT_TRUE(
        PumpUntil([&] { return log.Has("Get acknowledgement for sending down the 'Stop' command."); }));
    EXPECT_TRUE(prompt->Texts().empty()) << ::testing::PrintToString(prompt->Texts());
}

TEST_F(ScanRunTest, FailingChecksRefuseTheRunAndQueueNothing) {
    QNodeMediator& node = MakeNode(kSpectralNode);
    // No probe on.
    node.GetFirstProbePatternOptions()->SetPattern(QProbeScanPattern());
    prompt->Script(PromptAnswer::Ok);
    EXPECT_FALSE(link->RunScan(node, false));
    // Out of the analyser's range.
    QNodeMediator& far = MakeNode(kSpectralNode);
    far.GetScanOptions()->SetStopFrequency(1.0e7F);
    prompt->Script(PromptAnswer::Ok);
    EXPECT_FALSE(link->RunScan(far, false));
    EXPECT_EQ(StatusCodes(), (std::vector<std::string>{"-5", "-7", "-5", "-7"}));
    const std::vector<std::string> texts = prompt->Texts();
    ASSERT_EQ(texts.size(), 2U);
    EXPECT_EQ(texts[0],
              "No scan probes are active for this scan, edit the settings to activate one or more probes.");
    EXPECT_EQ(
        texts[1].rfind("Error#340: The requested frequency range is outside the capabilities of the attached "
                       "spectrum analyzer.\n",
                       0),
        0U)
        << texts[1];
    EXPECT_TRUE(layer->IsCommandQueueEmpty());
    EXPECT_EQ(controller->GetState(), 2);
}

TEST_F(ScanRunTest, ProgressPacketsShowTheirPercent) {
    auto packet = std::make_unique<QScanProgressIndicator>();
    packet->m_Kind = 1;
    packet->m_Done = 3;
    packet->m_Total = 7;
    controller->SendScanProgressIndicator(std::move(packet), {});
    EXPECT_TRUE(Contains(frame.Shown(), "Peak 42"));
}

} // namespace
} // namespace orv
