#include "views/spectral/SidePanelLook.h"

#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QWidget>

namespace orv {

QColor SidePanelColour(uint32_t colorref) {
    return {static_cast<int>(colorref & 0xFFU), static_cast<int>((colorref >> 8U) & 0xFFU),
            static_cast<int>((colorref >> 16U) & 0xFFU)};
}

QFont SidePanelFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(SidePanelColours::kFontPixels);
    font.setWeight(QFont::Normal);
    return font;
}

void StyleSidePanel(QWidget& panel) {
    panel.setFont(SidePanelFont());
    QPalette colours = panel.palette();
    const QColor ground = SidePanelColour(SidePanelColours::kBackground);
    colours.setColor(QPalette::Window, ground);
    colours.setColor(QPalette::Button, ground);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::ButtonText, Qt::black);
    colours.setColor(QPalette::Text, Qt::black);
    panel.setPalette(colours);
}

void PaintSidePanelGround(QPainter& painter, const QRect& client) {
    painter.fillRect(client, SidePanelColour(SidePanelColours::kBackground));
    // One grey all round, and one pixel inside it a lit top-left and a shaded bottom-right.
    painter.setPen(SidePanelColour(SidePanelColours::kOuterFrame));
    painter.drawRect(client.adjusted(0, 0, -1, -1));
    const QRect inner = client.adjusted(1, 1, -2, -2);
    painter.setPen(SidePanelColour(SidePanelColours::kInnerLight));
    painter.drawLine(inner.topLeft(), inner.topRight());
    painter.drawLine(inner.topLeft(), inner.bottomLeft());
    painter.setPen(SidePanelColour(SidePanelColours::kInnerShadow));
    painter.drawLine(inner.bottomLeft(), inner.bottomRight());
    painter.drawLine(inner.topRight(), inner.bottomRight());
}

} // namespace orv
