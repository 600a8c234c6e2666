#include "app/UiMessagePump.h"
#include "app/controls/CTabCtrlEx.h"
#include "app/controls/CTabCtrlPropertySheet.h"
#include "app/controls/CUsefulSplitterWnd.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QSplitterHandle>

#include <functional>

namespace orv {
namespace {

using testing::EnsureTestApplication;
using testing::Grab;
using testing::PixelAt;
using testing::SendMouse;

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& match) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += match(PixelAt(image, x, y)) ? 1 : 0;
        }
    }
    return count;
}

// The tab texts are drawn without smoothing: their pixels have exactly the text colour.
bool IsBlueText(const QColor& c) {
    return c == QColor(0, 0, 255);
}

bool IsDarkGreyText(const QColor& c) {
    return c == QColor(0x32, 0x32, 0x32);
}

class TabStripTest : public testing::QtWidgetTest {
protected:
    TabStripTest() { EnsureTestApplication(); }

    template <typename Strip> void Build(Strip& strip) {
        strip.setParent(&host);
        strip.addTab(QStringLiteral("Spectrum"));
        strip.addTab(QStringLiteral("Peaks"));
        strip.setCurrentIndex(0);
        host.resize(400, 60);
        strip.resize(strip.sizeHint());
        host.show();
    }

    QWidget host;
};

TEST_F(TabStripTest, ViewTabsShowTheSelectedTabWhiteWithBlueTextAndTheOthersGrey) {
    CTabCtrlEx tabs;
    tabs.CreateTabFonts();
    tabs.SetGreyUnselectedTabs(true);
    Build(tabs);
    EXPECT_EQ(tabs.font().pixelSize(), 11);

    const QImage image = Grab(tabs);
    const QRect selected = tabs.tabRect(0);
    const QRect other = tabs.tabRect(1);
    EXPECT_EQ(PixelAt(image, selected.left() + 1, selected.top() + 1), QColor(255, 255, 255));
    EXPECT_EQ(PixelAt(image, other.left() + 1, other.top() + 1), QColor(232, 232, 232));
    // 0xFF0000 is blue: red sits in the low byte.
    EXPECT_GT(CountPixels(image, selected, IsBlueText), 0);
    EXPECT_EQ(CountPixels(image, other, IsBlueText), 0);
    EXPECT_GT(CountPixels(image, other, IsDarkGreyText), 0);

    // Without the flag the unselected tabs stay white.
    tabs.SetGreyUnselectedTabs(false);
    const QImage plain = Grab(tabs);
    EXPECT_EQ(PixelAt(plain, other.left() + 1, other.top() + 1), QColor(255, 255, 255));

    // Selecting the other tab moves the blue text there.
    tabs.setCurrentIndex(1);
    const QImage switched = Grab(tabs);
    EXPECT_EQ(CountPixels(switched, tabs.tabRect(0), IsBlueText), 0);
    EXPECT_GT(CountPixels(switched, tabs.tabRect(1), IsBlueText), 0);
}

TEST_F(TabStripTest, SheetTabsFillTheSelectedTabNearWhiteAndTheOthersLightGrey) {
    CTabCtrlPropertySheet tabs;
    Build(tabs);
    const QImage image = Grab(tabs);
    const QRect selected = tabs.tabRect(0);
    const QRect other = tabs.tabRect(1);
    EXPECT_EQ(PixelAt(image, selected.left() + 1, selected.top() + 1), QColor(250, 250, 250));
    EXPECT_EQ(PixelAt(image, other.left() + 1, other.top() + 1), QColor(240, 240, 240));
    // The selected tab's text is 0x505050.
    EXPECT_GT(CountPixels(image, selected, [](const QColor& c) { return c == QColor(0x50, 0x50, 0x50); }), 0);
}

class SplitterTest : public testing::QtWidgetTest {
protected:
    SplitterTest() {
        EnsureTestApplication();
        splitter.addWidget(new QWidget);
        splitter.addWidget(new QWidget);
        splitter.resize(400, 200);
        splitter.show();
        splitter.setSizes({200, 200});
        QCoreApplication::processEvents();
    }

    // Drags the bar `distance` pixels to the right with the left button.
    void DragBar(int distance) {
        QSplitterHandle& bar = *splitter.handle(1);
        // Screen points fixed at the start: the bar moves under the mouse while it is dragged.
        const QPoint start = bar.mapToGlobal(bar.rect().center());
        auto send = [&](QEvent::Type type, int offset, Qt::MouseButton button, Qt::MouseButtons buttons) {
            SendMouse(bar, type, bar.mapFromGlobal(start + QPoint(offset, 0)), button, buttons);
        };
        send(QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, distance / 2, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseMove, distance, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, distance, Qt::LeftButton, Qt::NoButton);
    }

    CUsefulSplitterWnd splitter;
};

TEST_F(SplitterTest, AnUnlockedSplitterStoresTheRatioAfterADrag) {
    const int firstWidth = splitter.widget(0)->width();
    DragBar(60);
    EXPECT_EQ(splitter.widget(0)->width(), firstWidth + 60);
    // The store-ratio message is queued to the splitter itself and handled by the event loop.
    EXPECT_EQ(GetUiMessageThread().GetPendingCount(), 1u);
    EXPECT_EQ(splitter.GetSplitRatio(), 0.0);
    QCoreApplication::processEvents();
    const double first = splitter.widget(0)->width();
    const double second = splitter.widget(1)->width();
    EXPECT_DOUBLE_EQ(splitter.GetSplitRatio(), first / (first + second));
    EXPECT_GT(splitter.GetSplitRatio(), 0.6);
}

TEST_F(SplitterTest, ALockedSplitterIgnoresADragAndPostsNothing) {
    splitter.SetLocked(true);
    const QList<int> before = splitter.sizes();
    DragBar(60);
    EXPECT_EQ(splitter.sizes(), before);
    EXPECT_EQ(GetUiMessageThread().GetPendingCount(), 0u);
    QCoreApplication::processEvents();
    EXPECT_EQ(splitter.GetSplitRatio(), 0.0);
    EXPECT_EQ(splitter.handle(1)->cursor().shape(), Qt::ArrowCursor);

    // Unlocked again, the bar moves.
    splitter.SetLocked(false);
    DragBar(-40);
    QCoreApplication::processEvents();
    EXPECT_EQ(splitter.sizes().front(), before.front() - 40);
    EXPECT_GT(splitter.GetSplitRatio(), 0.0);
}

} // namespace
} // namespace orv
