#include "scandata/QSpatialScan.h"

#include "core/QCorrectionData.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QDataPacketHandler.h"
#include "scandata/RecordCodec.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

void QSpatialCellGrid::Resize(uint16_t rows, uint16_t columns) {
    const size_t cells = size_t{rows} * columns;
    if (cells != m_Cells.size()) {
        m_Cells.assign(cells, 0);
    }
    m_Rows = rows;
    m_Columns = columns;
}

uint32_t QSpatialScan::GetBodySize() const {
    return 13 + 2 * uint32_t{m_Grid.m_Rows} * m_Grid.m_Columns;
}

void QSpatialScan::WriteBody(QDataWriter& writer) const {
    writer.WriteI8(m_DataForm);
    writer.WriteI8(m_Level);
    writer.WriteU8(m_PassFlag);
    writer.WriteU16(m_Grid.m_Rows);
    writer.WriteU16(m_Grid.m_Columns);
    writer.WriteU16(m_SecondGridRows);
    writer.WriteU16(m_SecondGridColumns);
    writer.WriteU16(m_SubPosition);
    WriteInt16Block(writer, BodyGrid().m_Cells);
}

void QSpatialScan::ReadBody(QDataReader& reader) {
    const int8_t form = reader.ReadI8();
    const int8_t level = reader.ReadI8();
    const uint8_t passFlag = reader.ReadU8();
    const uint16_t rows = reader.ReadU16();
    const uint16_t columns = reader.ReadU16();
    const uint16_t secondRows = reader.ReadU16();
    const uint16_t secondColumns = reader.ReadU16();
    const uint16_t subPosition = reader.ReadU16();
    const uint32_t cells = uint32_t{rows} * columns;
    if (rows > kMaxRows || columns > kMaxColumns || level < kMinLevel || level > kMaxLevel ||
        (form > 0 && cells > QZeltSpatialHandOver::kMaxCells)) {
        ThrowCorruptScanData();
    }
    const uint32_t bytes = RequireArrayBytes(reader, cells, sizeof(int16_t));
    QScratchBlock block(bytes);
    reader.Read(block.Data(), bytes);

    // The read is complete: from here only an allocation can fail, and it fails before the record
    // changes. The grids keep their storage from one record to the next.
    m_Grid.m_Cells.reserve(cells);
    m_SubGrid.m_Cells.reserve(cells);
    m_DataForm = form;
    m_Level = level;
    m_PassFlag = passFlag;
    m_SecondGridRows = secondRows;
    m_SecondGridColumns = secondColumns;
    m_SubPosition = subPosition;
    m_Grid.m_Factor = 1U << level;
    m_Grid.Resize(rows, columns);
    m_SubGrid.Resize(rows, columns);
    DecodeInt16Block(block.Data(), cells, (level > 0 ? m_SubGrid : m_Grid).m_Cells.data());
}

bool QSpatialScan::DeliverToHandler(QDataPacketHandler* target) {
    if (m_DataForm <= 0 || target == nullptr) {
        return false;
    }
    QZeltSpatialHandOver record;
    record.m_Level = m_Level;
    record.m_SubPosition = m_SubPosition;
    record.m_PassFlag = m_PassFlag != 0 ? 1 : 0;
    record.m_Rows = m_SubGrid.m_Rows;
    record.m_Columns = m_SubGrid.m_Columns;
    const size_t cells = std::min<size_t>(m_SubGrid.m_Cells.size(), QZeltSpatialHandOver::kMaxCells);
    for (size_t k = 0; k < cells; ++k) {
        record.m_Values[k] = m_SubGrid.m_Cells[k];
    }
    target->ProcessZeltSpatialScanData(record);
    return true;
}

int16_t QSpatialScan::GetAmplitude(uint16_t row, uint16_t column) const {
    if (row >= m_Grid.m_Rows || column >= m_Grid.m_Columns) {
        return 0;
    }
    const int16_t level = m_Grid.Get(row, column);
    if (!QCorrectionData::IsSpatialCompensationOn()) {
        return level;
    }
    const float limit = m_CompensationLevel.value_or(QCorrectionData::GetSpatialCompensationThreshold());
    if (!(static_cast<float>(level) > limit)) {
        return level;
    }
    const double correction = std::trunc(m_CellCorrections[row * kFactorStride + column] * 10.0);
    return SaturateToInt16(level + correction, level);
}

void QSpatialScan::SetGridSize(uint16_t rows, uint16_t columns) {
    rows = std::min(rows, kMaxRows);
    columns = std::min(columns, kMaxColumns);
    m_Grid.Resize(rows, columns);
    m_SubGrid.Resize(rows, columns);
}

int16_t QSpatialScan::GetStoredAmplitude(uint16_t row, uint16_t column) const {
    return row < m_Grid.m_Rows && column < m_Grid.m_Columns ? m_Grid.Get(row, column) : int16_t{0};
}

void QSpatialScan::SetStoredAmplitude(uint16_t row, uint16_t column, int16_t level) {
    if (row < m_Grid.m_Rows && column < m_Grid.m_Columns) {
        m_Grid.Set(row, column, level);
    }
}

int16_t QSpatialScan::GetSubGridAmplitude(uint16_t row, uint16_t column) const {
    return row < m_SubGrid.m_Rows && column < m_SubGrid.m_Columns ? m_SubGrid.Get(row, column) : int16_t{0};
}

void QSpatialScan::SetSubGridAmplitude(uint16_t row, uint16_t column, int16_t level) {
    if (row < m_SubGrid.m_Rows && column < m_SubGrid.m_Columns) {
        m_SubGrid.Set(row, column, level);
    }
}

float QSpatialScan::GetCellCorrection(uint16_t row, uint16_t column) const {
    return row < kFactorStride && column < kFactorStride ? m_CellCorrections[row * kFactorStride + column]
                                                         : 0.0f;
}

void QSpatialScan::SetInterleavedResult(uint8_t blindSpot, uint8_t onePacket, uint16_t received,
                                        uint16_t expected, std::vector<QSpatialFloatPoint> points) {
    m_BlindSpot = blindSpot;
    m_OnePacket = onePacket;
    m_ReceivedPackets = received;
    m_ExpectedPackets = expected;
    m_FloatPoints = std::move(points);
}

void QSpatialScan::SetHeader(int8_t dataForm, int8_t level, uint8_t passFlag, uint16_t subPosition) {
    m_DataForm = dataForm;
    m_Level = std::clamp(level, kMinLevel, kMaxLevel);
    m_PassFlag = passFlag;
    m_SubPosition = subPosition;
    m_Grid.m_Factor = 1U << m_Level;
}

void QSpatialScan::MergeScan(int32_t mode, const QSpatialScan& incoming, const QProbeScanPattern& pattern) {
    if (mode != kMergeMaximumHold && mode != kMergeRunningAverage) {
        return;
    }
    // Interleaved records are assembled by the communication layer, never merged here.
    if (m_DataForm > 0 || incoming.m_DataForm > 0) {
        return;
    }
    if (!HasData()) {
        const QSpatialCellGrid copy = incoming.m_Grid; // incoming may be this record
        m_Grid.m_Rows = copy.m_Rows;
        m_Grid.m_Columns = copy.m_Columns;
        m_Grid.m_Cells = copy.m_Cells;
        m_SubGrid.Resize(copy.m_Rows, copy.m_Columns);
        if (mode == kMergeMaximumHold) {
            m_AverageCount = 1;
        }
        return;
    }
    const uint16_t rows = std::min({m_Grid.m_Rows, incoming.m_Grid.m_Rows, pattern.GetRows()});
    const uint16_t columns = std::min({m_Grid.m_Columns, incoming.m_Grid.m_Columns, pattern.GetColumns()});
    const int64_t n = m_AverageCount;
    for (uint16_t r = 0; r < rows; ++r) {
        for (uint16_t c = 0; c < columns; ++c) {
            if (!pattern.IsProbeOn(r, c)) {
                continue;
            }
            const int16_t in = incoming.m_Grid.Get(r, c);
            const int16_t own = m_Grid.Get(r, c);
            if (mode == kMergeMaximumHold) {
                if (in > own) {
                    m_Grid.Set(r, c, in);
                }
            } else {
                const double average = static_cast<double>(in + own * n) / static_cast<double>(n + 1);
                m_Grid.Set(r, c, SaturateToInt16(static_cast<float>(average)));
            }
        }
    }
    if (mode == kMergeMaximumHold) {
        m_AverageCount = 1;
    } else if (m_AverageCount < std::numeric_limits<int32_t>::max()) {
        ++m_AverageCount;
    }
}

namespace {

template <typename Level>
void SelectedRange(const QSpatialCellGrid& grid, const QProbeScanPattern& pattern, Level level,
                   float* minimum, float* maximum) {
    float low = 0.0f;
    float high = 0.0f;
    bool any = false;
    const uint16_t rows = std::min(grid.m_Rows, pattern.GetRows());
    const uint16_t columns = std::min(grid.m_Columns, pattern.GetColumns());
    for (uint16_t r = 0; r < rows; ++r) {
        for (uint16_t c = 0; c < columns; ++c) {
            if (!pattern.IsProbeOn(r, c)) {
                continue;
            }
            const float value = level(r, c);
            if (!any || value < low) {
                low = value;
            }
            if (!any || value > high) {
                high = value;
            }
            any = true;
        }
    }
    if (minimum != nullptr) {
        *minimum = low;
    }
    if (maximum != nullptr) {
        *maximum = high;
    }
}

} // namespace

void QSpatialScan::GetLevelRange(const QProbeScanPattern& pattern, float* minimum, float* maximum) const {
    SelectedRange(
        m_Grid, pattern, [this](uint16_t r, uint16_t c) { return GetAmplitude(r, c); }, minimum, maximum);
}

void QSpatialScan::GetStoredLevelRange(const QProbeScanPattern& pattern, float* minimum,
                                       float* maximum) const {
    SelectedRange(
        m_Grid, pattern, [this](uint16_t r, uint16_t c) { return m_Grid.Get(r, c); }, minimum, maximum);
}

void QSpatialScan::ApplyCorrectionFactors(const QProbeScanPattern& pattern) {
    std::array<bool, kFactorStride * kFactorStride> selected{};
    const uint16_t patternRows = std::min<uint16_t>(pattern.GetRows(), kFactorStride);
    const uint16_t patternColumns = std::min<uint16_t>(pattern.GetColumns(), kFactorStride);
    for (uint16_t r = 0; r < patternRows; ++r) {
        for (uint16_t c = 0; c < patternColumns; ++c) {
            selected[r * kFactorStride + c] = pattern.IsProbeOn(r, c);
        }
    }

    // The set is taken once and held: a reload by another thread cannot change it under the loop.
    QChosenCorrectionSet chosen = GetCorrectionData().TakeSetForCurrentScanHead();
    if (chosen.m_number == 0) {
        return;
    }
    const QCorrectionSet& store = *chosen.m_set;
    const std::span<const float> rowFrequencies = store.GetRowFrequencies();
    m_CorrectionSet = chosen.m_number;
    m_CorrectionBlock = std::move(chosen.m_set);
    m_CorrectionRowCount = store.GetRowCount();
    const float lowest = store.GetLowestFrequency();

    struct Cell {
        uint16_t m_Row;
        uint16_t m_Column;
        float m_Frequency;
        bool m_Done;
    };
    std::vector<Cell> cells;
    const uint16_t rows = m_Grid.m_Rows;
    const uint16_t columns = m_Grid.m_Columns;
    for (uint16_t r = 0; r < rows; ++r) {
        for (uint16_t c = 0; c < columns; ++c) {
            m_CellCorrections[r * kFactorStride + c] = 1.0f;
            const float f = GetFrequency(r, c);
            if (selected[r * kFactorStride + c] && f > lowest) {
                cells.push_back({r, c, f, false});
            }
        }
    }
    const auto factorOf = [&](const Cell& cell, int32_t lower, int32_t upper) {
        m_CellCorrections[cell.m_Row * kFactorStride + cell.m_Column] =
            store.GetFactorAt(store.GetCellIndex(cell.m_Row, cell.m_Column), lower, upper, cell.m_Frequency);
    };
    // Cells whose frequencies fall between the same two rows share one position look-up.
    for (Cell& first : cells) {
        if (first.m_Done) {
            continue;
        }
        const QCorrectionBracket bracket = store.FindPosition(first.m_Frequency);
        factorOf(first, bracket.m_lower, bracket.m_upper);
        first.m_Done = true;
        const bool bounded =
            bracket.m_lower >= 0 && static_cast<size_t>(bracket.m_upper) < rowFrequencies.size();
        if (!bounded) {
            continue;
        }
        const float from = rowFrequencies[bracket.m_lower];
        const float to = rowFrequencies[bracket.m_upper];
        for (Cell& other : cells) {
            if (!other.m_Done && other.m_Frequency >= from && other.m_Frequency <= to) {
                factorOf(other, bracket.m_lower, bracket.m_upper);
                other.m_Done = true;
            }
        }
    }
    m_Corrected = 1;
}

} // namespace orv
