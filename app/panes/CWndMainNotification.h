#pragma once

// The notice box in the bottom-right corner of the main window: short notices, one per line, each of
// which disappears by itself once its time has run out; a click removes them all. Notices may be
// added from any thread; the window itself is touched only on the user-interface thread.

#include "platform/msg/MessageTarget.h"

#include <QFont>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

class CWndMainNotification : public QWidget, public MessageTarget {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `owner`: the window the box stands over (the main window).
    explicit CWndMainNotification(QWidget* owner);

    // From any thread: a notice shown for `durationMs` (6000 when 0 or less); the box lays itself
    // out again on the user-interface thread.
    void AddNotice(const std::string& text, int32_t durationMs);
    size_t GetNoticeCount() const;
    std::vector<std::string> GetNoticeTexts() const;

    // With no notices the box hides; otherwise it takes the widest notice's width w (6 pixels a
    // character, or the text's width in the box's font when that is more) and stands w + 20 wide and 16 per
    // notice + 30 high, 5 pixels left of the owner's right edge and 46 above its bottom edge, and shows
    // itself.
    void UpdateLayout();
    // The 500 ms timer: removes the notices whose time has run out.
    void ExpireNotices();

    // Tests replace the clock (empty: the steady clock).
    void SetClock(Clock clock);

    static constexpr int kLineHeight = 16;
    static constexpr int kPixelsPerCharacter = 6;
    static constexpr int32_t kDefaultDurationMs = 6000;
    static constexpr uint32_t kFillColour = 0x2580F5; // RGB (245, 128, 37)
    static constexpr uint32_t kTextColour = 0x0A0A0A;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    int64_t HandleMessage(Message& message) override;

private:
    struct Notice {
        std::string text;
        std::chrono::steady_clock::time_point expiry;
        int width = 0;
    };

    std::chrono::steady_clock::time_point Now() const;

    QPointer<QWidget> m_owner;
    QFont m_font;
    QTimer m_expiryTimer;
    mutable std::mutex m_mutex; // guards the notices and the clock
    std::vector<Notice> m_notices;
    Clock m_clock;
};

} // namespace orv
