#include "project/ScanAreaPlacement.h"

#include "core/QOverlayOptions.h"
#include "project/COverlayPlacement.h"
#include "scandata/CScanData.h"

#include <algorithm>

namespace orv {

void StoreDrawingPlacement(const COverlayPlacement& placement, CScanAreaRecord& area,
                           QOverlayOptions* options) {
    area.m_RotationCount = placement.m_drawingQuarterTurns;
    area.m_Values = {placement.m_originX, placement.m_originY};
    area.m_Left = placement.m_extentX1;
    area.m_Top = placement.m_extentY1;
    area.m_Right = placement.m_extentX2;
    area.m_Bottom = placement.m_extentY2;
    if (options != nullptr) {
        options->m_pictureFlags[0] = 1;
        options->m_pictureFlags[1] = 1;
    }
}

void StorePicturePlacement(const COverlayPlacement& placement, CScanAreaRecord& area) {
    area.m_RotationCount = placement.m_pictureQuarterTurns;
    area.m_OtherValues = {placement.m_pictureLeft, placement.m_pictureTop, placement.m_pictureWidth,
                          placement.m_pictureHeight};
    area.m_OtherWord = static_cast<uint32_t>(std::clamp(placement.m_opacity, 0, 100));
    area.m_OtherBytes[0] = 1;
    area.m_OtherBytes[1] = 1;
}

} // namespace orv
