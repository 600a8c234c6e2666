#include "views/spectral/CMemDC1.h"

namespace orv {

CMemDC1::CMemDC1(QPainter* target, const QRect& rect)
    : m_rect(rect), m_image(rect.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32), m_pTarget(target) {
    m_image.fill(Qt::black);
    m_painter.begin(&m_image);
}

CMemDC1::~CMemDC1() {
    Release();
}

void CMemDC1::Release() {
    if (!m_bMemDC) {
        return;
    }
    m_painter.end();
    if (m_pTarget != nullptr && m_pTarget->isActive()) {
        m_pTarget->drawImage(m_rect.topLeft(), m_image);
    }
    m_bMemDC = false;
}

} // namespace orv
