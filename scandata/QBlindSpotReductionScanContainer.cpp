#include "scandata/QBlindSpotReductionScanContainer.h"

#include "scandata/QBlindSpotReductionScan.h"

namespace orv {

QBlindSpotReductionScanContainer::QBlindSpotReductionScanContainer(QComparisonOwner* owner)
    : QSpatialComparisonScanContainer(owner) {}

QBlindSpotReductionScanContainer::~QBlindSpotReductionScanContainer() = default;

std::unique_ptr<QSpatialScanInterface>
QBlindSpotReductionScanContainer::MakeResult(const QSpatialScanInterface& first,
                                             const QSpatialScanInterface& second,
                                             const QProbeScanPattern& pattern) const {
    return std::make_unique<QBlindSpotReductionScan>(first, second, pattern);
}

} // namespace orv
