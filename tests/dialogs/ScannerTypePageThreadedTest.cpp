// "Set Scanner Type" with the robot-arm simulator on its pseudo-terminal as the in-process engine's
// scanner and the main frame's connection thread keeping it connected: the thread connects the arm
// anew and the new scanner holds the chosen type's value; with the simulator stopped the page gives
// up after its 600 ticks and no scanner gets the value.

#include "analyzers/CInstrumentInfo.h"
#include "app/CConnectionThread.h"
#include "core/QScannerContext.h"
#include "dialogs/CPagePreferenceScannerType.h"
#include "dialogs/CPageWait.h"
#include "dialogs/PageDevices.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "engine/SetupScan.h"
#include "engine/scanners/CScannerBot.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/dialogs/support/SheetTestSupport.h"
#include "tests/engine/support/ArmSettingsFixture.h"
#include "tests/engine/support/DobotSimulatorProcess.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Page = CPagePreferenceScannerType;

// The engine's scanner as the connection thread connects it; the analyser is none of these tests'
// business and counts as connected.
class ScannerOnlyDevices final : public CConnectionDevices {
public:
    explicit ScannerOnlyDevices(SetupScan& setup) : m_devices(setup) {}
    bool ConnectScanner(eProbeType type, std::stop_token stop) override {
        return m_devices.ConnectScanner(type, std::move(stop));
    }
    bool ConnectAnalyzer() override { return true; }
    bool ReleaseAnalyzer() override { return true; }
    std::optional<std::string> GetAnalyzerNetworkHost() const override { return std::nullopt; }

private:
    CSetupScanConnectionDevices m_devices;
};

class ScannerTypeReconnectTest : public testing::SheetFixture {
protected:
    void SetUp() override {
        m_simulator = std::make_unique<test::DobotSimulatorProcess>();
        m_simulator->SetMotionMs(0);
        m_settings = std::make_unique<test::ArmSettingsFixture>(
            m_simulator->PortName(), std::vector<std::string>{"[" + std::string(Page::kScanHeadsKey) + "]",
                                                              "\"12\"=sz:\"2,Head A,Near-field head\"",
                                                              "\"14\"=sz:\"2,Head C,Arm probe C\""});
        // Only the arm answers: no search reaches the network or a USB bus.
        Manager().SetScannerMaker(eProbeType::UsbScannerBoard, nullptr);
        Manager().SetScannerMaker(eProbeType::ExternalAdapter, nullptr);
        ASSERT_TRUE(Manager().ConnectScanner(eProbeType::RobotArm));
        SetPageDeviceManagerSource([this] { return &Manager(); });

        CInstrumentInfo& info = GetInstrumentInfo();
        info.AddDetectedProbeType(eProbeType::RobotArm);
        info.SetProbeType(eProbeType::RobotArm);
        info.SetScannerConnected(true);
        info.SetAnalyzerConnected(true);
        CConnectionThread::Context context;
        context.info = &info;
        context.devices = &m_devices;
        m_connection = std::make_unique<CConnectionThread>(std::move(context));
        ASSERT_TRUE(m_connection->Start());
    }

    void TearDown() override {
        StopConnectionThread();
        nodes.clear();
        SetPageDeviceManagerSource(nullptr);
        Manager().SetScannerMaker(eProbeType::RobotArm, nullptr);
        Manager().SetNoScannerFallbackSource([] { return true; });
        EXPECT_TRUE(Manager().ConnectScanner(eProbeType::NoScanner));
        GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
        GetInstrumentInfo().SetScannerConnected(false);
        GetInstrumentInfo().SetAnalyzerConnected(false);
        DestroyScannerContext();
    }

    CDeviceManager& Manager() { return *m_engine.GetSetupScan().GetDeviceManager(); }

    void StopConnectionThread() {
        if (m_connection != nullptr) {
            m_connection->RequestStop();
            EXPECT_TRUE(m_connection->JoinFor(20000ms));
        }
    }

    // The arm's serial-number reads: two for each connection of the arm.
    size_t SerialNumberReads() {
        const std::vector<std::vector<uint8_t>> packets = m_simulator->Packets();
        return static_cast<size_t>(std::count_if(packets.begin(), packets.end(), [](const auto& packet) {
            return packet.size() > 4 && packet[3] == 0;
        }));
    }

    Page& Open() {
        nodes.push_back(MakeNode(2000, nullptr, "Preferences"));
        sheet = OpenSheet(*nodes.back(), 1);
        auto* page = sheet != nullptr ? dynamic_cast<Page*>(sheet->GetActivePage()) : nullptr;
        EXPECT_NE(page, nullptr);
        return *page;
    }
    static void Choose(Page& page, const char* name) {
        page.GetCombo().setCurrentIndex(page.GetCombo().findText(name, Qt::MatchFixedString));
        page.OnSelectionChanged();
    }

    // The arm offers a calibration when it connects: declined, the arm stays where it is.
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Cancel);
    ScopedPromptInstall promptInstall{prompt};
    std::unique_ptr<test::DobotSimulatorProcess> m_simulator;
    std::unique_ptr<test::ArmSettingsFixture> m_settings;
    CEngineObjects m_engine;
    ScannerOnlyDevices m_devices{m_engine.GetSetupScan()};
    std::unique_ptr<CConnectionThread> m_connection;
    std::vector<std::unique_ptr<QNodeMediator>> nodes;
    CNodeOptionsSheet* sheet = nullptr;
};

TEST_F(ScannerTypeReconnectTest, TheConnectionThreadConnectsTheArmAnewAndTheNewScannerHoldsTheType) {
    Page& page = Open();
    ASSERT_EQ(page.GetCurrentEdit().text(), "Head A");
    const size_t reads = SerialNumberReads();
    Choose(page, "Head C");
    // The page's own pace: the wait ends when the connection thread's next pass (2 s apart) has
    // connected the arm.
    page.OnSetScannerType();
    StopConnectionThread();
    const std::vector<std::string> texts = prompt->Texts();
    EXPECT_TRUE(std::none_of(texts.begin(), texts.end(), [](const std::string& text) {
        return text.find("did not reconnect") != std::string::npos;
    })) << ::testing::PrintToString(texts);
    EXPECT_TRUE(GetInstrumentInfo().IsScannerConnected());
    EXPECT_GT(SerialNumberReads(), reads) << "the arm was connected anew";
    auto* arm = dynamic_cast<CScannerBot*>(Manager().GetScanner());
    ASSERT_NE(arm, nullptr);
    EXPECT_EQ(arm->GetScannerTypeValue(), 14);
    EXPECT_EQ(page.GetCurrentEdit().text(), "Head C");
    EXPECT_FALSE(page.GetProgress().isVisible());
    EXPECT_FALSE(sheet->IsWaiting());
}

TEST_F(ScannerTypeReconnectTest, WithTheArmStoppedThePageGivesUpAndNoScannerGetsTheType) {
    Page& page = Open();
    Choose(page, "Head C");
    // Without the arm nothing may stand in for it.
    Manager().SetNoScannerFallbackSource([] { return false; });
    m_simulator.reset();
    const CPageWait::ScopedTick fast(1ms);
    page.OnSetScannerType();
    StopConnectionThread();
    ASSERT_FALSE(prompt->Texts().empty());
    EXPECT_EQ(prompt->Texts().back(), "The scanner did not reconnect. The scanner type was not set.");
    EXPECT_EQ(page.GetProgress().value(), Page::kWaitTicks);
    EXPECT_EQ(page.GetCurrentEdit().text(), "Head A");
    EXPECT_FALSE(GetInstrumentInfo().IsScannerConnected());
    // The old arm when the connection thread had not tried again yet, else none.
    if (const CScanner* scanner = Manager().GetScanner()) {
        EXPECT_EQ(scanner->GetScannerTypeValue(), 0);
    }
}

} // namespace
} // namespace orv
