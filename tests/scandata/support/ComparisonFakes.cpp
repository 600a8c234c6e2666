#include "tests/scandata/support/ComparisonFakes.h"

#include "core/QDescription.h"
#include "core/QDescriptionRecord.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"

namespace orv::testing {

std::unique_ptr<QSpectralScanContainer> MakeSpectralSource(float start, float stop, uint32_t points,
                                                           const std::string& scanHead, int16_t base) {
    auto container = std::make_unique<QSpectralScanContainer>();
    container->GetSetupScanCommand().SetFrequencyRange(start, stop);
    QDescriptionRecord texts;
    texts.SetScanHead(scanHead);
    container->GetDescription().SetTexts(texts);
    auto record = std::make_unique<QSpectralScan>();
    record->SetPointCount(points);
    record->SetFrequencyRange(start, stop);
    for (uint32_t i = 0; i < points; ++i) {
        record->SetAmplitude(i, static_cast<int16_t>(base + static_cast<int16_t>(i % 7)));
    }
    container->SetSpectralScanRecord(std::move(record));
    container->SetHasScanData(true);
    return container;
}

std::unique_ptr<QSpatialScanContainer> MakeSpatialSource(float start, float stop, uint16_t patternRows,
                                                         uint16_t patternColumns, uint16_t mapRows,
                                                         uint16_t mapColumns, int16_t base) {
    auto container = std::make_unique<QSpatialScanContainer>();
    container->GetSetupScanCommand().SetFrequencyRange(start, stop);
    container->GetSetupScanCommand().SetProbeScanPattern(QProbeScanPattern(patternRows, patternColumns));
    auto record = std::make_unique<QSpatialScan>();
    record->SetGridSize(mapRows, mapColumns);
    record->SetFrequency((start + stop) * 0.5F);
    for (uint16_t r = 0; r < mapRows; ++r) {
        for (uint16_t c = 0; c < mapColumns; ++c) {
            record->SetStoredAmplitude(r, c, static_cast<int16_t>(base + r + c));
        }
    }
    container->SetSpatialScanRecord(std::move(record));
    container->SetHasScanData(true);
    return container;
}

} // namespace orv::testing
