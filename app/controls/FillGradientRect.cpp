#include "app/controls/FillGradientRect.h"

#include "app/QtConversions.h"

#include <QPainter>

#include <algorithm>

namespace orv {

namespace {

int g_bandHeight = 1;

uint32_t Lighter(uint32_t colour) {
    const uint32_t red = std::min<uint32_t>((colour & 0xFFu) + 4, 255);
    const uint32_t green = std::min<uint32_t>(((colour >> 8) & 0xFFu) + 4, 255);
    const uint32_t blue = std::min<uint32_t>(((colour >> 16) & 0xFFu) + 4, 255);
    return MakeColorRef(red, green, blue);
}

} // namespace

void FillGradientRect(QPainter& painter, int left, int top, int right, int bottom, uint32_t colour,
                      bool firstCall) {
    if (firstCall) {
        g_bandHeight = (bottom - top) / 60 + 1;
    }
    // The band height is at least 1, so the loop always ends.
    const int band = std::max(g_bandHeight, 1);
    while (left < right && top < bottom) {
        // Only the band: the rest is covered by the lighter bands that follow.
        painter.fillRect(left, top, right - left, std::min(band, bottom - top), ColorRefToQColor(colour));
        top += band;
        colour = Lighter(colour);
    }
}

} // namespace orv
