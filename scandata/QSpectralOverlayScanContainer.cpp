#include "scandata/QSpectralOverlayScanContainer.h"

#include "core/QDescription.h"
#include "scandata/QComparisonOwner.h"

#include <algorithm>

namespace orv {

QSpectralOverlayScanContainer::QSpectralOverlayScanContainer(QComparisonOwner* owner)
    : QComparisonScanContainer(owner) {}

QSpectralOverlayScanContainer::~QSpectralOverlayScanContainer() = default;

QMeasuredFrequencyData& QSpectralOverlayScanContainer::GetMeasuredFrequencyData() {
    return First().GetMeasuredFrequencyData();
}

bool QSpectralOverlayScanContainer::HasScanData() const {
    return (First().HasScanData() || Second().HasScanData()) && Mutable().CheckCompatibility(false);
}

void QSpectralOverlayScanContainer::GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern,
                                                  const QFrequencyBucketList* selection) {
    float firstLow = 0.0F;
    float firstHigh = 0.0F;
    float secondLow = 0.0F;
    float secondHigh = 0.0F;
    First().GetLevelRange(&firstLow, &firstHigh, pattern, selection);
    Second().GetLevelRange(&secondLow, &secondHigh, pattern, selection);
    if (low != nullptr) {
        *low = std::min(firstLow, secondLow);
    }
    if (high != nullptr) {
        *high = std::max(firstHigh, secondHigh);
    }
}

const QSpectralScanInterface* QSpectralOverlayScanContainer::GetSpectralScan() {
    return Second().HasScanData() ? Second().GetSpectralScan() : nullptr;
}

const QSpectralScanInterface*
QSpectralOverlayScanContainer::GetSpectralScanForCells(const QProbeScanPattern& /*cells*/) {
    return First().HasScanData() ? First().GetSpectralScan() : nullptr;
}

void QSpectralOverlayScanContainer::CorrectSpectralSources(float startFrequency, float stopFrequency) {
    QScanContainer* sources[2] = {&First(), &Second()};
    for (QScanContainer* source : sources) {
        if (IsStandby(*source) || source->GetSpectralScan() == nullptr) {
            continue;
        }
        // The correction looks its factors up for the project's current scan head.
        if (GetOwner() != nullptr) {
            GetOwner()->SetCurrentProjectScanHeadText(source->GetDescription().GetTexts().GetScanHead());
        }
        CorrectSpectralSource(*source, startFrequency, stopFrequency);
    }
    for (QScanContainer* source : sources) {
        if (!IsStandby(*source) && source->GetSpectralScan() != nullptr) {
            EstimateSpectralNoiseFloor(*source);
        }
    }
}

} // namespace orv
