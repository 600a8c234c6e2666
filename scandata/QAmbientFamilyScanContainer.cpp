#include "scandata/QAmbientFamilyScanContainer.h"

#include "core/QCorrectionData.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "scandata/QContainerNodeMediator.h"
#include "scandata/QScanContainerMediator.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTransportContainer.h"

#include <algorithm>

namespace orv {

QAmbientFamilyScanContainer::QAmbientFamilyScanContainer() = default;

QAmbientFamilyScanContainer::~QAmbientFamilyScanContainer() = default;

void QAmbientFamilyScanContainer::WriteBody(QDataWriter& writer) const {
    WriteFamilyBody(writer);
}

void QAmbientFamilyScanContainer::ReadBody(QDataReader& reader) {
    ReadFamilyBody(reader);
}

void QAmbientFamilyScanContainer::WriteFamilyBody(QDataWriter& writer) const {
    // Containers are never made const: bringing the ranges up to date before they are written is
    // what the stored form expects.
    const_cast<QAmbientFamilyScanContainer*>(this)->GetLevelRange(nullptr, nullptr);
    writer.WriteF32(m_StoredLow);
    writer.WriteF32(m_StoredHigh);
    writer.WriteF32(m_StartFrequency);
    writer.WriteF32(m_StopFrequency);
    writer.WriteF32(m_SetupValue);
}

void QAmbientFamilyScanContainer::ReadFamilyBody(QDataReader& reader) {
    reader.RequireRemaining(kFamilyBodySize);
    reader.ReadF32();
    reader.ReadF32();
    const float start = reader.ReadF32();
    const float stop = reader.ReadF32();
    const float value = reader.ReadF32();
    m_StoredLow = 0.0f;
    m_StoredHigh = 0.0f;
    m_StartFrequency = start;
    m_StopFrequency = stop;
    m_SetupValue = value;
}

void QAmbientFamilyScanContainer::UpdateStoredRange() {
    if (m_StoredLow != 0.0f || m_StoredHigh != 0.0f || !m_Record->HasData()) {
        return;
    }
    int16_t lowest = m_Record->GetStoredAmplitude(0);
    int16_t highest = lowest;
    for (uint32_t i = 1; i < m_Record->GetPointCount(); ++i) {
        const int16_t level = m_Record->GetStoredAmplitude(i);
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
    }
    m_StoredLow = static_cast<float>(lowest);
    m_StoredHigh = static_cast<float>(highest);
}

void QAmbientFamilyScanContainer::GetLevelRange(float* low, float* high, const QProbeScanPattern* /*pattern*/,
                                                const QFrequencyBucketList* /*selection*/) {
    if (IsRangeStale() && m_Record->HasData() &&
        !(QCorrectionData::IsSpectralCompensationOn() && !m_Record->IsCorrected())) {
        float lowest = 10000.0f;
        float highest = -10000.0f;
        for (uint32_t i = 0; i < m_Record->GetPointCount(); ++i) {
            const float level = static_cast<float>(m_Record->GetAmplitude(i));
            lowest = std::min(lowest, level);
            highest = std::max(highest, level);
        }
        m_DisplayLow = lowest;
        m_DisplayHigh = highest;
        SetRangeStale(false);
    }
    UpdateStoredRange();
    if (low != nullptr) {
        *low = m_DisplayLow;
    }
    if (high != nullptr) {
        *high = m_DisplayHigh;
    }
}

void QAmbientFamilyScanContainer::GetStoredRange(float* low, float* high) const {
    if (low != nullptr) {
        *low = m_StoredLow;
    }
    if (high != nullptr) {
        *high = m_StoredHigh;
    }
}

void QAmbientFamilyScanContainer::StartNewScan() {
    m_HasNewData = 0;
    m_Record = MakeRecord(0);
}

void QAmbientFamilyScanContainer::ClearScanData() {
    m_Record = MakeRecord(0);
    m_Updated = 1;
}

void QAmbientFamilyScanContainer::AddScanData(QTransportContainer& transport, bool mergeMaximum,
                                              bool /*mergeAverage*/) {
    QDataPacket* received = transport.GetSpectralScan();
    if (received == nullptr) {
        return;
    }
    std::unique_ptr<QSpectralFamilyScan> record;
    if (const auto* spectral = dynamic_cast<const QSpectralScan*>(received); spectral != nullptr) {
        record = MakeRecord(spectral->GetPointCount());
        CopyReceived(*record, *spectral);
        // The received record is freed with the transport container.
    } else if (auto* own = dynamic_cast<QSpectralFamilyScan*>(received);
               own != nullptr && own->GetTypeID() == m_Record->GetTypeID()) {
        // A record already of this kind is taken as it is.
        transport.SetSpectralScan(nullptr);
        record.reset(own);
    } else {
        return;
    }

    if (mergeMaximum && m_Record->HasData()) {
        m_Record->MergeScan(QSpectralFamilyScan::kMergeMaximumHold, *record);
    } else {
        m_Record = std::move(record);
    }
    AfterRecordTaken();
    m_Updated = 1;
    MarkPending();
    RestartDerivedRanges();
    AfterScanData();
}

void QAmbientFamilyScanContainer::RestartDerivedRanges() {
    m_DisplayLow = 0.0f;
    m_DisplayHigh = 0.0f;
    m_CorrectionsBuilt = 0;
    SetRangeStale(true);
}

void QAmbientFamilyScanContainer::AfterStoredScanRead() {
    GetSetupScanCommand().SetFrequencyRange(m_StartFrequency, m_StopFrequency);
    RestartDerivedRanges();
}

bool QAmbientFamilyScanContainer::SetRecord(std::unique_ptr<QSpectralFamilyScan> record) {
    if (!record || record->GetTypeID() != m_Record->GetTypeID()) {
        return false;
    }
    m_Record = std::move(record);
    RestartDerivedRanges();
    return true;
}

QContainerNodeMediator* QAmbientFamilyScanContainer::GetNodeMediator() const {
    return dynamic_cast<QContainerNodeMediator*>(GetMediator());
}

} // namespace orv
