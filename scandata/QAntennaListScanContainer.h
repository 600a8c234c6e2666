#pragma once

#include "scandata/QGeneralModuleScan.h"
#include "scandata/QScanContainer.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace orv {

// The antenna and range module containers: one general module record, four stored levels and
// several lists of small fixed-width records (32-bit values) that the scan workflow fills and the
// antenna views read. The containers keep and store the values unchanged.
//
// Stored body: the four 16-bit levels (raw low, raw high, compensated low, compensated high), the
// point count for the kinds that store it, each list as a 32-bit record count and its records, and
// the trailer byte.
class QAntennaListScanContainer : public QScanContainer {
public:
    ~QAntennaListScanContainer() override;

    void WriteBody(QDataWriter& writer) const override;
    // Every list is replaced by what the body holds, also by nothing. Counts are checked against the
    // bytes left before anything is allocated; a failed read leaves the container as it was.
    void ReadBody(QDataReader& reader) override;
    // The bytes WriteBody writes.
    uint32_t GetBodySize() const override;

    bool IsStale() const override { return !HasScanData() || m_HasNewData != 0; }
    bool IsUpdated() const override { return m_Updated != 0; }
    void ClearUpdated() override { m_Updated = 0; }
    // Without a frequency-point selection: the compensated pair while spectral compensation is on,
    // else the raw pair. With one nothing is written.
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    const QSpectralScanInterface* GetSpectralScan() override { return m_ModuleScan.get(); }
    // Starts with an empty module record (never none), so that a save right after the start works.
    void StartNewScan() override;
    // The lists and the record are filled by the scan workflow, never from a transport container.
    void AddScanData(QTransportContainer& /*transport*/, bool /*mergeMaximum*/,
                     bool /*mergeAverage*/) override {}
    void ClearScanData() override;
    void MarkPending() { m_HasNewData = 1; }

    size_t GetListCount() const { return m_Lists.size(); }
    // Values per record of a list.
    uint32_t GetRecordWidth(size_t list) const { return m_Widths.at(list); }
    size_t GetRecordCount(size_t list) const { return m_Lists.at(list).size() / m_Widths.at(list); }
    // The values of record `index` of a list.
    std::span<const uint32_t> GetRecord(size_t list, size_t index) const;
    // Appends one record; false (and nothing appended) when the value count is not the list's width.
    bool AppendRecord(size_t list, std::span<const uint32_t> values);
    void ClearList(size_t list) { m_Lists.at(list).clear(); }

    void SetLevels(int16_t rawLow, int16_t rawHigh, int16_t compensatedLow, int16_t compensatedHigh);
    uint32_t GetPointCount() const { return m_PointCount; }
    void SetPointCount(uint32_t count) { m_PointCount = count; }
    uint8_t GetTrailerFlag() const { return m_TrailerFlag; }
    void SetTrailerFlag(uint8_t flag) { m_TrailerFlag = flag; }
    QGeneralModuleScan& GetModuleScan() { return *m_ModuleScan; }
    void SetModuleScan(std::unique_ptr<QGeneralModuleScan> record);
    std::vector<uint32_t>& GetValueArray() { return m_Values; }

protected:
    // The values per record of each list in stored order, and whether the point count is stored.
    QAntennaListScanContainer(std::vector<uint32_t> widths, bool storesPointCount);

private:
    uint8_t m_HasNewData = 0;
    uint8_t m_Updated = 0;
    int16_t m_RawLow = 0;
    int16_t m_CompensatedLow = 0;
    int16_t m_RawHigh = 1;
    int16_t m_CompensatedHigh = 0;
    uint32_t m_PointCount = 0;
    uint32_t m_SecondValue = 0;
    std::vector<uint32_t> m_Values;
    uint8_t m_TrailerFlag = 0;
    std::vector<uint32_t> m_Widths;
    bool m_StoresPointCount;
    std::vector<std::vector<uint32_t>> m_Lists; // each the records' values one after another
    std::unique_ptr<QGeneralModuleScan> m_ModuleScan;
};

} // namespace orv
