#include "project/QScanDataExporter.h"

#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "project/QExportTextSink.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/ScanDataCompensation.h"

#include <chrono>

namespace orv {

namespace {

uint16_t NodeKindOf(QNodeMediator& mediator) {
    QNode* node = mediator.GetNode();
    return node != nullptr ? node->GetTypeID() : uint16_t{0};
}

int UnitOf(uint32_t mode) {
    return static_cast<int>(mode);
}

struct LevelRange {
    float m_Low = 0.0F;
    float m_High = 0.0F;
    bool m_Compensated = false;
};

// The scan's level extremes, compensated where the switch asks for it and compensation can be had.
LevelRange ComputeLevelRange(uint16_t kind, CScanData& scan, bool compensate, int spectralUnit,
                             int spatialUnit) {
    LevelRange range;
    range.m_Compensated = compensate;
    const float attenuation = scan.m_TailValue;
    if (kind == kTypeSpectralScanNode) {
        auto& spectral = static_cast<CSpectralScanData&>(scan);
        float low = spectral.m_MinValue;
        float high = spectral.m_MaxValue;
        if (compensate) {
            int32_t compensatedLow = 0;
            int32_t compensatedHigh = 0;
            spectral.GetCompensatedValue(TruncateToInt32(low), spectral.m_MinPointIndex, compensatedLow);
            range.m_Compensated = spectral.GetCompensatedValue(TruncateToInt32(high),
                                                               spectral.m_MaxPointIndex, compensatedHigh);
            low = static_cast<float>(compensatedLow);
            high = static_cast<float>(compensatedHigh);
        }
        range.m_Low = ConvertAmplitudeToUnit(low, spectralUnit) + attenuation;
        range.m_High = ConvertAmplitudeToUnit(high, spectralUnit) + attenuation;
    } else if (kind == kTypeSpatialScanNode) {
        auto& spatial = static_cast<CSpatialScanData&>(scan);
        float low = spatial.m_MinValue;
        float high = spatial.m_MaxValue;
        if (compensate) {
            int32_t compensatedLow = 0;
            int32_t compensatedHigh = 0;
            spatial.GetCompensatedCellValue(TruncateToInt16(low), spatial.m_MinRow, spatial.m_MinColumn,
                                            compensatedLow);
            range.m_Compensated = spatial.GetCompensatedCellValue(TruncateToInt16(high), spatial.m_MaxRow,
                                                                  spatial.m_MaxColumn, compensatedHigh);
            low = static_cast<float>(static_cast<int16_t>(compensatedLow));
            high = static_cast<float>(static_cast<int16_t>(compensatedHigh));
        }
        range.m_Low = ConvertAmplitudeToUnit(low, spatialUnit) + attenuation;
        range.m_High = ConvertAmplitudeToUnit(high, spatialUnit) + attenuation;
    } else {
        auto& cells = static_cast<CSpectralSpatialScanData&>(scan);
        float low = cells.m_MinValue;
        float high = cells.m_MaxValue;
        if (compensate) {
            int32_t compensatedLow = 0;
            int32_t compensatedHigh = 0;
            cells.GetCompensatedSpectralValue(TruncateToInt32(cells.m_LowestMaxHold),
                                              cells.m_LowestMaxHoldIndex, compensatedLow);
            range.m_Compensated = cells.GetCompensatedSpectralValue(
                TruncateToInt32(cells.m_HighestMaxHold), cells.m_HighestMaxHoldIndex, compensatedHigh);
            low = static_cast<float>(compensatedLow);
            high = static_cast<float>(compensatedHigh);
        }
        range.m_Low = ConvertAmplitudeToUnit(low, spectralUnit) + attenuation;
        range.m_High = ConvertAmplitudeToUnit(high, spectralUnit) + attenuation;
    }
    return range;
}

} // namespace

QScanDataExporter::~QScanDataExporter() = default;

CScanData* QScanDataExporter::FindScan(QNodeMediator& mediator, int32_t scanID) {
    switch (NodeKindOf(mediator)) {
    case kTypeSpectralScanNode:
        return mediator.GetSpectralScanData(scanID);
    case kTypeSpatialScanNode:
        return mediator.GetSpatialScanData(scanID);
    case kTypeSpectralSpatialScanNode:
        return mediator.GetSpectralSpatialScanData(scanID);
    case kTypeHandHeldProbeScanNode:
        return mediator.GetHandHeldProbeScanData(scanID);
    default:
        return nullptr;
    }
}

QExportCompensationSwitches QScanDataExporter::ReadCompensationSwitches(QNodeMediator& mediator) {
    QExportCompensationSwitches switches;
    QNodeMediator* preferences = mediator.GetPreferencesMediator();
    if (preferences == nullptr) {
        return switches;
    }
    if (const QSpectralDisplayOptions* spectral = preferences->GetSpectralDisplayOptions()) {
        switches.m_Spectral = spectral->m_switch4 != 0;
    }
    if (const QSpatialDisplayOptions* spatial = preferences->GetSpatialDisplayOptions()) {
        // The spatial options' copy of the probe compensation the Preferences page sets.
        switches.m_Spatial = spatial->m_flag8 != 0;
    }
    return switches;
}

void QScanDataExporter::WriteHeaderLine(std::string_view key, std::string_view value, QExportTextSink& sink) {
    sink.Text(OneLineHeaderText(key)).Text(": ").Text(OneLineHeaderText(value)).Text("\n");
}

void QScanDataExporter::WriteCommonHeader(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                                          uint32_t /*reserved*/) {
    const bool compensate = ReadCompensationSwitches(mediator).m_Spectral;
    const QSpectralDisplayOptions* spectralOptions = mediator.GetSpectralDisplayOptions();
    const QSpatialDisplayOptions* spatialOptions = mediator.GetSpatialDisplayOptions();
    const int spectralUnit =
        spectralOptions != nullptr ? UnitOf(spectralOptions->m_modeA) : kAmplitudeUnitDbuV;
    const int spatialUnit = spatialOptions != nullptr ? UnitOf(spatialOptions->m_modeA) : kAmplitudeUnitDbuV;
    const uint16_t kind = NodeKindOf(mediator);
    CScanData* scan = FindScan(mediator, scanID);
    LevelRange range;
    range.m_Compensated = compensate;
    if (scan != nullptr) {
        range = ComputeLevelRange(kind, *scan, compensate, spectralUnit, spatialUnit);
    }
    auto text = [scan](int number) {
        return scan != nullptr ? scan->m_DescriptionTexts.GetText(number) : std::string();
    };
    WriteHeaderLine("NodeName", mediator.GetLabel(), sink);
    WriteHeaderLine("Date", text(1), sink);
    WriteHeaderLine("User", text(2), sink);
    WriteHeaderLine("CenterFrequency", text(3), sink);
    WriteHeaderLine("FrequencySpan", text(5), sink);
    WriteHeaderLine("Resolution Bandwidth", text(4), sink);
    WriteHeaderLine("ReferenceLevel", text(6), sink);
    WriteHeaderLine("LevelRange",
                    FormatC("%4.2f", static_cast<double>(range.m_Low)) + " to " +
                        FormatC("%4.2f", static_cast<double>(range.m_High)),
                    sink);
    WriteHeaderLine("ValuesPerPoint", text(8), sink);
    WriteHeaderLine("Points", text(9), sink);
    WriteHeaderLine("ScanHead", text(10), sink);
    WriteHeaderLine("Analyzer", text(11), sink);
    WriteHeaderLine("PeakHold", text(12), sink);
    WriteHeaderLine("FrequencyUnits", "MHz", sink);
    WriteHeaderLine("Data Compensation", range.m_Compensated ? "Compensated Data" : "Uncompensated Data",
                    sink);
    m_bDataCompensated = range.m_Compensated;
}

void QScanDataExporter::ExportScan(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                                   const std::string& /*path*/) {
    const auto start = ClockNow();
    const uint16_t kind = NodeKindOf(mediator);
    m_pMediator = &mediator;
    if (kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode) {
        Export(mediator, sink, scanID, 0);
    } else {
        WriteCommonHeader(mediator, sink, scanID, 0);
        WriteKindHeader(mediator, sink, scanID, 0);
        WriteData(mediator, sink, scanID, 0);
    }
    sink.Close();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(ClockNow() - start).count();
    AddInformationMessage(0, FormatC("Time Taken in exporting = %d", static_cast<int>(elapsed)));
}

} // namespace orv
