#include "project/QSpectralScanDataExporter.h"

#include "core/QScanOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "project/QExportTextSink.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "scandata/ScanDataCompensation.h"

#include <algorithm>
#include <array>
#include <vector>

namespace orv {

namespace {

int SpectralUnit(QNodeMediator& mediator) {
    const QSpectralDisplayOptions* options = mediator.GetSpectralDisplayOptions();
    return options != nullptr ? static_cast<int>(options->m_modeA) : kAmplitudeUnitDbuV;
}

int SpatialUnit(QNodeMediator& mediator) {
    const QSpatialDisplayOptions* options = mediator.GetSpatialDisplayOptions();
    return options != nullptr ? static_cast<int>(options->m_modeA) : kAmplitudeUnitDbuV;
}

bool ExportsAllPeaks(QNodeMediator& mediator) {
    const QScanOptions* options = mediator.GetScanOptions();
    return options != nullptr && options->IsExportAllPeaks();
}

void WriteColumnLine(QExportTextSink& sink) {
    sink.Text("Row,", 8).Text("Column,", 8).Text("Frequency,", 14).Text("Amplitude\n", 11);
}

void WriteLine(QExportTextSink& sink, int64_t row, int64_t column, double frequency, double value,
               int precision) {
    QExportLine line;
    line.Int(row, 7).Text(",").Int(column, 7).Text(",").Fixed(frequency, 6, 13).Text(",");
    sink << line.Fixed(value, precision, 10).End();
}

// Compensates while the switch holds; the first unavailable compensation turns it off for the
// remaining lines.
template <class Compensate> float Compensated(bool& compensate, float amplitude, Compensate&& call) {
    if (!compensate) {
        return amplitude;
    }
    int32_t out = 0;
    compensate = call(TruncateToInt32(amplitude), out);
    return compensate ? static_cast<float>(out) : amplitude;
}

} // namespace

void QSpectralScanDataExporter::WriteKindHeader(QNodeMediator& mediator, QExportTextSink& sink,
                                                int32_t /*scanID*/, uint32_t /*reserved*/) {
    m_pKindHeaderMediator = &mediator;
    if (m_bDataCompensated) {
        sink.Text("AmplitudeUnits: dBuA/m\n");
    } else if (SpectralUnit(mediator) == kAmplitudeUnitDbuV) {
        sink.Text("AmplitudeUnits: dBuV\n");
    } else {
        sink.Text("AmplitudeUnits: dBm\n");
    }
    sink.Text("ExportType: Spectral\n");
}

void QSpectralScanDataExporter::Export(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                                       uint32_t reserved) {
    WriteCommonHeader(mediator, sink, scanID, reserved);
    WriteKindHeader(mediator, sink, scanID, reserved);
    WriteData(mediator, sink, scanID, reserved);
}

void QSpectralScanDataExporter::WriteData(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                                          uint32_t /*reserved*/) {
    const bool allPeaks = ExportsAllPeaks(mediator);
    if (allPeaks) {
        sink.Text("\n          All Peaks Data\n");
    }
    sink.Text("\n");
    QNode* node = mediator.GetNode();
    const uint16_t kind = node != nullptr ? node->GetTypeID() : uint16_t{0};
    if (kind == kTypeSpectralScanNode) {
        if (CSpectralScanData* scan = mediator.GetSpectralScanData(scanID)) {
            WriteSpectralLines(mediator, sink, *scan, allPeaks);
        }
    } else if (kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode) {
        CSpectralSpatialScanData* scan = kind == kTypeHandHeldProbeScanNode
                                             ? mediator.GetHandHeldProbeScanData(scanID)
                                             : mediator.GetSpectralSpatialScanData(scanID);
        if (scan == nullptr) {
            return;
        }
        if (scan->m_IsZeltData > 0) {
            WriteSubCellLines(mediator, sink, *scan);
        } else {
            WriteCellSpectrumLines(mediator, sink, *scan, allPeaks);
        }
    }
}

void QSpectralScanDataExporter::WriteSpectralLines(QNodeMediator& mediator, QExportTextSink& sink,
                                                   CSpectralScanData& scan, bool allPeaks) {
    WriteColumnLine(sink);
    bool compensate = ReadCompensationSwitches(mediator).m_Spectral;
    const int unit = SpectralUnit(mediator);
    const float attenuation = scan.m_TailValue;
    auto compensation = [&scan](uint32_t index) {
        return [&scan, index](int32_t amplitude, int32_t& out) {
            return scan.GetCompensatedValue(amplitude, index, out);
        };
    };
    const bool zelt = scan.m_IsZeltData > 0;
    const std::vector<QSpectralPoint>& mirt = scan.GetMirtPoints();
    const std::vector<CFloatSpectralPoint>& floats = scan.GetFloatPoints();
    // A point the scan does not hold reads as amplitude 0 at row and column 0.
    auto pointAt = [&](uint32_t index, float& amplitude, uint16_t& row, uint16_t& column) {
        amplitude = 0.0F;
        row = 0;
        column = 0;
        if (scan.GetPointFormat() == CSpectralScanData::kMirtPoints) {
            if (index < mirt.size()) {
                amplitude = mirt[index].m_Amplitude;
                row = mirt[index].m_Row;
                column = mirt[index].m_Column;
            }
        } else if (index < floats.size()) {
            amplitude = floats[index].m_Amplitude;
            row = floats[index].m_Row;
            column = floats[index].m_Column;
        }
    };
    float amplitude = 0.0F;
    uint16_t row = 0;
    uint16_t column = 0;
    if (allPeaks) {
        for (const QMeasuredFrequencyData::Entry& peak : scan.m_MeasuredFrequencies) {
            pointAt(peak.m_Index, amplitude, row, column);
            const float level = Compensated(compensate, amplitude, compensation(peak.m_Index));
            WriteLine(sink, row, column, peak.m_Frequency, ConvertAmplitudeToUnit(level, unit) + attenuation,
                      1);
        }
        return;
    }
    const uint32_t points = scan.m_PointCount;
    for (uint32_t i = 0; i < points; ++i) {
        pointAt(i, amplitude, row, column);
        const float frequency = zelt ? scan.m_StartFrequency + static_cast<float>(i) * scan.m_FrequencyStep
                                     : scan.GetFrequency(static_cast<int32_t>(i));
        const float level = Compensated(compensate, amplitude, compensation(i));
        WriteLine(sink, row, column, frequency, ConvertAmplitudeToUnit(level, unit) + attenuation, 1);
    }
}

void QSpectralScanDataExporter::WriteCellSpectrumLines(QNodeMediator& mediator, QExportTextSink& sink,
                                                       CSpectralSpatialScanData& scan, bool allPeaks) {
    WriteColumnLine(sink);
    bool compensate = ReadCompensationSwitches(mediator).m_Spectral;
    const int unit = SpectralUnit(mediator);
    const float attenuation = scan.m_TailValue;
    const QSSSpectralSnapshot* spectrum = scan.m_SpectralSnapshot.get();
    const uint32_t stored = spectrum != nullptr ? spectrum->GetPointCount() : 0;
    auto writePoint = [&](uint32_t p, int precision) {
        float amplitude = 0.0F;
        uint16_t row = 0;
        uint16_t column = 0;
        if (p < stored) {
            amplitude = spectrum->GetRawAmplitude(p);
            row = spectrum->GetPointWord1(p);
            column = spectrum->GetPointWord2(p);
        }
        const float level = Compensated(compensate, amplitude, [&scan, p](int32_t value, int32_t& out) {
            return scan.GetCompensatedSpectralValue(value, p, out);
        });
        const float frequency = scan.m_StartFrequency + static_cast<float>(p) * scan.m_FrequencyStep;
        WriteLine(sink, row, column, frequency, ConvertAmplitudeToUnit(level, unit) + attenuation, precision);
    };
    if (allPeaks) {
        for (const QMeasuredFrequencyData::Entry& peak : scan.m_MeasuredFrequencies) {
            writePoint(peak.m_Index, 1);
        }
        return;
    }
    for (uint32_t p = 0; p < scan.m_PointCount; ++p) {
        writePoint(p, 3);
    }
}

void QSpectralScanDataExporter::WriteSubCellLines(QNodeMediator& mediator, QExportTextSink& sink,
                                                  CSpectralSpatialScanData& scan) {
    sink.Text("Zelt+ level: ").Int(int64_t{scan.m_ZeltLevel} + 1).Text("\n");
    sink.Text("Row,", 8).Text("Column,", 8).Text("SubRow,", 8).Text("SubCol,", 8);
    sink.Text("Frequency,", 14).Text("Amplitude\n", 14);
    bool compensate = ReadCompensationSwitches(mediator).m_Spatial;
    const int unit = SpatialUnit(mediator);
    // The first record with the greatest value at each frequency, found record by record so that
    // each record's values are read once and in order; a frequency no record reaches is written at
    // position 0 with value 0.
    const uint32_t points = scan.m_PointCount;
    std::vector<float> greatestAt(points, -1000000.0F);
    std::vector<const _SpectralSpatialScanDataUnit*> strongestAt(points, nullptr);
    for (const auto& record : scan.m_Units) {
        const std::vector<float>& values = record->m_ZeltAmplitudes;
        const size_t count = std::min<size_t>(values.size(), points);
        for (size_t i = 0; i < count; ++i) {
            if (values[i] > greatestAt[i]) {
                greatestAt[i] = values[i];
                strongestAt[i] = record.get();
            }
        }
    }
    for (uint32_t i = 0; i < points; ++i) {
        const _SpectralSpatialScanDataUnit* strongest = strongestAt[i];
        const float greatest = greatestAt[i];
        const float frequency = scan.m_StartFrequency + static_cast<float>(i) * scan.m_ResolutionBandwidth;
        double value = 0.0;
        std::array<uint16_t, 4> words{};
        if (strongest != nullptr) {
            words = strongest->m_Words;
            float level = greatest;
            if (compensate) {
                int32_t out = 0;
                compensate =
                    scan.GetCompensatedSpatialValue(TruncateToInt16(greatest), words[0], words[1], out);
                if (compensate) {
                    level = static_cast<float>(static_cast<int16_t>(out));
                }
            }
            value = ConvertAmplitudeToUnit(level, unit);
        }
        QExportLine line;
        line.Int(static_cast<int16_t>(words[0]), 7)
            .Text(",")
            .Int(static_cast<int16_t>(words[1]), 7)
            .Text(",");
        line.Int(static_cast<int16_t>(words[2]), 7).Text(",").Int(static_cast<int16_t>(words[3]), 7);
        sink << line.Text(",   ").Fixed(frequency, 6, 10).Text(",   ").Fixed(value, 6, 10).End();
    }
}

} // namespace orv
