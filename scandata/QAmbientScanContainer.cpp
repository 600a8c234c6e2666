#include "scandata/QAmbientScanContainer.h"

#include "core/QCorrectionData.h"
#include "scandata/InterpolateLogFrequency.h"
#include "scandata/QAmbientScan.h"
#include "scandata/QContainerNodeMediator.h"
#include "scandata/QSetupScanCommand.h"

#include <algorithm>

namespace orv {

QAmbientScanContainer::QAmbientScanContainer() {
    m_Record = MakeRecord(0);
}

std::unique_ptr<QSpectralFamilyScan> QAmbientScanContainer::MakeRecord(uint32_t count) const {
    return std::make_unique<QAmbientScan>(count);
}

void QAmbientScanContainer::CopyReceived(QSpectralFamilyScan& target, const QSpectralScan& source) const {
    static_cast<QAmbientScan&>(target).CopyFromSpectral(source);
}

void QAmbientScanContainer::AfterScanData() {
    if (m_SweepFrequenciesBuilt == 0) {
        auto& record = static_cast<QAmbientScan&>(*m_Record);
        m_SweepFrequencies.Reset(kSignalEntries);
        record.SetFrequencyRange(m_StartFrequency, m_StopFrequency);
        record.SetScanFrequencies(&GetMeasuredFrequencyData());
        std::vector<float> amplitudes;
        int32_t mean = 0;
        uint32_t pointCount = 0;
        record.DetectAmbientSignals(m_SweepFrequencies, amplitudes, mean, pointCount);
        // The frequency table may be replaced by the next set-up: the record must not keep it.
        record.SetScanFrequencies(nullptr);
        m_SweepFrequenciesBuilt = 1;
    }
    m_HandUpPending = 1;
}

QContainerNodeMediator* QAmbientScanContainer::GetParentClampMediator(QContainerNodeMediator& own) {
    // Looked up once; a node not yet in a tree is asked again next time.
    if (m_ParentPending != 0) {
        m_ParentMediator = own.GetParentContainerMediator();
        m_ParentPending = m_ParentMediator == nullptr ? 1 : 0;
    }
    return m_ParentMediator;
}

std::optional<std::vector<float>> QAmbientScanContainer::TakeFrequencyHandUp() {
    if (m_HandUpPending == 0) {
        return std::nullopt;
    }
    m_HandUpPending = 0;
    std::vector<float> frequencies(m_SweepFrequencies.GetEntryCount());
    for (uint32_t k = 0; k < frequencies.size(); ++k) {
        frequencies[k] = m_SweepFrequencies.GetEntryFrequency(k);
    }
    return frequencies;
}

void QAmbientScanContainer::SetParentSetup(const QClampSetupTexts& texts) {
    if (texts == m_ParentSetup) {
        return;
    }
    m_ParentSetup = texts;
    m_CorrectionsBuilt = 0;
    SetRangeStale(true);
}

void QAmbientScanContainer::BuildCorrections() {
    m_CorrectionsBuilt = 1;
    // The cable-and-clamp table is loaded as the other two, though only they enter the levels.
    QLogFrequencyTable::Load("MDMD" + m_ParentSetup.m_Name1 + m_ParentSetup.m_Name2 + "MDMD");
    const QLogFrequencyTable transformer = QLogFrequencyTable::Load("CTCT" + m_ParentSetup.m_Name3 + "CTCT");
    const QLogFrequencyTable ambient = QLogFrequencyTable::Load("AMAM" + m_ParentSetup.m_Name4 + "AMAM");

    const uint32_t count = m_Record->GetPointCount();
    m_CorrectedLevelCount = count;
    m_CorrectedLevels.assign(count, 0.0f);
    if (count == 0) {
        return;
    }
    const float start = GetSetupScanCommand().GetStartFrequency();
    const float stop = GetSetupScanCommand().GetStopFrequency();
    const float step = count > 1 ? (stop - start) / static_cast<float>(count - 1) : 0.0f;
    for (uint32_t i = 0; i < count; ++i) {
        float corrected = static_cast<float>(m_Record->GetAmplitude(i));
        // Without a positive start frequency there is no frequency axis to look the tables up on.
        if (start > 0.0f) {
            const float f = start + static_cast<float>(i) * step;
            corrected += 10.0f * (transformer.At(f) + ambient.At(f));
        }
        m_CorrectedLevels[i] = corrected;
    }
}

void QAmbientScanContainer::GetLevelRange(float* low, float* high, const QProbeScanPattern* /*pattern*/,
                                          const QFrequencyBucketList* /*selection*/) {
    if (IsRangeStale() && m_Record->HasData()) {
        const bool compensated = QCorrectionData::IsSpectralCompensationOn();
        if (compensated && m_CorrectionsBuilt == 0) {
            BuildCorrections();
        }
        for (uint32_t i = 0; i < m_Record->GetPointCount(); ++i) {
            const float level = compensated && i < m_CorrectedLevels.size()
                                    ? m_CorrectedLevels[i]
                                    : static_cast<float>(m_Record->GetAmplitude(i));
            m_DisplayLow = std::min(m_DisplayLow, level);
            m_DisplayHigh = std::max(m_DisplayHigh, level);
        }
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

} // namespace orv
