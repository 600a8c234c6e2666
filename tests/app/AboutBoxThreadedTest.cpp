// The about box: its build code, the scanner it names, and the external adapter's static-IP settings,
// whose change reaches the simulated adapter through the engine's device manager off the
// user-interface thread.

#include "analyzers/CInstrumentInfo.h"
#include "app/CDlgAbout.h"
#include "app/CDlgStaticIP.h"
#include "core/QAttachedAdapter.h"
#include "core/QManagers.h"
#include "core/QScanHeadInfo.h"
#include "core/QScannerContext.h"
#include "engine/CDeviceManager.h"
#include "platform/clock/FakeClock.h"
#include "platform/ui/ScriptedPrompt.h"
#include "support/QtTestApplication.h"
#include "tests/engine/support/AdapterTestRig.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace orv {
namespace {

using test::AdapterSimulator;

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_old) {
            setenv("TZ", m_old->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

QString Text(const QDialog& dialog, int id) {
    const auto* label = dialog.findChild<QLabel*>(QString::number(id));
    return label != nullptr ? label->text() : QString("<missing %1>").arg(id);
}

bool Visible(const QDialog& dialog, int id) {
    const auto* widget = dialog.findChild<QWidget*>(QString::number(id));
    return widget != nullptr && widget->isVisibleTo(&dialog);
}

TEST(AboutBoxTest, TheBuildCodeIsYearQuarterAndDayOfTheBuildTimeInLocalTime) {
    {
        const ScopedTimeZone utc("UTC");
        EXPECT_EQ(CDlgAbout::BuildCode(), "2023Q1-64");
    }
    {
        // 13:13 UTC on 6 March is already 7 March east of UTC+11.
        const ScopedTimeZone east("<+12>-12");
        EXPECT_EQ(CDlgAbout::BuildCode(), "2023Q1-65");
    }
}

class AboutBoxScannerTest : public testing::QtWidgetTest {
protected:
    AboutBoxScannerTest() {
        GetScanHeadInfoManager().Insert(
            std::make_unique<QScanHeadInfo>("Test Head", kKnownHead, 9.0F, 3000.5F, 29, 42, 0, 0, 100U));
        GetScannerContext().SetIdentityTexts("4660", "1.2.3");
        GetInstrumentInfo().SetProbeType(eProbeType::UsbScannerBoard);
        PublishAttachedAdapter(std::nullopt);
    }
    ~AboutBoxScannerTest() override {
        GetScanHeadInfoManager().Remove(kKnownHead);
        GetScannerContext().SetIdentityTexts("", "");
        GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
        PublishAttachedAdapter(std::nullopt);
    }

    static constexpr int32_t kKnownHead = 4711;
};

TEST_F(AboutBoxScannerTest, TheScannerIsNamedFromTheScanHeadListAndItsVersionReply) {
    CDlgAbout dialog(kKnownHead, {});
    EXPECT_EQ(dialog.windowTitle(), "About Orvilant");
    EXPECT_EQ(Text(dialog, CDlgAbout::kProgramNameId), "Orvilant");
    EXPECT_EQ(Text(dialog, CDlgAbout::kModuleId), "Test Head");
    EXPECT_EQ(Text(dialog, CDlgAbout::kFrequencyRangeId), "9.0000      ---  3000.5000  MHz");
    EXPECT_EQ(Text(dialog, CDlgAbout::kAdaptorId), "4660");
    EXPECT_EQ(Text(dialog, CDlgAbout::kFirmwareId), "1.2.3");
    const auto* value = dialog.findChild<QLabel*>(QString::number(CDlgAbout::kModuleId));
    EXPECT_EQ(value->palette().color(QPalette::WindowText), QColor(0x00, 0x64, 0x00));
    // No external adapter: its connection row and button stay hidden.
    EXPECT_FALSE(Visible(dialog, CDlgAbout::kConnectionLabelId));
    EXPECT_FALSE(Visible(dialog, CDlgAbout::kConnectionId));
    EXPECT_FALSE(Visible(dialog, CDlgAbout::kStaticIpButtonId));
}

TEST_F(AboutBoxScannerTest, NoScannerAndAnUnknownHeadAreSaidSo) {
    CDlgAbout none(CDlgAbout::kNoScannerHeadId, {});
    EXPECT_EQ(Text(none, CDlgAbout::kModuleId), "No scanner found. (Handheld only)");
    EXPECT_EQ(Text(none, CDlgAbout::kFrequencyRangeId), "");
    EXPECT_EQ(Text(none, CDlgAbout::kAdaptorId), "");
    EXPECT_EQ(Text(none, CDlgAbout::kFirmwareId), "");

    CDlgAbout unknown(9999, {});
    EXPECT_EQ(Text(unknown, CDlgAbout::kModuleId), "N/A");
    EXPECT_EQ(Text(unknown, CDlgAbout::kFrequencyRangeId), "N/A");
}

// The external adapter on a loopback address of its own, connected by the engine's device manager.
class AboutBoxAdapterTest : public testing::QtWidgetTest {
protected:
    AboutBoxAdapterTest() {
        m_manager.SetScannerMaker(eProbeType::RobotArm, nullptr);
        m_manager.SetScannerMaker(eProbeType::UsbScannerBoard, nullptr);
        m_sim.SetUseStaticIp(1);
        m_sim.SetStaticTexts("192.168.1.50", "255.255.255.0");
    }
    ~AboutBoxAdapterTest() override {
        GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
        PublishAttachedAdapter(std::nullopt);
    }

    CDlgAbout::StaticIpWriter Writer() {
        return [this](uint8_t flag, std::string address, std::string mask) {
            m_writerThread = std::this_thread::get_id();
            return m_manager.WriteAdapterStaticIPSettings(flag, address, mask);
        };
    }

    // Answers the static-IP dialog "..." opens, once it is shown.
    void AnswerStaticIpDialog(std::function<void(CDlgStaticIP&)> answer) {
        QTimer::singleShot(0, [answer] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* dialog = dynamic_cast<CDlgStaticIP*>(window);
                    dialog != nullptr && dialog->isVisible()) {
                    answer(*dialog);
                    return;
                }
            }
            ADD_FAILURE() << "the static-IP dialog did not open";
        });
    }

    AdapterSimulator m_sim;
    test::ScopedNetworkSource m_network{std::make_shared<test::LoopbackNetworkSource>(m_sim.Address())};
    test::AdapterPortSettings m_noPorts{{}};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    test::LogCapture m_log;
    CDeviceManager m_manager;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};
    std::thread::id m_writerThread;
};

TEST_F(AboutBoxAdapterTest, AChangeReachesTheAdapterOffTheInterfaceThreadAndAnUnchangedOneSendsNothing) {
    ASSERT_EQ(m_sim.Error(), "");
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::ExternalAdapter));
    GetInstrumentInfo().SetProbeType(eProbeType::ExternalAdapter); // the scanner type chosen
    CDlgAbout dialog(7, Writer());
    EXPECT_TRUE(Visible(dialog, CDlgAbout::kConnectionLabelId));
    EXPECT_EQ(Text(dialog, CDlgAbout::kConnectionId),
              QString::fromStdString("NET (" + m_sim.AddressText() + ":9760)"));
    EXPECT_TRUE(Visible(dialog, CDlgAbout::kStaticIpButtonId));
    EXPECT_TRUE(dialog.GetUseStaticIp());

    // OK with nothing changed (the adapter's "192.168.1.50" shown as "192.168.001.050"): nothing is
    // sent.
    m_sim.ClearRecord();
    AnswerStaticIpDialog([](CDlgStaticIP& ip) {
        EXPECT_EQ(ip.GetIPAddressText(), "192.168.001.050");
        ip.accept();
    });
    dialog.EditStaticIp();
    EXPECT_TRUE(m_sim.Frames().empty());

    AnswerStaticIpDialog([](CDlgStaticIP& ip) {
        ip.GetAddressControl().SetAddress({10, 1, 2, 3});
        ip.accept();
    });
    dialog.EditStaticIp();
    const std::vector<test::Bytes> sent = m_sim.Payloads(false);
    ASSERT_EQ(sent.size(), 2U) << "the flag, then the addresses";
    EXPECT_NE(m_writerThread, std::thread::id());
    EXPECT_NE(m_writerThread, std::this_thread::get_id());
    EXPECT_EQ(dialog.GetStaticIpText(), "010.001.002.003");
    EXPECT_EQ(dialog.GetSubnetMaskText(), "255.255.255.000");
    ASSERT_TRUE(GetAttachedAdapter().has_value());
    EXPECT_EQ(GetAttachedAdapter()->staticIp, "010.001.002.003");
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST_F(AboutBoxAdapterTest, ARefusedWriteShowsTheErrorAndKeepsTheOldSettings) {
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::ExternalAdapter));
    CDlgAbout dialog(7, Writer());
    // The adapter is busy scanning: the device manager refuses the write.
    m_manager.SetScanRunning(true);
    AnswerStaticIpDialog([](CDlgStaticIP& ip) {
        ip.GetUseStaticIpBox().setChecked(false);
        ip.accept();
    });
    dialog.EditStaticIp();
    m_manager.SetScanRunning(false);
    ASSERT_EQ(m_prompt->Requests().size(), 1U);
    EXPECT_EQ(m_prompt->Requests()[0].text, "The static IP settings could not be written to the adapter.");
    EXPECT_EQ(m_prompt->Requests()[0].caption, "Error");
    EXPECT_TRUE(dialog.GetUseStaticIp());
    EXPECT_EQ(dialog.GetStaticIpText(), "192.168.1.50");
}

} // namespace
} // namespace orv
