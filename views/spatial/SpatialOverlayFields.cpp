#include "views/spatial/SpatialOverlayFields.h"

#include "core/QOverlayOptions.h"
#include "scandata/CScanData.h"

namespace orv {

SpatialOverlayFields SpatialOverlayFields::Read(const CScanData& scan, const QOverlayOptions* options) {
    const CScanAreaRecord& area = scan.GetScanArea();
    SpatialOverlayFields fields;
    fields.m_overlayId = area.m_OverlayId;
    fields.m_picture = area.m_Variant != 0;
    fields.m_rotation = area.m_RotationCount;
    fields.m_rectLeft = area.m_Left;
    fields.m_rectTop = area.m_Top;
    fields.m_rectRight = area.m_Right;
    fields.m_rectBottom = area.m_Bottom;
    fields.m_boardX = area.m_Values[0];
    fields.m_boardY = area.m_Values[1];
    if (fields.m_picture) {
        fields.m_placeX = area.m_OtherValues[0];
        fields.m_placeY = area.m_OtherValues[1];
        fields.m_placeWidth = area.m_OtherValues[2];
        fields.m_placeHeight = area.m_OtherValues[3];
        fields.m_opacity = static_cast<int32_t>(area.m_OtherWord);
        fields.m_placed = area.m_OtherBytes[0] != 0;
        fields.m_changed = area.m_OtherBytes[1] != 0;
    } else if (options != nullptr) {
        fields.m_opacity = options->m_pictureInt;
        fields.m_placed = options->m_pictureFlags[0] != 0;
        fields.m_changed = options->m_pictureFlags[1] != 0;
    }
    return fields;
}

void SpatialOverlayFields::WriteOpacity(CScanData& scan, QOverlayOptions* options, int32_t opacity) {
    if (scan.m_ScanArea.m_Variant != 0) {
        scan.m_ScanArea.m_OtherWord = static_cast<uint32_t>(opacity);
    } else if (options != nullptr) {
        options->m_pictureInt = opacity;
    }
}

void SpatialOverlayFields::WriteOrigin(CScanData& scan, float x, float y) {
    CScanAreaRecord& area = scan.m_ScanArea;
    if (area.m_Variant != 0) {
        area.m_OtherValues[0] = x;
        area.m_OtherValues[1] = y;
    } else {
        area.m_Values[0] = x;
        area.m_Values[1] = y;
    }
}

void SpatialOverlayFields::ClearChanged(CScanData& scan, QOverlayOptions* options) {
    if (scan.m_ScanArea.m_Variant != 0) {
        scan.m_ScanArea.m_OtherBytes[1] = 0;
    } else if (options != nullptr) {
        options->m_pictureFlags[1] = 0;
    }
}

int32_t SpatialOverlayFields::BlendOpacity() const {
    if (m_opacity < 1) {
        return 50;
    }
    return m_opacity > 100 ? 100 : m_opacity;
}

} // namespace orv
