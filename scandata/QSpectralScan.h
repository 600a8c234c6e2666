#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"
#include "scandata/QSpectralPoint.h"
#include "scandata/QSpectralScanInterface.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

class QCorrectionSet;

class QMeasuredFrequencyData;
class QScanHeadInfo;

// One spectrum as the engine delivers it: per point a level in tenths and the cell where it was
// found. The spectral containers keep one per node, merge later records into it (maximum hold or
// running average) and have it corrected with the correction database.
//
// Body: form byte, two header bytes, 32-bit point count N, then the points. Form byte 0 or less:
// N x (16-bit signed level, 16-bit row, 16-bit column), 7 + 6N bytes. Form byte above 0 (the
// real-time analyser's records): N x (32-bit float level in tenths, row, column, sub-row,
// sub-column), 7 + 12N bytes; those records are kept byte for byte and written back unchanged,
// while the 16-bit points hold each level clamped to +-10000 and truncated, so that every reader of
// the points works on either form.
class QSpectralScan : public QDataPacket, public QSpectralScanInterface {
public:
    static constexpr int32_t kMergeMaximumHold = 0;
    static constexpr int32_t kMergeRunningAverage = 1;
    static constexpr uint32_t kWidePointBytes = 12;
    static constexpr float kWideLevelLimit = 10000.0F;

    QSpectralScan() = default;

    void WriteBody(QDataWriter& writer) const override;
    // A count beyond the bytes that remain throws; a failed read leaves the record as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpectralScan; }
    uint32_t GetBodySize() const override {
        return 7 + (HasWideRecords() ? kWidePointBytes : 6) * m_PointCount;
    }
    // A spectrum goes to the scan worker, not to the display hand-over.
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

    // Out-of-range indexes change nothing. On the wide form the point's record follows (its level
    // becomes the 16-bit level).
    virtual void SetAmplitude(uint32_t index, int16_t amplitude);
    virtual void SetPointWord1(uint32_t index, uint16_t row);
    virtual void SetPointWord2(uint32_t index, uint16_t column);
    virtual bool HasData() const { return m_PointCount > 0; }

    // Out-of-range indexes read as 0.
    uint32_t GetPointCount() const override { return m_PointCount; }
    // The level, corrected by the point's factor while spectral compensation is on and the level
    // lies above the threshold over the noise floor.
    int16_t GetAmplitude(uint32_t index) const override;
    uint16_t GetPointWord1(uint32_t index) const override;
    uint16_t GetPointWord2(uint32_t index) const override;
    float GetFrequency(uint32_t index) const override;

    // N zeroed points (and zeroed wide records on the wide form), factors 0.0, peak levels -10000.0,
    // and no correction in force.
    void SetPointCount(uint32_t count);

    // Mode 0 keeps per point the higher level with its cell; mode 1 averages the levels while the
    // cell follows the highest level seen. Only the points both records hold are merged; on the wide
    // form the float levels are compared and averaged and a point's whole record goes with its
    // cell. Records of the two forms cannot be merged: the incoming one is taken instead.
    void MergeScan(int32_t mode, const QSpectralScan& incoming);

    // Lowest and highest level (corrected, resp. as stored); 0.0 and 0.0 without points. Either
    // output may be null.
    void GetLevelRange(float* minimum, float* maximum) const;
    void GetStoredLevelRange(float* minimum, float* maximum) const;

    // The mean of the levels below mean + 2 deviations; stored and returned (0 and not stored
    // without points).
    int16_t EstimateNoiseFloor();

    // Computes the per-point factors of the correction set of the current scan head for a trace
    // from start to stop. Without a list file or a set nothing is corrected (the set becomes 0).
    void ApplyCorrectionFactors(float startFrequency, float stopFrequency, const QScanHeadInfo& scanHead);

    bool IsCorrected() const { return m_Corrected != 0; }
    // The comparison containers mark a record they had corrected, also when no set applied, so
    // that it is corrected once and not again at every call.
    void SetCorrected() { m_Corrected = 1; }
    uint32_t GetNumberOfPoints() const { return m_PointCount; }
    int8_t GetDataForm() const { return m_DataForm; }
    // The real-time analyser's 12-byte records, as received (empty on the 6-byte form).
    bool HasWideRecords() const { return m_DataForm > 0; }
    const std::vector<uint8_t>& GetWideRecords() const { return m_WideRecords; }
    uint8_t GetHeaderByte2() const { return m_HeaderByte2; }
    uint8_t GetHeaderByte3() const { return m_HeaderByte3; }
    int32_t GetAverageCount() const { return m_AverageCount; }
    int16_t GetNoiseFloor() const { return m_NoiseFloor; }
    float GetThreshold() const { return m_Threshold; }
    int32_t GetCorrectionSet() const { return m_CorrectionSet; }
    int32_t GetCorrectionRowCount() const { return m_CorrectionRowCount; }
    int32_t GetPastLastRow() const { return m_PastLastRow; }
    // The correction set the factors were taken from (held, so a reload of the store leaves it
    // whole); null before a correction.
    const std::shared_ptr<const QCorrectionSet>& GetCorrectionBlock() const { return m_CorrectionBlock; }
    float GetCorrection(uint32_t index) const { return index < m_PointCount ? m_Corrections[index] : 0.0f; }
    float GetPeakAmplitude(uint32_t index) const {
        return index < m_PointCount ? m_PeakAmplitudes[index] : 0.0f;
    }
    int16_t GetStoredAmplitude(uint32_t index) const override {
        return index < m_PointCount ? m_Points[index].m_Amplitude : int16_t{0};
    }
    const std::vector<QSpectralPoint>& GetPoints() const { return m_Points; }

    void SetFrequencyRange(float start, float stop) {
        m_StartFrequency = start;
        m_StopFrequency = stop;
    }
    float GetStartFrequency() const { return m_StartFrequency; }
    float GetStopFrequency() const { return m_StopFrequency; }
    // Not owned; must outlive the record or be reset.
    void SetMeasuredFrequencies(const QMeasuredFrequencyData* table) { m_MeasuredFrequencies = table; }
    const QMeasuredFrequencyData* GetMeasuredFrequencies() const { return m_MeasuredFrequencies; }

private:
    // Reserving first means that resetting cannot fail half-way.
    void ReserveArrays(uint32_t count);
    void ResetArrays(uint32_t count);
    // Takes the incoming record's form, points and wide records; nothing merged.
    void AdoptPoints(const QSpectralScan& incoming);
    // The 16-bit points of the wide records.
    void DecodeWidePoints();
    void MergeWide(int32_t mode, const QSpectralScan& incoming, uint32_t shared);
    float WideLevel(uint32_t index) const;
    void SetWideLevel(uint32_t index, float level);
    void SetWideWord(uint32_t index, uint32_t word, uint16_t value);

    int8_t m_DataForm = 0;
    uint8_t m_HeaderByte2 = 0;
    uint8_t m_HeaderByte3 = 0;
    int32_t m_AverageCount = 1;
    std::vector<float> m_PeakAmplitudes;
    int16_t m_NoiseFloor = 0;
    uint8_t m_Corrected = 0;
    int32_t m_PastLastRow = -1;
    std::shared_ptr<const QCorrectionSet> m_CorrectionBlock;
    int32_t m_CorrectionSet = 0;
    int32_t m_CorrectionRowCount = 21;
    uint32_t m_PointCount = 0;
    std::vector<QSpectralPoint> m_Points;
    std::vector<uint8_t> m_WideRecords;
    std::vector<float> m_Corrections;
    float m_Threshold = 5.0f;
    const QMeasuredFrequencyData* m_MeasuredFrequencies = nullptr;
    float m_StartFrequency = 0.0f;
    float m_StopFrequency = 0.0f;
};

} // namespace orv
