#include "scandata/QSpectralComparisonScanContainer.h"

namespace orv {

QSpectralComparisonScanContainer::QSpectralComparisonScanContainer(QComparisonOwner* owner)
    : QComparisonScanContainer(owner) {}

QSpectralComparisonScanContainer::~QSpectralComparisonScanContainer() {
    // The result points into the sources: it goes before they are given back.
    m_Result.reset();
}

bool QSpectralComparisonScanContainer::HasScanData() const {
    return First().HasScanData() && Second().HasScanData() && Mutable().CheckCompatibility(false);
}

const QSpectralScanInterface* QSpectralComparisonScanContainer::GetSpectralScan() {
    if (!m_Result) {
        const QSpectralScanInterface* first = First().GetSpectralScan();
        const QSpectralScanInterface* second = Second().GetSpectralScan();
        if (first == nullptr || second == nullptr) {
            return nullptr;
        }
        m_Result = std::make_unique<QSpectralComparisonScan>(*first, *second);
    }
    return m_Result.get();
}

void QSpectralComparisonScanContainer::GetLevelRange(float* low, float* high,
                                                     const QProbeScanPattern* /*pattern*/,
                                                     const QFrequencyBucketList* /*selection*/) {
    m_LevelRange.HandOut(HasScanData(), low, high, [this](int16_t& lowest, int16_t& highest) {
        const QSpectralScanInterface* result = GetSpectralScan();
        const uint32_t count = result != nullptr ? result->GetPointCount() : 0;
        // An empty difference has no level at all: its range is 0 and 0, not point 0 of nothing.
        if (count > 0) {
            lowest = result->GetAmplitude(0);
            highest = lowest;
            for (uint32_t i = 1; i < count; ++i) {
                const int16_t level = result->GetAmplitude(i);
                if (level < lowest) {
                    lowest = level;
                } else if (level > highest) {
                    highest = level;
                }
            }
        }
    });
}

void QSpectralComparisonScanContainer::ReleaseSources() {
    m_Result.reset();
    m_LevelRange.Reset();
    QComparisonScanContainer::ReleaseSources();
}

void QSpectralComparisonScanContainer::CorrectSpectralSources(float startFrequency, float stopFrequency) {
    // A node linked as both sources is the same record twice: the second pass finds it corrected.
    CorrectSpectralSource(First(), startFrequency, stopFrequency);
    CorrectSpectralSource(Second(), startFrequency, stopFrequency);
    EstimateSpectralNoiseFloor(First());
    EstimateSpectralNoiseFloor(Second());
}

} // namespace orv
