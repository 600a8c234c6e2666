#pragma once

#include "core/TypeIds.h"
#include "scandata/QScanContainer.h"

namespace orv {

// The container of nodes that hold no scans (and the stand-by source of a comparison): it never
// has data and its stored body is empty.
class QDummyScanContainer : public QScanContainer {
public:
    uint16_t GetTypeID() const override { return kTypeDummyScanContainer; }
    bool HasScanData() const override { return false; }
    bool IsStale() const override { return true; }
    bool IsUpdated() const override { return false; }
    void ClearUpdated() override {}
    void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                       const QFrequencyBucketList* selection = nullptr) override;
    void StartNewScan() override {}
    void AddScanData(QTransportContainer& /*transport*/, bool /*mergeMaximum*/,
                     bool /*mergeAverage*/) override {}
    void ClearScanData() override {}
};

} // namespace orv
