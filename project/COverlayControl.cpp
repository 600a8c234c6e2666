#include "project/COverlayControl.h"

#include "core/CheckedProduct.h"

#include <cstddef>
#include <limits>

namespace orv {

void COverlayControl::SetDrawingBlob(const uint8_t* bytes, uint32_t length) {
    m_drawingBlob.assign(bytes, bytes + length);
}

void COverlayControl::SetPictureBytes(const uint8_t* bytes, uint32_t length) {
    m_pictureBytes.assign(bytes, bytes + length);
}

bool COverlayControl::PixelBytes(uint32_t width, uint32_t height, uint8_t bytesPerPixel, uint64_t& bytes) {
    return CheckedProduct({width, height, bytesPerPixel}, bytes) &&
           bytes <= static_cast<uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());
}

bool COverlayControl::SetPixels(const uint8_t* pixels, uint32_t width, uint32_t height,
                                uint8_t bytesPerPixel) {
    uint64_t size = 0;
    if (!PixelBytes(width, height, bytesPerPixel, size)) {
        return false;
    }
    m_pixels.assign(pixels, pixels + size);
    m_width = width;
    m_height = height;
    m_bytesPerPixel = bytesPerPixel;
    return true;
}

} // namespace orv
