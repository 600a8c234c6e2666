#pragma once

#include "core/drawing/DrawList.h"
#include "core/drawing/OverlayDrawingUtility.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

class QPainter;

namespace orv {

class COverlayDrawList;
class QNodeMediator;

// The small engine behind every board overlay: one overlay picture (its stored bytes and the decoded
// image), copying and turning drawings, and painting a drawing with plain painter calls onto any
// device. The overlay windows and the pages that show a board use it.
class COverlayUtility {
public:
    static constexpr const char* kPaintFailedText = "Failed in painting overlay.";
    static constexpr const char* kSaveToStreamFailedText = "Failed to save to stream!";
    // A picture of more pixels is stored as an 800 x 600 JPEG of itself.
    static constexpr int64_t kMaxStoredPicturePixels = 480000;
    static constexpr int kShrunkWidth = 800;
    static constexpr int kShrunkHeight = 600;
    // Larger pictures are not decoded at all.
    static constexpr int64_t kMaxDecodedPicturePixels = 100000000;
    // A picture file is read whole; no real one comes near this.
    static constexpr uint64_t kMaxPictureFileBytes = 1024ULL * 1024ULL * 1024ULL;

    COverlayUtility() = default;
    COverlayUtility(const COverlayUtility&) = delete;
    COverlayUtility& operator=(const COverlayUtility&) = delete;
    virtual ~COverlayUtility();

    // A deep copy of the drawing turned by quarterTurns quarter turns (see BuildDrawList in the model).
    static DrawList BuildDrawList(const DrawBase_t* drawing, int32_t quarterTurns) {
        return orv::BuildDrawList(drawing, quarterTurns);
    }
    static void GetDrawListExtent(const DrawBase_t* drawing, DrawExtentPoint& minimum,
                                  DrawExtentPoint& maximum) {
        orv::GetDrawListExtent(drawing, minimum, maximum);
    }
    static uint32_t GetSourceFileSize(const std::string& path) { return orv::GetSourceFileSize(path); }

    // Paints the drawing in the painter's current pen, transform and render hints (none of which it
    // changes; the brush is put back). With no drawing, the owner's overlay drawing is painted. A
    // failure ends the painting and is reported once afterwards.
    void PaintDrawList(QPainter& painter, int32_t reserved, const DrawBase_t* drawing);
    // The same for a drawing of no utility's owner.
    static void PaintDrawing(QPainter& painter, const DrawBase_t* drawing);
    // The primitives of a drawing from first up to end (null: the drawing's end), as painting the
    // whole drawing paints them when first is one of the drawing's self-contained runs (below).
    static void PaintDrawing(QPainter& painter, const DrawBase_t* first, const DrawBase_t* end);
    // Where the drawing's self-contained runs start: painted one after another, each on its own,
    // they paint what the whole drawing paints. The first starts at the head; empty for no drawing.
    static std::vector<const DrawBase_t*> FindSelfContainedRuns(const DrawBase_t* head);

    // Paints a drawing given through the windows' own drawing interface: each primitive in the
    // painter's current window and viewport; the painter's state is the same afterwards. A null list
    // paints nothing.
    static void PaintDrawList(QPainter& painter, const COverlayDrawList* list);
    // Opaque white pixels become fully transparent: a drawing painted on white and copied over a
    // picture or grid shows what lies under its background and its holes.
    static void MakeWhiteTransparent(QImage& image);

    // Loads a picture file: true when it decoded. The decoded picture keeps its full size; the stored
    // bytes are the file's own up to 480,000 pixels, else an 800 x 600 JPEG of it. A file that cannot
    // be read whole or does not decode changes nothing.
    bool LoadPictureFile(const std::string& path);

    QNodeMediator* GetOwner() const { return m_owner; }
    void SetOwner(QNodeMediator* owner) { m_owner = owner; }
    const std::string& GetName() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }
    int32_t GetOverlayId() const { return m_overlayId; }
    void SetOverlayId(int32_t id) { m_overlayId = id; }
    const DrawList& GetDrawing() const { return m_drawing; }
    void SetDrawing(DrawList drawing) { m_drawing = std::move(drawing); }
    uint32_t GetPictureStamp() const { return m_pictureStamp; }
    uint32_t GetLoadedFileSize() const { return m_sourceFileSize; }
    const std::vector<uint8_t>& GetPictureBytes() const { return m_pictureBytes; }
    const QImage& GetPicture() const { return m_picture; }

private:
    QNodeMediator* m_owner = nullptr;
    std::string m_name;
    int32_t m_overlayId = -1;
    DrawList m_drawing;
    uint32_t m_pictureStamp = 0;
    uint32_t m_sourceFileSize = 0;
    std::vector<uint8_t> m_pictureBytes;
    QImage m_picture;
};

} // namespace orv
