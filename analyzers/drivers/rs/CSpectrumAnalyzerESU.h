#pragma once

// The R&S ESU EMI receiver: the FSL's set-up with the "NOIS" and "PULS" filter types kept, the
// automatic gain off before the pre-amplifier, the narrow-RBW mode with its free-running sweep, and
// no RBW below its minimum.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerESU : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerESU();

    bool SetPreAmp(bool on) override;
    bool SetInternalTriger(int32_t internal) override;
    bool SetSweepTimeFloat(float ms) override;
    bool SetSpectralSweepPoints(int32_t /*count*/) override { return SetSpectralPointsByCells(); }
    int32_t GetCellsPerSweep(float /*rbw*/) override { return CellsInHundreds(); }
    bool IsNarrowRbw() override { return IsReadBackRbwNarrow(); }
    bool IsFrequencyAllowed(float rbw) override;

protected:
    RsRbwTables RbwTables() const override;
};

} // namespace orv
