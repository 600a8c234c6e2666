#include "overlay/COverlayControlImage.h"

#include "project/COverlayControl.h"

#include <cstring>
#include <limits>
#include <memory>

namespace orv {
namespace {

class CachedImage : public COverlayImageCache {
public:
    explicit CachedImage(QImage image) : m_image(std::move(image)) {}
    QImage m_image;
};

QImage FromPictureBytes(const std::vector<uint8_t>& bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
        return {};
    }
    QImage image;
    if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) {
        return {};
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage FromPixels(const COverlayControl& control) {
    const uint32_t width = control.GetPixelWidth();
    const uint32_t height = control.GetPixelHeight();
    const uint8_t depth = control.GetBytesPerPixel();
    uint64_t size = 0;
    if ((depth != 1 && depth != 3 && depth != 4) || width == 0 || height == 0 ||
        width > static_cast<uint32_t>(std::numeric_limits<int>::max()) ||
        height > static_cast<uint32_t>(std::numeric_limits<int>::max()) ||
        !COverlayControl::PixelBytes(width, height, depth, size) || control.GetPixels().size() < size) {
        return {};
    }
    const uint8_t* source = control.GetPixels().data();
    if (depth == 1) {
        QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_Indexed8);
        if (image.isNull()) {
            return {};
        }
        QList<QRgb> ramp(256);
        for (int i = 0; i < 256; ++i) {
            ramp[i] = qRgb(i, i, i);
        }
        image.setColorTable(ramp);
        for (uint32_t y = 0; y < height; ++y) {
            std::memcpy(image.scanLine(static_cast<int>(y)), source + static_cast<uint64_t>(y) * width,
                        width);
        }
        return image;
    }
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    for (uint32_t y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        const uint8_t* row = source + static_cast<uint64_t>(y) * width * depth;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* pixel = row + static_cast<uint64_t>(x) * depth;
            line[x] = qRgb(pixel[2], pixel[1], pixel[0]);
        }
    }
    return image;
}

} // namespace

QImage COverlayControlImage::GetImage(const COverlayControl& control) {
    if (const auto* cached = dynamic_cast<const CachedImage*>(control.GetImageCache().get())) {
        return cached->m_image;
    }
    QImage image = control.GetSourceKind() == COverlayControl::kPixelImage
                       ? FromPixels(control)
                       : FromPictureBytes(control.GetPictureBytes());
    if (!image.isNull()) {
        control.SetImageCache(std::make_shared<CachedImage>(image));
    }
    return image;
}

} // namespace orv
