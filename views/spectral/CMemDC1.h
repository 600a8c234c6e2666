#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

namespace orv {

// An off-screen image the size of a target rectangle: everything is drawn into it, and releasing
// it copies it to the target in one go, so a widget never shows a half-drawn state.
class CMemDC1 {
public:
    CMemDC1(QPainter* target, const QRect& rect);
    ~CMemDC1();
    CMemDC1(const CMemDC1&) = delete;
    CMemDC1& operator=(const CMemDC1&) = delete;

    QPainter& Painter() { return m_painter; }
    const QImage& Image() const { return m_image; }
    // Copies the image to the target (once; later calls do nothing).
    void Release();

private:
    bool m_bMemDC = true;
    QRect m_rect;
    QImage m_image;
    QPainter m_painter;
    QPainter* m_pTarget;
};

} // namespace orv
