#include "app/controls/CMyButton.h"

#include "app/AppMessages.h"
#include "app/AppResources.h"
#include "app/QtConversions.h"
#include "platform/msg/MessageTarget.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolTip>

namespace orv {

namespace {

constexpr uint32_t kBackground = MakeColorRef(232, 232, 232);
constexpr uint32_t kOutline = MakeColorRef(90, 90, 90);
constexpr uint32_t kPressedHover = MakeColorRef(210, 210, 210);
constexpr uint32_t kHover = MakeColorRef(245, 128, 37);
constexpr uint32_t kPlainFace = MakeColorRef(240, 240, 240);

const char* const kFirstTip = "test tree node.";
const char* const kHoverTip = "Click to switch option";

} // namespace

CMyButton::CMyButton(int32_t kind, QWidget* parent) : CMyButton(kind, QString(), parent) {}

CMyButton::CMyButton(int32_t kind, const QString& text, QWidget* parent)
    : QPushButton(text, parent), m_kind(kind) {
    setMouseTracking(true);
    SetKind(kind);
}

void CMyButton::SetKind(int32_t kind) {
    m_kind = kind;
    if (m_kind == kOptionKind) {
        setToolTip(QString::fromLatin1(kFirstTip));
        // The option buttons' tips are pale green.
        setStyleSheet(QStringLiteral("QToolTip { background-color: rgb(225, 255, 225); color: black; }"));
    } else {
        setToolTip(QString());
        setStyleSheet(QString());
    }
    update();
}

uint32_t CMyButton::GetFaceColour() const {
    if (m_hover) {
        return isDown() ? kPressedHover : kHover;
    }
    switch (m_kind) {
    case kOptionKind:
        return kBackground;
    case kMoveUpKind:
    case kMoveDownKind:
        return kHover;
    default:
        return kPlainFace;
    }
}

void CMyButton::paintEvent(QPaintEvent* /*event*/) {
    const QRect item = rect();
    // Built off-screen and copied in one piece.
    QPixmap canvas(item.size() * devicePixelRatio());
    canvas.setDevicePixelRatio(devicePixelRatio());
    QPainter painter(&canvas);
    painter.fillRect(item, ColorRefToQColor(kBackground));
    painter.setPen(QPen(ColorRefToQColor(kOutline), 1));
    painter.setBrush(ColorRefToQColor(GetFaceColour()));

    QFont textFont = font();
    textFont.setPixelSize(12);
    textFont.setWeight(QFont::Light);
    painter.setFont(textFont);

    const QRect outline = item.adjusted(0, 0, -1, -1);
    const QRect besideIcon = item.adjusted(5, 0, -15, 0);
    auto drawIcon = [&](const char* path, int top) {
        EnsureAppResources();
        QIcon(QString::fromLatin1(path)).paint(&painter, QRect(item.right() + 1 - 20, top, 16, 16));
    };
    auto drawLabel = [&](const QRect& area) {
        painter.setPen(Qt::black);
        painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, text());
    };

    switch (m_kind) {
    case kOptionKind:
        painter.drawRoundedRect(outline, 8, 8);
        drawLabel(besideIcon);
        drawIcon(kIconMoveUp, 8);
        break;
    case kMoveUpKind:
        painter.drawRoundedRect(outline, 3, 3);
        drawLabel(besideIcon);
        drawIcon(kIconMoveUp, 18);
        break;
    case kMoveDownKind:
        painter.drawRoundedRect(outline, 3, 3);
        drawLabel(besideIcon);
        drawIcon(kIconMoveDown, 17);
        break;
    case kFrameKind:
        painter.drawRoundedRect(outline, 3, 3);
        break;
    default:
        painter.drawRoundedRect(outline, 3, 3);
        drawLabel(item);
        break;
    }
    painter.end();
    QPainter(this).drawPixmap(0, 0, canvas);
}

void CMyButton::EnterHover(const QPoint& position) {
    if (mouseGrabber() != this) {
        grabMouse();
    }
    m_hover = true;
    if (m_inside) {
        return;
    }
    m_inside = true;
    update();
    if (m_kind == kOptionKind) {
        QToolTip::hideText();
        setToolTip(QString::fromLatin1(kHoverTip));
        QToolTip::showText(mapToGlobal(position), toolTip(), this, rect(), 3000);
    }
}

void CMyButton::LeaveHover() {
    const bool wasHovered = m_hover || m_inside;
    m_hover = false;
    m_inside = false;
    if (mouseGrabber() == this) {
        releaseMouse();
    }
    if (wasHovered) {
        update();
    }
}

void CMyButton::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (rect().contains(position)) {
        EnterHover(position);
    } else {
        LeaveHover();
    }
    QPushButton::mouseMoveEvent(event);
}

void CMyButton::enterEvent(QEnterEvent* event) {
    EnterHover(event->position().toPoint());
    QPushButton::enterEvent(event);
}

void CMyButton::leaveEvent(QEvent* event) {
    LeaveHover();
    QPushButton::leaveEvent(event);
}

void CMyButton::hideEvent(QHideEvent* event) {
    LeaveHover();
    QPushButton::hideEvent(event);
}

void CMyButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
    }
    QPushButton::mousePressEvent(event);
    update();
}

void CMyButton::mouseReleaseEvent(QMouseEvent* event) {
    QPushButton::mouseReleaseEvent(event);
    update();
    if (event->button() != Qt::LeftButton || (m_kind != kMoveUpKind && m_kind != kMoveDownKind)) {
        return;
    }
    QWidget* parent = parentWidget();
    if (parent == nullptr) {
        return;
    }
    parent->setFocus(Qt::OtherFocusReason);
    if (auto* target = dynamic_cast<MessageTarget*>(parent)) {
        target->Post(AppMessage::kReorderScanData, 0, m_kind == kMoveUpKind ? 1 : 2);
    }
}

} // namespace orv
