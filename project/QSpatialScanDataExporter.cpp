#include "project/QSpatialScanDataExporter.h"

#include "core/QException.h"
#include "core/QProbeScanPattern.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "project/QExportTextSink.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/ScanDataCompensation.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <vector>

namespace orv {

namespace {

// The ordinary field-data table's side: rows and columns 0 to 63.
constexpr int kFieldGrid = 64;

int SpatialUnit(QNodeMediator& mediator) {
    const QSpatialDisplayOptions* options = mediator.GetSpatialDisplayOptions();
    return options != nullptr ? static_cast<int>(options->m_modeA) : kAmplitudeUnitDbuV;
}

uint16_t NodeKindOf(QNodeMediator& mediator) {
    QNode* node = mediator.GetNode();
    return node != nullptr ? node->GetTypeID() : uint16_t{0};
}

bool IsSelected(const QProbeScanPattern& pattern, int64_t row, int64_t column) {
    return row >= 0 && column >= 0 && row < pattern.GetRows() && column < pattern.GetColumns() &&
           pattern.IsProbeOn(static_cast<int>(row), static_cast<int>(column));
}

// The stored level byte read as the signed byte it is.
int SignedLevel(uint8_t storedLevel) {
    return storedLevel > 127 ? int{storedLevel} - 256 : int{storedLevel};
}

// 2 to the power of the scan's sub-cell level; throws for a level no scan record carries.
int64_t SubCellsPerSide(uint8_t storedLevel) {
    const int level = SignedLevel(storedLevel);
    if (level < 0 || level > QSpatialScanDataExporter::kMaxSubCellLevel) {
        throw QException(FormatC("Error#370: The sub-cell level %d of the scan cannot be exported.", level));
    }
    return int64_t{1} << level;
}

void LogSkipped(uint64_t skipped, const char* what) {
    if (skipped != 0) {
        AddInformationMessage(0, FormatC("Export: %llu %s outside the scan's grid were not exported.",
                                         static_cast<unsigned long long>(skipped), what));
    }
}

// A cell compensation read back as a signed 16-bit level, while the switch holds.
template <class Compensate> float CompensatedCell(bool& compensate, float amplitude, Compensate&& call) {
    if (!compensate) {
        return amplitude;
    }
    int32_t out = 0;
    compensate = call(TruncateToInt16(amplitude), out);
    return compensate ? static_cast<float>(static_cast<int16_t>(out)) : amplitude;
}

// Fixed-point text of `value` with `precision` decimals into `out`; its length.
size_t FormatFixed(char* out, size_t room, double value, int precision) {
    const auto result = std::to_chars(out, out + room, value, std::chars_format::fixed, precision);
    return result.ec == std::errc() ? static_cast<size_t>(result.ptr - out) : 0;
}

} // namespace

void QSpatialScanDataExporter::WriteKindHeader(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                                               uint32_t /*reserved*/) {
    CScanData* scan = FindScan(mediator, scanID);
    if (m_bDataCompensated) {
        sink.Text("AmplitudeUnits: dBuA/m\n");
    } else if (SpatialUnit(mediator) == kAmplitudeUnitDbuV) {
        sink.Text("AmplitudeUnits: dBuV\n");
    } else {
        sink.Text("AmplitudeUnits: dBm\n");
    }
    sink.Text("ExportType: Spatial\n");
    const QProbeScanPattern* pattern = scan != nullptr ? &scan->m_ProbeScanPattern : nullptr;
    sink.Text("RowCount: ").Int(pattern != nullptr ? pattern->GetRows() : 0).Text("\n");
    sink.Text("ColumnCount: ").Int(pattern != nullptr ? pattern->GetColumns() : 0).Text("\n");
    // The spatial record's first spatial byte marks an interleaved scan, its second one an
    // interleaved multi-level scan.
    bool interleaved = false;
    if (auto* spatial = dynamic_cast<CSpatialScanData*>(scan)) {
        const uint8_t marker = static_cast<int8_t>(spatial->m_IsZeltData) > 0 ? spatial->m_SpatialBytes[1]
                                                                              : spatial->m_SpatialBytes[0];
        interleaved = static_cast<int8_t>(marker) > 0;
    }
    sink.Text("Interleaved Spatial Scan: ").Text(interleaved ? "Yes" : "No").Text("\n");
}

void QSpatialScanDataExporter::WriteData(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                                         uint32_t /*reserved*/) {
    sink.Text("Data:\n");
    if (NodeKindOf(mediator) != kTypeSpatialScanNode) {
        return;
    }
    CSpatialScanData* scan = mediator.GetSpatialScanData(scanID);
    if (scan == nullptr) {
        return;
    }
    if (static_cast<int8_t>(scan->m_IsZeltData) > 0) {
        WriteSubCellLines(mediator, sink, *scan);
    } else {
        WriteCellLines(mediator, sink, *scan);
    }
}

void QSpatialScanDataExporter::WriteCellLines(QNodeMediator& mediator, QExportTextSink& sink,
                                              CSpatialScanData& scan) {
    sink.Text("Row,", 8).Text("Column,", 8).Text("Frequency,", 14).Text("Amplitude\n", 11);
    bool compensate = ReadCompensationSwitches(mediator).m_Spatial;
    const int unit = SpatialUnit(mediator);
    const float attenuation = scan.m_TailValue;
    const QSSSpatialSnapshot* result = scan.m_SpatialSnapshot.get();
    const int64_t resultRows = result != nullptr ? result->GetRowCount() : 0;
    const int64_t resultColumns = result != nullptr ? result->GetColumnCount() : 0;
    for (int64_t r = 0; r < scan.m_Rows; ++r) {
        for (int64_t c = 0; c < scan.m_Columns; ++c) {
            float frequency = 0.0F;
            float value = 0.0F;
            if (IsSelected(scan.m_ProbeScanPattern, r, c) && r < resultRows && c < resultColumns) {
                const auto row = static_cast<uint16_t>(r);
                const auto column = static_cast<uint16_t>(c);
                frequency = result->GetFrequency(row, column);
                const float amplitude =
                    CompensatedCell(compensate, static_cast<float>(result->GetRawAmplitude(row, column)),
                                    [&scan, row, column](int32_t level, int32_t& out) {
                                        return scan.GetCompensatedCellValue(level, row, column, out);
                                    });
                value = ConvertAmplitudeToUnit(amplitude, unit) + attenuation;
            }
            QExportLine line;
            line.Int(r, 7).Text(",").Int(c, 7).Text(",").Fixed(frequency, 6, 13).Text(",");
            sink << line.Fixed(value, 1, 10).End();
        }
    }
}

void QSpatialScanDataExporter::WriteSubCellLines(QNodeMediator& mediator, QExportTextSink& sink,
                                                 CSpatialScanData& scan) {
    const int64_t n = SubCellsPerSide(scan.m_ZeltLevel);
    const int64_t gridRows = int64_t{scan.m_Rows} * n;
    const int64_t gridColumns = int64_t{scan.m_Columns} * n;
    // Record index + 1 per sub-cell; 0 where no record lies.
    std::vector<uint32_t> grid(static_cast<size_t>(gridRows * gridColumns), 0);
    uint64_t skipped = 0;
    const std::vector<CZeltSpatialRecord>& records = scan.m_ZeltRecords;
    for (size_t k = 0; k < records.size(); ++k) {
        const int64_t row = static_cast<int16_t>(records[k].m_Row);
        const int64_t column = static_cast<int16_t>(records[k].m_Column);
        const int64_t subRow = static_cast<int16_t>(records[k].m_SubRow);
        const int64_t subColumn = static_cast<int16_t>(records[k].m_SubColumn);
        if (row < 0 || column < 0 || subRow < 0 || subColumn < 0 || row >= scan.m_Rows ||
            column >= scan.m_Columns || subRow >= n || subColumn >= n) {
            ++skipped;
            continue;
        }
        grid[static_cast<size_t>((row * n + subRow) * gridColumns + column * n + subColumn)] =
            static_cast<uint32_t>(k + 1);
    }
    LogSkipped(skipped, "sub-cell records");
    sink.Text("Row,", 8).Text("Column,", 8).Text("SubRow,", 8).Text("SubColumn,", 8);
    sink.Text("Frequency,", 14).Text("Amplitude\n", 11);
    bool compensate = ReadCompensationSwitches(mediator).m_Spatial;
    const int unit = SpatialUnit(mediator);
    const float attenuation = scan.m_TailValue;
    for (int64_t r = 0; r < scan.m_Rows; ++r) {
        for (int64_t c = 0; c < scan.m_Columns; ++c) {
            if (!IsSelected(scan.m_ProbeScanPattern, r, c)) {
                continue;
            }
            for (int64_t sr = 0; sr < n; ++sr) {
                for (int64_t sc = 0; sc < n; ++sc) {
                    const uint32_t named = grid[static_cast<size_t>((r * n + sr) * gridColumns + c * n + sc)];
                    float value = 0.0F;
                    if (named != 0) {
                        const auto row = static_cast<uint16_t>(r);
                        const auto column = static_cast<uint16_t>(c);
                        const float amplitude = CompensatedCell(
                            compensate, static_cast<float>(TruncateToInt16(records[named - 1].m_Value)),
                            [&scan, row, column](int32_t level, int32_t& out) {
                                return scan.GetCompensatedCellValue(level, row, column, out);
                            });
                        value = ConvertAmplitudeToUnit(amplitude, unit) + attenuation;
                    }
                    QExportLine line;
                    line.Int(r, 7).Text(",").Int(c, 7).Text(",").Int(sr, 7).Text(",").Int(sc, 9).Text(",");
                    sink << line.Fixed(scan.m_CenterFrequency, 6, 13).Text(",").Fixed(value, 2, 10).End();
                }
            }
        }
    }
}

void QSpatialScanDataExporter::Export(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                                      uint32_t /*reserved*/) {
    const uint16_t kind = NodeKindOf(mediator);
    CSpectralSpatialScanData* scan = nullptr;
    if (kind == kTypeSpectralSpatialScanNode) {
        scan = mediator.GetSpectralSpatialScanData(scanID);
    } else if (kind == kTypeHandHeldProbeScanNode) {
        scan = mediator.GetHandHeldProbeScanData(scanID);
    }
    if (scan == nullptr) {
        return;
    }
    const bool subCells = static_cast<int8_t>(scan->m_IsZeltData) > 0;
    // Checked before anything is written.
    if (subCells) {
        SubCellsPerSide(scan->m_ZeltLevel);
    }
    const QProbeScanPattern& pattern = scan->m_ProbeScanPattern;
    sink.Text("PCBNFFF-DVT\nQZV-TRELLOBOX\nSample:QZV-Nov1\nNF Field:H\n");
    sink.Text("RowCount: ").Int(pattern.GetRows()).Text("\n");
    sink.Text("ColumnCount: ").Int(pattern.GetColumns()).Text("\n");
    sink.Text("RowSpacing(mm):7.5\nColSpacing(mm):7.5\nPCBSizeX(mm): 50.1\nPCBSizeY(mm): 60.2\n");
    sink.Text("Scanplane Spacing(mm): 2\nPCB Layers:6\nData Format: Normal\n");
    if (subCells) {
        WriteSubCellFieldData(mediator, sink, *scan);
    } else {
        WriteFieldData(mediator, sink, *scan);
    }
}

void QSpatialScanDataExporter::WriteFieldData(QNodeMediator& mediator, QExportTextSink& sink,
                                              CSpectralSpatialScanData& scan) {
    bool compensate = ReadCompensationSwitches(mediator).m_Spatial;
    const int unit = SpatialUnit(mediator);
    const auto attenuation = static_cast<float>(TruncateToInt16(scan.m_TailValue));
    const uint32_t points = scan.m_PointCount;
    // Per cell of the 64 x 64 table, the records that hold it in list order: each frequency block
    // is written straight from them, the last record holding the point winning.
    std::vector<std::vector<uint32_t>> holders(size_t{kFieldGrid} * kFieldGrid);
    uint64_t skipped = 0;
    uint32_t filledPoints = 0;
    for (size_t k = 0; k < scan.m_Units.size(); ++k) {
        const _SpectralSpatialScanDataUnit& unitRecord = *scan.m_Units[k];
        if (unitRecord.m_Row >= kFieldGrid || unitRecord.m_Column >= kFieldGrid) {
            ++skipped;
            continue;
        }
        holders[size_t{unitRecord.m_Row} * kFieldGrid + unitRecord.m_Column].push_back(
            static_cast<uint32_t>(k));
        const auto count = static_cast<uint32_t>(unitRecord.m_Amplitudes.size());
        filledPoints = std::max(filledPoints, std::min(count, points));
    }
    LogSkipped(skipped, "cell records");
    const QProbeScanPattern& pattern = scan.m_ProbeScanPattern;
    for (uint32_t j = 0; j < points; ++j) {
        // The table's frequency of point j is set once any record wrote a value for it.
        const float frequency =
            j < filledPoints ? scan.m_StartFrequency + static_cast<float>(j) * scan.m_FrequencyStep : 0.0F;
        sink.Text("Row#,", 5).Text("Col#,", 5).Text("Frequency(MHz),", 18);
        sink.Text("Hx-dBuA/m,Hy-dBuA/m,Hx-deg,Hy-deg\n", 33);
        // The frequency of the selected cells of this block, and of the others, formatted once.
        char selectedFrequency[64];
        const size_t selectedLength = FormatFixed(selectedFrequency, sizeof(selectedFrequency), frequency, 6);
        char line[160];
        for (int64_t r = 0; r < pattern.GetRows(); ++r) {
            for (int64_t c = 0; c < pattern.GetColumns(); ++c) {
                bool selected = false;
                float value = 0.0F;
                if (IsSelected(pattern, r, c) && r < kFieldGrid && c < kFieldGrid) {
                    selected = true;
                    const std::vector<uint32_t>& cell = holders[static_cast<size_t>(r * kFieldGrid + c)];
                    for (auto k = cell.rbegin(); k != cell.rend(); ++k) {
                        const _SpectralSpatialScanDataUnit& unitRecord = *scan.m_Units[*k];
                        if (j >= unitRecord.m_Amplitudes.size()) {
                            continue;
                        }
                        float amplitude = unitRecord.m_Amplitudes[j];
                        if (compensate) {
                            int32_t out = 0;
                            compensate = scan.GetCompensatedSpatialValue(
                                TruncateToInt32(amplitude), unitRecord.m_Row, unitRecord.m_Column, out);
                            if (compensate) {
                                amplitude = static_cast<float>(out);
                            }
                        }
                        value = ConvertAmplitudeToUnit(amplitude, unit) + attenuation;
                        break;
                    }
                }
                // r, ",", c, ",   ", frequency fixed 6, ",    ", value fixed 3, line end.
                char* at = line;
                at = std::to_chars(at, line + sizeof(line), r).ptr;
                *at++ = ',';
                at = std::to_chars(at, line + sizeof(line), c).ptr;
                std::memcpy(at, ",   ", 4);
                at += 4;
                if (selected) {
                    std::memcpy(at, selectedFrequency, selectedLength);
                    at += selectedLength;
                } else {
                    std::memcpy(at, "0.000000", 8);
                    at += 8;
                }
                std::memcpy(at, ",    ", 5);
                at += 5;
                at += FormatFixed(at, static_cast<size_t>(line + sizeof(line) - at), value, 3);
                *at++ = '\r';
                *at++ = '\n';
                sink.Raw(line, static_cast<size_t>(at - line));
            }
        }
    }
}

void QSpatialScanDataExporter::WriteSubCellFieldData(QNodeMediator& mediator, QExportTextSink& sink,
                                                     CSpectralSpatialScanData& scan) {
    bool compensate = ReadCompensationSwitches(mediator).m_Spatial;
    const int unit = SpatialUnit(mediator);
    const int16_t attenuation = TruncateToInt16(scan.m_TailValue);
    const int64_t n = SubCellsPerSide(scan.m_ZeltLevel);
    const int level = SignedLevel(scan.m_ZeltLevel);
    const QProbeScanPattern& pattern = scan.m_ProbeScanPattern;
    int r0 = 0;
    int c0 = 0;
    int r1 = -1;
    int c1 = -1;
    if (!pattern.GetProbeOnBounds(r0, c0, r1, c1)) {
        r0 = c0 = 0;
        r1 = c1 = -1;
    }
    const uint32_t points = scan.m_PointCount;
    sink.Text("Number of Selected Probes ").Int(pattern.GetProbeOnCount()).Text("\n");
    sink.Text("Level ").Int(level + 1).Text("\n");
    sink.Text("Number of Sub-Probes per Selected Probe ").Int(n * n).Text("\n");
    sink.Text("Total Number of Scans ").Int(static_cast<int64_t>(scan.m_Units.size())).Text("\n");
    sink.Text("RBW ").General(scan.m_ResolutionBandwidth).Text("\n");
    sink.Text("Start Frequency ").General(scan.m_StartFrequency).Text("\n");
    sink.Text("Stop Frequency ").General(scan.m_StopFrequency).Text("\n");
    sink.Text("Number of Frequency Buckets per Scan ").Int(points).Text("\n");
    sink.Text("Attenuation ").General(attenuation).Text("\n\n");

    const int64_t boxRows = int64_t{r1} - r0 + 1;
    const int64_t boxColumns = int64_t{c1} - c0 + 1;
    // Record index + 1 per sub-cell of the bounding rectangle; 0 where no record lies.
    std::vector<uint32_t> grid(static_cast<size_t>(boxRows * boxColumns * n * n), 0);
    uint64_t skipped = 0;
    for (size_t k = 0; k < scan.m_Units.size(); ++k) {
        const std::array<uint16_t, 4>& words = scan.m_Units[k]->m_Words;
        const int64_t row = static_cast<int16_t>(words[0]);
        const int64_t column = static_cast<int16_t>(words[1]);
        const int64_t subRow = static_cast<int16_t>(words[2]);
        const int64_t subColumn = static_cast<int16_t>(words[3]);
        if (row < r0 || row > r1 || column < c0 || column > c1 || subRow < 0 || subColumn < 0 ||
            subRow >= n || subColumn >= n) {
            ++skipped;
            continue;
        }
        grid[static_cast<size_t>(((row - r0) * boxColumns + column - c0) * n * n + subRow * n + subColumn)] =
            static_cast<uint32_t>(k + 1);
    }
    LogSkipped(skipped, "sub-cell records");
    for (uint32_t f = 0; f < points; ++f) {
        sink.Fixed(scan.m_StartFrequency + static_cast<float>(f) * scan.m_ResolutionBandwidth, 6);
        sink.Text(" == Frequency (MHz), ").Text(" Bin #").Int(int64_t{f} + 1).Text(" of ").Int(points);
        sink.Text(" Frequency bins total\n");
        sink.Text("Row,Column,SubRow,SubColumn,Hx-dBuA/m,Hy-dBuA/m,Hx-deg,Hy-deg\n");
        size_t position = 0;
        for (int64_t r = r0; r <= r1; ++r) {
            for (int64_t c = c0; c <= c1; ++c) {
                const bool selected = IsSelected(pattern, r, c);
                for (int64_t sr = 0; sr < n; ++sr) {
                    for (int64_t sc = 0; sc < n; ++sc, ++position) {
                        if (!selected) {
                            continue;
                        }
                        const uint32_t named = grid[position];
                        double value = 0.0;
                        const _SpectralSpatialScanDataUnit* record =
                            named != 0 ? scan.m_Units[named - 1].get() : nullptr;
                        // A sub-cell no record filled, or whose record lacks this bin, is written as 0.
                        if (record != nullptr && f < record->m_ZeltAmplitudes.size()) {
                            float amplitude = record->m_ZeltAmplitudes[f];
                            amplitude = CompensatedCell(
                                compensate, amplitude, [&scan, record](int32_t levelValue, int32_t& out) {
                                    return scan.GetCompensatedSpatialValue(levelValue, record->m_Words[0],
                                                                           record->m_Words[1], out);
                                });
                            value = ConvertAmplitudeToUnit(amplitude, unit) + static_cast<float>(attenuation);
                        }
                        QExportLine line;
                        line.Int(r).Text(",").Int(c).Text(",").Int(sr).Text(",").Int(sc).Text(",");
                        sink << line.Fixed(value, 6).End();
                    }
                }
            }
        }
    }
}

} // namespace orv
