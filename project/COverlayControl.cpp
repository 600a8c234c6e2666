#include "project/COverlayControl.h"

namespace orv {

void COverlayControl::SetDrawingBlob(const uint8_t* bytes, uint32_t length) {
    m_drawingBlob.assign(bytes, bytes + length);
}

void COverlayControl::SetPictureBytes(const uint8_t* bytes, uint32_t length) {
    m_pictureBytes.assign(bytes, bytes + length);
}

void COverlayControl::SetPixels(const uint8_t* pixels, uint32_t width, uint32_t height,
                                uint8_t bytesPerPixel) {
    const uint64_t size = static_cast<uint64_t>(width) * height * bytesPerPixel;
    m_pixels.assign(pixels, pixels + size);
    m_width = width;
    m_height = height;
    m_bytesPerPixel = bytesPerPixel;
}

} // namespace orv
