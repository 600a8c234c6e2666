#pragma once

// The R&S ZNL network analyser in its spectrum-analyser mode: the FSL's commands with the FSV3's
// set-up (no identity asked), trigger form and tables, the reference level without a blank, and the
// trace always read as a raw block of exactly 4 x point count bytes.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV3.h"

namespace orv {

class CSpectrumAnalyzerZNL : public CSpectrumAnalyzerFSV3 {
public:
    CSpectrumAnalyzerZNL();

    bool CheckStatus() override { return true; }
    bool SetupSpectrumAnalyzer() override { return SetupWithoutIdentity(); }
    bool SetReferenceLevel(float level) override;
    const float* QueryScan() override { return ReadTraceBlock(); }
};

} // namespace orv
