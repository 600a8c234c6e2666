#pragma once

#include "core/TypeIds.h"
#include "scandata/QSpatialComparisonScanContainer.h"

namespace orv {

// The container of a blind-spot reduction node: two passes of one heat map, the second taken one row
// lower, combined cell by cell. It checks, patterns and ranges as the spatial comparison does.
class QBlindSpotReductionScanContainer : public QSpatialComparisonScanContainer {
public:
    explicit QBlindSpotReductionScanContainer(QComparisonOwner* owner);
    ~QBlindSpotReductionScanContainer() override;

    uint16_t GetTypeID() const override { return kTypeBlindSpotReductionScanContainer; }

protected:
    std::unique_ptr<QSpatialScanInterface> MakeResult(const QSpatialScanInterface& first,
                                                      const QSpatialScanInterface& second,
                                                      const QProbeScanPattern& pattern) const override;
};

} // namespace orv
