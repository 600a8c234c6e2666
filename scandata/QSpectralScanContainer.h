#pragma once

#include "core/TypeIds.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSimpleScanContainer.h"
#include "scandata/QSpectralScan.h"

#include <memory>

namespace orv {

// The container of a spectral scan node: one spectrum, into which the records of a run are merged
// (maximum hold or running average) once it holds data, or which each record replaces.
//
// Stored body: the stored level range (two 32-bit floats). The range read back is not the stored
// range: that is computed again from the spectrum on first use. While the container holds no
// spectrum to compute it from (a loaded project lists its scans with the node, not here), the body
// is written back with the range it was read with. The spectrum itself travels in the node's scan
// file.
class QSpectralScanContainer : public QSimpleScanContainer {
public:
    QSpectralScanContainer();
    ~QSpectralScanContainer() override;

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpectralScanContainer; }
    uint32_t GetBodySize() const override { return 8; }

    bool IsStale() const override { return !HasScanData() || m_HasNewData != 0; }
    bool IsUpdated() const override { return m_Updated != 0; }
    void ClearUpdated() override { m_Updated = 0; }
    // While spectral compensation is on and the spectrum is not corrected yet, the previous range
    // is returned and the range stays stale.
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    const QSpectralScanInterface* GetSpectralScan() override { return m_SpectralScan.get(); }
    void StartNewScan() override;
    void AddScanData(QTransportContainer& transport, bool mergeMaximum, bool mergeAverage) override;
    void ClearScanData() override;
    void MarkPending() override { m_HasNewData = 1; }
    QDataPacket* GetScanPacket() override { return m_SpectralScan.get(); }

    QSpectralScan& GetSpectralScanRecord() { return *m_SpectralScan; }
    // Project storage puts the spectrum read from the scan file in place.
    void SetSpectralScanRecord(std::unique_ptr<QSpectralScan> record);
    void GetStoredRange(float* low, float* high) const;

private:
    void ForgetReadRange();

    QMeasuredFrequencyData m_SweepFrequencies;
    uint8_t m_HasNewData = 0;
    uint8_t m_Updated = 0;
    float m_DisplayLow = 100.0F;
    float m_DisplayHigh = 1000.0F;
    float m_StoredLow = 100.0F;
    float m_StoredHigh = 1000.0F;
    // The range the body was read with; forgotten once the spectrum changes.
    float m_ReadLow = 0.0F;
    float m_ReadHigh = 0.0F;
    std::unique_ptr<QSpectralScan> m_SpectralScan;
};

} // namespace orv
