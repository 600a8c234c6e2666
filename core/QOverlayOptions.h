#pragma once

#include "core/QOptions.h"
#include "core/TypeIds.h"

#include <cstdint>

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
// over the scan grid. The picture itself and its drawing belong to the overlay side; these options
// only store, copy and synchronise the choice and the placement.
class QOverlayOptions : public QOptions {
public:
    // Source kinds; a drawing stores no picture placement values.
    static constexpr uint8_t kSourceDrawing = 0;
    static constexpr uint8_t kSourcePicture = 1;
    static constexpr uint8_t kSourceSnapshot = 2;

    QOverlayOptions() = default;

    // Everything but the header and the owner.
    void CopyFrom(const QOverlayOptions& other);
    // Takes the parent node's choice and placement; without a parent nothing changes.
    void SyncFromNode() override;

    QOverlayRect* GetPlacementRect() { return &m_placement; }
    QOverlayRect* GetFirstWorkRect() { return &m_firstWorkRect; }
    QOverlayRect* GetSecondWorkRect() { return &m_secondWorkRect; }

    void WriteBody(QDataWriter& writer) const override;
    // A failed read leaves the object as it was.
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
};

} // namespace orv
