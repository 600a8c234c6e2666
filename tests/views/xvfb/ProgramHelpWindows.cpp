// The real program on a real X server (Xvfb) with its built-in devices: the Help menu's About and
// Driver Parameters open their windows, whole and inside the screen; Find Scanner stays disabled in
// the menu and its dialog opens when the frame is asked to search (10038). The screen is written out
// as pictures.

#include "app/CDlgAbout.h"
#include "app/CDlgSearchForZeltp.h"
#include "app/CDlgSetupDriverParameters.h"
#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/QtTestApplication.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Driver = testing::AcceptanceDriver;

class ProgramHelpWindows : public testing::QtWidgetTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
    }

    static void Save(const std::string& name) {
        std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_TRUE(screen.save(QString::fromStdString(std::string(ORV_SCREENSHOT_DIR) + "/" + name)));
    }

    // The window is on the screen, wholly inside it, and each of its labels has room for its text.
    static void ExpectWhole(QWidget& window) {
        ASSERT_TRUE(
            testing::ProcessEventsUntil([&] { return window.isVisible() && window.isActiveWindow(); }, 10s));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_TRUE(screen.contains(window.frameGeometry())) << window.windowTitle().toStdString();
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            if (label->isVisible() && !label->text().isEmpty()) {
                EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
            }
        }
    }

    Driver m_driver;
};

TEST_F(ProgramHelpWindows, AboutDriverParametersAndTheScannerSearchOpenFromTheFrame) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = *app.GetMainFrame();
    frame.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    ASSERT_TRUE(Driver::WaitForConnectedDevices(frame));

    // About: modal; looked at and closed from inside its own loop.
    bool aboutSeen = false;
    QTimer::singleShot(0, [&] {
        auto* about = dynamic_cast<CDlgAbout*>(QApplication::activeModalWidget());
        if (about == nullptr) {
            ADD_FAILURE() << "the about box did not open";
            return;
        }
        ExpectWhole(*about);
        const auto* module = about->findChild<QLabel*>(QString::number(CDlgAbout::kModuleId));
        ASSERT_NE(module, nullptr);
        EXPECT_FALSE(module->text().isEmpty());
        Save("program-help-about.png");
        aboutSeen = true;
        about->accept();
    });
    ASSERT_TRUE(Driver::TriggerMenuItem(frame, 57664));
    EXPECT_TRUE(aboutSeen);

    // Driver Parameters: modeless and top-most, beside the frame.
    ASSERT_TRUE(Driver::TriggerMenuItem(frame, 32966));
    auto* parameters = dynamic_cast<CDlgSetupDriverParameters*>(frame.GetDriverParametersWindow());
    ASSERT_NE(parameters, nullptr);
    ExpectWhole(*parameters);
    EXPECT_FALSE(parameters->GetGateLengthEdit().text().isEmpty());
    Save("program-help-driver-parameters.png");
    parameters->reject();
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return frame.GetDriverParametersWindow() == nullptr; }));

    // Find Scanner stays disabled in the menu; the search dialog runs when the frame is asked (10038).
    EXPECT_FALSE(Driver::TriggerMenuItem(frame, 32944));
    bool searchSeen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* search = dynamic_cast<CDlgSearchForZeltp*>(QApplication::activeModalWidget());
        if (search == nullptr) {
            return;
        }
        poll.stop();
        ExpectWhole(*search);
        Save("program-help-scanner-search.png");
        searchSeen = true;
        search->reject();
    });
    poll.start();
    frame.Post(10038);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return searchSeen; }, 20s));
    EXPECT_EQ(app.ExitInstance(), 0);
}

} // namespace
} // namespace orv
