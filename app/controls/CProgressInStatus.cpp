#include "app/controls/CProgressInStatus.h"

#include "app/QtConversions.h"

#include <QPainter>

namespace orv {

CProgressInStatus::CProgressInStatus(QWidget* parent) : QWidget(parent) {}

void CProgressInStatus::SetRange(int32_t lower, int32_t upper) {
    m_lower = lower;
    m_upper = upper;
    update();
}

void CProgressInStatus::SetPos(int32_t position) {
    m_position = position;
    update();
}

void CProgressInStatus::SetBarColour(uint32_t colour) {
    m_customBarColour = true;
    m_barColour = colour;
    update();
}

void CProgressInStatus::SetBackgroundColour(uint32_t colour) {
    m_backgroundColour = colour;
    update();
}

QColor CProgressInStatus::GetBarColour() const {
    return m_customBarColour ? ColorRefToQColor(m_barColour) : palette().color(QPalette::Highlight);
}

QRect CProgressInStatus::GetInnerRect() const {
    return rect().adjusted(1, 1, -1, -1);
}

int CProgressInStatus::GetFilledWidth() const {
    if (m_position < m_lower || m_position > m_upper || m_upper == m_lower) {
        return -1; // nothing is filled
    }
    // In 64 bits: (position - lower) * 100 overflows 32 bits for wide ranges.
    const int64_t percent = (int64_t{m_position} - m_lower) * 100 / (int64_t{m_upper} - m_lower);
    return static_cast<int>(GetInnerRect().width() * percent / 100);
}

void CProgressInStatus::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect outer = rect();
    // The 3D frame: top and left in the shadow colour, bottom and right in the light one.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(outer.topLeft(), outer.topRight());
    painter.drawLine(outer.topLeft(), outer.bottomLeft());
    painter.setPen(palette().color(QPalette::Midlight));
    painter.drawLine(outer.bottomLeft(), outer.bottomRight());
    painter.drawLine(outer.topRight(), outer.bottomRight());

    const int filled = GetFilledWidth();
    if (filled < 0) {
        return;
    }
    const QRect inner = GetInnerRect();
    painter.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), GetBarColour());
    painter.fillRect(QRect(inner.left() + filled, inner.top(), inner.width() - filled, inner.height()),
                     ColorRefToQColor(m_backgroundColour));
}

} // namespace orv
