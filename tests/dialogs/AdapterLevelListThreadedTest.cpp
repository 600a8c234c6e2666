// The scan pages' level lists and the spatial page's interleaving notice with the external adapter
// attached: the adapter simulator on a loopback address of its own answers whether it turns the probe
// with motors.

#include "analyzers/CInstrumentInfo.h"
#include "core/QAttachedScannerSource.h"
#include "core/QScanOptions.h"
#include "dialogs/CPageSpatialScan.h"
#include "dialogs/CPageSpectralScan.h"
#include "engine/CDeviceManager.h"
#include "platform/clock/FakeClock.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/dialogs/support/SheetTestSupport.h"
#include "tests/engine/support/AdapterTestRig.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <QCheckBox>
#include <QComboBox>

#include <gtest/gtest.h>

namespace orv {
namespace {

class AdapterLevelListTest : public testing::SheetFixture {
protected:
    AdapterLevelListTest() {
        m_manager.SetScannerMaker(eProbeType::RobotArm, nullptr);
        m_manager.SetScannerMaker(eProbeType::UsbScannerBoard, nullptr);
    }
    ~AdapterLevelListTest() override { GetInstrumentInfo().SetProbeType(eProbeType::NoScanner); }

    // The entries of the level list of a Spectral/Spatial node that stored level 6.
    std::vector<std::string> Levels() {
        auto node = MakeNode(2005);
        node->GetScanOptions()->SetControlLevel(6);
        CNodeOptionsSheet* sheet = OpenSheet(*node);
        auto& page = dynamic_cast<CPageSpectralScan&>(*sheet->GetActivePage());
        auto& list = dynamic_cast<QComboBox&>(*page.GetControl(CPageSpectralScan::kLevelList));
        std::vector<std::string> entries;
        for (int i = 0; i < list.count(); ++i) {
            entries.push_back((i == list.currentIndex() ? "* " : "") + list.itemText(i).toStdString());
        }
        return entries;
    }

    // The spatial page of a Spatial node that stored level 6: its level list, and the notices a click
    // on "Interleaved Scan" brings.
    std::vector<std::string> SpatialLevels(std::vector<std::string>& notices) {
        auto node = MakeNode(2004);
        node->GetScanOptions()->SetControlLevel(6);
        CNodeOptionsSheet* sheet = OpenSheet(*node);
        auto& page = dynamic_cast<CPageSpatialScan&>(*sheet->GetActivePage());
        auto& list = dynamic_cast<QComboBox&>(*page.GetControl(CPageSpatialScan::kLevelList));
        std::vector<std::string> entries;
        for (int i = 0; i < list.count(); ++i) {
            entries.push_back((i == list.currentIndex() ? "* " : "") + list.itemText(i).toStdString());
        }
        const size_t before = m_prompt->Texts().size();
        testing::Click(dynamic_cast<QCheckBox&>(*page.GetControl(CPageSpatialScan::kInterleaved)));
        const std::vector<std::string> texts = m_prompt->Texts();
        notices.assign(texts.begin() + static_cast<std::ptrdiff_t>(before), texts.end());
        return entries;
    }

    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};
    test::AdapterSimulator m_sim;
    test::ScopedNetworkSource m_network{std::make_shared<test::LoopbackNetworkSource>(m_sim.Address())};
    test::AdapterPortSettings m_noPorts{{}};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    test::LogCapture m_log;
    CDeviceManager m_manager;
};

TEST_F(AdapterLevelListTest, AllEightLevelsOnlyWhileTheAdapterReportsMotors) {
    m_sim.SetMotors(1);
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::ExternalAdapter));
    // The probe type the connection thread selects with the adapter.
    GetInstrumentInfo().SetProbeType(eProbeType::ExternalAdapter);
    EXPECT_EQ(Levels(),
              (std::vector<std::string>{"Level 1 - 7.50 mm", "Level 2 - 3.75 mm", "Level 3 - 1.875 mm",
                                        "Level 4 - 0.937 mm", "Level 5 - 0.469 mm", "Level 6 - 0.234 mm",
                                        "* Level 7 - 0.117 mm", "Level 8 - 0.058 mm"}));

    m_sim.SetMotors(0);
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::ExternalAdapter));
    ASSERT_FALSE(AttachedAdapterSupportsMotors());
    EXPECT_EQ(Levels(), std::vector<std::string>{"* Level 1 - 7.50 mm"});
}

TEST_F(AdapterLevelListTest, TheSpatialPageOffersEveryLevelAndNoNoticeWhileTheAdapterReportsMotors) {
    GetInstrumentInfo().SetProbeType(eProbeType::ExternalAdapter);
    m_sim.SetMotors(1);
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::ExternalAdapter));
    std::vector<std::string> notices;
    EXPECT_EQ(SpatialLevels(notices),
              (std::vector<std::string>{"Level 1 - 7.50 mm", "Level 2 - 3.75 mm", "Level 3 - 1.875 mm",
                                        "Level 4 - 0.937 mm", "Level 5 - 0.469 mm", "Level 6 - 0.234 mm",
                                        "* Level 7 - 0.117 mm", "Level 8 - 0.058 mm"}));
    EXPECT_TRUE(notices.empty()) << ::testing::PrintToString(notices);

    // Without motors the user moves the board for the second pass, and is told so.
    m_sim.SetMotors(0);
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::ExternalAdapter));
    EXPECT_EQ(SpatialLevels(notices), std::vector<std::string>{"* Level 1 - 7.50 mm"});
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_TRUE(notices[0].ends_with("you will be asked to move the PCB one row up vertically.\n"))
        << notices[0];
}

} // namespace
} // namespace orv
