#include "project/QReceivedScanCopy.h"

#include "core/ByteCodec.h"
#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QProbeCellSpectrum.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralScanContainer.h"
#include "scandata/QSpectralSpatialScanContainer.h"

#include <algorithm>
#include <utility>

namespace orv {

namespace {

void CopySetupFields(const QSetupScanCommand& setup, QScanDataRecord& record) {
    record.m_StartFrequency = setup.GetStartFrequency();
    record.m_StopFrequency = setup.GetStopFrequency();
    record.m_CenterFrequency = setup.m_CenterFrequency;
    record.m_ResolutionBandwidth = setup.m_ResolutionBandwidth;
    record.m_Rows = setup.GetRows();
    record.m_Columns = setup.GetColumns();
}

// The cells whose probe is on, row by row, columns in order: the same walk that counts them.
std::vector<std::pair<uint16_t, uint16_t>> ProbeOnCells(const QProbeScanPattern& pattern) {
    std::vector<std::pair<uint16_t, uint16_t>> cells;
    cells.reserve(pattern.GetProbeOnCount());
    for (uint16_t row = 0; row < pattern.GetRows(); ++row) {
        for (uint16_t column = 0; column < pattern.GetColumns(); ++column) {
            if (pattern.IsProbeOn(row, column)) {
                cells.emplace_back(row, column);
            }
        }
    }
    return cells;
}

// The measured frequencies of the scan when the set-up asked for peaks: those within the scan's
// range (inclusive) at a point the scan has.
std::vector<QMeasuredFrequencyData::Entry>
PeaksWithin(const QSetupScanCommand& setup, const QMeasuredFrequencyData& measured, uint32_t points) {
    std::vector<QMeasuredFrequencyData::Entry> peaks;
    if ((setup.m_MeasurePeaks & 1U) == 0) {
        return peaks;
    }
    const float start = setup.GetStartFrequency();
    const float stop = setup.GetStopFrequency();
    for (uint32_t k = 0; k < measured.GetEntryCount(); ++k) {
        const QMeasuredFrequencyData::Entry entry{measured.GetEntryIndex(k), measured.GetEntryFrequency(k)};
        if (entry.m_Index < points && entry.m_Frequency >= start && entry.m_Frequency <= stop) {
            peaks.push_back(entry);
        }
    }
    return peaks;
}

// The real-time analyser's records as the scan data hold them; the level keeps its bits.
std::vector<CFloatSpectralPoint> DecodeWidePoints(const uint8_t* cursor, uint32_t count) {
    std::vector<CFloatSpectralPoint> points(count);
    for (CFloatSpectralPoint& point : points) {
        point.m_Amplitude = GetLE<float>(cursor);
        point.m_Row = GetLE<uint16_t>(cursor);
        point.m_Column = GetLE<uint16_t>(cursor);
        point.m_SubRow = GetLE<uint16_t>(cursor);
        point.m_SubColumn = GetLE<uint16_t>(cursor);
    }
    return points;
}

std::unique_ptr<QReceivedScanCopy> CopySpectral(QSpectralScanContainer& container, std::string date) {
    const QSetupScanCommand& setup = container.GetSetupScanCommand();
    const QSpectralScan& scan = container.GetSpectralScanRecord();
    auto copy = std::make_unique<QReceivedScanCopy>();
    copy->m_NodeKind = kTypeSpectralScanNode;
    copy->m_Date = std::move(date);
    // The real-time analyser's float form: its 12-byte records become the scan's points unchanged.
    copy->m_RealTimeAnalyzerFormat = scan.HasWideRecords();
    QSpectralScanAddition& addition = copy->m_Spectral.emplace();
    CopySetupFields(setup, addition.m_Record);
    if (container.IsFrequencyDataTaken()) {
        // Only the frequencies measured after the scan came: they complete the scan already listed.
        copy->m_FrequenciesOnly = true;
        addition.m_HasPoints = false;
        addition.m_MeasuredFrequencies =
            PeaksWithin(setup, container.GetMeasuredFrequencyData(), scan.GetNumberOfPoints());
        return copy;
    }
    addition.m_Markers = ProbeOnCells(container.GetProbeScanPattern());
    addition.m_HasPoints = true;
    uint32_t count = 0;
    if (scan.HasWideRecords()) {
        const std::vector<uint8_t>& records = scan.GetWideRecords();
        count = std::min<uint32_t>(scan.GetNumberOfPoints(),
                                   static_cast<uint32_t>(records.size() / QSpectralScan::kWidePointBytes));
        addition.m_Record.m_IsZeltData = static_cast<uint8_t>(scan.GetDataForm());
        addition.m_ZeltPoints = DecodeWidePoints(records.data(), count);
    } else {
        const std::vector<QSpectralPoint>& points = scan.GetPoints();
        count = std::min<uint32_t>(scan.GetNumberOfPoints(), static_cast<uint32_t>(points.size()));
        addition.m_MirtPoints.assign(points.begin(), points.begin() + count);
    }
    addition.m_MeasuredFrequencies = PeaksWithin(setup, container.GetMeasuredFrequencyData(), count);
    return copy;
}

std::unique_ptr<QReceivedScanCopy> CopySpatial(QSpatialScanContainer& container, std::string date) {
    const QSetupScanCommand& setup = container.GetSetupScanCommand();
    const QSpatialScan& scan = container.GetSpatialScanRecord();
    const QProbeScanPattern& pattern = container.GetProbeScanPattern();
    if (container.IsFrequencyDataTaken()) {
        return nullptr;
    }
    auto copy = std::make_unique<QReceivedScanCopy>();
    copy->m_NodeKind = kTypeSpatialScanNode;
    copy->m_Date = std::move(date);
    QSpatialScanAddition& addition = copy->m_Spatial.emplace();
    CopySetupFields(setup, addition.m_Record);
    const uint16_t rows = setup.GetRows();
    const uint16_t columns = setup.GetColumns();
    const uint64_t cells = uint64_t{rows} * columns;
    addition.m_Values.assign(static_cast<size_t>(cells), kUnmeasuredCellLevel);
    const uint16_t receivedRows = scan.GetRowCount();
    const uint16_t receivedColumns = scan.GetColumnCount();
    for (uint16_t row = 0; row < rows; ++row) {
        for (uint16_t column = 0; column < columns; ++column) {
            const bool measured = row < receivedRows && column < receivedColumns && row < pattern.GetRows() &&
                                  column < pattern.GetColumns() && pattern.IsProbeOn(row, column);
            if (measured) {
                addition.m_Values[size_t{row} * columns + column] = scan.GetStoredAmplitude(row, column);
            }
        }
    }
    if (scan.GetDataForm() > 0) {
        // An assembled interleaved scan: every fine cell goes over as its 12-byte record (row,
        // column, sub-row, sub-column, level), the level's bits unchanged.
        addition.m_Record.m_IsZeltData = static_cast<uint8_t>(scan.GetDataForm());
        addition.m_Record.m_ZeltLevel = static_cast<uint8_t>(scan.GetLevel());
        const std::vector<QSpatialFloatPoint>& points = scan.GetFloatPoints();
        addition.m_ZeltRecords.resize(points.size() * CSpatialScanData::kRecordBytes);
        uint8_t* cursor = addition.m_ZeltRecords.data();
        for (const QSpatialFloatPoint& point : points) {
            PutLE<int16_t>(cursor, point.m_Row);
            PutLE<int16_t>(cursor, point.m_Column);
            PutLE<int16_t>(cursor, point.m_SubRow);
            PutLE<int16_t>(cursor, point.m_SubColumn);
            PutLE<float>(cursor, point.m_Amplitude);
        }
    }
    return copy;
}

// The last cell record as one cell: its index is the number of records received so far, its count
// the number the pattern expects; the cell's peak comes from the container's peak map.
std::unique_ptr<QReceivedScanCopy> CopyCell(uint16_t nodeKind, QSpectralSpatialScanContainer& container,
                                            std::string date) {
    if (container.IsFrequencyDataTaken()) {
        if (nodeKind != kTypeSpectralSpatialScanNode || container.GetReceivedRecords() == 0) {
            return nullptr;
        }
        // The closing call of the scan: the frequencies measured after its last cell.
        auto copy = std::make_unique<QReceivedScanCopy>();
        copy->m_NodeKind = nodeKind;
        copy->m_Date = std::move(date);
        copy->m_FrequenciesOnly = true;
        QCellAddition& closing = copy->m_Cell.emplace();
        CopySetupFields(container.GetSetupScanCommand(), closing.m_Record);
        closing.m_CellCount = container.GetExpectedRecords();
        closing.m_MeasuredFrequencies = PeaksWithin(
            container.GetSetupScanCommand(), container.GetMeasuredFrequencyData(), container.GetPointCount());
        return copy;
    }
    const auto* last = dynamic_cast<const QProbeCellSpectrum*>(container.GetLastRecord());
    if (last == nullptr || container.GetReceivedRecords() == 0) {
        return nullptr;
    }
    auto copy = std::make_unique<QReceivedScanCopy>();
    copy->m_NodeKind = nodeKind;
    copy->m_Date = std::move(date);
    QCellAddition& cell = copy->m_Cell.emplace();
    CopySetupFields(container.GetSetupScanCommand(), cell.m_Record);
    cell.m_CellIndex = container.GetReceivedRecords();
    cell.m_CellCount = container.GetExpectedRecords();
    cell.m_CellWord1 = last->GetRow();
    cell.m_CellWord2 = last->GetColumn();
    const QSSSpatialSnapshot& peaks = container.GetPeakMap();
    cell.m_CellWord3 = static_cast<uint16_t>(peaks.GetAmplitude(last->GetRow(), last->GetColumn()));
    cell.m_CellValue = peaks.GetFrequency(last->GetRow(), last->GetColumn());
    const std::vector<int16_t>& amplitudes = last->GetAmplitudes();
    const uint32_t count =
        std::min<uint32_t>(last->GetPointCount(), static_cast<uint32_t>(amplitudes.size()));
    cell.m_HasValues = true;
    cell.m_Values.assign(amplitudes.begin(), amplitudes.begin() + count);
    return copy;
}

} // namespace

std::unique_ptr<QReceivedScanCopy> CopyReceivedScan(uint16_t nodeKind, QScanContainer& container,
                                                    std::string date) {
    if (nodeKind == kTypeSpectralScanNode) {
        if (auto* spectral = dynamic_cast<QSpectralScanContainer*>(&container)) {
            return CopySpectral(*spectral, std::move(date));
        }
    } else if (nodeKind == kTypeSpatialScanNode) {
        if (auto* spatial = dynamic_cast<QSpatialScanContainer*>(&container)) {
            return CopySpatial(*spatial, std::move(date));
        }
    } else if (nodeKind == kTypeSpectralSpatialScanNode || nodeKind == kTypeHandHeldProbeScanNode) {
        // The hand-held container is a spectral/spatial one; each kind takes only its own.
        const bool handHeld = dynamic_cast<QHandHeldProbeScanContainer*>(&container) != nullptr;
        auto* cells = dynamic_cast<QSpectralSpatialScanContainer*>(&container);
        if (cells != nullptr && handHeld == (nodeKind == kTypeHandHeldProbeScanNode)) {
            return CopyCell(nodeKind, *cells, std::move(date));
        }
    }
    return nullptr;
}

} // namespace orv
