#include "scandata/QSpatialScanContainer.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QCorrectionData.h"
#include "core/QDescription.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QScanContainerMediator.h"
#include "scandata/QTransportContainer.h"
#include "scandata/RecordCodec.h"

#include <algorithm>
#include <cmath>

namespace orv {

QSpatialScanContainer::QSpatialScanContainer() : m_SpatialScan(std::make_unique<QSpatialScan>()) {}

QSpatialScanContainer::~QSpatialScanContainer() = default;

void QSpatialScanContainer::WriteBody(QDataWriter& writer) const {
    // Containers are never made const: the lazily computed ranges are brought up to date first.
    const_cast<QSpatialScanContainer*>(this)->GetLevelRange(nullptr, nullptr);
    writer.WriteF32(m_StoredLow);
    writer.WriteF32(m_StoredHigh);
}

void QSpatialScanContainer::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(8);
    reader.ReadF32();
    reader.ReadF32();
    m_StoredLow = 0.0F;
    m_StoredHigh = 0.0F;
}

int16_t QSpatialScanContainer::ShownLevel(uint16_t row, uint16_t column) const {
    const int16_t level = m_SpatialScan->GetStoredAmplitude(row, column);
    if (!QCorrectionData::IsSpatialCompensationOn() || !(static_cast<float>(level) > m_CompensationLevel)) {
        return level;
    }
    const double factor =
        std::trunc(static_cast<double>(m_SpatialScan->GetCellCorrection(row, column)) * 10.0);
    return SaturateToInt16(static_cast<double>(level) + factor);
}

void QSpatialScanContainer::GetLevelRange(float* low, float* high, const QProbeScanPattern* /*pattern*/,
                                          const QFrequencyBucketList* /*selection*/) {
    if (IsRangeStale() && m_SpatialScan->HasData()) {
        const QProbeScanPattern& pattern = GetProbeScanPattern();
        const uint16_t rows = std::min(m_SpatialScan->GetRowCount(), pattern.GetRows());
        const uint16_t columns = std::min(m_SpatialScan->GetColumnCount(), pattern.GetColumns());
        bool any = false;
        int16_t lowest = 0;
        int16_t highest = 0;
        for (uint16_t r = 0; r < rows; ++r) {
            for (uint16_t c = 0; c < columns; ++c) {
                if (!pattern.IsProbeOn(r, c)) {
                    continue;
                }
                const int16_t level = ShownLevel(r, c);
                if (!any || level < lowest) {
                    lowest = level;
                }
                if (!any || level > highest) {
                    highest = level;
                }
                any = true;
            }
        }
        m_DisplayLow = static_cast<float>(lowest);
        m_DisplayHigh = static_cast<float>(highest);
        SetRangeStale(false);
    }
    if (low != nullptr) {
        *low = m_DisplayLow;
    }
    if (high != nullptr) {
        *high = m_DisplayHigh;
    }
}

void QSpatialScanContainer::UpdateStoredRange(float* low, float* high) {
    if (m_StoredLow == 0.0F && m_StoredHigh == 0.0F) {
        m_SpatialScan->GetStoredLevelRange(GetProbeScanPattern(), &m_StoredLow, &m_StoredHigh);
    }
    if (low != nullptr) {
        *low = m_StoredLow;
    }
    if (high != nullptr) {
        *high = m_StoredHigh;
    }
}

void QSpatialScanContainer::StartNewScan() {
    m_HasNewData = 0;
    m_SpatialScan = std::make_unique<QSpatialScan>();
}

void QSpatialScanContainer::AddScanData(QTransportContainer& transport, bool mergeMaximum,
                                        bool mergeAverage) {
    QSpatialScan* incoming = transport.GetSpatialScan();
    if (incoming == nullptr) {
        return;
    }
    transport.SetSpatialScan(nullptr);
    std::unique_ptr<QSpatialScan> record(incoming);
    if (mergeMaximum && m_Complete != 0) {
        m_SpatialScan->MergeScan(QSpatialScan::kMergeMaximumHold, *record, GetProbeScanPattern());
    } else if (mergeAverage && m_Complete != 0) {
        m_SpatialScan->MergeScan(QSpatialScan::kMergeRunningAverage, *record, GetProbeScanPattern());
    } else {
        // The engine's two 16-bit counters after the grid size (records received and expected)
        // are equal once the record covers the whole pass.
        if (record->GetSecondGridRows() == record->GetSecondGridColumns()) {
            m_Complete = 1;
        }
        m_SpatialScan = std::move(record);
    }
    m_Updated = 1;
    MarkPending();
    TakeCompensationLevelFromRecord();
}

void QSpatialScanContainer::TakeCompensationLevelFromRecord() {
    m_StoredLow = 0.0F;
    m_StoredHigh = 0.0F;
    SetRangeStale(true);
    UpdateStoredRange(nullptr, nullptr);
    const float threshold = m_Mediator != nullptr ? m_Mediator->GetCompensationThreshold() : 0.0F;
    m_CompensationLevel = std::max(m_StoredLow, 0.0F) + 10.0F * threshold;
    m_SpatialScan->SetCompensationLevel(m_CompensationLevel);
}

void QSpatialScanContainer::ReprocessSpatialScan() {
    if (!m_SpatialScan->HasData()) {
        return;
    }
    GetInstrumentInfo().SetScanHeadText(GetDescription().GetTexts().GetScanHead());
    const QProbeScanPattern pattern = GetProbeScanPattern();
    m_SpatialScan->ApplyCorrectionFactors(pattern);
    SetRangeStale(true);
}

void QSpatialScanContainer::ClearScanData() {
    m_SpatialScan = std::make_unique<QSpatialScan>();
    m_Updated = 1;
    m_Complete = 0;
}

void QSpatialScanContainer::SetSpatialScanRecord(std::unique_ptr<QSpatialScan> record) {
    if (record) {
        m_SpatialScan = std::move(record);
        // A loaded heat map is shown compensated against its own level, as a received one is.
        TakeCompensationLevelFromRecord();
    }
}

} // namespace orv
