#pragma once

#include "core/QOptions.h"
#include "core/TypeIds.h"
#include "core/drawing/DrawList.h"

#include <cstdint>
#include <memory>

namespace orv {

// Four integers kept together as the overlay code reads and writes them in place.
struct QOverlayRect {
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
    int32_t d = 0;

    bool operator==(const QOverlayRect& other) const = default;
};

// Which overlay picture of the project a node shows, what kind of source it has and where it lies
// over the scan grid. Beside these stored settings the options keep an unsaved drawing blob in the
// drawing-record format (DrawingRecords.h) and the primitive list rebuilt from it on demand; neither
// is ever part of the stored body nor copied between nodes.
class QOverlayOptions : public QOptions {
public:
    // Source kinds; a drawing stores no picture placement values.
    static constexpr uint8_t kSourceDrawing = 0;
    static constexpr uint8_t kSourcePicture = 1;
    static constexpr uint8_t kSourceSnapshot = 2;

    // The blob holds only the end record; the list is empty and counts as built.
    QOverlayOptions();
    // A copy takes the settings as CopyFrom does and starts with the empty drawing.
    QOverlayOptions(const QOverlayOptions& other);
    QOverlayOptions& operator=(const QOverlayOptions& other);
    ~QOverlayOptions() override;

    // Everything but the header and the owner.
    void CopyFrom(const QOverlayOptions& other);
    // Takes the parent node's choice and placement; without a parent nothing changes.
    void SyncFromNode() override;

    QOverlayRect* GetPlacementRect() { return &m_placement; }
    QOverlayRect* GetFirstWorkRect() { return &m_firstWorkRect; }
    QOverlayRect* GetSecondWorkRect() { return &m_secondWorkRect; }

    // The drawing list, rebuilt from the blob first when it does not match it. A blob that does not
    // rebuild raises QOutOfMemoryException and leaves no list (the next call tries again).
    DrawBase_t* GetDrawList();
    // Replaces the blob with a copy of the bytes; the list is rebuilt on the next GetDrawList.
    void SetDrawBlob(const uint8_t* bytes, uint32_t length);
    const uint8_t* GetDrawBlob() const { return m_drawBlob.get(); }
    uint32_t GetDrawBlobLength() const { return m_drawBlobLength; }
    bool IsListBuilt() const { return m_listBuilt; }
    bool IsBlobSet() const { return m_blobSet; }

    // Reads drawing records up to the end record and returns the primitives (see
    // ReadOverlayDrawingRecords for what fails).
    static DrawList LoadList(QDataReader& reader);

    void WriteBody(QDataWriter& writer) const override;
    // Also drops the drawing back to the empty one. A failed read leaves the object as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeOverlayOptions; }
    // 30 bytes for a drawing, 53 for a picture or snapshot.
    uint32_t GetBodySize() const override;

    uint8_t m_sourceKind = kSourceDrawing;
    int32_t m_overlayId = 0;
    uint8_t m_showFlag = 0;
    float m_placementA = 0.0F;
    float m_placementB = 0.0F;
    float m_pictureValues[4] = {0.0F, 0.0F, 0.0F, 0.0F};
    int32_t m_pictureInt = 0;
    uint8_t m_pictureFlags[3] = {0, 0, 0};
    QOverlayRect m_firstWorkRect;
    QOverlayRect m_secondWorkRect;
    QOverlayRect m_placement;

private:
    void ResetDrawing();

    DrawList m_drawList;
    std::unique_ptr<uint8_t[]> m_drawBlob;
    uint32_t m_drawBlobLength = 0;
    bool m_listBuilt = false;
    bool m_blobSet = false;
};

} // namespace orv
