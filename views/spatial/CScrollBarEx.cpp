#include "views/spatial/CScrollBarEx.h"

#include <QPainter>

namespace orv {

CScrollBarEx::CScrollBarEx(QWidget* parent) : QWidget(parent) {}

void CScrollBarEx::SetRange(int32_t minimum, int32_t maximum) {
    m_nMinimum = minimum;
    m_nMaximum = maximum;
}

void CScrollBarEx::SetThumbSize(int32_t mode, int32_t size) {
    m_nThumbSizeMode = mode;
    m_nThumbSize = size;
}

void CScrollBarEx::SetTopBottom(float top, float bottom) {
    m_fMax = top;
    m_fMin = bottom;
}

void CScrollBarEx::Invalidate() {
    ++m_nInvalidated;
    update();
}

void CScrollBarEx::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

} // namespace orv
