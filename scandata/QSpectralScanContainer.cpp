#include "scandata/QSpectralScanContainer.h"

#include "core/QCorrectionData.h"
#include "scandata/QTransportContainer.h"

namespace orv {

QSpectralScanContainer::QSpectralScanContainer() : m_SpectralScan(std::make_unique<QSpectralScan>()) {}

QSpectralScanContainer::~QSpectralScanContainer() = default;

void QSpectralScanContainer::WriteBody(QDataWriter& writer) const {
    // The stored range is computed lazily; containers are never made const, so bringing it up to
    // date before it is written is safe.
    const_cast<QSpectralScanContainer*>(this)->GetLevelRange(nullptr, nullptr);
    if (m_StoredLow == 0.0F && m_StoredHigh == 0.0F && !m_SpectralScan->HasData()) {
        // Nothing to compute it from: the range read is written back as it was.
        writer.WriteF32(m_ReadLow);
        writer.WriteF32(m_ReadHigh);
        return;
    }
    writer.WriteF32(m_StoredLow);
    writer.WriteF32(m_StoredHigh);
}

void QSpectralScanContainer::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(8);
    m_ReadLow = reader.ReadF32();
    m_ReadHigh = reader.ReadF32();
    m_StoredLow = 0.0F;
    m_StoredHigh = 0.0F;
}

void QSpectralScanContainer::ForgetReadRange() {
    m_ReadLow = 0.0F;
    m_ReadHigh = 0.0F;
}

void QSpectralScanContainer::GetLevelRange(float* low, float* high, const QProbeScanPattern* /*pattern*/,
                                           const QFrequencyBucketList* /*selection*/) {
    // The stored range is of raw levels, so it never waits for the corrections: a body read back
    // (which forgets the range) and written again must hold the same bytes.
    if (m_StoredLow == 0.0F && m_StoredHigh == 0.0F && m_SpectralScan->HasData()) {
        m_SpectralScan->GetStoredLevelRange(&m_StoredLow, &m_StoredHigh);
    }
    if (IsRangeStale() && m_SpectralScan->HasData() &&
        !(QCorrectionData::IsSpectralCompensationOn() && !m_SpectralScan->IsCorrected())) {
        m_SpectralScan->GetLevelRange(&m_DisplayLow, &m_DisplayHigh);
        SetRangeStale(false);
    }
    if (low != nullptr) {
        *low = m_DisplayLow;
    }
    if (high != nullptr) {
        *high = m_DisplayHigh;
    }
}

void QSpectralScanContainer::GetStoredRange(float* low, float* high) const {
    if (low != nullptr) {
        *low = m_StoredLow;
    }
    if (high != nullptr) {
        *high = m_StoredHigh;
    }
}

void QSpectralScanContainer::StartNewScan() {
    ForgetReadRange();
    m_HasNewData = 0;
    m_SpectralScan = std::make_unique<QSpectralScan>();
}

void QSpectralScanContainer::AddScanData(QTransportContainer& transport, bool mergeMaximum,
                                         bool mergeAverage) {
    auto* incoming = dynamic_cast<QSpectralScan*>(transport.GetSpectralScan());
    if (incoming == nullptr) {
        return;
    }
    transport.SetSpectralScan(nullptr);
    std::unique_ptr<QSpectralScan> record(incoming);
    if (mergeMaximum && m_SpectralScan->HasData()) {
        m_SpectralScan->MergeScan(QSpectralScan::kMergeMaximumHold, *record);
    } else if (mergeAverage && m_SpectralScan->HasData()) {
        m_SpectralScan->MergeScan(QSpectralScan::kMergeRunningAverage, *record);
    } else {
        m_SpectralScan = std::move(record);
    }
    m_Updated = 1;
    m_StoredLow = 0.0F;
    m_StoredHigh = 0.0F;
    ForgetReadRange();
    MarkPending();
    SetRangeStale(true);
}

void QSpectralScanContainer::ClearScanData() {
    ForgetReadRange();
    m_SpectralScan = std::make_unique<QSpectralScan>();
    m_Updated = 1;
}

void QSpectralScanContainer::SetSpectralScanRecord(std::unique_ptr<QSpectralScan> record) {
    if (record) {
        m_SpectralScan = std::move(record);
        ForgetReadRange();
        SetRangeStale(true);
    }
}

} // namespace orv
