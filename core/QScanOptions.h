#pragma once

#include "core/QOptions.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// The scan settings of a node: frequency range (MHz), resolution bandwidth, reference level (dBuV),
// sweeps per cell, peak measurement and further switches of the scan set-up. Scan nodes follow the
// settings of their governing Project or Module node.
class QScanOptions : public QOptions {
public:
    // The 32-bit value that announces the fields a later layout added.
    static constexpr int32_t kExtensionMarker = -100;
    static constexpr uint32_t kReservedBytes = 95;
    // What the kind reports as its body size; the body itself is 158 bytes.
    static constexpr uint32_t kReportedBodySize = 53;

    QScanOptions() = default;

    float GetStartFrequency() const { return m_startFrequency; }
    float GetStopFrequency() const { return m_stopFrequency; }
    float GetRBW() const { return m_rbw; }
    float GetReferenceLevel() const { return m_referenceLevel; }
    uint32_t GetSweepsPerCell() const { return m_sweepsPerCell; }
    bool GetSetupSwitch1() const { return m_setupSwitch1 != 0; }
    bool GetSetupSwitch2() const { return m_setupSwitch2 != 0; }
    bool IsMeasurePeaks() const { return m_measurePeaks != 0; }
    bool IsPeakHold() const { return m_peakHold != 0; }
    bool IsExportAllPeaks() const { return m_exportAllPeaks != 0; }

    // Project and Module nodes keep a centre of their own; every other owner's centre is the middle
    // of its range.
    float GetCenterFrequency() const;
    // 0 for a Spatial scan node, which scans a single frequency.
    float GetSpan() const;

    void SetStartFrequency(float mhz) { m_startFrequency = mhz; }
    void SetStopFrequency(float mhz) { m_stopFrequency = mhz; }
    void SetRBW(float mhz) { m_rbw = mhz; }
    void SetReferenceLevel(float dbuv) { m_referenceLevel = dbuv; }
    void SetSweepsPerCell(uint32_t sweeps) { m_sweepsPerCell = sweeps; }
    void SetMeasurePeaks(bool on) { m_measurePeaks = on ? 1 : 0; }
    void SetPeakHold(bool on) { m_peakHold = on ? 1 : 0; }
    void SetExportAllPeaks(bool on) { m_exportAllPeaks = on ? 1 : 0; }
    // Project and Module nodes store the centre; other owners move their range around it.
    void SetCenterFrequency(float mhz);

    // Fields that the scan pages and the scan set-up read and edit directly.
    uint32_t GetSamplesPerSecond() const { return m_samplesPerSecond; }
    void SetSamplesPerSecond(uint32_t value) { m_samplesPerSecond = value; }
    uint32_t GetSpatialSweepsPerCell() const { return m_spatialSweepsPerCell; }
    void SetSpatialSweepsPerCell(uint32_t value) { m_spatialSweepsPerCell = value; }
    uint32_t GetSetupWord3() const { return m_setupWord3; }
    void SetSetupWord3(uint32_t value) { m_setupWord3 = value; }
    void SetSetupSwitch1(bool on) { m_setupSwitch1 = on ? 1 : 0; }
    void SetSetupSwitch2(bool on) { m_setupSwitch2 = on ? 1 : 0; }
    float GetLevel100() const { return m_level100; }
    void SetLevel100(float value) { m_level100 = value; }
    bool IsReplaceDataContinuous() const { return m_replaceDataContinuous != 0; }
    void SetReplaceDataContinuous(bool on) { m_replaceDataContinuous = on ? 1 : 0; }
    uint8_t GetControlLevel() const { return m_controlLevel; }
    void SetControlLevel(uint8_t level) { m_controlLevel = level; }
    uint8_t GetInterleavedScan() const { return m_interleavedScan; }
    void SetInterleavedScan(uint8_t value) { m_interleavedScan = value; }
    bool IsDcCoupled() const { return m_dcCoupled != 0; }
    void SetDcCoupled(bool on) { m_dcCoupled = on ? 1 : 0; }
    bool IsAveraging() const { return m_averaging != 0; }
    void SetAveraging(bool on) { m_averaging = on ? 1 : 0; }
    float GetExtensionSelector() const { return m_extensionSelector; }
    void SetExtensionSelector(float value) { m_extensionSelector = value; }
    float GetExtensionValue() const { return m_extensionValue; }
    void SetExtensionValue(float value) { m_extensionValue = value; }
    uint16_t GetMaxPeaks() const { return m_maxPeaks; }
    void SetMaxPeaks(uint16_t count) { m_maxPeaks = count; }
    // The count the scan set-up carries (default 110).
    uint32_t GetSetupCount() const { return m_setupWord3; }
    uint16_t GetExtensionCount2() const { return m_extensionCount2; }
    void SetExtensionCount2(uint16_t count) { m_extensionCount2 = count; }
    bool HasExtension() const { return m_hasExtension != 0; }
    bool GetFlagG() const { return m_flagG != 0; }
    void SetFlagG(bool on) { m_flagG = on ? 1 : 0; }
    uint32_t GetWord4() const { return m_word4; }
    void SetWord4(uint32_t value) { m_word4 = value; }
    uint32_t GetWord5() const { return m_word5; }
    void SetWord5(uint32_t value) { m_word5 = value; }
    int32_t GetSignedSetting() const { return m_signedSetting; }
    void SetSignedSetting(int32_t value) { m_signedSetting = value; }
    bool GetFlagH() const { return m_flagH != 0; }
    void SetFlagH(bool on) { m_flagH = on ? 1 : 0; }
    // The centre as stored, whatever the owner.
    float GetStoredCenterFrequency() const { return m_centerFrequency; }

    // Copies the settings of another object; not the header, the owner or the export-all-peaks flag.
    void CopyFrom(const QScanOptions& other);
    // Takes the settings of the governing node's scan options; without one nothing changes.
    void SyncFromNode() override;

    // The body always carries the extension, so writing marks the object as having it (the node hands
    // that flag on to its container's set-up command after writing).
    void WriteBody(QDataWriter& writer) const override;
    // Reads into a copy and takes it only when the whole body was read.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeScanOptions; }
    uint32_t GetBodySize() const override { return kReportedBodySize; }
    bool IsShared() const override { return false; }

private:
    float m_startFrequency = 10.0F;
    float m_stopFrequency = 110.0F;
    float m_rbw = 0.12F;
    float m_level100 = 100.0F;
    float m_referenceLevel = 50.0F;
    uint32_t m_samplesPerSecond = 1000000;
    uint32_t m_spatialSweepsPerCell = 1;
    uint32_t m_setupWord3 = 110;
    uint32_t m_sweepsPerCell = 1;
    uint8_t m_setupSwitch1 = 0;
    uint8_t m_setupSwitch2 = 0;
    uint8_t m_measurePeaks = 1;
    uint8_t m_peakHold = 0;
    uint8_t m_exportAllPeaks = 0;
    uint8_t m_replaceDataContinuous = 1;
    uint8_t m_controlLevel = 0;
    uint8_t m_interleavedScan = 0;
    uint8_t m_dcCoupled = 0;
    uint8_t m_averaging = 0;
    float m_extensionSelector = 0.0F;
    float m_extensionValue = 0.02F;
    uint16_t m_maxPeaks = 2;
    uint16_t m_extensionCount2 = 2;
    mutable uint8_t m_hasExtension = 1;
    uint8_t m_flagG = 1;
    uint32_t m_word4 = 0;
    uint32_t m_word5 = 0;
    int32_t m_signedSetting = 1;
    uint8_t m_flagH = 1;
    float m_centerFrequency = 55.0F;
};

} // namespace orv
