#pragma once

// The R&S FSQ (also the driver of every model code the program does not list): spectral points
// rounded to the hundred plus 101, the triggered sweep after "*OPC?", and the trace read as a
// "%#b" block whose failures are logged by step.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerFSQ : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerFSQ();

    bool SetupSpectrumAnalyzer() override { return SetupWithPreset("*RST;\n"); }
    bool SetSpectralSweepPoints(int32_t count) override;
    bool TriggeredSweep() override;
    const float* QueryScan() override;

protected:
    RsRbwTables RbwTables() const override;
};

} // namespace orv
