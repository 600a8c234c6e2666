#pragma once

#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "scandata/QScanContainer.h"
#include "scandata/QSpectralSpatialScanComponent.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace orv {

// The last spectrum received for one cell of a spectral/spatial scan.
struct QSSCellRecord {
    uint16_t m_Row = 0;
    uint16_t m_Column = 0;
    std::vector<int16_t> m_Amplitudes; // tenths; the point count is its size
};

// The container of a spectral/spatial node: one spectrum per probe cell, kept per cell, and from
// them a spectral picture (the spectra) and a spatial picture (the peak level of each cell and the
// frequency of that peak). The first record of a scan sets the geometry from the set-up command.
//
// Records for cells outside the set-up grid are dropped; records whose point count differs from the
// scan's are refused. Both show "Error#363" once per container (ClearScanData re-arms it); the box
// waits until the thread holds no node lock (QDeferredPrompts), since records arrive under the
// node's lock on the scan thread.
//
// Stored body: level range, point count, record size, set-up range and value, the pattern's body.
// The cell records and the pictures travel in the node's scan file.
class QSpectralSpatialScanContainer : public QScanContainer {
public:
    static constexpr const char* kCorruptText =
        "Error#363: Unexpected value detected. The data for this scan may be corrupted.";
    static constexpr const char* kCorruptCaption = "Spectral Spatial Scan Error";

    QSpectralSpatialScanContainer();
    ~QSpectralSpatialScanContainer() override;

    void WriteBody(QDataWriter& writer) const override;
    // A failed read leaves the container as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpectralSpatialScanContainer; }
    uint32_t GetBodySize() const override;
    // The body is the same for the hand-held kind.
    std::unique_ptr<QScanContainer> CreateBodyScratch() const override {
        return std::make_unique<QSpectralSpatialScanContainer>();
    }

    bool IsStale() const override { return !HasScanData() || m_StaleMarker != 0; }
    bool IsUpdated() const override { return m_Updated != 0; }
    void ClearUpdated() override { m_Updated = 0; }
    // For the view that the correction database's mode flag names.
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    // The same for the named view: the spectral view's range follows the spectral compensation
    // switch, the spatial view's the spatial one. Callers that know their view pass it here rather
    // than setting the application-wide mode flag.
    void GetLevelRangeForView(bool spectralView, float* low, float* high,
                              const QProbeScanPattern* pattern = nullptr,
                              const QFrequencyBucketList* selection = nullptr);
    const QSpectralScanInterface* GetSpectralScan() override { return m_CellSpectrum.get(); }
    const QSpatialScanInterface* GetSpatialScan() override { return m_PeakMap.get(); }
    // Maximum hold over the spectra of the given cells.
    const QSpectralScanInterface* GetSpectralScanForCells(const QProbeScanPattern& cells) override;
    // Per cell the highest level among the selected points, with its frequency.
    const QSpatialScanInterface* GetSpatialScanForCells(const QFrequencyBucketList& selection) override;
    const QProbeScanPattern& GetProbeScanPattern() const override { return *m_ProbeScanPattern; }
    void StartNewScan() override {}
    void AddScanData(QTransportContainer& transport, bool mergeMaximum, bool mergeAverage) override;
    // Drops everything of the last run: pictures, results, cell records and ranges.
    void ClearScanData() override;

    // Estimates the noise floor of the cell spectrum and hands it to the results and both maps.
    int16_t UpdateNoiseFloor();
    // Fills the path of the container's scan file in the temp folder on first use (Error#328 when no
    // file can be made there).
    const std::string& GetTempFilePath();

    void SetSetupRange(float start, float stop) {
        m_StartFrequency = start;
        m_StopFrequency = stop;
    }
    void SetSetupValue(float value) { m_SetupValue = value; }
    // 0: no compensation; 1-3: the correction set whose factors apply.
    void SetCorrectionSet(int32_t set) { m_CorrectionSet = set; }
    float GetThreshold() const { return m_Threshold; }

    int16_t GetMinLevel() const { return m_MinLevel; }
    int16_t GetMaxLevel() const { return m_MaxLevel; }
    uint32_t GetPointCount() const { return m_PointCount; }
    uint32_t GetRecordSize() const { return m_RecordSize; }
    uint32_t GetGridRows() const { return m_GridRows; }
    uint32_t GetGridColumns() const { return m_GridColumns; }
    uint32_t GetExpectedRecords() const { return m_ExpectedRecords; }
    uint32_t GetReceivedRecords() const { return m_ReceivedRecords; }
    uint32_t GetDroppedRecords() const { return m_DroppedRecords; }
    bool IsCorruptionReported() const { return m_ReportedCorrupt != 0; }
    const QSSSpatialSnapshot& GetPeakMap() const { return *m_PeakMap; }
    const QSSSpectralSnapshot& GetCellSpectrum() const { return *m_CellSpectrum; }
    const QSSSpectralSnapshot* GetCurrentSpectrum() const { return m_CurrentSpectrum.get(); }
    const QDataPacket* GetLastRecord() const { return m_LastRecord.get(); }
    // The cell records; project storage fills them when it loads the scan file.
    const QSSCellRecord* GetCellRecord(uint32_t row, uint32_t column) const;
    void SetCellRecord(uint32_t row, uint32_t column, std::unique_ptr<QSSCellRecord> record);
    // After the cell records were loaded: marks their cells in the pattern and rebuilds the peak map
    // (each cell's peak level and the frequency of its first peak) and the cell spectrum (the
    // spectra of the cells in row-major order, the last one standing) from them. The set-up command
    // is not stored, so the frequencies come from the stored set-up range. Records that fail the
    // record check are left out. Answers the number of cells taken.
    uint32_t RebuildFromCellRecords();
    // The compensated ranges handed to the spectral and spatial views.
    void GetSpectralViewRange(int16_t* low, int16_t* high) const;
    void GetSpatialViewRange(int16_t* low, int16_t* high) const;

protected:
    // One received spectrum, whatever record kind brought it.
    struct Incoming {
        uint16_t row = 0;
        uint16_t column = 0;
        const std::vector<int16_t>* amplitudes = nullptr;
        int8_t dataForm = 0;
        uint32_t bodySize = 0;
        // A component the communication layer reassembled: its block's head and its point count.
        bool hasBlock = false;
        std::array<uint16_t, 4> blockPosition{};
        uint32_t blockPoints = 0;
    };
    enum class IngestResult { Refused, Taken, TakenWithPosition };
    // Takes the spectrum in. A multi-level record answers TakenWithPosition with the position to
    // store in it (row, column, sub-row, sub-column).
    IngestResult Ingest(const Incoming& incoming, std::array<uint16_t, 4>& position);
    // Counts a taken record and keeps it as the last one.
    void KeepLastRecord(std::unique_ptr<QDataPacket> record);
    // Ingests a received record of either kind, stores the position in a multi-level one, and keeps
    // it as the last record unless it was refused.
    template <typename Record> void TakeRecord(std::unique_ptr<Record> record) {
        std::array<uint16_t, 4> position{};
        Incoming incoming{record->GetRow(), record->GetColumn(), &record->GetAmplitudes(),
                          record->GetDataForm(), record->GetBodySize()};
        if constexpr (std::is_same_v<Record, QSpectralSpatialScanComponent>) {
            if (record->HasInterleavedBlock()) {
                incoming.hasBlock = true;
                incoming.blockPosition = record->GetBlockPosition();
                incoming.blockPoints = record->GetBlockPointCount();
            }
        }
        const IngestResult result = Ingest(incoming, position);
        if (result == IngestResult::Refused) {
            return;
        }
        if (result == IngestResult::TakenWithPosition) {
            record->SetPosition(position[0], position[1], position[2], position[3]);
        }
        KeepLastRecord(std::move(record));
    }

private:
    void ResizeCellGrid(uint32_t rows, uint32_t columns);
    void MakeGeometry(uint32_t rows, uint32_t columns, uint32_t points, bool withResults);
    float PeakFrequency(uint32_t index) const;
    // The record of a marked cell passes when it sits where it is kept and has the scan's point
    // count; the first failure shows the box.
    bool CheckRecord(const QSSCellRecord& record, uint32_t row, uint32_t column);
    void ReportCorrupt();
    static bool ApplicableSwitchOn(bool spectralMode);

    uint32_t m_ExpectedRecords = 0;
    uint32_t m_ReceivedRecords = 0;
    std::unique_ptr<QSSSpectralSnapshot> m_CurrentSpectrum;
    std::unique_ptr<QDataPacket> m_LastRecord;
    QMeasuredFrequencyData m_EmbeddedFrequencies;
    std::string m_TempFilePath;
    uint32_t m_GridRows = 0;
    uint32_t m_GridColumns = 0;
    std::vector<std::unique_ptr<QSSCellRecord>> m_CellRecords;
    uint8_t m_ReportedCorrupt = 0;
    uint8_t m_Updated = 0;
    int16_t m_MinLevel = 0;
    int16_t m_MaxLevel = 0;
    int16_t m_CompensatedMinLevel = 0;
    int16_t m_CompensatedMaxLevel = 0;
    uint32_t m_PointCount = 0;
    uint32_t m_RecordSize = 0;
    float m_StartFrequency = 10.0F;
    float m_StopFrequency = 100.0F;
    float m_SetupValue = 0.1F;
    std::unique_ptr<QProbeScanPattern> m_ProbeScanPattern;
    std::unique_ptr<QSSSpatialSnapshot> m_PeakMap;
    std::unique_ptr<QSSSpatialSnapshot> m_SpatialResult;
    std::unique_ptr<QSSSpectralSnapshot> m_CellSpectrum;
    std::unique_ptr<QSSSpectralSnapshot> m_SpectralResult;
    uint32_t m_StaleMarker = 0;
    int32_t m_CorrectionSet = 0;
    float m_Threshold = 5.0F;
    int16_t m_SpectralViewRange[2] = {0, 0};
    int16_t m_SpatialViewRange[2] = {0, 0};
    uint32_t m_DroppedRecords = 0;
};

// The same container for the scans of the hand-held probe, fed by hand-held probe records.
class QHandHeldProbeScanContainer : public QSpectralSpatialScanContainer {
public:
    uint16_t GetTypeID() const override { return kTypeHandHeldProbeScanContainer; }
    void AddScanData(QTransportContainer& transport, bool mergeMaximum, bool mergeAverage) override;
};

} // namespace orv
