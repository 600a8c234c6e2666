#pragma once

#include <QImage>

namespace orv {

class COverlayControl;

// The image of an overlay control: its picture file's bytes decoded, or its raw pixels (3 or 4
// bytes a pixel, blue first, rows top down) wrapped. A null image when neither gives one.
class COverlayControlImage {
public:
    static QImage GetImage(const COverlayControl& control);
};

} // namespace orv
