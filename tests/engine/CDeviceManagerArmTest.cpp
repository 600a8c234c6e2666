#include "engine/CDeviceManager.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QAttachedScannerSource.h"
#include "core/QScannerContext.h"
#include "engine/scanners/CScannerBot.h"
#include "platform/clock/FakeClock.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/engine/support/ArmSettingsFixture.h"
#include "tests/engine/support/DobotSimulatorProcess.h"
#include "tests/engine/support/EngineLinkFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orv {
namespace {

using namespace std::chrono_literals;

class CDeviceManagerArmTest : public ::testing::Test {
protected:
    void SetUp() override { m_simulator.SetMotionMs(0); }

    test::DobotSimulatorProcess m_simulator;
    test::ArmSettingsFixture m_settings{m_simulator.PortName()};
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Cancel);
    ScopedPromptInstall m_promptInstall{m_prompt};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    test::LogCapture m_log;
    CDeviceManager m_manager;
};

TEST_F(CDeviceManagerArmTest, TheArmIsDetectedFirstKeptAfterItsPauseAndAnsweredThroughTheSeam) {
    ASSERT_TRUE(m_manager.DetectScanners());
    const auto detected = GetInstrumentInfo().GetDetectedProbeTypes();
    EXPECT_NE(std::find(detected.begin(), detected.end(), eProbeType::RobotArm), detected.end());
    EXPECT_TRUE(m_prompt->Requests().empty()) << "the detection's arm never asks";

    m_clock.ClearPauses();
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::NoScanner));
    auto* bot = dynamic_cast<CScannerBot*>(m_manager.GetScanner());
    ASSERT_NE(bot, nullptr);
    EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::RobotArm);
    const std::vector<Clock::Duration> pauses = m_clock.Pauses();
    EXPECT_NE(std::find(pauses.begin(), pauses.end(), Clock::Duration(5000ms)), pauses.end());
    // The arm kept for use offers its calibration once (answered Cancel here).
    ASSERT_EQ(m_prompt->Requests().size(), 1U);
    EXPECT_EQ(m_prompt->Requests()[0].caption, "Quorlyn Calibration");
    EXPECT_EQ(GetAttachedScannerId(), 200);
    EXPECT_EQ(GetArmDefaultProbeHeight(), 110.0F);

    QScannerContext& context = GetScannerContext();
    ASSERT_TRUE(context.SetScannerId(200));
    EXPECT_EQ(context.GetArmMaxHeightForCell(0, 1), 110);
    EXPECT_EQ(context.GetArmMaxHeightForCell(28, 3), 15);
    EXPECT_TRUE(context.IsArmCellHeightZero(27, 20));
    EXPECT_FALSE(context.IsArmCellHeightZero(22, 2));

    // The pages' arm operations go through the manager.
    float x = 0;
    float y = 0;
    float z = 0;
    float r = 0;
    ASSERT_TRUE(m_manager.GetArmPose(x, y, z, r));
    EXPECT_EQ(z, 170.0F);
    ASSERT_TRUE(m_manager.MoveArmTo(200.0F, 5.0F, 40.0F, 0.0F));
    ASSERT_TRUE(m_manager.GetArmPose(x, y, z, r));
    EXPECT_EQ(y, 5.0F);
    EXPECT_EQ(z, 40.0F);
    uint16_t row = 0;
    uint16_t column = 0;
    ASSERT_TRUE(m_manager.GetCellAtPosition(63.0F, 0.0F, row, column));
    EXPECT_EQ(row, 65535);
    EXPECT_EQ(m_manager.GetGridOrigin(), std::make_optional(std::make_pair(64.0F, -157.5F)));
    ASSERT_TRUE(m_manager.MoveArmToCell(3, 4, 40.0F, 0, 1));

    // During a scan the moves and the homing are refused; the stop, the alarms and the pose are not.
    m_manager.SetScanRunning(true);
    EXPECT_FALSE(m_manager.MoveArmTo(200.0F, 0.0F, 40.0F, 0.0F));
    EXPECT_TRUE(m_log.Has("Moving the arm refused: a scan is running."));
    EXPECT_FALSE(m_manager.HomeArm());
    EXPECT_FALSE(m_manager.ResetArmQueue());
    EXPECT_FALSE(m_manager.MoveArmToCell(3, 4, 40.0F, 0, 1));
    EXPECT_TRUE(m_manager.ClearArmAlarms());
    EXPECT_TRUE(m_manager.GetArmPose(x, y, z, r));
    EXPECT_TRUE(m_manager.StopArm());
    m_manager.SetScanRunning(false);

    // The no-scanner driver replaces the arm: the seam answers as for any other scanner.
    m_manager.SetScannerMaker(eProbeType::RobotArm, nullptr);
    m_manager.SetNoScannerFallbackSource([] { return true; });
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::NoScanner));
    EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::NoScanner);
    EXPECT_EQ(context.GetArmMaxHeightForCell(0, 1), 5);
    EXPECT_FALSE(context.IsArmCellHeightZero(27, 20));
    EXPECT_FALSE(GetArmDefaultProbeHeight().has_value());
    EXPECT_FALSE(m_manager.StopArm()) << "no arm to stop";
    EXPECT_FALSE(m_manager.GetArmPose(x, y, z, r));
    DestroyScannerContext();
}

TEST_F(CDeviceManagerArmTest, AskedForDirectlyTheArmPromptsAndNoArmFallsBack) {
    m_prompt->Script(PromptAnswer::Ok);
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::RobotArm));
    ASSERT_NE(dynamic_cast<CScannerBot*>(m_manager.GetScanner()), nullptr);
    EXPECT_EQ(m_prompt->Requests().size(), 1U);
    EXPECT_TRUE(m_log.Has("Dobot homing..."));
    EXPECT_TRUE(m_log.Has("Completed creating connection to Bot Scanner."));
    std::vector<uint8_t> reply;
    ASSERT_TRUE(m_manager.ReadScannerType(reply));
    EXPECT_EQ(reply, (std::vector<uint8_t>{200, 0, 0, 0}));

    // No arm answers: the USB board and the adapter have no makers here, the no-scanner driver stands in.
    m_manager.SetScannerMaker(eProbeType::UsbScannerBoard, nullptr);
    m_manager.SetScannerMaker(eProbeType::ExternalAdapter, nullptr);
    m_manager.SetNoScannerFallbackSource([] { return true; });
    const test::ArmSettingsFixture elsewhere("/dev/null/no-arm");
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::RobotArm));
    EXPECT_EQ(dynamic_cast<CScannerBot*>(m_manager.GetScanner()), nullptr);
    EXPECT_TRUE(m_log.Has("Failed in initializing BOT engine in Setup Connection()."));
    EXPECT_EQ(GetAttachedScannerId(), 255);
}

} // namespace
} // namespace orv
