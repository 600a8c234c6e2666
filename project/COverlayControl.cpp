#include "project/COverlayControl.h"

#include "core/CheckedProduct.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QOverlayOptions.h"
#include "core/drawing/DrawingRecords.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <limits>

namespace orv {
namespace {

// The grid a drawing is laid over: 42 columns by 29 rows span 2992 by 2395 drawing units, the
// 40 by 32 grid 3040 by 2434; other grids are scaled to the 40 by 32 one.
float GridShare(int32_t low, int32_t high, int32_t cells, int32_t plainCells, int32_t otherCells,
                float plainSpan, float otherSpan) {
    if (cells <= 0 || low > high) {
        return 0.0F;
    }
    int64_t span = std::llabs(static_cast<int64_t>(high) - low);
    if (cells != plainCells) {
        span = span * plainCells / cells;
    }
    return static_cast<float>(span) / (cells == otherCells ? otherSpan : plainSpan);
}

} // namespace

bool COverlayControl::SetPcbDrawing(const DrawBase_t* drawing) {
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, drawing);
    std::vector<uint8_t> blob(counter.m_count);
    QCharArrayDataWriter writer(blob.data(), counter.m_count);
    WriteOverlayDrawingRecords(writer, drawing);
    QCharArrayDataReader reader(blob.data(), counter.m_count);
    DrawList list = QOverlayOptions::LoadList(reader);
    m_drawingBlob = std::move(blob);
    m_drawing = list.IsEmpty() ? nullptr : std::make_shared<const DrawList>(std::move(list));
    return true;
}

void COverlayControl::SetDrawingBlob(const uint8_t* bytes, uint32_t length) {
    m_drawingBlob.assign(bytes, bytes + length);
    m_drawing.reset();
}

void COverlayControl::SetPictureBytes(const uint8_t* bytes, uint32_t length) {
    m_pictureBytes.assign(bytes, bytes + length);
    m_imageCache.reset();
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
    m_drawing.reset();
    m_imageCache.reset();
    return true;
}

std::shared_ptr<const DrawList> COverlayControl::GetDrawList() {
    if (m_drawing == nullptr && !m_drawingBlob.empty() && m_sourceKind == kPcbDrawing) {
        const auto length = static_cast<uint32_t>(
            std::min<size_t>(m_drawingBlob.size(), std::numeric_limits<uint32_t>::max()));
        QCharArrayDataReader reader(m_drawingBlob.data(), length);
        DrawList list = QOverlayOptions::LoadList(reader);
        if (!list.IsEmpty()) {
            m_drawing = std::make_shared<const DrawList>(std::move(list));
        }
    }
    DrawExtentPoint minimum;
    DrawExtentPoint maximum;
    GetDrawListExtent(m_drawing != nullptr ? m_drawing->Head() : nullptr, minimum, maximum);
    m_extentMinX = minimum.x;
    m_extentMinY = minimum.y;
    m_extentMaxX = maximum.x;
    m_extentMaxY = maximum.y;
    return m_drawing;
}

float COverlayControl::GetWidthFraction(int32_t columns) const {
    return GridShare(m_extentMinX, m_extentMaxX, columns, 40, 42, 3040.0F, 2992.0F);
}

float COverlayControl::GetHeightFraction(int32_t rows) const {
    return GridShare(m_extentMinY, m_extentMaxY, rows, 32, 29, 2434.0F, 2395.0F);
}

void COverlayControl::ReleaseCaches() {
    m_drawing.reset();
    m_imageCache.reset();
}

} // namespace orv
