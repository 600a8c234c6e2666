#pragma once

// The R&S FSU: the pre-amplifier only below 3600 MHz, spectral points in hundreds of probe cells,
// the input coupling, and the user's manual timing in place of its tables.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerFSU : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerFSU();

    bool SetupSpectrumAnalyzer() override { return SetupWithPreset("*RST;\n"); }
    bool SetPreAmp(bool on) override { return SetPreAmpBelowStopLimit(on); }
    bool SetSpectralSweepPoints(int32_t /*count*/) override { return SetSpectralPointsByCells(); }
    int32_t GetCellsPerSweep(float /*rbw*/) override { return CellsInHundreds(); }

protected:
    RsRbwTables RbwTables() const override;
};

} // namespace orv
