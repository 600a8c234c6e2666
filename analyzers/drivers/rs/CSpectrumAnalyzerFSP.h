#pragma once

// The R&S FSP: the error count asked in every status check, spectral points in the instrument's
// steps of 1000, and no RBW below 100 Hz in a spatial scan.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerFSP : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerFSP();

    bool CheckStatus() override;
    bool SetupSpectrumAnalyzer() override { return SetupWithPreset("*RST;\n"); }
    bool SetResolution(float mhz) override;
    bool SetSpectralSweepPoints(int32_t count) override;
    int32_t GetCellsPerSweep(float /*rbw*/) override;

    static constexpr uint16_t kSpatialScanType = 100;

protected:
    RsRbwTables RbwTables() const override;
};

} // namespace orv
