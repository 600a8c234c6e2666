#pragma once

// The R&S FSW: below its narrow-RBW threshold the sweep runs free with a fixed short sweep and five
// points; the pre-amplifier's state and gain and the input coupling are read back.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerFSW : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerFSW();

    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetSweepTimeFloat(float ms) override;
    bool SetSpectralSweepPoints(int32_t /*count*/) override { return SetSpectralPointsByCells(); }
    bool SweepAndWait() override;
    int32_t GetCellsPerSweep(float /*rbw*/) override { return CellsReachingMinimum(); }
    bool SetInputCoupling(bool dc) override;
    bool IsNarrowRbw() override { return IsReadBackRbwNarrow(); }

private:
    // The reply to `query` read with the 3000 ms time-out (at most 128 bytes); the time-out restored.
    std::string ReadWithLongTimeout(const std::string& query);

protected:
    RsRbwTables RbwTables() const override;
};

} // namespace orv
