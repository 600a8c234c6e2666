#include "app/controls/CSplashScreen.h"

#include "app/AppResources.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QPointer>

namespace orv {
namespace {

using testing::EnsureTestApplication;
using testing::FlushEvents;
using testing::ProcessEventsUntil;

int CountSplashWindows() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (dynamic_cast<CSplashScreen*>(widget) != nullptr && widget->isVisible()) {
            ++count;
        }
    }
    return count;
}

class CSplashScreenTest : public testing::QtWidgetTest {
protected:
    CSplashScreenTest() { EnsureTestApplication(); }
    ~CSplashScreenTest() override {
        if (CSplashScreen* splash = CSplashScreen::GetCurrent()) {
            delete splash;
        }
        FlushEvents();
        CSplashScreen::SetDisplayTime(3000);
    }
};

TEST_F(CSplashScreenTest, ASecondShowOnlyRestartsTheTimerAndFocusLossRemovesIt) {
    CSplashScreen::SetDisplayTime(60000);
    CSplashScreen::ShowSplashScreen();
    QPointer<CSplashScreen> splash = CSplashScreen::GetCurrent();
    ASSERT_NE(splash, nullptr);
    ASSERT_TRUE(ProcessEventsUntil([&] { return splash->GetRemainingTime() < 59900; }));

    CSplashScreen::ShowSplashScreen();
    EXPECT_EQ(CSplashScreen::GetCurrent(), splash.data());
    EXPECT_GE(splash->GetRemainingTime(), 59900);
    EXPECT_EQ(CountSplashWindows(), 1);

    QFocusEvent lost(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(splash, &lost);
    EXPECT_EQ(CSplashScreen::GetCurrent(), nullptr);
    FlushEvents();
    EXPECT_TRUE(splash.isNull());
    EXPECT_EQ(CountSplashWindows(), 0);
}

TEST_F(CSplashScreenTest, TheSplashGoesWhenItsTimeIsUp) {
    CSplashScreen::SetDisplayTime(20);
    CSplashScreen::ShowSplashScreen();
    QPointer<CSplashScreen> splash = CSplashScreen::GetCurrent();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(ProcessEventsUntil([&] { return splash.isNull(); }));
    EXPECT_EQ(CSplashScreen::GetCurrent(), nullptr);
}

TEST_F(CSplashScreenTest, ThePictureFillsTheSplashCentredOnItsParent) {
    QWidget parent;
    parent.setGeometry(100, 50, 1000, 800);
    parent.show();
    CSplashScreen::ShowSplashScreen(&parent);
    CSplashScreen* splash = CSplashScreen::GetCurrent();
    ASSERT_NE(splash, nullptr);

    EnsureAppResources();
    const QImage picture = QImage(QString::fromLatin1(kSplashPicture)).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(splash->size(), picture.size());
    const QPoint offCentre =
        splash->geometry().center() - QRect(parent.mapToGlobal(QPoint(0, 0)), parent.size()).center();
    EXPECT_LE(offCentre.manhattanLength(), 2); // rounding of odd sizes
    const QImage shown = testing::Grab(*splash);
    for (const QPoint point : {QPoint(0, 0), QPoint(100, 100), QPoint(300, 200), QPoint(200, 281)}) {
        EXPECT_EQ(shown.pixel(point), picture.pixel(point)) << point.x() << "," << point.y();
    }
}

TEST_F(CSplashScreenTest, APictureThatCannotBeLoadedLeavesNoSplash) {
    CSplashScreen::ShowSplashScreen(nullptr, QStringLiteral(":/no/such/picture.png"));
    EXPECT_EQ(CSplashScreen::GetCurrent(), nullptr);
    EXPECT_EQ(CountSplashWindows(), 0);
}

} // namespace
} // namespace orv
