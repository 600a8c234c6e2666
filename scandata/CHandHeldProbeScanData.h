#pragma once

#include "scandata/CSpectralSpatialScanData.h"

#include <memory>

namespace orv {

// A hand-held probe scan: spectral/spatial data whose cells arrive one at a time as the probe is
// moved.
class CHandHeldProbeScanData : public CSpectralSpatialScanData {
public:
    CHandHeldProbeScanData() = default;
    ~CHandHeldProbeScanData() override;

    std::unique_ptr<CHandHeldProbeScanData> Clone() const {
        auto copy = std::make_unique<CHandHeldProbeScanData>();
        CloneInto(*copy);
        return copy;
    }
};

} // namespace orv
