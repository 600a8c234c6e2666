#pragma once

#include "scandata/CSpectralSpatialScanData.h"

namespace orv {

// A hand-held probe scan: spectral/spatial data whose cells arrive one at a time as the probe is
// moved.
class CHandHeldProbeScanData : public CSpectralSpatialScanData {
public:
    CHandHeldProbeScanData() = default;
    ~CHandHeldProbeScanData() override;
};

} // namespace orv
