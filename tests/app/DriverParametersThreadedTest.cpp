// The driver-parameters window over the in-process engine with the FSU driver on a simulated R&S:
// it opens with the analyser's own timing for the set-up's bandwidth, and what it applies is the
// timing the next gated set-up sends.

#include "app/CDlgSetupDriverParameters.h"
#include "platform/msg/MessageTarget.h"
#include "support/QtTestApplication.h"
#include "tests/engine/support/SimulatedAnalyzerEngine.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <latch>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv::test {
namespace {

// Records the messages the window posts to the main frame.
class RecordingFrame : public MessageTarget {
public:
    RecordingFrame() : MessageTarget(m_thread) {}
    std::vector<uint32_t> Take() {
        m_thread.Pump();
        return std::move(m_received);
    }

protected:
    int64_t HandleMessage(Message& message) override {
        m_received.push_back(message.id);
        return 0;
    }

private:
    MessageThread m_thread;
    std::vector<uint32_t> m_received;
};

TEST(DriverParameterTextTest, TypedValuesAreTruncatedAndClampedToTheSetUpsRange) {
    const struct {
        const char* text;
        uint32_t value;
    } cases[] = {{"2.9", 2}, {"500", 500},
                 {"-5", 0},  {"1e12", std::numeric_limits<uint32_t>::max()},
                 {"nan", 0}, {"abc", 0},
                 {"", 0},    {"12abc", 12},
                 {"  7", 7}, {"inf", std::numeric_limits<uint32_t>::max()}};
    for (const auto& c : cases) {
        EXPECT_EQ(CDlgSetupDriverParameters::ParseTimingValue(c.text), c.value) << c.text;
    }
}

class DriverParametersTest : public orv::testing::QtWidgetTest, protected SimulatedAnalyzerEngine {
protected:
    DriverParametersTest() : SimulatedAnalyzerEngine("orv-driver-parameters") {
        Start("Rohde&Schwarz,FSL-6,100123/006,1.60", "rs", true);
    }

    CDlgSetupDriverParameters::TimingSource Timing() {
        return [this](float rbw) {
            m_flagWhileRead.push_back(m_rig.setup.GetManualTimingFlag());
            return m_rig.setup.GetDeviceManager()->TryReadAnalyzerTiming(rbw);
        };
    }

    // Sets the FSU driver (whose gate length gives way to the manual one) up for a 1 kHz bandwidth.
    void SetUpAnalyser() {
        ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());
        m_applying = true;
        ASSERT_EQ(Exchange(DriverCommand(34)).size(), 1U);
        ASSERT_EQ(Exchange(Frame(1, AnalyzerSetupBody(0.001F, 150.0F, 10.0F))).back().id, 1);
    }

    std::string GateLengthSent() {
        m_sim.ClearCommands("A");
        EXPECT_TRUE(m_rig.setup.SetupSpatialScan());
        for (const std::string& command : m_sim.Commands("A")) {
            if (command.rfind(":SWE:EGAT:LENG", 0) == 0) {
                return command;
            }
        }
        return "<none>";
    }

    RecordingFrame m_frame;
    std::vector<uint8_t> m_flagWhileRead;
};

TEST_F(DriverParametersTest, OpensWithTheAnalysersTimingAndAppliedValuesDriveTheNextSetUp) {
    SetUpAnalyser();
    const std::string ownGate = GateLengthSent();
    m_rig.setup.SetManualTimingFlag(1); // left up by an earlier window: the driver's own are shown
    CDlgSetupDriverParameters dialog(m_rig.setup, Timing(), &m_frame);
    EXPECT_EQ(dialog.windowTitle(), "Driver Parameters");
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(m_flagWhileRead, (std::vector<uint8_t>{0}));
    EXPECT_EQ(m_rig.setup.GetManualTimingFlag(), 1);
    // The FSU's own timing at 1 kHz: gate length 80 us, 150 after the switch and after the trigger.
    EXPECT_EQ(dialog.GetGateLengthEdit().text(), "80");
    EXPECT_EQ(dialog.GetSwitchDelayEdit().text(), "150");
    EXPECT_EQ(dialog.GetTriggerDelayEdit().text(), "150");
    EXPECT_FALSE(dialog.GetApplyButton().isEnabled());

    dialog.show();
    dialog.GetGateLengthEdit().selectAll();
    QTest::keyClicks(&dialog.GetGateLengthEdit(), "300.9");
    EXPECT_TRUE(dialog.GetApplyButton().isEnabled());
    QTest::mouseClick(&dialog.GetApplyButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.GetApplyButton().isEnabled());
    EXPECT_EQ(m_rig.setup.GetManualGateLength(), 300);
    // Two points per cell: twice the manual gate length, where the driver alone sent twice 80.
    EXPECT_EQ(ownGate, ":SWE:EGAT:LENG 160 US;");
    EXPECT_EQ(GateLengthSent(), ":SWE:EGAT:LENG 600 US;");

    // Cancel: the drivers' own tables again, and the frame is told to destroy the window.
    dialog.reject();
    EXPECT_EQ(m_rig.setup.GetManualTimingFlag(), 0);
    EXPECT_EQ(m_frame.Take(), (std::vector<uint32_t>{CDlgSetupDriverParameters::kClosedMessage}));
    EXPECT_EQ(GateLengthSent(), ":SWE:EGAT:LENG 160 US;");
}

TEST_F(DriverParametersTest, WithoutAnAnalyserOrWhileTheDevicesAreBusyTheSetUpsOwnValuesAreShown) {
    m_rig.setup.SetManualGateLength(500);
    m_rig.setup.SetManualSwitchTime(10);
    m_rig.setup.SetManualSwitchWait(11);
    {
        CDlgSetupDriverParameters dialog(m_rig.setup, Timing(), &m_frame);
        EXPECT_EQ(dialog.GetGateLengthEdit().text(), "500");
        EXPECT_EQ(dialog.GetSwitchDelayEdit().text(), "10");
        EXPECT_EQ(dialog.GetTriggerDelayEdit().text(), "11");
    }
    SetUpAnalyser();
    // Another thread holds the devices (a scan): the window never waits for them.
    std::latch held(1);
    std::latch release(1);
    std::thread holder([&] {
        const DeviceLockHold devices = m_rig.setup.GetDeviceManager()->LockDevices();
        held.count_down();
        release.wait();
    });
    held.wait();
    {
        CDlgSetupDriverParameters dialog(m_rig.setup, Timing(), &m_frame);
        EXPECT_EQ(dialog.GetGateLengthEdit().text(), "500");
    }
    release.count_down();
    holder.join();
}

} // namespace
} // namespace orv::test
