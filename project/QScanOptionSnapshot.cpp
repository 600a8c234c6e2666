#include "project/QScanOptionSnapshot.h"

#include "core/QAttenuatorOptions.h"
#include "core/QOverlayOptions.h"
#include "core/QScanOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "scandata/CScanData.h"

namespace orv {

namespace {

CScanAreaRecord AreaOf(const QOverlayOptions& overlay, bool probeTracking) {
    CScanAreaRecord area;
    area.m_Variant = overlay.m_sourceKind;
    area.m_OverlayId = static_cast<uint32_t>(overlay.m_overlayId);
    area.m_RotationCount = static_cast<int8_t>(overlay.m_showFlag);
    if (probeTracking) {
        area.m_Values[0] = kProbeTrackingPlacementValue;
        return area;
    }
    if (overlay.m_sourceKind == QOverlayOptions::kSourceDrawing) {
        area.m_Values = {overlay.m_placementA, overlay.m_placementB};
        area.m_Left = overlay.m_placement.a;
        area.m_Top = overlay.m_placement.b;
        area.m_Right = overlay.m_placement.c;
        area.m_Bottom = overlay.m_placement.d;
    } else {
        for (size_t i = 0; i < area.m_OtherValues.size(); ++i) {
            area.m_OtherValues[i] = overlay.m_pictureValues[i];
        }
        area.m_OtherWord = static_cast<uint32_t>(overlay.m_pictureInt);
        for (size_t i = 0; i < area.m_OtherBytes.size(); ++i) {
            area.m_OtherBytes[i] = overlay.m_pictureFlags[i];
        }
    }
    return area;
}

} // namespace

void TakeOptionSnapshot(QNodeMediator& mediator, QScanDataRecord& record) {
    if (const QOverlayOptions* overlay = mediator.GetOverlayOptions()) {
        record.m_Area = AreaOf(*overlay, mediator.HasProbeVideoTrack());
    }
    if (const QAttenuatorOptions* attenuator = mediator.GetAttenuatorOptions()) {
        record.m_TailValue = attenuator->m_value;
        record.m_TailBytes[0] = attenuator->m_byte1;
        record.m_TailBytes[1] = attenuator->m_byte2;
    }
    if (const QScanOptions* scanOptions = mediator.GetScanOptions()) {
        record.m_PeakHold = scanOptions->IsPeakHold() ? 1 : 0;
        record.m_ReferenceLevel = scanOptions->GetReferenceLevel();
        record.m_TailBytes[2] = scanOptions->IsMeasurePeaks() ? 1 : 0;
    }
    if (const QSpectralDisplayOptions* spectral = mediator.GetSpectralDisplayOptions()) {
        record.m_DisplayValue = spectral->m_step;
        record.m_DisplayCount = spectral->m_count;
    }
}

void ApplyViewSnapshot(QNodeMediator& mediator, CScanData& scan) {
    std::lock_guard<std::recursive_mutex> hold(scan.m_Lock);
    if (const QSpectralDisplayOptions* spectral = mediator.GetSpectralDisplayOptions()) {
        scan.m_LevelLow = spectral->m_levelLow;
        scan.m_LevelHigh = spectral->m_levelHigh;
        scan.m_SecondLevelLow = spectral->m_secondMarkerLow;
        scan.m_SecondLevelHigh = spectral->m_secondMarkerHigh;
        scan.m_MarkerLow = spectral->m_markerLow;
        scan.m_MarkerHigh = spectral->m_markerHigh;
        scan.m_FrequencyAutoByte = spectral->m_modeB == 1 ? 1 : 0;
        scan.m_LevelAutoByte = spectral->m_modeC == 1 ? 1 : 0;
    }
    if (const QSpatialDisplayOptions* spatial = mediator.GetSpatialDisplayOptions()) {
        scan.m_SpatialRangeLow = spatial->m_rangeLow;
        scan.m_SpatialRangeHigh = spatial->m_rangeHigh;
        scan.m_SpatialAutoByte = spatial->m_modeB == 1 ? 1 : 0;
    }
}

void TakeOverlayPlacement(const CScanAreaRecord& area, QOverlayOptions& overlay) {
    overlay.m_sourceKind = area.m_Variant;
    overlay.m_overlayId = static_cast<int32_t>(area.m_OverlayId);
    overlay.m_showFlag = static_cast<uint8_t>(area.m_RotationCount);
    if (area.m_Variant == QOverlayOptions::kSourceDrawing) {
        overlay.m_placementA = area.m_Values[0];
        overlay.m_placementB = area.m_Values[1];
        overlay.m_placement.a = area.m_Left;
        overlay.m_placement.b = area.m_Top;
        overlay.m_placement.c = area.m_Right;
        overlay.m_placement.d = area.m_Bottom;
        return;
    }
    for (size_t i = 0; i < area.m_OtherValues.size(); ++i) {
        overlay.m_pictureValues[i] = area.m_OtherValues[i];
    }
    overlay.m_pictureInt = static_cast<int32_t>(area.m_OtherWord);
    for (size_t i = 0; i < area.m_OtherBytes.size(); ++i) {
        overlay.m_pictureFlags[i] = area.m_OtherBytes[i];
    }
}

} // namespace orv
