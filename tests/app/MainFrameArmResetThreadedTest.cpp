#include "analyzers/CInstrumentInfo.h"
#include "app/CMainFrame.h"
#include "app/CStopScanWindow.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "engine/SetupScan.h"
#include "engine/scanners/CScannerBot.h"
#include "support/ProjectFrameFixture.h"
#include "tests/engine/support/ArmPackets.h"
#include "tests/engine/support/ArmSettingsFixture.h"
#include "tests/engine/support/DobotSimulatorProcess.h"

#include <chrono>
#include <future>
#include <optional>
#include <thread>
#include <vector>

namespace orv {
namespace {

using test::ArmPacket;
using test::Bytes;
using testing::ProjectFrameFixture;

constexpr uint8_t kWrite = 1;

// The frame's own engine drives the arm simulator on its pseudo-terminal; the engine link records the
// runs, so whatever reaches the simulator came from the command itself.
class MainFrameArmResetThreadedTest : public ProjectFrameFixture {
protected:
    void SetUp() override {
        m_simulator.SetMotionMs(0);
        {
            const test::ArmSettingsFixture armSettings(m_simulator.PortName());
            // The calibration the connect offers is declined: the arm stays where it is.
            m_environment.GetPrompt().Script(PromptAnswer::Cancel);
            ASSERT_TRUE(Manager().ConnectScanner(eProbeType::RobotArm));
        }
        ASSERT_NE(dynamic_cast<CScannerBot*>(Manager().GetScanner()), nullptr);
        GetInstrumentInfo().SetProbeType(eProbeType::RobotArm);

        CChildFrame* frame = NewProject();
        ASSERT_NE(frame, nullptr);
        CViewTreeWidget& tree = Tree(*frame);
        tree.SelectTreeNode(tree.GetRootItem());
        ASSERT_TRUE(m_frame->OnCommand(32809));
        m_engine.state = 2;
        m_engine.onRun = [this] { m_atRun.push_back(m_simulator.Packets()); };
        m_simulator.ClearRecord();
    }

    void TearDown() override {
        // The arm's port is closed while the simulator still answers it.
        if (dynamic_cast<CScannerBot*>(Manager().GetScanner()) != nullptr) {
            ReplaceArmWithNoScanner();
        }
        GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
    }

    CDeviceManager& Manager() { return *m_frame->GetEngineObjects()->GetSetupScan().GetDeviceManager(); }

    void ReplaceArmWithNoScanner() {
        for (const eProbeType type :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            Manager().SetScannerMaker(type, nullptr);
        }
        Manager().SetNoScannerFallbackSource([] { return true; });
        ASSERT_TRUE(Manager().ConnectScanner(eProbeType::NoScanner));
        ASSERT_EQ(dynamic_cast<CScannerBot*>(Manager().GetScanner()), nullptr);
    }

    // The simulator's record once it holds `count` packets (bounded), else as it is then.
    std::vector<Bytes> RecordOf(size_t count) {
        std::vector<Bytes> packets;
        testing::ProcessEventsUntil([&] {
            packets = m_simulator.Packets();
            return packets.size() >= count;
        });
        return packets;
    }

    test::DobotSimulatorProcess m_simulator;
    // The simulator's record at each run the engine link was asked for.
    std::vector<std::vector<Bytes>> m_atRun;
};

// Alarms cleared, the queue emptied and started again: the arm takes the run's moves from a clean queue.
const std::vector<Bytes> kQueueReset = {ArmPacket(20, kWrite), ArmPacket(245, kWrite),
                                        ArmPacket(240, kWrite)};

TEST_F(MainFrameArmResetThreadedTest, BothScanCommandsResetTheArmQueueBeforeTheRun) {
    for (const uint32_t command : {CMainFrame::kScanCommand, CMainFrame::kScanContinuouslyCommand}) {
        SCOPED_TRACE(command);
        m_atRun.clear();
        m_engine.runs.clear();
        m_simulator.ClearRecord();
        ASSERT_TRUE(m_frame->OnCommand(command));
        ASSERT_EQ(m_engine.runs.size(), 1U);
        EXPECT_EQ(m_engine.runs[0].second, command == CMainFrame::kScanContinuouslyCommand);
        // The reset has been answered by the time the run is asked for, and nothing came before it.
        ASSERT_EQ(m_atRun.size(), 1U);
        EXPECT_EQ(m_atRun[0], kQueueReset);
        EXPECT_EQ(m_simulator.Packets(), kQueueReset) << "the command sends nothing after the run starts";
    }
    EXPECT_EQ(m_simulator.Junk(), 0U);
}

TEST_F(MainFrameArmResetThreadedTest, NoResetForAnotherProbeTypeOrAnotherScanner) {
    // The arm is attached but the probe type is the scanner board's: the queue is left alone. The pose
    // query after the command is answered only once everything sent before it was.
    GetInstrumentInfo().SetProbeType(eProbeType::UsbScannerBoard);
    ASSERT_TRUE(m_frame->OnCommand(CMainFrame::kScanCommand));
    ASSERT_EQ(m_engine.runs.size(), 1U);
    float x = 0;
    float y = 0;
    float z = 0;
    float r = 0;
    ASSERT_TRUE(Manager().GetArmPose(x, y, z, r));
    EXPECT_EQ(RecordOf(1), std::vector<Bytes>{ArmPacket(10, 0)});
    ASSERT_EQ(m_atRun.size(), 1U);
    EXPECT_TRUE(m_atRun[0].empty());

    // Probe type 2 with another scanner attached: the run goes ahead without any reset.
    ReplaceArmWithNoScanner();
    GetInstrumentInfo().SetProbeType(eProbeType::RobotArm);
    m_simulator.ClearRecord();
    ASSERT_TRUE(m_frame->OnCommand(CMainFrame::kScanCommand));
    ASSERT_EQ(m_engine.runs.size(), 2U);
    EXPECT_TRUE(m_simulator.Packets().empty());
}

TEST_F(MainFrameArmResetThreadedTest, TheStopWindowForceStopsTheArmWhileAnotherThreadHoldsTheDevices) {
    // The scan thread holds the devices for its cell; the emergency stop must not wait for it.
    std::promise<void> held;
    std::promise<void> release;
    std::thread holder([&] {
        const auto devices = Manager().LockDevices();
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    m_frame->ShowScanStatus(-2);
    auto* window = dynamic_cast<CStopScanWindow*>(m_frame->GetStopScanFrame());
    ASSERT_NE(window, nullptr);
    window->SetStoppedPause(std::chrono::milliseconds(0));
    m_simulator.ClearRecord();
    const auto start = std::chrono::steady_clock::now();
    window->EmergencyStop();
    const auto returned = std::chrono::steady_clock::now() - start;
    const std::vector<Bytes> record = RecordOf(1);
    const auto received = std::chrono::steady_clock::now() - start;
    release.set_value();
    holder.join();
    EXPECT_LT(returned, std::chrono::milliseconds(100));
    EXPECT_LT(received, std::chrono::milliseconds(100));
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record[0], ArmPacket(242, kWrite)) << "the queue's force stop first";
    // The queue reset before a run is refused at once while the devices are held, never waited for.
    std::promise<void> heldAgain;
    std::promise<void> releaseAgain;
    std::thread holderAgain([&] {
        const auto devices = Manager().LockDevices();
        heldAgain.set_value();
        releaseAgain.get_future().wait();
    });
    heldAgain.get_future().wait();
    m_simulator.ClearRecord();
    const auto resetStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(m_frame->OnCommand(CMainFrame::kScanCommand));
    EXPECT_LT(std::chrono::steady_clock::now() - resetStart, std::chrono::milliseconds(100));
    releaseAgain.set_value();
    holderAgain.join();
    float x = 0;
    float y = 0;
    float z = 0;
    float r = 0;
    ASSERT_TRUE(Manager().GetArmPose(x, y, z, r));
    EXPECT_EQ(RecordOf(1), std::vector<Bytes>{ArmPacket(10, 0)}) << "no queue reset reached the arm";
}

} // namespace
} // namespace orv
