#pragma once

#include "core/drawing/DrawList.h"
#include "core/drawing/OverlayDrawingUtility.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

// What the windows keep of an overlay's decoded image on the control. The model only holds and drops
// it; the Qt side defines what it is.
class COverlayImageCache {
public:
    virtual ~COverlayImageCache() = default;
};

// One PCB overlay of a project as the model keeps it: where it came from and the data it was made
// from (a serialised drawing, the bytes of a picture file, or a raw pixel image). The overlay windows
// draw from it; the project file stores it in the project's overlay list.
//
// The working forms (the drawing's primitives, the decoded image) are made on first use and handed
// out as shared references: ReleaseCaches drops the control's own, never one another window still
// paints with.
class COverlayControl {
public:
    enum SourceKind : uint8_t { kPcbDrawing = 0, kPictureFile = 1, kPixelImage = 2 };

    COverlayControl() = default;
    COverlayControl(const COverlayControl&) = delete;
    COverlayControl& operator=(const COverlayControl&) = delete;
    virtual ~COverlayControl() = default;

    uint8_t GetSourceKind() const { return m_sourceKind; }
    void SetSourceKind(uint8_t kind) { m_sourceKind = kind; }
    uint32_t GetOverlayId() const { return m_overlayId; }
    void SetOverlayId(uint32_t id) { m_overlayId = id; }
    uint32_t GetSourceFileSize() const { return m_sourceFileSize; }
    void SetSourceFileSize(uint32_t size) { m_sourceFileSize = size; }

    // Stores an importer's drawing as the blob and takes the control's drawing back from it (so the
    // drawing holds exactly what a saved project will). Raises QOutOfMemoryException when memory runs
    // out, the control then unchanged.
    bool SetPcbDrawing(const DrawBase_t* drawing);

    // Each copies the data in; the working form made from the old data is dropped.
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

    // The drawing, read from the blob on first use; null for an empty drawing (or a control that is
    // not a drawing). Measures it every time into the extent below. A blob that does not read back
    // raises QOutOfMemoryException (the stored records' own failure).
    std::shared_ptr<const DrawList> GetDrawList();
    // The extent of the drawing as last measured (the measurement's start values until then).
    DrawExtentPoint GetExtentMinimum() const { return {m_extentMinX, m_extentMinY}; }
    DrawExtentPoint GetExtentMaximum() const { return {m_extentMaxX, m_extentMaxY}; }

    // The share of a scanner grid of that many columns (rows) the measured drawing spans; 0 for an
    // empty drawing or a grid of no columns (rows).
    float GetWidthFraction(int32_t columns) const;
    float GetHeightFraction(int32_t rows) const;

    // Drops the drawing and the image; the next use makes them again.
    void ReleaseCaches();

    // The image slot, filled and read by the windows only.
    const std::shared_ptr<COverlayImageCache>& GetImageCache() const { return m_imageCache; }
    void SetImageCache(std::shared_ptr<COverlayImageCache> cache) const { m_imageCache = std::move(cache); }

private:
    uint8_t m_sourceKind = kPcbDrawing;
    uint32_t m_overlayId = 0;
    uint32_t m_sourceFileSize = 0;
    // A cache of what the other fields hold, so kept even on a control the caller may only read.
    mutable std::shared_ptr<COverlayImageCache> m_imageCache;
    // The drawing's extent, in drawing units.
    int32_t m_extentMinX = kDrawExtentMinimumStart;
    int32_t m_extentMinY = kDrawExtentMinimumStart;
    int32_t m_extentMaxX = kDrawExtentMaximumStart;
    int32_t m_extentMaxY = kDrawExtentMaximumStart;
    std::vector<uint8_t> m_drawingBlob;
    std::shared_ptr<const DrawList> m_drawing;
    std::vector<uint8_t> m_pictureBytes;
    std::vector<uint8_t> m_pixels;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint8_t m_bytesPerPixel = 0;
};

} // namespace orv
