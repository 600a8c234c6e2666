#pragma once

// The R&S FSV4000 family: a system preset at the narrowest RBWs, spectral points from the probe
// cells, and the input coupling.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerFSV4 : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerFSV4();

    bool SetupSpectrumAnalyzer() override;
    bool SetSpectralSweepPoints(int32_t /*count*/) override { return SetSpectralPointsByCells(); }
    int32_t GetCellsPerSweep(float /*rbw*/) override { return CellsReachingMinimum(); }

protected:
    RsRbwTables RbwTables() const override;
};

} // namespace orv
