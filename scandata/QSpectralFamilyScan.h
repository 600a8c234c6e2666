#pragma once

#include "core/QPacket.h"
#include "scandata/QSpectralPoint.h"
#include "scandata/QSpectralScanInterface.h"

#include <cstdint>
#include <vector>

namespace orv {

class QMeasuredFrequencyData;
class QSpectralScan;

// The common part of the spectra that the ambient, far-field, antenna-position and cable-clamp
// nodes keep: points of the spectral record's form, copied from a received spectral record and
// merged by maximum hold. The kinds differ in how they show a level.
//
// Body: 32-bit N, N x (16-bit signed level, 16-bit row, 16-bit column); 4 + 6N bytes.
class QSpectralFamilyScan : public QDataPacket, public QSpectralScanInterface {
public:
    static constexpr int32_t kMergeMaximumHold = 0;

    void WriteBody(QDataWriter& writer) const override;
    // A count beyond the bytes that remain throws before anything is allocated; a failed read
    // leaves the record as it was.
    void ReadBody(QDataReader& reader) override;
    uint32_t GetBodySize() const override { return 4 + 6 * m_PointCount; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

    // Out-of-range indexes change nothing.
    virtual void SetAmplitude(uint32_t index, int16_t amplitude);
    virtual void SetPointWord1(uint32_t index, uint16_t row);
    virtual void SetPointWord2(uint32_t index, uint16_t column);
    virtual bool HasData() const { return m_PointCount > 0; }

    // Out-of-range indexes read as 0.
    uint32_t GetPointCount() const override { return m_PointCount; }
    uint16_t GetPointWord1(uint32_t index) const override;
    uint16_t GetPointWord2(uint32_t index) const override;
    float GetFrequency(uint32_t index) const override;

    // N zeroed points (and factors 0.0 for the kinds that keep them) and no correction in force.
    void SetPointCount(uint32_t count);

    // Mode 0 only: an empty record takes the incoming points; otherwise each point takes the
    // incoming level as that record shows it when it is higher than the stored one (the cell stays).
    // Only the points both records hold are merged.
    void MergeScan(int32_t mode, const QSpectralFamilyScan& incoming);

    int16_t GetStoredAmplitude(uint32_t index) const override {
        return index < m_PointCount ? m_Points[index].m_Amplitude : int16_t{0};
    }
    const std::vector<QSpectralPoint>& GetPoints() const { return m_Points; }
    float GetCorrection(uint32_t index) const {
        return index < m_Corrections.size() ? m_Corrections[index] : 0.0f;
    }
    int16_t GetNoiseFloor() const { return m_NoiseFloor; }
    bool IsCorrected() const { return m_Corrected != 0; }
    int32_t GetCorrectionSet() const { return m_CorrectionSet; }
    int32_t GetCorrectionRowCount() const { return m_CorrectionRowCount; }
    int32_t GetPastLastRow() const { return m_PastLastRow; }
    float GetThreshold() const { return m_Threshold; }

    void SetFrequencyRange(float start, float stop) {
        m_StartFrequency = start;
        m_StopFrequency = stop;
    }
    float GetStartFrequency() const { return m_StartFrequency; }
    float GetStopFrequency() const { return m_StopFrequency; }
    // Not owned; must outlive the record or be reset.
    void SetMeasuredFrequencies(const QMeasuredFrequencyData* table) { m_MeasuredFrequencies = table; }
    const QMeasuredFrequencyData* GetMeasuredFrequencies() const { return m_MeasuredFrequencies; }

protected:
    QSpectralFamilyScan(uint32_t count, bool keepsCorrections);

    // N = the source's point count; every level, and the cells when asked, as the source stores them.
    void CopyPointsFrom(const QSpectralScan& source, bool withCells);

    int16_t m_NoiseFloor = 0;
    uint8_t m_Corrected = 0;
    int32_t m_PastLastRow = -1;
    int32_t m_CorrectionSet = 0;
    int32_t m_CorrectionRowCount = 21;
    uint32_t m_PointCount = 0;
    std::vector<QSpectralPoint> m_Points;
    std::vector<float> m_Corrections; // empty for the kinds without factors
    float m_Threshold = 5.0f;
    const QMeasuredFrequencyData* m_MeasuredFrequencies = nullptr;
    float m_StartFrequency = 0.0f;
    float m_StopFrequency = 0.0f;

private:
    bool m_KeepsCorrections = true;
};

} // namespace orv
