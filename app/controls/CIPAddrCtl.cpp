#include "app/controls/CIPAddrCtl.h"

#include "app/UiMessagePump.h"
#include "platform/ui/Prompt.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

#include <charconv>
#include <cstdio>
#include <mutex>
#include <string>

namespace orv {
namespace {

constexpr int kFieldCount = 4;
constexpr int kMaxDigits = 3;

std::mutex g_beepMutex;
std::function<void()> g_beep;

// A field's value: -1 for an empty field; the number of its leading digits otherwise, and whether
// the text is made of digits alone (text pasted into a field passes the typing filter, and "1a"
// must not be taken as 1).
struct FieldValue {
    int value = -1;
    bool digitsOnly = true;
};

FieldValue ReadField(const QLineEdit& field) {
    const std::string text = field.text().toStdString();
    FieldValue result;
    if (text.empty()) {
        return result;
    }
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        ++digits;
    }
    result.digitsOnly = digits == text.size();
    result.value = 0;
    // At most three characters fit, so the value cannot overflow.
    std::from_chars(text.data(), text.data() + digits, result.value);
    return result;
}

bool IsDescendantOf(const QWidget* widget, const QWidget* ancestor) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w == ancestor) {
            return true;
        }
    }
    return false;
}

} // namespace

CIPAddrEdit::CIPAddrEdit(CIPAddrCtl& control, int id) : QLineEdit(&control), m_control(control), m_id(id) {
    setMaxLength(kMaxDigits);
    setAlignment(Qt::AlignCenter);
    setFrame(false);
    // The fields are no tab stops of their own: the control is, and passes the focus to field 1.
    setFocusPolicy(Qt::ClickFocus);
}

void CIPAddrEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const bool autoAdvanced = m_control.TakeAutoAdvance(*this);
    switch (key) {
    case Qt::Key_Period:
    case Qt::Key_Space:
        // "192." typed in one go: the third digit has already moved on, so the dot that follows
        // must not skip a field.
        if (!autoAdvanced) {
            m_control.HandleFieldKey(*this, key, shift);
        }
        event->accept();
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_control.HandleFieldKey(*this, key, shift);
        event->accept();
        return;
    case Qt::Key_Left:
        if (cursorPosition() == 0 && !hasSelectedText()) {
            m_control.HandleFieldKey(*this, key, shift);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Right:
        if (cursorPosition() == static_cast<int>(text().size()) && !hasSelectedText()) {
            m_control.HandleFieldKey(*this, key, shift);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape: {
        // A page inside a sheet: Escape cancels the sheet, not only the page.
        QWidget* inner = m_control.parentWidget();
        QWidget* outer = inner != nullptr ? inner->parentWidget() : nullptr;
        auto* innerDialog = qobject_cast<QDialog*>(inner);
        auto* outerDialog = qobject_cast<QDialog*>(outer);
        if (innerDialog != nullptr && outerDialog != nullptr) {
            outerDialog->reject();
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    }
    default:
        break;
    }

    const QString typed = event->text();
    if (typed.size() == 1) {
        const QChar c = typed.front();
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7F;
        if (!c.isDigit() && !control) {
            CIPAddrCtl::Beep();
            event->accept();
            return;
        }
        const QString before = text();
        QLineEdit::keyPressEvent(event);
        if (!control && text() != before) {
            m_control.FieldTookCharacter(*this);
        }
        return;
    }
    QLineEdit::keyPressEvent(event);
}

CIPAddrCtl::CIPAddrCtl(QWidget* parent, uint32_t style)
    : QFrame(parent), MessageTarget(GetUiMessageThread()), m_noRangeCheck((style & kNoRangeCheck) != 0) {
    // The sunken client edge of the dialogs' edits.
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::IBeamCursor);
    for (int i = 0; i < kFieldCount; ++i) {
        m_fields[static_cast<size_t>(i)] = new CIPAddrEdit(*this, i + 1);
    }
    ApplyFieldBackground();
    LayoutFields();
}

CIPAddrEdit& CIPAddrCtl::Field(int id) const {
    return *m_fields.at(static_cast<size_t>(id - 1));
}

QRect CIPAddrCtl::FieldRect(int id) const {
    return m_fieldRects.at(static_cast<size_t>(id - 1));
}

QRect CIPAddrCtl::DotRect(int index) const {
    return m_dotRects.at(static_cast<size_t>(index - 1));
}

void CIPAddrCtl::SetBeepFunction(std::function<void()> beep) {
    const std::lock_guard<std::mutex> lock(g_beepMutex);
    g_beep = std::move(beep);
}

void CIPAddrCtl::Beep() {
    std::function<void()> beep;
    {
        const std::lock_guard<std::mutex> lock(g_beepMutex);
        beep = g_beep;
    }
    if (beep) {
        beep();
    } else {
        QApplication::beep();
    }
}

bool CIPAddrCtl::GetAddress(bool showErrors, IPAddrRecord& record) {
    record = IPAddrRecord{};
    std::array<uint8_t, 4> values{};
    for (int id = 1; id <= kFieldCount; ++id) {
        const FieldValue field = ReadField(Field(id));
        const bool empty = field.value < 0;
        if (empty || !field.digitsOnly || field.value > 255) {
            record.failedField = static_cast<uint32_t>(id);
            if (showErrors) {
                if (empty) {
                    ShowPrompt("Missing value in IP address", "Error", PromptButtons::Ok,
                               PromptIcon::Warning);
                } else {
                    ShowRangeError(field.value);
                }
            }
            FocusField(id, true);
            return false;
        }
        values[static_cast<size_t>(id - 1)] = static_cast<uint8_t>(field.value);
    }
    record.address = values;
    return true;
}

void CIPAddrCtl::SetAddress(const std::array<uint8_t, 4>& address) {
    for (int id = 1; id <= kFieldCount; ++id) {
        Field(id).setText(QString::number(address[static_cast<size_t>(id - 1)]));
    }
}

void CIPAddrCtl::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    for (CIPAddrEdit* field : m_fields) {
        field->setReadOnly(readOnly);
    }
    ApplyFieldBackground();
    update();
}

void CIPAddrCtl::ApplyFieldBackground() {
    // The fields show the control's background: the window colour while they can be edited, the
    // button face otherwise.
    const bool editable = isEnabled() && !m_readOnly;
    const QColor fill = palette().color(editable ? QPalette::Base : QPalette::Button);
    for (CIPAddrEdit* field : m_fields) {
        QPalette p = field->palette();
        p.setColor(QPalette::Active, QPalette::Base, fill);
        p.setColor(QPalette::Inactive, QPalette::Base, fill);
        p.setColor(QPalette::Disabled, QPalette::Base, fill);
        field->setPalette(p);
    }
}

void CIPAddrCtl::LayoutFields() {
    const QRect client = contentsRect();
    const int dot = fontMetrics().horizontalAdvance(QLatin1Char('.'));
    const int fieldWidth = std::max(0, (client.width() - 3 * dot) / kFieldCount);
    int x = client.left();
    for (int i = 0; i < kFieldCount; ++i) {
        m_fieldRects[static_cast<size_t>(i)] = QRect(x, client.top(), fieldWidth, client.height());
        m_fields[static_cast<size_t>(i)]->setGeometry(m_fieldRects[static_cast<size_t>(i)]);
        x += fieldWidth;
        if (i < kFieldCount - 1) {
            m_dotRects[static_cast<size_t>(i)] = QRect(x, client.top(), dot, client.height());
            x += dot;
        }
    }
}

void CIPAddrCtl::FocusField(int id, bool selectAll) {
    CIPAddrEdit& field = Field(id);
    field.setFocus(Qt::OtherFocusReason);
    if (selectAll) {
        field.selectAll();
    }
}

void CIPAddrCtl::ShowRangeError(int value) const {
    char text[160];
    std::snprintf(text, sizeof text,
                  "%d is not a valid entry.  Please specify a value between 0 and 255 for this field.",
                  value);
    ShowPrompt(text, "Error", PromptButtons::Ok, PromptIcon::Warning);
}

void CIPAddrCtl::FieldTookCharacter(CIPAddrEdit& field) {
    if (field.text().size() != kMaxDigits) {
        return;
    }
    if (!m_noRangeCheck) {
        const FieldValue value = ReadField(field);
        if (!value.digitsOnly || value.value > 255) {
            ShowRangeError(value.value);
            FocusField(field.GetId(), true);
            return;
        }
    }
    HandleFieldKey(field, Qt::Key_Period, false);
    if (field.GetId() < kFieldCount) {
        m_autoAdvancedTo = field.GetId() + 1;
    }
}

bool CIPAddrCtl::TakeAutoAdvance(const CIPAddrEdit& field) {
    const bool advanced = m_autoAdvancedTo == field.GetId();
    m_autoAdvancedTo = 0;
    return advanced;
}

void CIPAddrCtl::MoveToDialogTabStop(bool forward) {
    // The next tab stop of the dialog outside this control: the fields are passed over.
    QWidget* start = forward ? static_cast<QWidget*>(m_fields.back()) : static_cast<QWidget*>(this);
    QWidget* w = start;
    for (int guard = 0; guard < 10000; ++guard) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w == nullptr || w == start) {
            return;
        }
        if (IsDescendantOf(w, this)) {
            continue;
        }
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && w->isVisibleTo(window()) && w->isEnabled() &&
            w->window() == window()) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void CIPAddrCtl::HandleFieldKey(CIPAddrEdit& field, int key, bool shift) {
    const int id = field.GetId();
    switch (key) {
    case Qt::Key_Tab:
        MoveToDialogTabStop(!shift);
        break;
    case Qt::Key_Backtab:
        MoveToDialogTabStop(false);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QWidget* owner = parentWidget();
        if (owner == nullptr) {
            break;
        }
        for (QPushButton* button : owner->findChildren<QPushButton*>()) {
            if (button->isDefault() && button->isEnabled()) {
                button->click();
                break;
            }
        }
        break;
    }
    case Qt::Key_Period:
    case Qt::Key_Space:
        if (id < kFieldCount) {
            FocusField(id + 1, true);
        }
        break;
    case Qt::Key_Right:
        if (id < kFieldCount) {
            FocusField(id + 1, false);
            Field(id + 1).setCursorPosition(0);
        }
        break;
    case Qt::Key_Left:
        if (id > 1) {
            FocusField(id - 1, false);
            Field(id - 1).setCursorPosition(static_cast<int>(Field(id - 1).text().size()));
        }
        break;
    default:
        break;
    }
}

int64_t CIPAddrCtl::HandleMessage(Message& message) {
    switch (message.id) {
    case kGetAddress: {
        IPAddrRecord local;
        // The sender's record travels as the message's parameter, as with the window message.
        auto* record =
            message.lParam != 0
                ? reinterpret_cast<IPAddrRecord*>(message.lParam) // NOLINT(performance-no-int-to-ptr)
                : &local;
        return GetAddress(message.wParam != 0, *record) ? 1 : 0;
    }
    case kSetAddress:
        if (message.lParam != 0) {
            using Bytes = const std::array<uint8_t, 4>;
            SetAddress(*reinterpret_cast<Bytes*>(message.lParam)); // NOLINT(performance-no-int-to-ptr)
        }
        return 1;
    case kSetReadOnly:
        SetReadOnly(message.wParam != 0);
        return 1;
    default:
        return 0;
    }
}

void CIPAddrCtl::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        const bool editable = isEnabled() && !m_readOnly;
        painter.fillRect(contentsRect(), palette().color(editable ? QPalette::Base : QPalette::Button));
        painter.setPen(
            palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        for (const QRect& dot : m_dotRects) {
            painter.drawText(dot, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("."));
        }
    }
    // The sunken edge over the fill.
    QFrame::paintEvent(event);
}

void CIPAddrCtl::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    LayoutFields();
}

void CIPAddrCtl::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    FocusField(1, true);
}

void CIPAddrCtl::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        ApplyFieldBackground();
        update();
        break;
    case QEvent::FontChange:
        for (CIPAddrEdit* field : m_fields) {
            field->setFont(font());
        }
        LayoutFields();
        update();
        break;
    case QEvent::PaletteChange:
        ApplyFieldBackground();
        break;
    default:
        break;
    }
}

void DDX_IPAddr(CDataExchange& exchange, CIPAddrCtl& control, std::array<uint8_t, 4>& address) {
    if (!exchange.saveAndValidate) {
        control.Send(CIPAddrCtl::kSetAddress, 0, reinterpret_cast<int64_t>(&address));
        return;
    }
    IPAddrRecord record;
    if (control.Send(CIPAddrCtl::kGetAddress, 1, reinterpret_cast<int64_t>(&record)).value_or(0) == 0) {
        exchange.Fail(&control);
        return;
    }
    address = record.address;
}

} // namespace orv
