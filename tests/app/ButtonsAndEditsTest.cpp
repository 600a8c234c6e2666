#include "app/AppMessages.h"
#include "app/UiMessagePump.h"
#include "app/controls/CBotButton.h"
#include "app/controls/CBotJogTarget.h"
#include "app/controls/CEditApplyPanel.h"
#include "app/controls/CMyButton.h"
#include "app/controls/CMyEdit.h"
#include "app/controls/FillGradientRect.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <QToolTip>

#include <string>
#include <vector>

namespace orv {
namespace {

using testing::EnsureTestApplication;
using testing::Grab;
using testing::PixelAt;
using testing::SendMouse;

const QColor kGreyPressed(210, 210, 210);
const QColor kOrange(245, 128, 37);

// A parent window that records the reorder messages its buttons post.
class ReorderWindow : public QWidget, public MessageTarget {
public:
    ReorderWindow() : MessageTarget(GetUiMessageThread()) {}
    std::vector<int64_t> reorders;

protected:
    int64_t HandleMessage(Message& message) override {
        if (message.id == AppMessage::kReorderScanData) {
            reorders.push_back(message.lParam);
        }
        return 0;
    }
};

// Tips fade out after a short delay.
void HideTip() {
    QToolTip::hideText();
    ASSERT_TRUE(testing::ProcessEventsUntil([] { return !QToolTip::isVisible(); }));
}

class MyButtonTest : public testing::QtWidgetTest {
protected:
    MyButtonTest() {
        EnsureTestApplication();
        window.resize(300, 200);
        window.show();
    }
    ~MyButtonTest() override { QToolTip::hideText(); }

    std::unique_ptr<CMyButton> MakeButton(int32_t kind, int row = 0) {
        auto button = std::make_unique<CMyButton>(kind, &window);
        button->setGeometry(10, 10 + 45 * row, 120, 40);
        button->show();
        return button;
    }
    // A point of the rounded face away from the text and the icon.
    static QColor Face(CMyButton& button) { return PixelAt(Grab(button), 40, 20); }

    ReorderWindow window;
};

TEST_F(MyButtonTest, FaceColoursFollowHoverAndPress) {
    struct Case {
        int32_t kind;
        QColor idle;
    };
    for (const Case c : {Case{0, QColor(232, 232, 232)}, Case{1, QColor(240, 240, 240)}, Case{3, kOrange},
                         Case{4, kOrange}}) {
        SCOPED_TRACE(c.kind);
        auto button = MakeButton(c.kind);
        EXPECT_EQ(Face(*button), c.idle);
        // Outline and surround.
        EXPECT_EQ(PixelAt(Grab(*button), 60, 0), QColor(90, 90, 90));

        SendMouse(*button, QEvent::MouseMove, {40, 20}, Qt::NoButton, Qt::NoButton);
        EXPECT_TRUE(button->IsHovered());
        EXPECT_EQ(Face(*button), kOrange);
        SendMouse(*button, QEvent::MouseButtonPress, {40, 20}, Qt::LeftButton, Qt::LeftButton);
        EXPECT_EQ(Face(*button), kGreyPressed);
        SendMouse(*button, QEvent::MouseButtonRelease, {40, 20}, Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(Face(*button), kOrange);

        SendMouse(*button, QEvent::MouseMove, {200, 90}, Qt::NoButton, Qt::NoButton);
        EXPECT_FALSE(button->IsHovered());
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        EXPECT_EQ(Face(*button), c.idle);
    }
}

TEST_F(MyButtonTest, TheOptionButtonShowsItsTipOnEveryNewHover) {
    auto button = MakeButton(CMyButton::kOptionKind);
    EXPECT_EQ(button->toolTip(), QString("test tree node."));
    SendMouse(*button, QEvent::MouseMove, {40, 20}, Qt::NoButton, Qt::NoButton);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString("Click to switch option"));

    // Further moves inside do not show it again; leaving and re-entering does.
    HideTip();
    SendMouse(*button, QEvent::MouseMove, {50, 20}, Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(QToolTip::isVisible());
    SendMouse(*button, QEvent::MouseMove, {200, 90}, Qt::NoButton, Qt::NoButton);
    SendMouse(*button, QEvent::MouseMove, {40, 20}, Qt::NoButton, Qt::NoButton);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString("Click to switch option"));

    // Other kinds have no tip.
    HideTip();
    auto plain = MakeButton(1, 1);
    SendMouse(*plain, QEvent::MouseMove, {40, 20}, Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(MyButtonTest, ReorderButtonsPostTheirDirectionToTheParent) {
    auto up = MakeButton(CMyButton::kMoveUpKind, 0);
    auto down = MakeButton(CMyButton::kMoveDownKind, 1);
    auto plain = MakeButton(1, 2);
    for (CMyButton* button : {up.get(), down.get(), plain.get()}) {
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(40, 20));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(window.reorders, (std::vector<int64_t>{1, 2}));
}

class RecordingPanel : public CEditApplyPanel {
public:
    RecordingPanel(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) {}
    void ApplyEditedFields() override { m_log.push_back(m_name); }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

TEST(MyEditTest, PressAndDragSelectsAllAndEnterAppliesBothPanelsInOrder) {
    EnsureTestApplication();
    QWidget host;
    CMyEdit edit(&host);
    edit.setGeometry(0, 0, 200, 24);
    edit.setText(QStringLiteral("-12.50"));
    host.show();

    // A move without a press first does not select.
    SendMouse(edit, QEvent::MouseMove, {120, 10}, Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(edit.hasSelectedText());
    SendMouse(edit, QEvent::MouseButtonPress, {4, 10}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(edit.hasSelectedText());
    SendMouse(edit, QEvent::MouseMove, {20, 10}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(edit.selectedText(), QString("-12.50"));
    SendMouse(edit, QEvent::MouseButtonRelease, {20, 10}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(edit.selectedText(), QString("-12.50"));

    std::vector<std::string> applied;
    RecordingPanel spectral("spectral", applied);
    RecordingPanel spatial("spatial", applied);
    edit.SetPanels(&spectral, &spatial);
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_A);
    EXPECT_EQ(applied, (std::vector<std::string>{"spectral", "spatial"}));

    applied.clear();
    edit.SetPanels(nullptr, &spatial);
    QTest::keyClick(&edit, Qt::Key_Enter);
    EXPECT_EQ(applied, (std::vector<std::string>{"spatial"}));
}

class RecordingJog : public CBotJogTarget {
public:
    void SetJog(int32_t direction, float step) override {
        this->direction = direction;
        this->step = step;
        ++calls;
    }
    int32_t direction = -1;
    float step = 0.0F;
    int calls = 0;
};

TEST(BotButtonTest, TheDirectionStaysSetUntilTheMouseOrKeyIsReleased) {
    EnsureTestApplication();
    QWidget host;
    CBotButton button(QStringLiteral("F"), &host);
    button.setGeometry(0, 0, 40, 40);
    host.show();
    RecordingJog jog;
    button.SetJogTarget(&jog);
    button.SetDirection(2);

    SendMouse(button, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(jog.direction, 2);
    EXPECT_EQ(jog.step, 0.5F);
    SendMouse(button, QEvent::MouseMove, {22, 21}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(jog.direction, 2);
    SendMouse(button, QEvent::MouseButtonRelease, {22, 21}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(jog.direction, 0);
    EXPECT_EQ(jog.step, 0.5F);

    button.SetDirection(5);
    QTest::keyPress(&button, Qt::Key_Space);
    EXPECT_EQ(jog.direction, 5);
    // A held key repeats as release and press pairs: the direction stays.
    for (int repeat = 0; repeat < 3; ++repeat) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(&button, &release);
        EXPECT_EQ(jog.direction, 5);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(&button, &press);
        EXPECT_EQ(jog.direction, 5);
    }
    QTest::keyRelease(&button, Qt::Key_Space);
    EXPECT_EQ(jog.direction, 0);
    // Keys are consumed: the button never clicked.
    EXPECT_FALSE(button.isDown());
}

QImage FilledImage(int width, int height, uint32_t colour, int top = 0, int bottom = -1) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    FillGradientRect(painter, 0, top, width, bottom < 0 ? height : bottom, colour, true);
    return image;
}

TEST(FillGradientRectTest, BandsOfThreePixelsEachFourLevelsLighter) {
    const QImage image = FilledImage(20, 120, 0x00C89664); // RGB (100, 150, 200)
    for (int y = 0; y < 120; ++y) {
        const int step = 4 * (y / 3);
        const QColor expected(std::min(100 + step, 255), std::min(150 + step, 255),
                              std::min(200 + step, 255));
        ASSERT_EQ(PixelAt(image, 0, y), expected) << "row " << y;
        ASSERT_EQ(PixelAt(image, 19, y), expected) << "row " << y;
    }
    // A white start stays white; a dark one is clamped per channel.
    const QImage white = FilledImage(4, 120, 0xFFFFFF);
    for (int y = 0; y < 120; y += 7) {
        EXPECT_EQ(PixelAt(white, 2, y), QColor(255, 255, 255));
    }
    // 59 pixels high: bands of 1.
    const QImage narrow = FilledImage(4, 59, 0x000000);
    EXPECT_EQ(PixelAt(narrow, 0, 58), QColor(232, 232, 232));
}

TEST(FillGradientRectTest, LaterCallsKeepTheFirstCallsBandsAndStayInTheRectangle) {
    QImage image(10, 140, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    FillGradientRect(painter, 0, 0, 10, 120, 0x000000, true); // bands of 3
    FillGradientRect(painter, 0, 120, 5, 130, 0x101010, false);
    painter.end();
    EXPECT_EQ(PixelAt(image, 0, 122), QColor(16, 16, 16));
    EXPECT_EQ(PixelAt(image, 0, 123), QColor(20, 20, 20));
    EXPECT_EQ(PixelAt(image, 0, 129), QColor(28, 28, 28));
    EXPECT_EQ(PixelAt(image, 7, 125), QColor(0, 0, 0));
    EXPECT_EQ(PixelAt(image, 0, 130), QColor(0, 0, 0));
}

} // namespace
} // namespace orv
