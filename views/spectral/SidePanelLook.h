#pragma once

#include <QColor>
#include <QFont>

#include <cstdint>

class QPainter;
class QRect;
class QWidget;

// How both view side panels look: their grey ground with a double 3D frame, and black Arial 14 on
// that ground for every static, button and edit.
namespace orv {

struct SidePanelColours {
    static constexpr uint32_t kBackground = 0xE8E8E8;
    static constexpr uint32_t kOuterFrame = 0xA0A0A0;
    static constexpr uint32_t kInnerLight = 0xF0F0F0;
    static constexpr uint32_t kInnerShadow = 0xDCDCDC;
    static constexpr int kFontPixels = 14;
};

// A COLORREF (red in the low byte) as a colour.
QColor SidePanelColour(uint32_t colorref);
QFont SidePanelFont();
// The panel's palette and font on the panel and, through inheritance, its controls.
void StyleSidePanel(QWidget& panel);
void PaintSidePanelGround(QPainter& painter, const QRect& client);

} // namespace orv
