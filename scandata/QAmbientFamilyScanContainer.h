#pragma once

#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSimpleScanContainer.h"
#include "scandata/QSpectralFamilyScan.h"

#include <cstdint>
#include <memory>

namespace orv {

class QContainerNodeMediator;
class QSpectralScan;

// The containers that keep one spectrum of the spectral family (ambient, near-field and far-field
// ambient, antenna position): a received spectral record is copied into a record of the kind and
// replaces the held one, or is merged into it by maximum hold.
//
// Stored body (20 bytes): the stored level range, then the set-up start and stop frequency and the
// set-up value (32-bit floats). The range read back is not kept: it is computed again on use.
class QAmbientFamilyScanContainer : public QSimpleScanContainer {
public:
    static constexpr uint32_t kFamilyBodySize = 20;

    ~QAmbientFamilyScanContainer() override;

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint32_t GetBodySize() const override { return kFamilyBodySize; }

    bool IsStale() const override { return !HasScanData() || m_HasNewData != 0; }
    bool IsUpdated() const override { return m_Updated != 0; }
    void ClearUpdated() override { m_Updated = 0; }
    // From 10000 and -10000 over the levels as the record shows them. While spectral compensation
    // is on and the record is not corrected yet, the previous range is returned and stays stale.
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    const QSpectralScanInterface* GetSpectralScan() override { return m_Record.get(); }
    void StartNewScan() override;
    // Takes the received spectral record (the merge-rule-1 switch is not used by this family).
    void AddScanData(QTransportContainer& transport, bool mergeMaximum, bool mergeAverage) override;
    void ClearScanData() override;
    void MarkPending() override { m_HasNewData = 1; }
    QDataPacket* GetScanPacket() override { return m_Record.get(); }
    // The set-up command is not part of the stored body, so the record's frequency axis comes back
    // from the set-up range stored with it; the shown range and corrections start over as for a
    // record taken live.
    void AfterStoredScanRead() override;

    // The scan workflow's set-up before a run.
    void SetSetupRange(float start, float stop) {
        m_StartFrequency = start;
        m_StopFrequency = stop;
    }
    void SetSetupValue(float value) { m_SetupValue = value; }
    float GetStartFrequency() const { return m_StartFrequency; }
    float GetStopFrequency() const { return m_StopFrequency; }
    float GetSetupValue() const { return m_SetupValue; }
    void GetStoredRange(float* low, float* high) const;

    QSpectralFamilyScan& GetRecord() { return *m_Record; }
    // Project storage puts the record read from the scan file in place; a record of another kind is
    // refused (false) and the held one stays.
    bool SetRecord(std::unique_ptr<QSpectralFamilyScan> record);

protected:
    QAmbientFamilyScanContainer();

    // An empty record of the kind (the count gives its zeroed points).
    virtual std::unique_ptr<QSpectralFamilyScan> MakeRecord(uint32_t count) const = 0;
    // The received levels into a record of the kind made with the received point count.
    virtual void CopyReceived(QSpectralFamilyScan& target, const QSpectralScan& source) const = 0;
    // After the received record was taken: the kinds flag their node's options.
    virtual void AfterRecordTaken() {}
    // After the bookkeeping of new data.
    virtual void AfterScanData() {}

    // The owning node's mediator as the node-side interface, or null.
    QContainerNodeMediator* GetNodeMediator() const;
    // When both stored levels are 0 and the record holds data: its raw level range.
    void UpdateStoredRange();
    // What every newly taken record needs: the shown range starts over from 0 and 0 and the
    // corrections are built again on the next range request.
    void RestartDerivedRanges();

    uint32_t m_CorrectedLevelCount = 0;
    QMeasuredFrequencyData m_SweepFrequencies;
    uint8_t m_SweepFrequenciesBuilt = 0;
    uint8_t m_HasNewData = 0;
    uint8_t m_Updated = 0;
    float m_StartFrequency = 10.0f;
    float m_StopFrequency = 100.0f;
    float m_SetupValue = 0.1f;
    uint8_t m_CorrectionsBuilt = 0;
    float m_DisplayLow = 100.0f;
    float m_DisplayHigh = 1000.0f;
    float m_StoredLow = 100.0f;
    float m_StoredHigh = 1000.0f;
    // Made by the kind's constructor (MakeRecord cannot be called from this one).
    std::unique_ptr<QSpectralFamilyScan> m_Record;

    // The 20 bytes every kind of the family stores first.
    void WriteFamilyBody(QDataWriter& writer) const;
    void ReadFamilyBody(QDataReader& reader);
};

} // namespace orv
