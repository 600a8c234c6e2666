#include "app/controls/CIPAddrCtl.h"
#include "platform/ui/ScriptedPrompt.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <string>

namespace orv {
namespace {

using testing::Grab;
using testing::PixelAt;

const std::string kRangeText256 =
    "256 is not a valid entry.  Please specify a value between 0 and 255 for this field.";

// A sheet (outer dialog) holding a page (inner dialog) with the address control, another edit after
// it in the tab order and the page's default button, as the static-IP dialog and the settings pages
// place it. Keys go to whatever holds the focus, as a user's would.
class IPAddrCtlTest : public testing::QtWidgetTest {
protected:
    explicit IPAddrCtlTest(uint32_t style = 0) {
        CIPAddrCtl::SetBeepFunction([this] { ++beeps; });
        page = new QDialog(&sheet);
        page->setWindowFlags(Qt::Widget); // a page inside the sheet, not a window of its own
        auto* layout = new QVBoxLayout(page);
        control = new CIPAddrCtl(page, style);
        control->setMinimumSize(160, 24);
        after = new QLineEdit(page);
        ok = new QPushButton(QStringLiteral("OK"), page);
        ok->setDefault(true);
        layout->addWidget(control);
        layout->addWidget(after);
        layout->addWidget(ok);
        QObject::connect(ok, &QPushButton::clicked, [this] { ++okClicks; });
        QObject::connect(&sheet, &QDialog::rejected, [this] { ++sheetCancels; });
        sheet.resize(240, 140);
        page->resize(240, 140);
        sheet.show();
        page->show();
        sheet.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&sheet));
        control->setFocus(Qt::TabFocusReason);
    }
    ~IPAddrCtlTest() override { CIPAddrCtl::SetBeepFunction({}); }

    static QWidget* Focused() { return QApplication::focusWidget(); }
    int FocusedField() const {
        for (int id = 1; id <= 4; ++id) {
            if (Focused() == &control->Field(id)) {
                return id;
            }
        }
        return 0;
    }
    // Types each character of `keys` into the widget that has the focus.
    static void Type(const std::string& keys) {
        for (char c : keys) {
            QWidget* target = Focused();
            ASSERT_NE(target, nullptr);
            QTest::keyClick(target, c);
        }
    }
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = Focused();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }
    void SetTexts(const char* a, const char* b, const char* c, const char* d) {
        control->Field(1).setText(QString::fromLatin1(a));
        control->Field(2).setText(QString::fromLatin1(b));
        control->Field(3).setText(QString::fromLatin1(c));
        control->Field(4).setText(QString::fromLatin1(d));
    }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    QDialog sheet;
    QDialog* page = nullptr;
    CIPAddrCtl* control = nullptr;
    QLineEdit* after = nullptr;
    QPushButton* ok = nullptr;
    int beeps = 0;
    int okClicks = 0;
    int sheetCancels = 0;
};

class IPAddrCtlNoRangeCheckTest : public IPAddrCtlTest {
protected:
    IPAddrCtlNoRangeCheckTest() : IPAddrCtlTest(CIPAddrCtl::kNoRangeCheck) {}
};

TEST_F(IPAddrCtlTest, TheFocusGoesToTheFirstFieldAndThirdDigitsMoveOnUpToTheLastField) {
    EXPECT_EQ(FocusedField(), 1);
    Type("192");
    EXPECT_EQ(FocusedField(), 2);
    Type("16");
    Type(".");
    EXPECT_EQ(FocusedField(), 3);
    Type("0 ");
    EXPECT_EQ(FocusedField(), 4);
    Type("255");
    EXPECT_EQ(FocusedField(), 4) << "the last field keeps the focus";
    Type(".");
    EXPECT_EQ(FocusedField(), 4);

    IPAddrRecord record;
    ASSERT_TRUE(control->GetAddress(true, record));
    EXPECT_EQ(record.address, (std::array<uint8_t, 4>{192, 16, 0, 255}));
    EXPECT_EQ(record.failedField, 0u);
    EXPECT_TRUE(prompt->Requests().empty());
}

TEST_F(IPAddrCtlTest, AnAddressTypedWithItsDotsFillsEveryFieldOnce) {
    // The dot after a third digit does not skip the field the digit already moved to, whatever
    // that field held.
    SetTexts("0", "0", "0", "0");
    control->setFocus(Qt::TabFocusReason);
    Type("192.168.0.1");
    IPAddrRecord record;
    ASSERT_TRUE(control->GetAddress(false, record));
    EXPECT_EQ(record.address, (std::array<uint8_t, 4>{192, 168, 0, 1}));
    EXPECT_EQ(FocusedField(), 4);
}

TEST_F(IPAddrCtlTest, DotAndSpaceSelectTheNextFieldAndArrowsCrossOnlyAtTheTextEnds) {
    SetTexts("10", "20", "30", "40");
    control->Field(1).setCursorPosition(2);
    Type(".");
    ASSERT_EQ(FocusedField(), 2);
    EXPECT_EQ(control->Field(2).selectedText(), QStringLiteral("20"));

    control->Field(2).setCursorPosition(1);
    Press(Qt::Key_Left);
    EXPECT_EQ(FocusedField(), 2) << "the caret moved inside the text";
    Press(Qt::Key_Left);
    EXPECT_EQ(FocusedField(), 1) << "at position 0 the left arrow goes back";
    EXPECT_FALSE(control->Field(1).hasSelectedText());
    Press(Qt::Key_Left);
    EXPECT_EQ(FocusedField(), 1) << "nothing before the first field";

    control->Field(1).setCursorPosition(1);
    Press(Qt::Key_Right);
    EXPECT_EQ(FocusedField(), 1);
    Press(Qt::Key_Right);
    EXPECT_EQ(FocusedField(), 2) << "at the end the right arrow goes on";
    EXPECT_FALSE(control->Field(2).hasSelectedText());
}

TEST_F(IPAddrCtlTest, AValueAbove255IsRefusedWithTheTextSelectedForCorrection) {
    Type("256");
    ASSERT_EQ(prompt->Requests().size(), 1u);
    const PromptRequest box = prompt->Requests()[0];
    EXPECT_EQ(box.text, kRangeText256);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.icon, PromptIcon::Warning);
    EXPECT_EQ(box.buttons, PromptButtons::Ok);
    EXPECT_EQ(FocusedField(), 1);
    EXPECT_EQ(control->Field(1).selectedText(), QStringLiteral("256"));
    Type("25");
    EXPECT_EQ(control->Field(1).text(), QStringLiteral("25")) << "typing replaces the selected value";
}

TEST_F(IPAddrCtlNoRangeCheckTest, AValueAbove255IsTakenWhileTypingButFailsTheAddress) {
    Type("256");
    EXPECT_TRUE(prompt->Requests().empty());
    EXPECT_EQ(FocusedField(), 2);
    control->Field(2).setText(QStringLiteral("1"));
    control->Field(3).setText(QStringLiteral("1"));
    control->Field(4).setText(QStringLiteral("1"));

    IPAddrRecord record;
    EXPECT_FALSE(control->GetAddress(true, record));
    EXPECT_EQ(record.failedField, 1u);
    EXPECT_EQ(record.address, (std::array<uint8_t, 4>{}));
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{kRangeText256});
    EXPECT_EQ(FocusedField(), 1);
}

TEST_F(IPAddrCtlTest, GetAddressFailsOnTheFirstBadFieldAndShowsItsReasonOnlyWhenAsked) {
    struct Case {
        const char* fields[4];
        uint32_t failedField;
        const char* shown;
    };
    const Case cases[] = {
        {{"10", "0", "", "1"}, 3, "Missing value in IP address"},
        {{"", "", "", ""}, 1, "Missing value in IP address"},
        // Pasted text passes the typing filter; "1a" is no address byte.
        {{"1", "1a", "1", "1"},
         2,
         "1 is not a valid entry.  Please specify a value between 0 and 255 for this field."},
        {{"1", "2", "3", "999"},
         4,
         "999 is not a valid entry.  Please specify a value between 0 and 255 for this field."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failedField);
        SetTexts(c.fields[0], c.fields[1], c.fields[2], c.fields[3]);
        const size_t before = prompt->Requests().size();
        IPAddrRecord quiet;
        quiet.address = {9, 9, 9, 9};
        EXPECT_FALSE(control->GetAddress(false, quiet));
        EXPECT_EQ(quiet.failedField, c.failedField);
        EXPECT_EQ(quiet.address, (std::array<uint8_t, 4>{})) << "no partial address";
        EXPECT_EQ(prompt->Requests().size(), before) << "no box unless errors are asked for";
        EXPECT_EQ(FocusedField(), static_cast<int>(c.failedField));
        EXPECT_EQ(control->Field(static_cast<int>(c.failedField)).selectedText(),
                  control->Field(static_cast<int>(c.failedField)).text());

        IPAddrRecord shown;
        EXPECT_FALSE(control->GetAddress(true, shown));
        ASSERT_EQ(prompt->Requests().size(), before + 1);
        EXPECT_EQ(prompt->Requests().back().text, c.shown);
        EXPECT_EQ(prompt->Requests().back().caption, "Error");
    }
}

TEST_F(IPAddrCtlTest, ALetterBeepsAndIsNotInserted) {
    Type("1x");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(control->Field(1).text(), QStringLiteral("1"));
    Press(Qt::Key_Backspace);
    EXPECT_EQ(control->Field(1).text(), QString()) << "control characters are taken";
    EXPECT_EQ(beeps, 1);
}

TEST_F(IPAddrCtlTest, TheThreeMessagesSetReadAndLockTheAddress) {
    for (const std::array<uint8_t, 4>& address :
         {std::array<uint8_t, 4>{192, 168, 0, 1}, std::array<uint8_t, 4>{0, 0, 0, 0}}) {
        EXPECT_EQ(control->Send(CIPAddrCtl::kSetAddress, 0, reinterpret_cast<int64_t>(&address)), 1);
        IPAddrRecord record;
        EXPECT_EQ(control->Send(CIPAddrCtl::kGetAddress, 1, reinterpret_cast<int64_t>(&record)), 1);
        EXPECT_EQ(record.address, address);
        EXPECT_EQ(record.failedField, 0u);
    }
    EXPECT_EQ(control->Field(1).text(), QStringLiteral("0"));

    const QColor writable = PixelAt(Grab(*control), control->FieldRect(2).center().x(), 4);
    EXPECT_EQ(control->Send(CIPAddrCtl::kSetReadOnly, 1), 1);
    EXPECT_TRUE(control->IsReadOnly());
    const QImage locked = Grab(*control);
    const QColor buttonFace = control->palette().color(QPalette::Button);
    EXPECT_EQ(PixelAt(locked, control->FieldRect(2).center().x(), 4), buttonFace);
    EXPECT_EQ(PixelAt(locked, control->DotRect(1).left(), 3), buttonFace);
    EXPECT_NE(writable, buttonFace);

    control->Field(4).setFocus();
    control->Field(4).setCursorPosition(1);
    Type("7");
    EXPECT_EQ(control->Field(4).text(), QStringLiteral("0")) << "read-only fields refuse typing";

    EXPECT_EQ(control->Send(CIPAddrCtl::kSetReadOnly, 0), 1);
    EXPECT_EQ(PixelAt(Grab(*control), control->FieldRect(2).center().x(), 4), writable);
}

TEST_F(IPAddrCtlTest, TheLayoutSplitsTheWidthIntoFourFieldsWithADotBetweenEach) {
    control->resize(203, 24);
    const int d = control->fontMetrics().horizontalAdvance(QLatin1Char('.'));
    const int width = (control->contentsRect().width() - 3 * d) / 4;
    for (int id = 1; id <= 4; ++id) {
        EXPECT_EQ(control->FieldRect(id).width(), width);
        EXPECT_EQ(control->Field(id).geometry(), control->FieldRect(id));
    }
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(control->DotRect(i).left(), control->FieldRect(i).right() + 1);
        EXPECT_EQ(control->DotRect(i).right() + 1, control->FieldRect(i + 1).left());
    }
}

TEST_F(IPAddrCtlTest, EnterPressesTheDefaultButtonAndTabLeavesTheControl) {
    Type("1");
    Press(Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);

    Press(Qt::Key_Tab);
    EXPECT_EQ(Focused(), after) << "the fields are no tab stops of their own";
    after->setFocus();
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(FocusedField(), 1) << "coming back, the control hands the focus to field 1";
    EXPECT_EQ(control->Field(1).selectedText(), QStringLiteral("1"));
}

TEST_F(IPAddrCtlTest, EscapeInAPageCancelsTheSheet) {
    Press(Qt::Key_Escape);
    EXPECT_EQ(sheetCancels, 1);
}

TEST_F(IPAddrCtlTest, AFailedSaveMarksTheExchangeOnTheControlAndKeepsTheCallersBytes) {
    std::array<uint8_t, 4> address{10, 0, 0, 7};
    CDataExchange load;
    DDX_IPAddr(load, *control, address);
    EXPECT_EQ(control->Field(4).text(), QStringLiteral("7"));
    EXPECT_FALSE(load.failed);

    control->Field(2).setText(QStringLiteral("300"));
    std::array<uint8_t, 4> saved{1, 2, 3, 4};
    CDataExchange save{.saveAndValidate = true};
    DDX_IPAddr(save, *control, saved);
    EXPECT_TRUE(save.failed);
    EXPECT_EQ(save.failedControl, control);
    EXPECT_EQ(saved, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    ASSERT_EQ(prompt->Requests().size(), 1u) << "a save shows its error";

    control->Field(2).setText(QStringLiteral("255"));
    CDataExchange again{.saveAndValidate = true};
    DDX_IPAddr(again, *control, saved);
    EXPECT_FALSE(again.failed);
    EXPECT_EQ(saved, (std::array<uint8_t, 4>{10, 255, 0, 7}));
}

} // namespace
} // namespace orv
