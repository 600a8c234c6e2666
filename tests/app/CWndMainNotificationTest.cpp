#include "app/panes/CWndMainNotification.h"
#include "app/panes/CWndCommunication.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

namespace orv {
namespace {

using testing::Grab;
using testing::PixelAt;
using testing::ProcessEventsUntil;
using namespace std::chrono_literals;

class NotificationTest : public testing::QtWidgetTest {
protected:
    NotificationTest() {
        owner.setGeometry(100, 100, 800, 600);
        owner.show();
        box.SetClock(
            [this] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(now.load())); });
    }

    // The owner's client area on the screen.
    QRect OwnerArea() const { return QRect(owner.mapToGlobal(QPoint(0, 0)), owner.size()); }

    QWidget owner;
    CWndMainNotification box{&owner};
    std::atomic<int64_t> now{1'000'000};
};

TEST_F(NotificationTest, ThreeNoticesGiveABoxOfTheWidestWidthAtTheBottomRight) {
    // Narrow letters: the width counted at 6 pixels a character is the wider one.
    box.AddNotice(std::string(10, 'i'), 0);
    box.AddNotice(std::string(40, 'i'), 0);
    box.AddNotice(std::string(20, 'i'), 0);
    ASSERT_TRUE(ProcessEventsUntil([this] { return box.isVisible(); }));
    EXPECT_EQ(box.size(), QSize(260, 78));
    EXPECT_EQ(box.geometry().right() + 1, OwnerArea().right() + 1 - 5);
    EXPECT_EQ(box.geometry().bottom() + 1, OwnerArea().bottom() + 1 - 46);

    const QImage image = Grab(box);
    EXPECT_EQ(PixelAt(image, 0, 0), QColor(255, 255, 255));       // white frame
    EXPECT_EQ(PixelAt(image, 2, 40), QColor(245, 128, 37));       // orange fill
    EXPECT_TRUE(box.testAttribute(Qt::WA_ShowWithoutActivating)); // never takes the focus
}

// The columns of one line of the box where something other than the fill was painted.
std::pair<int, int> InkColumns(const QImage& image, int top, int height) {
    const QColor fill(245, 128, 37);
    int first = -1;
    int last = -1;
    for (int x = 1; x < image.width() - 1; ++x) {
        for (int y = top; y < top + height; ++y) {
            if (PixelAt(image, x, y) != fill) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST_F(NotificationTest, TheProgramsNoticesArePaintedWholeWithFillFreeAtBothEnds) {
    // The box's 14-pixel bold letters are wider than the 6 pixels a character the box was counted
    // at: measured in its own font, no notice is cut at its ends.
    const std::vector<std::string> notices = {"Connected to Scanner and Spectrum Analyzer.",
                                              "Connected to Spectrum Analyzer. (Handheld mode only)",
                                              "The scan has completed ! "};
    for (const std::string& notice : notices) {
        box.AddNotice(notice, 0);
    }
    ASSERT_TRUE(ProcessEventsUntil([this] { return box.isVisible(); }));
    EXPECT_GT(box.width(), static_cast<int>(notices[1].size()) * 6 + 20);
    EXPECT_EQ(box.height(), 16 * 3 + 30);
    const QImage image = Grab(box);
    for (size_t line = 0; line < notices.size(); ++line) {
        const auto [first, last] = InkColumns(image, 3 + 16 * static_cast<int>(line), 16);
        ASSERT_GE(first, 0) << notices[line];
        // At least 4 pixels of fill between the frame and the text on each side.
        EXPECT_GE(first, 5) << notices[line];
        EXPECT_LE(last, image.width() - 6) << notices[line];
    }
    // The widest notice is centred: as much fill on its left as on its right (within a pixel).
    const auto [first, last] = InkColumns(image, 3 + 16, 16);
    EXPECT_LE(std::abs(first - (image.width() - 1 - last)), 2);
}

TEST_F(NotificationTest, ANoticeWithoutDurationGoesAfterSixSeconds) {
    box.AddNotice("Scanner connected", 0);
    box.AddNotice("Analyser connected", 10000);
    ASSERT_TRUE(ProcessEventsUntil([this] { return box.isVisible(); }));
    now += 6000;
    box.ExpireNotices();
    EXPECT_EQ(box.GetNoticeCount(), 2u); // not yet past its time
    now += 1;
    box.ExpireNotices();
    EXPECT_EQ(box.GetNoticeCount(), 1u);
    EXPECT_EQ(box.height(), 16 + 30);
    now += 4000;
    box.ExpireNotices();
    EXPECT_EQ(box.GetNoticeCount(), 0u);
    EXPECT_FALSE(box.isVisible());
}

TEST_F(NotificationTest, AClickEmptiesTheBox) {
    box.AddNotice("one", 0);
    box.AddNotice("two", 0);
    ASSERT_TRUE(ProcessEventsUntil([this] { return box.isVisible(); }));
    testing::SendMouse(box, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(box.GetNoticeCount(), 0u);
    EXPECT_FALSE(box.isVisible());
}

TEST_F(NotificationTest, NoticesAddedFromOtherThreadsWhileOthersExpire) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 50;
    std::atomic<int> running{kThreads};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                // Every other notice is short-lived; the rest outlive the test.
                box.AddNotice("notice " + std::to_string(t) + "/" + std::to_string(i),
                              i % 2 == 0 ? 1 : 1'000'000);
            }
            --running;
        });
    }
    // The user-interface thread keeps expiring meanwhile, on a clock that runs fast.
    ProcessEventsUntil([&] {
        now += 10;
        box.ExpireNotices();
        return running.load() == 0;
    });
    for (auto& worker : workers) {
        worker.join();
    }
    now += 10;
    box.ExpireNotices();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.GetNoticeCount(), size_t{kThreads * kPerThread / 2});
    EXPECT_EQ(box.height(), 16 * kThreads * kPerThread / 2 + 30);
}

TEST(CommunicationWindowTest, ExistsHiddenUnderItsKnownTitle) {
    testing::EnsureTestApplication();
    CWndCommunication window;
    EXPECT_EQ(window.windowTitle(), QString("Orvilant_Communication_Window"));
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace orv
