#pragma once

#include "core/TypeIds.h"
#include "scandata/QSimpleScanContainer.h"
#include "scandata/QSpatialScan.h"

#include <memory>

namespace orv {

// The container of a spatial scan node: one heat map. Records replace it until a complete one is
// held; later passes are then merged into it over the probe pattern's cells when a merge is asked.
//
// Stored body: the stored level range (two 32-bit floats), computed again from the data after
// reading. The heat map itself travels in the node's scan file.
//
// The level above which cells are shown compensated belongs to this container (its lowest stored
// level plus ten times its mediator's threshold): one node's data never moves another's.
class QSpatialScanContainer : public QSimpleScanContainer {
public:
    QSpatialScanContainer();
    ~QSpatialScanContainer() override;

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpatialScanContainer; }
    uint32_t GetBodySize() const override { return 8; }

    bool IsStale() const override { return !HasScanData() || m_HasNewData != 0; }
    bool IsUpdated() const override { return m_Updated != 0; }
    void ClearUpdated() override { m_Updated = 0; }
    // Over the cells that the pattern marks active, as shown (compensated with this container's
    // level while spatial compensation is on).
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    const QSpatialScanInterface* GetSpatialScan() override { return m_SpatialScan.get(); }
    void StartNewScan() override;
    void AddScanData(QTransportContainer& transport, bool mergeMaximum, bool mergeAverage) override;
    void ClearScanData() override;
    void MarkPending() override { m_HasNewData = 1; }
    QDataPacket* GetScanPacket() override { return m_SpatialScan.get(); }

    // Computes the stored range (raw levels over the active cells) when it is 0 and 0, then hands
    // it out; either output may be null.
    void UpdateStoredRange(float* low, float* high);
    // The level (tenths) above which this container's cells are shown compensated.
    float GetSpatialCompensationLevel() const { return m_CompensationLevel; }
    bool IsComplete() const { return m_Complete != 0; }
    // Recomputes the heat map's correction factors for the scan head named in the description
    // (which becomes the application's current scan head), over a copy of the probe pattern.
    void ReprocessSpatialScan();

    QSpatialScan& GetSpatialScanRecord() { return *m_SpatialScan; }
    // Project storage puts the heat map read from the scan file in place; its stored range and
    // compensation level are computed from it.
    void SetSpatialScanRecord(std::unique_ptr<QSpatialScan> record);

private:
    // Computes the stored range of the held heat map again, and from it the compensation level,
    // which the record is handed too.
    void TakeCompensationLevelFromRecord();
    int16_t ShownLevel(uint16_t row, uint16_t column) const;

    uint8_t m_HasNewData = 0;
    uint8_t m_Updated = 0;
    float m_DisplayLow = 100.0F;
    float m_DisplayHigh = 1000.0F;
    float m_StoredLow = 100.0F;
    float m_StoredHigh = 1000.0F;
    std::unique_ptr<QSpatialScan> m_SpatialScan;
    uint8_t m_Complete = 0;
    float m_CompensationLevel = 0.0F;
};

} // namespace orv
