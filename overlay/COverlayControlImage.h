#pragma once

#include <QImage>

namespace orv {

class COverlayControl;

// The image of an overlay control, made on first use and kept on the control (until its caches are
// released): a snapshot's raw pixels (1 byte a pixel through a grey ramp, 3 blue-green-red, 4
// blue-green-red and an unused byte, rows top down), else its picture file's bytes decoded. A null
// image when neither gives one. The image is shared: releasing the control's caches never takes it
// from a caller that holds it.
class COverlayControlImage {
public:
    static QImage GetImage(const COverlayControl& control);
};

} // namespace orv
