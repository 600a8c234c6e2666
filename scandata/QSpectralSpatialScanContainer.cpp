#include "scandata/QSpectralSpatialScanContainer.h"

#include "core/PathUtilities.h"
#include "core/QCorrectionData.h"
#include "core/QDeferredPrompts.h"
#include "core/QFrequencyBucketList.h"
#include "platform/debug/DebugOutput.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTransportContainer.h"
#include "scandata/RecordCodec.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

// No analyser delivers more points per cell; a stored count above it is corrupt and would only size
// a huge allocation.
constexpr uint32_t kMaxPointsPerCell = 1U << 20;
// A spectral/spatial scan keeps a spectrum per cell: its grid stays within a scan head's 64 x 64,
// whatever larger maps the spatial snapshot can hold.
constexpr uint64_t kMaxGeometryCells = 64 * 64;

} // namespace

QSpectralSpatialScanContainer::QSpectralSpatialScanContainer()
    : m_CurrentSpectrum(std::make_unique<QSSSpectralSnapshot>()),
      m_ProbeScanPattern(std::make_unique<QProbeScanPattern>()),
      m_PeakMap(std::make_unique<QSSSpatialSnapshot>()),
      m_SpatialResult(std::make_unique<QSSSpatialSnapshot>()),
      m_CellSpectrum(std::make_unique<QSSSpectralSnapshot>()),
      m_SpectralResult(std::make_unique<QSSSpectralSnapshot>()) {}

QSpectralSpatialScanContainer::~QSpectralSpatialScanContainer() = default;

uint32_t QSpectralSpatialScanContainer::GetBodySize() const {
    return 12 + m_ProbeScanPattern->GetBodySize() + m_CellSpectrum->GetBodySize() + m_PeakMap->GetBodySize();
}

void QSpectralSpatialScanContainer::WriteBody(QDataWriter& writer) const {
    writer.WriteI16(m_MinLevel);
    writer.WriteI16(m_MaxLevel);
    writer.WriteU32(m_PointCount);
    writer.WriteU32(m_RecordSize);
    writer.WriteF32(m_StartFrequency);
    writer.WriteF32(m_StopFrequency);
    writer.WriteF32(m_SetupValue);
    m_ProbeScanPattern->WriteBody(writer);
}

void QSpectralSpatialScanContainer::ReadBody(QDataReader& reader) {
    const int16_t minLevel = reader.ReadI16();
    const int16_t maxLevel = reader.ReadI16();
    const uint32_t pointCount = reader.ReadU32();
    const uint32_t recordSize = reader.ReadU32();
    const float start = reader.ReadF32();
    const float stop = reader.ReadF32();
    const float setupValue = reader.ReadF32();
    auto pattern = std::make_unique<QProbeScanPattern>();
    pattern->ReadBody(reader);
    if (pointCount > kMaxPointsPerCell) {
        ThrowCorruptScanData();
    }
    auto spatialResult = std::make_unique<QSSSpatialSnapshot>(pattern->GetRows(), pattern->GetColumns());
    auto spectralResult = std::make_unique<QSSSpectralSnapshot>(pointCount);

    m_MinLevel = minLevel;
    m_MaxLevel = maxLevel;
    m_PointCount = pointCount;
    m_RecordSize = recordSize;
    m_StartFrequency = start;
    m_StopFrequency = stop;
    m_SetupValue = setupValue;
    ResizeCellGrid(pattern->GetRows(), pattern->GetColumns());
    m_ProbeScanPattern = std::move(pattern);
    m_SpatialResult = std::move(spatialResult);
    m_SpectralResult = std::move(spectralResult);
}

void QSpectralSpatialScanContainer::ResizeCellGrid(uint32_t rows, uint32_t columns) {
    m_CellRecords.clear();
    m_CellRecords.resize(static_cast<size_t>(rows) * columns);
    m_GridRows = rows;
    m_GridColumns = columns;
}

const QSSCellRecord* QSpectralSpatialScanContainer::GetCellRecord(uint32_t row, uint32_t column) const {
    if (row >= m_GridRows || column >= m_GridColumns) {
        return nullptr;
    }
    return m_CellRecords[static_cast<size_t>(row) * m_GridColumns + column].get();
}

void QSpectralSpatialScanContainer::SetCellRecord(uint32_t row, uint32_t column,
                                                  std::unique_ptr<QSSCellRecord> record) {
    if (row < m_GridRows && column < m_GridColumns) {
        m_CellRecords[static_cast<size_t>(row) * m_GridColumns + column] = std::move(record);
    }
}

uint32_t QSpectralSpatialScanContainer::RebuildFromCellRecords() {
    const uint32_t rows = m_GridRows;
    const uint32_t columns = m_GridColumns;
    const uint32_t points = m_PointCount;
    auto peakMap =
        std::make_unique<QSSSpatialSnapshot>(static_cast<uint16_t>(rows), static_cast<uint16_t>(columns));
    peakMap->Fill(QSSSpatialSnapshot::kNoValue);
    auto cellSpectrum = std::make_unique<QSSSpectralSnapshot>(points);
    cellSpectrum->SetFrequencyRange(m_StartFrequency, m_StopFrequency);
    cellSpectrum->SetMeasuredFrequencies(&GetMeasuredFrequencyData());
    const float step =
        points > 1 ? (m_StopFrequency - m_StartFrequency) / static_cast<float>(points - 1) : 0.0F;

    uint32_t taken = 0;
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < columns; ++c) {
            const QSSCellRecord* record = GetCellRecord(r, c);
            if (record == nullptr || points == 0 || !CheckRecord(*record, r, c)) {
                continue;
            }
            m_ProbeScanPattern->SetProbeAt(static_cast<int>(r), static_cast<int>(c), 1);
            int16_t highest = record->m_Amplitudes[0];
            uint32_t peakIndex = 0;
            for (uint32_t i = 0; i < points; ++i) {
                const int16_t level = record->m_Amplitudes[i];
                cellSpectrum->SetPoint(i, level, record->m_Row, record->m_Column);
                if (level > highest) {
                    highest = level;
                    peakIndex = i;
                }
            }
            peakMap->SetCell(r, c, highest, m_StartFrequency + step * static_cast<float>(peakIndex));
            ++taken;
        }
    }
    m_PeakMap = std::move(peakMap);
    m_CellSpectrum = std::move(cellSpectrum);
    return taken;
}

void QSpectralSpatialScanContainer::MakeGeometry(uint32_t rows, uint32_t columns, uint32_t points,
                                                 bool withResults) {
    // Snapshots refuse grids beyond their size before anything here changes.
    auto peakMap =
        std::make_unique<QSSSpatialSnapshot>(static_cast<uint16_t>(rows), static_cast<uint16_t>(columns));
    auto spatialResult =
        std::make_unique<QSSSpatialSnapshot>(static_cast<uint16_t>(rows), static_cast<uint16_t>(columns));
    peakMap->Fill(QSSSpatialSnapshot::kNoValue);
    spatialResult->Fill(QSSSpatialSnapshot::kNoValue);
    auto cellSpectrum = std::make_unique<QSSSpectralSnapshot>(points);
    auto spectralResult = std::make_unique<QSSSpectralSnapshot>(points);
    for (QSSSpectralSnapshot* spectrum : {cellSpectrum.get(), spectralResult.get()}) {
        spectrum->SetFrequencyRange(m_StartFrequency, m_StopFrequency);
        spectrum->SetMeasuredFrequencies(&GetMeasuredFrequencyData());
    }
    ResizeCellGrid(rows, columns);
    m_ProbeScanPattern = std::make_unique<QProbeScanPattern>(static_cast<uint16_t>(rows),
                                                             static_cast<uint16_t>(columns), 0, 100);
    m_PeakMap = std::move(peakMap);
    m_SpatialResult = std::move(spatialResult);
    m_CellSpectrum = std::move(cellSpectrum);
    m_SpectralResult = std::move(spectralResult);
    if (withResults) {
        m_CurrentSpectrum = std::make_unique<QSSSpectralSnapshot>(points);
    }
}

float QSpectralSpatialScanContainer::PeakFrequency(uint32_t index) const {
    const float start = GetSetupScanCommand().GetStartFrequency();
    const float stop = GetSetupScanCommand().GetStopFrequency();
    if (m_PointCount < 2) {
        return start;
    }
    return start + (stop - start) / static_cast<float>(m_PointCount - 1) * static_cast<float>(index);
}

void QSpectralSpatialScanContainer::ReportCorrupt() {
    if (m_ReportedCorrupt != 0) {
        return;
    }
    m_ReportedCorrupt = 1;
    // Records arrive under the node's lock on the scan thread: the box waits until it is released.
    QDeferredPrompts::Show({kCorruptText, kCorruptCaption, PromptButtons::Ok, PromptIcon::Warning});
}

bool QSpectralSpatialScanContainer::CheckRecord(const QSSCellRecord& record, uint32_t row, uint32_t column) {
    const bool sound =
        record.m_Row == row && record.m_Column == column && record.m_Amplitudes.size() == m_PointCount;
    if (!sound) {
        ReportCorrupt();
    }
    return sound;
}

QSpectralSpatialScanContainer::IngestResult
QSpectralSpatialScanContainer::Ingest(const Incoming& incoming, std::array<uint16_t, 4>& position) {
    const std::vector<int16_t>& amplitudes = *incoming.amplitudes;
    const uint32_t count = static_cast<uint32_t>(amplitudes.size());
    const uint32_t rows = GetSetupScanCommand().GetRows();
    const uint32_t columns = GetSetupScanCommand().GetColumns();
    const bool geometryTooLarge = static_cast<uint64_t>(rows) * columns > kMaxGeometryCells;

    if (incoming.dataForm > 0) {
        // A reassembled record's block opens with the four position words and carries P points.
        const uint32_t points = incoming.hasBlock ? incoming.blockPoints : count;
        if (geometryTooLarge || points > kMaxPointsPerCell) {
            ReportCorrupt();
            return IngestResult::Refused;
        }
        m_RecordSize = incoming.bodySize;
        m_PointCount = points;
        MakeGeometry(rows, columns, points, true);
        if (incoming.hasBlock) {
            position = incoming.blockPosition;
        } else {
            for (size_t k = 0; k < position.size(); ++k) {
                position[k] = k < amplitudes.size() ? static_cast<uint16_t>(amplitudes[k]) : 0;
            }
        }
        return IngestResult::TakenWithPosition;
    }

    const bool first =
        !HasScanData() || m_PointCount == 0 || !m_CurrentSpectrum || m_PeakMap->GetRowCount() == 0;
    if (first) {
        if (geometryTooLarge || count == 0 || count > kMaxPointsPerCell) {
            ReportCorrupt();
            return IngestResult::Refused;
        }
        m_RecordSize = incoming.bodySize;
        m_PointCount = count;
        MakeGeometry(rows, columns, count, true);
        m_ExpectedRecords = GetSetupScanCommand().GetProbeScanPattern().GetProbeOnCount();
        m_ReceivedRecords = 0;
    }
    if (incoming.row >= m_GridRows || incoming.column >= m_GridColumns) {
        ++m_DroppedRecords;
        OutputDebugString("Spectral/spatial record for a cell outside the scan grid dropped");
        ReportCorrupt();
        return IngestResult::Refused;
    }
    if (count != m_PointCount) {
        ReportCorrupt();
        return IngestResult::Refused;
    }

    m_ProbeScanPattern->SetProbeAt(incoming.row, incoming.column, 1);
    int16_t lowest = amplitudes[0];
    int16_t highest = amplitudes[0];
    uint32_t peakIndex = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const int16_t level = amplitudes[i];
        m_CellSpectrum->SetPoint(i, level, incoming.row, incoming.column);
        m_CurrentSpectrum->SetPoint(i, level, incoming.row, incoming.column);
        if (level < lowest) {
            lowest = level;
        }
        if (level > highest) {
            highest = level;
            peakIndex = i;
        }
    }
    m_PeakMap->SetCell(incoming.row, incoming.column, highest, PeakFrequency(peakIndex));
    if (first || lowest < m_MinLevel) {
        m_MinLevel = lowest;
    }
    if (first || highest > m_MaxLevel) {
        m_MaxLevel = highest;
    }
    auto record = std::make_unique<QSSCellRecord>();
    record->m_Row = incoming.row;
    record->m_Column = incoming.column;
    record->m_Amplitudes = amplitudes;
    SetCellRecord(incoming.row, incoming.column, std::move(record));
    return IngestResult::Taken;
}

void QSpectralSpatialScanContainer::KeepLastRecord(std::unique_ptr<QDataPacket> record) {
    ++m_ReceivedRecords;
    m_Updated = 1;
    m_LastRecord = std::move(record);
}

void QSpectralSpatialScanContainer::AddScanData(QTransportContainer& transport, bool /*mergeMaximum*/,
                                                bool /*mergeAverage*/) {
    QSpectralSpatialScanComponent* component = transport.GetSpectralSpatialScanComponent();
    if (component == nullptr) {
        return;
    }
    transport.SetSpectralSpatialScanComponent(nullptr);
    TakeRecord(std::unique_ptr<QSpectralSpatialScanComponent>(component));
}

void QHandHeldProbeScanContainer::AddScanData(QTransportContainer& transport, bool /*mergeMaximum*/,
                                              bool /*mergeAverage*/) {
    QHandHeldProbeScan* probeScan = transport.GetHandHeldProbeScan();
    if (probeScan == nullptr) {
        return;
    }
    transport.SetHandHeldProbeScan(nullptr);
    TakeRecord(std::unique_ptr<QHandHeldProbeScan>(probeScan));
}

void QSpectralSpatialScanContainer::ClearScanData() {
    if (!HasScanData()) {
        return;
    }
    m_ProbeScanPattern = std::make_unique<QProbeScanPattern>();
    m_PeakMap = std::make_unique<QSSSpatialSnapshot>();
    m_SpatialResult = std::make_unique<QSSSpatialSnapshot>();
    m_CellSpectrum = std::make_unique<QSSSpectralSnapshot>();
    m_SpectralResult = std::make_unique<QSSSpectralSnapshot>();
    m_CurrentSpectrum.reset();
    m_LastRecord.reset();
    ResizeCellGrid(0, 0);
    m_PointCount = 0;
    m_RecordSize = 0;
    m_MinLevel = 0;
    m_MaxLevel = 0;
    m_CompensatedMinLevel = 0;
    m_CompensatedMaxLevel = 0;
    m_ReportedCorrupt = 0;
    m_Updated = 1;
}

int16_t QSpectralSpatialScanContainer::UpdateNoiseFloor() {
    const int16_t noiseFloor = m_CellSpectrum->EstimateNoiseFloor();
    m_SpectralResult->SetNoiseFloor(noiseFloor);
    m_PeakMap->SetNoiseFloor(noiseFloor);
    m_SpatialResult->SetNoiseFloor(noiseFloor);
    return noiseFloor;
}

const std::string& QSpectralSpatialScanContainer::GetTempFilePath() {
    if (m_TempFilePath.empty()) {
        CreateTempFileName(m_TempFilePath);
    }
    return m_TempFilePath;
}

bool QSpectralSpatialScanContainer::ApplicableSwitchOn(bool spectralMode) {
    return spectralMode ? QCorrectionData::IsSpectralCompensationOn()
                        : QCorrectionData::IsSpatialCompensationOn();
}

const QSpectralScanInterface*
QSpectralSpatialScanContainer::GetSpectralScanForCells(const QProbeScanPattern& cells) {
    const uint32_t points = m_SpectralResult->GetPointCount();
    bool first = true;
    for (uint32_t r = 0; r < m_GridRows; ++r) {
        for (uint32_t c = 0; c < m_GridColumns; ++c) {
            const QSSCellRecord* record = GetCellRecord(r, c);
            if (!cells.IsProbeOn(static_cast<int>(r), static_cast<int>(c)) || record == nullptr) {
                continue;
            }
            CheckRecord(*record, r, c);
            const uint32_t n = std::min(points, static_cast<uint32_t>(record->m_Amplitudes.size()));
            for (uint32_t i = 0; i < n; ++i) {
                const int16_t level = record->m_Amplitudes[i];
                if (first || level > m_SpectralResult->GetRawAmplitude(i)) {
                    m_SpectralResult->SetPoint(i, level, record->m_Row, record->m_Column);
                }
            }
            first = false;
        }
    }
    return m_SpectralResult.get();
}

const QSpatialScanInterface*
QSpectralSpatialScanContainer::GetSpatialScanForCells(const QFrequencyBucketList& selection) {
    if (m_GridRows == 0) {
        return m_SpatialResult.get();
    }
    // A cell without a selected point shows no value rather than the previous selection's.
    m_SpatialResult->Fill(QSSSpatialSnapshot::kNoValue);
    const uint32_t rows = std::min<uint32_t>(m_GridRows, m_SpatialResult->GetRowCount());
    const uint32_t columns = std::min<uint32_t>(m_GridColumns, m_SpatialResult->GetColumnCount());
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < columns; ++c) {
            const QSSCellRecord* record = GetCellRecord(r, c);
            if (!m_ProbeScanPattern->IsProbeOn(static_cast<int>(r), static_cast<int>(c)) ||
                record == nullptr) {
                continue;
            }
            CheckRecord(*record, r, c);
            bool found = false;
            int16_t best = 0;
            uint32_t bestIndex = 0;
            for (uint32_t index : selection.GetBuckets()) {
                if (index >= record->m_Amplitudes.size()) {
                    continue; // past the spectrum: skipped
                }
                if (!found || record->m_Amplitudes[index] > best) {
                    best = record->m_Amplitudes[index];
                    bestIndex = index;
                    found = true;
                }
            }
            if (found) {
                m_SpatialResult->SetCell(r, c, best, PeakFrequency(bestIndex));
            }
        }
    }
    return m_SpatialResult.get();
}

void QSpectralSpatialScanContainer::GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern,
                                                  const QFrequencyBucketList* selection) {
    // Callers that do not name their view are told it by the correction database's mode flag; read
    // once, so that the range and the view it is kept for agree.
    GetLevelRangeForView(QCorrectionData::IsSpectralSpatialMode(), low, high, pattern, selection);
}

void QSpectralSpatialScanContainer::GetLevelRangeForView(bool spectralMode, float* low, float* high,
                                                         const QProbeScanPattern* pattern,
                                                         const QFrequencyBucketList* selection) {
    const bool switchOn = ApplicableSwitchOn(spectralMode);
    if (pattern == nullptr && selection == nullptr) {
        if (low != nullptr) {
            *low = static_cast<float>(switchOn ? m_CompensatedMinLevel : m_MinLevel);
        }
        if (high != nullptr) {
            *high = static_cast<float>(switchOn ? m_CompensatedMaxLevel : m_MaxLevel);
        }
        return;
    }
    const QProbeScanPattern& cells = pattern != nullptr ? *pattern : *m_ProbeScanPattern;
    float start = 0.0F;
    float stop = 0.0F;
    GetFrequencyRange(&start, &stop);
    const float step = m_PointCount > 1 ? (stop - start) / static_cast<float>(m_PointCount - 1) : 0.0F;
    const int16_t noiseFloor = UpdateNoiseFloor();
    const bool correct = switchOn && m_CorrectionSet >= 1 && m_CorrectionSet <= QCorrectionData::kSetCount;
    // Taken once: every value of this pass comes from one whole set, whatever the store reloads.
    const std::shared_ptr<const QCorrectionSet> set =
        correct ? GetCorrectionData().GetSet(m_CorrectionSet) : std::shared_ptr<const QCorrectionSet>();
    const float limit = 10.0F * m_Threshold + static_cast<float>(noiseFloor);

    bool any = false;
    int16_t lowest = 0;
    int16_t highest = 0;
    auto enter = [&](int16_t value) {
        if (!any || value < lowest) {
            lowest = value;
        }
        if (!any || value > highest) {
            highest = value;
        }
        any = true;
    };
    for (uint32_t r = 0; r < m_GridRows; ++r) {
        for (uint32_t c = 0; c < m_GridColumns; ++c) {
            const QSSCellRecord* record = GetCellRecord(r, c);
            if (!cells.IsProbeOn(static_cast<int>(r), static_cast<int>(c)) || record == nullptr) {
                continue;
            }
            CheckRecord(*record, r, c);
            const std::vector<int16_t>& levels = record->m_Amplitudes;
            const int32_t cell = correct ? set->GetCellIndex(r, c) : -1;
            auto value = [&](uint32_t i) -> int16_t {
                const int16_t level = levels[i];
                if (!correct || !(static_cast<float>(level) > limit)) {
                    return level;
                }
                const float f = start + static_cast<float>(i) * step;
                const float factor = set->GetFactorAt(cell, set->FindPosition(f), f);
                return SaturateToInt16(static_cast<double>(level) + 10.0 * static_cast<double>(factor));
            };
            if (selection == nullptr) {
                for (uint32_t i = 0; i < levels.size(); ++i) {
                    enter(value(i));
                }
            } else {
                for (uint32_t index : selection->GetBuckets()) {
                    if (index < levels.size()) {
                        enter(value(index));
                    }
                }
            }
        }
    }
    if (switchOn) {
        int16_t* viewRange = spectralMode ? m_SpectralViewRange : m_SpatialViewRange;
        viewRange[0] = lowest;
        viewRange[1] = highest;
        m_CompensatedMinLevel = lowest;
        m_CompensatedMaxLevel = highest;
    }
    if (low != nullptr) {
        *low = static_cast<float>(lowest);
    }
    if (high != nullptr) {
        *high = static_cast<float>(highest);
    }
}

void QSpectralSpatialScanContainer::GetSpectralViewRange(int16_t* low, int16_t* high) const {
    if (low != nullptr) {
        *low = m_SpectralViewRange[0];
    }
    if (high != nullptr) {
        *high = m_SpectralViewRange[1];
    }
}

void QSpectralSpatialScanContainer::GetSpatialViewRange(int16_t* low, int16_t* high) const {
    if (low != nullptr) {
        *low = m_SpatialViewRange[0];
    }
    if (high != nullptr) {
        *high = m_SpatialViewRange[1];
    }
}

} // namespace orv
