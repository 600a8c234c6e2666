#pragma once

#include <cstdint>
#include <vector>

namespace orv {

// One PCB overlay of a project as the model keeps it: where it came from and the data it was made
// from (a serialised drawing, the bytes of a picture file, or a raw pixel image). The overlay windows
// draw from it; the project file stores it in the project's overlay list.
class COverlayControl {
public:
    enum SourceKind : uint8_t { kPcbDrawing = 0, kPictureFile = 1, kPixelImage = 2 };

    COverlayControl() = default;

    uint8_t GetSourceKind() const { return m_sourceKind; }
    void SetSourceKind(uint8_t kind) { m_sourceKind = kind; }
    uint32_t GetOverlayId() const { return m_overlayId; }
    void SetOverlayId(uint32_t id) { m_overlayId = id; }
    uint32_t GetSourceFileSize() const { return m_sourceFileSize; }
    void SetSourceFileSize(uint32_t size) { m_sourceFileSize = size; }

    // Each copies the data in.
    void SetDrawingBlob(const uint8_t* bytes, uint32_t length);
    void SetPictureBytes(const uint8_t* bytes, uint32_t length);
    // Copies width x height x bytesPerPixel bytes; false, with the control unchanged, when that
    // product does not fit 64 bits or the memory the program can address.
    bool SetPixels(const uint8_t* pixels, uint32_t width, uint32_t height, uint8_t bytesPerPixel);
    // The byte count of a pixel image of that shape; false when it overflows.
    static bool PixelBytes(uint32_t width, uint32_t height, uint8_t bytesPerPixel, uint64_t& bytes);

    const std::vector<uint8_t>& GetDrawingBlob() const { return m_drawingBlob; }
    const std::vector<uint8_t>& GetPictureBytes() const { return m_pictureBytes; }
    const std::vector<uint8_t>& GetPixels() const { return m_pixels; }
    uint32_t GetPixelWidth() const { return m_width; }
    uint32_t GetPixelHeight() const { return m_height; }
    uint8_t GetBytesPerPixel() const { return m_bytesPerPixel; }

private:
    uint8_t m_sourceKind = kPcbDrawing;
    uint32_t m_overlayId = 0;
    uint32_t m_sourceFileSize = 0;
    std::vector<uint8_t> m_drawingBlob;
    std::vector<uint8_t> m_pictureBytes;
    std::vector<uint8_t> m_pixels;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint8_t m_bytesPerPixel = 0;
};

} // namespace orv
