#include "app/panes/CWndMainNotification.h"

#include "app/AppMessages.h"
#include "app/QtConversions.h"
#include "app/UiMessagePump.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace orv {

CWndMainNotification::CWndMainNotification(QWidget* owner)
    : QWidget(owner,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      MessageTarget(GetUiMessageThread()), m_owner(owner) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    m_font = font();
    m_font.setPixelSize(14);
    m_font.setWeight(QFont::Bold);
    m_expiryTimer.setInterval(500);
    QObject::connect(&m_expiryTimer, &QTimer::timeout, this, [this] { ExpireNotices(); });
    m_expiryTimer.start();
}

void CWndMainNotification::SetClock(Clock clock) {
    std::lock_guard lock(m_mutex);
    m_clock = std::move(clock);
}

std::chrono::steady_clock::time_point CWndMainNotification::Now() const {
    return m_clock ? m_clock() : std::chrono::steady_clock::now();
}

void CWndMainNotification::AddNotice(const std::string& text, int32_t durationMs) {
    {
        std::lock_guard lock(m_mutex);
        const int32_t duration = durationMs > 0 ? durationMs : kDefaultDurationMs;
        m_notices.push_back({text, Now() + std::chrono::milliseconds(duration),
                             static_cast<int>(text.size()) * kPixelsPerCharacter});
    }
    Post(AppMessage::kRelayoutNotification);
}

std::vector<std::string> CWndMainNotification::GetNoticeTexts() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    texts.reserve(m_notices.size());
    for (const Notice& notice : m_notices) {
        texts.push_back(notice.text);
    }
    return texts;
}

size_t CWndMainNotification::GetNoticeCount() const {
    std::lock_guard lock(m_mutex);
    return m_notices.size();
}

int64_t CWndMainNotification::HandleMessage(Message& message) {
    if (message.id == AppMessage::kRelayoutNotification) {
        UpdateLayout();
    }
    return 0;
}

void CWndMainNotification::UpdateLayout() {
    int widest = 0;
    int count = 0;
    std::vector<std::string> texts;
    {
        std::lock_guard lock(m_mutex);
        count = static_cast<int>(m_notices.size());
        for (const Notice& notice : m_notices) {
            widest = std::max(widest, notice.width);
            texts.push_back(notice.text);
        }
    }
    // The count of characters is only a floor: the box's bold font is wider than 6 pixels a
    // character, and a notice must never be cut at its ends.
    const QFontMetrics metrics(m_font);
    for (const std::string& text : texts) {
        widest = std::max(widest, metrics.horizontalAdvance(CodePageToQString(text)));
    }
    if (count == 0 || m_owner == nullptr) {
        hide();
        return;
    }
    const QRect owner(m_owner->mapToGlobal(QPoint(0, 0)), m_owner->size());
    const int width = widest + 20;
    const int height = kLineHeight * count + 30;
    setGeometry(owner.x() + owner.width() - 5 - width, owner.y() + owner.height() - 46 - height, width,
                height);
    update();
    show();
}

void CWndMainNotification::ExpireNotices() {
    bool removed = false;
    {
        std::lock_guard lock(m_mutex);
        const auto now = Now();
        const auto before = m_notices.size();
        std::erase_if(m_notices, [now](const Notice& notice) { return notice.expiry < now; });
        removed = m_notices.size() != before;
    }
    if (removed) {
        UpdateLayout();
    }
}

void CWndMainNotification::mousePressEvent(QMouseEvent* /*event*/) {
    {
        std::lock_guard lock(m_mutex);
        m_notices.clear();
    }
    UpdateLayout();
}

void CWndMainNotification::paintEvent(QPaintEvent* /*event*/) {
    std::vector<std::string> texts;
    {
        std::lock_guard lock(m_mutex);
        for (const Notice& notice : m_notices) {
            texts.push_back(notice.text);
        }
    }
    if (texts.empty()) {
        hide();
        return;
    }
    QPainter painter(this);
    painter.setPen(Qt::white);
    painter.setBrush(ColorRefToQColor(kFillColour));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(m_font);
    painter.setPen(ColorRefToQColor(kTextColour));
    const QRect inner = rect().adjusted(3, 3, -3, -3);
    for (size_t line = 0; line < texts.size(); ++line) {
        const QRect row(inner.left(), inner.top() + kLineHeight * static_cast<int>(line), inner.width(),
                        kLineHeight);
        painter.drawText(row, Qt::AlignCenter | Qt::TextSingleLine, CodePageToQString(texts[line]));
    }
}

} // namespace orv
