#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"
#include "scandata/QSpatialScanInterface.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace orv {

class QCorrectionSet;

class QProbeScanPattern;

// A grid of 16-bit levels (tenths), row-major, with the interleave factor of the record in its
// first word. The cell array is reallocated only when the cell count changes.
struct QSpatialCellGrid {
    uint32_t m_Factor = 1;
    uint16_t m_Rows = 0;
    uint16_t m_Columns = 0;
    std::vector<int16_t> m_Cells;

    void Resize(uint16_t rows, uint16_t columns);
    int16_t Get(uint32_t row, uint32_t column) const { return m_Cells[row * m_Columns + column]; }
    void Set(uint32_t row, uint32_t column, int16_t level) { m_Cells[row * m_Columns + column] = level; }
};

// One fine cell of an interleaved spatial scan that the communication layer assembled: the coarse
// cell, the sub-position inside it and the amplitude (-10000.0 where nothing was measured).
struct QSpatialFloatPoint {
    int16_t m_Row = 0;
    int16_t m_Column = 0;
    int16_t m_SubRow = 0;
    int16_t m_SubColumn = 0;
    float m_Amplitude = 0.0F;
};

// One heat map as the engine delivers it: a level per probe cell at one frequency. The spatial
// container keeps one per node, merges further passes into it over the cells of the probe scan
// pattern and has it corrected per cell. An interleaved record (form byte above 0) carries part of a
// finer grid and is handed to the communication layer instead.
//
// Body: form, level (signed), pass flag, rows R, columns C, the engine's second grid size (rows,
// columns), sub-position, R x C 16-bit levels; 13 + 2 R C bytes. Levels above 0 put the cells into
// the sub-grid.
class QSpatialScan : public QDataPacket, public QSpatialScanInterface {
public:
    static constexpr int32_t kMergeMaximumHold = 0;
    static constexpr int32_t kMergeRunningAverage = 1;
    // The largest scan head grid; the factor table is laid out 64 x 64.
    static constexpr uint16_t kMaxRows = 64;
    static constexpr uint16_t kMaxColumns = 64;
    // Interleave levels accepted from a body: 2^level sub-cells per side. The engine's spatial
    // scans offer eight levels.
    static constexpr int8_t kMinLevel = 0;
    static constexpr int8_t kMaxLevel = 7;
    static constexpr uint32_t kFactorStride = 64;

    QSpatialScan() = default;

    void WriteBody(QDataWriter& writer) const override;
    // Refuses (Error#363) more than 64 rows or columns, a level outside 0-7, and an interleaved grid
    // of more cells than one hand-over holds; a short body throws the reader's exception. A failed
    // read leaves the record as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpatialScan; }
    uint32_t GetBodySize() const override;
    // An interleaved record hands its sub-grid to the target and answers true; others answer false.
    bool DeliverToHandler(QDataPacketHandler* target) override;

    uint16_t GetRowCount() const override { return m_Grid.m_Rows; }
    uint16_t GetColumnCount() const override { return m_Grid.m_Columns; }
    // The level, plus ten times the cell's factor while spatial compensation is on and the level lies
    // above the compensation level: the owning container's own level once it has set one (so that
    // one node's data never moves another's), else the application's spatial threshold. 0 outside
    // the grid.
    int16_t GetAmplitude(uint16_t row, uint16_t column) const override;
    float GetFrequency(uint16_t /*row*/, uint16_t /*column*/) const override { return m_Frequency; }

    bool HasData() const { return m_Grid.m_Rows != 0 && m_Grid.m_Columns != 0; }

    // Resizes both grids (at most 64 x 64: larger sizes are held to it); cell contents are not kept
    // when the cell count changes.
    void SetGridSize(uint16_t rows, uint16_t columns);
    // The stored level of a cell of the main grid, resp. the sub-grid; 0 outside.
    int16_t GetStoredAmplitude(uint16_t row, uint16_t column) const;
    void SetStoredAmplitude(uint16_t row, uint16_t column, int16_t level);
    int16_t GetSubGridAmplitude(uint16_t row, uint16_t column) const;
    void SetSubGridAmplitude(uint16_t row, uint16_t column, int16_t level);

    // Over the cells that the pattern selects (bit 0) and both grids hold: mode 0 keeps the higher
    // level, mode 1 averages. An empty record takes the incoming grid. Interleaved records are not
    // merged.
    void MergeScan(int32_t mode, const QSpatialScan& incoming, const QProbeScanPattern& pattern);

    // Lowest and highest level over the selected cells (corrected, resp. as stored); 0.0 and 0.0
    // when none is selected. Either output may be null.
    void GetLevelRange(const QProbeScanPattern& pattern, float* minimum, float* maximum) const;
    void GetStoredLevelRange(const QProbeScanPattern& pattern, float* minimum, float* maximum) const;

    // Computes the factor of every selected cell from the correction set of the current scan head,
    // grouping cells whose frequencies share a pair of rows. Nothing changes without a set.
    void ApplyCorrectionFactors(const QProbeScanPattern& pattern);

    int8_t GetDataForm() const { return m_DataForm; }
    int8_t GetLevel() const { return m_Level; }
    uint16_t GetSubPosition() const { return m_SubPosition; }
    uint8_t GetPassFlag() const { return m_PassFlag; }
    uint32_t GetGridFactor() const { return m_Grid.m_Factor; }
    uint16_t GetSecondGridRows() const { return m_SecondGridRows; }
    uint16_t GetSecondGridColumns() const { return m_SecondGridColumns; }
    int32_t GetAverageCount() const { return m_AverageCount; }
    bool IsCorrected() const { return m_Corrected != 0; }
    // The comparison containers mark a record they had corrected, also when no set applied, so
    // that it is corrected once and not again at every call.
    void SetCorrected() { m_Corrected = 1; }
    int32_t GetCorrectionSet() const { return m_CorrectionSet; }
    int32_t GetCorrectionRowCount() const { return m_CorrectionRowCount; }
    // The correction set the factors were taken from (held, so a reload of the store leaves it
    // whole); null before a correction.
    const std::shared_ptr<const QCorrectionSet>& GetCorrectionBlock() const { return m_CorrectionBlock; }
    // The factor of a cell (row x 64 + column); 0.0 outside the 64 x 64 table.
    float GetCellCorrection(uint16_t row, uint16_t column) const;
    const QSpatialCellGrid& GetGrid() const { return m_Grid; }
    const QSpatialCellGrid& GetSubGrid() const { return m_SubGrid; }

    void SetHeader(int8_t dataForm, int8_t level, uint8_t passFlag, uint16_t subPosition);

    // What an assembled interleaved scan carries in memory (none of it is written in the body): the
    // blind-spot byte, whether the scan was one packet, the packets received and expected, and
    // every fine cell of the probed cells in row, column, sub-row, sub-column order.
    void SetInterleavedResult(uint8_t blindSpot, uint8_t onePacket, uint16_t received, uint16_t expected,
                              std::vector<QSpatialFloatPoint> points);
    uint8_t GetBlindSpot() const { return m_BlindSpot; }
    uint8_t GetOnePacket() const { return m_OnePacket; }
    uint16_t GetReceivedPackets() const { return m_ReceivedPackets; }
    uint16_t GetExpectedPackets() const { return m_ExpectedPackets; }
    const std::vector<QSpatialFloatPoint>& GetFloatPoints() const { return m_FloatPoints; }
    float GetLowLevel() const { return m_LowLevel; }
    void SetLowLevel(float level) { m_LowLevel = level; }
    float GetScanFrequency() const { return m_Frequency; }
    void SetCompensationLevel(float level) { m_CompensationLevel = level; }
    void SetFrequency(float frequency) { m_Frequency = frequency; }

private:
    // The grid that the body's cells belong to.
    const QSpatialCellGrid& BodyGrid() const { return m_Level > 0 ? m_SubGrid : m_Grid; }

    int8_t m_DataForm = 0;
    int8_t m_Level = 0;
    uint16_t m_SubPosition = 0;
    uint8_t m_PassFlag = 0;
    QSpatialCellGrid m_Grid;
    QSpatialCellGrid m_SubGrid;
    uint16_t m_SecondGridRows = 0;
    uint16_t m_SecondGridColumns = 0;
    int32_t m_AverageCount = 1;
    uint8_t m_Corrected = 0;
    int32_t m_CorrectionSet = 0;
    int32_t m_CorrectionRowCount = 0;
    std::array<float, kFactorStride * kFactorStride> m_CellCorrections{};
    std::shared_ptr<const QCorrectionSet> m_CorrectionBlock;
    float m_LowLevel = 0.0f;
    float m_Frequency = 0.0f;
    std::optional<float> m_CompensationLevel;
    uint8_t m_BlindSpot = 0;
    uint8_t m_OnePacket = 0;
    uint16_t m_ReceivedPackets = 0;
    uint16_t m_ExpectedPackets = 0;
    std::vector<QSpatialFloatPoint> m_FloatPoints;
};

} // namespace orv
