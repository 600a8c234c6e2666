#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/controls/CTabCtrlEx.h"
#include "app/controls/CTabCtrlPropertySheet.h"
#include "app/controls/CUsefulSplitterWnd.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QSplitterHandle>

#include <functional>
#include <utility>

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

// The first and last rows of a tab that hold pixels of the text colour; -1 when none.
std::pair<int, int> TextRows(const QImage& image, const QRect& area,
                             const std::function<bool(const QColor&)>& text) {
    int first = -1;
    int last = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (text(PixelAt(image, x, y))) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

// The columns of a tab that hold pixels of its caption; -1 when none.
std::pair<int, int> TextColumns(const QImage& image, const QRect& area) {
    int first = -1;
    int last = -1;
    for (int x = area.left(); x <= area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QColor pixel = PixelAt(image, x, y);
            if (IsBlueText(pixel) || IsDarkGreyText(pixel)) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST_F(TabStripTest, CaptionsStayWholeOnANarrowStrip) {
    CTabCtrlEx tabs;
    tabs.setParent(&host);
    for (const char* caption : {"Full Composite View", "Full/User Composite View", "User Composite View"}) {
        tabs.addTab(QString::fromLatin1(caption));
    }
    tabs.CreateTabFonts();
    tabs.SetGreyUnselectedTabs(true);
    tabs.setCurrentIndex(0);
    host.resize(700, 60);
    host.show();
    // Wide, as wide as a half pane at 1280 pixels, and narrower.
    for (const int width : {600, 330, 290}) {
        SCOPED_TRACE(width);
        tabs.resize(width, 22);
        const QImage image = Grab(tabs);
        int previousRight = -1;
        for (int index = 0; index < tabs.count(); ++index) {
            SCOPED_TRACE(index);
            const QRect tab = tabs.tabRect(index);
            EXPECT_GE(tab.left(), 0);
            EXPECT_LE(tab.right(), width - 1);
            EXPECT_GT(tab.left(), previousRight - 1);
            previousRight = tab.right();
            // The caption's pixels inside its own outline, as wide as the caption is.
            const auto [first, last] = TextColumns(image, tab.adjusted(0, CTabCtrlEx::kRaise, 0, -1));
            ASSERT_GE(first, 0);
            EXPECT_GT(first, tab.left());
            EXPECT_LT(last, tab.right());
            const int advance = QFontMetrics(tabs.GetCaptionFont()).horizontalAdvance(tabs.tabText(index));
            EXPECT_GE(last - first + 4, advance);
        }
        if (width == 600) {
            EXPECT_EQ(tabs.GetCaptionFont().pixelSize(), CTabCtrlEx::kCaptionPixels);
            EXPECT_EQ(tabs.GetCaptionPadding(), CTabCtrlEx::kCaptionPaddings[0]);
        } else {
            EXPECT_GE(tabs.GetCaptionFont().pixelSize(), CTabCtrlEx::kSmallestCaptionPixels);
        }
    }
    // Wide again: the captions' own size.
    tabs.resize(600, 22);
    EXPECT_EQ(tabs.GetCaptionFont().pixelSize(), CTabCtrlEx::kCaptionPixels);
}

TEST_F(TabStripTest, ViewTabsReadAsTabsTheSelectedOneWhiteJoinedToItsPaneTheOthersGrey) {
    CTabCtrlEx tabs;
    tabs.CreateTabFonts();
    tabs.SetGreyUnselectedTabs(true);
    Build(tabs);
    // As the views lay their strips out: 22 pixels high.
    tabs.resize(tabs.width(), 22);
    EXPECT_EQ(tabs.font().pixelSize(), 11);

    const QImage image = Grab(tabs);
    const QRect selected = tabs.tabRect(0).intersected(tabs.rect());
    const QRect other = tabs.tabRect(1).intersected(tabs.rect());
    const int raise = CTabCtrlEx::kRaise;
    const int base = tabs.height() - 1;
    const QColor outline = ColorRefToQColor(CTabCtrlEx::kOutlineColour);
    EXPECT_EQ(PixelAt(image, selected.left() + 2, selected.top() + 2), QColor(255, 255, 255));
    EXPECT_EQ(PixelAt(image, other.left() + 2, raise + 2), QColor(232, 232, 232));
    // Outlined: the selected tab's top and sides from the strip's top, the others' from the raise;
    // the line the tabs stand on runs under the others and is open under the selected one.
    EXPECT_EQ(PixelAt(image, selected.center().x(), 0), outline);
    EXPECT_EQ(PixelAt(image, selected.left(), tabs.height() / 2), outline);
    EXPECT_EQ(PixelAt(image, other.center().x(), raise), outline);
    EXPECT_NE(PixelAt(image, other.center().x(), raise - 1), outline);
    EXPECT_EQ(PixelAt(image, other.center().x(), base), outline);
    EXPECT_EQ(PixelAt(image, selected.center().x(), base), QColor(255, 255, 255));
    // 0xFF0000 is blue: red sits in the low byte.
    EXPECT_GT(CountPixels(image, selected, IsBlueText), 0);
    EXPECT_EQ(CountPixels(image, other, IsBlueText), 0);
    EXPECT_GT(CountPixels(image, other, IsDarkGreyText), 0);
    // Both captions whole, inside the tabs' outlines, on one line.
    const auto [blueTop, blueBottom] = TextRows(image, selected, IsBlueText);
    const auto [greyTop, greyBottom] = TextRows(image, other, IsDarkGreyText);
    EXPECT_GT(blueTop, raise);
    EXPECT_LT(blueBottom, base);
    EXPECT_GT(greyTop, raise);
    EXPECT_LT(greyBottom, base);
    EXPECT_EQ(blueTop, greyTop);

    // Without the flag the unselected tabs stay white.
    tabs.SetGreyUnselectedTabs(false);
    const QImage plain = Grab(tabs);
    EXPECT_EQ(PixelAt(plain, other.left() + 2, raise + 2), QColor(255, 255, 255));

    // Selecting the other tab moves the blue text and the opening there.
    tabs.setCurrentIndex(1);
    const QImage switched = Grab(tabs);
    EXPECT_EQ(CountPixels(switched, selected, IsBlueText), 0);
    EXPECT_GT(CountPixels(switched, other, IsBlueText), 0);
    EXPECT_EQ(PixelAt(switched, selected.center().x(), base), outline);
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
